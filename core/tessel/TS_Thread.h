// Worker threads of the core. Every core thread is created with one
// process-wide attribute object and starts with the wake-up signal SIGUSR2
// blocked; the socket waits unblock it only while they wait (see TS_Socket),
// so a wake-up sent just before a wait begins stays pending and ends that wait
// instead of being lost.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstddef>

using TS_THREAD = pthread_t;             // 0 is the empty handle
constexpr TS_THREAD TS_THREAD_NONE = 0;  // glibc never hands out 0
constexpr int TS_WAKEUP_SIGNAL = SIGUSR2;

bool ThreadInit();
bool ThreadTerm();
bool SetStackSize(size_t bytes);
size_t GetStackSize();
// The new thread's handle, or TS_THREAD_NONE when creation failed.
TS_THREAD CreateThread(void* (*fn)(void*), void* arg);
// With wake set, first sends the wake-up signal to the thread; then joins it.
bool JoinThread(TS_THREAD thread, bool wake);
TS_THREAD GetThreadId();
void _SignalHandlerThread(int signo);

class CThread {
public:
    CThread();
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // False when a thread already exists.
    virtual bool Start();
    // Clears the running flag, wakes the thread by signal when it was still
    // flagged to run, joins it and forgets the handle.
    virtual void Stop();

    bool IsContinue() const { return m_bContinue.load(std::memory_order_acquire); }
    void StopContinue() { m_bContinue.store(false, std::memory_order_release); }

protected:
    virtual void Run() = 0;

private:
    static void* _Thread(void* object);
    void Thread();

    std::atomic<bool> m_bContinue;
    TS_THREAD m_hThread;
};
