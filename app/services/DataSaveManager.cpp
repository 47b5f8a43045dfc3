#include "services/DataSaveManager.h"

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

UserDefaults& defaults() { return UserDefaults::standard(); }

std::int64_t loadChoice(const QString& key) {
    return defaults().hasKey(key) ? defaults().integerForKey(key) : kNoAudioChoice;
}

}  // namespace

void DataSaveManager::saveConnectType(int type) { defaults().setInteger(kKeyConnectType, type); }

int DataSaveManager::loadConnectType() { return static_cast<int>(defaults().integerForKey(kKeyConnectType)); }

void DataSaveManager::saveProxyConnectType(int type) { defaults().setInteger(kKeyProxyType, type); }

int DataSaveManager::loadProxyConnectType() { return static_cast<int>(defaults().integerForKey(kKeyProxyType)); }

void DataSaveManager::saveProxyHost(const QString& host) { defaults().setString(kKeyProxyHost, host); }

QString DataSaveManager::loadProxyHost() { return defaults().stringForKey(kKeyProxyHost).value_or(QString()); }

void DataSaveManager::saveProxyPort(int port) { defaults().setInteger(kKeyProxyPort, port); }

int DataSaveManager::loadProxyPort() { return static_cast<int>(defaults().integerForKey(kKeyProxyPort)); }

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
    const QVariant volume = defaults().dictionaryForKey(kKeyOtherSpeakerVolume).value(address).toMap().value(userId);
    return volume.isValid() ? volume.toFloat() : kDefaultOtherVolume;
}

void DataSaveManager::saveAudioDevice(bool output, const QString& device) {
    const QString& key = output ? kKeySelectOutputDevice : kKeySelectInputDevice;
    if (defaults().stringForKey(key) != device) {
        defaults().setString(key, device);
    }
}

std::optional<QString> DataSaveManager::loadAudioDevice(bool output) {
    return defaults().stringForKey(output ? kKeySelectOutputDevice : kKeySelectInputDevice);
}

void DataSaveManager::saveAudioEchoCancelMode(std::int64_t mode) { defaults().setInteger(kKeyEchoCancelMode, mode); }

std::int64_t DataSaveManager::loadAudioEchoCancelMode() { return loadChoice(kKeyEchoCancelMode); }

void DataSaveManager::saveAudioEchoCancelLevel(std::int64_t level) {
    defaults().setInteger(kKeyEchoCancelLevel, level);
}

std::int64_t DataSaveManager::loadAudioEchoCancelLevel() { return loadChoice(kKeyEchoCancelLevel); }

void DataSaveManager::saveAudioNoiseReductionMode(std::int64_t mode) {
    defaults().setInteger(kKeyNoiseReductionMode, mode);
}

std::int64_t DataSaveManager::loadAudioNoiseReductionMode() { return loadChoice(kKeyNoiseReductionMode); }
