#include "tessel/TS_Common.h"

#include <malloc.h>
#include <strings.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

#include "tessel/TS_Mutex.h"
#include "tessel/TS_Socket.h"
#include "tessel/TS_Thread.h"

namespace {
// Created on first use, so that trace and allocation work from any static
// initialiser too; never destroyed, so that they work until the very end.
CMutex& gMutexDTraceInfo() {
    static CMutex* mutex = new CMutex;
    return *mutex;
}
CMutex& gMutexMemInfo() {
    static CMutex* mutex = new CMutex;
    return *mutex;
}
std::map<void*, MEM_INFO>& gMemInfo() {
    static auto* map = new std::map<void*, MEM_INFO>;
    return *map;
}
std::atomic<TS_DTRACE_FUNC> gDTraceFunc{ts_log_default};

uint64_t Millis(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

bool SetBothLimits(int resource, rlim_t value) {
    rlimit limit{value, value};
    return setrlimit(resource, &limit) == 0;
}
}  // namespace

bool InitProc() {
    ThreadInit();
    CSocket::StartUp();
    return true;
}

void TermProc() {
    CSocket::CleanUp();
    ThreadTerm();
    __dbg_trace__();
    exit(0);
}

void Sleep(unsigned int ms) {
    // An absolute deadline on the monotonic clock: an interrupted sleep goes
    // on until the same end, however often it is interrupted.
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    timespec deadline;
    deadline.tv_sec = now.tv_sec + ms / 1000;
    deadline.tv_nsec = now.tv_nsec + static_cast<long>(ms % 1000) * 1000000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

uint64_t GetTickCount() {
    return Millis(CLOCK_REALTIME);
}

uint64_t GetMonotonicTickCount() {
    return Millis(CLOCK_MONOTONIC);
}

void SetDTraceFunc(TS_DTRACE_FUNC sink) {
    gDTraceFunc.store(sink);
}

void DTrace(int level, const char* format, ...) {
    if (level == TS_LOG_NONE) return;
    const TS_DTRACE_FUNC sink = gDTraceFunc.load();
    if (sink == nullptr) return;
    va_list args;
    va_start(args, format);
    gMutexDTraceInfo().Lock();
    sink(level, format, args);
    gMutexDTraceInfo().Unlock();
    va_end(args);
}

void ts_log_default(int level, const char* format, va_list args) {
    static const char* const kNames[] = {"error", "warning", "info", "debug"};
    const char* name = (level >= 1 && level <= 4) ? kNames[level - 1] : "unknown";
    fprintf(stderr, "tessel [%s]: ", name);
    vfprintf(stderr, format, args);
}

bool SetCore() {
    return SetBothLimits(RLIMIT_CORE, RLIM_INFINITY);
}

bool SetOpenFiles(int count) {
    return count >= 0 && SetBothLimits(RLIMIT_NOFILE, static_cast<rlim_t>(count));
}

bool SetMaxUserProcess(int count) {
    return count >= 0 && SetBothLimits(RLIMIT_NPROC, static_cast<rlim_t>(count));
}

const char* compat_strnstr(const char* text, const char* pattern, size_t n) {
    const size_t patternLength = strlen(pattern);
    if (patternLength == 0) return text;
    for (size_t i = 0; i + patternLength <= n && text[i] != '\0'; ++i) {
        if (strncmp(text + i, pattern, patternLength) == 0) return text + i;
    }
    return nullptr;
}

int compat_strcasecmp(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int ca = tolower(static_cast<unsigned char>(*a));
        const int cb = tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

void* __malloc__(size_t size) {
    return malloc(size);
}

void* __realloc__(void* block, size_t size) {
    return realloc(block, size);
}

void __free__(void* block) {
    free(block);
}

void ___dbg_add_pointer___(void* block, size_t size, const char* file, int line) {
    MEM_INFO info{};
    snprintf(info.file, sizeof(info.file), "%s", file != nullptr ? file : "");
    info.line = line;
    info.size = size;
    CMutexLock lock(gMutexMemInfo());
    gMemInfo()[block] = info;
}

void ___dbg_remove_pointer___(void* block) {
    CMutexLock lock(gMutexMemInfo());
    gMemInfo().erase(block);
}

void* __dbg_malloc__(size_t size, const char* file, int line) {
    void* block = malloc(size);
    if (block != nullptr) ___dbg_add_pointer___(block, size, file, line);
    return block;
}

void __dbg_free__(void* block) {
    if (block == nullptr) return;
    ___dbg_remove_pointer___(block);
    free(block);
}

void* __dbg_realloc__(void* block, size_t size, const char* file, int line) {
    if (size == 0) {
        __dbg_free__(block);
        return nullptr;
    }
    void* fresh = __dbg_malloc__(size, file, line);
    if (fresh == nullptr || block == nullptr) return fresh;
    size_t oldSize = malloc_usable_size(block);
    {
        CMutexLock lock(gMutexMemInfo());
        auto it = gMemInfo().find(block);
        if (it != gMemInfo().end()) oldSize = it->second.size;
    }
    memcpy(fresh, block, oldSize < size ? oldSize : size);
    __dbg_free__(block);
    return fresh;
}

void __dbg_trace__() {
    CMutexLock lock(gMutexMemInfo());
    auto& map = gMemInfo();
    if (map.empty()) return;
    const char* rule =
        "===================================================================================="
        "\n";
    DTrace(TS_LOG_ERROR, "%s", rule);
    for (const auto& [address, info] : map) {
        DTrace(TS_LOG_ERROR, "Detected memory leak[ADDR=0x%08X SIZE:%d FILE:%s LINE:%d]\n",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)), static_cast<int>(info.size),
               info.file, static_cast<int>(info.line));
    }
    DTrace(TS_LOG_ERROR, "%s", rule);
    map.clear();
}

void* operator new(size_t size, const char* file, int line) {
    void* block = __dbg_malloc__(size == 0 ? 1 : size, file, line);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void operator delete(void* block, const char*, int) noexcept {
    __dbg_free__(block);
}
