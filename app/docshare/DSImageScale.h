// The arithmetic of the page pictures: zoom steps, the fitted ratio, the
// scaled size and the numbers typed into the page and zoom fields. Pure
// functions; sizes are in points (one point per pixel of the page picture).
#pragma once

#include <QSizeF>
#include <QString>
#include <cstdint>

class DSImageScale {
public:
    // The next step up (down) from `scale`: whole steps of `rate`, never beyond the bound.
    static int zoomIn(int scale, int rate, int max);
    static int zoomOut(int scale, int rate, int min);

    // The ratio (cut to whole percent) that fits `picture` into a page area of
    // `area` with scrollers of the given widths: to the width (mode 1), or to
    // the window (mode 2: to the height when the width-fitted picture is taller
    // than the area). Zero for an empty picture.
    static double fitRatio(QSizeF area, double verticalScroller, double horizontalScroller, QSizeF picture,
                           long mode);
    // The picture's size at a ratio, each side taken down to a whole number.
    static QSizeF scaledSize(QSizeF picture, double ratio);
    // The picture's size at a zoom in percent.
    static QSizeF scaledSizeForPercent(QSizeF picture, std::int64_t percent);

    // The digits (half- or full-width) of a text read as one number: "120%"
    // gives 120, a text without digits 0; numbers too large for an int give 0.
    static int getNumberString(const QString& text);
    // Whether a text may stand in the zoom field (digits, optionally ending
    // with one "%") or in the page field (digits only) while it is edited.
    static bool isZoomText(const QString& text);
    static bool isPageText(const QString& text);
};
