#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/ThreadTransferBuffer.h"
#include "tessel/TS_Common.h"

namespace {

void* Copy(const std::string& text) {
    void* data = __malloc__(text.size());
    memcpy(data, text.data(), text.size());
    return data;
}

// Records every delivery (and frees its data, which it now owns).
struct Recorder {
    CMutex mutex;
    std::vector<std::string> delivered;
    CEvent arrived;

    static void OnBuffer(void* data, int size, void* user) {
        auto* self = static_cast<Recorder*>(user);
        {
            CMutexLock lock(self->mutex);
            self->delivered.emplace_back(static_cast<char*>(data), static_cast<size_t>(size));
        }
        __free__(data);
        self->arrived.Notify();
    }
    std::vector<std::string> Snapshot() {
        CMutexLock lock(mutex);
        return delivered;
    }
    bool WaitFor(size_t count) {
        while (Snapshot().size() < count) {
            if (!arrived.Wait(5000)) return false;
        }
        return true;
    }
};

TEST(CThreadTransferBufferTest, PushIsRefusedWhileNotRunningAndTheCallerKeepsTheBuffer) {
    Recorder recorder;
    CThreadTransferBuffer transfer(Recorder::OnBuffer, &recorder);
    void* data = Copy("kept");
    EXPECT_FALSE(transfer.Push(data, 4));  // before Start
    ASSERT_TRUE(transfer.Start());
    EXPECT_FALSE(transfer.Start());
    transfer.Stop();
    EXPECT_FALSE(transfer.Push(data, 4));  // after Stop
    EXPECT_EQ(0, transfer.GetBufferCount());
    __free__(data);  // still ours: a double free here would mean the queue took it
    EXPECT_TRUE(recorder.Snapshot().empty());
}

TEST(CThreadTransferBufferTest, DeliversEachBufferInPushOrder) {
    Recorder recorder;
    CThreadTransferBuffer transfer(Recorder::OnBuffer, &recorder);
    ASSERT_TRUE(transfer.Start());
    const std::vector<std::string> texts = {"first", "2nd", std::string("thi\0rd", 6)};
    for (const auto& t : texts) ASSERT_TRUE(transfer.Push(Copy(t), static_cast<int>(t.size())));
    ASSERT_TRUE(recorder.WaitFor(3));
    EXPECT_EQ(texts, recorder.Snapshot());
}

TEST(CThreadTransferBufferTest, StopFinishesTheCurrentDeliveryAndFreesTheRest) {
    struct Blocking {
        CEvent entered, release;
        std::atomic<int> calls{0};
        static void OnBuffer(void* data, int, void* user) {
            auto* self = static_cast<Blocking*>(user);
            self->calls++;
            self->entered.Notify();
            self->release.Wait(-1);
            __free__(data);
        }
    } blocking;
    CThreadTransferBuffer transfer(Blocking::OnBuffer, &blocking);
    ASSERT_TRUE(transfer.Start());
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(transfer.Push(Copy("entry"), 5));
    ASSERT_TRUE(blocking.entered.Wait(5000));

    std::thread stopper([&] { transfer.Stop(); });
    while (transfer.IsContinue()) std::this_thread::yield();
    blocking.release.Notify();
    stopper.join();

    EXPECT_EQ(1, blocking.calls.load());
    EXPECT_EQ(0, transfer.GetBufferCount());  // the four others were freed (the leak check sees it)
}

TEST(CThreadTransferBufferTest, ClearWhileWaitingLeavesTheWorkerReady) {
    struct Gate {
        CEvent entered, release;
        Recorder recorder;
        static void OnBuffer(void* data, int size, void* user) {
            auto* self = static_cast<Gate*>(user);
            self->entered.Notify();
            self->release.Wait(-1);
            Recorder::OnBuffer(data, size, &self->recorder);
        }
    } gate;
    CThreadTransferBuffer transfer(Gate::OnBuffer, &gate);
    ASSERT_TRUE(transfer.Start());
    ASSERT_TRUE(transfer.Push(Copy("held"), 4));
    ASSERT_TRUE(gate.entered.Wait(5000));
    ASSERT_TRUE(transfer.Push(Copy("dropped1"), 8));
    ASSERT_TRUE(transfer.Push(Copy("dropped2"), 8));
    EXPECT_EQ(2, transfer.GetBufferCount());
    transfer.Clear();
    EXPECT_EQ(0, transfer.GetBufferCount());
    gate.release.Notify();
    ASSERT_TRUE(gate.recorder.WaitFor(1));

    gate.release.Notify();
    ASSERT_TRUE(transfer.Push(Copy("later"), 5));
    ASSERT_TRUE(gate.recorder.WaitFor(2));
    EXPECT_EQ((std::vector<std::string>{"held", "later"}), gate.recorder.Snapshot());
}

TEST(CThreadTransferBufferTest, CallbackMayPushOnTheSameObject) {
    struct Echo {
        CThreadTransferBuffer* transfer = nullptr;
        Recorder recorder;
        static void OnBuffer(void* data, int size, void* user) {
            auto* self = static_cast<Echo*>(user);
            if (size == 4) self->transfer->Push(Copy("echo!"), 5);
            Recorder::OnBuffer(data, size, &self->recorder);
        }
    } echo;
    CThreadTransferBuffer transfer(Echo::OnBuffer, &echo);
    echo.transfer = &transfer;
    ASSERT_TRUE(transfer.Start());
    ASSERT_TRUE(transfer.Push(Copy("ping"), 4));
    ASSERT_TRUE(echo.recorder.WaitFor(2));
    EXPECT_EQ((std::vector<std::string>{"ping", "echo!"}), echo.recorder.Snapshot());
}

TEST(CThreadTransferBufferTest, ConcurrentProducersKeepTheirOwnOrder) {
    Recorder recorder;
    CThreadTransferBuffer transfer(Recorder::OnBuffer, &recorder);
    ASSERT_TRUE(transfer.Start());
    constexpr int kProducers = 4, kEach = 200;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kEach; ++i) {
                const std::string text = std::to_string(p) + ":" + std::to_string(i);
                transfer.Push(Copy(text), static_cast<int>(text.size()));
            }
        });
    }
    for (auto& t : producers) t.join();
    ASSERT_TRUE(recorder.WaitFor(kProducers * kEach));
    int next[kProducers] = {};
    for (const auto& text : recorder.Snapshot()) {
        const int p = text[0] - '0';
        EXPECT_EQ(std::to_string(p) + ":" + std::to_string(next[p]), text);
        ++next[p];
    }
}

TEST(CThreadTransferBufferTest, PushRacingStopNeverLeavesABufferBehind) {
    for (int round = 0; round < 50; ++round) {
        Recorder recorder;
        CThreadTransferBuffer transfer(Recorder::OnBuffer, &recorder);
        ASSERT_TRUE(transfer.Start());
        std::thread producer([&] {
            for (int i = 0; i < 100; ++i) {
                void* data = Copy("x");
                if (!transfer.Push(data, 1)) __free__(data);
            }
        });
        transfer.Stop();
        producer.join();
        EXPECT_EQ(0, transfer.GetBufferCount());
    }
}

}  // namespace
