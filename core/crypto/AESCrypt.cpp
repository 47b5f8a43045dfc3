#include "crypto/AESCrypt.h"

#include <strings.h>

#include <atomic>
#include <cstring>

#include "crypto/AESCryptHw.h"

namespace {

constexpr uint8_t XTime(uint8_t x) {
    return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1b : 0));
}

constexpr uint8_t GMul(uint8_t a, uint8_t b) {
    uint8_t p = 0;
    while (b) {
        if (b & 1) p ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return p;
}

constexpr uint32_t RotR(uint32_t w, int n) {
    return (w >> n) | (w << (32 - n));
}
constexpr uint8_t RotL8(uint8_t b, int n) {
    return static_cast<uint8_t>((b << n) | (b >> (8 - n)));
}

struct Tables {
    uint8_t S[256];
    uint8_t Si[256];
    uint32_t Te[4][256];
    uint32_t Td[4][256];
    uint32_t Rcon[32];
};

// The S-box is the multiplicative inverse in GF(2^8) followed by the affine
// map; the round tables fold SubBytes and MixColumns (or their inverses).
constexpr Tables MakeTables() {
    Tables t{};
    uint8_t exp[256] = {}, log[256] = {};
    uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = p;
        log[p] = static_cast<uint8_t>(i);
        p = GMul(p, 3);
    }
    for (int x = 0; x < 256; ++x) {
        uint8_t inv = x ? exp[(255 - log[x]) % 255] : 0;
        uint8_t s =
            static_cast<uint8_t>(inv ^ RotL8(inv, 1) ^ RotL8(inv, 2) ^ RotL8(inv, 3) ^ RotL8(inv, 4) ^ 0x63);
        t.S[x] = s;
        t.Si[s] = static_cast<uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        uint8_t s = t.S[x], si = t.Si[x];
        uint32_t e = (uint32_t(GMul(s, 2)) << 24) | (uint32_t(s) << 16) | (uint32_t(s) << 8) | GMul(s, 3);
        uint32_t d = (uint32_t(GMul(si, 14)) << 24) | (uint32_t(GMul(si, 9)) << 16) |
                     (uint32_t(GMul(si, 13)) << 8) | GMul(si, 11);
        for (int k = 0; k < 4; ++k) {
            t.Te[k][x] = k ? RotR(e, 8 * k) : e;
            t.Td[k][x] = k ? RotR(d, 8 * k) : d;
        }
    }
    uint8_t r = 1;
    for (int i = 1; i < 32; ++i) {
        t.Rcon[i] = uint32_t(r) << 24;
        r = XTime(r);
    }
    return t;
}

constexpr Tables T = MakeTables();

inline uint32_t LoadBE(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline void StoreBE(uint8_t* p, uint32_t w) {
    p[0] = uint8_t(w >> 24);
    p[1] = uint8_t(w >> 16);
    p[2] = uint8_t(w >> 8);
    p[3] = uint8_t(w);
}
inline uint32_t SubWord(uint32_t w) {
    return (uint32_t(T.S[w >> 24]) << 24) | (uint32_t(T.S[(w >> 16) & 0xff]) << 16) |
           (uint32_t(T.S[(w >> 8) & 0xff]) << 8) | T.S[w & 0xff];
}
inline uint32_t InvMixColumn(uint32_t w) {
    return T.Td[0][T.S[w >> 24]] ^ T.Td[1][T.S[(w >> 16) & 0xff]] ^ T.Td[2][T.S[(w >> 8) & 0xff]] ^
           T.Td[3][T.S[w & 0xff]];
}

// Row shift offsets of rows 1 to 3 by the block's column count (4, 6 or 8).
inline void ShiftOffsets(int nb, int& c1, int& c2, int& c3) {
    c1 = 1;
    c2 = nb == 8 ? 3 : 2;
    c3 = nb == 8 ? 4 : 3;
}

inline void XorBlock(uint8_t* dst, const uint8_t* a, const uint8_t* b, int n) {
    for (int i = 0; i < n; ++i) dst[i] = a[i] ^ b[i];
}

std::atomic<bool> g_hardwareAllowed{true};

}  // namespace

CAESCrypt::CAESCrypt() = default;

CAESCrypt::~CAESCrypt() {
    // Round keys are secrets: clear them.
    explicit_bzero(m_Ke, sizeof(m_Ke));
    explicit_bzero(m_Kd, sizeof(m_Kd));
    explicit_bzero(m_hwEnc, sizeof(m_hwEnc));
    explicit_bzero(m_hwDec, sizeof(m_hwDec));
}

void CAESCrypt::SetHardwareAllowed(bool allowed) {
    g_hardwareAllowed.store(allowed);
}

bool CAESCrypt::HardwareAvailable() {
    static const bool available = aes_hw::Available();
    return available;
}

void CAESCrypt::MemCpy(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n) std::memmove(dst, src, n);
}

void CAESCrypt::MemSet(uint8_t* dst, uint8_t value, size_t n) {
    if (n) std::memset(dst, value, n);
}

int CAESCrypt::MakeKey(const uint8_t* key, const uint8_t* chain, int keyLength, int blockSize) {
    if (!key) return -1;
    if (keyLength != 16 && keyLength != 24 && keyLength != 32) return -2;
    if (blockSize != 16 && blockSize != 24 && blockSize != 32) return -3;

    m_keyLength = keyLength;
    m_blockSize = blockSize;
    const int nk = keyLength / 4, nb = blockSize / 4;
    m_rounds = (nk > nb ? nk : nb) + 6;

    if (chain) {
        MemCpy(m_chain0, chain, blockSize);
    } else {
        MemSet(m_chain0, 0, sizeof(m_chain0));
    }
    MemCpy(m_chain, m_chain0, sizeof(m_chain));

    for (int i = 0; i < nk; ++i) m_tk[i] = LoadBE(key + 4 * i);

    // Expand the key into (rounds + 1) round keys of nb words each.
    const int total = nb * (m_rounds + 1);
    uint32_t w[(MAX_ROUNDS + 1) * 8];
    for (int i = 0; i < total; ++i) {
        uint32_t v;
        if (i < nk) {
            v = m_tk[i];
        } else {
            uint32_t temp = w[i - 1];
            if (i % nk == 0) {
                temp = SubWord((temp << 8) | (temp >> 24)) ^ T.Rcon[i / nk];
            } else if (nk > 6 && i % nk == 4) {
                temp = SubWord(temp);
            }
            v = w[i - nk] ^ temp;
        }
        w[i] = v;
        m_Ke[i / nb][i % nb] = v;
    }
    for (int j = 0; j < nb; ++j) {
        m_Kd[0][j] = m_Ke[m_rounds][j];
        m_Kd[m_rounds][j] = m_Ke[0][j];
    }
    for (int r = 1; r < m_rounds; ++r) {
        for (int j = 0; j < nb; ++j) m_Kd[r][j] = InvMixColumn(m_Ke[m_rounds - r][j]);
    }
    std::memset(w, 0, sizeof(w));
    std::memset(m_tk, 0, sizeof(m_tk));

    m_hardware = blockSize == 16 && g_hardwareAllowed.load() && HardwareAvailable();
    if (m_hardware) {
        for (int r = 0; r <= m_rounds; ++r) {
            for (int j = 0; j < 4; ++j) {
                StoreBE(m_hwEnc + 16 * r + 4 * j, m_Ke[r][j]);
                StoreBE(m_hwDec + 16 * r + 4 * j, m_Kd[r][j]);
            }
        }
    }
    m_bKeyInit = true;
    return 1;
}

void CAESCrypt::DefEncryptBlock(const uint8_t* in, uint8_t* out) const {
    const uint32_t(*rk)[8] = m_Ke;
    uint32_t s0 = LoadBE(in) ^ rk[0][0], s1 = LoadBE(in + 4) ^ rk[0][1];
    uint32_t s2 = LoadBE(in + 8) ^ rk[0][2], s3 = LoadBE(in + 12) ^ rk[0][3];
    for (int r = 1; r < m_rounds; ++r) {
        uint32_t t0 =
            T.Te[0][s0 >> 24] ^ T.Te[1][(s1 >> 16) & 0xff] ^ T.Te[2][(s2 >> 8) & 0xff] ^ T.Te[3][s3 & 0xff];
        uint32_t t1 =
            T.Te[0][s1 >> 24] ^ T.Te[1][(s2 >> 16) & 0xff] ^ T.Te[2][(s3 >> 8) & 0xff] ^ T.Te[3][s0 & 0xff];
        uint32_t t2 =
            T.Te[0][s2 >> 24] ^ T.Te[1][(s3 >> 16) & 0xff] ^ T.Te[2][(s0 >> 8) & 0xff] ^ T.Te[3][s1 & 0xff];
        uint32_t t3 =
            T.Te[0][s3 >> 24] ^ T.Te[1][(s0 >> 16) & 0xff] ^ T.Te[2][(s1 >> 8) & 0xff] ^ T.Te[3][s2 & 0xff];
        s0 = t0 ^ rk[r][0];
        s1 = t1 ^ rk[r][1];
        s2 = t2 ^ rk[r][2];
        s3 = t3 ^ rk[r][3];
    }
    const uint32_t* last = rk[m_rounds];
    auto lastColumn = [](uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t k) {
        return ((uint32_t(T.S[a >> 24]) << 24) | (uint32_t(T.S[(b >> 16) & 0xff]) << 16) |
                (uint32_t(T.S[(c >> 8) & 0xff]) << 8) | T.S[d & 0xff]) ^
               k;
    };
    StoreBE(out, lastColumn(s0, s1, s2, s3, last[0]));
    StoreBE(out + 4, lastColumn(s1, s2, s3, s0, last[1]));
    StoreBE(out + 8, lastColumn(s2, s3, s0, s1, last[2]));
    StoreBE(out + 12, lastColumn(s3, s0, s1, s2, last[3]));
}

void CAESCrypt::DefDecryptBlock(const uint8_t* in, uint8_t* out) const {
    const uint32_t(*rk)[8] = m_Kd;
    uint32_t s0 = LoadBE(in) ^ rk[0][0], s1 = LoadBE(in + 4) ^ rk[0][1];
    uint32_t s2 = LoadBE(in + 8) ^ rk[0][2], s3 = LoadBE(in + 12) ^ rk[0][3];
    for (int r = 1; r < m_rounds; ++r) {
        uint32_t t0 =
            T.Td[0][s0 >> 24] ^ T.Td[1][(s3 >> 16) & 0xff] ^ T.Td[2][(s2 >> 8) & 0xff] ^ T.Td[3][s1 & 0xff];
        uint32_t t1 =
            T.Td[0][s1 >> 24] ^ T.Td[1][(s0 >> 16) & 0xff] ^ T.Td[2][(s3 >> 8) & 0xff] ^ T.Td[3][s2 & 0xff];
        uint32_t t2 =
            T.Td[0][s2 >> 24] ^ T.Td[1][(s1 >> 16) & 0xff] ^ T.Td[2][(s0 >> 8) & 0xff] ^ T.Td[3][s3 & 0xff];
        uint32_t t3 =
            T.Td[0][s3 >> 24] ^ T.Td[1][(s2 >> 16) & 0xff] ^ T.Td[2][(s1 >> 8) & 0xff] ^ T.Td[3][s0 & 0xff];
        s0 = t0 ^ rk[r][0];
        s1 = t1 ^ rk[r][1];
        s2 = t2 ^ rk[r][2];
        s3 = t3 ^ rk[r][3];
    }
    const uint32_t* last = rk[m_rounds];
    auto lastColumn = [](uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t k) {
        return ((uint32_t(T.Si[a >> 24]) << 24) | (uint32_t(T.Si[(b >> 16) & 0xff]) << 16) |
                (uint32_t(T.Si[(c >> 8) & 0xff]) << 8) | T.Si[d & 0xff]) ^
               k;
    };
    StoreBE(out, lastColumn(s0, s3, s2, s1, last[0]));
    StoreBE(out + 4, lastColumn(s1, s0, s3, s2, last[1]));
    StoreBE(out + 8, lastColumn(s2, s1, s0, s3, last[2]));
    StoreBE(out + 12, lastColumn(s3, s2, s1, s0, last[3]));
}

// Any block size: column j of a round reads columns j, j+c1, j+c2, j+c3.
void CAESCrypt::GenEncryptBlock(const uint8_t* in, uint8_t* out) const {
    const int nb = m_blockSize / 4;
    int c1, c2, c3;
    ShiftOffsets(nb, c1, c2, c3);
    uint32_t s[8], t[8];
    for (int j = 0; j < nb; ++j) s[j] = LoadBE(in + 4 * j) ^ m_Ke[0][j];
    for (int r = 1; r < m_rounds; ++r) {
        for (int j = 0; j < nb; ++j) {
            t[j] = T.Te[0][s[j] >> 24] ^ T.Te[1][(s[(j + c1) % nb] >> 16) & 0xff] ^
                   T.Te[2][(s[(j + c2) % nb] >> 8) & 0xff] ^ T.Te[3][s[(j + c3) % nb] & 0xff] ^ m_Ke[r][j];
        }
        std::memcpy(s, t, sizeof(uint32_t) * nb);
    }
    for (int j = 0; j < nb; ++j) {
        uint32_t v = (uint32_t(T.S[s[j] >> 24]) << 24) |
                     (uint32_t(T.S[(s[(j + c1) % nb] >> 16) & 0xff]) << 16) |
                     (uint32_t(T.S[(s[(j + c2) % nb] >> 8) & 0xff]) << 8) | T.S[s[(j + c3) % nb] & 0xff];
        StoreBE(out + 4 * j, v ^ m_Ke[m_rounds][j]);
    }
}

void CAESCrypt::GenDecryptBlock(const uint8_t* in, uint8_t* out) const {
    const int nb = m_blockSize / 4;
    int c1, c2, c3;
    ShiftOffsets(nb, c1, c2, c3);
    uint32_t s[8], t[8];
    for (int j = 0; j < nb; ++j) s[j] = LoadBE(in + 4 * j) ^ m_Kd[0][j];
    for (int r = 1; r < m_rounds; ++r) {
        for (int j = 0; j < nb; ++j) {
            t[j] = T.Td[0][s[j] >> 24] ^ T.Td[1][(s[(j + nb - c1) % nb] >> 16) & 0xff] ^
                   T.Td[2][(s[(j + nb - c2) % nb] >> 8) & 0xff] ^ T.Td[3][s[(j + nb - c3) % nb] & 0xff] ^
                   m_Kd[r][j];
        }
        std::memcpy(s, t, sizeof(uint32_t) * nb);
    }
    for (int j = 0; j < nb; ++j) {
        uint32_t v = (uint32_t(T.Si[s[j] >> 24]) << 24) |
                     (uint32_t(T.Si[(s[(j + nb - c1) % nb] >> 16) & 0xff]) << 16) |
                     (uint32_t(T.Si[(s[(j + nb - c2) % nb] >> 8) & 0xff]) << 8) |
                     T.Si[s[(j + nb - c3) % nb] & 0xff];
        StoreBE(out + 4 * j, v ^ m_Kd[m_rounds][j]);
    }
}

void CAESCrypt::EncryptBlock(const uint8_t* in, uint8_t* out) {
    if (!m_bKeyInit) return;
    if (m_hardware) {
        aes_hw::EcbEncrypt(m_hwEnc, m_rounds, in, out, 1);
    } else if (m_blockSize == 16) {
        DefEncryptBlock(in, out);
    } else {
        GenEncryptBlock(in, out);
    }
}

void CAESCrypt::DecryptBlock(const uint8_t* in, uint8_t* out) {
    if (!m_bKeyInit) return;
    if (m_hardware) {
        aes_hw::EcbDecrypt(m_hwDec, m_rounds, in, out, 1);
    } else if (m_blockSize == 16) {
        DefDecryptBlock(in, out);
    } else {
        GenDecryptBlock(in, out);
    }
}

int CAESCrypt::CheckCall(size_t n, int mode) const {
    if (!m_bKeyInit) return -1;
    if (n == 0 || n % static_cast<size_t>(m_blockSize) != 0) return -2;
    if (mode != ECB && mode != CBC && mode != CFB) return -3;
    return 1;
}

int CAESCrypt::Encrypt(const uint8_t* in, uint8_t* out, size_t n, int mode) {
    int rc = CheckCall(n, mode);
    if (rc != 1) return rc;
    const int bs = m_blockSize;
    const size_t blocks = n / bs;
    if (m_hardware && mode != CFB) {
        if (mode == ECB) {
            aes_hw::EcbEncrypt(m_hwEnc, m_rounds, in, out, blocks);
        } else {
            aes_hw::CbcEncrypt(m_hwEnc, m_rounds, in, out, blocks);
        }
        return 1;
    }
    MemSet(m_chain, 0, sizeof(m_chain));
    uint8_t tmp[MAX_BLOCK_SIZE];
    for (size_t b = 0; b < blocks; ++b, in += bs, out += bs) {
        switch (mode) {
            case ECB:
                EncryptBlock(in, out);
                break;
            case CBC:
                XorBlock(tmp, in, m_chain, bs);
                EncryptBlock(tmp, out);
                MemCpy(m_chain, out, bs);
                break;
            default:  // CFB: the key stream is the encrypted previous cipher block
                EncryptBlock(m_chain, tmp);
                XorBlock(out, in, tmp, bs);
                MemCpy(m_chain, out, bs);
                break;
        }
    }
    return 1;
}

int CAESCrypt::Decrypt(const uint8_t* in, uint8_t* out, size_t n, int mode) {
    int rc = CheckCall(n, mode);
    if (rc != 1) return rc;
    const int bs = m_blockSize;
    const size_t blocks = n / bs;
    if (m_hardware && mode != CFB) {
        if (mode == ECB) {
            aes_hw::EcbDecrypt(m_hwDec, m_rounds, in, out, blocks);
        } else {
            aes_hw::CbcDecrypt(m_hwDec, m_rounds, in, out, blocks);
        }
        return 1;
    }
    MemSet(m_chain, 0, sizeof(m_chain));
    uint8_t cipher[MAX_BLOCK_SIZE], tmp[MAX_BLOCK_SIZE];
    for (size_t b = 0; b < blocks; ++b, in += bs, out += bs) {
        MemCpy(cipher, in, bs);  // in may equal out
        switch (mode) {
            case ECB:
                DecryptBlock(cipher, out);
                break;
            case CBC:
                DecryptBlock(cipher, tmp);
                XorBlock(out, tmp, m_chain, bs);
                MemCpy(m_chain, cipher, bs);
                break;
            default:  // CFB
                EncryptBlock(m_chain, tmp);
                XorBlock(out, cipher, tmp, bs);
                MemCpy(m_chain, cipher, bs);
                break;
        }
    }
    return 1;
}
