// Where the feature windows open and the room values they are handed.
#include <gtest/gtest.h>

#include "conference/FeatureWindowPlacement.h"

namespace {

TEST(FeatureWindowPlacement, ListWindowHeightFollowsTheRoomSize) {
    struct Case {
        int maxParticipants;
        double height;
    };
    for (const Case c : {Case{2, 224}, Case{5, 224}, Case{10, 224}, Case{11, 424}, Case{15, 324},
                         Case{16, 424}, Case{1, 424}, Case{0, 424}}) {
        SCOPED_TRACE(c.maxParticipants);
        EXPECT_EQ(FeatureWindowPlacement::listWindowHeight(c.maxParticipants), c.height);
    }
    EXPECT_EQ(FeatureWindowPlacement::listWindowRect({}, {}, QRectF(0, 0, 640.3, 480), 1080, 15),
              QRectF(float(640.3), 1080 - 324, 200, 324));
}

TEST(FeatureWindowPlacement, RememberedWinsOverSavedOverDefault) {
    FeatureWindowPlacement::setVisibleFrameForTesting(QRectF(0, 0, 1920, 1080));
    const QRectF remembered(100, 100, 500, 400), saved(200, 200, 300, 300);
    EXPECT_EQ(FeatureWindowPlacement::textBoxRect(remembered, saved, 1080, 500), remembered);
    EXPECT_EQ(FeatureWindowPlacement::textBoxRect({}, saved, 1080, 500), saved);
    EXPECT_EQ(FeatureWindowPlacement::textBoxRect({}, {}, 1080, 500), QRectF(0, 1080 - 500 - 380, 465, 380));
    EXPECT_EQ(FeatureWindowPlacement::messageRect({}, 1080, 500), QRectF(330, 1080 - 500 - 380, 544, 380));
    EXPECT_EQ(FeatureWindowPlacement::messageRect(remembered, 1080, 500), remembered);
    EXPECT_EQ(FeatureWindowPlacement::listWindowRect(remembered, saved, {}, 1080, 5), remembered);
    // A default below the screen's bottom is moved into it.
    EXPECT_EQ(FeatureWindowPlacement::textBoxRect({}, {}, 1080, 900).y(), 0);
    EXPECT_EQ(FeatureWindowPlacement::settingsOrigin(1920, 1080), QPointF(960 - 222.75, 540 - 222.75));
    FeatureWindowPlacement::setVisibleFrameForTesting(QRectF());
}

TEST(FeatureWindowPlacement, RoomLimitsOutsideTheirRangeGiveTheDefault) {
    struct Case {
        const char* value;
        int uploadSize, recordMinutes;
    };
    const Case cases[] = {{"0", 5, 300}, {"101", 5, 101},  {"text", 5, 300},  {"100", 100, 100},
                          {"1", 1, 1},   {"1441", 5, 300}, {"1440", 5, 1440}, {"-3", 5, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const QVariantMap config{{"DOCSHARE_MAX_SIZE", c.value}, {"MODE_MAX_RECORD_TIME", c.value}};
        EXPECT_EQ(FeatureWindowPlacement::docShareMaxUploadSize(config), c.uploadSize);
        EXPECT_EQ(FeatureWindowPlacement::recordingMaxTime(config), c.recordMinutes);
    }
    EXPECT_EQ(FeatureWindowPlacement::docShareMaxUploadSize({}), 5);
    EXPECT_EQ(FeatureWindowPlacement::recordingMaxTime({}), 300);
}

}  // namespace
