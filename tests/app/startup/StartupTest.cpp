// The program as the desktop starts it: a launch link on the command line
// logs in and builds the conference view; a second start hands its link to
// the running instance and ends; the display is kept awake through the
// screen saver's inhibit while the program runs; sleep and wake are logged.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include "app/session/LoginTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/StartViewController.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "startup/AppDelegate.h"
#include "startup/QuorixApplication.h"

namespace login_test {
namespace {

using namespace quorix::test;

// org.freedesktop.ScreenSaver on the private session bus. Records the
// inhibits and their releases.
class FakeScreenSaver : public FakeDBusService {
public:
    explicit FakeScreenSaver(const QString& address)
        : FakeDBusService(address, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver") {}
    ~FakeScreenSaver() override { shutDown(); }
    QStringList inhibits() const {
        QMutexLocker lock(&mutex_);
        return inhibits_;
    }
    QList<uint> released() const {
        QMutexLocker lock(&mutex_);
        return released_;
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> args = message.arguments();
        QDBusMessage reply;
        QMutexLocker lock(&mutex_);
        if (message.member() == "Inhibit" && args.size() == 2) {
            inhibits_ << args[0].toString() + "|" + args[1].toString();
            reply = message.createReply(QVariant::fromValue(uint(40 + inhibits_.size())));
        } else if (message.member() == "UnInhibit" && args.size() == 1) {
            released_ << args[0].toUInt();
            reply = message.createReply();
        } else {
            return false;
        }
        connection.send(reply);
        return true;
    }

private:
    mutable QMutex mutex_;
    QStringList inhibits_;
    QList<uint> released_;
};

// The session bus of the whole program (the process keeps its first connection).
PrivateSessionBus& sessionBus() {
    static PrivateSessionBus bus;
    return bus;
}

// A bus that stands in for the system bus, with logind's sleep signal.
class StandInSystemBus {
public:
    StandInSystemBus() {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~StandInSystemBus() {
        QDBusConnection::disconnectFromBus("stand-in-logind");
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) daemon_.kill();
    }
    const QString& address() const { return address_; }
    void prepareForSleep(bool sleeping) {
        QDBusConnection bus = QDBusConnection::connectToBus(address_, "stand-in-logind");
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                         "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << sleeping;
        bus.send(signal);
    }

private:
    QProcess daemon_;
    QString address_;
};

ConfServerScript ScriptFor(const RelayFixture& relay) {
    ConfServerScript s;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

class Startup : public LoginTestBase {
protected:
    Startup() {
        EXPECT_TRUE(sessionBus().started());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                       {"CATEGORY", "0"},
                       {"OWNER", "chair"},
                       {"MAXPARTICIPANT", "8"},
                       {"CLASSNAME", "Room A"},
                       {"EXITMODE", "Y"},
                       {"OPTION_STR", R"({"roomlist_max":"8"})"}});
    }
    ~Startup() override { qunsetenv("XDG_RUNTIME_DIR"); }

    // Every line the program wrote to its log files so far.
    QString logText() const {
        QString text;
        const QDir dir(QDir::homePath() + "/.local/share/com.quorix.Quorix/Log");
        for (const QString& name : dir.entryList(QDir::Files)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly)) text += QString::fromUtf8(f.readAll());
        }
        return text;
    }
    bool waitLog(const QString& what, int count = 1, int ms = 40000) {
        return processEventsUntil([&] { return logText().count(what) >= count; }, ms);
    }

    QTemporaryDir runtime;
    RoomWebService web;
    RelayFixture relay;
    ConfServerFixture conf{ScriptFor(relay)};
};

TEST_F(Startup, ALinkOnTheCommandLineLogsInAndBuildsTheConferenceView) {
    FakeScreenSaver saver(sessionBus().address());
    ASSERT_TRUE(saver.registered());
    {
        QuorixApplication app({"quorix", LaunchLink(LinkFields(web.address()))});
        ASSERT_FALSE(app.handOffToRunningInstance());  // nobody runs yet
        app.start();
        StartViewController* c = app.controller();
        ASSERT_TRUE(processEventsUntil([&] { return c->headerView() != nullptr; }, 40000));
        EXPECT_EQ(c->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        EXPECT_TRUE(c->footerView()->findChild<QLabel*>("footerLabel")->text().startsWith("Room A"));
        ASSERT_NE(c->videoArea(), nullptr);
        EXPECT_EQ(c->videoArea()->view()->parentWidget(), c->view());
        EXPECT_TRUE(app.delegate()->isLoggedIn());
        EXPECT_EQ(saver.inhibits(), QStringList{"Quorix|NoDisplaySleepAssertion"});
        EXPECT_TRUE(saver.released().isEmpty());
        c->loginManager()->logout(false);
        app.willTerminate();
        EXPECT_EQ(saver.released(), QList<uint>{41});
    }
    EXPECT_TRUE(relay.waitIdle(10000));
}

TEST_F(Startup, ASecondStartHandsItsLinkToTheRunningInstance) {
    FakeScreenSaver saver(sessionBus().address());
    ASSERT_TRUE(saver.registered());
    StandInSystemBus systemBus;
    ASSERT_FALSE(systemBus.address().isEmpty());

    const QString program = QStringLiteral(QUORIX_TEST_BINARY_DIR) + "/app/quorix";
    ASSERT_TRUE(QFile::exists(program));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", systemBus.address());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ASAN_OPTIONS",
               "detect_leaks=0");  // the program's own leaks are the in-process tests' business

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(program, {LaunchLink(LinkFields(web.address(), "user-1"))});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitLog("Login process end.")) << logText().toStdString();
    EXPECT_TRUE(conf.waitEntered("user-1", 20000));
    EXPECT_EQ(saver.inhibits(), QStringList{"Quorix|NoDisplaySleepAssertion"});

    // logind's sleep and wake reach the log.
    systemBus.prepareForSleep(true);
    systemBus.prepareForSleep(false);
    EXPECT_TRUE(waitLog("Sleep mode.", 1, 10000));
    EXPECT_TRUE(waitLog("Wake from sleep.", 1, 10000));

    // A second start with another link ends at once; the first logs in again with it.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {LaunchLink(LinkFields(web.address(), "user-2"))});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(conf.waitEntered("user-2", 30000));
    EXPECT_TRUE(waitLog("Login process end.", 2));
    EXPECT_EQ(saver.inhibits().size(), 1);  // the second start took no inhibit

    // The session ends the program: it leaves the room, releases the inhibit and ends normally.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(saver.released(), QList<uint>{41});
    EXPECT_TRUE(logText().contains("Quorix was terminated."));
    EXPECT_TRUE(relay.waitIdle(10000));
}

TEST(AppDelegateHelp, DocumentFollowsTheFirstPreferredLanguage) {
    const std::vector<std::pair<QStringList, const char*>> cases = {{{"ja-JP", "en-US"}, "help_ja"},
                                                                    {{"ja"}, "help_ja"},
                                                                    {{"en-US", "ja-JP"}, "help_en"},
                                                                    {{"de"}, "help_en"},
                                                                    {{}, "help_en"}};
    for (const auto& [languages, name] : cases)
        EXPECT_EQ(AppDelegate::helpResourceName(languages), name) << languages.join(",").toStdString();
}

}  // namespace
}  // namespace login_test
