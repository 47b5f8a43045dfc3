#include <gtest/gtest.h>

#include <QFile>

#include "fixtures/app/AppTestSupport.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"

TEST(DataSaveManagerTest, FreshInstallationAnswersTheDefaults) {
    TemporaryHome home;
    DataSaveManager manager;
    EXPECT_EQ(manager.loadConnectType(), 0);
    EXPECT_EQ(manager.loadProxyConnectType(), 0);
    EXPECT_EQ(manager.loadProxyHost(), QString(""));
    EXPECT_EQ(manager.loadProxyPort(), 0);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolume(false), 0.65f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolume(true), 0.65f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers("https://a.example/", "u1"), 0.33f);
    EXPECT_FALSE(DataSaveManager::loadAudioDevice(false).has_value());
    EXPECT_FALSE(DataSaveManager::loadAudioDevice(true).has_value());
    EXPECT_EQ(DataSaveManager::loadAudioEchoCancelMode(), -1);
    EXPECT_EQ(DataSaveManager::loadAudioEchoCancelLevel(), -1);
    EXPECT_EQ(DataSaveManager::loadAudioNoiseReductionMode(), -1);
}

TEST(DataSaveManagerTest, SavedValuesLoadBackUnderTheirOwnKeys) {
    TemporaryHome home;
    DataSaveManager manager;
    manager.saveConnectType(2);
    manager.saveProxyConnectType(3);
    manager.saveProxyHost("proxy.example");
    manager.saveProxyPort(8080);
    DataSaveManager::saveAudioVolume(true, 0.9f);
    DataSaveManager::saveAudioDevice(false, "mic-1");
    DataSaveManager::saveAudioDevice(true, "spk-2");
    DataSaveManager::saveAudioEchoCancelMode(0);
    DataSaveManager::saveAudioEchoCancelLevel(3);
    DataSaveManager::saveAudioNoiseReductionMode(2);

    // A fresh store reads the file written by the saves.
    UserDefaults::resetStandard();
    EXPECT_EQ(manager.loadConnectType(), 2);
    EXPECT_EQ(manager.loadProxyConnectType(), 3);
    EXPECT_EQ(manager.loadProxyHost(), QString("proxy.example"));
    EXPECT_EQ(manager.loadProxyPort(), 8080);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolume(true), 0.9f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolume(false), 0.65f);  // the other key stays unset
    EXPECT_EQ(DataSaveManager::loadAudioDevice(false), QString("mic-1"));
    EXPECT_EQ(DataSaveManager::loadAudioDevice(true), QString("spk-2"));
    EXPECT_EQ(DataSaveManager::loadAudioEchoCancelMode(), 0);  // 0 is a stored value, not "missing"
    EXPECT_EQ(DataSaveManager::loadAudioEchoCancelLevel(), 3);
    EXPECT_EQ(DataSaveManager::loadAudioNoiseReductionMode(), 2);
}

TEST(DataSaveManagerTest, OtherParticipantsVolumesAreKeptPerWebServiceAndUser) {
    TemporaryHome home;
    const QString serviceA = "https://a.example/conf/";
    const QString serviceB = "https://b.example/conf/";
    DataSaveManager::saveAudioVolumeOthers(serviceA, "user1", 0.1f);
    DataSaveManager::saveAudioVolumeOthers(serviceB, "user1", 0.8f);
    DataSaveManager::saveAudioVolumeOthers(serviceA, "user2", 0.5f);
    DataSaveManager::saveAudioVolumeOthers(serviceA, "user1", 0.2f);  // replaces, keeps user2

    UserDefaults::resetStandard();
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers(serviceA, "user1"), 0.2f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers(serviceA, "user2"), 0.5f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers(serviceB, "user1"), 0.8f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers(serviceB, "user2"), 0.33f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers("https://c.example/", "user1"), 0.33f);
}

TEST(DataSaveManagerTest, SavingTheSameDeviceAgainDoesNotRewriteTheStore) {
    TemporaryHome home;
    DataSaveManager::saveAudioDevice(false, "mic-1");
    const QString path = UserDefaults::standard().filePath();
    ASSERT_TRUE(QFile::remove(path));
    DataSaveManager::saveAudioDevice(false, "mic-1");
    EXPECT_FALSE(QFile::exists(path));
    DataSaveManager::saveAudioDevice(false, "mic-2");
    EXPECT_TRUE(QFile::exists(path));
}
