#include <gtest/gtest.h>

#include "services/XMLparse.h"

namespace {

struct Parsed {
    QVariantMap dict;
    std::optional<XMLparseError> error;
    qint64 kind;
};

Parsed parse(const char* xml, QVariantMap start = {}) {
    Parsed p{std::move(start), std::nullopt, 0};
    XMLparse parser;
    parser.parseXMLFile(QByteArray(xml), &p.error, p.dict);
    p.kind = parser.XMLKind();
    return p;
}

QVariantMap user(const QVariantMap& dict, const char* key) {
    return dict.value(key).toMap();
}

TEST(XMLparse, CommonParamLeavesUrlsRepeatsAndLineBreaks) {
    auto p = parse(
        "<?xml version=\"1.0\"?>\n"
        "<CommonParam>\n"
        "  <status>0</status>\n"
        "  <url>http://a/1</url>\n"
        "  <SERVERIP>10.0.0.1:22000</SERVERIP>\n"
        "  <url>http://a/2</url>\n"
        "  <MODE_WEBINAR>N</MODE_WEBINAR>\n"
        "  <MODE_WEBINAR>Y</MODE_WEBINAR>\n"
        "  <EXIT_MSG>line one\r\nline two</EXIT_MSG>\n"
        "  <HELPMACURL/>\n"
        "  <COMPANY>Tom &amp; Jerry &lt;Ltd&gt; &#x41;</COMPANY>\n"
        "</CommonParam>\n");
    EXPECT_FALSE(p.error);
    EXPECT_EQ(p.kind, XMLparse::KindCommonParam);
    QVariantMap want{{"status", "0"},        {"url0", "http://a/1"},
                     {"url1", "http://a/2"}, {"SERVERIP", "10.0.0.1:22000"},
                     {"MODE_WEBINAR", "Y"},  {"EXIT_MSG", "line oneline two"},
                     {"HELPMACURL", ""},     {"COMPANY", "Tom & Jerry <Ltd> A"}};
    EXPECT_EQ(p.dict, want);
}

TEST(XMLparse, UserListBuildsOneDictionaryPerUser) {
    auto p = parse(
        "<UserList>\n"
        " <user><main>1</main><id>u 1</id><name>Name%20A</name><usertype>S0</usertype></user>\n"
        " <user><main>0</main><id>/guest</id><name>Jo hn</name><usertype>S1</usertype></user>\n"
        " <user><main>0</main><id>u3</id><name>%E5%90%8D%E5%89%8D</name><usertype>\nS2\r\n</usertype></"
        "user>\n"
        " <roomname>Room</roomname>\n"
        "</UserList>");
    EXPECT_FALSE(p.error);
    EXPECT_EQ(p.kind, XMLparse::KindUserList);
    EXPECT_EQ(p.dict.value("UserCnt"), "3");
    EXPECT_EQ(user(p.dict, "0"),
              (QVariantMap{{"main", "1"}, {"id", "u1"}, {"name", "Name A"}, {"usertype", "S0"}}));
    // A literal space goes before decoding, an encoded one survives it.
    EXPECT_EQ(user(p.dict, "1").value("name"), "John");
    EXPECT_EQ(user(p.dict, "2").value("name"), QString::fromUtf8("\xE5\x90\x8D\xE5\x89\x8D"));
    EXPECT_EQ(user(p.dict, "2").value("usertype"), "S2");
    EXPECT_EQ(p.dict.value("roomname"), "Room");
    EXPECT_EQ(p.dict.size(), 5);  // 0, 1, 2, UserCnt, roomname
}

TEST(XMLparse, EmptyUserListAndEmptyParticipantField) {
    auto none = parse("<UserList></UserList>");
    EXPECT_EQ(none.dict, (QVariantMap{{"UserCnt", "0"}}));

    auto p = parse(
        "<UserList><user><main>1</main><id>u1</id><name></name><usertype>S0</usertype></user></UserList>");
    EXPECT_EQ(user(p.dict, "0"), (QVariantMap{{"main", "1"}, {"id", "u1"}, {"usertype", "S0"}}));
    EXPECT_EQ(p.dict.value("name"), "");
}

TEST(XMLparse, SplitTextJoinedForLeavesButOnlyFirstPieceForParticipantFields) {
    auto leaf = parse(
        "<SharFileInfo><title>A &amp; B</title><pagelist><url>x</url><url>y</url></pagelist></SharFileInfo>");
    EXPECT_EQ(leaf.kind, XMLparse::KindSharFileInfo);
    EXPECT_EQ(leaf.dict, (QVariantMap{{"title", "A & B"}, {"url0", "x"}, {"url1", "y"}}));

    auto users = parse("<UserList><user><id>u1</id><name>Tom&amp;Jerry</name></user></UserList>");
    EXPECT_EQ(user(users.dict, "0").value("name"), "Tom");
}

TEST(XMLparse, PercentSignThatIsNoEscapeKeepsTheName) {
    auto p = parse(
        "<UserList><user><id>u1</id><name>100%25</name></user><user><id>u2</id><name>50%off</name></user></"
        "UserList>");
    EXPECT_EQ(user(p.dict, "0").value("name"), "100%");
    EXPECT_EQ(user(p.dict, "1").value("name"), "50%off");
    // Escapes that decode to bytes that are not UTF-8.
    auto bad = parse("<UserList><user><name>%FF%FE</name></user></UserList>");
    EXPECT_EQ(user(bad.dict, "0").value("name"), "%FF%FE");
}

TEST(XMLparse, MalformedDocumentKeepsEarlierEntriesAndReportsError) {
    auto p = parse("<CommonParam><status>0</status><SERVERIP>10.0.0.1</CommonParam>");
    ASSERT_TRUE(p.error);
    EXPECT_NE(p.error->code, 0);
    EXPECT_EQ(p.dict.value("status"), "0");

    // An HTML error page is not a document of the service either.
    auto html = parse("<html><body><h1>500 Internal Server Error</h1><br></body></html>");
    ASSERT_TRUE(html.error);
    EXPECT_NE(html.error->code, 0);
}

TEST(XMLparse, NoDataLeavesEverythingUntouched) {
    QVariantMap dict{{"keep", "me"}};
    std::optional<XMLparseError> error;
    XMLparse parser;
    parser.parseXMLFile(std::nullopt, &error, dict);
    EXPECT_FALSE(error);
    EXPECT_EQ(dict, (QVariantMap{{"keep", "me"}}));

    // Without an out-reference an error is dropped, the parse still runs.
    XMLparse second;
    second.parseXMLFile(QByteArray("<CommonParam><a>1</a><b>"), nullptr, dict);
    EXPECT_EQ(dict.value("a"), "1");

    // A successful parse leaves a preset error reference alone.
    std::optional<XMLparseError> preset = XMLparseError{7, "old", 0};
    XMLparse third;
    QVariantMap d;
    third.parseXMLFile(QByteArray("<CommonParam><a>1</a></CommonParam>"), &preset, d);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->code, 7);
}

TEST(XMLparse, EntitiesFromADoctypeAreNeverExpandedNorFetched) {
    // An external entity must not read the file, an internal one must not blow up.
    auto p = parse(
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE CommonParam [<!ENTITY ext SYSTEM \"file:///etc/passwd\">"
        "<!ENTITY a \"aaaaaaaaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n"
        "<CommonParam><x>&ext;</x><y>&b;</y></CommonParam>");
    EXPECT_FALSE(p.dict.value("x").toString().contains("root"));
    EXPECT_LT(p.dict.value("y").toString().size(), 200);
}

}  // namespace
