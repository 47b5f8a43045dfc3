// Helpers of the viewer tests: a recording command sink, a recording view
// action, a pasteboard of our own, pictures in the pixel layout the core
// delivers (blue, green, red, one spare byte; top row first) and grabs saved
// under the build folder.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>
#include <mutex>
#include <vector>

#include "app/ui/UiTestSupport.h"
#include "appshare/APShareClient.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Pasteboard.h"

namespace apshare_test {

// Everything the viewer sent, as text lines ("mouse 513 10 20"), in order.
class RecordingSender : public APShareClientDelegate {
public:
    void sendCommand(int command, const QString& data) override {
        add(QStringLiteral("command %1 %2").arg(command).arg(data));
    }
    void sendControlReq(std::uint32_t kind, const QString& id, const QString& name) override {
        add(QStringLiteral("controlReq %1 %2 %3").arg(kind).arg(id, name));
    }
    void sendControlRet() override { add(QStringLiteral("controlRet")); }
    void sendMousePointerEvent(std::uint16_t kind, std::uint16_t x, std::uint16_t y) override {
        add(QStringLiteral("mouse %1 %2 %3").arg(kind).arg(x).arg(y));
    }
    void sendMouseWheelEvent(int delta) override { add(QStringLiteral("wheel %1").arg(delta)); }
    void sendKeyEvent(std::uint32_t keysym, std::uint32_t type) override {
        add(QStringLiteral("key %1 %2").arg(keysym, 0, 16).arg(type));
    }
    void sendClipboardAsClient(const QString& text) override { add(QStringLiteral("clipboard ") + text); }

    QStringList lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    void add(const QString& line) {
        std::lock_guard lock(mutex_);
        lines_ << line;
    }
    mutable std::mutex mutex_;
    QStringList lines_;
};

class RecordingViewAction : public APShareClientViewAction {
public:
    void showASClientMessageAlert(const QString& id, const QString& message) override {
        std::lock_guard lock(mutex);
        notices << id + u' ' + message;
    }
    void onAPShareViewForWebinar(QWidget* view) override { webinarViews.push_back(view); }
    std::mutex mutex;
    QStringList notices;
    std::vector<QWidget*> webinarViews;
};

class FakePasteboard : public Pasteboard {
public:
    std::int64_t changeCount() const override { return count; }
    PasteboardContent content() const override { return {{"text/plain"}, text, {}}; }
    void clearAndSetString(const QString& t) override {
        text = t;
        count += 2;
    }
    std::int64_t count = 0;
    std::optional<QString> text;
};

// A w x h rectangle of one colour in the core's pixel layout.
inline QByteArray solidPixels(int w, int h, QColor colour) {
    QByteArray bytes(qsizetype(w) * h * 4, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); i += 4) {
        bytes[i] = char(colour.blue());
        bytes[i + 1] = char(colour.green());
        bytes[i + 2] = char(colour.red());
        bytes[i + 3] = 0;  // the spare byte, as the decoder may leave it
    }
    return bytes;
}

// The same for a picture: top half `top`, bottom half `bottom`.
inline QByteArray splitPixels(int w, int h, QColor top, QColor bottom) {
    QByteArray bytes = solidPixels(w, h, top);
    const QByteArray lower = solidPixels(w, h - h / 2, bottom);
    bytes.replace(qsizetype(w) * (h / 2) * 4, lower.size(), lower);
    return bytes;
}

inline QImage shoot(QWidget* widget, const QString& name) {
    const QImage shot = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + u'/' + name + QStringLiteral(".png")));
    return shot;
}

inline bool near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <=
           tolerance;
}

}  // namespace apshare_test
