// CQuorixControl life cycle, synchronous socket I/O of the login, and the
// stream threads of the connections.
#include "control/QuorixControl.h"

#include <sys/socket.h>

#include <cstring>

#include "control/ControlUtil.h"
#include "control/ControlWaits.h"
#include "datamanager/ASDataManager.h"
#include "datamanager/RestoreSplittedData.h"
#include "network/ThreadConf.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

const char* const kVpexLabels[VPEX_CONNECTION_COUNT] = {"Type:VIDEO", "Type:AUDIO", "Type:OTHER", "Type:AS",
                                                        "Type:CB"};

CQuorixControl::CQuorixControl(CQuorixControlEvents* owner) : m_pOwner(owner) {
    CASDataManager::init(this, 3, 24, 24);
}

CQuorixControl::~CQuorixControl() {
    CASDataManager::term();
    {
        CMutexLock lock(m_mutexASRestore);
        delete m_pASRestorer;
        m_pASRestorer = nullptr;
    }
    Logout();
    TearDownLogin();  // finds nothing left after a logout
}

bool CQuorixControl::SendSync(CSocketTCP* socket, const uint8_t* data, int len) {
    if (len < 1) return true;
    if (socket == nullptr || data == nullptr) return false;
    const int wait = GetControlWaits().replyWaitMs;
    int sent = 0;
    while (sent < len) {
        if (socket->CheckSendable(wait) != 0) return false;
        const int n = socket->Send(data + sent, len - sent, MSG_NOSIGNAL);
        if (n < 0) return false;
        sent += n;
    }
    return true;
}

uint8_t* CQuorixControl::RecvSync(CSocketTCP* socket, int size, int timeoutMs) {
    if (socket == nullptr) return nullptr;
    // The empty buffer for an empty read: one byte, so that it is never null.
    uint8_t* buf = static_cast<uint8_t*>(__malloc__(size > 0 ? size_t(size) : 1));
    if (buf == nullptr || size <= 0) return buf;
    int got = 0;
    while (got < size) {
        if (socket->CheckReceivable(timeoutMs) != 0) break;
        const int n = socket->Recv(buf + got, size - got, 0);
        if (n < 0) break;
        got += n;
    }
    if (got < size) {
        __free__(buf);
        return nullptr;
    }
    return buf;
}

bool CQuorixControl::CreateStreamThread() {
    static const char* const kFunc = "CreateStreamThread";
    CLLog::onFuncStart(kFunc);
    // Both threads of a connection exist before either runs: each one's error
    // callback reaches the other.
    const uint32_t idle = GetControlWaits().idleIntervalMs;
    const bool newSend = m_pThreadSendConf == nullptr;
    const bool newRecv = m_pThreadRecvConf == nullptr;
    if (newSend)
        m_pThreadSendConf =
            new CThreadSendConf(m_pSocketConf, idle, _ConfOnSendError, _ConfSendAliveCheck, this);
    if (newRecv) m_pThreadRecvConf = new CThreadRecvConf(m_pSocketConf, _ConfOnRecv, _ConfOnRecvError, this);
    bool ok = !newSend || m_pThreadSendConf->Start();
    ok = ok && (!newRecv || m_pThreadRecvConf->Start());
    ok = ok && CreateVpexStreamThread();
    CLLog::onFuncEnd(kFunc);
    return ok;
}

void CQuorixControl::DeleteStreamThread() {
    DeleteConfStreamThread();
    DeleteVpexStreamThread();
}

void CQuorixControl::DeleteConfStreamThread() {
    // Both are stopped before either is deleted: a stopping thread's error
    // callback may still reach the other one.
    if (m_pThreadRecvConf != nullptr) m_pThreadRecvConf->Stop();
    if (m_pThreadSendConf != nullptr) m_pThreadSendConf->Stop();
    delete m_pThreadRecvConf;
    m_pThreadRecvConf = nullptr;
    delete m_pThreadSendConf;
    m_pThreadSendConf = nullptr;
}
