// MT19937 pseudo-random generator (the Mersenne Twister of 1998), seeded by a
// linear congruential sequence: word 0 is the seed with its lowest bit set,
// word i is word i-1 times 69069. Peers that derive values from the same seed
// depend on this exact sequence.
#pragma once

#include <cstdint>

class CRandom {
public:
    enum { N = 624, M = 397 };

    CRandom();  // seed 4357
    explicit CRandom(uint32_t seed);

    void Seed(uint32_t seed);
    uint32_t Random();
    uint32_t Reload();  // regenerates the state and returns the first output

private:
    static uint32_t Temper(uint32_t y);

    uint32_t m_state[N];
    uint32_t* m_next;
    int32_t m_left;
    uint32_t m_seed;
};
