// Relay audio and video: the own camera picture as a main and a mobile H.264
// stream behind the 16-byte video header (connection 0), the own microphone
// as Opus or GSM behind the 3-byte audio header (connection 1), the jitter
// report, and received audio and video handed to their transfer threads.
#include <atomic>
#include <cstring>
#include <ctime>
#include <vector>

#include "audio/AudioThreadTransferBuffer.h"
#include "audio/GSMCodec.h"
#include "audio/OpusCodec.h"
#include "audio/Resampler.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "network/CommonProc.h"
#include "network/ThreadVpex.h"
#include "tessel/TS_Common.h"
#include "video/VideoEncoder.h"
#include "video/VideoThreadTransferBuffer.h"

namespace {

constexpr uint32_t kVideoHeaderSize = 16;
constexpr uint32_t kVideoTrailerSize = 16;  // zero bytes after the encoded picture
constexpr uint32_t kAudioHeaderSize = 3;
constexpr uint8_t kAudioCodecGsm = 0x10;
constexpr uint8_t kAudioCodecOpus = 0x11;
constexpr uint16_t kVideoCodecH264 = 1;
constexpr uint16_t kVideoMain = 0x0001;
constexpr uint16_t kVideoRateFlag = 0x0800;
constexpr uint16_t kVideoLargeOrScaled = 0x8000;
constexpr int kMobileWidth = 320;
constexpr int kMobileHeight = 240;
constexpr int32_t kAudioQueueLimit = 11;
constexpr uint64_t kJitterReportGapMs = 5000;

// The video rate gate and the stream counter exist once per process: the
// camera is one, whichever login sends it.
std::atomic<clock_t> g_clEnd{0};
std::atomic<uint32_t> g_uiFrameCount{0};

bool IsSmallPicture(int width, int height) {
    return (width <= 320 && height <= 240) || (width <= 240 && height <= 320);
}

// Whether the main stream goes out on a mobile turn of a large picture.
bool MainOnMobileTurn(int frameRate, uint32_t count) {
    if (frameRate < 5) return true;
    if (frameRate < 10) return count % 4 != 0;
    if (frameRate < 15) return count % 2 != 0;
    if (frameRate < 20) return count % 4 == 0;
    return false;
}

// The microphone block after the gain, at the room rate. The level after the
// gain is reported first (-100 stands for the own microphone). Empty when the
// block cannot be converted.
std::vector<int16_t> MicrophoneSamples(CQuorixControlEvents* owner, CResampler* resampler, const uint8_t* pcm,
                                       uint32_t bytes, double gain, int rate, uint16_t roomRate) {
    std::vector<int16_t> samples(bytes / 2);
    std::memcpy(samples.data(), pcm, samples.size() * 2);
    const int level = CCommonProc::GetAudioWaveVolume(samples.data(), int(samples.size() * 2), gain);
    if (owner != nullptr) owner->OnAudioVolume(-100, level);
    if (rate == roomRate || resampler == nullptr) return samples;
    uint8_t* converted = nullptr;
    int out = 0;
    std::vector<int16_t> result;
    if (resampler->Convert(reinterpret_cast<const uint8_t*>(samples.data()), int(samples.size() * 2), rate,
                           roomRate, &converted, &out) &&
        converted != nullptr) {
        result.resize(size_t(out) / 2);
        std::memcpy(result.data(), converted, result.size() * 2);
    }
    __free__(converted);
    return result;
}

}  // namespace

bool CQuorixControl::VpexSendVideo(const uint8_t* rgb, int width, int height, int frameRate, int mode,
                                   int flag) {
    if (frameRate < 1) {
        CLLog::writeFormat(kLogWrn, "Video frame refused: frame rate %d.", frameRate);
        return false;
    }
    if (rgb == nullptr || width <= 0 || height <= 0) return false;
    const clock_t now = clock();
    const clock_t last = g_clEnd.load();
    const clock_t gap = clock_t(uint16_t(1000 / frameRate) / 4);
    if (last != 0 && now - last < gap) {
        g_clEnd = now;
        return false;
    }
    const uint32_t count = g_uiFrameCount.load();
    const bool mobileTurn = frameRate < 6 || count % uint32_t(frameRate / 5) == 0;
    if (IsSmallPicture(width, height)) {
        const bool rateFlag = frameRate >= 10;
        if (mobileTurn)
            VpexSendVideoPacketMobile(rgb, width, height, frameRate, flag, rateFlag, mode);
        else
            VpexSendVideoPacketMain(rgb, width, height, frameRate, flag, rateFlag, mode);
    } else if (!mobileTurn) {
        VpexSendVideoPacketMain(rgb, width, height, frameRate, flag, false, mode);
    } else {
        if (MainOnMobileTurn(frameRate, count))
            VpexSendVideoPacketMain(rgb, width, height, frameRate, flag, false, mode);
        VpexSendVideoPacketMobile(rgb, width, height, frameRate, flag, false, mode);
    }
    g_uiFrameCount = count + 1;
    g_clEnd = clock();
    return true;
}

namespace {

// Header, encoded picture and the 16 zero bytes of one video message.
std::vector<uint8_t> VideoBody(CVideoEncoder& encoder, int count, int width, int height, uint16_t videoType) {
    std::vector<uint8_t> body(kVideoHeaderSize + uint32_t(count) + kVideoTrailerSize, 0);
    PutLE32(body.data(), uint32_t(count));
    PutLE16(body.data() + 4, uint16_t(width));
    PutLE16(body.data() + 6, uint16_t(height));
    PutLE16(body.data() + 8, videoType);
    PutLE16(body.data() + 10, kVideoCodecH264);
    PutLE16(body.data() + 12, uint16_t(encoder.GetFrameNo()));
    encoder.GetEncodeBuffer(body.data() + kVideoHeaderSize);
    return body;
}

}  // namespace

bool CQuorixControl::VpexSendVideoPacketMain(const uint8_t* rgb, int width, int height, int frameRate,
                                             int flag, bool rateFlag, int mode) {
    CSessionGate::Use use(m_sessionGate);
    if (!use || !m_bLogin || m_pVideoEncoderMain == nullptr) return false;
    const int count = m_pVideoEncoderMain->Encode(rgb, width, height, width, height, frameRate, mode, flag);
    if (count <= 0) return false;
    uint16_t type = uint16_t((rateFlag ? kVideoRateFlag : 0) | kVideoMain);
    if (!IsSmallPicture(width, height)) type |= kVideoLargeOrScaled;
    const std::vector<uint8_t> body = VideoBody(*m_pVideoEncoderMain, count, width, height, type);
    const uint32_t id = m_pVideoEncoderMain->GetFrameNo() == 0 ? VPEX_VIDEO_START : VPEX_VIDEO;
    return VpexSend(VPEX_CONN_VIDEO, id, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_VIDEO], body.data(),
                    uint32_t(body.size()), 3, false);
}

bool CQuorixControl::VpexSendVideoPacketMobile(const uint8_t* rgb, int width, int height, int frameRate,
                                               int flag, bool rateFlag, int mode) {
    CSessionGate::Use use(m_sessionGate);
    if (!use || !m_bLogin || m_pVideoEncoderMobile == nullptr) return false;
    int w = width, h = height;
    uint16_t type = rateFlag ? kVideoRateFlag : 0;
    if (!IsSmallPicture(width, height)) {
        w = width >= height ? kMobileWidth : kMobileHeight;
        h = width >= height ? kMobileHeight : kMobileWidth;
        type |= kVideoLargeOrScaled;
    }
    const int count = m_pVideoEncoderMobile->Encode(rgb, w, h, width, height, frameRate, mode, flag);
    if (count <= 0) return false;
    const std::vector<uint8_t> body = VideoBody(*m_pVideoEncoderMobile, count, w, h, type);
    const bool key = m_pVideoEncoderMobile->GetFrameNo() == 0;
    // A key frame makes every picture still queued for the relay worthless.
    return VpexSend(VPEX_CONN_VIDEO, key ? VPEX_VIDEO_MOBILE_START : VPEX_VIDEO_MOBILE, VPEX_TARGET_ALL,
                    m_nOwnClientId[VPEX_CONN_VIDEO], body.data(), uint32_t(body.size()), 3, key);
}

bool CQuorixControl::VpexSendAudioPacket(const uint8_t* pcm, uint32_t bytes, double gain, int rate) {
    return m_bOpusMode ? VpexSendAudioPacketUseOpus(pcm, bytes, gain, rate)
                       : VpexSendAudioPacketUseGsm(pcm, bytes, gain, rate);
}

bool CQuorixControl::VpexSendAudioPacketUseOpus(const uint8_t* pcm, uint32_t bytes, double gain, int rate) {
    CSessionGate::Use use(m_sessionGate);
    if (!use || !m_bLogin || m_pOpusEncoder == nullptr || pcm == nullptr || bytes < 2) return false;
    const std::vector<int16_t> samples =
        MicrophoneSamples(m_pOwner, m_pResampler, pcm, bytes, gain, rate, m_nRoomRate);
    if (samples.empty()) return false;
    const int count = int(samples.size());
    std::vector<uint8_t> packet(kAudioHeaderSize + size_t(count), 0);
    const int encoded =
        m_pOpusEncoder->encode(samples.data(), count, packet.data() + kAudioHeaderSize, count);
    if (encoded <= 0) return false;
    const uint16_t pcmBytes = uint16_t(m_nOpusSamplingRate * 60 / 1000 * 2);
    packet[0] = kAudioCodecOpus;
    packet[1] = uint8_t(pcmBytes >> 8);
    packet[2] = uint8_t(pcmBytes);
    return VpexSend(VPEX_CONN_AUDIO, VPEX_AUDIO, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_AUDIO],
                    packet.data(), kAudioHeaderSize + uint32_t(encoded), 0, false);
}

bool CQuorixControl::VpexSendAudioPacketUseGsm(const uint8_t* pcm, uint32_t bytes, double gain, int rate) {
    CSessionGate::Use use(m_sessionGate);
    if (!use || !m_bLogin || m_pGsmEncoder == nullptr || pcm == nullptr || bytes < 2) return false;
    const std::vector<int16_t> samples =
        MicrophoneSamples(m_pOwner, m_pResampler, pcm, bytes, gain, rate, m_nRoomRate);
    if (samples.empty()) return false;
    const uint32_t size = uint32_t(samples.size() * 2);
    const uint8_t* input = reinterpret_cast<const uint8_t*>(samples.data());

    // One message: header, then the whole GSM frames of `pcmBytes` PCM bytes.
    const auto sendGsm = [this](const uint8_t* chunk, uint32_t pcmBytes) {
        std::vector<int16_t> aligned(pcmBytes / 2);
        std::memcpy(aligned.data(), chunk, pcmBytes);
        const int gsmBytes = GSMCodec::CalcGsmSizeFromWaveSize(int(pcmBytes));
        std::vector<uint8_t> packet(kAudioHeaderSize + size_t(gsmBytes), 0);
        packet[0] = kAudioCodecGsm;
        packet[1] = uint8_t(pcmBytes >> 8);
        packet[2] = uint8_t(pcmBytes);
        if (!m_pGsmEncoder->Encode(aligned.data(), int(pcmBytes), packet.data() + kAudioHeaderSize, gsmBytes))
            return false;
        return VpexSend(VPEX_CONN_AUDIO, VPEX_AUDIO, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_AUDIO],
                        packet.data(), uint32_t(packet.size()), 0, false);
    };

    if (m_nSamplingRateCode != 1 && m_nSamplingRateCode != 3) {
        // Only whole frames are coded; the header's count must fit 16 bits.
        const uint32_t whole = size / GSMCodec::kWaveBlockBytes * GSMCodec::kWaveBlockBytes;
        if (whole == 0 || whole > 0xFFFF) {
            CLLog::writeFormat(kLogWrn, "GSM input refused: %u bytes.", size);
            return false;
        }
        return sendGsm(input, whole);
    }

    bool result = false;
    uint32_t taken = 0;
    while (taken < size) {
        if (m_gsmChunk.empty()) {
            const uint32_t chunk =
                uint32_t(m_nGsmDrift) < m_nGsmSwitchCount ? m_nGsmPacketSize[1] : m_nGsmPacketSize[0];
            if (chunk == 0) return false;
            m_gsmChunk.assign(chunk, 0);
            m_nGsmChunkFree = chunk;
        }
        const uint32_t n = std::min(m_nGsmChunkFree, size - taken);
        std::memcpy(m_gsmChunk.data() + (m_gsmChunk.size() - m_nGsmChunkFree), input + taken, n);
        m_nGsmChunkFree -= n;
        taken += n;
        if (m_nGsmChunkFree == 0) {
            const uint32_t chunk = uint32_t(m_gsmChunk.size());
            result = sendGsm(m_gsmChunk.data(), chunk);
            m_gsmChunk.clear();
            m_nGsmDrift += int32_t(size) - int32_t(chunk);
        }
    }
    return result;
}

bool CQuorixControl::VpexSendJitterCheck(uint32_t slot) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    const uint64_t now = GetTickCount();
    const uint64_t last = m_nLastJitterTick.load();
    if (now - last <= kJitterReportGapMs) return false;
    m_nLastJitterTick = now;
    bool complete;
    {
        CMutexLock lock(m_mutexParticipant);
        complete = m_pParticipant != nullptr && CheckClientId(int(slot));
    }
    CThreadSendVpex* thread = m_pThreadSendVpex[VPEX_CONN_VIDEO];
    const int kbps = thread != nullptr ? thread->GetBandWidth() : 0;
    uint8_t body[8] = {};
    PutLE32(body, uint32_t(kbps > 0 ? kbps : 0));
    return VpexSend(VPEX_CONN_VIDEO, VPEX_JITTER_CHECK, complete ? 1 : 0, m_nOwnClientId[VPEX_CONN_VIDEO],
                    body, sizeof body, 0, false);
}

void CQuorixControl::VpexOnRecvAudio(uint32_t sender, uint8_t* body, uint32_t length) {
    if (sender == VPEX_TARGET_ALL || m_pAudioTransfer == nullptr) {
        __free__(body);
        return;
    }
    const int32_t queued = m_pAudioTransfer->GetBufferCount();
    if (queued >= kAudioQueueLimit) {
        CLLog::writeFormat(kLogInf, "Audio Buffer Over. (count:%u)\n", uint32_t(queued));
        __free__(body);
        return;
    }
    const int slot = GetClientIndex(VPEX_CONN_AUDIO, sender);
    if (slot < 0 || !m_pAudioTransfer->Push(slot, body, int(length))) __free__(body);
}

void CQuorixControl::VpexOnRecvVideo(uint32_t sender, uint8_t* body, uint32_t length) {
    if (!m_bLogin || sender == VPEX_TARGET_ALL || m_pVideoTransfer == nullptr) {
        __free__(body);
        return;
    }
    const int slot = GetClientIndex(VPEX_CONN_VIDEO, sender);
    if (slot < 0) {
        __free__(body);
        return;
    }
    size_t decoders;
    {
        CMutexLock lock(m_mutexDecoderMobile);
        decoders = m_mapVideoDecoderMobile.size();
    }
    if (!m_pVideoTransfer->Push(slot, body, int(length), int(15 * decoders))) __free__(body);
}
