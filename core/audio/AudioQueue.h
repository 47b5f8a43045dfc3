// The jitter queue of one speaker slot: cuts the speaker's PCM into 200 ms
// chunks, holds back `target` chunks before playing, adapts the target to the
// observed jitter, stretches or shrinks the audio by up to 5 % to keep the queue
// near the target, applies the speaker's gain and measures each chunk's level.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>

#include "audio/AudioClock.h"
#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "tessel/TS_Thread.h"

// One chunk of a slot queue.
struct CAudioBuffer {
    uint8_t* data;  // __malloc__; the popping side frees it and the record
    uint32_t size;
    int32_t level;  // peak 0..100 after the gain
};

using AUDIO_JITTER_CALLBACK = void (*)(uint32_t slot, void* user);
using AUDIO_LEVEL_CALLBACK = void (*)(uint32_t slot, int32_t level, void* user);

class CAudioQueue : public CThread {
public:
    static constexpr uint64_t kNoUnderrun = ~uint64_t{0};

    // slotLock is the lock of the mixer slot this queue belongs to: callers of Push, Pop,
    // SetBoostLevel and Clear hold it, and the slot thread takes it around its reset.
    CAudioQueue(AUDIO_JITTER_CALLBACK jitterCallback, AUDIO_LEVEL_CALLBACK levelCallback, void* user,
                uint32_t slot, uint32_t slotCount, uint16_t rate, uint32_t initialTarget, uint32_t maxQueued,
                CMutex& slotLock, CAudioClock& clock = CAudioClock::System());
    ~CAudioQueue() override;

    bool Start() override;
    void Stop() override;

    void SetUserInfo(const char* userId, const char* userName);
    // False, storing nothing, for an odd byte count. The data is copied.
    bool Push(const uint8_t* pcm, uint32_t bytes);
    // The oldest playable chunk, or null.
    CAudioBuffer* Pop();
    void SetBoostLevel(double factor) { m_dGain = factor; }
    double GetBoostLevel() const { return m_dGain; }
    uint32_t GetBufferingDelayTime() const { return m_uiTarget * m_uiChunkDuration; }
    // Drops every queued and pre-buffered chunk and the chunk being filled; pre-buffering starts again.
    void Clear();

    // One pass of the slot thread: the reset after a long underrun and the jitter report.
    void Service();

    uint32_t GetChunkSize() const { return m_uiChunkSize; }
    uint32_t GetTarget() const { return m_uiTarget; }
    int32_t GetRateAdjustment() const { return m_iRateAdjust; }
    size_t GetPlayCount();
    bool IsPreBuffering();

protected:
    void Run() override;

private:
    void AdjustRate(size_t queued);
    void AdjustBuffer(const int16_t* in, uint32_t samples, int16_t* out, uint32_t* outSamples);
    void StoreBuffer(const int16_t* pcm, uint32_t samples);
    int32_t GetWaveVolume(int16_t* pcm, uint32_t samples);
    void TransferBuffer(uint8_t* chunk, int32_t level);
    void CheckJitter(size_t remaining);
    void ClearLists();
    uint64_t UnderrunWait();

    AUDIO_JITTER_CALLBACK m_pJitterCallback;
    AUDIO_LEVEL_CALLBACK m_pLevelCallback;
    void* m_pUser;
    uint32_t m_uiSlot;
    char m_szUserId[256] = {};
    char m_szUserName[256] = {};
    double m_dGain = 1.0;
    uint16_t m_usRate;
    uint32_t m_uiChunkSize;
    uint32_t m_uiChunkDuration;
    uint32_t m_uiTarget;
    uint32_t m_uiMaxQueued;

    CMutex& m_slotLock;
    CAudioClock& m_clock;
    CEvent m_event;  // wakes the slot thread: an underrun began, a report is due, or stop

    CMutex m_accumLock;
    uint32_t m_uiAccumBytes = 0;
    uint8_t* m_pAccum = nullptr;

    CMutex m_listLock;
    std::deque<CAudioBuffer*> m_playList;
    std::deque<CAudioBuffer*> m_preList;
    bool m_bPreBuffering = true;

    std::atomic<bool> m_bJitterPending{false};
    std::atomic<bool> m_bUnderrun{false};
    std::atomic<uint64_t> m_ullUnderrunStart{kNoUnderrun};

    uint32_t m_uiInitialTarget;
    uint32_t m_uiMaxTarget;
    uint32_t m_uiMinTarget;
    uint32_t m_uiJitterCount = 0;
    uint32_t m_uiFirstJitterTime = 0;
    bool m_bQuietRunning = false;
    uint64_t m_ullQuietStart = 0;
    uint32_t m_uiRaiseCount = 0;
    int32_t m_iRateAdjust = 0;
    uint32_t m_uiShrinkCounter = 0;
    uint32_t m_uiStretchCounter = 0;
};
