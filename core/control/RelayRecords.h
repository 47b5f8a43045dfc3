// Records of the short relay messages between participants: the text box
// (5), the many-meeting commands (0x1011), the permission commands (0x1013)
// and the cloud-recording start and stop (0x1015, 0x1016). Builders and
// parsers touch no socket; every parser reads only within the body it is
// given and refuses a body too short for its fixed part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Text-box record kinds.
enum : int32_t { TEXT_KIND_DATA = 50, TEXT_KIND_ACTIVE = 51 };

constexpr size_t TEXTBOX_FIXED_SIZE = 296;     // everything before the message
constexpr size_t TEXTBOX_MESSAGE_AREA = 2200;  // UTF-16LE bytes of the message at most
constexpr size_t TEXTBOX_TEXT_FIELD = 96;      // user id and user name, UTF-16LE
constexpr size_t TEXTBOX_FACE_FIELD = 64;

struct TEXTBOX_FONT {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::string faceName;  // UTF-8
    uint32_t color = 0;    // red + green * 256 + blue * 65536
    uint16_t size = 0;
};

// The record of a text block: kind 50 for "TEXTBOXMESSAGE" (the message and
// the font keys are read), kind 51 for "TEXTBOXACTIVEWINDOW". Empty for any
// other type. `badColor` tells that the "FontColor:" value lacked a comma
// (the colour is then 0).
std::vector<uint8_t> BuildTextBoxRecord(const std::string& block, bool& badColor);
// A kind-51 record for the user.
std::vector<uint8_t> BuildTextBoxActiveRecord(const char* userId, const char* userName);

struct TEXTBOX_RECORD {
    int32_t kind = 0;
    std::string userId;
    std::string userName;
    TEXTBOX_FONT font;
    std::string message;  // UTF-8, line ends as received
};

// False for a body shorter than the fixed part.
bool ParseTextBoxRecord(const uint8_t* body, size_t len, TEXTBOX_RECORD& out);
// The font options handed up with a received line.
std::string TextBoxFontJson(const TEXTBOX_FONT& font);

// Many-meeting commands.
enum : uint16_t {
    MANY_MTG_START_REQ = 1,
    MANY_MTG_START_RES = 2,
    MANY_MTG_START = 3,
    MANY_MTG_STOP_SEND = 4,
    MANY_MTG_STOP = 5,
    MANY_MTG_SPEAKER_LIST_REQ = 6,
    MANY_MTG_LIST_RES = 7,
};
constexpr size_t MANY_MTG_FIXED_SIZE = 8;
constexpr size_t MANY_MTG_ENTRY_SIZE = 96;

struct MANY_MTG_RECORD {
    uint16_t command = 0;
    int16_t code = 0;
    int16_t subCode = 0;
    std::vector<std::string> userIds;
    std::vector<std::string> userNames;
};

// A record with the given entries (each id and name cut to 47 bytes).
std::vector<uint8_t> BuildManyMtgRecord(const MANY_MTG_RECORD& r);
// False for a body shorter than 8 bytes. Only whole entries that lie within
// the body are read, however large the entry length claims to be.
bool ParseManyMtgRecord(const uint8_t* body, size_t len, MANY_MTG_RECORD& out);

// Permission commands.
enum : int32_t { PERMISSION_CMD_REQ = 1, PERMISSION_CMD_RES = 2, PERMISSION_CMD_REP = 3 };
constexpr size_t PERMISSION_SIZE = 104;
constexpr size_t PERMISSION_REP_SIZE = 112;

struct PERMISSION_RECORD {
    int32_t command = 0;
    int32_t code = 0;
    std::string addresseeId;
    std::string senderId;
    int32_t functionFlags = 0;  // command 3 only
    int32_t permitFlags = 0;    // command 3 only
};

std::vector<uint8_t> BuildPermissionRecord(const PERMISSION_RECORD& r);
// False for a body shorter than 104 bytes; the flag words are read only when
// the body holds both of them.
bool ParsePermissionRecord(const uint8_t* body, size_t len, PERMISSION_RECORD& out);

// Cloud-recording record: two values, user id and name, and for a start the
// options text. Empty when `optionsJson` is given but is no JSON object.
// The options gain (or have replaced) the member "addr" = relayHost.
std::vector<uint8_t> BuildCloudRecRecord(int32_t first, int32_t second, const char* userId,
                                         const char* userName, const char* optionsJson, const char* relayHost,
                                         bool start);

// Text helpers of these records and of the document-sharing records.
// UTF-8 into a zero-filled UTF-16LE field of `size` bytes (cut at the field).
void PutUtf16Field(uint8_t* field, size_t size, const std::string& text);
// The UTF-16LE text of a field of `size` bytes, up to its first zero unit,
// as UTF-8 (a buffer of three bytes per unit: nothing is cut).
std::string Utf16FieldText(const uint8_t* field, size_t size);
// The leading decimal number of a text (blanks, optional sign, digits), 0 when none.
int32_t DecimalValue(const std::string& text);
