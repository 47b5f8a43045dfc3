// Conference server, running room: the floor, owner, forced-leave, private
// message and client-description commands, and the handlers of the messages
// that carry a body (floor changes, leave notices, the reservation list,
// private messages, the relays' bandwidth).
#include <string>
#include <vector>

#include "control/ConfMessages.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"

// --- senders ------------------------------------------------------------------

bool CQuorixControl::ConfSendStartRep() {
    return m_bLogin && ConfSend(CONF_SEND_START_REP, nullptr, 0, 0);
}

bool CQuorixControl::ConfSendStopRep() {
    return m_bLogin && ConfSend(CONF_SEND_STOP_REP, nullptr, 0, 0);
}

bool CQuorixControl::ConfSendSpeechReserve() {
    return m_bLogin && ConfSend(CONF_SEND_SPEECH_RESERVE, nullptr, 0, 0);
}

namespace {

// A command whose body is one id field.
bool SendId(CQuorixControl& c, bool loggedIn, uint32_t msgId, const char* userId, int32_t param) {
    if (!loggedIn) return false;
    const std::vector<uint8_t> body = BuildConfIdBody(userId);
    return !body.empty() && c.ConfSend(msgId, body.data(), uint32_t(body.size()), param);
}

}  // namespace

bool CQuorixControl::ConfSendSpeechReserveCancel(const char* userId) {
    return SendId(*this, m_bLogin, CONF_SEND_SPEECH_RESERVE_CANCEL, userId, 0);
}

bool CQuorixControl::ConfSendSpeechNominate(int kind, const char* userId) {
    return SendId(*this, m_bLogin, CONF_SEND_SPEECH_NOMINATE, userId, kind);
}

bool CQuorixControl::ConfSendSpeechEnd(const char* userId) {
    return SendId(*this, m_bLogin, CONF_SEND_SPEECH_END, userId, 0);
}

bool CQuorixControl::ConfSendChangeOwner(const char* userId) {
    return SendId(*this, m_bLogin, CONF_SEND_CHANGE_OWNER, userId, 0);
}

bool CQuorixControl::ConfSendForceLeave(const char* userId) {
    return SendId(*this, m_bLogin, CONF_SEND_FORCE_LEAVE, userId, 0);
}

bool CQuorixControl::ConfSendMessage(const char* userId, const char* text) {
    if (!m_bLogin) return false;
    std::string wire;
    ConvertCRorLFtoCRLF(text != nullptr ? text : "", wire);
    const std::vector<uint8_t> body = BuildConfMessageBody(userId, m_strUserName, wire);
    return !body.empty() && ConfSend(CONF_SEND_MESSAGE, body.data(), uint32_t(body.size()), 0);
}

bool CQuorixControl::ConfSendClientInfo(int kind, const char* version, const char* first,
                                        const char* second) {
    if (!m_bLogin) return false;
    const std::vector<uint8_t> body = BuildConfClientInfoBody(kind, version, first, second);
    return ConfSend(CONF_SEND_CLIENT_INFO, body.data(), uint32_t(body.size()), 0);
}

// --- handlers -------------------------------------------------------------------

void CQuorixControl::ConfOnRecvLeaveRep(const uint8_t* body, uint32_t len) {
    if (len < CONF_TEXT_FIELD) {
        ConfDropBroken(CONF_RECV_LEAVE_REP, len);
        return;
    }
    const std::string userId = ConfFieldText(body, CONF_TEXT_FIELD - 1);
    // In round mode the room owner's leaving ends this client's nominated turn.
    if (m_nRoundMode != 0 && m_bRoundModeNominated &&
        userId == ConfFieldText(reinterpret_cast<const uint8_t*>(m_strRoomOwner), sizeof m_strRoomOwner)) {
        if (m_pOwner != nullptr) m_pOwner->OnSpeechEnd();
        m_nRoundMode = 0;
        m_bRoundModeNominated = false;
    }
    if (m_pOwner != nullptr) m_pOwner->OnLeaveMember(userId.c_str());
}

void CQuorixControl::ConfOnRecvStartRep(const uint8_t* body, uint32_t len) {
    if (len < CONF_USER_INFO_SIZE) {
        ConfDropBroken(CONF_RECV_START_REP, len);
        return;
    }
    const PROT_DATA_USER_INFO_T user = ReadUserInfo(body);
    if (std::string(user.userId) ==
        ConfFieldText(reinterpret_cast<const uint8_t*>(m_strUserId), CONF_TEXT_FIELD)) {
        // The server granted this client the floor: tell every relay connection.
        VpexSendStartRep();
        return;
    }
    ConfStartSpeaker(user);
}

void CQuorixControl::ConfOnRecvStopRep(const uint8_t* body, uint32_t len) {
    if (len < CONF_TEXT_FIELD) {
        ConfDropBroken(CONF_RECV_STOP_REP, len);
        return;
    }
    const std::string userId = ConfFieldText(body, CONF_TEXT_FIELD - 1);
    if (userId == ConfFieldText(reinterpret_cast<const uint8_t*>(m_strUserId), CONF_TEXT_FIELD)) return;
    const int index = RemoveParticipantInfo(userId.c_str());
    if (index < 0) return;
    setSentStartRep(index, false);
    RemoveVideoDecoder(index);
    if (m_pOwner != nullptr) m_pOwner->OnStopSpeech(index);
}

void CQuorixControl::ConfOnRecvSpeechReserveRep(const uint8_t* body, uint32_t len) {
    if (len < CONF_USER_INFO_SIZE) {
        ConfDropBroken(CONF_RECV_SPEECH_RESERVE_REP, len);
        return;
    }
    const PROT_DATA_USER_INFO_T user = ReadUserInfo(body);
    // Any non-zero byte counts as a camera or microphone here.
    if (m_pOwner != nullptr)
        m_pOwner->OnSpeechReserve(user.userId, user.userName, user.camera != 0, user.microphone != 0);
}

void CQuorixControl::ConfOnRecvReserveListRes(const uint8_t* body, uint32_t len) {
    std::vector<PROT_DATA_USER_INFO_T> users;
    if (!ParseConfReserveList(body, len, users)) {
        ConfDropBroken(CONF_RECV_RESERVE_LIST_RES, len);
        return;
    }
    if (m_pOwner == nullptr) return;
    for (const PROT_DATA_USER_INFO_T& user : users)
        m_pOwner->OnSpeechReserve(user.userId, user.userName, user.camera != 0, user.microphone != 0);
}

void CQuorixControl::ConfOnRecvMessage(const uint8_t* body, uint32_t len) {
    CONF_MESSAGE m;
    if (!ParseConfMessage(body, len, m)) {
        ConfDropBroken(CONF_RECV_MESSAGE, len);
        return;
    }
    std::string text;
    ConvertCRLFtoLF(m.text, text);
    std::string block = "Type: MESSAGE\r\n";
    block += cFormat("UserID: %s\r\n", m.userId.c_str());
    block += cFormat("SrceUserName: %s\r\n", m.userName.c_str());
    block += cFormat("Message: %s\r\n", text.c_str());
    block += "\r\n";
    if (m_pOwner != nullptr) m_pOwner->OnMessage(m.userId.c_str(), m.userName.c_str(), block.c_str());
}

void CQuorixControl::ConfOnRecvBandWidth(const uint8_t* body, uint32_t len) {
    CONF_BANDWIDTH_ENTRY entries[CONF_BANDWIDTH_ENTRIES];
    if (!ParseConfBandwidth(body, len, entries)) {
        ConfDropBroken(CONF_RECV_BAND_WIDTH, len);
        return;
    }
    static const char* const kLabels[CONF_BANDWIDTH_ENTRIES] = {"VIDEO", "AUDIO", "OTHER", "AS", "CB"};
    CLLog::write(kLogInf, "(BandWidth Message)-----------------------------------------");
    for (size_t i = 0; i < CONF_BANDWIDTH_ENTRIES; ++i) {
        const CONF_BANDWIDTH_ENTRY& e = entries[i];
        if (e.connection < 0 || e.connection >= VPEX_CONNECTION_COUNT || !m_bLogin) continue;
        VpexSetBandwidth(e.connection, e.kbps);
        CLLog::writeFormat(kLogInf, "[%-7s] %d (Kbps)", kLabels[i], e.kbps);
    }
    CLLog::write(kLogInf, "------------------------------------------------------------");
}
