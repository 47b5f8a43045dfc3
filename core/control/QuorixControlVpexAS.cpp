// Relay application sharing: the twelve commands of message 0x100A, sent and
// received on relay connection 3, the image records of message 0x1009 that
// the sharing encoder hands over, and the sharing transfer thread that the
// start and stop commands create and delete.
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/ThreadTransferBuffer.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "control/VpexASProtocol.h"
#include "datamanager/ASDataManager.h"
#include "datamanager/ASRecord.h"
#include "tessel/TS_Common.h"

namespace {

// Data of a command with a u32 value or kind, 4 zero bytes, user id (at most
// `idMax` bytes) and user name (at most `nameMax`).
std::vector<uint8_t> KindAndUser(uint32_t value, const char* userId, const char* userName, size_t idMax,
                                 size_t nameMax) {
    std::vector<uint8_t> d(8 + 2 * AS_CMD_TEXT_FIELD, 0);
    PutLE32(d.data(), value);
    PutASText(d.data() + 8, AS_CMD_TEXT_FIELD, userId, idMax);
    PutASText(d.data() + 8 + AS_CMD_TEXT_FIELD, AS_CMD_TEXT_FIELD, userName, nameMax);
    return d;
}

std::vector<uint8_t> TwoWords(uint32_t a, uint32_t b) {
    std::vector<uint8_t> d(8, 0);
    PutLE32(d.data(), a);
    PutLE32(d.data() + 4, b);
    return d;
}

std::string FieldText(const uint8_t* field) {
    return VpexFieldText(field, AS_CMD_TEXT_FIELD);
}

constexpr size_t kShortText = AS_CMD_TEXT_FIELD - 1;  // ids and names that keep a terminator
constexpr size_t kFullText = AS_CMD_TEXT_FIELD;

}  // namespace

// --- senders ---------------------------------------------------------------------

bool CQuorixControl::VpexSendASCmd(const uint8_t* record, uint32_t length) {
    return VpexSend(VPEX_CONN_AS, VPEX_AS_CMD, VPEX_TARGET_ALL, VpexOwnClientId(VPEX_CONN_AS), record, length,
                    0, false);
}

bool CQuorixControl::VpexSendASData(const uint8_t* record, uint32_t length) {
    return VpexSend(VPEX_CONN_AS, VPEX_AS_DATA, VPEX_TARGET_ALL, VpexOwnClientId(VPEX_CONN_AS), record,
                    length, 4, false);
}

namespace {

std::vector<uint8_t> CommandRecord(uint32_t command, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> r(AS_CMD_HEADER_SIZE + data.size(), 0);
    PutLE32(r.data(), command);
    PutLE32(r.data() + 4, uint32_t(data.size()));
    if (!data.empty()) std::memcpy(r.data() + AS_CMD_HEADER_SIZE, data.data(), data.size());
    return r;
}

}  // namespace

namespace {

bool SendCommand(CQuorixControl& control, uint32_t command, const std::vector<uint8_t>& data) {
    const std::vector<uint8_t> record = CommandRecord(command, data);
    return control.VpexSendASCmd(record.data(), uint32_t(record.size()));
}

}  // namespace

bool CQuorixControl::VpexSendASStart(uint16_t windowed, uint16_t shareType, uint16_t width, uint16_t height,
                                     uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                     const char* sharerId, const char* sharerName, const char* operatorId,
                                     const char* operatorName) {
    if (!m_bLogin) return false;
    CASDataManager::onAPShareStart(width, height);
    std::vector<uint8_t> d(ASCommandDataSize(AS_CMD_AP_SHARE_START), 0);
    const uint16_t values[8] = {windowed, shareType, width, height, left, top, right, bottom};
    for (int i = 0; i < 8; ++i) PutLE16(d.data() + 2 * i, values[i]);
    PutASText(d.data() + 16, AS_CMD_TEXT_FIELD, sharerId, kShortText);
    PutASText(d.data() + 64, AS_CMD_TEXT_FIELD, sharerName, kFullText);
    PutASText(d.data() + 112, AS_CMD_TEXT_FIELD, operatorId, kShortText);
    PutASText(d.data() + 160, AS_CMD_TEXT_FIELD, operatorName, kFullText);
    const std::vector<uint8_t> record = CommandRecord(AS_CMD_AP_SHARE_START, d);
    const bool ok = VpexSendASCmd(record.data(), uint32_t(record.size()));
    if (!ok) CASDataManager::onAPShareStop();
    return ok;
}

bool CQuorixControl::VpexSendASStop(uint32_t kind, const char* userId, const char* userName) {
    if (!m_bLogin) return false;
    const std::vector<uint8_t> record =
        CommandRecord(AS_CMD_AP_SHARE_STOP, KindAndUser(kind, userId, userName, kFullText, kFullText));
    const bool ok = VpexSendASCmd(record.data(), uint32_t(record.size()));
    if (!ok) DTrace(1, "[A/S] Failed to send AS Stop.\n");
    CASDataManager::onAPShareStop();
    return ok;
}

bool CQuorixControl::VpexSendASStartPermit(uint32_t value) {
    return m_bLogin && SendCommand(*this, AS_CMD_START_PERMIT, TwoWords(value, 0));
}

bool CQuorixControl::VpexSendASCommand(int command, const char* /*text*/) {
    if (command != 0 && command != 1) return false;
    return VpexSendASStartPermit(uint32_t(command));
}

bool CQuorixControl::VpexSendASControlReq(uint32_t kind, const char* userId, const char* userName) {
    return m_bLogin && SendCommand(*this, AS_CMD_CONTROL_REQ,
                                   KindAndUser(kind, userId, userName, kShortText, kShortText));
}

bool CQuorixControl::VpexSendASControlRes(uint32_t result, const char* userId, const char* userName) {
    return m_bLogin && SendCommand(*this, AS_CMD_CONTROL_RES,
                                   KindAndUser(result, userId, userName, kShortText, kShortText));
}

bool CQuorixControl::VpexSendASControlRet() {
    return m_bLogin && SendCommand(*this, AS_CMD_CONTROL_RET, std::vector<uint8_t>());
}

bool CQuorixControl::VpexSendASControlChange(const char* userId, const char* userName) {
    std::vector<uint8_t> d(2 * AS_CMD_TEXT_FIELD, 0);
    PutASText(d.data(), AS_CMD_TEXT_FIELD, userId, kShortText);
    PutASText(d.data() + AS_CMD_TEXT_FIELD, AS_CMD_TEXT_FIELD, userName, kShortText);
    return m_bLogin && SendCommand(*this, AS_CMD_CONTROL_CHANGE, d);
}

bool CQuorixControl::VpexSendASMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) {
    std::vector<uint8_t> d(8, 0);
    PutLE16(d.data(), kind);
    PutLE16(d.data() + 4, x);
    PutLE16(d.data() + 6, y);
    return m_bLogin && SendCommand(*this, AS_CMD_MOUSE_POINTER_EVENT, d);
}

bool CQuorixControl::VpexSendASMouseWheelEvent(uint32_t delta) {
    return m_bLogin && SendCommand(*this, AS_CMD_MOUSE_WHEEL_EVENT, TwoWords(delta, 0));
}

bool CQuorixControl::VpexSendASClipboardText(const char* text, int length) {
    if (length < 0 || uint32_t(length) > AS_CLIPBOARD_SIZE || (length > 0 && text == nullptr)) return false;
    std::vector<uint8_t> d(AS_CLIPBOARD_SIZE, 0);
    if (length > 0) std::memcpy(d.data(), text, size_t(length));
    return m_bLogin && SendCommand(*this, AS_CMD_CLIPBOARD_TEXT, d);
}

bool CQuorixControl::VpexSendASKeyEvent(uint32_t key, uint32_t upDown) {
    return m_bLogin && SendCommand(*this, AS_CMD_KEY_EVENT, TwoWords(key, upDown));
}

bool CQuorixControl::VpexSendASShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                        const uint8_t* jpeg, uint32_t jpegLength) {
    if (!m_bLogin || (jpegLength > 0 && jpeg == nullptr)) return false;
    if (jpegLength > UINT32_MAX - ASPROT_HEADER_SIZE - ASPROT_RECT_SIZE - ASPROT_FOOTER_SIZE) return false;
    std::vector<uint8_t> record(ASPROT_HEADER_SIZE + ASPROT_RECT_SIZE + jpegLength + ASPROT_FOOTER_SIZE);
    PutLE32(record.data(), ASPROT_MSG_SHOW_RECT);
    PutLE32(record.data() + 4, jpegLength + ASPROT_RECT_SIZE + ASPROT_FOOTER_SIZE);
    AS_RECT{left, top, right, bottom}.Write(record.data() + 8);
    if (jpegLength > 0) std::memcpy(record.data() + 16, jpeg, jpegLength);
    PutLE32(record.data() + record.size() - 4, AS_DATA_FOOTER_MAGIC);
    return VpexSendASData(record.data(), uint32_t(record.size()));
}

namespace {

std::vector<uint8_t> SmallRecord(uint32_t type, uint16_t left, uint16_t top, uint16_t right,
                                 uint16_t bottom) {
    std::vector<uint8_t> record(ASPROT_SMALL_RECORD_SIZE);
    PutLE32(record.data(), type);
    PutLE32(record.data() + 4, ASPROT_RECT_SIZE + ASPROT_FOOTER_SIZE);
    AS_RECT{left, top, right, bottom}.Write(record.data() + 8);
    PutLE32(record.data() + 16, AS_DATA_FOOTER_MAGIC);
    return record;
}

}  // namespace

bool CQuorixControl::VpexSendASChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    if (!m_bLogin) return false;
    const std::vector<uint8_t> r = SmallRecord(ASPROT_MSG_CHANGE_WINDOW_SIZE, left, top, right, bottom);
    return VpexSendASData(r.data(), uint32_t(r.size()));
}

bool CQuorixControl::VpexSendASKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    if (!m_bLogin) return false;
    const std::vector<uint8_t> r = SmallRecord(ASPROT_MSG_KEY_FRAME, left, top, right, bottom);
    return VpexSendASData(r.data(), uint32_t(r.size()));
}

// --- received commands ---------------------------------------------------------------

void CQuorixControl::VpexOnRecvASCmd(int /*index*/, const uint8_t* body, uint32_t length) {
    if (!m_bLogin || m_pOwner == nullptr) return;
    if (body == nullptr || length < AS_CMD_HEADER_SIZE) {
        CLLog::writeFormat(kLogWrn, "[A/S] Broken command (%u bytes).", length);
        return;
    }
    const uint32_t command = GetLE32(body);
    if (command < AS_CMD_MOUSE_POINTER_EVENT || command > AS_CMD_KEY_EVENT)
        CLLog::writeFormat(kLogInf, "Received the AS command message[%d].", int(command));
    const uint8_t* d = body + AS_CMD_HEADER_SIZE;
    const uint32_t have = length - AS_CMD_HEADER_SIZE;
    // Nothing is read beyond what arrived, whatever the length field says.
    if (have < ASCommandDataSize(command)) {
        CLLog::writeFormat(kLogWrn, "[A/S] Command %u with %u of %u data bytes.", command, have,
                           ASCommandDataSize(command));
        return;
    }
    switch (command) {
        case AS_CMD_AP_SHARE_START:
            VpexOnRecvAPShareStart(d, have);
            break;
        case AS_CMD_AP_SHARE_STOP:
            VpexOnRecvAPShareStop(d, have);
            break;
        case AS_CMD_START_REFUSE:
            m_pOwner->OnASStartRefuse(GetLE32(d));
            break;
        case AS_CMD_START_PERMIT:
            m_pOwner->OnASStartPermit(GetLE32(d));
            break;
        case AS_CMD_CONTROL_REQ:
            m_pOwner->OnASControlReq(GetLE32(d), FieldText(d + 8).c_str(), FieldText(d + 56).c_str());
            break;
        case AS_CMD_CONTROL_RES:
            m_pOwner->OnASControlRes(GetLE32(d), FieldText(d + 8).c_str(), FieldText(d + 56).c_str());
            break;
        case AS_CMD_CONTROL_RET:
            m_pOwner->OnASControlRet();
            break;
        case AS_CMD_CONTROL_CHANGE:
            m_pOwner->OnAPShareControlChange(FieldText(d).c_str(), FieldText(d + 48).c_str());
            break;
        case AS_CMD_MOUSE_POINTER_EVENT:
            m_pOwner->OnASMousePointerEvent(GetLE16(d), GetLE16(d + 4), GetLE16(d + 6));
            break;
        case AS_CMD_MOUSE_WHEEL_EVENT:
            m_pOwner->OnASMouseWheelEvent(int32_t(GetLE32(d)));
            break;
        case AS_CMD_CLIPBOARD_TEXT:
            m_pOwner->OnASClipBoardText(VpexFieldText(d, AS_CLIPBOARD_SIZE).c_str());
            break;
        case AS_CMD_KEY_EVENT:
            m_pOwner->OnASKeyEvent(GetLE32(d), GetLE32(d + 4));
            break;
        default:
            break;
    }
}

void CQuorixControl::VpexOnRecvAPShareStart(const uint8_t* d, uint32_t /*length*/) {
    ASDataReset();
    if (m_pASTransfer == nullptr) {
        m_pASTransfer = new CThreadTransferBuffer(_OnBufferASData, this);
        if (!m_pASTransfer->Start()) {
            delete m_pASTransfer;
            m_pASTransfer = nullptr;
        }
    }
    uint16_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = GetLE16(d + 2 * i);
    m_pOwner->OnAPShareStart(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], FieldText(d + 16).c_str(),
                             FieldText(d + 64).c_str(), FieldText(d + 112).c_str(),
                             FieldText(d + 160).c_str());
}

void CQuorixControl::VpexOnRecvAPShareStop(const uint8_t* d, uint32_t /*length*/) {
    ASDataReset();
    if (m_pASTransfer != nullptr) {
        m_pASTransfer->Clear();
        m_pASTransfer->Stop();
        delete m_pASTransfer;
        m_pASTransfer = nullptr;
    }
    m_pOwner->OnAPShareStop(int(GetLE32(d)), FieldText(d + 8).c_str(), FieldText(d + 56).c_str());
}
