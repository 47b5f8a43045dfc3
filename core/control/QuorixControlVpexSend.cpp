// Media relay: framing of sent messages (pieces, trailer, footer), the five
// connection starts with their key change, the keep-alive and speaking
// notices, and the teardown.
#include <cstring>
#include <vector>

#include "audio/AudioPlayerThread.h"
#include "network/CommonProc.h"
#include "control/ControlUtil.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "network/ThreadVpex.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace {

bool ValidIndex(int index) {
    return index >= 0 && index < VPEX_CONNECTION_COUNT;
}

}  // namespace

bool CQuorixControl::VpexSend(int index, uint32_t msgId, uint32_t target, uint32_t sender,
                              const uint8_t* data, uint32_t length, unsigned sendClass, bool clear) {
    const uint32_t footer = ::VpexIsFooterPacket(msgId) ? VPEX_FOOTER_MAGIC : 0;
    const bool sequence = ::VpexIsSequencePacket(msgId);
    const uint16_t pieces = sequence ? VpexPieceCount(length) : 0;
    // Once the send thread runs, a record of several pieces is queued whole;
    // before (during the entry) it is written piece by piece.
    if (pieces > 1 && ValidIndex(index) && m_pThreadSendVpex[index] != nullptr)
        return VpexSendRecord(index, msgId, target, sender, data, length, sendClass, footer, pieces, clear);
    uint32_t sent = 0;
    uint16_t piece = 0;
    while (sent < length) {
        const uint32_t n = sequence && length - sent > VPEX_PIECE_SIZE ? VPEX_PIECE_SIZE : length - sent;
        if (!VpexSendSplit(index, msgId, target, sender, data + sent, n, sendClass, footer, piece, pieces,
                           clear))
            return false;
        sent += n;
        ++piece;
    }
    return true;
}

bool CQuorixControl::VpexSendRecord(int index, uint32_t msgId, uint32_t target, uint32_t sender,
                                    const uint8_t* data, uint32_t length, unsigned sendClass, uint32_t footer,
                                    uint16_t pieces, bool clear) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!ValidIndex(index) || data == nullptr) return false;
    CThreadSendVpex* thread = m_pThreadSendVpex[index];
    if (thread == nullptr) return false;
    if (clear && m_pSocketVpex[index] != nullptr) thread->ClearBuffer(sendClass);
    std::vector<void*> frames;
    std::vector<int> sizes;
    for (uint16_t piece = 0; piece < pieces; ++piece) {
        const uint32_t at = uint32_t(piece) * VPEX_PIECE_SIZE;
        const uint32_t n = length - at > VPEX_PIECE_SIZE ? VPEX_PIECE_SIZE : length - at;
        uint32_t total = 0;
        uint8_t* frame =
            VpexBuildFrame(index, msgId, target, sender, data + at, n, footer, piece, pieces, total);
        if (frame == nullptr) break;
        frames.push_back(frame);
        sizes.push_back(int(total));
    }
    // The pieces are queued together, so that a full queue drops the record
    // whole, never one piece of it.
    if (frames.size() == pieces && thread->SendGroup(frames.data(), sizes.data(), frames.size(), sendClass))
        return true;
    for (void* f : frames) __free__(f);
    CLLog::writeFormat(kLogWrn, "Failed to send data(MsgID:%d) for Vpex[%d].\n", int(msgId), index);
    return false;
}

uint8_t* CQuorixControl::VpexBuildFrame(int index, uint32_t msgId, uint32_t target, uint32_t sender,
                                        const uint8_t* data, uint32_t length, uint32_t footer,
                                        uint16_t pieceIndex, uint16_t pieceCount, uint32_t& total) {
    const uint32_t trailer = pieceCount != 0 ? VPEX_TRAILER_SIZE : 0;
    const uint32_t foot = footer != 0 ? VPEX_FOOTER_SIZE : 0;
    uint8_t* frame = nullptr;
    {
        CMutexLock lock(m_mutexAesVpex[index]);
        CQXCrypt* key = m_aesVpex[index].pSend;
        const uint32_t bodySize = key != nullptr && length != 0
                                      ? uint32_t(CCommonProc::QuorixEncryptSize(key, int(length)))
                                      : length;
        total = VPEX_HEADER_SIZE + bodySize + trailer + foot;
        frame = static_cast<uint8_t*>(__malloc__(total));
        if (frame == nullptr) return nullptr;
        std::memset(frame, 0, total);
        VPX_STD_PROT header;
        header.msgId = msgId;
        header.length = total - VPEX_HEADER_SIZE;
        header.target = target;
        header.sender = sender;
        header.Write(frame);
        if (length != 0 &&
            !CCommonProc::QuorixEncryptt(key, data, int(length), frame + VPEX_HEADER_SIZE, nullptr)) {
            CLLog::writeFormat(kLogDbg, "Failed to encrypt data(MsgID:%d) in VpexSend.\n", int(msgId));
            __free__(frame);
            return nullptr;
        }
    }
    uint8_t* tail = frame + total - foot - trailer;
    if (trailer != 0) {
        PutLE16(tail, pieceIndex);
        PutLE16(tail + 2, pieceCount);
    }
    if (foot != 0) PutLE32(frame + total - foot, footer);
    return frame;
}

bool CQuorixControl::VpexSendSplit(int index, uint32_t msgId, uint32_t target, uint32_t sender,
                                   const uint8_t* data, uint32_t length, unsigned sendClass, uint32_t footer,
                                   uint16_t pieceIndex, uint16_t pieceCount, bool clear) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (!ValidIndex(index) || (length > 0 && data == nullptr)) return false;
    // Nothing larger than a receiver accepts is framed (this also keeps the sizes in range).
    if (length > STREAM_MAX_BODY_SIZE) return false;
    CThreadSendVpex* thread = m_pThreadSendVpex[index];
    if (clear && m_pSocketVpex[index] != nullptr && thread != nullptr) thread->ClearBuffer(sendClass);

    uint32_t total = 0;
    uint8_t* frame =
        VpexBuildFrame(index, msgId, target, sender, data, length, footer, pieceIndex, pieceCount, total);
    if (frame == nullptr) return false;
    if (thread != nullptr) {
        if (!thread->Send(frame, int(total), sendClass)) {
            __free__(frame);
            CLLog::writeFormat(kLogWrn, "Failed to send data(MsgID:%d) for Vpex[%d].\n", int(msgId), index);
            return false;
        }
        return true;
    }
    const bool ok = SendSync(m_pSocketVpex[index], frame, int(total));
    __free__(frame);
    return ok;
}

int CQuorixControl::VpexEnterRoom(const char* /*userId*/, const char* userAgent,
                                  const HTTPACCESS_PROXY_CONFIG* proxy, HTTPACCESS_CONNECTION_INFO* info) {
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        if (m_pSocketVpex[i] != nullptr) return -17;
        const int code = VpexConnect(i, userAgent, proxy, info);
        if (code != 0) {
            VpexDisconnect();
            return code;
        }
        CSocketTCP* s = m_pSocketVpex[i];
        s->SetSO_NOSIGPIPE(true);
        s->SetTCP_NODELAY(true);
        s->SetSO_KEEPALIVE(true);
        s->SetAsync(true);
    }
    return 0;
}

int CQuorixControl::VpexConnect(int index, const char* userAgent, const HTTPACCESS_PROXY_CONFIG* proxy,
                                HTTPACCESS_CONNECTION_INFO* info) {
    auto* socket = new CSocketTCP();
    m_pSocketVpex[index] = socket;
    const CONF_RELAY_ADDR& addr = m_stVpexAddr[index];
    int code = Connect(addr.host.c_str(), addr.port, kVpexLabels[index], userAgent, socket, proxy, info);
    if (code == 0 && !CCommonProc::ExchangeKey(socket, &m_aesVpex[index])) code = -13;
    if (code != 0) {
        delete socket;
        m_pSocketVpex[index] = nullptr;
        return code;
    }
    if (!VpexSendSyncStartReq(index)) {
        VpexDisconnect();
        return -6;
    }
    code = VpexRecvSyncStartRes(index);
    if (code != 0) VpexDisconnect();
    return code;
}

bool CQuorixControl::VpexSendSyncStartReq(int index) {
    VPEX_START_REQ_FIELDS f;
    LocalEndpoint(m_pSocketVpex[index], f.localAddr, f.localPort);
    f.topRoomId = m_nTopRoomId;
    f.roomId = m_nRoomId;
    f.userId = m_strUserId;
    f.userName = m_strUserName;
    f.keyLevel = uint32_t(m_nConfCipherLevel);
    f.manySpeaker = m_bManyMtg ? m_nManySpeaker : 0;
    f.loginRes = m_LoginRes;
    const std::vector<uint8_t> body = BuildVpexStartReq(f);
    return VpexSend(index, VPEX_SYNC_START_REQ, VPEX_TARGET_ALL, m_nOwnClientId[index], body.data(),
                    uint32_t(body.size()), 0, false);
}

bool CQuorixControl::VpexRecvSync(int index, VPX_STD_PROT& header, uint8_t*& body) {
    body = nullptr;
    CSocketTCP* socket = m_pSocketVpex[index];
    const int wait = GetControlWaits().replyWaitMs;
    uint8_t* raw = RecvSync(socket, int(VPEX_HEADER_SIZE), wait);
    if (raw != nullptr) {
        header = VPX_STD_PROT::Read(raw);
        __free__(raw);
        raw = nullptr;
        if (header.length == 0 || header.length > STREAM_MAX_BODY_SIZE) return false;
        raw = RecvSync(socket, int(header.length), wait);
    }
    if (raw == nullptr) {
        CLLog::writeFormat(kLogDbg, "[VPEX-%d]Connection recieve error[CODE='%d' MSG='%s']\n", index,
                           socket != nullptr ? socket->GetErrorNoRecv() : 0,
                           socket != nullptr ? socket->GetErrorMsgRecv() : "");
        return false;
    }
    auto* plain = static_cast<uint8_t*>(__malloc__(header.length));
    int plainLength = 0;
    bool ok;
    {
        CMutexLock lock(m_mutexAesVpex[index]);
        ok = plain != nullptr &&
             CCommonProc::QuorixDecrypt(m_aesVpex[index].pRecv, raw, int(header.length), plain, &plainLength);
    }
    __free__(raw);
    if (!ok) {
        __free__(plain);
        return false;
    }
    header.length = uint32_t(plainLength);
    body = plain;
    return true;
}

int CQuorixControl::VpexRecvSyncStartRes(int index) {
    VPX_STD_PROT header;
    uint8_t* body = nullptr;
    if (!VpexRecvSync(index, header, body)) return -6;
    VPEX_START_RES res;
    const bool parsed = header.msgId == VPEX_SYNC_START_RES && ParseVpexStartRes(body, header.length, res);
    if (header.msgId == VPEX_SYNC_START_RES && !parsed)
        CLLog::writeFormat(kLogWrn, "[Vpex-%d] Broken start reply (%u bytes).", index, header.length);
    __free__(body);
    if (!parsed) return -6;
    {
        CMutexLock lock(m_mutexAesVpex[index]);
        CCommonProc::FreeKey(&m_aesVpex[index]);
        if (!CCommonProc::ChangeKey(res.keyLevel, res.keyText.c_str(), &m_aesVpex[index]) &&
            res.keyLevel >= 1 && res.keyLevel <= 3)
            CLLog::write(kLogWrn, "No memory[aes_get_handle()].\n");
    }
    m_nOwnClientId[index] = res.ownClientId;
    for (const VPEX_CLIENT_ENTRY& c : res.clients)
        VpexClientStarted(index, c.clientId, c.userId.c_str(), nullptr);
    return 0;
}

void CQuorixControl::VpexClientStarted(int index, uint32_t clientId, const char* userId,
                                       const char* userName) {
    // A client id of 0 names nobody: every free entry carries it.
    if (clientId == 0) return;
    const int slot = SetClientId(index, userId, clientId);
    if (slot < 0 || getParticipantStatus(slot) != PARTICIPANT_COMPLETE) return;
    MakeVideoDecoder(slot);
    if (userName != nullptr) {
        SetAudioPlayerUser(slot, userId, userName);
    } else {
        PARTICIPANT_INFO entry{};
        if (GetParticipantEntry(slot, entry)) SetAudioPlayerUser(slot, entry.userId, entry.userName);
    }
    if (m_pOwner != nullptr) m_pOwner->OnAudioInitialized(slot);
}

void CQuorixControl::VpexDisconnect() {
    // Closing the sockets first ends every wait of the connection threads.
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        if (m_pSocketVpex[i] == nullptr) continue;
        m_pSocketVpex[i]->Close();
        CLLog::writeFormat(kLogInf, "Disconnected to [%s:%d](%s).", m_stVpexAddr[i].host.c_str(),
                           int(m_stVpexAddr[i].port), kVpexLabels[i]);
    }
    DeleteVpexStreamThread();
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        delete m_pSocketVpex[i];
        m_pSocketVpex[i] = nullptr;
        {
            CMutexLock lock(m_mutexAesVpex[i]);
            CCommonProc::FreeKey(&m_aesVpex[i]);
        }
        m_nOwnClientId[i] = 0;
    }
}

bool CQuorixControl::VpexIsEnterRoom() const {
    for (CSocketTCP* s : m_pSocketVpex)
        if (s == nullptr) return false;
    return true;
}

uint32_t CQuorixControl::VpexOwnClientId(int index) const {
    return ValidIndex(index) ? m_nOwnClientId[index] : 0;
}

int CQuorixControl::VpexSendBufferLength(int index, unsigned sendClass) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return -1;
    if (!ValidIndex(index) || m_pThreadSendVpex[index] == nullptr) return -1;
    return int(m_pThreadSendVpex[index]->GetBufferingCount(sendClass));
}

void CQuorixControl::VpexSetBandwidth(int index, int kbps) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return;
    if (ValidIndex(index) && m_pThreadSendVpex[index] != nullptr)
        m_pThreadSendVpex[index]->SetBandWidth(kbps);
}

void CQuorixControl::_VpexSendAliveCheck(int index, void* self) {
    static_cast<CQuorixControl*>(self)->VpexSendAliveCheck(index);
}

void CQuorixControl::VpexSendAliveCheck(int index) {
    if (!ValidIndex(index) || m_pThreadSendVpex[index] == nullptr || !m_pThreadSendVpex[index]->IsTimesGoBy())
        return;
    VpexSendSplit(index, VPEX_ALIVE_CHECK, VPEX_TARGET_NOTICE, m_nOwnClientId[index], nullptr, 0, 0, 0, 0, 0,
                  false);
}

bool CQuorixControl::VpexSendNotice(uint32_t msgId) {
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        if (!VpexSendSplit(i, msgId, VPEX_TARGET_NOTICE, m_nOwnClientId[i], nullptr, 0, 0, 0, 0, 0, false))
            return false;
    }
    return true;
}

bool CQuorixControl::VpexSendStartRep() {
    return m_bLogin && VpexSendNotice(VPEX_SEND_START_REP);
}

bool CQuorixControl::VpexSendStopRep() {
    return m_bLogin && VpexSendNotice(VPEX_SEND_STOP_REP);
}

bool CQuorixControl::VpexSendSyncPreInfo(int index) {
    if (!ValidIndex(index)) return false;
    uint8_t body[8];
    PutLE32(body, uint32_t(m_nTopRoomId));
    PutLE32(body + 4, uint32_t(m_nRoomId));
    return VpexSend(index, VPEX_SEND_SYNC_PRE_INFO, VPEX_TARGET_ALL, m_nOwnClientId[index], body, sizeof body,
                    0, false);
}
