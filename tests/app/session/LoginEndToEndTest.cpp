// The whole application login without a window: a launch link as a web page
// gives it, the loopback web service, conference server and relay, a second
// client process in the same room, and logins through a real HTTP proxy
// (Debian's tinyproxy) named directly or by a proxy auto-configuration script.
#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstring>

#include "LoginTestSupport.h"
#include "control/ConfProtocol.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/LoopbackTcp.h"
#include "fixtures/RelayFixture.h"
#include "platform/Dispatch.h"
#include "platform/SystemProxy.h"
#include "services/DataSaveManager.h"
#include "services/QuorixUtils.h"
#include "settings/SettingWindowController.h"

// JavaScriptCore (libproxy's PAC runner) takes SIGSEGV for its own traps.
extern "C" const char* __asan_default_options() {
    return "allow_user_segv_handler=1";
}

namespace login_test {
namespace {

using namespace quorix::test;

ConfServerScript ScriptFor(const RelayFixture& relay, bool behindProxy = false) {
    ConfServerScript s;
    s.expectGreeting = behindProxy;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

// A tinyproxy on 127.0.0.1 with a configuration of its own, stopped at the end.
class Tinyproxy {
public:
    explicit Tinyproxy(bool requireAuth = false) {
        port_ = UnusedPort("127.0.0.1");
        const QString conf = dir_.filePath("tinyproxy.conf");
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly)) return;
        QString text = QString(
                           "Port %1\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nConnectPort 443\n"
                           "DisableViaHeader Yes\nLogLevel Connect\nLogFile \"%2\"\nPidFile \"%3\"\n")
                           .arg(port_)
                           .arg(dir_.filePath("tinyproxy.log"), dir_.filePath("tinyproxy.pid"));
        if (requireAuth) text += "BasicAuth quorix secret\n";
        f.write(text.toUtf8());
        f.close();
        process_.start("tinyproxy", {"-d", "-c", conf});
        if (!process_.waitForStarted(5000)) return;
        for (int i = 0; i < 600 && !ready_; ++i) {
            int fd = ListenTcp("127.0.0.1", port_);  // fails once tinyproxy listens
            if (fd >= 0) {
                CloseFd(fd);
                std::this_thread::sleep_for(50ms);
            } else {
                ready_ = true;
            }
        }
    }
    ~Tinyproxy() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(2000);
    }
    bool ready() const { return ready_; }
    uint16_t port() const { return port_; }
    QString log() const {
        QFile f(dir_.filePath("tinyproxy.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    uint16_t port_ = 0;
    bool ready_ = false;
};

class LoginEndToEnd : public LoginTestBase {
protected:
    LoginEndToEnd() { clearProxies.emplace(std::map<const char*, QByteArray>{}); }

    // Launches the link and runs the main queue (the camera set-up) until the
    // login has an outcome.
    bool launchAndWait(LoginManager& m, const QString& link, std::chrono::milliseconds timeout = 40s) {
        m.launch(QuorixUtils::ParseOpenUrlParameter(link), false);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (delegate.outcomes() == 0 && std::chrono::steady_clock::now() < deadline)
            dispatcher->waitAndRunPending(20ms);
        m.waitForLoginQueue();
        return delegate.outcomes() > 0;
    }
    void roomConfig(uint16_t confPort, const char* host = "127.0.0.1",
                    std::vector<std::pair<std::string, std::string>> more = {}) {
        std::vector<std::pair<std::string, std::string>> entries = {
            {"SERVERIP", std::string(host) + ":" + std::to_string(confPort)},
            {"CATEGORY", "1"},
            {"OWNER", "chair"},
            {"MAXPARTICIPANT", "8"},
            {"OPTION_STR", R"({"roomlist_max":"8"})"}};
        entries.insert(entries.end(), more.begin(), more.end());
        web.setConfig(entries);
    }

    std::optional<ProxyEnvironment> clearProxies;
    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    RecordingDelegate delegate;
};

TEST_F(LoginEndToEnd, LaunchLinkToARoomWithASecondClientAndOut) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerFixture confA(ScriptFor(relay));
    ConfServerFixture confB(ScriptFor(relay));
    roomConfig(confA.port());
    const QString userId = "al ice&#+1";

    LoginManager manager;
    manager.setDelegate(&delegate);
    const int baseThreads = ProcessThreadCount();
    ASSERT_TRUE(launchAndWait(manager, LaunchLink(LinkFields(web.address(), userId))));
    ASSERT_TRUE(delegate.errorList().empty())
        << delegate.errorList()[0].kind << " " << delegate.errorList()[0].code;
    EXPECT_EQ(delegate.successList(), std::vector<bool>{false});
    EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);

    // The second client enters; the conference server tells us.
    ClientProcess bob(FixtureProgram("quorix_test_client"),
                      {"port=" + std::to_string(confB.port()), "user=bob", "name=Bob", "top=7", "room=8",
                       "option={\"roomlist_max\":\"8\"}", "wait=2000"});
    ASSERT_EQ(bob.waitLine("LOGIN", 20000), "LOGIN 0");
    confA.send(CONF_RECV_ENTER_REP, EntryNotice("bob", "Bob", "S0"));
    std::vector<UserInfoRef> clients;
    for (int i = 0; i < 1500; ++i) {
        clients = manager.userListInfo()->clientList().value_or(std::vector<UserInfoRef>{});
        if (!clients.empty()) break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_EQ(clients.size(), 1u);
    EXPECT_EQ(clients[0]->userId(), "bob");
    EXPECT_EQ(clients[0]->userName(), "Bob");

    // What the web service saw: the configuration, the check and both notices,
    // each with the application's user agent and its values encoded.
    const std::string agent = QuorixUtils::GetAppUserAgent().toStdString();
    for (const WebRequest& r : web.server.requests()) EXPECT_EQ(r.header("user-agent"), agent) << r.target;
    const auto config = web.server.requestsFor(WebServiceFixture::kCommonParamPath);
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(QString::fromStdString(config[0].queryValue("uid")), userId);
    EXPECT_EQ(config[0].queryValue("trid"), "7");
    EXPECT_EQ(config[0].queryValue("rid"), "8");
    EXPECT_EQ(config[0].queryValue("urlencode"), "yes");
    const auto check = web.server.requestsFor(WebServiceFixture::kUpdatePath);
    ASSERT_FALSE(check.empty());
    EXPECT_EQ(check[0].queryValue("mode"), "check");
    EXPECT_EQ(QString::fromStdString(check[0].queryValue("uid")), userId);
    EXPECT_EQ(web.noticeModes(), (std::vector<std::string>{"notifystarted", "notifycompleted"}));
    for (const WebRequest& r : web.server.requestsFor(WebServiceFixture::kNoticePath))
        EXPECT_EQ(r.queryValue("key"), "tok123");

    // The chair is someone else: the client list holds bob only, the speaker list nobody.
    EXPECT_TRUE(manager.userListInfo()->speakerList()->empty());

    manager.logout(false);
    EXPECT_EQ(manager.status(), LOGIN_STATUS_IDLE);
    bob.send("quit");
    EXPECT_EQ(bob.finish(), 0);
    EXPECT_TRUE(relay.waitIdle(10000));
    EXPECT_LE(ProcessThreadCount(), baseThreads + 1) << "the core's threads ended with the logout";
    EXPECT_TRUE(relay.failures().empty());
    manager.setDelegate(nullptr);
}

// As the conference window answers a lost connection: reconnect in the background.
struct ReconnectingDelegate : RecordingDelegate {
    void onConnectionError(int errorNo) override {
        onCoreThread = !mainQueue().isCurrent();
        RecordingDelegate::onConnectionError(errorNo);
        manager->retryInBackground();
    }
    LoginManager* manager = nullptr;
    std::atomic<bool> onCoreThread{false};
};

TEST_F(LoginEndToEnd, ALostConnectionIsReconnectedOffTheMainThread) {
    RelayFixture relay;
    ConfServerFixture conf(ScriptFor(relay));
    roomConfig(conf.port(), "127.0.0.1", {{"CATEGORY", "0"}});
    LoginManager manager;
    ReconnectingDelegate reconnecting;
    reconnecting.manager = &manager;
    manager.setDelegate(&reconnecting);
    manager.launch(QuorixUtils::ParseOpenUrlParameter(LaunchLink(LinkFields(web.address()))), false);
    const auto waitFor = [&](auto done) {
        const auto deadline = std::chrono::steady_clock::now() + 40s;
        while (!done() && std::chrono::steady_clock::now() < deadline) dispatcher->waitAndRunPending(20ms);
        return done();
    };
    ASSERT_TRUE(waitFor([&] { return reconnecting.outcomes() > 0; }));
    ASSERT_EQ(reconnecting.successList(), std::vector<bool>{false});
    ASSERT_EQ(manager.userListInfo()->speakerList()->size(), 1u);

    conf.closeClient();
    ASSERT_TRUE(waitFor([&] { return reconnecting.successList().size() == 2; }));
    EXPECT_EQ(reconnecting.successList(), (std::vector<bool>{false, true}));
    EXPECT_TRUE(reconnecting.onCoreThread);
    EXPECT_EQ(reconnecting.connectionErrors.size(), 1u);
    EXPECT_EQ(conf.connections(), 2);
    EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
    // The own entry is back in the rebuilt list.
    ASSERT_EQ(manager.userListInfo()->speakerList()->size(), 1u);
    EXPECT_EQ(manager.userListInfo()->speakerList()->front()->clientNo(), CLIENT_NO_SELF);
    // Two completion notices: one per login.
    EXPECT_EQ(web.noticeModes(),
              (std::vector<std::string>{"notifystarted", "notifycompleted", "notifycompleted"}));
    manager.logout(false);
    manager.setDelegate(nullptr);
}

// The conference server behind a proxy: it listens on port 443 of an address of
// its own, and only the proxy method is tried first.
class ProxyLogin : public LoginEndToEnd {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("tinyproxy").isEmpty())
            GTEST_SKIP() << "tinyproxy is not installed";
    }
    void preferProxy() { DataSaveManager().saveConnectType(3); }
    // Logs in to a conference server on port 443 of `confAddr` that only the
    // proxy reaches first, and out again.
    void loginBehindProxy(const char* confAddr, const Tinyproxy& proxy) {
        RelayFixture relay;
        ConfServerFixture conf(ScriptFor(relay, true), confAddr, 443);
        ASSERT_TRUE(conf.listening());
        roomConfig(8000, confAddr, {{"MODE_SMARTPHONE_TUNNELING", "Y"}});
        preferProxy();
        LoginManager manager;
        manager.setDelegate(&delegate);
        ASSERT_TRUE(launchAndWait(manager, LaunchLink(LinkFields(web.address()))));
        ASSERT_TRUE(delegate.errorList().empty()) << delegate.errorList()[0].code;
        EXPECT_EQ(manager.status(), LOGIN_STATUS_LOGGED_IN);
        const std::vector<uint8_t> greeting = conf.greeting();
        ASSERT_EQ(greeting.size(), 36u);
        EXPECT_EQ(greeting[32], 1) << "the greeting says: through a proxy";
        EXPECT_TRUE(proxy.log().contains(QString("CONNECT %1:443").arg(confAddr)))
            << proxy.log().toStdString();
        manager.logout(false);
        manager.setDelegate(nullptr);
    }
    void useManualProxy(uint16_t port) {
        DataSaveManager save;
        save.saveProxyConnectType(3);
        save.saveProxyHost("127.0.0.1");
        save.saveProxyPort(port);
    }
};

TEST_F(ProxyLogin, ThroughTheUsersManualProxy) {
    Tinyproxy proxy;
    ASSERT_TRUE(proxy.ready());
    useManualProxy(proxy.port());
    loginBehindProxy("127.44.0.31", proxy);
}

// Answers nothing: the window's OK only has to store the connection page.
struct SilentSettingDelegate : SettingWindowControllerDelegate {
    void closeSettingWindow(int) override {}
    void changeAudioSettings(const std::optional<AudioDeviceInfo>&, const std::optional<AudioDeviceInfo>&,
                             std::int64_t, std::int64_t) override {}
    void changeVideoSettings(QSize, int, const std::optional<CaptureDevice>&) override {}
    void changeVideoBg(int, const std::optional<QByteArray>&) override {}
    void selectedCustomImgData(std::function<void(const QByteArray&)>) override {}
    void settingTimeRecCheck(bool) override {}
};

TEST_F(ProxyLogin, ThroughAManualProxySavedInTheSettingsWindow) {
    Tinyproxy proxy;
    ASSERT_TRUE(proxy.ready());
    {
        SettingWindowParams params;
        params.cameraList = [] { return QVector<CaptureDevice>(); };
        params.showNotice = [](const QString& message) { ADD_FAILURE() << message.toStdString(); };
        SilentSettingDelegate settingDelegate;
        SettingWindowController window(params, &settingDelegate);
        window.window()->findChild<QAbstractButton*>("id_item_connection_proxy_manual")->click();
        for (const auto& [name, text] :
             {std::pair<const char*, QString>{"proxyHostInputField", " 127.0.0.1 "},
              {"proxyPortInputField", QString::number(proxy.port())}}) {
            auto* field = window.window()->findChild<QLineEdit*>(name);
            field->setText(text);
            emit field->textEdited(text);
            emit field->editingFinished();
        }
        window.onClickOkButton();
    }
    loginBehindProxy("127.44.0.34", proxy);
}

TEST_F(ProxyLogin, ThroughTheProxyThatTheAutoConfigurationScriptNames) {
    if (!SystemProxy::pacRunnerInstalled()) GTEST_SKIP() << "libproxy's PAC runner plugin is not installed";
    Tinyproxy proxy;
    ASSERT_TRUE(proxy.ready());
    WebReply pac = WebReply::text("function FindProxyForURL(url, host) { return \"PROXY 127.0.0.1:" +
                                  std::to_string(proxy.port()) + "\"; }");
    pac.contentType = "application/x-ns-proxy-autoconfig";
    web.server.setReply("/proxy.pac", pac);
    ProxyEnvironment env(
        {{"http_proxy", "pac+" + QByteArray::fromStdString(web.server.baseUrl()) + "proxy.pac"}});
    loginBehindProxy("127.44.0.32", proxy);
    // The web requests went through the script's proxy as well.
    EXPECT_TRUE(proxy.log().contains("common_xml.php")) << proxy.log().toStdString();
}

TEST_F(ProxyLogin, AProxyThatAsksForCredentialsFailsTheLogin) {
    Tinyproxy proxy(true);
    ASSERT_TRUE(proxy.ready());
    roomConfig(UnusedPort("127.44.0.33"), "127.44.0.33", {{"MODE_SMARTPHONE_TUNNELING", "Y"}});
    DataSaveManager().saveConnectType(2);  // tunnel (refused), proxy (407), direct (refused)
    useManualProxy(proxy.port());

    LoginManager manager;
    manager.setDelegate(&delegate);
    ASSERT_TRUE(launchAndWait(manager, LaunchLink(LinkFields(web.address()))));
    // The conference server's connection turns every failure into -1; the
    // proxy's refusal stays readable as the connection sub-code.
    ASSERT_EQ(delegate.errorList().size(), 1u);
    EXPECT_EQ(delegate.errorList()[0], (RecordingDelegate::Error{LOGIN_ERROR_CORE, -1, 0}));
    EXPECT_EQ(manager.bridge()->GetConnectionError(), -12);
    EXPECT_EQ(web.noticeModes(), (std::vector<std::string>{"notifystarted", "notifycompleted"}));
    EXPECT_TRUE(proxy.log().contains("CONNECT 127.44.0.33:443")) << proxy.log().toStdString();
    manager.setDelegate(nullptr);
}

}  // namespace
}  // namespace login_test
