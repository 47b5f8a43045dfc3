// Shared helpers of the stream-thread tests: a connected socket whose peer
// end the test holds, framed test messages and a reader for the peer side.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace streamtest {

using Bytes = std::vector<uint8_t>;

// Polls `done` until it holds or `ms` have passed (generous: a loaded
// machine may keep a thread from running for seconds).
inline bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A 16-byte header {id, body length, tag, 0} followed by the body.
inline Bytes Packet(uint32_t id, const Bytes& body, uint32_t tag = 0) {
    Bytes p(16 + body.size());
    PutU32(p.data(), id);
    PutU32(p.data() + 4, static_cast<uint32_t>(body.size()));
    PutU32(p.data() + 8, tag);
    std::copy(body.begin(), body.end(), p.begin() + 16);
    return p;
}

// A body of n bytes that tells its packets apart.
inline Bytes Body(size_t n, uint32_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed * 131 + i * 7 + (i >> 8));
    return b;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A copy of `bytes` in a buffer from __malloc__, as the send threads take it.
inline void* Owned(const Bytes& bytes) {
    void* p = __malloc__(bytes.empty() ? 1 : bytes.size());
    if (!bytes.empty()) memcpy(p, bytes.data(), bytes.size());
    return p;
}

// Reads exactly n bytes from fd; false when they do not arrive within `ms`.
inline bool ReadFd(int fd, uint8_t* out, size_t n, int ms = 5000) {
    size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (done < n) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) != 1) return false;
        const ssize_t got = ::recv(fd, out + done, n - done, 0);
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

inline bool WriteFd(int fd, const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads one framed packet (header and body) from fd; empty when none arrives.
inline Bytes ReadPacketFd(int fd, int ms = 5000) {
    Bytes p(16);
    if (!ReadFd(fd, p.data(), 16, ms)) return {};
    p.resize(16 + GetU32(p.data() + 4));
    if (!ReadFd(fd, p.data() + 16, p.size() - 16, ms)) return {};
    return p;
}

// True when a thread of this process other than the caller is blocked in ppoll.
inline bool OtherThreadInPoll() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return false;
    const long self = syscall(SYS_gettid);
    bool found = false;
    while (const dirent* e = readdir(tasks)) {
        const long tid = std::atol(e->d_name);
        if (tid <= 0 || tid == self) continue;
        std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
        long call = -1;
        if (in >> call && call == SYS_ppoll) {
            found = true;
            break;
        }
    }
    closedir(tasks);
    return found;
}

// A listening TCP socket on 127.0.0.1 and an ephemeral port.
class Listener {
public:
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        EXPECT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
        EXPECT_EQ(0, listen(fd, 16));
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
    }
    ~Listener() { close(fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    // The accepted descriptor, -1 after `ms` without a connection.
    int Accept(int ms = 5000) const {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, ms) == 1 ? ::accept(fd, nullptr, nullptr) : -1;
    }
    int fd = -1;
    int port = 0;
};

// One end of a connected stream pair in a CSocketTCP (non-blocking, as the
// connection layer leaves it for the threads); the test holds the other end.
class SocketPair {
public:
    explicit SocketPair(int bufferBytes = 0) {
        int sv[2];
        EXPECT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, sv));
        if (bufferBytes > 0) {
            for (int fd : sv) {
                setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
                setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
            }
        }
        socket.SetSocket(sv[0]);
        EXPECT_EQ(0, socket.SetAsync(true));
        near_ = sv[0];
        peer = sv[1];
    }
    ~SocketPair() { ClosePeer(); }
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;

    void ClosePeer() {
        if (peer >= 0) close(peer);
        peer = -1;
    }
    void Write(const Bytes& bytes) const { ASSERT_TRUE(WriteFd(peer, bytes)); }
    // Waits until the thread on `socket` (the only other thread that waits
    // in ppoll) has read everything written so far and waits for more, so
    // that the next write arrives in a read of its own however late the
    // thread runs (a fixed pause would let two writes meet in one read, and
    // so can an empty queue alone: a read in progress takes what comes next).
    void WaitUntilRead() const {
        ASSERT_TRUE(WaitFor([this] {
            int waiting = 0;
            return ioctl(near_, FIONREAD, &waiting) == 0 && waiting == 0 && OtherThreadInPoll();
        })) << "the receive thread did not read what was written";
    }
    // Whether the peer has something to read within `ms`.
    bool Readable(int ms) const {
        pollfd p{peer, POLLIN, 0};
        return poll(&p, 1, ms) == 1;
    }
    bool Read(uint8_t* out, size_t n, int ms = 5000) const { return ReadFd(peer, out, n, ms); }
    Bytes ReadPacket(int ms = 5000) const { return ReadPacketFd(peer, ms); }

    CSocketTCP socket;
    int peer = -1;

private:
    int near_ = -1;  // socket's descriptor, for the bytes waiting in it
};

}  // namespace streamtest
