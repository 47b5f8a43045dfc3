// Relay wire format without sockets: footer and piece rules, the start request
// byte by byte, and the bounds of every parsed body.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control/ConfProtocol.h"
#include "control/VpexProtocol.h"

namespace {

TEST(VpexProtocol, FooterAndSequenceSetsOfSentMessages) {
    struct Case {
        uint32_t id;
        bool footer;
        bool sequence;
    };
    const Case cases[] = {
        {VPEX_AUDIO, false, false},
        {VPEX_VIDEO, true, false},
        {VPEX_TEXT_DATA, false, false},
        {VPEX_FOOTER_TYPE_13, true, false},
        {VPEX_VIDEO_START, true, false},
        {VPEX_VIDEO_MOBILE, true, false},
        {VPEX_VIDEO_MOBILE_START, true, false},
        {VPEX_SYNC_START_REQ, false, false},
        {VPEX_ALIVE_CHECK, false, false},
        {VPEX_AS_DATA, true, true},
        {VPEX_AS_CMD, true, true},
        {VPEX_MANY_MTG_CMD, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VpexIsFooterPacket(c.id), c.footer) << std::hex << c.id;
        EXPECT_EQ(VpexIsSequencePacket(c.id), c.sequence) << std::hex << c.id;
    }
}

TEST(VpexProtocol, PieceCountAtTheBoundary) {
    EXPECT_EQ(VpexPieceCount(0), 0);
    EXPECT_EQ(VpexPieceCount(1), 1);
    EXPECT_EQ(VpexPieceCount(65448), 1);
    EXPECT_EQ(VpexPieceCount(65449), 2);
    EXPECT_EQ(VpexPieceCount(3 * 65448), 3);
}

TEST(VpexProtocol, FrameCarriesTrailerBeforeFooterAndCountsThemInTheLength) {
    const uint8_t body[5] = {1, 2, 3, 4, 5};
    const std::vector<uint8_t> f =
        BuildVpexFrame(VPEX_AS_DATA, 0xFFFFFFFF, 7, body, 5, VPEX_FOOTER_MAGIC, 1, 2);
    ASSERT_EQ(f.size(), 16u + 5 + 4 + 4);
    const VPX_STD_PROT h = VPX_STD_PROT::Read(f.data());
    EXPECT_EQ(h.msgId, VPEX_AS_DATA);
    EXPECT_EQ(h.length, 13u);
    EXPECT_EQ(h.target, 0xFFFFFFFFu);
    EXPECT_EQ(h.sender, 7u);
    EXPECT_EQ(std::memcmp(f.data() + 16, body, 5), 0);
    EXPECT_EQ(GetLE16(f.data() + 21), 1);
    EXPECT_EQ(GetLE16(f.data() + 23), 2);
    EXPECT_EQ(GetLE32(f.data() + 25), 0x1509FA97u);

    const std::vector<uint8_t> notice = BuildVpexFrame(VPEX_ALIVE_CHECK, 0, 9, nullptr, 0, 0, 0, 0);
    ASSERT_EQ(notice.size(), 16u);
    EXPECT_EQ(VPX_STD_PROT::Read(notice.data()).length, 0u);
}

std::vector<uint8_t> LoginReply() {
    std::vector<uint8_t> r(136, 0);
    std::memcpy(r.data(), "session-token", 13);
    std::memset(r.data() + 64, 'B', 32);  // no terminator inside its field
    std::memcpy(r.data() + 96, "third", 5);
    PutLE32(r.data() + 128, 0xA1B2C3D4);
    return r;
}

TEST(VpexProtocol, StartRequestFieldByField) {
    const std::vector<uint8_t> login = LoginReply();
    VPEX_START_REQ_FIELDS f;
    f.topRoomId = 12;
    f.roomId = 345;
    f.userId = "user-1";
    f.userName = "Ünïcode name";
    f.localAddr = 0x0100007F;  // 127.0.0.1 in network order
    f.localPort = 54321;
    f.keyLevel = 3;
    f.manySpeaker = 8;
    f.loginRes = login.data();
    const std::vector<uint8_t> b = BuildVpexStartReq(f);
    ASSERT_EQ(b.size(), 280u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "0000000000000012000000000000345");
    EXPECT_EQ(b[31], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 32), "user-1");
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 80), "Ünïcode name");
    EXPECT_EQ(b[128], 127);
    EXPECT_EQ(b[131], 1);
    EXPECT_EQ(GetLE32(b.data() + 132), 54321u);
    EXPECT_EQ(GetLE32(b.data() + 136), 3u);
    EXPECT_EQ(b[140], 8);
    EXPECT_EQ(b[141] | b[142] | b[143], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 144), "session-token");
    // A text without terminator stays inside its 32-byte field, cut to 31 bytes.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 208)), std::string(31, 'B'));
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 240), "third");
    EXPECT_EQ(GetLE32(b.data() + 272), 0xA1B2C3D4u);
    EXPECT_EQ(GetLE32(b.data() + 276), 0u);
}

TEST(VpexProtocol, StartRequestCutsLongTextsOnCharacterBoundaries) {
    VPEX_START_REQ_FIELDS f;
    const std::string id(60, 'x');
    std::string name;
    for (int i = 0; i < 20; ++i) name += "\xE3\x81\x82";  // 60 bytes of three-byte characters
    f.userId = id.c_str();
    f.userName = name.c_str();
    f.topRoomId = -1;  // written as its unsigned value
    const std::vector<uint8_t> b = BuildVpexStartReq(f);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "0000004294967295000000000000000");
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(b.data() + 32)), 47u);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(b.data() + 80)), 45u);  // 15 whole characters
}

std::vector<uint8_t> StartReply(uint32_t own, int32_t count, size_t entries, int32_t level, const char* key) {
    std::vector<uint8_t> r(64 + entries * 112, 0);
    PutLE32(r.data(), own);
    PutLE32(r.data() + 4, uint32_t(count));
    PutLE32(r.data() + 16, uint32_t(level));
    std::memset(r.data() + 24, 0, 40);
    std::memcpy(r.data() + 24, key, std::min<size_t>(std::strlen(key), 40));
    for (size_t i = 0; i < entries; ++i) {
        uint8_t* e = r.data() + 64 + i * 112;
        PutLE32(e, uint32_t(100 + i));
        std::memset(e + 8, 'u', 48);  // no terminator: the last byte is forced
        e[8] = char('a' + i);
    }
    return r;
}

TEST(VpexProtocol, StartReplyEntriesAndKey) {
    const std::string longKey(45, 'K');
    const std::vector<uint8_t> r = StartReply(42, 2, 2, 2, longKey.c_str());
    VPEX_START_RES res;
    ASSERT_TRUE(ParseVpexStartRes(r.data(), r.size(), res));
    EXPECT_EQ(res.ownClientId, 42u);
    EXPECT_EQ(res.keyLevel, 2);
    EXPECT_EQ(res.keyText, std::string(39, 'K'));
    ASSERT_EQ(res.clients.size(), 2u);
    EXPECT_EQ(res.clients[0].clientId, 100u);
    EXPECT_EQ(res.clients[1].clientId, 101u);
    EXPECT_EQ(res.clients[1].userId, "b" + std::string(46, 'u'));
}

TEST(VpexProtocol, StartReplyBounds) {
    struct Case {
        const char* name;
        int32_t count;
        size_t entries;
        size_t cut;  // bytes removed from the end
        bool ok;
        size_t clients;
    };
    const Case cases[] = {
        {"no entries", 0, 0, 0, true, 0},           {"negative count", -3, 1, 0, true, 0},
        {"count fits", 3, 3, 0, true, 3},           {"count above the body", 4, 3, 0, false, 0},
        {"huge count", 0x7FFFFFFF, 1, 0, false, 0}, {"last entry cut", 2, 2, 1, false, 0},
        {"fixed part cut", 0, 0, 1, false, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> r = StartReply(1, c.count, c.entries, 1, "k");
        r.resize(r.size() - c.cut);
        VPEX_START_RES res;
        EXPECT_EQ(ParseVpexStartRes(r.data(), r.size(), res), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(res.clients.size(), c.clients) << c.name;
        }
    }
}

TEST(VpexProtocol, ClientStartNotice) {
    std::vector<uint8_t> b(104, 0);
    PutLE32(b.data(), 77);
    std::memset(b.data() + 8, 'i', 48);
    std::memcpy(b.data() + 56, "Name", 4);
    VPEX_CLIENT_NOTICE n;
    ASSERT_TRUE(ParseVpexRecvStart(b.data(), b.size(), n));
    EXPECT_EQ(n.clientId, 77u);
    EXPECT_EQ(n.userId, std::string(47, 'i'));
    EXPECT_EQ(n.userName, "Name");
    EXPECT_FALSE(ParseVpexRecvStart(b.data(), 103, n));
}

}  // namespace
