#pragma once

// Geometry of views and windows in bottom-up coordinates: the origin of a
// frame is the lower left corner of the view inside its parent (or of the
// window on the screen), y grows upwards. Qt places widgets top-down; the
// conversion happens once, at the widget boundary (View, Window), with
// flipRect. Every rule here is a pure function.

#include <QRectF>
#include <QSizeF>

// Which parts of a view follow a change of its parent's size.
enum AutoresizingMask : unsigned {
    ViewNotSizable = 0,
    ViewMinXMargin = 1,     // the left margin is flexible
    ViewWidthSizable = 2,   // the width is flexible
    ViewMaxXMargin = 4,     // the right margin is flexible
    ViewMinYMargin = 8,     // the bottom margin is flexible
    ViewHeightSizable = 16, // the height is flexible
    ViewMaxYMargin = 32,    // the top margin is flexible
};

namespace ViewGeometry {

// A rectangle of a parent `parentHeight` high, converted between bottom-up
// and top-down coordinates (the conversion is its own inverse):
// y' = parentHeight - y - height.
QRectF flipRect(const QRectF& rect, double parentHeight);

// The frame a view with `mask` takes when its parent goes from `oldSize` to
// `newSize`. On each axis the change is shared among the flexible parts
// (left margin, width, right margin; bottom margin, height, top margin) in
// proportion to their present lengths; when all flexible parts are 0 long it
// is shared equally. Without a flexible part on an axis nothing moves on it.
QRectF resizeWithOldSuperviewSize(const QRectF& frame, unsigned mask, QSizeF oldSize, QSizeF newSize);

// A proposed split-divider position kept within [minimum, maximum]; when the
// bounds cross (a view too small for both panes) the minimum wins.
double clampDivider(double proposed, double minimum, double maximum);

// The origin that centres a `size` rectangle in `area`.
QPointF centeredOrigin(const QRectF& area, QSizeF size);

}  // namespace ViewGeometry
