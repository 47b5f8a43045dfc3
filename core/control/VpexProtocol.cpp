#include "control/VpexProtocol.h"

#include <cstdio>
#include <cstring>

#include "control/ConfProtocol.h"

VPX_STD_PROT VPX_STD_PROT::Read(const uint8_t* wire) {
    VPX_STD_PROT h;
    h.msgId = GetLE32(wire);
    h.length = GetLE32(wire + 4);
    h.target = GetLE32(wire + 8);
    h.sender = GetLE32(wire + 12);
    return h;
}

void VPX_STD_PROT::Write(uint8_t* wire) const {
    PutLE32(wire, msgId);
    PutLE32(wire + 4, length);
    PutLE32(wire + 8, target);
    PutLE32(wire + 12, sender);
}

bool VpexIsFooterPacket(uint32_t msgId) {
    switch (msgId) {
        case VPEX_VIDEO:
        case VPEX_FOOTER_TYPE_13:
        case VPEX_VIDEO_START:
        case VPEX_VIDEO_MOBILE:
        case VPEX_VIDEO_MOBILE_START:
        case VPEX_AS_DATA:
        case VPEX_AS_CMD:
            return true;
        default:
            return false;
    }
}

bool VpexIsSequencePacket(uint32_t msgId) {
    return msgId == VPEX_AS_DATA || msgId == VPEX_AS_CMD;
}

uint16_t VpexPieceCount(uint32_t length) {
    return uint16_t(length / VPEX_PIECE_SIZE + (length % VPEX_PIECE_SIZE != 0 ? 1 : 0));
}

std::vector<uint8_t> BuildVpexFrame(uint32_t msgId, uint32_t target, uint32_t sender, const uint8_t* body,
                                    uint32_t bodySize, uint32_t footer, uint16_t pieceIndex,
                                    uint16_t pieceCount) {
    const uint32_t trailer = pieceCount != 0 ? VPEX_TRAILER_SIZE : 0;
    const uint32_t foot = footer != 0 ? VPEX_FOOTER_SIZE : 0;
    VPX_STD_PROT h;
    h.msgId = msgId;
    h.length = bodySize + trailer + foot;
    h.target = target;
    h.sender = sender;
    std::vector<uint8_t> frame(VPEX_HEADER_SIZE + h.length, 0);
    h.Write(frame.data());
    if (body != nullptr && bodySize != 0) std::memcpy(frame.data() + VPEX_HEADER_SIZE, body, bodySize);
    uint8_t* tail = frame.data() + VPEX_HEADER_SIZE + bodySize;
    if (trailer != 0) {
        PutLE16(tail, pieceIndex);
        PutLE16(tail + 2, pieceCount);
        tail += trailer;
    }
    if (foot != 0) PutLE32(tail, footer);
    return frame;
}

namespace {

// Copies the text at `src` up to its first NUL (at most size - 1 bytes) into
// a field of `size` bytes, which stays terminated.
void CopyBoundedText(uint8_t* field, size_t size, const uint8_t* src) {
    const void* nul = std::memchr(src, 0, size - 1);
    const size_t n = nul != nullptr ? size_t(static_cast<const uint8_t*>(nul) - src) : size - 1;
    std::memcpy(field, src, n);
}

}  // namespace

std::vector<uint8_t> BuildVpexStartReq(const VPEX_START_REQ_FIELDS& f) {
    std::vector<uint8_t> body(VPEX_START_REQ_SIZE, 0);
    uint8_t* p = body.data();
    char room[33];
    std::snprintf(room, sizeof room, "%016u%015u", uint32_t(f.topRoomId), uint32_t(f.roomId));
    std::memcpy(p, room, 31);
    CopyTextField(reinterpret_cast<char*>(p + 32), VPEX_TEXT_FIELD, f.userId != nullptr ? f.userId : "");
    CopyTextField(reinterpret_cast<char*>(p + 80), VPEX_TEXT_FIELD, f.userName != nullptr ? f.userName : "");
    std::memcpy(p + 128, &f.localAddr, 4);  // already in network byte order
    PutLE32(p + 132, f.localPort);
    PutLE32(p + 136, f.keyLevel);
    p[140] = f.manySpeaker;
    if (f.loginRes != nullptr) {
        CopyBoundedText(p + 144, 64, f.loginRes);
        CopyBoundedText(p + 208, 32, f.loginRes + 64);
        CopyBoundedText(p + 240, 32, f.loginRes + 96);
        PutLE32(p + 272, GetLE32(f.loginRes + 128));
    }
    return body;
}

std::string VpexFieldText(const uint8_t* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    const size_t n = nul != nullptr ? size_t(static_cast<const uint8_t*>(nul) - field) : size;
    return std::string(reinterpret_cast<const char*>(field), n);
}

bool ParseVpexStartRes(const uint8_t* body, size_t len, VPEX_START_RES& out) {
    if (body == nullptr || len < VPEX_START_RES_FIXED) return false;
    out = VPEX_START_RES{};
    out.ownClientId = GetLE32(body);
    const int32_t count = int32_t(GetLE32(body + 4));
    out.keyLevel = int32_t(GetLE32(body + 16));
    out.keyText = VpexFieldText(body + 24, 39);  // the 40th byte is the terminator
    if (count <= 0) return true;
    const uint64_t need = VPEX_START_RES_FIXED + uint64_t(count) * VPEX_START_RES_ENTRY;
    if (need > len) return false;
    out.clients.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* e = body + VPEX_START_RES_FIXED + size_t(i) * VPEX_START_RES_ENTRY;
        out.clients.push_back({GetLE32(e), VpexFieldText(e + 8, VPEX_TEXT_FIELD - 1)});
    }
    return true;
}

bool ParseVpexRecvStart(const uint8_t* body, size_t len, VPEX_CLIENT_NOTICE& out) {
    if (body == nullptr || len < VPEX_RECV_START_SIZE) return false;
    out.clientId = GetLE32(body);
    out.userId = VpexFieldText(body + 8, VPEX_TEXT_FIELD - 1);
    out.userName = VpexFieldText(body + 56, VPEX_TEXT_FIELD - 1);
    return true;
}
