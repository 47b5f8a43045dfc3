// Application sharing between two client processes through the loopback
// relay: alice shares an animated 1920 x 1080 picture and bob rebuilds it
// from the decoded rectangles; a lost piece, the twelve commands, and a
// relay that stops reading alice's sharing connection.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "control/VpexASProtocol.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "fixtures/SharePattern.h"

using namespace quorix::test;

namespace {

constexpr int W = 1920, H = 1080;

class AppShareTest : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& aliceExtra = {}) {
        ASSERT_TRUE(relay.listening());
        confA = std::make_unique<ConfServerFixture>(Script());
        confB = std::make_unique<ConfServerFixture>(Script());
        std::vector<std::string> argsA = Args(*confA, "alice", "Alice");
        argsA.insert(argsA.end(), aliceExtra.begin(), aliceExtra.end());
        a = std::make_unique<ClientProcess>(FixtureProgram("quorix_test_client"), argsA);
        ASSERT_EQ(a->waitLine("LOGIN", 60000), "LOGIN 0");
        b = std::make_unique<ClientProcess>(FixtureProgram("quorix_test_client"), Args(*confB, "bob", "Bob"));
        ASSERT_EQ(b->waitLine("LOGIN", 60000), "LOGIN 0");
        ASSERT_FALSE(a->waitLine("EVENT AudioInitialized", 30000).empty());  // both on all five connections
    }
    void TearDown() override {
        for (ClientProcess* c : {a.get(), b.get()}) {
            if (c == nullptr) continue;
            c->send("quit");
            EXPECT_EQ(c->finish(), 0);
            for (const std::string& line : c->lines())
                EXPECT_EQ(line.rfind("EVENT Error", 0), std::string::npos) << line;
        }
        EXPECT_TRUE(relay.failures().empty());
    }

    ConfServerScript Script() {
        ConfServerScript s;
        s.loginBody.assign(136, 0);
        s.keyLevel = 2;
        for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
        return s;
    }
    static std::vector<std::string> Args(const ConfServerFixture& conf, const std::string& user,
                                         const std::string& name) {
        return {"port=" + std::to_string(conf.port()), "user=" + user, "name=" + name, "top=7", "room=8",
                "option={\"roomlist_max\":\"8\"}",     "wait=2000"};
    }

    // Alice shares; bob has been told.
    void Share() {
        a->send("share " + std::to_string(W) + " " + std::to_string(H));
        ASSERT_EQ(a->waitLine("SHARE", 30000), "SHARE 1");
        ASSERT_EQ(b->waitLine("EVENT APShareStart", 30000),
                  "EVENT APShareStart 0 1 1920 1080 0 0 1920 1080 alice Alice  ");
    }
    // Moves alice's picture on and returns the frame it stopped at.
    int Animate(int frames, size_t from) {
        a->send("animate " + std::to_string(frames));
        const std::string line = a->waitLine("ANIMATED", 60000, from);
        EXPECT_FALSE(line.empty());
        return std::atoi(line.substr(9).c_str());
    }
    // Bob's picture against alice's frame, waiting for it to match as long as
    // rectangles keep arriving: a loaded machine drains a queue of records
    // slowly but steadily, a picture that never recovers stops getting them.
    // Gives up once none has come for stallMs.
    double WaitForPicture(int frame, bool textured, double wantDb, int stallMs = 30000) {
        std::vector<uint8_t> expected(size_t(W) * H * 4);
        RenderSharePattern(expected.data(), W, H, frame, textured);
        const std::string path = "/tmp/quorix_share_" + std::to_string(::getpid()) + ".raw";
        double psnr = 0;
        int rects = -1;
        auto progress = std::chrono::steady_clock::now();
        do {
            const size_t from = b->lines().size();
            b->send("dumpshare " + path);
            const std::string dumped = b->waitLine("DUMPED", 30000, from);
            if (dumped.empty()) break;
            if (const int now = std::atoi(dumped.substr(7).c_str()); now != rects) {
                rects = now;
                progress = std::chrono::steady_clock::now();
            }
            std::ifstream in(path, std::ios::binary);
            const std::vector<uint8_t> got((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
            psnr = SharePsnr(expected, got);
            if (psnr >= wantDb) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        } while (std::chrono::steady_clock::now() - progress < std::chrono::milliseconds(stallMs));
        std::remove(path.c_str());
        return psnr;
    }

    RelayFixture relay;
    std::unique_ptr<ConfServerFixture> confA, confB;
    std::unique_ptr<ClientProcess> a, b;
};

TEST_F(AppShareTest, ViewerRebuildsTheAnimatedPicture) {
    Start();
    Share();
    const int frame = Animate(8, 0);
    EXPECT_GE(WaitForPicture(frame, false, 30.0), 30.0);
    // Every image message went to the relay on connection 3 with the footer, whole.
    for (const RelayMessage& m : relay.messages(VPEX_AS_DATA)) {
        EXPECT_EQ(m.index, 3);
        EXPECT_TRUE(m.hadFooter);
        EXPECT_LT(m.pieceIndex, m.pieceCount);
    }
    a->send("stopshare");
    EXPECT_EQ(a->waitLine("STOPSHARE", 30000), "STOPSHARE 1");
    EXPECT_EQ(b->waitLine("EVENT APShareStop", 30000), "EVENT APShareStop 0 alice Alice");
}

TEST_F(AppShareTest, LostPieceAsksForAKeyFrameAndTheViewerRecovers) {
    Start({"pattern=textured", "quality=95"});  // records of several pieces
    Share();
    relay.dropNextSplitPiece(VPEX_AS_DATA);
    const int frame = Animate(4, 0);
    ASSERT_EQ(relay.droppedPieces(), 1);
    // Bob asks for a key frame (start permit 1), alice answers with one.
    EXPECT_EQ(a->waitLine("EVENT ASStartPermit", 30000), "EVENT ASStartPermit 1");
    EXPECT_EQ(b->waitLine("EVENT APShareKeyFrame", 30000), "EVENT APShareKeyFrame 0 0 1920 1080");
    bool permitFromBob = false;
    for (const RelayMessage& m : relay.messages(VPEX_AS_CMD))
        permitFromBob |= m.userId == "bob" && m.body.size() == 16 &&
                         GetLE32(m.body.data()) == AS_CMD_START_PERMIT && GetLE32(m.body.data() + 8) == 1;
    EXPECT_TRUE(permitFromBob);
    EXPECT_GE(WaitForPicture(frame, true, 30.0), 30.0);
}

TEST_F(AppShareTest, TheTwelveCommandsReachTheOtherSide) {
    Start();
    struct Case {
        const char* command;
        const char* event;
    } cases[] = {
        {"start", "EVENT APShareStart 1 0 800 600 10 20 810 620 alice Alice bob Bob"},
        {"permit", "EVENT ASStartPermit 0"},
        {"control-req", "EVENT ASControlReq 2 bob Bob"},
        {"control-res", "EVENT ASControlRes 1 alice Alice"},
        {"control-ret", "EVENT ASControlRet"},
        {"control-change", "EVENT APShareControlChange carol Carol"},
        {"mouse", "EVENT ASMouseEvent 4 640 480"},
        {"wheel", "EVENT ASMouseWheelEvent -120"},
        {"key", "EVENT ASKeyEvent 65 1"},
        {"clip 1024", "EVENT ASClipBoardText 1024 xxxxxxxx"},
        {"stop", "EVENT APShareStop 3 alice Alice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const size_t from = b->lines().size();
        const size_t fromA = a->lines().size();
        a->send(std::string("ascmd ") + c.command);
        const std::string name = std::string(c.command).substr(0, std::string(c.command).find(' '));
        EXPECT_EQ(a->waitLine("ASCMD " + name + " ", 30000, fromA), "ASCMD " + name + " 1");
        const std::string event(c.event);
        EXPECT_EQ(b->waitLine(event.substr(0, event.find(' ', 6)), 30000, from), event);
    }
    // The refusal is the relay's: sent to bob as the relay would.
    std::vector<uint8_t> refuse(12, 0);
    PutLE32(refuse.data(), AS_CMD_START_REFUSE);
    PutLE32(refuse.data() + 4, 4);
    PutLE32(refuse.data() + 8, 9);
    ASSERT_TRUE(relay.sendToClient("bob", 3, VPEX_AS_CMD, refuse));
    EXPECT_EQ(b->waitLine("EVENT ASStartRefuse", 30000), "EVENT ASStartRefuse 9");
    // A clipboard text above 1024 bytes is refused and never sent.
    const size_t sent = relay.messages(VPEX_AS_CMD).size();
    a->send("ascmd clip 1025");
    EXPECT_EQ(a->waitLine("ASCMD clip 0", 30000), "ASCMD clip 0");
    EXPECT_EQ(relay.messages(VPEX_AS_CMD).size(), sent);
}

TEST_F(AppShareTest, QualityFallsWhileTheRelayStopsReadingAndRisesAfterIt) {
    // The 100 s before a raise pass in half a second; quality 40 at most.
    Start({"asclock=200", "quality=40"});
    Share();
    ASSERT_GE(Animate(2, 0), 2);
    relay.pauseReading("alice", 3, true);
    a->send("animate 100000");
    // Records pile up in front of the full relay queue: the quality falls to its minimum
    // (once the socket buffers are full, which a loaded machine takes minutes to fill).
    EXPECT_FALSE(a->waitLine("TRACE AS Compress quality down. [Value:30]", 240000).empty());
    const size_t resumed = a->lines().size();
    relay.pauseReading("alice", 3, false);
    // The quality rises once the queue has drained (slowly on a loaded machine).
    EXPECT_EQ(a->waitLine("TRACE AS Compress quality up", 240000, resumed),
              "TRACE AS Compress quality up. [Value:40]");
    // The whole picture arrives: what piled up and the last frame.
    const int frame = Animate(0, a->lines().size());
    EXPECT_GE(WaitForPicture(frame, false, 30.0), 30.0);
}

}  // namespace
