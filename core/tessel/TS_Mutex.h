// Plain (non-recursive) lock: a thread that locks a CMutex it already holds
// blocks for ever.
#pragma once

#include <pthread.h>

class CMutex {
public:
    CMutex();
    ~CMutex();
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    bool Lock();
    bool Unlock();

private:
    pthread_mutex_t m_mutex;
};

// Scope guard for a CMutex.
class CMutexLock {
public:
    explicit CMutexLock(CMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~CMutexLock() { m_mutex.Unlock(); }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

private:
    CMutex& m_mutex;
};
