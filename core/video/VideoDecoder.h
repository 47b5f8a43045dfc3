// One incoming video stream: an H.264 decoder that is re-opened when the
// announced picture size changes, with an optional frame-sequence check.
#pragma once

#include <cstdint>

#include "video/H264Decoder.h"

class CVideoDecoder {
public:
    CVideoDecoder();
    virtual ~CVideoDecoder();
    CVideoDecoder(const CVideoDecoder&) = delete;
    CVideoDecoder& operator=(const CVideoDecoder&) = delete;

    // Decodes one picture announced as width x height. With wantPicture, answers a
    // new buffer of width x height x 4 bytes (allocated with __malloc__, the caller
    // frees it) holding 3- or 4-byte pixels; otherwise, or when the picture cannot
    // be produced, null (the packet still advances the decoder's state).
    uint8_t* Decode(const uint8_t* data, int bytes, int width, int height, int frameNo, bool wantPicture,
                    bool flipVertical, bool swapRedBlue, bool withAlpha, bool checkSequence);
    // Stores a changed size and re-opens the decoder; true.
    bool CheckSize(int width, int height);
    // Sequence check: a key frame (0) or the expected number passes.
    bool CheckFrame(int frameNo);
    int Width() const { return m_iWidth; }
    int Height() const { return m_iHeight; }

private:
    CH264Decoder m_decoder;
    int32_t m_iWidth = 0;
    int32_t m_iHeight = 0;
    int32_t m_iNextFrameNo = 0;
};
