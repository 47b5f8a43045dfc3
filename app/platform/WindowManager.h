#pragma once

// Window geometry for application sharing: which parts of one process's
// windows are visible, and the rectangle arithmetic behind it. Class
// operations only; the window list is `X11WindowList` on the default display
// unless a test sets another one.
//
// Rectangles are x, y, width, height in points with the origin at the top-left
// corner of the primary screen, y growing downwards.

#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <cstdint>
#include <vector>

#include "platform/WindowList.h"

class WindowManager {
public:
    WindowManager() = delete;

    // The union of the process's on-screen windows, clamped to the primary
    // screen (an empty rectangle when it has none). When `visible` is given it
    // receives the visible parts of those windows: what windows of other
    // processes in front of them and the dock strips leave.
    static QRectF getWindowRect(std::int64_t pid, QRegion* visible = nullptr);

    // The same on a given list (frontmost first) and screen.
    static QRectF windowRect(const std::vector<WindowInfo>& frontToBack, std::int64_t pid,
                             const QRect& screen, const QRect& visibleFrame, QRegion* visible);

    // The parts of `target` outside `cover`: none when the cover contains the
    // target, the target alone when they do not overlap, else up to four bands
    // (above, below, left, right of the cover). Empty bands are left out.
    static std::vector<QRectF> extractNonOverlapRect(const QRectF& cover, const QRectF& target);
    // Rectangles that together cover `a` and `b`: both when they do not
    // overlap, `a` when it contains `b`, else `a` and the parts of `b` outside it.
    static std::vector<QRectF> extractCombineRect(const QRectF& a, const QRectF& b);
    // The rectangle flipped vertically within `size`.
    static QRectF convertToRect(const QSizeF& size, const QRectF& rect);
    // The rectangle clamped to `frame` (the primary screen's when none is given).
    static void adjustRect(QRectF& rect, const QRectF& frame);
    static void adjustRect(QRectF& rect);

    // The list the class operations read; nullptr restores the X11 list. The
    // caller keeps ownership and must reset it before destroying the list.
    static void setWindowList(WindowList* list);
};
