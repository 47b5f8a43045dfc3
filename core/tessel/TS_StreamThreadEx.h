// The more general pair of stream threads: the receive side asks its subclass
// after each header and each body how many more bytes it needs (so headers
// and bodies may grow in steps), reads either fixed segments or a text head
// ended by an empty line, and may read and wait through hooks instead of the
// socket; the send side has the five priority queues of CThreadStreamSend
// without the idle hook, and may write through a hook.
#pragma once

#include <atomic>
#include <cstdint>

#include "tessel/TS_StreamThread.h"

// A first-in first-out list of COM_BUFFER pointers; the entries themselves
// are not owned.
class QueComBuffer {
public:
    QueComBuffer() = default;
    ~QueComBuffer() { Clear(); }
    QueComBuffer(const QueComBuffer&) = delete;
    QueComBuffer& operator=(const QueComBuffer&) = delete;

    // False when the node cannot be allocated.
    bool Push(COM_BUFFER* entry);
    COM_BUFFER* Pop();
    void Clear();

private:
    struct Node {
        COM_BUFFER* entry;
        Node* next;
    };
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
};

// Protocol types of CThreadStreamRecvEx.
enum {
    STREAM_PROTOCOL_SEGMENT = 0,  // headers and bodies of known sizes
    STREAM_PROTOCOL_CRLF = 1,     // a text head ended by CR LF CR LF, then a body
};

class CThreadStreamRecvEx : public CThread {
public:
    CThreadStreamRecvEx(CSocketTCP* socket, bool useHooks = false);
    ~CThreadStreamRecvEx() override;

    // True and stored for 0 or 1.
    bool SetProtocolType(int type);
    // False while running; otherwise arms a header buffer and starts.
    bool Start() override;
    void Stop() override;

    // The most a head or a packet may grow to; a subclass asking for more
    // ends reading with an error.
    static constexpr uint32_t kMaxPacket = 16 * 1024 * 1024;

protected:
    virtual int OnCheckReceivable(int ms) = 0;
    virtual int OnRecv(uint8_t* buffer, int length, int flags) = 0;
    virtual uint32_t GetHeaderSize() = 0;
    virtual uint32_t GetBodySize() = 0;
    // Further header bytes needed, 0 when the header is complete.
    virtual uint32_t HeaderCompleted(uint8_t* buffer, uint32_t length) = 0;
    // Further body bytes needed, 0 when the packet is complete.
    virtual uint32_t PacketCompleted(uint8_t* buffer, uint32_t length) = 0;
    virtual void OnRecvError(int code, int errorNo, const char* text) = 0;

    void Run() override;
    // One read and what follows from it; false ends reading.
    bool RecvComplete();
    bool RecvHeader();
    bool RecvBody();
    int OnRecvProtocolCrlf();
    int OnRecvProtocolSeg();
    int _OnRecv(uint8_t* buffer, int length);
    // For `more` = 0 a fresh header buffer; otherwise the header grows.
    bool SetRecvBuff4Header(uint32_t more);
    bool SetRecvBuff4Body(uint32_t more);
    // Ends reading from within a callback (the stream can no longer be
    // followed); reported by the caller.
    void AbortRecv() { m_bRecvAbort = true; }

    CSocketTCP* m_pRecvSocket;
    bool m_bRecvHook;
    int m_iProtocol;
    bool m_bRecvHeader;
    uint32_t m_uCapacity;
    uint32_t m_uFilled;
    uint8_t* m_pRecvBuffer;

private:
    bool Grow(uint32_t more);
    bool m_bRecvAbort = false;
};

class CThreadStreamSendEx : public CThread {
public:
    CThreadStreamSendEx(CSocketTCP* socket, bool useHook = false);
    ~CThreadStreamSendEx() override;

    bool Start() override;
    void Stop() override;

    bool Send(void* data, int len, unsigned cls);
    void ClearBuffer(unsigned cls) { m_sendQueues.Clear(cls); }
    unsigned GetBufferingCount(unsigned cls) { return m_sendQueues.Count(cls); }
    void SetMaxBuffer(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e) {
        m_sendQueues.SetLimits(a, b, c, d, e);
    }
    // Takes the next entry to send (the oldest of the first non-empty queue).
    COM_BUFFER* GetSendBuffer() { return m_sendQueues.Take(); }

protected:
    virtual int OnSend(const uint8_t* data, int length, int flags) = 0;
    virtual void OnCompleteBuffer(void* data) = 0;
    virtual void OnSendError(int code, int errorNo, const char* text) = 0;

    void Run() override;
    bool SendStep();

    CSocketTCP* m_pSendSocket;
    bool m_bSendHook;
    CEvent m_sendEvent;
    COM_BUFFER* m_pSendEntry;
    CStreamSendQueues m_sendQueues;
};

// A receive thread for 16-byte packets without body: each header goes to
// the packet callback; the first failure goes once to the error callback.
// Starts in its constructor.
class CThreadRecv : public CThreadStreamRecvEx {
public:
    using PacketCallback = void (*)(uint8_t* packet, int length, void* user);
    using ErrorCallback = void (*)(int code, int errorNo, const char* text, void* user);

    CThreadRecv(CSocketTCP* socket, PacketCallback onPacket, ErrorCallback onError, void* user);
    ~CThreadRecv() override;

protected:
    int OnCheckReceivable(int) override { return 0; }
    int OnRecv(uint8_t*, int, int) override { return 0; }
    uint32_t GetHeaderSize() override { return 16; }
    uint32_t GetBodySize() override { return m_uBodySize; }
    uint32_t HeaderCompleted(uint8_t*, uint32_t) override { return 0; }
    uint32_t PacketCompleted(uint8_t* buffer, uint32_t length) override;
    void OnRecvError(int code, int errorNo, const char* text) override;

private:
    std::atomic<bool> m_bError;
    PacketCallback m_onPacket;
    ErrorCallback m_onError;
    void* m_pUser;
    uint32_t m_uBodySize;
};
