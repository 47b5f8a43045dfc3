// The sharing encoder against a recording relay: which rectangles a frame
// gives, what the records hold, the record queue in front of the relay's
// class-4 queue, the quality controller, key frames, and frames and key
// frames from two threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "FakeRelay.h"
#include "datamanager/JpegCodec.h"

using namespace datamanager_test;

namespace {

constexpr int kBpp = 4;

// A frame in colour space 3 equal to a freshly cleared comparison image.
std::vector<uint8_t> BlankFrame(int w, int h) {
    std::vector<uint8_t> f(size_t(w) * h * kBpp, 0);
    for (size_t i = 3; i < f.size(); i += 4) f[i] = 255;
    return f;
}

void Paint(std::vector<uint8_t>& f, int w, const stLRect& r, uint8_t value) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            uint8_t* p = &f[(size_t(y) * w + x) * kBpp];
            p[0] = value;
            p[1] = uint8_t(value / 2);
            p[2] = uint8_t(255 - value);
        }
}

void Noise(std::vector<uint8_t>& f, unsigned seed) {
    std::mt19937 rng(seed);
    for (size_t i = 0; i < f.size(); ++i)
        if (i % 4 != 3) f[i] = uint8_t(rng());
}

class EncoderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CASDataManager::init(&relay, 3, 24, 24)); }
    void TearDown() override {
        CASDataManager::term();
        CASDataManager::SetClockForTest(nullptr);
    }
    bool Send(const std::vector<uint8_t>& frame, int w, int h) {
        return CASDataManager::sendASShowRect(frame.data(), 0, 0, uint16_t(w), uint16_t(h));
    }
    FakeRelay relay;
};

struct RegionCase {
    const char* name;
    int width, height;
    std::vector<stLRect> changes;
    std::vector<stLRect> pieces;
    bool wholeBlocks = true;  // the changes fill their blocks (pixels are compared after coding)
};

std::vector<stLRect> FullHdPieces() {
    std::vector<stLRect> out;
    for (int band : {0, 480})
        for (int x = 0; x < 1920; x += 480) out.push_back({x, band, x + 480, band + 480});
    for (int x = 0; x < 1920; x += 480) {
        out.push_back({x, 1064, x + 480, 1080});  // bottom strip first
        out.push_back({x, 960, x + 480, 1072});
    }
    return out;
}

TEST_F(EncoderTest, FramesGiveTheRectanglesOfTheirChangedBlocks) {
    const std::vector<RegionCase> cases = {
        {"unchanged", 256, 128, {}, {}},
        {"one pixel marks its block", 256, 128, {{70, 40, 71, 41}}, {{64, 32, 96, 64}}, false},
        {"two blocks with a gap join", 256, 128, {{0, 0, 32, 32}, {64, 0, 96, 32}}, {{0, 0, 96, 32}}},
        {"a run stops at 480 pixels",
         1024,
         32,
         {{0, 0, 1024, 32}},
         {{0, 0, 480, 32}, {480, 0, 960, 32}, {960, 0, 1024, 32}}},
        {"distant blocks make two regions",
         1024,
         64,
         {{0, 0, 32, 32}, {800, 32, 832, 64}},
         {{0, 0, 32, 32}, {800, 32, 832, 64}}},
        {"full HD", 1920, 1080, {{0, 0, 1920, 1080}}, FullHdPieces()},
        {"8-pixel block at the right edge",
         1000,
         64,
         {{960, 0, 1000, 32}},
         {{960, 0, 992, 32}, {984, 0, 1000, 32}}},
        {"8-pixel block row at the bottom", 64, 40, {{0, 32, 32, 40}}, {{0, 32, 32, 40}}},
        {"picture narrower than 16", 8, 8, {{0, 0, 8, 8}}, {{0, 0, 8, 8}}},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(CASDataManager::onAPShareStart(uint16_t(c.width), uint16_t(c.height)));
        std::vector<uint8_t> frame = BlankFrame(c.width, c.height);
        for (const stLRect& r : c.changes) Paint(frame, c.width, r, 200);
        EXPECT_TRUE(Send(frame, c.width, c.height));
        const std::vector<SentRecord> sent = relay.take();
        std::vector<stLRect> rects;
        for (const SentRecord& r : sent) rects.push_back(r.rect);
        EXPECT_EQ(rects, c.pieces);
        EXPECT_EQ(relay.lastIndex.load() == 3 && relay.lastClass.load() == 4, !c.pieces.empty());
        // Each record's JPEG holds its rectangle upside down.
        for (const SentRecord& r : c.wholeBlocks ? sent : std::vector<SentRecord>{}) {
            const int w = r.rect.right - r.rect.left, h = r.rect.bottom - r.rect.top;
            std::vector<uint8_t> out(size_t(w) * h * 4);
            ASSERT_EQ(
                JpegDecompress(r.jpeg.data(), r.jpeg.size(), out.data(), out.size(), nullptr, 3, 2, 1, 1), 0);
            for (int y = 0; y < h; y += 7)
                for (int x = 0; x < w; x += 5) {
                    const uint8_t* want = &frame[(size_t(r.rect.top + y) * c.width + r.rect.left + x) * 4];
                    const uint8_t* got = &out[(size_t(y) * w + x) * 4];
                    ASSERT_NEAR(got[2], want[0], 40) << x << "," << y;  // red
                    ASSERT_NEAR(got[0], want[2], 40) << x << "," << y;  // blue
                }
        }
        // The same frame again changes nothing.
        EXPECT_TRUE(Send(frame, c.width, c.height));
        EXPECT_TRUE(relay.take().empty());
    }
}

TEST_F(EncoderTest, FramesNeedASharedPictureOfTheirColourSpace) {
    std::vector<uint8_t> frame = BlankFrame(64, 64);
    Paint(frame, 64, {0, 0, 64, 64}, 9);
    EXPECT_FALSE(Send(frame, 64, 64));  // no share started
    ASSERT_TRUE(CASDataManager::onAPShareStart(64, 64));
    EXPECT_FALSE(CASDataManager::sendASShowRect(nullptr, 0, 0, 64, 64));
    EXPECT_FALSE(CASDataManager::sendASShowRect(frame.data(), 32, 0, 96, 64));  // frames start at (0, 0)
    EXPECT_TRUE(Send(frame, 64, 64));
    CASDataManager::onAPShareStop();
    EXPECT_FALSE(Send(frame, 64, 64));
    EXPECT_EQ(relay.take().size(), 1u);

    CASDataManager::init(&relay, 2, 24, 24);  // a manager of another colour space
    ASSERT_TRUE(CASDataManager::onAPShareStart(64, 64));
    CASDataManager* m = CASDataManager::instanceForTest();
    EXPECT_FALSE(m->extractDiffRegion(frame.data(), 0, 0, 64, 64, 3));
    EXPECT_TRUE(m->extractDiffRegion(frame.data(), 0, 0, 64, 64, 2));

    CASDataManager::term();
    EXPECT_FALSE(Send(frame, 64, 64));
    EXPECT_FALSE(CASDataManager::sendASKeyFrame(0, 0, 64, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityDefault(), -1);
}

TEST_F(EncoderTest, KeyFrameEmptiesTheQueueAndClearsThePicture) {
    ASSERT_TRUE(CASDataManager::onAPShareStart(64, 64));
    std::vector<uint8_t> frame = BlankFrame(64, 64);
    Paint(frame, 64, {0, 0, 64, 64}, 77);
    relay.queueLength = -1;  // nothing moves: records stay queued
    EXPECT_FALSE(Send(frame, 64, 64));
    EXPECT_EQ(CASDataManager::instanceForTest()->queuedRecords(), 1);

    relay.queueLength = 0;
    EXPECT_TRUE(CASDataManager::sendASKeyFrame(0, 0, 64, 64));
    const std::vector<SentRecord> sent = relay.take();
    ASSERT_EQ(sent.size(), 1u);  // the queued rectangle was dropped
    EXPECT_EQ(sent[0].type, uint32_t(ASPROT_MSG_KEY_FRAME));
    EXPECT_EQ(sent[0].rect, (stLRect{0, 0, 64, 64}));
    const CLBitmap* picture = CASDataManager::instanceForTest()->comparisonImage();
    const std::vector<uint8_t> blank = BlankFrame(64, 64);
    EXPECT_EQ(std::vector<uint8_t>(picture->getImage(), picture->getImage() + picture->getLength()), blank);
    // The unchanged frame is sent whole again.
    EXPECT_TRUE(Send(frame, 64, 64));
    EXPECT_EQ(relay.takeRects(), (std::vector<stLRect>{{0, 0, 64, 64}}));

    EXPECT_TRUE(CASDataManager::sendASWindowChange(1, 2, 3, 4));
    const std::vector<SentRecord> change = relay.take();
    ASSERT_EQ(change.size(), 1u);
    EXPECT_EQ(change[0].type, uint32_t(ASPROT_MSG_CHANGE_WINDOW_SIZE));
    EXPECT_EQ(change[0].rect, (stLRect{1, 2, 3, 4}));
}

// Only whole records enter the relay's class-4 queue (30 messages).
TEST_F(EncoderTest, RecordsMoveOnlyWhenAllTheirPiecesFit) {
    CASDataManager::setJpegQualityDefault(95);  // noise at 95 needs several pieces
    ASSERT_TRUE(CASDataManager::onAPShareStart(480, 480));
    std::vector<uint8_t> big = BlankFrame(480, 480);
    Noise(big, 1);
    struct Case {
        int waiting;
        bool bigRecord;
        bool moves;
    } cases[] = {
        {0, true, true},    // an empty queue takes any record
        {24, false, true},  // one small record even above the allowance
        {29, false, true}, {30, false, false}, {28, true, false},  // the big record needs more than 2 pieces
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.waiting) + (c.bigRecord ? " big" : " small"));
        relay.queueLength = c.waiting;
        if (c.bigRecord) {
            Noise(big, unsigned(c.waiting) + 2);
            EXPECT_TRUE(Send(big, 480, 480));
        } else {
            EXPECT_TRUE(CASDataManager::sendASWindowChange(0, 0, 480, 480));
        }
        EXPECT_EQ(relay.take().size(), c.moves ? 1u : 0u);
        // Held back records move with a later frame, unchanged ones included.
        relay.queueLength = 0;
        EXPECT_TRUE(Send(big, 480, 480));
        EXPECT_EQ(CASDataManager::instanceForTest()->queuedRecords(), 0);
        const std::vector<SentRecord> late = relay.take();
        EXPECT_EQ(late.size(), c.moves ? 0u : 1u);
        if (c.bigRecord && !late.empty()) {
            EXPECT_GT(late[0].jpeg.size(), 2u * 65448);
        }
    }
}

uint64_t g_now = 1000;
uint64_t TestClock() {
    return g_now;
}

TEST_F(EncoderTest, QualityFallsWhileRecordsPileUpAndRisesSlowly) {
    TraceCapture trace;
    CASDataManager::SetClockForTest(TestClock);
    g_now = 1000;
    ASSERT_TRUE(CASDataManager::onAPShareStart(320, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 40);
    relay.queueLength = -1;  // connection 3 without send thread: records pile up
    std::vector<uint8_t> frame = BlankFrame(320, 64);
    // 25 frames, each changing one block: 25 records.
    for (int i = 0; i < 25; ++i) {
        Paint(frame, 320, {(i % 10) * 32, 0, (i % 10) * 32 + 32, 32}, uint8_t(i + 1));
        EXPECT_FALSE(Send(frame, 320, 64));
    }
    CASDataManager* m = CASDataManager::instanceForTest();
    ASSERT_EQ(m->queuedRecords(), 25);
    EXPECT_EQ(trace.count("AS Compress quality down"), 0);
    // The next queueing reduces: quality 30, the rectangles merged into fewer records.
    const int before = m->queuedRecords();
    EXPECT_FALSE(CASDataManager::sendASWindowChange(0, 0, 320, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 30);
    EXPECT_EQ(trace.count("AS Compress quality down. [Value:30]"), 1);
    EXPECT_EQ(before, 25);
    EXPECT_EQ(m->queuedRecords(), 2);  // the merged area and the size change
    // The relay drains: every record moves, the merged ones cover the picture's changed part.
    relay.queueLength = 0;
    EXPECT_TRUE(CASDataManager::sendASWindowChange(0, 0, 320, 64));
    EXPECT_EQ(m->queuedRecords(), 0);
    CLRectMask covered(320, 64);
    for (const SentRecord& r : relay.take())
        if (r.type == ASPROT_MSG_SHOW_RECT)
            covered.setRectOn(r.rect.left, r.rect.top, r.rect.right, r.rect.bottom);
    EXPECT_EQ(covered.getBox(), (stLRect{0, 0, 320, 32}));
    // At the minimum a raise needs more than 100 s without a change, then 10 s more per point.
    g_now += 100000;
    EXPECT_TRUE(CASDataManager::sendASWindowChange(0, 0, 320, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 30);
    g_now += 1;
    EXPECT_TRUE(CASDataManager::sendASWindowChange(0, 0, 320, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 40);
    EXPECT_EQ(trace.count("AS Compress quality up. [Value:40]"), 1);
    g_now += 200000;
    EXPECT_TRUE(CASDataManager::sendASWindowChange(0, 0, 320, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 40);
    g_now += 1;
    EXPECT_TRUE(CASDataManager::sendASWindowChange(0, 0, 320, 64));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 50);
}

// Records left from a share that has stopped are not merged: there is no picture.
TEST_F(EncoderTest, ReductionWithoutPictureLeavesTheQueue) {
    ASSERT_TRUE(CASDataManager::onAPShareStart(64, 64));
    relay.queueLength = -1;
    for (int i = 0; i < 26; ++i) (void)CASDataManager::sendASWindowChange(0, 0, uint16_t(i), 64);
    CASDataManager* m = CASDataManager::instanceForTest();
    const int queued = m->queuedRecords();
    CASDataManager::onAPShareStop();
    (void)CASDataManager::sendASWindowChange(0, 0, 64, 64);
    EXPECT_EQ(m->queuedRecords(), queued + 1);
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 40);
}

TEST_F(EncoderTest, QualityLimitsAreZeroToHundred) {
    EXPECT_FALSE(CASDataManager::setJpegQualityMax(101));
    EXPECT_FALSE(CASDataManager::setJpegQualityMin(-1));
    EXPECT_TRUE(CASDataManager::setJpegQualityDefault(100));
    EXPECT_EQ(CASDataManager::getJpegQualityMax(), 80);
    EXPECT_EQ(CASDataManager::getJpegQualityMin(), 30);
    EXPECT_EQ(CASDataManager::getJpegQualityDefault(), 100);
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 40);  // the new default counts from the next start
    ASSERT_TRUE(CASDataManager::onAPShareStart(16, 16));
    EXPECT_EQ(CASDataManager::getJpegQualityCurrent(), 100);
}

// Frames on one thread, key frames on another: the comparison picture is
// never read while it is replaced (ThreadSanitizer and ASan watch).
TEST_F(EncoderTest, FramesAndKeyFramesFromTwoThreads) {
    ASSERT_TRUE(CASDataManager::onAPShareStart(256, 128));
    std::atomic<bool> done{false};
    std::thread keys([&] {
        while (!done) {
            CASDataManager::sendASKeyFrame(0, 0, 256, 128);
            CASDataManager::onAPShareStart(256, 128);
            std::this_thread::yield();
        }
    });
    std::vector<uint8_t> frame = BlankFrame(256, 128);
    for (int i = 0; i < 60; ++i) {
        Paint(frame, 256, {(i * 32) % 256, 0, (i * 32) % 256 + 32, 128}, uint8_t(i));
        EXPECT_TRUE(Send(frame, 256, 128));
    }
    done = true;
    keys.join();
    EXPECT_FALSE(relay.take().empty());
}

}  // namespace
