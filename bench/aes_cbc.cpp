// AES-CBC throughput of our cipher beside OpenSSL's EVP on the same buffers:
// the block cipher alone (CAESCrypt, with and without the processor's AES
// instructions) and the packet cipher (aes_encrypt / aes_decrypt with the
// length field, padding and temporary buffer), for AES-128 and AES-256.
// Prints MB/s and the ratio ours / OpenSSL (above 1: ours is faster).
#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "crypto/AESCrypt.h"
#include "crypto/aes.h"

namespace {

// Runs `op` on `bytes` bytes until about 0.2 s have passed; returns MB/s.
double Throughput(size_t bytes, const std::function<void()>& op) {
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < 16; ++i) op();  // warm up
    size_t rounds = 0;
    auto start = Clock::now();
    double elapsed = 0;
    size_t batch = bytes < 4096 ? 256 : 8;
    do {
        for (size_t i = 0; i < batch; ++i) op();
        rounds += batch;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < 0.2);
    return double(bytes) * double(rounds) / elapsed / 1e6;
}

// One context keyed once per direction, as ours is; each call only resets
// the chaining block to zero, so OpenSSL does the same work per call.
struct OpenSslCbc {
    EVP_CIPHER_CTX* enc = EVP_CIPHER_CTX_new();
    EVP_CIPHER_CTX* dec = EVP_CIPHER_CTX_new();
    OpenSslCbc(const EVP_CIPHER* cipher, const uint8_t* key) {
        EVP_CipherInit_ex(enc, cipher, nullptr, key, kZeroIv, 1);
        EVP_CipherInit_ex(dec, cipher, nullptr, key, kZeroIv, 0);
        EVP_CIPHER_CTX_set_padding(enc, 0);
        EVP_CIPHER_CTX_set_padding(dec, 0);
    }
    ~OpenSslCbc() {
        EVP_CIPHER_CTX_free(enc);
        EVP_CIPHER_CTX_free(dec);
    }
    void Run(const uint8_t* in, uint8_t* out, size_t n, bool encrypt) {
        EVP_CIPHER_CTX* ctx = encrypt ? enc : dec;
        int len = 0;
        EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, kZeroIv, -1);
        EVP_CipherUpdate(ctx, out, &len, in, int(n));
    }
    static constexpr uint8_t kZeroIv[16] = {};
};

void Row(const char* what, size_t size, double ours, double theirs) {
    std::printf("%-34s %7zu B  %9.1f MB/s  %9.1f MB/s  %6.2f\n", what, size, ours, theirs, ours / theirs);
}

}  // namespace

int main() {
    const size_t sizes[] = {100, 1400, 16384, 65536};
    uint8_t key[32];
    for (int i = 0; i < 32; ++i) key[i] = uint8_t(i * 7 + 1);

    std::printf("hardware AES instructions: %s\n", CAESCrypt::HardwareAvailable() ? "yes" : "no");
    std::printf("%-34s %9s  %14s  %14s  %6s\n", "", "size", "ours", "OpenSSL", "ratio");
    for (int keyBytes : {16, 32}) {
        const EVP_CIPHER* cipher = keyBytes == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
        OpenSslCbc ref(cipher, key);
        for (bool hardware : {true, false}) {
            if (hardware && !CAESCrypt::HardwareAvailable()) continue;
            CAESCrypt::SetHardwareAllowed(hardware);
            CAESCrypt aes;
            aes.MakeKey(key, nullptr, keyBytes, 16);
            for (size_t size : sizes) {
                size_t n = (size + 15) / 16 * 16;  // whole blocks for the block cipher
                std::vector<uint8_t> in(n, 0x5a), out(n);
                char label[64];
                for (bool encrypt : {true, false}) {
                    double ours = Throughput(n, [&] {
                        if (encrypt) {
                            aes.Encrypt(in.data(), out.data(), n, CAESCrypt::CBC);
                        } else {
                            aes.Decrypt(in.data(), out.data(), n, CAESCrypt::CBC);
                        }
                    });
                    double theirs = Throughput(n, [&] { ref.Run(in.data(), out.data(), n, encrypt); });
                    std::snprintf(label, sizeof(label), "AES-%d-CBC %s %s", keyBytes * 8,
                                  encrypt ? "encrypt" : "decrypt", hardware ? "(AES-NI)" : "(portable)");
                    Row(label, n, ours, theirs);
                }
            }
        }
        CAESCrypt::SetHardwareAllowed(true);

        // Packet cipher: the block of a body of `size` bytes, against OpenSSL
        // encrypting the same number of whole blocks.
        CQXCrypt* handle = aes_get_handle();
        aes_set_key(handle, "CAAAAAAA", 8, keyBytes);
        for (size_t size : sizes) {
            uint32_t block = aes_get_encrypted_size(handle, uint32_t(size));
            std::vector<uint8_t> body(size, 0x33), cipherText(block), plain(size), scratch(block);
            aes_encrypt(handle, body.data(), uint32_t(size), cipherText.data());
            char label[64];
            double ours =
                Throughput(size, [&] { aes_encrypt(handle, body.data(), uint32_t(size), scratch.data()); });
            double theirs =
                Throughput(size, [&] { ref.Run(cipherText.data(), scratch.data(), block, true); });
            std::snprintf(label, sizeof(label), "packet AES-%d encrypt", keyBytes * 8);
            Row(label, size, ours, theirs);
            ours = Throughput(
                size, [&] { aes_decrypt(handle, cipherText.data(), block, plain.data(), uint32_t(size)); });
            theirs = Throughput(size, [&] { ref.Run(cipherText.data(), scratch.data(), block, false); });
            std::snprintf(label, sizeof(label), "packet AES-%d decrypt", keyBytes * 8);
            Row(label, size, ours, theirs);
        }
        aes_free_handle(handle);
    }
    return 0;
}
