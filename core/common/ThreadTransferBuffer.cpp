#include "common/ThreadTransferBuffer.h"

#include "tessel/TS_Common.h"

CThreadTransferBuffer::CThreadTransferBuffer(TRANSFER_BUFFER_CALLBACK callback, void* user)
    : m_pCallback(callback), m_pUser(user), m_pCurrent(nullptr) {}

CThreadTransferBuffer::~CThreadTransferBuffer() {
    Stop();
}

bool CThreadTransferBuffer::Start() {
    return CThread::Start();
}

void CThreadTransferBuffer::Stop() {
    {
        // Under the queue lock, so that no Push can slip in after the flag
        // is cleared and leave its buffer behind.
        CMutexLock lock(m_mutex);
        StopContinue();
    }
    m_event.Notify();
    CThread::Stop();
    Clear();
}

bool CThreadTransferBuffer::Push(void* data, int size) {
    CMutexLock lock(m_mutex);
    if (!IsContinue()) return false;
    m_queue.push_back(new TRANSFER_BUFFER{size, data});
    m_event.Notify();
    return true;
}

int CThreadTransferBuffer::GetBufferCount() {
    CMutexLock lock(m_mutex);
    return static_cast<int>(m_queue.size());
}

void CThreadTransferBuffer::Clear() {
    CMutexLock lock(m_mutex);
    for (TRANSFER_BUFFER* entry : m_queue) {
        __free__(entry->data);
        delete entry;
    }
    m_queue.clear();
}

void CThreadTransferBuffer::Run() {
    while (IsContinue()) {
        if (!WaitBuffer() || !IsContinue()) continue;
        m_pCurrent = GetBuffer();
        if (m_pCurrent == nullptr) continue;
        OnBuffer();
    }
}

bool CThreadTransferBuffer::WaitBuffer() {
    return m_event.Wait(-1);
}

TRANSFER_BUFFER* CThreadTransferBuffer::GetBuffer() {
    CMutexLock lock(m_mutex);
    if (m_queue.empty()) return nullptr;
    TRANSFER_BUFFER* entry = m_queue.front();
    m_queue.pop_front();
    return entry;
}

void CThreadTransferBuffer::OnBuffer() {
    if (m_pCallback != nullptr) {
        m_pCallback(m_pCurrent->data, m_pCurrent->size, m_pUser);
    } else {
        __free__(m_pCurrent->data);  // nobody to take it over
    }
    delete m_pCurrent;
    m_pCurrent = nullptr;
}
