#pragma once

// Turns the audio manager's model changes into notifications on the main
// queue. Each request builds its user information on the calling thread (the
// values of that moment) and posts through the default notification centre,
// with the notificator as the sender, after the request has returned.

#include <QString>
#include <cstdint>

#include "media/AudioDeviceInfo.h"

inline const QString kAudioNotificatorDidChangeInputDevicesNotification =
    QStringLiteral("AudioNotificatorDidChangeInputDevicesNotification");
inline const QString kAudioNotificatorDidChangeOutputDevicesNotification =
    QStringLiteral("AudioNotificatorDidChangeOutputDevicesNotification");
inline const QString kAudioNotificatorDidChangeCurrentInputDevNotification =
    QStringLiteral("AudioNotificatorDidChangeCurrentInputDevNotification");
inline const QString kAudioNotificatorDidChangeCurrentOutputDevNotification =
    QStringLiteral("AudioNotificatorDidChangeCurrentOutputDevNotification");
inline const QString kAudioNotificatorDidChangeInputVolumeNotification =
    QStringLiteral("AudioNotificatorDidChangeInputVolumeNotification");
inline const QString kAudioNotificatorDidChangeOutputVolumeNotification =
    QStringLiteral("AudioNotificatorDidChangeOutputVolumeNotification");
inline const QString kAudioNotificatorDidChangeEchoCancelNotification =
    QStringLiteral("AudioNotificatorDidChangeEchoCancelNotification");

inline const QString kAudioNotificatorDeviceListKey = QStringLiteral("AudioNotificatorDeviceListKey");
inline const QString kAudioNotificatorIdxKey = QStringLiteral("AudioNotificatorIdxKey");
inline const QString kAudioNotificatorDeviceInfoKey = QStringLiteral("AudioNotificatorDeviceInfoKey");
inline const QString kAudioNotificatorVolumeKey = QStringLiteral("AudioNotificatorVolumeKey");
inline const QString kAudioNotificatorModeKey = QStringLiteral("AudioNotificatorModeKey");

class AudioDeviceNotificator {
public:
    // The one shared instance (created once, from any thread).
    static AudioDeviceNotificator& sharedNotificator();
    AudioDeviceNotificator() = default;
    AudioDeviceNotificator(const AudioDeviceNotificator&) = delete;
    AudioDeviceNotificator& operator=(const AudioDeviceNotificator&) = delete;

    void requestChangeInputDeviceListNotification(const AudioDeviceInfoList& list, int selectedIdx);
    void requestChangeOutputDeviceListNotification(const AudioDeviceInfoList& list, int selectedIdx);
    void requestChangeCurrentInputDeviceNotification(const std::optional<AudioDeviceInfo>& device);
    void requestChangeCurrentOutputDeviceNotification(const std::optional<AudioDeviceInfo>& device);
    void requestChangeInputVolumeNotification(float volume);
    void requestChangeOutputVolumeNotification(float volume);
    void requestChangeEchoCancelNotification(std::int64_t mode);

    // Kept for its shape; nothing sets it.
    AudioDeviceNotificator* notificator() const { return nullptr; }

private:
    void postLater(const QString& name, const QVariantMap& userInfo);
};
