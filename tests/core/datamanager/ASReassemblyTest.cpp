// The viewer's side of application sharing inside the control object: pieces
// joined into records (losses, wrong types, surplus bytes, bad end marks),
// the record dispatcher with its rectangle decoding, and received commands
// whose texts fill their fields.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeRelay.h"
#include "control/QuorixControl.h"
#include "control/VpexASProtocol.h"
#include "datamanager/ASDataManager.h"
#include "datamanager/ASRecord.h"
#include "datamanager/JpegCodec.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ControlTestPeer.h"
#include "interface/QuorixCore.h"

namespace {

struct Recorder {
    std::mutex mu;
    std::vector<std::string> events;
    std::vector<std::string> log;
    std::vector<uint8_t> pixels;  // of the last rectangle
    void add(std::string e) {
        std::lock_guard<std::mutex> lock(mu);
        events.push_back(std::move(e));
    }
    int logged(const std::string& part) {
        std::lock_guard<std::mutex> lock(mu);
        int n = 0;
        for (const std::string& l : log) n += l.find(part) != std::string::npos;
        return n;
    }
};
Recorder* g_rec = nullptr;
std::mutex* g_hold = nullptr;  // when set, the rectangle at left 0 waits for it

std::string Rect(uint16_t l, uint16_t t, uint16_t r, uint16_t b) {
    return std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," + std::to_string(b);
}

ST_FUNCLIST Table() {
    ST_FUNCLIST t{};
    t.OnAPShareRect = [](uint16_t l, uint16_t tp, uint16_t r, uint16_t b, uint8_t* px, int n, void*) {
        g_rec->add("rect " + Rect(l, tp, r, b) + " " + std::to_string(n));
        g_rec->pixels.assign(px, px + n);
        if (g_hold != nullptr && l == 0) {
            g_hold->lock();
            g_hold->unlock();
        }
    };
    t.OnAPShareKeyFrame = [](uint16_t l, uint16_t tp, uint16_t r, uint16_t b, void*) {
        g_rec->add("key " + Rect(l, tp, r, b));
    };
    t.OnAPShareResize = [](uint16_t l, uint16_t tp, uint16_t r, uint16_t b, void*) {
        g_rec->add("size " + Rect(l, tp, r, b));
    };
    t.OnASClipBoardText = [](const char* text, void*) { g_rec->add("clip " + std::string(text)); };
    t.OnAPShareStop = [](int kind, const char* id, const char* name, void*) {
        g_rec->add("stop " + std::to_string(kind) + " " + id + " " + name);
    };
    t.OnASStartPermit = [](uint32_t v, void*) { g_rec->add("permit " + std::to_string(v)); };
    t.OnQuorixLog = [](int, const char* line, void*) {
        std::lock_guard<std::mutex> lock(g_rec->mu);
        g_rec->log.emplace_back(line);
    };
    return t;
}

class ASViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_rec = &rec;
        const ST_FUNCLIST table = Table();
        ASSERT_TRUE(core.Init("Linux", &table, nullptr));
        ctl = core.GetControl();
        QuorixControlTestPeer::SetLoggedIn(*ctl, true);
    }
    void TearDown() override {
        QuorixControlTestPeer::SetLoggedIn(*ctl, false);
        core.Term();
        g_rec = nullptr;
    }
    Recorder rec;
    CQuorixCore core;
    CQuorixControl* ctl = nullptr;
};

// --- joining pieces -------------------------------------------------------------

struct RecordSpec {
    uint32_t type = ASPROT_MSG_SHOW_RECT;
    uint32_t size = 0;  // bytes, end mark included
    bool goodMark = true;
    uint32_t surplus = 0;      // bytes after the record in its last piece
    int64_t lengthField = -1;  // -1: size - 8
};

std::vector<uint8_t> Build(const RecordSpec& s, int seed) {
    std::vector<uint8_t> r(s.size);
    for (size_t i = 0; i < r.size(); ++i) r[i] = uint8_t(seed * 31 + i);
    if (s.size >= 4) PutLE32(r.data(), s.type);
    if (s.size >= 8) PutLE32(r.data() + 4, s.lengthField >= 0 ? uint32_t(s.lengthField) : s.size - 8);
    if (s.size >= 12) PutLE32(r.data() + s.size - 4, s.goodMark ? AS_DATA_FOOTER_MAGIC : 0x12345678);
    return r;
}

struct Feed {
    int record;
    int piece;
};

struct JoinCase {
    const char* name;
    std::vector<RecordSpec> records;
    std::vector<Feed> feeds;
    std::vector<int> delivered;
    const char* logLine;  // expected once (nullptr: none)
};

TEST_F(ASViewerTest, PiecesJoinIntoRecordsAndLossesSkipAhead) {
    constexpr uint32_t P = 100;  // piece size of these cases
    datamanager_test::TraceCapture trace;
    const std::vector<JoinCase> cases = {
        {"one piece", {{.size = 30}}, {{0, 0}}, {0}, nullptr},
        {"three pieces in order", {{.size = 250}}, {{0, 0}, {0, 1}, {0, 2}}, {0}, nullptr},
        {"piece 2 of 5 lost",
         {{.size = 450}, {.size = 150}},
         {{0, 0}, {0, 1}, {0, 3}, {0, 4}, {1, 0}, {1, 1}},
         {1},
         "AS data packet sequence error."},
        {"piece 1 of 3 lost: the next record goes too",
         {{.size = 250}, {.size = 150}, {.size = 50}},
         {{0, 0}, {0, 2}, {1, 0}, {1, 1}, {2, 0}},
         {2},
         "AS data packet Footer check has been restored."},
        {"type 104",
         {{.type = 104, .size = 50}, {.size = 50}, {.size = 50}},
         {{0, 0}, {1, 0}, {2, 0}},
         {2},
         "AS data packet Message ID check error"},
        {"surplus bytes after the record", {{.size = 150, .surplus = 30}}, {{0, 0}, {0, 1}}, {0}, nullptr},
        {"bad end mark",
         {{.size = 60, .goodMark = false}, {.size = 60}, {.size = 60}},
         {{0, 0}, {1, 0}, {2, 0}},
         {2},
         "AS data packet Footer check error."},
        {"length beyond any record",
         {{.size = 60, .lengthField = 0xFFFFFFF8}, {.size = 60}, {.size = 60}},
         {{0, 0}, {1, 0}, {2, 0}},
         {2},
         "AS data packet length error"},
        {"first piece shorter than the header",
         {{.size = 4}, {.size = 60}, {.size = 60}},
         {{0, 0}, {1, 0}, {2, 0}},
         {2},
         "AS data packet Message ID check error"},
    };
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(c.name);
        ctl->ASDataReset();
        rec.log.clear();
        std::vector<std::vector<uint8_t>> records;
        for (size_t i = 0; i < c.records.size(); ++i) records.push_back(Build(c.records[i], int(i)));
        std::vector<int> delivered;
        for (const Feed& f : c.feeds) {
            const std::vector<uint8_t>& r = records[size_t(f.record)];
            const uint32_t from = uint32_t(f.piece) * P;
            const bool last = from + P >= r.size();
            std::vector<uint8_t> piece(r.begin() + from, last ? r.end() : r.begin() + from + P);
            if (last) piece.resize(piece.size() + c.records[size_t(f.record)].surplus, 0xEE);
            uint8_t* out = nullptr;
            uint32_t outLength = 0;
            const uint16_t count = uint16_t((r.size() + P - 1) / P);
            if (ctl->ASDataCreatePacket(piece.data(), uint32_t(piece.size()), uint16_t(f.piece), count, out,
                                        outLength)) {
                delivered.push_back(f.record);
                EXPECT_EQ(std::vector<uint8_t>(out, out + outLength), r);
                __free__(out);
            }
        }
        EXPECT_EQ(delivered, c.delivered);
        if (c.logLine != nullptr) {
            EXPECT_GE(rec.logged(c.logLine) + trace.count(c.logLine), 1);
        }
    }
}

// --- dispatching and decoding -----------------------------------------------------

std::vector<uint8_t> ShowRect(uint16_t l, uint16_t t, uint16_t r, uint16_t b,
                              const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> rec(20 + jpeg.size());
    PutLE32(rec.data(), ASPROT_MSG_SHOW_RECT);
    PutLE32(rec.data() + 4, uint32_t(jpeg.size() + 12));
    AS_RECT{l, t, r, b}.Write(rec.data() + 8);
    if (!jpeg.empty()) std::memcpy(rec.data() + 16, jpeg.data(), jpeg.size());
    PutLE32(rec.data() + rec.size() - 4, AS_DATA_FOOTER_MAGIC);
    return rec;
}

std::vector<uint8_t> Small(uint32_t type, uint16_t l, uint16_t t, uint16_t r, uint16_t b) {
    std::vector<uint8_t> rec(20);
    PutLE32(rec.data(), type);
    PutLE32(rec.data() + 4, 12);
    AS_RECT{l, t, r, b}.Write(rec.data() + 8);
    PutLE32(rec.data() + 16, AS_DATA_FOOTER_MAGIC);
    return rec;
}

// A 32 x 16 picture in colour space 3: the top half red, the bottom half blue.
std::vector<uint8_t> TwoBandJpeg() {
    std::vector<uint8_t> src(32 * 16 * 4, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) src[(y * 32 + x) * 4 + (y < 8 ? 0 : 2)] = 255;
    std::vector<uint8_t> jpeg(JpegCompressBound(32, 16));
    size_t n = 0;
    EXPECT_TRUE(JpegCompress(src.data(), 32, 16, 3, true, jpeg.data(), jpeg.size(), &n, 90));
    jpeg.resize(n);
    return jpeg;
}

TEST_F(ASViewerTest, RecordsAreDecodedByType) {
    const std::vector<uint8_t> jpeg = TwoBandJpeg();
    const std::vector<uint8_t> garbage(100, 0x42);
    struct Case {
        const char* name;
        std::vector<uint8_t> record;
        std::vector<std::string> events;
    } cases[] = {
        {"rectangle", ShowRect(100, 50, 132, 66, jpeg), {"rect 100,50,132,66 2048"}},
        {"key frame", Small(ASPROT_MSG_KEY_FRAME, 0, 0, 1920, 1080), {"key 0,0,1920,1080"}},
        {"size change", Small(ASPROT_MSG_CHANGE_WINDOW_SIZE, 1, 2, 3, 4), {"size 1,2,3,4"}},
        {"other type", Small(104, 1, 2, 3, 4), {}},
        {"inverted rectangle", ShowRect(132, 50, 100, 66, jpeg), {}},
        {"picture one row short of its rectangle", ShowRect(100, 50, 132, 67, jpeg), {}},
        {"no JPEG bytes", ShowRect(0, 0, 32, 16, {}), {}},
        {"damaged JPEG", ShowRect(0, 0, 32, 16, garbage), {}},
        {"huge rectangle", ShowRect(0, 0, 65535, 65535, jpeg), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rec.events.clear();
        ctl->OnBufferASData(c.record.data(), uint32_t(c.record.size()));
        EXPECT_EQ(rec.events, c.events);
    }
    // The decoded rectangle is blue, green, red, 255; the upside-down JPEG
    // written bottom-up gives its rows top first.
    ctl->OnBufferASData(cases[0].record.data(), uint32_t(cases[0].record.size()));
    ASSERT_EQ(rec.pixels.size(), 2048u);
    EXPECT_GT(rec.pixels[2], 200);  // first row: the top band, red
    EXPECT_LT(rec.pixels[0], 60);
    EXPECT_EQ(rec.pixels[3], 255);
    EXPECT_GT(rec.pixels[2048 - 4], 200);  // last row: the bottom band, blue
    EXPECT_LT(rec.pixels[2048 - 2], 60);
    // Nothing is delivered outside a session.
    rec.events.clear();
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    ctl->OnBufferASData(cases[1].record.data(), uint32_t(cases[1].record.size()));
    EXPECT_TRUE(rec.events.empty());
}

// --- received commands -------------------------------------------------------------

std::vector<uint8_t> Command(uint32_t command, std::vector<uint8_t> data) {
    std::vector<uint8_t> body(8 + data.size());
    PutLE32(body.data(), command);
    PutLE32(body.data() + 4, uint32_t(data.size()));
    std::memcpy(body.data() + 8, data.data(), data.size());
    return body;
}

TEST_F(ASViewerTest, CommandTextsStayInTheirFields) {
    std::vector<uint8_t> clip(AS_CLIPBOARD_SIZE, 'c');  // no terminator
    std::vector<uint8_t> stop(104, 0);
    PutLE32(stop.data(), 7);
    std::memset(stop.data() + 8, 'i', 48);  // id and name fill their fields
    std::memset(stop.data() + 56, 'n', 48);
    std::vector<uint8_t> permit(8, 0);
    PutLE32(permit.data(), 1);
    struct Case {
        const char* name;
        std::vector<uint8_t> body;
        std::vector<std::string> events;
        bool logged;  // "Received the AS command message" (not for mouse, wheel, clipboard, key)
    } cases[] = {
        {"clipboard of 1024 bytes",
         Command(AS_CMD_CLIPBOARD_TEXT, clip),
         {"clip " + std::string(1024, 'c')},
         false},
        {"clipboard cut short", Command(AS_CMD_CLIPBOARD_TEXT, std::vector<uint8_t>(100, 'c')), {}, false},
        {"stop with full fields",
         Command(AS_CMD_AP_SHARE_STOP, stop),
         {"stop 7 " + std::string(48, 'i') + " " + std::string(48, 'n')},
         true},
        {"permit", Command(AS_CMD_START_PERMIT, permit), {"permit 1"}, true},
        {"permit cut short", Command(AS_CMD_START_PERMIT, {1, 0, 0}), {}, true},
        {"unknown command", Command(99, permit), {}, true},
        {"header only", std::vector<uint8_t>(4, 0), {}, false},
        {"key", Command(AS_CMD_KEY_EVENT, permit), {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rec.events.clear();
        // Exactly the received bytes: ASan sees any read past them.
        std::vector<uint8_t> exact(c.body);
        const int before = rec.logged("Received the AS command message");
        ctl->VpexOnRecvASCmd(3, exact.data(), uint32_t(exact.size()));
        EXPECT_EQ(rec.events, c.events);
        EXPECT_EQ(rec.logged("Received the AS command message") - before, c.logged ? 1 : 0);
    }
}

// Records that arrive behind a key frame are the sharer's newest picture: the
// key frame leaves them queued. A start while the transfer thread exists
// keeps that thread.
TEST_F(ASViewerTest, RecordsBehindAKeyFrameAreDecoded) {
    std::vector<uint8_t> start(208, 0);
    PutLE16(start.data() + 4, 64);
    PutLE16(start.data() + 6, 64);
    const std::vector<uint8_t> startCmd = Command(AS_CMD_AP_SHARE_START, start);
    ctl->VpexOnRecvASCmd(3, startCmd.data(), uint32_t(startCmd.size()));
    const int threads = quorix::test::ProcessThreadCount();
    ctl->VpexOnRecvASCmd(3, startCmd.data(), uint32_t(startCmd.size()));
    EXPECT_EQ(quorix::test::ProcessThreadCount(), threads);

    // The first rectangle holds the transfer thread until the others are queued.
    std::mutex gate;
    gate.lock();
    g_hold = &gate;
    const std::vector<uint8_t> jpeg = TwoBandJpeg();
    const std::vector<std::vector<uint8_t>> records = {ShowRect(0, 0, 32, 16, jpeg),
                                                       Small(ASPROT_MSG_KEY_FRAME, 0, 0, 64, 64),
                                                       ShowRect(32, 0, 64, 16, jpeg)};
    for (const auto& r : records) ctl->VpexOnRecvASData(3, r.data(), uint32_t(r.size()), 0, 1);
    gate.unlock();
    const std::vector<std::string> want = {"rect 0,0,32,16 2048", "key 0,0,64,64", "rect 32,0,64,16 2048"};
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard<std::mutex> lock(rec.mu);
            if (rec.events.size() >= want.size()) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<uint8_t> stop(104, 0);
    const std::vector<uint8_t> stopCmd = Command(AS_CMD_AP_SHARE_STOP, stop);
    ctl->VpexOnRecvASCmd(3, stopCmd.data(), uint32_t(stopCmd.size()));
    g_hold = nullptr;
    std::lock_guard<std::mutex> lock(rec.mu);
    ASSERT_GE(rec.events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(rec.events.begin(), rec.events.begin() + 3), want);
}

}  // namespace

namespace {

// --- senders -----------------------------------------------------------------------

TEST_F(ASViewerTest, SendersNeedTheRoomAndAFailedStartStopsTheEncoder) {
    QuorixControlTestPeer::SetLoggedIn(*ctl, false);
    const uint8_t jpeg[4] = {1, 2, 3, 4};
    const bool results[] = {
        ctl->VpexSendASStart(0, 1, 64, 64, 0, 0, 64, 64, "a", "A", "b", "B"),
        ctl->VpexSendASStop(0, "a", "A"),
        ctl->VpexSendASStartPermit(1),
        ctl->VpexSendASCommand(1, nullptr),
        ctl->VpexSendASControlReq(1, "a", "A"),
        ctl->VpexSendASControlRes(1, "a", "A"),
        ctl->VpexSendASControlRet(),
        ctl->VpexSendASControlChange("a", "A"),
        ctl->VpexSendASMousePointerEvent(1, 2, 3),
        ctl->VpexSendASMouseWheelEvent(5),
        ctl->VpexSendASClipboardText("x", 1),
        ctl->VpexSendASKeyEvent(1, 2),
        ctl->VpexSendASShowRect(0, 0, 16, 16, jpeg, 4),
        ctl->VpexSendASChangeSize(0, 0, 16, 16),
        ctl->VpexSendASKeyFrame(0, 0, 16, 16),
    };
    for (bool r : results) EXPECT_FALSE(r);
    EXPECT_EQ(CASDataManager::instanceForTest()->comparisonImage(), nullptr);
    // In the room, but the start cannot be sent (no relay connection): the
    // encoder's share is stopped again. Commands other than 0 and 1 are refused.
    QuorixControlTestPeer::SetLoggedIn(*ctl, true);
    EXPECT_FALSE(ctl->VpexSendASStart(0, 1, 64, 64, 0, 0, 64, 64, "a", "A", "b", "B"));
    EXPECT_EQ(CASDataManager::instanceForTest()->comparisonImage(), nullptr);
    EXPECT_FALSE(ctl->VpexSendASCommand(2, nullptr));
}

}  // namespace
