#include "audio/AudioThreadTransferBuffer.h"

#include "tessel/TS_Common.h"

CAudioThreadTransferBuffer::CAudioThreadTransferBuffer(AUDIO_TRANSFER_BUFFER_CALLBACK callback, void* user,
                                                       CAudioClock& clock)
    : m_pCallback(callback), m_pUser(user), m_clock(clock) {}

CAudioThreadTransferBuffer::~CAudioThreadTransferBuffer() {
    Stop();
    m_event.Term();
}

bool CAudioThreadTransferBuffer::Start() {
    return CThread::Start();
}

void CAudioThreadTransferBuffer::Stop() {
    {
        // Under the queue lock, as in CThreadTransferBuffer: no Push slips in
        // after the flag is cleared and leaves its packet behind the Clear.
        CMutexLock lock(m_mutex);
        StopContinue();
    }
    m_event.Notify();
    CThread::Stop();
    Clear();
}

bool CAudioThreadTransferBuffer::Push(int id, void* data, int size) {
    {
        CMutexLock lock(m_mutex);
        if (!IsContinue()) return false;
        m_queue.push_back(new AUDIO_TRANSFER_BUFFER{id, size, data});
    }
    m_event.Notify();
    return true;
}

void CAudioThreadTransferBuffer::Clear() {
    CMutexLock lock(m_mutex);
    for (AUDIO_TRANSFER_BUFFER* entry : m_queue) {
        __free__(entry->data);
        delete entry;
    }
    m_queue.clear();
}

int32_t CAudioThreadTransferBuffer::GetBufferCount() {
    CMutexLock lock(m_mutex);
    return static_cast<int32_t>(m_queue.size());
}

void CAudioThreadTransferBuffer::Run() {
    while (IsContinue()) {
        if (!m_clock.Wait(m_event, -1) || !IsContinue()) continue;
        {
            CMutexLock lock(m_mutex);
            if (m_queue.empty()) continue;
            m_pCurrent = m_queue.front();
            m_queue.pop_front();
        }
        if (m_pCallback != nullptr) {
            m_pCallback(m_pCurrent->id, m_pCurrent->data, m_pCurrent->size, m_pUser);
        } else {
            __free__(m_pCurrent->data);
        }
        delete m_pCurrent;
        m_pCurrent = nullptr;
    }
}
