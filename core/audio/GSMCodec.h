// GSM 06.10 coding: 160 samples (320 PCM bytes) per 33-byte frame.
#pragma once

#include <cstdint>

struct gsm_state;

class GSMCodec {
public:
    static constexpr int kWaveBlockBytes = 320;
    static constexpr int kGsmFrameBytes = 33;

    GSMCodec();
    ~GSMCodec();
    GSMCodec(const GSMCodec&) = delete;
    GSMCodec& operator=(const GSMCodec&) = delete;

    bool IsValid() const { return m_pGsm != nullptr; }

    // Encodes the whole 320-byte blocks of pcm into `out`, which must hold
    // CalcGsmSizeFromWaveSize(bytes) bytes; a shorter remainder is ignored.
    bool Encode(const int16_t* pcm, int bytes, unsigned char* out);
    // Decodes the whole 33-byte frames of `gsm` into `pcm`, which must hold
    // CalcWaveSizeFromGsmSize(bytes) bytes.
    bool Decode(const unsigned char* gsm, int bytes, int16_t* pcm);

    // Bounded forms: never write more than outCapacity bytes; only whole frames that fit are coded.
    bool Encode(const int16_t* pcm, int bytes, unsigned char* out, int outCapacity);
    bool Decode(const unsigned char* gsm, int bytes, int16_t* pcm, int pcmCapacity);

    static int CalcGsmSizeFromWaveSize(int n) { return n / kWaveBlockBytes * kGsmFrameBytes; }
    static int CalcWaveSizeFromGsmSize(int n) { return n / kGsmFrameBytes * kWaveBlockBytes; }

private:
    gsm_state* m_pGsm = nullptr;
};
