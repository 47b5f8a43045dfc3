#include "audio/EchoCtrl.h"

#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

CEchoCtrl::CEchoCtrl(uint16_t rate) : m_iSamplingRate(rate), m_iFrameSize(rate / 500) {
    if (m_iFrameSize <= 0) return;  // inert: no rate below 500 Hz can be framed
    m_pEchoState = speex_echo_state_init(m_iFrameSize, 10 * m_iFrameSize);
    speex_echo_ctl(m_pEchoState, SPEEX_ECHO_SET_SAMPLING_RATE, &m_iSamplingRate);
    m_pPreprocessState = speex_preprocess_state_init(m_iFrameSize, m_iSamplingRate);
    int denoise = 1;
    speex_preprocess_ctl(m_pPreprocessState, SPEEX_PREPROCESS_SET_DENOISE, &denoise);
    int noiseSuppress = -40;
    speex_preprocess_ctl(m_pPreprocessState, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &noiseSuppress);
    speex_preprocess_ctl(m_pPreprocessState, SPEEX_PREPROCESS_SET_ECHO_STATE, m_pEchoState);
    // Room for two capture calls' worth of far-end frames; older frames are dropped.
    m_uiBufferCapacity = 2 * static_cast<uint32_t>(CaptureFrames() * m_iFrameSize);
    if (m_uiBufferCapacity > 0) {
        m_pBuffer = static_cast<int16_t*>(std::calloc(m_uiBufferCapacity, sizeof(int16_t)));
    }
}

CEchoCtrl::~CEchoCtrl() {
    if (m_pPreprocessState != nullptr) speex_preprocess_state_destroy(m_pPreprocessState);
    if (m_pEchoState != nullptr) speex_echo_state_destroy(m_pEchoState);
    std::free(m_pBuffer);
}

int CEchoCtrl::CaptureFrames() const {
    if (m_iFrameSize <= 0) return 0;
    return kCaptureBlockBytes / m_iFrameSize / 2;
}

void CEchoCtrl::EchoCapture(const int16_t* in, int16_t* out) {
    if (m_pEchoState == nullptr) return;
    const int frames = CaptureFrames();
    const auto frame = static_cast<uint32_t>(m_iFrameSize);
    std::vector<int16_t> farEnd(frame);
    CMutexLock lock(m_mutex);
    for (int i = 0; i < frames; ++i) {
        // Each captured frame is paired with the oldest far-end frame not yet used;
        // when nothing was played the far end is silence.
        if (m_uiBufferPos >= frame) {
            std::memcpy(farEnd.data(), m_pBuffer, frame * sizeof(int16_t));
            m_uiBufferPos -= frame;
            std::memmove(m_pBuffer, m_pBuffer + frame, m_uiBufferPos * sizeof(int16_t));
        } else {
            std::fill(farEnd.begin(), farEnd.end(), 0);
        }
        speex_echo_cancellation(m_pEchoState, in, farEnd.data(), out);
        speex_preprocess_run(m_pPreprocessState, out);
        in += frame;
        out += frame;
    }
}

void CEchoCtrl::EchoPlayback(const int16_t* pcm) {
    const auto frame = static_cast<uint32_t>(m_iFrameSize);
    if (m_pBuffer == nullptr || frame == 0) return;
    CMutexLock lock(m_mutex);
    if (m_uiBufferPos + frame > m_uiBufferCapacity) {
        m_uiBufferPos -= frame;
        std::memmove(m_pBuffer, m_pBuffer + frame, m_uiBufferPos * sizeof(int16_t));
    }
    std::memcpy(m_pBuffer + m_uiBufferPos, pcm, frame * sizeof(int16_t));
    m_uiBufferPos += frame;
}
