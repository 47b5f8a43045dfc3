// Hands byte buffers from a producer that must not wait to one consumer
// callback, on a worker thread of its own, in push order.
#pragma once

#include <cstdint>
#include <deque>

#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "tessel/TS_Thread.h"

// One queued unit; data is allocated with __malloc__.
struct TRANSFER_BUFFER {
    int32_t size;
    void* data;
};

// Receives each buffer on the worker thread and owns its data from then on
// (release it with __free__).
using TRANSFER_BUFFER_CALLBACK = void (*)(void* data, int size, void* user);

class CThreadTransferBuffer : public CThread {
public:
    CThreadTransferBuffer(TRANSFER_BUFFER_CALLBACK callback, void* user);
    ~CThreadTransferBuffer() override;

    bool Start() override;
    // Lets a delivery in progress finish, delivers nothing more and frees
    // what is still queued.
    void Stop() override;

    // Queues data (which then belongs to the queue). False, leaving data with
    // the caller, when the thread is not running.
    bool Push(void* data, int size);
    int GetBufferCount();
    // Frees every queued entry with its data.
    void Clear();

protected:
    void Run() override;

private:
    bool WaitBuffer();
    TRANSFER_BUFFER* GetBuffer();
    void OnBuffer();

    TRANSFER_BUFFER_CALLBACK m_pCallback;
    void* m_pUser;
    CEvent m_event;
    CMutex m_mutex;
    std::deque<TRANSFER_BUFFER*> m_queue;
    TRANSFER_BUFFER* m_pCurrent;
};
