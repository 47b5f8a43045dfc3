#include "media/AudioDeviceMonitor.h"

#include "media/AudioDeviceManager.h"
#include "platform/Dispatch.h"

namespace {

AudioDeviceManager& devices() {
    return AudioDeviceManager::sharedInstance();
}

int boundRate(bool output) {
    std::optional<QString> uid = output ? devices().outputDeviceUid() : devices().inputDeviceUid();
    if (!uid) return -1;
    return int(devices().getDeviceSampleRate(output, *uid));
}

}  // namespace

AudioDeviceMonitor::AudioDeviceMonitor() : guard_(std::make_shared<Guard>()) {
    guard_->owner = this;
    resertParams();
}

AudioDeviceMonitor::~AudioDeviceMonitor() {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    guard_->owner = nullptr;
    ++guard_->generation;
    guard_->running = false;
}

bool AudioDeviceMonitor::isRunning() const {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    return guard_->running;
}

void AudioDeviceMonitor::setListener(AudioDeviceMonitorListener* listener) {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    listener_ = listener;
}

AudioDeviceMonitorListener* AudioDeviceMonitor::listener() const {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    return listener_;
}

void AudioDeviceMonitor::resertParams() {
    ++guard_->generation;
    guard_->running = false;
    inputDevices.clear();
    outputDevices.clear();
    defInputDeviceId.reset();
    defOutputDeviceId.reset();
    systemInputVol = systemOutputVol = -1.0f;
    inputSamplingRate = outputSamplingRate = -1;
    isCheckDevList = isCheckSystemDev = isCheckVol = isCheckSampling = true;
}

void AudioDeviceMonitor::startMonitor(bool checkDevList, bool checkSystemDev, bool checkVolume,
                                      bool checkSampling) {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    stopMonitor();
    isCheckDevList = checkDevList;
    isCheckSystemDev = checkSystemDev;
    isCheckVol = checkVolume;
    isCheckSampling = checkSampling;
    setupParams();
    guard_->running = true;
    schedule();
}

void AudioDeviceMonitor::stopMonitor() {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    resertParams();
}

void AudioDeviceMonitor::schedule() {
    std::weak_ptr<Guard> weak = guard_;
    const std::uint64_t generation = guard_->generation;
    mainQueue().after(kInterval, [weak, generation] {
        std::shared_ptr<Guard> guard = weak.lock();
        if (!guard) return;
        std::lock_guard<std::recursive_mutex> lock(guard->mutex);
        if (guard->owner == nullptr || guard->generation != generation) return;
        guard->owner->checkSystemAudioStatus();
        // Not stopped or restarted by a listener meanwhile.
        if (guard->owner != nullptr && guard->generation == generation) guard->owner->schedule();
    });
}

void AudioDeviceMonitor::setupParams() {
    if (isCheckDevList) {
        inputDevices = devices().getInputDevices();
        outputDevices = devices().getOutputDevices();
    }
    if (isCheckSystemDev) {
        defInputDeviceId = devices().getDefInputDevice();
        defOutputDeviceId = devices().getDefOutputDevice();
    }
    if (isCheckVol) {
        systemInputVol = devices().getSystemInputVolume();
        systemOutputVol = devices().getSystemOutputVolume();
    }
    if (isCheckSampling) {
        inputSamplingRate = boundRate(false);
        outputSamplingRate = boundRate(true);
    }
}

void AudioDeviceMonitor::checkSystemAudioStatus() {
    std::lock_guard<std::recursive_mutex> lock(guard_->mutex);
    if (listener_ == nullptr) return;
    // A listener call may stop the monitor; the later checks then stay quiet.
    const std::uint64_t generation = guard_->generation;
    auto still = [&] { return listener_ != nullptr && guard_->generation == generation; };
    if (isCheckDevList) checkAudioDeviceStatus();
    if (still() && isCheckSystemDev) checkSystemDefautDevice();
    if (still() && isCheckVol) checkSystemVolumeStatus();
    if (still() && isCheckSampling) checkDeviceSamplingRate();
}

void AudioDeviceMonitor::checkAudioDeviceStatus() {
    QStringList input = devices().getInputDevices();
    if (input != inputDevices) {
        inputDevices = input;
        listener_->onSystemInputDeviceListChanged(input);
        if (listener_ == nullptr) return;
    }
    QStringList output = devices().getOutputDevices();
    if (output != outputDevices) {
        outputDevices = output;
        listener_->onSystemOutputDeviceListChanged(output);
    }
}

void AudioDeviceMonitor::checkSystemDefautDevice() {
    std::optional<QString> input = devices().getDefInputDevice();
    if (input && input != defInputDeviceId) {
        defInputDeviceId = input;
        listener_->onDefaultInputDeviceChanged(*input);
        if (listener_ == nullptr) return;
    }
    std::optional<QString> output = devices().getDefOutputDevice();
    if (output && output != defOutputDeviceId) {
        defOutputDeviceId = output;
        listener_->onDefaultOutputDeviceChanged(*output);
    }
}

void AudioDeviceMonitor::checkSystemVolumeStatus() {
    float input = devices().getSystemInputVolume();
    if (input >= 0 && input != systemInputVol) {
        systemInputVol = input;
        listener_->onSystemMicVolumeChanged(input);
        if (listener_ == nullptr) return;
    }
    float output = devices().getSystemOutputVolume();
    if (output >= 0 && output != systemOutputVol) {
        systemOutputVol = output;
        listener_->onSystemSpeakerVolumeChanged(output);
    }
}

// A rate of 0 is a device the server did not find or did not answer for:
// an unplug is the list check's to see, not a rate change.
void AudioDeviceMonitor::checkDeviceSamplingRate() {
    if (devices().inputDeviceUid()) {
        int rate = boundRate(false);
        if (rate > 0 && rate != inputSamplingRate) {
            inputSamplingRate = rate;
            listener_->onInputSamplingRateChanged(rate);
            if (listener_ == nullptr) return;
        }
    }
    if (devices().outputDeviceUid()) {
        int rate = boundRate(true);
        if (rate > 0 && rate != outputSamplingRate) {
            outputSamplingRate = rate;
            listener_->onOutputSamplingRateChanged(rate);
        }
    }
}
