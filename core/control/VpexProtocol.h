// Media-relay wire format: the 16-byte VPX_STD_PROT header, the piece trailer
// and footer rules, the start request and reply of each connection and the
// connection notices. Every integer is little-endian. Builders and parsers
// here touch no socket; every parser checks the body's length before reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "network/ThreadVpex.h"  // VPEX_FOOTER_MAGIC, the footer of the wire

// Message ids of the relay protocol.
enum : uint32_t {
    VPEX_AUDIO = 3,
    VPEX_VIDEO = 4,
    VPEX_TEXT_DATA = 5,
    VPEX_IGNORED_7 = 7,
    VPEX_FOOTER_TYPE_13 = 13,
    VPEX_VIDEO_START = 14,
    VPEX_VIDEO_MOBILE = 15,
    VPEX_VIDEO_MOBILE_START = 16,
    VPEX_SYNC_START_REQ = 0x1000,
    VPEX_SYNC_START_RES = 0x1001,
    VPEX_RECV_START = 0x1002,
    VPEX_RECV_STOP_REP = 0x1004,
    VPEX_ALIVE_CHECK = 0x1005,
    VPEX_JITTER_CHECK = 0x1006,
    VPEX_SEND_START_REP = 0x1007,
    VPEX_SEND_STOP_REP = 0x1008,
    VPEX_AS_DATA = 0x1009,
    VPEX_AS_CMD = 0x100A,
    VPEX_WEB_ESCORT_DATA = 0x100D,
    VPEX_WEB_ESCORT_CMD = 0x100E,
    VPEX_MANY_MTG_CMD = 0x1011,
    VPEX_SEND_SYNC_PRE_INFO = 0x1012,
    VPEX_USER_PERMISSION_CMD = 0x1013,
    VPEX_SEND_CLOUD_REC_START = 0x1015,
    VPEX_SEND_CLOUD_REC_STOP = 0x1016,
};

// Relay connections.
enum : int {
    VPEX_CONN_VIDEO = 0,
    VPEX_CONN_AUDIO = 1,
    VPEX_CONN_OTHER = 2,
    VPEX_CONN_AS = 3,
    VPEX_CONN_CB = 4,
};

constexpr uint32_t VPEX_HEADER_SIZE = 16;
constexpr uint32_t VPEX_TARGET_ALL = 0xFFFFFFFF;
constexpr uint32_t VPEX_TARGET_NOTICE = 0;  // target of 0x1005, 0x1007 and 0x1008
constexpr uint32_t VPEX_PIECE_SIZE = 65448;  // body bytes of one piece of a sequence message
constexpr uint32_t VPEX_TRAILER_SIZE = 4;    // u16 piece index, u16 piece count
constexpr uint32_t VPEX_FOOTER_SIZE = 4;

constexpr size_t VPEX_START_REQ_SIZE = 280;
constexpr size_t VPEX_START_RES_FIXED = 64;
constexpr size_t VPEX_START_RES_ENTRY = 112;
constexpr size_t VPEX_RECV_START_SIZE = 104;
constexpr size_t VPEX_RECV_STOP_SIZE = 4;
constexpr size_t VPEX_TEXT_FIELD = 48;

// The header in host form.
struct VPX_STD_PROT {
    uint32_t msgId = 0;
    uint32_t length = 0;  // everything after the header: body as sent, trailer, footer
    uint32_t target = VPEX_TARGET_ALL;
    uint32_t sender = 0;  // the sender's own client id on the connection

    static VPX_STD_PROT Read(const uint8_t* wire);
    void Write(uint8_t* wire) const;
};

// Ids whose messages this client ends with the footer: 4, 13, 14, 15, 16,
// 0x1009 and 0x100A. (Of received messages only 4, 13, 14, 0x1009 and 0x100A
// carry it; the receive thread strips it.)
bool VpexIsFooterPacket(uint32_t msgId);
// Ids sent in pieces with a piece trailer: 0x1009 and 0x100A.
bool VpexIsSequencePacket(uint32_t msgId);
// Pieces of a sequence message of `length` body bytes.
uint16_t VpexPieceCount(uint32_t length);

// One whole message: header, `body` as given (already encrypted), then the
// piece trailer when pieceCount is not 0, then the footer when `footer` is
// not 0. The header's length counts everything after it.
std::vector<uint8_t> BuildVpexFrame(uint32_t msgId, uint32_t target, uint32_t sender, const uint8_t* body,
                                    uint32_t bodySize, uint32_t footer, uint16_t pieceIndex,
                                    uint16_t pieceCount);

struct VPEX_START_REQ_FIELDS {
    int32_t topRoomId = 0;
    int32_t roomId = 0;
    const char* userId = nullptr;
    const char* userName = nullptr;
    uint32_t localAddr = 0;  // IPv4 in network byte order
    uint32_t localPort = 0;
    uint32_t keyLevel = 0;  // the conference enter reply's level
    uint8_t manySpeaker = 0;
    const uint8_t* loginRes = nullptr;  // the conference login reply body, 136 bytes
};

// The 280-byte body of VPEX_SYNC_START_REQ. Texts are cut to 47 bytes on a
// character boundary; the three login-reply texts stop at their first NUL
// and never leave their 64-, 32- and 32-byte fields.
std::vector<uint8_t> BuildVpexStartReq(const VPEX_START_REQ_FIELDS& f);

struct VPEX_CLIENT_ENTRY {
    uint32_t clientId = 0;
    std::string userId;
};

struct VPEX_START_RES {
    uint32_t ownClientId = 0;
    int32_t keyLevel = 0;
    std::string keyText;  // at most 39 characters
    std::vector<VPEX_CLIENT_ENTRY> clients;
};

// Parses a start reply body. False for a body shorter than its fixed part or
// one whose entry count is larger than the body holds.
bool ParseVpexStartRes(const uint8_t* body, size_t len, VPEX_START_RES& out);

struct VPEX_CLIENT_NOTICE {
    uint32_t clientId = 0;
    std::string userId;
    std::string userName;
};

// Client start notice (0x1002); false for a body shorter than 104 bytes.
bool ParseVpexRecvStart(const uint8_t* body, size_t len, VPEX_CLIENT_NOTICE& out);
// A text of a fixed field: up to its first NUL, never past the field.
std::string VpexFieldText(const uint8_t* field, size_t size);
