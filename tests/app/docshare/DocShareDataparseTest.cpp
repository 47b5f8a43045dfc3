// The document-sharing text: the builder's exact bytes and the parser's
// reading of the lines the relay rebuilds.
#include <gtest/gtest.h>

#include "docshare/DocShareDataparse.h"

namespace {

TEST(DocShareDataparseTest, BuilderWritesTypeKeyValueLinesAndTheEmptyLine) {
    struct Case {
        const char* name;
        std::optional<QString> key;
        std::optional<QStringList> value;
        QString expected;
    };
    const Case cases[] = {
        {"no key, no value", std::nullopt, std::nullopt, "Type: WEBWBRD_CLEAR\r\nKey: -1\r\n\r\n"},
        {"empty key", QString(), std::nullopt, "Type: WEBWBRD_CLEAR\r\nKey: -1\r\n\r\n"},
        {"key and one line", QStringLiteral("7"), QStringList{"Page: 3"},
         "Type: WEBWBRD_CLEAR\r\nKey: 7\r\nPage: 3\r\n\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DocShareDataparse::buildMessage("WEBWBRD_CLEAR", c.key, c.value), c.expected) << c.name;
    EXPECT_EQ(
        DocShareDataparse::buildMessage("WEBWBRD_CLEAR", std::nullopt, std::nullopt).split("\r\n").size() - 1,
        3);
}

TEST(DocShareDataparseTest, ParserEdgeTable) {
    struct Case {
        const char* name;
        QString text;
        QVariantMap expected;
    };
    const Case cases[] = {
        {"only the first colon separates",
         "Type: WEBESCORT\r\nUrl: http://h:8080/a?b=c:d\r\n\r\n",
         {{"Type", "WEBESCORT"}, {"Url", "http://h:8080/a?b=c:d"}}},
        {"Target with empty name", "Target: ,http://x/y\r\n", {{"Target", "http://x/y"}}},
        {"Target with a name", "Target: frame1,http://x/y\r\n", {{"Target", "http://x/y"}}},
        {"Target numbered name, URL with commas",
         "Target2: n,http://x/a,b\r\n",
         {{"Target", "http://x/a,b"}}},
        {"Target without a comma is skipped",
         "Type: WEBESCORT\r\nTarget: nothing\r\n",
         {{"Type", "WEBESCORT"}}},
        {"value trimmed of spaces and tabs",
         "Width:7\r\nStyle: \t0 \t\r\n",
         {{"Width", "7"}, {"Style", "0"}}},
        {"names are not trimmed", " Width: 3\r\nColor : 1,2,3\r\n", {{" Width", "3"}, {"Color ", "1,2,3"}}},
        {"no colon at all", "nothing here\r\n\r\n", {}},
        {"last wins", "Page: 1\r\nPage: 2\r\n", {{"Page", "2"}}},
        {"Pos numbered in order",
         "Pos: 1,2\r\nPos: 3,4\r\nPos: 5,6\r\n",
         {{"Pos00000", "1,2"}, {"Pos00001", "3,4"}, {"Pos00002", "5,6"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DocShareDataparse::getMessageElements(c.text), c.expected) << c.name;
}

TEST(DocShareDataparseTest, PosNumberingStartsAgainInEveryMessage) {
    const QString stroke = "Type: WEBWBRD_DATA\r\nPos: 1,1\r\nPos: 2,2\r\n\r\n";
    DocShareDataparse::getMessageElements(stroke);
    const QVariantMap second = DocShareDataparse::getMessageElements(stroke);
    EXPECT_TRUE(second.contains("Pos00000"));
    EXPECT_TRUE(second.contains("Pos00001"));
    EXPECT_FALSE(second.contains("Pos00002"));
}

TEST(DocShareDataparseTest, SentAndReceivedPairsReadAlike) {
    EXPECT_EQ(DocShareDataparse::numbers("12, 34", 2), (QList<double>{12, 34}));
    EXPECT_EQ(DocShareDataparse::numbers("12,34", 2), (QList<double>{12, 34}));
    EXPECT_EQ(DocShareDataparse::numbers("1.5, 2, 3", 3), (QList<double>{1.5, 2, 3}));
    EXPECT_FALSE(DocShareDataparse::numbers("250", 2));
}

}  // namespace
