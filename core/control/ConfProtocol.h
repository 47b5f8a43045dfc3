// Conference-server wire format: the 16-byte PROT_STD_T header, the message ids
// of the room entry, the participant record, and bounds-checked builders and
// parsers of the login and enter bodies. Every integer on the wire is
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Message ids of the conference-server connection used by the room entry.
constexpr uint32_t CONF_SYNC_LOGIN_REQ = 0x1000;
constexpr uint32_t CONF_SYNC_LOGIN_RES = 0x1001;
constexpr uint32_t CONF_SYNC_ENTER_REQ = 0x1002;
constexpr uint32_t CONF_SYNC_ENTER_RES = 0x1003;
constexpr uint32_t CONF_RECV_ENTER_REP = 0x1004;  // a participant entered the room
constexpr uint32_t CONF_ALIVE_CHECK = 0x101A;
constexpr uint32_t CONF_SEND_RESERVE_LIST_REQ = 0x101F;

// Third header word of every message this client sends.
constexpr uint32_t PROT_STD_VERSION = 0x00010001;
constexpr uint32_t CONF_HEADER_SIZE = 16;
// Largest body the receiving side accepts.
constexpr uint32_t CONF_MAX_BODY_SIZE = 399984;

constexpr size_t CONF_TEXT_FIELD = 48;        // user ids, names, passwords, hosts
constexpr size_t CONF_LOGIN_REQ_FIXED = 160;  // login body before the option text
constexpr size_t CONF_LOGIN_RES_SIZE = 136;   // kept whole for the relay start requests
constexpr size_t CONF_ENTER_REQ_SIZE = 8;
constexpr size_t CONF_ENTER_RES_FIXED = 384;  // enter reply before the participant records
constexpr size_t CONF_RELAY_COUNT = 5;
constexpr size_t CONF_KEY_TEXT_FIELD = 40;

// Little-endian access to wire bytes.
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t GetLE16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// The header in host form; Read/Write convert from and to the 16 wire bytes.
struct PROT_STD_T {
    uint32_t msgId = 0;
    uint32_t bodySize = 0;  // body bytes that follow the header, as sent
    uint32_t version = PROT_STD_VERSION;
    int32_t param = 0;  // a request's argument or a reply's result

    static PROT_STD_T Read(const uint8_t* wire);
    void Write(uint8_t* wire) const;
};

// One participant as the conference server lists it (120 bytes on the wire).
struct PROT_DATA_USER_INFO_T {
    char userId[48];
    char userName[48];
    char userType[12];
    int32_t orderNo;
    uint8_t camera;      // 'Y' when the participant has a camera
    uint8_t microphone;  // 'Y' when the participant has a microphone
    uint8_t reserved[6];
};
static_assert(sizeof(PROT_DATA_USER_INFO_T) == 120);

// Copies a 120-byte wire record; the three texts always end up NUL-terminated.
PROT_DATA_USER_INFO_T ReadUserInfo(const uint8_t* wire);
void WriteUserInfo(const PROT_DATA_USER_INFO_T& info, uint8_t* wire);

// Order of participant lists: negative, 0 or positive as the first record's
// order number is below, equal to or above the second's.
int ConfCompareUserList(const PROT_DATA_USER_INFO_T* a, const PROT_DATA_USER_INFO_T* b);

// Copies `text` into a field of `size` bytes, zero-filled, keeping room for the
// terminator; a cut never splits a UTF-8 character.
void CopyTextField(char* field, size_t size, const char* text);
// Length in bytes of a NUL-terminated text inside a field of `size` bytes.
size_t FieldTextLength(const char* field, size_t size);

struct CONF_LOGIN_FIELDS {
    const char* userId = nullptr;
    const char* password = nullptr;
    const char* userName = nullptr;
    const char* userType = nullptr;
    uint32_t localAddr = 0;  // IPv4 address in network byte order, 0 when not IPv4
    uint32_t localPort = 0;
    bool camera = false;
    bool microphone = false;
    const char* optionJson = nullptr;  // may be null: counts as empty
};

// True when the user id and the password fit their 48-byte fields with the
// terminator; longer values are refused rather than cut.
bool ConfLoginFieldsFit(const char* userId, const char* password);
// Body of CONF_SYNC_LOGIN_REQ. The user name is cut to 47 bytes on a character
// boundary; the user id and password must fit (ConfLoginFieldsFit).
std::vector<uint8_t> BuildConfLoginBody(const CONF_LOGIN_FIELDS& f);
// Body of CONF_SYNC_ENTER_REQ.
std::vector<uint8_t> BuildConfEnterBody(int32_t topRoomId, int32_t roomId);

struct CONF_RELAY_ADDR {
    std::string host;
    uint32_t port = 0;
};

// The processed body of an enter reply with result 0.
struct CONF_ENTER_RES {
    int32_t keyLevel = 0;
    std::string keyText;
    std::string ownerId;
    CONF_RELAY_ADDR relays[CONF_RELAY_COUNT];
    std::vector<PROT_DATA_USER_INFO_T> users;  // sorted by order number
};

// Parses an enter reply body. False for a body shorter than its fixed part, a
// participant count that is negative or larger than the body holds.
bool ParseConfEnterRes(const uint8_t* body, size_t len, CONF_ENTER_RES& out);

// Maps the result of the login reply to the entry's result: 0 to go on, the
// result itself for a refusal (1, 2, 3, 4, 6), -17 for anything unknown.
int MapConfLoginResult(int32_t result);
// Maps the result of the enter reply: 0 entered, 1..5 -> 8..12, else -17.
int MapConfEnterResult(int32_t result);
