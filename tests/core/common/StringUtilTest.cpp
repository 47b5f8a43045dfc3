#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/StringUtil.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Converts into a destination of `size` bytes followed by guard bytes that
// must stay untouched; `fill` is the destination's content beforehand.
struct Result {
    bool ok;
    Bytes out;
};
Result Convert(bool (*fn)(const void*, int, void*, int), const std::string& source, int sourceBytes, int size,
               unsigned char fill = 0xEE) {
    Bytes buffer(static_cast<size_t>(size) + 4, fill);
    const bool ok = fn(source.data(), sourceBytes, buffer.data(), size);
    for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
        EXPECT_EQ(fill, buffer[i]) << "guard " << i;
    buffer.resize(static_cast<size_t>(size));
    return {ok, buffer};
}

struct ConversionCase {
    const char* name;
    std::string source;
    int size;  // of the destination
    bool ok;
    Bytes expected;
};
template <size_t N>
void CheckCases(bool (*fn)(const void*, int, void*, int), const ConversionCase (&cases)[N]) {
    for (const auto& c : cases) {
        const Result r = Convert(fn, c.source, static_cast<int>(c.source.size()), c.size);
        EXPECT_EQ(c.ok, r.ok) << c.name;
        EXPECT_EQ(c.expected, r.out) << c.name;
    }
}

TEST(StringUtilTest, Utf8ToUtf16) {
    const ConversionCase cases[] = {
        {"two letters", "ab", 8, true, {0x61, 0, 0x62, 0, 0, 0, 0, 0}},
        {"cut at the destination", "0123456789", 8, false, {'0', 0, '1', 0, '2', 0, '3', 0}},
        {"never half a pair", "\xF0\x9F\x98\x80", 3, false, {0, 0, 0}},
        {"surrogate pair", "\xF0\x9F\x98\x80", 6, true, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
        {"invalid sequence", "a\xC3(b", 8, false, {0x61, 0, 0, 0, 0, 0, 0, 0}},
        {"incomplete at the end", "a\xE3\x81", 6, false, {0x61, 0, 0, 0, 0, 0}},
        {"empty", "", 4, true, {0, 0, 0, 0}},
    };
    CheckCases(UTF8ToUTF16, cases);
}

TEST(StringUtilTest, Utf16ToUtf8) {
    const ConversionCase cases[] = {
        {"zero units become zero bytes", std::string("A\0\0\0\0\0", 6), 6, true, {0x41, 0, 0, 0, 0, 0}},
        {"two-byte character not split", std::string("a\0\xE4\0", 4), 2, false, {0x61, 0}},
        {"two-byte character", std::string("a\0\xE4\0", 4), 4, true, {0x61, 0xC3, 0xA4, 0}},
        {"lone surrogate", std::string("a\0\x3D\xD8", 4), 4, false, {0x61, 0, 0, 0}},
        {"odd byte count", std::string("a\0b", 3), 4, false, {0x61, 0, 0, 0}},
    };
    CheckCases(UTF16ToUTF8, cases);
}

TEST(StringUtilTest, FixedFieldRoundTripKeepsRoomForTheTerminator) {
    // A 48-byte UTF-8 field filled through 47 bytes from a 64-byte UTF-16 field.
    const std::string name = "Jos\xC3\xA9 \xE5\xB1\xB1\xE7\x94\xB0";  // "José 山田"
    unsigned char wide[64] = {};
    ASSERT_TRUE(UTF8ToUTF16(name.data(), static_cast<int>(name.size()), wide, sizeof(wide) - 2));
    char narrow[48];
    memset(narrow, 'Z', sizeof(narrow));
    ASSERT_TRUE(UTF16ToUTF8(wide, 14, narrow, 47));  // the 7 characters
    EXPECT_STREQ(name.c_str(), narrow);
}

TEST(StringUtilTest, MissingConverterLeavesTheDestinationEmpty) {
    Bytes out(8, 0xEE);
    EXPECT_FALSE(ConvertEncoding("NO-SUCH-ENCODING", "UTF-8", "abc", 3, out.data(), 8));
    EXPECT_EQ(Bytes(8, 0), out);
    EXPECT_FALSE(UTF8ToUTF16(nullptr, 3, out.data(), 8));
    EXPECT_FALSE(UTF8ToUTF16("abc", 3, nullptr, 8));
}

TEST(StringUtilTest, ShiftJisPair) {
    const std::string utf8 = "\xE5\xB1\xB1";  // 山
    const Result sjis = Convert(UTF8ToSJIS, utf8, 3, 4);
    if (!sjis.ok && sjis.out == Bytes(4, 0)) GTEST_SKIP() << "no CP932 converter on this system";
    EXPECT_EQ((Bytes{0x8E, 0x52, 0, 0}), sjis.out);
    const std::string back(reinterpret_cast<const char*>(sjis.out.data()), 2);
    const Result round = Convert(SJISToUTF8, back, 2, 4);
    EXPECT_TRUE(round.ok);
    EXPECT_EQ((Bytes{0xE5, 0xB1, 0xB1, 0}), round.out);
}

TEST(StringUtilTest, ConverStringWithACallerConverterAndFormatting) {
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    ASSERT_NE(reinterpret_cast<iconv_t>(-1), cd);
    unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_TRUE(ConverString(cd, "a", 1, out, 4));
    EXPECT_EQ((Bytes{0x61, 0, 0xEE, 0xEE}), Bytes(out, out + 4));  // no terminator of its own
    iconv_close(cd);

    EXPECT_EQ("id=7 name=x", cFormat("id=%d name=%s", 7, "x"));
    EXPECT_EQ(1023u, cFormat("%s", std::string(2000, 'q').c_str()).size());
}

}  // namespace
