// One incoming video stream: an H.264 decoder that is re-opened when the
// announced picture size changes, with an optional frame-sequence check.
// A new stream (and a re-opened decoder) starts at a key frame: pictures before
// it have no reference and are dropped unseen, never given to the decoder.
// With the sequence check, a lost frame likewise drops the stream's pictures
// until the next key frame, instead of decoding them against a missing reference;
// so does a picture that the decoder found damaged.
#pragma once

#include <cstdint>

#include "video/H264Decoder.h"

class CVideoDecoder {
public:
    CVideoDecoder();
    virtual ~CVideoDecoder();
    CVideoDecoder(const CVideoDecoder&) = delete;
    CVideoDecoder& operator=(const CVideoDecoder&) = delete;

    // Decodes one picture announced as width x height; frameNo 0 marks a key frame.
    // With wantPicture, answers a new buffer of width x height x 4 bytes (allocated with __malloc__, the
    // caller frees it) holding 3- or 4-byte pixels; otherwise, or when the picture cannot be produced, null
    // (the packet still advances the decoder's state).
    uint8_t* Decode(const uint8_t* data, int bytes, int width, int height, int frameNo, bool wantPicture,
                    bool flipVertical, bool swapRedBlue, bool withAlpha, bool checkSequence);
    // Stores a changed size and re-opens the decoder, which then waits for a key frame; true.
    bool CheckSize(int width, int height);
    // Sequence check: a key frame (0) or the expected number passes.
    bool CheckFrame(int frameNo);
    // True while pictures are dropped until the next key frame.
    bool WaitingForKeyFrame() const { return m_bWaitForKeyFrame; }
    int Width() const { return m_iWidth; }
    int Height() const { return m_iHeight; }

private:
    CH264Decoder m_decoder;
    int32_t m_iWidth = 0;
    int32_t m_iHeight = 0;
    int32_t m_iNextFrameNo = 0;
    bool m_bWaitForKeyFrame = true;
    bool m_bWaitLogged = false;
};
