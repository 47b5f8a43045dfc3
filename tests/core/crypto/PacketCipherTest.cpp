#include <gtest/gtest.h>

#include <cstring>

#include "fixtures/CryptoTestUtil.h"
#include "crypto/aes.h"

using namespace crypto_test;

namespace {

// The plain cipher block of a body, built here from the wire description.
Bytes PlainBlock(const Bytes& body) {
    size_t size = (body.size() + 4 + 15) / 16 * 16;
    Bytes block(size, 0);
    for (int i = 0; i < 4; ++i) block[size_t(i)] = uint8_t(body.size() >> (8 * i));
    std::memcpy(block.data() + 4, body.data(), body.size());
    return block;
}

Bytes Sha256Prefix(const std::string& text, size_t n) {
    Bytes d = OpenSslDigest("SHA256", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    d.resize(n);
    return d;
}

struct Handle {
    CQXCrypt* h = aes_get_handle();
    ~Handle() { aes_free_handle(h); }
};

TEST(PacketCipherTest, EncryptedSizes) {
    const struct {
        uint32_t length, size;
    } cases[] = {{0, 0},          {1, 16},        {11, 16},       {12, 16},         {13, 32},
                 {28, 32},        {44, 48},       {65448, 65456}, {399984, 400000}, {0xFFFFFFEC, 0xFFFFFFF0},
                 {0xFFFFFFED, 0}, {0xFFFFFFFF, 0}};
    Handle k;
    for (const auto& c : cases) {
        EXPECT_EQ(c.size, CQXCrypt::GetEncryptedSize(c.length)) << c.length;
        EXPECT_EQ(c.size, aes_get_encrypted_size(k.h, c.length)) << c.length;
    }
    EXPECT_EQ(0u, aes_get_encrypted_size(nullptr, 5));
}

// Known answer worked out by hand: shared value 2 gives the key text
// "CAAAAAAA"; at level 1 the key is the first 16 bytes of its SHA-256, and the
// body "abc" is the AES-128-CBC block 03 00 00 00 'a' 'b' 'c' and nine zeros.
TEST(PacketCipherTest, BlockOfAbcMatchesOpenSsl) {
    const std::string keyText = "CAAAAAAA";
    for (int keyBytes : {16, 24, 32}) {
        Handle k;
        ASSERT_EQ(1, aes_set_key(k.h, keyText.c_str(), 0, keyBytes));
        Bytes body = {'a', 'b', 'c'};
        Bytes plain = PlainBlock(body);
        ASSERT_EQ("03000000616263000000000000000000", ToHex(plain));
        Bytes expected = OpenSslAes(Sha256Prefix(keyText, size_t(keyBytes)), "CBC", plain, true);
        Bytes out(16);
        ASSERT_EQ(16u, aes_encrypt(k.h, body.data(), 3, out.data()));
        EXPECT_EQ(ToHex(expected), ToHex(out)) << keyBytes;
        Bytes back(3);
        EXPECT_EQ(3u, aes_decrypt(k.h, out.data(), 16, back.data(), 3));
        EXPECT_EQ(body, back);
    }
}

TEST(PacketCipherTest, KeyIsSha256PrefixOfTheKeyTextBytes) {
    // An explicit length takes exactly that many bytes, also past a NUL.
    const char text[] = "Ab3\0xyz9";
    for (int bits : {128, 192, 256}) {
        uint8_t key[32];
        CQXCrypt::Getdigest(reinterpret_cast<const uint8_t*>(text), 8, key, bits);
        EXPECT_EQ(ToHex(Sha256Prefix(std::string(text, 8), size_t(bits / 8))), ToHex(key, size_t(bits / 8)));
    }
    uint8_t big[64];
    CQXCrypt::Getdigest(reinterpret_cast<const uint8_t*>("abc"), 3, big, 384);
    EXPECT_EQ(ToHex(OpenSslDigest("SHA384", reinterpret_cast<const uint8_t*>("abc"), 3)), ToHex(big, 48));
    CQXCrypt::Getdigest(reinterpret_cast<const uint8_t*>("abc"), 3, big, 512);
    EXPECT_EQ(ToHex(OpenSslDigest("SHA512", reinterpret_cast<const uint8_t*>("abc"), 3)), ToHex(big, 64));

    // The cipher under an explicit length of 8 differs from the one keyed up to the NUL.
    Handle full, cut;
    aes_set_key(full.h, text, 8, 24);
    aes_set_key(cut.h, text, -1, 24);
    uint8_t body[5] = {1, 2, 3, 4, 5}, a[16], b[16];
    aes_encrypt(full.h, body, 5, a);
    aes_encrypt(cut.h, body, 5, b);
    EXPECT_NE(ToHex(a, 16), ToHex(b, 16));
    Bytes expected =
        OpenSslAes(Sha256Prefix(std::string(text, 8), 24), "CBC", PlainBlock(Bytes(body, body + 5)), true);
    EXPECT_EQ(ToHex(expected), ToHex(a, 16));
}

TEST(PacketCipherTest, EqualBodiesGiveEqualCipherTextAndRoundTripAtManyLengths) {
    Handle k;
    ASSERT_EQ(1, aes_set_key(k.h, "Zq8Lm0Pa", 8, 32));
    std::mt19937 rng(5);
    for (uint32_t len : {1u, 5u, 12u, 13u, 27u, 28u, 29u, 1400u, 65448u}) {
        Bytes body = RandomBytes(rng, len);
        uint32_t size = aes_get_encrypted_size(k.h, len);
        Bytes first(size), second(size), back(len);
        ASSERT_EQ(size, aes_encrypt(k.h, body.data(), len, first.data()));
        ASSERT_EQ(size, aes_encrypt(k.h, body.data(), len, second.data()));
        EXPECT_EQ(first, second) << len;
        Bytes expected = OpenSslAes(Sha256Prefix("Zq8Lm0Pa", 32), "CBC", PlainBlock(body), true);
        EXPECT_EQ(expected, first) << len;
        ASSERT_EQ(len, aes_decrypt(k.h, first.data(), size, back.data(), len));
        EXPECT_EQ(body, back);
    }
}

// Cipher blocks whose decrypted length field is inconsistent with the block.
TEST(PacketCipherTest, DecryptRejectsInconsistentLengths) {
    const Bytes key = Sha256Prefix("KeyText1", 16);
    Handle k;
    ASSERT_EQ(1, aes_set_key(k.h, "KeyText1", 8, 16));
    auto forge = [&](uint32_t lengthField, size_t size) {
        Bytes plain(size, 0x41);
        for (int i = 0; i < 4; ++i) plain[size_t(i)] = uint8_t(lengthField >> (8 * i));
        return OpenSslAes(key, "CBC", plain, true);
    };
    uint8_t out[64];
    const struct {
        uint32_t lengthField;
        size_t size;
        uint32_t capacity;
        uint32_t result;
    } cases[] = {
        {12, 16, 64, 12},         // the largest body of one block
        {13, 16, 64, 0},          // longer than the block can hold
        {0, 16, 64, 0},           // empty body
        {0xFFFFFFFF, 32, 64, 0},  // absurd length
        {28, 32, 27, 0},          // larger than the caller's buffer
        {28, 32, 28, 28},        {29, 32, 64, 0},
    };
    for (const auto& c : cases) {
        Bytes block = forge(c.lengthField, c.size);
        EXPECT_EQ(c.result, aes_decrypt(k.h, block.data(), uint32_t(block.size()), out, c.capacity))
            << c.lengthField << " in " << c.size;
    }
    Bytes block = forge(5, 32);
    EXPECT_EQ(0u, aes_decrypt(k.h, block.data(), 20, out, 64));  // not a multiple of 16
    EXPECT_EQ(0u, aes_decrypt(k.h, block.data(), 0, out, 64));
    EXPECT_EQ(0u, aes_decrypt(k.h, nullptr, 32, out, 64));
    EXPECT_EQ(0u, aes_decrypt(nullptr, block.data(), 32, out, 64));
}

TEST(PacketCipherTest, RefusedKeysLeaveTheHandleWithoutKey) {
    uint8_t body[5] = {1, 2, 3, 4, 5}, out[16];
    Handle k;
    EXPECT_EQ(0u, aes_encrypt(k.h, body, 5, out));  // fresh handle: no key
    EXPECT_EQ(0, aes_set_key(k.h, "CAAAAAAA", 8, 20));
    EXPECT_FALSE(k.h->IsKeyed());
    EXPECT_EQ(0u, aes_encrypt(k.h, body, 5, out));
    EXPECT_EQ(0, aes_set_key(k.h, nullptr, 8, 16));

    // A refused re-key also drops the previous key rather than keep using it.
    ASSERT_EQ(1, aes_set_key(k.h, "CAAAAAAA", 8, 16));
    EXPECT_EQ(16u, aes_encrypt(k.h, body, 5, out));
    EXPECT_EQ(0, aes_set_key(k.h, "CAAAAAAA", 8, 8));
    EXPECT_EQ(0u, aes_encrypt(k.h, body, 5, out));

    ASSERT_EQ(1, aes_set_key(k.h, "CAAAAAAA", 8, 16));
    EXPECT_EQ(0u, aes_encrypt(k.h, body, 0, out));
    EXPECT_EQ(0u, aes_encrypt(k.h, nullptr, 5, out));
    EXPECT_EQ(0u, aes_encrypt(k.h, body, 0xFFFFFFF0u, out));  // block size would overflow
}

TEST(PacketCipherTest, FunctionsWithoutHandle) {
    uint8_t buf[16] = {};
    EXPECT_EQ(0, aes_init());
    EXPECT_EQ(0, aes_term());
    EXPECT_EQ(-102, aes_free_handle(nullptr));
    EXPECT_EQ(-102, aes_set_key(nullptr, "CAAAAAAA", 8, 16));
    EXPECT_EQ(0u, aes_encrypt(nullptr, buf, 5, buf));
}

}  // namespace
