#pragma once

// Polls the sound hardware once a second through `AudioDeviceManager`: the
// device lists, the default devices, the volumes and the nominal rates of the
// devices in use, and reports each change to its listener. The ticks run on
// the main queue, so every check and every listener call is on the main
// thread. Device lists are compared by unique id: a device replaced by
// another between two ticks is a change even when the count stays.

#include <QStringList>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

class AudioDeviceMonitorListener {
public:
    virtual ~AudioDeviceMonitorListener() = default;
    virtual void onSystemInputDeviceListChanged(const QStringList&) {}
    virtual void onSystemOutputDeviceListChanged(const QStringList&) {}
    virtual void onDefaultInputDeviceChanged(const QString&) {}
    virtual void onDefaultOutputDeviceChanged(const QString&) {}
    virtual void onSystemMicVolumeChanged(float) {}
    virtual void onSystemSpeakerVolumeChanged(float) {}
    virtual void onInputSamplingRateChanged(int) {}
    virtual void onOutputSamplingRateChanged(int) {}
};

class AudioDeviceMonitor {
public:
    static constexpr std::chrono::milliseconds kInterval{1000};

    AudioDeviceMonitor();
    ~AudioDeviceMonitor();
    AudioDeviceMonitor(const AudioDeviceMonitor&) = delete;
    AudioDeviceMonitor& operator=(const AudioDeviceMonitor&) = delete;

    // Main thread. Takes a first snapshot and ticks every second until stopMonitor.
    void startMonitor(bool checkDevList, bool checkSystemDev, bool checkVolume, bool checkSampling);
    void stopMonitor();
    bool isRunning() const;
    // One tick: the enabled checks in order; nothing without a listener.
    void checkSystemAudioStatus();

    void setListener(AudioDeviceMonitorListener* listener);
    AudioDeviceMonitorListener* listener() const;

    QStringList inputDevices, outputDevices;
    std::optional<QString> defInputDeviceId, defOutputDeviceId;
    float systemInputVol = -1.0f, systemOutputVol = -1.0f;
    int inputSamplingRate = -1, outputSamplingRate = -1;
    bool isCheckDevList = true, isCheckSystemDev = true, isCheckVol = true, isCheckSampling = true;

private:
    void resertParams();
    void setupParams();
    void schedule();
    void checkAudioDeviceStatus();
    void checkSystemDefautDevice();
    void checkSystemVolumeStatus();
    void checkDeviceSamplingRate();

    // Shared with the queued ticks, so that a tick that outlives the monitor
    // finds it gone; `generation` changes with every start and stop.
    struct Guard {
        std::recursive_mutex mutex;
        AudioDeviceMonitor* owner = nullptr;
        std::uint64_t generation = 0;
        bool running = false;
    };
    AudioDeviceMonitorListener* listener_ = nullptr;
    std::shared_ptr<Guard> guard_;
};
