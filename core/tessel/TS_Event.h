// Counting event: a Notify that comes while nobody waits stays counted and
// satisfies the next Wait at once.
#pragma once

#include <pthread.h>
#include <time.h>

#include <cstdint>

class CEvent {
public:
    CEvent();
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // True only when this call created the mutex and condition.
    bool Init();
    void Term();
    // Adds one notification and wakes one waiter; answers the initialised flag.
    bool Notify();
    // Takes one notification, waiting at most ms milliseconds (ms < 0: no
    // limit). False on time-out, error or an uninitialised event; true after
    // any wake-up, also when another waiter took the notification.
    bool Wait(int ms);

private:
    bool m_bInit;
    int32_t m_iCount;
    pthread_mutex_t m_mutex;
    pthread_cond_t m_cond;
};

// The absolute time ms milliseconds after now (the millisecond part carries
// into the seconds). Deadlines are taken on the monotonic clock so that a
// change of the system clock neither shortens nor stretches a wait.
timespec TS_DeadlineAfter(const timespec& now, int ms);
