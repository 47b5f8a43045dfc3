// Short relay messages between participants: the text box (connection 2),
// the many-meeting speaker commands (connection 1), the permission commands
// (connection 2) and the cloud-recording start and stop (connection 0).
// Every sender passes the session gate first, so that the connections and
// their client ids stay while it builds and hands over its message.
#include <string>
#include <vector>

#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "control/RelayRecords.h"
#include "tessel/TS_Common.h"

namespace {

// The client id of a user on a connection, or every participant when the
// table knows none.
uint32_t TargetOf(CQuorixControl& control, int connection, const char* userId) {
    const uint32_t id = userId != nullptr && *userId != 0 ? control.GetClientId(connection, userId) : 0;
    return id != 0 ? id : VPEX_TARGET_ALL;
}

}  // namespace

bool CQuorixControl::VpexSendTextBoxData(const char* block) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (block == nullptr) return false;
    bool badColor = false;
    const std::vector<uint8_t> record = BuildTextBoxRecord(block, badColor);
    if (record.empty()) {
        CLLog::writeFormat(kLogWrn, "Text box block of an unknown type refused.");
        return false;
    }
    if (badColor) DTrace(4, "Invalid TextBoxMessageColorData[%s]\n", block);
    return VpexSend(VPEX_CONN_OTHER, VPEX_TEXT_DATA, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_OTHER],
                    record.data(), uint32_t(record.size()), 0, false);
}

bool CQuorixControl::VpexSendTextBoxActive(const char* userId, const char* userName) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    const std::vector<uint8_t> record = BuildTextBoxActiveRecord(userId, userName);
    return VpexSend(VPEX_CONN_OTHER, VPEX_TEXT_DATA, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_OTHER],
                    record.data(), uint32_t(record.size()), 0, false);
}

void CQuorixControl::VpexOnRecvTextData(uint32_t /*ignored*/, const uint8_t* body, uint32_t length) {
    if (!m_bLogin) return;
    CLLog::writeFormat(kLogInf, "[Vpex-%d] Received a message [0x%08x].", VPEX_CONN_OTHER, VPEX_TEXT_DATA);
    TEXTBOX_RECORD r;
    if (!ParseTextBoxRecord(body, length, r)) {
        CLLog::writeFormat(kLogWrn, "Broken text box record (%u bytes).", length);
        return;
    }
    if (m_pOwner == nullptr) return;
    if (r.kind == TEXT_KIND_ACTIVE) {
        m_pOwner->OnTextBoxActive(r.userId.c_str(), r.userName.c_str());
    } else if (r.kind == TEXT_KIND_DATA) {
        std::string message;
        ConvertCRLFtoLF(r.message, message);
        const std::string font = TextBoxFontJson(r.font);
        m_pOwner->OnTextBoxData(r.userId.c_str(), r.userName.c_str(), message.c_str(), font.c_str());
    }
}

namespace {

std::vector<uint8_t> ManyMtgSpeakerRecord(uint16_t command, const char* userId, const char* userName) {
    MANY_MTG_RECORD r;
    r.command = command;
    r.userIds.emplace_back(userId != nullptr ? userId : "");
    // The user id stands for a name that is not given.
    r.userNames.emplace_back(userName != nullptr ? userName : r.userIds.back());
    return BuildManyMtgRecord(r);
}

}  // namespace

bool CQuorixControl::VpexSendManyMtgStartReq(const char* userId, const char* userName) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!m_bLogin || userId == nullptr) return false;
    const std::vector<uint8_t> r = ManyMtgSpeakerRecord(MANY_MTG_START_REQ, userId, userName);
    return VpexSend(VPEX_CONN_AUDIO, VPEX_MANY_MTG_CMD, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_AUDIO],
                    r.data(), uint32_t(r.size()), 0, false);
}

bool CQuorixControl::VpexSendManyMtgStopSend(const char* userId, const char* userName) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!m_bLogin || userId == nullptr) return false;
    const std::vector<uint8_t> r = ManyMtgSpeakerRecord(MANY_MTG_STOP_SEND, userId, userName);
    return VpexSend(VPEX_CONN_AUDIO, VPEX_MANY_MTG_CMD, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_AUDIO],
                    r.data(), uint32_t(r.size()), 0, false);
}

bool CQuorixControl::VpexSendManyMtgSpeakerListReq() {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!m_bLogin) return false;
    MANY_MTG_RECORD req;
    req.command = MANY_MTG_SPEAKER_LIST_REQ;
    const std::vector<uint8_t> r = BuildManyMtgRecord(req);
    return VpexSend(VPEX_CONN_AUDIO, VPEX_MANY_MTG_CMD, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_AUDIO],
                    r.data(), uint32_t(r.size()), 0, false);
}

void CQuorixControl::VpexOnRecvManyMtgCmd(uint32_t /*ignored*/, const uint8_t* body, uint32_t length) {
    if (m_pOwner == nullptr || !m_bLogin) return;
    MANY_MTG_RECORD r;
    if (!ParseManyMtgRecord(body, length, r)) {
        CLLog::writeFormat(kLogWrn, "Broken large room command (%u bytes).", length);
        return;
    }
    CLLog::writeFormat(kLogInf, "Received the large room command message[%d].", int(r.command));
    m_pOwner->OnManyMtgCmd(r.command, r.code, r.subCode, r.userIds, r.userNames);
}

bool CQuorixControl::VpexSendUserPermissionCmd(const char* senderUserId, const char* addresseeUserId,
                                               int command, int code, int functionFlags, int permitFlags) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!m_bLogin) return false;
    PERMISSION_RECORD p;
    p.command = command;
    p.code = code;
    p.addresseeId = addresseeUserId != nullptr ? addresseeUserId : "";
    p.senderId = senderUserId != nullptr ? senderUserId : "";
    p.functionFlags = functionFlags;
    p.permitFlags = permitFlags;
    const std::vector<uint8_t> r = BuildPermissionRecord(p);
    return VpexSend(VPEX_CONN_OTHER, VPEX_USER_PERMISSION_CMD,
                    TargetOf(*this, VPEX_CONN_OTHER, addresseeUserId), m_nOwnClientId[VPEX_CONN_OTHER],
                    r.data(), uint32_t(r.size()), 0, false);
}

void CQuorixControl::VpexOnRecvUserPermissionCmd(uint32_t /*ignored*/, const uint8_t* body, uint32_t length) {
    if (m_pOwner == nullptr || !m_bLogin) return;
    PERMISSION_RECORD p;
    if (!ParsePermissionRecord(body, length, p)) {
        CLLog::writeFormat(kLogWrn, "Broken user permission command (%u bytes).", length);
        return;
    }
    CLLog::writeFormat(kLogInf, "Received the user permission command message from %s. [%d:%d]",
                       p.senderId.c_str(), p.command, p.code);
    m_pOwner->OnRecvUserPermissionCmd(p.senderId.c_str(), p.command, p.code, p.functionFlags, p.permitFlags);
}

bool CQuorixControl::VpexSendCloudRecStart(const char* userId, const char* userName, const char* targetUserId,
                                           int first, int second, const char* optionsJson) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!m_bLogin) return false;
    const std::vector<uint8_t> r = BuildCloudRecRecord(first, second, userId, userName, optionsJson,
                                                       m_stVpexAddr[VPEX_CONN_VIDEO].host.c_str(), true);
    if (r.empty()) {
        CLLog::writeFormat(kLogWrn, "Cloud recording options are no JSON object: start refused.");
        return false;
    }
    return VpexSend(VPEX_CONN_VIDEO, VPEX_SEND_CLOUD_REC_START,
                    TargetOf(*this, VPEX_CONN_VIDEO, targetUserId), m_nOwnClientId[VPEX_CONN_VIDEO], r.data(),
                    uint32_t(r.size()), 0, false);
}

bool CQuorixControl::VpexSendCloudRecStop(const char* userId, const char* userName, const char* targetUserId,
                                          int first, int second) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!m_bLogin) return false;
    const std::vector<uint8_t> r =
        BuildCloudRecRecord(first, second, userId, userName, nullptr, nullptr, false);
    return VpexSend(VPEX_CONN_VIDEO, VPEX_SEND_CLOUD_REC_STOP, TargetOf(*this, VPEX_CONN_VIDEO, targetUserId),
                    m_nOwnClientId[VPEX_CONN_VIDEO], r.data(), uint32_t(r.size()), 0, false);
}
