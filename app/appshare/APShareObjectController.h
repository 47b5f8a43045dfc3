#pragma once

// Owns the viewer of one remote share (the window in normal rooms, the
// embedded view in webinar rooms), sets it up at the start, keeps the display
// mode and the control state for the tool bar, the cursor and the wheel,
// turns the viewer's mouse points into shared-screen pixels and answers the
// tool controls and the window's minimise, restore and focus events.
// Main thread only; it goes with its viewer when the share ends.

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <cstdint>
#include <memory>

#include "appshare/APShareViewerContent.h"
#include "appshare/APShareWindow.h"
#include "platform/Window.h"

class APShareViewer;
class APShareViewController;

// What the controller hands on (the viewer side's client).
class APShareObjectControllerDelegate {
public:
    virtual ~APShareObjectControllerDelegate() = default;
    // The embedded viewer's view for the webinar layout (none: take it out).
    virtual void APShareViewForWebinar(QWidget* /*view*/) {}
    virtual void sendCommand(int /*command*/, const QString& /*data*/) {}
    virtual void sendControlReq() {}
    virtual void onKeyDown(const KeyEvent& /*event*/) {}
    virtual void onModifierKeyEvent(const KeyEvent& /*event*/) {}
    virtual void onKeyUp(const KeyEvent& /*event*/) {}
    virtual void onMouseButtonEvent(const APShareViewerMouseEvent& /*event*/, QPointF /*sharersLocalPoint*/) {
    }
    virtual void onMouseScrollEvent(const APShareViewerWheelEvent& /*event*/) {}
    // The viewer window lost the keyboard while this client operates.
    virtual void onReleaseEvent() {}
};

class APShareObjectController : public QObject, public APShareWindowDelegate, public WindowDelegate {
    Q_OBJECT

public:
    // AS_CONTROL_STATUS: this client operates the shared screen.
    static constexpr std::int64_t kControlStatusOperator = 2;

    // Builds the viewer: a window a third of the screen in each direction,
    // 100 points from the screen's left and top, or the webinar view.
    explicit APShareObjectController(bool isWebinar, QObject* parent = nullptr);
    ~APShareObjectController() override;

    // The shared-screen point of a viewer point (Part of the mouse path):
    // `point` in the view's top-left coordinates, `imageSize` the view's frame
    // size, `expansion` the scale, `shareSize` the sharer's screen.
    static QPointF sharedPoint(int displayMode, QPointF point, float expansion, QSizeF imageSize,
                               QSizeF shareSize);
    // The viewer's rectangle at its creation, bottom-up, for a main screen
    // of `screen` size.
    static QRectF initialFrame(QSizeF screen);

    // False when the viewer could not start (a screen size it cannot show).
    bool onStart(std::uint16_t first, std::uint16_t type, std::uint16_t width, std::uint16_t height,
                 std::uint16_t left, std::uint16_t top, std::uint16_t right, std::uint16_t bottom,
                 const QString& sharerId, const QString& sharerName, const QString& operatorId,
                 const QString& operatorName, std::int64_t controlStatus, std::int64_t controlRequestStatus);
    void onStop();
    void onResize(int left, int top, int right, int bottom);
    void onKeyFrame(int left, int top, int right, int bottom);
    void onControllChange(const QString& sharerId, const QString& sharerName, const QString& operatorId,
                          const QString& operatorName, std::int64_t controlStatus,
                          std::int64_t controlRequestStatus);
    void changeOperationRequestStatus(std::int64_t status);
    void showWindow();
    QWidget* getAPShareViewForWebinar() const;
    std::shared_ptr<APShareCanvas> canvas() const;

    APShareWindow* window() const { return mAPShareWindow_; }
    APShareViewController* viewController() const { return mAPShareViewController_; }
    std::int64_t controlState() const { return mControlState_; }
    int displayMode() const { return mDisplayMode_; }

    void setDelegate(std::weak_ptr<APShareObjectControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    int defaultDispMode() const { return defaultDispMode_; }
    void setDefaultDispMode(int mode) { defaultDispMode_ = mode; }
    bool isWebinar() const { return isWebinar_; }

    // APShareWindowDelegate
    void checkIdentifier(QWidget* control) override;
    void onKeyDown(const KeyEvent& event) override;
    void onModifierKeyEvent(const KeyEvent& event) override;
    void onKeyUp(const KeyEvent& event) override;
    void onMouseButtonEvent(const APShareViewerMouseEvent& event, float expansion, QPointF point,
                            QSizeF imageSize) override;
    void onMouseScrollEvent(const APShareViewerWheelEvent& event) override;
    void onMouseEnteredEvent() override;

    // WindowDelegate
    void windowDidMiniaturize(Window* window) override;
    void windowDidDeminiaturize(Window* window) override;
    void windowDidResignKey(Window* window) override;

private:
    APShareViewer* viewer() const;
    void setAppRect(int left, int top, int right, int bottom);
    void displayAllOnWindow(bool on);
    void applyCursor();
    std::shared_ptr<APShareObjectControllerDelegate> delegate() const { return delegate_.lock(); }

    QPointer<APShareWindow> mAPShareWindow_;
    APShareViewController* mAPShareViewController_ = nullptr;
    bool isWebinar_;
    int defaultDispMode_ = 1;
    int mDisplayMode_ = 0;
    std::int64_t mControlState_ = 0;
    std::int64_t mControlRequestStatus_ = 0;
    QSizeF mShareDataSize_;
    std::weak_ptr<APShareObjectControllerDelegate> delegate_;
};
