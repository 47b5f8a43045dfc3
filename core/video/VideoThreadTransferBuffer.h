// Hand-off queue for received video: the relay receive thread pushes packets,
// a worker thread of its own delivers them in queue order to one consumer.
// When decoding falls behind, the cut mode thins the queue.
#pragma once

#include <cstdint>
#include <deque>

#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "tessel/TS_Thread.h"

// One queued packet. data begins with the 16-byte video packet header (video
// type at byte 8, frame number at byte 12, both 16-bit little-endian) and is
// allocated with __malloc__.
struct VIDEO_TRANSFER_BUFFER {
    int32_t id;    // the sender's client index
    int32_t size;  // bytes of data
    void* data;
    uint64_t tick;  // GetTickCount() when queued
};

// Receives each packet on the worker thread and owns its data from then on
// (release it with __free__).
using VIDEO_TRANSFER_BUFFER_CALLBACK = void (*)(int id, void* data, int size, uint64_t tick, void* user);

enum VideoBufferCutMode {
    VIDEO_CUT_NONE = 0,          // push always
    VIDEO_CUT_DROP_DELTA = 1,    // full queue: drop a new non-key frame
    VIDEO_CUT_ON_KEY_FRAME = 2,  // full queue and a key frame: drop the sender's queued frames of its type
};

class CVideoThreadTransferBuffer : public CThread {
public:
    static constexpr int kHeaderSize = 16;

    CVideoThreadTransferBuffer(VIDEO_TRANSFER_BUFFER_CALLBACK callback, void* user);
    ~CVideoThreadTransferBuffer() override;

    bool Start() override;
    // Lets a delivery in progress finish, delivers nothing more and frees what is queued.
    void Stop() override;

    void setCutMethod(int mode);
    // Queues data (which then belongs to the queue) by the cut mode; a packet the
    // mode drops is freed here. False, leaving data with the caller, when the thread
    // is not running, the mode is unknown or the packet is shorter than its header.
    bool Push(int id, void* data, int size, int limit);
    int GetBufferCount();
    // Frees every queued entry with its data.
    void Clear();

protected:
    void Run() override;

private:
    void Append(int id, void* data, int size);
    // Frees and removes every queued packet of sender id (low 16 bits) with this video type.
    void CutSender(int id, uint16_t videoType);
    VIDEO_TRANSFER_BUFFER* GetBuffer();

    VIDEO_TRANSFER_BUFFER_CALLBACK m_pCallback;
    void* m_pUser;
    CEvent m_event;
    CMutex m_mutex;
    std::deque<VIDEO_TRANSFER_BUFFER*> m_queue;
    VIDEO_TRANSFER_BUFFER* m_pCurrent = nullptr;
    int m_iCutMode = VIDEO_CUT_ON_KEY_FRAME;
};
