#include "recording/DateTimeOverlay.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

#include "platform/UserDefaults.h"

namespace {

struct Sizes {
    double font;
    double box;
};

Sizes sizesFor(double width, int size) {
    if (size < 0 || size > 2) return {0, 0};
    static constexpr Sizes kTable[4][3] = {
        {{6, 40}, {6, 40}, {6, 40}},
        {{10, 60}, {12, 80}, {15, 100}},
        {{12, 80}, {15, 100}, {20, 120}},
        {{15, 100}, {20, 120}, {22, 140}},
    };
    const int row = width <= 176 ? 0 : width <= 320 ? 1 : width <= 800 ? 2 : 3;
    return kTable[row][size];
}

// One text centred in its box (top-down rectangle), raised by 3 pixels.
void drawLabel(QPainter& painter, const QString& text, const QRectF& box, double fontSize) {
    if (fontSize <= 0 || box.width() <= 0) return;
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(fontSize));
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, box.width(), 1e9), Qt::TextWordWrap, text);
    const double x = box.x() + box.width() / 2 - bounds.width() / 2;
    const double top = box.y() + box.height() / 2 - bounds.height() / 2 - 3;
    painter.drawText(QRectF(x, top, bounds.width(), bounds.height()), Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace

DateTimeOverlay::Layout DateTimeOverlay::layout(double width, double height, int size, int corner) {
    Layout l;
    const Sizes s = sizesFor(width, size);
    l.fontSize = s.font;
    l.boxWidth = s.box;
    l.boxHeight = s.box / 4;
    l.margin = width <= 176 ? 1 : 5;
    const double bw = l.boxWidth, bh = l.boxHeight, m = l.margin;
    double x = 0, dateY = 0, timeY = 0;
    switch (corner) {
        case 0:
            x = width - bw - m;
            dateY = height - bh - m;
            timeY = height - 2 * bh - m;
            break;
        case 1:
            x = m;
            dateY = height - bh - m;
            timeY = height - 2 * bh - m;
            break;
        case 2:
            x = width - bw - m;
            dateY = bh + m;
            timeY = m;
            break;
        case 3:
            x = m;
            dateY = bh + m;
            timeY = m;
            break;
        default:
            break;
    }
    l.dateBox = QRectF(x, dateY, bw, bh);
    l.timeBox = QRectF(x, timeY, bw, bh);
    return l;
}

void DateTimeOverlay::compose(QImage& frame, const QDateTime& now, const QColor& textColor,
                              const QColor& boxColor, int size, int corner) {
    if (frame.isNull()) return;
    const double h = frame.height();
    const Layout l = layout(frame.width(), h, size, corner);
    if (l.boxWidth <= 0) return;
    // Flip once: bottom-up boxes to the image's top-down rows.
    const auto flip = [h](const QRectF& r) {
        return QRectF(r.x(), h - r.y() - r.height(), r.width(), r.height());
    };
    const QRectF dateBox = flip(l.dateBox), timeBox = flip(l.timeBox);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(dateBox, boxColor);
    painter.fillRect(timeBox, boxColor);
    painter.setPen(textColor);
    const QLocale locale;
    drawLabel(painter, locale.toString(now, QStringLiteral("yyyy-MM-dd")), dateBox, l.fontSize);
    drawLabel(painter, locale.toString(now, QStringLiteral("HH-mm-ss")), timeBox, l.fontSize);
}

int DateTimeOverlay::storedSize() {
    return static_cast<int>(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingDateSize")));
}

int DateTimeOverlay::storedCorner() {
    return static_cast<int>(UserDefaults::standard().integerForKey(QStringLiteral("KeyRecordingPoint")));
}
