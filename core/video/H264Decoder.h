// H.264 decoder on libavcodec, delivering packed RGB(A) pictures.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "tessel/TS_Mutex.h"

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

// Held around every avcodec_open2 and avcodec_free_context of the process.
extern CMutex g_MtxFFMpeg;

class CH264Decoder {
public:
    CH264Decoder();
    virtual ~CH264Decoder();
    CH264Decoder(const CH264Decoder&) = delete;
    CH264Decoder& operator=(const CH264Decoder&) = delete;

    bool Init();
    // Decodes one packet. With out, converts the decoded picture into it; out
    // holds outWidth x outHeight pixels of 3 bytes (4 with withAlpha). A picture
    // of another size (or of a layout other than planar 4:2:0) is dropped: false,
    // nothing written. Without out the packet only advances the decoder's state.
    bool Decode(const uint8_t* data, int bytes, uint8_t* out, int outWidth, int outHeight, bool flipVertical,
                bool swapRedBlue, bool withAlpha);
    void Term();
    bool IsOpened() const { return m_bOpened; }
    // True when the last Decode produced a picture that the decoder had to patch
    // up (damaged data): it was not handed out, and later pictures refer to it.
    bool LastPictureDamaged() const { return m_bDamaged; }

    // libavcodec's message sink, installed by the first decoder of the process:
    // messages of information level and above go to the core's log at debug
    // level (never to the terminal); verbose, debug and trace messages are dropped.
    static void avc_log(void* avcl, int level, const char* format, va_list args);

private:
    AVCodecContext* m_pContext = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    const AVCodec* m_pCodec = nullptr;
    bool m_bOpened = false;
    bool m_bDamaged = false;
};
