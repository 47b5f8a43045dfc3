#pragma once

// One audio device as the audio manager and the settings show it.

#include <QList>
#include <QMetaType>
#include <QString>
#include <cstdint>

inline constexpr std::int64_t AUDIO_DEVICE_TYPE_SYSTEM = 0;  // the pseudo device "use the system's"
inline constexpr std::int64_t AUDIO_DEVICE_TYPE_USB = 1;
inline constexpr std::int64_t AUDIO_DEVICE_TYPE_HDMI = 2;
inline constexpr std::int64_t AUDIO_DEVICE_TYPE_BUILTIN = 3;
inline constexpr std::int64_t AUDIO_DEVICE_TYPE_BLUETOOTH = 4;
inline constexpr std::int64_t AUDIO_DEVICE_TYPE_UNKNOWN = 5;
inline constexpr std::int64_t AUDIO_DEVICE_TYPE_OTHER = 6;

inline constexpr std::int64_t AUDIO_DEVICE_ERROR_RATE = 2;  // the device does not offer the room rate

// Unique id of the pseudo device that follows the system's default device.
inline const QString kSystemAudioDeviceUid = QStringLiteral("id_system_audio_device");

class AudioDeviceInfo {
public:
    QString deviceUid;
    QString deviceName;
    std::int64_t deviceType = AUDIO_DEVICE_TYPE_OTHER;
    std::int64_t errorCode = 0;

    bool operator==(const AudioDeviceInfo&) const = default;
};

using AudioDeviceInfoList = QList<AudioDeviceInfo>;

Q_DECLARE_METATYPE(AudioDeviceInfo)
Q_DECLARE_METATYPE(AudioDeviceInfoList)
