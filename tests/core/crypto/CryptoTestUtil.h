// Small helpers shared by the crypto tests: hex conversion, deterministic
// test data and OpenSSL as the independent reference.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace crypto_test {

using Bytes = std::vector<uint8_t>;

inline Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string ToHex(const uint8_t* data, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}
inline std::string ToHex(const Bytes& b) {
    return ToHex(b.data(), b.size());
}

inline Bytes RandomBytes(std::mt19937& rng, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = uint8_t(rng());
    return b;
}

// AES in `mode` ("ecb", "cbc", "cfb128") with a zero IV, no padding, through OpenSSL.
inline Bytes OpenSslAes(const Bytes& key, const std::string& mode, const Bytes& in, bool encrypt) {
    std::string name = "AES-" + std::to_string(key.size() * 8) + "-" + mode;
    const EVP_CIPHER* cipher = EVP_get_cipherbyname(name.c_str());
    if (!cipher) return {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    uint8_t iv[16] = {};
    Bytes out(in.size() + 32);
    int n1 = 0, n2 = 0;
    EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_CipherUpdate(ctx, out.data(), &n1, in.data(), int(in.size()));
    EVP_CipherFinal_ex(ctx, out.data() + n1, &n2);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(size_t(n1 + n2));
    return out;
}

inline Bytes OpenSslDigest(const char* name, const uint8_t* data, size_t n) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned len = 0;
    EVP_Digest(data, n, out.data(), &len, EVP_get_digestbyname(name), nullptr);
    out.resize(len);
    return out;
}

}  // namespace crypto_test
