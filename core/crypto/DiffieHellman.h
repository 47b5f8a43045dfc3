// Diffie-Hellman on unsigned 64-bit integers, with primes of about 2^31 so that
// every product of two reduced values fits. The sender chooses g and n (two
// generated primes, the smaller one as base), its private exponent a and
// public value A; the shared value is K = B^a mod n. The secret numbers come
// from the operating system's random source (getrandom), so two exchanges
// never repeat each other and nobody can recompute them from the time; a test
// can hand in its own source.
#pragma once

#include <cstdint>
#include <functional>

class CDH {
public:
    // One 32-bit random word per call; false when the source has failed.
    using RandomSource = std::function<bool(uint32_t&)>;

    CDH();  // the operating system's random source
    explicit CDH(RandomSource source);
    ~CDH();

    // The operating system's random source: getrandom, /dev/urandom when the
    // call is missing; false when neither gives bytes.
    static bool SystemRandom(uint32_t& word);

    // x^y mod n by recursive squaring; x is reduced first, so the result is
    // exact for any x whenever n is below 2^32. For y < 2 the result is x mod n
    // (also for y = 0).
    static uint64_t XpowYmodN(uint64_t x, uint64_t y, uint64_t n);
    // A Fermat test with `rounds` bases from the process's rand().
    static bool MillerRabin(uint64_t n, int rounds);
    // Whether base^(n-1) mod n is 1.
    static bool IsItPrime(uint64_t n, uint64_t base);

    // A probable prime from 2^30 to 2^31 - 1 from the random source.
    uint64_t GeneratePrime();
    void CreateKeys(uint64_t& g, uint64_t& n);
    void CreateSenderInterKey(uint64_t& A);
    void CreateSenderEncryptionKey(uint64_t& K, uint64_t B);
    void CreateRecipientInterKey(uint64_t& B, uint64_t g, uint64_t n);
    void CreateRecipientEncryptionKey(uint64_t& K, uint64_t A);
    // True once the random source has failed: the values drawn since are not
    // secret and must not be used.
    bool RandomFailed() const { return m_bRandomFailed; }

    enum { DH_N = 1, DH_G = 2, DH_A = 3, DH_B = 4, DH_INTER_A = 5, DH_INTER_B = 6, DH_KEY = 7 };
    // Copies one value by selector: 1 n, 2 g, 3 a, 4 b, 5 A, 6 B, 7 K.
    void GetValue(uint64_t& out, int selector) const;
    // Clears g, n, a, b, A and B, and K unless mode is 2.
    void CleanMem(int mode);

private:
    uint32_t Draw();
    uint64_t DrawExponent();

    uint64_t m_g = 0;
    uint64_t m_n = 0;
    uint64_t m_a = 0;
    uint64_t m_b = 0;
    uint64_t m_A = 0;
    uint64_t m_B = 0;
    uint64_t m_K = 0;
    bool m_bRandomFailed = false;
    RandomSource m_source;
};
