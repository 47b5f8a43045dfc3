#pragma once

// The viewer window of normal rooms: the tool bar, the scroll area and the
// shared-screen view. Its size follows the shared area and the chosen scale,
// cut to the visible screen and raised to its minimum; in the fitted mode it
// keeps the shared screen's aspect ratio. It has no close button: it goes
// away when the share ends. Main thread only.
//
// Geometry is bottom-up (origin at the lower left of the main screen), the
// frame being the window's content; c, the height the window adds to the
// picture, is the tool bar's height.

#include <QRectF>
#include <QSizeF>

#include "appshare/APShareViewer.h"
#include "platform/Window.h"

// What the size rule needs to know of the screen and the window.
struct APShareWindowMetrics {
    QSizeF screen;    // SW, SH: the main screen's frame
    QSizeF visible;   // VW, VH: its visible frame
    QSizeF share;     // W, H: the sharer's screen in pixels
    double c = 0;     // what the window adds to the picture's height
    QSizeF minFrame;  // the window's minimum frame size
};

class APShareWindow : public Window, public APShareViewer {
    Q_OBJECT

public:
    static constexpr int kToolbarHeight = 40;

    explicit APShareWindow(const QRectF& contentRect);
    ~APShareWindow() override;

    // The size a window at (x0, y0) (left, and top measured down from the
    // screen's top) that wants w x h ends in: cut to the visible screen where
    // it would pass the screen's edge, raised to the minimum; with `adjust`
    // given the shared screen's aspect ratio below the bar.
    static QSizeF getWindowSize(const APShareWindowMetrics& metrics, double x0, double y0, double w, double h,
                                bool adjust);
    // The minimum picture size: a quarter of the screen (fitted mode or a
    // desktop share), else a quarter of the shared area.
    static QSizeF minImageSize(int displayMode, int type, QSizeF screen, QSizeF appSize);

    APShareViewerContent& content() override { return *content_; }
    QWidget* viewerWidget() override { return this; }
    bool startDrawing(int desktop, QSizeF desktopSize, const QRectF& appRect, float expansion,
                      int displayMode) override;
    void setMinWindowSize(int displayMode) override;
    void resizeWindowForApp() override;
    void fitAppToWindowFrame() override;

    // The window's title names the sharer and the operator.
    void setTitle(const QString& sharerName, const QString& operatorName);
    void setOperatorName(const QString& sharerId, const QString& sharerName, const QString& operatorId,
                         const QString& operatorName);
    // The fitted mode keeps the frame's aspect ratio while the user resizes;
    // leaving it lifts the lock.
    void lockAspectRatio(bool on);

    APShareWindowMetrics metrics() const;

private:
    QSizeF wantedSize() const;

    APShareViewerContent* content_;
};
