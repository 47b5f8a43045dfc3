#include "tessel/TS_Mutex.h"

CMutex::CMutex() {
    pthread_mutex_init(&m_mutex, nullptr);
}

CMutex::~CMutex() {
    pthread_mutex_destroy(&m_mutex);
}

bool CMutex::Lock() {
    return pthread_mutex_lock(&m_mutex) == 0;
}

bool CMutex::Unlock() {
    return pthread_mutex_unlock(&m_mutex) == 0;
}
