// Acoustic echo cancelling with noise suppression (Speex DSP).
#pragma once

#include <cstdint>

#include "tessel/TS_Mutex.h"

struct SpeexEchoState_;
struct SpeexPreprocessState_;

class CEchoCtrl {
public:
    // One capture call covers this many PCM bytes of near-end audio (whole 2 ms frames of it).
    static constexpr int kCaptureBlockBytes = 3200;

    explicit CEchoCtrl(uint16_t rate);
    ~CEchoCtrl();
    CEchoCtrl(const CEchoCtrl&) = delete;
    CEchoCtrl& operator=(const CEchoCtrl&) = delete;

    int FrameSize() const { return m_iFrameSize; }
    // Frames one EchoCapture call processes: half of the whole frames in a capture block.
    int CaptureFrames() const;

    // Cancels the echo of the played audio from CaptureFrames() frames of `in` into `out`.
    void EchoCapture(const int16_t* in, int16_t* out);
    // Remembers one frame of audio sent to the loudspeaker (the far end).
    void EchoPlayback(const int16_t* pcm);

private:
    CMutex m_mutex;  // guards the far-end frames (playback and capture run on different threads)
    SpeexEchoState_* m_pEchoState = nullptr;
    SpeexPreprocessState_* m_pPreprocessState = nullptr;
    int m_iSamplingRate;
    int m_iFrameSize;
    // Far-end frames handed in by EchoPlayback and not yet paired with a captured frame.
    int16_t* m_pBuffer = nullptr;
    uint32_t m_uiBufferPos = 0;  // samples held
    uint32_t m_uiBufferCapacity = 0;
};
