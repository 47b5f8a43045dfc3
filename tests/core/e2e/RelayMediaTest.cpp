// Audio and video between two client processes through the loopback relay:
// a tone coded by one client comes out of the other's mix, and moving
// pictures sent by one are shown by the other.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "TwoClientRoom.h"
#include "control/ConfProtocol.h"

using namespace e2e_test;

namespace {


struct ToneCase {
    const char* name;
    std::vector<std::string> args;  // client arguments that choose the codec
    int rate;                       // the room rate
    int frameSamples;
    bool everyCallSent;
};

class RelayAudio : public testing::TestWithParam<ToneCase> {};

TEST_P(RelayAudio, ToneComesOutOfTheOtherMix) {
    const ToneCase& c = GetParam();
    TwoClientRoom room(c.args);
    ASSERT_TRUE(room.loggedIn);
    const int toneMs = 2000;
    room.a->send("tone 440 " + std::to_string(toneMs) + " " + std::to_string(c.rate) + " " +
                 std::to_string(c.frameSamples));
    const std::string sent = room.a->waitLine("TONE", 30000);
    ASSERT_FALSE(sent.empty());
    // A chunked GSM call reports success only when it completed a chunk.
    if (c.everyCallSent) {
        EXPECT_EQ(Words(sent)[2], "0");
    }
    // The jitter queue holds back two mixes of 200 ms, and a loaded machine
    // mixes late: ask until the tone has come out (or stopped coming).
    std::vector<std::string> stats;
    int loudMs = -1;
    auto progress = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - progress < std::chrono::seconds(10)) {
        const size_t from = room.b->lines().size();
        room.b->send("audiostats");
        stats = Words(room.b->waitLine("AUDIOSTATS", 30000, from));
        if (stats.size() != 4u) break;
        const int now = std::atoi(stats[2].c_str());
        if (now >= toneMs * 9 / 10) break;
        if (now != loudMs) progress = std::chrono::steady_clock::now();
        loudMs = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_EQ(stats.size(), 4u);
    EXPECT_GE(std::atoi(stats[2].c_str()), toneMs * 9 / 10) << "mixes " << stats[1];
    EXPECT_LE(std::atoi(stats[2].c_str()), toneMs * 11 / 10) << "mixes " << stats[1];
    EXPECT_NEAR(std::atoi(stats[3].c_str()), 440, 10);
    // Every audio message went out on connection 1 with the codec's header.
    const auto audio = room.relay.messages(VPEX_AUDIO);
    ASSERT_FALSE(audio.empty());
    for (const RelayMessage& m : audio) {
        EXPECT_EQ(m.index, VPEX_CONN_AUDIO);
        ASSERT_GE(m.body.size(), 4u);
        EXPECT_EQ(m.body[0], c.rate == 48000 ? 0x11 : 0x10);
    }
    EXPECT_TRUE(room.relay.failures().empty());
    EXPECT_TRUE(room.Finish());
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, RelayAudio,
    testing::Values(ToneCase{"Opus", {"support={\"mode_opus\":true}"}, 48000, 2880, true},
                    ToneCase{"GsmChunked", {"rate=1"}, 11025, 220, false},
                    ToneCase{"GsmWhole", {"rate=0"}, 8000, 320, true}),
    [](const testing::TestParamInfo<ToneCase>& info) { return info.param.name; });

TEST(RelayVideo, MovingPictureIsShownAtTheOtherClient) {
    TwoClientRoom room;
    ASSERT_TRUE(room.loggedIn);
    const int fps = 15;
    room.a->send("video 640 480 " + std::to_string(fps) + " 45");
    ASSERT_FALSE(room.a->waitLine("VIDEO", 60000).empty());
    // Ask until every picture the relay forwarded has been shown (or none
    // more has come for a while: a sanitized build may drop some, and a
    // loaded machine decodes in fits and starts).
    const auto forwarded = [&] {
        return room.relay.messages(VPEX_VIDEO).size() + room.relay.messages(VPEX_VIDEO_START).size();
    };
    std::vector<std::string> stats;
    int shown = -1;
    auto progress = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - progress < std::chrono::seconds(20)) {
        const size_t from = room.b->lines().size();
        room.b->send("videostats");
        stats = Words(room.b->waitLine("VIDEOSTATS", 120000, from));
        if (stats.size() != 6u) break;
        const int now = std::atoi(stats[1].c_str());
        if (size_t(now) >= forwarded()) break;
        if (now != shown) progress = std::chrono::steady_clock::now();
        shown = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_EQ(stats.size(), 6u);
    EXPECT_EQ(stats[2], "640");
    EXPECT_EQ(stats[3], "480");
    EXPECT_GE(std::atof(stats[5].c_str()), 30.0);
    const size_t main = forwarded();
    // Most of what the relay forwarded was shown (a loaded machine may drop
    // some pictures); the rate is bench/relay_media's to measure.
    EXPECT_GE(size_t(std::atoi(stats[1].c_str())) * 2, main);
    // The mobile stream: scaled to 320 x 240, flagged, main bit clear, with the footer.
    const auto mobile = room.relay.messages(VPEX_VIDEO_MOBILE_START);
    ASSERT_FALSE(mobile.empty());
    for (uint32_t id : {VPEX_VIDEO_MOBILE_START, VPEX_VIDEO_MOBILE, VPEX_VIDEO_START, VPEX_VIDEO}) {
        for (const RelayMessage& m : room.relay.messages(id)) {
            const bool isMobile = id == VPEX_VIDEO_MOBILE_START || id == VPEX_VIDEO_MOBILE;
            ASSERT_GE(m.body.size(), 32u);
            EXPECT_TRUE(m.hadFooter);
            EXPECT_EQ(m.index, VPEX_CONN_VIDEO);
            EXPECT_EQ(GetLE32(m.body.data()) + 32, m.body.size());
            EXPECT_EQ(GetLE16(m.body.data() + 4), isMobile ? 320 : 640);
            EXPECT_EQ(GetLE16(m.body.data() + 6), isMobile ? 240 : 480);
            EXPECT_EQ(GetLE16(m.body.data() + 8), isMobile ? 0x8000 : 0x8001);
            EXPECT_EQ(GetLE16(m.body.data() + 10), 1);
            EXPECT_EQ(GetLE16(m.body.data() + 12) == 0,
                      id == VPEX_VIDEO_START || id == VPEX_VIDEO_MOBILE_START);
        }
    }
    EXPECT_TRUE(room.relay.failures().empty());
    EXPECT_TRUE(room.Finish());
}

}  // namespace
