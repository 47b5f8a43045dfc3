// The application's whole login path against the loopback web service,
// conference server and relay: from a launch link (as a web page gives it) to
// the logged-in state, through the link decoding, the room configuration, the
// version check, the start notice, the bridge (camera set-up on the main
// thread), the core login and the completion notice. Each login is followed
// by a logout. In the same run the core's own login (no web requests, no
// bridge) against the same fixtures gives the baseline and the ratio.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "fixtures/WebServiceFixture.h"
#include "interface/QuorixCore.h"
#include "interface/QuorixCoreAPI.h"
#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "platform/UserDefaults.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"
#include "services/UpdateManager.h"

using namespace quorix::test;
using Clock = std::chrono::steady_clock;

namespace {

struct Outcome : LoginManagerDelegate {
    void onLoginError(int kind, int code, int) override {
        error = kind * 1000 + code;
        done = true;
    }
    void onLoginSuccess(bool) override { done = true; }
    std::atomic<bool> done{false};
    std::atomic<int> error{0};
};

QString Link(const QStringList& fields) {
    QStringList enclosed;
    for (const QString& f : fields) enclosed << "\"" + QString::fromLatin1(QUrl::toPercentEncoding(f)) + "\"";
    return "quorix://launch?p=" + QString::fromLatin1(enclosed.join(' ').toUtf8().toBase64());
}

struct Stats {
    double median, q1, q3, min, max;
};

Stats Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[size_t(q * double(ms.size() - 1))]; };
    return {at(0.5), at(0.25), at(0.75), ms.front(), ms.back()};
}

std::vector<double> AppLogins(int rounds, RelayFixture& relay, ConfServerFixture& conf, WebServiceFixture& web) {
    ScopedManualDispatcher dispatcher;
    Outcome outcome;
    LoginManager manager;
    manager.setDelegate(&outcome);
    const QString link = Link({"Quorix", "bench-user", "pw", "Bench", "7", "8",
                               QString::fromStdString(web.baseUrl()) + "index.html", "", "", "", "key=token"});
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        outcome.done = false;
        const auto start = Clock::now();
        manager.launch(QuorixUtils::ParseOpenUrlParameter(link), false);
        while (!outcome.done) dispatcher->waitAndRunPending(std::chrono::milliseconds(1));
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        manager.waitForLoginQueue();
        if (outcome.error != 0) {
            std::printf("application login failed: %d\n", outcome.error.load());
            break;
        }
        ms.push_back(elapsed);
        manager.logout(false);
        relay.waitIdle(5000);
    }
    (void)conf;
    manager.setDelegate(nullptr);
    return ms;
}

std::vector<double> CoreLogins(int rounds, RelayFixture& relay, ConfServerFixture& conf) {
    CQuorixCore core;
    const ST_FUNCLIST table{};
    core.Init("Mac", &table, nullptr);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QUORIX_LOGIN_ARGS a;
        a.userAgent = "Bench/1";
        a.host = "127.0.0.1";
        a.port = conf.port();
        a.userId = "bench-user";
        a.password = "pw";
        a.userName = "Bench";
        a.userType = "S0";
        a.appVersion = "1.0";
        a.samplingRateCode = 4;
        a.optionJson = R"({"roomlist_max":"8"})";
        const auto start = Clock::now();
        const int code = core.LoginToServer(a);
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (code != 0) {
            std::printf("core login failed: %d\n", code);
            break;
        }
        ms.push_back(elapsed);
        core.LogoutToServer();
        relay.waitIdle(5000);
    }
    core.Term();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(v);
    QCoreApplication app(argc, argv);
    UserDefaults::resetStandard();
    UpdateManager::setAlertRunner([](const UpdateManager::AlertRequest&) { return 1; });

    RelayFixture relay;
    ConfServerScript script;
    for (int i = 0; i < 5; ++i) script.relays[i] = {relay.addr(), relay.port(i)};
    ConfServerFixture conf(script);
    WebServiceFixture web;
    if (!web.start()) return 1;
    web.setReply(WebServiceFixture::kCommonParamPath,
                 WebReply::xml(WebServiceFixture::commonParamXml(
                     {{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                      {"CATEGORY", "0"},
                      {"OPTION_STR", R"({"roomlist_max":"8","roomlist_sampling":"4"})"}})));
    web.setReply(WebServiceFixture::kNoticePath, WebReply::text("RESULT=0"));
    const std::string version = MainBundle::version().toStdString();
    web.setReply(WebServiceFixture::kUpdatePath, WebReply::xml(WebServiceFixture::updateCheckXml(version, version)));

    const int rounds = 100;
    const std::vector<double> appMs = AppLogins(rounds, relay, conf, web);
    const std::vector<double> coreMs = CoreLogins(rounds, relay, conf);
    if (appMs.empty() || coreMs.empty()) return 1;
    const Stats a = Summarise(appMs), c = Summarise(coreMs);
    std::printf("launch link to logged-in (%zu logins): median %.2f ms, quartiles %.2f / %.2f ms, min %.2f, max %.2f ms\n",
                appMs.size(), a.median, a.q1, a.q3, a.min, a.max);
    std::printf("core login alone      (%zu logins): median %.2f ms, quartiles %.2f / %.2f ms, min %.2f, max %.2f ms\n",
                coreMs.size(), c.median, c.q1, c.q3, c.min, c.max);
    std::printf("application path / core login (medians): %.2f\n", a.median / c.median);
    return 0;
}
