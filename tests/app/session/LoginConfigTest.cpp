// The room configuration and the texts the login derives from it: base
// addresses, the server address, the configuration request, the supported
// functions, the proxy lists and the schedule.
#include "LoginTestSupport.h"

#include <QJsonDocument>

#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"

namespace login_test {
namespace {

TEST(LoginAddresses, BaseAddressesOfTheWebService) {
    struct Case {
        const char* address;
        const char* stored;
        const char* requestBase;
    };
    const Case cases[] = {
        {"https://web.example/room/index.html", "https://web.example/room/", "https://web.example/room/"},
        {"https://web.example/room/100.php", "https://web.example/room/100.php/", "https://web.example/room/"},
        {"https://web.example/room", "https://web.example/room/", "https://web.example/room/"},
        {"https://web.example/room/", "https://web.example/room/", "https://web.example/room/"},
        {"https://web.example", "https://web.example/", "https://web.example/"},
        {"https://web.example.com", "https://web.example.com/", "https://web.example.com/"},
        {"https://web.example/a.b/c", "https://web.example/a.b/c/", "https://web.example/a.b/c/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const QString stored = LoginManager::normalizedServerUrl(c.address);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(LoginManager::requestBaseUrl(stored), c.requestBase);
    }
}

TEST(LoginAddresses, ServerAddressWithAndWithoutPort) {
    struct Case {
        const char* value;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"conf.example:23000", "conf.example", 23000},
        {"conf.example", "conf.example", 22000},
        {"10.0.0.1:443", "10.0.0.1", 443},
        {"conf.example:", "conf.example", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const auto [host, port] = LoginManager::parseServerAddress(c.value);
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(port, c.port);
    }
}

class LoginConfig : public LoginTestBase {
protected:
    LoginConfig() : manager({}, [this](QuorixInterface*) { return &bridge; }) {}

    // Reads a configuration of the given entries into the manager.
    int load(const std::vector<std::pair<std::string, std::string>>& entries, const QString& userId = "user-1") {
        web.setConfig(entries);
        manager.resetAll();
        EXPECT_EQ(manager.analizeParameter(LinkFields(web.address(), userId), false), 0);
        return manager.getConfigData();
    }

    RoomWebService web;
    FakeBridge bridge;
    LoginManager manager;
};

TEST_F(LoginConfig, TheRequestCarriesEveryValueEncodedAndTheUserAgent) {
    const QString tricky = "a&b=c #d+e f/\u00e9";
    ASSERT_EQ(load({{"status", "0"}}, tricky), 0);
    const auto requests = web.server.requestsFor(WebServiceFixture::kCommonParamPath);
    ASSERT_EQ(requests.size(), 1u);
    const WebRequest& r = requests[0];
    EXPECT_EQ(QString::fromStdString(r.queryValue("uid")), tricky);
    EXPECT_EQ(r.queryValue("trid"), "7");
    EXPECT_EQ(r.queryValue("rid"), "8");
    EXPECT_EQ(r.queryValue("urlencode"), "yes");
    EXPECT_TRUE(r.hasQueryKey("lang"));
    for (const char* key : {"b", "d", "e", "f"}) EXPECT_FALSE(r.hasQueryKey(key)) << key;
    EXPECT_EQ(QString::fromStdString(r.header("user-agent")), QuorixUtils::GetAppUserAgent());
}

TEST_F(LoginConfig, OptionTextAndHelpAddress) {
    ASSERT_EQ(load({{"OPTION_STR", R"({"roomlist_max":"8","roomlist_sampling":4})"},
                    {"HELPMACURL", "https://help.example/mac"}}),
              0);
    EXPECT_EQ(manager.configOptionDict().value("roomlist_max").toString(), "8");
    EXPECT_EQ(UserDefaults::standard().stringForKey("KeyHelpUrl"), QString("https://help.example/mac"));
    // Option texts that are not a JSON object leave the previous one in place.
    for (const char* option : {"not json", "[1,2]", "\"text\"", "{broken"}) {
        SCOPED_TRACE(option);
        web.setConfig({{"OPTION_STR", option}});
        ASSERT_EQ(manager.getConfigData(), 0);
        EXPECT_EQ(manager.configOptionDict().value("roomlist_max").toString(), "8");
    }
}

TEST_F(LoginConfig, LoginParametersFromTheConfiguration) {
    ASSERT_EQ(load({{"SERVERIP", "conf.example"},
                    {"USERPW", "pw2"},
                    {"CATEGORY", "2"},
                    {"OWNER", "chair"},
                    {"CAPTAIN_FREE", "Y"},
                    {"MODE_SMARTPHONE_TUNNELING", "N"},
                    {"MODE_SMARTPHONE_HIGH_RESOLUTION", "Y"},
                    {"MAXPARTICIPANT", "25 people"},
                    {"MODE_MANY_MTG_SPEAKER", "6"},
                    {"EXITMESSAGE", "Y"},
                    {"OPTION_STR", R"({"roomlist_sampling":"3","roomlist_company":"C-1"})"}}),
              0);
    manager.setLoginParameters();
    EXPECT_EQ(manager.serverIp(), "conf.example");
    EXPECT_EQ(manager.serverPort(), 22000);
    EXPECT_EQ(manager.password(), "pw2");
    EXPECT_EQ(manager.iRoomCategory(), ROOM_CATEGORY_MANYMTG);
    EXPECT_EQ(manager.ownerIdStr(), "chair");
    EXPECT_TRUE(manager.bCaptainFree());
    EXPECT_FALSE(manager.bSupportTunneling());
    EXPECT_FALSE(manager.bSupportHighRes()) << "both high-resolution keys are needed";
    EXPECT_EQ(manager.iMaxParticipant(), 25);
    EXPECT_EQ(manager.iManySpeaker(), 6);
    EXPECT_EQ(manager.roomSampling(), 3);
    EXPECT_EQ(manager.companyCode(), "C-1");
    EXPECT_EQ(manager.exitMessageStr(), "Y");
    EXPECT_TRUE(manager.bSupportASServer());
    EXPECT_TRUE(manager.bSupportClientInfo());
    EXPECT_FALSE(manager.bSupportQuestion());
    EXPECT_FALSE(manager.bSupportRemoteStg());
    EXPECT_EQ(manager.appVersion(), MainBundle::shortVersion());
}

TEST_F(LoginConfig, SupportedFunctionsText) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> config;
        const char* json;
    };
    const Case cases[] = {
        {{}, R"({"many_speaker":"0","mode_opus":false,"mode_opus_bitrate":"32000","mode_opus_sampling_rate":"48000"})"},
        {{{"MODE_OPUS", "Y"}, {"MODE_OPUS_BITRATE", "64000"}, {"MODE_MANY_MTG_SPEAKER", "4"}},
         R"({"many_speaker":"4","mode_opus":true,"mode_opus_bitrate":"64000","mode_opus_sampling_rate":"48000"})"},
        {{{"MODE_OPUS", "N"}, {"MODE_OPUS_BITRATE", "7999"}},
         R"({"many_speaker":"0","mode_opus":false,"mode_opus_bitrate":"32000","mode_opus_sampling_rate":"48000"})"},
        {{{"MODE_OPUS_BITRATE", "8000"}},
         R"({"many_speaker":"0","mode_opus":false,"mode_opus_bitrate":"8000","mode_opus_sampling_rate":"48000"})"},
        {{{"MODE_OPUS_BITRATE", "128000"}},
         R"({"many_speaker":"0","mode_opus":false,"mode_opus_bitrate":"128000","mode_opus_sampling_rate":"48000"})"},
        {{{"MODE_OPUS_BITRATE", "128001"}},
         R"({"many_speaker":"0","mode_opus":false,"mode_opus_bitrate":"32000","mode_opus_sampling_rate":"48000"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        LoginManager fresh({}, [this](QuorixInterface*) { return &bridge; });
        web.setConfig(c.config);
        ASSERT_EQ(fresh.analizeParameter(LinkFields(web.address()), false), 0);
        ASSERT_EQ(fresh.getConfigData(), 0);
        fresh.setLoginParameters();
        EXPECT_EQ(fresh.getSupportFuncJson(), c.json);
    }
}

TEST_F(LoginConfig, SupportedFunctionsTakeTheAudioManagersRate) {
    FeatureCalls calls;
    LoginManager withAudio(RecordingFeatures(calls), [this](QuorixInterface*) { return &bridge; });
    EXPECT_EQ(withAudio.getSupportFuncJson(),
              R"({"many_speaker":"0","mode_opus":false,"mode_opus_bitrate":"32000","mode_opus_sampling_rate":"16000"})");
}

TEST_F(LoginConfig, ProxyLists) {
    struct Case {
        const char* what;
        int savedType;
        std::map<const char*, QByteArray> env;
        std::optional<QString> json;
    };
    const Case cases[] = {
        {"manual proxy", 3, {{"http_proxy", "http://system.example:8080"}},
         QString(R"([{"proxyHost":"manual.example","proxyPort":"3128"}])")},
        {"system proxy", 0, {{"http_proxy", "http://system.example:8080"}},
         QString(R"([{"proxyHost":"system.example","proxyPort":8080}])")},
        {"system without proxies", 0, {}, std::nullopt},
        {"other saved type, no system proxy", 2, {}, std::nullopt},
    };
    ASSERT_EQ(load({}), 0);
    DataSaveManager save;
    save.saveProxyHost("manual.example");
    save.saveProxyPort(3128);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProxyEnvironment env(c.env);
        save.saveProxyConnectType(c.savedType);
        EXPECT_EQ(manager.proxyListJson(), c.json);
    }
}

TEST_F(LoginConfig, ScheduleUsersFromTheConfiguration) {
    struct Case {
        const char* what;
        const char* userId;
        const char* reserveNum;
        std::vector<std::string> expected;  // "id|name"
    };
    const std::vector<std::pair<std::string, std::string>> orders = {
        {"MODE_USER_ORDER_00000", "u0,Name%20Zero,extra"},
        {"MODE_USER_ORDER_00001", "no-comma"},
        {"MODE_USER_ORDER_00002", "u2,%E5%90%8D"},
    };
    const Case cases[] = {
        {"regular user: n-1 slots", "user", "3", {"u0|Name Zero"}},
        {"one-time user: n slots", "/once", "3", {"u0|Name Zero", "u2|\u540d"}},
        {"no count", "user", "", {}},
        {"zero", "user", "0", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto config = orders;
        if (*c.reserveNum) config.push_back({"OPTION_STR", std::string(R"({"roomlist_reservenum":")") + c.reserveNum + "\"}"});
        ASSERT_EQ(load(config, c.userId), 0);
        const auto list = manager.getScheduleUserArray();
        std::vector<std::string> got;
        if (list)
            for (const auto& s : *list) {
                EXPECT_EQ(s->clientNo(), CLIENT_NO_SCHEDULED);
                EXPECT_TRUE(s->isScheduler());
                got.push_back((s->userId() + "|" + s->userName()).toStdString());
            }
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(list.has_value(), !c.expected.empty());
    }
}

}  // namespace
}  // namespace login_test
