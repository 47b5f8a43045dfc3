#pragma once

// Echo cancelling done by the conference core, for servers without an
// echo-cancel filter: the owner of the audio manager passes plain functions
// that hand audio to the core. `capture` cancels the echo of the played audio
// in `samples` 16-bit mono samples of captured PCM in place (on the
// recorder's delivery thread); `playback` remembers `samples` samples just
// played (on the audio thread: it must not wait for anything but a short lock).

#include <cstdint>

struct AudioEchoFunctions {
    void (*capture)(std::int16_t* pcm, int samples, void* user) = nullptr;
    void (*playback)(const std::int16_t* pcm, int samples, void* user) = nullptr;
    void* user = nullptr;

    bool valid() const { return capture != nullptr && playback != nullptr; }
};
