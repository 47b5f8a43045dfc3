// Base framework start-up and shutdown, time, debug trace, allocation and the
// debug allocator with its leak report.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Trace levels; 0 traces nothing.
enum {
    TS_LOG_NONE = 0,
    TS_LOG_ERROR = 1,
    TS_LOG_WARNING = 2,
    TS_LOG_INFO = 3,
    TS_LOG_DEBUG = 4,
};

using TS_DTRACE_FUNC = void (*)(int level, const char* format, va_list args);

// Start-up: thread attributes and the socket layer. TermProc ends the process.
bool InitProc();
[[noreturn]] void TermProc();

// Sleeps ms milliseconds; a signal does not shorten the sleep.
void Sleep(unsigned int ms);
// Milliseconds of the wall clock since the epoch (follows changes of the
// system clock: for values that are shown or sent).
uint64_t GetTickCount();
// Milliseconds of the monotonic clock (for intervals and deadlines).
uint64_t GetMonotonicTickCount();

void SetDTraceFunc(TS_DTRACE_FUNC sink);
void DTrace(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ts_log_default(int level, const char* format, va_list args);

// Resource limits; true when the limit was set.
bool SetCore();
bool SetOpenFiles(int count);
bool SetMaxUserProcess(int count);

// The first position within the first n characters of text where pattern
// begins (the whole match must lie within them), or nullptr.
const char* compat_strnstr(const char* text, const char* pattern, size_t n);
int compat_strcasecmp(const char* a, const char* b);

// Every buffer handed over with ownership is allocated and released here.
void* __malloc__(size_t size);
void* __realloc__(void* block, size_t size);
void __free__(void* block);

struct MEM_INFO {
    char file[256];
    int32_t line;
    uint64_t size;
};

void* __dbg_malloc__(size_t size, const char* file, int line);
void* __dbg_realloc__(void* block, size_t size, const char* file, int line);
void __dbg_free__(void* block);
void ___dbg_add_pointer___(void* block, size_t size, const char* file, int line);
void ___dbg_remove_pointer___(void* block);
// Traces every recorded block at level 1 and empties the record.
void __dbg_trace__();

// Recorded allocation through new; release the block with __dbg_free__.
void* operator new(size_t size, const char* file, int line);
void operator delete(void* block, const char* file, int line) noexcept;
