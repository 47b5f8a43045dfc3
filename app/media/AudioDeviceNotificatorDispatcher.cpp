#include "media/AudioDeviceNotificatorDispatcher.h"

#include "media/AudioDeviceNotificator.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"

AudioDeviceNotificatorDispatcher::AudioDeviceNotificatorDispatcher(AudioDeviceNotificator* notificator)
    : notificator_(notificator) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const std::pair<const QString*, void (AudioDeviceNotificatorDispatcher::*)(const Notification&)> table[] = {
        {&kAudioNotificatorDidChangeInputDevicesNotification, &AudioDeviceNotificatorDispatcher::updateInputDeviceList},
        {&kAudioNotificatorDidChangeOutputDevicesNotification,
         &AudioDeviceNotificatorDispatcher::updateOutputDeviceList},
        {&kAudioNotificatorDidChangeCurrentInputDevNotification,
         &AudioDeviceNotificatorDispatcher::updateCurrentInputDevice},
        {&kAudioNotificatorDidChangeCurrentOutputDevNotification,
         &AudioDeviceNotificatorDispatcher::updateCurrentOutputDevice},
        {&kAudioNotificatorDidChangeInputVolumeNotification, &AudioDeviceNotificatorDispatcher::updateInputVolume},
        {&kAudioNotificatorDidChangeOutputVolumeNotification, &AudioDeviceNotificatorDispatcher::updateOutputVolume},
        {&kAudioNotificatorDidChangeEchoCancelNotification, &AudioDeviceNotificatorDispatcher::updateEchoCancelMode},
    };
    if (notificator_ == nullptr) return;  // observing "every sender" would be wrong here
    for (const auto& [name, update] : table) {
        center.addObserver(
            this, *name, [this, update](const Notification& n) { (this->*update)(n); }, notificator_);
    }
}

AudioDeviceNotificatorDispatcher::~AudioDeviceNotificatorDispatcher() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

namespace {

int intValue(const Notification& n, const QString& key) { return IntValue(n.userInfo.value(key).toString()); }

}  // namespace

void AudioDeviceNotificatorDispatcher::updateInputDeviceList(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeInputDeviceList(this, n.userInfo.value(kAudioNotificatorDeviceListKey).value<AudioDeviceInfoList>(),
                                        intValue(n, kAudioNotificatorIdxKey));
}

void AudioDeviceNotificatorDispatcher::updateOutputDeviceList(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeOutputDeviceList(
        this, n.userInfo.value(kAudioNotificatorDeviceListKey).value<AudioDeviceInfoList>(),
        intValue(n, kAudioNotificatorIdxKey));
}

void AudioDeviceNotificatorDispatcher::updateCurrentInputDevice(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeCurrentInputDevice(this, n.userInfo.value(kAudioNotificatorDeviceInfoKey).value<AudioDeviceInfo>());
}

void AudioDeviceNotificatorDispatcher::updateCurrentOutputDevice(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeCurrentOutputDevice(this,
                                            n.userInfo.value(kAudioNotificatorDeviceInfoKey).value<AudioDeviceInfo>());
}

void AudioDeviceNotificatorDispatcher::updateInputVolume(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeInputVolume(this, float(DoubleValue(n.userInfo.value(kAudioNotificatorVolumeKey).toString())));
}

void AudioDeviceNotificatorDispatcher::updateOutputVolume(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeOutputVolume(this,
                                     float(DoubleValue(n.userInfo.value(kAudioNotificatorVolumeKey).toString())));
}

void AudioDeviceNotificatorDispatcher::updateEchoCancelMode(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeEchoCancelMode(this, intValue(n, kAudioNotificatorModeKey));
}
