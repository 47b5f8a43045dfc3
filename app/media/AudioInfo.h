#pragma once

// The audio state of a conference: device lists, the selected devices,
// volumes and the echo-cancel and noise-reduction choices. Written and read
// by the audio manager on its caller's thread.

#include <optional>

#include "media/AudioDeviceInfo.h"

class AudioInfo {
public:
    AudioInfo() { resetInfo(); }

    float inputVolume = 0;
    float outputVolume = 0;
    AudioDeviceInfoList inputDevices;
    AudioDeviceInfoList outputDevices;
    std::optional<QString> currentInputDeviceUid;  // a unique id or "id_system_audio_device"
    std::optional<QString> currentOutputDeviceUid;
    std::int64_t echoCancelMode = 1;
    std::int64_t echoCancelLevel = 4;
    std::int64_t noiseReductionMode = 0;

    // Empty lists, no current devices, both volumes 0.65, echo cancel on at level 4, no noise reduction.
    void resetInfo();
    // The entry of the list whose uid is the current one (`output` picks the list).
    std::optional<AudioDeviceInfo> getCurrentDeviceInfo(bool output) const;
    QStringList getDeviceNameList(bool output) const;
};
