// The mixer: every 200 ms takes one chunk from each speaker slot's jitter
// queue, adds them with saturation and hands the mix to an output thread that
// calls the play callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/AudioClock.h"
#include "audio/AudioQueue.h"
#include "audio/AudioThreadTransferBuffer.h"
#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "tessel/TS_Thread.h"

// Receives each mix (the callee owns pcm, release it with __free__).
using AUDIO_PLAY_CALLBACK = void (*)(int32_t level, uint8_t* pcm, int32_t bytes, void* user);

// One slot of the mixer: the speaker's queue and the lock that every push, pop,
// gain change and clear of that slot holds.
struct CAudioPlayerQueue {
    CMutex lock;
    CAudioQueue* queue = nullptr;
};

class CAudioPlayerThread : public CThread {
public:
    static constexpr uint32_t kInitialTarget = 2;
    static constexpr uint32_t kMaxQueued = 20;

    CAudioPlayerThread(uint32_t slotCount, uint16_t rate, uint32_t chunkMs, AUDIO_PLAY_CALLBACK playCallback,
                       AUDIO_JITTER_CALLBACK jitterCallback, AUDIO_LEVEL_CALLBACK levelCallback, void* user,
                       CAudioClock& clock = CAudioClock::System());
    ~CAudioPlayerThread() override;

    bool Start() override;
    void Stop() override;

    // Copies the PCM into the slot's queue; wakes the mixer in every case.
    void PushAudioData(uint32_t slot, const uint8_t* pcm, uint32_t bytes);
    // Names a slot; its queue (and thread) is created by the first call.
    void SetUserInfo(uint32_t slot, const char* userId, const char* userName);
    void SetBoostLevel(uint32_t slot, double factor);
    void RemoveUserInfo(uint32_t slot);
    int GetBufferCount();

    // Saturating add of src into dst (bytes of 16-bit samples).
    static void MixingAudio(uint8_t* dst, const uint8_t* src, uint32_t bytes);
    // One mixing pass: pops every slot once and queues the mix for output.
    void MakePlayAudioData();

    static void _Playback(int level, void* pcm, int bytes, void* mixer);
    static void _SendJitter(uint32_t slot, void* mixer);
    static void _OnAudioLevel(uint32_t slot, int32_t level, void* mixer);
    void Playback(int level, void* pcm, int bytes);
    void SendJitter(uint32_t slot);
    void OnAudioLevel(uint32_t slot, int32_t level);

    uint32_t GetMixSize() const { return m_uiMixSize; }
    // The slot's queue (for diagnostics and tests); null for an empty slot.
    CAudioQueue* GetQueue(uint32_t slot);

protected:
    void Run() override;

private:
    AUDIO_PLAY_CALLBACK m_pPlayCallback;
    AUDIO_JITTER_CALLBACK m_pJitterCallback;
    AUDIO_LEVEL_CALLBACK m_pLevelCallback;
    void* m_pUser;
    CAudioClock& m_clock;
    CEvent m_event;       // one count per pushed packet, and one at stop
    CEvent m_sleepEvent;  // ends the pause between two cycles at stop
    // Guards which slots exist; taken before any slot lock.
    CMutex m_slotsLock;
    std::vector<CAudioPlayerQueue*> m_slots;
    CAudioThreadTransferBuffer* m_pOutput;
    std::atomic<bool> m_bStarted{false};
    std::atomic<bool> m_bMixing{false};
    uint32_t m_uiSlotCount;
    uint16_t m_usRate;
    uint32_t m_uiMixSize;
    uint32_t m_uiChunkMs;
};
