#include <gtest/gtest.h>

#include "fixtures/CryptoTestUtil.h"
#include "crypto/AESCrypt.h"

using namespace crypto_test;

namespace {

// Runs each test once with the portable code and, when the processor has
// them, once with its AES instructions.
class AESCryptTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !CAESCrypt::HardwareAvailable()) GTEST_SKIP() << "no AES instructions";
        CAESCrypt::SetHardwareAllowed(GetParam());
    }
    void TearDown() override { CAESCrypt::SetHardwareAllowed(true); }
};

const char* kKey256 = "2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da56a784d9045190cfe";
const char* kPlain256 = "3243f6a8885a308d313198a2e03707344a4093822299f31d0082efa98ec4e6c8";

// Rijndael reference results for every key size and block size: the key and
// the plain block are prefixes of kKey256 and kPlain256.
struct RijndaelCase {
    int keyLength, blockSize;
    const char* cipher;
};
const RijndaelCase kRijndael[] = {
    {16, 16, "3925841d02dc09fbdc118597196a0b32"},
    {24, 16, "f9fb29aefc384a250340d833b87ebc00"},
    {32, 16, "1a6e6c2c662e7da6501ffb62bc9e93f3"},
    {16, 24, "b24d275489e82bb8f7375e0d5fcdb1f481757c538b65148a"},
    {24, 24, "725ae43b5f3161de806a7c93e0bca93c967ec1ae1b71e1cf"},
    {32, 24, "0ebacf199e3315c2e34b24fcc7c46ef4388aa475d66c194c"},
    {16, 32, "7d15479076b69a46ffb3b3beae97ad8313f622f67fedb487de9f06b9ed9c8f19"},
    {24, 32, "5d7101727bb25781bf6715b0e6955282b9610e23a43c2eb062699f0ebf5887b2"},
    {32, 32, "a49406115dfb30a40418aafa4869b7c6a886ff31602a7dd19c889dc64f7e4e7a"},
};

TEST_P(AESCryptTest, RijndaelKnownAnswersForEveryKeyAndBlockSize) {
    for (const auto& c : kRijndael) {
        SCOPED_TRACE(testing::Message() << "key " << c.keyLength << " block " << c.blockSize);
        Bytes key = FromHex(kKey256), plain = FromHex(kPlain256);
        plain.resize(size_t(c.blockSize));
        CAESCrypt aes;
        ASSERT_EQ(1, aes.MakeKey(key.data(), nullptr, c.keyLength, c.blockSize));
        EXPECT_EQ(std::max(c.keyLength, c.blockSize) / 4 + 6, aes.GetRounds());
        Bytes out(plain.size()), back(plain.size());
        ASSERT_EQ(1, aes.Encrypt(plain.data(), out.data(), out.size(), CAESCrypt::ECB));
        EXPECT_EQ(c.cipher, ToHex(out));
        ASSERT_EQ(1, aes.Decrypt(out.data(), back.data(), back.size(), CAESCrypt::ECB));
        EXPECT_EQ(plain, back);
    }
}

TEST_P(AESCryptTest, Fips197AppendixCVectors) {
    const char* plain = "00112233445566778899aabbccddeeff";
    const struct {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& c : cases) {
        Bytes key = FromHex(c.key), in = FromHex(plain), out(16), back(16);
        CAESCrypt aes;
        ASSERT_EQ(1, aes.MakeKey(key.data(), nullptr, int(key.size()), 16));
        aes.EncryptBlock(in.data(), out.data());
        EXPECT_EQ(c.cipher, ToHex(out));
        aes.DecryptBlock(out.data(), back.data());
        EXPECT_EQ(in, back);
    }
}

// Every AES key size and mode against OpenSSL on random keys and data,
// including in-place calls and lengths that exercise the four-block path.
TEST_P(AESCryptTest, MatchesOpenSslInEveryModeAndKeySize) {
    std::mt19937 rng(1234);
    const struct {
        int mode;
        const char* name;
    } modes[] = {{CAESCrypt::ECB, "ECB"}, {CAESCrypt::CBC, "CBC"}, {CAESCrypt::CFB, "CFB"}};
    for (int keyLength : {16, 24, 32}) {
        for (const auto& m : modes) {
            for (size_t blocks : {1u, 3u, 4u, 5u, 9u, 64u}) {
                SCOPED_TRACE(testing::Message() << keyLength << " " << m.name << " " << blocks);
                Bytes key = RandomBytes(rng, size_t(keyLength)), plain = RandomBytes(rng, 16 * blocks);
                CAESCrypt aes;
                ASSERT_EQ(1, aes.MakeKey(key.data(), nullptr, keyLength, 16));
                Bytes out(plain.size());
                ASSERT_EQ(1, aes.Encrypt(plain.data(), out.data(), out.size(), m.mode));
                std::string mode = m.mode == CAESCrypt::CFB ? "CFB" : m.name;
                EXPECT_EQ(ToHex(OpenSslAes(key, mode, plain, true)), ToHex(out));
                Bytes inPlace = out;
                ASSERT_EQ(1, aes.Decrypt(inPlace.data(), inPlace.data(), inPlace.size(), m.mode));
                EXPECT_EQ(plain, inPlace);
                // A second call starts from a zero chain again.
                Bytes again(plain.size());
                aes.Encrypt(plain.data(), again.data(), again.size(), m.mode);
                EXPECT_EQ(out, again);
            }
        }
    }
}

TEST_P(AESCryptTest, WideBlocksRoundTripInEveryMode) {
    std::mt19937 rng(99);
    for (int blockSize : {24, 32}) {
        for (int mode : {CAESCrypt::ECB, CAESCrypt::CBC, CAESCrypt::CFB}) {
            Bytes key = RandomBytes(rng, 32), plain = RandomBytes(rng, size_t(blockSize) * 5);
            CAESCrypt aes;
            ASSERT_EQ(1, aes.MakeKey(key.data(), nullptr, 32, blockSize));
            Bytes out(plain.size()), back(plain.size());
            ASSERT_EQ(1, aes.Encrypt(plain.data(), out.data(), out.size(), mode));
            EXPECT_NE(plain, out);
            ASSERT_EQ(1, aes.Decrypt(out.data(), back.data(), back.size(), mode));
            EXPECT_EQ(plain, back) << blockSize << " " << mode;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, AESCryptTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Hardware" : "Portable"; });

TEST(AESCryptErrors, MakeKeyAndCallsRejectBadArguments) {
    uint8_t key[32] = {};
    uint8_t buf[48] = {};
    CAESCrypt aes;
    EXPECT_EQ(-1, aes.Encrypt(buf, buf, 16, CAESCrypt::CBC));  // no key yet
    EXPECT_EQ(-1, aes.Decrypt(buf, buf, 16, CAESCrypt::CBC));
    EXPECT_EQ(-1, aes.MakeKey(nullptr, nullptr, 16, 16));
    for (int bad : {0, 8, 20, 64}) {
        EXPECT_EQ(-2, aes.MakeKey(key, nullptr, bad, 16)) << bad;
        EXPECT_EQ(-3, aes.MakeKey(key, nullptr, 16, bad)) << bad;
    }
    ASSERT_EQ(1, aes.MakeKey(key, nullptr, 16, 24));
    EXPECT_EQ(-2, aes.Encrypt(buf, buf, 0, CAESCrypt::CBC));
    EXPECT_EQ(-2, aes.Encrypt(buf, buf, 16, CAESCrypt::CBC));  // not a multiple of 24
    EXPECT_EQ(-2, aes.Decrypt(buf, buf, 40, CAESCrypt::CBC));
    EXPECT_EQ(1, aes.Decrypt(buf, buf, 48, CAESCrypt::CBC));
}

}  // namespace
