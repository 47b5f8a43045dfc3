#include "docshare/DSDrawGeometry.h"

#include <QStringList>

QPointF DSDrawGeometry::normalisePoint(QPointF p, QSizeF contentSize, double zoom, QSizeF frame) {
    if (contentSize.isEmpty() || frame.width() <= 0 || frame.height() <= 0) return p;
    return QPointF(p.x() * contentSize.width() * zoom / frame.width(),
                   p.y() * contentSize.height() * zoom / frame.height());
}

QPointF DSDrawGeometry::viewPoint(QPointF n, QSizeF contentSize, double zoom, QSizeF frame) {
    const double w = contentSize.width() * zoom, h = contentSize.height() * zoom;
    if (contentSize.isEmpty() || w <= 0 || h <= 0) return n;
    return QPointF(n.x() * frame.width() / w, n.y() * frame.height() / h);
}

QList<QPointF> DSDrawGeometry::receivedPoints(const QVariantMap& entry) {
    int n = 0;
    for (auto it = entry.keyBegin(); it != entry.keyEnd(); ++it)
        if (it->contains(QStringLiteral("Pos0"))) ++n;
    QList<QPointF> points;
    for (int j = 0; j < n; ++j) {
        const QString name = QStringLiteral("Pos%1").arg(j, 5, 10, QLatin1Char('0'));
        const auto value = entry.find(name);
        if (value == entry.end()) break;
        const QStringList parts = value->toString().split(QLatin1Char(','));
        if (parts.size() < 2) break;
        bool okX = false, okY = false;
        const double x = parts[0].trimmed().toDouble(&okX), y = parts[1].trimmed().toDouble(&okY);
        if (!okX || !okY) break;
        points.append(QPointF(x, y));
    }
    return points;
}

std::optional<QPointF> DSDrawGeometry::pagePointerOrigin(QPointF p, QSizeF view, QSizeF content,
                                                         QSizeF display) {
    if (p.x() < kPageMargin || p.x() > view.width() - kPageMargin) return std::nullopt;
    if (p.y() < kPageMargin || p.y() > view.height() - kPageMargin) return std::nullopt;
    if (display.width() <= 0 || display.height() <= 0) return std::nullopt;
    const double px = content.width() / display.width() * (p.x() - kPageMargin);
    const double py = content.height() / display.height() * (p.y() - kPageMargin);
    if (px < 0 || py < 0) return std::nullopt;
    return QPointF(px, py);
}

QPointF DSDrawGeometry::displayedPointer(QPointF o, QSizeF display, QSizeF content) {
    if (content.width() <= 0 || content.height() <= 0) return o;
    return QPointF(o.x() * display.width() / content.width(), o.y() * display.height() / content.height());
}

std::optional<QPointF> DSDrawGeometry::scrollToShow(QPointF p, QRectF v) {
    double x = v.x(), y = v.y();
    bool moved = false;
    if (p.x() < v.x() || p.x() > v.x() + v.width()) {
        x = p.x() - v.width() / 2;
        moved = true;
    }
    if (p.y() < v.y() || p.y() > v.y() + v.height()) {
        y = p.y() - v.height() / 2;
        moved = true;
    }
    if (!moved) return std::nullopt;
    return QPointF(x, y);
}

QPointF DSDrawGeometry::mergeScroll(QPointF received, QPointF current) {
    return QPointF(received.x() < 0 ? current.x() : received.x(),
                   received.y() < 0 ? current.y() : received.y());
}
