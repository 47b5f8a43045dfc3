#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/CaptureDevice.h"
#include "platform/SystemControl.h"

TEST(SystemControlTest, ReleaseNumbersAndModelTextsAreReadDefensively) {
    struct Case {
        const char* release;
        long major, minor, patch;
    };
    const Case cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0},
        {"6.18.44-fc-v1523", 6, 18, 44},
        {"5.15", 5, 15, 0},
        {"4", 4, 0, 0},
        {"", 0, 0, 0},
        {"rc1", 0, 0, 0},
    };
    for (const auto& c : cases) {
        const SystemVersion version = SystemControl::parseRelease(c.release);
        EXPECT_EQ(version.major, c.major) << c.release;
        EXPECT_EQ(version.minor, c.minor) << c.release;
        EXPECT_EQ(version.patch, c.patch) << c.release;
    }
    EXPECT_EQ(SystemControl::cleanModel("  Laptop (X1; Gen 9)\n"), "Laptop X1 Gen 9");
    EXPECT_FALSE(SystemControl::hardwareModel().isEmpty());
    EXPECT_GE(SystemControl::processorCount(), 1);
    EXPECT_GT(SystemControl::physicalMemory(), 0u);
}

TEST(CaptureDevicesTest, NodesThatAreNotCaptureDevicesAreSkipped) {
    QTemporaryDir dev;
    EXPECT_TRUE(CaptureDevices::videoDevices(dev.path()).isEmpty());
    EXPECT_TRUE(CaptureDevices::accessAllowed(dev.path()));  // no camera: nothing is denied

    QFile fake(dev.path() + "/video0");
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.close();
    EXPECT_TRUE(CaptureDevices::videoDevices(dev.path()).isEmpty());
    EXPECT_TRUE(CaptureDevices::accessAllowed(dev.path()));
}
