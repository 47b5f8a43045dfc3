#pragma once

// The shared-screen view: shows the viewer's screen bitmap (`APShareCanvas`)
// scaled proportionally to fill its frame, redisplays at most every 0.1 s
// when a rectangle was painted, sizes itself for the scaled or the fitted
// mode and reports the mouse, the wheel and the pointer's entering to its
// delegate. It sits as the document view in the viewer's scroll area.
//
// Rectangles never pass through the widget: whoever delivers them paints
// into `canvas()` on its own thread. Everything else runs on the main thread.

#include <QPointer>
#include <QSizeF>
#include <QWidget>
#include <memory>

#include "appshare/APShareCanvas.h"
#include "appshare/APShareModel.h"

class APShareImageViewDelegate {
public:
    virtual ~APShareImageViewDelegate() = default;
    virtual void onMouseMoved(const APShareViewerMouseEvent&) {}
    virtual void onLeftMouseDown(const APShareViewerMouseEvent&) {}
    virtual void onLeftMouseUp(const APShareViewerMouseEvent&) {}
    virtual void onRightMouseDown(const APShareViewerMouseEvent&) {}
    virtual void onRightMouseUp(const APShareViewerMouseEvent&) {}
    virtual void onOtherMouseDown(const APShareViewerMouseEvent&) {}
    virtual void onOtherMouseUp(const APShareViewerMouseEvent&) {}
    virtual void onScroll(const APShareViewerWheelEvent&) {}
    virtual void onMouseEntered() {}
};

class APShareImageView : public QWidget {
    Q_OBJECT

public:
    // Display modes.
    static constexpr int kModeScaled = 0;
    static constexpr int kModeFitted = 1;
    // The redisplay interval.
    static constexpr int kDispIntervalMs = 100;

    explicit APShareImageView(bool isWebinar = false, QWidget* parent = nullptr);
    ~APShareImageView() override;

    const std::shared_ptr<APShareCanvas>& canvas() const { return canvas_; }

    // Starts drawing for a screen of `screenSize` pixels (the shared area,
    // bottom-left, is kept); false when the canvas refuses the size.
    bool startDrawing(QSizeF screenSize, const QRectF& appRect, float expansion);
    void restartDrawing();
    void stopDrawing();
    bool isStarted() const { return started_; }

    void setMode(int mode);
    int mode() const { return miDispMode_; }
    void setImageExpansion(float expansion);
    float imageExpansion() const { return mfExpansionRate_; }
    // Fitted to `available`: the largest size with the screen's aspect ratio.
    void fitToWindow(QSizeF available);
    QSizeF calcImageSize(QSizeF available) const;
    void setImageSize();
    void resetImage();

    // The size rule: in fitted mode the largest size of the screen's aspect
    // ratio within `available`, in scaled mode the screen times `expansion`.
    static QSizeF calcImageSize(int mode, QSizeF screen, float expansion, QSizeF available);
    // Where a picture of `image` size is drawn in a frame of `frame` size:
    // scaled proportionally up or down to fill it, centred.
    static QRectF imageDrawRect(QSizeF frame, QSizeF image);

    void setDelegate(APShareImageViewDelegate* delegate) { delegate_ = delegate; }
    bool wheelEnabled() const { return wheelEnabled_; }
    void setWheelEnabled(bool on) { wheelEnabled_ = on; }
    bool isWebinar() const { return isWebinar_; }
    // The view the fitted size is taken from (the scroll area's viewport when
    // none is set).
    void setFitReference(QWidget* widget) { fitReference_ = widget; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void startDrawTimer();
    void tick(unsigned generation);
    void applySize(QSizeF size);

    std::shared_ptr<APShareCanvas> canvas_;
    QSizeF mScreenSize_;
    QRectF mAppRect_;
    float mfExpansionRate_ = 1.0f;
    int miDispMode_ = kModeScaled;
    bool started_ = false;
    bool wheelEnabled_ = true;
    bool isWebinar_ = false;
    unsigned timerGeneration_ = 0;
    APShareImageViewDelegate* delegate_ = nullptr;
    QPointer<QWidget> fitReference_;
};
