// Free messages: numbered messages between participants that the conference
// server relays as they are. The core answers the questionnaire, hold,
// end-of-call, window-synchronisation and round-mode codes itself and hands
// every other code to the application.
#include <string>
#include <vector>

#include "control/ConfMessages.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"

// --- senders ------------------------------------------------------------------

bool CQuorixControl::ConfSendFreeMessageRep(uint32_t code, int value, const char* userId, const char* text) {
    if (!m_bLogin || userId == nullptr) return false;
    CONF_FREEMSG m;
    m.topRoomId = m_nTopRoomId;
    m.roomId = m_nRoomId;
    m.userId = userId;
    m.userName = m_strUserName;
    m.code = code;
    m.value = value;
    m.text = text != nullptr ? text : "";
    std::vector<uint8_t> body;
    if (!BuildConfFreeMsgBody(m, body)) {
        CLLog::writeFormat(kLogWrn, "[Conf] A free message [%u] does not fit its body.", code);
        return false;
    }
    return ConfSend(CONF_SEND_FREE_MESSAGE_REP, body.data(), uint32_t(body.size()), 0);
}

bool CQuorixControl::ConfSendHold(const char* userId) {
    return ConfSendFreeMessageRep(FREEMSG_HOLD, 0, userId, "");
}

bool CQuorixControl::ConfSendHoldRelease(const char* userId) {
    return ConfSendFreeMessageRep(FREEMSG_HOLD_RELEASE, 0, userId, "");
}

bool CQuorixControl::ConfSendHoldStatusHold(const char* userId) {
    return ConfSendFreeMessageRep(FREEMSG_HOLD_STATUS_HOLD, 0, userId, "");
}

bool CQuorixControl::ConfSendHoldStatusRelease(const char* userId) {
    return ConfSendFreeMessageRep(FREEMSG_HOLD_STATUS_RELEASE, 0, userId, "");
}

bool CQuorixControl::ConfSendEndCall(const char* userId) {
    return ConfSendFreeMessageRep(FREEMSG_END_CALL, 0, userId, "");
}

bool CQuorixControl::ConfSendStartQuestionnaire(const char* userId, const char* question, bool anonymous,
                                                bool multiSelect, int count, const char* const* choices) {
    if (!m_bLogin || userId == nullptr || question == nullptr || choices == nullptr) return false;
    std::string text;
    if (!BuildQuestionnaireText(question, count, choices, text)) return false;
    const int flags = (anonymous ? 2 : 0) + (multiSelect ? 1 : 0);
    return ConfSendFreeMessageRep(FREEMSG_QUESTIONNAIRE_START, flags, userId, text.c_str());
}

bool CQuorixControl::ConfSendStopQuestionnaire(const char* userId) {
    return ConfSendFreeMessageRep(FREEMSG_QUESTIONNAIRE_STOP, 0, userId, "");
}

bool CQuorixControl::ConfSendAnswerQuestionnaire(const char* userId, int answer, const char* text) {
    return ConfSendFreeMessageRep(FREEMSG_QUESTIONNAIRE_ANSWER, answer, userId, text);
}

bool CQuorixControl::ConfSendReceivedQuestionnaire(const char* userId, const char* text) {
    if (text == nullptr) return false;
    return ConfSendFreeMessageRep(FREEMSG_QUESTIONNAIRE_RECEIVED, 0, userId, text);
}

// --- receiving --------------------------------------------------------------------

void CQuorixControl::ConfOnRecvFreeMsgRep(const uint8_t* body, uint32_t len) {
    CONF_FREEMSG m;
    if (!ParseConfFreeMsg(body, len, m)) {
        ConfDropBroken(CONF_RECV_FREE_MSG_REP, len);
        return;
    }
    CLLog::writeFormat(kLogInf, "Received a free message from (%s) [%d].", m.userId.c_str(), int(m.code));
    const char* sender = m.userId.c_str();
    CQuorixControlEvents* owner = m_pOwner;
    switch (m.code) {
        case FREEMSG_AS_START_REQ:
        case FREEMSG_AS_STOP_REQ:
        case FREEMSG_ENTERING_ROOM:
        case FREEMSG_AP_SHARE_REQUEST:
        case FREEMSG_AP_SHARE_REQUEST + 1:
        case FREEMSG_AP_SHARE_REQUEST + 2:
        case FREEMSG_AP_SHARE_REQUEST + 3:
        case FREEMSG_AP_SHARE_REQUEST + 4:
        case FREEMSG_AP_SHARE_STOP_REQUEST:
            if (owner != nullptr) owner->OnRecvFreeMessage(m.code, sender);
            return;
        case FREEMSG_QUESTIONNAIRE_START: {
            std::string question;
            std::vector<std::string> choices;
            ParseQuestionnaireText(m.text, question, choices);
            std::vector<const char*> texts;
            for (const std::string& c : choices) texts.push_back(c.c_str());
            if (owner != nullptr)
                owner->OnRecvQuestionnaireStart(sender, question.c_str(), (m.value & 2) != 0,
                                                (m.value & 1) != 0, int(texts.size()),
                                                texts.empty() ? nullptr : texts.data());
            return;
        }
        case FREEMSG_QUESTIONNAIRE_ANSWER:
            if (owner != nullptr) owner->OnRecvQuestionnaireAnswer(sender, m.value, m.text.c_str());
            return;
        case FREEMSG_QUESTIONNAIRE_STOP:
            if (owner != nullptr) owner->OnRecvQuestionnaireStop(sender);
            return;
        case FREEMSG_QUESTIONNAIRE_RECEIVED:
            if (owner != nullptr) owner->OnRecvQuestionnaireReceived(sender);
            return;
        case FREEMSG_HOLD:
            if (owner != nullptr) owner->OnHold(sender);
            return;
        case FREEMSG_HOLD_RELEASE:
            if (owner != nullptr) owner->OnHoldRelease(sender);
            return;
        case FREEMSG_HOLD_STATUS_HOLD:
            if (owner != nullptr) owner->OnHoldStatusHold(sender);
            return;
        case FREEMSG_HOLD_STATUS_RELEASE:
            if (owner != nullptr) owner->OnHoldStatusRelease(sender);
            return;
        case FREEMSG_END_CALL:
            if (owner != nullptr) owner->OnEndCall(sender);
            return;
        case FREEMSG_WINDOW_SYNC: {
            std::string first, second, third;
            ParseWindowSync(m.text, first, second, third);
            if (owner != nullptr) owner->OnWindowSync(first.c_str(), second.c_str(), third.c_str());
            return;
        }
        case FREEMSG_ROUND_MODE:
            m_nRoundMode = LeadingNumber(m.text);
            CLLog::writeFormat(kLogInf, "RoundMode : %u.\n", m_nRoundMode);
            return;
        case FREEMSG_ROUND_MODE_NOMINATED:
            m_bRoundModeNominated = LeadingNumber(m.text) != 0;
            CLLog::writeFormat(kLogInf, "RoundMode Nominated : %u.\n", unsigned(m_bRoundModeNominated));
            return;
        default:
            if (owner != nullptr) owner->OnRecvFreeMessageData(m.code, sender, m.value, m.text.c_str());
            return;
    }
}
