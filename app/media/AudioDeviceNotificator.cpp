#include "media/AudioDeviceNotificator.h"

#include <QVariant>

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"

AudioDeviceNotificator& AudioDeviceNotificator::sharedNotificator() {
    static AudioDeviceNotificator* shared = new AudioDeviceNotificator();  // lives to the end of the process
    return *shared;
}

void AudioDeviceNotificator::postLater(const QString& name, const QVariantMap& userInfo) {
    const void* sender = this;
    mainQueue().async([name, userInfo, sender] { NotificationCenter::defaultCenter().post(name, sender, userInfo); });
}

namespace {

QVariantMap listInfo(const AudioDeviceInfoList& list, int selectedIdx) {
    return {{kAudioNotificatorDeviceListKey, QVariant::fromValue(list)},
            {kAudioNotificatorIdxKey, StringWithFormat("%d", selectedIdx)}};
}

QVariantMap deviceInfo(const std::optional<AudioDeviceInfo>& device) {
    QVariantMap info;
    if (device) info.insert(kAudioNotificatorDeviceInfoKey, QVariant::fromValue(*device));
    return info;
}

QVariantMap volumeInfo(float volume) {
    return {{kAudioNotificatorVolumeKey, StringWithFormat("%f", double(volume))}};
}

}  // namespace

void AudioDeviceNotificator::requestChangeInputDeviceListNotification(const AudioDeviceInfoList& list,
                                                                      int selectedIdx) {
    postLater(kAudioNotificatorDidChangeInputDevicesNotification, listInfo(list, selectedIdx));
}

void AudioDeviceNotificator::requestChangeOutputDeviceListNotification(const AudioDeviceInfoList& list,
                                                                       int selectedIdx) {
    postLater(kAudioNotificatorDidChangeOutputDevicesNotification, listInfo(list, selectedIdx));
}

void AudioDeviceNotificator::requestChangeCurrentInputDeviceNotification(const std::optional<AudioDeviceInfo>& device) {
    postLater(kAudioNotificatorDidChangeCurrentInputDevNotification, deviceInfo(device));
}

void AudioDeviceNotificator::requestChangeCurrentOutputDeviceNotification(
    const std::optional<AudioDeviceInfo>& device) {
    postLater(kAudioNotificatorDidChangeCurrentOutputDevNotification, deviceInfo(device));
}

void AudioDeviceNotificator::requestChangeInputVolumeNotification(float volume) {
    postLater(kAudioNotificatorDidChangeInputVolumeNotification, volumeInfo(volume));
}

void AudioDeviceNotificator::requestChangeOutputVolumeNotification(float volume) {
    postLater(kAudioNotificatorDidChangeOutputVolumeNotification, volumeInfo(volume));
}

void AudioDeviceNotificator::requestChangeEchoCancelNotification(std::int64_t mode) {
    postLater(kAudioNotificatorDidChangeEchoCancelNotification,
              {{kAudioNotificatorModeKey, StringWithFormat("%ld", static_cast<long>(mode))}});
}
