#pragma once

// The typed front of the persisted settings that the login and the audio
// layer need. Every save writes the user defaults out at once; every load
// answers the documented value when its key is missing.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "services/SaveLayoutInfo.h"

// How the core reaches its servers, as the settings window offers it.
enum SettingConnectionChoice : int {
    SETTING_CONNECTION_DIRECT = 0,
    SETTING_CONNECTION_TUNNELING = 1,
    SETTING_CONNECTION_SYSTEM_PROXY = 2,
    SETTING_CONNECTION_MANUAL_PROXY = 3,
};

// The recording keys that the settings window edits.
struct RecordingStoredSettings {
    int timeLimitMinutes = 0;   // "KeyRecordingDefaultRecTimeStartUp"
    int movRotateMB = 0;        // "KeyRecordingMovRotateVal"
    int mp4RotateMB = 0;        // "KeyRecordingMp4RotateVal"
    int audioRotateMB = 0;      // "KeyRecordingAudioRotateVal"
    bool mp4NoSplit = false;    // "KeyRecordingMp4Rotate"
    bool audioNoSplit = false;  // "KeyRecordingAudioRotate"
    int dateSize = 0;           // "KeyRecordingDateSize", 0..2
    int datePoint = 0;          // "KeyRecordingPoint", 0..3
};

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
    // Selected output device when `output`, input device otherwise (unique id);
    // written only when it differs from the stored text. False when the store
    // could not be written.
    static bool saveAudioDevice(bool output, const QString& device);
    static std::optional<QString> loadAudioDevice(bool output);
    // Saved window layouts of a room category, under the keys with `suffix`
    // (the own user id, or none when the room shares them): the list and the
    // 1-based start-up index (0 for none).
    static void saveLayouts(int roomCategory, const QString& suffix,
                            const std::vector<SaveLayoutInfo>& layouts, std::int64_t launchIndex);
    static std::vector<SaveLayoutInfo> loadLayouts(int roomCategory, const QString& suffix);
    static std::int64_t loadLayoutLaunchIndex(int roomCategory, const QString& suffix);

    // The audio choices answer -1 when nothing is stored.
    static bool saveAudioEchoCancelMode(std::int64_t mode);
    static std::int64_t loadAudioEchoCancelMode();
    static void saveAudioEchoCancelLevel(std::int64_t level);
    static std::int64_t loadAudioEchoCancelLevel();
    static void saveAudioNoiseReductionMode(std::int64_t mode);
    static std::int64_t loadAudioNoiseReductionMode();

    // ---- The settings window's keys. Every save answers false when the
    // store could not be written; numbers read back are kept in their range.

    // Microphone, speaker or camera off when a conference starts
    // ("SettingView_micsetting", "SettingView_spksetting", "SettingView_camerasetting").
    static bool loadMicOffAtStart();
    static bool saveMicOffAtStart(bool off);
    static bool loadSpeakerOffAtStart();
    static bool saveSpeakerOffAtStart(bool off);
    static bool loadCameraOffAtStart();
    static bool saveCameraOffAtStart(bool off);
    // The echo-cancel choice as the window shows it: 0 only when 0 is stored, 1 otherwise.
    static int loadEchoCancelChoice();

    // "KeyCameraBgMode": 1 blur, 2 custom, 0 for anything else.
    static int loadCameraBgMode();
    // "KeyCameraBgModeCustomImgData": none when missing or empty; saving none removes it.
    static std::optional<QByteArray> loadCameraBgCustomImgData();
    static bool saveCameraBgCustomImgData(const std::optional<QByteArray>& data);

    // A host or address as the window keeps it: white space cut from both
    // ends, then every space removed.
    static QString normalizedAddress(const QString& text);
    // "SettingView_defaultURL"; an address that normalises to nothing removes the key.
    static std::optional<QString> loadDocShareDefaultUrl();
    static bool saveDocShareDefaultUrl(const QString& address);

    // The connection choice read back: "KeyConnectType" 1 or 2 tunnelling; 3
    // the manual proxy when "KeyProxyType" is 3 and a host is stored, else the
    // system proxy; anything else direct.
    static int loadConnectionChoice();
    // The port field's text: the stored port, "8080" when it is missing, 0 or
    // outside 1..65535.
    static QString loadProxyPortText();
    // Writes "KeyConnectType" (1 tunnelling, 3 either proxy, 0 otherwise),
    // "KeyProxyType" (the choice for a proxy, removed otherwise), the host
    // (normalised, removed when empty) and the port (any choice), then writes
    // the store out.
    static bool saveConnection(int choice, const QString& host, int port);

    // "KeyNotifyChat" (on when missing), "KeyManyMtgDispSpeakerBtn" (shown when missing).
    static bool loadNotifyChat();
    static bool saveNotifyChat(bool notify);
    static bool loadManyMtgDispSpeakerBtn();
    static bool saveManyMtgDispSpeakerBtn(bool show);

    static RecordingStoredSettings loadRecordingSettings();
    // The four numbers and two split switches; the overlay size and corner too when `withOverlay`.
    static bool saveRecordingSettings(const RecordingStoredSettings& settings, bool withOverlay);
    static bool saveRecordingDateCheck(bool on);
};
