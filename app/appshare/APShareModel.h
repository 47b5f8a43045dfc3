#pragma once

// The viewer's small conversions: rectangles between the sharing protocol's
// top-left pixel coordinates and the bottom-left coordinates of drawing, the
// mouse event types of the viewer and the sharing protocol's mouse codes, and
// the shared-screen point that leaves the viewer.

#include <QRectF>
#include <QSizeF>
#include <cstdint>

// The viewer's mouse event types (the values the mouse codes are chosen by).
enum APShareMouseEventType : int {
    APShareMouseLeftDown = 1,
    APShareMouseLeftUp = 2,
    APShareMouseRightDown = 3,
    APShareMouseRightUp = 4,
    APShareMouseMoved = 5,
    APShareMouseLeftDragged = 6,
    APShareMouseOtherDown = 25,
    APShareMouseOtherUp = 26,
};

// Sharing protocol mouse codes.
enum APShareMouseCode : std::uint16_t {
    AS_MOUSE_EVENT_MOVE = 512,
    AS_MOUSE_EVENT_LEFT_DOWN = 513,
    AS_MOUSE_EVENT_LEFT_UP = 514,
    AS_MOUSE_EVENT_RIGHT_DOWN = 516,
    AS_MOUSE_EVENT_RIGHT_UP = 517,
    AS_MOUSE_EVENT_MIDDLE_DOWN = 519,
    AS_MOUSE_EVENT_MIDDLE_UP = 520,
};

// One mouse event of the viewer: its type and where it happened, in the
// coordinates of the view that reports it (origin top-left, y downwards).
struct APShareViewerMouseEvent {
    int type = APShareMouseMoved;
    QPointF location;
};

// One wheel event: the vertical delta in lines (one notch is 1.0, upwards
// positive).
struct APShareViewerWheelEvent {
    double deltaY = 0;
};

class APShareModel {
public:
    // Both answer {x, size.height - (y + height), width, height}: the same
    // flip in both directions.
    static QRectF ConvertToImgaeRect(QSizeF size, const QRectF& srcRect);
    static QRectF ConvertToAPRect(QSizeF size, const QRectF& srcRect);
    static std::uint16_t ConvertToMouseEventTypeProtcol(int eventType);
    // A shared-screen coordinate as it goes on the wire: truncated toward
    // zero and kept on the screen, [0, side - 1], so that a point left of or
    // beyond the picture never wraps round to the other edge.
    static std::uint16_t SharedCoordinate(double value, double side);
};
