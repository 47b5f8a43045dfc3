// Text box, document sharing, many-meeting, permission and cloud-recording
// messages between two client processes through the loopback relay.
#include <gtest/gtest.h>

#include <string>

#include "TwoClientRoom.h"
#include "control/ConfProtocol.h"

using namespace e2e_test;

namespace {

TEST(RelayMessages, TextBoxLineKeepsItsTextsAndFont) {
    TwoClientRoom room;
    ASSERT_TRUE(room.loggedIn);
    const std::string block =
        "Type: TEXTBOXMESSAGE\r\nSrceUserID: alice\r\nSrceUserName: アリス・リデル\r\nFontHeight: -10\r\n"
        "FontWidth: 0\r\nFontEscapement: 0\r\nFontOrientation: 0\r\nFontWeight: TRUE\r\n"
        "FontItalic: FALSE\r\nFontUnderline: TRUE\r\nFontStrikeOut: FALSE\r\nFontCharSet: 128\r\n"
        "FontOutPrecision: 3\r\nFontClipPrecision: 2\r\nFontQuality: 1\r\nFontPitchAndFamily: 18\r\n"
        "FontFaceName: MS Pゴシック\r\nFontColor: 255, 128, 0\r\nFontSize: 9\r\n"
        "Message: こんにちは、皆さん\r\n二行目です\nthird line\r\n\r\n";
    room.a->send("textbox " + EscapeArg(block));
    EXPECT_EQ(room.a->waitLine("SENT textbox", 30000), "SENT textbox 1");
    const std::string font =
        "{ \"FontInfoKey\": { \"FontHeight\": -10, \"FontEscapement\": 0, \"FontOrientation\": 0, "
        "\"FontWeight\": 700, \"FontWidth\": 0, \"FontItalic\": 0, \"FontUnderLine\": 1, "
        "\"FontStrikeOut\": 0, \"FontCharSet\": 128, \"FontOutPrecision\": 3, \"FontClipPrecision\": 2, "
        "\"FontQuality:\": 1, \"FontPitchAndFamily\": 18, \"FontFaceName\": \"MS Pゴシック\", "
        "\"FontColor\": 33023, \"FontSize\": 9 } }";
    EXPECT_EQ(room.b->waitLine("EVENT TextBox ", 30000),
              "EVENT TextBox alice " + EscapeArg("アリス・リデル") + " " +
                  EscapeArg("こんにちは、皆さん\n二行目です\nthird line") + " " + EscapeArg(font));

    room.a->send("textactive");
    EXPECT_EQ(room.b->waitLine("EVENT TextBoxActive", 30000), "EVENT TextBoxActive alice Alice");
    // The relay records a message after forwarding it.
    ASSERT_TRUE(room.relay.waitFor(VPEX_TEXT_DATA, 2, 30000));
    const auto sent = room.relay.messages(VPEX_TEXT_DATA);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].body.size(), 296u);
    for (const RelayMessage& m : sent) {
        EXPECT_EQ(m.index, VPEX_CONN_OTHER);
        EXPECT_EQ(m.header.target, VPEX_TARGET_ALL);
        EXPECT_FALSE(m.hadFooter);
    }
    EXPECT_TRUE(room.relay.failures().empty());
    EXPECT_TRUE(room.Finish());
}

TEST(RelayMessages, DocumentSharingStartsAddressesAndStops) {
    TwoClientRoom room;
    ASSERT_TRUE(room.loggedIn);
    room.a->send("dsstart");
    EXPECT_EQ(room.a->waitLine("EVENT DocShareStartResult", 30000), "EVENT DocShareStartResult 0");
    EXPECT_EQ(room.b->waitLine("EVENT DocShareStart ", 30000), "EVENT DocShareStart alice Alice");

    // To every participant, and to Bob alone by his client id.
    const auto docShare = [&](ClientProcess& from, const std::string& text) {
        from.send("docshare " + EscapeArg(text));
        EXPECT_EQ(from.waitLine("SENT docshare", 30000), "SENT docshare 1");
    };
    docShare(*room.a, "Type: WEBESCORT_SIZING\r\nKey: \r\nSize: 800, 600\r\n\r\n");
    EXPECT_EQ(room.b->waitLine("EVENT DocShare alice Type:%20WEBESCORT_SIZING", 30000),
              "EVENT DocShare alice " + EscapeArg("Type: WEBESCORT_SIZING\r\nSize: 800,600\r\n\r\n"));
    const uint32_t bob = room.relay.clientId("bob", VPEX_CONN_OTHER);
    docShare(*room.a, "Type: WEBESCORT_PAGE_INFO\r\nKey: " + std::to_string(bob) +
                          "\r\nPage: 3\r\nUrl: https://docs.example/資料.pdf\r\n\r\n");
    EXPECT_EQ(room.b->waitLine("EVENT DocShare alice Type:%20WEBESCORT_PAGE_INFO", 30000),
              "EVENT DocShare alice " +
                  EscapeArg("Type: WEBESCORT_PAGE_INFO\r\nUrl: https://docs.example/資料.pdf\r\nPage: 3\r\n\r\n"));
    docShare(*room.b, "Type: WEBESCORT_REQUEST\r\n\r\n");
    EXPECT_EQ(room.a->waitLine("EVENT DocShare bob ", 30000),
              "EVENT DocShare bob " +
                  EscapeArg("Type: WEBESCORT_REQUEST\r\nKey: " + std::to_string(bob) + "\r\n\r\n"));

    ASSERT_TRUE(room.relay.waitFor(VPEX_WEB_ESCORT_DATA, 3, 30000));
    const auto data = room.relay.messages(VPEX_WEB_ESCORT_DATA);
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].header.target, VPEX_TARGET_ALL);
    EXPECT_EQ(data[1].header.target, bob);
    EXPECT_EQ(data[1].body.size(), 506u);

    room.a->send("dsstop");
    EXPECT_EQ(room.b->waitLine("EVENT DocShareStop", 30000), "EVENT DocShareStop alice");
    EXPECT_TRUE(room.relay.failures().empty());
    EXPECT_TRUE(room.Finish());
}

TEST(RelayMessages, ManyMeetingPermissionAndCloudRecording) {
    TwoClientRoom room;
    ASSERT_TRUE(room.loggedIn);
    room.a->send("mmstart");
    EXPECT_EQ(room.a->waitLine("EVENT ManyMtgStartRes", 30000), "EVENT ManyMtgStartRes 0 0 alice Alice");
    EXPECT_EQ(room.b->waitLine("EVENT ManyMtgStart ", 30000), "EVENT ManyMtgStart 0 0 alice Alice");
    room.b->send("mmlist");
    EXPECT_EQ(room.b->waitLine("EVENT ManyMtgListRes", 30000), "EVENT ManyMtgListRes 0 0 1 alice Alice");
    room.a->send("mmstop");
    EXPECT_EQ(room.b->waitLine("EVENT ManyMtgStop", 30000), "EVENT ManyMtgStop 0 0 alice Alice");
    for (const RelayMessage& m : room.relay.messages(VPEX_MANY_MTG_CMD)) EXPECT_EQ(m.index, VPEX_CONN_AUDIO);

    // A permission command reaches its addressee alone, with the flags of command 3.
    room.a->send("perm bob 3 5 7 9");
    EXPECT_EQ(room.b->waitLine("EVENT Permission", 30000), "EVENT Permission alice 3 5 7 9");
    ASSERT_TRUE(room.relay.waitFor(VPEX_USER_PERMISSION_CMD, 1, 30000));
    const auto perms = room.relay.messages(VPEX_USER_PERMISSION_CMD);
    ASSERT_EQ(perms.size(), 1u);
    EXPECT_EQ(perms[0].header.target, room.relay.clientId("bob", VPEX_CONN_OTHER));
    EXPECT_EQ(perms[0].body.size(), 112u);

    // Cloud recording: the options' "addr" becomes the relay host.
    room.a->send("cloudrec " + EscapeArg("{\"quality\": \"high\", \"addr\": \"old.example\"}"));
    EXPECT_EQ(room.a->waitLine("SENT cloudrec", 30000), "SENT cloudrec 1");
    ASSERT_TRUE(room.relay.waitFor(VPEX_SEND_CLOUD_REC_START, 1, 30000));
    const RelayMessage rec = room.relay.messages(VPEX_SEND_CLOUD_REC_START)[0];
    EXPECT_EQ(rec.index, VPEX_CONN_VIDEO);
    ASSERT_GT(rec.body.size(), 104u);
    EXPECT_STREQ(reinterpret_cast<const char*>(rec.body.data() + 8), "alice");
    EXPECT_STREQ(reinterpret_cast<const char*>(rec.body.data() + 56), "Alice");
    const std::string options(rec.body.begin() + 104, rec.body.end());
    EXPECT_NE(options.find("\"addr\":\"127.0.0.1\""), std::string::npos) << options;
    EXPECT_NE(options.find("\"quality\":\"high\""), std::string::npos) << options;
    EXPECT_EQ(options.find("old.example"), std::string::npos) << options;
    room.a->send("cloudrec " + EscapeArg("not json"));
    EXPECT_EQ(room.a->waitLine("SENT cloudrec 0", 30000), "SENT cloudrec 0");
    EXPECT_TRUE(room.relay.failures().empty());
    EXPECT_TRUE(room.Finish());
}

}  // namespace
