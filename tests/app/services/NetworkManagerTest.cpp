#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "fixtures/WebServiceFixture.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/SystemProxy.h"
#include "services/Common.h"
#include "services/LogFileManager.h"
#include "services/NetworkManager.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

// JavaScriptCore (libproxy's PAC runner) takes SIGSEGV for its own traps.
extern "C" const char* __asan_default_options() {
    return "allow_user_segv_handler=1";
}

namespace {

QString json(const QVariantList& list) {
    return QString::fromUtf8(QJsonDocument::fromVariant(list).toJson(QJsonDocument::Compact));
}

class NetworkManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(LogFileManager::createLogFile());
    }
    int pacErrorLines(const char* text) {
        QFile f(*Common::getCommonAppDirectory(4) + "/log.txt");
        if (!f.open(QIODevice::ReadOnly)) return -1;
        return static_cast<int>(QString::fromUtf8(f.readAll()).count(QString::fromLatin1(text)));
    }
    QByteArray pacAddress(const char* path) {
        return "pac+" + QByteArray::fromStdString(server.baseUrl()) + path;
    }

    TemporaryHome home;
    WebServiceFixture server;
};

TEST_F(NetworkManagerTest, ManualProxiesFromTheEnvironment) {
    struct Case {
        const char* name;
        std::map<const char*, QByteArray> env;
        const char* expected;
    };
    const Case cases[] = {
        {"none", {}, "[]"},
        {"both, same host",
         {{"http_proxy", "http://proxy.test:8080/"}, {"https_proxy", "http://proxy.test:8080"}},
         R"([{"proxyHost":"proxy.test","proxyPort":8080},{"proxyHost":"proxy.test","proxyPort":8080}])"},
        {"upper case, no scheme",
         {{"HTTPS_PROXY", "10.1.2.3:3128"}},
         R"([{"proxyHost":"10.1.2.3","proxyPort":3128}])"},
        {"lower case wins",
         {{"http_proxy", "a.test:1"}, {"HTTP_PROXY", "b.test:2"}},
         R"([{"proxyHost":"a.test","proxyPort":1}])"},
        {"no port", {{"http_proxy", "http://p.test"}}, R"([{"proxyHost":"p.test","proxyPort":80}])"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProxyEnvironment env(c.env);
        EXPECT_EQ(json(NetworkManager::getDeviceProxyInfo("https://conf.example.test/")), c.expected);
    }
    EXPECT_EQ(pacErrorLines("Failed to loading"), 0);
}

TEST_F(NetworkManagerTest, UnreachableScriptKeepsManualEntriesAndLogsOnce) {
    QByteArray goneAddress;
    {
        WebServiceFixture gone;
        ASSERT_TRUE(gone.start());
        goneAddress = "pac+" + QByteArray::fromStdString(gone.baseUrl()) + "proxy.pac";
    }
    {
        ProxyEnvironment env({{"https_proxy", "http://proxy.test:3129"}, {"http_proxy", goneAddress}});
        EXPECT_EQ(json(NetworkManager::getDeviceProxyInfo("http://conf.example.test/")),
                  R"([{"proxyHost":"proxy.test","proxyPort":3129}])");
    }
    EXPECT_EQ(pacErrorLines("Failed to loading PAC."), 1);

    // A script address that answers an error page is no script either.
    server.setReply("/missing.pac", WebReply::status500("<html>no</html>"));
    ProxyEnvironment env({{"http_proxy", pacAddress("missing.pac")}});
    EXPECT_EQ(json(NetworkManager::getDeviceProxyInfo("http://conf.example.test/")), "[]");
    EXPECT_EQ(pacErrorLines("Failed to loading PAC."), 2);
}

// libproxy runs scripts in JavaScriptCore, which handles SIGSEGV itself and keeps
// threads that LeakSanitizer cannot stop at exit: each evaluation runs in a child
// process that ends without the exit-time leak check.
void expectInChild(const std::function<bool()>& check) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(check() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

bool proxyInfoIs(const char* target, const char* expected) {
    const QString got = json(NetworkManager::getDeviceProxyInfo(target));
    if (got != expected) std::fprintf(stderr, "%s: got %s\n", target, got.toUtf8().constData());
    return got == expected;
}

TEST_F(NetworkManagerTest, ScriptAnswersBecomeTypedEntries) {
    if (!SystemProxy::pacRunnerInstalled()) GTEST_SKIP() << "libproxy's PAC runner plugin is not installed";
    WebReply pac = WebReply::text(
        "function FindProxyForURL(url, host) {\n"
        "  if (shExpMatch(host, \"*.direct.test\")) return \"DIRECT\";\n"
        "  return \"PROXY 127.0.0.1:3128; PROXY noport.test; SOCKS 127.0.0.2:1080; DIRECT\";\n"
        "}\n");
    pac.contentType = "application/x-ns-proxy-autoconfig";
    server.setReply("/proxy.pac", pac);

    expectInChild([&] {
        ProxyEnvironment env(
            {{"https_proxy", "http://proxy.test:3129"}, {"http_proxy", pacAddress("proxy.pac")}});
        return proxyInfoIs("http://conf.example.test/room/",
                           R"([{"proxyHost":"proxy.test","proxyPort":3129},)"
                           R"({"proxyHost":"127.0.0.1","proxyPort":3128,"proxyType":"HTTP"},)"
                           R"({"proxyHost":"127.0.0.2","proxyPort":1080,"proxyType":"SOCKS"},)"
                           R"({"proxyType":"DIRECT"}])") &&
               !server.requestsFor("/proxy.pac").empty() && pacErrorLines("Failed to loading") == 0;
    });
    expectInChild([&] {
        ProxyEnvironment env(
            {{"http_proxy", pacAddress("proxy.pac")}, {"https_proxy", pacAddress("proxy.pac")}});
        return proxyInfoIs("https://web.direct.test/", R"([{"proxyType":"DIRECT"}])");
    });
}

TEST(SystemProxyTest, LibproxyAnswerTexts) {
    struct Case {
        const char* text;
        const char* type;
        std::optional<QString> host;
        std::optional<int> port;
    };
    const Case cases[] = {
        {"direct://", "DIRECT", std::nullopt, std::nullopt},
        {"http://p.test:3128", "HTTP", "p.test", 3128},
        {"socks5://[::1]:1080", "SOCKS5", "::1", 1080},
        {"http://noport.test", "HTTP", "noport.test", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto e = SystemProxy::entryFromProxyText(c.text);
        EXPECT_EQ(e.type, c.type);
        EXPECT_EQ(e.host, c.host);
        EXPECT_EQ(e.port, c.port);
    }
}

}  // namespace
