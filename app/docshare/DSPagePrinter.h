// Prints a page picture: margins of 5 points, the picture fitted to the page
// width and centred; a picture taller than a page continues on the next.
#pragma once

#include <QImage>

class QPrinter;

class DSPagePrinter {
public:
    static constexpr double kMarginPoints = 5;

    // Sets the printer's margins, then paints the picture; false when the
    // picture is empty or the printer could not be started.
    static bool print(const QImage& picture, QPrinter& printer);
};
