#include "media/AudioDeviceManager.h"

#include <cmath>

#include "platform/AudioUnit.h"
#include "platform/PulseAudioHardware.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

constexpr int kLogError = 0;

QStringList uids(const std::vector<AudioHardwareDevice>& devices) {
    QStringList list;
    for (const AudioHardwareDevice& d : devices) list << d.uid;
    return list;
}

QStringList withKeyword(const QStringList& list, const QString& keyword) {
    QStringList found;
    for (const QString& uid : list) {
        if (uid.contains(keyword, Qt::CaseInsensitive)) found << uid;
    }
    return found;
}

}  // namespace

AudioDeviceManager& AudioDeviceManager::sharedInstance() {
    static AudioDeviceManager* instance = new AudioDeviceManager();  // lives to the end of the process
    return *instance;
}

void AudioDeviceManager::setHardware(std::shared_ptr<AudioHardware> hardware) {
    std::lock_guard<std::mutex> lock(mutex_);
    hardware_ = std::move(hardware);
}

std::shared_ptr<AudioHardware> AudioDeviceManager::hardwarePtr() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hardware_) hardware_ = std::make_shared<PulseAudioHardware>();
    return hardware_;
}

AudioHardware& AudioDeviceManager::hardware() {
    return *hardwarePtr();
}

// A query the server did not answer (a busy or restarting server) keeps the
// list last seen: read as empty, it would look as if every device had been
// unplugged, and the monitor would move capture and playback off them.
QStringList AudioDeviceManager::getInputDevices() {
    auto devices = hardwarePtr()->devices(false);
    std::lock_guard<std::mutex> lock(mutex_);
    if (devices) inputDeviceList_ = uids(*devices);
    return inputDeviceList_;
}

QStringList AudioDeviceManager::getOutputDevices() {
    auto devices = hardwarePtr()->devices(true);
    std::lock_guard<std::mutex> lock(mutex_);
    if (devices) outputDeviceList_ = uids(*devices);
    return outputDeviceList_;
}

QStringList AudioDeviceManager::getInputDevicesWithKeyword(const QString& keyword) {
    return withKeyword(getInputDevices(), keyword);
}

QStringList AudioDeviceManager::getOutputDevicesWithKeyword(const QString& keyword) {
    return withKeyword(getOutputDevices(), keyword);
}

std::optional<QString> AudioDeviceManager::getDefInputDevice() {
    return hardwarePtr()->defaultDevice(false);
}

std::optional<QString> AudioDeviceManager::getDefOutputDevice() {
    return hardwarePtr()->defaultDevice(true);
}

std::optional<AudioHardwareDevice> AudioDeviceManager::find(bool output, const QString& uid) {
    if (uid.isEmpty()) return std::nullopt;
    auto devices = hardwarePtr()->devices(output);
    if (!devices) return std::nullopt;
    for (AudioHardwareDevice& d : *devices) {
        if (d.uid == uid) return std::move(d);
    }
    return std::nullopt;
}

std::optional<AudioHardwareDevice> AudioDeviceManager::findAny(const QString& uid) {
    auto device = find(false, uid);
    return device ? device : find(true, uid);
}

std::optional<QString> AudioDeviceManager::getDeviceName(const QString& uid) {
    auto device = findAny(uid);
    if (!device) return std::nullopt;
    return device->name;
}

int AudioDeviceManager::getDeviceType(const QString& uid) {
    auto device = findAny(uid);
    return device ? int(device->transport) : int(AudioTransport::Other);
}

bool AudioDeviceManager::isInputDevice(const QString& uid) {
    return find(false, uid).has_value();
}

bool AudioDeviceManager::isOutputDevice(const QString& uid) {
    return find(true, uid).has_value();
}

double AudioDeviceManager::getDeviceSampleRate(bool output, const QString& uid) {
    auto device = find(output, uid);
    return device ? device->nominalRate : 0.0;
}

bool AudioDeviceManager::isSupportDeviceSampleRate(bool output, const QString& uid, double rate) {
    auto device = find(output, uid);
    return device && device->nominalRate >= rate;
}

bool AudioDeviceManager::setDeviceSampleRate(bool output, const QString& uid, double rate) {
    return find(output, uid) && hardwarePtr()->setNominalRate(output, uid, rate);
}

int AudioDeviceManager::setInputDevice(AudioUnit& unit, const QString& uid, double rate) {
    return setAudioDevice(unit, uid, rate, false);
}

int AudioDeviceManager::setOutputDevice(AudioUnit& unit, const QString& uid, double rate) {
    return setAudioDevice(unit, uid, rate, true);
}

int AudioDeviceManager::setAudioDevice(AudioUnit& unit, const QString& uid, double rate, bool output) {
    auto device = find(output, uid);
    if (!device) {
        LogFileManager::write(QString::fromUtf8(kLogMsgAudioDeviceUnknown), kLogError, false);
        return kBindUnknownDevice;
    }
    const int wanted = int(rate);
    if (!std::isfinite(rate) || wanted <= 0) return kBindRateUnavailable;
    if (device->nominalRate < wanted) {
        // A Bluetooth microphone switching its rate would drop the headset
        // into its low-quality profile: refused at once.
        bool refused = (!output && device->transport == AudioTransport::Bluetooth) ||
                       !hardwarePtr()->setNominalRate(output, uid, wanted);
        if (refused) {
            LogFileManager::write(StringWithFormat(kLogMsgAudioUnsupportSamplerate, uid), kLogError, false);
            return kBindRateUnavailable;
        }
    }
    if (!unit.setCurrentDevice(uid, wanted)) {
        LogFileManager::write(
            StringWithFormat(output ? kLogMsgAudioSettingOutputErr : kLogMsgAudioSettingInputErr, -1),
            kLogError, false);
        return kBindRefused;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        (output ? outputDeviceUid_ : inputDeviceUid_) = uid;
    }
    if (output) {
        std::lock_guard<std::mutex> lock(echoMutex_);
        if (echoPair_ && &unit == playbackUnit_ && uid == echoOutputMaster_)
            unit.moveTo(echoPair_->playbackUid);
    }
    return kBindOk;
}

std::optional<AudioDeviceManager::Binding> AudioDeviceManager::bindPreferred(
    AudioUnit& unit, bool output, const std::optional<QString>& keyword, const std::optional<QString>& device,
    double rate, const std::optional<QStringList>& others) {
    auto bind = [&](const QString& uid) -> std::optional<Binding> {
        int result = setAudioDevice(unit, uid, rate, output);
        double bound = rate;
        if (result == kBindRateUnavailable) {
            bound = double(std::int64_t(getDeviceSampleRate(output, uid)));
            result = setAudioDevice(unit, uid, bound, output);
        }
        if (result != kBindOk) return std::nullopt;
        return Binding{uid, bound};
    };
    if (keyword && !keyword->isEmpty()) {
        for (const QString& uid :
             output ? getOutputDevicesWithKeyword(*keyword) : getInputDevicesWithKeyword(*keyword)) {
            if (auto b = bind(uid)) return b;
        }
    }
    std::optional<QString> wanted = device ? device : (output ? getDefOutputDevice() : getDefInputDevice());
    if (wanted) {
        if (auto b = bind(*wanted)) return b;
    }
    if (others) {
        for (const QString& uid : *others) {
            if (wanted && uid == *wanted) continue;
            if (auto b = bind(uid)) return b;
        }
    }
    return std::nullopt;
}

std::optional<QString> AudioDeviceManager::startEchoCancel(const QString& inputUid) {
    stopEchoCancel();
    std::optional<QString> master = outputDeviceUid();
    if (!master) master = getDefOutputDevice();
    if (!master) return std::nullopt;
    auto pair = hardwarePtr()->createEchoCancel(inputUid, *master);
    if (!pair) return std::nullopt;
    std::lock_guard<std::mutex> lock(echoMutex_);
    echoPair_ = pair;
    echoOutputMaster_ = *master;
    if (playbackUnit_ != nullptr && playbackUnit_->currentDevice() == *master)
        playbackUnit_->moveTo(pair->playbackUid);
    return pair->captureUid;
}

void AudioDeviceManager::stopEchoCancel() {
    std::optional<AudioHardware::EchoCancelPair> pair;
    {
        std::lock_guard<std::mutex> lock(echoMutex_);
        if (!echoPair_) return;
        pair = echoPair_;
        if (playbackUnit_ != nullptr && playbackUnit_->currentDevice() == pair->playbackUid)
            playbackUnit_->moveTo(echoOutputMaster_);
        echoPair_.reset();
        echoOutputMaster_.clear();
    }
    hardwarePtr()->removeEchoCancel(*pair);
}

void AudioDeviceManager::setPlaybackUnit(AudioUnit* unit) {
    std::lock_guard<std::mutex> lock(echoMutex_);
    playbackUnit_ = unit;
}

bool AudioDeviceManager::setSystemVolume(bool output, float volume) {
    std::optional<QString> uid = output ? outputDeviceUid() : inputDeviceUid();
    if (!uid) return false;
    AudioHardware& hw = hardware();
    if (!hw.setVolume(output, *uid, volume)) {
        LogFileManager::write(
            StringWithFormat(kLogMsgAudioDeviceNoVolumeControl, getDeviceName(*uid).value_or(*uid)),
            kLogError, false);
        return false;
    }
    if (!hw.setMute(output, *uid, false)) {
        LogFileManager::write(
            StringWithFormat(kLogMsgAudioDeviceNoVolumeControl, getDeviceName(*uid).value_or(*uid)),
            kLogError, false);
    }
    return true;
}

float AudioDeviceManager::getSystemVolume(bool output) {
    std::optional<QString> uid = output ? outputDeviceUid() : inputDeviceUid();
    if (!uid) return -1.0f;
    float v = hardwarePtr()->volume(output, *uid);
    if (v < 0) return -1.0f;
    return std::clamp(v, 0.0f, 1.0f);
}

bool AudioDeviceManager::setSystemInputVolume(float volume) {
    return setSystemVolume(false, volume);
}
bool AudioDeviceManager::setSystemOutputVolume(float volume) {
    return setSystemVolume(true, volume);
}
float AudioDeviceManager::getSystemInputVolume() {
    return getSystemVolume(false);
}
float AudioDeviceManager::getSystemOutputVolume() {
    return getSystemVolume(true);
}

QStringList AudioDeviceManager::inputDeviceList() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inputDeviceList_;
}

QStringList AudioDeviceManager::outputDeviceList() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outputDeviceList_;
}

std::optional<QString> AudioDeviceManager::inputDeviceUid() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inputDeviceUid_;
}

std::optional<QString> AudioDeviceManager::outputDeviceUid() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outputDeviceUid_;
}

void AudioDeviceManager::terminate() {
    std::lock_guard<std::mutex> lock(mutex_);
    inputDeviceList_.clear();
    outputDeviceList_.clear();
    inputDeviceUid_.reset();
    outputDeviceUid_.reset();
}
