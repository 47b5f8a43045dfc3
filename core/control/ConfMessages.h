// Conference-server wire format of the running room: the message ids of the
// floor control, owner, forced leave, private and free messages, client
// description and bandwidth, with bounds-checked builders and parsers of
// their bodies. Every integer on the wire is little-endian; texts of the
// private and free messages are UTF-16LE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "control/ConfProtocol.h"
#include "control/FreeMessageCodes.h"

// Sent by the client.
constexpr uint32_t CONF_SEND_START_REP = 0x1009;
constexpr uint32_t CONF_SEND_STOP_REP = 0x100B;
constexpr uint32_t CONF_SEND_SPEECH_RESERVE = 0x100C;
constexpr uint32_t CONF_SEND_SPEECH_RESERVE_CANCEL = 0x1010;
constexpr uint32_t CONF_SEND_SPEECH_NOMINATE = 0x1011;
constexpr uint32_t CONF_SEND_SPEECH_END = 0x1015;
constexpr uint32_t CONF_SEND_MESSAGE = 0x1016;
constexpr uint32_t CONF_SEND_CHANGE_OWNER = 0x101C;
constexpr uint32_t CONF_SEND_FREE_MESSAGE_REP = 0x1021;
constexpr uint32_t CONF_SEND_FORCE_LEAVE = 0x1025;
constexpr uint32_t CONF_SEND_CLIENT_INFO = 0x1038;

// Received with a body.
constexpr uint32_t CONF_RECV_LEAVE_REP = 0x1007;
constexpr uint32_t CONF_RECV_START_REP = 0x1008;
constexpr uint32_t CONF_RECV_STOP_REP = 0x100A;
constexpr uint32_t CONF_RECV_SPEECH_RESERVE_REP = 0x100E;
constexpr uint32_t CONF_RECV_SPEECH_RESERVE_CANCEL = 0x100F;
constexpr uint32_t CONF_RECV_MESSAGE = 0x1018;
constexpr uint32_t CONF_RECV_CHANGE_OWNER_REP = 0x101B;
constexpr uint32_t CONF_RECV_RESERVE_LIST_RES = 0x1020;
constexpr uint32_t CONF_RECV_FREE_MSG_REP = 0x1023;
constexpr uint32_t CONF_RECV_FORCE_LEAVE_REP = 0x1024;
constexpr uint32_t CONF_RECV_BAND_WIDTH = 0x1026;
constexpr uint32_t CONF_RECV_IGNORED_1036 = 0x1036;
constexpr uint32_t CONF_RECV_IGNORED_1037 = 0x1037;

// Received without a body.
constexpr uint32_t CONF_RECV_SPEECH_RESERVE_RESULT = 0x100D;
constexpr uint32_t CONF_RECV_SPEECH_NOMINATE_RESULT = 0x1012;
constexpr uint32_t CONF_RECV_SPEECH_NOMINATE = 0x1013;
constexpr uint32_t CONF_RECV_SPEECH_END = 0x1014;
constexpr uint32_t CONF_RECV_IGNORED_1017 = 0x1017;
constexpr uint32_t CONF_RECV_PUSH_OUT = 0x1019;
constexpr uint32_t CONF_RECV_IGNORED_1022 = 0x1022;

constexpr size_t CONF_USER_INFO_SIZE = sizeof(PROT_DATA_USER_INFO_T);  // 120
constexpr size_t CONF_FORCE_LEAVE_SIZE = 96;                           // id, name
constexpr size_t CONF_RESERVE_LIST_FIXED = 8;                          // count, 4 bytes unread
constexpr size_t CONF_BANDWIDTH_ENTRIES = 5;
constexpr size_t CONF_BANDWIDTH_SIZE = 8 * CONF_BANDWIDTH_ENTRIES;

// Private message: addressee (sender on receipt) id, sender name, text.
constexpr size_t CONF_MESSAGE_HEADER = 96;
constexpr size_t CONF_MESSAGE_TEXT = 1024;
constexpr size_t CONF_MESSAGE_SIZE = CONF_MESSAGE_HEADER + CONF_MESSAGE_TEXT;  // 1120

// Client description.
constexpr size_t CONF_CLIENT_INFO_SIZE = 64;

// Free message (both directions).
constexpr size_t CONF_FREEMSG_USER = 8;
constexpr size_t CONF_FREEMSG_NAME = 56;
constexpr size_t CONF_FREEMSG_CODE = 104;
constexpr size_t CONF_FREEMSG_VALUE = 108;
constexpr size_t CONF_FREEMSG_TEXT = 112;
constexpr size_t CONF_FREEMSG_TEXT_SIZE = 1016;
constexpr size_t CONF_FREEMSG_SIZE = CONF_FREEMSG_TEXT + CONF_FREEMSG_TEXT_SIZE;  // 1128

// Questionnaire cells, counted in UTF-8 characters and padded with LF.
constexpr size_t QUESTION_CELL = 64;
constexpr size_t CHOICE_CELL = 32;
constexpr int QUESTION_CHOICES = 5;

// True when a user id fits a 48-byte id field with its terminator; ids longer
// than 47 bytes name nobody (the login refuses them).
bool ConfIdFits(const char* userId);
// A 48-byte id body; empty when the id does not fit.
std::vector<uint8_t> BuildConfIdBody(const char* userId);

// The text of a fixed field: up to its first NUL, never past `size` bytes.
std::string ConfFieldText(const uint8_t* field, size_t size);

// UTF-8 to UTF-16LE into a zero-filled field of `size` bytes; false when the
// whole text does not fit (the field then holds what fitted, on a character
// boundary).
bool ConfTextToField(const std::string& text, uint8_t* field, size_t size);
// UTF-16LE (up to the first zero unit, at most `bytes` bytes, an odd last
// byte ignored) to UTF-8; every unit gets room for three bytes.
std::string ConfFieldToText(const uint8_t* field, size_t bytes);

// Private message body: id field, sender name, text (line ends as given). The
// text is cut at the field's end on a character boundary; empty when the id
// does not fit.
std::vector<uint8_t> BuildConfMessageBody(const char* userId, const char* senderName,
                                          const std::string& text);

struct CONF_MESSAGE {
    std::string userId;
    std::string userName;
    std::string text;  // UTF-8, line ends as sent
};
// False for a body shorter than its 96-byte header.
bool ParseConfMessage(const uint8_t* body, size_t len, CONF_MESSAGE& out);

// Client description body: kind, the first three decimal parts of the
// version text, the two texts cut to their fields.
std::vector<uint8_t> BuildConfClientInfoBody(int32_t kind, const char* version, const char* first,
                                             const char* second);

struct CONF_FREEMSG {
    int32_t topRoomId = 0;
    int32_t roomId = 0;
    std::string userId;  // the addressee when sending, the sender on receipt
    std::string userName;
    uint32_t code = 0;
    int32_t value = 0;
    std::string text;  // UTF-8
};
// The 1128-byte body; false (and nothing built) when the id does not fit or
// the text does not fit the text field.
bool BuildConfFreeMsgBody(const CONF_FREEMSG& m, std::vector<uint8_t>& body);
// False for a body that ends before the text field.
bool ParseConfFreeMsg(const uint8_t* body, size_t len, CONF_FREEMSG& out);

// Reservation list: its records sorted by order number. False for a body
// shorter than its fixed part or whose count is larger than the body holds;
// a count of 0 or less is an empty list.
bool ParseConfReserveList(const uint8_t* body, size_t len, std::vector<PROT_DATA_USER_INFO_T>& out);

struct CONF_BANDWIDTH_ENTRY {
    int32_t connection;
    int32_t kbps;
};
// False for a body shorter than its five entries.
bool ParseConfBandwidth(const uint8_t* body, size_t len, CONF_BANDWIDTH_ENTRY (&out)[CONF_BANDWIDTH_ENTRIES]);

// Questionnaire text: the question's cell, then five choice cells. False for
// more than five choices or a negative count, a missing choice, a question
// over 64 or a choice over 32 characters.
bool BuildQuestionnaireText(const char* question, int count, const char* const* choices, std::string& out);
// The question and the choices of a received questionnaire text, read cell
// by cell; empty choices are dropped (the later ones move up).
void ParseQuestionnaireText(const std::string& text, std::string& question,
                            std::vector<std::string>& choices);

// Window synchronisation: the part before the first ':', the part up to the
// second ':', the rest; missing parts are empty.
void ParseWindowSync(const std::string& text, std::string& first, std::string& second, std::string& third);

// The decimal number at the start of a text (0 when none; saturates).
uint32_t LeadingNumber(const std::string& text);

// The pieces of a text between occurrences of the separator, empty pieces
// dropped; an empty separator or text gives the whole text as the one piece.
std::vector<std::string> splitStr(const std::string& text, const std::string& separator);
