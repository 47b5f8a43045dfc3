#include <gtest/gtest.h>

#include <QRegion>

#include "FakeEventTap.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/APShareEventFilter.h"
#include "platform/Dispatch.h"

using namespace std::chrono_literals;
namespace M = APShareMouseEvent;

namespace {

// The filter on a recording tap, the main queue on a manual clock, the whole
// 1280 x 800 screen shared.
class APShareEventFilterTest : public ::testing::Test {
protected:
    APShareEventFilterTest() : log(std::make_shared<FakeEventTapLog>()) {
        ensureQtApplication();
        filter = std::make_unique<APShareEventFilter>(std::make_unique<FakeEventTap>(log));
        filter->setSharedRegion(QRegion(0, 0, 1280, 800));
    }

    QStringList afterMs(int ms) {
        clock->advance(std::chrono::milliseconds(ms));
        return log->take();
    }

    ScopedManualDispatcher clock;
    std::shared_ptr<FakeEventTapLog> log;
    std::unique_ptr<APShareEventFilter> filter;
};

TEST_F(APShareEventFilterTest, ClicksArePostedTogetherWithTheirCount) {
    // Single: one pair 0.5 s after the release.
    filter->mouseEvent(M::LeftDown, 100, 100);
    filter->mouseEvent(M::LeftUp, 100, 100);
    EXPECT_EQ(afterMs(499), QStringList());
    EXPECT_EQ(afterMs(1), (QStringList{"down L 100,100 x1", "up L 100,100 x1"}));

    // Double: two pairs, both counted 2, 0.5 s after the second release.
    filter->mouseEvent(M::LeftDown, 40, 50);
    filter->mouseEvent(M::LeftUp, 40, 50);
    EXPECT_EQ(afterMs(300), QStringList());
    filter->mouseEvent(M::LeftDown, 40, 50);
    filter->mouseEvent(M::LeftUp, 40, 50);
    EXPECT_EQ(afterMs(499), QStringList());
    EXPECT_EQ(afterMs(1),
              (QStringList{"down L 40,50 x2", "up L 40,50 x2", "down L 40,50 x2", "up L 40,50 x2"}));

    // Triple: three pairs at once on the third release; a fourth press starts anew.
    for (int i = 0; i < 3; ++i) {
        filter->mouseEvent(M::LeftDown, 7, 8);
        filter->mouseEvent(M::LeftUp, 7, 8);
    }
    QStringList triple;
    for (int i = 0; i < 3; ++i)
        triple << "down L 7,8 x3"
               << "up L 7,8 x3";
    EXPECT_EQ(log->take(), triple);
    filter->mouseEvent(M::LeftDown, 7, 8);
    filter->mouseEvent(M::LeftUp, 7, 8);
    EXPECT_EQ(afterMs(500), (QStringList{"down L 7,8 x1", "up L 7,8 x1"}));
    EXPECT_EQ(afterMs(5000), QStringList());
}

TEST_F(APShareEventFilterTest, HeldPressAndDragGoOutAsThePointerMoves) {
    // Held for two seconds: the press after 0.5 s, moves as drags at once, the release 0.5 s after it came.
    filter->mouseEvent(M::LeftDown, 10, 10);
    EXPECT_EQ(afterMs(500), QStringList{"down L 10,10 x1"});
    filter->mouseEvent(M::Move, 20, 10);
    EXPECT_EQ(log->take(), QStringList{"drag 20,10"});
    afterMs(1500);
    filter->mouseEvent(M::LeftUp, 20, 10);
    EXPECT_EQ(afterMs(499), QStringList());
    EXPECT_EQ(afterMs(1), QStringList{"up L 20,10 x1"});
    filter->mouseEvent(M::Move, 30, 10);
    EXPECT_EQ(log->take(), QStringList{"move 30,10"});

    // A quick drag: the press goes out when the release arrives elsewhere, the release 0.5 s later.
    filter->mouseEvent(M::LeftDown, 100, 100);
    filter->mouseEvent(M::Move, 150, 120);
    EXPECT_EQ(log->take(), QStringList{"drag 150,120"});
    filter->mouseEvent(M::LeftUp, 200, 140);
    EXPECT_EQ(log->take(), QStringList{"down L 100,100 x1"});
    EXPECT_EQ(afterMs(500), QStringList{"up L 200,140 x1"});
}

TEST_F(APShareEventFilterTest, OtherButtonsAtOnceAndUnknownCodesIgnored) {
    filter->mouseEvent(M::RightDown, 5, 6);
    filter->mouseEvent(M::RightUp, 5, 6);
    filter->mouseEvent(M::MiddleDown, 9, 9);
    filter->mouseEvent(M::MiddleUp, 9, 9);
    // 515 (a double-click message) and other codes would press a button nothing releases.
    for (std::uint16_t code : {515, 518, 521, 0, 65535}) filter->mouseEvent(code, 5, 6);
    EXPECT_EQ(afterMs(1000), (QStringList{"down R 5,6 x1", "up R 5,6 x1", "down M 9,9 x1", "up M 9,9 x1"}));
}

TEST_F(APShareEventFilterTest, InitializeDropsAPendingClickAndReleasesWhatIsHeld) {
    filter->mouseEvent(M::LeftDown, 100, 100);
    filter->mouseEvent(M::LeftUp, 100, 100);
    filter->initialize();
    EXPECT_EQ(afterMs(1000), QStringList{"release all"});
    filter->mouseEvent(M::Move, 3, 3);
    EXPECT_EQ(log->take(), QStringList{"move 3,3"});
}

TEST_F(APShareEventFilterTest, OnlyTheSharedRegionIsOperated) {
    // Two shared windows; the gap between them and the rest of the screen are not shared.
    filter->setSharedRegion(QRegion(100, 100, 200, 100) + QRegion(400, 100, 200, 100));
    filter->mouseEvent(M::Move, 50, 50);
    filter->mouseEvent(M::LeftDown, 350, 150);
    filter->mouseEvent(M::LeftUp, 350, 150);
    filter->mouseEvent(M::RightDown, 0, 0);
    filter->mouseEvent(M::RightUp, 0, 0);
    filter->mouseEvent(M::MiddleDown, 300, 150);  // one past the first window's right edge
    EXPECT_EQ(afterMs(1000), QStringList());

    // Edges inside count.
    filter->mouseEvent(M::LeftDown, 100, 100);
    filter->mouseEvent(M::LeftUp, 100, 100);
    EXPECT_EQ(afterMs(500), (QStringList{"down L 100,100 x1", "up L 100,100 x1"}));

    // A drag that leaves the window still releases the button, at the last point inside.
    filter->mouseEvent(M::LeftDown, 150, 150);
    EXPECT_EQ(afterMs(500), QStringList{"down L 150,150 x1"});
    filter->mouseEvent(M::Move, 250, 150);
    filter->mouseEvent(M::Move, 320, 150);
    filter->mouseEvent(M::LeftUp, 330, 150);
    EXPECT_EQ(afterMs(500), (QStringList{"drag 250,150", "up L 250,150 x1"}));
    filter->mouseEvent(M::RightDown, 450, 120);
    filter->mouseEvent(M::RightUp, 700, 120);
    EXPECT_EQ(log->take(), (QStringList{"down R 450,120 x1", "up R 450,120 x1"}));

    // Nothing shared: nothing operated.
    filter->setSharedRegion(QRegion());
    filter->mouseEvent(M::LeftDown, 150, 150);
    filter->mouseEvent(M::LeftUp, 150, 150);
    EXPECT_EQ(afterMs(1000), QStringList());
}

TEST_F(APShareEventFilterTest, WheelTurnsWholeNotchesUnderAPointerInside) {
    log->pointer = QPoint(10, 10);
    for (int delta : {120, -120, 360, -240, 1, -60, 0, 239}) filter->scrollEvent(delta);
    EXPECT_EQ(log->take(),
              (QStringList{"wheel 1", "wheel -1", "wheel 3", "wheel -2", "wheel 1", "wheel -1", "wheel 1"}));
    filter->setSharedRegion(QRegion(100, 100, 50, 50));
    filter->scrollEvent(120);
    log->pointer.reset();
    filter->scrollEvent(120);
    EXPECT_EQ(log->take(), QStringList());
}

TEST_F(APShareEventFilterTest, KeysPassExceptVoidSymbol) {
    filter->keyEvent(0x61, 1);
    filter->keyEvent(0x61, 0);
    filter->keyEvent(0x00FFFFFF, 1);
    filter->keyEvent(0, 1);
    filter->keyEvent(0xFF52, 2);
    EXPECT_EQ(log->take(), (QStringList{"key 61 down", "key 61 up", "key ff52 down"}));
}

}  // namespace
