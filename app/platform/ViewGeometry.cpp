#include "platform/ViewGeometry.h"

#include <algorithm>

namespace ViewGeometry {

QRectF flipRect(const QRectF& rect, double parentHeight) {
    return QRectF(rect.x(), parentHeight - rect.y() - rect.height(), rect.width(), rect.height());
}

namespace {

// One axis: the leading margin, the length and the trailing margin, with the
// parent's length growing by `delta`.
struct Axis {
    double origin;
    double length;
};

Axis resizeAxis(double origin, double length, double oldExtent, double newExtent, bool minFlexible,
                bool lengthFlexible, bool maxFlexible) {
    const double delta = newExtent - oldExtent;
    const int flexibleCount = int(minFlexible) + int(lengthFlexible) + int(maxFlexible);
    if (flexibleCount == 0 || delta == 0) {
        return {origin, length};
    }
    const double minMargin = origin;
    const double maxMargin = oldExtent - origin - length;
    double total = 0;
    if (minFlexible) {
        total += minMargin;
    }
    if (lengthFlexible) {
        total += length;
    }
    if (maxFlexible) {
        total += maxMargin;
    }
    auto share = [&](double part) { return total != 0 ? delta * part / total : delta / flexibleCount; };
    double newOrigin = origin;
    double newLength = length;
    if (minFlexible) {
        newOrigin += share(minMargin);
    }
    if (lengthFlexible) {
        newLength += share(length);
    }
    return {newOrigin, std::max(0.0, newLength)};
}

}  // namespace

QRectF resizeWithOldSuperviewSize(const QRectF& frame, unsigned mask, QSizeF oldSize, QSizeF newSize) {
    const Axis x = resizeAxis(frame.x(), frame.width(), oldSize.width(), newSize.width(), mask & ViewMinXMargin,
                              mask & ViewWidthSizable, mask & ViewMaxXMargin);
    const Axis y = resizeAxis(frame.y(), frame.height(), oldSize.height(), newSize.height(), mask & ViewMinYMargin,
                              mask & ViewHeightSizable, mask & ViewMaxYMargin);
    return QRectF(x.origin, y.origin, x.length, y.length);
}

double clampDivider(double proposed, double minimum, double maximum) {
    if (maximum < minimum) {
        return minimum;
    }
    return std::clamp(proposed, minimum, maximum);
}

QPointF centeredOrigin(const QRectF& area, QSizeF size) {
    return QPointF(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

}  // namespace ViewGeometry
