// Received relay messages handed to the dispatch of a logged-in control
// object (without network): each reaches its event, records too short for
// their fields are dropped with a log line, and senders refuse what cannot
// be sent.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "control/ConfProtocol.h"
#include "control/DocShareRecords.h"
#include "control/RelayRecords.h"
#include "control/VpexProtocol.h"
#include "fixtures/ControlTestPeer.h"
#include "interface/QuorixCore.h"
#include "tessel/TS_Common.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Peer = QuorixControlTestPeer;

struct Recorded {
    std::mutex mu;
    std::vector<std::string> events;
    std::vector<std::string> log;

    static Recorded& Of(void* u) { return *static_cast<Recorded*>(u); }
    void add(const std::string& e) {
        std::lock_guard<std::mutex> lock(mu);
        events.push_back(e);
    }
    bool logged(const std::string& part) {
        std::lock_guard<std::mutex> lock(mu);
        for (const std::string& l : log)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mu);
        events.clear();
        log.clear();
    }
};

ST_FUNCLIST Table() {
    ST_FUNCLIST t{};
    t.OnTextBoxData = [](const char* id, const char* name, const char* message, const char*, void* u) {
        Recorded::Of(u).add(std::string("text ") + id + "|" + name + "|" + message);
    };
    t.OnTextBoxActive = [](const char* id, const char* name, void* u) {
        Recorded::Of(u).add(std::string("active ") + id + "|" + name);
    };
    t.OnDocShareData = [](const char* id, const char* text, void* u) {
        Recorded::Of(u).add(std::string("ds ") + id + "|" + text);
    };
    t.OnDocShareStartResult = [](int r, void* u) { Recorded::Of(u).add("ds-result " + std::to_string(r)); };
    t.OnDocShareStart = [](const char* id, const char* name, void* u) {
        Recorded::Of(u).add(std::string("ds-start ") + id + "|" + name);
    };
    t.OnDocShareStop = [](const char* id, void* u) { Recorded::Of(u).add(std::string("ds-stop ") + id); };
    t.OnManyMtgStart = [](short code, short, const char* id, const char*, void* u) {
        Recorded::Of(u).add("mm-start " + std::to_string(code) + " " + id);
    };
    t.OnUserPermissionCmd = [](const char* id, int cmd, int code, int f, int p, void* u) {
        Recorded::Of(u).add(std::string("perm ") + id + " " + std::to_string(cmd) + " " +
                            std::to_string(code) + " " + std::to_string(f) + " " + std::to_string(p));
    };
    t.OnQuorixLog = [](int, const char* line, void* u) {
        std::lock_guard<std::mutex> lock(Recorded::Of(u).mu);
        Recorded::Of(u).log.emplace_back(line);
    };
    return t;
}

class RelayReceive : public testing::Test {
protected:
    void SetUp() override {
        const ST_FUNCLIST table = Table();
        ASSERT_TRUE(core.Init("Linux", &table, &rec));
        ctl = core.GetControl();
        Peer::SetLogin(*ctl, Peer::Login{});
        Peer::SetSlotCount(*ctl, 8);
        ASSERT_TRUE(Peer::EnterRoomOffline(*ctl));
        for (int i = 0; i < 5; ++i) ctl->SetClientId(i, "bob", 70 + uint32_t(i));
    }
    void TearDown() override { core.Term(); }

    void Feed(int index, uint32_t id, const Bytes& body, uint32_t sender = 72) {
        Peer::FeedRelayMessage(*ctl, index, id, sender, body);
    }

    Recorded rec;
    CQuorixCore core;
    CQuorixControl* ctl = nullptr;
};

Bytes TextBoxLine() {
    bool bad = false;
    return BuildTextBoxRecord(
        "Type: TEXTBOXMESSAGE\r\nSrceUserID: bob\r\nSrceUserName: ボブ\r\nFontColor: 0,0,0\r\n"
        "Message: 一行目\r\n二行目\r\n\r\n",
        bad);
}

TEST_F(RelayReceive, EachMessageReachesItsEvent) {
    MANY_MTG_RECORD mm;
    mm.command = 3;
    mm.code = 1;
    mm.userIds = {"bob"};
    mm.userNames = {"Bob"};
    PERMISSION_RECORD perm;
    perm.command = 3;
    perm.code = 2;
    perm.senderId = "bob";
    perm.addresseeId = "user-1";
    perm.functionFlags = 5;
    perm.permitFlags = 6;
    Bytes notice(104, 0);
    notice[0] = DS_CMD_START_NOTICE;
    std::memcpy(notice.data() + 8, "bob", 3);
    std::memcpy(notice.data() + 56, "Bob", 3);
    struct Case {
        int index;
        uint32_t id;
        Bytes body;
        std::string event;
    };
    const Case cases[] = {
        {2, VPEX_TEXT_DATA, TextBoxLine(), "text bob|ボブ|一行目\n二行目"},
        {2, VPEX_TEXT_DATA, BuildTextBoxActiveRecord("bob", "Bob"), "active bob|Bob"},
        {1, VPEX_MANY_MTG_CMD, BuildManyMtgRecord(mm), "mm-start 1 bob"},
        {2, VPEX_USER_PERMISSION_CMD, BuildPermissionRecord(perm), "perm bob 3 2 5 6"},
        {2, VPEX_WEB_ESCORT_DATA, {DS_WEB_ESCORT_STOP, 8}, "ds bob|Type: WEBESCORT_STOP\r\n\r\n"},
        {2, VPEX_WEB_ESCORT_CMD, {DS_CMD_START_RESULT, 0, 0, 0, 3, 0}, "ds-result 3"},
        {2, VPEX_WEB_ESCORT_CMD, notice, "ds-start bob|Bob"},
        {2, VPEX_WEB_ESCORT_CMD, {DS_CMD_STOP_NOTICE, 0, 0, 0, 0, 0, 0, 0}, "ds-stop bob"},
    };
    for (const Case& c : cases) {
        rec.clear();
        Feed(c.index, c.id, c.body);
        EXPECT_EQ(rec.events, std::vector<std::string>{c.event}) << c.event;
    }
    // A document message from a client the table does not know names nobody.
    rec.clear();
    Feed(2, VPEX_WEB_ESCORT_DATA, {DS_WEB_ESCORT_REQUEST, 8}, 999);
    EXPECT_EQ(rec.events, std::vector<std::string>{"ds |Type: WEBESCORT_REQUEST\r\nKey: 999\r\n\r\n"});

    // Out of the room the text box, many-meeting and permission messages are ignored.
    Peer::SetLoggedIn(*ctl, false);
    rec.clear();
    for (int i = 0; i < 4; ++i) Feed(cases[i].index, cases[i].id, cases[i].body);
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(RelayReceive, MalformedRecordsAreDroppedWithALogLine) {
    const Bytes line = TextBoxLine();
    Bytes shortNotice(50, 0);
    shortNotice[0] = DS_CMD_START_NOTICE;
    struct Case {
        int index;
        uint32_t id;
        Bytes body;
        const char* log;
    };
    const Case cases[] = {
        {2, VPEX_TEXT_DATA, Bytes(line.begin(), line.begin() + 295), "Broken text box record (295 bytes)"},
        {1, VPEX_MANY_MTG_CMD, {3, 0, 96, 0, 0, 0, 0}, "Broken large room command (7 bytes)"},
        {2, VPEX_USER_PERMISSION_CMD, Bytes(103, 1), "Broken user permission command (103 bytes)"},
        {2, VPEX_WEB_ESCORT_DATA, Bytes(13, DS_WBRD_DATA), "Broken DS data message [3] (13 bytes)"},
        {2, VPEX_WEB_ESCORT_DATA, Bytes(144, DS_WBRD_MOUSE_POINT), "Broken DS data message [22] (144 bytes)"},
        {2, VPEX_WEB_ESCORT_DATA, {DS_WEB_ESCORT_PAGE_INFO, 8, 1}, "Broken DS data message [21] (3 bytes)"},
        {2, VPEX_WEB_ESCORT_CMD, {DS_CMD_START_RESULT, 0, 0, 0}, "Broken DS command message (4 bytes)"},
        {2, VPEX_WEB_ESCORT_CMD, shortNotice, "Broken DS command message (50 bytes)"},
        {2, VPEX_WEB_ESCORT_CMD, {DS_CMD_STOP_NOTICE}, "Broken DS command message (1 bytes)"},
    };
    for (const Case& c : cases) {
        rec.clear();
        Feed(c.index, c.id, c.body);
        EXPECT_TRUE(rec.events.empty()) << c.log;
        EXPECT_TRUE(rec.logged(c.log)) << c.log;
    }
}

TEST_F(RelayReceive, SendersRefuseWhatCannotBeSent) {
    struct Case {
        const char* name;
        std::function<bool()> send;
        const char* log;
    };
    std::string targets = "Type: WEBESCORT\r\nUrl: u\r\n";
    for (int i = 0; i < 3; ++i) targets += "Target: n,a\r\n";
    std::string points = "Type: WEBWBRD_DATA\r\nScroll: 0,0\r\nColor: 0,0,0\r\n";
    for (int i = 0; i < 1021; ++i) points += "Pos: 1,1\r\n";
    const std::vector<uint8_t> pixels(64 * 48 * 3, 128);
    const std::vector<uint8_t> pcm(100, 0);  // not one whole GSM frame
    const Case cases[] = {
        {"three targets", [&] { return ctl->VpexSendDocShareData(targets.c_str()); }, "DocShareData refused"},
        {"1021 points", [&] { return ctl->VpexSendDocShareData(points.c_str()); }, "DocShareData refused"},
        {"frame rate 0", [&] { return ctl->VpexSendVideo(pixels.data(), 64, 48, 0, 0, 0); },
         "Video frame refused: frame rate 0"},
        {"frame rate -5", [&] { return ctl->VpexSendVideo(pixels.data(), 64, 48, -5, 0, 0); },
         "Video frame refused: frame rate -5"},
        {"part of a GSM frame", [&] { return ctl->VpexSendAudioPacket(pcm.data(), 100, 1.0, 32000); },
         "GSM input refused: 100 bytes"},
        {"text block of no known type", [&] { return ctl->VpexSendTextBoxData("Type: OTHER\r\n\r\n"); },
         "Text box block of an unknown type refused"},
        {"cloud options no object", [&] { return ctl->VpexSendCloudRecStart("u", "n", "", 0, 0, "[]"); },
         "no JSON object"},
    };
    for (const Case& c : cases) {
        rec.clear();
        EXPECT_FALSE(c.send()) << c.name;
        EXPECT_TRUE(rec.logged(c.log)) << c.name;
    }
}

}  // namespace

// While the player is behind, received audio queues up to exactly eleven
// blocks; the twelfth and later are dropped with a log line, and what was
// queued is still delivered once the player catches up.
TEST_F(RelayReceive, ReceivedAudioQueuesUpToItsLimitWhileThePlayerIsBehind) {
    struct Consumer {
        std::mutex mu;
        std::condition_variable cv;
        bool held = true;
        int taken = 0;
        bool waitTaken(int n) {
            std::unique_lock<std::mutex> lock(mu);
            return cv.wait_for(lock, std::chrono::seconds(60), [&] { return taken >= n; });
        }
    } consumer;
    Peer::ReplaceAudioTransfer(
        *ctl,
        [](int, void* data, int, void* u) {
            auto& c = *static_cast<Consumer*>(u);
            std::unique_lock<std::mutex> lock(c.mu);
            ++c.taken;
            c.cv.notify_all();
            c.cv.wait(lock, [&] { return !c.held; });
            lock.unlock();
            __free__(data);
        },
        &consumer);
    const uint32_t sender = 70 + VPEX_CONN_AUDIO;
    Feed(VPEX_CONN_AUDIO, VPEX_AUDIO, Bytes(40, 1), sender);
    ASSERT_TRUE(consumer.waitTaken(1));  // the player now holds the first block

    for (int i = 0; i < 20; ++i) Feed(VPEX_CONN_AUDIO, VPEX_AUDIO, Bytes(40, uint8_t(i)), sender);
    EXPECT_EQ(Peer::QueuedAudio(*ctl), 11);
    EXPECT_TRUE(rec.logged("Audio Buffer Over. (count:11)"));
    EXPECT_FALSE(rec.logged("(count:12)"));

    {
        std::lock_guard<std::mutex> lock(consumer.mu);
        consumer.held = false;
    }
    consumer.cv.notify_all();
    EXPECT_TRUE(consumer.waitTaken(12));
}
