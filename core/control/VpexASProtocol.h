// The command record of relay message 0x100A: {u32 command, u32 data length,
// data}. Texts are UTF-8 in zero-padded 48-byte fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum : uint32_t {
    AS_CMD_AP_SHARE_START = 1,
    AS_CMD_AP_SHARE_STOP = 2,
    AS_CMD_START_REFUSE = 3,
    AS_CMD_START_PERMIT = 4,
    AS_CMD_CONTROL_REQ = 5,
    AS_CMD_CONTROL_RES = 6,
    AS_CMD_CONTROL_RET = 7,
    AS_CMD_CONTROL_CHANGE = 8,
    AS_CMD_MOUSE_POINTER_EVENT = 9,
    AS_CMD_MOUSE_WHEEL_EVENT = 10,
    AS_CMD_CLIPBOARD_TEXT = 11,
    AS_CMD_KEY_EVENT = 12,
};

constexpr uint32_t AS_CMD_HEADER_SIZE = 8;
constexpr uint32_t AS_CMD_TEXT_FIELD = 48;
constexpr uint32_t AS_CLIPBOARD_SIZE = 1024;

// The data length of each command (0 for an unknown one).
uint32_t ASCommandDataSize(uint32_t command);

// Writes `text` into a zero-padded field of `size` bytes, at most `max`
// bytes of it (max = size leaves no terminator), cut before a character.
void PutASText(uint8_t* field, size_t size, const char* text, size_t max);
