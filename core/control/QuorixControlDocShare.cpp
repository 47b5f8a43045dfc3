// Document sharing on relay connection 2: the application's text messages
// sent as 0x100D records, received records handed up as text messages, and
// the start and stop commands of 0x100E.
// Every sender passes the session gate first, so that the connections and
// their client ids stay while it builds and hands over its message.
#include <string>
#include <vector>

#include "control/ControlUtil.h"
#include "control/DocShareRecords.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "tessel/TS_Common.h"

int CQuorixControl::DSGetClientId(const char* text) {
    return int(DocShareTarget(text != nullptr ? text : ""));
}

bool CQuorixControl::VpexSendDocShareData(const char* text) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (text == nullptr) return false;
    std::vector<uint8_t> record;
    uint32_t target = VPEX_TARGET_ALL;
    const DSBuild built = BuildDocShareRecord(text, m_strUserId, record, target);
    if (built == DSBuild::TooLarge) {
        CLLog::writeFormat(kLogWrn, "DocShareData refused: more than %u targets or %u points.",
                           unsigned(DS_MAX_TARGETS), unsigned(DS_MAX_POINTS));
        return false;
    }
    if (built != DSBuild::Ok) {
        DTrace(4, "Invalid DocShareData[%s]\n", text);
        return false;
    }
    return VpexSend(VPEX_CONN_OTHER, VPEX_WEB_ESCORT_DATA, target, m_nOwnClientId[VPEX_CONN_OTHER],
                    record.data(), uint32_t(record.size()), 0, false);
}

bool CQuorixControl::VpexSendStartDocShare() {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    const std::vector<uint8_t> r = BuildDocShareCommand(DS_CMD_START);
    return VpexSend(VPEX_CONN_OTHER, VPEX_WEB_ESCORT_CMD, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_OTHER],
                    r.data(), uint32_t(r.size()), 0, false);
}

bool CQuorixControl::VpexSendStopDocShare() {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    const std::vector<uint8_t> r = BuildDocShareCommand(DS_CMD_STOP);
    return VpexSend(VPEX_CONN_OTHER, VPEX_WEB_ESCORT_CMD, VPEX_TARGET_ALL, m_nOwnClientId[VPEX_CONN_OTHER],
                    r.data(), uint32_t(r.size()), 0, false);
}

void CQuorixControl::VpexOnRecvWebEscortData(uint32_t sender, const uint8_t* body, uint32_t length) {
    if (body == nullptr || length == 0) return;
    if (DocShareSubTypeLogged(body[0]))
        CLLog::writeFormat(kLogInf, "Received the DS data message [%d].", int(body[0]));
    std::string text;
    const DSParse parsed = DocShareRecordToText(body, length, sender, text);
    if (parsed == DSParse::Broken) {
        CLLog::writeFormat(kLogWrn, "Broken DS data message [%d] (%u bytes).", int(body[0]), length);
        return;
    }
    if (parsed != DSParse::Ok || m_pOwner == nullptr) return;
    char userId[48] = {};
    GetUserIdWithClientId(VPEX_CONN_OTHER, sender, userId);
    m_pOwner->OnDocShareData(userId, text.c_str());
}

void CQuorixControl::VpexOnRecvWebEscortCmd(uint32_t sender, const uint8_t* body, uint32_t length) {
    DS_COMMAND c;
    if (!ParseDocShareCommand(body, length, c)) {
        CLLog::writeFormat(kLogWrn, "Broken DS command message (%u bytes).", length);
        return;
    }
    CLLog::writeFormat(kLogInf, "Received the DS command message [%d].", int(c.command));
    if (m_pOwner == nullptr) return;
    if (c.command == DS_CMD_START_RESULT) {
        m_pOwner->OnDocShareStartResult(c.result);
    } else if (c.command == DS_CMD_START_NOTICE) {
        m_pOwner->OnDocShareStart(c.userId.c_str(), c.userName.c_str());
    } else if (c.command == DS_CMD_STOP_NOTICE) {
        char userId[48] = {};
        GetUserIdWithClientId(VPEX_CONN_OTHER, sender, userId);
        m_pOwner->OnDocShareStop(userId);
    }
}
