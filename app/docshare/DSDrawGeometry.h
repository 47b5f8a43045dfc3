// The geometry of strokes and of the shared pointer, as pure functions on
// flipped coordinates (origin at the top left, y growing downwards).
//
// Stroke points travel normalised: in units of the shared content at zoom
// 100. A drawing layer's own coordinates are its widget coordinates divided
// by its zoom factor.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QVariantMap>
#include <optional>

class DSDrawGeometry {
public:
    // A stroke leaves as soon as more than this many points are pending, so a
    // message carries at most one more.
    static constexpr int kSendThreshold = 512;
    // The margin around the displayed page in the page view.
    static constexpr double kPageMargin = 10;

    // A point of the layer (its own coordinates) in normalised units. Without a
    // content size (zero or empty) the point stays as it is; an empty frame answers the point too.
    static QPointF normalisePoint(QPointF viewPoint, QSizeF contentSize, double zoom, QSizeF frame);
    // The reverse: a received normalised point in the layer's own coordinates.
    static QPointF viewPoint(QPointF normalised, QSizeF contentSize, double zoom, QSizeF frame);

    // The points of a received stroke entry: "Pos00000", "Pos00001", ... for as
    // many names as contain "Pos0", each "x, y". A missing or unreadable point
    // ends the list there.
    static QList<QPointF> receivedPoints(const QVariantMap& entry);

    // The operator's mouse over the page view (in the page view's coordinates)
    // as a pointer origin in full-size page pixels: nothing on the margin,
    // outside the view or at a negative page coordinate.
    static std::optional<QPointF> pagePointerOrigin(QPointF inImageView, QSizeF imageViewSize,
                                                    QSizeF contentSize, QSizeF displaySize);
    // A received pointer origin (full-size page pixels) on the displayed page.
    static QPointF displayedPointer(QPointF origin, QSizeF displaySize, QSizeF contentSize);
    // The visible origin that brings a pointer into view: an axis on which the
    // pointer lies outside `visible` centres it, the other stays. Nothing when
    // the pointer is already visible.
    static std::optional<QPointF> scrollToShow(QPointF pointer, QRectF visible);
    // A received scroll point with negative coordinates replaced by the current ones.
    static QPointF mergeScroll(QPointF received, QPointF current);
};
