// What every fuzz target uses: reading a text or a buffer the code under
// test hands out, so that the sanitizers see a bad one.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorix::fuzz {

// Reads a text or a buffer completely, so that a pointer past its block or
// a missing terminator is found here.
inline std::atomic<uint32_t> g_sink{0};
inline void Touch(const char* text) {
    if (text != nullptr) g_sink.fetch_add(uint32_t(std::strlen(text)), std::memory_order_relaxed);
}
inline void TouchBytes(const uint8_t* bytes, int size) {
    if (bytes == nullptr || size <= 0) return;
    uint32_t sum = 0;
    for (int i = 0; i < size; ++i) sum += bytes[i];
    g_sink.fetch_add(sum, std::memory_order_relaxed);
}

inline void Count(size_t n) {
    g_sink.fetch_add(uint32_t(n), std::memory_order_relaxed);
}

}  // namespace quorix::fuzz
