// Media relay: the relay connections' threads, the receive path (decryption
// and dispatch of every received message), the client start and stop notices,
// and the connection errors.
#include <cstring>

#include "network/CommonProc.h"
#include "control/ControlUtil.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "network/ThreadVpex.h"
#include "tessel/TS_Common.h"

bool CQuorixControl::CreateVpexStreamThread() {
    const uint32_t idle = GetControlWaits().idleIntervalMs;
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        if (m_pThreadSendVpex[i] == nullptr) {
            m_pThreadSendVpex[i] =
                new CThreadSendVpex(m_pSocketVpex[i], i, idle, _VpexOnSendError, _VpexSendAliveCheck, this);
            if (!m_pThreadSendVpex[i]->Start()) return false;
        }
        if (m_pThreadRecvVpex[i] == nullptr) {
            m_pThreadRecvVpex[i] =
                new CThreadRecvVpex(m_pSocketVpex[i], i, _VpexOnRecv, _VpexOnRecvError, this);
            if (!m_pThreadRecvVpex[i]->Start()) return false;
        }
    }
    return true;
}

void CQuorixControl::DeleteVpexStreamThread() {
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        // Both directions are joined before either object goes away: the error
        // callback of one direction silences the other.
        if (m_pThreadRecvVpex[i] != nullptr) m_pThreadRecvVpex[i]->Stop();
        if (m_pThreadSendVpex[i] != nullptr) m_pThreadSendVpex[i]->Stop();
        delete m_pThreadRecvVpex[i];
        m_pThreadRecvVpex[i] = nullptr;
        delete m_pThreadSendVpex[i];
        m_pThreadSendVpex[i] = nullptr;
    }
}

void CQuorixControl::_VpexOnRecv(int index, uint8_t* packet, int size, void* self, int pieceIndex,
                                 int pieceCount) {
    static_cast<CQuorixControl*>(self)->VpexOnRecv(index, packet, size, pieceIndex, pieceCount);
}

void CQuorixControl::_VpexOnRecvError(int index, int code, int errorNo, const char* text, void* self) {
    static_cast<CQuorixControl*>(self)->VpexOnRecvError(index, code, errorNo, text);
}

void CQuorixControl::_VpexOnSendError(int index, int code, int errorNo, const char* text, void* self) {
    static_cast<CQuorixControl*>(self)->VpexOnSendError(index, code, errorNo, text);
}

void CQuorixControl::VpexOnRecv(int index, const uint8_t* packet, int size, int pieceIndex, int pieceCount) {
    if (index < 0 || index >= VPEX_CONNECTION_COUNT || packet == nullptr || size < int(VPEX_HEADER_SIZE))
        return;
    const VPX_STD_PROT header = VPX_STD_PROT::Read(packet);
    if (header.length == 0) {
        VpexOnRecvNoData(index, header);
        return;
    }
    // The receive thread hands whole packets; a length beyond them is not read.
    if (header.length > uint32_t(size) - VPEX_HEADER_SIZE) {
        CLLog::writeFormat(kLogWrn, "[Vpex-%d] Broken packet [Msg:0x%04X Size:%u of %d].", index,
                           header.msgId, header.length, size);
        return;
    }
    VpexOnRecvWithData(index, header, packet + VPEX_HEADER_SIZE, header.length, pieceIndex, pieceCount);
}

void CQuorixControl::VpexOnRecvNoData(int index, const VPX_STD_PROT& header) {
    if (header.msgId != VPEX_ALIVE_CHECK)
        CLLog::writeFormat(kLogInf, "[Vpex-%d] Received an unsupported message [0x%08x].", index,
                           header.msgId);
}

void CQuorixControl::VpexOnRecvWithData(int index, const VPX_STD_PROT& header, const uint8_t* body,
                                        uint32_t length, int pieceIndex, int pieceCount) {
    auto* plain = static_cast<uint8_t*>(__malloc__(length));
    if (plain == nullptr) return;
    std::memset(plain, 0, length);
    int plainLength = 0;
    bool ok;
    {
        CMutexLock lock(m_mutexAesVpex[index]);
        ok = CCommonProc::QuorixDecrypt(m_aesVpex[index].pRecv, body, int(length), plain, &plainLength);
    }
    if (!ok) {
        CLLog::writeFormat(kLogInf, "[Vpex-%d] Failed to decrypt packet [Msg:0x%04X Size:%u].\n", index,
                           header.msgId, header.length);
        __free__(plain);
        return;
    }
    VpexDispatch(index, header, plain, uint32_t(plainLength), pieceIndex, pieceCount);
}

void CQuorixControl::VpexDispatch(int index, const VPX_STD_PROT& header, uint8_t* body, uint32_t length,
                                  int pieceIndex, int pieceCount) {
    switch (header.msgId) {
        // Media handlers take over the body.
        case VPEX_AUDIO:
            VpexOnRecvAudio(header.sender, body, length);
            return;
        case VPEX_VIDEO:
        case VPEX_VIDEO_START:
        case VPEX_VIDEO_MOBILE:
        case VPEX_VIDEO_MOBILE_START:
            VpexOnRecvVideo(header.sender, body, length);
            return;
        case VPEX_TEXT_DATA:
            VpexOnRecvTextData(header.sender, body, length);
            break;
        case VPEX_WEB_ESCORT_DATA:
            VpexOnRecvWebEscortData(header.sender, body, length);
            break;
        case VPEX_WEB_ESCORT_CMD:
            VpexOnRecvWebEscortCmd(header.sender, body, length);
            break;
        case VPEX_MANY_MTG_CMD:
            VpexOnRecvManyMtgCmd(header.sender, body, length);
            break;
        case VPEX_USER_PERMISSION_CMD:
            VpexOnRecvUserPermissionCmd(header.sender, body, length);
            break;
        case VPEX_AS_DATA:
            VpexOnRecvASData(index, body, length, pieceIndex, pieceCount);
            break;
        case VPEX_AS_CMD:
            VpexOnRecvASCmd(index, body, length);
            break;
        case VPEX_IGNORED_7:
            break;
        case VPEX_RECV_START:
            VpexOnRecvStart(index, body, length);
            break;
        case VPEX_RECV_STOP_REP:
            VpexOnRecvStop(index, body, length);
            break;
        default:
            CLLog::writeFormat(kLogInf, "[Vpex-%d] Received an unsupported message [0x%08x].", index,
                               header.msgId);
            break;
    }
    __free__(body);
}

void CQuorixControl::VpexOnRecvStart(int index, const uint8_t* body, uint32_t length) {
    VPEX_CLIENT_NOTICE notice;
    if (!ParseVpexRecvStart(body, length, notice)) {
        CLLog::writeFormat(kLogWrn, "[Vpex-%d] Broken start notice (%u bytes).", index, length);
        return;
    }
    VpexClientStarted(index, notice.clientId, notice.userId.c_str(), notice.userName.c_str());
}

void CQuorixControl::VpexOnRecvStop(int index, const uint8_t* body, uint32_t length) {
    if (body == nullptr || length < VPEX_RECV_STOP_SIZE) {
        CLLog::writeFormat(kLogWrn, "[Vpex-%d] Broken stop notice (%u bytes).", index, length);
        return;
    }
    const uint32_t clientId = GetLE32(body);
    CLLog::writeFormat(kLogDbg, "VPEX[%d] Received StopRep. [ClientId:%d ClientNo:%d]", index, int(clientId),
                       GetClientIndex(index, clientId));
}

bool CQuorixControl::GetParticipantEntry(int index, PARTICIPANT_INFO& entry) {
    CMutexLock lock(m_mutexParticipant);
    if (m_pParticipant == nullptr || index < 0 || uint32_t(index) >= m_nTableSize) return false;
    entry = m_pParticipant[index];
    return true;
}

void CQuorixControl::VpexOnRecvError(int index, int code, int errorNo, const char* text) {
    if (index < 0 || index >= VPEX_CONNECTION_COUNT) return;
    // A broken direction silences the other one of the same connection.
    if (m_pThreadSendVpex[index] != nullptr) m_pThreadSendVpex[index]->SetError();
    if (!TakeErrorReport()) return;
    CLLog::writeFormat(kLogErr, "[Vpex-%d] Failed to recv. (Code:%d No:%d Msg:%s)", index, code, errorNo,
                       text != nullptr ? text : "");
    if (m_pOwner != nullptr) m_pOwner->OnError(code, errorNo, text);
}

void CQuorixControl::VpexOnSendError(int index, int code, int errorNo, const char* text) {
    if (index < 0 || index >= VPEX_CONNECTION_COUNT) return;
    if (m_pThreadRecvVpex[index] != nullptr) m_pThreadRecvVpex[index]->SetError();
    if (!TakeErrorReport()) return;
    CLLog::writeFormat(kLogErr, "[Vpex-%d] Failed to send. (code:%d no:%d msg:%s)", index, code, errorNo,
                       text != nullptr ? text : "");
    if (m_pOwner != nullptr) m_pOwner->OnError(code, errorNo, text);
}
