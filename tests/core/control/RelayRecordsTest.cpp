// Records of the text box, many-meeting, permission and cloud-recording
// messages: what a text block or the arguments become, and what a received
// body gives back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/ConfProtocol.h"
#include "control/RelayRecords.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Block(const std::string& fields, const std::string& message) {
    return "Type: TEXTBOXMESSAGE\r\nSrceUserID: u-1\r\nSrceUserName: 山田\r\n" + fields +
           "Message: " + message + "\r\n\r\n";
}

TEST(TextBoxRecord, FontFields) {
    struct Case {
        std::string fields;
        uint32_t color;
        bool badColor;
        int32_t weight;
        uint8_t italic;
    };
    const Case cases[] = {
        {"FontColor: 255, 128, 0\r\nFontWeight: TRUE\r\nFontItalic: TRUE\r\n", 33023, false, 700, 1},
        {"FontColor: 255 128 0\r\nFontWeight: true\r\nFontItalic: yes\r\n", 0, true, 0, 0},
        {"FontColor: 1,2\r\n", 0, true, 0, 0},
        {"FontColor: 0,0,1\r\n", 65536, false, 0, 0},
    };
    for (const Case& c : cases) {
        bool bad = false;
        const Bytes r = BuildTextBoxRecord(Block(c.fields, "m"), bad);
        ASSERT_GE(r.size(), 296u) << c.fields;
        EXPECT_EQ(GetLE32(r.data()), 50u);
        EXPECT_EQ(GetLE32(r.data() + 288), c.color) << c.fields;
        EXPECT_EQ(bad, c.badColor) << c.fields;
        EXPECT_EQ(int32_t(GetLE32(r.data() + 212)), c.weight) << c.fields;
        EXPECT_EQ(r[216], c.italic) << c.fields;
    }
    bool bad = false;
    const Bytes r = BuildTextBoxRecord(Block("FontHeight: -10\r\nFontCharSet: 384\r\nFontSize: 65545\r\n"
                                             "FontFaceName: MS Pゴシック\r\n",
                                             "m"),
                                       bad);
    TEXTBOX_RECORD p;
    ASSERT_TRUE(ParseTextBoxRecord(r.data(), r.size(), p));
    EXPECT_EQ(p.userId, "u-1");
    EXPECT_EQ(p.userName, "山田");
    EXPECT_EQ(p.font.height, -10);
    EXPECT_EQ(p.font.charSet, 128);  // the low byte
    EXPECT_EQ(p.font.size, 9);       // the low 16 bits
    EXPECT_EQ(p.font.faceName, "MS Pゴシック");
}

TEST(TextBoxRecord, MessageLengthAndLineEnds) {
    struct Case {
        std::string message;
        size_t size;
        bool terminated;
        std::string received;
    };
    const Case cases[] = {
        {"一\r二\n三\r\n四", 296 + 2 * (7 + 3) + 2, true, "一\r\n二\r\n三\r\n四"},
        {std::string(1099, 'a'), 296 + 2200, true, std::string(1099, 'a')},
        {std::string(1100, 'a'), 296 + 2200, false, std::string(1100, 'a')},
        {std::string(3000, 'a'), 296 + 2200, false, std::string(1100, 'a')},
    };
    for (const Case& c : cases) {
        bool bad = false;
        const Bytes r = BuildTextBoxRecord(Block("", c.message), bad);
        EXPECT_EQ(r.size(), c.size) << c.message.size();
        EXPECT_EQ(r[r.size() - 2] == 0 && r[r.size() - 1] == 0, c.terminated) << c.message.size();
        TEXTBOX_RECORD p;
        ASSERT_TRUE(ParseTextBoxRecord(r.data(), r.size(), p));
        EXPECT_EQ(p.message, c.received) << c.message.size();
    }
}

TEST(TextBoxRecord, KindsAndShortBodies) {
    bool bad = false;
    const Bytes active = BuildTextBoxRecord(
        "Type: TEXTBOXACTIVEWINDOW\r\nSrceUserID: u\r\nFontColor: 1 2\r\nMessage: x\r\n\r\n", bad);
    ASSERT_EQ(active.size(), 296u);
    EXPECT_EQ(GetLE32(active.data()), 51u);
    EXPECT_FALSE(bad) << "no font key is read";
    EXPECT_EQ(active, BuildTextBoxActiveRecord("u", ""));
    EXPECT_TRUE(BuildTextBoxRecord("Type: CHAT\r\n\r\n", bad).empty());
    // User ids of 48 Japanese characters fill the field and come back whole.
    const std::string longName = [] {
        std::string s;
        for (int i = 0; i < 48; ++i) s += "名";
        return s;
    }();
    const Bytes named = BuildTextBoxActiveRecord(longName.c_str(), longName.c_str());
    TEXTBOX_RECORD p;
    ASSERT_TRUE(ParseTextBoxRecord(named.data(), named.size(), p));
    EXPECT_EQ(p.userId, longName);
    EXPECT_EQ(p.userName, longName);
    EXPECT_FALSE(ParseTextBoxRecord(named.data(), 295, p));
}

TEST(ManyMtgRecord, EntriesAreReadOnlyWithinTheBody) {
    MANY_MTG_RECORD sent;
    sent.command = 7;
    sent.code = -2;
    sent.subCode = 3;
    sent.userIds = {"a", std::string(60, 'x')};
    sent.userNames = {"Ａ", "B"};
    const Bytes two = BuildManyMtgRecord(sent);
    ASSERT_EQ(two.size(), 8u + 2 * 96);
    struct Case {
        const char* name;
        uint16_t entryLength;
        size_t bodySize;
        size_t entries;
    };
    const Case cases[] = {
        {"entry length 95", 95, two.size(), 0},
        {"entry length 200", 200, two.size(), 2},
        {"entry length beyond the body", 960, two.size(), 2},
        {"body holding one entry", 192, 8 + 96 + 50, 1},
        {"fixed part only", 192, 8, 0},
    };
    for (const Case& c : cases) {
        Bytes b = two;
        PutLE16(b.data() + 2, c.entryLength);
        MANY_MTG_RECORD r;
        ASSERT_TRUE(ParseManyMtgRecord(b.data(), c.bodySize, r)) << c.name;
        EXPECT_EQ(r.command, 7);
        EXPECT_EQ(r.code, -2);
        EXPECT_EQ(r.subCode, 3);
        ASSERT_EQ(r.userIds.size(), c.entries) << c.name;
        ASSERT_EQ(r.userNames.size(), c.entries) << c.name;
        if (c.entries > 0) {
            EXPECT_EQ(r.userNames[0], "Ａ");
        }
        if (c.entries > 1) {
            EXPECT_EQ(r.userIds[1], std::string(47, 'x'));
        }
    }
    MANY_MTG_RECORD r;
    EXPECT_FALSE(ParseManyMtgRecord(two.data(), 7, r));
}

TEST(PermissionRecord, SizesAndFlags) {
    PERMISSION_RECORD p;
    p.command = 3;
    p.code = 4;
    p.addresseeId = "to";
    p.senderId = "from";
    p.functionFlags = 0x11;
    p.permitFlags = 0x22;
    const Bytes rep = BuildPermissionRecord(p);
    ASSERT_EQ(rep.size(), 112u);
    p.command = 1;
    EXPECT_EQ(BuildPermissionRecord(p).size(), 104u);
    struct Case {
        size_t size;
        bool parsed;
        int32_t functionFlags;
    };
    for (const Case& c :
         {Case{112, true, 0x11}, Case{104, true, 0}, Case{108, true, 0}, Case{103, false, 0}}) {
        PERMISSION_RECORD r;
        ASSERT_EQ(ParsePermissionRecord(rep.data(), c.size, r), c.parsed) << c.size;
        if (!c.parsed) continue;
        EXPECT_EQ(r.command, 3);
        EXPECT_EQ(r.senderId, "from");
        EXPECT_EQ(r.addresseeId, "to");
        EXPECT_EQ(r.functionFlags, c.functionFlags) << c.size;
    }
}

TEST(CloudRecRecord, AddressOfTheRelay) {
    const Bytes start = BuildCloudRecRecord(1, 2, "u", "n", R"({"addr":"x","q":1})", "relay.example", true);
    ASSERT_GT(start.size(), 104u);
    EXPECT_EQ(GetLE32(start.data()), 1u);
    EXPECT_EQ(GetLE32(start.data() + 4), 2u);
    const std::string json(start.begin() + 104, start.end());
    EXPECT_NE(json.find("\"addr\":\"relay.example\""), std::string::npos) << json;
    EXPECT_EQ(json.find("\"x\""), std::string::npos) << json;
    EXPECT_NE(json.find('\n'), std::string::npos) << "pretty-printed";
    const Bytes gained = BuildCloudRecRecord(0, 0, "u", "n", "{}", "h", true);
    EXPECT_NE(std::string(gained.begin() + 104, gained.end()).find("\"addr\":\"h\""), std::string::npos);
    EXPECT_TRUE(BuildCloudRecRecord(0, 0, "u", "n", "[1]", "h", true).empty());
    EXPECT_TRUE(BuildCloudRecRecord(0, 0, "u", "n", "not json", "h", true).empty());
    EXPECT_EQ(BuildCloudRecRecord(0, 0, "u", "n", nullptr, nullptr, false).size(), 104u);
}

}  // namespace
