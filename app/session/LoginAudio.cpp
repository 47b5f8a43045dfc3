#include "session/LoginAudio.h"

#include "session/LoginManager.h"

LoginAudio::LoginAudio(LoginManager& owner)
    : owner_(owner), manager_(std::make_unique<AudioManager>(&LoginAudio::onCaptured, this)) {
    manager_->setDelegate(this);
}

LoginAudio::~LoginAudio() {
    manager_->setDelegate(nullptr);
    manager_.reset();  // the capture and playback end before this object goes
}

std::unique_ptr<LoginAudioManager> LoginAudio::make(LoginManager& owner) {
    return std::make_unique<LoginAudio>(owner);
}

void LoginAudio::onCaptured(const std::uint8_t* pcm, int size, int sampleRate, void* user, double gain) {
    if (pcm == nullptr || size <= 0 || user == nullptr) return;
    auto* self = static_cast<LoginAudio*>(user);
    self->owner_.onAudioInput(QByteArray(reinterpret_cast<const char*>(pcm), size), gain, sampleRate);
}

void LoginAudio::setup(int roomSampling, const QVariantMap& configData) {
    manager_->setup(roomSampling, configData);
}
void LoginAudio::start() {
    manager_->start();
}
void LoginAudio::reset() {
    manager_->reset();
}
int LoginAudio::roomSampleRate() const {
    return manager_->roomSampleRate;
}

void LoginAudio::playAudio(int level, const QByteArray& pcm) {
    manager_->playAudio(level, reinterpret_cast<const std::uint8_t*>(pcm.constData()), int(pcm.size()));
}

float LoginAudio::inputVolume() const {
    return manager_->audioInfo().inputVolume;
}
float LoginAudio::outputVolume() const {
    return manager_->audioInfo().outputVolume;
}
void LoginAudio::setMicVolume(float volume) {
    manager_->setMicVolume(volume);
}
void LoginAudio::setSpeakerVolume(float volume) {
    manager_->setSpeakerVolume(volume);
}
int64_t LoginAudio::echoCancelMode() const {
    return manager_->audioInfo().echoCancelMode;
}
QStringList LoginAudio::deviceNameList(bool output) const {
    return manager_->audioInfo().getDeviceNameList(output);
}
std::vector<std::pair<QString, QString>> LoginAudio::devices(bool output) const {
    std::vector<std::pair<QString, QString>> list;
    const AudioInfo& info = manager_->audioInfo();
    for (const AudioDeviceInfo& d : output ? info.outputDevices : info.inputDevices)
        list.emplace_back(d.deviceUid, d.deviceName);
    return list;
}

bool LoginAudio::setMicDeviceWithName(const QString& name) {
    return manager_->setMicDeviceWithName(name);
}
bool LoginAudio::setSpeakerDeviceWithName(const QString& name) {
    return manager_->setSpeakerDeviceWithName(name);
}
void LoginAudio::setEchoCancelMode(int64_t mode, int64_t level) {
    manager_->setEchoCancelMode(mode, level);
}
void LoginAudio::startRecording(bool on) {
    manager_->startRecording(on);
}
void LoginAudio::changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                                     const std::optional<AudioDeviceInfo>& output, int64_t echoCancelMode,
                                     int64_t echoCancelLevel, int64_t noiseReductionMode) {
    manager_->changeAudioSettings(input, output, echoCancelMode, echoCancelLevel, noiseReductionMode);
}

void LoginAudio::onChangeSpeakerSamplingRate(int rate) {
    owner_.onChangeSpeakerSamplingRate(rate);
}

void LoginAudio::onAudioPlayerSampleBuffer(const QByteArray& pcm, double sampleRate, std::int64_t) {
    owner_.onAudioPlayerSampleBuffer(pcm, int(sampleRate));
}

void LoginAudio::onAudioRecoderSampleBuffer(const QByteArray& pcm, double sampleRate, std::int64_t) {
    owner_.onAudioRecoderSampleBuffer(pcm, int(sampleRate));
}
