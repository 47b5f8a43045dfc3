#pragma once

// The one object through which the application talks to the sound hardware:
// the devices that capture and play (named everywhere by their unique id),
// their names and kinds, nominal rates, the system volume of the devices in
// use, and the binding of a capture or playback unit to a device.
//
// Every call asks the hardware afresh. Callable from any thread (the main
// thread's monitor and settings, the threads that set units up); the six
// remembered fields are guarded by the instance's lock. Failures give the
// neutral answers (empty, none, 0, -1, false, kind 5) and the binding codes.

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/AudioHardware.h"

class AudioUnit;

class AudioDeviceManager {
public:
    // Answers of setInputDevice / setOutputDevice.
    enum BindResult { kBindOk = 0, kBindUnknownDevice = 1, kBindRefused = 2, kBindRateUnavailable = 3 };

    static AudioDeviceManager& sharedInstance();

    // The hardware behind the instance: the PulseAudio server unless a test
    // put another in its place (nullptr restores the server).
    void setHardware(std::shared_ptr<AudioHardware> hardware);
    AudioHardware& hardware();

    // Unique ids of the devices that can capture / play; also remembered.
    QStringList getInputDevices();
    QStringList getOutputDevices();
    // Those whose unique id contains `keyword` (case-insensitive).
    QStringList getInputDevicesWithKeyword(const QString& keyword);
    QStringList getOutputDevicesWithKeyword(const QString& keyword);
    std::optional<QString> getDefInputDevice();
    std::optional<QString> getDefOutputDevice();

    std::optional<QString> getDeviceName(const QString& uid);
    // 0 USB, 1 HDMI, 2 built-in, 3 Bluetooth, 4 unknown transport, 5 other or not found.
    int getDeviceType(const QString& uid);
    bool isInputDevice(const QString& uid);
    bool isOutputDevice(const QString& uid);

    // Nominal rate in the output (`output`) or input scope; 0 when not found.
    double getDeviceSampleRate(bool output, const QString& uid);
    bool isSupportDeviceSampleRate(bool output, const QString& uid, double rate);
    bool setDeviceSampleRate(bool output, const QString& uid, double rate);

    // Binds the unit to the device at `rate` (0 bound, 1 device unknown, 2
    // the unit refused it, 3 rate not available); remembers the device.
    int setInputDevice(AudioUnit& unit, const QString& uid, double rate);
    int setOutputDevice(AudioUnit& unit, const QString& uid, double rate);

    // Binds the unit to the first device that takes it: each device whose
    // unique id contains `keyword`, then `device` (the default when none),
    // then, when `others` is given, each other device of that list. A device
    // whose nominal rate is below `rate` is bound at its own rate. Answers the
    // device and the rate bound, none when no device took the unit.
    struct Binding {
        QString uid;
        double rate = 0;
    };
    std::optional<Binding> bindPreferred(AudioUnit& unit, bool output, const std::optional<QString>& keyword,
                                         const std::optional<QString>& device, double rate,
                                         const std::optional<QStringList>& others);

    // Volume of the device last bound for input / output (0.0..1.0).
    bool setSystemInputVolume(float volume);
    bool setSystemOutputVolume(float volume);
    float getSystemInputVolume();   // -1 before a binding or without volume
    float getSystemOutputVolume();

    // Echo cancelling in the server for capture on `inputUid` against the
    // output in use (the bound output, else the default): answers the
    // filtered capture device, none when the server offers no filter. The
    // playback unit moves onto the filter's sink while it plays the master.
    std::optional<QString> startEchoCancel(const QString& inputUid);
    void stopEchoCancel();
    // The unit that plays the conference (nullptr before it goes away).
    void setPlaybackUnit(AudioUnit* unit);

    QStringList inputDeviceList() const;
    QStringList outputDeviceList() const;
    std::optional<QString> inputDeviceUid() const;
    std::optional<QString> outputDeviceUid() const;
    // Forgets the bindings and lists (tests start over with it).
    void terminate();

private:
    AudioDeviceManager() = default;
    std::shared_ptr<AudioHardware> hardwarePtr();
    std::optional<AudioHardwareDevice> find(bool output, const QString& uid);
    std::optional<AudioHardwareDevice> findAny(const QString& uid);
    int setAudioDevice(AudioUnit& unit, const QString& uid, double rate, bool output);
    bool setSystemVolume(bool output, float volume);
    float getSystemVolume(bool output);

    // Guards the echo-cancel state and the playback unit; held while a unit
    // moves (never taken by an audio callback).
    std::mutex echoMutex_;
    std::optional<AudioHardware::EchoCancelPair> echoPair_;
    QString echoOutputMaster_;
    AudioUnit* playbackUnit_ = nullptr;

    mutable std::mutex mutex_;
    std::shared_ptr<AudioHardware> hardware_;
    QStringList inputDeviceList_, outputDeviceList_;
    std::optional<QString> inputDeviceUid_, outputDeviceUid_;
};
