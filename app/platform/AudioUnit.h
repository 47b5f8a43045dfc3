#pragma once

// A capture or playback unit: the object the recorder and the player own,
// bound to one device at one rate (`AudioDeviceManager` binds it), started
// and stopped. Binding opens a stream on the hardware; a device the
// hardware no longer has refuses the binding.
//
// Threads: bind, start, stop and moveTo from any one thread at a time (the
// owner's); the callback runs on the hardware's audio thread.

#include <memory>
#include <mutex>

#include "platform/AudioHardware.h"

class AudioUnit {
public:
    // A capture unit delivers to `capture`, a playback unit pulls from `render`.
    AudioUnit(AudioHardware& hardware, AudioHardware::CaptureCallback capture);
    AudioUnit(AudioHardware& hardware, AudioHardware::RenderCallback render);
    ~AudioUnit();
    AudioUnit(const AudioUnit&) = delete;
    AudioUnit& operator=(const AudioUnit&) = delete;

    bool isCapture() const { return static_cast<bool>(capture_); }
    // Binds the unit to the device at `rate` (stopping it first); false when refused.
    bool setCurrentDevice(const QString& uid, int rate);
    // Moves a bound unit to another device at the same rate, running again if it ran.
    bool moveTo(const QString& uid);
    QString currentDevice() const;
    int rate() const;

    bool start();
    void stop();
    bool isRunning() const;

private:
    AudioHardware& hardware_;
    const AudioHardware::CaptureCallback capture_;
    const AudioHardware::RenderCallback render_;
    mutable std::mutex mutex_;  // guards the fields below against readers on other threads
    std::unique_ptr<AudioHardwareStream> stream_;
    QString device_;
    int rate_ = 0;
};
