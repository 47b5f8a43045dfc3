#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "crypto/DiffieHellman.h"
#include "crypto/Random.h"

namespace {

// std::mt19937 loaded with the same linear congruential state is the
// reference: its next output regenerates the state exactly as CRandom does.
std::mt19937 ReferenceTwister(uint32_t seed) {
    std::ostringstream state;
    uint32_t x = seed | 1u;
    for (int i = 0; i < 624; ++i) {
        state << x << ' ';
        x *= 69069u;
    }
    state << 624;  // position: regenerate before the next output
    std::mt19937 mt;
    std::istringstream in(state.str());
    in >> mt;
    return mt;
}

TEST(RandomTest, FollowsTheTwisterFromTheSeededState) {
    for (uint32_t seed : {4357u, 1u, 0u, 0xFFFFFFFFu, 1700000000u}) {
        CRandom r(seed);
        std::mt19937 ref = ReferenceTwister(seed);
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(ref(), r.Random()) << "seed " << seed << " draw " << i;
    }
    CRandom byDefault, seeded(4357);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(seeded.Random(), byDefault.Random());
}

TEST(RandomTest, LowestSeedBitIsAlwaysSet) {
    CRandom a(5489), b(5488), c(5490);
    bool differs = false;
    for (int i = 0; i < 700; ++i) {
        uint32_t x = a.Random();
        EXPECT_EQ(x, b.Random());
        differs |= x != c.Random();
    }
    EXPECT_TRUE(differs);
}

uint64_t MulMod(uint64_t a, uint64_t b, uint64_t n) {
    return uint64_t((unsigned __int128)a * b % n);
}
uint64_t PowMod(uint64_t x, uint64_t y, uint64_t n) {
    uint64_t r = 1 % n;
    x %= n;
    for (; y; y >>= 1, x = MulMod(x, x, n)) {
        if (y & 1) r = MulMod(r, x, n);
    }
    return r;
}

TEST(DiffieHellmanTest, ModularPower) {
    const struct {
        uint64_t x, y, n, result;
    } cases[] = {
        {3, 0, 7, 3},  // y < 2 gives x mod n, also for y = 0
        {10, 1, 7, 3},
        {3, 5, 7, 5},
        {2, 10, 1000, 24},
        {5, 6, 23, 8},
        {19, 6, 23, 2},
        {0, 5, 7, 0},
        {2147483647, 2147483646, 2147483659, PowMod(2147483647, 2147483646, 2147483659)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, CDH::XpowYmodN(c.x, c.y, c.n)) << c.x << "^" << c.y << " mod " << c.n;

    // Any base, reduced or not, with moduli up to a little above 2^31 agrees
    // with a 128-bit reference (an unreduced base of 2^32 and more used to
    // wrap the products).
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        uint64_t n = rng() % 0x80000100u + 2, y = rng() % 0x80000000u + 2;
        uint64_t x = i % 2 ? rng() % n : rng() >> (i % 40);
        ASSERT_EQ(PowMod(x, y, n), CDH::XpowYmodN(x, y, n)) << x << "^" << y << " mod " << n;
    }
}

TEST(DiffieHellmanTest, FermatTest) {
    EXPECT_TRUE(CDH::MillerRabin(7, 5));
    EXPECT_FALSE(CDH::MillerRabin(9, 5));  // no base from 2 to 7 gives a^8 mod 9 = 1
    EXPECT_TRUE(CDH::MillerRabin(2147483647, 5));
    EXPECT_FALSE(CDH::MillerRabin(2147483649ull, 5));  // 3 * 715827883
    EXPECT_TRUE(CDH::MillerRabin(9, 0));               // no rounds: passes
    // Too small for a base between 2 and n - 2: answered without drawing one.
    EXPECT_TRUE(CDH::MillerRabin(3, 5));
    EXPECT_FALSE(CDH::MillerRabin(1, 5));
    EXPECT_TRUE(CDH::IsItPrime(13, 2));
    EXPECT_FALSE(CDH::IsItPrime(15, 2));
}

// A source that hands out the given words in turn, then fails.
CDH::RandomSource Words(std::vector<uint32_t> words) {
    auto next = std::make_shared<size_t>(0);
    return [words, next](uint32_t& w) {
        if (*next >= words.size()) return false;
        w = words[(*next)++];
        return true;
    };
}

// The first probable prime at or above a drawn word with bit 30 and bit 0 set.
uint64_t PrimeFrom(uint32_t word) {
    uint64_t p = (word & 0x7FFFFFFFu) | 0x40000001u;
    while (!CDH::MillerRabin(p, 5)) p += 2;
    return p;
}

TEST(DiffieHellmanTest, SenderValuesComeFromTheSource) {
    const struct {
        std::vector<uint32_t> words;  // prime, prime, exponent draws
        uint64_t exponent;
    } cases[] = {
        {{0x12345678u, 0x9ABCDEF0u, 0x0BADBEEFu}, 0x0BADBEEFu},
        {{0xFFFFFFFFu, 0x00000000u, 0x80000005u}, 5},  // the top bit of a word is dropped
        {{7u, 7000000u, 0u, 0x80000001u, 2u}, 2},      // exponents 0 and 1 are drawn again
    };
    for (const auto& c : cases) {
        CDH dh(Words(c.words));
        uint64_t g, n, A;
        dh.CreateKeys(g, n);
        dh.CreateSenderInterKey(A);
        EXPECT_FALSE(dh.RandomFailed());
        const uint64_t p1 = PrimeFrom(c.words[0]), p2 = PrimeFrom(c.words[1]);
        EXPECT_EQ(std::min(p1, p2), g);
        EXPECT_EQ(std::max(p1, p2), n);
        EXPECT_GE(g, 1u << 30);  // never a small prime
        EXPECT_LT(n, 1u << 31);
        uint64_t a;
        dh.GetValue(a, CDH::DH_A);
        EXPECT_EQ(c.exponent, a);
        EXPECT_EQ(PowMod(g, a, n), A);

        // Keys already set are returned as they are.
        uint64_t g2, n2;
        dh.CreateKeys(g2, n2);
        EXPECT_EQ(g, g2);
        EXPECT_EQ(n, n2);
    }
}

// A source that fails is reported, so that no exchange offers values that
// are not secret.
TEST(DiffieHellmanTest, FailedSourceIsReported) {
    for (size_t words : {0u, 1u, 2u}) {
        CDH dh(Words(std::vector<uint32_t>(words, 0x55555555u)));
        uint64_t g, n, A;
        dh.CreateKeys(g, n);
        dh.CreateSenderInterKey(A);
        EXPECT_TRUE(dh.RandomFailed()) << words << " words";
    }
}

// Two exchanges started at the same moment offer different primes and public
// values: nothing of them follows from the time.
TEST(DiffieHellmanTest, SystemSourceNeverRepeats) {
    std::set<uint64_t> moduli, publics;
    for (int i = 0; i < 64; ++i) {
        CDH dh;
        uint64_t g, n, A;
        dh.CreateKeys(g, n);
        dh.CreateSenderInterKey(A);
        ASSERT_FALSE(dh.RandomFailed());
        EXPECT_GE(g, 1u << 30);
        EXPECT_LT(g, n);
        EXPECT_LT(n, 1u << 31);
        moduli.insert(n);
        publics.insert(A);
    }
    EXPECT_GT(moduli.size(), 60u);
    EXPECT_EQ(64u, publics.size());
}

// Equal draws give equal primes; g = n would make A = 0 and the key text
// constant, so the larger prime is moved to the next one.
TEST(DiffieHellmanTest, EqualPrimesNeverBecomeGAndN) {
    CDH dh(Words({0x2468ACE0u, 0x2468ACE0u, 12345u}));
    uint64_t g, n, A;
    dh.CreateKeys(g, n);
    EXPECT_EQ(PrimeFrom(0x2468ACE0u), g);
    EXPECT_LT(g, n);
    EXPECT_TRUE(CDH::MillerRabin(n, 10));
    for (uint64_t odd = g + 2; odd < n; odd += 2) EXPECT_FALSE(CDH::MillerRabin(odd, 20)) << odd;
    dh.CreateSenderInterKey(A);
    EXPECT_NE(0u, A);
}

// The peer's public value arrives as 64 bits; one that is not reduced modulo
// n gives the same key as its reduced form.
TEST(DiffieHellmanTest, UnreducedPeerValueGivesTheSameKey) {
    CDH dh;
    uint64_t g, n, A;
    dh.CreateKeys(g, n);
    dh.CreateSenderInterKey(A);
    uint64_t a;
    dh.GetValue(a, CDH::DH_A);
    const uint64_t B = PowMod(g, 987654321, n);
    const uint64_t expected = PowMod(B, a, n);
    for (uint64_t k : {0ull, 1ull, 4ull, 1ull << 20, (~0ull - B) / n}) {
        uint64_t K;
        dh.CreateSenderEncryptionKey(K, B + k * n);
        EXPECT_EQ(expected, K) << "B + " << k << " n";
    }
}

TEST(DiffieHellmanTest, SenderAndRecipientAgree) {
    CDH sender;
    CDH recipient;
    uint64_t g, n, A, B, Ks, Kr;
    sender.CreateKeys(g, n);
    sender.CreateSenderInterKey(A);
    recipient.CreateRecipientInterKey(B, g, n);
    sender.CreateSenderEncryptionKey(Ks, B);
    recipient.CreateRecipientEncryptionKey(Kr, A);
    EXPECT_EQ(Ks, Kr);
    uint64_t b;
    recipient.GetValue(b, CDH::DH_B);
    EXPECT_EQ(PowMod(g, b, n), B);
    EXPECT_EQ(PowMod(
                  B,
                  [&] {
                      uint64_t a;
                      sender.GetValue(a, CDH::DH_A);
                      return a;
                  }(),
                  n),
              Ks);

    sender.CleanMem(2);
    uint64_t v;
    sender.GetValue(v, CDH::DH_KEY);
    EXPECT_EQ(Ks, v);
    sender.GetValue(v, CDH::DH_G);
    EXPECT_EQ(0u, v);
    sender.CleanMem(0);
    sender.GetValue(v, CDH::DH_KEY);
    EXPECT_EQ(0u, v);
}

}  // namespace
