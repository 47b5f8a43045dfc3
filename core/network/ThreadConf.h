// Send and receive threads of the conference-server connection, and the
// framing they share with the relay connections: 16-byte headers whose second
// 32-bit word is the body length, bodies of at most 399984 bytes. Each thread
// reports its first failure once; after it, or after its owner has set its
// error flag because the other direction failed, the thread falls silent.
#pragma once

#include <atomic>
#include <cstdint>

#include "tessel/TS_StreamThread.h"

// Header size and largest body of the conference and relay framing.
constexpr uint32_t STREAM_HEADER_SIZE = 16;
constexpr uint32_t STREAM_MAX_BODY_SIZE = 399984;

using CONF_RECV_CALLBACK = void (*)(uint8_t* packet, int length, void* user);
using CONF_ERROR_CALLBACK = void (*)(int code, int errorNo, const char* text, void* user);
using CONF_IDLE_CALLBACK = void (*)(void* user);

// The u32 little-endian at `offset` of a header.
uint32_t StreamHeaderWord(const uint8_t* header, unsigned offset);

// The framing and the error flag of the conference and relay receive threads.
class CThreadRecvFramed : public CThreadStreamRecv {
public:
    explicit CThreadRecvFramed(CSocketTCP* socket) : CThreadStreamRecv(socket), m_bError(false) {}

    // Arms the first header buffer, then starts the thread.
    bool Start() override;

    bool bError() const { return m_bError.load(std::memory_order_relaxed); }
    // The owner silences the thread: no more packets, no more reports.
    void SetError() { m_bError.store(true, std::memory_order_relaxed); }

protected:
    uint32_t GetHeaderSize() override { return STREAM_HEADER_SIZE; }
    uint32_t GetBodySize() override { return StreamHeaderWord(m_pBuffer, 4); }
    uint32_t GetMaxBodySize() override { return STREAM_MAX_BODY_SIZE; }
    void HeaderCompleted() override {}
    // True the first time only: the caller then reports the failure.
    bool RaiseError() { return !m_bError.exchange(true); }

private:
    std::atomic<bool> m_bError;
};

// The error flag and the keep-alive bookkeeping of the conference and relay
// send threads; every queued message is a buffer from __malloc__.
class CThreadSendFramed : public CThreadStreamSend {
public:
    CThreadSendFramed(CSocketTCP* socket, uint32_t idleMs);

    // Refused (false, `data` stays the caller's) once the thread has failed
    // or has been silenced.
    bool Send(void* data, int len, unsigned cls);
    bool SendGroup(void* const* data, const int* len, size_t count, unsigned cls);
    // Answers whether nothing was queued since the previous call, and notes
    // the call: false on the first call after a queued message, then true.
    bool IsTimesGoBy() { return m_bTimesGoBy.exchange(true, std::memory_order_relaxed); }

    bool bError() const { return m_bError.load(std::memory_order_relaxed); }
    void SetError() { m_bError.store(true, std::memory_order_relaxed); }

protected:
    void OnCompleteBuffer(void* data) override;
    bool RaiseError() { return !m_bError.exchange(true); }

private:
    std::atomic<bool> m_bError;
    std::atomic<bool> m_bTimesGoBy;
};

class CThreadRecvConf : public CThreadRecvFramed {
public:
    CThreadRecvConf(CSocketTCP* socket, CONF_RECV_CALLBACK onRecv, CONF_ERROR_CALLBACK onError, void* user);
    ~CThreadRecvConf() override;

protected:
    void PacketCompleted() override;
    void OnError(int code, int errorNo, const char* text) override;

private:
    CONF_RECV_CALLBACK m_onRecv;
    CONF_ERROR_CALLBACK m_onError;
    void* m_pUser;
};

class CThreadSendConf : public CThreadSendFramed {
public:
    CThreadSendConf(CSocketTCP* socket, uint32_t idleMs, CONF_ERROR_CALLBACK onError,
                    CONF_IDLE_CALLBACK onIdle, void* user);
    ~CThreadSendConf() override;

protected:
    void OnError(int code, int errorNo, const char* text) override;
    void OnTimeHasPassed() override;

private:
    CONF_ERROR_CALLBACK m_onError;
    CONF_IDLE_CALLBACK m_onIdle;
    void* m_pUser;
};
