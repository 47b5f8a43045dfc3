// Document-sharing records: the text messages of the application ("Type:",
// "Key:" and further "Name: value" lines, each ending in CR LF) turned into
// the binary records of 0x100D and back, and the command records of 0x100E.
// No socket is touched; received records are read only within their length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Sub-types of 0x100D records (the record's first byte).
enum : uint8_t {
    DS_WBRD_DATA = 3,
    DS_WBRD_CLEAR = 5,  // byte 1: 1 for a web-escort clear, 0 for a whiteboard clear
    DS_WEB_ESCORT = 6,
    DS_WEB_ESCORT_ACTIVE = 9,
    DS_WEB_ESCORT_SCROLL = 16,
    DS_WEB_ESCORT_USE_DEFAULT = 17,
    DS_WEB_ESCORT_SIZING = 18,
    DS_WEB_ESCORT_REQUEST = 19,
    DS_WEB_ESCORT_STOP = 20,
    DS_WEB_ESCORT_PAGE_INFO = 21,
    DS_WBRD_MOUSE_POINT = 22,
    DS_WEB_ESCORT_ZOOM = 23,
    DS_WEB_ESCORT_POINTER_MODE = 24,
    DS_WEB_ESCORT_REQUEST2 = 25,
};

// Commands of 0x100E records.
enum : uint16_t {
    DS_CMD_START = 1,
    DS_CMD_START_RESULT = 2,
    DS_CMD_START_NOTICE = 3,
    DS_CMD_STOP = 4,
    DS_CMD_STOP_NOTICE = 5,
};

constexpr size_t DS_RECORD_AREA = 4096;  // the largest record built
constexpr size_t DS_ENTRY_SIZE = 1208;   // address entry: name 200, address 1000, 8 zero bytes
constexpr size_t DS_ENTRIES_AT = 130;
constexpr size_t DS_MAX_TARGETS = 2;    // entries after the document's own that fit the area
constexpr size_t DS_MAX_POINTS = 1020;  // whiteboard points that fit the area
constexpr size_t DS_COMMAND_SIZE = 8;

enum class DSBuild {
    Ok,
    UnknownType,  // no record for the "Type:" value
    Invalid,      // a value without its comma(s)
    TooLarge,     // more target entries or points than the record holds
};

// The record of a text message and its addressee ("Key:" as a client id,
// 0xFFFFFFFF when empty or missing). ownUserId fills the clear records.
DSBuild BuildDocShareRecord(const std::string& text, const std::string& ownUserId,
                            std::vector<uint8_t>& record, uint32_t& target);
// The addressee of a text message.
uint32_t DocShareTarget(const std::string& text);

enum class DSParse {
    Ok,       // `text` holds the message, ended by an empty line
    Ignored,  // a sub-type without text message, or a size or scroll text without " y:"
    Broken,   // the record is shorter than its fixed fields
};

// The text message of a received record; `sender` is the header's client id.
DSParse DocShareRecordToText(const uint8_t* body, size_t len, uint32_t sender, std::string& text);
// Whether a received sub-type is announced by a log line.
bool DocShareSubTypeLogged(uint8_t subType);

// The 8-byte command record of a start or stop.
std::vector<uint8_t> BuildDocShareCommand(uint16_t command);

struct DS_COMMAND {
    uint16_t command = 0;
    int16_t result = 0;    // command 2
    std::string userId;    // command 3
    std::string userName;  // command 3
};

// False when the record is shorter than its command needs.
bool ParseDocShareCommand(const uint8_t* body, size_t len, DS_COMMAND& out);
