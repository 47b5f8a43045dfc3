#include <gtest/gtest.h>

#include <cstring>

#include "fixtures/CryptoTestUtil.h"
#include "crypto/sha2.h"

using namespace crypto_test;

namespace {

std::string Digest(unsigned bits, const std::string& text) {
    uint8_t out[64];
    EXPECT_EQ(0, SHA2_Getdigest(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out, bits));
    return ToHex(out, bits == 256 ? 32 : bits == 384 ? 48 : 64);
}

// FIPS 180-2 examples: one block, two blocks, and the empty message.
TEST(Sha2Test, StandardExamples) {
    const std::string two256 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const std::string two512 =
        "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnop"
        "qrst"
        "nopqrstu";
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Digest(256, "abc"));
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1", Digest(256, two256));
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", Digest(256, ""));
    EXPECT_EQ(
        "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7",
        Digest(384, "abc"));
    EXPECT_EQ(
        "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039",
        Digest(384, two512));
    EXPECT_EQ(
        "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
        "454d4423643ce80e2a9ac94fa54ca49f",
        Digest(512, "abc"));
    EXPECT_EQ(
        "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433a"
        "c7d329eeb6dd26545e96e55b874be909",
        Digest(512, two512));
}

TEST(Sha2Test, OneMillionAsThroughIncrementalHashing) {
    std::string chunk(1000, 'a');
    sha2_ctx ctx;
    ASSERT_EQ(0, sha2_begin(&ctx, 256));
    for (int i = 0; i < 1000; ++i)
        sha2_hash(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), &ctx);
    uint8_t out[32];
    sha2_end(out, &ctx);
    EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", ToHex(out, 32));
}

// Every length around the block and length-field boundaries, hashed in one
// call and fed in uneven pieces, against OpenSSL.
TEST(Sha2Test, MatchesOpenSslForEveryLengthAndSplit) {
    std::mt19937 rng(7);
    Bytes data = RandomBytes(rng, 300);
    const struct {
        unsigned size;
        const char* name;
        size_t len;
    } algos[] = {{32, "SHA256", 32}, {384, "SHA384", 48}, {64, "SHA512", 64}};
    for (const auto& a : algos) {
        for (size_t n = 0; n <= data.size(); ++n) {
            Bytes expected = OpenSslDigest(a.name, data.data(), n);
            uint8_t one[64], pieces[64];
            ASSERT_EQ(0, SHA2_Getdigest(data.data(), n, one, a.size));
            EXPECT_EQ(ToHex(expected), ToHex(one, a.len)) << a.name << " " << n;
            sha2_ctx ctx;
            sha2_begin(&ctx, a.size);
            for (size_t pos = 0, step = 1; pos < n; pos += step, step = step * 3 % 71 + 1) {
                sha2_hash(data.data() + pos, std::min(step, n - pos), &ctx);
            }
            sha2_end(pieces, &ctx);
            EXPECT_EQ(ToHex(expected), ToHex(pieces, a.len)) << a.name << " split " << n;
        }
    }
}

TEST(Sha2Test, UnsupportedSizeWritesNothing) {
    uint8_t out[64];
    std::memset(out, 0xEE, sizeof(out));
    sha2_ctx ctx;
    EXPECT_EQ(1, sha2_begin(&ctx, 224));
    EXPECT_EQ(1, SHA2_Getdigest(reinterpret_cast<const uint8_t*>("abc"), 3, out, 128));
    for (uint8_t b : out) ASSERT_EQ(0xEE, b);
}

}  // namespace
