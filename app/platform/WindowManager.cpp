#include "platform/WindowManager.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/X11WindowList.h"

namespace {

// Overlap with an area (rectangles that only touch do not intersect).
bool overlaps(const QRectF& a, const QRectF& b) {
    return !a.isEmpty() && !b.isEmpty() && a.left() < b.right() && b.left() < a.right() &&
           a.top() < b.bottom() && b.top() < a.bottom();
}

bool containsRect(const QRectF& a, const QRectF& b) {
    return b.left() >= a.left() && b.right() <= a.right() && b.top() >= a.top() && b.bottom() <= a.bottom();
}

std::mutex g_listMutex;
WindowList* g_list = nullptr;

WindowList& defaultList() {
    static X11WindowList list;
    return list;
}

}  // namespace

void WindowManager::setWindowList(WindowList* list) {
    std::lock_guard lock(g_listMutex);
    g_list = list;
}

std::vector<QRectF> WindowManager::extractNonOverlapRect(const QRectF& a, const QRectF& b) {
    if (containsRect(a, b)) return {};
    if (!overlaps(a, b)) return {b};
    std::vector<QRectF> bands;
    auto add = [&](qreal x, qreal y, qreal w, qreal h) {
        if (w > 0 && h > 0) bands.emplace_back(x, y, w, h);
    };
    if (a.top() > b.top()) add(b.left(), b.top(), b.width(), a.top() - b.top());
    if (b.bottom() > a.bottom()) add(b.left(), a.bottom(), b.width(), b.bottom() - a.bottom());
    const qreal y0 = std::max(a.top(), b.top());
    const qreal y1 = std::min(a.bottom(), b.bottom());
    if (a.left() > b.left()) add(b.left(), y0, a.left() - b.left(), y1 - y0);
    if (b.right() > a.right()) add(a.right(), y0, b.right() - a.right(), y1 - y0);
    return bands;
}

std::vector<QRectF> WindowManager::extractCombineRect(const QRectF& a, const QRectF& b) {
    if (!overlaps(a, b)) return {a, b};
    if (containsRect(a, b)) return {b};
    std::vector<QRectF> out{a};
    for (const QRectF& r : extractNonOverlapRect(a, b)) out.push_back(r);
    return out;
}

QRectF WindowManager::convertToRect(const QSizeF& size, const QRectF& r) {
    return QRectF(r.x(), size.height() - (r.y() + r.height()), r.width(), r.height());
}

void WindowManager::adjustRect(QRectF& r, const QRectF& frame) {
    if (r.x() < 0) {
        r.setWidth(r.width() + r.x());
        r.moveLeft(0);
    }
    if (r.x() + r.width() > frame.width()) r.setWidth(frame.width() - r.x());
    if (r.y() < 0) {
        r.setHeight(r.height() + r.y());
        r.moveTop(0);
    }
    if (r.y() + r.height() > frame.height()) r.setHeight(frame.height() - r.y());
}

void WindowManager::adjustRect(QRectF& r) {
    QRect frame;
    {
        std::lock_guard lock(g_listMutex);
        frame = (g_list ? *g_list : defaultList()).screenFrame();
    }
    adjustRect(r, QRectF(frame));
}

QRectF WindowManager::windowRect(const std::vector<WindowInfo>& frontToBack, std::int64_t pid,
                                 const QRect& screen, const QRect& visibleFrame, QRegion* visible) {
    if (visible) *visible = QRegion();
    if (frontToBack.empty()) return QRectF();
    // Walked from the back to the front: a window of the process adds its
    // bounds, any other window in front takes its bounds away. The region keeps
    // disjoint rectangles, so the work stays bounded however many windows there
    // are.
    QRegion region;
    QRectF answer;
    bool found = false;
    for (std::size_t i = frontToBack.size(); i-- > 0;) {
        const WindowInfo& w = frontToBack[i];
        if (w.ownerName.isEmpty() || !w.onScreen || w.kind == WindowKind::Desktop) continue;
        if (w.kind == WindowKind::Dock && i != 0) continue;
        if (w.bounds.x() > screen.width() || w.bounds.y() > screen.height()) continue;
        if (w.pid == pid) {
            region += w.bounds;
            answer = found ? answer.united(QRectF(w.bounds)) : QRectF(w.bounds);
            found = true;
        } else {
            region -= w.bounds;
        }
    }
    if (!found) return QRectF();
    if (visible) {
        // The strips that docks and panels reserve stay blank.
        const QRect free = visibleFrame.isEmpty() ? screen : visibleFrame;
        region -= QRegion(screen).subtracted(QRegion(free));
        *visible = region.intersected(screen);
    }
    adjustRect(answer, QRectF(screen));
    return answer;
}

QRectF WindowManager::getWindowRect(std::int64_t pid, QRegion* visible) {
    std::lock_guard lock(g_listMutex);
    WindowList& list = g_list ? *g_list : defaultList();
    const std::vector<WindowInfo> windows = list.onScreenWindows();
    return windowRect(windows, pid, list.screenFrame(), list.visibleFrame(), visible);
}
