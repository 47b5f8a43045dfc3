#include "tessel/TS_StreamThreadEx.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace {
// Room behind every receive buffer: the text head is terminated in it.
constexpr uint32_t kSpare = 8;
}  // namespace

// ---------------------------------------------------------------------------
// QueComBuffer

bool QueComBuffer::Push(COM_BUFFER* entry) {
    auto* node = static_cast<Node*>(__malloc__(sizeof(Node)));
    if (node == nullptr) return false;
    node->entry = entry;
    node->next = nullptr;
    if (m_pTail != nullptr) {
        m_pTail->next = node;
    } else {
        m_pHead = node;
    }
    m_pTail = node;
    return true;
}

COM_BUFFER* QueComBuffer::Pop() {
    Node* node = m_pHead;
    if (node == nullptr) return nullptr;
    m_pHead = node->next;
    if (m_pHead == nullptr) m_pTail = nullptr;
    COM_BUFFER* entry = node->entry;
    __free__(node);
    return entry;
}

void QueComBuffer::Clear() {
    // Every node goes, also those behind an empty entry.
    while (m_pHead != nullptr) Pop();
}

// ---------------------------------------------------------------------------
// Receive thread

CThreadStreamRecvEx::CThreadStreamRecvEx(CSocketTCP* socket, bool useHooks)
    : m_pRecvSocket(socket),
      m_bRecvHook(useHooks),
      m_iProtocol(STREAM_PROTOCOL_SEGMENT),
      m_bRecvHeader(true),
      m_uCapacity(0),
      m_uFilled(0),
      m_pRecvBuffer(nullptr) {}

CThreadStreamRecvEx::~CThreadStreamRecvEx() {
    CThread::Stop();
    __free__(m_pRecvBuffer);
}

bool CThreadStreamRecvEx::SetProtocolType(int type) {
    if (type != STREAM_PROTOCOL_SEGMENT && type != STREAM_PROTOCOL_CRLF) return false;
    m_iProtocol = type;
    return true;
}

bool CThreadStreamRecvEx::Start() {
    if (IsContinue()) return false;
    m_bRecvAbort = false;
    if (!SetRecvBuff4Header(0)) return false;
    return CThread::Start();
}

void CThreadStreamRecvEx::Stop() {
    CThread::Stop();
    __free__(m_pRecvBuffer);
    m_pRecvBuffer = nullptr;
    m_bRecvHeader = true;
    m_uCapacity = 0;
    m_uFilled = 0;
}

bool CThreadStreamRecvEx::Grow(uint32_t more) {
    if (more > kMaxPacket - m_uCapacity) {
        OnRecvError(SOCK_ERR_TOO_LARGE, 0, "The maximum size of a packet was exceeded.");
        return false;
    }
    auto* buffer = static_cast<uint8_t*>(__realloc__(m_pRecvBuffer, m_uCapacity + more + kSpare));
    if (buffer == nullptr) {
        OnRecvError(-1, ENOMEM, "No memory for the receive buffer.");
        return false;
    }
    m_pRecvBuffer = buffer;
    m_uCapacity += more;
    return true;
}

bool CThreadStreamRecvEx::SetRecvBuff4Header(uint32_t more) {
    m_bRecvHeader = true;
    if (more > 0) return Grow(more);
    __free__(m_pRecvBuffer);
    m_pRecvBuffer = nullptr;
    m_uCapacity = 0;
    m_uFilled = 0;
    return Grow(GetHeaderSize());
}

bool CThreadStreamRecvEx::SetRecvBuff4Body(uint32_t more) {
    m_bRecvHeader = false;
    return Grow(more);
}

int CThreadStreamRecvEx::_OnRecv(uint8_t* buffer, int length) {
    const int n = m_bRecvHook ? OnRecv(buffer, length, 0) : m_pRecvSocket->Recv(buffer, length, 0);
    if (n < 0) {
        if (!m_bRecvHook) OnRecvError(n, m_pRecvSocket->GetErrorNoRecv(), m_pRecvSocket->GetErrorMsgRecv());
        return n;
    }
    m_uFilled += static_cast<uint32_t>(n);
    return n;
}

int CThreadStreamRecvEx::OnRecvProtocolCrlf() {
    // One byte per read, so that nothing behind the head is taken.
    const int n = _OnRecv(m_pRecvBuffer + m_uFilled, 1);
    if (n <= 0) return n;
    m_pRecvBuffer[m_uFilled] = 0;
    const bool ended = m_uFilled >= 4 && memcmp(m_pRecvBuffer + m_uFilled - 4, "\r\n\r\n", 4) == 0;
    if (!ended && m_uFilled < m_uCapacity) return 0;
    // The head ends here: a body that follows is counted from this point.
    m_uCapacity = m_uFilled;
    return 1;
}

int CThreadStreamRecvEx::OnRecvProtocolSeg() {
    const int n = _OnRecv(m_pRecvBuffer + m_uFilled, static_cast<int>(m_uCapacity - m_uFilled));
    if (n <= 0) return n;
    return m_uFilled >= m_uCapacity ? 1 : 0;
}

bool CThreadStreamRecvEx::RecvHeader() {
    const uint32_t more = HeaderCompleted(m_pRecvBuffer, m_uFilled);
    if (m_bRecvAbort) return false;
    if (more > 0) return SetRecvBuff4Header(more);
    const uint32_t body = GetBodySize();
    if (body > 0) return SetRecvBuff4Body(body);
    return RecvBody();
}

bool CThreadStreamRecvEx::RecvBody() {
    const uint32_t more = PacketCompleted(m_pRecvBuffer, m_uFilled);
    if (m_bRecvAbort) return false;
    if (more > 0) return SetRecvBuff4Body(more);
    return SetRecvBuff4Header(0);
}

bool CThreadStreamRecvEx::RecvComplete() {
    const int rc =
        m_iProtocol == STREAM_PROTOCOL_CRLF && m_bRecvHeader ? OnRecvProtocolCrlf() : OnRecvProtocolSeg();
    if (rc < 0) return false;
    if (rc == 0) return true;
    return m_bRecvHeader ? RecvHeader() : RecvBody();
}

void CThreadStreamRecvEx::Run() {
    bool ready = true;
    while (IsContinue()) {
        if (!ready || (!m_bRecvHook && m_pRecvSocket == nullptr) || m_pRecvBuffer == nullptr) {
            Sleep(100);
            continue;
        }
        const int rc = m_bRecvHook ? OnCheckReceivable(-1) : m_pRecvSocket->CheckReceivable(-1);
        if (rc == SOCK_ERR_TIMEOUT) continue;
        if (rc != 0) {
            if (!m_bRecvHook) {
                const int errorNo = m_pRecvSocket->GetErrorNoRecv();
                // An interruption of this very wait is the stop signal (or
                // another signal): the loop decides whether to go on.
                if (rc == SOCK_ERR_SELECT && errorNo == EINTR) continue;
                OnRecvError(rc, errorNo, m_pRecvSocket->GetErrorMsgRecv());
            }
            ready = false;
            continue;
        }
        if (!RecvComplete()) ready = false;
    }
}

// ---------------------------------------------------------------------------
// Send thread

CThreadStreamSendEx::CThreadStreamSendEx(CSocketTCP* socket, bool useHook)
    : m_pSendSocket(socket),
      m_bSendHook(useHook),
      m_pSendEntry(nullptr),
      m_sendQueues(
          [](void* owner, void* data) { static_cast<CThreadStreamSendEx*>(owner)->OnCompleteBuffer(data); },
          this) {}

CThreadStreamSendEx::~CThreadStreamSendEx() {
    CThread::Stop();
    delete m_pSendEntry;
}

bool CThreadStreamSendEx::Start() {
    if (IsContinue()) return false;
    m_sendQueues.SetAccepting(true);
    if (CThread::Start()) return true;
    m_sendQueues.SetAccepting(false);
    return false;
}

void CThreadStreamSendEx::Stop() {
    m_sendQueues.SetAccepting(false);
    StopContinue();
    m_sendEvent.Notify();
    CThread::Stop();
    m_sendQueues.Drain(m_pSendEntry);
    m_pSendEntry = nullptr;
}

bool CThreadStreamSendEx::Send(void* data, int len, unsigned cls) {
    if (!m_sendQueues.Push(data, len, cls)) return false;
    m_sendEvent.Notify();
    return true;
}

bool CThreadStreamSendEx::SendStep() {
    COM_BUFFER* entry = m_pSendEntry;
    if (entry->iLen > entry->iSent) {
        const auto* data = static_cast<const uint8_t*>(entry->pData) + entry->iSent;
        const int length = entry->iLen - entry->iSent;
        const int flags = MSG_DONTWAIT | MSG_NOSIGNAL;
        const int rc = m_bSendHook ? OnSend(data, length, flags) : m_pSendSocket->Send(data, length, flags);
        if (rc < 0) {
            if (!m_bSendHook)
                OnSendError(rc, m_pSendSocket->GetErrorNoSend(), m_pSendSocket->GetErrorMsgSend());
            return false;
        }
        if (rc == 0 && m_bSendHook) Sleep(1);  // a hook has no writability wait
        entry->iSent += rc;
    }
    if (entry->iSent >= entry->iLen) {
        m_pSendEntry = nullptr;
        OnCompleteBuffer(entry->pData);
        delete entry;
    }
    return true;
}

void CThreadStreamSendEx::Run() {
    bool ready = true;
    while (IsContinue()) {
        if (!ready || (!m_bSendHook && m_pSendSocket == nullptr)) {
            Sleep(100);
            continue;
        }
        bool work = false;
        if (m_pSendEntry != nullptr) {
            work = (m_bSendHook || m_pSendSocket->CheckSendable(1000) == 0) && IsContinue();
        } else if (m_sendEvent.Wait(-1) && IsContinue()) {
            m_pSendEntry = GetSendBuffer();
            work = m_pSendEntry != nullptr;
        }
        if (work && !SendStep()) ready = false;
    }
}

// ---------------------------------------------------------------------------
// CThreadRecv

CThreadRecv::CThreadRecv(CSocketTCP* socket, PacketCallback onPacket, ErrorCallback onError, void* user)
    : CThreadStreamRecvEx(socket),
      m_bError(false),
      m_onPacket(onPacket),
      m_onError(onError),
      m_pUser(user),
      m_uBodySize(0) {
    Start();
}

CThreadRecv::~CThreadRecv() {
    Stop();
}

uint32_t CThreadRecv::PacketCompleted(uint8_t* buffer, uint32_t length) {
    if (!m_bError.load() && m_onPacket != nullptr) m_onPacket(buffer, static_cast<int>(length), m_pUser);
    return 0;
}

void CThreadRecv::OnRecvError(int code, int errorNo, const char* text) {
    if (m_bError.exchange(true)) return;
    if (m_onError != nullptr) m_onError(code, errorNo, text, m_pUser);
}
