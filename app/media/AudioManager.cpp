#include "media/AudioManager.h"

#include <cmath>

#include "media/AudioDeviceManager.h"
#include "media/AudioDeviceNotificator.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "services/DataSaveManager.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"

namespace {

constexpr int kLogInfo = 2;
constexpr std::uint32_t kRecorderInterval = 200;
constexpr std::uint32_t kPlayerInterval = 20;
constexpr int kMicrophone = 0;
constexpr int kSpeaker = 1;

AudioDeviceManager& devices() { return AudioDeviceManager::sharedInstance(); }
AudioDeviceNotificator& notificator() { return AudioDeviceNotificator::sharedNotificator(); }

std::optional<QString> deviceArgument(const QString& uid) {
    if (uid == kSystemAudioDeviceUid) return std::nullopt;
    return uid;
}

int roomRateFor(bool opus, int samplingCode, const QVariantMap& config) {
    if (opus) {
        int rate = QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_OPUS_SAMPLING_RATE"), config, 48000);
        switch (rate) {
            case 8000:
            case 12000:
            case 16000:
            case 24000:
            case 48000:
                return rate;
            default:
                return 48000;
        }
    }
    static constexpr int kRates[] = {8000, 11025, 16000, 22050};
    if (samplingCode < 0) samplingCode = 0;  // a negative code would index before the table
    return samplingCode < 4 ? kRates[samplingCode] : 32000;
}

}  // namespace

AudioManager::AudioManager(AUDIO_INPUT_CALLBACK callback, void* userData)
    : mCallbackFunc(callback), mUserData(userData), deviceMonitor_(std::make_unique<AudioDeviceMonitor>()) {
    deviceMonitor_->setListener(this);
}

AudioManager::~AudioManager() {
    reset();
    deviceMonitor_->setListener(nullptr);
}

void AudioManager::setEchoFunctions(const AudioEchoFunctions& functions) { echo_ = functions; }

void AudioManager::_OnAudioInput(const std::uint8_t* pcm, int size, void* manager) {
    static_cast<AudioManager*>(manager)->OnAudioInput(pcm, size);
}

void AudioManager::OnAudioInput(const std::uint8_t* pcm, int size) {
    if (mCallbackFunc != nullptr) mCallbackFunc(pcm, size, inputSampleRate.load(), mUserData, 1.0);
}

std::int64_t AudioManager::setupRecorder(std::int64_t mode, const std::optional<QString>& device) {
    return audioRecorder_->setupRecorder(mode, std::uint32_t(roomSampleRate), device, std::nullopt, false,
                                         kRecorderInterval, _OnAudioInput, this, isModeOpus);
}

std::int64_t AudioManager::setupPlayer(const std::optional<QString>& device) {
    std::lock_guard<std::mutex> lock(playerMutex_);  // the mix thread waits while the player is rebuilt
    return audioPlayer_->setupPlayer(std::uint32_t(roomSampleRate), device, std::nullopt, false, kPlayerInterval);
}

void AudioManager::tellSpeakerRate() {
    if (AudioManagerDelegate* d = delegate_.load()) d->onChangeSpeakerSamplingRate(int(audioPlayer_->playSampleRate()));
}

void AudioManager::setup(int samplingCode, const QVariantMap& configData) {
    reset();
    isModeOpus = QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_OPUS"), configData);
    roomSampleRate = roomRateFor(isModeOpus, samplingCode, configData);
    inputSampleRate.store(roomSampleRate);
    outputSampleRate = roomSampleRate;

    audioInfo_.inputDevices = createDeviceList(false, devices().getInputDevices());
    audioInfo_.outputDevices = createDeviceList(true, devices().getOutputDevices());
    systemDefInputDevice = devices().getDefInputDevice();
    systemDefOutputDevice = devices().getDefOutputDevice();

    std::optional<QString> inputKeyword, outputKeyword;
    if (QuorixUtils::IsSystemEnableFunc(QStringLiteral("AUDIO_DEFAULT_DEVICE_FORCE"), configData)) {
        inputKeyword = QuorixUtils::GetSystemEnvString(QStringLiteral("AUDIO_DEFAULT_INPUT_DEVICE"), configData);
        outputKeyword = QuorixUtils::GetSystemEnvString(QStringLiteral("AUDIO_DEFAULT_OUTPUT_DEVICE"), configData);
        LogFileManager::write(StringWithFormat(kLogMsgAudioForceDeviceInput, inputKeyword.value_or(QString())),
                              kLogInfo, false);
        LogFileManager::write(StringWithFormat(kLogMsgAudioForceDeviceOutput, outputKeyword.value_or(QString())),
                              kLogInfo, false);
    }

    const bool aecOff = QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_DEFAULT_AEC_OFF"), configData);
    QStringList aecOffDevices;
    if (auto keyword = QuorixUtils::GetSystemEnvString(QStringLiteral("DEFAULT_AEC_OFF_DEVICE"), configData))
        aecOffDevices = devices().getInputDevicesWithKeyword(*keyword);
    audioInfo_.inputVolume = DataSaveManager::loadAudioVolume(false);
    audioInfo_.outputVolume = DataSaveManager::loadAudioVolume(true);
    const std::int64_t savedMode = DataSaveManager::loadAudioEchoCancelMode();
    audioInfo_.echoCancelMode = (aecOff && savedMode != -1) ? savedMode : 1;
    const std::int64_t savedNoise = DataSaveManager::loadAudioNoiseReductionMode();
    audioInfo_.noiseReductionMode = savedNoise != -1 ? savedNoise : 0;

    // Microphone.
    std::optional<QString> savedInput = DataSaveManager::loadAudioDevice(false);
    if (savedInput == kSystemAudioDeviceUid) savedInput.reset();
    audioRecorder_ = std::make_unique<AudioRecorder>();
    audioRecorder_->setDelegate(this);
    audioRecorder_->setEchoFunctions(echo_);
    const bool voiceProcessing = !aecOff && audioInfo_.echoCancelMode == 1;
    if (audioRecorder_->setupRecorder(voiceProcessing ? 1 : 0, std::uint32_t(roomSampleRate), savedInput,
                                      inputKeyword, true, kRecorderInterval, _OnAudioInput, this, isModeOpus) == 0) {
        if (voiceProcessing && aecOffDevices.contains(audioRecorder_->currentDeviceUid())) {
            audioRecorder_->changeRecorderMode(0);
            audioInfo_.echoCancelMode = 0;
        }
        audioInfo_.currentInputDeviceUid = savedInput ? audioRecorder_->currentDeviceUid() : kSystemAudioDeviceUid;
        inputSampleRate.store(int(audioRecorder_->recordSampleRate()));
        devices().setSystemInputVolume(audioInfo_.inputVolume);
    }

    // Speaker.
    std::optional<QString> savedOutput = DataSaveManager::loadAudioDevice(true);
    if (savedOutput == kSystemAudioDeviceUid) savedOutput.reset();
    {
        auto player = std::make_unique<AudioPlayer>();
        player->setDelegate(this);
        player->setEchoFunctions(echo_);
        std::lock_guard<std::mutex> lock(playerMutex_);
        audioPlayer_ = std::move(player);
    }
    std::int64_t playerResult;
    {
        std::lock_guard<std::mutex> lock(playerMutex_);
        playerResult =
            audioPlayer_->setupPlayer(std::uint32_t(roomSampleRate), savedOutput, outputKeyword, true, kPlayerInterval);
    }
    if (playerResult == 0) {
        audioPlayer_->setEchoActive(audioRecorder_->usesCoreEchoCancel());
        audioInfo_.currentOutputDeviceUid = savedOutput ? audioPlayer_->currentDeviceUid() : kSystemAudioDeviceUid;
        outputSampleRate = int(audioPlayer_->playSampleRate());
        devices().setSystemOutputVolume(audioInfo_.outputVolume);
        tellSpeakerRate();
    }

    deviceMonitor_->startMonitor(true, true, true, true);
}

void AudioManager::start() {
    systemDefInputVolume = devices().getSystemInputVolume();
    if (audioRecorder_) audioRecorder_->start();
    systemDefOutputVolume = devices().getSystemOutputVolume();
    if (audioPlayer_) {
        tellSpeakerRate();
        audioPlayer_->start();
    }
}

void AudioManager::stop() {
    if (audioRecorder_) {
        audioRecorder_->stop();
        devices().setSystemInputVolume(systemDefInputVolume);
    }
    if (audioPlayer_) {
        audioPlayer_->stop();
        devices().setSystemOutputVolume(systemDefOutputVolume);
    }
}

void AudioManager::reset() {
    // First, so that no monitor report runs while the devices are released.
    deviceMonitor_->stopMonitor();
    if (audioRecorder_) {
        audioRecorder_->resetRecorder();
        audioRecorder_.reset();
    }
    std::unique_ptr<AudioPlayer> player;
    {
        // The mix thread may be inside playAudio: it finishes before the player goes.
        std::lock_guard<std::mutex> lock(playerMutex_);
        player = std::move(audioPlayer_);
    }
    if (player) player->resetPlayer();
    audioInfo_.resetInfo();
    m_iSpkVol.store(0);
    m_iAesVol = 0;
    m_iAesLevel = 0;
    m_bAesStart = false;
    m_iSuppressFrameCount = 0;
}

void AudioManager::playAudio(int level, const std::uint8_t* buffer, int size) {
    m_iSpkVol.store(level);
    if (size <= 0) return;
    std::lock_guard<std::mutex> lock(playerMutex_);
    if (audioPlayer_) audioPlayer_->setBuffer(buffer, std::uint32_t(size));
}

bool AudioManager::setMicDevice(const QString& uid) {
    if (!audioRecorder_) return false;
    std::int64_t result = setupRecorder(audioInfo_.echoCancelMode == 1 ? 1 : 0, deviceArgument(uid));
    if (result != 0) {
        if (viewInterface_ != nullptr) viewInterface_->showDeviceConnectionError(kMicrophone, result);
        return false;
    }
    audioInfo_.currentInputDeviceUid =
        uid == kSystemAudioDeviceUid ? kSystemAudioDeviceUid : audioRecorder_->currentDeviceUid();
    inputSampleRate.store(int(audioRecorder_->recordSampleRate()));
    if (audioPlayer_) audioPlayer_->setEchoActive(audioRecorder_->usesCoreEchoCancel());
    audioRecorder_->start();
    DataSaveManager::saveAudioDevice(false, uid);
    notificator().requestChangeCurrentInputDeviceNotification(audioInfo_.getCurrentDeviceInfo(false));
    return true;
}

bool AudioManager::setSpeakerDevice(const QString& uid) {
    if (!audioPlayer_) return false;
    if (setupPlayer(deviceArgument(uid)) != 0) return false;
    audioInfo_.currentOutputDeviceUid =
        uid == kSystemAudioDeviceUid ? kSystemAudioDeviceUid : audioPlayer_->currentDeviceUid();
    outputSampleRate = int(audioPlayer_->playSampleRate());
    tellSpeakerRate();
    audioPlayer_->start();
    DataSaveManager::saveAudioDevice(true, uid);
    notificator().requestChangeCurrentOutputDeviceNotification(audioInfo_.getCurrentDeviceInfo(true));
    return true;
}

bool AudioManager::setMicDeviceWithName(const QString& name) {
    for (int i = 0; i < audioInfo_.inputDevices.size(); ++i) {
        if (audioInfo_.inputDevices[i].deviceName != name) continue;
        const QString uid = audioInfo_.inputDevices[i].deviceUid;
        if (audioInfo_.currentInputDeviceUid == uid) return true;
        if (setMicDevice(uid)) return true;
        if (i < audioInfo_.inputDevices.size() && audioInfo_.inputDevices[i].deviceUid == uid)
            audioInfo_.inputDevices[i].errorCode = AUDIO_DEVICE_ERROR_RATE;
        if (viewInterface_ != nullptr) viewInterface_->showDeviceConnectionError(kMicrophone, AUDIO_DEVICE_ERROR_RATE);
        return false;
    }
    return false;
}

bool AudioManager::setSpeakerDeviceWithName(const QString& name) {
    for (const AudioDeviceInfo& info : audioInfo_.outputDevices) {
        if (info.deviceName == name) return setSpeakerDevice(info.deviceUid);
    }
    return false;
}

void AudioManager::setMicVolume(float volume) {
    devices().setSystemInputVolume(volume);
    audioInfo_.inputVolume = volume;
    DataSaveManager::saveAudioVolume(false, volume);
}

void AudioManager::setSpeakerVolume(float volume) {
    devices().setSystemOutputVolume(volume);
    audioInfo_.outputVolume = volume;
    DataSaveManager::saveAudioVolume(true, volume);
}

void AudioManager::setEchoCancelMode(std::int64_t mode, std::int64_t level) {
    const std::int64_t saved = DataSaveManager::loadAudioEchoCancelMode();
    if (saved == -1 || saved != mode) {
        const std::int64_t old = audioInfo_.echoCancelMode;
        DataSaveManager::saveAudioEchoCancelMode(mode);
        if ((old == 1 || mode == 1) && audioRecorder_ &&
            audioRecorder_->changeRecorderMode(mode == 1 ? 1 : 0) == 0) {
            if (audioPlayer_) audioPlayer_->setEchoActive(audioRecorder_->usesCoreEchoCancel());
            if (audioRecorder_->status() != AudioRecorder::kRunning) audioRecorder_->start();
        }
        audioInfo_.echoCancelMode = mode;
        notificator().requestChangeEchoCancelNotification(mode);
    }
    if (!(level >= 0 && level == DataSaveManager::loadAudioEchoCancelLevel())) {
        DataSaveManager::saveAudioEchoCancelLevel(level);
        audioInfo_.echoCancelLevel = level;
    }
}

void AudioManager::setNoiseReductionMode(std::int64_t mode) {
    if (mode == audioInfo_.noiseReductionMode) return;
    DataSaveManager::saveAudioNoiseReductionMode(mode);
    audioInfo_.noiseReductionMode = mode;
}

void AudioManager::changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                                       const std::optional<AudioDeviceInfo>& output, std::int64_t echoCancelMode,
                                       std::int64_t /*echoCancelLevel*/, std::int64_t /*noiseReductionMode*/) {
    const bool inputChanged = input && audioInfo_.currentInputDeviceUid != input->deviceUid;
    const bool outputChanged = output && audioInfo_.currentOutputDeviceUid != output->deviceUid;
    bool reconfigure = inputChanged;
    if (echoCancelMode != audioInfo_.echoCancelMode) {
        const std::int64_t old = audioInfo_.echoCancelMode;
        DataSaveManager::saveAudioEchoCancelMode(echoCancelMode);
        audioInfo_.echoCancelMode = echoCancelMode;
        reconfigure = reconfigure || old == 1 || echoCancelMode == 1;
    }
    if (reconfigure && audioRecorder_) {
        const std::int64_t mode = echoCancelMode == 1 ? 1 : 0;
        std::int64_t result;
        if (!inputChanged) {
            result = audioRecorder_->changeRecorderMode(mode);
        } else {
            const bool pseudo = input->deviceType == AUDIO_DEVICE_TYPE_SYSTEM;
            result = setupRecorder(mode, pseudo ? std::nullopt : std::optional<QString>(input->deviceUid));
            if (result == 0) {
                audioInfo_.currentInputDeviceUid = pseudo ? kSystemAudioDeviceUid : audioRecorder_->currentDeviceUid();
                inputSampleRate.store(int(audioRecorder_->recordSampleRate()));
            }
        }
        if (result == 0) {
            if (audioPlayer_) audioPlayer_->setEchoActive(audioRecorder_->usesCoreEchoCancel());
            if (audioRecorder_->status() != AudioRecorder::kRunning) audioRecorder_->start();
        }
    }
    if (outputChanged && audioPlayer_) {
        const bool pseudo = output->deviceType == AUDIO_DEVICE_TYPE_SYSTEM;
        if (setupPlayer(pseudo ? std::nullopt : std::optional<QString>(output->deviceUid)) == 0) {
            audioInfo_.currentOutputDeviceUid = pseudo ? kSystemAudioDeviceUid : audioPlayer_->currentDeviceUid();
            outputSampleRate = int(audioPlayer_->playSampleRate());
            tellSpeakerRate();
            if (audioPlayer_->status() != AudioPlayer::kRunning) audioPlayer_->start();
        }
    }
}

void AudioManager::startRecording(bool on) {
    if (audioPlayer_) audioPlayer_->setStartRecording(on);
    if (audioRecorder_) audioRecorder_->setStartRecording(on);
}

double AudioManager::getMicBoostLevel() {
    // Full gain while the loudspeaker is quiet; above the threshold the gain
    // falls logarithmically with its level and holds for nine calls.
    constexpr int kThreshold = 10;
    constexpr int kHoldCalls = 9;
    const int speaker = m_iSpkVol.load();
    if (speaker > kThreshold) {
        m_bAesStart = true;
        m_iAesVol = speaker;
        m_iAesLevel = int(std::lround(100.0 * std::log10(double(speaker) / kThreshold) / std::log10(100.0 / kThreshold)));
        m_iSuppressFrameCount = kHoldCalls;
    } else if (m_bAesStart && --m_iSuppressFrameCount <= 0) {
        m_bAesStart = false;
        m_iAesLevel = 0;
        m_iAesVol = 0;
    }
    return std::clamp(1.0 - m_iAesLevel / 100.0, 0.0, 1.0);
}

AudioDeviceInfo AudioManager::createDeviceInfo(bool output, const QString& uid) {
    AudioDeviceInfo info;
    info.deviceUid = uid;
    if (uid == kSystemAudioDeviceUid) {
        info.deviceName = LocalizedString("dfSETTINGS_AUDIO_DEVICE_USE_SYSTEM");
        info.deviceType = AUDIO_DEVICE_TYPE_SYSTEM;
        return info;
    }
    info.deviceName = devices().getDeviceName(uid).value_or(QString());
    const int kind = devices().getDeviceType(uid);
    info.deviceType = kind >= 0 && kind <= 4 ? kind + 1 : AUDIO_DEVICE_TYPE_OTHER;
    if (!devices().isSupportDeviceSampleRate(output, uid, roomSampleRate)) info.errorCode = AUDIO_DEVICE_ERROR_RATE;
    return info;
}

AudioDeviceInfoList AudioManager::createDeviceList(bool output, const QStringList& uids) {
    AudioDeviceInfoList list{createDeviceInfo(output, kSystemAudioDeviceUid)};
    for (const QString& uid : uids) {
        AudioDeviceInfo info = createDeviceInfo(output, uid);
        if (info.deviceType == AUDIO_DEVICE_TYPE_UNKNOWN) continue;
        if (!output && info.deviceType == AUDIO_DEVICE_TYPE_BUILTIN && devices().isOutputDevice(uid)) continue;
        list << info;
    }
    return list;
}

void AudioManager::listChanged(bool output, const QStringList& uids) {
    AudioDeviceInfoList& list = output ? audioInfo_.outputDevices : audioInfo_.inputDevices;
    list = createDeviceList(output, uids);
    const std::optional<QString>& current = output ? audioInfo_.currentOutputDeviceUid : audioInfo_.currentInputDeviceUid;
    const QString bound = output ? (audioPlayer_ ? audioPlayer_->currentDeviceUid() : QString())
                                 : (audioRecorder_ ? audioRecorder_->currentDeviceUid() : QString());
    int found = -1;
    for (int i = 0; i < list.size(); ++i) {
        if (!bound.isEmpty() && list[i].deviceUid == bound) {
            found = i;
            break;
        }
    }
    auto post = [&](int index) {
        if (output)
            notificator().requestChangeOutputDeviceListNotification(list, index);
        else
            notificator().requestChangeInputDeviceListNotification(list, index);
    };
    if (found >= 0) {
        post(current == kSystemAudioDeviceUid ? 0 : found);
        return;
    }
    post(0);
    // The device in use is gone: capture or playback falls back to the system default.
    if (output) {
        if (audioPlayer_) setSpeakerDevice(kSystemAudioDeviceUid);
    } else {
        if (audioRecorder_) setMicDevice(kSystemAudioDeviceUid);
    }
}

void AudioManager::onSystemInputDeviceListChanged(const QStringList& uids) { listChanged(false, uids); }

void AudioManager::onSystemOutputDeviceListChanged(const QStringList& uids) { listChanged(true, uids); }

void AudioManager::onDefaultInputDeviceChanged(const QString& uid) {
    LogFileManager::write(StringWithFormat(kLogMsgAudioSystemInputDeviceChanged, uid), kLogInfo, false);
    systemDefInputDevice = uid;
    if (audioInfo_.currentInputDeviceUid != kSystemAudioDeviceUid || !audioRecorder_ ||
        audioRecorder_->currentDeviceUid() == uid)
        return;
    setMicDevice(kSystemAudioDeviceUid);
    if (audioRecorder_->currentDeviceUid() == uid && viewInterface_ != nullptr)
        viewInterface_->showChangeSystemDevice(kMicrophone, devices().getDeviceName(uid).value_or(uid));
}

void AudioManager::onDefaultOutputDeviceChanged(const QString& uid) {
    LogFileManager::write(StringWithFormat(kLogMsgAudioSystemOutputDeviceChanged, uid), kLogInfo, false);
    systemDefOutputDevice = uid;
    if (audioInfo_.currentOutputDeviceUid != kSystemAudioDeviceUid || !audioPlayer_ ||
        audioPlayer_->currentDeviceUid() == uid)
        return;
    setSpeakerDevice(kSystemAudioDeviceUid);
    if (audioPlayer_->currentDeviceUid() == uid && viewInterface_ != nullptr)
        viewInterface_->showChangeSystemDevice(kSpeaker, devices().getDeviceName(uid).value_or(uid));
}

void AudioManager::onSystemMicVolumeChanged(float volume) {
    audioInfo_.inputVolume = volume;
    notificator().requestChangeInputVolumeNotification(volume);
}

void AudioManager::onSystemSpeakerVolumeChanged(float volume) {
    audioInfo_.outputVolume = volume;
    notificator().requestChangeOutputVolumeNotification(volume);
}

void AudioManager::onInputSamplingRateChanged(int rate) {
    LogFileManager::write(StringWithFormat(kLogMsgAudioInputSamplingRateChanged, rate), kLogInfo, false);
    if (audioRecorder_ && audioInfo_.currentInputDeviceUid &&
        !devices().isSupportDeviceSampleRate(false, audioRecorder_->currentDeviceUid(), roomSampleRate))
        setMicDevice(*audioInfo_.currentInputDeviceUid);
}

void AudioManager::onOutputSamplingRateChanged(int rate) {
    LogFileManager::write(StringWithFormat(kLogMsgAudioOutputSamplingRateChanged, rate), kLogInfo, false);
    if (audioPlayer_ && audioInfo_.currentOutputDeviceUid &&
        !devices().isSupportDeviceSampleRate(true, audioPlayer_->currentDeviceUid(), roomSampleRate))
        setSpeakerDevice(*audioInfo_.currentOutputDeviceUid);
}

void AudioManager::audioRecoderSampleBuffer(const QByteArray& pcm, double rate, std::int64_t ns) {
    if (AudioManagerDelegate* d = delegate_.load()) d->onAudioRecoderSampleBuffer(pcm, rate, ns);
}

void AudioManager::audioPlayerSampleBuffer(const QByteArray& pcm, double rate, std::int64_t ns) {
    if (AudioManagerDelegate* d = delegate_.load()) d->onAudioPlayerSampleBuffer(pcm, rate, ns);
}
