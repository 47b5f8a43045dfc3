// What the control object makes of each message of the running conference:
// the event slot and its fields, the round mode, broken bodies dropped with a
// log line while the session goes on, and the commands' bodies on the wire.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>

#include "ControlHarness.h"
#include "control/ConfMessages.h"

namespace {

using namespace control_test;

// Every conference event as one line, and every log line.
struct Recorder {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<std::string> events;
    std::vector<std::string> log;

    static Recorder& Of(void* u) { return *static_cast<Recorder*>(u); }
    static void Add(void* u, std::string e) {
        Recorder& r = Of(u);
        {
            std::lock_guard<std::mutex> lock(r.mu);
            r.events.push_back(std::move(e));
        }
        r.cv.notify_all();
    }
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> lock(mu);
        std::vector<std::string> e;
        e.swap(events);
        log.clear();
        return e;
    }
    bool logged(const std::string& part) {
        std::lock_guard<std::mutex> lock(mu);
        for (const std::string& l : log)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
    bool waitEvent(const std::string& e, int ms) {
        std::unique_lock<std::mutex> lock(mu);
        return cv.wait_for(lock, std::chrono::milliseconds(ms),
                           [&] { return std::find(events.begin(), events.end(), e) != events.end(); });
    }
};

std::string S(const char* s) {
    return s != nullptr ? s : "(null)";
}
std::string B(bool b) {
    return b ? "1" : "0";
}

ST_FUNCLIST RecordingTable() {
    ST_FUNCLIST t{};
    t.OnEnterMember = [](const char* id, const char* name, const char* type, void* u) {
        Recorder::Add(u, "EnterMember " + S(id) + " " + S(name) + " " + S(type));
    };
    t.OnLeaveMember = [](const char* id, void* u) { Recorder::Add(u, "LeaveMember " + S(id)); };
    t.OnStartSpeech = [](int slot, const char* id, const char* name, const char* type, bool cam, bool mic,
                         void* u) {
        Recorder::Add(u, "StartSpeech " + std::to_string(slot) + " " + S(id) + " " + S(name) + " " + S(type) +
                             " " + B(cam) + " " + B(mic));
    };
    t.OnStopSpeech = [](int slot, void* u) { Recorder::Add(u, "StopSpeech " + std::to_string(slot)); };
    t.OnChangeOwner = [](const char* id, void* u) { Recorder::Add(u, "ChangeOwner " + S(id)); };
    t.OnPushOut = [](void* u) { Recorder::Add(u, "PushOut"); };
    t.OnForceLeave = [](const char* id, const char* name, void* u) {
        Recorder::Add(u, "ForceLeave " + S(id) + " " + S(name));
    };
    t.OnSpeechReserveResult = [](int r, void* u) {
        Recorder::Add(u, "SpeechReserveResult " + std::to_string(r));
    };
    t.OnSpeechReserve = [](const char* id, const char* name, bool cam, bool mic, void* u) {
        Recorder::Add(u, "SpeechReserve " + S(id) + " " + S(name) + " " + B(cam) + " " + B(mic));
    };
    t.OnSpeechReserveCancel = [](int v, const char* id, void* u) {
        Recorder::Add(u, "SpeechReserveCancel " + std::to_string(v) + " " + S(id));
    };
    t.OnSpeechNominateResult = [](int r, void* u) {
        Recorder::Add(u, "SpeechNominateResult " + std::to_string(r));
    };
    t.OnSpeechNominate = [](int k, void* u) { Recorder::Add(u, "SpeechNominate " + std::to_string(k)); };
    t.OnSpeechEnd = [](void* u) { Recorder::Add(u, "SpeechEnd"); };
    t.OnMessage = [](const char* id, const char* name, const char* block, void* u) {
        Recorder::Add(u, "Message " + S(id) + " " + S(name) + " " + S(block));
    };
    t.OnRecvFreeMessage = [](uint32_t code, const char* id, void* u) {
        Recorder::Add(u, "FreeMessage " + std::to_string(code) + " " + S(id));
    };
    t.OnRecvFreeMessageData = [](uint32_t code, const char* id, int v, const char* text, void* u) {
        Recorder::Add(u, "FreeMessageData " + std::to_string(code) + " " + S(id) + " " + std::to_string(v) +
                             " " + S(text));
    };
    t.OnHold = [](const char* id, void* u) { Recorder::Add(u, "Hold " + S(id)); };
    t.OnHoldRelease = [](const char* id, void* u) { Recorder::Add(u, "HoldRelease " + S(id)); };
    t.OnHoldStatusHold = [](const char* id, void* u) { Recorder::Add(u, "HoldStatusHold " + S(id)); };
    t.OnHoldStatusRelease = [](const char* id, void* u) { Recorder::Add(u, "HoldStatusRelease " + S(id)); };
    t.OnEndCall = [](const char* id, void* u) { Recorder::Add(u, "EndCall " + S(id)); };
    t.OnWindowSync = [](const char* a, const char* b, const char* c, void* u) {
        Recorder::Add(u, "WindowSync " + S(a) + "|" + S(b) + "|" + S(c));
    };
    t.OnQuestionStart = [](const char* id, const char* q, bool anon, bool multi, int n, const char** c,
                           void* u) {
        std::string e =
            "QuestionStart " + S(id) + " " + S(q) + " " + B(anon) + " " + B(multi) + " " + std::to_string(n);
        for (int i = 0; i < n; ++i) e += " " + S(c[i]);
        Recorder::Add(u, e);
    };
    t.OnQuestionStop = [](const char* id, void* u) { Recorder::Add(u, "QuestionStop " + S(id)); };
    t.OnQuestionAnswer = [](const char* id, int a, const char* text, void* u) {
        Recorder::Add(u, "QuestionAnswer " + S(id) + " " + std::to_string(a) + " " + S(text));
    };
    t.OnQuestionReceived = [](const char* id, void* u) { Recorder::Add(u, "QuestionReceived " + S(id)); };
    t.OnAudioInitialized = [](int slot, void* u) {
        Recorder::Add(u, "AudioInitialized " + std::to_string(slot));
    };
    t.OnError = [](int code, int, const char*, void* u) {
        Recorder::Add(u, "Error " + std::to_string(code));
    };
    t.OnQuorixLog = [](int, const char* line, void* u) {
        std::lock_guard<std::mutex> lock(Recorder::Of(u).mu);
        Recorder::Of(u).log.emplace_back(line);
    };
    return t;
}

class ConfEvents : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        const ST_FUNCLIST table = RecordingTable();
        ASSERT_TRUE(core.Init("Linux", &table, &rec));  // the same control object, this table
        QuorixControlTestPeer::SetLoggedIn(*ctl, true);
    }
    void TearDown() override {
        QuorixControlTestPeer::SetLoggedIn(*ctl, false);
        ControlTest::TearDown();
    }
    void Feed(uint32_t id, const std::vector<uint8_t>& body, int32_t param = 0) {
        QuorixControlTestPeer::FeedConf(*ctl, id, param, body);
    }
    Recorder rec;
};

std::vector<uint8_t> Text(const std::string& s, size_t size) {
    std::vector<uint8_t> b(size, 0);
    std::memcpy(b.data(), s.data(), std::min(s.size(), size));
    return b;
}

std::vector<uint8_t> Fields(const std::string& id, const std::string& name, size_t size = 96) {
    std::vector<uint8_t> b = Text(id, size);
    std::memcpy(b.data() + 48, name.data(), name.size());
    return b;
}

std::vector<uint8_t> UserRecord(const std::string& id, const std::string& name, const std::string& type,
                                int order, uint8_t camera, uint8_t mic) {
    PROT_DATA_USER_INFO_T u = MakeUser(id, name, type, order, true, true);
    u.camera = camera;
    u.microphone = mic;
    std::vector<uint8_t> b(120);
    WriteUserInfo(u, b.data());
    return b;
}

std::vector<uint8_t> FreeMsg(uint32_t code, int value, const std::string& text,
                             const std::string& from = "bob") {
    CONF_FREEMSG m;
    m.userId = from;
    m.userName = "Bob";
    m.code = code;
    m.value = value;
    m.text = text;
    std::vector<uint8_t> b;
    EXPECT_TRUE(BuildConfFreeMsgBody(m, b));
    return b;
}

std::vector<uint8_t> Utf16Message(const std::string& id, const std::string& name, const std::u16string& text,
                                  size_t size = 1120) {
    std::vector<uint8_t> b = Fields(id, name, size);
    for (size_t i = 0; i < text.size() && 96 + 2 * i + 1 < size; ++i)
        PutLE16(&b[96 + 2 * i], uint16_t(text[i]));
    return b;
}

std::vector<uint8_t> ReserveList(const std::vector<std::vector<uint8_t>>& records, int32_t count) {
    std::vector<uint8_t> b(8, 0);
    PutLE32(b.data(), uint32_t(count));
    for (const auto& r : records) b.insert(b.end(), r.begin(), r.end());
    return b;
}

TEST_F(ConfEvents, EveryReceivedIdEndsInItsSlotWithItsFields) {
    const std::string full(48, 'x');
    const std::string x47(47, 'x');
    struct Case {
        const char* what;
        uint32_t id;
        int32_t param;
        std::vector<uint8_t> body;
        std::vector<std::string> events;
    };
    std::vector<uint8_t> entry = Fields("bob", "Bob", 228);
    std::memcpy(&entry[216], "S0", 2);
    const Case cases[] = {
        {"entry notice", CONF_RECV_ENTER_REP, 0, entry, {"EnterMember bob Bob S0"}},
        // Known on every relay connection already: decoders and mixer slot first.
        {"start of speech of a participant known on every relay",
         CONF_RECV_START_REP,
         0,
         UserRecord("erin", "Erin", "S0", 9, 'Y', 'Y'),
         {"AudioInitialized 0", "StartSpeech 0 erin Erin S0 1 1"}},
        // Only 'Y' counts for a speaker's camera and microphone.
        {"start of speech",
         CONF_RECV_START_REP,
         0,
         UserRecord("bob", "Bob", "H0", 4, 'N', 'Y'),
         {"StartSpeech 1 bob Bob H0 0 1"}},
        // Not yet known on every relay connection: the entry is refreshed and reported again.
        {"start of speech of an incomplete entry again",
         CONF_RECV_START_REP,
         0,
         UserRecord("bob", "Bob", "H0", 4, 'Y', 'Y'),
         {"StartSpeech 1 bob Bob H0 1 1"}},
        {"own start of speech raises nothing",
         CONF_RECV_START_REP,
         0,
         UserRecord("user-1", "Me", "S0", 1, 'Y', 'Y'),
         {}},
        {"start of speech of a second speaker",
         CONF_RECV_START_REP,
         0,
         UserRecord("carol", "Carol", "S0", 5, 0, 'Y'),
         {"StartSpeech 2 carol Carol S0 0 1"}},
        {"own stop of speech changes nothing", CONF_RECV_STOP_REP, 0, Text("user-1", 48), {}},
        {"stop of speech frees the slot", CONF_RECV_STOP_REP, 0, Text("bob", 48), {"StopSpeech 1"}},
        {"stop of someone not speaking", CONF_RECV_STOP_REP, 0, Text("bob", 48), {}},
        {"a freed slot is taken again",
         CONF_RECV_START_REP,
         0,
         UserRecord("dave", "Dave", "S0", 6, 'Y', 'N'),
         {"StartSpeech 1 dave Dave S0 1 0"}},
        {"leave notice", CONF_RECV_LEAVE_REP, 0, Text("bob", 48), {"LeaveMember bob"}},
        // Any non-zero byte counts for a floor request.
        {"floor request",
         CONF_RECV_SPEECH_RESERVE_REP,
         0,
         UserRecord("bob", "Bob", "S0", 1, 'N', 0),
         {"SpeechReserve bob Bob 1 0"}},
        {"request cancelled",
         CONF_RECV_SPEECH_RESERVE_CANCEL,
         3,
         Text("bob", 48),
         {"SpeechReserveCancel 3 bob"}},
        {"reservation list in order-number order",
         CONF_RECV_RESERVE_LIST_RES,
         0,
         ReserveList({UserRecord("u3", "U3", "S0", 3, 'Y', 'Y'), UserRecord("u1", "U1", "S0", 1, 0, 'Y'),
                      UserRecord("u2", "U2", "S0", 2, 'Y', 0)},
                     3),
         {"SpeechReserve u1 U1 0 1", "SpeechReserve u2 U2 1 0", "SpeechReserve u3 U3 1 1"}},
        {"empty reservation list", CONF_RECV_RESERVE_LIST_RES, 0, ReserveList({}, 0), {}},
        {"owner change", CONF_RECV_CHANGE_OWNER_REP, 0, Text("bob", 48), {"ChangeOwner bob"}},
        {"forced leave", CONF_RECV_FORCE_LEAVE_REP, 0, Fields("bob", "Bob"), {"ForceLeave bob Bob"}},
        {"forced leave with fields filled to the last byte",
         CONF_RECV_FORCE_LEAVE_REP,
         0,
         Fields(full, full),
         {"ForceLeave " + x47 + " " + x47}},
        {"private message",
         CONF_RECV_MESSAGE,
         0,
         Utf16Message("bob", "Bob", u"line 1\r\nline 2\rend"),
         {"Message bob Bob Type: MESSAGE\r\nUserID: bob\r\nSrceUserName: Bob\r\nMessage: line 1\nline "
          "2\rend\r\n\r\n"}},
        {"private message longer than sent: read whole",
         CONF_RECV_MESSAGE,
         0,
         Utf16Message("bob", "Bob", std::u16string(700, u'語'), 96 + 1400),
         {"Message bob Bob Type: MESSAGE\r\nUserID: bob\r\nSrceUserName: Bob\r\nMessage: " +
          [] {
              std::string s;
              for (int i = 0; i < 700; ++i) s += "語";
              return s;
          }() +
          "\r\n\r\n"}},
        {"reservation result", CONF_RECV_SPEECH_RESERVE_RESULT, 4, {}, {"SpeechReserveResult 4"}},
        {"nomination result", CONF_RECV_SPEECH_NOMINATE_RESULT, -1, {}, {"SpeechNominateResult -1"}},
        {"nominated", CONF_RECV_SPEECH_NOMINATE, 2, {}, {"SpeechNominate 2"}},
        {"speech end", CONF_RECV_SPEECH_END, 0, {}, {"SpeechEnd"}},
        {"push-out", CONF_RECV_PUSH_OUT, 0, {}, {"PushOut"}},
        {"sharing request without its text",
         CONF_RECV_FREE_MSG_REP,
         0,
         FreeMsg(10006, 5, "ignored"),
         {"FreeMessage 10006 bob"}},
        {"sharing permit", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10021, 0, ""), {"FreeMessage 10021 bob"}},
        {"application code with value and text",
         CONF_RECV_FREE_MSG_REP,
         0,
         FreeMsg(10042, -7, "音量=3"),
         {"FreeMessageData 10042 bob -7 音量=3"}},
        {"hold", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10025, 0, ""), {"Hold bob"}},
        {"hold release", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10026, 0, ""), {"HoldRelease bob"}},
        {"hold status hold", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10027, 0, ""), {"HoldStatusHold bob"}},
        {"hold status release", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10028, 0, ""), {"HoldStatusRelease bob"}},
        {"end of call", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10029, 0, ""), {"EndCall bob"}},
        {"window synchronisation",
         CONF_RECV_FREE_MSG_REP,
         0,
         FreeMsg(10030, 0, "12:34:56"),
         {"WindowSync 12|34|56"}},
        {"questionnaire",
         CONF_RECV_FREE_MSG_REP,
         0,
         FreeMsg(10014, 3,
                 "Q" + std::string(63, '\n') + "A" + std::string(31, '\n') + "B" + std::string(127, '\n')),
         {"QuestionStart bob Q 1 1 2 A B"}},
        {"questionnaire answer",
         CONF_RECV_FREE_MSG_REP,
         0,
         FreeMsg(10015, 2, "B"),
         {"QuestionAnswer bob 2 B"}},
        {"questionnaire stop", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10016, 0, ""), {"QuestionStop bob"}},
        {"questionnaire received, text not passed",
         CONF_RECV_FREE_MSG_REP,
         0,
         FreeMsg(10017, 0, "x"),
         {"QuestionReceived bob"}},
        {"round mode raises nothing", CONF_RECV_FREE_MSG_REP, 0, FreeMsg(10031, 0, "12"), {}},
    };
    for (int n = 0; n < VPEX_CONNECTION_COUNT; ++n) ctl->SetClientId(n, "erin", 70 + uint32_t(n));
    ASSERT_TRUE(ctl->CreateVideoCodec());
    for (const Case& c : cases) {
        rec.take();
        Feed(c.id, c.body, c.param);
        EXPECT_EQ(rec.take(), c.events) << c.what;
    }
    EXPECT_EQ(QuorixControlTestPeer::RoundMode(*ctl), 12u);
    // Only erin is known on every relay: her main-size and mobile-size decoders.
    EXPECT_EQ(QuorixControlTestPeer::DecoderCount(*ctl), 2u);
    ctl->DeleteVideoCodec();
}

TEST_F(ConfEvents, RoundModeEndsTheNominatedTurnWhenTheOwnerLeaves) {
    QuorixControlTestPeer::SetRoomOwner(*ctl, "owner");
    struct Case {
        const char* what;
        const char* mode;
        const char* nominated;
        const char* leaving;
        std::vector<std::string> events;
        uint32_t modeAfter;
        bool nominatedAfter;
    };
    const Case cases[] = {
        {"nominated, the owner leaves", "12", "1", "owner", {"SpeechEnd", "LeaveMember owner"}, 0, false},
        {"not nominated", "12", "0", "owner", {"LeaveMember owner"}, 12, false},
        {"nominated but no round mode", "0", "1", "owner", {"LeaveMember owner"}, 0, true},
        {"nominated, another participant leaves", "3", "7", "bob", {"LeaveMember bob"}, 3, true},
    };
    for (const Case& c : cases) {
        Feed(CONF_RECV_FREE_MSG_REP, FreeMsg(10031, 0, c.mode));
        Feed(CONF_RECV_FREE_MSG_REP, FreeMsg(10032, 0, c.nominated));
        EXPECT_TRUE(rec.logged(std::string("RoundMode : ") + c.mode + ".")) << c.what;
        rec.take();
        Feed(CONF_RECV_LEAVE_REP, Text(c.leaving, 48));
        EXPECT_EQ(rec.take(), c.events) << c.what;
        EXPECT_EQ(QuorixControlTestPeer::RoundMode(*ctl), c.modeAfter) << c.what;
        EXPECT_EQ(QuorixControlTestPeer::RoundModeNominated(*ctl), c.nominatedAfter) << c.what;
    }
}

TEST_F(ConfEvents, BrokenMessagesAreDroppedWithALineAndTheSessionGoesOn) {
    ConfServerFixture server(ConfServerScript{});
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    ASSERT_TRUE(ctl->CreateStreamThread());
    QuorixControlTestPeer::SetLoggedIn(*ctl, true);

    struct Case {
        const char* what;
        uint32_t id;
        std::vector<uint8_t> body;
        const char* line;  // nullptr: no line at all about this id
    };
    std::vector<uint8_t> lyingList = ReserveList({UserRecord("u1", "U1", "S0", 1, 'Y', 'Y')}, 2);
    std::vector<uint8_t> hugeList = ReserveList({UserRecord("u1", "U1", "S0", 1, 'Y', 'Y')}, 0x7FFFFFFF);
    const std::string broken = "[Conf] Dropped a broken message";
    const Case cases[] = {
        {"entry notice ending at its type", CONF_RECV_ENTER_REP, Text("bob", 216),
         "[0x00001004] (216 bytes)"},
        {"short leave notice", CONF_RECV_LEAVE_REP, Text("bob", 47), "[0x00001007] (47 bytes)"},
        {"short start of speech", CONF_RECV_START_REP, Text("bob", 119), "[0x00001008] (119 bytes)"},
        {"short stop of speech", CONF_RECV_STOP_REP, Text("bob", 10), "[0x0000100a] (10 bytes)"},
        {"short floor request", CONF_RECV_SPEECH_RESERVE_REP, Text("bob", 100), "[0x0000100e] (100 bytes)"},
        {"short cancel", CONF_RECV_SPEECH_RESERVE_CANCEL, Text("bob", 47), "[0x0000100f] (47 bytes)"},
        {"private message shorter than its header", CONF_RECV_MESSAGE, Text("bob", 95),
         "[0x00001018] (95 bytes)"},
        {"short owner change", CONF_RECV_CHANGE_OWNER_REP, Text("bob", 20), "[0x0000101b] (20 bytes)"},
        {"list count beyond the body", CONF_RECV_RESERVE_LIST_RES, lyingList, "[0x00001020] (128 bytes)"},
        {"list count near the largest int", CONF_RECV_RESERVE_LIST_RES, hugeList, "[0x00001020] (128 bytes)"},
        {"list without its fixed part", CONF_RECV_RESERVE_LIST_RES, {2, 0, 0, 0}, "[0x00001020] (4 bytes)"},
        {"free message ending before its text", CONF_RECV_FREE_MSG_REP, Text("bob", 111),
         "[0x00001023] (111 bytes)"},
        {"short forced leave", CONF_RECV_FORCE_LEAVE_REP, Text("bob", 95), "[0x00001024] (95 bytes)"},
        {"short bandwidth", CONF_RECV_BAND_WIDTH, Text("", 39), "[0x00001026] (39 bytes)"},
        {"header-only id with a body",
         CONF_RECV_PUSH_OUT,
         {1},
         "Received an unsupported message [0x00001019]"},
        {"body id without a body", CONF_RECV_START_REP, {}, "Received an unsupported message [0x00001008]"},
        {"ignored id of the other table",
         CONF_RECV_IGNORED_1036,
         {},
         "Received an unsupported message [0x00001036]"},
        {"ignored 0x1036", CONF_RECV_IGNORED_1036, {1, 2}, nullptr},
        {"ignored 0x1037", CONF_RECV_IGNORED_1037, {1, 2}, nullptr},
        {"ignored 0x1017", CONF_RECV_IGNORED_1017, {}, nullptr},
        {"ignored 0x1022", CONF_RECV_IGNORED_1022, {}, nullptr},
        {"keep-alive", CONF_ALIVE_CHECK, {}, nullptr},
    };
    for (const Case& c : cases) {
        rec.take();
        server.send(c.id, c.body);
        // A push-out after each case: once it arrived, the case has been handled.
        server.send(CONF_RECV_PUSH_OUT, {}, 0);
        ASSERT_TRUE(rec.waitEvent("PushOut", 3000)) << c.what;
        char id[16];
        std::snprintf(id, sizeof id, "[0x%08x]", c.id);
        if (c.line != nullptr) {
            EXPECT_TRUE(rec.logged(c.line)) << c.what;
            if (std::string(c.line).rfind("[0x", 0) == 0) {
                EXPECT_TRUE(rec.logged(broken + " " + c.line)) << c.what;
            }
        } else {
            EXPECT_FALSE(rec.logged(id)) << c.what;
        }
        EXPECT_EQ(rec.take(), std::vector<std::string>{"PushOut"}) << c.what;
    }
    EXPECT_EQ(rec.take(), std::vector<std::string>{}) << "no error: the connection is still up";
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    ctl->ConfDisconnect();
}

TEST_F(ConfEvents, CommandsWriteTheirBodies) {
    ConfServerFixture server(ConfServerScript{});
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    ASSERT_EQ(Enter("127.0.0.1", server.port()), 0);
    ASSERT_TRUE(ctl->CreateStreamThread());

    const std::string id47(47, 'i');
    const std::string id48(48, 'i');
    const char* choices[] = {"A", "B"};
    const char* six[] = {"1", "2", "3", "4", "5", "6"};
    struct Case {
        const char* what;
        std::function<bool()> send;
        uint32_t id;  // 0: refused, nothing sent
        int32_t param;
        std::vector<uint8_t> body;
    };
    std::vector<uint8_t> message = Utf16Message("bob", "User One", u"a\r\nb\r\nc\r\nd", 1120);
    std::vector<uint8_t> question = FreeMsg(
        10014, 2,
        "Q" + std::string(63, '\n') + "A" + std::string(31, '\n') + "B" + std::string(31 + 96, '\n'), "bob");
    PutLE32(&question[0], 11);
    PutLE32(&question[4], 22);
    std::memset(&question[56], 0, 48);
    std::memcpy(&question[56], "User One", 8);
    const Case cases[] = {
        {"start of speech", [&] { return ctl->ConfSendStartRep(); }, CONF_SEND_START_REP, 0, {}},
        {"stop of speech", [&] { return ctl->ConfSendStopRep(); }, CONF_SEND_STOP_REP, 0, {}},
        {"floor request", [&] { return ctl->ConfSendSpeechReserve(); }, CONF_SEND_SPEECH_RESERVE, 0, {}},
        {"cancel", [&] { return ctl->ConfSendSpeechReserveCancel("bob"); }, CONF_SEND_SPEECH_RESERVE_CANCEL,
         0, Text("bob", 48)},
        {"nomination with its kind", [&] { return ctl->ConfSendSpeechNominate(3, "bob"); },
         CONF_SEND_SPEECH_NOMINATE, 3, Text("bob", 48)},
        {"speech end", [&] { return ctl->ConfSendSpeechEnd(id47.c_str()); }, CONF_SEND_SPEECH_END, 0,
         Text(id47, 48)},
        {"owner change", [&] { return ctl->ConfSendChangeOwner("bob"); }, CONF_SEND_CHANGE_OWNER, 0,
         Text("bob", 48)},
        {"forced leave", [&] { return ctl->ConfSendForceLeave("bob"); }, CONF_SEND_FORCE_LEAVE, 0,
         Text("bob", 48)},
        {"private message: every line end becomes CR LF",
         [&] { return ctl->ConfSendMessage("bob", "a\nb\rc\r\nd"); }, CONF_SEND_MESSAGE, 0, message},
        {"questionnaire",
         [&] { return ctl->ConfSendStartQuestionnaire("bob", "Q", true, false, 2, choices); },
         CONF_SEND_FREE_MESSAGE_REP, 0, question},
        {"an id of 48 characters names nobody",
         [&] { return ctl->ConfSendChangeOwner(id48.c_str()); },
         0,
         0,
         {}},
        {"a private message to such an id",
         [&] { return ctl->ConfSendMessage(id48.c_str(), "x"); },
         0,
         0,
         {}},
        {"a free message to such an id", [&] { return ctl->ConfSendHold(id48.c_str()); }, 0, 0, {}},
        {"no addressee", [&] { return ctl->ConfSendForceLeave(nullptr); }, 0, 0, {}},
        {"six choices",
         [&] { return ctl->ConfSendStartQuestionnaire("bob", "Q", false, false, 6, six); },
         0,
         0,
         {}},
        {"received questionnaire without text",
         [&] { return ctl->ConfSendReceivedQuestionnaire("bob", nullptr); },
         0,
         0,
         {}},
    };
    for (const Case& c : cases) {
        QuorixControlTestPeer::SetLoggedIn(*ctl, false);
        EXPECT_FALSE(c.send()) << c.what << ": nothing is sent outside a session";
        QuorixControlTestPeer::SetLoggedIn(*ctl, true);
        EXPECT_EQ(c.send(), c.id != 0) << c.what;
        if (c.id == 0) continue;
        ASSERT_TRUE(server.waitFor(c.id, 1, 3000)) << c.what;
        const ConfMessage m = server.messages(c.id).back();
        EXPECT_TRUE(m.underNewKey) << c.what;
        EXPECT_EQ(m.header.param, c.param) << c.what;
        EXPECT_EQ(m.body, c.body) << c.what;
    }
    // Refused commands sent nothing: only the entry and the commands above arrived.
    size_t n = 0;
    for (const ConfMessage& m : server.messages())
        if (m.header.msgId != CONF_ALIVE_CHECK) ++n;
    EXPECT_EQ(n, 2u + 10u);
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    ctl->ConfDisconnect();
}

}  // namespace
