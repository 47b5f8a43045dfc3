// Diffie-Hellman on unsigned 64-bit integers, with primes below about 2^31 so
// that every product fits. The sender chooses g and n (two generated primes,
// the smaller one as base), its private exponent a and public value A; the
// shared value is K = B^a mod n. All randomness comes from CRandom generators
// seeded with sums of the current time (seconds); the clock can be replaced.
#pragma once

#include <cstdint>
#include <functional>

class CDH {
public:
    using Clock = std::function<uint32_t()>;  // current time in seconds, low 32 bits

    CDH();
    explicit CDH(Clock clock);
    ~CDH();

    // x^y mod n by recursive squaring in wrapping 64-bit arithmetic; for y < 2
    // the result is x mod n (also for y = 0). x is not reduced first.
    static uint64_t XpowYmodN(uint64_t x, uint64_t y, uint64_t n);
    // A Fermat test with `rounds` bases from the process's rand().
    static bool MillerRabin(uint64_t n, int rounds);
    // Whether base^(n-1) mod n is 1.
    static bool IsItPrime(uint64_t n, uint64_t base);

    uint64_t GeneratePrime();
    void CreateKeys(uint64_t& g, uint64_t& n);
    void CreateSenderInterKey(uint64_t& A);
    void CreateSenderEncryptionKey(uint64_t& K, uint64_t B);
    void CreateRecipientInterKey(uint64_t& B, uint64_t g, uint64_t n);
    void CreateRecipientEncryptionKey(uint64_t& K, uint64_t A);

    enum { DH_N = 1, DH_G = 2, DH_A = 3, DH_B = 4, DH_INTER_A = 5, DH_INTER_B = 6, DH_KEY = 7 };
    // Copies one value by selector: 1 n, 2 g, 3 a, 4 b, 5 A, 6 B, 7 K.
    void GetValue(uint64_t& out, int selector) const;
    // Clears g, n, a, b, A and B, and K unless mode is 2.
    void CleanMem(int mode);

private:
    uint32_t Now() const;
    uint64_t DrawExponent();

    uint64_t m_g = 0;
    uint64_t m_n = 0;
    uint64_t m_a = 0;
    uint64_t m_b = 0;
    uint64_t m_A = 0;
    uint64_t m_B = 0;
    uint64_t m_K = 0;
    uint32_t m_seed = 0;  // every generator is seeded with this after adding the time
    Clock m_clock;
};
