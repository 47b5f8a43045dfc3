#include "audio/AudioPlayerThread.h"

#include <algorithm>
#include <cstring>

#include "tessel/TS_Common.h"

namespace {

// When the previous mixing cycle began (low 32 bits of the millisecond clock), shared by every
// mixer of the process: a later mixer continues from what the earlier one left.
std::atomic<uint32_t> gPrevCycleStart{0};

constexpr uint32_t kCycleMs = 200;

// The pause before the next cycle. Only a gap of more than 201 s since the previous cycle
// shortens it; where that would leave no pause at all the usual rhythm is kept.
uint32_t CyclePause(uint32_t now) {
    const uint32_t prev = gPrevCycleStart.exchange(now);
    const uint32_t elapsed = prev == 0 ? kCycleMs : now - prev;
    if (elapsed < 201000) return kCycleMs;
    const int64_t pause = 400 - static_cast<int64_t>(elapsed / 1000);
    return pause > 0 ? static_cast<uint32_t>(pause) : kCycleMs;
}

}  // namespace

CAudioPlayerThread::CAudioPlayerThread(uint32_t slotCount, uint16_t rate, uint32_t chunkMs,
                                       AUDIO_PLAY_CALLBACK playCallback, AUDIO_JITTER_CALLBACK jitterCallback,
                                       AUDIO_LEVEL_CALLBACK levelCallback, void* user, CAudioClock& clock)
    : m_pPlayCallback(playCallback),
      m_pJitterCallback(jitterCallback),
      m_pLevelCallback(levelCallback),
      m_pUser(user),
      m_clock(clock),
      m_slots(slotCount, nullptr),
      m_pOutput(new CAudioThreadTransferBuffer(_Playback, this, clock)),
      m_uiSlotCount(slotCount),
      m_usRate(rate),
      m_uiMixSize(chunkMs * rate * 2 / 1000),
      m_uiChunkMs(chunkMs) {}

CAudioPlayerThread::~CAudioPlayerThread() {
    Stop();
    for (CAudioPlayerQueue* slot : m_slots) {
        if (slot == nullptr) continue;
        slot->queue->Stop();
        delete slot->queue;
        delete slot;
    }
    m_slots.clear();
    delete m_pOutput;
    m_event.Term();
    m_sleepEvent.Term();
}

bool CAudioPlayerThread::Start() {
    if (!CThread::Start()) return false;
    m_bStarted = m_pOutput->Start();
    return m_bStarted;
}

void CAudioPlayerThread::Stop() {
    m_bStarted = false;
    m_bMixing = false;
    StopContinue();
    m_event.Notify();
    m_sleepEvent.Notify();
    CThread::Stop();
    m_pOutput->Stop();
    CMutexLock slots(m_slotsLock);
    for (CAudioPlayerQueue* slot : m_slots) {
        if (slot == nullptr) continue;
        CMutexLock lock(slot->lock);
        slot->queue->Clear();
    }
}

void CAudioPlayerThread::PushAudioData(uint32_t slot, const uint8_t* pcm, uint32_t bytes) {
    if (m_bStarted && slot < m_uiSlotCount) {
        CMutexLock slots(m_slotsLock);
        if (CAudioPlayerQueue* entry = m_slots[slot]) {
            CMutexLock lock(entry->lock);
            entry->queue->Push(pcm, bytes);
        }
    }
    m_event.Notify();
}

void CAudioPlayerThread::SetUserInfo(uint32_t slot, const char* userId, const char* userName) {
    if (slot >= m_uiSlotCount) return;
    CMutexLock slots(m_slotsLock);
    if (m_slots[slot] != nullptr) return;  // the queue keeps its first speaker's names and state
    auto* entry = new CAudioPlayerQueue;
    entry->queue = new CAudioQueue(_SendJitter, _OnAudioLevel, this, slot, m_uiSlotCount, m_usRate,
                                   kInitialTarget, kMaxQueued, entry->lock, m_clock);
    entry->queue->SetUserInfo(userId, userName);
    entry->queue->Start();
    m_slots[slot] = entry;
    m_bMixing = true;
}

void CAudioPlayerThread::SetBoostLevel(uint32_t slot, double factor) {
    if (slot >= m_uiSlotCount) return;
    CMutexLock slots(m_slotsLock);
    if (CAudioPlayerQueue* entry = m_slots[slot]) {
        CMutexLock lock(entry->lock);
        entry->queue->SetBoostLevel(factor);
    }
}

void CAudioPlayerThread::RemoveUserInfo(uint32_t slot) {
    if (slot >= m_uiSlotCount) return;
    CAudioPlayerQueue* entry = nullptr;
    {
        CMutexLock slots(m_slotsLock);
        std::swap(entry, m_slots[slot]);
    }
    if (entry == nullptr) return;
    entry->queue->Stop();
    delete entry->queue;
    delete entry;
}

CAudioQueue* CAudioPlayerThread::GetQueue(uint32_t slot) {
    if (slot >= m_uiSlotCount) return nullptr;
    CMutexLock slots(m_slotsLock);
    return m_slots[slot] != nullptr ? m_slots[slot]->queue : nullptr;
}

int CAudioPlayerThread::GetBufferCount() {
    return m_pOutput->GetBufferCount();
}

void CAudioPlayerThread::MixingAudio(uint8_t* dst, const uint8_t* src, uint32_t bytes) {
    if (dst == nullptr || src == nullptr || bytes == 0) return;
    for (uint32_t i = 0; i + 1 < bytes; i += 2) {
        int16_t a;
        int16_t b;
        std::memcpy(&a, dst + i, 2);
        std::memcpy(&b, src + i, 2);
        const auto sum = static_cast<int16_t>(std::clamp(a + b, -32768, 32767));
        std::memcpy(dst + i, &sum, 2);
    }
}

void CAudioPlayerThread::MakePlayAudioData() {
    auto* mix = static_cast<uint8_t*>(__malloc__(m_uiMixSize > 0 ? m_uiMixSize : 1));
    if (mix == nullptr) return;
    std::memset(mix, 0, m_uiMixSize);
    int32_t level = 0;
    bool mixed = false;
    bool anyQueue = false;
    {
        CMutexLock slots(m_slotsLock);
        for (uint32_t i = 0; i < m_uiSlotCount; ++i) {
            CAudioPlayerQueue* entry = m_slots[i];
            if (entry == nullptr) continue;
            anyQueue = true;
            CAudioBuffer* chunk = nullptr;
            {
                CMutexLock lock(entry->lock);
                chunk = entry->queue->Pop();
            }
            if (chunk == nullptr) continue;
            // A chunk is never read beyond its own length, whatever the mix size.
            MixingAudio(mix, chunk->data, std::min(m_uiMixSize, chunk->size));
            // The last slot of the array does not count towards the mix level.
            if (i + 1 < m_uiSlotCount) level = std::max(level, chunk->level);
            mixed = true;
            __free__(chunk->data);
            delete chunk;
        }
    }
    if (!anyQueue) m_bMixing = false;
    if (mixed && m_bStarted && m_pOutput->Push(level, mix, static_cast<int>(m_uiMixSize))) return;
    __free__(mix);
}

void CAudioPlayerThread::Run() {
    while (IsContinue()) {
        const uint32_t pause = CyclePause(static_cast<uint32_t>(m_clock.NowMs()));
        m_clock.Wait(m_sleepEvent, static_cast<int>(pause));
        if (!IsContinue()) break;
        if (!m_clock.Wait(m_event, -1) || !IsContinue()) continue;
        if (m_bMixing) MakePlayAudioData();
    }
}

void CAudioPlayerThread::_Playback(int level, void* pcm, int bytes, void* mixer) {
    static_cast<CAudioPlayerThread*>(mixer)->Playback(level, pcm, bytes);
}

void CAudioPlayerThread::_SendJitter(uint32_t slot, void* mixer) {
    static_cast<CAudioPlayerThread*>(mixer)->SendJitter(slot);
}

void CAudioPlayerThread::_OnAudioLevel(uint32_t slot, int32_t level, void* mixer) {
    static_cast<CAudioPlayerThread*>(mixer)->OnAudioLevel(slot, level);
}

void CAudioPlayerThread::Playback(int level, void* pcm, int bytes) {
    if (IsContinue() && m_pPlayCallback != nullptr) {
        m_pPlayCallback(level, static_cast<uint8_t*>(pcm), bytes, m_pUser);
        return;
    }
    __free__(pcm);  // the mixer has stopped: the mix is dropped
}

void CAudioPlayerThread::SendJitter(uint32_t slot) {
    if (IsContinue() && m_pJitterCallback != nullptr) m_pJitterCallback(slot, m_pUser);
}

void CAudioPlayerThread::OnAudioLevel(uint32_t slot, int32_t level) {
    if (IsContinue() && m_pLevelCallback != nullptr) m_pLevelCallback(slot, level, m_pUser);
}
