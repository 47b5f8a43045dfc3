#pragma once

// The sound hardware as a PulseAudio server shows it: sinks are the output
// devices and sources the input devices, named by their server name (unique
// id) and description. Monitors of sinks and filter devices (echo
// cancelling and the like) are not offered. Streams are `PulseAudioStream`s;
// server-side echo cancelling is the server's echo-cancel module.

#include "platform/AudioHardware.h"

class PulseAudioConnection;
struct PulseAudioDeviceInfo;

class PulseAudioHardware final : public AudioHardware {
public:
    PulseAudioHardware();
    explicit PulseAudioHardware(PulseAudioConnection& connection);

    std::optional<std::vector<AudioHardwareDevice>> devices(bool output) override;
    std::optional<QString> defaultDevice(bool output) override;
    float volume(bool output, const QString& uid) override;
    bool setVolume(bool output, const QString& uid, float volume) override;
    bool setMute(bool output, const QString& uid, bool mute) override;
    bool setNominalRate(bool output, const QString& uid, double rate) override;
    std::unique_ptr<AudioHardwareStream> createCaptureStream(const QString& uid, int rate,
                                                             CaptureCallback callback) override;
    std::unique_ptr<AudioHardwareStream> createPlaybackStream(const QString& uid, int rate,
                                                              RenderCallback callback) override;
    std::optional<EchoCancelPair> createEchoCancel(const QString& inputUid, const QString& outputUid) override;
    void removeEchoCancel(const EchoCancelPair& pair) override;

    // The kind of a device from the properties the server gives it.
    static AudioTransport transportOf(const PulseAudioDeviceInfo& info);
    // False for monitors and for devices layered over another device.
    static bool isSelectable(const PulseAudioDeviceInfo& info);

private:
    std::optional<PulseAudioDeviceInfo> find(bool output, const QString& uid);

    PulseAudioConnection& connection_;
};
