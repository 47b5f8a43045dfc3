#pragma once

// One remote share as the viewer side sees it. It keeps the sharer's and the
// operator's identity, the control state and the control-request permission,
// owns the viewer (through `APShareObjectController`), paints the received
// rectangles, lets keys, mouse, wheel and clipboard text through only while
// this client operates the shared screen, and sends everything that goes
// back to the sharer through its delegate.
//
// Threads: the start on the main thread; the stop, operator changes, control
// answers and clipboard texts on the relay's receive thread; rectangles,
// resizes and key frames on the sharing transfer thread. Rectangles are
// painted into the viewer's canvas on the transfer thread itself; geometry
// changes, operator changes and the stop's teardown are queued to the main
// thread. Nothing here waits for the main thread, so a logout on the main
// thread that joins the transfer thread cannot hang on a rectangle.
//
// Made with `make` and held by shared pointer: main-queue work holds the
// client only weakly.

#include <QByteArray>
#include <QPointer>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>

#include "appshare/APShareObjectController.h"
#include "conference/ConferenceAPShareViewer.h"
#include "platform/APShareKeyEventConverter.h"
#include "platform/ClipboardManager.h"

class Pasteboard;

// Where the viewer's commands go (the login).
class APShareClientDelegate {
public:
    virtual ~APShareClientDelegate() = default;
    // 0 "AS_START_PERMIT_START": the viewer receives the share; 1
    // "AS_START_PERMIT_RESTART": the sharer sends a fresh key frame.
    virtual void sendCommand(int /*command*/, const QString& /*data*/) {}
    virtual void sendControlReq(std::uint32_t /*kind*/, const QString& /*operatorId*/,
                                const QString& /*operatorName*/) {}
    virtual void sendControlRet() {}
    virtual void sendMousePointerEvent(std::uint16_t /*kind*/, std::uint16_t /*x*/, std::uint16_t /*y*/) {}
    virtual void sendMouseWheelEvent(int /*delta*/) {}
    virtual void sendKeyEvent(std::uint32_t /*keysym*/, std::uint32_t /*eventType*/) {}
    virtual void sendClipboardAsClient(const QString& /*text*/) {}
};

class APShareClient : public ConferenceAPShareViewer,
                      public APShareObjectControllerDelegate,
                      public APShareKeyEventConverterDelegate,
                      public std::enable_shared_from_this<APShareClient> {
public:
    static constexpr std::int64_t kControlStatusOperator = 2;

    // On the main thread. `viewAction` outlives the client; `pasteboard`
    // nullptr: the desktop's clipboard.
    static std::shared_ptr<APShareClient> make(bool isWebinar,
                                               std::unique_ptr<APShareClientDelegate> delegate,
                                               APShareClientViewAction* viewAction,
                                               Pasteboard* pasteboard = nullptr);
    ~APShareClient() override;

    // ConferenceAPShareViewer
    void setDefaultDispMode(int mode) override;
    void onStart(std::uint16_t first, std::uint16_t type, std::uint16_t width, std::uint16_t height,
                 std::uint16_t left, std::uint16_t top, std::uint16_t right, std::uint16_t bottom,
                 const QString& sharerId, const QString& sharerName, const QString& operatorId,
                 const QString& operatorName, std::int64_t controlStatus,
                 std::int64_t controlRequestStatus) override;
    void onStop(int code, const QString& sharerId, const QString& sharerName) override;
    void onShowRect(int left, int top, int right, int bottom, const QByteArray& bitmap, int size) override;
    void onResize(int left, int top, int right, int bottom) override;
    void onKeyFrame(int left, int top, int right, int bottom) override;
    void onControlRes(int result, const QString& userId, const QString& userName) override;
    void onControllChange(const QString& sharerId, const QString& sharerName, const QString& operatorId,
                          const QString& operatorName, std::int64_t controlStatus,
                          std::int64_t controlRequestStatus) override;
    void onClipBoardText(const QByteArray& utf8) override;
    void activateWindow() override;
    void changeOperationRequestStatus(std::int64_t status) override;
    QWidget* getAPShareViewForWebinar() const override;

    // The viewer's controller (main thread; none before the start and after the stop).
    APShareObjectController* viewerController() const { return mViewerController_; }
    std::int64_t controlState() const;
    std::int64_t controlRequestStatus() const;
    QString operatorId() const;
    QString operatorName() const;
    int defaultDispMode() const;
    ClipboardManager* clipboardManager() const { return clipboard_; }

    // APShareObjectControllerDelegate
    void APShareViewForWebinar(QWidget* view) override;
    void sendCommand(int command, const QString& data) override;
    void sendControlReq() override;
    void onKeyDown(const KeyEvent& event) override;
    void onModifierKeyEvent(const KeyEvent& event) override;
    void onKeyUp(const KeyEvent& event) override;
    void onMouseButtonEvent(const APShareViewerMouseEvent& event, QPointF sharersLocalPoint) override;
    void onMouseScrollEvent(const APShareViewerWheelEvent& event) override;
    void onReleaseEvent() override;

    // APShareKeyEventConverterDelegate
    void sendKeyEvent(std::uint32_t keysym, std::uint32_t eventType) override;

    // A local clipboard change (main thread).
    void updatePasteboard(const QByteArray& utf8);

private:
    APShareClient(bool isWebinar, std::unique_ptr<APShareClientDelegate> delegate,
                  APShareClientViewAction* viewAction);
    bool isOperating() const;
    void stopOnMainThread();
    void showNotice(const char* key);

    const bool mIsWebinar_;
    const std::unique_ptr<APShareClientDelegate> delegate_;
    APShareClientViewAction* viewAction_;
    APShareKeyEventConverter converter_;
    QPointer<ClipboardManager> clipboard_;

    mutable std::mutex mutex_;
    QString sharerId_, sharerName_, operatorId_, operatorName_;
    std::int64_t mControlState_ = 0;
    std::int64_t mControlRequestStatus_ = 0;
    int defaultDispMode_ = 1;
    std::shared_ptr<APShareCanvas> canvas_;  // while a started viewer draws
    QSize screenSize_;

    APShareObjectController* mViewerController_ = nullptr;  // main thread
};
