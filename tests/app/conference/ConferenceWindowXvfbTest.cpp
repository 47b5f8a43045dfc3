// The program as a new user starts it: scripts/run.sh on a private X display
// builds the client, starts the demo room and opens the conference window in
// it. The screen is read back until the window shows the other participants'
// moving pictures: at least two tiles change from one look to the next, and
// the first slot of the grid (top left) is the own tile, which shows no
// moving picture (there is no camera here).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "app/tiles/VideoTestSupport.h"
#include "fixtures/app/XvfbSupport.h"

namespace {

using namespace std::chrono_literals;

constexpr int kBlock = 4;  // the picture is looked at in blocks of 4 x 4 pixels

// A picture pixel of the demo participants is never dark (their pattern keeps
// every colour above 60 in at least one channel); the grid's background and a
// tile without a picture are black.
bool bright(QRgb p) {
    return std::max({qRed(p), qGreen(p), qBlue(p)}) >= 60;
}

struct Tile {
    QRect rect;
    bool changing = false;
};

// The picture tiles of a window picture: connected bright areas at least
// 80 x 60 (the smallest tile), in reading order (rows from the top, then left
// to right), each marked changing when it differs between the looks.
std::vector<Tile> pictureTiles(const std::vector<QImage>& looks) {
    const QImage& img = looks.back();
    const int bw = img.width() / kBlock, bh = img.height() / kBlock;
    std::vector<int> label(size_t(bw * bh), -1);
    const auto brightAt = [&](int bx, int by) {
        return bright(img.pixel(bx * kBlock + kBlock / 2, by * kBlock + kBlock / 2));
    };
    std::vector<QRect> boxes;
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            if (label[size_t(by * bw + bx)] >= 0 || !brightAt(bx, by)) continue;
            const int id = int(boxes.size());
            QRect box(bx, by, 1, 1);
            std::vector<QPoint> stack{{bx, by}};
            label[size_t(by * bw + bx)] = id;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                box = box.united(QRect(p, QSize(1, 1)));
                for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint q = p + d;
                    if (q.x() < 0 || q.y() < 0 || q.x() >= bw || q.y() >= bh) continue;
                    int& l = label[size_t(q.y() * bw + q.x())];
                    if (l >= 0 || !brightAt(q.x(), q.y())) continue;
                    l = id;
                    stack.push_back(q);
                }
            }
            boxes.push_back(box);
        }
    }
    std::vector<Tile> tiles;
    for (const QRect& b : boxes) {
        const QRect r(b.x() * kBlock, b.y() * kBlock, b.width() * kBlock, b.height() * kBlock);
        if (r.width() < 80 || r.height() < 60) continue;
        Tile t{r, false};
        int changed = 0;
        for (size_t i = 1; i < looks.size(); ++i)
            for (int y = r.top(); y <= r.bottom(); y += 2)
                for (int x = r.left(); x <= r.right(); x += 2) {
                    const QRgb a = looks[i - 1].pixel(x, y), c = looks[i].pixel(x, y);
                    changed += std::abs(qRed(a) - qRed(c)) + std::abs(qGreen(a) - qGreen(c)) +
                                           std::abs(qBlue(a) - qBlue(c)) >
                                       60
                                   ? 1
                                   : 0;
                }
        t.changing = changed > r.width() * r.height() / 4 / 200;  // over half a per cent
        tiles.push_back(t);
    }
    std::sort(tiles.begin(), tiles.end(), [](const Tile& a, const Tile& b) {
        if (std::abs(a.rect.top() - b.rect.top()) > a.rect.height() / 2) return a.rect.top() < b.rect.top();
        return a.rect.left() < b.rect.left();
    });
    return tiles;
}

// The first slot holds the own tile: either the first picture tile in
// reading order is a still one, or the top row's first moving tile leaves a
// dark slot of its size on its left inside the window.
bool ownTileFirst(const std::vector<Tile>& tiles, const QImage& window) {
    if (tiles.empty()) return false;
    if (!tiles.front().changing) return true;
    const QRect first = tiles.front().rect;
    const QRect left(first.left() - 3 - first.width(), first.top(), first.width(), first.height());
    if (left.left() < 0) return false;
    int dark = 0, all = 0;
    for (int y = left.top() + 4; y < left.bottom() - 4; y += 4)
        for (int x = left.left() + 4; x < left.right() - 4; x += 4, ++all)
            dark += bright(window.pixel(x, y)) ? 0 : 1;
    return all > 0 && dark * 10 >= all * 7;  // mostly dark: a tile without a picture
}

TEST(ConferenceWindowXvfb, TheDemoRoomShowsTheOthersMovingPicturesAfterTheOwnTile) {
    const std::string source = QUORIX_SOURCE_DIR;
    const std::string build = QUORIX_TEST_BINARY_DIR;
    if (!QFile::exists(QString::fromStdString(build + "/tools/demo-room/quorix_demo_room")))
        GTEST_SKIP() << "built without the demo room";
    xvfb::Server server;
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";

    const std::string log = build + "/ui-screenshots/conference-window-xvfb.log";
    QDir().mkpath(QString::fromStdString(build + "/ui-screenshots"));
    const std::string home =
        QDir::tempPath().toStdString() + "/quorix-xvfb-home-" + std::to_string(::getpid());
    QDir().mkpath(QString::fromStdString(home + "/runtime"));
    QFile::setPermissions(QString::fromStdString(home + "/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    xvfb::ProcessGroup run(
        {source + "/scripts/run.sh"},
        {"DISPLAY=" + server.display().toStdString(), "QT_QPA_PLATFORM=xcb", "QUORIX_BUILD_DIR=" + build,
         // Settings and logs of a user of its own; the caches (what the
         // dependency script keeps there) are the developer's, so the script
         // does not fetch them again, and the single-instance socket is in a
         // runtime folder of the test's own.
         "XDG_CONFIG_HOME=" + home + "/config", "XDG_DATA_HOME=" + home + "/data",
         "XDG_RUNTIME_DIR=" + home + "/runtime"},
        log);

    // A loaded machine builds, starts and logs in slowly, the second
    // participant enters only after the guest, and pictures come at a few a
    // second or fewer: look until two tiles move, the looks further apart
    // while pictures are there but not seen moving.
    std::vector<Tile> tiles;
    QImage window;
    auto gap = 700ms;
    const auto end = std::chrono::steady_clock::now() + 420s;
    while (std::chrono::steady_clock::now() < end && run.running()) {
        std::this_thread::sleep_for(1s);
        // The conference window, titled after the room and raised above the
        // document window the room also opens over it.
        const std::optional<QRect> rect =
            xvfb::windowTitled(server.display(), QStringLiteral(" - Quorix"), /*raise=*/true);
        if (!rect || rect->width() < 300 || rect->height() < 200) continue;
        std::vector<QImage> looks;
        for (int i = 0; i < 3; ++i) {
            if (i > 0) std::this_thread::sleep_for(gap);
            looks.push_back(xvfb::grabScreen(server.display()).copy(*rect));
        }
        if (looks.back().isNull()) continue;
        window = looks.back();
        tiles = pictureTiles(looks);
        const auto moving =
            std::count_if(tiles.begin(), tiles.end(), [](const Tile& t) { return t.changing; });
        if (moving >= 2) break;
        if (tiles.size() >= 2) gap = std::min<std::chrono::milliseconds>(gap * 2, 4000ms);
    }
    ASSERT_FALSE(window.isNull()) << "no window appeared; see " << log;
    EXPECT_TRUE(window.save(videoScreenshotPath(QStringLiteral("conference-window-xvfb"))));
    const auto moving = std::count_if(tiles.begin(), tiles.end(), [](const Tile& t) { return t.changing; });
    EXPECT_GE(moving, 2) << "see " << log;
    EXPECT_TRUE(ownTileFirst(tiles, window));
    run.stop();
    QDir(QString::fromStdString(home)).removeRecursively();
}

}  // namespace
