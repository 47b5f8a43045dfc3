// Image records of application sharing. Every record starts with
// {u32 type, u32 length of what follows}; on the wire it ends with the end
// mark, which the length counts. In the encoder's own queue a record is kept
// without its end mark (length 8 + JPEG bytes, or 8).
#pragma once

#include <cstdint>

#include "control/ConfProtocol.h"  // little-endian helpers

enum : uint32_t {
    ASPROT_MSG_SHOW_RECT = 101,
    ASPROT_MSG_CHANGE_WINDOW_SIZE = 102,
    ASPROT_MSG_KEY_FRAME = 103,
};

constexpr uint32_t AS_DATA_FOOTER_MAGIC = 0x13D1F9EF;
constexpr uint32_t ASPROT_HEADER_SIZE = 8;  // type, length
constexpr uint32_t ASPROT_RECT_SIZE = 8;    // u16 left, top, right, bottom
constexpr uint32_t ASPROT_FOOTER_SIZE = 4;
// A key-frame or size-change record on the wire, and in the encoder's queue.
constexpr uint32_t ASPROT_SMALL_RECORD_SIZE = ASPROT_HEADER_SIZE + ASPROT_RECT_SIZE + ASPROT_FOOTER_SIZE;
constexpr uint32_t ASPROT_QUEUED_SMALL_SIZE = ASPROT_HEADER_SIZE + ASPROT_RECT_SIZE;

inline bool IsASRecordType(uint32_t type) {
    return type >= ASPROT_MSG_SHOW_RECT && type <= ASPROT_MSG_KEY_FRAME;
}

// Half-open rectangle of the shared picture.
struct AS_RECT {
    uint16_t left = 0, top = 0, right = 0, bottom = 0;
    static AS_RECT Read(const uint8_t* p) {
        return {GetLE16(p), GetLE16(p + 2), GetLE16(p + 4), GetLE16(p + 6)};
    }
    void Write(uint8_t* p) const {
        PutLE16(p, left);
        PutLE16(p + 2, top);
        PutLE16(p + 4, right);
        PutLE16(p + 6, bottom);
    }
};
