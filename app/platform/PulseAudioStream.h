#pragma once

// One PulseAudio stream of 16-bit mono PCM on a named sink or source.
// Created and ended under the main loop's lock; its callbacks run on the
// loop thread and only copy: the capture callback gets what the server
// recorded, the render callback fills what the server asks for.

#include <pulse/pulseaudio.h>

#include <atomic>

#include "platform/AudioHardware.h"

class PulseAudioConnection;

class PulseAudioStream final : public AudioHardwareStream {
public:
    // Capture when `capture` is set, playback when `render` is set.
    PulseAudioStream(PulseAudioConnection& connection, QString device, int rate,
                     AudioHardware::CaptureCallback capture, AudioHardware::RenderCallback render);
    ~PulseAudioStream() override;

    bool start() override;
    void stop() override;
    bool isRunning() const override;

    // Buffering asked of the server, in milliseconds of audio.
    static constexpr int kCaptureFragmentMs = 10;
    static constexpr int kPlaybackTargetMs = 40;

private:
    static void onState(pa_stream* stream, void* user);
    static void onRead(pa_stream* stream, size_t bytes, void* user);
    static void onWrite(pa_stream* stream, size_t bytes, void* user);
    void endLocked();

    PulseAudioConnection& connection_;
    const QString device_;
    const int rate_;
    const AudioHardware::CaptureCallback capture_;
    const AudioHardware::RenderCallback render_;
    pa_stream* stream_ = nullptr;  // touched under the loop's lock only
    std::atomic<bool> running_{false};
};
