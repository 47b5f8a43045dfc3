#pragma once

// The viewer of another participant's share as the conference window sees
// it: the window passes it every sharing event of that share and it reports
// notices and the webinar view back through `APShareClientViewAction`. The
// application-sharing feature supplies it (`ConferenceFeatureWindows::
// makeAPShareClient`).
//
// Threads: `onStart`, `activateWindow`, `changeOperationRequestStatus` and
// `getAPShareViewForWebinar` on the main thread; the stop, operator changes,
// control answers and clipboard texts on the relay's receive thread;
// rectangles, resizes and key frames on the sharing transfer thread. None of
// them waits for the main thread.

#include <QByteArray>
#include <QString>
#include <cstdint>

class QWidget;

class APShareClientViewAction {
public:
    virtual ~APShareClientViewAction() = default;
    // A notice to the user (any thread).
    virtual void showASClientMessageAlert(const QString& /*alertId*/, const QString& /*message*/) {}
    // The embedded viewer's view for the webinar layout, or none to take it
    // out (main thread).
    virtual void onAPShareViewForWebinar(QWidget* /*view*/) {}
};

class ConferenceAPShareViewer {
public:
    virtual ~ConferenceAPShareViewer() = default;

    // The display mode the viewer opens with (1 fitted, 0 scaled).
    virtual void setDefaultDispMode(int mode) = 0;
    virtual void onStart(std::uint16_t first, std::uint16_t type, std::uint16_t width, std::uint16_t height,
                         std::uint16_t left, std::uint16_t top, std::uint16_t right, std::uint16_t bottom,
                         const QString& sharerId, const QString& sharerName, const QString& operatorId,
                         const QString& operatorName, std::int64_t controlStatus,
                         std::int64_t controlRequestStatus) = 0;
    virtual void onStop(int code, const QString& sharerId, const QString& sharerName) = 0;
    // One decoded rectangle (left, top, right, bottom in top-left pixels).
    virtual void onShowRect(int left, int top, int right, int bottom, const QByteArray& bitmap, int size) = 0;
    virtual void onResize(int left, int top, int right, int bottom) = 0;
    virtual void onKeyFrame(int left, int top, int right, int bottom) = 0;
    virtual void onControlRes(int result, const QString& userId, const QString& userName) = 0;
    virtual void onControllChange(const QString& sharerId, const QString& sharerName,
                                  const QString& operatorId, const QString& operatorName,
                                  std::int64_t controlStatus, std::int64_t controlRequestStatus) = 0;
    virtual void onClipBoardText(const QByteArray& utf8) = 0;
    virtual void activateWindow() = 0;
    virtual void changeOperationRequestStatus(std::int64_t status) = 0;
    virtual QWidget* getAPShareViewForWebinar() const = 0;
};
