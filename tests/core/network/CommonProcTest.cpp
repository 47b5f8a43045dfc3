// CCommonProc helpers that need no connection: key text, key change, body
// encryption wrappers, proxy status lines, audio level and JSON items.
#include <gtest/gtest.h>
#include <json-c/json.h>

#include <cfloat>
#include <climits>
#include <cstring>

#include "fixtures/CryptoTestUtil.h"
#include "network/CommonProc.h"
#include "crypto/DiffieHellman.h"
#include "crypto/aes.h"

using namespace crypto_test;

namespace {

std::string KeyText(uint64_t k) {
    char text[9];
    CCommonProc::MakeKeyText(k, text);
    return text;
}

Bytes KeyFor(const std::string& text, int level) {
    Bytes d = OpenSslDigest("SHA256", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    d.resize(size_t(level * 8 + 8));
    return d;
}

Bytes PlainBlock(const Bytes& body) {
    Bytes block((body.size() + 4 + 15) / 16 * 16, 0);
    for (int i = 0; i < 4; ++i) block[size_t(i)] = uint8_t(body.size() >> (8 * i));
    std::memcpy(block.data() + 4, body.data(), body.size());
    return block;
}

struct Pair : AES_INFO {
    ~Pair() { CCommonProc::FreeKey(this); }
};

TEST(CommonProcTest, KeyTextFromSharedValue) {
    EXPECT_EQ("CAAAAAAA", KeyText(2));
    EXPECT_EQ("AAAAAAAA", KeyText(62));                     // byte 62 wraps to the first character
    EXPECT_EQ("9AAAAAAA", KeyText(61));                     // and 61 is the last
    EXPECT_EQ("IHGFEDCB", KeyText(0x0102030405060708ull));  // lowest byte first
    EXPECT_EQ("HHHHHHHH", KeyText(~0ull));                  // 255 mod 62 = 7
}

// g = 5, n = 23, a = 6 gives A = 8; the server's B = 19 gives K = 2, the key
// text "CAAAAAAA"; at level 1 the body "abc" must encrypt as OpenSSL says.
TEST(CommonProcTest, WorkedExchangeEndsInTheExpectedCipherText) {
    EXPECT_EQ(8u, CDH::XpowYmodN(5, 6, 23));
    uint64_t k = CDH::XpowYmodN(19, 6, 23);
    ASSERT_EQ(2u, k);
    ASSERT_EQ("CAAAAAAA", KeyText(k));
    Pair pair;
    ASSERT_TRUE(CCommonProc::ChangeKey(1, "CAAAAAAA", &pair));
    const Bytes body = {'a', 'b', 'c'};
    uint8_t out[16];
    int written = 0;
    ASSERT_TRUE(CCommonProc::QuorixEncryptt(pair.pSend, body.data(), 3, out, &written));
    ASSERT_EQ(16, written);
    EXPECT_EQ(ToHex(OpenSslAes(KeyFor("CAAAAAAA", 1), "CBC", PlainBlock(body), true)), ToHex(out, 16));
}

TEST(CommonProcTest, ChangeKeyKeysBothHandlesByLevel) {
    for (int level : {1, 2, 3}) {
        Pair pair;
        ASSERT_TRUE(CCommonProc::ChangeKey(level, "x7Yq2LpA", &pair));
        ASSERT_NE(nullptr, pair.pSend);
        ASSERT_NE(nullptr, pair.pRecv);
        ASSERT_NE(pair.pSend, pair.pRecv);
        Bytes body(100, 0x42);
        Bytes cipher(size_t(CCommonProc::QuorixEncryptSize(pair.pSend, 100)));
        ASSERT_EQ(112u, cipher.size());
        ASSERT_TRUE(CCommonProc::QuorixEncryptt(pair.pSend, body.data(), 100, cipher.data(), nullptr));
        EXPECT_EQ(OpenSslAes(KeyFor("x7Yq2LpA", level), "CBC", PlainBlock(body), true), cipher) << level;
        Bytes back(cipher.size());
        int plain = 0;
        ASSERT_TRUE(
            CCommonProc::QuorixDecrypt(pair.pRecv, cipher.data(), int(cipher.size()), back.data(), &plain));
        ASSERT_EQ(100, plain);
        back.resize(100);
        EXPECT_EQ(body, back);
    }
}

TEST(CommonProcTest, ChangeKeyRefusals) {
    for (int level : {0, 4, -1}) {
        Pair pair;
        EXPECT_FALSE(CCommonProc::ChangeKey(level, "CAAAAAAA", &pair)) << level;
        EXPECT_EQ(nullptr, pair.pSend);
        EXPECT_EQ(nullptr, pair.pRecv);
    }
    // A key text that cannot key a handle fails the change: no unkeyed handles.
    Pair pair;
    EXPECT_FALSE(CCommonProc::ChangeKey(2, nullptr, &pair));
    EXPECT_EQ(nullptr, pair.pSend);
    EXPECT_EQ(nullptr, pair.pRecv);
    EXPECT_FALSE(CCommonProc::ChangeKey(1, "CAAAAAAA", nullptr));
}

TEST(CommonProcTest, BodyWrappersWithAndWithoutHandle) {
    const Bytes body = {1, 2, 3, 4, 5, 6, 7};
    uint8_t out[64];
    int n = -1;
    // Without a handle bodies travel as they are.
    EXPECT_EQ(0, CCommonProc::QuorixEncryptSize(nullptr, 7));
    ASSERT_TRUE(CCommonProc::QuorixEncryptt(nullptr, body.data(), 7, out, &n));
    EXPECT_EQ(7, n);
    EXPECT_EQ(body, Bytes(out, out + 7));
    ASSERT_TRUE(CCommonProc::QuorixDecrypt(nullptr, body.data(), 7, out, &n));
    EXPECT_EQ(7, n);

    // Nothing to encrypt: success without writing.
    std::memset(out, 0xAA, sizeof(out));
    Pair pair;
    ASSERT_TRUE(CCommonProc::ChangeKey(1, "CAAAAAAA", &pair));
    EXPECT_TRUE(CCommonProc::QuorixEncryptt(pair.pSend, body.data(), 0, out, &n));
    EXPECT_EQ(0, n);
    EXPECT_TRUE(CCommonProc::QuorixEncryptt(pair.pSend, nullptr, 7, out, &n));
    EXPECT_EQ(0xAA, out[0]);

    // Decryption failures: a size that is not whole blocks, a truncated block,
    // and a block encrypted under another key (its length field is garbage).
    ASSERT_TRUE(CCommonProc::QuorixEncryptt(pair.pSend, body.data(), 7, out, &n));
    ASSERT_EQ(16, n);
    uint8_t plain[64];
    EXPECT_FALSE(CCommonProc::QuorixDecrypt(pair.pRecv, out, 15, plain, &n));
    EXPECT_FALSE(CCommonProc::QuorixDecrypt(pair.pRecv, out, 0, plain, &n));
    Pair other;
    ASSERT_TRUE(CCommonProc::ChangeKey(1, "DAAAAAAA", &other));
    EXPECT_FALSE(CCommonProc::QuorixDecrypt(other.pRecv, out, 16, plain, &n));
    EXPECT_TRUE(CCommonProc::QuorixDecrypt(pair.pRecv, out, 16, plain, &n));
    EXPECT_EQ(7, n);
}

TEST(CommonProcTest, ProxyStatusCode) {
    const struct {
        const char* line;
        int code;
        const char* after;
    } cases[] = {
        {"HTTP/1.1 407 Proxy Authentication Required\r\n", 407, "HTTP/1.1 407"},
        {"HTTP/1.0 200 Connection established\r\n\r\n", 200, "HTTP/1.0 200"},
        {"HTTP/1.1 407", -1, "HTTP/1.1 407"},  // no second space
        {"HTTP/1.1", -1, "HTTP/1.1"},
        {"", -1, ""},
        {"HTTP/1.1 abc def", 0, "HTTP/1.1 abc"},
    };
    for (const auto& c : cases) {
        std::string text = c.line;
        text.push_back('\0');
        EXPECT_EQ(c.code, CCommonProc::ProxyHTTPStatusCode(text.data())) << c.line;
        EXPECT_STREQ(c.after, text.c_str());
    }
    EXPECT_EQ(-1, CCommonProc::ProxyHTTPStatusCode(nullptr));

    EXPECT_TRUE(CCommonProc::CharacterSearch("HTTP/1.1 200 OK\r\n\r\n", "\r\n\r\n"));
    EXPECT_FALSE(CCommonProc::CharacterSearch("HTTP/1.1 200 OK\r\n", "\r\n\r\n"));
    EXPECT_FALSE(CCommonProc::CharacterSearch("", "a"));
    EXPECT_FALSE(CCommonProc::CharacterSearch("abc", ""));
    EXPECT_FALSE(CCommonProc::CharacterSearch(nullptr, "a"));
    EXPECT_FALSE(CCommonProc::CharacterSearch("abc", nullptr));
}

TEST(CommonProcTest, AudioWaveVolume) {
    const struct {
        std::vector<int16_t> samples;
        int bytes;
        double gain;
        int level;
        std::vector<int16_t> after;
    } cases[] = {
        {{16384, -32768}, 4, 1.0, 100, {16384, -32768}},
        {{16384, -32768}, 4, 0.5, 50, {8192, -16384}},
        {{30000, -30000}, 4, 2.0, 100, {32760, -32760}},  // clipped
        {{3, -3}, 4, 0.5, 0, {1, -1}},                    // cut toward zero
        {{0, 0}, 4, 1.0, 0, {0, 0}},
        {{327, 9999}, 2, 1.0, 1, {327, 9999}},  // one sample only
        {{327, 9999}, 3, 1.0, 1, {327, 9999}},
        {{32767}, 1, 1.0, 0, {32767}},                          // fewer than two bytes
        {{-32768, 0}, 4, 1.0 + DBL_EPSILON, 100, {-32768, 0}},  // within epsilon of 1: not clipped
    };
    for (const auto& c : cases) {
        std::vector<int16_t> s = c.samples;
        EXPECT_EQ(c.level, CCommonProc::GetAudioWaveVolume(s.data(), c.bytes, c.gain)) << c.samples[0];
        EXPECT_EQ(c.after, s);
    }
    EXPECT_EQ(0, CCommonProc::GetAudioWaveVolume(nullptr, 4, 1.0));
}

TEST(CommonProcTest, JsonItems) {
    json_object* json = json_tokener_parse(
        R"({"login":{"name":"alice","port":"8080","count":12,"on":true,"off":0,"none":null},"flat":5})");
    ASSERT_NE(nullptr, json);
    EXPECT_STREQ("alice", CCommonProc::GetJsonItemString(json, "login", "name"));
    EXPECT_STREQ("12", CCommonProc::GetJsonItemString(json, "login", "count"));
    EXPECT_EQ(nullptr, CCommonProc::GetJsonItemString(json, "login", "missing"));
    EXPECT_EQ(nullptr, CCommonProc::GetJsonItemString(json, "other", "name"));
    EXPECT_EQ(nullptr, CCommonProc::GetJsonItemString(json, "flat", "name"));  // not an object
    EXPECT_EQ(nullptr, CCommonProc::GetJsonItemString(json, "login", "none"));
    EXPECT_EQ(12, CCommonProc::GetJsonItemInt(json, "login", "count"));
    EXPECT_EQ(8080, CCommonProc::GetJsonItemInt(json, "login", "port"));
    EXPECT_EQ(INT_MAX, CCommonProc::GetJsonItemInt(json, "login", "missing"));
    EXPECT_TRUE(CCommonProc::GetJsonItemBool(json, "login", "on"));
    EXPECT_TRUE(CCommonProc::GetJsonItemBool(json, "login", "name"));  // non-empty text
    EXPECT_FALSE(CCommonProc::GetJsonItemBool(json, "login", "off"));
    EXPECT_FALSE(CCommonProc::GetJsonItemBool(json, "login", "missing"));
    EXPECT_EQ(nullptr, CCommonProc::GetJsonItemString(nullptr, "login", "name"));
    json_object_put(json);
}

TEST(CommonProcTest, ParseIPv4AddrPort) {
    const struct {
        const char* text;
        int port;
    } cases[] = {{"10.0.0.1:8080", 8080},
                 {"10.0.0.1", 443},
                 {"10.0.0.1:70000", 443},
                 {"10.0.0.1:-1", 443},
                 {"10.0.0.1:0", 0},
                 {"h:1:2", 1},
                 {"h:", 443},
                 {nullptr, 443}};
    for (const auto& c : cases) {
        int port = -5;
        CCommonProc::ParseIPv4Addr(c.text, &port, 443);
        EXPECT_EQ(c.port, port) << (c.text ? c.text : "null");
    }
}

}  // namespace
