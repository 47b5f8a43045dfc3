// Conference-server connection once the room is entered: received messages
// (decrypted and dispatched by id), the keep-alive and connection errors.
#include <cstring>

#include "network/CommonProc.h"
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
    CLLog::writeFormat(kLogInf, "[Conf] Received a message from [0x%08x].", header.msgId);
    if (!ConfDispatch(header, nullptr, 0))
        CLLog::writeFormat(kLogInf, "[Conf] Received an unsupported message [0x%08x].", header.msgId);
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
    CLLog::writeFormat(kLogInf, "[Conf] Received a message from [0x%08x].", header.msgId);
    if (!ConfDispatch(plainHeader, plain, plainHeader.bodySize))
        CLLog::writeFormat(kLogInf, "[Conf] Received an unsupported message [0x%08x].", header.msgId);
    __free__(plain);
}

bool CQuorixControl::ConfDispatch(const PROT_STD_T& header, const uint8_t* body, uint32_t len) {
    // The handlers of the running conference take their ids here.
    switch (header.msgId) {
        case CONF_RECV_ENTER_REP:
            ConfOnRecvEnterRep(body, len);
            return true;
        default:
            return false;
    }
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
