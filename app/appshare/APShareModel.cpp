#include "appshare/APShareModel.h"

#include <cmath>

QRectF APShareModel::ConvertToImgaeRect(QSizeF size, const QRectF& srcRect) {
    return QRectF(srcRect.x(), size.height() - (srcRect.y() + srcRect.height()), srcRect.width(),
                  srcRect.height());
}

QRectF APShareModel::ConvertToAPRect(QSizeF size, const QRectF& srcRect) {
    return ConvertToImgaeRect(size, srcRect);
}

std::uint16_t APShareModel::ConvertToMouseEventTypeProtcol(int eventType) {
    switch (eventType) {
        case APShareMouseLeftDown:
            return AS_MOUSE_EVENT_LEFT_DOWN;
        case APShareMouseLeftUp:
            return AS_MOUSE_EVENT_LEFT_UP;
        case APShareMouseRightDown:
            return AS_MOUSE_EVENT_RIGHT_DOWN;
        case APShareMouseRightUp:
            return AS_MOUSE_EVENT_RIGHT_UP;
        case APShareMouseOtherDown:
            return AS_MOUSE_EVENT_MIDDLE_DOWN;
        case APShareMouseOtherUp:
            return AS_MOUSE_EVENT_MIDDLE_UP;
        default:
            return AS_MOUSE_EVENT_MOVE;
    }
}

std::uint16_t APShareModel::SharedCoordinate(double value, double side) {
    const double last = std::floor(side) - 1;
    if (!(last >= 0)) return 0;  // no screen (or not a number)
    const double v = std::trunc(value);
    if (!(v > 0)) return 0;  // also catches NaN
    const double top = last > 65535 ? 65535 : last;
    return std::uint16_t(v > top ? top : v);
}
