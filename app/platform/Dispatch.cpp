#include "platform/Dispatch.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------
// Worker queues: one shared state, served by one thread (serial) or several
// (global). The state outlives the queue object while its threads run, so a
// queue may drop its last reference from inside one of its own tasks.

struct WorkerState {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<DispatchQueue::Task> ready;
    std::multimap<Clock::time_point, DispatchQueue::Task> delayed;
    bool stopping = false;
};

thread_local const WorkerState* tCurrentWorker = nullptr;

void workerLoop(const std::shared_ptr<WorkerState>& state) {
    tCurrentWorker = state.get();
    std::unique_lock lock(state->mutex);
    for (;;) {
        auto now = Clock::now();
        while (!state->delayed.empty() && state->delayed.begin()->first <= now) {
            state->ready.push_back(std::move(state->delayed.begin()->second));
            state->delayed.erase(state->delayed.begin());
        }
        if (!state->ready.empty()) {
            DispatchQueue::Task task = std::move(state->ready.front());
            state->ready.pop_front();
            lock.unlock();
            task();
            task = nullptr;  // release captures outside the lock
            lock.lock();
            continue;
        }
        if (state->stopping) {
            break;
        }
        if (state->delayed.empty()) {
            state->wake.wait(lock);
        } else {
            state->wake.wait_until(lock, state->delayed.begin()->first);
        }
    }
    tCurrentWorker = nullptr;
}

class WorkerQueue final : public DispatchQueue {
public:
    WorkerQueue(std::string label, int threadCount)
        : DispatchQueue(std::move(label)), state_(std::make_shared<WorkerState>()) {
        for (int i = 0; i < threadCount; ++i) {
            threads_.emplace_back([state = state_, name = this->label()] {
                pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
                workerLoop(state);
            });
        }
    }

    ~WorkerQueue() override {
        {
            std::lock_guard lock(state_->mutex);
            state_->stopping = true;
            state_->delayed.clear();
        }
        state_->wake.notify_all();
        for (auto& thread : threads_) {
            if (thread.get_id() == std::this_thread::get_id()) {
                thread.detach();  // released from one of its own tasks
            } else {
                thread.join();
            }
        }
    }

    void async(Task task) override {
        // The task may release the last reference to this queue as soon as it
        // is queued; only the shared state is touched after that.
        const auto state = state_;
        {
            std::lock_guard lock(state->mutex);
            state->ready.push_back(std::move(task));
        }
        state->wake.notify_one();
    }

    void sync(Task task) override {
        if (isCurrent()) {
            task();
            return;
        }
        std::promise<void> done;
        auto finished = done.get_future();
        async([&] {
            task();
            done.set_value();
        });
        finished.wait();
    }

    void after(std::chrono::milliseconds delay, Task task) override {
        const auto state = state_;
        {
            std::lock_guard lock(state->mutex);
            state->delayed.emplace(Clock::now() + delay, std::move(task));
        }
        state->wake.notify_all();
    }

    bool isCurrent() const override { return tCurrentWorker == state_.get(); }

private:
    std::shared_ptr<WorkerState> state_;
    std::vector<std::thread> threads_;
};

// ---------------------------------------------------------------------------
// The Qt event loop as the main queue's dispatcher.

bool isProcessMainThread() { return static_cast<pid_t>(syscall(SYS_gettid)) == getpid(); }

class QtMainDispatcher final : public MainDispatcher {
public:
    bool post(DispatchQueue::Task task) override {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) {
            qWarning("main queue: no application object; task dropped");
            return false;
        }
        QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
        return true;
    }

    void postAfter(std::chrono::milliseconds delay, DispatchQueue::Task task) override {
        auto start = [delay, task = std::move(task)]() mutable {
            QTimer::singleShot(delay, QCoreApplication::instance(), std::move(task));
        };
        if (isMainThread()) {
            start();
        } else {
            post(std::move(start));
        }
    }

    bool isMainThread() const override {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) {
            return isProcessMainThread();
        }
        return QThread::currentThread() == app->thread();
    }
};

QtMainDispatcher& qtDispatcher() {
    static QtMainDispatcher dispatcher;
    return dispatcher;
}

std::atomic<MainDispatcher*> gMainDispatcher{nullptr};

}  // namespace

// ---------------------------------------------------------------------------

std::shared_ptr<DispatchQueue> DispatchQueue::createSerial(std::string label) {
    return std::make_shared<WorkerQueue>(std::move(label), 1);
}

DispatchQueue& DispatchQueue::global() {
    // Never destroyed: tasks may still be running when static objects go away.
    static auto* queue = new WorkerQueue("global_queue", std::max(2u, std::thread::hardware_concurrency()));
    return *queue;
}

MainQueue::MainQueue() : DispatchQueue("main_queue") {}

MainQueue& mainQueue() {
    static MainQueue queue;
    return queue;
}

MainDispatcher& MainQueue::dispatcher() const {
    MainDispatcher* dispatcher = gMainDispatcher.load();
    return dispatcher != nullptr ? *dispatcher : qtDispatcher();
}

MainDispatcher* MainQueue::setDispatcher(MainDispatcher* dispatcher) {
    return gMainDispatcher.exchange(dispatcher);
}

void MainQueue::async(Task task) { dispatcher().post(std::move(task)); }

void MainQueue::sync(Task task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    const bool queued = dispatcher().post([&] {
        task();
        done.set_value();
    });
    if (!queued) {
        task();  // no event loop to wait for: waiting would never end
        return;
    }
    finished.wait();
}

void MainQueue::after(std::chrono::milliseconds delay, Task task) {
    dispatcher().postAfter(delay, std::move(task));
}

bool MainQueue::isCurrent() const { return dispatcher().isMainThread(); }

void MainQueue::async(const QObject* context, Task task) {
    async([guard = QPointer<const QObject>(context), task = std::move(task)] {
        if (guard) {
            task();
        }
    });
}

void MainQueue::after(std::chrono::milliseconds delay, const QObject* context, Task task) {
    after(delay, [guard = QPointer<const QObject>(context), task = std::move(task)] {
        if (guard) {
            task();
        }
    });
}

// ---------------------------------------------------------------------------

struct ManualDispatcher::State {
    mutable std::mutex mutex;
    std::condition_variable posted;
    std::deque<DispatchQueue::Task> ready;
    std::multimap<std::chrono::milliseconds, DispatchQueue::Task> delayed;
    std::chrono::milliseconds now{0};
    std::thread::id mainThread = std::this_thread::get_id();
};

ManualDispatcher::ManualDispatcher() : state_(std::make_unique<State>()) {}

ManualDispatcher::~ManualDispatcher() = default;

bool ManualDispatcher::post(DispatchQueue::Task task) {
    {
        std::lock_guard lock(state_->mutex);
        state_->ready.push_back(std::move(task));
    }
    state_->posted.notify_all();
    return true;
}

void ManualDispatcher::postAfter(std::chrono::milliseconds delay, DispatchQueue::Task task) {
    std::lock_guard lock(state_->mutex);
    state_->delayed.emplace(state_->now + delay, std::move(task));
}

bool ManualDispatcher::isMainThread() const { return std::this_thread::get_id() == state_->mainThread; }

int ManualDispatcher::runPending() {
    int count = 0;
    for (;;) {
        DispatchQueue::Task task;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->ready.empty()) {
                return count;
            }
            task = std::move(state_->ready.front());
            state_->ready.pop_front();
        }
        task();
        ++count;
    }
}

int ManualDispatcher::advance(std::chrono::milliseconds delta) {
    int count = runPending();
    std::chrono::milliseconds target;
    {
        std::lock_guard lock(state_->mutex);
        target = state_->now + delta;
    }
    for (;;) {
        DispatchQueue::Task task;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->delayed.empty() || state_->delayed.begin()->first > target) {
                state_->now = target;
                break;
            }
            state_->now = state_->delayed.begin()->first;
            task = std::move(state_->delayed.begin()->second);
            state_->delayed.erase(state_->delayed.begin());
        }
        task();
        ++count;
        count += runPending();
    }
    return count;
}

int ManualDispatcher::waitAndRunPending(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(state_->mutex);
        state_->posted.wait_for(lock, timeout, [this] { return !state_->ready.empty(); });
    }
    return runPending();
}

std::size_t ManualDispatcher::pendingCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->ready.size() + state_->delayed.size();
}
