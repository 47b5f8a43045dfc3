#include <gtest/gtest.h>

#include <QDir>
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

// ---- The settings window's keys ----

TEST(DataSaveManagerSettingsTest, FreshStoreAnswersTheSettingDefaults) {
    TemporaryHome home;
    EXPECT_FALSE(DataSaveManager::loadMicOffAtStart());
    EXPECT_FALSE(DataSaveManager::loadCameraOffAtStart());
    EXPECT_EQ(DataSaveManager::loadEchoCancelChoice(), 1);
    EXPECT_EQ(DataSaveManager::loadCameraBgMode(), 0);
    EXPECT_FALSE(DataSaveManager::loadCameraBgCustomImgData().has_value());
    EXPECT_FALSE(DataSaveManager::loadDocShareDefaultUrl().has_value());
    EXPECT_EQ(DataSaveManager::loadConnectionChoice(), SETTING_CONNECTION_DIRECT);
    EXPECT_EQ(DataSaveManager::loadProxyPortText(), QString("8080"));
    EXPECT_TRUE(DataSaveManager::loadNotifyChat());
    EXPECT_TRUE(DataSaveManager::loadManyMtgDispSpeakerBtn());
    const RecordingStoredSettings rec = DataSaveManager::loadRecordingSettings();
    EXPECT_EQ(rec.timeLimitMinutes, 0);
    EXPECT_FALSE(rec.mp4NoSplit);
    EXPECT_EQ(rec.dateSize, 0);
    EXPECT_EQ(rec.datePoint, 0);
}

TEST(DataSaveManagerSettingsTest, EveryKeyRoundTripsThroughTheConfigurationFile) {
    TemporaryHome home;
    ASSERT_TRUE(DataSaveManager::saveMicOffAtStart(true));
    ASSERT_TRUE(DataSaveManager::saveSpeakerOffAtStart(true));
    ASSERT_TRUE(DataSaveManager::saveCameraOffAtStart(false));
    ASSERT_TRUE(DataSaveManager::saveAudioEchoCancelMode(0));
    ASSERT_TRUE(DataSaveManager::saveCameraBgCustomImgData(QByteArray("\x89PNG\0data", 9)));
    ASSERT_TRUE(DataSaveManager::saveDocShareDefaultUrl("  https://docs .example/ start  "));
    ASSERT_TRUE(DataSaveManager::saveNotifyChat(false));
    ASSERT_TRUE(DataSaveManager::saveManyMtgDispSpeakerBtn(false));
    RecordingStoredSettings rec;
    rec.timeLimitMinutes = 90;
    rec.movRotateMB = 512;
    rec.mp4RotateMB = 2000;
    rec.audioRotateMB = 100;
    rec.mp4NoSplit = true;
    rec.dateSize = 2;
    rec.datePoint = 3;
    ASSERT_TRUE(DataSaveManager::saveRecordingSettings(rec, true));
    ASSERT_TRUE(DataSaveManager::saveRecordingDateCheck(true));

    UserDefaults::resetStandard();
    EXPECT_TRUE(DataSaveManager::loadMicOffAtStart());
    EXPECT_TRUE(DataSaveManager::loadSpeakerOffAtStart());
    EXPECT_FALSE(DataSaveManager::loadCameraOffAtStart());
    EXPECT_EQ(DataSaveManager::loadEchoCancelChoice(), 0);
    EXPECT_EQ(DataSaveManager::loadCameraBgCustomImgData(), QByteArray("\x89PNG\0data", 9));
    EXPECT_EQ(DataSaveManager::loadDocShareDefaultUrl(), QString("https://docs.example/start"));
    EXPECT_FALSE(DataSaveManager::loadNotifyChat());
    EXPECT_FALSE(DataSaveManager::loadManyMtgDispSpeakerBtn());
    const RecordingStoredSettings back = DataSaveManager::loadRecordingSettings();
    EXPECT_EQ(back.timeLimitMinutes, 90);
    EXPECT_EQ(back.movRotateMB, 512);
    EXPECT_EQ(back.mp4RotateMB, 2000);
    EXPECT_EQ(back.audioRotateMB, 100);
    EXPECT_TRUE(back.mp4NoSplit);
    EXPECT_FALSE(back.audioNoSplit);
    EXPECT_EQ(back.dateSize, 2);
    EXPECT_EQ(back.datePoint, 3);
    EXPECT_EQ(UserDefaults::standard().integerForKey("KeyRecordingDateCheck"), 1);

    // Saving nothing (or only spaces) removes the keys again.
    ASSERT_TRUE(DataSaveManager::saveCameraBgCustomImgData(std::nullopt));
    ASSERT_TRUE(DataSaveManager::saveDocShareDefaultUrl("   "));
    UserDefaults::resetStandard();
    EXPECT_FALSE(UserDefaults::standard().hasKey("KeyCameraBgModeCustomImgData"));
    EXPECT_FALSE(UserDefaults::standard().hasKey("SettingView_defaultURL"));
}

TEST(DataSaveManagerSettingsTest, ConnectionChoiceIsReadBackFromTheLoginsKeys) {
    struct Case {
        std::optional<int> connectType, proxyType;
        std::optional<QString> host;
        int choice;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, SETTING_CONNECTION_DIRECT},
        {0, std::nullopt, std::nullopt, SETTING_CONNECTION_DIRECT},
        {1, std::nullopt, std::nullopt, SETTING_CONNECTION_TUNNELING},
        {2, std::nullopt, std::nullopt, SETTING_CONNECTION_TUNNELING},  // the second tunnelling method
        {3, 2, QString("p.example"), SETTING_CONNECTION_SYSTEM_PROXY},
        {3, 3, QString("p.example"), SETTING_CONNECTION_MANUAL_PROXY},
        {3, 3, std::nullopt, SETTING_CONNECTION_SYSTEM_PROXY},  // manual without a host
        {3, std::nullopt, std::nullopt, SETTING_CONNECTION_SYSTEM_PROXY},
        {7, 3, QString("p.example"), SETTING_CONNECTION_DIRECT},
        {-1, std::nullopt, std::nullopt, SETTING_CONNECTION_DIRECT},
    };
    for (const Case& c : cases) {
        TemporaryHome home;
        UserDefaults& d = UserDefaults::standard();
        if (c.connectType) d.setInteger("KeyConnectType", *c.connectType);
        if (c.proxyType) d.setInteger("KeyProxyType", *c.proxyType);
        if (c.host) d.setString("SettingView_Host", *c.host);
        UserDefaults::resetStandard();
        EXPECT_EQ(DataSaveManager::loadConnectionChoice(), c.choice)
            << "type " << c.connectType.value_or(-99) << " proxy " << c.proxyType.value_or(-99);
    }
}

TEST(DataSaveManagerSettingsTest, ConnectionSaveWritesTheKeysOfEachChoice) {
    struct Case {
        int choice;
        int connectType;
        std::optional<int> proxyType;
    };
    const Case cases[] = {
        {SETTING_CONNECTION_DIRECT, 0, std::nullopt},
        {SETTING_CONNECTION_TUNNELING, 1, std::nullopt},
        {SETTING_CONNECTION_SYSTEM_PROXY, 3, 2},
        {SETTING_CONNECTION_MANUAL_PROXY, 3, 3},
    };
    for (const Case& c : cases) {
        TemporaryHome home;
        UserDefaults::standard().setInteger("KeyProxyType", 3);  // left by an earlier save
        ASSERT_TRUE(DataSaveManager::saveConnection(c.choice, " proxy .example ", 3128));
        UserDefaults::resetStandard();
        UserDefaults& d = UserDefaults::standard();
        EXPECT_EQ(d.integerForKey("KeyConnectType"), c.connectType) << c.choice;
        EXPECT_EQ(d.hasKey("KeyProxyType"), c.proxyType.has_value()) << c.choice;
        if (c.proxyType) EXPECT_EQ(d.integerForKey("KeyProxyType"), *c.proxyType);
        EXPECT_EQ(d.stringForKey("SettingView_Host"), QString("proxy.example"));  // whatever the choice
        EXPECT_EQ(d.integerForKey("SettingView_Port"), 3128);
        EXPECT_EQ(DataSaveManager::loadConnectionChoice(), c.choice);
    }
}

TEST(DataSaveManagerSettingsTest, NumbersReadFromTheStoreStayInTheirRange) {
    TemporaryHome home;
    UserDefaults& d = UserDefaults::standard();
    const std::pair<std::int64_t, QString> ports[] = {{0, "8080"},      {3128, "3128"},
                                                      {65535, "65535"}, {65536, "8080"},
                                                      {-1, "8080"},     {4294967296 + 80, "8080"}};
    for (const auto& [stored, shown] : ports) {
        d.setInteger("SettingView_Port", stored);
        EXPECT_EQ(DataSaveManager::loadProxyPortText(), shown) << stored;
    }
    d.setString("SettingView_Port", "junk");
    EXPECT_EQ(DataSaveManager::loadProxyPortText(), QString("8080"));

    d.setInteger("KeyCameraBgMode", 5);
    EXPECT_EQ(DataSaveManager::loadCameraBgMode(), 0);
    d.setInteger("KeyEchoCancelMode", 5);
    EXPECT_EQ(DataSaveManager::loadEchoCancelChoice(), 1);
    d.setInteger("KeyEchoCancelMode", -2);
    EXPECT_EQ(DataSaveManager::loadEchoCancelChoice(), 1);
    d.setInteger("KeyRecordingDefaultRecTimeStartUp", 100000);
    d.setInteger("KeyRecordingMovRotateVal", 99999);
    d.setInteger("KeyRecordingMp4RotateVal", -5);
    d.setInteger("KeyRecordingDateSize", 9);
    d.setInteger("KeyRecordingPoint", -1);
    const RecordingStoredSettings rec = DataSaveManager::loadRecordingSettings();
    EXPECT_EQ(rec.timeLimitMinutes, 0);
    EXPECT_EQ(rec.movRotateMB, 1024);
    EXPECT_EQ(rec.mp4RotateMB, 100000);
    EXPECT_EQ(rec.dateSize, 0);
    EXPECT_EQ(rec.datePoint, 0);
}

TEST(DataSaveManagerSettingsTest, SavesReportAStoreThatCannotBeWritten) {
    TemporaryHome home;
    // A folder where the configuration file belongs: nothing can be written.
    const QString path = UserDefaults::standardFilePath();
    ASSERT_TRUE(QDir().mkpath(path));
    UserDefaults::resetStandard();
    EXPECT_FALSE(DataSaveManager::saveConnection(SETTING_CONNECTION_MANUAL_PROXY, "p.example", 3128));
    EXPECT_FALSE(DataSaveManager::saveMicOffAtStart(true));
    EXPECT_FALSE(DataSaveManager::saveNotifyChat(false));
}
