#include "tessel/TS_Event.h"

#include <cerrno>

timespec TS_DeadlineAfter(const timespec& now, int ms) {
    int64_t nsec = static_cast<int64_t>(now.tv_nsec) + static_cast<int64_t>(ms % 1000) * 1000000;
    timespec deadline;
    deadline.tv_sec = now.tv_sec + ms / 1000 + nsec / 1000000000;
    deadline.tv_nsec = static_cast<long>(nsec % 1000000000);
    return deadline;
}

CEvent::CEvent() : m_bInit(false), m_iCount(0), m_mutex(), m_cond() {
    Init();
}

CEvent::~CEvent() {
    Term();
}

bool CEvent::Init() {
    if (m_bInit) return false;
    if (pthread_mutex_init(&m_mutex, nullptr) != 0) return false;
    pthread_condattr_t attr;
    bool ok = pthread_condattr_init(&attr) == 0;
    if (ok) {
        ok = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC) == 0 && pthread_cond_init(&m_cond, &attr) == 0;
        pthread_condattr_destroy(&attr);
    }
    if (!ok) {
        pthread_mutex_destroy(&m_mutex);
        return false;
    }
    m_iCount = 0;
    m_bInit = true;
    return true;
}

void CEvent::Term() {
    if (!m_bInit) return;
    pthread_cond_destroy(&m_cond);
    pthread_mutex_destroy(&m_mutex);
    m_bInit = false;
}

bool CEvent::Notify() {
    if (!m_bInit) return false;
    pthread_mutex_lock(&m_mutex);
    ++m_iCount;
    pthread_cond_signal(&m_cond);
    pthread_mutex_unlock(&m_mutex);
    return true;
}

bool CEvent::Wait(int ms) {
    if (!m_bInit) return false;
    pthread_mutex_lock(&m_mutex);
    if (m_iCount > 0) {
        --m_iCount;
        pthread_mutex_unlock(&m_mutex);
        return true;
    }
    int rc;
    if (ms >= 0) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const timespec deadline = TS_DeadlineAfter(now, ms);
        rc = pthread_cond_timedwait(&m_cond, &m_mutex, &deadline);
    } else {
        rc = pthread_cond_wait(&m_cond, &m_mutex);
    }
    if (rc != 0) {
        pthread_mutex_unlock(&m_mutex);
        return false;
    }
    if (m_iCount > 0) --m_iCount;
    pthread_mutex_unlock(&m_mutex);
    return true;
}
