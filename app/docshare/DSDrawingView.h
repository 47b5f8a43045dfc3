// The drawing layer laid over the shared page: the participant's own strokes
// and the received ones, painted in order as round-capped paths on a clear
// background. It collects the own stroke's points into the model, normalised,
// and asks its delegate to send them when a piece is ready.
//
// Main thread only. The model is not held; the window keeps it alive.
#pragma once

#include <QCursor>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QVariantMap>
#include <QWidget>

#include "docshare/DSSquiggle.h"

class DocShareData;

class DSDrawingViewDelegate {
public:
    virtual ~DSDrawingViewDelegate() = default;
    // A piece of the own stroke waits in the model to be sent.
    virtual void onDrawingData() {}
    // A received stroke was placed; the mean of its points, to bring it into view.
    virtual void scrollByUpdate(QPointF /*point*/) {}
};

class DSDrawingView : public QWidget {
    Q_OBJECT

public:
    enum Mode { NoDrawing = 0, Pen = 1, Eraser = 2 };

    DSDrawingView(const QRectF& frame, DocShareData* data, int drawingMode, QWidget* parent = nullptr);

    // Zoom in percent: the layer's own coordinates are its widget's divided by it.
    void setZoomRate(double percent);
    double zoomFactor() const { return zoom_; }
    // 1 pen, 2 eraser; any other value draws like the eraser with no special cursor.
    void changeDrawingMode(int mode);
    int drawingMode() const { return mode_; }
    // Places a received stroke entry (a parsed stroke message).
    void drawData(const QVariantMap& entry);
    // Places the last received stroke of the model.
    void drawData();
    // Removes every stroke, own and received; the model is left alone.
    void clear();

    QSizeF contentSize() const { return contentSize_; }
    void setContentSize(QSizeF size) { contentSize_ = size; }
    void setDelegate(DSDrawingViewDelegate* d) { delegate_ = d; }
    DSDrawingViewDelegate* delegate() const { return delegate_; }
    const QList<DSSquiggle>& strokes() const { return strokes_; }
    QPointF lastPoint() const { return lastPoint_; }

    // The own stroke, at points of the widget (what the mouse handlers call).
    void mouseDownAt(QPointF widgetPoint);
    void mouseDraggedTo(QPointF widgetPoint);
    void mouseUpAt();

    // Sets the cursor of the layer from the mode and the model's drawable flag.
    void resetCursor();
    // The strokes alone, at the widget's size, on a transparent picture.
    QImage renderStrokes() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool mayDraw() const;
    QPointF ownPoint(QPointF widgetPoint) const;
    QPointF normalised(QPointF ownPoint) const;
    void send();

    DocShareData* data_;
    QList<DSSquiggle> strokes_;
    double zoom_ = 1.0;
    int mode_;
    QPointF lastPoint_{0, 0};
    bool drawingStroke_ = false;
    QSizeF contentSize_{0, 0};
    DSDrawingViewDelegate* delegate_ = nullptr;
};
