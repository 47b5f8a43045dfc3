#include <gtest/gtest.h>

#include <QVector>
#include <utility>

#include "fixtures/app/AppTestSupport.h"
#include "media/CameraSettings.h"
#include "platform/UserDefaults.h"

namespace {

using Size = std::pair<int, int>;
constexpr int kBack = CAMERA_DIRECTION_BACK;
constexpr int kFront = CAMERA_DIRECTION_FRONT;

QVector<Size> allowedSizes(int direction) {
    QVector<Size> sizes;
    for (int i = 0; i < CameraSettings::getResolutionCount(direction); ++i)
        sizes.append({CameraSettings::getWidthAt(direction, i), CameraSettings::getHeightAt(direction, i)});
    return sizes;
}

QVector<int> allowedRates() {
    QVector<int> rates;
    for (int i = 0; i < CameraSettings::getFrameRateCount(); ++i)
        rates.append(CameraSettings::getFrameRateAt(i));
    return rates;
}

void storeChoice(int width, int height, int rate) {
    for (int d : {kFront, kBack}) {
        CameraSettings::setWidth(d, width);
        CameraSettings::setHeight(d, height);
        CameraSettings::setFrameRate(d, rate);
    }
}

const QVector<Size> kAllSizes = {{80, 60},   {160, 120}, {176, 144}, {320, 240}, {640, 480},
                                 {720, 480}, {800, 600}, {960, 720}, {1280, 720}};
const QVector<Size> kSizesTo640 = kAllSizes.mid(0, 5);
const QVector<int> kAllRates = {1, 5, 10, 15, 20, 25, 30};

}  // namespace

TEST(CameraSettingsTest, FreshDefaultsAndKeys) {
    TemporaryHome home;
    for (int d : {kFront, kBack}) {
        EXPECT_EQ(CameraSettings::getWidth(d), 320);
        EXPECT_EQ(CameraSettings::getHeight(d), 240);
        EXPECT_EQ(CameraSettings::getFrameRate(d), 5);
    }
    CameraSettings::setWidth(kBack, 640);
    CameraSettings::setHeight(kBack, 480);
    CameraSettings::setFrameRate(kFront, 15);
    UserDefaults::resetStandard();  // read back from the file
    UserDefaults& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.integerForKey("SetMyImageVideoSizeFlagBack"), 1);
    EXPECT_EQ(defaults.integerForKey("KeyMyImageVideoSizeWidthBack"), 640);
    EXPECT_EQ(defaults.integerForKey("KeyMyImageVideoSizeHeightBack"), 480);
    EXPECT_EQ(defaults.integerForKey("SetMyImageFrameRateFlagFront"), 1);
    EXPECT_EQ(defaults.integerForKey("KeyMyImageFrameRateFront"), 15);
    EXPECT_FALSE(defaults.hasKey("SetMyImageFrameRateFlagBack"));
    EXPECT_EQ(CameraSettings::getWidth(kBack), 640);
    EXPECT_EQ(CameraSettings::getWidth(kFront), 320);  // the front direction is its own
    EXPECT_EQ(CameraSettings::getFrameRate(kBack), 5);

    // A stored value without its flag counts as none; unknown directions and types have no keys.
    defaults.setInteger("KeyMyImageFrameRateBack", 25);
    EXPECT_EQ(CameraSettings::getFrameRate(kBack), 5);
    EXPECT_FALSE(CameraSettings::getFlagAndKeyByDirection(3, 0, nullptr, nullptr));
    EXPECT_FALSE(CameraSettings::getFlagAndKeyByDirection(kBack, 3, nullptr, nullptr));
    CameraSettings::setValueByDirection(3, 0, 999);
    EXPECT_EQ(CameraSettings::getValueByDirection(3, 0), 320);
}

TEST(CameraSettingsTest, RoomConfigurationsDecideListsAndCorrectTheStoredChoice) {
    struct Case {
        const char* name;
        QVariantMap config;
        Size stored;
        int storedRate;
        QVector<Size> sizes;
        QVector<int> rates;
        Size current;
        int currentRate;
        bool limited;
        double limitedWidth, limitedFrameRate;
    };
    const double none = 2147483647.0;
    const Case cases[] = {
        {"size limit 4 in HD",
         {{"MODE_MAX_VIDEO_SIZE", "4"}, {"HDMODE", "Y"}},
         {640, 480},
         15,
         kAllSizes.mid(0, 4),
         kAllRates,
         {320, 240},
         15,
         true,
         320,
         none},
        {"size limit 9 in HD is none",
         {{"MODE_MAX_VIDEO_SIZE", "9"}, {"HDMODE", "Y"}},
         {1280, 720},
         30,
         kAllSizes,
         kAllRates,
         {1280, 720},
         30,
         false,
         none,
         none},
        {"size limit 0 without HD",
         {{"MODE_MAX_VIDEO_SIZE", "0"}},
         {1280, 720},
         30,
         kSizesTo640,
         kAllRates,
         {640, 480},
         30,
         false,
         none,
         none},
        {"no size limit without HD",
         {},
         {960, 720},
         5,
         kSizesTo640,
         kAllRates,
         {640, 480},
         5,
         false,
         none,
         none},
        {"rate limit 3",
         {{"MODE_MAX_VIDEO_FPS", "3"}, {"HDMODE", "Y"}},
         {320, 240},
         30,
         kAllSizes,
         {1, 5, 10},
         {320, 240},
         10,
         true,
         none,
         10},
        {"rate limit 7 is none",
         {{"MODE_MAX_VIDEO_FPS", "7"}},
         {320, 240},
         30,
         kSizesTo640,
         kAllRates,
         {320, 240},
         30,
         false,
         none,
         none},
        {"capped by the default maximum",
         {{"DEF_MAX_FLAG", "1"},
          {"DEF_VIDEO_SIZE_MAX", "2"},
          {"DEF_VIDEO_FRAMERATE_MAX", "9"},
          {"HDMODE", "Y"}},
         {640, 480},
         30,
         kAllSizes.mid(0, 3),
         kAllRates,
         {176, 144},
         30,
         true,
         176,
         none},
        {"default maximum only without its flag",
         {{"DEF_VIDEO_SIZE_MAX", "2"}, {"HDMODE", "Y"}},
         {640, 480},
         30,
         kAllSizes,
         kAllRates,
         {640, 480},
         30,
         false,
         none,
         none},
        {"a stored size between entries falls to the largest below",
         {{"MODE_MAX_VIDEO_SIZE", "8"}, {"HDMODE", "Y"}},
         {1280, 720},
         5,
         kAllSizes.mid(0, 8),
         kAllRates,
         {960, 720},
         5,
         true,
         960,
         none},
        {"starting parameter over the limit",
         {{"DEF_PARAM_VALID", "1"},
          {"DEF_VIDEO_SIZE", "4"},
          {"DEF_VIDEO_FRAMERATE", "6"},
          {"MODE_MAX_VIDEO_FPS", "3"},
          {"MODE_MAX_VIDEO_SIZE", "4"}},
         {80, 60},
         1,
         kAllSizes.mid(0, 4),
         {1, 5, 10},
         {320, 240},
         30,
         true,
         320,
         10},
        {"starting parameter inside the lists",
         {{"DEF_PARAM_VALID", "1"}, {"DEF_VIDEO_SIZE", "4"}, {"DEF_VIDEO_FRAMERATE", "2"}},
         {160, 120},
         30,
         kSizesTo640,
         kAllRates,
         {640, 480},
         10,
         false,
         none,
         none},
        {"starting parameter ignored unless valid is 1",
         {{"DEF_PARAM_VALID", "Y"}, {"DEF_VIDEO_SIZE", "1"}},
         {640, 480},
         20,
         kSizesTo640,
         kAllRates,
         {640, 480},
         20,
         false,
         none,
         none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryHome home;
        storeChoice(c.stored.first, c.stored.second, c.storedRate);
        CameraSettings::initCameraSettings(c.config);
        EXPECT_EQ(allowedSizes(kBack), c.sizes);
        EXPECT_EQ(allowedSizes(kFront), c.sizes);
        EXPECT_EQ(allowedRates(), c.rates);
        for (int d : {kFront, kBack}) {
            EXPECT_EQ(Size(CameraSettings::getWidth(d), CameraSettings::getHeight(d)), c.current);
            EXPECT_EQ(CameraSettings::getFrameRate(d), c.currentRate);
        }
        EXPECT_EQ(CameraSettings::isLimited(), c.limited);
        EXPECT_EQ(CameraSettings::getLimitedWidth(), c.limitedWidth);
        EXPECT_EQ(CameraSettings::getLimitedFrameRate(), c.limitedFrameRate);
    }
}

TEST(CameraSettingsTest, StartingRateSevenOrMoreMeansNoneAndANegativeOneKeepsThePrevious) {
    TemporaryHome home;
    storeChoice(320, 240, 15);
    CameraSettings::initCameraSettings(
        {{"DEF_PARAM_VALID", "1"}, {"DEF_VIDEO_SIZE", "3"}, {"DEF_VIDEO_FRAMERATE", "4"}});
    EXPECT_EQ(CameraSettings::getFrameRate(kBack), 20);
    storeChoice(320, 240, 15);
    CameraSettings::initCameraSettings(
        {{"DEF_PARAM_VALID", "1"}, {"DEF_VIDEO_SIZE", "3"}, {"DEF_VIDEO_FRAMERATE", "-1"}});
    EXPECT_EQ(CameraSettings::getFrameRate(kBack), 20);  // the previous starting rate stays
    storeChoice(320, 240, 15);
    CameraSettings::initCameraSettings(
        {{"DEF_PARAM_VALID", "1"}, {"DEF_VIDEO_SIZE", "3"}, {"DEF_VIDEO_FRAMERATE", "7"}});
    EXPECT_EQ(CameraSettings::getFrameRate(kBack), 15);  // no starting rate: the stored one stays
}

TEST(CameraSettingsTest, ListLookupsAnswerMinusOneOutsideAndZeroBeforeTheListsExist) {
    TemporaryHome home;
    CameraSettings::releaseCameraSettings();
    EXPECT_EQ(CameraSettings::getWidthAt(kBack, 0), 0);
    EXPECT_EQ(CameraSettings::getFrameRateAt(0), 0);
    EXPECT_EQ(CameraSettings::getResolutionCount(kBack), -1);
    EXPECT_EQ(CameraSettings::getFrameRateCount(), -1);
    EXPECT_EQ(CameraSettings::getResolutionPos(kBack, 320, 240), -1);

    CameraSettings::initCameraSettings({{"HDMODE", "Y"}});
    const int count = CameraSettings::getResolutionCount(kBack);
    ASSERT_EQ(count, 9);
    EXPECT_EQ(CameraSettings::getWidthAt(kBack, count), -1);
    EXPECT_EQ(CameraSettings::getHeightAt(kBack, -1), -1);
    EXPECT_EQ(CameraSettings::getFrameRateAt(7), -1);
    EXPECT_EQ(CameraSettings::getResolutionPos(kBack, 640, 0), 4);  // the width decides
    EXPECT_EQ(CameraSettings::getResolutionPos(kBack, 641, 480), -1);
    EXPECT_EQ(CameraSettings::getCurrentResolutionPos(kBack), 3);  // 320 x 240 by default
    EXPECT_EQ(CameraSettings::getFrameRatePos(30), 6);
    EXPECT_EQ(CameraSettings::getFrameRatePos(12), -1);
    EXPECT_EQ(CameraSettings::getCurrentFrameRatePos(kBack), 1);
    EXPECT_EQ(CameraSettings::getValueAt(3, 0, 0), 0);  // no such list
    EXPECT_EQ(CameraSettings::getMachineLimit(3, 0), 2147483647);
}

TEST(CameraSettingsTest, MachineNamesThatLimitTo640x480) {
    const std::pair<const char*, bool> cases[] = {
        {"x86_64", false},   {"i386", false},      {"aarch64", true}, {"x86_64 ", true},
        {"iPhone4,1", true}, {"iPhone5,2", false}, {"iPad3,4", true}, {"iPad4,1", false},
    };
    for (const auto& [name, limited] : cases)
        EXPECT_EQ(CameraSettings::isMachineLimited(name), limited) << name;
    EXPECT_FALSE(CameraSettings::machineName().isEmpty());
}

TEST(CameraSettingsTest, NothingWithinTheMachineLimitOffers320x240WhateverTheServerLimit) {
    TemporaryHome home;
    // A machine limit below every size: only the fallback remains, beyond a server limit of 80 x 60.
    CameraSettings::setMachineLimit(kBack, 0, 64);
    CameraSettings::initCameraSettings({{"MODE_MAX_VIDEO_SIZE", "1"}});
    CameraSettings::setMachineLimit(kBack, 0, 2147483647);
    EXPECT_EQ(allowedSizes(kBack), (QVector<Size>{{320, 240}}));
    EXPECT_EQ(allowedSizes(kFront), (QVector<Size>{{80, 60}}));
    EXPECT_EQ(CameraSettings::getLimitedWidth(), 80);  // restored after the fallback
    CameraSettings::initCameraSettings({});
    if (!CameraSettings::isMachineLimited(CameraSettings::machineName())) {
        EXPECT_EQ(allowedSizes(kBack), kSizesTo640);
    }
}
