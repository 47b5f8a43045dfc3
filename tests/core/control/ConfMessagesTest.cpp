// Bodies of the running conference: questionnaire cells, free-message and
// private-message texts in UTF-16LE, the client description and the
// reservation list, built and read back byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control/ConfMessages.h"

namespace {

std::string LF(size_t n) {
    return std::string(n, '\n');
}

// n characters of two UTF-8 bytes each.
std::string TwoByteChars(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += "é";
    return s;
}

TEST(ConfMessages, QuestionnaireCellsAndTheirReading) {
    struct Case {
        const char* what;
        std::string question;
        std::vector<const char*> choices;
        std::string text;                 // expected on the wire
        std::vector<std::string> parsed;  // choices as the receiver reads them
    };
    const std::string q64 = TwoByteChars(64);
    const Case cases[] = {
        {"one letter each", "Q", {"A", "B"}, "Q" + LF(63) + "A" + LF(31) + "B" + LF(31) + LF(96), {"A", "B"}},
        {"empty question", "", {"A"}, LF(64) + "A" + LF(31) + LF(128), {"A"}},
        {"an empty choice disappears and the later ones move up",
         "Q",
         {"", "B", "C"},
         "Q" + LF(63) + LF(32) + "B" + LF(31) + "C" + LF(31) + LF(64),
         {"B", "C"}},
        {"64 two-byte characters: the first choice follows right after 128 bytes",
         q64,
         {"日本"},
         q64 + "日本" + LF(30) + LF(128),
         {"日本"}},
        {"a question and a choice that fill their cells stay apart",
         std::string(64, 'q'),
         {"12345678901234567890123456789012", "b"},
         std::string(64, 'q') + "12345678901234567890123456789012" + "b" + LF(31) + LF(96),
         {"12345678901234567890123456789012", "b"}},
        {"five full choices",
         "?",
         {"a", "b", "c", "d", "e"},
         "?" + LF(63) + "a" + LF(31) + "b" + LF(31) + "c" + LF(31) + "d" + LF(31) + "e" + LF(31),
         {"a", "b", "c", "d", "e"}},
    };
    for (const Case& c : cases) {
        std::string text;
        ASSERT_TRUE(BuildQuestionnaireText(c.question.c_str(), int(c.choices.size()), c.choices.data(), text))
            << c.what;
        EXPECT_EQ(text, c.text) << c.what;
        // The text travels in a free message and is read back from its body.
        CONF_FREEMSG m;
        m.userId = "to";
        m.code = FREEMSG_QUESTIONNAIRE_START;
        m.text = text;
        std::vector<uint8_t> body;
        ASSERT_TRUE(BuildConfFreeMsgBody(m, body)) << c.what;
        CONF_FREEMSG got;
        ASSERT_TRUE(ParseConfFreeMsg(body.data(), body.size(), got));
        std::string question;
        std::vector<std::string> choices;
        ParseQuestionnaireText(got.text, question, choices);
        EXPECT_EQ(question, c.question) << c.what;
        EXPECT_EQ(choices, c.parsed) << c.what;
    }
}

TEST(ConfMessages, QuestionnairesThatDoNotFitAreRefused) {
    const std::string q65 = TwoByteChars(65);
    const std::string c33(33, 'x');
    const char* one[] = {"A"};
    const char* six[] = {"1", "2", "3", "4", "5", "6"};
    const char* tooLong[] = {"A", c33.c_str()};
    const char* missing[] = {"A", nullptr};
    struct Case {
        const char* what;
        const char* question;
        int count;
        const char* const* choices;
    };
    const Case cases[] = {
        {"question of 65 characters", q65.c_str(), 1, one},
        {"choice of 33 characters", "Q", 2, tooLong},
        {"six choices", "Q", 6, six},
        {"negative count", "Q", -1, one},
        {"a missing choice", "Q", 2, missing},
        {"no question", nullptr, 1, one},
    };
    for (const Case& c : cases) {
        std::string text = "unchanged";
        EXPECT_FALSE(BuildQuestionnaireText(c.question, c.count, c.choices, text)) << c.what;
        EXPECT_EQ(text, "unchanged") << c.what;
    }
}

TEST(ConfMessages, FreeMessageBodyBothWays) {
    CONF_FREEMSG m;
    m.topRoomId = -3;
    m.roomId = 77;
    m.userId = "addressee";
    m.userName = "Sender";
    m.code = 10042;
    m.value = -9;
    m.text = "設定=1";
    std::vector<uint8_t> b;
    ASSERT_TRUE(BuildConfFreeMsgBody(m, b));
    ASSERT_EQ(b.size(), 1128u);
    EXPECT_EQ(int32_t(GetLE32(&b[0])), -3);
    EXPECT_EQ(GetLE32(&b[4]), 77u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[8]), "addressee");
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[56]), "Sender");
    EXPECT_EQ(GetLE32(&b[104]), 10042u);
    EXPECT_EQ(int32_t(GetLE32(&b[108])), -9);
    const uint8_t utf16[] = {0x2D, 0x8A, 0x9A, 0x5B, '=', 0, '1', 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(&b[112], utf16, sizeof utf16));

    // 508 Japanese characters fill the text field exactly and come back whole;
    // one more does not fit and is refused rather than cut.
    std::string full;
    for (int i = 0; i < 508; ++i) full += "語";
    m.text = full;
    ASSERT_TRUE(BuildConfFreeMsgBody(m, b));
    CONF_FREEMSG got;
    ASSERT_TRUE(ParseConfFreeMsg(b.data(), b.size(), got));
    EXPECT_EQ(got.text, full);
    EXPECT_EQ(got.userId, "addressee");
    m.text = full + "語";
    std::vector<uint8_t> refused;
    EXPECT_FALSE(BuildConfFreeMsgBody(m, refused));
    EXPECT_TRUE(refused.empty());
    // An id that does not fit its field with the terminator names nobody.
    m.text = "x";
    m.userId = std::string(48, 'u');
    EXPECT_FALSE(BuildConfFreeMsgBody(m, refused));

    // A received body: fields that fill their whole width stay inside them,
    // and a body cut inside the text field is read as far as it goes.
    std::vector<uint8_t> r(1128, 'A');
    PutLE32(&r[104], 10099);
    for (size_t i = 112; i < r.size(); i += 2) r[i + 1] = 0;
    ASSERT_TRUE(ParseConfFreeMsg(r.data(), r.size(), got));
    EXPECT_EQ(got.userId, std::string(47, 'A'));
    EXPECT_EQ(got.text, std::string(508, 'A'));
    ASSERT_TRUE(ParseConfFreeMsg(r.data(), 112 + 7, got));
    EXPECT_EQ(got.text, "AAA");
    EXPECT_FALSE(ParseConfFreeMsg(r.data(), 111, got));
}

TEST(ConfMessages, PrivateMessageBody) {
    // 600 three-byte characters: the text is cut at the field's 1024 bytes
    // (512 characters) and read back without losing any of them.
    std::string text;
    for (int i = 0; i < 600; ++i) text += "字";
    const std::vector<uint8_t> b = BuildConfMessageBody("bob", "Alice", text);
    ASSERT_EQ(b.size(), 1120u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[0]), "bob");
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[48]), "Alice");
    CONF_MESSAGE m;
    ASSERT_TRUE(ParseConfMessage(b.data(), b.size(), m));
    EXPECT_EQ(m.text, text.substr(0, 512 * 3));
    EXPECT_EQ(m.userId, "bob");
    // A surrogate pair at the field's end is never split.
    std::string emoji = "a";
    for (int i = 0; i < 256; ++i) emoji += "😀";
    ASSERT_TRUE(ParseConfMessage(BuildConfMessageBody("b", "a", emoji).data(), 1120, m));
    EXPECT_EQ(m.text, emoji.substr(0, 1 + 255 * 4));
    EXPECT_TRUE(BuildConfMessageBody(std::string(48, 'x').c_str(), "a", "t").empty());
    EXPECT_FALSE(ParseConfMessage(b.data(), 95, m));
    // A header alone is a message with an empty text.
    ASSERT_TRUE(ParseConfMessage(b.data(), 96, m));
    EXPECT_EQ(m.text, "");
}

TEST(ConfMessages, ClientDescriptionVersions) {
    struct Case {
        const char* version;
        uint32_t numbers[3];
    };
    const Case cases[] = {
        {"10.15", {10, 15, 0}}, {"14.2.1.9", {14, 2, 1}}, {"1..3", {1, 3, 0}},  // empty parts are dropped
        {"", {0, 0, 0}},        {nullptr, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> b =
            BuildConfClientInfoBody(2, c.version, "first-text-of-20-chars", "second");
        ASSERT_EQ(b.size(), 64u);
        EXPECT_EQ(GetLE32(&b[0]), 2u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(GetLE32(&b[4 + 4 * i]), c.numbers[i]) << (c.version ? c.version : "null");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[16])), "first-text-of-2");  // 15 characters
        EXPECT_STREQ(reinterpret_cast<const char*>(&b[32]), "second");
        EXPECT_EQ(std::vector<uint8_t>(b.begin() + 48, b.end()), std::vector<uint8_t>(16, 0));
    }
}

std::vector<uint8_t> ReserveList(int32_t count, const std::vector<int32_t>& orders) {
    std::vector<uint8_t> b(8, 0);
    PutLE32(b.data(), uint32_t(count));
    for (int32_t o : orders) {
        std::vector<uint8_t> r(120, 0);
        WriteUserInfo(PROT_DATA_USER_INFO_T{}, r.data());
        const std::string id = "u" + std::to_string(o);
        std::memcpy(r.data(), id.data(), id.size());
        PutLE32(&r[108], uint32_t(o));
        b.insert(b.end(), r.begin(), r.end());
    }
    return b;
}

TEST(ConfMessages, ReservationListIsSortedAndItsCountChecked) {
    std::vector<PROT_DATA_USER_INFO_T> users;
    ASSERT_TRUE(ParseConfReserveList(ReserveList(3, {3, 1, 2}).data(), 8 + 360, users));
    ASSERT_EQ(users.size(), 3u);
    EXPECT_STREQ(users[0].userId, "u1");
    EXPECT_STREQ(users[1].userId, "u2");
    EXPECT_STREQ(users[2].userId, "u3");
    struct Case {
        const char* what;
        std::vector<uint8_t> body;
        bool ok;
        size_t count;
    };
    const Case cases[] = {
        {"count 0", ReserveList(0, {}), true, 0},
        {"negative count", ReserveList(-4, {1}), true, 0},
        {"count beyond the body", ReserveList(2, {1}), false, 0},
        {"count that wraps 32-bit sizes", ReserveList(0x02222223, {1}), false, 0},
        {"shorter than the count field", {1, 0, 0}, false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseConfReserveList(c.body.data(), c.body.size(), users), c.ok) << c.what;
        EXPECT_EQ(users.size(), c.count) << c.what;
    }
}

TEST(ConfMessages, SmallTextRules) {
    std::string a, b, c;
    ParseWindowSync("12:34:56", a, b, c);
    EXPECT_EQ(a + "|" + b + "|" + c, "12|34|56");
    ParseWindowSync("12:34", a, b, c);
    EXPECT_EQ(a + "|" + b + "|" + c, "12|34|");
    ParseWindowSync("1:2:3:4", a, b, c);
    EXPECT_EQ(a + "|" + b + "|" + c, "1|2|3:4");
    EXPECT_EQ(LeadingNumber("12"), 12u);
    EXPECT_EQ(LeadingNumber("0"), 0u);
    EXPECT_EQ(LeadingNumber("7x"), 7u);
    EXPECT_EQ(LeadingNumber("x7"), 0u);
    EXPECT_EQ(LeadingNumber("99999999999"), UINT32_MAX);
    EXPECT_EQ(splitStr("a..b.", "."), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(splitStr("", "."), (std::vector<std::string>{""}));
    EXPECT_EQ(splitStr("a.b", ""), (std::vector<std::string>{"a.b"}));
}

}  // namespace
