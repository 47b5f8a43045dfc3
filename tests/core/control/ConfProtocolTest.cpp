// Conference-server message layouts: header bytes, login and enter bodies, the
// enter reply's bounds checks and the result mapping.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "control/ConfProtocol.h"

namespace {

TEST(ConfProtocol, HeaderIsLittleEndianOnTheWire) {
    PROT_STD_T h;
    h.msgId = 0x1003;
    h.bodySize = 0x01020304;
    h.param = -2;
    uint8_t wire[16];
    h.Write(wire);
    const uint8_t expected[16] = {0x03, 0x10, 0,    0,    0x04, 0x03, 0x02, 0x01,
                                  0x01, 0x00, 0x01, 0x00, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(wire, expected, 16));
    const PROT_STD_T back = PROT_STD_T::Read(wire);
    EXPECT_EQ(back.msgId, 0x1003u);
    EXPECT_EQ(back.bodySize, 0x01020304u);
    EXPECT_EQ(back.version, PROT_STD_VERSION);
    EXPECT_EQ(back.param, -2);
}

TEST(ConfProtocol, LoginBodyLayout) {
    CONF_LOGIN_FIELDS f;
    f.userId = "alice";
    f.password = "secret";
    f.userName = "Alice A";
    f.userType = "S0xyz";
    f.localAddr = 0x0100007F;  // 127.0.0.1 in network byte order
    f.localPort = 0xBEEF;
    f.camera = true;
    f.microphone = false;
    f.optionJson = "{\"roomname\":\"r\"}";
    const std::vector<uint8_t> body = BuildConfLoginBody(f);
    const std::string opt = f.optionJson;
    ASSERT_EQ(body.size(), 160 + opt.size());

    std::vector<uint8_t> expected(160, 0);
    std::memcpy(&expected[0], "alice", 5);
    std::memcpy(&expected[48], "secret", 6);
    std::memcpy(&expected[96], "Alice A", 7);
    expected[144] = 127;
    expected[147] = 1;
    expected[148] = 0xEF;
    expected[149] = 0xBE;
    expected[152] = 'Y';
    expected[153] = 'N';
    expected[154] = 'S';
    expected[155] = '0';
    expected.insert(expected.end(), opt.begin(), opt.end());  // no terminating NUL
    EXPECT_EQ(body, expected);
}

TEST(ConfProtocol, LoginBodyWithoutOptionTextIsTheFixedPart) {
    CONF_LOGIN_FIELDS f;
    f.userId = "u";
    f.password = "p";
    f.userName = "n";
    f.userType = "H0";
    EXPECT_EQ(BuildConfLoginBody(f).size(), 160u);
}

TEST(ConfProtocol, LongUserNameIsCutOnACharacterBoundary) {
    // 46 ASCII bytes and a two-byte character: 48 bytes, one more than the field holds.
    const std::string name = std::string(46, 'n') + "\xC3\xA9";
    CONF_LOGIN_FIELDS f;
    f.userId = "u";
    f.password = "p";
    f.userName = name.c_str();
    f.userType = "S0";
    const std::vector<uint8_t> body = BuildConfLoginBody(f);
    const std::string field(reinterpret_cast<const char*>(&body[96]), 48);
    EXPECT_EQ(field, std::string(46, 'n') + std::string(2, '\0'));
}

TEST(ConfProtocol, CopyTextFieldKeepsWholeCharacters) {
    struct Case {
        std::string text;
        size_t size;
        std::string want;
    } cases[] = {
        {"abc", 4, "abc"},
        {"abcd", 4, "abc"},
        {"ab\xE3\x81\x82", 4, "ab"},            // three-byte character does not fit after "ab"
        {"a\xE3\x81\x82", 5, "a\xE3\x81\x82"},  // fits exactly with the terminator
        {"\xF0\x9F\x98\x80x", 4, ""},           // four-byte character never fits in 3
        {"", 4, ""},
    };
    for (const Case& c : cases) {
        std::vector<char> field(c.size, 'X');
        CopyTextField(field.data(), field.size(), c.text.c_str());
        EXPECT_EQ(std::string(field.data()), c.want) << c.text;
        EXPECT_EQ(field.back(), '\0');
    }
}

TEST(ConfProtocol, UserIdAndPasswordMustFitTheirFields) {
    const std::string fits(47, 'a');
    const std::string tooLong(48, 'a');
    EXPECT_TRUE(ConfLoginFieldsFit(fits.c_str(), fits.c_str()));
    EXPECT_FALSE(ConfLoginFieldsFit(tooLong.c_str(), "p"));
    EXPECT_FALSE(ConfLoginFieldsFit("u", tooLong.c_str()));
    EXPECT_FALSE(ConfLoginFieldsFit(nullptr, "p"));
}

TEST(ConfProtocol, EnterBody) {
    const std::vector<uint8_t> body = BuildConfEnterBody(-1, 0x0A0B0C0D);
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0xFF, 0xFF, 0x0D, 0x0C, 0x0B, 0x0A};
    EXPECT_EQ(body, expected);
}

// An enter reply body: fixed part plus `records` participant records, with the count field set apart.
std::vector<uint8_t> EnterBody(int32_t count, const std::vector<int32_t>& orders) {
    std::vector<uint8_t> body(CONF_ENTER_RES_FIXED + 120 * orders.size(), 0);
    PutLE32(&body[8], uint32_t(count));
    PutLE32(&body[12], 2);
    std::memcpy(&body[16], "KEYTEXT1", 8);
    std::memcpy(&body[56], "owner", 5);
    for (int n = 0; n < 5; ++n) {
        PutLE32(&body[108 + 56 * n], 7000 + n);
        const std::string host = "relay" + std::to_string(n);
        std::memcpy(&body[112 + 56 * n], host.data(), host.size());
    }
    for (size_t i = 0; i < orders.size(); ++i) {
        PROT_DATA_USER_INFO_T u{};
        snprintf(u.userId, sizeof u.userId, "user%d", orders[i]);
        std::strcpy(u.userName, "name");
        std::strcpy(u.userType, "S0");
        u.orderNo = orders[i];
        u.camera = 'Y';
        u.microphone = 'N';
        WriteUserInfo(u, &body[CONF_ENTER_RES_FIXED + 120 * i]);
    }
    return body;
}

TEST(ConfProtocol, EnterReplyFieldsAndSpeakerOrder) {
    const std::vector<uint8_t> body = EnterBody(3, {7, 2, 5});
    CONF_ENTER_RES res;
    ASSERT_TRUE(ParseConfEnterRes(body.data(), body.size(), res));
    EXPECT_EQ(res.keyLevel, 2);
    EXPECT_EQ(res.keyText, "KEYTEXT1");
    EXPECT_EQ(res.ownerId, "owner");
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(res.relays[n].host, "relay" + std::to_string(n));
        EXPECT_EQ(res.relays[n].port, uint32_t(7000 + n));
    }
    ASSERT_EQ(res.users.size(), 3u);
    EXPECT_STREQ(res.users[0].userId, "user2");
    EXPECT_STREQ(res.users[1].userId, "user5");
    EXPECT_STREQ(res.users[2].userId, "user7");
    EXPECT_EQ(res.users[0].camera, 'Y');
}

TEST(ConfProtocol, EnterReplyTextsStopAtTheirFieldEnds) {
    std::vector<uint8_t> body = EnterBody(1, {1});
    std::memset(&body[16], 'k', 40);                     // key text without terminator
    std::memset(&body[56], 'o', 48);                     // owner without terminator
    std::memset(&body[112 + 56 * 4], 'h', 48);           // last relay host without terminator
    std::memset(&body[CONF_ENTER_RES_FIXED], 'u', 108);  // user id, name and type unterminated
    CONF_ENTER_RES res;
    ASSERT_TRUE(ParseConfEnterRes(body.data(), body.size(), res));
    EXPECT_EQ(res.keyText, std::string(39, 'k'));
    EXPECT_EQ(res.ownerId, std::string(47, 'o'));
    EXPECT_EQ(res.relays[4].host, std::string(47, 'h'));
    EXPECT_EQ(strnlen(res.users[0].userId, 48), 47u);
    EXPECT_EQ(strnlen(res.users[0].userName, 48), 47u);
    EXPECT_EQ(strnlen(res.users[0].userType, 12), 11u);
}

TEST(ConfProtocol, EnterReplyBoundsAreChecked) {
    struct Case {
        const char* what;
        std::vector<uint8_t> body;
        bool ok;
    } cases[] = {
        {"shorter than the fixed part", std::vector<uint8_t>(CONF_ENTER_RES_FIXED - 1, 0), false},
        {"fixed part only, no participant", EnterBody(0, {}), true},
        {"negative count", EnterBody(-1, {1}), false},
        {"count larger than the records", EnterBody(3, {1, 2}), false},
        {"count that overflows 32-bit size arithmetic", EnterBody(INT32_MAX, {1}), false},
        {"count 0x02222223 (x120 wraps to a small 32-bit value)", EnterBody(0x02222223, {1}), false},
        {"fewer records than the body holds", EnterBody(1, {1, 2}), true},
    };
    for (const Case& c : cases) {
        CONF_ENTER_RES res;
        EXPECT_EQ(ParseConfEnterRes(c.body.data(), c.body.size(), res), c.ok) << c.what;
    }
    CONF_ENTER_RES res;
    EXPECT_FALSE(ParseConfEnterRes(nullptr, 1000, res));
}

TEST(ConfProtocol, ResultMapping) {
    struct Case {
        int32_t result;
        int login;
        int enter;
    } cases[] = {
        {0, 0, 0},
        {5, 0, 12},
        {1, 1, 8},
        {2, 2, 9},
        {3, 3, 10},
        {4, 4, 11},
        {6, 6, -17},
        {7, -17, -17},
        {-1, -17, -17},
        {INT32_MIN, -17, -17},
        {INT32_MAX, -17, -17},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapConfLoginResult(c.result), c.login) << c.result;
        EXPECT_EQ(MapConfEnterResult(c.result), c.enter) << c.result;
    }
}

TEST(ConfProtocol, CompareUserListDoesNotOverflow) {
    PROT_DATA_USER_INFO_T a{}, b{};
    a.orderNo = INT32_MIN;
    b.orderNo = INT32_MAX;
    EXPECT_LT(ConfCompareUserList(&a, &b), 0);
    EXPECT_GT(ConfCompareUserList(&b, &a), 0);
    EXPECT_EQ(ConfCompareUserList(&a, &a), 0);
}

}  // namespace
