// Remote settings between processes: this process's login (with the running
// program's remote-settings manager) and a client process "bob" on the
// loopback conference server and relay. This side asks bob for his settings
// and then his lists one at a time; bob asks this side for every kind and
// for a change while this side's main queue is held.
#include "../session/LoginTestSupport.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "platform/Dispatch.h"
#include "remotestg/RemoteStgManager.h"
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

std::string FreeLine(int code, const std::string& from, int value, const std::string& text) {
    return "EVENT FreeMessageData " + std::to_string(code) + " " + from + " " + std::to_string(value) + " " +
           EscapeArg(text);
}

class RemoteStgEndToEnd : public LoginTestBase {
protected:
    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    RecordingDelegate delegate;
};

TEST_F(RemoteStgEndToEnd, SettingsListsAndChangesTravelBetweenTwoClients) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerFixture conf(ScriptFor(relay));
    web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                   {"CATEGORY", "0"},
                   {"OWNER", "me"},
                   {"MAXPARTICIPANT", "8"},
                   {"MODE_REMOTESTG", "Y"},
                   {"MODE_REMOTESTG_READONLY_ITEM", "0"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});

    LoginManagerFeatures features;
    features.remoteStgManager = &RemoteStgManager::make;
    LoginManager me(std::move(features));
    me.setDelegate(&delegate);
    me.launch(QuorixUtils::ParseOpenUrlParameter(LaunchLink(LinkFields(web.address(), "me"))), false);
    const auto deadline = std::chrono::steady_clock::now() + 40s;
    while (delegate.outcomes() == 0 && std::chrono::steady_clock::now() < deadline)
        dispatcher->waitAndRunPending(20ms);
    me.waitForLoginQueue();
    ASSERT_EQ(me.status(), LOGIN_STATUS_LOGGED_IN);
    auto* manager = dynamic_cast<RemoteStgManager*>(me.remoteStgManager());
    ASSERT_NE(manager, nullptr);

    ClientProcess bob(FixtureProgram("quorix_test_client"),
                      {"port=" + std::to_string(conf.port()), "user=bob", "name=Bob", "top=7", "room=8",
                       "option={\"roomlist_max\":\"8\"}", "wait=2000"});
    ASSERT_EQ(bob.waitLine("LOGIN", 20000), "LOGIN 0");
    bob.send("cmd startspeech");  // speaking makes him known in a normal room
    ASSERT_EQ(bob.waitLine("RESULT startspeech", 5000), "RESULT startspeech 1");
    ASSERT_TRUE(WaitUntil([&] { return me.getUserInfo("bob") != nullptr; }));
    auto answer = [&](int value, const std::string& text) {
        bob.send("cmd free 10042 me " + std::to_string(value) + " " + EscapeArg(text));
    };

    // ---- This side asks bob: settings, then the lists he reported, one at a time ----
    manager->sendRemoteStgRequest(me.getUserInfo("bob"));
    size_t from = bob.lines().size();
    ASSERT_EQ(bob.waitLine("EVENT FreeMessageData 10041", 10000, from), FreeLine(10041, "me", 1, ""));
    from = bob.lines().size();
    answer(
        0,
        "#OS=Other 1\n#TYPE=1\n#MICVOL=20\n#MICDEV=Mic\n#SPKDEV=Out\n#CAMDEV=Cam\n#FPS=10\n#RESO=320 * 240\n"
        "#IMGNUM=1\n");
    const struct {
        int kind;
        const char* answer;
    } chain[] = {
        {2, "#MICNUM=1\n#ACTIVE=1\n#DATA=Mic\n"},
        {3, "#SPKNUM=1\n#ACTIVE=1\n#DATA=Out\n"},
        {4, "#CAMNUM=2\n#ACTIVE=1\n#DATA=Cam\nCam 2\n"},
        {5, "#RESONUM=1\n#ACTIVE=1\n#DATA=320 * 240\n"},
        {6, "#FPSNUM=2\n#ACTIVE=2\n#DATA=5\n10\n"},
        {7, nullptr},  // image numbers: refused, the chain ends
    };
    for (const auto& step : chain) {
        ASSERT_EQ(bob.waitLine("EVENT FreeMessageData 10041", 10000, from),
                  FreeLine(10041, "me", step.kind, ""))
            << "kind " << step.kind;
        // One request at a time: nothing further before the answer.
        from = bob.lines().size();
        if (step.answer) {
            EXPECT_TRUE(bob.waitLine("EVENT FreeMessageData 10041", 300, from).empty());
            answer(0, step.answer);
        } else {
            answer(-1, "");
        }
    }
    EXPECT_TRUE(bob.waitLine("EVENT FreeMessageData 10041", 1500, from).empty());
    const auto entry = manager->getUserInfo("bob");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->paramInfo.micVolume, 20);
    EXPECT_EQ(entry->paramInfo.osName, QString("Other 1"));
    ASSERT_TRUE(entry->cameraDeviceList);
    EXPECT_EQ(entry->cameraDeviceList->list, (QStringList{"Cam", "Cam 2"}));
    ASSERT_TRUE(entry->fpsList);
    EXPECT_EQ(entry->fpsList->active, 2);
    EXPECT_FALSE(entry->imgNumList);

    // ---- Bob asks this side for every kind; the main queue is never run meanwhile ----
    for (int kind = 1; kind <= 10; ++kind) {
        from = bob.lines().size();
        bob.send("cmd free 10041 me " + std::to_string(kind) + " ~");
        const std::string line = bob.waitLine("EVENT FreeMessageData 10042", 10000, from);
        if (kind <= 6) {
            EXPECT_EQ(line.rfind("EVENT FreeMessageData 10042 me 0 ", 0), 0u) << kind << ": " << line;
            EXPECT_NE(line, FreeLine(10042, "me", 0, "")) << kind;
        } else {
            EXPECT_EQ(line, FreeLine(10042, "me", -1, "")) << kind;
        }
    }

    // ---- A change request while the main queue is held for 2 s: the receive thread goes on ----
    from = bob.lines().size();
    const auto held = std::chrono::steady_clock::now();
    bob.send("cmd free 10043 me 1 " + EscapeArg("#TYPE=0\n#MICVOL=050\n#SPKVOL=5a\n"));
    bob.send("cmd free 10041 me 1 ~");
    EXPECT_FALSE(bob.waitLine("EVENT FreeMessageData 10042", 2000, from).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - held, 2s);
    std::this_thread::sleep_until(held + 2s);  // the main queue stays held for its 2 s
    EXPECT_TRUE(bob.waitLine("EVENT FreeMessageData 10044", 0, from).empty());
    dispatcher->waitAndRunPending(20ms);
    EXPECT_EQ(bob.waitLine("EVENT FreeMessageData 10044", 10000, from),
              FreeLine(10044, "me", 0, "#TYPE=0\n#MICVOL=50\n"));

    me.logout(false);
    bob.send("quit");
    EXPECT_EQ(bob.finish(), 0);
    EXPECT_TRUE(relay.failures().empty());
    me.setDelegate(nullptr);
}

}  // namespace
}  // namespace login_test
