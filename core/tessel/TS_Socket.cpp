#include "tessel/TS_Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "tessel/TS_Thread.h"

namespace {
std::atomic<TS_RESOLVE_FUNC> gResolve{getaddrinfo};
std::atomic<TS_RESOLVE_FREE_FUNC> gResolveFree{freeaddrinfo};

const char kNoError[] = "No Error";
const char kClosedText[] = "connection closed.";
const char kTimedOut[] = "timed out.";
const char kConnectTimedOut[] = "connect timed out.";

// Resolves host and port; the result is released by the destructor.
struct Resolved {
    addrinfo* list = nullptr;
    int rc;
    Resolved(const char* host, int port, int socktype, int flags) {
        char service[16];
        snprintf(service, sizeof(service), "%d", port);
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = socktype;
        hints.ai_flags = flags | AI_NUMERICSERV;
        rc = gResolve.load()(host, service, &hints, &list);
        if (rc != 0) list = nullptr;
    }
    ~Resolved() {
        if (list != nullptr) gResolveFree.load()(list);
    }
    Resolved(const Resolved&) = delete;
    Resolved& operator=(const Resolved&) = delete;
};

void CopyText(char* target, size_t size, const char* text) {
    const size_t length = strnlen(text, size - 1);
    memcpy(target, text, length);
    target[length] = '\0';
}

bool AddressText(const sockaddr* address, socklen_t length, char* host, int* port) {
    char text[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (getnameinfo(address, length, text, sizeof(text), service, sizeof(service),
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return false;
    }
    if (host != nullptr) CopyText(host, SOCK_HOST_TEXT_SIZE, text);
    if (port != nullptr) *port = atoi(service);
    return true;
}

bool NameInfo(int descriptor, bool peer, char* host, int* port) {
    if (descriptor < 0) return false;
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    const int rc = peer ? getpeername(descriptor, raw, &length) : getsockname(descriptor, raw, &length);
    return rc == 0 && AddressText(raw, length, host, port);
}

int BlockingMode(int fd, bool nonBlocking) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return -1;
    return fcntl(fd, F_SETFL, nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}
}  // namespace

void TS_SetResolver(TS_RESOLVE_FUNC resolve, TS_RESOLVE_FREE_FUNC release) {
    gResolve.store(resolve != nullptr ? resolve : getaddrinfo);
    gResolveFree.store(release != nullptr ? release : freeaddrinfo);
}

// ---------------------------------------------------------------- CSocket

CSocket::CSocket() : m_iSocket(-1), m_iUsers(0), m_iClosePending(-1) {
    Init();
}

CSocket::~CSocket() {
    Release(false);
}

void CSocket::Init() {
    Release(false);
    m_iErrorNo = m_iErrorNoSend = m_iErrorNoRecv = 0;
    for (char* text : {m_szErrorMsg, m_szErrorMsgSend, m_szErrorMsgRecv}) {
        CopyText(text, SOCK_ERROR_TEXT_SIZE, kNoError);
    }
    for (auto* counter :
         {&m_nSendPackets, &m_nRecvPackets, &m_nLostPackets, &m_nSendBytes, &m_nRecvBytes, &m_nLostBytes}) {
        counter->store(0);
    }
}

void CSocket::Close() {
    Release(false);
}

bool CSocket::StartUp() {
    return true;
}

void CSocket::CleanUp() {}

CSocket::Use::Use(CSocket& socket) : m_socket(socket) {
    CMutexLock lock(m_socket.m_fdMutex);
    m_fd = m_socket.m_iSocket;
    if (m_fd >= 0) ++m_socket.m_iUsers;
}

CSocket::Use::~Use() {
    if (m_fd < 0) return;
    int toClose = -1;
    {
        CMutexLock lock(m_socket.m_fdMutex);
        if (--m_socket.m_iUsers == 0 && m_socket.m_iClosePending >= 0) {
            toClose = m_socket.m_iClosePending;
            m_socket.m_iClosePending = -1;
        }
    }
    if (toClose >= 0) close(toClose);
}

bool CSocket::IsOpen() {
    CMutexLock lock(m_fdMutex);
    return m_iSocket >= 0;
}

bool CSocket::Adopt(int descriptor) {
    CMutexLock lock(m_fdMutex);
    if (m_iSocket >= 0) return false;
    m_iSocket = descriptor;
    return true;
}

void CSocket::Release(bool abort) {
    int toClose = -1;
    {
        CMutexLock lock(m_fdMutex);
        if (m_iSocket < 0) return;
        if (abort) {
            const linger reset{1, 0};
            setsockopt(m_iSocket, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        }
        if (m_iUsers > 0) {
            // Another thread is waiting or transferring on it: wake it by
            // ending the connection; the last user closes the descriptor.
            shutdown(m_iSocket, SHUT_RDWR);
            m_iClosePending = m_iSocket;
        } else {
            toClose = m_iSocket;
        }
        m_iSocket = -1;
    }
    if (toClose >= 0) close(toClose);
}

void CSocket::SetSocket(int descriptor) {
    Release(false);
    Adopt(descriptor);
    SetSO_NOSIGPIPE(true);
}

int CSocket::GetSocket() {
    CMutexLock lock(m_fdMutex);
    return m_iSocket;
}

void CSocket::SetErrorNo(int number, int slot) {
    const char* text = strerrordesc_np(number);
    if (text != nullptr) SetError(number, text, slot);
}

void CSocket::SetError(int number, const char* text, int slot) {
    switch (slot) {
        case SOCK_SLOT_GENERAL:
            m_iErrorNo = number;
            break;
        case SOCK_SLOT_SEND:
            m_iErrorNoSend = number;
            break;
        case SOCK_SLOT_RECV:
            m_iErrorNoRecv = number;
            break;
        default:
            return;
    }
    SetErrorText(text, slot);
}

void CSocket::SetErrorText(const char* text, int slot) {
    char* target = slot == SOCK_SLOT_GENERAL ? m_szErrorMsg
                   : slot == SOCK_SLOT_SEND  ? m_szErrorMsgSend
                   : slot == SOCK_SLOT_RECV  ? m_szErrorMsgRecv
                                             : nullptr;
    if (target != nullptr) CopyText(target, SOCK_ERROR_TEXT_SIZE, text);
}

int CSocket::Wait(short events, int ms, int slot, const char* timeoutText) {
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    // Unblock the wake-up signal for the wait only: one sent before the wait
    // began is pending and ends the wait at once.
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    sigdelset(&mask, TS_WAKEUP_SIGNAL);
    timespec timeout{ms / 1000, static_cast<long>(ms % 1000) * 1000000};
    pollfd p{use.fd(), events, 0};
    const int rc = ppoll(&p, 1, ms < 0 ? nullptr : &timeout, &mask);
    if (rc < 0) {
        SetErrorNo(errno, slot);
        return SOCK_ERR_SELECT;
    }
    if (rc == 0) {
        SetErrorText(timeoutText, slot);
        return SOCK_ERR_TIMEOUT;
    }
    if (p.revents & POLLNVAL) {
        SetErrorNo(EBADF, slot);
        return SOCK_ERR_SELECT;
    }
    return 0;  // ready, or an error/hang-up that the next call reports
}

int CSocket::CheckSendable(int ms) {
    return Wait(POLLOUT, ms, SOCK_SLOT_SEND, kTimedOut);
}

int CSocket::CheckReceivable(int ms) {
    return Wait(POLLIN, ms, SOCK_SLOT_RECV, kTimedOut);
}

int CSocket::SetAsync(bool on) {
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    if (BlockingMode(use.fd(), on) < 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        return SOCK_ERR_FCNTL;
    }
    return 0;
}

int CSocket::SetOption(int level, int name, int value) {
    Use use(*this);
    if (setsockopt(use.fd(), level, name, &value, sizeof(value)) != 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        return SOCK_ERR_SETSOCKOPT;
    }
    return 0;
}

int CSocket::SetSO_NOSIGPIPE(bool) {
    signal(SIGPIPE, SIG_IGN);
    Use use(*this);
    if (fcntl(use.fd(), F_GETFD) < 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        return SOCK_ERR_SETSOCKOPT;
    }
    return 0;
}

int CSocket::SetTCP_NODELAY(bool on) {
    return SetOption(IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

int CSocket::SetSO_SNDBUF(int bytes) {
    return SetOption(SOL_SOCKET, SO_SNDBUF, bytes);
}

int CSocket::SetSO_RCVBUF(int bytes) {
    return SetOption(SOL_SOCKET, SO_RCVBUF, bytes);
}

int CSocket::SetSO_KEEPALIVE(bool on) {
    return SetOption(SOL_SOCKET, SO_KEEPALIVE, on ? 1 : 0);
}

int CSocket::SetIP_TOS(int value) {
    return SetOption(IPPROTO_IP, IP_TOS, value);
}

int CSocket::SetSO_BROADCAST(bool on) {
    return SetOption(SOL_SOCKET, SO_BROADCAST, on ? 1 : 0);
}

int CSocket::OpenBound(const char* host, int port, int socktype) {
    Resolved resolved(host, port, socktype, AI_PASSIVE);
    if (resolved.rc != 0 || resolved.list == nullptr) {
        SetError(resolved.rc, gai_strerror(resolved.rc), SOCK_SLOT_GENERAL);
        return SOCK_ERR_GETADDRINFO;
    }
    const addrinfo* ai = resolved.list;
    const int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        return SOCK_ERR_SOCKET;
    }
    Adopt(fd);
    int result = SetOption(SOL_SOCKET, SO_REUSEADDR, 1);
    if (result == 0 && bind(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        result = SOCK_ERR_BIND;
    }
    if (result != 0) Release(false);
    return result;
}

// ------------------------------------------------------------- CSocketTCP

CSocketTCP::CSocketTCP() : m_pSegBuffer(nullptr) {}

CSocketTCP::~CSocketTCP() {
    delete m_pSegBuffer;
    Release(false);
}

int CSocketTCP::Connect(const char* host, int port, int ms) {
    if (IsOpen()) return SOCK_ERR_ALREADY_OPEN;
    Resolved resolved(host, port, SOCK_STREAM, 0);
    if (resolved.rc != 0) {
        SetError(resolved.rc, gai_strerror(resolved.rc), SOCK_SLOT_GENERAL);
        return SOCK_ERR_GETADDRINFO;
    }
    int result = SOCK_ERR_CONNECT;
    bool connected = false;
    for (addrinfo* ai = resolved.list; ai != nullptr && !connected; ai = ai->ai_next) {
        const int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            SetErrorNo(errno, SOCK_SLOT_GENERAL);
            result = SOCK_ERR_CONNECT;
            continue;
        }
        Adopt(fd);
        if (ms > 0) SetAsync(true);
        if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
            connected = true;
        } else if (errno == EINPROGRESS && ms > 0) {
            result = CheckConnected(ms);
            connected = result == 0;
        } else {
            SetErrorNo(errno, SOCK_SLOT_GENERAL);
            result = SOCK_ERR_CONNECT;
        }
        if (connected) {
            if (ms > 0) SetAsync(false);
        } else {
            Release(false);
        }
    }
    if (!connected) return result;
    SetSO_NOSIGPIPE(true);
    return 0;
}

int CSocketTCP::CheckConnected(int ms) {
    const int rc = Wait(POLLIN | POLLOUT, ms, SOCK_SLOT_GENERAL, kConnectTimedOut);
    if (rc != 0) return rc;
    // The pending error tells a finished connect from a failed one, whatever
    // mix of readiness the failure showed.
    Use use(*this);
    int pending = 0;
    socklen_t length = sizeof(pending);
    if (getsockopt(use.fd(), SOL_SOCKET, SO_ERROR, &pending, &length) != 0) return SOCK_ERR_GETSOCKOPT;
    if (pending != 0) {
        SetErrorNo(pending, SOCK_SLOT_GENERAL);
        return SOCK_ERR_CONNECT;
    }
    return 0;
}

int CSocketTCP::Send(const void* data, int len, int flags) {
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    if (data == nullptr) return SOCK_ERR_BAD_ARG;
    if (len < 1) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    int sent = 0;
    while (sent < len) {
        const int piece = len - sent < SOCK_SEND_PIECE ? len - sent : SOCK_SEND_PIECE;
        const ssize_t n = send(use.fd(), bytes + sent, static_cast<size_t>(piece), flags | MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<int>(n);
            m_nSendBytes.fetch_add(static_cast<uint32_t>(n));
        } else if (n == 0) {
            SetErrorText(kClosedText, SOCK_SLOT_SEND);
            return SOCK_ERR_CLOSED;
        } else if (WouldBlock(errno)) {
            return sent;
        } else if (errno != EINTR) {
            SetErrorNo(errno, SOCK_SLOT_SEND);
            return SOCK_ERR_SEND;
        }
    }
    return sent;
}

int CSocketTCP::Recv(void* buf, int size, int flags) {
    if (buf == nullptr || size < 0) return SOCK_ERR_BAD_ARG;
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    if (size == 0) return 0;
    for (;;) {
        const ssize_t n = recv(use.fd(), buf, static_cast<size_t>(size), flags);
        if (n > 0) {
            m_nRecvBytes.fetch_add(static_cast<uint32_t>(n));
            return static_cast<int>(n);
        }
        if (n == 0) {
            SetErrorText(kClosedText, SOCK_SLOT_RECV);
            return SOCK_ERR_CLOSED;
        }
        if (WouldBlock(errno)) return 0;
        if (errno != EINTR) {
            SetErrorNo(errno, SOCK_SLOT_RECV);
            return SOCK_ERR_RECV;
        }
    }
}

int CSocketTCP::SetRecvBuff(void* data, int capacity, int filled) {
    if (capacity < 0 || (capacity > 0 && (data == nullptr || filled < 0 || filled > capacity))) {
        return SOCK_ERR_BAD_ARG;
    }
    delete m_pSegBuffer;
    m_pSegBuffer = nullptr;
    if (capacity == 0) return 0;
    m_pSegBuffer = new (std::nothrow) SEG_BUFFER{capacity, filled, static_cast<unsigned char*>(data)};
    return m_pSegBuffer != nullptr ? 0 : -1;
}

int CSocketTCP::RecvSeg(int size, int flags) {
    if (size < 0) return SOCK_ERR_BAD_ARG;
    if (m_pSegBuffer == nullptr) return SOCK_ERR_NO_RECV_BUFFER;
    if (!IsOpen()) return SOCK_ERR_NO_SOCKET;
    if (size > m_pSegBuffer->capacity) return SOCK_ERR_TOO_LARGE;
    if (m_pSegBuffer->filled >= size) return 1;
    const int n = Recv(m_pSegBuffer->data + m_pSegBuffer->filled, size - m_pSegBuffer->filled, flags);
    if (n < 0) return n;
    m_pSegBuffer->filled += n;
    return m_pSegBuffer->filled >= size ? 1 : 0;
}

void CSocketTCP::Close(int abort) {
    Release(abort == 1);
}

int CSocketTCP::Shutdown(int how) {
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    if (how < 0 || how > 2) return SOCK_ERR_BAD_ARG;
    static const int kHow[] = {SHUT_WR, SHUT_RD, SHUT_RDWR};
    if (shutdown(use.fd(), kHow[how]) != 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        return SOCK_ERR_SHUTDOWN;
    }
    return 0;
}

bool CSocketTCP::GetSrcInfo(char* host, int* port) {
    Use use(*this);
    return GetSrcInfo(use.fd(), host, port);
}

bool CSocketTCP::GetSrcInfo(int descriptor, char* host, int* port) {
    return NameInfo(descriptor, false, host, port);
}

bool CSocketTCP::GetDstInfo(char* host, int* port) {
    Use use(*this);
    return GetDstInfo(use.fd(), host, port);
}

bool CSocketTCP::GetDstInfo(int descriptor, char* host, int* port) {
    return NameInfo(descriptor, true, host, port);
}

int CSocketTCP::Listen(const char* host, int port) {
    if (IsOpen()) return SOCK_ERR_ALREADY_OPEN;
    int result = OpenBound(host, port, SOCK_STREAM);
    if (result != 0) return result;
    Use use(*this);
    if (listen(use.fd(), 1024) != 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        result = SOCK_ERR_LISTEN;
    }
    if (result != 0) Release(false);
    return result;
}

bool CSocketTCP::Accept(int* descriptor) {
    Use use(*this);
    if (!use || descriptor == nullptr) return true;
    const int fd = accept4(use.fd(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return true;
    *descriptor = fd;
    return false;
}

bool CSocketTCP::IsMuchHost(const char* host) {
    char peer[SOCK_HOST_TEXT_SIZE];
    if (host == nullptr || !GetDstInfo(peer, nullptr)) return false;
    Resolved resolved(host, 0, SOCK_STREAM, 0);
    for (const addrinfo* ai = resolved.list; ai != nullptr; ai = ai->ai_next) {
        char text[SOCK_HOST_TEXT_SIZE];
        if (AddressText(ai->ai_addr, ai->ai_addrlen, text, nullptr) && strcmp(text, peer) == 0) return true;
    }
    return false;
}

// ------------------------------------------------------------- CSocketUDP

int CSocketUDP::Open() {
    if (IsOpen()) return SOCK_ERR_ALREADY_OPEN;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetErrorNo(errno, SOCK_SLOT_GENERAL);
        return SOCK_ERR_SOCKET;
    }
    Adopt(fd);
    return 0;
}

int CSocketUDP::Open(const char* host, int port) {
    if (IsOpen()) return SOCK_ERR_ALREADY_OPEN;
    return OpenBound(host, port, SOCK_DGRAM);
}

int CSocketUDP::Send(const void* data, int len, int flags, const char* host, int port) {
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    if (data == nullptr || len < 0) return SOCK_ERR_BAD_ARG;
    Resolved resolved(host, port, SOCK_DGRAM, 0);
    if (resolved.rc != 0) {
        SetError(resolved.rc, gai_strerror(resolved.rc), SOCK_SLOT_GENERAL);
        return SOCK_ERR_GETADDRINFO;
    }
    if (resolved.list == nullptr) return 0;
    const ssize_t n = sendto(use.fd(), data, static_cast<size_t>(len), flags | MSG_NOSIGNAL,
                             resolved.list->ai_addr, resolved.list->ai_addrlen);
    if (n < 0) {
        if (WouldBlock(errno)) return 0;
        SetErrorNo(errno, SOCK_SLOT_SEND);
        return SOCK_ERR_SEND;
    }
    m_nSendPackets.fetch_add(1);
    m_nSendBytes.fetch_add(static_cast<uint32_t>(n));
    return static_cast<int>(n);
}

int CSocketUDP::Recv(void* buf, int size, int flags) {
    Use use(*this);
    if (!use) return SOCK_ERR_NO_SOCKET;
    if (buf == nullptr || size < 0) return SOCK_ERR_BAD_ARG;
    sockaddr_storage from{};
    socklen_t length = sizeof(from);
    const ssize_t n = recvfrom(use.fd(), buf, static_cast<size_t>(size), flags,
                               reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) {
        if (WouldBlock(errno)) return 0;
        SetErrorNo(errno, SOCK_SLOT_RECV);
        return SOCK_ERR_RECV;
    }
    m_nRecvPackets.fetch_add(1);
    m_nRecvBytes.fetch_add(static_cast<uint32_t>(n));
    AddressText(reinterpret_cast<sockaddr*>(&from), length, m_szDestHost, &m_iDestPort);
    return static_cast<int>(n);
}

bool CSocketUDP::GetDestInfo(char* host, int* port) {
    if (m_szDestHost[0] == '\0') return false;
    if (host != nullptr) CopyText(host, SOCK_HOST_TEXT_SIZE, m_szDestHost);
    if (port != nullptr) *port = m_iDestPort;
    return true;
}
