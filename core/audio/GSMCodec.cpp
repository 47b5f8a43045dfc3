#include "audio/GSMCodec.h"

#include <gsm.h>

#include <algorithm>

namespace {
constexpr int kBlockSamples = GSMCodec::kWaveBlockBytes / 2;
}

GSMCodec::GSMCodec() : m_pGsm(gsm_create()) {}

GSMCodec::~GSMCodec() {
    if (m_pGsm != nullptr) gsm_destroy(m_pGsm);
}

bool GSMCodec::Encode(const int16_t* pcm, int bytes, unsigned char* out) {
    return Encode(pcm, bytes, out, CalcGsmSizeFromWaveSize(bytes));
}

bool GSMCodec::Decode(const unsigned char* gsm, int bytes, int16_t* pcm) {
    return Decode(gsm, bytes, pcm, CalcWaveSizeFromGsmSize(bytes));
}

bool GSMCodec::Encode(const int16_t* pcm, int bytes, unsigned char* out, int outCapacity) {
    if (m_pGsm == nullptr) return false;
    const int blocks = std::min(bytes / kWaveBlockBytes, outCapacity / kGsmFrameBytes);
    for (int i = 0; i < blocks; ++i) {
        // libgsm takes a non-const pointer but only reads the source block.
        gsm_encode(m_pGsm, const_cast<gsm_signal*>(pcm + i * kBlockSamples), out + i * kGsmFrameBytes);
    }
    return true;
}

bool GSMCodec::Decode(const unsigned char* gsm, int bytes, int16_t* pcm, int pcmCapacity) {
    if (m_pGsm == nullptr) return false;
    const int frames = std::min(bytes / kGsmFrameBytes, pcmCapacity / kWaveBlockBytes);
    for (int i = 0; i < frames; ++i) {
        gsm_decode(m_pGsm, const_cast<gsm_byte*>(gsm + i * kGsmFrameBytes), pcm + i * kBlockSamples);
    }
    return true;
}
