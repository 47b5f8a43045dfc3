#include "docshare/FlipImageView.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

FlipImageView::FlipImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void FlipImageView::setImage(const QImage& image, QSizeF displaySize) {
    image_ = image;
    setDisplaySize(displaySize);
}

void FlipImageView::setDisplaySize(QSizeF displaySize) {
    displaySize_ = displaySize;
    const int w = int(std::min(std::ceil(displaySize.width()) + 2 * kMargin, double(QWIDGETSIZE_MAX)));
    const int h = int(std::min(std::ceil(displaySize.height()) + 2 * kMargin, double(QWIDGETSIZE_MAX)));
    resize(w, h);
    update();
}

QRectF FlipImageView::imageRect() const {
    return QRectF(QPointF(kMargin, kMargin), displaySize_);
}

void FlipImageView::paintEvent(QPaintEvent* event) {
    if (image_.isNull() || displaySize_.isEmpty()) return;
    const QRectF target = imageRect();
    const QRectF exposed = target & QRectF(event->rect());
    if (exposed.isEmpty()) return;
    // Only the exposed part of the page, scaled while it is painted.
    const double sx = image_.width() / target.width();
    const double sy = image_.height() / target.height();
    const QRectF source((exposed.x() - target.x()) * sx, (exposed.y() - target.y()) * sy,
                        exposed.width() * sx, exposed.height() * sy);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(exposed, image_, source);
}
