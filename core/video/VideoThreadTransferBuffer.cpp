#include "video/VideoThreadTransferBuffer.h"

#include "tessel/TS_Common.h"

namespace {

uint16_t ReadU16(const void* data, int offset) {
    const auto* p = static_cast<const uint8_t*>(data) + offset;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint16_t VideoType(const void* data) {
    return ReadU16(data, 8);
}
uint16_t FrameNo(const void* data) {
    return ReadU16(data, 12);
}

void FreeEntry(VIDEO_TRANSFER_BUFFER* entry) {
    __free__(entry->data);
    delete entry;
}

}  // namespace

CVideoThreadTransferBuffer::CVideoThreadTransferBuffer(VIDEO_TRANSFER_BUFFER_CALLBACK callback, void* user)
    : m_pCallback(callback), m_pUser(user) {}

CVideoThreadTransferBuffer::~CVideoThreadTransferBuffer() {
    Stop();
}

bool CVideoThreadTransferBuffer::Start() {
    return CThread::Start();
}

void CVideoThreadTransferBuffer::Stop() {
    {
        // Under the queue lock, so that no Push slips in after the flag is cleared.
        CMutexLock lock(m_mutex);
        StopContinue();
    }
    m_event.Notify();
    CThread::Stop();
    Clear();
}

void CVideoThreadTransferBuffer::setCutMethod(int mode) {
    CMutexLock lock(m_mutex);
    m_iCutMode = mode;
}

bool CVideoThreadTransferBuffer::Push(int id, void* data, int size, int limit) {
    if (!data || size < kHeaderSize) return false;
    CMutexLock lock(m_mutex);
    if (!IsContinue()) return false;
    const bool full = static_cast<int64_t>(m_queue.size()) >= limit;
    switch (m_iCutMode) {
        case VIDEO_CUT_NONE:
            Append(id, data, size);
            return true;
        case VIDEO_CUT_DROP_DELTA:
            if (full && FrameNo(data) != 0)
                __free__(data);
            else
                Append(id, data, size);
            return true;
        case VIDEO_CUT_ON_KEY_FRAME:
            if (full && FrameNo(data) == 0) {
                CutSender(id, VideoType(data));
                id &= 0xFFFF;
            }
            Append(id, data, size);
            return true;
        default:
            return false;
    }
}

void CVideoThreadTransferBuffer::Append(int id, void* data, int size) {
    m_queue.push_back(new VIDEO_TRANSFER_BUFFER{id, size, data, GetTickCount()});
    m_event.Notify();
}

void CVideoThreadTransferBuffer::CutSender(int id, uint16_t videoType) {
    auto same = [&](VIDEO_TRANSFER_BUFFER* e) {
        return (e->id & 0xFFFF) == (id & 0xFFFF) && VideoType(e->data) == videoType;
    };
    std::deque<VIDEO_TRANSFER_BUFFER*> kept;
    for (VIDEO_TRANSFER_BUFFER* e : m_queue) {
        if (same(e))
            FreeEntry(e);
        else
            kept.push_back(e);
    }
    m_queue.swap(kept);
}

int CVideoThreadTransferBuffer::GetBufferCount() {
    CMutexLock lock(m_mutex);
    return static_cast<int>(m_queue.size());
}

void CVideoThreadTransferBuffer::Clear() {
    CMutexLock lock(m_mutex);
    for (VIDEO_TRANSFER_BUFFER* e : m_queue) FreeEntry(e);
    m_queue.clear();
}

VIDEO_TRANSFER_BUFFER* CVideoThreadTransferBuffer::GetBuffer() {
    CMutexLock lock(m_mutex);
    if (m_queue.empty()) return nullptr;
    VIDEO_TRANSFER_BUFFER* e = m_queue.front();
    m_queue.pop_front();
    return e;
}

void CVideoThreadTransferBuffer::Run() {
    while (IsContinue()) {
        if (!m_event.Wait(-1) || !IsContinue()) continue;
        m_pCurrent = GetBuffer();
        if (!m_pCurrent) continue;
        if (m_pCallback)
            m_pCallback(m_pCurrent->id, m_pCurrent->data, m_pCurrent->size, m_pCurrent->tick, m_pUser);
        else
            __free__(m_pCurrent->data);
        delete m_pCurrent;
        m_pCurrent = nullptr;
    }
}
