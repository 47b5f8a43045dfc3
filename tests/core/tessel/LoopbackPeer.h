// The server side of the socket tests: a listener on a 127.x address built
// on the shared loopback helpers.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "fixtures/LoopbackTcp.h"

class LoopbackListener {
public:
    explicit LoopbackListener(const char* address = "127.0.0.1", int backlog = 16) {
        uint16_t port = 0;
        m_fd = quorix::test::ListenTcp(address, 0, &port);
        m_port = port;
        if (m_fd >= 0 && backlog != 16) ::listen(m_fd, backlog);
    }
    ~LoopbackListener() { quorix::test::CloseFd(m_fd); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return m_port; }
    // The accepted descriptor (the caller's), -1 after ms without one.
    int Accept(int ms = 5000) {
        if (quorix::test::WaitReadable(m_fd, ms) != 1) return -1;
        return ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

inline int UnusedLoopbackPort() {
    return quorix::test::UnusedPort("127.0.0.1");
}

// count bytes, or an empty text when they do not all arrive in time.
inline std::string ReadExactly(int fd, size_t count, int ms = 5000) {
    std::string data(count, '\0');
    return quorix::test::ReadExact(fd, data.data(), count, ms) ? data : std::string();
}

// Everything until the peer closes or nothing arrives for ms.
inline std::string ReadAll(int fd, int ms = 500) {
    std::string data;
    char buffer[65536];
    while (quorix::test::WaitReadable(fd, ms) == 1) {
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    return data;
}
