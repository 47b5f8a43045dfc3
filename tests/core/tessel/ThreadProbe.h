// Looks at another thread of this process through /proc: whether it is
// blocked in ppoll, whether the wake-up signal is pending for it.
#pragma once

#include <sys/syscall.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "tessel/TS_Thread.h"

using Clock = std::chrono::steady_clock;

inline std::string TaskFile(int tid, const char* name) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// True once the wake-up signal is pending for the thread.
inline bool WakeupPending(int tid) {
    const std::string status = TaskFile(tid, "status");
    const size_t at = status.find("SigPnd:");
    if (at == std::string::npos) return false;
    const unsigned long long pending = std::stoull(status.substr(at + 7), nullptr, 16);
    return (pending >> (TS_WAKEUP_SIGNAL - 1)) & 1;
}

// True while the thread is blocked in ppoll.
inline bool InPoll(int tid) {
    const std::string call = TaskFile(tid, "syscall");
    return !call.empty() && std::atoi(call.c_str()) == SYS_ppoll;
}

inline bool WaitUntil(const std::function<bool()>& condition, int ms = 30000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}
