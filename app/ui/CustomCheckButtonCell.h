#pragma once

// Where the check button draws its 18 x 18 box: just left of the centred title.

#include <QRectF>
#include <QSizeF>

class CustomCheckButtonCell {
public:
    static constexpr double kImageSide = 18;
    // Top-down or bottom-up alike (the box is centred vertically).
    static QRectF imageRectForBounds(QSizeF bounds, double titleWidth);
};
