// Where the video area puts its panes, its seminar boxes and the own tile,
// and how the window grows when a grid no longer fits. Pure functions in
// bottom-up coordinates (origin at the lower left of the video area, or of
// the main screen for window frames); MainViewController applies them.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace VideoAreaArrangement {

// The webinar's three panes in an area of `area` size. `half` is the width of
// the right and bottom panes (half the webinar's default width),
// `visibleHeight` the height of the main screen's visible frame. A pane that
// the layout does not use has no frame.
struct WebinarPanes {
    QRectF left;
    std::optional<QRectF> right, bottom;
};
WebinarPanes webinarPanes(QSizeF area, double half, double visibleHeight, bool hasRight, bool hasBottom);

// The seminar base box: at most 1.6 times as wide as the area is high,
// centred in the space right of `listWidth`, 20 points inside every edge.
// `areaWidth` is the area's frame width, `bounds` its bounds.
QRectF seminarBaseFrame(double areaWidth, const QRectF& bounds, double listWidth);

// The participants' grid and, with `hasSpeakers`, the seminar speakers' grid
// inside a base box of width `baseWidth` and height `baseHeight`;
// `clientOrigin` is the participants' grid's own bounds origin.
struct SeminarChildren {
    QRectF client;
    std::optional<QRectF> speakers;
};
SeminarChildren seminarChildFrames(double baseWidth, double baseHeight, QPointF clientOrigin,
                                   bool hasSpeakers);

// The own tile of a seminar attendee: the bottom right corner, 10 points from
// the right and bottom edges (x through single precision).
QRectF seminarOwnTileFrame(double areaWidth, QSizeF tile);

// The hide button: at the bottom right corner of the area when the tile is
// hidden, else at the tile's top right corner, 6 points out to the right and
// 6 points down.
QPointF hideButtonOrigin(bool tileHidden, double areaWidth, QSizeF button, const QRectF& tile);

// The waiting picture's text box: the area's width, its height less the
// image's height and 70 points.
QRectF waitingTextFrame(QSizeF area, double imageHeight);

// The window frame after one growth step for a grid of `gridSize` whose
// minimum is `minSize`: the shortfall is added (the screen's visible width
// and 60 more points of height when the width would not fit; the visible
// height and 80 more points of width when the height would not), never below
// the window's minimum width, with the top edge kept inside the visible
// frame. None when the grid fits or when the step would change nothing, so
// that a window that has reached the visible frame stops growing.
std::optional<QRectF> grownWindowFrame(QSizeF gridSize, QSizeF minSize, const QRectF& window,
                                       double windowMinWidth, const QRectF& visible);

// The window minimum of a normal room whose grid fits: at least as wide as
// the grid's minimum (and as `baseMinWidth`, the bars' minimum), and as high
// as the grid's minimum plus the bars above and below it.
QSizeF windowMinSizeForGrid(QSizeF gridMin, double baseMinWidth, double barHeight);

}  // namespace VideoAreaArrangement
