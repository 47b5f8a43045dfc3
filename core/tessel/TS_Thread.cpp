#include "tessel/TS_Thread.h"

#include <signal.h>

namespace {
pthread_attr_t gPthreadAttr;
bool gPthreadAttrReady = false;

void InstallWakeupHandler() {
    struct sigaction sa {};
    sa.sa_handler = _SignalHandlerThread;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(TS_WAKEUP_SIGNAL, &sa, nullptr);
}
}  // namespace

bool ThreadInit() {
    if (gPthreadAttrReady) return true;
    gPthreadAttrReady = pthread_attr_init(&gPthreadAttr) == 0;
    return gPthreadAttrReady;
}

bool ThreadTerm() {
    if (!gPthreadAttrReady) return false;
    gPthreadAttrReady = false;
    return pthread_attr_destroy(&gPthreadAttr) == 0;
}

bool SetStackSize(size_t bytes) {
    return gPthreadAttrReady && pthread_attr_setstacksize(&gPthreadAttr, bytes) == 0;
}

size_t GetStackSize() {
    size_t bytes = 0;
    if (!gPthreadAttrReady || pthread_attr_getstacksize(&gPthreadAttr, &bytes) != 0) return 0;
    return bytes;
}

void _SignalHandlerThread(int) {}

TS_THREAD CreateThread(void* (*fn)(void*), void* arg) {
    // The new thread inherits the creator's signal mask: create it with the
    // wake-up signal blocked, then restore the creator's mask.
    sigset_t wake, previous;
    sigemptyset(&wake);
    sigaddset(&wake, TS_WAKEUP_SIGNAL);
    pthread_sigmask(SIG_BLOCK, &wake, &previous);
    pthread_t thread;
    const int rc = pthread_create(&thread, gPthreadAttrReady ? &gPthreadAttr : nullptr, fn, arg);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (rc != 0) return TS_THREAD_NONE;
    InstallWakeupHandler();
    return thread;
}

bool JoinThread(TS_THREAD thread, bool wake) {
    if (thread == TS_THREAD_NONE) return false;
    if (wake) pthread_kill(thread, TS_WAKEUP_SIGNAL);
    return pthread_join(thread, nullptr) == 0;
}

TS_THREAD GetThreadId() {
    return pthread_self();
}

CThread::CThread() : m_bContinue(false), m_hThread(TS_THREAD_NONE) {}

CThread::~CThread() {
    CThread::Stop();
}

bool CThread::Start() {
    if (m_hThread != TS_THREAD_NONE) return false;
    m_bContinue.store(true, std::memory_order_release);
    m_hThread = CreateThread(_Thread, this);
    if (m_hThread == TS_THREAD_NONE) {
        m_bContinue.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void CThread::Stop() {
    if (m_hThread == TS_THREAD_NONE) return;
    const bool wasRunning = m_bContinue.exchange(false, std::memory_order_acq_rel);
    JoinThread(m_hThread, wasRunning);
    m_hThread = TS_THREAD_NONE;
}

void* CThread::_Thread(void* object) {
    static_cast<CThread*>(object)->Thread();
    return nullptr;
}

void CThread::Thread() {
    Run();
}
