// The connection rotation and the proxy method, against the tunnel listener
// and the proxy fixture.
#include "ControlHarness.h"

namespace {

using namespace control_test;
using ConnectMethods = ControlTest;

// One connection attempt through a proxy that answers as scripted.
struct ProxyCase {
    const char* what;
    ProxyFixture::Reply reply;
    int result;
    int subCode;
};

TEST_F(ConnectMethods, ProxyFailuresAndTheirSubCodes) {
    const ProxyCase cases[] = {
        {"407", ProxyFixture::Reply::Status407, -8, -12},
        {"closed before the head's end", ProxyFixture::Reply::CloseBeforeHead, -8, -11},
        {"head without end", ProxyFixture::Reply::EndlessHead, -8, -11},
        {"long head", ProxyFixture::Reply::LongHead, 0, 0},
    };
    const std::string addr = TunnelAddr(4);
    ConfServerScript script;
    script.expectGreeting = true;
    ConfServerFixture server(script, addr.c_str(), 443);
    for (const ProxyCase& c : cases) {
        ProxyFixture proxy(c.reply);
        ProxyFixture unused(ProxyFixture::Reply::Ok);
        // The first proxy that accepts decides: the second one is never asked.
        const std::string list =
            "[{\"proxyHost\":\"127.0.0.1\",\"proxyPort\":" + std::to_string(proxy.port()) +
            "},{\"proxyHost\":\"127.0.0.1\",\"proxyPort\":" + std::to_string(unused.port()) + "}]";
        HTTPACCESS_PROXY_CONFIG cfg;
        cfg.proxyList = list.c_str();
        CSocketTCP socket;
        QuorixControlTestPeer::SetConnectionError(*ctl, 0);
        EXPECT_EQ(ctl->ConnectByProxy(addr.c_str(), 443, kConfLabel, kUserAgent, &socket, &cfg, nullptr),
                  c.result)
            << c.what;
        EXPECT_EQ(ctl->GetConnectionError(), c.subCode) << c.what;
        EXPECT_TRUE(unused.requests().empty()) << c.what;
        socket.Close();
    }
}

TEST_F(ConnectMethods, RotationOrderFollowsTheStoredMethod) {
    const std::string addr = TunnelAddr(6);  // no tunnel listener: port 443 refuses
    ConfServerFixture direct(ConfServerScript{}, addr.c_str(), 0);
    ASSERT_TRUE(direct.listening());
    HTTPACCESS_PROXY_CONFIG directOnly;
    directOnly.proxyList = "[{\"proxyType\":\"DIRECT\"},{\"proxyHost\":\"127.0.0.1\",\"proxyPort\":1}]";
    {
        // From 1: tunnel, tunnel, proxy and a step with nothing to try; never direct.
        QuorixControlTestPeer::SetConnectType(*ctl, CONNECT_TUNNEL);
        CSocketTCP socket;
        EXPECT_EQ(
            ctl->Connect(addr.c_str(), direct.port(), kConfLabel, kUserAgent, &socket, &directOnly, nullptr),
            -8);
        EXPECT_EQ(ctl->GetConnectionType(), CONNECT_TUNNEL);
        EXPECT_EQ(ctl->GetConnectionError(), ECONNREFUSED);
        EXPECT_EQ(direct.connections(), 0);
    }
    {
        // From 2: tunnel, proxy ("DIRECT" ends the list at once), then direct succeeds.
        QuorixControlTestPeer::SetConnectType(*ctl, CONNECT_TUNNEL2);
        CSocketTCP socket;
        EXPECT_EQ(
            ctl->Connect(addr.c_str(), direct.port(), kConfLabel, kUserAgent, &socket, &directOnly, nullptr),
            0);
        EXPECT_EQ(ctl->GetConnectionType(), CONNECT_DIRECT);
        socket.Close();
    }
}

}  // namespace
