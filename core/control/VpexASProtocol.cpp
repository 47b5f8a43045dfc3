#include "control/VpexASProtocol.h"

#include <cstring>

uint32_t ASCommandDataSize(uint32_t command) {
    switch (command) {
        case AS_CMD_AP_SHARE_START:
            return 208;
        case AS_CMD_AP_SHARE_STOP:
            return 104;
        case AS_CMD_START_REFUSE:
            return 4;
        case AS_CMD_START_PERMIT:
            return 8;
        case AS_CMD_CONTROL_REQ:
            return 104;
        case AS_CMD_CONTROL_RES:
            return 104;
        case AS_CMD_CONTROL_RET:
            return 0;
        case AS_CMD_CONTROL_CHANGE:
            return 96;
        case AS_CMD_MOUSE_POINTER_EVENT:
            return 8;
        case AS_CMD_MOUSE_WHEEL_EVENT:
            return 8;
        case AS_CMD_CLIPBOARD_TEXT:
            return AS_CLIPBOARD_SIZE;
        case AS_CMD_KEY_EVENT:
            return 8;
        default:
            return 0;
    }
}

void PutASText(uint8_t* field, size_t size, const char* text, size_t max) {
    std::memset(field, 0, size);
    if (text == nullptr) return;
    if (max > size) max = size;
    size_t n = strnlen(text, max + 1);
    if (n > max) {
        n = max;
        // Step back over continuation bytes so that the cut falls before a lead byte.
        while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(field, text, n);
}
