// Text helpers of the message builders and parsers.
#include <gtest/gtest.h>

#include <string>

#include "control/QuorixControl.h"

namespace {

using C = CQuorixControl;

TEST(TextHelpers, LineEndConversion) {
    struct Case {
        std::string in, crlf, lf;
    } cases[] = {
        {"a\rb\nc\r\nd", "a\r\nb\r\nc\r\nd", "a\rb\nc\nd"},
        {"\r\r\n\n", "\r\n\r\n\r\n", "\r\n\n"},
        {"", "", ""},
        {"x\r", "x\r\n", "x\r"},
    };
    for (const Case& c : cases) {
        std::string crlf = "pre:", lf = "pre:";  // both append
        C::ConvertCRorLFtoCRLF(c.in, crlf);
        C::ConvertCRLFtoLF(c.in, lf);
        EXPECT_EQ(crlf, "pre:" + c.crlf);
        EXPECT_EQ(lf, "pre:" + c.lf);
    }
}

TEST(TextHelpers, Utf8CharacterCount) {
    EXPECT_EQ(C::strlen_UTF_8("abc"), 3u);
    EXPECT_EQ(C::strlen_UTF_8("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80"), 4u);
    EXPECT_EQ(C::strlen_UTF_8(""), 0u);
}

TEST(TextHelpers, UrlDecodeAndEncode) {
    struct Case {
        std::string in, out;
    } decode[] = {
        {"a+b%41%2f%2F", "a bA//"},
        {"ab%4", "ab"},     // a percent sign with one digit ends the text before it
        {"ab%zz12", "ab"},  // not hexadecimal
        {"end%", "end"},
        {"%E3%81%82", "\xE3\x81\x82"},
    };
    for (const Case& c : decode) EXPECT_EQ(C::URLDecode(c.in), c.out) << c.in;
    EXPECT_EQ(C::URLEncode("aZ9 -/\xE3"), "aZ9+%2d%2f%e3");
    EXPECT_EQ(C::URLDecode(C::URLEncode("x y\r\n\x01\xFF")), "x y\r\n\x01\xFF");
    EXPECT_EQ(C::hex2int('g'), -1);
    EXPECT_EQ(C::int2hex(16), 0);
}

TEST(TextHelpers, FormatHasTheFullLength) {
    EXPECT_EQ(C::cFormat("%d-%s", 7, "x"), "7-x");
    const std::string big(3000, 'q');
    EXPECT_EQ(C::cFormat("<%s>", big.c_str()), "<" + big + ">");
}

TEST(TextHelpers, Trim) {
    EXPECT_EQ(C::Trim(" \t\r\nab c\n "), "ab c");
    EXPECT_EQ(C::Trim(" \t\r\n"), "");
    EXPECT_EQ(C::Trim("x"), "x");
}

TEST(TextHelpers, GetContentReadsKeyValueLines) {
    const std::string text = "Type: A\r\nName:  value one \r\nLast: tail";
    std::string out = "unchanged";
    EXPECT_EQ(C::GetContent(text, "Missing:", out, 0), -1);
    EXPECT_EQ(out, "unchanged");
    const int next = C::GetContent(text, "Name:", out, 0);
    EXPECT_EQ(out, "value one");
    EXPECT_EQ(text.substr(size_t(next), 5), "Last:");
    // A value not followed by CR LF is still given, but the result is -1.
    EXPECT_EQ(C::GetContent(text, "Last:", out, size_t(next)), -1);
    EXPECT_EQ(out, "tail");
    EXPECT_EQ(C::GetContent(text, "Type:", out, text.size() + 1), -1);
}

TEST(TextHelpers, GetContent2ReadsTheBlocksLastValue) {
    const std::string text = "Type: X\r\nText:line1\r\nline2 \r\n\r\n";
    std::string out;
    const int next = C::GetContent2(text, "Text:", out, text.size(), 0);
    EXPECT_EQ(out, "line1\r\nline2 ");  // not trimmed, without the two line ends
    EXPECT_EQ(next, int(text.size()) + 1);
    out = "unchanged";
    EXPECT_EQ(C::GetContent2(text, "Nope:", out, text.size(), 0), -1);
    EXPECT_EQ(out, "unchanged");
}

}  // namespace
