#include "audio/OpusCodec.h"

#include <opus/opus.h>

#include "tessel/TS_Common.h"

namespace {
bool IsOpusRate(int rate) {
    return rate == 8000 || rate == 12000 || rate == 16000 || rate == 24000 || rate == 48000;
}
}  // namespace

COpusEncoder::COpusEncoder(int iSamplingRate) {
    if (!IsOpusRate(iSamplingRate)) {
        DTrace(TS_LOG_ERROR, "Opus: encoder create error: invalid SamplingRate: %d\n", iSamplingRate);
        return;
    }
    int err = OPUS_OK;
    m_pEncoder = opus_encoder_create(iSamplingRate, 1, OPUS_APPLICATION_VOIP, &err);
    if (err != OPUS_OK || m_pEncoder == nullptr) {
        DTrace(TS_LOG_ERROR, "Opus: encoder create error: code= %d\n", err);
        if (m_pEncoder != nullptr) opus_encoder_destroy(m_pEncoder);
        m_pEncoder = nullptr;
        return;
    }
    opus_encoder_ctl(m_pEncoder, OPUS_SET_BITRATE(64000));
}

COpusEncoder::~COpusEncoder() {
    if (m_pEncoder != nullptr) opus_encoder_destroy(m_pEncoder);
}

int COpusEncoder::setBitRate(int iBitRate) {
    if (m_pEncoder == nullptr) return -1;
    if (iBitRate < 500 || iBitRate > 512000) {
        DTrace(TS_LOG_ERROR, "Opus: encoder set invalid iBitRate: %d, within 500 to 512000 bps\n", iBitRate);
        return -1;
    }
    int ret = opus_encoder_ctl(m_pEncoder, OPUS_SET_BITRATE(iBitRate));
    if (ret != OPUS_OK) {
        DTrace(TS_LOG_ERROR, "Opus: encoder failed to set iBitRate:%d, ret:%d\n", iBitRate, ret);
        return ret;
    }
    return 0;
}

int COpusEncoder::getBitRate() {
    if (m_pEncoder == nullptr) return -1;
    opus_int32 bitRate = 0;
    int ret = opus_encoder_ctl(m_pEncoder, OPUS_GET_BITRATE(&bitRate));
    if (ret != OPUS_OK) {
        DTrace(TS_LOG_ERROR, "Opus: encoder failed to get iBitRate(%d)\n", ret);
        return ret;
    }
    return bitRate;
}

int COpusEncoder::encode(const int16_t* pcm, int samples, unsigned char* out, int maxBytes) {
    if (m_pEncoder == nullptr) return -1;
    return opus_encode(m_pEncoder, pcm, samples, out, maxBytes);
}

COpusDecoder::COpusDecoder(int iSamplingRate) {
    int err = OPUS_OK;
    m_pDecoder = opus_decoder_create(iSamplingRate, 1, &err);
    if (err != OPUS_OK || m_pDecoder == nullptr) {
        DTrace(TS_LOG_ERROR, "Opus: decoder create error: code= %d\n", err);
        if (m_pDecoder != nullptr) opus_decoder_destroy(m_pDecoder);
        m_pDecoder = nullptr;
    }
}

COpusDecoder::~COpusDecoder() {
    if (m_pDecoder != nullptr) opus_decoder_destroy(m_pDecoder);
}

int COpusDecoder::decode(const unsigned char* data, int bytes, int16_t* pcm, int maxSamples) {
    if (m_pDecoder == nullptr) return -1;
    return opus_decode(m_pDecoder, data, bytes, pcm, maxSamples, 0);
}
