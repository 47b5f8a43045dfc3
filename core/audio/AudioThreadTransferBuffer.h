// Hands audio packets (a speaker slot or a mix level, and PCM) from a producer
// to one consumer callback on a worker thread of its own, in push order.
#pragma once

#include <cstdint>
#include <deque>

#include "audio/AudioClock.h"
#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "tessel/TS_Thread.h"

// One queued audio packet; data is allocated with __malloc__, owned by the
// queue while queued and by the consumer once delivered.
struct AUDIO_TRANSFER_BUFFER {
    int32_t id;  // speaker slot of a received packet, mix level of a mixer output
    int32_t size;
    void* data;
};

// Receives each packet on the worker thread and owns its data from then on (release it with __free__).
using AUDIO_TRANSFER_BUFFER_CALLBACK = void (*)(int id, void* data, int size, void* user);

class CAudioThreadTransferBuffer : public CThread {
public:
    CAudioThreadTransferBuffer(AUDIO_TRANSFER_BUFFER_CALLBACK callback, void* user,
                               CAudioClock& clock = CAudioClock::System());
    ~CAudioThreadTransferBuffer() override;

    bool Start() override;
    // Lets a delivery in progress finish, delivers nothing more and frees what is still queued.
    void Stop() override;

    // Queues data (which then belongs to the queue). False, leaving data with the caller,
    // when the thread is not running.
    bool Push(int id, void* data, int size);
    void Clear();
    int32_t GetBufferCount();

protected:
    void Run() override;

private:
    AUDIO_TRANSFER_BUFFER_CALLBACK m_pCallback;
    void* m_pUser;
    CAudioClock& m_clock;
    CEvent m_event;
    CMutex m_mutex;
    std::deque<AUDIO_TRANSFER_BUFFER*> m_queue;
    AUDIO_TRANSFER_BUFFER* m_pCurrent = nullptr;
};
