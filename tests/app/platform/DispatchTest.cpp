#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <atomic>
#include <future>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"

using namespace std::chrono_literals;

namespace {

// Spins the Qt event loop until `done` or the time-out.
bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class MainQueueTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }
};

}  // namespace

TEST_F(MainQueueTest, TasksFromOtherThreadsRunOnTheMainThreadInOrder) {
    std::vector<int> order;
    std::atomic<bool> allOnMain{true};
    const auto mainThread = std::this_thread::get_id();
    std::thread poster([&] {
        EXPECT_FALSE(mainQueue().isCurrent());
        for (int i = 0; i < 5; ++i) {
            mainQueue().async([&, i] {
                allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
                order.push_back(i);
            });
        }
    });
    poster.join();
    EXPECT_TRUE(mainQueue().isCurrent());
    ASSERT_TRUE(processEventsUntil([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(allOnMain);
}

TEST_F(MainQueueTest, SyncRunsInlineOnTheMainThreadAndWaitsElsewhere) {
    bool ranInline = false;
    mainQueue().sync([&] { ranInline = true; });
    EXPECT_TRUE(ranInline);

    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> returned{false};
    const auto mainThread = std::this_thread::get_id();
    std::thread caller([&] {
        mainQueue().sync([&] { ranOnMain = std::this_thread::get_id() == mainThread; });
        returned = true;
    });
    ASSERT_TRUE(processEventsUntil([&] { return returned.load(); }));
    caller.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(MainQueueTest, AfterWaitsForItsDelayAlsoWhenPostedFromAnotherThread) {
    QElapsedTimer timer;
    timer.start();
    std::atomic<qint64> firedAt{-1};
    std::thread([&] { mainQueue().after(60ms, [&] { firedAt = timer.elapsed(); }); }).join();
    ASSERT_TRUE(processEventsUntil([&] { return firedAt >= 0; }));
    EXPECT_GE(firedAt.load(), 55);
}

TEST_F(MainQueueTest, TaskWithDestroyedContextIsSkipped) {
    ScopedManualDispatcher manual;
    int runs = 0;
    auto context = std::make_unique<QObject>();
    mainQueue().async(context.get(), [&] { ++runs; });
    mainQueue().after(10ms, context.get(), [&] { ++runs; });
    auto living = std::make_unique<QObject>();
    mainQueue().async(living.get(), [&] { runs += 10; });
    context.reset();
    manual->advance(20ms);
    EXPECT_EQ(runs, 10);
}

TEST(ManualDispatcherTest, RunsTasksOnlyWhenAskedAndDelayedOnesInDueOrder) {
    ScopedManualDispatcher manual;
    std::vector<std::string> log;
    mainQueue().after(30ms, [&] { log.push_back("30"); });
    mainQueue().after(10ms, [&] {
        log.push_back("10");
        mainQueue().async([&] { log.push_back("posted by 10"); });
    });
    mainQueue().async([&] { log.push_back("now"); });
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(manual->pendingCount(), 3u);

    EXPECT_EQ(manual->advance(9ms), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"now"}));
    manual->advance(1ms);
    EXPECT_EQ(log, (std::vector<std::string>{"now", "10", "posted by 10"}));
    manual->advance(100ms);
    EXPECT_EQ(log.back(), "30");
    EXPECT_EQ(manual->pendingCount(), 0u);
}

TEST(ManualDispatcherTest, SyncFromAnotherThreadWaitsForTheTestToRunIt) {
    ScopedManualDispatcher manual;
    std::atomic<bool> returned{false};
    int value = 0;
    std::thread caller([&] {
        mainQueue().sync([&] { value = 42; });
        returned = true;
    });
    while (manual->waitAndRunPending(5000ms) == 0) {
    }
    caller.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(value, 42);
}

TEST(SerialQueueTest, RunsTasksOneAtATimeInOrderOnItsOwnThread) {
    auto queue = DispatchQueue::createSerial("test_serial");
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> onCallerThread{false};
    const auto caller = std::this_thread::get_id();
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                queue->async([&, t, i] {
                    overlapped = overlapped || inside.fetch_add(1) != 0;
                    onCallerThread = onCallerThread || std::this_thread::get_id() == caller;
                    order.push_back(t * 1000 + i);
                    inside.fetch_sub(1);
                });
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    queue->sync([] {});
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(onCallerThread);
    ASSERT_EQ(order.size(), 200u);
    // Each poster's tasks keep their order.
    std::vector<int> last(4, -1);
    for (int entry : order) {
        EXPECT_GT(entry % 1000, last[entry / 1000]);
        last[entry / 1000] = entry % 1000;
    }
}

TEST(SerialQueueTest, SyncFromItsOwnTaskRunsInlineInsteadOfDeadlocking) {
    auto queue = DispatchQueue::createSerial("test_reentrant");
    std::vector<int> order;
    queue->sync([&] {
        EXPECT_TRUE(queue->isCurrent());
        order.push_back(1);
        queue->sync([&] { order.push_back(2); });
        order.push_back(3);
    });
    EXPECT_FALSE(queue->isCurrent());
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(SerialQueueTest, DelayedTaskRunsAfterLaterImmediateOnes) {
    auto queue = DispatchQueue::createSerial("test_after");
    std::promise<void> done;
    std::vector<int> order;
    queue->after(40ms, [&] {
        order.push_back(2);
        done.set_value();
    });
    queue->async([&] { order.push_back(1); });
    ASSERT_EQ(done.get_future().wait_for(5s), std::future_status::ready);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(SerialQueueTest, ADelayedTaskAloneOnAnIdleQueueRunsOnTime) {
    // Nothing else is queued: only the delayed task's own wake-up makes the
    // idle worker look at its deadline.
    auto queue = DispatchQueue::createSerial("test_idle_after");
    queue->sync([] {});  // the worker has started and has nothing to do
    QElapsedTimer timer;
    timer.start();
    std::promise<qint64> ranAt;
    queue->after(50ms, [&] { ranAt.set_value(timer.elapsed()); });
    auto future = ranAt.get_future();
    ASSERT_EQ(future.wait_for(10s), std::future_status::ready) << "the delayed task never ran";
    EXPECT_GE(future.get(), 50);
}

TEST(SerialQueueTest, ReleasingTheQueueRunsWhatIsQueuedAndMayHappenInsideATask) {
    std::atomic<int> runs{0};
    {
        auto queue = DispatchQueue::createSerial("test_release");
        queue->async([] { std::this_thread::sleep_for(20ms); });
        for (int i = 0; i < 10; ++i) {
            queue->async([&] { ++runs; });
        }
    }
    EXPECT_EQ(runs.load(), 10);

    std::promise<void> released;
    auto queue = DispatchQueue::createSerial("test_self_release");
    auto* raw = queue.get();
    raw->async([queue = std::move(queue), &released]() mutable {
        queue.reset();  // the last reference goes away on the queue's own thread
        released.set_value();
    });
    EXPECT_EQ(released.get_future().wait_for(5s), std::future_status::ready);
}

TEST(GlobalQueueTest, RunsTasksConcurrently) {
    // Two tasks that each wait for the other only finish when they run at the same time.
    std::latch both(2);
    std::promise<void> first, second;
    DispatchQueue::global().async([&] {
        both.arrive_and_wait();
        first.set_value();
    });
    DispatchQueue::global().async([&] {
        both.arrive_and_wait();
        second.set_value();
    });
    EXPECT_EQ(first.get_future().wait_for(5s), std::future_status::ready);
    EXPECT_EQ(second.get_future().wait_for(5s), std::future_status::ready);
}
