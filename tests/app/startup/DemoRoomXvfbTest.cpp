// A new user in the demo room (scripts/run.sh on a private X display, with a
// runtime folder of the test's own, so the single-instance socket is never a
// developer's): the meeting must go on when a link that cannot be read
// arrives and when scripts/run.sh is started a second time, and a scripted
// participant whose process is killed leaves the window.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "fixtures/app/XvfbSupport.h"

namespace {

using namespace std::chrono_literals;

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool waitFor(const std::function<bool()>& done, std::chrono::seconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(500ms);
    }
    return done();
}

// Bright areas of at least 80 x 60 (a tile with a participant's picture: the
// pictures keep every colour above 60 in one channel; the grid and a tile
// without a picture are dark), found in blocks of 4 x 4 pixels.
int pictureCount(const QImage& img) {
    constexpr int kBlock = 4;
    const int bw = img.width() / kBlock, bh = img.height() / kBlock;
    std::vector<char> seen(size_t(bw * bh), 0);
    const auto bright = [&](int bx, int by) {
        const QRgb p = img.pixel(bx * kBlock + kBlock / 2, by * kBlock + kBlock / 2);
        return std::max({qRed(p), qGreen(p), qBlue(p)}) >= 60;
    };
    int count = 0;
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            if (seen[size_t(by * bw + bx)] || !bright(bx, by)) continue;
            QRect box(bx, by, 1, 1);
            std::vector<QPoint> stack{{bx, by}};
            seen[size_t(by * bw + bx)] = 1;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                box = box.united(QRect(p, QSize(1, 1)));
                for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint q = p + d;
                    if (q.x() < 0 || q.y() < 0 || q.x() >= bw || q.y() >= bh) continue;
                    char& s = seen[size_t(q.y() * bw + q.x())];
                    if (s || !bright(q.x(), q.y())) continue;
                    s = 1;
                    stack.push_back(q);
                }
            }
            if (box.width() * kBlock >= 80 && box.height() * kBlock >= 60) ++count;
        }
    return count;
}

// scripts/run.sh in the demo room, as a user of its own on a private display.
class DemoRoomXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(QString::fromStdString(build_ + "/tools/demo-room/quorix_demo_room")))
            GTEST_SKIP() << "built without the demo room";
        ASSERT_FALSE(server_.display().isEmpty()) << "Xvfb did not start";
        home_ =
            QDir::tempPath() +
            QStringLiteral("/quorix-demo-xvfb-%1-%2")
                .arg(::getpid())
                .arg(QString::fromStdString(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        QDir(home_).removeRecursively();
        QDir().mkpath(home_ + "/runtime");
        QFile::setPermissions(home_ + "/runtime",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const std::string h = home_.toStdString();
        env_ = {"DISPLAY=" + server_.display().toStdString(), "QT_QPA_PLATFORM=xcb",
                "QUORIX_BUILD_DIR=" + build_, "XDG_CONFIG_HOME=" + h + "/config",
                "XDG_DATA_HOME=" + h + "/data", "XDG_RUNTIME_DIR=" + h + "/runtime",
                // A process that only hands its link over ends through main().
                "ASAN_OPTIONS=detect_leaks=0"};
        std::vector<std::string> first = env_;
        first.push_back("QUORIX_DEMO_LOG=" + h + "/room.log");
        run_ = std::make_unique<xvfb::ProcessGroup>(std::vector<std::string>{source_ + "/scripts/run.sh"},
                                                    first, h + "/run.log");
    }
    void TearDown() override {
        run_.reset();
        if (!HasFailure()) QDir(home_).removeRecursively();
    }

    QString clientLog() const {
        QString text;
        const QDir dir(home_ + "/data/com.quorix.Quorix/Log");
        for (const QString& name : dir.entryList(QDir::Files)) text += readAll(dir.filePath(name));
        return text;
    }
    QString roomLog() const { return readAll(home_ + "/room.log"); }
    int pictures() const {
        const std::optional<QRect> rect = xvfb::largestWindow(server_.display());
        if (!rect || rect->width() < 300 || rect->height() < 200) return -1;
        return pictureCount(xvfb::grabScreen(server_.display()).copy(*rect));
    }
    // Logged in, with both scripted participants' pictures on screen.
    bool inTheMeeting() {
        return waitFor(
            [&] {
                return clientLog().contains("Login process end.") && roomLog().contains("PARTICIPANT Ben ") &&
                       pictures() == 2;
            },
            200s);
    }
    std::string where() const { return "see " + home_.toStdString(); }

    const std::string source_ = QUORIX_SOURCE_DIR;
    const std::string build_ = QUORIX_TEST_BINARY_DIR;
    xvfb::Server server_;
    QString home_;
    std::vector<std::string> env_;
    std::unique_ptr<xvfb::ProcessGroup> run_;
};

// Disabled: since the demo room shares a document, the document window can
// become the largest window on the screen, and the picture count below then
// reads that window instead of the conference window. It needs the conference
// window found by itself before it runs again.
TEST_F(DemoRoomXvfb, DISABLED_AnUnreadableLinkAndASecondRunLeaveTheMeetingGoingOn) {
    ASSERT_TRUE(inTheMeeting()) << where();
    const std::string h = home_.toStdString();

    // A link that cannot be read reaches the running client: it is refused,
    // and nothing is left.
    xvfb::ProcessGroup garbage({build_ + "/app/quorix", "quorix://garbage"}, env_, h + "/garbage.log");
    EXPECT_TRUE(waitFor([&] { return !garbage.running(); }, 60s)) << "the second client did not hand over";
    EXPECT_TRUE(waitFor([&] { return clientLog().contains("Launch link refused (-101)"); }, 60s)) << where();

    // A second scripts/run.sh finds the running client and leaves its meeting alone.
    xvfb::ProcessGroup second({source_ + "/scripts/run.sh"}, env_, h + "/second-run.log");
    EXPECT_TRUE(waitFor([&] { return !second.running(); }, 200s)) << where();
    EXPECT_TRUE(readAll(home_ + "/second-run.log").contains("already running")) << where();

    std::this_thread::sleep_for(5s);  // whatever a new login would have done by now
    EXPECT_TRUE(run_->running()) << where();
    EXPECT_EQ(clientLog().count("Login process start("), 1) << "the client left its meeting; " << where();
    EXPECT_FALSE(roomLog().contains("has left")) << where();
    EXPECT_TRUE(waitFor([&] { return pictures() == 2; }, 30s))
        << "the others' pictures are gone; " << where();
}

TEST_F(DemoRoomXvfb, AParticipantWhoseProcessIsKilledLeavesTheWindow) {
    ASSERT_TRUE(inTheMeeting()) << where();
    static const QRegularExpression line(QStringLiteral("PARTICIPANT Aiko (\\d+)"));
    const QRegularExpressionMatch m = line.match(roomLog());
    ASSERT_TRUE(m.hasMatch()) << where();
    ASSERT_EQ(::kill(pid_t(m.captured(1).toInt()), SIGKILL), 0);

    EXPECT_TRUE(waitFor([&] { return roomLog().contains("demo-room: Aiko has left"); }, 30s)) << where();
    EXPECT_TRUE(waitFor([&] { return clientLog().contains("Recv Msg:aiko(Aiko) stopped speech."); }, 30s))
        << where();
    EXPECT_TRUE(waitFor([&] { return pictures() == 1; }, 30s)) << "Aiko's tile stays; " << where();
    EXPECT_TRUE(run_->running());
}

}  // namespace
