#include "video/H264Decoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include "common/LLog.h"
#include "tessel/TS_Common.h"
#include "video/PictureConverter.h"

CMutex g_MtxFFMpeg;

namespace {
std::once_flag gFirstDecoder;
}

CH264Decoder::CH264Decoder() {
    // libavcodec registers its decoders itself; the conversion tables and the
    // message sink are the only process-wide preparation left.
    std::call_once(gFirstDecoder, [] {
        CPictureConverter::InitConvertTable();
        av_log_set_callback(&CH264Decoder::avc_log);
    });
}

CH264Decoder::~CH264Decoder() {
    Term();
    av_frame_free(&m_pFrame);
    av_packet_free(&m_pPacket);
}

void CH264Decoder::avc_log(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_INFO || format == nullptr) return;
    char text[1024];
    vsnprintf(text, sizeof text, format, args);
    size_t n = strnlen(text, sizeof text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) text[--n] = '\0';
    if (n == 0) return;
    CLLog::writeFormat(CLLog::DBG, "libavcodec [%d] %s", level, text);
}

bool CH264Decoder::Init() {
    if (m_bOpened) Term();
    m_pCodec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!m_pCodec) {
        DTrace(TS_LOG_DEBUG, "H.264 Decoder not found.\n");
        return false;
    }
    if (!m_pContext) m_pContext = avcodec_alloc_context3(m_pCodec);
    if (!m_pFrame) m_pFrame = av_frame_alloc();
    if (!m_pPacket) m_pPacket = av_packet_alloc();
    if (!m_pContext || !m_pFrame || !m_pPacket) {
        DTrace(TS_LOG_DEBUG, "Could not open H.264 Decoder.\n");
        return false;
    }
    int rc;
    {
        CMutexLock lock(g_MtxFFMpeg);
        rc = avcodec_open2(m_pContext, m_pCodec, nullptr);
    }
    if (rc < 0) {
        DTrace(TS_LOG_DEBUG, "Could not open H.264 Decoder.\n");
        return false;
    }
    m_bOpened = true;
    return true;
}

void CH264Decoder::Term() {
    if (m_pContext) {
        CMutexLock lock(g_MtxFFMpeg);
        avcodec_free_context(&m_pContext);
    }
    if (m_pFrame) av_frame_unref(m_pFrame);
    m_bOpened = false;
}

bool CH264Decoder::Decode(const uint8_t* data, int bytes, uint8_t* out, int outWidth, int outHeight,
                          bool flipVertical, bool swapRedBlue, bool withAlpha) {
    m_bDamaged = false;
    if (!m_bOpened && !Init()) return false;
    if (!data || bytes <= 0) return false;
    // The packet does not own the bytes: libavcodec copies them into a padded buffer.
    m_pPacket->data = const_cast<uint8_t*>(data);
    m_pPacket->size = bytes;
    int rc = avcodec_send_packet(m_pContext, m_pPacket);
    av_packet_unref(m_pPacket);
    if (rc < 0) return false;

    rc = avcodec_receive_frame(m_pContext, m_pFrame);
    if (rc < 0) {
        const char* what = "AVERROR：Other Error";
        if (rc == AVERROR_EOF) what = "AVERROR_EOF";
        if (rc == AVERROR(EAGAIN)) what = "AVERROR(EAGAIN)";
        if (rc == AVERROR(EINVAL)) what = "AVERROR(EINVAL)";
        DTrace(TS_LOG_ERROR, "%s\n", what);
        return false;
    }
    m_bDamaged = m_pFrame->decode_error_flags != 0 || (m_pFrame->flags & AV_FRAME_FLAG_CORRUPT) != 0;
    bool ok = false;
    const bool planar420 =
        !m_bDamaged && (m_pFrame->format == AV_PIX_FMT_YUV420P || m_pFrame->format == AV_PIX_FMT_YUVJ420P) &&
        m_pFrame->linesize[0] > 0 && m_pFrame->linesize[1] > 0 &&
        m_pFrame->linesize[1] == m_pFrame->linesize[2];
    if (out && planar420 && m_pFrame->width == outWidth && m_pFrame->height == outHeight) {
        // Rows are read at the frame's own line sizes.
        ok = CPictureConverter::ConvertYUV420ToRGBCuttingMergin(
            out, outWidth, outHeight, m_pFrame->data[0], m_pFrame->data[1], m_pFrame->data[2], flipVertical,
            swapRedBlue, withAlpha, m_pFrame->linesize[0], m_pFrame->linesize[1]);
    }
    av_frame_unref(m_pFrame);
    return ok;
}
