// A popped-out tile on a real X server with a window manager: the popup
// window tells the window manager the tile's aspect ratio (read back with
// xprop), and keeps it after the window is moved and resized by the code.
//
// The X side runs in a child process: the test program's own Qt application
// draws offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QWindow>
#include <cstdio>

#include "app/tiles/VideoTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/FullSizeView.h"
#include "conference/MainViewController.h"
#include "fixtures/app/XvfbSupport.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "tiles/CameraView.h"

namespace {

QString run(const QString& display, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xprop"), args);
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The child: a video area with one participant whose 640x360 picture is
// popped out at its pixel size; reports the popup's window id, then waits
// for the parent's word and ends.
[[noreturn]] void popupChild(const QString& display, int reportFd, int waitFd) {
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication& app = ensureQtApplication();
    (void)app;
    auto* own = new VideoInfo(new CameraView(QRectF(0, 0, 320, 240)), true, true, true, false);
    own->setSpeakerInfo(std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, "me", "me", "S0"));
    auto* window = new Window(QRectF(100, 100, 960, 540), WindowStyleTitled | WindowStyleResizable);
    MainViewController::Params p;
    p.roomCategory = ROOM_CATEGORY_NORMAL;
    p.maxParticipants = 4;
    p.ownerUserId = QStringLiteral("me");
    p.myVideoInfo = own;
    auto* area = new MainViewController(p);
    window->contentView()->addSubview(area->view());
    View::setFrameOf(area->view(), QRectF(0, 0, 960, 540));
    window->show();
    area->resizeMainView();
    area->addSpeaker(std::make_shared<SpeakerInfo>(7, "u1", "u1", "S0"));
    processEventsFor(200);
    area->updateVideo(7, solidPicture(640, 360, Qt::green));
    area->resizeVideo(MainViewController::POPUP_MODE_PIXEL_SIZE, QStringLiteral("u1"));
    FullSizeView* popup = area->popupVideoList().empty() ? nullptr : area->popupVideoList().front();
    if (popup == nullptr) ::_exit(2);
    processEventsUntil([&] { return popup->windowHandle() != nullptr && popup->windowHandle()->isExposed(); },
                       20000);
    // Moved and resized by the code: the hint must survive Qt's own rewrite.
    popup->setFrame(QRectF(200, 200, 640, 360));
    processEventsFor(300);
    const std::string id = std::to_string(popup->winId()) + "\n";
    if (::write(reportFd, id.data(), id.size()) < 0) ::_exit(3);
    char c;
    while (::read(waitFd, &c, 1) < 0) {
    }
    ::_exit(0);
}

TEST(PopupWindowXvfb, ThePopupTellsTheWindowManagerTheTilesAspect) {
    if (QCoreApplication::instance() != nullptr) GTEST_SKIP() << "needs a process without a Qt application";
    xvfb::Server server;
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";
    const std::string display = server.display().toStdString();
    xvfb::ProcessGroup wm({"openbox"}, {"DISPLAY=" + display},
                          QStringLiteral(QUORIX_TEST_BINARY_DIR "/openbox-popup.log").toStdString());
    // The window manager is up once it names itself on the root window.
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return run(server.display(),
                       {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QStringLiteral("window id"));
        },
        30000));

    int report[2], wait[2];
    ASSERT_EQ(::pipe(report), 0);
    ASSERT_EQ(::pipe(wait), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::close(wait[1]);
        popupChild(server.display(), report[1], wait[0]);
    }
    ::close(report[1]);
    ::close(wait[0]);
    std::string id;
    char c;
    while (::read(report[0], &c, 1) == 1 && c != '\n') id.push_back(c);
    ::close(report[0]);
    ASSERT_FALSE(id.empty()) << "the child made no popup";

    const QString hints = run(server.display(), {QStringLiteral("-id"), QString::fromStdString(id),
                                                 QStringLiteral("WM_NORMAL_HINTS")});
    ::close(wait[1]);
    int status = 0;
    xvfb::waitForExit(child, std::chrono::seconds(30));
    (void)status;

    const QRegularExpression minAspect(QStringLiteral("minimum aspect ratio: (\\d+)/(\\d+)"));
    const QRegularExpression maxAspect(QStringLiteral("maximum aspect ratio: (\\d+)/(\\d+)"));
    const auto lo = minAspect.match(hints), hi = maxAspect.match(hints);
    ASSERT_TRUE(lo.hasMatch()) << hints.toStdString();
    ASSERT_TRUE(hi.hasMatch()) << hints.toStdString();
    EXPECT_EQ(lo.captured(1).toInt() * 360, lo.captured(2).toInt() * 640) << hints.toStdString();
    EXPECT_EQ(hi.captured(1).toInt() * 360, hi.captured(2).toInt() * 640) << hints.toStdString();
    wm.stop();
}

}  // namespace
