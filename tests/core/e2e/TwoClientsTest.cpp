// Two client processes (one core each) log in to one room of the loopback
// conference servers and relay and learn of each other.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TwoClientRoom.h"
#include "control/ConfProtocol.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"

using namespace quorix::test;
using e2e_test::RoomClientArgs;
using e2e_test::RoomScript;

namespace {

// The number at the end of a line such as "LOGOUT 5".
int Number(const std::string& line) {
    return std::atoi(line.substr(line.rfind(' ') + 1).c_str());
}

TEST(TwoClients, LogInToOneRoomAndLearnOfEachOther) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerFixture confA(RoomScript(relay, "token-a"));
    ConfServerFixture confB(RoomScript(relay, "token-b"));

    ClientProcess a(FixtureProgram("quorix_test_client"), RoomClientArgs(confA, "alice", "Alice"));
    ASSERT_TRUE(a.running());
    ASSERT_EQ(a.waitLine("LOGIN", 60000), "LOGIN 0");
    ClientProcess b(FixtureProgram("quorix_test_client"), RoomClientArgs(confB, "bob", "Bob"));
    ASSERT_EQ(b.waitLine("LOGIN", 60000), "LOGIN 0");

    // Bob learns of Alice from the start replies, Alice of Bob from the start notices.
    EXPECT_FALSE(b.waitLine("EVENT AudioInitialized", 30000).empty());
    EXPECT_FALSE(a.waitLine("EVENT AudioInitialized", 30000).empty());
    // Each conference server tells its client that the other entered.
    confA.send(CONF_RECV_ENTER_REP, EntryNotice("bob", "Bob", "S0"));
    confB.send(CONF_RECV_ENTER_REP, EntryNotice("alice", "Alice", "H0"));
    EXPECT_EQ(a.waitLine("EVENT EnterMember", 30000), "EVENT EnterMember bob Bob S0");
    EXPECT_EQ(b.waitLine("EVENT EnterMember", 30000), "EVENT EnterMember alice Alice H0");

    // Ten start requests, each checked field by field.
    const std::vector<RelayMessage> starts = relay.messages(VPEX_SYNC_START_REQ);
    ASSERT_EQ(starts.size(), 10u);
    int seen[2][5] = {};
    for (const RelayMessage& m : starts) {
        const bool alice = m.userId == "alice";
        ASSERT_TRUE(alice || m.userId == "bob");
        ++seen[alice ? 0 : 1][m.index];
        const uint8_t* p = m.body.data();
        EXPECT_EQ(m.header.target, VPEX_TARGET_ALL);
        EXPECT_EQ(m.header.sender, 0u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p)), "0000000000000007000000000000008");
        EXPECT_STREQ(reinterpret_cast<const char*>(p + 80), alice ? "Alice" : "Bob");
        EXPECT_EQ(p[128], 127);
        EXPECT_NE(GetLE32(p + 132), 0u);
        EXPECT_EQ(GetLE32(p + 136), 2u);
        EXPECT_EQ(p[140], 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(p + 144), alice ? "token-a" : "token-b");
        EXPECT_EQ(GetLE32(p + 272), 0u);
    }
    for (auto& user : seen)
        for (int n : user) EXPECT_EQ(n, 1);

    // Keep-alives with shortened waits, then a logout that leaves no thread.
    EXPECT_TRUE(relay.waitFor(VPEX_ALIVE_CHECK, 10, 5000));
    for (ClientProcess* c : {&a, &b}) {
        const int base = Number(c->waitLine("INIT", 30000));
        c->send("logout");
        const std::string logout = c->waitLine("LOGOUT", 30000);
        ASSERT_FALSE(logout.empty());
        EXPECT_EQ(Number(logout), base);
        c->send("quit");
        EXPECT_FALSE(c->waitLine("TERM", 30000).empty());
        EXPECT_EQ(c->finish(), 0);
        for (const std::string& line : c->lines())
            EXPECT_EQ(line.rfind("EVENT Error", 0), std::string::npos) << line;
    }
    EXPECT_TRUE(relay.failures().empty());
}

}  // namespace
