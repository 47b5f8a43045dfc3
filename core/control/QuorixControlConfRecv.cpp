// Conference-server connection once the room is entered: received messages
// (decrypted and dispatched by id), the keep-alive and connection errors.
#include <cstring>
#include <string>

#include "network/CommonProc.h"
#include "control/ConfMessages.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "network/ThreadConf.h"
#include "tessel/TS_Common.h"

void CQuorixControl::_ConfOnRecv(uint8_t* frame, int len, void* self) {
    static_cast<CQuorixControl*>(self)->ConfOnRecv(frame, len);
}

void CQuorixControl::_ConfOnRecvError(int code, int errorNo, const char* text, void* self) {
    static_cast<CQuorixControl*>(self)->ConfOnRecvError(code, errorNo, text);
}

void CQuorixControl::_ConfOnSendError(int code, int errorNo, const char* text, void* self) {
    static_cast<CQuorixControl*>(self)->ConfOnSendError(code, errorNo, text);
}

void CQuorixControl::_ConfSendAliveCheck(void* self) {
    static_cast<CQuorixControl*>(self)->ConfSendAliveCheck();
}

void CQuorixControl::ConfOnRecv(const uint8_t* frame, int len) {
    if (frame == nullptr || len < int(CONF_HEADER_SIZE)) return;
    PROT_STD_T header = PROT_STD_T::Read(frame);
    const uint32_t available = uint32_t(len) - CONF_HEADER_SIZE;
    if (header.bodySize < 1) {
        ConfOnRecvNoData(header);
        return;
    }
    // The receive thread delivers header and body whole; never read past what arrived.
    ConfOnRecvWithData(header, frame + CONF_HEADER_SIZE,
                       header.bodySize < available ? header.bodySize : available);
}

void CQuorixControl::ConfOnRecvNoData(const PROT_STD_T& header) {
    ConfOnRecvPlain(header, nullptr, 0);
}

void CQuorixControl::ConfOnRecvWithData(const PROT_STD_T& header, const uint8_t* body, uint32_t len) {
    uint8_t* plain = static_cast<uint8_t*>(__malloc__(len));
    int plainLen = 0;
    bool ok = plain != nullptr;
    if (ok) {
        CMutexLock lock(m_mutexAesConf);
        ok = CCommonProc::QuorixDecrypt(m_aesConf.pRecv, body, int(len), plain, &plainLen);
    }
    if (!ok || plainLen < 0 || uint32_t(plainLen) > len) {
        CLLog::writeFormat(kLogInf, "[Conf] Failed to decrypt packet [Msg:0x%04X Size:%u].\n", header.msgId,
                           len);
        __free__(plain);
        return;
    }
    PROT_STD_T plainHeader = header;
    plainHeader.bodySize = uint32_t(plainLen);
    ConfOnRecvPlain(plainHeader, plain, plainHeader.bodySize);
    __free__(plain);
}

namespace {

// Ids the server sends that the client drops without a word: with a body
// 0x1036 and 0x1037, without one 0x1017, the keep-alive and 0x1022.
bool ConfIgnored(uint32_t msgId, bool withBody) {
    if (withBody) return msgId == CONF_RECV_IGNORED_1036 || msgId == CONF_RECV_IGNORED_1037;
    return msgId == CONF_RECV_IGNORED_1017 || msgId == CONF_ALIVE_CHECK || msgId == CONF_RECV_IGNORED_1022;
}

}  // namespace

void CQuorixControl::ConfOnRecvPlain(const PROT_STD_T& header, const uint8_t* body, uint32_t len) {
    if (ConfIgnored(header.msgId, body != nullptr)) return;
    CLLog::writeFormat(kLogInf, "[Conf] Received a message from [0x%08x].", header.msgId);
    if (!ConfDispatch(header, body, len))
        CLLog::writeFormat(kLogInf, "[Conf] Received an unsupported message [0x%08x].", header.msgId);
}

bool CQuorixControl::ConfDispatch(const PROT_STD_T& header, const uint8_t* body, uint32_t len) {
    if (body == nullptr) {
        // Messages without a body: the header's parameter is their value.
        switch (header.msgId) {
            case CONF_RECV_SPEECH_RESERVE_RESULT:
                if (m_pOwner != nullptr) m_pOwner->OnSpeechReserveResult(header.param);
                return true;
            case CONF_RECV_SPEECH_NOMINATE_RESULT:
                if (m_pOwner != nullptr) m_pOwner->OnSpeechNominateResult(header.param);
                return true;
            case CONF_RECV_SPEECH_NOMINATE:
                if (m_pOwner != nullptr) m_pOwner->OnSpeechNominate(header.param);
                return true;
            case CONF_RECV_SPEECH_END:
                if (m_pOwner != nullptr) m_pOwner->OnSpeechEnd();
                return true;
            case CONF_RECV_PUSH_OUT:
                if (m_pOwner != nullptr) m_pOwner->OnPushOut();
                return true;
            default:
                return false;
        }
    }
    switch (header.msgId) {
        case CONF_RECV_ENTER_REP:
            ConfOnRecvEnterRep(body, len);
            return true;
        case CONF_RECV_LEAVE_REP:
            ConfOnRecvLeaveRep(body, len);
            return true;
        case CONF_RECV_START_REP:
            ConfOnRecvStartRep(body, len);
            return true;
        case CONF_RECV_STOP_REP:
            ConfOnRecvStopRep(body, len);
            return true;
        case CONF_RECV_SPEECH_RESERVE_REP:
            ConfOnRecvSpeechReserveRep(body, len);
            return true;
        case CONF_RECV_RESERVE_LIST_RES:
            ConfOnRecvReserveListRes(body, len);
            return true;
        case CONF_RECV_MESSAGE:
            ConfOnRecvMessage(body, len);
            return true;
        case CONF_RECV_FREE_MSG_REP:
            ConfOnRecvFreeMsgRep(body, len);
            return true;
        case CONF_RECV_BAND_WIDTH:
            ConfOnRecvBandWidth(body, len);
            return true;
        case CONF_RECV_SPEECH_RESERVE_CANCEL:
        case CONF_RECV_CHANGE_OWNER_REP: {
            if (len < CONF_TEXT_FIELD) {
                ConfDropBroken(header.msgId, len);
                return true;
            }
            const std::string userId = ConfFieldText(body, CONF_TEXT_FIELD - 1);
            if (m_pOwner == nullptr) return true;
            if (header.msgId == CONF_RECV_CHANGE_OWNER_REP)
                m_pOwner->OnChangeOwner(userId.c_str());
            else
                m_pOwner->OnSpeechReserveCancel(header.param, userId.c_str());
            return true;
        }
        case CONF_RECV_FORCE_LEAVE_REP: {
            if (len < CONF_FORCE_LEAVE_SIZE) {
                ConfDropBroken(header.msgId, len);
                return true;
            }
            const std::string userId = ConfFieldText(body, CONF_TEXT_FIELD - 1);
            const std::string userName = ConfFieldText(body + CONF_TEXT_FIELD, CONF_TEXT_FIELD - 1);
            if (m_pOwner != nullptr) m_pOwner->OnForceLeave(userId.c_str(), userName.c_str());
            return true;
        }
        default:
            return false;
    }
}

void CQuorixControl::ConfDropBroken(uint32_t msgId, uint32_t len) {
    CLLog::writeFormat(kLogWrn, "[Conf] Dropped a broken message [0x%08x] (%u bytes).", msgId, len);
}

void CQuorixControl::ConfSendAliveCheck() {
    if (m_pThreadSendConf != nullptr && m_pThreadSendConf->IsTimesGoBy())
        ConfSend(CONF_ALIVE_CHECK, nullptr, 0, 0);
}

bool CQuorixControl::TakeErrorReport() {
    if (!m_bLogin.load()) return false;
    bool expected = false;
    return m_bErrorReported.compare_exchange_strong(expected, true);
}

void CQuorixControl::ConfOnRecvError(int code, int errorNo, const char* text) {
    // A broken direction silences the other one of the same connection.
    if (m_pThreadSendConf != nullptr) m_pThreadSendConf->SetError();
    if (!TakeErrorReport()) return;
    CLLog::writeFormat(kLogErr, "[Conf] Failed to recv. (code:%d no:%d msg:%s)", code, errorNo,
                       text ? text : "");
    if (m_pOwner != nullptr) m_pOwner->OnError(code, errorNo, text);
}

void CQuorixControl::ConfOnSendError(int code, int errorNo, const char* text) {
    if (m_pThreadRecvConf != nullptr) m_pThreadRecvConf->SetError();
    if (!TakeErrorReport()) return;
    CLLog::writeFormat(kLogErr, "[Conf] Failed to send. (Code:%d No:%d Msg:%s)", code, errorNo,
                       text ? text : "");
    if (m_pOwner != nullptr) m_pOwner->OnError(code, errorNo, text);
}
