#include "crypto/Random.h"

CRandom::CRandom() {
    Seed(4357);
}

CRandom::CRandom(uint32_t seed) {
    Seed(seed);
}

void CRandom::Seed(uint32_t seed) {
    uint32_t x = seed | 1u;
    m_state[0] = x;
    for (int i = 1; i < N; ++i) {
        x *= 69069u;
        m_state[i] = x;
    }
    m_next = m_state;
    m_left = 0;
    m_seed = seed;
}

uint32_t CRandom::Temper(uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

uint32_t CRandom::Reload() {
    for (int i = 0; i < N; ++i) {
        uint32_t pair = (m_state[i] & 0x80000000u) | (m_state[(i + 1) % N] & 0x7FFFFFFFu);
        m_state[i] = m_state[(i + M) % N] ^ (pair >> 1) ^ ((pair & 1u) ? 0x9908B0DFu : 0u);
    }
    m_left = N - 1;
    m_next = m_state + 1;
    return Temper(m_state[0]);
}

uint32_t CRandom::Random() {
    if (--m_left < 0) return Reload();
    return Temper(*m_next++);
}
