#include "tessel/TS_Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"

namespace {

bool IsNonBlocking(int fd) {
    return (fcntl(fd, F_GETFL) & O_NONBLOCK) != 0;
}

// A connected client socket and the accepted server descriptor.
struct Connection {
    LoopbackListener listener;
    CSocketTCP client;
    int server = -1;
    explicit Connection(int ms = 5000) {
        EXPECT_EQ(0, client.Connect("127.0.0.1", listener.port(), ms));
        server = listener.Accept();
        EXPECT_GE(server, 0);
    }
    ~Connection() {
        if (server >= 0) close(server);
    }
};

// Resolver that answers every name with the listed numeric addresses, in order.
std::vector<std::string> gFakeAddresses;
int gFakeError = 0;
int FakeResolve(const char*, const char* service, const addrinfo* hints, addrinfo** result) {
    if (gFakeError != 0) return gFakeError;
    addrinfo* head = nullptr;
    addrinfo** tail = &head;
    for (const auto& address : gFakeAddresses) {
        addrinfo numeric = *hints;
        numeric.ai_flags |= AI_NUMERICHOST;
        addrinfo* one = nullptr;
        if (getaddrinfo(address.c_str(), service, &numeric, &one) != 0) continue;
        *tail = one;
        while (*tail != nullptr) tail = &(*tail)->ai_next;
    }
    *result = head;
    return 0;
}

class FakeResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        gFakeAddresses.clear();
        gFakeError = 0;
        TS_SetResolver(FakeResolve, freeaddrinfo);
    }
    void TearDown() override { TS_SetResolver(nullptr, nullptr); }
};

TEST(CSocketTest, FreshSocketState) {
    CSocketTCP s;
    EXPECT_EQ(-1, s.GetSocket());
    for (const char* text : {s.GetErrorMsg(), s.GetErrorMsgSend(), s.GetErrorMsgRecv()}) {
        EXPECT_STREQ("No Error", text);
    }
    EXPECT_EQ(0, s.GetErrorNo() + s.GetErrorNoSend() + s.GetErrorNoRecv());
    EXPECT_EQ(0u, s.GetSendBytes() + s.GetRecvBytes() + s.GetSendPacketCount() + s.GetRecvPacketCount() +
                      s.GetLostBytes() + s.GetLostPacketCount());
}

TEST(CSocketTest, ConnectsInBothModesAndLeavesTheSocketBlocking) {
    for (int ms : {0, -1, 5000}) {
        Connection c(ms);
        ASSERT_GE(c.client.GetSocket(), 0) << ms;
        EXPECT_FALSE(IsNonBlocking(c.client.GetSocket())) << ms;
        char host[SOCK_HOST_TEXT_SIZE];
        int port = 0;
        ASSERT_TRUE(c.client.GetDstInfo(host, &port));
        EXPECT_STREQ("127.0.0.1", host);
        EXPECT_EQ(c.listener.port(), port);
        ASSERT_TRUE(c.client.GetSrcInfo(host, &port));
        EXPECT_STREQ("127.0.0.1", host);
        EXPECT_GT(port, 0);
        EXPECT_TRUE(c.client.IsMuchHost("127.0.0.1"));
        EXPECT_FALSE(c.client.IsMuchHost("127.0.0.2"));
    }
}

TEST(CSocketTest, ConnectOnAnOpenSocketKeepsTheConnection) {
    Connection c;
    const int fd = c.client.GetSocket();
    EXPECT_EQ(SOCK_ERR_ALREADY_OPEN, c.client.Connect("127.0.0.1", c.listener.port(), 1000));
    EXPECT_EQ(fd, c.client.GetSocket());
    EXPECT_EQ(3, c.client.Send("abc", 3, 0));
    EXPECT_EQ("abc", ReadExactly(c.server, 3));
}

TEST(CSocketTest, RefusedConnectReportsTheErrorAndStaysClosed) {
    for (int ms : {0, 1000}) {
        CSocketTCP s;
        EXPECT_EQ(SOCK_ERR_CONNECT, s.Connect("127.0.0.1", UnusedLoopbackPort(), ms)) << ms;
        EXPECT_EQ(ECONNREFUSED, s.GetErrorNo()) << ms;
        EXPECT_STREQ(strerror(ECONNREFUSED), s.GetErrorMsg());
        EXPECT_EQ(-1, s.GetSocket());
    }
}

TEST_F(FakeResolverTest, SecondAddressIsTriedWhenTheFirstRefuses) {
    LoopbackListener listener("127.0.0.1");
    gFakeAddresses = {"127.0.0.2", "127.0.0.1"};  // nothing listens on 127.0.0.2
    for (int ms : {0, 2000}) {
        CSocketTCP s;
        ASSERT_EQ(0, s.Connect("two.example", listener.port(), ms)) << ms;
        EXPECT_EQ(ECONNREFUSED, s.GetErrorNo());  // the first address's failure stays
        const int server = listener.Accept();
        ASSERT_GE(server, 0);
        close(server);
    }
}

TEST_F(FakeResolverTest, ResolverFailureAndEmptyList) {
    CSocketTCP s;
    gFakeError = EAI_NONAME;
    EXPECT_EQ(SOCK_ERR_GETADDRINFO, s.Connect("nowhere.invalid", 80, 1000));
    EXPECT_EQ(EAI_NONAME, s.GetErrorNo());
    EXPECT_STREQ(gai_strerror(EAI_NONAME), s.GetErrorMsg());
    gFakeError = 0;
    gFakeAddresses.clear();
    EXPECT_EQ(SOCK_ERR_CONNECT, s.Connect("empty.example", 80, 1000));
    EXPECT_EQ(-1, s.GetSocket());
}

TEST(CSocketTest, ConnectTimesOutWhenThePeerNeverAnswers) {
    // A listener whose accept queue is full drops further connection requests.
    LoopbackListener listener("127.0.0.1", 0);
    std::vector<CSocketTCP> fillers(2);
    for (auto& f : fillers) f.Connect("127.0.0.1", listener.port(), 100);
    CSocketTCP s;
    const auto begin = std::chrono::steady_clock::now();
    const int rc = s.Connect("127.0.0.1", listener.port(), 300);
    if (rc == 0) GTEST_SKIP() << "this kernel accepts beyond the backlog";
    EXPECT_EQ(SOCK_ERR_TIMEOUT, rc);
    EXPECT_STREQ("connect timed out.", s.GetErrorMsg());
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(290));
    EXPECT_EQ(-1, s.GetSocket());
}

TEST(CSocketTest, SendWritesPiecesOfAtMost1400Bytes) {
    int pair[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair));
    CSocketTCP s;
    s.SetSocket(pair[0]);
    std::string data(3000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    EXPECT_EQ(3000, s.Send(data.data(), 3000, 0));
    EXPECT_EQ(3000u, s.GetSendBytes());
    std::string received;
    for (int expected : {1400, 1400, 200}) {
        char piece[4096];
        const ssize_t n = recv(pair[1], piece, sizeof(piece), MSG_DONTWAIT);
        EXPECT_EQ(expected, n);  // one message per send call
        if (n > 0) received.append(piece, static_cast<size_t>(n));
    }
    EXPECT_EQ(data, received);
    close(pair[1]);
}

TEST(CSocketTest, SendReturnsThePartialCountWhenThePeerStopsReading) {
    Connection c;
    ASSERT_EQ(0, c.client.SetAsync(true));
    const std::string data(8 << 20, 'p');
    const int sent = c.client.Send(data.data(), static_cast<int>(data.size()), 0);
    ASSERT_GT(sent, 0);
    ASSERT_LT(sent, static_cast<int>(data.size()));
    EXPECT_EQ(static_cast<uint32_t>(sent), c.client.GetSendBytes());
    EXPECT_STREQ("No Error", c.client.GetErrorMsgSend());
    EXPECT_EQ(0, c.client.Send(data.data(), 1400, 0));  // still full
    c.client.Close();
    EXPECT_EQ(static_cast<size_t>(sent), ReadAll(c.server).size());  // every counted byte arrived
}

TEST(CSocketTest, SendAndRecvArguments) {
    CSocketTCP closed;
    char buffer[8];
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, closed.Send("x", 1, 0));
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, closed.Recv(buffer, 8, 0));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, closed.Recv(nullptr, 8, 0));
    Connection c;
    EXPECT_EQ(SOCK_ERR_BAD_ARG, c.client.Send(nullptr, 1, 0));
    EXPECT_EQ(0, c.client.Send("x", 0, 0));
    EXPECT_EQ(0, c.client.Send("x", -5, 0));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, c.client.Recv(buffer, -1, 0));
    EXPECT_EQ(0, c.client.Recv(buffer, 0, 0));
}

TEST(CSocketTest, RecvOnANonBlockingSocketAndAfterThePeerCloses) {
    Connection c;
    ASSERT_EQ(0, c.client.SetAsync(true));
    char buffer[16];
    EXPECT_EQ(0, c.client.Recv(buffer, sizeof(buffer), 0));
    EXPECT_EQ(0, c.client.GetErrorNoRecv());
    EXPECT_STREQ("No Error", c.client.GetErrorMsgRecv());

    ASSERT_EQ(5, send(c.server, "hello", 5, 0));
    ASSERT_EQ(0, c.client.CheckReceivable(5000));
    EXPECT_EQ(5, c.client.Recv(buffer, sizeof(buffer), 0));
    EXPECT_EQ(5u, c.client.GetRecvBytes());
    close(c.server);
    c.server = -1;
    ASSERT_EQ(0, c.client.CheckReceivable(5000));
    EXPECT_EQ(SOCK_ERR_CLOSED, c.client.Recv(buffer, sizeof(buffer), 0));
    EXPECT_STREQ("connection closed.", c.client.GetErrorMsgRecv());
    EXPECT_EQ(0, c.client.GetErrorNoRecv());  // a text-only failure keeps the number
}

TEST(CSocketTest, SendToAResetConnectionFailsWithoutKillingTheProcess) {
    Connection c;
    const linger reset{1, 0};
    setsockopt(c.server, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    close(c.server);
    c.server = -1;
    const std::string data(4096, 'r');
    int rc = 0;
    for (int i = 0; i < 50 && rc >= 0; ++i) {
        rc = c.client.Send(data.data(), static_cast<int>(data.size()), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(SOCK_ERR_SEND, rc);
    EXPECT_TRUE(c.client.GetErrorNoSend() == EPIPE || c.client.GetErrorNoSend() == ECONNRESET)
        << c.client.GetErrorNoSend();
}

TEST(CSocketTest, RecvSegFillsTheSegmentBufferUpToTheAskedSize) {
    Connection c;
    unsigned char segment[16];
    memset(segment, 'h', 10);  // 10 bytes already there
    ASSERT_EQ(0, c.client.SetRecvBuff(segment, sizeof(segment), 10));
    EXPECT_EQ(SOCK_ERR_TOO_LARGE, c.client.RecvSeg(17, 0));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, c.client.RecvSeg(-1, 0));
    EXPECT_EQ(1, c.client.RecvSeg(10, 0));  // already complete: no receive

    ASSERT_EQ(3, send(c.server, "abc", 3, 0));
    ASSERT_EQ(0, c.client.CheckReceivable(5000));
    EXPECT_EQ(0, c.client.RecvSeg(16, 0));  // 13 of 16
    ASSERT_EQ(7, send(c.server, "defWXYZ", 7, 0));
    ASSERT_EQ(0, c.client.CheckReceivable(5000));
    EXPECT_EQ(1, c.client.RecvSeg(16, 0));  // asked for at most the 3 missing bytes
    EXPECT_EQ(0, memcmp("hhhhhhhhhhabcdef", segment, 16));
    char rest[8];
    EXPECT_EQ(4, c.client.Recv(rest, sizeof(rest), 0));
    EXPECT_EQ(0, memcmp("WXYZ", rest, 4));
    EXPECT_EQ(10u, c.client.GetRecvBytes());  // 3 + 3 into the segment, 4 directly

    close(c.server);
    c.server = -1;
    ASSERT_EQ(0, c.client.SetRecvBuff(segment, sizeof(segment), 0));
    ASSERT_EQ(0, c.client.CheckReceivable(5000));
    EXPECT_EQ(SOCK_ERR_CLOSED, c.client.RecvSeg(4, 0));  // a receive failure passes through
}

TEST(CSocketTest, SegmentBufferArguments) {
    CSocketTCP s;
    unsigned char segment[8];
    EXPECT_EQ(SOCK_ERR_NO_RECV_BUFFER, s.RecvSeg(4, 0));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, s.SetRecvBuff(segment, -1, 0));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, s.SetRecvBuff(segment, 8, 9));   // filled beyond the capacity
    EXPECT_EQ(SOCK_ERR_BAD_ARG, s.SetRecvBuff(segment, 8, -1));  // would write before the buffer
    EXPECT_EQ(SOCK_ERR_BAD_ARG, s.SetRecvBuff(nullptr, 8, 0));
    ASSERT_EQ(0, s.SetRecvBuff(segment, 8, 0));
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, s.RecvSeg(4, 0));
    ASSERT_EQ(0, s.SetRecvBuff(nullptr, 0, 0));  // removed
    EXPECT_EQ(SOCK_ERR_NO_RECV_BUFFER, s.RecvSeg(4, 0));
}

TEST(CSocketTest, ReadinessWaitsTimeOutAndRefuseAClosedSocket) {
    Connection c;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(SOCK_ERR_TIMEOUT, c.client.CheckReceivable(150));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(145));
    EXPECT_STREQ("timed out.", c.client.GetErrorMsgRecv());
    EXPECT_EQ(0, c.client.GetErrorNoRecv());
    EXPECT_EQ(0, c.client.CheckSendable(0));
    EXPECT_EQ(0, c.client.CheckSendable(-1));

    CSocketTCP closed;
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, closed.CheckReceivable(-1));
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, closed.CheckSendable(-1));
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, closed.SetAsync(true));
}

TEST(CSocketTest, ShutdownDirectionsAndArguments) {
    CSocketTCP closed;
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, closed.Shutdown(2));
    Connection c;
    EXPECT_EQ(SOCK_ERR_BAD_ARG, c.client.Shutdown(3));
    EXPECT_EQ(SOCK_ERR_BAD_ARG, c.client.Shutdown(-1));
    ASSERT_EQ(0, c.client.Shutdown(0));  // sending direction: the peer reads the end
    EXPECT_EQ("", ReadAll(c.server));
    char byte;
    EXPECT_EQ(0, recv(c.server, &byte, 1, MSG_DONTWAIT));
    EXPECT_EQ(SOCK_ERR_SEND, c.client.Send("x", 1, 0));
    EXPECT_EQ(EPIPE, c.client.GetErrorNoSend());
    ASSERT_EQ(0, c.client.Shutdown(1));  // receiving direction
    EXPECT_EQ(SOCK_ERR_CLOSED, c.client.Recv(&byte, 1, 0));
}

TEST(CSocketTest, CloseGracefullyOrByReset) {
    const struct {
        int abort;
        bool reset;
    } cases[] = {{0, false}, {1, true}};
    for (const auto& k : cases) {
        Connection c;
        c.client.Close(k.abort);
        c.client.Close(k.abort);  // already closed: nothing
        EXPECT_EQ(-1, c.client.GetSocket());
        char byte;
        pollfd p{c.server, POLLIN, 0};
        ASSERT_EQ(1, poll(&p, 1, 5000));
        const ssize_t n = recv(c.server, &byte, 1, 0);
        if (k.reset) {
            EXPECT_EQ(-1, n);
            EXPECT_EQ(ECONNRESET, errno);
        } else {
            EXPECT_EQ(0, n);
        }
    }
}

TEST(CSocketTest, OptionsFailOnAClosedSocket) {
    CSocketTCP closed;
    Connection c;
    using Setter = int (*)(CSocket&);
    const Setter setters[] = {
        [](CSocket& s) { return s.SetSO_NOSIGPIPE(true); },
        [](CSocket& s) { return s.SetTCP_NODELAY(true); },
        [](CSocket& s) { return s.SetSO_SNDBUF(65536); },
        [](CSocket& s) { return s.SetSO_RCVBUF(65536); },
        [](CSocket& s) { return s.SetSO_KEEPALIVE(true); },
        [](CSocket& s) { return s.SetIP_TOS(0x10); },
        [](CSocket& s) { return s.SetSO_BROADCAST(false); },
    };
    for (size_t i = 0; i < std::size(setters); ++i) {
        EXPECT_EQ(SOCK_ERR_SETSOCKOPT, setters[i](closed)) << i;
        EXPECT_EQ(EBADF, closed.GetErrorNo()) << i;
        EXPECT_EQ(0, setters[i](c.client)) << i;
    }
    EXPECT_EQ(SIG_IGN, signal(SIGPIPE, SIG_IGN));
}

TEST(CSocketTest, ErrorSlots) {
    CSocketTCP s;
    s.SetErrorNo(ETIMEDOUT, SOCK_SLOT_SEND);
    EXPECT_EQ(ETIMEDOUT, s.GetErrorNoSend());
    EXPECT_STREQ(strerror(ETIMEDOUT), s.GetErrorMsgSend());
    s.SetErrorNo(99999, SOCK_SLOT_SEND);  // no text for it: unchanged
    EXPECT_EQ(ETIMEDOUT, s.GetErrorNoSend());
    s.SetErrorNo(EINTR, 3);  // no such slot
    EXPECT_EQ(0, s.GetErrorNo() + s.GetErrorNoRecv());
    s.Init();
    EXPECT_EQ(0, s.GetErrorNoSend());
    EXPECT_STREQ("No Error", s.GetErrorMsgSend());
}

TEST(CSocketTest, ListenAndAccept) {
    CSocketTCP server;
    ASSERT_EQ(0, server.Listen("127.0.0.1", 0));
    EXPECT_EQ(SOCK_ERR_ALREADY_OPEN, server.Listen("127.0.0.1", 0));
    char host[SOCK_HOST_TEXT_SIZE];
    int port = 0;
    ASSERT_TRUE(server.GetSrcInfo(host, &port));
    CSocketTCP client;
    ASSERT_EQ(0, client.Connect("127.0.0.1", port, 2000));
    int accepted = -1;
    EXPECT_FALSE(server.Accept(&accepted));  // false: success
    ASSERT_GE(accepted, 0);
    CSocketTCP peer;
    peer.SetSocket(accepted);
    EXPECT_EQ(2, client.Send("hi", 2, 0));
    char buffer[4];
    ASSERT_EQ(0, peer.CheckReceivable(5000));
    EXPECT_EQ(2, peer.Recv(buffer, sizeof(buffer), 0));

    CSocketTCP busy;
    EXPECT_EQ(SOCK_ERR_BIND, busy.Listen("127.0.0.1", port));
    EXPECT_EQ(EADDRINUSE, busy.GetErrorNo());
    EXPECT_EQ(-1, busy.GetSocket());
    CSocketTCP none;
    EXPECT_TRUE(none.Accept(&accepted));  // true: failed
}

TEST(CSocketTest, DatagramsCountPacketsAndRememberTheSender) {
    CSocketUDP receiver, sender;
    ASSERT_EQ(0, receiver.Open("127.0.0.1", 0));
    ASSERT_EQ(SOCK_ERR_ALREADY_OPEN, receiver.Open());
    ASSERT_EQ(0, sender.Open());
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    ASSERT_EQ(0, getsockname(receiver.GetSocket(), reinterpret_cast<sockaddr*>(&local), &length));
    const int port = ntohs(local.sin_port);
    EXPECT_EQ(5, sender.Send("hello", 5, 0, "127.0.0.1", port));
    EXPECT_EQ(3, sender.Send("abc", 3, 0, "127.0.0.1", port));
    EXPECT_EQ(2u, sender.GetSendPacketCount());
    EXPECT_EQ(8u, sender.GetSendBytes());

    char buffer[16];
    char host[SOCK_HOST_TEXT_SIZE];
    int from = 0;
    EXPECT_FALSE(receiver.GetDestInfo(host, &from));
    ASSERT_EQ(0, receiver.CheckReceivable(5000));
    EXPECT_EQ(5, receiver.Recv(buffer, sizeof(buffer), 0));
    EXPECT_EQ(3, receiver.Recv(buffer, sizeof(buffer), 0));
    EXPECT_EQ(2u, receiver.GetRecvPacketCount());
    EXPECT_EQ(8u, receiver.GetRecvBytes());
    ASSERT_TRUE(receiver.GetDestInfo(host, &from));
    EXPECT_STREQ("127.0.0.1", host);
    EXPECT_GT(from, 0);
    EXPECT_EQ(0, receiver.Recv(buffer, sizeof(buffer), MSG_DONTWAIT));
    receiver.Close();
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, receiver.Recv(buffer, sizeof(buffer), 0));
}

}  // namespace
