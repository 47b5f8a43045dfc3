// The sharer on a fake desktop and a recording delegate: its states from the
// start to the stop, key frames, frames and errors of the capture, control
// requests and their answers, the operator's input and clipboard, and taking
// control back with Escape.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "AppShareTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "ui/AlertWindow.h"

namespace appshare_test {
namespace {

using namespace std::chrono_literals;

class APShareServerTest : public ::testing::Test {
protected:
    APShareServerTest() {
        ensureQtApplication();
        LaunchAppManager::setWorkspaceFactory([this] { return std::make_unique<FakeWorkspace>(&running); });
    }
    ~APShareServerTest() override {
        server.reset();
        dispatcher->runPending();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        LaunchAppManager::terminate();
        LaunchAppManager::setWorkspaceFactory({});
    }
    APShareServer& make(APShareServer::Options options = {}) {
        server = std::make_unique<APShareServer>(&sent, &view, options, desktop);
        return *server;
    }
    void settle() {
        dispatcher->runPending();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A desktop share that the relay permitted, operated by a viewer.
    APShareServer& sharingOperatedByViewer(APShareServer::Options options = {}) {
        APShareServer& s = make(options);
        s.start(true, false);
        s.onStartPermit(0);
        s.onControllChange("me", "Me", "bob", "Bob", 0);
        settle();
        sent.take();
        return s;
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    std::vector<ApplicationInfo> running{app("xclock", 4242)};
    RecordingSharerDelegate sent;
    RecordingViewAction view;
    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    std::unique_ptr<APShareServer> server;
};

TEST_F(APShareServerTest, ADesktopShareGoesFromStartThroughPermitToSharing) {
    APShareServer& s = make();
    s.start(true, false);
    settle();
    EXPECT_EQ(s.status(), APShareServer::Starting);
    // Windowed (no full-screen default), desktop, the whole 1366 x 768 screen.
    EXPECT_EQ(sent.take(), QStringList{"start 1 1 1366x768 0,0,1366,768"});
    EXPECT_EQ(desktop->capture, QStringList{"start desktop"});
    ASSERT_NE(s.menu(), nullptr);
    EXPECT_TRUE(s.menu()->window()->isVisible());

    s.onCaptureBitmap(nullptr, QSize(1366, 768), QRectF(0, 0, 1366, 768));
    EXPECT_TRUE(sent.take().isEmpty()) << "frames before the permit are dropped";

    s.onStartPermit(0);
    settle();
    EXPECT_EQ(s.status(), APShareServer::Sharing);
    EXPECT_EQ(s.controlState(), APShareServer::kControlBySharer);
    EXPECT_EQ(sent.take(), QStringList{"keyframe 0,0,1366,768"});
    EXPECT_FALSE(s.menu()->window()->findChild<QWidget*>("apshare_menu_button_start")->isEnabled());
    EXPECT_TRUE(s.menu()->window()->findChild<QWidget*>("apshare_menu_button_stop")->isEnabled());

    s.onCaptureBitmap(nullptr, QSize(1366, 768), QRectF(10.7, 20.2, 100.5, 50.9));
    EXPECT_EQ(sent.take(), QStringList{"rect 10,20,111,71"});
    // A second start only brings the menu forward and records who asked.
    s.start(true, true);
    settle();
    EXPECT_TRUE(sent.take().isEmpty());
    EXPECT_TRUE(s.isRequested());
    EXPECT_EQ(s.status(), APShareServer::Sharing);
}

TEST_F(APShareServerTest, TheFullScreenDefaultDecidesTheAutomaticStart) {
    UserDefaults::standard().setString("KeyASMenuCheckStatusFullScreen", "Y");
    make().start(true, false);
    EXPECT_EQ(sent.take(), QStringList{"start 0 1 1366x768 0,0,1366,768"});
}

TEST_F(APShareServerTest, AnApplicationShareAnnouncesThePaddedScreenAndTheWindowsArea) {
    desktop->windows[4242] = QRectF(100.5, 50, 300.25, 200);
    APShareServer& s = make();
    s.startApplicationSharing(app("xclock", 4242), true);
    EXPECT_EQ(desktop->broughtToFront, std::vector<std::int64_t>{4242});
    // 1366 rounds up to 1376; the area is the application's.
    EXPECT_EQ(sent.take(), QStringList{"start 0 0 1376x768 100,50,400,250"});
    EXPECT_EQ(desktop->capture, QStringList{"start app 4242"});
    EXPECT_EQ(desktop->sleeps, 0);
    // The key frame's width is rounded up to 16 points, its fraction kept.
    s.onStartPermit(0);
    EXPECT_EQ(sent.take(), QStringList{"keyframe 100,50,404,250"});
}

TEST_F(APShareServerTest, AnApplicationWithoutWindowsIsLookedForOnceMore) {
    struct Case {
        const char* what;
        std::vector<QRectF> answers;
        QString start;
    };
    const Case cases[] = {
        {"found at the second look", {QRectF(), QRectF(10, 20, 30, 40)}, "start 1 0 1376x768 10,20,40,60"},
        {"still none: zeros", {QRectF(), QRectF()}, "start 1 0 1376x768 0,0,0,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop->sleeps = 0;
        desktop->windowAnswers = c.answers;
        APShareServer& s = make();
        s.startApplicationSharing(app("xclock", 4242), false);
        EXPECT_EQ(desktop->sleeps, 1);
        EXPECT_EQ(sent.take(), QStringList{c.start});
        s.stop(true, std::nullopt);
        settle();
    }
}

TEST_F(APShareServerTest, EveryWayIntoAStopEndsWhereItShould) {
    enum Entry { Stop, StopWithText, MenuStopButton, MenuClosed, Refused, CaptureError };
    struct Case {
        const char* what;
        bool sharing;  // permitted before the stop
        bool requested, webinar, owner;
        Entry entry;
        QStringList sent;
        bool menuStays;
        QStringList notices;
        bool stops = true;
    };
    const Case cases[] = {
        {"the window's stop while sharing", true, false, false, false, Stop, {"stop"}, false, {}},
        {"the window's stop with a text",
         true,
         false,
         false,
         false,
         StopWithText,
         {"stop"},
         false,
         {"alert_id_as_stop owner changed"}},
        {"the window's stop while starting: nothing announced",
         false,
         false,
         false,
         false,
         StopWithText,
         {},
         false,
         {}},
        {"the menu's stop in an own share keeps the menu",
         true,
         false,
         false,
         false,
         MenuStopButton,
         {"stop"},
         true,
         {}},
        {"the menu's stop in a requested share closes it",
         true,
         true,
         false,
         false,
         MenuStopButton,
         {"stop"},
         false,
         {}},
        {"a webinar participant's stop closes the menu",
         true,
         false,
         true,
         false,
         MenuStopButton,
         {"stop"},
         false,
         {"webinar end"}},
        {"the webinar owner's stop keeps it",
         true,
         false,
         true,
         true,
         MenuStopButton,
         {"stop"},
         true,
         {"webinar end"}},
        {"closing the menu while sharing stops", true, false, false, false, MenuClosed, {"stop"}, false, {}},
        {"closing the menu while starting only releases it",
         false,
         false,
         false,
         false,
         MenuClosed,
         {},
         false,
         {},
         false},
        {"the relay refuses while starting", false, false, false, false, Refused, {}, true, {}},
        {"a capture error while sharing", true, false, false, false, CaptureError, {"stop"}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.notices.clear();
        desktop->capture.clear();
        APShareServer::Options o;
        o.isWebinar = c.webinar;
        o.isMainUser = c.owner;
        APShareServer& s = make(o);
        desktop->capture.clear();
        s.start(true, c.requested);
        if (c.sharing) s.onStartPermit(0);
        settle();
        sent.take();
        switch (c.entry) {
            case Stop:
                s.stop(true, std::nullopt);
                break;
            case StopWithText:
                s.stop(true, QStringLiteral("owner changed"));
                break;
            case MenuStopButton:
                s.stopSharing();
                break;
            case MenuClosed:
                s.menu()->window()->performClose();
                break;
            case Refused:
                s.onStartRefuse(0);
                break;
            case CaptureError:
                s.onError(ScreenRecorder::kErrorNotSetUp);
                break;
        }
        settle();
        EXPECT_EQ(s.status(), c.stops ? APShareServer::Idle : APShareServer::Starting);
        EXPECT_EQ(sent.take(), c.sent);
        const QStringList capture =
            c.stops ? QStringList{"start desktop", "stop desktop"} : QStringList{"start desktop"};
        EXPECT_EQ(desktop->capture, capture);
        EXPECT_EQ(s.menu() != nullptr, c.menuStays);
        if (c.menuStays) {
            EXPECT_TRUE(s.menu()->window()->findChild<QWidget*>("apshare_menu_button_start")->isEnabled());
            EXPECT_FALSE(s.menu()->window()->findChild<QWidget*>("apshare_menu_button_stop")->isEnabled());
        }
        EXPECT_EQ(view.notices, c.notices);
        // Frames after the stop go nowhere.
        s.onCaptureBitmap(nullptr, QSize(), QRectF(0, 0, 1, 1));
        EXPECT_TRUE(sent.take().isEmpty());
    }
}

TEST_F(APShareServerTest, NoWindowOfTheSharedApplicationStopsOnlyWhileItIsGoneOrStarting) {
    struct Case {
        const char* what;
        bool permitted, appRuns;
        int64_t after;
    };
    const Case cases[] = {
        {"hidden while sharing: goes on", true, true, APShareServer::Sharing},
        {"quit while sharing: stops", true, false, APShareServer::Idle},
        {"no window while starting: stops", false, true, APShareServer::Idle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        running =
            c.appRuns ? std::vector<ApplicationInfo>{app("xclock", 4242)} : std::vector<ApplicationInfo>{};
        desktop->running = c.appRuns ? std::set<std::int64_t>{4242} : std::set<std::int64_t>{};
        APShareServer& s = make();
        s.startApplicationSharing(app("xclock", 4242), false);
        if (c.permitted) s.onStartPermit(0);
        s.onError(ScreenRecorder::kErrorNoWindow);
        settle();
        EXPECT_EQ(s.status(), c.after);
    }
}

TEST_F(APShareServerTest, RestartRequestsGetAKeyFrameAtMostEveryTenSeconds) {
    APShareServer& s = make();
    s.start(true, false);
    s.onStartPermit(0);
    sent.take();
    const std::pair<std::chrono::milliseconds, bool> requests[] = {
        {0ms, true},  // the first after the start always
        {3s, false}, {9999ms, false}, {10s, true}, {15s, false}, {20s, true},
    };
    const auto start = desktop->clock;
    for (auto [at, keyFrame] : requests) {
        SCOPED_TRACE(at.count());
        desktop->clock = start + at;
        s.onStartPermit(1);
        EXPECT_EQ(sent.take().size(), keyFrame ? 1 : 0);
    }
    s.onStartPermit(7);  // unknown values: nothing
    EXPECT_TRUE(sent.take().isEmpty());
}

TEST_F(APShareServerTest, ControlRequestsAreAnsweredAtOnceOrAsked) {
    struct Case {
        const char* what;
        uint32_t kind;
        bool ignoreBox, roomIgnores, ownNoConfirm;
        QStringList answer;  // sent at once
        bool asked;
    };
    const Case cases[] = {
        {"an ordinary request is asked", 0, false, false, false, {}, true},
        {"the menu's ignore box refuses", 0, true, false, false, {"control 1 bob"}, false},
        {"the room's ignore option refuses", 0, false, true, false, {"control 1 bob"}, false},
        // The requester's own room choosing "no confirmation" does not
        // outweigh the sharer's refusal, nor the sharer's question.
        {"kind 1 is refused when the menu ignores", 1, true, false, false, {"control 1 bob"}, false},
        {"kind 1 is refused when the room ignores", 1, false, true, false, {"control 1 bob"}, false},
        {"kind 1 is asked without the sharer's own no-confirm option", 1, false, false, false, {}, true},
        {"kind 1 with the sharer's no-confirm option is granted",
         1,
         false,
         false,
         true,
         {"control 0 bob"},
         false},
        {"kind 0 with the no-confirm option is still asked", 0, false, false, true, {}, true},
        {"unknown kinds are not answered", 5, false, false, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.reset();  // its menu saves its options as it goes
        settle();
        UserDefaults::standard().setString("KeyASMenuCheckStatusIgnoreOpReq", c.ignoreBox ? "Y" : "N");
        APShareServer::Options o;
        o.isASControlIgnoreOption = c.roomIgnores;
        o.isASControlNoConfirm = c.ownNoConfirm;
        APShareServer& s = make(o);
        s.start(true, false);
        s.onStartPermit(0);
        settle();
        sent.take();
        s.onControlReq(c.kind, "bob", "Bob");
        settle();
        EXPECT_EQ(sent.take(), c.answer);
        EXPECT_EQ(s.notificationWindow() != nullptr, c.asked);
        if (c.asked) {
            EXPECT_TRUE(s.notificationWindow()->messageView()->text().contains("Bob"));
            ASSERT_NE(s.answerTimer(), nullptr);
            EXPECT_TRUE(s.answerTimer()->isActive());
            EXPECT_EQ(s.answerTimer()->interval(), 30000);
        }
    }
}

TEST_F(APShareServerTest, TheQuestionsAnswersCloseIt) {
    enum Answer { Permit, Reject, Timeout, SpeechEnds, OtherSpeechEnds };
    struct Case {
        const char* what;
        Answer answer;
        QStringList sent;
        bool open;
    };
    const Case cases[] = {
        {"permit", Permit, {"control 0 bob"}, false},
        {"reject", Reject, {"control 1 bob"}, false},
        {"no answer within the time: refused", Timeout, {"control 1 bob"}, false},
        {"the requester's speech ends: closed without an answer", SpeechEnds, {}, false},
        {"another participant's speech ends: stays", OtherSpeechEnds, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        APShareServer& s = make();
        s.start(true, false);
        s.onStartPermit(0);
        s.onControlReq(0, "bob", "Bob");
        settle();
        sent.take();
        switch (c.answer) {
            case Permit:
                s.notificationWindow()->buttons().at(1)->click();  // the right button permits
                break;
            case Reject:
                s.notificationWindow()->buttons().at(0)->click();
                break;
            case Timeout: {
                s.answerTimer()->start(1);
                const auto end = std::chrono::steady_clock::now() + 10s;
                while (s.answerTimer()->isActive() && std::chrono::steady_clock::now() < end)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
                break;
            }
            case SpeechEnds:
                s.checkOperatorRequester("bob", "Bob");
                break;
            case OtherSpeechEnds:
                s.checkOperatorRequester("carol", "Carol");
                break;
        }
        settle();
        EXPECT_EQ(sent.take(), c.sent);
        EXPECT_EQ(s.notificationWindow() != nullptr, c.open);
        EXPECT_EQ(s.answerTimer()->isActive(), c.open);
        // A late answer to a closed question sends nothing.
        s.permitAPShareControl();
        s.rejectAPShareControl();
        if (!c.open) EXPECT_TRUE(sent.take().isEmpty());
    }
}

TEST_F(APShareServerTest, ASecondRequestRefusesTheFirst) {
    APShareServer& s = make();
    s.start(true, false);
    s.onStartPermit(0);
    s.onControlReq(0, "bob", "Bob");
    settle();
    QPointer<AlertWindow> first = s.notificationWindow();
    sent.take();
    s.onControlReq(0, "carol", "Carol");
    settle();
    EXPECT_EQ(sent.take(), QStringList{"control 1 bob"}) << "bob is told, not left waiting";
    ASSERT_NE(s.notificationWindow(), nullptr);
    EXPECT_NE(s.notificationWindow(), first);
    EXPECT_TRUE(s.notificationWindow()->messageView()->text().contains("Carol"));
    EXPECT_EQ(s.operatorRequester(), QString("carol"));
    EXPECT_TRUE(first.isNull()) << "the earlier question is gone from the screen";
    s.permitAPShareControl();
    EXPECT_EQ(sent.take(), QStringList{"control 0 carol"});
    // The same participant asking again while asked keeps his one question.
    s.onControlReq(0, "dave", "Dave");
    s.onControlReq(0, "dave", "Dave");
    settle();
    EXPECT_TRUE(sent.take().isEmpty());
}

TEST_F(APShareServerTest, TheOperatorsInputReachesTheInjectorOnlyWhileHeOperates) {
    APShareServer& s = make();
    s.start(true, false);
    s.onStartPermit(0);
    settle();
    sent.take();
    desktop->tapLog->pointer = QPoint(10, 20);
    auto send = [&] {
        s.onMouseEvent(APShareMouseEvent::Move, 10, 20);
        s.onMouseWheelEvent(-120);
        s.onKeyEvent(0x61, 1);
        s.onKeyEvent(0x61, 0);
        s.onClipBoardText("from bob");
        settle();
    };
    send();
    EXPECT_TRUE(desktop->tapLog->take().isEmpty()) << "the sharer operates: dropped";
    EXPECT_TRUE(desktop->board.text.isEmpty());

    s.onControllChange("me", "Me", "bob", "Bob", 0);
    settle();
    EXPECT_TRUE(s.clipboardManager()->isObserving());
    send();
    EXPECT_EQ(desktop->tapLog->take(), (QStringList{"move 10,20", "wheel -1", "key 61 down", "key 61 up"}));
    EXPECT_EQ(desktop->board.text, "from bob");

    // The local clipboard goes to the operator only while he operates.
    s.updatePasteboard("local text");
    EXPECT_EQ(sent.take(), QStringList{"clipboard local text"});

    s.onControllChange("me", "Me", "me", "Me", 2);
    settle();
    EXPECT_FALSE(s.clipboardManager()->isObserving());
    EXPECT_EQ(desktop->tapLog->take(), QStringList{"release all"}) << "what the operator held is let go";
    send();
    EXPECT_TRUE(desktop->tapLog->take().isEmpty());
    s.updatePasteboard("local text");
    EXPECT_TRUE(sent.take().isEmpty());
}

TEST_F(APShareServerTest, InAnApplicationShareClicksOutsideAndKeysElsewhereAreDropped) {
    desktop->windows[4242] = QRectF(100, 100, 200, 100);
    APShareServer& s = make();
    s.startApplicationSharing(app("xclock", 4242), false);
    s.onStartPermit(0);
    s.onControllChange("me", "Me", "bob", "Bob", 0);
    settle();
    desktop->tapLog->take();

    s.onMouseEvent(APShareMouseEvent::RightDown, 50, 50);  // outside the shared window
    s.onMouseEvent(APShareMouseEvent::RightUp, 50, 50);
    s.onMouseEvent(APShareMouseEvent::RightDown, 150, 150);
    s.onMouseEvent(APShareMouseEvent::RightUp, 150, 150);
    settle();
    EXPECT_EQ(desktop->tapLog->take(), (QStringList{"down R 150,150 x1", "up R 150,150 x1"}));

    struct Case {
        const char* what;
        std::int64_t focused;
        QStringList posted;
    };
    const Case cases[] = {
        {"the shared application has the focus", 4242, {"key 62 down", "key 62 up"}},
        {"another program has the focus: the press is dropped", 777, {"key 62 up"}},
        {"no window has the focus", 0, {"key 62 up"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop->focused = c.focused;
        s.onKeyEvent(0x62, 1);
        s.onKeyEvent(0x62, 0);
        settle();
        EXPECT_EQ(desktop->tapLog->take(), c.posted);
    }
}

TEST_F(APShareServerTest, OnlyTheLocalUsersEscapeTakesControlBack) {
    struct Case {
        const char* what;
        bool operatorSendsEscapeFirst;
        bool globalMonitor;  // which monitor sees the Escape
        bool regained;
    };
    const Case cases[] = {
        {"the operator's Escape posted into this application", true, false, false},
        {"a local Escape in this application", false, false, true},
        {"a local Escape anywhere on the desktop", false, true, true},
        {"a local Escape anywhere, just after the operator's", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.notices.clear();
        APShareServer& s = sharingOperatedByViewer();
        ASSERT_TRUE(s.hasEscapeMonitors());
        if (c.operatorSendsEscapeFirst) {
            s.onKeyEvent(APShareServer::kKeysymEscape, 1);
            s.onKeyEvent(APShareServer::kKeysymEscape, 0);
            settle();
        }
        (c.globalMonitor ? desktop->globalKeys : desktop->localKeys)(APShareServer::kKeysymEscape);
        settle();
        EXPECT_EQ(sent.take(), c.regained ? QStringList{"regain"} : QStringList{});
        EXPECT_EQ(s.controlState(),
                  c.regained ? APShareServer::kControlBySharer : APShareServer::kControlByViewer);
        EXPECT_EQ(view.notices, c.regained ? QStringList{"alert_id_as_ctrl_status " +
                                                         LocalizedString("dfAPSHARE_RETURN_ORERATION")}
                                           : QStringList{});
        // The next local Escape in this application always counts.
        s.onControllChange("me", "Me", "bob", "Bob", 0);
        desktop->localKeys(APShareServer::kKeysymEscape);
        settle();
        EXPECT_EQ(sent.take(), QStringList{"regain"});
    }
    // Other keys, and Escape while the sharer operates, do nothing.
    APShareServer& s = sharingOperatedByViewer();
    desktop->localKeys(0x61);
    s.onControllChange("me", "Me", "me", "Me", 2);
    desktop->globalKeys(APShareServer::kKeysymEscape);
    settle();
    EXPECT_TRUE(sent.take().isEmpty());
    s.stop(true, std::nullopt);
    settle();
    EXPECT_FALSE(s.hasEscapeMonitors());
}

}  // namespace
}  // namespace appshare_test
