// Stream send and receive threads of one TCP connection.
//
// CThreadStreamRecv cuts the byte stream into packets (a fixed-size header,
// then a body whose length the header gives) and hands each whole packet to
// its subclass. CThreadStreamSend writes queued messages in priority order
// without ever blocking the callers and tells its subclass when nothing has
// been queued for longer than its idle interval. Both work on a connected
// CSocketTCP in non-blocking mode; the socket is not owned.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "tessel/TS_Thread.h"

class CSocketTCP;

// One queued message. The data belongs to the send thread from Send on and is
// handed back through OnCompleteBuffer when written whole, dropped or cleared.
struct COM_BUFFER {
    int32_t iLen;
    int32_t iSent;
    void* pData;
    uint32_t group = 0;  // the pieces of one record share a group; 0: a message of its own
};

// Number of priority classes of the send queues.
constexpr unsigned STREAM_SEND_CLASSES = 5;
// Queue limit meaning "no limit".
constexpr uint32_t STREAM_SEND_UNLIMITED = 0xFFFFFFFFu;
// Idle interval meaning "no idle hook".
constexpr uint32_t STREAM_IDLE_NONE = 0xFFFFFFFFu;

class CThreadStreamRecv : public CThread {
public:
    explicit CThreadStreamRecv(CSocketTCP* socket);
    ~CThreadStreamRecv() override;

    // Frees the current buffer and arms a fresh header buffer.
    void SetRecvBuff4Header();
    // Enters the body phase: a buffer for header and body with the header
    // already in place. False when the buffer cannot be allocated.
    bool SetRecvBuff4Body(uint32_t body);
    // The body branch of the receive step on its own.
    bool RecvBody();

protected:
    virtual uint32_t GetHeaderSize() = 0;
    // Body bytes announced by the header in the current buffer.
    virtual uint32_t GetBodySize() = 0;
    virtual uint32_t GetMaxBodySize() = 0;
    virtual void HeaderCompleted() = 0;
    // The whole packet is in m_pBuffer (m_uLength bytes); the buffer is only
    // lent for the duration of the call.
    virtual void PacketCompleted() = 0;
    virtual void OnError(int code, int errorNo, const char* text) = 0;

    void Run() override;
    // One read towards the current header or body and what follows from it;
    // false when the connection has failed.
    bool RecvStep();

    // Replaces the current buffer by a packet beginning with the given bytes
    // (count may exceed one packet: the rest begins the packets after it and
    // is delivered before anything more is read). The next completed packet
    // keeps this buffer instead of arming a fresh header. False when the
    // bytes announce a body above the maximum.
    bool RestorePacket(const uint8_t* bytes, uint32_t count);
    // Takes the bytes read ahead of the current packet out of the thread.
    std::vector<uint8_t> TakeCarry();
    // The wait for readability, in milliseconds (-1: without limit).
    static constexpr int kWaitForever = -1;

    CSocketTCP* m_pSocket;
    bool m_bHeader;
    uint32_t m_uLength;
    uint8_t* m_pBuffer;
    bool m_bKeepBuffer;
    // Set by a subclass that has found the connection failed while it
    // handled a packet: the thread reads nothing more.
    bool m_bAbort;

private:
    void Rearm();
    // Moves bytes kept from an earlier read into the current buffer, which
    // holds `filled` bytes; the buffer becomes the socket's segment buffer.
    bool ArmSegment(uint32_t filled);

    std::vector<uint8_t> m_carry;  // bytes read ahead of the current packet
    size_t m_carryPos;
    bool m_bFromMemory;  // the current segment was filled without reading
};

// The five priority queues of a send thread and the entry being sent. Class
// 0 is unbounded; classes 1, 2, 3 and 4 hold 75, 50, 20 and 30 entries, the
// oldest entry of a full queue being dropped; entries are taken in the order
// 0, 1, 2, 4, 3. Every entry that leaves without being sent is handed to
// `handBack`. Any thread may queue; only the owning thread takes.
//
// The pieces of a record are queued together (PushGroup) and leave a full
// queue together: dropping the oldest entry drops every piece of its record,
// and the rest of a record whose first piece has been taken is never dropped
// (a newcomer that finds no other room is refused instead).
class CStreamSendQueues {
public:
    using HandBack = void (*)(void* owner, void* data);
    CStreamSendQueues(HandBack handBack, void* owner);
    ~CStreamSendQueues();
    CStreamSendQueues(const CStreamSendQueues&) = delete;
    CStreamSendQueues& operator=(const CStreamSendQueues&) = delete;

    // False, with `data` still the caller's, for a class of 5 or more, while
    // not accepting, or without data or with a negative length.
    bool Push(void* data, int len, unsigned cls);
    // Queues the `count` pieces of one record in order, all or none: false,
    // with every piece still the caller's, when the record cannot be queued
    // whole (more pieces than the class holds, or no room that may be made).
    bool PushGroup(void* const* data, const int* len, size_t count, unsigned cls);
    void Clear(unsigned cls);
    unsigned Count(unsigned cls);
    void SetLimits(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e);
    // The oldest entry of the first non-empty queue, or nullptr.
    COM_BUFFER* Take();
    void SetAccepting(bool on);
    // Stops accepting and hands back `sending` (when given) and every queued
    // entry, classes 0, 1, 2, 4, 3 in turn, oldest first.
    void Drain(COM_BUFFER* sending);

private:
    void HandBackAll(std::deque<COM_BUFFER*>& queue);
    // Drops whole records, oldest first, until `count` more entries fit the
    // queue of `slot`; false when that cannot be done.
    bool MakeRoom(unsigned slot, size_t count);

    HandBack m_handBack;
    void* m_pOwner;
    CMutex m_mutex;
    std::deque<COM_BUFFER*> m_queue[STREAM_SEND_CLASSES];  // service order
    uint32_t m_limit[STREAM_SEND_CLASSES];                 // service order
    uint32_t m_started[STREAM_SEND_CLASSES] = {};          // group whose first piece was taken
    uint32_t m_nextGroup = 0;
    bool m_bAccepting;
};

class CThreadStreamSend : public CThread {
public:
    explicit CThreadStreamSend(CSocketTCP* socket);
    ~CThreadStreamSend() override;

    bool Start() override;
    // Stops the thread, then hands back the entry in progress and every
    // queued entry (classes 0, 1, 2, 4, 3, oldest first).
    void Stop() override;

    // Queues `data` in priority class `cls`. False, with `data` still the
    // caller's, for a class of 5 or more, when the thread is not running, or
    // without data or with a negative length.
    bool Send(void* data, int len, unsigned cls);
    // Queues the pieces of one record together (CStreamSendQueues::PushGroup).
    bool SendGroup(void* const* data, const int* len, size_t count, unsigned cls);
    void ClearBuffer(unsigned cls) { m_queues.Clear(cls); }
    unsigned GetBufferingCount(unsigned cls) { return m_queues.Count(cls); }
    // Limits in service order: class 0, 1, 2, 4, 3.
    void SetMaxBuffer(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) {
        m_queues.SetLimits(a, b, c, d, e);
    }

protected:
    virtual void OnCompleteBuffer(void* data) = 0;
    virtual void OnError(int code, int errorNo, const char* text) = 0;
    virtual void OnTimeHasPassed() = 0;

    void Run() override;
    bool SendStep();

    CSocketTCP* m_pSocket;
    CEvent m_event;
    COM_BUFFER* m_pSending;
    CStreamSendQueues m_queues;
    uint32_t m_uIdleInterval;
    std::atomic<uint64_t> m_uLastQueued;
};

// Slot of a priority class in service order (0, 1, 2, 4, 3).
constexpr unsigned StreamServiceSlot(unsigned cls) {
    return cls < 3 ? cls : (cls == 4 ? 3 : 4);
}
