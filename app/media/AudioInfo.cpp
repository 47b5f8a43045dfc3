#include "media/AudioInfo.h"

#include <QStringList>

void AudioInfo::resetInfo() {
    inputVolume = 0.65f;
    outputVolume = 0.65f;
    inputDevices.clear();
    outputDevices.clear();
    currentInputDeviceUid.reset();
    currentOutputDeviceUid.reset();
    echoCancelMode = 1;
    echoCancelLevel = 4;
    noiseReductionMode = 0;
}

std::optional<AudioDeviceInfo> AudioInfo::getCurrentDeviceInfo(bool output) const {
    const std::optional<QString>& uid = output ? currentOutputDeviceUid : currentInputDeviceUid;
    if (!uid) return std::nullopt;
    for (const AudioDeviceInfo& info : output ? outputDevices : inputDevices) {
        if (info.deviceUid == *uid) return info;
    }
    return std::nullopt;
}

QStringList AudioInfo::getDeviceNameList(bool output) const {
    QStringList names;
    for (const AudioDeviceInfo& info : output ? outputDevices : inputDevices) names << info.deviceName;
    return names;
}
