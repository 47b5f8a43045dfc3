#include <gtest/gtest.h>

#include <random>
#include <sstream>

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

    // Reduced bases and moduli up to a little above 2^31 agree with a 128-bit reference.
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        uint64_t n = rng() % 0x80000100u + 2, x = rng() % n, y = rng() % 0x80000000u + 2;
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

// Recomputes the sender's choices from the generator and the clock as the
// exchange describes them, independently of CDH.
struct SenderModel {
    uint32_t seed = 0;
    uint64_t Prime(uint32_t t) {
        uint32_t v;
        do {
            seed += t;
            CRandom r(seed);
            uint32_t r1 = r.Random(), r2 = r.Random(), r3 = r.Random(), r4 = r.Random();
            v = ((r1 * r2 + 1) * (r3 + 2) * (r4 + 3)) & 0x7FFFFFFF;
            ++t;
        } while (v < 6);
        uint64_t p = v | 1;
        while (!CDH::MillerRabin(p, 5)) p += 2;
        return p;
    }
    uint64_t Exponent(uint32_t t) {
        seed += t;
        CRandom r(seed);
        uint32_t r1 = r.Random(), r2 = r.Random();
        return (r1 * r2 + 1) & 0x7FFFFFFF;
    }
};

TEST(DiffieHellmanTest, SenderValuesFollowTheClockAndGenerator) {
    for (uint32_t start : {1700000000u, 12345u, 0xFFFFFFF0u}) {
        uint32_t now = start;
        CDH dh([&now] { return now++; });
        uint64_t g, n, A;
        dh.CreateKeys(g, n);
        dh.CreateSenderInterKey(A);

        SenderModel model;
        uint64_t p1 = model.Prime(start), p2 = model.Prime(start + 1);
        uint64_t a = model.Exponent(start + 2);
        EXPECT_EQ(std::min(p1, p2), g);
        EXPECT_EQ(std::max(p1, p2), n);
        EXPECT_LT(g, n);
        EXPECT_GE(g, 7u);
        uint64_t value;
        dh.GetValue(value, CDH::DH_A);
        EXPECT_EQ(a, value);
        EXPECT_EQ(PowMod(g, a, n), A);

        // Keys already set are returned as they are.
        uint64_t g2, n2;
        dh.CreateKeys(g2, n2);
        EXPECT_EQ(g, g2);
        EXPECT_EQ(n, n2);
    }
}

// A clock stuck at 0 seeds both primes identically; g = n would make A = 0 and
// the key text constant, so the larger prime is moved to the next one.
TEST(DiffieHellmanTest, EqualPrimesNeverBecomeGAndN) {
    CDH dh([] { return 0u; });
    uint64_t g, n, A;
    dh.CreateKeys(g, n);
    SenderModel model;
    EXPECT_EQ(model.Prime(0), g);
    EXPECT_LT(g, n);
    EXPECT_TRUE(CDH::MillerRabin(n, 10));
    for (uint64_t odd = g + 2; odd < n; odd += 2) EXPECT_FALSE(CDH::MillerRabin(odd, 20)) << odd;
    dh.CreateSenderInterKey(A);
    EXPECT_NE(0u, A);
}

TEST(DiffieHellmanTest, SenderAndRecipientAgree) {
    uint32_t now = 1000;
    CDH sender([&now] { return now++; });
    CDH recipient([&now] { return now += 7; });
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
