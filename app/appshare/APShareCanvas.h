#pragma once

// The viewer's screen bitmap: one picture the size of the sharer's whole
// screen into which every received rectangle is painted, on the thread that
// delivers it (the sharing transfer thread), under the canvas's lock. The
// shared-screen view shows it on the main thread and redisplays on its own
// timer when a rectangle was painted since the last look, so no rectangle
// ever waits for the main thread.
//
// Pixels, of the rectangles as of the bitmap: blue, green, red and one
// ignored byte per pixel (Qt's RGB32), rows of width x 4 bytes without
// padding, the top row first. Rectangles are given in bottom-left
// coordinates (origin at the screen's lower left), as drawing takes them.
//
// The bitmap is made, black, with the first rectangle after a start or a
// restart; a stop (also the pause of a minimised viewer) discards it and
// drops rectangles until the restart.

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

class APShareCanvas {
public:
    // The largest screen side a share may have (a 16384 x 16384 bitmap is 1 GiB).
    static constexpr int kMaxScreenSide = 16384;

    // Whether a share of this screen size can be shown at all.
    static bool isValidScreenSize(QSize size);

    // Starts drawing for a screen of `size`; false (and nothing started) when
    // the size is empty or above kMaxScreenSide.
    bool start(QSize size);
    // Drawing stops and the bitmap is discarded.
    void stop();
    // Drawing runs again; the next rectangle makes a new black bitmap.
    void restart();
    bool isStarted() const;
    QSize screenSize() const;

    // Paints one rectangle. Answers false, painting nothing, while drawing is
    // stopped, for an empty rectangle, one that lies wholly off the screen,
    // or a byte count other than width x height x 4. A rectangle partly off
    // the screen is clipped.
    bool drawBitmap(const std::uint8_t* pixels, std::size_t byteCount, const QRect& bottomLeftRect);
    // Fills an existing bitmap black.
    void resetImage();
    // Whether a rectangle was painted since the last call (and clears it).
    bool takeNeedDisp();
    // Runs `use` with the bitmap under the lock (a null picture when there is none).
    void withImage(const std::function<void(const QImage&)>& use) const;

private:
    mutable std::mutex mutex_;
    QSize screenSize_;
    QImage bitmap_;
    bool started_ = false;
    bool needDisp_ = false;
};
