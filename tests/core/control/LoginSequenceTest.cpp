// The control object's login data without servers: the two JSON texts, the
// room's audio rate, and the received media handed to the decoders and the
// application, including packets too short or too large for their header.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "video/VideoEncoder.h"
#include "control/QuorixControl.h"
#include "fixtures/ControlTestPeer.h"
#include "fixtures/LoopbackTcp.h"
#include "fixtures/VideoPattern.h"
#include "interface/QuorixCore.h"
#include "tessel/TS_Common.h"

namespace {

using Peer = QuorixControlTestPeer;

TEST(LoginOptions, RoomOptionsAreDecodedAndSeminarRoomsHaveFiftySlots) {
    CQuorixControl c(nullptr);
    const std::string options =
        R"({"roomlist_max":"12","roomname":"Room%20A%2B","owner":"boss","userlist_name":")" +
        std::string(60, 'n') + R"(","userlist_type":"H0"})";
    EXPECT_TRUE(c.SetLoginOptionJson(options.c_str()));
    Peer::RoomOptions o = Peer::Options(c);
    EXPECT_EQ(o.slots, 12u);
    EXPECT_EQ(o.roomName, "Room A+");
    EXPECT_EQ(o.roomOwner, "boss");
    EXPECT_EQ(o.userName.size(), 47u);
    EXPECT_EQ(o.userType, "H0");
    EXPECT_FALSE(o.seminar);

    // A text that does not parse changes nothing.
    EXPECT_FALSE(c.SetLoginOptionJson("{broken"));
    EXPECT_FALSE(c.SetLoginOptionJson(nullptr));
    EXPECT_EQ(Peer::Options(c).slots, 12u);

    EXPECT_TRUE(c.SetLoginOptionJson(R"({"roomlist_max":"3","roomlist_roomcategory":"1"})"));
    o = Peer::Options(c);
    EXPECT_EQ(o.category, 1);
    EXPECT_TRUE(o.seminar);
    EXPECT_EQ(o.slots, 50u);

    // Absent keys leave the values of the previous login.
    EXPECT_TRUE(c.SetLoginOptionJson("{}"));
    EXPECT_EQ(Peer::Options(c).roomName, "Room A+");
}

// The slot count sizes the decoders and the participant table: a huge count
// from the room configuration is cut to what one room-entry reply can list.
TEST(LoginOptions, SlotCountIsBounded) {
    const uint32_t kMax = CQuorixControl::MAX_PARTICIPANT_SLOTS;
    EXPECT_EQ(3330u, kMax);
    const struct {
        const char* value;
        uint32_t slots;
    } cases[] = {
        {"0", 0},
        {"3330", kMax},
        {"3331", kMax},
        {"60000000", kMax},
        {"4294967295", kMax},
        {"99999999999999999999999", kMax},
        {"-5", 7},  // negative: unchanged
    };
    for (const auto& c : cases) {
        CQuorixControl control(nullptr);
        Peer::SetSlotCount(control, 7);
        const std::string options = std::string(R"({"roomlist_max":")") + c.value + R"("})";
        EXPECT_TRUE(control.SetLoginOptionJson(options.c_str()));
        EXPECT_EQ(c.slots, Peer::Options(control).slots) << c.value;
    }
    // A login with such a count sets up its codecs and table and goes on (to
    // the closed conference port here) instead of ending the program.
    const uint16_t closed = quorix::test::UnusedPort("127.0.0.254");
    for (const char* support : {"{}", R"({"mode_opus":true})"}) {
        CQuorixControl control(nullptr);
        EXPECT_EQ(-1, control.Login("UA", "127.0.0.254", closed, 0, nullptr, "u", "p", "n", "S0", 1, 1, 1,
                                    "1", false, false, false, 2, support, R"({"roomlist_max":"4294967295"})"))
            << support;
        EXPECT_EQ(kMax, Peer::Options(control).slots);
        EXPECT_FALSE(Peer::HasAudioCodecs(control));
    }
}

TEST(LoginOptions, SupportedFunctions) {
    struct Case {
        const char* name;
        const char* category;  // roomlist_roomcategory
        const char* support;
        int manySpeaker;
        bool opus;
        int32_t opusRate;
        int32_t opusBitrate;
    };
    const Case cases[] = {
        {"many-meeting room without a count", "2", "{}", 5, false, 48000, 32000},
        {"many-meeting room with a count", "2", R"({"many_speaker":"8"})", 8, false, 48000, 32000},
        {"count as a number", "2", R"({"many_speaker":9})", 9, false, 48000, 32000},
        {"count outside a many-meeting room", "0", R"({"many_speaker":"8"})", 0, false, 48000, 32000},
        {"opus as text", "0", R"({"mode_opus":"1","mode_opus_sampling_rate":"16000"})", 0, true, 16000,
         32000},
        {"opus as truth value", "0", R"({"mode_opus":true,"mode_opus_bitrate":24000})", 0, true, 48000,
         24000},
        {"opus off", "0", R"({"mode_opus":0})", 0, false, 48000, 32000},
        {"missing-value markers", "0",
         R"({"mode_opus_sampling_rate":2147483647,"mode_opus_bitrate":"2147483647"})", 0, false, 48000,
         32000},
    };
    for (const Case& c : cases) {
        CQuorixControl control(nullptr);
        control.SetLoginOptionJson(
            (std::string(R"({"roomlist_roomcategory":")") + c.category + "\"}").c_str());
        control.SetSupportFuncJson(c.support);
        const Peer::RoomOptions o = Peer::Options(control);
        EXPECT_EQ(o.manySpeaker, c.manySpeaker) << c.name;
        EXPECT_EQ(o.opus, c.opus) << c.name;
        EXPECT_EQ(o.opusRate, c.opusRate) << c.name;
        EXPECT_EQ(o.opusBitrate, c.opusBitrate) << c.name;
    }
}

// A login that fails at the conference connection has chosen its rates already.
TEST(LoginOptions, RoomRateFromTheSamplingCodeOrOpus) {
    struct Case {
        int code;
        const char* support;
        uint16_t rate;
    };
    const Case cases[] = {
        {0, "{}", 8000},   {1, "{}", 11025},
        {2, "{}", 16000},  {3, "{}", 22050},
        {4, "{}", 32000},  {7, "{}", 32000},
        {-1, "{}", 32000}, {7, R"({"mode_opus":true,"mode_opus_sampling_rate":"16000"})", 16000},
    };
    const uint16_t closed = quorix::test::UnusedPort("127.0.0.254");
    for (const Case& c : cases) {
        CQuorixControl control(nullptr);
        EXPECT_EQ(control.Login("UA", "127.0.0.254", closed, 0, nullptr, "u", "p", "n", "S0", 1, 1, 1, "1",
                                false, false, false, c.code, c.support, R"({"roomlist_max":"2"})"),
                  -1);
        EXPECT_EQ(Peer::Options(control).roomRate, c.rate) << c.code;
        EXPECT_EQ(Peer::Options(control).outputRate, c.rate) << c.code;
        EXPECT_FALSE(control.IsLoggedIn());
        EXPECT_FALSE(Peer::HasAudioCodecs(control)) << "a failed login frees its codecs";
    }
}

// Events and log lines of a core whose control object is driven directly.
struct Events {
    std::mutex mu;
    std::vector<std::string> lines;
    int videos = 0;
    int width = 0;
    int height = 0;
    std::vector<int> audioSizes;
};

class ReceivedMedia : public ::testing::Test {
protected:
    void SetUp() override {
        ST_FUNCLIST t{};
        t.OnQuorixLog = [](int, const char* line, void* u) {
            auto* e = static_cast<Events*>(u);
            std::lock_guard<std::mutex> lock(e->mu);
            e->lines.push_back(line);
        };
        t.OnVideoOutput = [](int, uint8_t* pixels, int size, int w, int h, int dw, int dh, void* u) {
            auto* e = static_cast<Events*>(u);
            EXPECT_EQ(size, w * h * 4);
            EXPECT_EQ(dw, w);
            EXPECT_EQ(dh, h);
            EXPECT_EQ(pixels[3], 255) << "red, green, blue, alpha";
            ++e->videos;
            e->width = w;
            e->height = h;
        };
        t.OnAudioOutput = [](int, uint8_t*, int size, void* u) {
            static_cast<Events*>(u)->audioSizes.push_back(size);
        };
        ASSERT_TRUE(core_.Init("Mac", &t, &events_));
        control_ = core_.GetControl();
        Peer::SetSlotCount(*control_, 4);
        control_->CreateParticipantInfo();
        control_->MakeVideoDecoder(1);
        Peer::SetLoggedIn(*control_, true);
    }
    void TearDown() override {
        Peer::SetLoggedIn(*control_, false);
        control_->DeleteVideoCodec();
        control_->DeleteAudioCodec();
        core_.Term();
    }

    // A video packet: the 16-byte header, then the payload.
    static uint8_t* Packet(int32_t encSize, uint16_t w, uint16_t h, uint16_t type, uint16_t codec,
                           uint16_t frame, const std::vector<uint8_t>& payload, int* size) {
        *size = int(16 + payload.size());
        auto* p = static_cast<uint8_t*>(__malloc__(size_t(*size)));
        PutLE32(p, uint32_t(encSize));
        PutLE16(p + 4, w);
        PutLE16(p + 6, h);
        PutLE16(p + 8, type);
        PutLE16(p + 10, codec);
        PutLE16(p + 12, frame);
        PutLE16(p + 14, 0);
        if (!payload.empty()) std::memcpy(p + 16, payload.data(), payload.size());
        return p;
    }

    size_t Lines(const std::string& part) {
        std::lock_guard<std::mutex> lock(events_.mu);
        size_t n = 0;
        for (const std::string& l : events_.lines)
            if (l.find(part) != std::string::npos) ++n;
        return n;
    }

    Events events_;
    CQuorixCore core_;
    CQuorixControl* control_ = nullptr;
};

TEST_F(ReceivedMedia, AMainStreamKeyFrameIsDecodedAndShown) {
    CVideoEncoder encoder;
    const std::vector<uint8_t> pixels = MakeVideoPattern(64, 48, 0);
    const int n = encoder.Encode(pixels.data(), 64, 48, 64, 48, 15, 0, 0);
    ASSERT_GT(n, 0);
    std::vector<uint8_t> h264(size_t(n) + 16, 0);  // the encoded bytes and 16 more of zero
    encoder.GetEncodeBuffer(h264.data());
    int size = 0;
    uint8_t* packet = Packet(n, 64, 48, 1, 1, 0, h264, &size);
    control_->OnBufferVideo(1, packet, size, 0);
    EXPECT_EQ(events_.videos, 1);
    EXPECT_EQ(events_.width, 64);
    EXPECT_EQ(events_.height, 48);

    // Without a decoder for the participant nothing is shown.
    packet = Packet(n, 64, 48, 1, 1, 0, h264, &size);
    control_->OnBufferVideo(2, packet, size, 0);
    EXPECT_EQ(events_.videos, 1);
}

TEST_F(ReceivedMedia, PicturesWaitForAKeyFrameAtTheJoinAndAfterALostOne) {
    // The sender's main stream: frame numbers in sending order, whether each
    // reaches this client, and how many pictures have been shown after it. A
    // picture after a lost one would be decoded against a missing reference.
    struct Step {
        int frameNo;
        bool arrives;
        int shown;
    };
    const Step steps[] = {{0, false, 0}, {1, true, 0}, {2, true, 0}, {0, true, 1}, {1, true, 2},
                          {2, false, 2}, {3, true, 2}, {4, true, 2}, {0, true, 3}, {1, true, 4}};
    uint64_t now = 1'000'000;
    CVideoEncoder encoder;
    encoder.SetClock([&now] { return now; });
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& st = steps[i];
        now += st.frameNo == 0 ? 5000 : 67;
        const std::vector<uint8_t> pixels = MakeVideoPattern(64, 48, int(i));
        const int n = encoder.Encode(pixels.data(), 64, 48, 64, 48, 15, 0, 0);
        ASSERT_GT(n, 0);
        ASSERT_EQ(encoder.GetFrameNo(), st.frameNo) << "step " << i;
        if (!st.arrives) continue;
        std::vector<uint8_t> h264(size_t(n) + 16, 0);
        encoder.GetEncodeBuffer(h264.data());
        int size = 0;
        uint8_t* packet = Packet(n, 64, 48, 1, 1, uint16_t(st.frameNo), h264, &size);
        control_->OnBufferVideo(1, packet, size, 0);
        EXPECT_EQ(events_.videos, st.shown) << "step " << i;
    }
}

TEST_F(ReceivedMedia, TheDisplayDelayHoldsAPictureUntilItsQueuedTimePlusTheDelay) {
    CVideoEncoder encoder;
    const std::vector<uint8_t> pixels = MakeVideoPattern(64, 48, 0);
    const int n = encoder.Encode(pixels.data(), 64, 48, 64, 48, 15, 0, 0);
    ASSERT_GT(n, 0);
    std::vector<uint8_t> h264(size_t(n) + 16, 0);
    encoder.GetEncodeBuffer(h264.data());
    // A delay far above a decode's duration on a loaded machine keeps the two cases apart.
    ASSERT_TRUE(control_->setParam("VideoDispDelay", "1000"));
    struct Case {
        const char* name;
        int64_t queuedAgoMs;
        bool waits;
    };
    const Case cases[] = {{"queued now", 0, true}, {"queued long ago", 10000, false}};
    for (const Case& c : cases) {
        int size = 0;
        uint8_t* packet = Packet(n, 64, 48, 1, 1, 0, h264, &size);
        const uint64_t start = GetMonotonicTickCount();
        control_->OnBufferVideo(1, packet, size, GetTickCount() - uint64_t(c.queuedAgoMs));
        const uint64_t elapsed = GetMonotonicTickCount() - start;
        if (c.waits)
            EXPECT_GE(elapsed, 990u) << c.name;
        else
            EXPECT_LT(elapsed, 500u) << c.name;
    }
    EXPECT_EQ(events_.videos, 2);
}

TEST_F(ReceivedMedia, BrokenVideoPacketsAreDroppedAndLogged) {
    struct Case {
        const char* name;
        int32_t encSize;
        uint16_t w, h, type, codec;
        size_t payload;
        const char* line;  // nullptr: dropped without a line
    };
    const Case cases[] = {
        {"encoded size above the payload", 100, 64, 48, 1, 1, 99, "Broken Video (UserID: "},
        {"negative encoded size", -1, 64, 48, 1, 1, 10, "Broken Video (UserID: "},
        {"codec other than H.264", 10, 64, 48, 1, 2, 10, "Video codec error (UserID: "},
        {"no pixels", 10, 0, 48, 1, 1, 10, "Video param error (UserID: "},
        {"too many pixels", 10, 4096, 2305, 1, 1, 10, "Video param error (UserID: "},
        {"scaled-down mobile picture", 10, 64, 48, 0x8000, 1, 10, nullptr},
    };
    for (const Case& c : cases) {
        const size_t before = events_.lines.size();
        int size = 0;
        uint8_t* packet =
            Packet(c.encSize, c.w, c.h, c.type, c.codec, 0, std::vector<uint8_t>(c.payload), &size);
        control_->OnBufferVideo(1, packet, size, 0);
        EXPECT_EQ(events_.videos, 0) << c.name;
        if (c.line != nullptr) {
            EXPECT_EQ(Lines(c.line), 1u) << c.name;
            // Each case adds its line; drop it so that the next case counts afresh.
            events_.lines.clear();
        } else {
            EXPECT_EQ(events_.lines.size(), before) << c.name;
        }
    }
    // A packet shorter than its header is never read past its end.
    auto* tiny = static_cast<uint8_t*>(__malloc__(5));
    std::memset(tiny, 0xFF, 5);
    control_->OnBufferVideo(1, tiny, 5, 0);
    EXPECT_EQ(Lines("shorter than its header"), 1u);
}

TEST_F(ReceivedMedia, NothingIsDecodedOutsideASessionOrAfterAnError) {
    for (int round = 0; round < 2; ++round) {
        if (round == 0) Peer::SetLoggedIn(*control_, false);
        if (round == 1) Peer::SetErrorReported(*control_, true);
        int size = 0;
        uint8_t* packet = Packet(100, 64, 48, 1, 1, 0, std::vector<uint8_t>(10), &size);
        control_->OnBufferVideo(1, packet, size, 0);
        EXPECT_EQ(Lines("Broken Video"), 0u) << "dropped before it is looked at";
        Peer::SetLoggedIn(*control_, true);
        Peer::SetErrorReported(*control_, false);
    }
}

TEST_F(ReceivedMedia, ShortAudioIsDroppedAndTheMixReachesTheApplicationAtTheOutputRate) {
    ASSERT_TRUE(control_->CreateAudioCodec());
    auto* tiny = static_cast<uint8_t*>(__malloc__(2));
    tiny[0] = 0x10;
    tiny[1] = 0x01;
    control_->OnBufferAudio(0, tiny, 2);
    EXPECT_EQ(Lines("Broken Audio"), 1u);
    auto* outside = static_cast<uint8_t*>(__malloc__(40));
    control_->OnBufferAudio(7, outside, 40);  // no such slot: freed, nothing else

    // The mix is handed on as it is at the room rate, resampled otherwise.
    const int bytes = 32000 * 2 / 5;  // 200 ms at 32000 Hz
    auto mix = [&] {
        auto* pcm = static_cast<uint8_t*>(__malloc__(size_t(bytes)));
        std::memset(pcm, 0, size_t(bytes));
        return pcm;
    };
    control_->OnBufferPlayAudio(10, mix(), bytes);
    EXPECT_TRUE(control_->SetDstAudioSampleRate(16000));
    control_->OnBufferPlayAudio(10, mix(), bytes);
    control_->OnBufferPlayAudio(10, mix(), bytes);
    ASSERT_EQ(events_.audioSizes.size(), 3u);
    EXPECT_EQ(events_.audioSizes[0], bytes);
    EXPECT_NEAR(events_.audioSizes[1] + events_.audioSizes[2], bytes, 64);
    EXPECT_TRUE(control_->SetDstAudioSampleRate(0));
    EXPECT_EQ(Peer::Options(*control_).outputRate, Peer::Options(*control_).roomRate);
    Peer::SetLoggedIn(*control_, false);
    EXPECT_FALSE(control_->SetDstAudioSampleRate(8000));
}

}  // namespace
