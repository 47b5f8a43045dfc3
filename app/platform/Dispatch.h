#pragma once

// Work queues for the application half.
//
// - The main queue runs its tasks on the main (GUI) thread through the Qt event
//   loop. Tests can swap the event loop for a ManualDispatcher and run the
//   main queue's tasks by hand.
// - A serial queue runs its tasks one after another on a thread of its own.
// - The global queue runs tasks concurrently on a small pool of threads.
//
// `sync` blocks the caller until the task has run; called on the queue's own
// thread it runs the task inline instead of deadlocking.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QObject;

class DispatchQueue {
public:
    using Task = std::function<void()>;

    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;
    virtual ~DispatchQueue() = default;

    // A queue that runs one task at a time on its own thread. Tasks still
    // queued when the last reference goes away are run before the thread
    // ends; delayed tasks that are not yet due are dropped.
    static std::shared_ptr<DispatchQueue> createSerial(std::string label);
    // The process-wide concurrent queue.
    static DispatchQueue& global();

    virtual void async(Task task) = 0;
    virtual void sync(Task task) = 0;
    virtual void after(std::chrono::milliseconds delay, Task task) = 0;
    // True when the calling thread is running a task of this queue.
    virtual bool isCurrent() const = 0;

    const std::string& label() const { return label_; }

protected:
    explicit DispatchQueue(std::string label) : label_(std::move(label)) {}

private:
    std::string label_;
};

// How the main queue gets its tasks onto the main thread.
class MainDispatcher {
public:
    virtual ~MainDispatcher() = default;
    // False when the task cannot be queued (no application object yet).
    virtual bool post(DispatchQueue::Task task) = 0;
    virtual void postAfter(std::chrono::milliseconds delay, DispatchQueue::Task task) = 0;
    virtual bool isMainThread() const = 0;
};

class MainQueue final : public DispatchQueue {
public:
    using DispatchQueue::async;
    using DispatchQueue::after;

    void async(Task task) override;
    void sync(Task task) override;
    void after(std::chrono::milliseconds delay, Task task) override;
    bool isCurrent() const override;

    // The task is skipped when `context` has been destroyed by the time it
    // would run (the context must live on the main thread).
    void async(const QObject* context, Task task);
    void after(std::chrono::milliseconds delay, const QObject* context, Task task);

    // Replaces the Qt event loop (nullptr restores it); answers the previous one.
    MainDispatcher* setDispatcher(MainDispatcher* dispatcher);

private:
    friend MainQueue& mainQueue();
    MainQueue();
    MainDispatcher& dispatcher() const;
};

// The main queue, bound to the Qt event loop of the QCoreApplication.
MainQueue& mainQueue();

// Replaces the event loop for deterministic tests: main-queue tasks wait until
// the test runs them. The thread that creates it counts as the main thread.
class ManualDispatcher final : public MainDispatcher {
public:
    ManualDispatcher();
    ~ManualDispatcher() override;

    bool post(DispatchQueue::Task task) override;
    void postAfter(std::chrono::milliseconds delay, DispatchQueue::Task task) override;
    bool isMainThread() const override;

    // Runs queued tasks (also those they queue) until none is left; answers how many ran.
    int runPending();
    // Moves the manual clock forward, running delayed tasks as they fall due.
    int advance(std::chrono::milliseconds delta);
    // Waits up to `timeout` for a task posted from another thread, then runs
    // everything pending; answers how many ran.
    int waitAndRunPending(std::chrono::milliseconds timeout);
    std::size_t pendingCount() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Installs a ManualDispatcher for the lifetime of the object.
class ScopedManualDispatcher {
public:
    ScopedManualDispatcher() : previous_(mainQueue().setDispatcher(&dispatcher_)) {}
    ~ScopedManualDispatcher() { mainQueue().setDispatcher(previous_); }
    ScopedManualDispatcher(const ScopedManualDispatcher&) = delete;
    ScopedManualDispatcher& operator=(const ScopedManualDispatcher&) = delete;

    ManualDispatcher& operator*() { return dispatcher_; }
    ManualDispatcher* operator->() { return &dispatcher_; }

private:
    ManualDispatcher dispatcher_;
    MainDispatcher* previous_;
};
