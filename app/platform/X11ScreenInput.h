#pragma once

// The primary output of an X11 screen (RandR) as a capture input: pictures
// through the MIT shared-memory extension (`xcb_shm_get_image` into one
// segment that is reused; plain `xcb_get_image` when the server offers no
// shared memory), the cursor from XFixes drawn into each picture at the
// pointer's place (its picture fetched again only when XFixes reports a change). The output's
// place is fixed when the input opens.

#include <QByteArray>
#include <memory>
#include <vector>

#include "platform/ScreenInput.h"

class X11Connection;

class X11ScreenInput final : public ScreenInput {
public:
    // `display` empty: the DISPLAY variable.
    explicit X11ScreenInput(const QByteArray& display = {});
    ~X11ScreenInput() override;

    bool open(QString* error) override;
    QRect pixelRect() const override { return QRect(QPoint(0, 0), output_.size()); }
    QRect pointRect() const override { return pixelRect(); }
    bool grab(ScreenImage* image) override;
    int framesPerSecond() const override { return kFramesPerSecond; }

    // The screen input's rate; the recorder works on every second picture.
    static constexpr int kFramesPerSecond = 15;

private:
    void drawCursor(ScreenImage& image, QPoint position);
    void releaseSegment();

    QByteArray display_;
    std::unique_ptr<X11Connection> x_;
    QRect output_;
    bool shm_ = false;
    bool cursor_ = false;
    uint32_t segment_ = 0;
    int shmId_ = -1;
    uint8_t* shmAddress_ = nullptr;
    std::size_t shmSize_ = 0;
    std::vector<uint8_t> plain_;  // the picture without shared memory
    // The cursor's picture (premultiplied ARGB), kept until XFixes reports a new one.
    bool cursorStale_ = true;
    std::vector<uint32_t> cursorImage_;
    QSize cursorSize_;
    QPoint cursorHot_;
};
