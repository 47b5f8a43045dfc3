#include "ui/CustomCheckButtonCell.h"

QRectF CustomCheckButtonCell::imageRectForBounds(QSizeF bounds, double titleWidth) {
    const double x = (bounds.width() - titleWidth) / 2 - kImageSide / 2 - (titleWidth > 0 ? 8 : 0);
    const double y = (bounds.height() - kImageSide) / 2;
    return QRectF(x, y, kImageSide, kImageSide);
}
