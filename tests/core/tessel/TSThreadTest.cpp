#include "tessel/TS_Thread.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "tessel/TS_Event.h"
#include "tessel/TS_Mutex.h"
#include "ThreadProbe.h"

namespace {

// A worker that blocks in a readiness wait on a pipe with the wake-up signal
// unblocked only during the wait, counting the waits the signal interrupted.
class PipeWaiter : public CThread {
public:
    PipeWaiter() { EXPECT_EQ(0, pipe(m_fds)); }
    ~PipeWaiter() override {
        Stop();
        close(m_fds[0]);
        close(m_fds[1]);
    }
    void Poke() { ASSERT_EQ(1, write(m_fds[1], "x", 1)); }

    CEvent started;
    std::atomic<int> interrupted{0};
    std::atomic<int> runs{0};
    std::atomic<int> tid{0};

protected:
    void Run() override {
        tid = static_cast<int>(gettid());
        runs++;
        started.Notify();
        sigset_t mask;
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        sigdelset(&mask, TS_WAKEUP_SIGNAL);
        while (IsContinue()) {
            pollfd p{m_fds[0], POLLIN, 0};
            const int rc = ppoll(&p, 1, nullptr, &mask);
            if (rc < 0 && errno == EINTR) interrupted++;
            if (rc > 0) {
                char c;
                (void)!read(m_fds[0], &c, 1);
            }
        }
    }

private:
    int m_fds[2];
};

TEST(CThreadTest, StartRefusesASecondThreadAndStopWithoutThreadDoesNothing) {
    PipeWaiter worker;
    worker.Stop();  // never started
    EXPECT_FALSE(worker.IsContinue());
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.IsContinue());
    EXPECT_FALSE(worker.Start());
    ASSERT_TRUE(worker.started.Wait(5000));
    worker.Stop();
    EXPECT_FALSE(worker.IsContinue());
    EXPECT_EQ(1, worker.runs.load());
}

TEST(CThreadTest, StopWakesTheBlockedThreadBySignalUnlessAlreadyToldToStop) {
    const struct {
        bool stopContinueFirst;
        int expectedInterrupts;
    } cases[] = {{false, 1}, {true, 0}};
    for (const auto& c : cases) {
        PipeWaiter worker;
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(worker.started.Wait(5000));
        ASSERT_TRUE(WaitUntil([&] { return InPoll(worker.tid); }));  // blocked in its wait
        if (c.stopContinueFirst) {
            worker.StopContinue();
            worker.Poke();  // the owner's own wake-up instead of the signal
        }
        worker.Stop();
        EXPECT_EQ(c.expectedInterrupts, worker.interrupted.load()) << c.stopContinueFirst;
    }
}

TEST(CThreadTest, AStoppedThreadCanBeStartedAgainAndTheDestructorJoins) {
    {
        PipeWaiter worker;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(worker.Start());
            ASSERT_TRUE(worker.started.Wait(5000));
            worker.Stop();
        }
        EXPECT_EQ(3, worker.runs.load());
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(worker.started.Wait(5000));
    }  // destroyed while running: stopped and joined
}

TEST(CThreadTest, ThreadsStartWithTheWakeupSignalBlocked) {
    std::atomic<int> blocked{-1};
    TS_THREAD t = CreateThread(
        [](void* arg) -> void* {
            sigset_t mask;
            pthread_sigmask(SIG_SETMASK, nullptr, &mask);
            static_cast<std::atomic<int>*>(arg)->store(sigismember(&mask, TS_WAKEUP_SIGNAL));
            return nullptr;
        },
        &blocked);
    ASSERT_NE(TS_THREAD_NONE, t);
    ASSERT_TRUE(JoinThread(t, false));
    EXPECT_EQ(1, blocked.load());
    // The creator's own mask is untouched.
    sigset_t mine;
    pthread_sigmask(SIG_SETMASK, nullptr, &mine);
    EXPECT_EQ(0, sigismember(&mine, TS_WAKEUP_SIGNAL));
    EXPECT_FALSE(JoinThread(TS_THREAD_NONE, false));
}

TEST(CThreadTest, StackSizeOfTheSharedAttributes) {
    ASSERT_TRUE(ThreadInit());
    const size_t original = GetStackSize();
    EXPECT_GT(original, 0u);
    ASSERT_TRUE(SetStackSize(1 << 20));
    EXPECT_EQ(static_cast<size_t>(1 << 20), GetStackSize());
    EXPECT_FALSE(SetStackSize(1));  // below the platform minimum
    ASSERT_TRUE(SetStackSize(original));
}

TEST(CEventTest, NotificationsAreCounted) {
    CEvent event;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(event.Notify());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(event.Wait(0)) << i;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(0));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(500));
}

TEST(CEventTest, WaitBlocksUntilNotifiedOrTimedOut) {
    CEvent event;
    auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(100));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(100));

    struct Notifier : CThread {
        CEvent* target;
        void Run() override {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            target->Notify();
        }
    } notifier;
    notifier.target = &event;
    begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(notifier.Start());
    EXPECT_TRUE(event.Wait(-1));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(90));
    notifier.Stop();
}

TEST(CEventTest, UninitialisedOrTerminatedEventRefusesAtOnce) {
    CEvent event;
    EXPECT_FALSE(event.Init());  // the constructor did it
    event.Term();
    event.Term();
    EXPECT_FALSE(event.Notify());
    EXPECT_FALSE(event.Wait(-1));
    EXPECT_FALSE(event.Wait(5000));
    EXPECT_TRUE(event.Init());
    EXPECT_TRUE(event.Notify());
    EXPECT_TRUE(event.Wait(0));
}

TEST(CEventTest, DeadlineCarriesMillisecondsIntoSeconds) {
    const struct {
        time_t sec;
        long nsec;
        int ms;
        time_t wantSec;
        long wantNsec;
    } cases[] = {
        {100, 999999000, 1500, 102, 499999000}, {100, 0, 0, 100, 0},
        {100, 500000000, 500, 101, 0},          {100, 1000, 999, 100, 999001000},
        {100, 999999999, 1, 101, 999999},       {100, 0, 2000000000, 2000100, 0},
    };
    for (const auto& c : cases) {
        const timespec d = TS_DeadlineAfter(timespec{c.sec, c.nsec}, c.ms);
        EXPECT_EQ(c.wantSec, d.tv_sec) << c.ms;
        EXPECT_EQ(c.wantNsec, d.tv_nsec) << c.ms;
    }
}

TEST(CMutexTest, SerialisesThreads) {
    CMutex mutex;
    long counter = 0;
    struct Adder : CThread {
        CMutex* mutex;
        long* counter;
        void Run() override {
            for (int i = 0; i < 10000; ++i) {
                CMutexLock lock(*mutex);
                ++*counter;
            }
        }
    } adders[4];
    for (auto& a : adders) {
        a.mutex = &mutex;
        a.counter = &counter;
        ASSERT_TRUE(a.Start());
    }
    for (auto& a : adders) a.Stop();
    EXPECT_EQ(40000, counter);
    EXPECT_TRUE(mutex.Lock());
    EXPECT_TRUE(mutex.Unlock());
}

}  // namespace
