// Greeting bytes, CONNECT request text and proxy-list reading.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control/ConnectMethod.h"

namespace {

TEST(ConnectMethod, ConferenceGreetingFillsTheLabelField) {
    uint8_t g[CHOP_GREETING_SIZE];
    BuildChopGreeting("Type:CONFERENCE", 0, g);
    uint8_t expected[36] = {};
    std::memcpy(expected, "Agent:Quorix", 12);
    std::memcpy(expected + 16, "Type:CONFERENCE", 15);  // byte 31 is its terminator
    EXPECT_EQ(0, std::memcmp(g, expected, 36));
}

TEST(ConnectMethod, GreetingFlagAndLongLabel) {
    uint8_t g[CHOP_GREETING_SIZE];
    BuildChopGreeting("Type:SOMETHINGLONGER", 1, g);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(g + 16)), "Type:SOMETHINGL");
    EXPECT_EQ(g[31], 0);
    const uint8_t flag[4] = {1, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(g + 32, flag, 4));
}

TEST(ConnectMethod, ConnectRequestText) {
    EXPECT_EQ(BuildConnectRequest("conf.example", "UA/1.0 (x)"),
              "CONNECT conf.example:443 HTTP/1.1\r\n"
              "Host: conf.example\r\n"
              "User-Agent: UA/1.0 (x)\r\n"
              "Content-Length: 0\r\n"
              "Proxy-Connection: Keep-Alive\r\n"
              "Proxy-Connection: Keep-Alive\r\n"
              "Pragma: no-cache\r\n"
              "\r\n");
}

TEST(ConnectMethod, ConnectRequestRefusesInjectedLines) {
    EXPECT_EQ(BuildConnectRequest("h\r\nX-Evil: 1", "ua"), "");
    EXPECT_EQ(BuildConnectRequest("h", "ua\nX-Evil: 1"), "");
    EXPECT_EQ(BuildConnectRequest("h x", "ua"), "");
    EXPECT_EQ(BuildConnectRequest(nullptr, "ua"), "");
    EXPECT_EQ(BuildConnectRequest("h", nullptr), "");
}

TEST(ConnectMethod, ProxyListReading) {
    struct Case {
        const char* json;
        bool ok;
        std::vector<PROXY_ENTRY> want;
    } cases[] = {
        {nullptr, false, {}},
        {"not json", false, {}},
        {"{\"proxyHost\":\"p\"}", false, {}},
        {"[]", false, {}},
        {"[{\"proxyType\":\"HTTP\",\"proxyHost\":\"p1\",\"proxyPort\":8080},{\"proxyHost\":\"p2\","
         "\"proxyPort\":\"3128\"}]",
         true,
         {{false, "p1", 8080}, {false, "p2", 3128}}},
        {"[{\"proxyType\":\"DIRECT\"},{\"proxyHost\":\"p2\",\"proxyPort\":1}]", true, {{true, "", 0}}},
        {"[{\"proxyHost\":\"p1\"},{\"proxyPort\":9}]", true, {{false, "p1", 0}, {false, "", 9}}},
        {"[3]", true, {{false, "", 0}}},
    };
    for (const Case& c : cases) {
        std::vector<PROXY_ENTRY> got;
        EXPECT_EQ(ParseProxyList(c.json, got), c.ok) << (c.json ? c.json : "null");
        if (!c.ok) continue;
        ASSERT_EQ(got.size(), c.want.size()) << c.json;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].direct, c.want[i].direct) << c.json;
            EXPECT_EQ(got[i].host, c.want[i].host) << c.json;
            EXPECT_EQ(got[i].port, c.want[i].port) << c.json;
        }
    }
}

}  // namespace
