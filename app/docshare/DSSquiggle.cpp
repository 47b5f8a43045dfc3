#include "docshare/DSSquiggle.h"

#include <QPainter>
#include <QPen>

DSSquiggle::DSSquiggle(QPointF start, const QColor& color, double width, const QString& userName)
    : color_(color), width_(width), userName_(userName) {
    if (start != QPointF(-1, -1)) path_.moveTo(start);
}

void DSSquiggle::addPoint(QPointF point) {
    if (path_.elementCount() == 0)
        path_.moveTo(point);
    else
        path_.lineTo(point);
}

void DSSquiggle::draw(QPainter& painter) const {
    QPen pen(color_);
    pen.setWidthF(width_);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A path of one point is a dot: stroke a zero-length segment so the round cap shows.
    if (path_.elementCount() == 1)
        painter.drawLine(path_.elementAt(0), path_.elementAt(0));
    else
        painter.drawPath(path_);
    painter.restore();
}
