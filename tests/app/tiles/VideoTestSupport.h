#pragma once

// Helpers of the video tile tests: pictures with known colours and where the
// screenshots go.

#include <QColor>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QString>
#include <cstdlib>

#include "fixtures/app/AppTestSupport.h"

inline QString videoScreenshotPath(const QString& name) {
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

// A picture as the bridge delivers it: premultiplied RGBA, one colour.
inline QImage solidPicture(int width, int height, QColor color) {
    QImage picture(width, height, QImage::Format_RGBA8888_Premultiplied);
    picture.fill(color);
    return picture;
}

// Colours within a small distance count as the same (smooth scaling and
// antialiasing blur edges).
inline bool nearColor(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Put first among a fixture's members: the application exists before any widget.
struct QtApplicationFirst {
    QtApplicationFirst() { ensureQtApplication(); }
};

// Counts the paint events of the widget it is installed on.
struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int paints = 0;
};
