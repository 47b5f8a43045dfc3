#include "video/VideoEncoder.h"

#include "tessel/TS_Common.h"

CVideoEncoder::CVideoEncoder() : m_clock(GetMonotonicTickCount) {}

CVideoEncoder::~CVideoEncoder() = default;

int CVideoEncoder::Encode(const uint8_t* pixels, int width, int height, int srcWidth, int srcHeight, int fps,
                          int pixelFormat, int flip) {
    if (fps <= 0) return -1;  // no frame rate, no gate interval
    const uint64_t now = m_clock();
    if (now - m_uLastFrameTime < static_cast<uint64_t>(1000 / fps)) return -1;
    m_uLastFrameTime = now;
    const bool forceKey = now - m_uLastKeyFrameTime >= kKeyFrameInterval;
    int result = m_encoder.Encode(pixels, width, height, srcWidth, srcHeight, kBitRate, fps, pixelFormat,
                                  forceKey, flip);
    if (m_encoder.IsKeyFrame()) {
        m_iFrameNo = 0;
        m_uLastKeyFrameTime = now;
    } else {
        ++m_iFrameNo;
    }
    return result;
}

int CVideoEncoder::Encode(const uint8_t* pixels, int, int width, int height, int fps, int pixelFormat,
                          int flip) {
    return Encode(pixels, width, height, width, height, fps, pixelFormat, flip);
}
