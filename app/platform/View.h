#pragma once

// A view whose frame is given in bottom-up coordinates (origin at the lower
// left of its parent) and whose children follow a change of its size by their
// autoresizing masks. Any QWidget child can take part: setFrameOf and
// setAutoresizingMaskOf work on plain widgets too, so buttons and labels are
// placed exactly like views.

#include <QRectF>
#include <QWidget>

#include "platform/ViewGeometry.h"

class View : public QWidget {
    Q_OBJECT

public:
    explicit View(QWidget* parent = nullptr);
    View(const QRectF& frame, QWidget* parent);

    void setFrame(const QRectF& frame) { setFrameOf(this, frame); }
    QRectF frame() const { return frameOf(this); }
    QRectF bounds() const { return QRectF(QPointF(0, 0), frame().size()); }

    void setAutoresizingMask(unsigned mask) { setAutoresizingMaskOf(this, mask); }
    unsigned autoresizingMask() const { return autoresizingMaskOf(this); }

    // On by default; when off the children keep their top-down place (no rule runs).
    void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }

    // The frame of any widget in its parent's bottom-up coordinates. The
    // fractional frame is kept, so repeated resizes do not gather rounding.
    static void setFrameOf(QWidget* widget, const QRectF& frame);
    static QRectF frameOf(const QWidget* widget);
    static void setAutoresizingMaskOf(QWidget* widget, unsigned mask);
    static unsigned autoresizingMaskOf(const QWidget* widget);
    // The height against which a widget's children are flipped.
    static double flipHeightOf(const QWidget* widget);

    // Adds `child` as a subview and gives it its bottom-up frame.
    void addSubview(QWidget* child);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool autoresizesSubviews_ = true;
    QSizeF laidOutSize_;  // the size the children were last placed for
};
