// The key exchange's reply as any server could send it: the client sends its
// request, reads the reply (whole, short or with more behind it), and either
// fails or keys its cipher pair. Beside it the shared value itself is checked
// against an independent 128-bit computation for any 64-bit peer value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzControl.h"
#include "crypto/DiffieHellman.h"

namespace {

uint64_t PowMod(uint64_t x, uint64_t y, uint64_t n) {
    unsigned __int128 r = 1 % n, b = x % n;
    for (; y != 0; y >>= 1, b = b * b % n)
        if (y & 1) r = r * b % n;
    return uint64_t(r);
}

uint64_t Le64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CCommonProc::SetSyncWaitMs(1000);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        quorix::fuzz::PeerBytes peer(data, size);
        AES_INFO pair;
        const bool ok = CCommonProc::ExchangeKey(&peer.socket, &pair);
        // A pair is keyed only by an exchange that succeeded.
        if (!ok && (pair.pSend != nullptr || pair.pRecv != nullptr)) std::abort();
        if (ok) {
            uint8_t plain[40] = {1, 2, 3}, cipher[64], back[64];
            int written = 0, length = 0;
            if (pair.pSend != nullptr) {
                if (!CCommonProc::QuorixEncryptt(pair.pSend, plain, sizeof plain, cipher, &written) ||
                    written > int(sizeof cipher) ||
                    !CCommonProc::QuorixDecrypt(pair.pRecv, cipher, written, back, &length) ||
                    length != int(sizeof plain) || std::memcmp(plain, back, sizeof plain) != 0)
                    std::abort();
            }
        }
        CCommonProc::FreeKey(&pair);
    }
    // The shared value from the reply's B, however large.
    if (size >= 16) {
        const uint64_t B = Le64(data + 8);
        CDH dh;
        uint64_t g, n, A, K, a;
        dh.CreateKeys(g, n);
        dh.CreateSenderInterKey(A);
        dh.CreateSenderEncryptionKey(K, B);
        dh.GetValue(a, CDH::DH_A);
        if (K != PowMod(B, a, n)) std::abort();
    }
    return 0;
}
