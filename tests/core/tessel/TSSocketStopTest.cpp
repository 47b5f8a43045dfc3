// Stopping a thread that waits on a socket: it must always end promptly,
// whenever the stop request arrives, and a socket closed under a waiting
// thread must wake it without handing it another descriptor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>

#include "LoopbackPeer.h"
#include "tessel/TS_Event.h"
#include "tessel/TS_Socket.h"
#include "tessel/TS_Thread.h"
#include "ThreadProbe.h"

namespace {

// The shape of a stream receive thread: wait without limit, then read.
class Receiver : public CThread {
public:
    explicit Receiver(CSocketTCP& socket) : m_socket(socket) {}
    ~Receiver() override { Stop(); }

    std::atomic<int> tid{0};
    std::atomic<int> lastResult{1};
    CEvent flagTested;       // notified each time the loop passed its flag test
    CEvent* gate = nullptr;  // when set, the loop waits here before the socket wait

protected:
    void Run() override {
        tid = static_cast<int>(gettid());
        while (IsContinue()) {
            flagTested.Notify();
            if (gate != nullptr) gate->Wait(-1);
            int rc = m_socket.CheckReceivable(-1);
            if (rc == 0) {
                char buffer[256];
                rc = m_socket.Recv(buffer, sizeof(buffer), 0);
            }
            lastResult = rc;
            if (rc == SOCK_ERR_NO_SOCKET || rc == SOCK_ERR_CLOSED) break;
        }
    }

private:
    CSocketTCP& m_socket;
};

struct Connected {
    LoopbackListener listener;
    CSocketTCP client;
    int server = -1;
    Connected() {
        EXPECT_EQ(0, client.Connect("127.0.0.1", listener.port(), 5000));
        server = listener.Accept();
    }
    ~Connected() {
        if (server >= 0) close(server);
    }
};

TEST(SocketStopTest, WakeupSentJustBeforeTheWaitBeginsIsNotLost) {
    Connected c;
    Receiver receiver(c.client);
    CEvent gate;
    receiver.gate = &gate;
    ASSERT_TRUE(receiver.Start());
    ASSERT_TRUE(receiver.flagTested.Wait(5000));  // flag tested, not yet waiting
    ASSERT_TRUE(WaitUntil([&] { return receiver.tid.load() != 0; }));

    auto stopped = std::async(std::launch::async, [&] { receiver.Stop(); });
    EXPECT_TRUE(WaitUntil([&] { return WakeupPending(receiver.tid); })) << "the wake-up was not held back";
    gate.Notify();  // only now does the thread enter its socket wait
    const bool prompt = stopped.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    EXPECT_TRUE(prompt) << "the wake-up was lost";
    if (!prompt) c.client.Shutdown(2);  // release the thread so the test can end
    stopped.wait();
    EXPECT_EQ(SOCK_ERR_SELECT, receiver.lastResult.load());
    EXPECT_EQ(EINTR, c.client.GetErrorNoRecv());
}

TEST(SocketStopTest, ClosingTheSocketUnderAWaitingThreadWakesIt) {
    Connected c;
    Receiver receiver(c.client);
    ASSERT_TRUE(receiver.Start());
    ASSERT_TRUE(WaitUntil([&] { return receiver.tid.load() != 0 && InPoll(receiver.tid); }));
    const int fd = c.client.GetSocket();

    c.client.Close();
    EXPECT_EQ(-1, c.client.GetSocket());
    ASSERT_TRUE(WaitUntil([&] { return receiver.lastResult.load() <= 0; }));
    // It woke to the shut-down connection, then found the socket closed.
    EXPECT_EQ(SOCK_ERR_NO_SOCKET, receiver.lastResult.load());
    receiver.Stop();
    EXPECT_EQ(-1, fcntl(fd, F_GETFD));  // released by the last user
    char byte;
    EXPECT_EQ(0, recv(c.server, &byte, 1, 0));  // the peer saw the end
}

TEST(SocketStopTest, ManyStartStopCyclesEachJoinPromptly) {
    Connected c;
    Receiver receiver(c.client);
    auto slowest = Clock::duration::zero();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(receiver.Start());
        switch (i % 4) {
            case 0:
                break;  // stop at once, possibly before Run began
            case 1:
                receiver.flagTested.Wait(5000);
                break;
            case 2:
                WaitUntil([&] { return receiver.tid.load() != 0 && InPoll(receiver.tid); });
                break;
            case 3:
                std::this_thread::yield();
                break;
        }
        const auto begin = Clock::now();
        receiver.Stop();
        slowest = std::max(slowest, Clock::now() - begin);
        receiver.tid = 0;
        while (receiver.flagTested.Wait(0)) {
        }
    }
    EXPECT_LT(slowest, std::chrono::seconds(2));
    // The socket still works afterwards.
    EXPECT_EQ(4, c.client.Send("done", 4, 0));
    EXPECT_EQ("done", ReadExactly(c.server, 4));
}

}  // namespace

namespace {

// One sending and one receiving thread on the same connected socket, as the
// stream threads use it, while a third thread reads the counters.
TEST(SocketStopTest, SendAndReceiveThreadsShareOneSocket) {
    Connected c;
    ASSERT_EQ(0, c.client.SetAsync(true));
    constexpr int kBytes = 1 << 20;
    std::thread echo([&] {  // the peer sends back everything it gets
        char buffer[65536];
        int total = 0;
        while (total < kBytes && quorix::test::WaitReadable(c.server, 5000) == 1) {
            const ssize_t n = recv(c.server, buffer, sizeof(buffer), 0);
            if (n <= 0 || !quorix::test::WriteAll(c.server, buffer, static_cast<size_t>(n))) break;
            total += static_cast<int>(n);
        }
    });
    std::thread sender([&] {
        const std::string block(4000, 's');
        int sent = 0;
        while (sent < kBytes) {
            if (c.client.CheckSendable(5000) != 0) break;
            const int n = c.client.Send(block.data(), std::min<int>(4000, kBytes - sent), 0);
            if (n < 0) break;
            sent += n;
        }
    });
    int received = 0;
    uint32_t observed = 0;
    char buffer[65536];
    while (received < kBytes && c.client.CheckReceivable(5000) == 0) {
        const int n = c.client.Recv(buffer, sizeof(buffer), 0);
        if (n < 0) break;
        received += n;
        observed = c.client.GetSendBytes();
    }
    sender.join();
    echo.join();
    EXPECT_EQ(kBytes, received);
    EXPECT_EQ(static_cast<uint32_t>(kBytes), c.client.GetSendBytes());
    EXPECT_EQ(static_cast<uint32_t>(kBytes), c.client.GetRecvBytes());
    EXPECT_LE(observed, static_cast<uint32_t>(kBytes));
}

}  // namespace
