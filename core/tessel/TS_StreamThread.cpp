#include "tessel/TS_StreamThread.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace {
// Only a wait that this very call reports as interrupted is an interruption;
// an EINTR left in the slot by an earlier wait says nothing about this one.
bool Interrupted(int code, int errorNo) {
    return code == SOCK_ERR_SELECT && errorNo == EINTR;
}
}  // namespace

// ---------------------------------------------------------------------------
// Receive thread

CThreadStreamRecv::CThreadStreamRecv(CSocketTCP* socket)
    : m_pSocket(socket),
      m_bHeader(true),
      m_uLength(0),
      m_pBuffer(nullptr),
      m_bKeepBuffer(false),
      m_bAbort(false),
      m_carryPos(0),
      m_bFromMemory(false) {}

CThreadStreamRecv::~CThreadStreamRecv() {
    CThread::Stop();
    __free__(m_pBuffer);
}

bool CThreadStreamRecv::ArmSegment(uint32_t filled) {
    if (m_carryPos < m_carry.size() && filled < m_uLength) {
        const size_t n = std::min<size_t>(m_carry.size() - m_carryPos, m_uLength - filled);
        memcpy(m_pBuffer + filled, m_carry.data() + m_carryPos, n);
        m_carryPos += n;
        filled += static_cast<uint32_t>(n);
        m_bFromMemory = true;
    }
    if (m_carryPos >= m_carry.size()) {
        m_carry.clear();
        m_carryPos = 0;
    }
    if (m_pSocket == nullptr) return true;
    return m_pSocket->SetRecvBuff(m_pBuffer, static_cast<int>(m_uLength), static_cast<int>(filled)) == 0;
}

void CThreadStreamRecv::SetRecvBuff4Header() {
    __free__(m_pBuffer);
    m_bHeader = true;
    m_uLength = GetHeaderSize();
    m_pBuffer = static_cast<uint8_t*>(__malloc__(m_uLength));
    if (m_pBuffer == nullptr) {
        m_uLength = 0;
        return;
    }
    ArmSegment(0);
}

bool CThreadStreamRecv::SetRecvBuff4Body(uint32_t body) {
    const uint32_t header = GetHeaderSize();
    auto* buffer = static_cast<uint8_t*>(__malloc__(static_cast<size_t>(header) + body));
    if (buffer == nullptr) return false;
    memcpy(buffer, m_pBuffer, header);
    __free__(m_pBuffer);
    m_pBuffer = buffer;
    m_bHeader = false;
    m_uLength = header + body;
    return ArmSegment(header);
}

bool CThreadStreamRecv::RestorePacket(const uint8_t* bytes, uint32_t count) {
    const uint32_t header = GetHeaderSize();
    uint32_t length = header;
    if (count >= header) {
        // The bytes carry a whole header: they must announce a body that an
        // ordinary packet could have, or they are no packet start at all.
        const uint8_t* saved = m_pBuffer;
        m_pBuffer = const_cast<uint8_t*>(bytes);
        const uint32_t body = GetBodySize();
        m_pBuffer = const_cast<uint8_t*>(saved);
        if (body > GetMaxBodySize()) return false;
        length = header + body;
    }
    // Everything after the footer is kept: what this packet does not hold
    // begins the packets after it.
    std::vector<uint8_t> rest(bytes, bytes + count);
    if (m_carryPos < m_carry.size())
        rest.insert(rest.end(), m_carry.begin() + static_cast<std::ptrdiff_t>(m_carryPos), m_carry.end());
    m_carry = std::move(rest);
    m_carryPos = 0;

    __free__(m_pBuffer);
    m_pBuffer = nullptr;
    if (count == 0) {
        // Nothing after the footer: the next packet starts with a fresh header.
        return true;
    }
    m_pBuffer = static_cast<uint8_t*>(__malloc__(length));
    if (m_pBuffer == nullptr) return false;
    m_uLength = length;
    m_bHeader = count < header;
    m_bKeepBuffer = true;
    ArmSegment(0);
    return true;
}

std::vector<uint8_t> CThreadStreamRecv::TakeCarry() {
    std::vector<uint8_t> rest(m_carry.begin() + static_cast<std::ptrdiff_t>(m_carryPos), m_carry.end());
    m_carry.clear();
    m_carryPos = 0;
    return rest;
}

void CThreadStreamRecv::Rearm() {
    if (m_bKeepBuffer) {
        m_bKeepBuffer = false;
        return;
    }
    SetRecvBuff4Header();
}

bool CThreadStreamRecv::RecvBody() {
    PacketCompleted();
    Rearm();
    return !m_bAbort;
}

bool CThreadStreamRecv::RecvStep() {
    if (m_pBuffer == nullptr) {
        OnError(-1, ENOMEM, "No memory for the receive buffer.");
        return false;
    }
    const int rc = m_pSocket->RecvSeg(static_cast<int>(m_uLength), 0);
    if (rc < 0) {
        OnError(rc, m_pSocket->GetErrorNoRecv(), m_pSocket->GetErrorMsgRecv());
        return false;
    }
    if (rc == 0) return true;
    if (!m_bHeader) return RecvBody();

    HeaderCompleted();
    const uint32_t body = GetBodySize();
    if (body == 0) return RecvBody();
    if (body > GetMaxBodySize()) {
        OnError(SOCK_ERR_TOO_LARGE, 0, "The maximum size of a packet was exceeded.");
        return false;
    }
    if (!SetRecvBuff4Body(body)) {
        OnError(-1, ENOMEM, "No memory for the receive buffer.");
        return false;
    }
    return true;
}

void CThreadStreamRecv::Run() {
    bool ready = true;
    bool failed = false;
    while (IsContinue()) {
        if (!ready || m_pSocket == nullptr) {
            Sleep(100);
            continue;
        }
        int rc = 0;
        if (m_bFromMemory) {
            // Bytes kept from an earlier read are already in the buffer.
            m_bFromMemory = false;
        } else {
            rc = m_pSocket->CheckReceivable(kWaitForever);
        }
        if (rc == SOCK_ERR_TIMEOUT) {
        } else if (rc != 0) {
            const int errorNo = m_pSocket->GetErrorNoRecv();
            if (!Interrupted(rc, errorNo)) {
                OnError(rc, errorNo, m_pSocket->GetErrorMsgRecv());
                failed = true;
            }
        } else if (!RecvStep()) {
            failed = true;
        }
        ready = !failed;
    }
}

// ---------------------------------------------------------------------------
// Send queues

CStreamSendQueues::CStreamSendQueues(HandBack handBack, void* owner)
    : m_handBack(handBack),
      m_pOwner(owner),
      m_limit{STREAM_SEND_UNLIMITED, 75, 50, 30, 20},
      m_bAccepting(false) {}

CStreamSendQueues::~CStreamSendQueues() {
    // The owner drains the queues when it stops; what might remain cannot be
    // handed back any more.
    for (auto& queue : m_queue) {
        for (COM_BUFFER* entry : queue) delete entry;
    }
}

void CStreamSendQueues::HandBackAll(std::deque<COM_BUFFER*>& queue) {
    while (!queue.empty()) {
        COM_BUFFER* entry = queue.front();
        queue.pop_front();
        m_handBack(m_pOwner, entry->pData);
        delete entry;
    }
}

bool CStreamSendQueues::Push(void* data, int len, unsigned cls) {
    if (cls >= STREAM_SEND_CLASSES || data == nullptr || len < 0) return false;
    auto* entry = new COM_BUFFER{len, 0, data};
    CMutexLock lock(m_mutex);
    if (!m_bAccepting) {
        delete entry;
        return false;
    }
    const unsigned slot = StreamServiceSlot(cls);
    if (!MakeRoom(slot, 1)) {
        delete entry;
        return false;
    }
    m_queue[slot].push_back(entry);
    return true;
}

bool CStreamSendQueues::MakeRoom(unsigned slot, size_t count) {
    auto& queue = m_queue[slot];
    if (queue.size() + count <= m_limit[slot]) return true;
    // Nothing is dropped for a newcomer that would not fit even then.
    size_t begun = 0;
    for (const COM_BUFFER* e : queue)
        if (e->group != 0 && e->group == m_started[slot]) ++begun;
    if (begun > 0 && begun + count > m_limit[slot]) return false;
    while (!queue.empty() && queue.size() + count > m_limit[slot]) {
        // The oldest entry that does not continue a record already begun.
        const COM_BUFFER* victim = nullptr;
        for (const COM_BUFFER* e : queue) {
            if (e->group == 0 || e->group != m_started[slot]) {
                victim = e;
                break;
            }
        }
        if (victim == nullptr) return false;
        const uint32_t group = victim->group;
        std::deque<COM_BUFFER*> kept;
        for (COM_BUFFER* e : queue) {
            if (e == victim || (group != 0 && e->group == group)) {
                m_handBack(m_pOwner, e->pData);
                delete e;
            } else {
                kept.push_back(e);
            }
        }
        queue.swap(kept);
    }
    return true;
}

bool CStreamSendQueues::PushGroup(void* const* data, const int* len, size_t count, unsigned cls) {
    if (cls >= STREAM_SEND_CLASSES || data == nullptr || len == nullptr || count == 0) return false;
    for (size_t i = 0; i < count; ++i)
        if (data[i] == nullptr || len[i] < 0) return false;
    CMutexLock lock(m_mutex);
    const unsigned slot = StreamServiceSlot(cls);
    if (!m_bAccepting || (m_limit[slot] != STREAM_SEND_UNLIMITED && count > m_limit[slot])) return false;
    if (!MakeRoom(slot, count)) return false;
    if (++m_nextGroup == 0) m_nextGroup = 1;
    for (size_t i = 0; i < count; ++i)
        m_queue[slot].push_back(new COM_BUFFER{len[i], 0, data[i], m_nextGroup});
    return true;
}

void CStreamSendQueues::Clear(unsigned cls) {
    if (cls >= STREAM_SEND_CLASSES) return;
    CMutexLock lock(m_mutex);
    HandBackAll(m_queue[StreamServiceSlot(cls)]);
}

unsigned CStreamSendQueues::Count(unsigned cls) {
    if (cls >= STREAM_SEND_CLASSES) return 0;
    CMutexLock lock(m_mutex);
    return static_cast<unsigned>(m_queue[StreamServiceSlot(cls)].size());
}

void CStreamSendQueues::SetLimits(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) {
    CMutexLock lock(m_mutex);
    m_limit[0] = a;
    m_limit[1] = b;
    m_limit[2] = c;
    m_limit[3] = d;
    m_limit[4] = e;
}

COM_BUFFER* CStreamSendQueues::Take() {
    CMutexLock lock(m_mutex);
    for (unsigned slot = 0; slot < STREAM_SEND_CLASSES; ++slot) {
        auto& queue = m_queue[slot];
        if (!queue.empty()) {
            COM_BUFFER* entry = queue.front();
            queue.pop_front();
            m_started[slot] = entry->group;
            return entry;
        }
    }
    return nullptr;
}

void CStreamSendQueues::SetAccepting(bool on) {
    CMutexLock lock(m_mutex);
    m_bAccepting = on;
}

void CStreamSendQueues::Drain(COM_BUFFER* sending) {
    CMutexLock lock(m_mutex);
    m_bAccepting = false;
    if (sending != nullptr) {
        m_handBack(m_pOwner, sending->pData);
        delete sending;
    }
    for (auto& queue : m_queue) HandBackAll(queue);
}

// ---------------------------------------------------------------------------
// Send thread

CThreadStreamSend::CThreadStreamSend(CSocketTCP* socket)
    : m_pSocket(socket),
      m_pSending(nullptr),
      m_queues(
          [](void* owner, void* data) { static_cast<CThreadStreamSend*>(owner)->OnCompleteBuffer(data); },
          this),
      m_uIdleInterval(STREAM_IDLE_NONE),
      m_uLastQueued(0) {}

CThreadStreamSend::~CThreadStreamSend() {
    // The subclasses stop the thread (and get every entry back) first.
    CThread::Stop();
    delete m_pSending;
}

bool CThreadStreamSend::Start() {
    m_queues.SetAccepting(true);
    if (CThread::Start()) return true;
    m_queues.SetAccepting(IsContinue());
    return false;
}

void CThreadStreamSend::Stop() {
    m_queues.SetAccepting(false);
    StopContinue();
    m_event.Notify();
    CThread::Stop();
    m_queues.Drain(m_pSending);
    m_pSending = nullptr;
}

bool CThreadStreamSend::Send(void* data, int len, unsigned cls) {
    if (!m_queues.Push(data, len, cls)) return false;
    m_event.Notify();
    m_uLastQueued.store(GetMonotonicTickCount(), std::memory_order_relaxed);
    return true;
}

bool CThreadStreamSend::SendGroup(void* const* data, const int* len, size_t count, unsigned cls) {
    if (!m_queues.PushGroup(data, len, count, cls)) return false;
    for (size_t i = 0; i < count; ++i) m_event.Notify();  // one count per queued entry
    m_uLastQueued.store(GetMonotonicTickCount(), std::memory_order_relaxed);
    return true;
}

bool CThreadStreamSend::SendStep() {
    COM_BUFFER* entry = m_pSending;
    if (entry->iLen > entry->iSent) {
        const int rc = m_pSocket->Send(static_cast<const char*>(entry->pData) + entry->iSent,
                                       entry->iLen - entry->iSent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (rc < 0) {
            OnError(rc, m_pSocket->GetErrorNoSend(), m_pSocket->GetErrorMsgSend());
            return false;
        }
        entry->iSent += rc;
    }
    // An empty message is complete without writing anything.
    if (entry->iSent >= entry->iLen) {
        m_pSending = nullptr;
        OnCompleteBuffer(entry->pData);
        delete entry;
    }
    return true;
}

void CThreadStreamSend::Run() {
    bool ready = true;
    bool failed = false;
    while (IsContinue()) {
        if (!ready || m_pSocket == nullptr) {
            Sleep(100);
            continue;
        }
        bool work = false;
        if (m_pSending != nullptr) {
            work = m_pSocket->CheckSendable(1000) == 0 && IsContinue();
        } else if (m_event.Wait(static_cast<int>(m_uIdleInterval)) && IsContinue()) {
            m_pSending = m_queues.Take();
            work = m_pSending != nullptr;
        }
        if (work) {
            if (!SendStep()) failed = true;
        } else if (m_uIdleInterval != STREAM_IDLE_NONE && IsContinue() &&
                   GetMonotonicTickCount() - m_uLastQueued.load(std::memory_order_relaxed) >
                       m_uIdleInterval) {
            OnTimeHasPassed();
        }
        ready = !failed;
    }
}
