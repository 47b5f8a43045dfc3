#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <random>

#include "platform/WindowManager.h"

namespace {

using Rects = std::vector<QRectF>;

struct SubtractCase {
    const char* name;
    QRectF cover, target;
    Rects expected;
};

TEST(WindowManagerTest, SubtractAnswersTheBandsOfTheTargetOutsideTheCover) {
    const SubtractCase cases[] = {
        {"cover contains target", {0, 0, 100, 100}, {10, 10, 20, 20}, {}},
        {"equal", {5, 5, 10, 10}, {5, 5, 10, 10}, {}},
        {"apart", {0, 0, 10, 10}, {20, 20, 5, 5}, {{20, 20, 5, 5}}},
        {"only touching", {0, 0, 10, 10}, {10, 0, 10, 10}, {{10, 0, 10, 10}}},
        {"cover in the middle",
         {10, 10, 10, 10},
         {0, 0, 30, 30},
         {{0, 0, 30, 10}, {0, 20, 30, 10}, {0, 10, 10, 10}, {20, 10, 10, 10}}},
        {"cover over the top half", {-5, -5, 50, 15}, {0, 0, 20, 20}, {{0, 10, 20, 10}}},
        {"cover on the right edge", {15, 0, 10, 20}, {0, 0, 20, 20}, {{0, 0, 15, 20}}},
        {"cover sticking in from the left",
         {-10, 5, 15, 5},
         {0, 0, 20, 20},
         {{0, 0, 20, 5}, {0, 10, 20, 10}, {5, 5, 15, 5}}},
    };
    for (const SubtractCase& c : cases) {
        EXPECT_EQ(WindowManager::extractNonOverlapRect(c.cover, c.target), c.expected) << c.name;
    }
}

TEST(WindowManagerTest, CombineCoversBothRectangles) {
    const QRectF a(0, 0, 20, 20);
    EXPECT_EQ(WindowManager::extractCombineRect(a, {30, 0, 5, 5}), (Rects{a, {30, 0, 5, 5}}));
    EXPECT_EQ(WindowManager::extractCombineRect(a, {5, 5, 5, 5}), (Rects{{5, 5, 5, 5}}));
    EXPECT_EQ(WindowManager::extractCombineRect(a, {10, 10, 20, 5}), (Rects{a, {20, 10, 10, 5}}));
}

TEST(WindowManagerTest, FlipAndClamp) {
    EXPECT_EQ(WindowManager::convertToRect({100, 50}, {10, 5, 20, 10}), QRectF(10, 35, 20, 10));
    QRectF r(-10, 700, 300, 200);
    WindowManager::adjustRect(r, QRectF(0, 0, 1366, 768));
    EXPECT_EQ(r, QRectF(0, 700, 290, 68));
    QRectF inside(5, 5, 10, 10);
    WindowManager::adjustRect(inside, QRectF(0, 0, 100, 100));
    EXPECT_EQ(inside, QRectF(5, 5, 10, 10));
}

const QRect kScreen(0, 0, 400, 300);

WindowInfo win(std::int64_t pid, QRect bounds, WindowKind kind = WindowKind::Normal, QString name = "app") {
    WindowInfo w;
    w.pid = pid;
    w.ownerName = name;
    w.bounds = bounds;
    w.kind = kind;
    return w;
}

TEST(WindowManagerTest, WindowsInFrontAndDockStripsAreCutOut) {
    // Frontmost first: another process's window over the shared one's corner,
    // a shared window behind, a desktop window at the back.
    const std::vector<WindowInfo> list = {
        win(2, {150, 100, 100, 100}),
        win(1, {50, 50, 200, 150}),
        win(3, {0, 0, 400, 300}, WindowKind::Desktop),
    };
    QRegion visible;
    const QRectF r = WindowManager::windowRect(list, 1, kScreen, QRect(0, 0, 400, 260), &visible);
    EXPECT_EQ(r, QRectF(50, 50, 200, 150));
    QRegion expected = QRegion(50, 50, 200, 150) - QRegion(150, 100, 100, 100);
    expected -= QRegion(0, 260, 400, 40);  // the dock's strip at the bottom
    EXPECT_EQ(visible, expected);
}

TEST(WindowManagerTest, AFrontWindowContainingASmallerOneOfTheSameProcessIsShownWhole) {
    const std::vector<WindowInfo> list = {win(1, {10, 10, 200, 200}), win(1, {50, 50, 20, 20})};
    QRegion visible;
    EXPECT_EQ(WindowManager::windowRect(list, 1, kScreen, kScreen, &visible), QRectF(10, 10, 200, 200));
    EXPECT_EQ(visible, QRegion(10, 10, 200, 200));
}

TEST(WindowManagerTest, DocksBehindAreSkippedAFrontmostDockCountsAsAnotherWindow) {
    const QRect dock(0, 250, 400, 50);
    QRegion visible;
    WindowManager::windowRect({win(1, {0, 200, 100, 100}), win(9, dock, WindowKind::Dock)}, 1, kScreen,
                              kScreen, &visible);
    EXPECT_EQ(visible, QRegion(0, 200, 100, 100));
    WindowManager::windowRect({win(9, dock, WindowKind::Dock), win(1, {0, 200, 100, 100})}, 1, kScreen,
                              kScreen, &visible);
    EXPECT_EQ(visible, QRegion(0, 200, 100, 50));
}

TEST(WindowManagerTest, WindowsThatCannotBeSeenOrNamedAreSkipped) {
    WindowInfo hidden = win(1, {0, 0, 50, 50});
    hidden.onScreen = false;
    QRegion visible;
    EXPECT_TRUE(WindowManager::windowRect({hidden}, 1, kScreen, kScreen, &visible).isEmpty());
    EXPECT_TRUE(visible.isEmpty());
    // A nameless window in front covers nothing; one beyond the screen is no window.
    EXPECT_EQ(WindowManager::windowRect({win(2, {0, 0, 50, 50}, WindowKind::Normal, ""),
                                         win(1, {0, 0, 50, 50}), win(1, {500, 0, 50, 50})},
                                        1, kScreen, kScreen, &visible),
              QRectF(0, 0, 50, 50));
    EXPECT_EQ(visible, QRegion(0, 0, 50, 50));
    // Partly off the screen: the answer is clamped.
    EXPECT_EQ(WindowManager::windowRect({win(1, {-20, 280, 100, 50})}, 1, kScreen, kScreen, nullptr),
              QRectF(0, 280, 80, 20));
}

// Twenty windows of two processes in random places, checked pixel by pixel
// against painting them back to front; the region stays a small set of
// disjoint rectangles.
TEST(WindowManagerTest, ManyWindowsGiveTheVisiblePixelsWithBoundedWork) {
    std::mt19937 random(35);
    std::uniform_int_distribution<int> pos(-50, 380), size(20, 220);
    for (int round = 0; round < 10; ++round) {
        std::vector<WindowInfo> list;
        for (int i = 0; i < 20; ++i)
            list.push_back(win(1 + (random() % 2), {pos(random), pos(random), size(random), size(random)}));
        QRegion visible;
        WindowManager::windowRect(list, 1, kScreen, kScreen, &visible);

        QImage painted(kScreen.size(), QImage::Format_ARGB32);
        painted.fill(Qt::transparent);
        {
            QPainter p(&painted);
            for (auto it = list.rbegin(); it != list.rend(); ++it)
                p.fillRect(it->bounds, it->pid == 1 ? Qt::white : Qt::black);
        }
        QImage fromRegion(kScreen.size(), QImage::Format_ARGB32);
        fromRegion.fill(Qt::transparent);
        {
            QPainter p(&fromRegion);
            for (const QRect& r : visible) p.fillRect(r, Qt::white);
        }
        for (int y = 0; y < kScreen.height(); ++y)
            for (int x = 0; x < kScreen.width(); ++x)
                ASSERT_EQ(painted.pixel(x, y) == qRgba(255, 255, 255, 255),
                          fromRegion.pixel(x, y) == qRgba(255, 255, 255, 255))
                    << "round " << round << " at " << x << "," << y;
        // Disjoint rectangles: their areas add up to the covered pixels.
        long area = 0;
        for (const QRect& r : visible) area += long(r.width()) * r.height();
        long covered = 0;
        for (int y = 0; y < kScreen.height(); ++y)
            for (int x = 0; x < kScreen.width(); ++x)
                covered += painted.pixel(x, y) == qRgba(255, 255, 255, 255);
        EXPECT_EQ(area, covered);
        EXPECT_LT(visible.rectCount(), 200);
    }
}

}  // namespace
