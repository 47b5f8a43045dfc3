// One outgoing video stream: an H.264 encoder behind a frame-rate gate, with a
// forced key frame every 5 seconds and the frame number the video packet
// header carries (0 for a key frame, counting up to the next one).
#pragma once

#include <cstdint>
#include <functional>

#include "video/H264Encoder.h"

class CVideoEncoder {
public:
    static constexpr int kBitRate = 64000;               // bit/s
    static constexpr uint64_t kKeyFrameInterval = 5000;  // ms

    CVideoEncoder();
    virtual ~CVideoEncoder();
    CVideoEncoder(const CVideoEncoder&) = delete;
    CVideoEncoder& operator=(const CVideoEncoder&) = delete;

    // Encodes pixels of srcWidth x srcHeight at width x height. -1 when skipped by
    // the frame-rate gate or when encoding failed, 0 when the encoder produced no
    // output, otherwise the number of encoded bytes waiting for GetEncodeBuffer.
    int Encode(const uint8_t* pixels, int width, int height, int srcWidth, int srcHeight, int fps,
               int pixelFormat, int flip);
    // Short form: the source has the encoded size (bytes is not used).
    int Encode(const uint8_t* pixels, int bytes, int width, int height, int fps, int pixelFormat, int flip);
    void GetEncodeBuffer(uint8_t* out) const { m_encoder.GetEncodeBuffer(out); }
    int GetFrameNo() const { return m_iFrameNo; }

    // Test hook: replaces the monotonic millisecond clock of the gate and the
    // key-frame timer.
    void SetClock(std::function<uint64_t()> clock) { m_clock = std::move(clock); }

private:
    CH264Encoder m_encoder;
    int32_t m_iFrameNo = 0;
    uint64_t m_uLastFrameTime = 0;
    uint64_t m_uLastKeyFrameTime = 0;
    std::function<uint64_t()> m_clock;
};
