#include "crypto/DiffieHellman.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

CDH::CDH() : m_source(&CDH::SystemRandom) {}

CDH::CDH(RandomSource source) : m_source(std::move(source)) {}

CDH::~CDH() {
    CleanMem(0);
}

bool CDH::SystemRandom(uint32_t& word) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&word);
    size_t done = 0;
    while (done < sizeof word) {
        const ssize_t n = getrandom(bytes + done, sizeof word - done, 0);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    if (done == sizeof word) return true;
    // A kernel without the call: the same generator through its device.
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    while (done < sizeof word) {
        const ssize_t n = read(fd, bytes + done, sizeof word - done);
        if (n > 0) {
            done += size_t(n);
        } else if (!(n < 0 && errno == EINTR)) {
            break;
        }
    }
    close(fd);
    return done == sizeof word;
}

uint32_t CDH::Draw() {
    uint32_t word = 0;
    if (!m_source || !m_source(word)) {
        m_bRandomFailed = true;
        return 0;
    }
    return word;
}

uint64_t CDH::XpowYmodN(uint64_t x, uint64_t y, uint64_t n) {
    if (n == 0) return 0;  // no modulus: nothing sensible to compute
    // A peer's value need not be reduced: an unreduced base of 2^32 or more
    // would make the products below wrap.
    x %= n;
    if (y < 2) return x;
    if (y % 2 == 0) {
        uint64_t r = XpowYmodN(x, y / 2, n);
        return (r * r) % n;
    }
    uint64_t r = XpowYmodN(x, (y - 1) / 2, n);
    return (x * ((r * r) % n)) % n;
}

bool CDH::MillerRabin(uint64_t n, int rounds) {
    // The base is drawn from 2 to n - 2, which needs n >= 4.
    if (n < 4) return n == 2 || n == 3;
    for (int i = 0; i < rounds; ++i) {
        uint64_t a = static_cast<uint64_t>(std::rand()) % (n - 3) + 2;
        if (XpowYmodN(a, n - 1, n) != 1) return false;
    }
    return true;
}

bool CDH::IsItPrime(uint64_t n, uint64_t base) {
    return XpowYmodN(base, n - 1, n) == 1;
}

uint64_t CDH::GeneratePrime() {
    // Bit 30 set: never a small prime; the search upwards stops at 2^31 - 1
    // at the latest, which is prime.
    uint64_t p = (Draw() & 0x7FFFFFFFu) | 0x40000001u;
    while (!MillerRabin(p, 5)) p += 2;
    return p;
}

void CDH::CreateKeys(uint64_t& g, uint64_t& n) {
    if (m_g == 0 || m_n == 0) {
        uint64_t p1 = GeneratePrime();
        uint64_t p2 = GeneratePrime();
        // Equal primes would make g = n, so A = 0 and every key text the
        // same: take the next probable prime above instead.
        if (p2 == p1) {
            p2 = p1 + 2;
            while (!MillerRabin(p2, 5)) p2 += 2;
        }
        m_g = p1 < p2 ? p1 : p2;
        m_n = p1 < p2 ? p2 : p1;
    }
    g = m_g;
    n = m_n;
}

uint64_t CDH::DrawExponent() {
    uint64_t e = 0;
    do {
        e = Draw() & 0x7FFFFFFFu;
    } while (e < 2 && !m_bRandomFailed);
    return e;
}

void CDH::CreateSenderInterKey(uint64_t& A) {
    m_a = DrawExponent();
    m_A = XpowYmodN(m_g, m_a, m_n);
    A = m_A;
}

void CDH::CreateSenderEncryptionKey(uint64_t& K, uint64_t B) {
    m_B = B;
    m_K = XpowYmodN(B, m_a, m_n);
    K = m_K;
}

void CDH::CreateRecipientInterKey(uint64_t& B, uint64_t g, uint64_t n) {
    m_g = g;
    m_n = n;
    m_b = DrawExponent();
    m_B = XpowYmodN(m_g, m_b, m_n);
    B = m_B;
}

void CDH::CreateRecipientEncryptionKey(uint64_t& K, uint64_t A) {
    m_A = A;
    m_K = XpowYmodN(A, m_b, m_n);
    K = m_K;
}

void CDH::GetValue(uint64_t& out, int selector) const {
    switch (selector) {
        case DH_N:
            out = m_n;
            break;
        case DH_G:
            out = m_g;
            break;
        case DH_A:
            out = m_a;
            break;
        case DH_B:
            out = m_b;
            break;
        case DH_INTER_A:
            out = m_A;
            break;
        case DH_INTER_B:
            out = m_B;
            break;
        case DH_KEY:
            out = m_K;
            break;
        default:
            break;
    }
}

void CDH::CleanMem(int mode) {
    m_g = m_n = m_a = m_b = m_A = m_B = 0;
    if (mode != 2) m_K = 0;
}
