// Sample-rate conversion of 16-bit mono PCM through libswresample.
#pragma once

#include <cstdint>

struct SwrContext;

class CResampler {
public:
    // Receives each converted buffer of the callback form of Convert; the buffer is freed afterwards.
    using OutputCallback = void (*)(const uint8_t* pcm, int bytes);

    explicit CResampler(OutputCallback callback = nullptr);
    ~CResampler();
    CResampler(const CResampler&) = delete;
    CResampler& operator=(const CResampler&) = delete;

    bool Init(int32_t inRate, int32_t outRate);
    // Converts bytes / 2 samples. On success *out receives a buffer the caller frees with __free__
    // and *outBytes its length; on failure both stay as they were. Samples the converter holds
    // back come out with the next call of the same rate pair.
    bool Convert(const uint8_t* in, int bytes, int32_t inRate, int32_t outRate, uint8_t** out, int* outBytes);
    bool Convert(const uint8_t* in, int bytes, int32_t inRate, int32_t outRate);
    void Term();

private:
    int32_t m_iInRate = 0;
    int32_t m_iOutRate = 0;
    SwrContext* m_pContext = nullptr;
    OutputCallback m_pCallback = nullptr;
};
