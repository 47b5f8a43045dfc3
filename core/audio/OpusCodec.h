// Opus speech coding: one encoder for the microphone, one decoder per speaker slot.
#pragma once

#include <cstdint>

struct OpusEncoder;
struct OpusDecoder;

class COpusEncoder {
public:
    // The largest packet opus_encode can produce for one call; size encode buffers with it.
    static constexpr int kMaxPacketBytes = 4000;

    explicit COpusEncoder(int iSamplingRate);
    virtual ~COpusEncoder();
    COpusEncoder(const COpusEncoder&) = delete;
    COpusEncoder& operator=(const COpusEncoder&) = delete;

    bool IsValid() const { return m_pEncoder != nullptr; }
    int setBitRate(int iBitRate);
    int getBitRate();
    // Encodes one frame of `samples` mono samples; returns bytes written or a negative code.
    int encode(const int16_t* pcm, int samples, unsigned char* out, int maxBytes);

private:
    OpusEncoder* m_pEncoder = nullptr;
};

class COpusDecoder {
public:
    explicit COpusDecoder(int iSamplingRate);
    virtual ~COpusDecoder();
    COpusDecoder(const COpusDecoder&) = delete;
    COpusDecoder& operator=(const COpusDecoder&) = delete;

    // The longest frame an Opus packet holds (120 ms) at the given rate; size decode buffers with it.
    static int MaxFrameSamples(int iSamplingRate) { return iSamplingRate * 120 / 1000; }

    bool IsValid() const { return m_pDecoder != nullptr; }
    // Decodes one packet into at most maxSamples samples; returns samples or a negative code.
    int decode(const unsigned char* data, int bytes, int16_t* pcm, int maxSamples);

private:
    OpusDecoder* m_pDecoder = nullptr;
};
