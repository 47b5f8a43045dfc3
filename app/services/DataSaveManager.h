#pragma once

// The typed front of the persisted settings that the login and the audio
// layer need. Every save writes the user defaults out at once; every load
// answers the documented value when its key is missing.

#include <QString>
#include <cstdint>
#include <optional>

class DataSaveManager {
public:
    // Connection method that worked last ("KeyConnectType", 0 when missing).
    void saveConnectType(int type);
    int loadConnectType();
    // 3 = the user's manual proxy, anything else the system's proxies ("KeyProxyType", 0).
    void saveProxyConnectType(int type);
    int loadProxyConnectType();
    void saveProxyHost(const QString& host);
    QString loadProxyHost();  // "SettingView_Host", "" when missing
    void saveProxyPort(int port);
    int loadProxyPort();  // "SettingView_Port", 0 when missing

    // Speaker volume when `speaker`, microphone volume otherwise (0.65 when missing).
    static void saveAudioVolume(bool speaker, float volume);
    static float loadAudioVolume(bool speaker);
    // Volume of another participant, per web-service address and user id (0.33 when missing).
    static void saveAudioVolumeOthers(const QString& address, const QString& userId, float volume);
    static float loadAudioVolumeOthers(const QString& address, const QString& userId);
    // Selected output device when `output`, input device otherwise (unique id).
    static void saveAudioDevice(bool output, const QString& device);
    static std::optional<QString> loadAudioDevice(bool output);
    // The audio choices answer -1 when nothing is stored.
    static void saveAudioEchoCancelMode(std::int64_t mode);
    static std::int64_t loadAudioEchoCancelMode();
    static void saveAudioEchoCancelLevel(std::int64_t level);
    static std::int64_t loadAudioEchoCancelLevel();
    static void saveAudioNoiseReductionMode(std::int64_t mode);
    static std::int64_t loadAudioNoiseReductionMode();
};
