#pragma once

// The content of a viewer: the bar with the four tool controls ("frame_fit",
// "fullwindow_display", "scaling", "operation_req_and_release"), the scroll
// area and in it the shared-screen view. It keeps the shared screen's size,
// the shared area, the share's kind and the scale, turns the view's mouse and
// wheel reports and the keys that reach the viewer into calls of the
// viewer's delegate (the controller), and carries out the tool-control and
// cursor changes. Main thread only.

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>

#include "appshare/APShareImageView.h"
#include "platform/KeyEventAdapter.h"

class QAbstractButton;
class QComboBox;
class QScrollArea;
class QToolButton;

// What a viewer reports to its controller (the same for both viewers).
class APShareWindowDelegate {
public:
    virtual ~APShareWindowDelegate() = default;
    // A tool control was used; its object name is its identifier.
    virtual void checkIdentifier(QWidget* /*control*/) {}
    virtual void onKeyDown(const KeyEvent& /*event*/) {}
    virtual void onModifierKeyEvent(const KeyEvent& /*event*/) {}
    virtual void onKeyUp(const KeyEvent& /*event*/) {}
    // `point`: the event in the shared-screen view's coordinates (origin
    // top-left); `imageSize`: the view's frame size.
    virtual void onMouseButtonEvent(const APShareViewerMouseEvent& /*event*/, float /*expansion*/,
                                    QPointF /*point*/, QSizeF /*imageSize*/) {}
    virtual void onMouseScrollEvent(const APShareViewerWheelEvent& /*event*/) {}
    virtual void onMouseEnteredEvent() {}
};
using APShareViewControllerDelegate = APShareWindowDelegate;

class APShareViewerContent : public QObject, public APShareImageViewDelegate {
    Q_OBJECT

public:
    // Builds the bar (`barHeight` high) and the scroll area into `host`.
    APShareViewerContent(QWidget* host, bool isWebinar, int barHeight);
    ~APShareViewerContent() override;

    static constexpr int kScales[] = {25, 50, 75, 100, 125, 150, 200};

    QWidget* bar() const { return bar_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    APShareImageView* imageView() const { return imageView_; }
    std::shared_ptr<APShareCanvas> canvas() const { return imageView_->canvas(); }
    int barHeight() const { return barHeight_; }

    QSizeF screenSize() const { return mScreenSize_; }
    QRectF appRect() const { return mAppRect_; }
    void setAppRectValue(const QRectF& rect) { mAppRect_ = rect; }
    int type() const { return mType_; }
    float expansion() const { return mfExpansionRate_; }

    // Stores the share's values (the first step of a start).
    void setShare(int desktop, QSizeF screenSize, const QRectF& appRect);
    // Starts the shared-screen view for the stored share.
    bool startImage(float expansion);
    // Scrolls so that the point (x, y) of the view is at the visible top left.
    void scrollTo(double x, double y);
    void setImageExpansion(float expansion);
    // Stores the scale without sizing the view (before the view is started).
    void setImageExpansionValue(float expansion) { mfExpansionRate_ = expansion; }

    void changeScrollEnable(bool enabled);
    void changeCursorType(const QCursor& cursor);
    void changeMenuBtnStatus(const QString& identifier, bool enabled);
    void changeMenuBtnCheckStatus(const QString& identifier, int state);
    void changeMenuBtnImgStatus(const QString& identifier, const QString& imageName, bool enabled);

    void setDelegate(APShareWindowDelegate* delegate) { delegate_ = delegate; }
    APShareWindowDelegate* delegate() const { return delegate_; }
    // Forgets the held modifier keys (the viewer lost the keyboard).
    void resetKeys() { keyAdapter_.reset(); }

    // APShareImageViewDelegate
    void onMouseMoved(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onLeftMouseDown(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onLeftMouseUp(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onRightMouseDown(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onRightMouseUp(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onOtherMouseDown(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onOtherMouseUp(const APShareViewerMouseEvent& event) override { reportMouse(event); }
    void onScroll(const APShareViewerWheelEvent& event) override;
    void onMouseEntered() override;

    // Keys that reach the viewer, as the platform's key events.
    bool handleKeyEvent(QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* makeButton(const char* identifier, const char* image, const QString& toolTip,
                            bool checkable);
    void didToolButtonClick(QWidget* control);
    void reportMouse(const APShareViewerMouseEvent& event);

    QWidget* host_;
    int barHeight_;
    QWidget* bar_ = nullptr;
    QToolButton* toolBtnFrameFit_ = nullptr;
    QToolButton* toolBtnFullWindow_ = nullptr;
    QComboBox* toolBtnScaring_ = nullptr;
    QToolButton* toolBtnOperation_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    APShareImageView* imageView_ = nullptr;
    QSizeF mScreenSize_;
    QRectF mAppRect_;
    int mType_ = 0;
    float mfExpansionRate_ = 1.0f;
    KeyEventAdapter keyAdapter_;
    APShareWindowDelegate* delegate_ = nullptr;
};
