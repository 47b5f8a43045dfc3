// Helpers of the chat windows' tests: pictures under the build folder and
// counting the pixels of a bubble colour.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>

#include "app/ui/UiTestSupport.h"

namespace chat_test {

inline QImage shoot(QWidget* window, const QString& name) {
    window->show();
    processEventsFor(50);
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + u'/' + name + QStringLiteral(".png")));
    return shot;
}

// The pixels of `area` close to `colour` (a bubble's fill over white).
inline int pixelsNear(const QImage& shot, const QRect& area, QColor colour, int tolerance = 12) {
    int n = 0;
    const QRect r = area.intersected(shot.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = shot.pixelColor(x, y);
            if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) +
                    std::abs(p.blue() - colour.blue()) <=
                tolerance)
                ++n;
        }
    return n;
}

// Dark pixels (text) in `area`.
inline int inkIn(const QImage& shot, const QRect& area) {
    int n = 0;
    const QRect r = area.intersected(shot.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 110) ++n;
    return n;
}

// A colour of alpha a over white.
inline QColor overWhite(double r, double g, double b, double a) {
    return QColor::fromRgbF(float(r * a + (1 - a)), float(g * a + (1 - a)), float(b * a + (1 - a)));
}

}  // namespace chat_test
