#include "network/ThreadConf.h"

#include "tessel/TS_Common.h"

uint32_t StreamHeaderWord(const uint8_t* header, unsigned offset) {
    return static_cast<uint32_t>(header[offset]) | static_cast<uint32_t>(header[offset + 1]) << 8 |
           static_cast<uint32_t>(header[offset + 2]) << 16 | static_cast<uint32_t>(header[offset + 3]) << 24;
}

bool CThreadRecvFramed::Start() {
    SetRecvBuff4Header();
    return CThreadStreamRecv::Start();
}

CThreadSendFramed::CThreadSendFramed(CSocketTCP* socket, uint32_t idleMs)
    : CThreadStreamSend(socket), m_bError(false), m_bTimesGoBy(false) {
    m_uIdleInterval = idleMs;
}

bool CThreadSendFramed::Send(void* data, int len, unsigned cls) {
    if (bError()) return false;
    if (!CThreadStreamSend::Send(data, len, cls)) return false;
    m_bTimesGoBy.store(false, std::memory_order_relaxed);
    return true;
}

bool CThreadSendFramed::SendGroup(void* const* data, const int* len, size_t count, unsigned cls) {
    if (bError()) return false;
    if (!CThreadStreamSend::SendGroup(data, len, count, cls)) return false;
    m_bTimesGoBy.store(false, std::memory_order_relaxed);
    return true;
}

void CThreadSendFramed::OnCompleteBuffer(void* data) {
    __free__(data);
}

CThreadRecvConf::CThreadRecvConf(CSocketTCP* socket, CONF_RECV_CALLBACK onRecv, CONF_ERROR_CALLBACK onError,
                                 void* user)
    : CThreadRecvFramed(socket), m_onRecv(onRecv), m_onError(onError), m_pUser(user) {}

CThreadRecvConf::~CThreadRecvConf() {
    Stop();
}

void CThreadRecvConf::PacketCompleted() {
    if (bError() || m_onRecv == nullptr) return;
    m_onRecv(m_pBuffer, static_cast<int>(m_uLength), m_pUser);
}

void CThreadRecvConf::OnError(int code, int errorNo, const char* text) {
    if (RaiseError() && m_onError != nullptr) m_onError(code, errorNo, text, m_pUser);
}

CThreadSendConf::CThreadSendConf(CSocketTCP* socket, uint32_t idleMs, CONF_ERROR_CALLBACK onError,
                                 CONF_IDLE_CALLBACK onIdle, void* user)
    : CThreadSendFramed(socket, idleMs), m_onError(onError), m_onIdle(onIdle), m_pUser(user) {}

CThreadSendConf::~CThreadSendConf() {
    Stop();
}

void CThreadSendConf::OnError(int code, int errorNo, const char* text) {
    if (RaiseError() && m_onError != nullptr) m_onError(code, errorNo, text, m_pUser);
}

void CThreadSendConf::OnTimeHasPassed() {
    if (m_onIdle != nullptr) m_onIdle(m_pUser);
}
