// The audio manager as LoginManager's audio feature: captured microphone
// audio goes to LoginManager (and on to the core through the bridge),
// received audio to the speaker, and the audio manager's reports (speaker
// rate, sample copies for recording) back to LoginManager.
#pragma once

#include <memory>

#include "media/AudioManager.h"
#include "session/LoginManagerFeatures.h"

class LoginAudio final : public LoginAudioManager, public AudioManagerDelegate {
public:
    explicit LoginAudio(LoginManager& owner);
    ~LoginAudio() override;

    // The factory LoginManager is given.
    static std::unique_ptr<LoginAudioManager> make(LoginManager& owner);
    // The audio manager's capture callback: `user` is the LoginAudio.
    static void onCaptured(const std::uint8_t* pcm, int size, int sampleRate, void* user, double gain);

    AudioManager& audioManager() { return *manager_; }

    void setup(int roomSampling, const QVariantMap& configData) override;
    void start() override;
    void reset() override;
    int roomSampleRate() const override;
    void playAudio(int level, const QByteArray& pcm) override;
    float inputVolume() const override;
    float outputVolume() const override;
    void setMicVolume(float volume) override;
    void setSpeakerVolume(float volume) override;
    int64_t echoCancelMode() const override;
    QStringList deviceNameList(bool output) const override;
    std::vector<std::pair<QString, QString>> devices(bool output) const override;
    bool setMicDeviceWithName(const QString& name) override;
    bool setSpeakerDeviceWithName(const QString& name) override;
    void setEchoCancelMode(int64_t mode, int64_t level) override;
    void startRecording(bool on) override;
    void changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                             const std::optional<AudioDeviceInfo>& output, int64_t echoCancelMode,
                             int64_t echoCancelLevel, int64_t noiseReductionMode) override;

    void onChangeSpeakerSamplingRate(int rate) override;
    void onAudioPlayerSampleBuffer(const QByteArray& pcm, double sampleRate,
                                   std::int64_t presentationNs) override;
    void onAudioRecoderSampleBuffer(const QByteArray& pcm, double sampleRate,
                                    std::int64_t presentationNs) override;

private:
    LoginManager& owner_;
    std::unique_ptr<AudioManager> manager_;
};
