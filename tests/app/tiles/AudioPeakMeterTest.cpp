// The level meter: band geometry and colours, which bands a level lights, the
// hold and the band-by-band fall on the manual main-queue clock, and what the
// delegate hears.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "VideoTestSupport.h"
#include "tiles/AudioPeakMeter.h"
#include "platform/Dispatch.h"

using namespace std::chrono_literals;

namespace {

struct RecordingMeterDelegate : AudioPeakMeterDelegate {
    void onExceedStandardLevel() override { ++exceeded; }
    void onFallDownLevel(int32_t level) override { falls.push_back(level); }
    int exceeded = 0;
    std::vector<int32_t> falls;
};

int litCount(const AudioPeakMeter& meter) {
    int lit = 0;
    for (const AudioPeakMeterData& band : meter.bands()) {
        lit += band.status ? 1 : 0;
    }
    return lit;
}

class AudioPeakMeterTest : public ::testing::Test {
protected:
    AudioPeakMeterTest() { meter.setDelegate(&delegate); }
    ~AudioPeakMeterTest() override { meter.setDelegate(nullptr); }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
    AudioPeakMeter meter{QRectF(0, 0, 32, 18)};
    RecordingMeterDelegate delegate;
};

TEST(AudioPeakMeterGeometry, BandsAndGapsShareTheLengthEqually) {
    const struct {
        QRectF rect;
        int count;
        bool vertical;
        std::vector<QRectF> first;
    } cases[] = {
        {QRectF(0, 0, 32, 18),
         10,
         false,
         {QRectF(0, 0, 1.6, 18), QRectF(3.2, 0, 1.6, 18), QRectF(6.4, 0, 1.6, 18)}},
        {QRectF(0, 0, 8, 100), 10, true, {QRectF(0, 0, 8, 5), QRectF(0, 10, 8, 5), QRectF(0, 20, 8, 5)}},
        {QRectF(0, 0, 32, 18), 0, false, {}},
        {QRectF(0, 0, 32, 18), -3, true, {}},
    };
    for (const auto& c : cases) {
        const QVector<QRectF> frames = AudioPeakMeter::bandFrames(c.rect, c.count, c.vertical);
        ASSERT_EQ(frames.size(), std::max(c.count, 0));
        for (size_t i = 0; i < c.first.size(); ++i) {
            EXPECT_NEAR(frames[int(i)].x(), c.first[i].x(), 1e-9) << i;
            EXPECT_NEAR(frames[int(i)].y(), c.first[i].y(), 1e-9) << i;
            EXPECT_NEAR(frames[int(i)].width(), c.first[i].width(), 1e-9) << i;
            EXPECT_NEAR(frames[int(i)].height(), c.first[i].height(), 1e-9) << i;
        }
        if (c.count > 0) {
            // The last band ends one band width (height) before the end.
            const QRectF last = frames.last();
            if (c.vertical) {
                EXPECT_NEAR(last.y() + 2 * last.height(), c.rect.height(), 1e-9);
            } else {
                EXPECT_NEAR(last.x() + 2 * last.width(), c.rect.width(), 1e-9);
            }
        }
    }
}

TEST(AudioPeakMeterGeometry, LitColoursGrowOpaqueTowardsTheTop) {
    EXPECT_NEAR(AudioPeakMeter::bandAlpha(0, 10), 0.44, 1e-6);
    EXPECT_LT(AudioPeakMeter::bandAlpha(7, 10), 1.0);
    EXPECT_DOUBLE_EQ(AudioPeakMeter::bandAlpha(8, 10), 1.0);
    EXPECT_DOUBLE_EQ(AudioPeakMeter::bandAlpha(9, 10), 1.0);
}

TEST_F(AudioPeakMeterTest, ALevelHoldsTwoSecondsThenFallsABandEveryTenthOfASecond) {
    meter.setData(57);
    EXPECT_EQ(meter.currentScale(), 5);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(meter.bands()[i].status, i < 5) << i;
    }
    dispatcher->advance(1999ms);
    EXPECT_TRUE(delegate.falls.empty());
    EXPECT_EQ(litCount(meter), 5);

    dispatcher->advance(1ms);
    EXPECT_EQ(delegate.falls, (std::vector<int32_t>{4}));
    EXPECT_FALSE(meter.bands()[4].status);
    EXPECT_TRUE(meter.bands()[3].status);

    dispatcher->advance(99ms);
    EXPECT_EQ(delegate.falls.size(), 1u);
    dispatcher->advance(1ms);
    EXPECT_EQ(delegate.falls, (std::vector<int32_t>{4, 3}));
    dispatcher->advance(300ms);
    EXPECT_EQ(delegate.falls, (std::vector<int32_t>{4, 3, 2, 1, 0}));
    EXPECT_EQ(litCount(meter), 0);
    EXPECT_FALSE(meter.isFallDownTimerRunning());
    dispatcher->advance(5000ms);
    EXPECT_EQ(delegate.falls.size(), 5u);
}

TEST_F(AudioPeakMeterTest, LevelZeroReportsTheFallOnceAfterTheHold) {
    meter.setData(0);
    EXPECT_EQ(litCount(meter), 0);
    dispatcher->advance(2000ms);
    EXPECT_EQ(delegate.falls, (std::vector<int32_t>{0}));
    dispatcher->advance(2000ms);
    EXPECT_EQ(delegate.falls.size(), 1u);
    EXPECT_EQ(delegate.exceeded, 0);
}

TEST_F(AudioPeakMeterTest, ReachingTheStandardLevelIsReportedFromBelowIt) {
    // The previous state counts in bands, the new one as a level.
    const struct {
        int standard;
        std::vector<int> levels;
        int exceeded;
    } cases[] = {
        {5, {9}, 1},                                   // no band lit, yet the level reaches 5
        {5, {4}, 0},      {15, {15, 80, 100, 15}, 4},  // ten bands are always below 15
        {3, {40, 50}, 1},                              // four bands lit: the second is not a new crossing
        {3, {20, 40}, 2},
    };
    for (const auto& c : cases) {
        AudioPeakMeter fresh(QRectF(0, 0, 32, 18));
        RecordingMeterDelegate heard;
        fresh.setDelegate(&heard);
        fresh.setStandardLevel(c.standard);
        for (int level : c.levels) {
            fresh.setData(level);
        }
        EXPECT_EQ(heard.exceeded, c.exceeded) << c.standard;
        fresh.setDelegate(nullptr);
    }
}

TEST_F(AudioPeakMeterTest, OverTheStandardLevelCountsLitBands) {
    meter.setStandardLevel(15);
    meter.setData(100);
    EXPECT_FALSE(meter.isOverStandardLevel());  // ten bands never reach 15

    meter.setStandardLevel(3);
    meter.setData(40);
    EXPECT_TRUE(meter.isOverStandardLevel());
    dispatcher->advance(2000ms);  // 3 left
    EXPECT_TRUE(meter.isOverStandardLevel());
    dispatcher->advance(100ms);  // 2 left
    EXPECT_FALSE(meter.isOverStandardLevel());
}

TEST_F(AudioPeakMeterTest, ANewLevelDuringTheFallHoldsAgain) {
    meter.setData(80);
    dispatcher->advance(2200ms);  // 8 -> 7 -> 6 -> 5
    EXPECT_EQ(meter.currentScale(), 5);
    meter.setData(30);
    EXPECT_EQ(litCount(meter), 3);
    const size_t heard = delegate.falls.size();
    dispatcher->advance(1999ms);
    EXPECT_EQ(delegate.falls.size(), heard);
    dispatcher->advance(1ms);
    EXPECT_EQ(delegate.falls.back(), 2);
}

TEST_F(AudioPeakMeterTest, ResetPutsEveryBandOutWithoutTellingTheDelegate) {
    meter.setData(90);
    dispatcher->advance(2100ms);
    const size_t heard = delegate.falls.size();
    meter.resetMeter();
    EXPECT_EQ(meter.currentScale(), 0);
    EXPECT_EQ(litCount(meter), 0);
    EXPECT_FALSE(meter.isFallDownTimerRunning());
    dispatcher->advance(5000ms);
    EXPECT_EQ(delegate.falls.size(), heard);
}

TEST_F(AudioPeakMeterTest, ResizingKeepsTheLitBandsLit) {
    meter.setData(60);
    meter.show();
    meter.resize(64, 20);
    ASSERT_EQ(meter.bands().size(), 10);
    EXPECT_NEAR(meter.bands()[1].frame.x(), 6.4, 1e-9);
    EXPECT_EQ(litCount(meter), 6);
}

TEST_F(AudioPeakMeterTest, MoreBandsThanLevelsLightNothingInsteadOfDividingByZero) {
    AudioPeakMeter fine(QRectF(0, 0, 32, 18), 20, 10, 0);
    fine.setData(10);
    EXPECT_EQ(fine.currentScale(), 0);
    EXPECT_EQ(litCount(fine), 0);
}

TEST_F(AudioPeakMeterTest, WithoutADelegateTheFallRunsQuietly) {
    meter.setDelegate(nullptr);
    meter.setStandardLevel(1);
    meter.setData(30);
    dispatcher->advance(3000ms);
    EXPECT_EQ(meter.currentScale(), 0);
    EXPECT_TRUE(delegate.falls.empty());
    EXPECT_EQ(delegate.exceeded, 0);
}

TEST_F(AudioPeakMeterTest, LitBandsArePaintedInTheMeterColour) {
    meter.setData(50);
    const QImage shot = meter.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // Band 0 (lit) at x 0..1.6, band 9 (out) at x 28.8..30.4.
    const QColor lit = shot.pixelColor(0, 9);
    const QColor out = shot.pixelColor(29, 9);
    EXPECT_GT(lit.red(), 200);
    EXPECT_LT(lit.green(), 160);
    EXPECT_EQ(out, QColor(211, 211, 211));
}

}  // namespace

namespace {

TEST_F(AudioPeakMeterTest, ANewScaleRebuildsTheBandsOnTheMainQueue) {
    meter.setMeterScale(5, 100, 0);
    EXPECT_EQ(meter.bands().size(), 10);  // not yet
    dispatcher->runPending();
    ASSERT_EQ(meter.bands().size(), 5);
    EXPECT_NEAR(meter.bands()[1].frame.x(), 6.4, 1e-9);
    meter.setData(45);  // 20 per band
    EXPECT_EQ(litCount(meter), 2);
}

}  // namespace
