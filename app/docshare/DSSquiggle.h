// One whiteboard stroke: a path of straight segments in the drawing layer's
// own coordinates, drawn with round ends and joins in its colour and width.
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QString>

class QPainter;

class DSSquiggle {
public:
    // A start point of (-1, -1) leaves the path empty.
    DSSquiggle(QPointF start, const QColor& color, double width, const QString& userName);

    void addPoint(QPointF point);
    void draw(QPainter& painter) const;

    const QPainterPath& path() const { return path_; }
    const QColor& color() const { return color_; }
    double width() const { return width_; }
    const QString& userName() const { return userName_; }

private:
    QPainterPath path_;
    QColor color_;
    double width_;
    QString userName_;
};
