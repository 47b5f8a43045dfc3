#include "video/PictureConverterSimd.h"

#include <atomic>
#include <cstddef>
#include <utility>

// The vector kernels rely on GCC's target pragmas, which clang does not take;
// a clang build (the fuzzing build) uses the portable kernels.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(__clang__)
#include <immintrin.h>
#define QUORIX_PICTURE_SIMD 1
#endif

namespace picture_simd {

#ifdef QUORIX_PICTURE_SIMD

// The 128-bit operations, one 16-pixel block per vector. Compiled in each target
// region below, so the AVX2 build of them uses the VEX encodings.
#define QUORIX_OPS128                                                                                  \
    struct O128 {                                                                                      \
        using V = __m128i;                                                                             \
        static constexpr int kBlocks = 1;                                                              \
        static V load(const uint8_t* p, ptrdiff_t) { return _mm_loadu_si128((const __m128i*)p); }      \
        static V load8(const uint8_t* p, ptrdiff_t) { return _mm_loadl_epi64((const __m128i*)p); }     \
        static void store(uint8_t* p, ptrdiff_t, V v) { _mm_storeu_si128((__m128i*)p, v); }            \
        static void store8(uint8_t* p, ptrdiff_t, V v) { _mm_storel_epi64((__m128i*)p, v); }           \
        static V bytes(char a, char b, char c, char d, char e, char f, char g, char h, char i, char j, \
                       char k, char l, char m, char n, char o, char p) {                               \
            return _mm_setr_epi8(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p);                      \
        }                                                                                              \
        static V zero() { return _mm_setzero_si128(); }                                                \
        static V set8(char x) { return _mm_set1_epi8(x); }                                             \
        static V set16(short x) { return _mm_set1_epi16(x); }                                          \
        static V set32(int x) { return _mm_set1_epi32(x); }                                            \
        static V pair16(short a, short b) {                                                            \
            return _mm_set1_epi32((uint16_t)a | ((uint32_t)(uint16_t)b << 16));                        \
        }                                                                                              \
        static V shuffle(V a, V m) { return _mm_shuffle_epi8(a, m); }                                  \
        template <int N>                                                                               \
        static V alignr(V hi, V lo) {                                                                  \
            return _mm_alignr_epi8(hi, lo, N);                                                         \
        }                                                                                              \
        template <int N>                                                                               \
        static V srli_bytes(V a) {                                                                     \
            return _mm_srli_si128(a, N);                                                               \
        }                                                                                              \
        template <int N>                                                                               \
        static V slli_bytes(V a) {                                                                     \
            return _mm_slli_si128(a, N);                                                               \
        }                                                                                              \
        template <int N>                                                                               \
        static V srli16(V a) {                                                                         \
            return _mm_srli_epi16(a, N);                                                               \
        }                                                                                              \
        template <int N>                                                                               \
        static V srai32(V a) {                                                                         \
            return _mm_srai_epi32(a, N);                                                               \
        }                                                                                              \
        static V unpacklo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }                               \
        static V unpackhi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }                               \
        static V unpacklo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }                             \
        static V unpackhi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }                             \
        static V unpacklo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }                             \
        static V unpackhi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }                             \
        static V unpacklo64(V a, V b) { return _mm_unpacklo_epi64(a, b); }                             \
        static V unpackhi64(V a, V b) { return _mm_unpackhi_epi64(a, b); }                             \
        static V add16(V a, V b) { return _mm_add_epi16(a, b); }                                       \
        static V sub16(V a, V b) { return _mm_sub_epi16(a, b); }                                       \
        static V add32(V a, V b) { return _mm_add_epi32(a, b); }                                       \
        static V mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }                                   \
        static V mulhi16(V a, V b) { return _mm_mulhi_epi16(a, b); }                                   \
        static V adds_epu16(V a, V b) { return _mm_adds_epu16(a, b); }                                 \
        static V cmpeq16(V a, V b) { return _mm_cmpeq_epi16(a, b); }                                   \
        static V madd(V a, V b) { return _mm_madd_epi16(a, b); }                                       \
        static V hadd16(V a, V b) { return _mm_hadd_epi16(a, b); }                                     \
        static V packs32(V a, V b) { return _mm_packs_epi32(a, b); }                                   \
        static V packus16(V a, V b) { return _mm_packus_epi16(a, b); }                                 \
        static V or_(V a, V b) { return _mm_or_si128(a, b); }                                          \
    };

#pragma GCC push_options
#pragma GCC target("ssse3")
namespace ssse3 {
QUORIX_OPS128
#include "video/PictureConverterKernels.inc"
Kernels Make() {
    return KernelSet<O128>::Make();
}
}  // namespace ssse3
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
QUORIX_OPS128

// Two 16-pixel blocks per vector, one in each 128-bit lane: block A at p, block B
// at p + step (step = the block's length in that buffer).
struct O256 {
    using V = __m256i;
    using Half = O128;
    static constexpr int kBlocks = 2;
    static V load(const uint8_t* p, ptrdiff_t step) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)p)),
                                       _mm_loadu_si128((const __m128i*)(p + step)), 1);
    }
    static V load8(const uint8_t* p, ptrdiff_t step) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadl_epi64((const __m128i*)p)),
                                       _mm_loadl_epi64((const __m128i*)(p + step)), 1);
    }
    static void store(uint8_t* p, ptrdiff_t step, V v) {
        _mm_storeu_si128((__m128i*)p, _mm256_castsi256_si128(v));
        _mm_storeu_si128((__m128i*)(p + step), _mm256_extracti128_si256(v, 1));
    }
    static void store8(uint8_t* p, ptrdiff_t step, V v) {
        _mm_storel_epi64((__m128i*)p, _mm256_castsi256_si128(v));
        _mm_storel_epi64((__m128i*)(p + step), _mm256_extracti128_si256(v, 1));
    }
    static V bytes(char a, char b, char c, char d, char e, char f, char g, char h, char i, char j, char k,
                   char l, char m, char n, char o, char p) {
        return _mm256_broadcastsi128_si256(_mm_setr_epi8(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p));
    }
    static V zero() { return _mm256_setzero_si256(); }
    static V set8(char x) { return _mm256_set1_epi8(x); }
    static V set16(short x) { return _mm256_set1_epi16(x); }
    static V set32(int x) { return _mm256_set1_epi32(x); }
    static V pair16(short a, short b) {
        return _mm256_set1_epi32((uint16_t)a | ((uint32_t)(uint16_t)b << 16));
    }
    static V shuffle(V a, V m) { return _mm256_shuffle_epi8(a, m); }
    template <int N>
    static V alignr(V hi, V lo) {
        return _mm256_alignr_epi8(hi, lo, N);
    }
    template <int N>
    static V srli_bytes(V a) {
        return _mm256_srli_si256(a, N);
    }
    template <int N>
    static V slli_bytes(V a) {
        return _mm256_slli_si256(a, N);
    }
    template <int N>
    static V srli16(V a) {
        return _mm256_srli_epi16(a, N);
    }
    template <int N>
    static V srai32(V a) {
        return _mm256_srai_epi32(a, N);
    }
    static V unpacklo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
    static V unpackhi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
    static V unpacklo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    static V unpacklo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
    static V unpackhi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
    static V unpacklo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
    static V unpackhi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
    static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static V adds_epu16(V a, V b) { return _mm256_adds_epu16(a, b); }
    static V cmpeq16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
    static V madd(V a, V b) { return _mm256_madd_epi16(a, b); }
    static V hadd16(V a, V b) { return _mm256_hadd_epi16(a, b); }
    static V packs32(V a, V b) { return _mm256_packs_epi32(a, b); }
    static V packus16(V a, V b) { return _mm256_packus_epi16(a, b); }
    static V or_(V a, V b) { return _mm256_or_si256(a, b); }
};

#include "video/PictureConverterKernels.inc"
Kernels Make() {
    return KernelSet<O256>::Make();
}
}  // namespace avx2
#pragma GCC pop_options

#undef QUORIX_OPS128

Level Supported() {
    static const Level level = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return kAvx2;
        if (__builtin_cpu_supports("ssse3")) return kSsse3;
        return kScalar;
    }();
    return level;
}

namespace {
const Kernels kNone{};
const Kernels& KernelsOf(Level level) {
    static const Kernels kSsse3Set = Supported() >= kSsse3 ? ssse3::Make() : Kernels{};
    static const Kernels kAvx2Set = Supported() >= kAvx2 ? avx2::Make() : Kernels{};
    switch (level) {
        case kAvx2:
            return kAvx2Set;
        case kSsse3:
            return kSsse3Set;
        default:
            return kNone;
    }
}
}  // namespace

#else  // no vector kernels on this processor family

Level Supported() {
    return kScalar;
}

namespace {
const Kernels kNone{};
const Kernels& KernelsOf(Level) {
    return kNone;
}
}  // namespace

#endif

namespace {
std::atomic<int> gWanted{kAvx2};
}

Level Current() {
    int wanted = gWanted.load(std::memory_order_relaxed);
    return wanted < Supported() ? static_cast<Level>(wanted) : Supported();
}

Level SetLevel(Level wanted) {
    gWanted.store(wanted, std::memory_order_relaxed);
    return Current();
}

const Kernels& Active() {
    return KernelsOf(Current());
}

}  // namespace picture_simd
