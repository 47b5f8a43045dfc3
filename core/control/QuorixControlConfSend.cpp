// Conference-server connection: framing of sent messages, the synchronous room
// entry (connect, key exchange, login, enter) and the teardown.
#include <arpa/inet.h>

#include <cstring>

#include "network/CommonProc.h"
#include "control/ControlUtil.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "control/QuorixControlEvents.h"
#include "network/ThreadConf.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

bool CQuorixControl::ConfSend(uint32_t msgId, const uint8_t* body, uint32_t len, int32_t param) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (len > 0 && body == nullptr) return false;
    // Nothing larger than the server accepts is framed (this also keeps the sizes in range).
    if (len > CONF_MAX_BODY_SIZE) return false;
    uint8_t* frame = nullptr;
    uint32_t size = len;
    {
        CMutexLock lock(m_mutexAesConf);
        if (len > 0 && m_aesConf.pSend != nullptr)
            size = CCommonProc::QuorixEncryptSize(m_aesConf.pSend, int(len));
        frame = static_cast<uint8_t*>(__malloc__(CONF_HEADER_SIZE + size));
        if (frame == nullptr) return false;
        std::memset(frame, 0, CONF_HEADER_SIZE + size);
        PROT_STD_T header;
        header.msgId = msgId;
        header.bodySize = size;
        header.param = param;
        header.Write(frame);
        if (len > 0 && !CCommonProc::QuorixEncryptt(m_aesConf.pSend, body, int(len), frame + CONF_HEADER_SIZE,
                                                    nullptr)) {
            CLLog::writeFormat(kLogDbg, "Failed to encrypt data(MsgID:%x) in ConfSend.\n", msgId);
            __free__(frame);
            return false;
        }
    }
    if (m_pThreadSendConf != nullptr) {
        if (!m_pThreadSendConf->Send(frame, int(CONF_HEADER_SIZE + size), 0)) {
            __free__(frame);
            CLLog::writeFormat(kLogWrn, "Failed to send packet(MsgID:%x) for Conference.", msgId);
            return false;
        }
        return true;
    }
    const bool ok = SendSync(m_pSocketConf, frame, int(CONF_HEADER_SIZE + size));
    __free__(frame);
    return ok;
}

bool CQuorixControl::ConfRecvSync(PROT_STD_T& header, uint8_t*& body) {
    body = nullptr;
    const int wait = GetControlWaits().replyWaitMs;
    uint8_t* raw = RecvSync(m_pSocketConf, int(CONF_HEADER_SIZE), wait);
    if (raw == nullptr) return false;
    header = PROT_STD_T::Read(raw);
    __free__(raw);
    if (header.bodySize == 0) return true;
    // A length beyond what any reply may carry is refused before anything is allocated.
    if (header.bodySize > CONF_MAX_BODY_SIZE) return false;
    raw = RecvSync(m_pSocketConf, int(header.bodySize), wait);
    if (raw == nullptr) return false;
    uint8_t* plain = static_cast<uint8_t*>(__malloc__(header.bodySize));
    int plainLen = 0;
    bool ok = plain != nullptr;
    if (ok) {
        CMutexLock lock(m_mutexAesConf);
        ok = CCommonProc::QuorixDecrypt(m_aesConf.pRecv, raw, int(header.bodySize), plain, &plainLen);
    }
    __free__(raw);
    if (!ok || plainLen < 0 || uint32_t(plainLen) > header.bodySize) {
        __free__(plain);
        return false;
    }
    header.bodySize = uint32_t(plainLen);
    body = plain;
    return true;
}

int CQuorixControl::ConfConnect(const char* userAgent, const HTTPACCESS_PROXY_CONFIG* proxy,
                                HTTPACCESS_CONNECTION_INFO* info) {
    m_pSocketConf = new CSocketTCP();
    const int rc = Connect(m_strConfHost, m_nConfPort, kConfLabel, userAgent, m_pSocketConf, proxy, info);
    return rc == 0 ? 0 : -1;
}

int CQuorixControl::ConfEnterRoom(const char* host, uint32_t port, const char* userAgent,
                                  const char* optionJson, const HTTPACCESS_PROXY_CONFIG* proxy,
                                  HTTPACCESS_CONNECTION_INFO* info) {
    if (m_pSocketConf != nullptr) return -17;
    // Values that do not fit their fields are refused, never cut: a cut host or
    // password would silently name another server or account.
    if (host == nullptr || strnlen(host, sizeof m_strConfHost) >= sizeof m_strConfHost ||
        !ConfLoginFieldsFit(m_strUserId, m_strPassword))
        return -9;
    // The session's connections begin here: senders may pass from now on.
    m_sessionGate.Open();
    CopyTextField(m_strConfHost, sizeof m_strConfHost, host);
    m_nConfPort = port;

    if (ConfConnect(userAgent, proxy, info) != 0) {
        delete m_pSocketConf;
        m_pSocketConf = nullptr;
        return -1;
    }
    if (!CCommonProc::ExchangeKey(m_pSocketConf, &m_aesConf)) {
        ConfDisconnect();
        return -13;
    }

    int rc = ConfSendSyncLoginReq(optionJson) ? ConfRecvSyncLoginRes() : -6;
    if (rc != 0) {
        ConfDisconnect();
        return rc;
    }
    rc = ConfSendSyncEnterReq() ? ConfRecvSyncEnterRes() : -6;
    if (rc != 0) {
        ConfDisconnect();
        return rc;
    }
    m_pSocketConf->SetSO_NOSIGPIPE(true);
    m_pSocketConf->SetTCP_NODELAY(true);
    m_pSocketConf->SetSO_KEEPALIVE(true);
    m_pSocketConf->SetAsync(true);
    return 0;
}

bool CQuorixControl::ConfSendSyncLoginReq(const char* optionJson) {
    CONF_LOGIN_FIELDS f;
    LocalEndpoint(m_pSocketConf, f.localAddr, f.localPort);
    f.userId = m_strUserId;
    f.password = m_strPassword;
    f.userName = m_strUserName;
    f.userType = m_strUserType;
    f.camera = m_bCamera;
    f.microphone = m_bMic;
    f.optionJson = optionJson;
    const std::vector<uint8_t> body = BuildConfLoginBody(f);
    return ConfSend(CONF_SYNC_LOGIN_REQ, body.data(), uint32_t(body.size()), 0);
}

int CQuorixControl::ConfRecvSyncLoginRes() {
    PROT_STD_T header;
    uint8_t* body = nullptr;
    if (!ConfRecvSync(header, body)) return -6;
    int rc = header.msgId == CONF_SYNC_LOGIN_RES ? MapConfLoginResult(header.param) : -6;
    if (rc == 0) {
        // An accepted reply must carry the whole body the relay start requests copy.
        if (header.bodySize < CONF_LOGIN_RES_SIZE)
            rc = -6;
        else
            std::memcpy(m_LoginRes, body, CONF_LOGIN_RES_SIZE);
    }
    __free__(body);
    return rc;
}

bool CQuorixControl::ConfSendSyncEnterReq() {
    const std::vector<uint8_t> body = BuildConfEnterBody(m_nTopRoomId, m_nRoomId);
    return ConfSend(CONF_SYNC_ENTER_REQ, body.data(), uint32_t(body.size()), 0);
}

int CQuorixControl::ConfRecvSyncEnterRes() {
    PROT_STD_T header;
    uint8_t* body = nullptr;
    if (!ConfRecvSync(header, body)) return -6;
    if (header.msgId != CONF_SYNC_ENTER_RES) {
        __free__(body);
        return -6;
    }
    int rc = MapConfEnterResult(header.param);
    CONF_ENTER_RES res;
    if (rc == 0 && !ParseConfEnterRes(body, header.bodySize, res)) rc = -6;
    __free__(body);
    if (rc != 0) return rc;

    {
        // The new key replaces the exchanged one for both directions; a level
        // outside 1 to 3 means plain bodies from here on.
        CMutexLock lock(m_mutexAesConf);
        CCommonProc::FreeKey(&m_aesConf);
        if (!CCommonProc::ChangeKey(res.keyLevel, res.keyText.c_str(), &m_aesConf) && res.keyLevel >= 1 &&
            res.keyLevel <= 3) {
            CLLog::writeFormat(kLogWrn, "No memory[aes_get_handle()].\n");
            // Going on would leave the two ends with different keys (or none).
            return -13;
        }
    }
    m_nConfCipherLevel = res.keyLevel;
    for (int n = 0; n < VPEX_CONNECTION_COUNT; ++n) m_stVpexAddr[n] = res.relays[n];
    CopyTextField(m_strOwnerId, sizeof m_strOwnerId, res.ownerId.c_str());
    if (m_pOwner != nullptr) m_pOwner->OnChangeOwner(m_strOwnerId);
    RaiseEnterEvents(res);
    return 0;
}

void CQuorixControl::RaiseEnterEvents(const CONF_ENTER_RES& res) {
    for (const PROT_DATA_USER_INFO_T& user : res.users) ConfStartSpeaker(user);
}

void CQuorixControl::ConfStartSpeaker(const PROT_DATA_USER_INFO_T& user) {
    const int index = InsertParticipantInfo(user);
    if (index < 0) return;  // no free entry
    if (getParticipantStatus(index) == PARTICIPANT_COMPLETE) {
        MakeVideoDecoder(index);
        SetAudioPlayerUser(index, user.userId, user.userName);
        if (m_pOwner != nullptr) m_pOwner->OnAudioInitialized(index);
    }
    if (hasSentStartRep(index)) return;
    setSentStartRep(index, true);
    char userId[48];
    char userName[49];
    char userType[4];
    CopyTextField(userId, sizeof userId, user.userId);
    CopyTextField(userName, sizeof userName, user.userName);
    CopyTextField(userType, sizeof userType, user.userType);
    if (m_pOwner != nullptr)
        m_pOwner->OnStartSpeech(index, userId, userName, userType, user.camera == 'Y', user.microphone == 'Y');
}

void CQuorixControl::ConfDisconnect() {
    if (m_pSocketConf != nullptr) {
        m_pSocketConf->Close();
        CLLog::writeFormat(kLogInf, "Disconnected to [%s:%d](%s).", m_strConfHost, int(m_nConfPort),
                           kConfLabel);
    }
    DeleteConfStreamThread();
    delete m_pSocketConf;
    m_pSocketConf = nullptr;
    {
        CMutexLock lock(m_mutexAesConf);
        CCommonProc::FreeKey(&m_aesConf);
    }
    std::memset(m_LoginRes, 0, sizeof m_LoginRes);
    std::memset(m_strConfHost, 0, sizeof m_strConfHost);
    m_nConfPort = 0;
    for (CONF_RELAY_ADDR& a : m_stVpexAddr) a = CONF_RELAY_ADDR{};
}
