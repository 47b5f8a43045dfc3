// Received media: video packets decoded on the video transfer thread, audio
// packets decoded into the mixer on the audio transfer thread, and the mix
// handed to the application at the output rate.
#include <vector>

#include "audio/AudioPlayerThread.h"
#include "audio/GSMCodec.h"
#include "audio/OpusCodec.h"
#include "audio/Resampler.h"
#include "video/VideoDecoder.h"
#include "video/VideoThreadTransferBuffer.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "tessel/TS_Common.h"

namespace {

constexpr int kVideoHeaderSize = 16;
constexpr int kAudioHeaderSize = 3;
constexpr uint16_t kVideoCodecH264 = 1;
constexpr uint64_t kMaxVideoPixels = 0x900000;

}  // namespace

void CQuorixControl::_OnBufferVideo(int clientIndex, void* packet, int size, uint64_t queuedMs, void* self) {
    static_cast<CQuorixControl*>(self)->OnBufferVideo(clientIndex, static_cast<uint8_t*>(packet), size,
                                                      queuedMs);
}

void CQuorixControl::_OnBufferAudio(int slot, void* packet, int size, void* self) {
    static_cast<CQuorixControl*>(self)->OnBufferAudio(slot, static_cast<uint8_t*>(packet), size);
}

void CQuorixControl::_OnBufferPlayAudio(int32_t level, uint8_t* pcm, int32_t size, void* self) {
    static_cast<CQuorixControl*>(self)->OnBufferPlayAudio(level, pcm, size);
}

void CQuorixControl::_OnAudioVolume(uint32_t slot, int32_t level, void* self) {
    auto* control = static_cast<CQuorixControl*>(self);
    if (control->m_pOwner != nullptr) control->m_pOwner->OnAudioVolume(int(slot), level);
}

void CQuorixControl::OnBufferVideo(int clientIndex, uint8_t* packet, int size, uint64_t queuedMs) {
    if (!m_bLogin || m_bErrorReported || packet == nullptr) {
        __free__(packet);
        return;
    }
    if (size < kVideoHeaderSize) {
        CLLog::writeFormat(kLogWrn, "Broken Video from client %d: %d bytes, shorter than its header",
                           clientIndex, size);
        __free__(packet);
        return;
    }
    const int32_t encSize = int32_t(GetLE32(packet));
    const int width = GetLE16(packet + 4);
    const int height = GetLE16(packet + 6);
    const uint16_t videoType = GetLE16(packet + 8);
    const uint16_t codecType = GetLE16(packet + 10);
    const int frameNo = GetLE16(packet + 12);
    const int payload = size - kVideoHeaderSize;

    // The mobile stream's scaled-down pictures (bit 15 without bit 0) are not shown.
    if ((videoType & 0x8000) != 0 && (videoType & 1) == 0) {
        __free__(packet);
        return;
    }
    const char* problem = nullptr;
    if (encSize < 0 || encSize > payload)
        problem = "Broken Video";
    else if (codecType != kVideoCodecH264)
        problem = "Video codec error";
    else if (uint64_t(width) * uint64_t(height) == 0 || uint64_t(width) * uint64_t(height) > kMaxVideoPixels)
        problem = "Video param error";
    if (problem != nullptr) {
        char userId[48] = {};
        GetUserIdWithClientNo(clientIndex, userId);
        CLLog::writeFormat(
            kLogWrn, "%s (UserID: %s) :%dx%d, no=%d, video_type=%d, codec_type=%d, enc_size=%d(payload=%d)",
            problem, userId, width, height, frameNo, videoType, codecType, encSize, payload);
        __free__(packet);
        return;
    }

    size_t decoders;
    {
        CMutexLock lock(m_mutexDecoderMobile);
        decoders = m_mapVideoDecoderMobile.size();
    }
    const int waiting = m_pVideoTransfer != nullptr ? m_pVideoTransfer->GetBufferCount() : 0;
    const bool output = uint64_t(waiting) < 10 * uint64_t(decoders);
    if (!output)
        CLLog::writeFormat(kLogDbg,
                           "Passed Video Frame BuffLenngth: %d ; ClientID: %d, FrameNO: %d, VideoType: %d",
                           waiting, clientIndex, frameNo, videoType);

    uint8_t* pixels = DecodeVideo(clientIndex, packet + kVideoHeaderSize, encSize, width, height, frameNo,
                                  videoType, output);
    if (pixels != nullptr) {
        const uint64_t delay = m_nVideoDispDelay.load();
        if (delay != 0) {
            // Held on this thread only; the wall clock's milliseconds wrap at 2^32.
            const uint32_t due = uint32_t(queuedMs + delay);
            const int32_t remaining = int32_t(due - uint32_t(GetTickCount()));
            if (remaining > 0) Sleep(unsigned(remaining));
        }
        if (m_pOwner != nullptr)
            m_pOwner->OnVideoOutput(clientIndex, pixels, width * height * 4, width, height, width, height);
        __free__(pixels);
    }
    __free__(packet);
}

uint8_t* CQuorixControl::DecodeVideo(int clientIndex, const uint8_t* data, int size, int width, int height,
                                     int frameNo, uint16_t videoType, bool output) {
    const bool main = (videoType & 1) != 0;
    CMutex& mutex = main ? m_mutexDecoderMain : m_mutexDecoderMobile;
    std::map<int, CVideoDecoder*>& decoders = main ? m_mapVideoDecoderMain : m_mapVideoDecoderMobile;
    CMutexLock lock(mutex);
    auto it = decoders.find(clientIndex);
    if (it == decoders.end() || it->second == nullptr) return nullptr;
    // The sequence check is on: a picture after a lost one (a sender's cleared
    // queue, a relay's drop) would be decoded against a missing reference and
    // show block smears until the next key frame; it is dropped instead.
    return it->second->Decode(data, size, width, height, frameNo, output, false, false, true, true);
}

void CQuorixControl::OnBufferAudio(int slot, uint8_t* packet, int size) {
    if (!m_bLogin || m_bErrorReported || packet == nullptr || slot < 0 || uint32_t(slot) >= m_nCodecSlots ||
        m_pAudioPlayer == nullptr) {
        __free__(packet);
        return;
    }
    if (size < kAudioHeaderSize) {
        CLLog::writeFormat(kLogWrn, "Broken Audio from slot %d: %d bytes, shorter than its header", slot,
                           size);
        __free__(packet);
        return;
    }
    const uint8_t* payload = packet + kAudioHeaderSize;
    const int payloadSize = size - kAudioHeaderSize;
    if (!m_bOpusMode) {
        if (m_ppGsmDecoder != nullptr && m_ppGsmDecoder[slot] != nullptr) {
            const int pcmSize = GSMCodec::CalcWaveSizeFromGsmSize(payloadSize);
            if (pcmSize > 0) {
                std::vector<int16_t> pcm(size_t(pcmSize) / 2);
                if (m_ppGsmDecoder[slot]->Decode(payload, payloadSize, pcm.data(), pcmSize))
                    m_pAudioPlayer->PushAudioData(
                        uint32_t(slot), reinterpret_cast<const uint8_t*>(pcm.data()), uint32_t(pcmSize));
            }
        }
    } else if (m_ppOpusDecoder != nullptr && m_ppOpusDecoder[slot] != nullptr) {
        const int pcmSize = (packet[1] << 8) | packet[2];  // big-endian
        std::vector<int16_t> pcm(size_t(pcmSize) / 2 + 1);
        const int samples = m_ppOpusDecoder[slot]->decode(payload, payloadSize, pcm.data(), pcmSize / 2);
        if (samples >= 0)
            m_pAudioPlayer->PushAudioData(uint32_t(slot), reinterpret_cast<const uint8_t*>(pcm.data()),
                                          uint32_t(pcmSize));
    }
    __free__(packet);
}

void CQuorixControl::OnBufferPlayAudio(int32_t level, uint8_t* pcm, int32_t size) {
    if (m_bLogin && m_pOwner != nullptr) {
        const uint16_t out = m_nOutputRate.load();
        if (out == m_nRoomRate || m_pResamplerOutput == nullptr) {
            m_pOwner->OnAudioOutput(level, pcm, size);
        } else {
            uint8_t* converted = nullptr;
            int convertedSize = 0;
            if (m_pResamplerOutput->Convert(pcm, size, m_nRoomRate, out, &converted, &convertedSize) &&
                converted != nullptr) {
                m_pOwner->OnAudioOutput(level, converted, convertedSize);
            }
            __free__(converted);
        }
    }
    __free__(pcm);
}
