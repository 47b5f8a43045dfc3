#pragma once

// The screen as a capture input: one picture of the primary screen at a time,
// with the mouse cursor drawn in. The application's input is
// `X11ScreenInput`; tests put a fake in its place through
// `ScreenRecorder::setInputFactory`.

#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>

// One captured picture: 32-bit pixels in the byte order blue, green, red,
// alpha, top row first, `bytesPerRow` apart (at least 4 x width; rows may be
// padded). The memory is lent until the next `grab` or the input's end.
struct ScreenImage {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
};

class ScreenInput {
public:
    virtual ~ScreenInput() = default;

    // Connects to the screen; false with the reason when it cannot be captured.
    virtual bool open(QString* error) = 0;
    // The captured screen's size in pixels and in points (the same on X11).
    virtual QRect pixelRect() const = 0;
    virtual QRect pointRect() const = 0;
    // Captures one picture; false when it failed (the picture is then unset).
    virtual bool grab(ScreenImage* image) = 0;
    // Pictures per second the input offers.
    virtual int framesPerSecond() const = 0;
};
