// What the relay senders put on the wire, seen by the loopback relay: the
// choice of video streams, the GSM chunks and the jitter report.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "control/ConfProtocol.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/ControlTestPeer.h"
#include "fixtures/RelayFixture.h"
#include "fixtures/VideoPattern.h"
#include "interface/QuorixCore.h"
#include "network/CommonProc.h"
#include "tessel/TS_Common.h"

using namespace quorix::test;

namespace {

class RelaySenders : public testing::Test {
protected:
    void Login(int samplingRateCode) {
        CONTROL_WAITS w;
        w.replyWaitMs = 2000;
        SetControlWaitsForTest(w);
        CCommonProc::SetSyncWaitMs(2000);
        const ST_FUNCLIST t{};
        ASSERT_TRUE(core_.Init("Mac", &t, nullptr));
        QUORIX_LOGIN_ARGS a;
        a.userAgent = "UA/1";
        a.host = "127.0.0.1";
        a.port = conf_.port();
        a.userId = "user-a";
        a.password = "pw";
        a.userName = "Name A";
        a.userType = "S0";
        a.appVersion = "1.0";
        a.samplingRateCode = samplingRateCode;
        a.optionJson = R"({"roomlist_max":"4"})";
        ASSERT_EQ(core_.LoginToServer(a), 0);
        control_ = core_.GetControl();
    }
    void TearDown() override {
        core_.Term();
        SetControlWaitsForTest(CONTROL_WAITS{});
        CCommonProc::SetSyncWaitMs(CCommonProc::SYNC_WAIT_MS);
    }
    static ConfServerScript Script(const RelayFixture& relay) {
        ConfServerScript s;
        for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
        return s;
    }
    // Video type words of the messages of `ids`, in arrival order.
    std::vector<uint16_t> Types(std::initializer_list<uint32_t> ids) {
        std::vector<uint16_t> types;
        for (const RelayMessage& m : relay_.messages())
            for (uint32_t id : ids)
                if (m.header.msgId == id && m.body.size() >= 16) types.push_back(GetLE16(m.body.data() + 8));
        return types;
    }

    RelayFixture relay_;
    ConfServerFixture conf_{Script(relay_)};
    CQuorixCore core_;
    CQuorixControl* control_ = nullptr;
};

TEST_F(RelaySenders, VideoStreamsAtFifteenFramesPerSecond) {
    Login(4);
    struct Case {
        int width, height;
        size_t main, mobile;
        uint16_t mainType, mobileType;
    };
    // Twelve calls hold every combination of the turns (every third call a
    // mobile turn; of those, every fourth also sends the main stream).
    const Case cases[] = {
        {640, 480, 9, 4, 0x8001, 0x8000},  // large: no rate flag; the mobile picture scaled
        {320, 240, 8, 4, 0x0801, 0x0800},  // small: one stream a call, rate flag set
    };
    for (const Case& c : cases) {
        const size_t mainBefore = Types({VPEX_VIDEO, VPEX_VIDEO_START}).size();
        const size_t mobileBefore = Types({VPEX_VIDEO_MOBILE, VPEX_VIDEO_MOBILE_START}).size();
        for (int i = 0; i < 12; ++i) {
            const std::vector<uint8_t> pic = MakeVideoPattern(c.width, c.height, i);
            EXPECT_TRUE(control_->VpexSendVideo(pic.data(), c.width, c.height, 15, 0, 0));
            // Calls further apart than the encoder's 66 ms at 15 fps, however long encoding takes.
            std::this_thread::sleep_for(std::chrono::milliseconds(70));
        }
        // Until the relay has them all (however slowly the send thread runs).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline &&
               (Types({VPEX_VIDEO, VPEX_VIDEO_START}).size() - mainBefore < c.main ||
                Types({VPEX_VIDEO_MOBILE, VPEX_VIDEO_MOBILE_START}).size() - mobileBefore < c.mobile))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::vector<uint16_t> main = Types({VPEX_VIDEO, VPEX_VIDEO_START});
        const std::vector<uint16_t> mobile = Types({VPEX_VIDEO_MOBILE, VPEX_VIDEO_MOBILE_START});
        ASSERT_EQ(main.size() - mainBefore, c.main) << c.width;
        ASSERT_EQ(mobile.size() - mobileBefore, c.mobile) << c.width;
        for (size_t i = mainBefore; i < main.size(); ++i) EXPECT_EQ(main[i], c.mainType);
        for (size_t i = mobileBefore; i < mobile.size(); ++i) EXPECT_EQ(mobile[i], c.mobileType);
    }
    EXPECT_TRUE(relay_.failures().empty());
}

TEST_F(RelaySenders, GsmChunksFollowTheDriftCounter) {
    Login(1);  // 11025 Hz: chunks of 4160 and 4480 bytes, switch count 200
    const std::vector<uint8_t> pcm(2048, 0);
    std::vector<bool> results;
    for (int i = 0; i < 6; ++i)
        results.push_back(control_->VpexSendAudioPacket(pcm.data(), 2048, 1.0, 11025));
    // 2048 bytes a call: the first chunk (4160) fills on the third call; the
    // drift 2048 - 4160 is negative, far above 200 as an unsigned number, so
    // the next chunk is the larger one (4480), which fills on the fifth.
    EXPECT_EQ(results, (std::vector<bool>{false, false, true, false, true, false}));
    ASSERT_TRUE(relay_.waitFor(VPEX_AUDIO, 2, 30000));
    const std::vector<RelayMessage> audio = relay_.messages(VPEX_AUDIO);
    ASSERT_EQ(audio.size(), 2u);
    for (size_t i = 0; i < audio.size(); ++i) {
        const uint32_t pcmBytes = i == 0 ? 4160 : 4480;
        ASSERT_EQ(audio[i].body.size(), 3 + pcmBytes / 320 * 33);
        EXPECT_EQ(audio[i].body[0], 0x10);
        EXPECT_EQ(uint32_t(audio[i].body[1] << 8 | audio[i].body[2]), pcmBytes);
        EXPECT_EQ(audio[i].index, VPEX_CONN_AUDIO);
    }
}

TEST_F(RelaySenders, JitterReportsAtMostEveryFiveSeconds) {
    Login(4);
    EXPECT_TRUE(control_->VpexSendJitterCheck(0));
    EXPECT_FALSE(control_->VpexSendJitterCheck(0)) << "at once again";
    QuorixControlTestPeer::SetLastJitterTick(*control_, GetTickCount() - 4900);
    EXPECT_FALSE(control_->VpexSendJitterCheck(0));
    QuorixControlTestPeer::SetLastJitterTick(*control_, GetTickCount() - 5100);
    EXPECT_TRUE(control_->VpexSendJitterCheck(0));
    ASSERT_TRUE(relay_.waitFor(VPEX_JITTER_CHECK, 2, 30000));
    const std::vector<RelayMessage> reports = relay_.messages(VPEX_JITTER_CHECK);
    ASSERT_EQ(reports.size(), 2u);
    for (const RelayMessage& m : reports) {
        EXPECT_EQ(m.index, VPEX_CONN_VIDEO);
        EXPECT_EQ(m.header.target, 0u) << "slot 0 holds nobody with all five client ids";
        EXPECT_EQ(m.body, std::vector<uint8_t>(8, 0)) << "no bandwidth announced yet";
    }
}

}  // namespace
