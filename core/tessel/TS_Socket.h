// BSD sockets with millisecond time-outs, fixed negative result codes and
// three error slots (general, send, receive).
//
// Waits use ppoll with the thread's wake-up signal unblocked only for the
// wait itself; core threads keep it blocked otherwise (TS_Thread), so a stop
// request that arrives before the wait begins still ends the wait.
//
// A descriptor is never closed while another thread is inside a wait, send
// or receive on it: Close() then shuts the connection down (which wakes that
// thread) and the last user closes the descriptor, so a waiting thread can
// never be handed a reused descriptor.
#pragma once

#include <netdb.h>

#include <atomic>
#include <cstdint>

#include "tessel/TS_Mutex.h"

enum {
    SOCK_ERR_BAD_ARG = -2,
    SOCK_ERR_SOCKET = -3,
    SOCK_ERR_SETSOCKOPT = -5,
    SOCK_ERR_GETSOCKOPT = -6,
    SOCK_ERR_CONNECT = -7,
    SOCK_ERR_FCNTL = -8,
    SOCK_ERR_BIND = -9,
    SOCK_ERR_LISTEN = -10,
    SOCK_ERR_SEND = -12,
    SOCK_ERR_CLOSED = -13,
    SOCK_ERR_NO_SOCKET = -16,
    SOCK_ERR_RECV = -19,
    SOCK_ERR_SELECT = -20,
    SOCK_ERR_TIMEOUT = -21,
    SOCK_ERR_NO_RECV_BUFFER = -22,
    SOCK_ERR_TOO_LARGE = -28,
    SOCK_ERR_SHUTDOWN = -29,
    SOCK_ERR_GETADDRINFO = -31,
    SOCK_ERR_ALREADY_OPEN = -32,
};
// SetRecvBuff answers -1 when its descriptor record cannot be allocated.

// Error slots.
enum { SOCK_SLOT_GENERAL = 0, SOCK_SLOT_SEND = 1, SOCK_SLOT_RECV = 2 };

constexpr int SOCK_ERROR_TEXT_SIZE = 256;
// Size of the buffer a numeric host text is written into.
constexpr int SOCK_HOST_TEXT_SIZE = 64;
// Largest piece one send call of CSocketTCP::Send writes.
constexpr int SOCK_SEND_PIECE = 1400;

// The name resolver (getaddrinfo / freeaddrinfo); tests may replace it.
using TS_RESOLVE_FUNC = int (*)(const char* host, const char* service, const addrinfo* hints,
                                addrinfo** result);
using TS_RESOLVE_FREE_FUNC = void (*)(addrinfo* result);
void TS_SetResolver(TS_RESOLVE_FUNC resolve, TS_RESOLVE_FREE_FUNC release);

class CSocket {
public:
    CSocket();
    virtual ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    // The initial state: closed, no errors ("No Error"), counters 0.
    void Init();
    void Close();

    static bool StartUp();
    static void CleanUp();

    // Closes an open descriptor, adopts the given one and sets no-SIGPIPE.
    void SetSocket(int descriptor);
    int GetSocket();

    int GetErrorNo() const { return m_iErrorNo; }
    const char* GetErrorMsg() const { return m_szErrorMsg; }
    int GetErrorNoSend() const { return m_iErrorNoSend; }
    const char* GetErrorMsgSend() const { return m_szErrorMsgSend; }
    int GetErrorNoRecv() const { return m_iErrorNoRecv; }
    const char* GetErrorMsgRecv() const { return m_szErrorMsgRecv; }
    // Stores number and the platform's text for it in the slot; a number
    // without text, or an unknown slot, stores nothing.
    void SetErrorNo(int number, int slot);

    // 0 when writable/readable; -16 closed, -20 wait failed (also EINTR),
    // -21 timed out ("timed out."). ms < 0 waits without limit.
    int CheckSendable(int ms);
    int CheckReceivable(int ms);

    // Non-blocking mode on or off: 0, -16 closed, -8 failed.
    int SetAsync(bool on);

    // Options: 0 or -5. There is no per-socket no-SIGPIPE option on this
    // platform: SIGPIPE is ignored process-wide and every send passes
    // MSG_NOSIGNAL; the call still fails (-5) on a closed socket.
    int SetSO_NOSIGPIPE(bool on);
    int SetTCP_NODELAY(bool on);
    int SetSO_SNDBUF(int bytes);
    int SetSO_RCVBUF(int bytes);
    int SetSO_KEEPALIVE(bool on);
    int SetIP_TOS(int value);
    int SetSO_BROADCAST(bool on);

    // Wrapping counters; TCP counts bytes only, datagrams count packets too.
    uint32_t GetSendPacketCount() const { return m_nSendPackets.load(); }
    uint32_t GetRecvPacketCount() const { return m_nRecvPackets.load(); }
    uint32_t GetLostPacketCount() const { return m_nLostPackets.load(); }
    uint32_t GetSendBytes() const { return m_nSendBytes.load(); }
    uint32_t GetRecvBytes() const { return m_nRecvBytes.load(); }
    uint32_t GetLostBytes() const { return m_nLostBytes.load(); }

protected:
    // Holds the descriptor open for the duration of one operation.
    class Use {
    public:
        explicit Use(CSocket& socket);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        int fd() const { return m_fd; }
        explicit operator bool() const { return m_fd >= 0; }

    private:
        CSocket& m_socket;
        int m_fd;
    };

    bool IsOpen();
    // Adopts a descriptor on a closed socket (false when one is open).
    bool Adopt(int descriptor);
    // Closes the descriptor now, or at the end of the last operation in use.
    void Release(bool abort);
    void SetError(int number, const char* text, int slot);
    void SetErrorText(const char* text, int slot);
    int Wait(short events, int ms, int slot, const char* timeoutText);
    int SetOption(int level, int name, int value);
    // A socket bound to the first passive address of host and port, with
    // the reuse-address option: 0 or -31, -3, -5, -9 (closed again on failure).
    int OpenBound(const char* host, int port, int socktype);

    std::atomic<uint32_t> m_nSendPackets{0}, m_nRecvPackets{0}, m_nLostPackets{0};
    std::atomic<uint32_t> m_nSendBytes{0}, m_nRecvBytes{0}, m_nLostBytes{0};

private:
    CMutex m_fdMutex;
    int m_iSocket;        // -1 when closed
    int m_iUsers;         // operations in progress on the descriptor
    int m_iClosePending;  // descriptor to close when the last user leaves
    int m_iErrorNo;
    char m_szErrorMsg[SOCK_ERROR_TEXT_SIZE];
    int m_iErrorNoSend;
    char m_szErrorMsgSend[SOCK_ERROR_TEXT_SIZE];
    int m_iErrorNoRecv;
    char m_szErrorMsgRecv[SOCK_ERROR_TEXT_SIZE];
};

class CSocketTCP : public CSocket {
public:
    CSocketTCP();
    ~CSocketTCP() override;

    // 0, or -32, -31, -7 (general slot), -20, -21, -6. ms > 0 bounds the
    // connect (the socket is blocking again afterwards); ms <= 0 connects in
    // blocking mode.
    int Connect(const char* host, int port, int ms);
    int CheckConnected(int ms);

    // Bytes sent, written in pieces of at most 1400 bytes; the count so far
    // when the socket cannot take more at once. -16, -2, -12, -13.
    int Send(const void* data, int len, int flags);
    // Bytes received by one receive call; 0 when nothing is there on a
    // non-blocking socket or size is 0. -2, -16, -13, -19.
    int Recv(void* buf, int size, int flags);

    // The segment buffer (owned by the caller) that RecvSeg fills: capacity
    // 0 removes it. 0, -2 (capacity < 0, filled outside 0..capacity), -1.
    int SetRecvBuff(void* data, int capacity, int filled);
    // 1 when the segment buffer holds at least size bytes, 0 when not yet;
    // -2, -22, -16, -28, or a negative Recv result.
    int RecvSeg(int size, int flags);

    // abort = 1 resets the connection instead of ending it gracefully.
    void Close(int abort = 0);
    // how: 0 the sending direction, 1 the receiving direction, 2 both.
    int Shutdown(int how);

    // Local / peer address as numeric host text (host holds at least
    // SOCK_HOST_TEXT_SIZE bytes) and port.
    bool GetSrcInfo(char* host, int* port);
    static bool GetSrcInfo(int descriptor, char* host, int* port);
    bool GetDstInfo(char* host, int* port);
    static bool GetDstInfo(int descriptor, char* host, int* port);

    // Listening side: 0 or -32, -31, -3, -5, -9, -10.
    int Listen(const char* host, int port);
    // Returns true when it FAILED (no open socket or accept failed);
    // otherwise stores the new connection's descriptor.
    bool Accept(int* descriptor);
    bool IsMuchHost(const char* host);

private:
    struct SEG_BUFFER {
        int32_t capacity;
        int32_t filled;
        unsigned char* data;
    };
    SEG_BUFFER* m_pSegBuffer;
};

class CSocketUDP : public CSocket {
public:
    CSocketUDP() = default;
    ~CSocketUDP() override = default;

    int Open();
    int Open(const char* host, int port);
    // Bytes sent in one datagram to the first address of host and port.
    int Send(const void* data, int len, int flags, const char* host, int port);
    // Bytes of one datagram; remembers the sender for GetDestInfo.
    int Recv(void* buf, int size, int flags);
    bool GetDestInfo(char* host, int* port);

private:
    char m_szDestHost[SOCK_HOST_TEXT_SIZE] = {};
    int m_iDestPort = 0;
};
