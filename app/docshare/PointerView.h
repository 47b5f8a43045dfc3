// The overlay that shows where the operator points: a clear view over the
// page holding one icon, the child named "pointerLayer", whose top-left
// corner is placed at the pointer. Mouse events pass through it.
#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

class PointerView : public QWidget {
    Q_OBJECT

public:
    explicit PointerView(QWidget* parent = nullptr);

    // The icon and its frame (in the overlay's coordinates); replaces an earlier icon.
    void setDetail(const QImage& image, const QRectF& iconFrame);
    // Moves the icon's top-left corner to the point; without an icon nothing happens.
    void setLayerPosition(QPointF point);
    QWidget* pointerLayer() const;
};
