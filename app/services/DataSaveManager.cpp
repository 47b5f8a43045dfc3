#include "services/DataSaveManager.h"

#include <algorithm>

#include "platform/UserDefaults.h"

namespace {

const QString kKeyConnectType = QStringLiteral("KeyConnectType");
const QString kKeyProxyType = QStringLiteral("KeyProxyType");
const QString kKeyProxyHost = QStringLiteral("SettingView_Host");
const QString kKeyProxyPort = QStringLiteral("SettingView_Port");
const QString kKeyMicrophoneVolume = QStringLiteral("KeyMicrophoneVolume");
const QString kKeySpeakerVolume = QStringLiteral("KeySpeakerVolume");
const QString kKeyOtherSpeakerVolume = QStringLiteral("KeyOtherSpeakerVolume");
const QString kKeySelectInputDevice = QStringLiteral("KeySelectInputDevice");
const QString kKeySelectOutputDevice = QStringLiteral("KeySelectOutputDevice");
const QString kKeyEchoCancelMode = QStringLiteral("KeyEchoCancelMode");
const QString kKeyEchoCancelLevel = QStringLiteral("KeyEchoCancelLevel");
const QString kKeyNoiseReductionMode = QStringLiteral("KeyNoiseReductionMode");

constexpr float kDefaultVolume = 0.65f;
constexpr float kDefaultOtherVolume = 0.33f;
constexpr std::int64_t kNoAudioChoice = -1;

UserDefaults& defaults() {
    return UserDefaults::standard();
}

std::int64_t loadChoice(const QString& key) {
    return defaults().hasKey(key) ? defaults().integerForKey(key) : kNoAudioChoice;
}

}  // namespace

void DataSaveManager::saveConnectType(int type) {
    defaults().setInteger(kKeyConnectType, type);
}

int DataSaveManager::loadConnectType() {
    return static_cast<int>(defaults().integerForKey(kKeyConnectType));
}

void DataSaveManager::saveProxyConnectType(int type) {
    defaults().setInteger(kKeyProxyType, type);
}

int DataSaveManager::loadProxyConnectType() {
    return static_cast<int>(defaults().integerForKey(kKeyProxyType));
}

void DataSaveManager::saveProxyHost(const QString& host) {
    defaults().setString(kKeyProxyHost, host);
}

QString DataSaveManager::loadProxyHost() {
    return defaults().stringForKey(kKeyProxyHost).value_or(QString());
}

void DataSaveManager::saveProxyPort(int port) {
    defaults().setInteger(kKeyProxyPort, port);
}

int DataSaveManager::loadProxyPort() {
    return static_cast<int>(defaults().integerForKey(kKeyProxyPort));
}

void DataSaveManager::saveAudioVolume(bool speaker, float volume) {
    defaults().setFloat(speaker ? kKeySpeakerVolume : kKeyMicrophoneVolume, volume);
}

float DataSaveManager::loadAudioVolume(bool speaker) {
    const QString& key = speaker ? kKeySpeakerVolume : kKeyMicrophoneVolume;
    return defaults().hasKey(key) ? defaults().floatForKey(key) : kDefaultVolume;
}

void DataSaveManager::saveAudioVolumeOthers(const QString& address, const QString& userId, float volume) {
    QVariantMap all = defaults().dictionaryForKey(kKeyOtherSpeakerVolume);
    QVariantMap perAddress = all.value(address).toMap();
    perAddress.insert(userId, static_cast<double>(volume));
    all.insert(address, perAddress);
    defaults().setObject(kKeyOtherSpeakerVolume, all);
}

float DataSaveManager::loadAudioVolumeOthers(const QString& address, const QString& userId) {
    const QVariant volume =
        defaults().dictionaryForKey(kKeyOtherSpeakerVolume).value(address).toMap().value(userId);
    return volume.isValid() ? volume.toFloat() : kDefaultOtherVolume;
}

bool DataSaveManager::saveAudioDevice(bool output, const QString& device) {
    const QString& key = output ? kKeySelectOutputDevice : kKeySelectInputDevice;
    if (defaults().stringForKey(key) == device) return true;
    return defaults().setString(key, device);
}

std::optional<QString> DataSaveManager::loadAudioDevice(bool output) {
    return defaults().stringForKey(output ? kKeySelectOutputDevice : kKeySelectInputDevice);
}

bool DataSaveManager::saveAudioEchoCancelMode(std::int64_t mode) {
    return defaults().setInteger(kKeyEchoCancelMode, mode);
}

std::int64_t DataSaveManager::loadAudioEchoCancelMode() {
    return loadChoice(kKeyEchoCancelMode);
}

void DataSaveManager::saveAudioEchoCancelLevel(std::int64_t level) {
    defaults().setInteger(kKeyEchoCancelLevel, level);
}

std::int64_t DataSaveManager::loadAudioEchoCancelLevel() {
    return loadChoice(kKeyEchoCancelLevel);
}

void DataSaveManager::saveAudioNoiseReductionMode(std::int64_t mode) {
    defaults().setInteger(kKeyNoiseReductionMode, mode);
}

std::int64_t DataSaveManager::loadAudioNoiseReductionMode() {
    return loadChoice(kKeyNoiseReductionMode);
}

// ---- The settings window's keys ----

namespace {

const QString kKeyMicOff = QStringLiteral("SettingView_micsetting");
const QString kKeySpeakerOff = QStringLiteral("SettingView_spksetting");
const QString kKeyCameraOff = QStringLiteral("SettingView_camerasetting");
const QString kKeyCameraBgMode = QStringLiteral("KeyCameraBgMode");
const QString kKeyCameraBgCustomImgData = QStringLiteral("KeyCameraBgModeCustomImgData");
const QString kKeyDocShareDefaultUrl = QStringLiteral("SettingView_defaultURL");
const QString kKeyNotifyChat = QStringLiteral("KeyNotifyChat");
const QString kKeyManyMtgDispSpeakerBtn = QStringLiteral("KeyManyMtgDispSpeakerBtn");
const QString kKeyRecTimeLimit = QStringLiteral("KeyRecordingDefaultRecTimeStartUp");
const QString kKeyRecMovRotateVal = QStringLiteral("KeyRecordingMovRotateVal");
const QString kKeyRecMp4RotateVal = QStringLiteral("KeyRecordingMp4RotateVal");
const QString kKeyRecAudioRotateVal = QStringLiteral("KeyRecordingAudioRotateVal");
const QString kKeyRecMp4Rotate = QStringLiteral("KeyRecordingMp4Rotate");
const QString kKeyRecAudioRotate = QStringLiteral("KeyRecordingAudioRotate");
const QString kKeyRecDateCheck = QStringLiteral("KeyRecordingDateCheck");
const QString kKeyRecDateSize = QStringLiteral("KeyRecordingDateSize");
const QString kKeyRecPoint = QStringLiteral("KeyRecordingPoint");

constexpr int kDefaultProxyPort = 8080;
constexpr int kMaxRecordingMinutes = 1440;
constexpr int kMaxMovRotateMB = 1024;
constexpr int kMaxRotateMB = 100000;

// The stored integer kept in lo..hi; anything outside reads as `fallback`.
int boundedInteger(const QString& key, int lo, int hi, int fallback) {
    const std::int64_t value = defaults().integerForKey(key);
    return value < lo || value > hi ? fallback : static_cast<int>(value);
}

bool setFlag(const QString& key, bool on) {
    return defaults().setInteger(key, on ? 1 : 0);
}

}  // namespace

bool DataSaveManager::loadMicOffAtStart() {
    return defaults().integerForKey(kKeyMicOff) == 1;
}
bool DataSaveManager::saveMicOffAtStart(bool off) {
    return setFlag(kKeyMicOff, off);
}
bool DataSaveManager::loadSpeakerOffAtStart() {
    return defaults().integerForKey(kKeySpeakerOff) == 1;
}
bool DataSaveManager::saveSpeakerOffAtStart(bool off) {
    return setFlag(kKeySpeakerOff, off);
}
bool DataSaveManager::loadCameraOffAtStart() {
    return defaults().integerForKey(kKeyCameraOff) == 1;
}
bool DataSaveManager::saveCameraOffAtStart(bool off) {
    return setFlag(kKeyCameraOff, off);
}

int DataSaveManager::loadEchoCancelChoice() {
    // Only two choices exist (off, automatic); anything but a stored 0 is automatic.
    return defaults().hasKey(kKeyEchoCancelMode) && defaults().integerForKey(kKeyEchoCancelMode) == 0 ? 0 : 1;
}

int DataSaveManager::loadCameraBgMode() {
    return boundedInteger(kKeyCameraBgMode, 0, 2, 0);
}

std::optional<QByteArray> DataSaveManager::loadCameraBgCustomImgData() {
    const QByteArray data = defaults().objectForKey(kKeyCameraBgCustomImgData).toByteArray();
    if (data.isEmpty()) return std::nullopt;
    return data;
}

bool DataSaveManager::saveCameraBgCustomImgData(const std::optional<QByteArray>& data) {
    if (!data || data->isEmpty()) return defaults().removeObjectForKey(kKeyCameraBgCustomImgData);
    return defaults().setObject(kKeyCameraBgCustomImgData, *data);
}

QString DataSaveManager::normalizedAddress(const QString& text) {
    QString result = text.trimmed();
    result.remove(QLatin1Char(' '));
    return result;
}

std::optional<QString> DataSaveManager::loadDocShareDefaultUrl() {
    return defaults().stringForKey(kKeyDocShareDefaultUrl);
}

bool DataSaveManager::saveDocShareDefaultUrl(const QString& address) {
    const QString value = normalizedAddress(address);
    if (value.isEmpty()) return defaults().removeObjectForKey(kKeyDocShareDefaultUrl);
    return defaults().setString(kKeyDocShareDefaultUrl, value);
}

int DataSaveManager::loadConnectionChoice() {
    switch (defaults().integerForKey(kKeyConnectType)) {
        case 1:
        case 2:
            return SETTING_CONNECTION_TUNNELING;
        case 3:
            return defaults().integerForKey(kKeyProxyType) == 3 && defaults().hasKey(kKeyProxyHost)
                       ? SETTING_CONNECTION_MANUAL_PROXY
                       : SETTING_CONNECTION_SYSTEM_PROXY;
        default:
            return SETTING_CONNECTION_DIRECT;
    }
}

QString DataSaveManager::loadProxyPortText() {
    return QString::number(boundedInteger(kKeyProxyPort, 1, 65535, kDefaultProxyPort));
}

bool DataSaveManager::saveConnection(int choice, const QString& host, int port) {
    const bool proxy = choice == SETTING_CONNECTION_SYSTEM_PROXY || choice == SETTING_CONNECTION_MANUAL_PROXY;
    bool written = defaults().setInteger(kKeyConnectType, choice == SETTING_CONNECTION_TUNNELING ? 1
                                                          : proxy                                ? 3
                                                                                                 : 0);
    written &=
        proxy ? defaults().setInteger(kKeyProxyType, choice) : defaults().removeObjectForKey(kKeyProxyType);
    const QString trimmedHost = normalizedAddress(host);
    written &= trimmedHost.isEmpty() ? defaults().removeObjectForKey(kKeyProxyHost)
                                     : defaults().setString(kKeyProxyHost, trimmedHost);
    written &= defaults().setInteger(kKeyProxyPort, port);
    written &= defaults().synchronize();
    return written;
}

bool DataSaveManager::loadNotifyChat() {
    return !defaults().hasKey(kKeyNotifyChat) || defaults().integerForKey(kKeyNotifyChat) != 0;
}
bool DataSaveManager::saveNotifyChat(bool notify) {
    return setFlag(kKeyNotifyChat, notify);
}

bool DataSaveManager::loadManyMtgDispSpeakerBtn() {
    return !defaults().hasKey(kKeyManyMtgDispSpeakerBtn) ||
           defaults().integerForKey(kKeyManyMtgDispSpeakerBtn) != 0;
}
bool DataSaveManager::saveManyMtgDispSpeakerBtn(bool show) {
    return setFlag(kKeyManyMtgDispSpeakerBtn, show);
}

RecordingStoredSettings DataSaveManager::loadRecordingSettings() {
    RecordingStoredSettings s;
    s.timeLimitMinutes = boundedInteger(kKeyRecTimeLimit, 0, kMaxRecordingMinutes, 0);
    s.movRotateMB = boundedInteger(kKeyRecMovRotateVal, 0, kMaxMovRotateMB, kMaxMovRotateMB);
    s.mp4RotateMB = boundedInteger(kKeyRecMp4RotateVal, 0, kMaxRotateMB, kMaxRotateMB);
    s.audioRotateMB = boundedInteger(kKeyRecAudioRotateVal, 0, kMaxRotateMB, kMaxRotateMB);
    s.mp4NoSplit = defaults().integerForKey(kKeyRecMp4Rotate) == 1;
    s.audioNoSplit = defaults().integerForKey(kKeyRecAudioRotate) == 1;
    s.dateSize = boundedInteger(kKeyRecDateSize, 0, 2, 0);
    s.datePoint = boundedInteger(kKeyRecPoint, 0, 3, 0);
    return s;
}

bool DataSaveManager::saveRecordingSettings(const RecordingStoredSettings& s, bool withOverlay) {
    bool written = defaults().setInteger(kKeyRecTimeLimit, s.timeLimitMinutes);
    written &= defaults().setInteger(kKeyRecMovRotateVal, s.movRotateMB);
    written &= defaults().setInteger(kKeyRecMp4RotateVal, s.mp4RotateMB);
    written &= defaults().setInteger(kKeyRecAudioRotateVal, s.audioRotateMB);
    written &= setFlag(kKeyRecMp4Rotate, s.mp4NoSplit);
    written &= setFlag(kKeyRecAudioRotate, s.audioNoSplit);
    if (withOverlay) {
        written &= defaults().setInteger(kKeyRecDateSize, std::clamp(s.dateSize, 0, 2));
        written &= defaults().setInteger(kKeyRecPoint, std::clamp(s.datePoint, 0, 3));
    }
    return written;
}

bool DataSaveManager::saveRecordingDateCheck(bool on) {
    return setFlag(kKeyRecDateCheck, on);
}

void DataSaveManager::saveLayouts(int roomCategory, const QString& suffix,
                                  const std::vector<SaveLayoutInfo>& layouts, std::int64_t launchIndex) {
    QVariantList list;
    for (const SaveLayoutInfo& layout : layouts) list.push_back(layout.dict());
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject(SaveLayoutInfo::arrayKey(roomCategory, suffix), list);
    defaults.setInteger(SaveLayoutInfo::launchKey(roomCategory, suffix), launchIndex);
}

std::vector<SaveLayoutInfo> DataSaveManager::loadLayouts(int roomCategory, const QString& suffix) {
    std::vector<SaveLayoutInfo> layouts;
    const QVariant stored =
        UserDefaults::standard().objectForKey(SaveLayoutInfo::arrayKey(roomCategory, suffix));
    for (const QVariant& entry : stored.toList()) layouts.emplace_back(entry.toMap());
    return layouts;
}

std::int64_t DataSaveManager::loadLayoutLaunchIndex(int roomCategory, const QString& suffix) {
    return UserDefaults::standard().integerForKey(SaveLayoutInfo::launchKey(roomCategory, suffix));
}
