// A scripted participant of the demo room with a floor period asks for the
// floor and gives it back on its timer; another participant of the room sees
// each request come and go.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"

using namespace quorix::test;

TEST(DemoRoomFloor, AParticipantAsksForTheFloorAndGivesItBackOnItsTimer) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerScript script;
    for (int i = 0; i < 5; ++i) script.relays[i] = {relay.addr(), relay.port(i)};
    ConfServerFixture conf(script);
    const auto args = [&](const char* user, const char* name) {
        return std::vector<std::string>{"port=" + std::to_string(conf.port()),
                                        std::string("user=") + user,
                                        std::string("name=") + name,
                                        "top=7",
                                        "room=8",
                                        "option={\"roomlist_max\":\"8\"}"};
    };
    ClientProcess watcher(FixtureProgram("quorix_test_client"), args("guest", "Guest"));
    ASSERT_EQ(watcher.waitLine("LOGIN", 30000), "LOGIN 0");
    std::vector<std::string> scripted = args("aiko", "Aiko");
    scripted.push_back("floor=1000");
    ClientProcess aiko(std::string(QUORIX_TEST_BINARY_DIR) + "/tools/demo-room/quorix_demo_participant",
                       scripted);
    ASSERT_EQ(aiko.waitLine("LOGIN", 30000), "LOGIN 0");

    // Two rounds: a request, then its withdrawal, each in turn.
    size_t from = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const std::string asked = watcher.waitLine("EVENT SpeechReserve aiko", 20000, from);
        ASSERT_FALSE(asked.empty());
        const std::vector<std::string> lines = watcher.lines();
        size_t at = from;
        while (at < lines.size() && lines[at] != asked) ++at;
        const std::string withdrawn = watcher.waitLine("EVENT SpeechReserveCancel", 20000, at);
        ASSERT_FALSE(withdrawn.empty());
        EXPECT_NE(withdrawn.find("aiko"), std::string::npos) << withdrawn;
        const std::vector<std::string> after = watcher.lines();
        from = at;
        while (from < after.size() && after[from] != withdrawn) ++from;
        ++from;
    }
    EXPECT_EQ(aiko.finish(20000), 0);
}
