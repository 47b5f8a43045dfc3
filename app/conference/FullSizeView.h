#pragma once

// A video tile shown in a window of its own: a popup at the tile's place, a
// window at the picture's pixel size, or the main screen's whole frame. The
// window is its own delegate, floats above the ordinary windows and can be
// dragged by its picture; its content aspect ratio goes to the window
// manager as the window's aspect hint.
//
// Geometry is bottom-up screen coordinates (origin at the lower left of the
// main screen).

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <functional>

#include "platform/Window.h"

class VideoInfo;

inline constexpr int FULLSIZE_MODE_WINDOW = 0;
inline constexpr int FULLSIZE_MODE_SCREEN = 1;

// Posted (no object) for a double click inside a popup window.
inline constexpr char kFullSizeViewDoubleClickNotification[] = "fulsieview_wclick";

class FullSizeView : public Window, public WindowDelegate {
    Q_OBJECT

public:
    FullSizeView(const QRectF& contentRect, unsigned styleMask, QWidget* parent = nullptr);
    ~FullSizeView() override;

    // The windowed frame for a picture of `pixels` whose top left corner is
    // `topLeft` (bottom-up: the corner's y is the frame's top edge).
    static QRectF pixelFrameAt(QPointF topLeft, QSize pixels);

    VideoInfo* videoInfo() const { return videoInfo_; }
    // The window follows the tile's view for dragging.
    void setVideoInfo(VideoInfo* info);
    int mode() const { return mode_; }
    void setMode(int mode) { mode_ = mode; }
    QRectF popupRect() const { return popupRect_; }
    void setPopupRect(const QRectF& rect) { popupRect_ = rect; }
    QPointF beforePoint() const { return beforeP_; }
    // Where the tile goes back to when its placeholder is gone.
    QWidget* returnView() const { return returnView_; }
    void setReturnView(QWidget* view) { returnView_ = view; }
    // Runs once when the window closes by any other way than the code's own
    // return of the tile.
    void setOnUserClose(std::function<void()> onClose) { onUserClose_ = std::move(onClose); }

    // Switches between windowed and full-screen display; any other value or
    // the current mode does nothing.
    void changeDispMode(int mode);

    // Pointer events (window coordinates top-down, as Qt gives them; the
    // screen position top-down): a press records the point, a drag moves the
    // window so that the point stays under the pointer.
    void pressAt(QPointF windowPos, int clickCount);
    void dragTo(QPointF globalPos);

    // WindowDelegate
    void windowWillClose(Window* window) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPointF beforeP_;
    QPointer<VideoInfo> videoInfo_;
    int mode_ = FULLSIZE_MODE_WINDOW;
    QRectF popupRect_;
    QPointer<QWidget> returnView_;
    std::function<void()> onUserClose_;
};
