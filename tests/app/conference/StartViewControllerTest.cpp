// The conference window controller against the loopback web service and a
// scripted bridge, its main queue on a fake clock: launches, login outcomes,
// forced logouts, reconnects, leaving, and the conference alerts.
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>

#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "tiles/AudioPeakMeter.h"
#include "ui/AlertWindow.h"
#include "ui/CommonAlert.h"

namespace login_test {
namespace {

struct FakeWindows : ConferenceFeatureWindows {
    explicit FakeWindows(std::vector<std::string>& log) : log(log) {}
    void launchSettingWindow() override { log.push_back("settings.open"); }
    void closeSettingWindow() override { log.push_back("settings.close"); }
    void launchListWindow() override { log.push_back("list.open"); }
    void closeListWindows() override { log.push_back("list.close"); }
    void startDocShare() override { log.push_back("docshare.start"); }
    void openTextBox(const TextBoxLaunch&) override { log.push_back("textbox.open"); }
    void openMessageWindow(const MessageLaunch&, const std::optional<QString>&) override {
        log.push_back("message.open");
    }
    void launchAPShareWindow() override { log.push_back("apshare.open"); }
    void closeConferenceWindows(bool keep) override {
        log.push_back(keep ? "windows.keep" : "windows.close");
    }
    std::vector<std::string>& log;
};

// A recorder that writes its file out on a thread of its own after the stop.
struct SlowRecorder : LoginRecordingManager {
    void stopAllRecording() override {
        if (writer.joinable()) return;
        writer = std::thread([this] {
            std::this_thread::sleep_for(300ms);
            finished = true;
        });
    }
    bool waitUntilFinished(std::chrono::milliseconds) override {
        if (writer.joinable()) writer.join();
        return finished.load();
    }
    ~SlowRecorder() override {
        if (writer.joinable()) writer.join();
    }
    std::thread writer;
    std::atomic<bool> finished{false};
};

class StartViewControllerTest : public LoginTestBase {
protected:
    StartViewControllerTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            LoginManagerFeatures f;
            f.recordingManager = [this](LoginManager&, const RecordingParams&) {
                auto r = std::make_unique<SlowRecorder>();
                recorder = r.get();
                return r;
            };
            return std::make_unique<LoginManager>(f, [this](QuorixInterface*) { return &bridge; });
        };
        s.windows = std::make_unique<FakeWindows>(log);
        s.runModalAlert = [this](const QString& message) {
            alerts.push_back(message);
            const int answer = answers.empty() ? AlertFirstButtonReturn : answers.front();
            if (!answers.empty()) answers.pop_front();
            return answer;
        };
        s.terminate = [this] {
            terminated++;
            recorderDoneAtQuit = recorder && recorder->finished.load();
        };
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        s.savedMainFrame = [this] { return savedFrame; };
        s.openUrl = [this](const QString& address) { opened.push_back(address); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~StartViewControllerTest() override {
        controller->loginManager()->waitForLoginQueue();
        dispatcher->runPending();
        controller.reset();
        CommonAlert::sharedInstance().hideAllAlert();
        dispatcher->runPending();
    }
    QString link(const QString& user = "user-1") { return LaunchLink(LinkFields(web.address(), user)); }
    void postLink(const std::optional<QString>& text) {
        QVariantMap info;
        if (text) info.insert("object", *text);
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
    }
    // Runs the main queue and the login queue until both are quiet.
    void settle() {
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
        }
        dispatcher->runPending();
    }
    void logIn() {
        postLink(link());
        settle();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
    }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    FakeBridge bridge;
    std::vector<std::string> log;
    std::vector<QString> alerts;
    std::deque<int> answers;
    int terminated = 0;
    SlowRecorder* recorder = nullptr;
    bool recorderDoneAtQuit = false;
    QRectF savedFrame;
    std::vector<QString> opened;
    std::unique_ptr<StartViewController> controller;
};

TEST_F(StartViewControllerTest, ALinkLogsInAndBuildsTheConferenceView) {
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"},
                   {"CATEGORY", "0"},
                   {"CLASSNAME", "Room A"},
                   {"CONFIGMODE", "Y"},
                   {"EXITMODE", "Y"},
                   {"USERLISTMODE", "Y"}});
    logIn();
    ASSERT_NE(controller->headerView(), nullptr);
    ASSERT_NE(controller->footerView(), nullptr);
    ASSERT_NE(controller->videoArea(), nullptr);
    EXPECT_EQ(controller->headerView()->frame().height(), 42);
    EXPECT_EQ(controller->footerView()->frame(), QRectF(0, 0, controller->window()->frame().width(), 25));
    EXPECT_TRUE(controller->footerView()->findChild<QLabel*>("footerLabel")->text().startsWith("Room A"));
    EXPECT_EQ(controller->window()->windowTitle(), "Room A - Quorix");
    // The list window opens in a normal room with the list mode.
    EXPECT_EQ(std::count(log.begin(), log.end(), "list.open"), 1);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StartViewControllerTest, ALinkWhileLoggedInResetsAndLogsInAgain) {
    logIn();
    QPointer<MVHeaderView> firstHeader = controller->headerView();
    log.clear();
    postLink(link("user-2"));
    dispatcher->runPending();
    // The running conference ended before the new login: windows closed, list emptied.
    EXPECT_EQ(log.front(), "windows.close");
    settle();
    EXPECT_EQ(bridge.loginCount(), 2u);
    EXPECT_EQ(bridge.logins.back().strUserId, "user-2");
    EXPECT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
    EXPECT_TRUE(firstHeader.isNull());  // the old view was removed, a new one built
    EXPECT_NE(controller->headerView(), nullptr);
    EXPECT_EQ(terminated, 0);
}

TEST_F(StartViewControllerTest, LinksDuringALoginWaitForIt) {
    bridge.loginDelay = 200ms;
    postLink(link("user-1"));
    postLink(link("user-2"));
    dispatcher->runPending();
    settle();
    EXPECT_EQ(bridge.maxActive.load(), 1);
    EXPECT_EQ(bridge.loginCount(), 2u);
}

TEST_F(StartViewControllerTest, ALaunchWithoutLinkText) {
    struct Case {
        bool loggedIn;
        int answer;
        int terminations;
    };
    for (const Case c : {Case{false, AlertFirstButtonReturn, 1}, Case{false, AlertSecondButtonReturn, 0},
                         Case{true, AlertFirstButtonReturn, 0}}) {
        SCOPED_TRACE(c.loggedIn);
        if (c.loggedIn) logIn();
        alerts.clear();
        terminated = 0;
        answers = {c.answer};
        postLink(std::nullopt);
        dispatcher->runPending();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0], LocalizedFormat("dfMAINVIEW_XMLPARSE_OTHER_ERROR", QStringLiteral("-101")) +
                                 "\n" + LocalizedString("dfLAUNCH_REASON_101"));
        EXPECT_EQ(terminated, c.terminations);
        if (c.terminations != 0) {
            EXPECT_EQ(controller->exitStatus(), 1);
        }
        EXPECT_EQ(bridge.loginCount(), c.loggedIn ? 1u : 0u);
    }
}

// Links that cannot be used, as they come during a conference: each is
// refused with what is wrong with it, and the conference goes on untouched.
TEST_F(StartViewControllerTest, AnUnusableLinkDuringAConferenceLeavesItRunning) {
    logIn();
    QStringList noUser = LinkFields(web.address());
    noUser[1].clear();
    const struct Case {
        const char* name;
        QString link;
        int code;
        const char* reason;
    } cases[] = {
        {"not a launch link", "quorix://garbage", -101, "dfLAUNCH_REASON_101"},
        {"a payload that is no Base64", "quorix://launch?p=%%%", -101, "dfLAUNCH_REASON_101"},
        {"too few fields", LaunchLink(LinkFields(web.address()).mid(0, 7)), -102, "dfLAUNCH_REASON_102"},
        {"no user id", LaunchLink(noUser), -103, "dfLAUNCH_REASON_103"},
    };
    QPointer<MVHeaderView> header = controller->headerView();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        alerts.clear();
        postLink(c.link);
        settle();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0], LocalizedString("dfLAUNCH_REFUSED") + "\n" +
                                 QuorixUtils::GetMessageForPrepareLoginFailed(c.code) + "\n" +
                                 LocalizedStringForKey(c.reason));
        EXPECT_TRUE(log.empty()) << log.front();  // no window of the conference was closed
        EXPECT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        EXPECT_EQ(bridge.loginCount(), 1u);
        EXPECT_EQ(bridge.status(), 2);  // still logged in to the core
        EXPECT_EQ(controller->headerView(), header.data());
        EXPECT_EQ(terminated, 0);
    }
}

// A join that fails before the core login says which step failed, and the
// program ends with a status that tells it did not join.
TEST_F(StartViewControllerTest, AFailedJoinSaysWhyAndEndsWithStatusOne) {
    QStringList noRoom = LinkFields(web.address());
    noRoom[5].clear();
    const struct Case {
        const char* name;
        QString link;
        int code;
        const char* reason;
    } cases[] = {
        {"not a launch link", "quorix://garbage", -101, "dfLAUNCH_REASON_101"},
        {"too few fields", LaunchLink(LinkFields(web.address()).mid(0, 10)), -102, "dfLAUNCH_REASON_102"},
        {"no room", LaunchLink(noRoom), -103, "dfLAUNCH_REASON_103"},
        {"a web service that does not answer", LaunchLink(LinkFields("http://127.0.0.1:1/")), -201,
         "dfLAUNCH_REASON_201"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        alerts.clear();
        postLink(c.link);
        settle();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0], QuorixUtils::GetMessageForPrepareLoginFailed(c.code) + "\n" +
                                 LocalizedStringForKey(c.reason));
        // The first failure ends the program; the controller quits only once.
        EXPECT_EQ(terminated, 1);
        EXPECT_EQ(controller->exitStatus(), 1);
        EXPECT_EQ(bridge.loginCount(), 0u);
    }
}

TEST_F(StartViewControllerTest, LoginErrorsEndTheApplicationOrOpenTheSettings) {
    struct Case {
        const char* name;
        int coreResult;
        int answer;
        std::vector<std::string> log;
        int terminations;
    };
    const std::vector<Case> cases = {
        {"-8 opens the settings", -8, AlertFirstButtonReturn, {"settings.open"}, 0},
        {"-5 opens the settings", -5, AlertFirstButtonReturn, {"settings.open"}, 0},
        {"-15 opens the settings", -15, AlertFirstButtonReturn, {"settings.open"}, 0},
        {"-7 quits", -7, AlertFirstButtonReturn, {}, 1},
        {"an alert closed otherwise does nothing", -7, AlertSecondButtonReturn, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        alerts.clear();
        terminated = 0;
        answers = {c.answer};
        bridge.defaultResult = c.coreResult;
        postLink(link());
        settle();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0], QuorixUtils::GetMessageForLoginError(c.coreResult, bridge.connectionError));
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(terminated, c.terminations);
        // A fresh controller for the next case (a quit leaves this one done).
        controller->loginManager()->waitForLoginQueue();
    }
}

TEST_F(StartViewControllerTest, TheSettingsWindowAfterALoginErrorRetriesOrQuits) {
    bridge.defaultResult = -8;
    postLink(link());
    settle();
    ASSERT_EQ(log, std::vector<std::string>{"settings.open"});
    ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGING_IN);

    // Closing by itself only drops the window.
    controller->closeSettingWindow(SETTING_WINDOW_CLOSED_ITSELF);
    EXPECT_EQ(log.size(), 1u);

    // OK retries on the login queue with the new settings.
    bridge.defaultResult = 0;
    controller->closeSettingWindow(SETTING_WINDOW_OK);
    settle();
    EXPECT_EQ(bridge.loginCount(), 2u);
    EXPECT_FALSE(bridge.loginOnMainThread.load());
    EXPECT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
    EXPECT_EQ(terminated, 0);

    // Cancel quits only while the login is still pending.
    controller->closeSettingWindow(SETTING_WINDOW_CANCEL);
    EXPECT_EQ(terminated, 0);
}

TEST_F(StartViewControllerTest, CancelInTheSettingsWindowAfterALoginErrorQuits) {
    bridge.defaultResult = -6;
    postLink(link());
    settle();
    controller->closeSettingWindow(SETTING_WINDOW_CANCEL);
    EXPECT_EQ(log, (std::vector<std::string>{"settings.open", "settings.close"}));
    EXPECT_EQ(terminated, 1);
}

TEST_F(StartViewControllerTest, ForcedLogoutTextsAndTheQuitAfterIt) {
    struct Case {
        const char* name;
        int kind;
        QString userId, userName;
        QString text;
    };
    const std::vector<Case> cases = {
        {"pushed out", FORCE_LOGOUT_PUSHED_OUT, "x", "X", LocalizedString("dfMAINVIEW_LOGIN_ERROR9")},
        {"the schedule without exit message", FORCE_LOGOUT_BY_USER, "[ scheduler ]", "",
         "Room was left automatically."},
        {"a user with a name", FORCE_LOGOUT_BY_USER, "boss", "The Boss",
         LocalizedFormat("dfMAINVIEW_ALERT_FORCE", QString("The Boss"))},
        {"a user without a name", FORCE_LOGOUT_BY_USER, "boss", "",
         LocalizedFormat("dfMAINVIEW_ALERT_FORCE", QString("boss"))},
        {"unknown", FORCE_LOGOUT_UNKNOWN, "", "", LocalizedString("dfMAINVIEW_ALERT_FORCE_2")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alerts.clear();
        answers = {AlertSecondButtonReturn};
        std::thread background([&] { controller->onForceLogout(c.kind, c.userId, c.userName); });
        ASSERT_TRUE(dispatcher->waitAndRunPending(5000ms) >= 0);
        background.join();
        dispatcher->runPending();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0], c.text);
        EXPECT_EQ(terminated, 0);
    }
}

TEST_F(StartViewControllerTest, LeavingQuitsOnlyAfterTheLogoutAndTheRecorders) {
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"RECORDING", "Y"}});
    logIn();
    ASSERT_NE(recorder, nullptr);
    answers = {AlertFirstButtonReturn};
    controller->showExitAppAlert("bye");
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(recorderDoneAtQuit);
    EXPECT_EQ(controller->loginManager()->status(), LOGIN_STATUS_IDLE);
    EXPECT_EQ(bridge.status(), 0);  // the core was ended
}

TEST_F(StartViewControllerTest, ClosingTheWindowQuitsOnlyWhenLoggedIn) {
    controller->viewDidAppear();
    controller->windowWillClose(controller->window());
    EXPECT_EQ(terminated, 0);
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"RECORDING", "Y"}});
    logIn();
    controller->windowWillClose(controller->window());
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(recorderDoneAtQuit);
    EXPECT_EQ(controller->loginManager()->status(), LOGIN_STATUS_IDLE);
}

TEST_F(StartViewControllerTest, AConnectionErrorActsOnlyWhileReconnecting) {
    logIn();
    controller->onConnectionError(1);
    dispatcher->runPending();
    EXPECT_TRUE(std::find(log.begin(), log.end(), "windows.keep") == log.end());
    EXPECT_EQ(bridge.loginCount(), 1u);
}

TEST_F(StartViewControllerTest, UpdateCheckWaitsForTheLoginAndHelpOpensTheRoomsPage) {
    NotificationCenter::defaultCenter().post("notification_name_check_update");
    dispatcher->runPending();
    EXPECT_EQ(alerts, std::vector<QString>{LocalizedString("dfUPDATE_LOGIN_LATER")});
    web.setConfig(
        {{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"HELPMACURL", "http://help.example/room"}});
    logIn();
    NotificationCenter::defaultCenter().post("notification_name_launch_help");
    dispatcher->runPending();
    EXPECT_EQ(opened, std::vector<QString>{"http://help.example/room"});
}

TEST_F(StartViewControllerTest, HeaderCommandsActOnlyWhileLoggedIn) {
    controller->onClickFunctionMenu(HEADER_TAG_SETTINGS);
    EXPECT_TRUE(log.empty());
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "1"}, {"OWNER", "owner-id"}});
    logIn();
    log.clear();
    controller->onClickFunctionMenu(HEADER_TAG_SETTINGS);
    // A seminar listener may not start document sharing: a warning instead.
    controller->onClickFunctionMenu(HEADER_TAG_DOC_SHARE);
    dispatcher->runPending();
    EXPECT_EQ(log, std::vector<std::string>{"settings.open"});
    EXPECT_EQ(CommonAlert::sharedInstance().warningAlertArry().size(), 1);
}

TEST_F(StartViewControllerTest, EachHeaderButtonDoesExactlyOneWindowAction) {
    web.setConfig(
        {{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"HELPMACURL", "http://help.example/room"}});
    logIn();
    struct Case {
        int tag;
        std::vector<std::string> windows;
        size_t helpPages;
        int terminations;
    };
    // The exit button last: it leaves the room.
    const Case cases[] = {
        {HEADER_TAG_SETTINGS, {"settings.open"}, 0, 0},
        {HEADER_TAG_USER_LIST, {"list.open"}, 0, 0},
        {HEADER_TAG_DOC_SHARE, {"docshare.start"}, 0, 0},
        {HEADER_TAG_TEXT_BOX, {"textbox.open"}, 0, 0},
        {HEADER_TAG_MESSAGE, {"message.open"}, 0, 0},
        {HEADER_TAG_AP_SHARE, {"apshare.open"}, 0, 0},
        {HEADER_TAG_HELP, {}, 1, 0},
        {HEADER_TAG_EXIT, {"windows.close", "list.close", "settings.close"}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        log.clear();
        opened.clear();
        controller->onClickFunctionMenu(c.tag);
        dispatcher->runPending();
        EXPECT_EQ(log, c.windows);
        EXPECT_EQ(opened.size(), c.helpPages);
        EXPECT_EQ(terminated, c.terminations);
    }
}

TEST_F(StartViewControllerTest, TheConferenceWindowAsTheUserSeesIt) {
    // A normal room whose main window was saved 520 x 600: a 510-point video
    // area and, above 10.15, a 42-point header: a 605-point window, of which
    // the desktop draws the 28-point title bar.
    savedFrame = QRectF(100, 100, 520, 600);
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"},
                   {"CATEGORY", "0"},
                   {"CLASSNAME", "Room A"},
                   {"CONFIGMODE", "Y"},
                   {"DOCSHAREMODE", "Y"},
                   {"USERLISTMODE", "Y"},
                   {"EXITMODE", "Y"},
                   {"HELPMODE", "Y"}});
    logIn();
    Window* window = controller->window();
    EXPECT_EQ(window->frame(), QRectF(100, 100, 520, 605 - 28));
    EXPECT_EQ(controller->headerView()->frame(), QRectF(0, 25 + 510, 520, 42));
    EXPECT_EQ(View::frameOf(controller->videoArea()->view()), QRectF(0, 25, 520, 510));
    EXPECT_EQ(controller->footerView()->frame(), QRectF(0, 0, 520, 25));
    EXPECT_EQ(window->minSize(), QSizeF(42 * (3 + 6), 42 + 60 + 25 + 6));

    window->show();
    processEventsFor(50);
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/conference-window-520x605.png"));
    ASSERT_EQ(shot.size(), QSize(520, 577));

    const QRgb bar = qRgb(250, 250, 250);
    // Header: light, with the button images in both areas and empty between them.
    EXPECT_LT(inkRatio(shot, QRect(0, 0, 520, 42), bar), 0.4);
    EXPECT_GT(inkRatio(shot, QRect(7, 5, 32 * 3 + 20, 32), bar), 0.05);  // settings, documents, list
    EXPECT_GT(inkRatio(shot, QRect(520 - 218, 5, 210, 32), bar), 0.05);  // camera ... exit
    EXPECT_LT(inkRatio(shot, QRect(140, 2, 150, 38), bar), 0.01);
    // The video area between the bars: the black grid with the own tile in
    // it (no camera here: black, with the own name along its top).
    EXPECT_LT(inkRatio(shot, QRect(0, 42, 520, 510), qRgb(0, 0, 0)), 0.05);
    EXPECT_GT(inkRatio(shot, QRect(0, 42 + 62, 260, 40), qRgb(0, 0, 0)), 0.02);
    auto* area = dynamic_cast<MainViewController*>(controller->videoArea());
    ASSERT_NE(area, nullptr);
    ASSERT_EQ(area->clientView()->itemCount(), 1);
    EXPECT_EQ(area->clientView()->elements()[0], area->myVideo()->video());
    // Footer: light, the room text on its left two thirds only.
    EXPECT_GT(inkRatio(shot, QRect(4, 577 - 23, 200, 21), bar), 0.02);
    EXPECT_LT(inkRatio(shot, QRect(0, 577 - 25, 520, 25), bar), 0.3);
    EXPECT_LT(inkRatio(shot, QRect(360, 577 - 25, 160, 25), bar), 0.01);
}

TEST_F(StartViewControllerTest, AMenuBarInTheWindowAddsToItsHeight) {
    savedFrame = QRectF(100, 100, 520, 600);
    auto* bar = new QMenuBar(controller->window());
    bar->addMenu("Quorix");
    controller->window()->layout()->setMenuBar(bar);
    const int menuHeight = bar->sizeHint().height();
    ASSERT_GT(menuHeight, 0);
    logIn();
    controller->window()->show();
    processEventsFor(30);
    // The conference view keeps its full height below the menu bar, the header at its top.
    EXPECT_EQ(controller->view()->size(), QSize(520, 577));
    EXPECT_EQ(controller->headerView()->geometry(), QRect(0, 0, 520, 42));
    EXPECT_EQ(controller->window()->frame(), QRectF(100, 100 - menuHeight, 520, 577 + menuHeight));
}

// ---- Conference alerts ----

TEST(ConferenceAlerts, AudioDeviceMessage) {
    ensureQtApplication();
    const QString sep = QString(QChar(0x3001));
    const QString mic = LocalizedString("dfAUDIOINITERROR_MIC"),
                  spk = LocalizedString("dfAUDIOINITERROR_SPK");
    const QString init = LocalizedString("dfAUDIOINITERROR_2"),
                  sampling = LocalizedString("dfAUDIOINITERROR");
    struct Case {
        const char* name;
        QStringList l1, l2, l3, l4;
        std::optional<QString> text;
    };
    const std::vector<Case> cases = {
        {"nothing failed", {}, {}, {}, {}, std::nullopt},
        {"two inputs failed to start", {}, {}, {"A", "B"}, {}, init + "\n" + mic + "A" + sep + "B\n"},
        {"an output failed to start", {}, {}, {}, {"C"}, init + "\n" + spk + "C\n"},
        {"both groups",
         {"S"},
         {},
         {"A"},
         {"C"},
         sampling + "\n" + mic + "S\n" + "\n\n" + init + "\n" + mic + "A\n" + "\n" + spk + "C\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StartViewController::audioDeviceErrorMessage(c.l1, c.l2, c.l3, c.l4), c.text) << c.name;
    }
}

class ConferenceAlertsTest : public StartViewControllerTest {
protected:
    static AlertWindow* openAlert(const QString& id) {
        for (AlertWindow* w : CommonAlert::sharedInstance().alertWindowArry())
            if (w->alertIdentifier() == id) return w;
        return nullptr;
    }
};

TEST_F(ConferenceAlertsTest, DevicesWithErrorsAreReported) {
    AudioInfo info;
    AudioDeviceInfo ok, broken, slow;
    ok.deviceName = "ok";
    broken.deviceName = "broken";
    broken.errorCode = 1;
    slow.deviceName = "slow";
    slow.errorCode = 2;
    info.inputDevices = {ok, broken};
    info.outputDevices = {slow};
    controller->checkAudioDeviceStatus(info);
    dispatcher->runPending();
    AlertWindow* w = openAlert("alert_id_audio_dev_init_err");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->messageView()->text(),
              *StartViewController::audioDeviceErrorMessage({}, {"slow"}, {"broken"}, {}));
    CommonAlert::sharedInstance().hideAllAlert();
    dispatcher->runPending();
    info.inputDevices = {ok};
    info.outputDevices = {ok};
    controller->checkAudioDeviceStatus(info);
    dispatcher->runPending();
    EXPECT_EQ(openAlert("alert_id_audio_dev_init_err"), nullptr);
}

TEST_F(ConferenceAlertsTest, ReservationQuestionNamesTheRequesterAndAnswersOnce) {
    std::vector<std::pair<int, QString>> answered;
    controller->changeReserveState = [&](int state, const UserInfoRef& u) {
        answered.push_back({state, u->userId()});
    };
    controller->showOnSpeechReserveAlert(UserInfo("u-7", "", "P0"));
    dispatcher->runPending();
    AlertWindow* w = openAlert("alert_id_speech_reserve");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->messageView()->text(), LocalizedFormat("dfMAINVIEW_ALERT_REQ_SPK", QString("u-7")));

    // A second request replaces the first; closing the first keeps the second's requester.
    controller->showOnSpeechReserveAlert(UserInfo("u-8", "Eight", "P0"));
    dispatcher->runPending();
    ASSERT_NE(controller->selectedUserForReserve(), nullptr);
    EXPECT_EQ(controller->selectedUserForReserve()->userId(), "u-8");

    controller->onClickAllowAtReserveAcceptAlert();
    dispatcher->runPending();
    EXPECT_EQ(answered, (std::vector<std::pair<int, QString>>{{1, "u-8"}}));
    EXPECT_EQ(openAlert("alert_id_speech_reserve"), nullptr);
    EXPECT_EQ(controller->selectedUserForReserve(), nullptr);
}

TEST_F(ConferenceAlertsTest, OwnerChangeAndExpelSendOnceAndCloseTheQuestion) {
    std::vector<QString> owners, expelled;
    controller->changeOwner = [&](const QString& id) { owners.push_back(id); };
    controller->forceLeave = [&](const QString& id) { expelled.push_back(id); };
    controller->showChangeOwnerAlert(UserInfo("u-1", "One", "P0"));
    controller->showForceLeaveAlert(UserInfo("u-2", "Two", "P0"));
    dispatcher->runPending();
    EXPECT_EQ(openAlert("alert_id_change_owner")->messageView()->text(),
              LocalizedFormat("dfLISTVIEW_CHANGE_OWNER", QString("One")));
    controller->onClickChangeOwnerButtonOk();
    dispatcher->runPending();
    controller->onClickChangeOwnerButtonOk();  // the question is gone: nothing more is sent
    controller->onClickForceLeaveButtonCancel();
    dispatcher->runPending();
    EXPECT_EQ(owners, std::vector<QString>{"u-1"});
    EXPECT_TRUE(expelled.empty());
    EXPECT_EQ(openAlert("alert_id_change_owner"), nullptr);
    EXPECT_EQ(openAlert("alert_id_force_leave"), nullptr);
    EXPECT_FALSE(controller->selectedUserForChangeOwner());
    EXPECT_FALSE(controller->selectedUserForForceLeave());
}

TEST_F(ConferenceAlertsTest, DocShareOfferYesStartsNoOnlyCloses) {
    controller->showDocShareStartAlert();
    dispatcher->runPending();
    controller->onClickDocShareStartAlertButtonCancel();
    dispatcher->runPending();
    EXPECT_EQ(openAlert("alert_id_docshare_start"), nullptr);
    EXPECT_TRUE(log.empty());
    controller->showDocShareStartAlert();
    dispatcher->runPending();
    controller->onClickDocShareStartAlertButtonOk();
    dispatcher->runPending();
    EXPECT_EQ(log, std::vector<std::string>{"docshare.start"});
}

TEST_F(StartViewControllerTest, TheVideoAreaFollowsTheFloorWithFramesAndLevelsFromCoreThreads) {
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"CLASSNAME", "Room A"}});
    logIn();
    controller->window()->show();
    dispatcher->runPending();
    auto* area = dynamic_cast<MainViewController*>(controller->videoArea());
    ASSERT_NE(area, nullptr);
    // The first appearance placed the own entry of the speaker list.
    ASSERT_EQ(area->clientView()->itemCount(), 1);
    VideoView* own = area->myVideo()->video();
    EXPECT_EQ(area->clientView()->elements()[0], own);
    EXPECT_EQ(area->myVideo()->speaker()->clientNo(), CLIENT_NO_SELF);

    auto other = std::make_shared<SpeakerInfo>(7, QStringLiteral("user-2"), QStringLiteral("User Two"),
                                               QStringLiteral("S0"));
    std::thread([&] { controller->onStartSpeech(other); }).join();
    settle();
    ASSERT_EQ(area->clientView()->itemCount(), 2);
    EXPECT_EQ(area->clientView()->elements()[0], own);
    VideoView* tile = area->videoList().back()->video();

    QImage picture(64, 48, QImage::Format_RGBA8888_Premultiplied);
    picture.fill(Qt::red);
    std::thread([&] {
        controller->updateVideo(7, picture, QString());
        controller->onAudioVolume(7, 100);
    }).join();
    tile->refreshLayerImage();
    EXPECT_EQ(tile->getPixelSize(), QSize(64, 48));
    dispatcher->runPending();
    EXPECT_EQ(tile->findChild<AudioPeakMeter*>()->currentScale(), 10);

    std::thread([&] { controller->onEndSpeech(other); }).join();
    settle();
    EXPECT_EQ(area->clientView()->itemCount(), 1);
}

// A room with a schedule: the first appearance shows the own tile, then the
// schedule's placeholders; a scheduled participant's floor turns its
// placeholder live and back.
TEST_F(StartViewControllerTest, TheFirstAppearanceShowsTheOwnTileThenTheSchedule) {
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"},
                   {"CATEGORY", "0"},
                   {"CLASSNAME", "Room A"},
                   {"OWNER", "owner-id"},
                   {"OPTION_STR", R"({"roomlist_reservenum":"3"})"},
                   {"MODE_USER_ORDER_00000", "user-a,Aoki"},
                   {"MODE_USER_ORDER_00001", "user-b,Baba"}});
    logIn();
    controller->window()->show();
    dispatcher->runPending();
    auto* area = dynamic_cast<MainViewController*>(controller->videoArea());
    ASSERT_NE(area, nullptr);
    const auto& grid = area->clientView()->elements();
    ASSERT_EQ(grid.size(), 3u);
    EXPECT_EQ(grid[0], area->myVideo()->video());
    EXPECT_EQ(area->videoList()[1]->video()->userName(), QStringLiteral("Aoki"));
    EXPECT_EQ(area->videoList()[2]->video()->userName(), QStringLiteral("Baba"));

    auto baba = std::make_shared<SpeakerInfo>(12, QStringLiteral("user-b"), QStringLiteral("Baba"),
                                              QStringLiteral("S0"));
    baba->setIsScheduler(true);
    std::thread([&] { controller->onStartSpeech(baba); }).join();
    settle();
    VideoView* tile = area->videoList()[2]->video();
    EXPECT_EQ(area->clientView()->itemCount(), 3);
    EXPECT_EQ(tile->audioMeterStatus(), VIDEO_METER_DEFAULT);
    EXPECT_EQ(tile->statusMark(), VIDEO_STATUS_MARK_INVALID);

    baba->setClientNo(CLIENT_NO_SCHEDULED);
    std::thread([&] { controller->onEndSpeech(baba); }).join();
    settle();
    EXPECT_EQ(area->clientView()->itemCount(), 3);
    EXPECT_EQ(tile->audioMeterStatus(), VIDEO_METER_HIDDEN);
    EXPECT_EQ(tile->statusMark(), VIDEO_STATUS_MARK_NONE);
}

// A new video area (a relogin builds one) while a core thread keeps sending
// frames and levels: the old area is never reached once it is going.
TEST_F(StartViewControllerTest, FramesDuringANewVideoAreaReachNoDestroyedArea) {
    web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"CLASSNAME", "Room A"}});
    logIn();
    controller->window()->show();
    dispatcher->runPending();
    std::atomic<bool> running{true};
    QImage picture(32, 24, QImage::Format_RGBA8888_Premultiplied);
    picture.fill(Qt::blue);
    std::thread core([&] {
        while (running) {
            controller->updateVideo(CLIENT_NO_SELF, picture, QString());
            controller->onAudioVolume(7, 50);
        }
    });
    for (int i = 0; i < 5; ++i) {
        controller->createMainView(true);
        dispatcher->runPending();
    }
    running = false;
    core.join();
    dispatcher->runPending();
    ASSERT_NE(dynamic_cast<MainViewController*>(controller->videoArea()), nullptr);
}

}  // namespace
}  // namespace login_test
