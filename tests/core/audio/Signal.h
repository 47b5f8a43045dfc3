// Generated test signals and simple measurements for the audio tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace audio_test {

// A tone of `hz` with its second harmonic at half amplitude, like a voiced sound.
inline std::vector<int16_t> Tone(int rate, double hz, int samples, double amplitude = 12000.0) {
    std::vector<int16_t> pcm(samples);
    for (int i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / rate;
        pcm[i] = static_cast<int16_t>(
            amplitude * (0.67 * std::sin(2 * M_PI * hz * t) + 0.33 * std::sin(2 * M_PI * 2 * hz * t)));
    }
    return pcm;
}

// Deterministic noise-like speech stand-in: white noise shaped by a slow envelope.
inline std::vector<int16_t> ModulatedNoise(int rate, int samples, uint32_t seed = 12345) {
    std::vector<int16_t> pcm(samples);
    uint32_t state = seed;
    for (int i = 0; i < samples; ++i) {
        state = state * 1664525u + 1013904223u;
        const double white = static_cast<int32_t>(state) / 2147483648.0;
        const double envelope = 0.55 + 0.45 * std::sin(2 * M_PI * 3.0 * i / rate);
        pcm[i] = static_cast<int16_t>(9000.0 * envelope * white);
    }
    return pcm;
}

inline double Energy(const int16_t* pcm, size_t n) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i) sum += static_cast<double>(pcm[i]) * pcm[i];
    return n > 0 ? sum / static_cast<double>(n) : 0.0;
}

inline double Energy(const std::vector<int16_t>& pcm, size_t from = 0) {
    return from < pcm.size() ? Energy(pcm.data() + from, pcm.size() - from) : 0.0;
}

// Power of one frequency (Goertzel).
inline double PowerAt(const int16_t* pcm, size_t n, int rate, double hz) {
    const double coeff = 2 * std::cos(2 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < n; ++i) {
        const double s0 = pcm[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coeff * s1 * s2;
}

// The strongest frequency between lowHz and highHz, searched in 5 Hz steps.
inline double DominantFrequency(const std::vector<int16_t>& pcm, int rate, double lowHz = 100,
                                double highHz = 3000, size_t from = 0) {
    double best = 0, bestHz = 0;
    for (double hz = lowHz; hz <= highHz; hz += 5) {
        const double p = PowerAt(pcm.data() + from, pcm.size() - from, rate, hz);
        if (p > best) {
            best = p;
            bestHz = hz;
        }
    }
    return bestHz;
}

// The settled part of a coded signal (after `from`) keeps the input's energy within
// the given ratios and its fundamental within 5 Hz.
#define EXPECT_SAME_SOUND(input, output, rate, hz, lowRatio, highRatio, from)                           \
    do {                                                                                                \
        const double energyRatio_ = audio_test::Energy(output, from) / audio_test::Energy(input, from); \
        EXPECT_GT(energyRatio_, lowRatio);                                                              \
        EXPECT_LT(energyRatio_, highRatio);                                                             \
        EXPECT_NEAR(audio_test::DominantFrequency(output, rate, 100, 1000, from), hz, 5.0);             \
    } while (0)

}  // namespace audio_test
