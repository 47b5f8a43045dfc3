// Permissions between processes: the chair is this process's login (its
// permission manager the running program's), four participants are client
// processes on the loopback conference server and relay, speaking in the room. Remote settings
// may be held by 3; all four announce holding it: the fourth is stored
// without it and told so with a change command.
#include "../session/LoginTestSupport.h"
#include "control/ConfProtocol.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "permission/PermissionManager.h"
#include "platform/Dispatch.h"
#include "services/QuorixUtils.h"

namespace login_test {
namespace {

using namespace quorix::test;

ConfServerScript ScriptFor(const RelayFixture& relay) {
    ConfServerScript s;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class PermissionEndToEnd : public LoginTestBase {
protected:
    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    RecordingDelegate delegate;
};

TEST_F(PermissionEndToEnd, FourParticipantsAnnounceToAChairWithMaximumThree) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerFixture chairConf(ScriptFor(relay));
    web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(chairConf.port())},
                   {"CATEGORY", "0"},
                   {"OWNER", "chair"},
                   {"MAXPARTICIPANT", "8"},
                   {"MODE_USER_PERMISSION", "Y"},
                   {"MODE_REMOTESTG", "Y"},
                   {"MODE_USER_PERMISSION_REMOTESTG_MAX", "3"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});

    LoginManagerFeatures features;
    features.permissionManager = &PermissionManager::make;
    LoginManager chair(std::move(features));
    chair.setDelegate(&delegate);
    chair.launch(QuorixUtils::ParseOpenUrlParameter(LaunchLink(LinkFields(web.address(), "chair"))), false);
    const auto deadline = std::chrono::steady_clock::now() + 40s;
    while (delegate.outcomes() == 0 && std::chrono::steady_clock::now() < deadline)
        dispatcher->waitAndRunPending(20ms);
    chair.waitForLoginQueue();
    ASSERT_EQ(chair.status(), LOGIN_STATUS_LOGGED_IN);
    auto* permissions = dynamic_cast<PermissionManager*>(chair.permissionManager());
    ASSERT_NE(permissions, nullptr);
    ASSERT_TRUE(permissions->isSupportFunc());
    PermissionInfo& table = permissions->permissionInfo();

    std::vector<std::unique_ptr<ClientProcess>> clients;
    for (int i = 1; i <= 4; ++i) {
        const std::string id = "p" + std::to_string(i);
        clients.push_back(std::make_unique<ClientProcess>(
            FixtureProgram("quorix_test_client"),
            std::vector<std::string>{"port=" + std::to_string(chairConf.port()), "user=" + id,
                                     "name=P" + std::to_string(i), "top=7", "room=8",
                                     "option={\"roomlist_max\":\"8\"}", "wait=2000"}));
        ASSERT_EQ(clients.back()->waitLine("LOGIN", 20000), "LOGIN 0") << id;
        // Speaking makes a participant of a normal room known to the others.
        clients.back()->send("cmd startspeech");
        ASSERT_EQ(clients.back()->waitLine("RESULT startspeech", 5000), "RESULT startspeech 1") << id;
    }
    ASSERT_TRUE(WaitUntil([&] { return table.permissionList().size() == 5; }));

    // One after another, each announces: functions 4, grants 4.
    for (int i = 1; i <= 4; ++i) {
        const QString id = QString("p%1").arg(i);
        clients[size_t(i - 1)]->send("perm chair 3 2 4 4");
        ASSERT_EQ(clients[size_t(i - 1)]->waitLine("SENT perm", 5000), "SENT perm 1");
        ASSERT_TRUE(WaitUntil([&] { return table.getPermissionData(id)->isSupportFunc(); })) << i;
    }
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(clients[size_t(i - 1)]->sawLine("EVENT Permission", 0)) << i;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(table.getPermissionData(QString("p%1").arg(i))->permitFlgs(), 4) << i;
    EXPECT_EQ(table.getPermissionData("p4")->permitFlgs(), 0);
    EXPECT_EQ(table.getPermissionData("p4")->enableFlgs(), 4);
    EXPECT_EQ(clients[3]->waitLine("EVENT Permission", 10000), "EVENT Permission chair 3 1 4 0");

    // The chair's window applies a change: p1 loses it, p4 gets it.
    const size_t p4Lines = clients[3]->lines().size();
    table.changePermission("p1", PERMISSION_TYPE_REMOTESTG, false);
    table.changePermission("p4", PERMISSION_TYPE_REMOTESTG, true);
    EXPECT_TRUE(permissions->sendChangePermissionWithList(
        {table.getPermissionData("p1"), table.getPermissionData("p4")}));
    EXPECT_EQ(clients[0]->waitLine("EVENT Permission", 10000), "EVENT Permission chair 3 1 4 0");
    EXPECT_EQ(clients[3]->waitLine("EVENT Permission", 10000, p4Lines), "EVENT Permission chair 3 1 4 4");

    chair.logout(false);
    for (auto& c : clients) {
        c->send("quit");
        EXPECT_EQ(c->finish(), 0);
    }
    EXPECT_TRUE(relay.failures().empty());
    chair.setDelegate(nullptr);
}

}  // namespace
}  // namespace login_test
