// The date and time boxes drawn into recorded frames: the date above the
// time in one corner, sized by the frame width and the user's size choice.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QRectF>

class DateTimeOverlay {
public:
    // Boxes in frame coordinates with the origin at the bottom-left.
    struct Layout {
        double fontSize = 0;
        double boxWidth = 0;
        double boxHeight = 0;
        double margin = 0;
        QRectF dateBox;
        QRectF timeBox;
    };

    // size: 0 small, 1 medium, 2 large; corner: 0 top right, 1 top left,
    // 2 bottom right, 3 bottom left.
    static Layout layout(double width, double height, int size, int corner);

    // Draws both boxes and their texts over the frame (in place).
    static void compose(QImage& frame, const QDateTime& now, const QColor& textColor, const QColor& boxColor,
                        int size, int corner);

    // The size and corner the user chose ("KeyRecordingDateSize", "KeyRecordingPoint").
    static int storedSize();
    static int storedCorner();
};
