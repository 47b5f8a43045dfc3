// Body decryption with any length and any bytes, at each key level, and the
// round trip of the same bytes as a plain body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzControl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    const int level = 1 + data[0] % 3;
    char keyText[9];
    std::memcpy(keyText, data + 1, 8);
    keyText[8] = '\0';
    const uint8_t* body = data + 9;
    const int length = int(size - 9);

    AES_INFO pair;
    if (!CCommonProc::ChangeKey(level, keyText, &pair)) return 0;  // an empty key text
    std::vector<uint8_t> plain(size_t(length) + 1);
    int plainLength = -1;
    if (CCommonProc::QuorixDecrypt(pair.pRecv, body, length, plain.data(), &plainLength) &&
        (plainLength < 0 || plainLength > length))
        std::abort();
    quorix::fuzz::TouchBytes(plain.data(), plainLength);

    if (length > 0) {
        const int cipherSize = CCommonProc::QuorixEncryptSize(pair.pSend, length);
        std::vector<uint8_t> cipher(static_cast<size_t>(cipherSize)), back(static_cast<size_t>(cipherSize));
        int written = 0;
        if (!CCommonProc::QuorixEncryptt(pair.pSend, body, length, cipher.data(), &written) ||
            written != cipherSize ||
            !CCommonProc::QuorixDecrypt(pair.pRecv, cipher.data(), written, back.data(), &plainLength) ||
            plainLength != length || std::memcmp(back.data(), body, size_t(length)) != 0)
            std::abort();
    }
    CCommonProc::FreeKey(&pair);
    return 0;
}
