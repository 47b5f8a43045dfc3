// Document-sharing text messages turned into relay records and back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control/ConfProtocol.h"
#include "control/DocShareRecords.h"
#include "control/VpexProtocol.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Repeat(const std::string& line, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += line;
    return s;
}

TEST(DocShareRecords, EverySubTypeRoundTrips) {
    struct Case {
        const char* sent;
        uint8_t subType;
        uint8_t byte1;
        size_t size;
        const char* received;  // as received from the client with id 7
    };
    const Case cases[] = {
        {"Type: WEBWBRD_DATA\r\nKey: \r\nScroll: -3, 4\r\nStyle: 2\r\nWidth: 5\r\nColor: 255, 0, 128\r\n"
         "Pos: 10, 20\r\nPos: 65535,7\r\n\r\n",
         3, 0xFD, 22,
         "Type: WEBWBRD_DATA\r\nScroll: -3,4\r\nStyle: 2\r\nWidth: 5\r\nColor: 255,0,128\r\nPos: 10,20\r\n"
         "Pos: 65535,7\r\n\r\n"},
        {"Type: WEBWBRD_CLEAR\r\n\r\n", 5, 0, 130, "Type: WEBWBRD_CLEAR\r\n\r\n"},
        {"Type: WEBESCORT_CLEAR\r\n\r\n", 5, 1, 130, "Type: WEBESCORT_CLEAR\r\n\r\n"},
        {"Type: WEBESCORT\r\nKey: 9\r\nUrl: https://a.example/x\r\nTarget: 会議室 , "
         "https://b.example/\r\n\r\n",
         6, 8, 2546,
         "Type: WEBESCORT\r\nUrl: https://a.example/x\r\nTarget: 会議室,https://b.example/\r\n\r\n"},
        {"Type: WEBESCORT_ACTIVE\r\nUrl: https://a.example/x\r\nTarget: https://b.example/\r\n\r\n", 9, 8,
         2546, "Type: WEBESCORT_ACTIVE\r\nUrl: https://a.example/x\r\nTarget: ,https://b.example/\r\n\r\n"},
        {"Type: WEBESCORT_SCROLL\r\nScroll: -1, -1\r\n\r\n", 16, 8, 24,
         "Type: WEBESCORT_SCROLL\r\nScrollSize: -1,-1\r\n\r\n"},
        {"Type: WEBESCORT_USEDEFAULT\r\n\r\n", 17, 8, 130, "Type: WEBESCORT_USEDEFAULT\r\n\r\n"},
        {"Type: WEBESCORT_SIZING\r\nSize: 800, 600\r\n\r\n", 18, 8, 156,
         "Type: WEBESCORT_SIZING\r\nSize: 800,600\r\n\r\n"},
        {"Type: WEBESCORT_REQUEST\r\n\r\n", 19, 8, 2, "Type: WEBESCORT_REQUEST\r\nKey: 7\r\n\r\n"},
        {"Type: WEBESCORT_STOP\r\n\r\n", 20, 8, 2, "Type: WEBESCORT_STOP\r\n\r\n"},
        {"Type: WEBESCORT_PAGE_INFO\r\nPage: 12\r\nUrl: https://c.example/資料.pdf\r\n\r\n", 21, 8, 506,
         "Type: WEBESCORT_PAGE_INFO\r\nUrl: https://c.example/資料.pdf\r\nPage: 12\r\n\r\n"},
        {"Type: WEBWBRD_MOUSE_POINT\r\nScrollPoint: 5, -6\r\nUserName: 花子\r\nMousePoint: 100, 200\r\n\r\n",
         22, 5, 145,
         "Type: WEBWBRD_MOUSE_POINT\r\nScrollPoint: 5,-6\r\nUserName: 花子\r\nMousePoint: 100,200\r\n\r\n"},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: 150\r\n\r\n", 23, 0, 10,
         "Type: WEBESCORT_ZOOM\r\nZoomRate: 150\r\n\r\n"},
        {"Type: WEBESCORT_PMODE\r\nPointerMode: TRUE\r\nPaintMode: FALSE\r\n\r\n", 24, 0, 10,
         "Type: WEBESCORT_PMODE\r\nPointerMode: TRUE\r\nPaintMode: FALSE\r\n\r\n"},
        {"Type: WEBESCORT_REQUEST2\r\n\r\n", 25, 0, 2, "Type: WEBESCORT_REQUEST2\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        Bytes record;
        uint32_t target = 0;
        ASSERT_EQ(BuildDocShareRecord(c.sent, "me@example", record, target), DSBuild::Ok);
        EXPECT_EQ(record.size(), c.size);
        EXPECT_EQ(record[0], c.subType);
        EXPECT_EQ(record[1], c.byte1);
        std::string text;
        ASSERT_EQ(DocShareRecordToText(record.data(), record.size(), 7, text), DSParse::Ok);
        EXPECT_EQ(text, c.received);
    }
}

TEST(DocShareRecords, FieldsAndAddressees) {
    Bytes r;
    uint32_t target = 0;
    // The clear record carries the own user id.
    ASSERT_EQ(BuildDocShareRecord("Type: WEBWBRD_CLEAR\r\n\r\n", "me", r, target), DSBuild::Ok);
    EXPECT_EQ(r[2], 'm');
    EXPECT_EQ(r[4], 'e');
    EXPECT_EQ(target, VPEX_TARGET_ALL);
    // The sizing text at 130, the scroll text at 2, each with its zero unit.
    ASSERT_EQ(BuildDocShareRecord("Type: WEBESCORT_SIZING\r\nSize: 800, 600\r\n", "", r, target),
              DSBuild::Ok);
    EXPECT_EQ(std::string(r.begin() + 130, r.begin() + 132), std::string("x\0", 2));
    EXPECT_EQ(GetLE16(r.data() + r.size() - 2), 0);
    // A whiteboard without points, a web escort without targets.
    ASSERT_EQ(BuildDocShareRecord("Type: WEBWBRD_DATA\r\nScroll: 0,0\r\nColor: 1,2,3\r\n", "", r, target),
              DSBuild::Ok);
    EXPECT_EQ(r.size(), 14u);
    ASSERT_EQ(BuildDocShareRecord("Type: WEBESCORT\r\nUrl: x\r\n", "", r, target), DSBuild::Ok);
    EXPECT_EQ(r.size(), 1338u);
    // A pointer value without comma gives both coordinates.
    ASSERT_EQ(BuildDocShareRecord("Type: WEBWBRD_MOUSE_POINT\r\nMousePoint: 42\r\n", "", r, target),
              DSBuild::Ok);
    EXPECT_EQ(GetLE32(r.data() + 137), 42u);
    EXPECT_EQ(GetLE32(r.data() + 141), 42u);

    const std::pair<const char*, uint32_t> keys[] = {
        {"Type: WEBESCORT_STOP\r\nKey: 12\r\n", 12},
        {"Type: WEBESCORT_STOP\r\nKey: -1\r\n", VPEX_TARGET_ALL},
        {"Type: WEBESCORT_STOP\r\nKey: \r\n", VPEX_TARGET_ALL},
        {"Type: WEBESCORT_STOP\r\n", VPEX_TARGET_ALL},
    };
    for (const auto& [text, expected] : keys) {
        ASSERT_EQ(BuildDocShareRecord(text, "", r, target), DSBuild::Ok);
        EXPECT_EQ(target, expected) << text;
    }
}

TEST(DocShareRecords, TextsThatMakeNoRecordAreRefused) {
    const std::string wbrd = "Type: WEBWBRD_DATA\r\nScroll: 1,2\r\nColor: 1,2,3\r\n";
    const std::string escort = "Type: WEBESCORT\r\nUrl: u\r\n";
    struct Case {
        std::string text;
        DSBuild expected;
        size_t size;  // of an accepted record
    };
    const Case cases[] = {
        {"Type: WEBESCORT_NOPE\r\n", DSBuild::UnknownType, 0},
        {"Key: 3\r\n", DSBuild::UnknownType, 0},
        {"Type: WEBESCORT_SIZING\r\nSize: 800\r\n", DSBuild::Invalid, 0},
        {"Type: WEBESCORT_SCROLL\r\nScroll: 1\r\n", DSBuild::Invalid, 0},
        {"Type: WEBWBRD_DATA\r\nScroll: 1,2\r\nColor: 1,2\r\n", DSBuild::Invalid, 0},
        {"Type: WEBWBRD_DATA\r\nColor: 1,2,3\r\n", DSBuild::Invalid, 0},
        {wbrd + "Pos: 1,2\r\nPos: 5\r\n", DSBuild::Invalid, 0},
        // The 4096-byte record holds the document and two targets, or 1020 points.
        {escort + Repeat("Target: n,a\r\n", 2), DSBuild::Ok, 130 + 3 * 1208},
        {escort + Repeat("Target: n,a\r\n", 3), DSBuild::TooLarge, 0},
        {wbrd + Repeat("Pos: 1,2\r\n", 1020), DSBuild::Ok, 14 + 4 * 1020},
        {wbrd + Repeat("Pos: 1,2\r\n", 1021), DSBuild::TooLarge, 0},
    };
    for (const Case& c : cases) {
        Bytes r;
        uint32_t target = 0;
        EXPECT_EQ(BuildDocShareRecord(c.text, "", r, target), c.expected) << c.text.substr(0, 60);
        EXPECT_EQ(r.size(), c.size) << c.text.substr(0, 60);
    }
}

TEST(DocShareRecords, ReceivedRecordsAreReadWithinTheirLength) {
    const auto utf16 = [](const std::string& ascii) {
        Bytes b;
        for (char ch : ascii) {
            b.push_back(uint8_t(ch));
            b.push_back(0);
        }
        return b;
    };
    const auto with = [](Bytes head, const Bytes& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    Bytes escort(130 + 1208 + 100, 0);  // one whole entry and part of a second
    escort[0] = 6;
    escort[130 + 200] = 'u';
    Bytes page = {21, 8, 3, 0, 0, 0, 'a', 'b', 'c', 'd'};  // address without NUL, cut by the body
    Bytes wbrd(14 + 4 + 2, 0);                             // one whole point and half of another
    wbrd[0] = 3;
    struct Case {
        const char* name;
        Bytes body;
        DSParse expected;
        const char* text;
    };
    const Case cases[] = {
        {"one byte", {3}, DSParse::Broken, ""},
        {"whiteboard short of its fixed fields", Bytes(13, 3), DSParse::Broken, ""},
        {"pointer record of 144 bytes", with({22}, Bytes(143, 0)), DSParse::Broken, ""},
        {"page without its number", {21, 8, 1, 0, 0}, DSParse::Broken, ""},
        {"page address cut by the body", page, DSParse::Ok,
         "Type: WEBESCORT_PAGE_INFO\r\nUrl: abcd\r\nPage: 3\r\n\r\n"},
        {"half an entry", escort, DSParse::Ok, "Type: WEBESCORT\r\nUrl: u\r\n\r\n"},
        {"half a point", wbrd, DSParse::Ok,
         "Type: WEBWBRD_DATA\r\nScroll: 0,0\r\nStyle: 0\r\nWidth: 0\r\nColor: 0,0,0\r\nPos: 0,0\r\n\r\n"},
        {"scroll text cut short", with({16, 8}, utf16("x: 5 y")), DSParse::Ignored, ""},
        {"scroll text of two characters", with({16, 8}, utf16("x:")), DSParse::Ignored, ""},
        {"scroll text without terminator", with({16, 8}, utf16("x: 5 y:6")), DSParse::Ok,
         "Type: WEBESCORT_SCROLL\r\nScrollSize: 5,6\r\n\r\n"},
        {"sizing without text", Bytes{18, 8}, DSParse::Ignored, ""},
        {"modes without text", Bytes{24, 0}, DSParse::Ok,
         "Type: WEBESCORT_PMODE\r\nPointerMode: FALSE\r\nPaintMode: FALSE\r\n\r\n"},
        {"zoom without text", Bytes{23, 0}, DSParse::Ok, "Type: WEBESCORT_ZOOM\r\nZoomRate: 0\r\n\r\n"},
        {"unknown sub-type", Bytes{99, 0, 1, 2}, DSParse::Ignored, ""},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(DocShareRecordToText(c.body.data(), c.body.size(), 7, text), c.expected) << c.name;
        if (c.expected == DSParse::Ok) {
            EXPECT_EQ(text, c.text) << c.name;
        }
    }
}

TEST(DocShareRecords, Commands) {
    EXPECT_EQ(BuildDocShareCommand(DS_CMD_START), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildDocShareCommand(DS_CMD_STOP), (Bytes{4, 0, 0, 0, 0, 0, 0, 0}));
    Bytes notice(104, 0);
    notice[0] = 3;
    std::memcpy(notice.data() + 8, "alice", 5);
    std::memset(notice.data() + 56, 'N', 48);  // no terminator: the last byte is dropped
    DS_COMMAND c;
    ASSERT_TRUE(ParseDocShareCommand(notice.data(), notice.size(), c));
    EXPECT_EQ(c.userId, "alice");
    EXPECT_EQ(c.userName, std::string(47, 'N'));
    const Bytes result = {2, 0, 0, 0, 0xFE, 0xFF};
    ASSERT_TRUE(ParseDocShareCommand(result.data(), result.size(), c));
    EXPECT_EQ(c.result, -2);
    EXPECT_FALSE(ParseDocShareCommand(result.data(), 5, c));
    EXPECT_FALSE(ParseDocShareCommand(notice.data(), 103, c));
    EXPECT_FALSE(ParseDocShareCommand(notice.data(), 1, c));
    const Bytes stop = {5, 0};
    EXPECT_TRUE(ParseDocShareCommand(stop.data(), stop.size(), c));
}

}  // namespace
