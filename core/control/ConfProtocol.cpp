#include "control/ConfProtocol.h"

#include <algorithm>
#include <cstring>

PROT_STD_T PROT_STD_T::Read(const uint8_t* wire) {
    PROT_STD_T h;
    h.msgId = GetLE32(wire);
    h.bodySize = GetLE32(wire + 4);
    h.version = GetLE32(wire + 8);
    h.param = int32_t(GetLE32(wire + 12));
    return h;
}

void PROT_STD_T::Write(uint8_t* wire) const {
    PutLE32(wire, msgId);
    PutLE32(wire + 4, bodySize);
    PutLE32(wire + 8, version);
    PutLE32(wire + 12, uint32_t(param));
}

PROT_DATA_USER_INFO_T ReadUserInfo(const uint8_t* wire) {
    PROT_DATA_USER_INFO_T info;
    std::memcpy(info.userId, wire, 48);
    std::memcpy(info.userName, wire + 48, 48);
    std::memcpy(info.userType, wire + 96, 12);
    info.orderNo = int32_t(GetLE32(wire + 108));
    info.camera = wire[112];
    info.microphone = wire[113];
    std::memcpy(info.reserved, wire + 114, 6);
    // The server's texts are NUL-terminated; a record that is not stays inside its field.
    info.userId[47] = 0;
    info.userName[47] = 0;
    info.userType[11] = 0;
    return info;
}

void WriteUserInfo(const PROT_DATA_USER_INFO_T& info, uint8_t* wire) {
    std::memcpy(wire, info.userId, 48);
    std::memcpy(wire + 48, info.userName, 48);
    std::memcpy(wire + 96, info.userType, 12);
    PutLE32(wire + 108, uint32_t(info.orderNo));
    wire[112] = info.camera;
    wire[113] = info.microphone;
    std::memcpy(wire + 114, info.reserved, 6);
}

int ConfCompareUserList(const PROT_DATA_USER_INFO_T* a, const PROT_DATA_USER_INFO_T* b) {
    // The plain difference overflows for order numbers of opposite extremes.
    return (a->orderNo > b->orderNo) - (a->orderNo < b->orderNo);
}

void CopyTextField(char* field, size_t size, const char* text) {
    if (size == 0) return;
    std::memset(field, 0, size);
    if (text == nullptr) return;
    size_t n = strnlen(text, size);
    if (n >= size) {
        n = size - 1;
        // Step back over continuation bytes so that the cut falls before a lead byte.
        while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(field, text, n);
}

size_t FieldTextLength(const char* field, size_t size) {
    return strnlen(field, size);
}

bool ConfLoginFieldsFit(const char* userId, const char* password) {
    return userId != nullptr && password != nullptr && strnlen(userId, CONF_TEXT_FIELD) < CONF_TEXT_FIELD &&
           strnlen(password, CONF_TEXT_FIELD) < CONF_TEXT_FIELD;
}

std::vector<uint8_t> BuildConfLoginBody(const CONF_LOGIN_FIELDS& f) {
    const size_t optLen = f.optionJson ? std::strlen(f.optionJson) : 0;
    std::vector<uint8_t> body(CONF_LOGIN_REQ_FIXED + optLen, 0);
    uint8_t* p = body.data();
    CopyTextField(reinterpret_cast<char*>(p), CONF_TEXT_FIELD, f.userId);
    CopyTextField(reinterpret_cast<char*>(p + 48), CONF_TEXT_FIELD, f.password);
    CopyTextField(reinterpret_cast<char*>(p + 96), CONF_TEXT_FIELD, f.userName);
    std::memcpy(p + 144, &f.localAddr, 4);  // already in network byte order
    PutLE32(p + 148, f.localPort);
    p[152] = f.camera ? 'Y' : 'N';
    p[153] = f.microphone ? 'Y' : 'N';
    if (f.userType != nullptr) {
        const size_t typeLen = strnlen(f.userType, 2);
        std::memcpy(p + 154, f.userType, typeLen);
    }
    if (optLen > 0) std::memcpy(p + CONF_LOGIN_REQ_FIXED, f.optionJson, optLen);
    return body;
}

std::vector<uint8_t> BuildConfEnterBody(int32_t topRoomId, int32_t roomId) {
    std::vector<uint8_t> body(CONF_ENTER_REQ_SIZE);
    PutLE32(body.data(), uint32_t(topRoomId));
    PutLE32(body.data() + 4, uint32_t(roomId));
    return body;
}

static std::string FieldText(const uint8_t* p, size_t size) {
    const char* c = reinterpret_cast<const char*>(p);
    return std::string(c, strnlen(c, size));
}

bool ParseConfEnterRes(const uint8_t* body, size_t len, CONF_ENTER_RES& out) {
    if (body == nullptr || len < CONF_ENTER_RES_FIXED) return false;
    const int32_t count = int32_t(GetLE32(body + 8));
    // 64-bit arithmetic: a count near INT32_MAX must not wrap the size check.
    if (count < 0 || uint64_t(count) * sizeof(PROT_DATA_USER_INFO_T) > uint64_t(len - CONF_ENTER_RES_FIXED))
        return false;
    out.keyLevel = int32_t(GetLE32(body + 12));
    out.keyText = FieldText(body + 16, CONF_KEY_TEXT_FIELD - 1);
    out.ownerId = FieldText(body + 56, CONF_TEXT_FIELD - 1);
    for (size_t n = 0; n < CONF_RELAY_COUNT; ++n) {
        const uint8_t* entry = body + 104 + 56 * n;
        out.relays[n].port = GetLE32(entry + 4);
        out.relays[n].host = FieldText(entry + 8, CONF_TEXT_FIELD - 1);
    }
    out.users.clear();
    out.users.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i)
        out.users.push_back(
            ReadUserInfo(body + CONF_ENTER_RES_FIXED + sizeof(PROT_DATA_USER_INFO_T) * size_t(i)));
    std::stable_sort(out.users.begin(), out.users.end(),
                     [](const PROT_DATA_USER_INFO_T& a, const PROT_DATA_USER_INFO_T& b) {
                         return ConfCompareUserList(&a, &b) < 0;
                     });
    return true;
}

int MapConfLoginResult(int32_t result) {
    switch (result) {
        case 0:
        case 5:
            return 0;
        case 1:
        case 2:
        case 3:
        case 4:
        case 6:
            return result;
        default:
            return -17;
    }
}

int MapConfEnterResult(int32_t result) {
    if (result == 0) return 0;
    if (result >= 1 && result <= 5) return result + 7;
    return -17;
}
