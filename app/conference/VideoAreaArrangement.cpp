#include "conference/VideoAreaArrangement.h"

#include <algorithm>

namespace VideoAreaArrangement {

namespace {
constexpr double kSeminarMaxAspect = 1.6;
constexpr double kSeminarInset = 20;
constexpr double kOwnTileEdge = 10;
constexpr double kHideButtonOffset = 6;
constexpr double kWaitingTextGap = 70;
constexpr double kGrowHeightWhenTooWide = 60;
constexpr double kGrowWidthWhenTooHigh = 80;
}  // namespace

WebinarPanes webinarPanes(QSizeF area, double half, double visibleHeight, bool hasRight, bool hasBottom) {
    const double W = area.width(), H = area.height();
    WebinarPanes panes;
    const bool leftAlone = !hasRight && !hasBottom;
    panes.left = leftAlone ? QRectF(0, 0, W, H) : QRectF(0, 0, W - half, H);
    double rightHeight = 0;
    if (hasRight) {
        panes.right = hasBottom ? QRectF(W - half, H - visibleHeight / 2, half, visibleHeight / 2)
                                : QRectF(W - half, 0, half, H);
        rightHeight = panes.right->height();
    }
    if (hasBottom)
        panes.bottom = hasRight ? QRectF(W - half, 0, half, H - rightHeight) : QRectF(W - half, 0, half, H);
    return panes;
}

QRectF seminarBaseFrame(double areaWidth, const QRectF& bounds, double listWidth) {
    const double maxWidth = kSeminarMaxAspect * bounds.height();
    const double available = areaWidth - listWidth;
    const double width = std::min(available, maxWidth);
    return QRectF((areaWidth - listWidth) / 2 + listWidth + kSeminarInset - width / 2,
                  bounds.y() + kSeminarInset, width - 2 * kSeminarInset, bounds.height() - 2 * kSeminarInset);
}

SeminarChildren seminarChildFrames(double baseWidth, double baseHeight, QPointF clientOrigin,
                                   bool hasSpeakers) {
    SeminarChildren children;
    const double clientWidth = hasSpeakers ? baseWidth * 4 / 5 : baseWidth;
    children.client = QRectF(clientOrigin, QSizeF(clientWidth, baseHeight));
    if (hasSpeakers) {
        const QRectF& c = children.client;
        // The rest of the box, measured from the grid's own bounds.
        children.speakers =
            QRectF(c.x() + c.width(), c.y(), baseWidth - (clientOrigin.x() + clientWidth), c.height());
    }
    return children;
}

QRectF seminarOwnTileFrame(double areaWidth, QSizeF tile) {
    const float x = float(areaWidth - tile.width() - kOwnTileEdge);
    return QRectF(double(x), kOwnTileEdge, tile.width(), tile.height());
}

QPointF hideButtonOrigin(bool tileHidden, double areaWidth, QSizeF button, const QRectF& tile) {
    if (tileHidden) return QPointF(areaWidth - button.width(), 0);
    return QPointF(tile.x() + tile.width() - button.width() + kHideButtonOffset,
                   tile.y() + tile.height() - kHideButtonOffset);
}

QRectF waitingTextFrame(QSizeF area, double imageHeight) {
    return QRectF(0, 0, area.width(), area.height() - imageHeight - kWaitingTextGap);
}

std::optional<QRectF> grownWindowFrame(QSizeF gridSize, QSizeF minSize, const QRectF& F,
                                       double windowMinWidth, const QRectF& V) {
    if (minSize.width() <= gridSize.width() && minSize.height() <= gridSize.height()) return std::nullopt;
    const double dx = std::max(0.0, minSize.width() - gridSize.width());
    const double dy = std::max(0.0, minSize.height() - gridSize.height());
    double width = F.width() + dx, height;
    if (width > V.width()) {
        width = V.width();
        height = F.height() + kGrowHeightWhenTooWide;
    } else {
        height = F.height() + dy;
    }
    if (windowMinWidth > width) width = windowMinWidth;
    if (height > V.height()) {
        height = V.height();
        width = std::min(F.width() + kGrowWidthWhenTooHigh, V.width());
    }
    const double y = std::min(F.y(), V.y() + V.height() - height);
    const QRectF grown(F.x(), y, width, height);
    if (grown == F) return std::nullopt;
    return grown;
}

QSizeF windowMinSizeForGrid(QSizeF gridMin, double baseMinWidth, double barHeight) {
    return QSizeF(std::max(baseMinWidth, gridMin.width()), gridMin.height() + barHeight);
}

}  // namespace VideoAreaArrangement
