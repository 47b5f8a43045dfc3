#include "audio/Resampler.h"

#include <cstdio>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "tessel/TS_Common.h"

CResampler::CResampler(OutputCallback callback) : m_pCallback(callback) {}

CResampler::~CResampler() {
    Term();
}

void CResampler::Term() {
    swr_free(&m_pContext);
}

bool CResampler::Init(int32_t inRate, int32_t outRate) {
    Term();
    m_pContext = swr_alloc();
    if (m_pContext == nullptr) {
        std::fprintf(stderr, "Could not allocate resampler context\n");
        return false;
    }
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    av_opt_set_chlayout(m_pContext, "in_chlayout", &mono, 0);
    av_opt_set_chlayout(m_pContext, "out_chlayout", &mono, 0);
    av_opt_set_int(m_pContext, "in_sample_rate", inRate, 0);
    av_opt_set_int(m_pContext, "out_sample_rate", outRate, 0);
    av_opt_set_sample_fmt(m_pContext, "in_sample_fmt", AV_SAMPLE_FMT_S16, 0);
    av_opt_set_sample_fmt(m_pContext, "out_sample_fmt", AV_SAMPLE_FMT_S16, 0);
    if (swr_init(m_pContext) < 0) {
        std::fprintf(stderr, "Failed to initialize the resampling context\n");
        swr_free(&m_pContext);
        return false;
    }
    m_iInRate = inRate;
    m_iOutRate = outRate;
    return true;
}

bool CResampler::Convert(const uint8_t* in, int bytes, int32_t inRate, int32_t outRate, uint8_t** out,
                         int* outBytes) {
    if (out == nullptr || outBytes == nullptr) return false;
    if (m_pContext == nullptr || inRate != m_iInRate || outRate != m_iOutRate) {
        if (!Init(inRate, outRate)) return false;
    }
    const int inSamples = bytes / 2;
    const int64_t capacity =
        av_rescale_rnd(swr_get_delay(m_pContext, inRate) + inSamples, outRate, inRate, AV_ROUND_UP);
    auto* buffer = static_cast<uint8_t*>(__malloc__(capacity > 0 ? capacity * 2 : 1));
    int samples = -1;
    if (buffer != nullptr) {
        uint8_t* outPlanes[1] = {buffer};
        const uint8_t* inPlanes[1] = {in};
        samples = swr_convert(m_pContext, outPlanes, static_cast<int>(capacity), inPlanes, inSamples);
    }
    if (samples < 1) {
        std::fprintf(stderr, "Error while audio converting\n");
        __free__(buffer);
        return false;
    }
    *out = buffer;
    *outBytes = samples * 2;
    return true;
}

bool CResampler::Convert(const uint8_t* in, int bytes, int32_t inRate, int32_t outRate) {
    if (m_pCallback == nullptr) return false;
    uint8_t* out = nullptr;
    int outBytes = 0;
    if (!Convert(in, bytes, inRate, outRate, &out, &outBytes)) return false;
    m_pCallback(out, outBytes);
    __free__(out);
    return true;
}
