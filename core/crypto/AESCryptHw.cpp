#include "crypto/AESCryptHw.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define AES_HW_TARGET __attribute__((target("aes,sse2")))

namespace aes_hw {
namespace {

AES_HW_TARGET inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
AES_HW_TARGET inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

AES_HW_TARGET inline __m128i EncryptOne(const __m128i* rk, int rounds, __m128i b) {
    b = _mm_xor_si128(b, rk[0]);
    for (int r = 1; r < rounds; ++r) b = _mm_aesenc_si128(b, rk[r]);
    return _mm_aesenclast_si128(b, rk[rounds]);
}

AES_HW_TARGET inline __m128i DecryptOne(const __m128i* rk, int rounds, __m128i b) {
    b = _mm_xor_si128(b, rk[0]);
    for (int r = 1; r < rounds; ++r) b = _mm_aesdec_si128(b, rk[r]);
    return _mm_aesdeclast_si128(b, rk[rounds]);
}

// Decrypts four independent blocks at once (the instructions pipeline well).
AES_HW_TARGET inline void DecryptFour(const __m128i* rk, int rounds, __m128i& b0, __m128i& b1, __m128i& b2,
                                      __m128i& b3) {
    b0 = _mm_xor_si128(b0, rk[0]);
    b1 = _mm_xor_si128(b1, rk[0]);
    b2 = _mm_xor_si128(b2, rk[0]);
    b3 = _mm_xor_si128(b3, rk[0]);
    for (int r = 1; r < rounds; ++r) {
        b0 = _mm_aesdec_si128(b0, rk[r]);
        b1 = _mm_aesdec_si128(b1, rk[r]);
        b2 = _mm_aesdec_si128(b2, rk[r]);
        b3 = _mm_aesdec_si128(b3, rk[r]);
    }
    b0 = _mm_aesdeclast_si128(b0, rk[rounds]);
    b1 = _mm_aesdeclast_si128(b1, rk[rounds]);
    b2 = _mm_aesdeclast_si128(b2, rk[rounds]);
    b3 = _mm_aesdeclast_si128(b3, rk[rounds]);
}

AES_HW_TARGET inline void LoadKeys(const uint8_t* roundKeys, int rounds, __m128i* rk) {
    for (int r = 0; r <= rounds; ++r) rk[r] = Load(roundKeys + 16 * r);
}

}  // namespace

bool Available() {
    return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse2");
}

AES_HW_TARGET void EcbEncrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                              size_t blocks) {
    __m128i rk[15];
    LoadKeys(roundKeys, rounds, rk);
    for (size_t i = 0; i < blocks; ++i) Store(out + 16 * i, EncryptOne(rk, rounds, Load(in + 16 * i)));
}

AES_HW_TARGET void EcbDecrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                              size_t blocks) {
    __m128i rk[15];
    LoadKeys(roundKeys, rounds, rk);
    for (size_t i = 0; i < blocks; ++i) Store(out + 16 * i, DecryptOne(rk, rounds, Load(in + 16 * i)));
}

AES_HW_TARGET void CbcEncrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                              size_t blocks) {
    __m128i rk[15];
    LoadKeys(roundKeys, rounds, rk);
    __m128i chain = _mm_setzero_si128();
    for (size_t i = 0; i < blocks; ++i) {
        chain = EncryptOne(rk, rounds, _mm_xor_si128(Load(in + 16 * i), chain));
        Store(out + 16 * i, chain);
    }
}

AES_HW_TARGET void CbcDecrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                              size_t blocks) {
    __m128i rk[15];
    LoadKeys(roundKeys, rounds, rk);
    __m128i chain = _mm_setzero_si128();
    size_t i = 0;
    // Cipher blocks are read before the output is written, so in == out works.
    for (; i + 4 <= blocks; i += 4) {
        __m128i c0 = Load(in + 16 * i), c1 = Load(in + 16 * i + 16);
        __m128i c2 = Load(in + 16 * i + 32), c3 = Load(in + 16 * i + 48);
        __m128i p0 = c0, p1 = c1, p2 = c2, p3 = c3;
        DecryptFour(rk, rounds, p0, p1, p2, p3);
        Store(out + 16 * i, _mm_xor_si128(p0, chain));
        Store(out + 16 * i + 16, _mm_xor_si128(p1, c0));
        Store(out + 16 * i + 32, _mm_xor_si128(p2, c1));
        Store(out + 16 * i + 48, _mm_xor_si128(p3, c2));
        chain = c3;
    }
    for (; i < blocks; ++i) {
        __m128i c = Load(in + 16 * i);
        Store(out + 16 * i, _mm_xor_si128(DecryptOne(rk, rounds, c), chain));
        chain = c;
    }
}

}  // namespace aes_hw

#else

namespace aes_hw {
bool Available() {
    return false;
}
void EcbEncrypt(const uint8_t*, int, const uint8_t*, uint8_t*, size_t) {}
void EcbDecrypt(const uint8_t*, int, const uint8_t*, uint8_t*, size_t) {}
void CbcEncrypt(const uint8_t*, int, const uint8_t*, uint8_t*, size_t) {}
void CbcDecrypt(const uint8_t*, int, const uint8_t*, uint8_t*, size_t) {}
}  // namespace aes_hw

#endif
