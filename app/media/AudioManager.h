#pragma once

// The application's single owner of sound during a conference: picks the room
// rate from the room configuration, opens the microphone and the speaker on
// the saved or forced devices, keeps the audio state in `AudioInfo`, follows
// the hardware through the device monitor, applies device, volume and
// echo-cancel changes, hands each captured chunk to the function it was
// created with and the mixed audio to the player.
//
// Threads: each operation runs on its caller's thread (set-up on the login's
// queue, monitor reports and settings on the main thread, `playAudio` on the
// core's mix thread, `OnAudioInput` on the recorder's delivery thread). The
// manager has no lock of its own; the recorder and player guard what their
// audio threads share, and `m_iSpkVol` is atomic.

#include <QVariantMap>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "media/AudioDeviceMonitor.h"
#include "media/AudioEcho.h"
#include "media/AudioInfo.h"
#include "media/AudioPlayer.h"
#include "media/AudioRecorder.h"

// Captured audio: PCM bytes, byte count, sample rate, user pointer, gain.
using AUDIO_INPUT_CALLBACK = void (*)(const std::uint8_t* pcm, int size, int sampleRate, void* user, double gain);

class AudioManagerDelegate {
public:
    virtual ~AudioManagerDelegate() = default;
    virtual void onChangeSpeakerSamplingRate(int rate) = 0;
    virtual void onAudioPlayerSampleBuffer(const QByteArray& pcm, double sampleRate, std::int64_t presentationNs) = 0;
    virtual void onAudioRecoderSampleBuffer(const QByteArray& pcm, double sampleRate, std::int64_t presentationNs) = 0;
};

class AudioManagerViewInterface {
public:
    virtual ~AudioManagerViewInterface() = default;
    // `kind` 0 microphone, 1 speaker.
    virtual void showDeviceConnectionError(int kind, std::int64_t code) = 0;
    virtual void showChangeSystemDevice(int kind, const QString& deviceName) = 0;
};

class AudioManager final : public AudioDeviceMonitorListener,
                           public AudioRecorderDelegate,
                           public AudioPlayerDelegate {
public:
    AudioManager(AUDIO_INPUT_CALLBACK callback, void* userData);
    ~AudioManager() override;
    AudioManager(const AudioManager&) = delete;
    AudioManager& operator=(const AudioManager&) = delete;

    // Echo cancelling through the core for servers without a filter (set before `setup`).
    void setEchoFunctions(const AudioEchoFunctions& functions);

    void setup(int samplingCode, const QVariantMap& configData);
    void start();
    void stop();
    void reset();
    void playAudio(int level, const std::uint8_t* buffer, int size);
    void OnAudioInput(const std::uint8_t* pcm, int size);

    bool setMicDevice(const QString& uid);
    bool setSpeakerDevice(const QString& uid);
    bool setMicDeviceWithName(const QString& name);
    bool setSpeakerDeviceWithName(const QString& name);
    void setMicVolume(float volume);
    void setSpeakerVolume(float volume);
    void setEchoCancelMode(std::int64_t mode, std::int64_t level);
    void setNoiseReductionMode(std::int64_t mode);
    void changeAudioSettings(const std::optional<AudioDeviceInfo>& input, const std::optional<AudioDeviceInfo>& output,
                             std::int64_t echoCancelMode, std::int64_t echoCancelLevel,
                             std::int64_t noiseReductionMode);
    void startRecording(bool on);
    double getMicBoostLevel();

    AudioDeviceInfo createDeviceInfo(bool output, const QString& uid);
    AudioDeviceInfoList createDeviceList(bool output, const QStringList& uids);

    // Monitor reports (main thread).
    void onSystemInputDeviceListChanged(const QStringList& uids) override;
    void onSystemOutputDeviceListChanged(const QStringList& uids) override;
    void onDefaultInputDeviceChanged(const QString& uid) override;
    void onDefaultOutputDeviceChanged(const QString& uid) override;
    void onSystemMicVolumeChanged(float volume) override;
    void onSystemSpeakerVolumeChanged(float volume) override;
    void onInputSamplingRateChanged(int rate) override;
    void onOutputSamplingRateChanged(int rate) override;

    // Copies for local recording, forwarded to the delegate.
    void audioRecoderSampleBuffer(const QByteArray& pcm, double rate, std::int64_t ns) override;
    void audioPlayerSampleBuffer(const QByteArray& pcm, double rate, std::int64_t ns) override;

    void setDelegate(AudioManagerDelegate* delegate) { delegate_.store(delegate); }
    AudioManagerDelegate* delegate() const { return delegate_.load(); }
    void setViewInterface(AudioManagerViewInterface* view) { viewInterface_ = view; }
    AudioManagerViewInterface* viewInterface() const { return viewInterface_; }

    AudioInfo& audioInfo() { return audioInfo_; }
    AudioRecorder* audioRecorder() const { return audioRecorder_.get(); }
    AudioPlayer* audioPlayer() const { return audioPlayer_.get(); }
    AudioDeviceMonitor& deviceMonitor() { return *deviceMonitor_; }

    bool isModeOpus = false;
    int roomSampleRate = 0;
    std::atomic<int> inputSampleRate{0};
    int outputSampleRate = 0;
    float systemDefInputVolume = 0;
    float systemDefOutputVolume = 0;
    std::optional<QString> systemDefInputDevice, systemDefOutputDevice;
    std::atomic<int> m_iSpkVol{0};

private:
    static void _OnAudioInput(const std::uint8_t* pcm, int size, void* manager);
    std::int64_t setupRecorder(std::int64_t mode, const std::optional<QString>& device);
    std::int64_t setupPlayer(const std::optional<QString>& device);
    void tellSpeakerRate();
    void listChanged(bool output, const QStringList& uids);

    AUDIO_INPUT_CALLBACK mCallbackFunc;
    void* mUserData;
    std::atomic<AudioManagerDelegate*> delegate_{nullptr};
    AudioManagerViewInterface* viewInterface_ = nullptr;
    AudioEchoFunctions echo_;
    AudioInfo audioInfo_;
    std::unique_ptr<AudioRecorder> audioRecorder_;
    std::unique_ptr<AudioPlayer> audioPlayer_;
    // Held while the mix thread feeds the player and while the player is replaced or released.
    std::mutex playerMutex_;
    std::unique_ptr<AudioDeviceMonitor> deviceMonitor_;

    // State of getMicBoostLevel.
    int m_iAesVol = 0;
    int m_iAesLevel = 0;
    bool m_bAesStart = false;
    int m_iSuppressFrameCount = 0;
};
