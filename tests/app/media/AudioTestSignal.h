#pragma once

// Measures test tones: frequency from zero crossings, level as RMS.

#include <QByteArray>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <vector>

inline std::vector<std::int16_t> samplesOf(const QByteArray& bytes) {
    std::vector<std::int16_t> s(std::size_t(bytes.size()) / 2);
    std::memcpy(s.data(), bytes.constData(), s.size() * 2);
    return s;
}

// Frequency in Hz of a tone sampled at `rate` (upward zero crossings over the span).
inline double toneFrequency(const std::vector<std::int16_t>& s, int rate) {
    long first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (first < 0) first = long(i);
            last = long(i);
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return double(crossings - 1) * rate / double(last - first);
}

inline double rms(const std::vector<std::int16_t>& s) {
    if (s.empty()) return 0;
    double sum = 0;
    for (std::int16_t v : s) sum += double(v) * v;
    return std::sqrt(sum / double(s.size()));
}
