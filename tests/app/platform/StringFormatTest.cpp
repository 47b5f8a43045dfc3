#include <gtest/gtest.h>

#include "platform/StringFormat.h"

TEST(StringFormatTest, FillsTheConversionsOfTheLogAndMessageTexts) {
    struct Case {
        QString expected;
        QString actual;
    };
    const Case cases[] = {
        {"Failed to login(-5).", StringWithFormat("Failed to login(%@).", -5)},
        {"[Connection]Address(host:443),Type(Direct)",
         StringWithFormat("[Connection]Address(%@:%d),Type(%@)", "host", 443, QString("Direct"))},
        {"Memory 16 GB, 8 cpus", StringWithFormat("Memory %qu GB, %lu cpus", 16ull, std::size_t{8})},
        {"[Audio Device]System volume(0.650000).",
         StringWithFormat("[Audio Device]System volume(%f).", 0.65)},
        {"size 1280×720 at 30 fps", StringWithFormat("size %d×%d at %d fps", 1280, 720, 30)},
        {"2024-05-01 09:30:05.042",
         StringWithFormat("%04d-%02d-%02d %02d:%02d:%02d.%03d", 2024, 5, 1, 9, 30, 5, 42)},
        {"b then a", StringWithFormat("%2$@ then %1$@", "a", "b")},
        {"100% sure", StringWithFormat("%d%% sure", 100)},
        {"[Webinar]Recv sync(abc).", StringWithFormat("[Webinar]Recv sync(%s).", "abc")},
        {"[  ab]", StringWithFormat("[%4.2@]", "abc")},
        {"ff", StringWithFormat("%x", 255)},
        {"x=1.5", StringWithFormat("x=%@", 1.5)},
        {"ON", StringWithFormat("%@", QStringLiteral("ON"))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(StringFormatTest, WrongOrMissingArgumentsNeverBreakTheText) {
    EXPECT_EQ(StringWithFormat("code %d, name %@", "12x"), QString("code 12, name "));
    EXPECT_EQ(StringWithFormat("%d items", "none"), QString("0 items"));
    EXPECT_EQ(StringWithFormat("trailing %"), QString("trailing %"));
    EXPECT_EQ(StringWithFormat("odd %y and %5"), QString("odd %y and %5"));
    EXPECT_EQ(StringWithFormat("%s", 7), QString("7"));
    EXPECT_EQ(StringWithFormat("%d", true), QString("1"));
    EXPECT_EQ(StringWithFormat("%u", -1), QString("18446744073709551615"));
}

TEST(StringFormatTest, ArgumentKindsFollowPositions) {
    EXPECT_EQ(FormatArgumentKinds("Recv Msg:%@(%@) started speech(type:%@,camera:%@,mic:%@)."),
              QString("@@@@@"));
    EXPECT_EQ(FormatArgumentKinds("%d%% of %lu at %f"), QString("ddf"));
    EXPECT_EQ(FormatArgumentKinds("%2$d before %1$@"), QString("@d"));
    EXPECT_EQ(FormatArgumentKinds("no placeholders, 100%"), QString());
}

TEST(StringFormatTest, LeadingNumbersAreReadLikeThePlatformReadsThem) {
    struct Case {
        const char* text;
        int intValue;
        double doubleValue;
    };
    const Case cases[] = {
        {"42", 42, 42},
        {"  -7abc", -7, -7},
        {"+3", 3, 3},
        {"x1", 0, 0},
        {"", 0, 0},
        {"3.75x", 3, 3.75},
        {"99999999999", INT_MAX, 99999999999.0},
        {"-99999999999", INT_MIN, -99999999999.0},
        {"-", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IntValue(QString(c.text)), c.intValue) << c.text;
        EXPECT_DOUBLE_EQ(DoubleValue(QString(c.text)), c.doubleValue) << c.text;
    }
}
