#include "tessel/TS_Common.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tessel/TS_Signal.h"

namespace {

void EmptyHandler(int) {}

TEST(TsCommonTest, SleepInterruptedBySignalStillLastsTheFullTime) {
    struct sigaction sa {
    }, previous{};
    sa.sa_handler = EmptyHandler;
    sigemptyset(&sa.sa_mask);
    ASSERT_EQ(0, sigaction(SIGUSR1, &sa, &previous));

    const pthread_t sleeper = pthread_self();
    std::thread interrupter([sleeper] {
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            pthread_kill(sleeper, SIGUSR1);
        }
    });
    const auto begin = std::chrono::steady_clock::now();
    Sleep(1500);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_GE(elapsed, std::chrono::milliseconds(1500));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
}

TEST(TsCommonTest, GetTickCountFollowsTheWallClockAndMonotonicTicksAdvance) {
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    EXPECT_NEAR(static_cast<double>(GetTickCount()), static_cast<double>(wall), 1000.0);
    const uint64_t before = GetMonotonicTickCount();
    Sleep(20);
    EXPECT_GE(GetMonotonicTickCount() - before, 20u);
}

// Captures what reaches the trace sink.
std::vector<std::pair<int, std::string>> gTraced;
void CapturingSink(int level, const char* format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof(text), format, args);
    gTraced.emplace_back(level, text);
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { gTraced.clear(); }
    void TearDown() override { SetDTraceFunc(ts_log_default); }
};

TEST_F(TraceTest, LevelZeroAndAMissingSinkTraceNothing) {
    SetDTraceFunc(CapturingSink);
    DTrace(0, "never %d\n", 1);
    EXPECT_TRUE(gTraced.empty());
    DTrace(2, "value %d\n", 42);
    ASSERT_EQ(1u, gTraced.size());
    EXPECT_EQ(2, gTraced[0].first);
    EXPECT_EQ("value 42\n", gTraced[0].second);

    SetDTraceFunc(nullptr);
    DTrace(1, "dropped\n");
    EXPECT_EQ(1u, gTraced.size());
}

TEST_F(TraceTest, DefaultSinkPrefixesTheLevelName) {
    const struct {
        int level;
        const char* expected;
    } cases[] = {
        {1, "tessel [error]: x=1"}, {2, "tessel [warning]: x=2"}, {3, "tessel [info]: x=3"},
        {4, "tessel [debug]: x=4"}, {7, "tessel [unknown]: x=7"}, {-1, "tessel [unknown]: x=-1"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        DTrace(c.level, "x=%d", c.level);
        EXPECT_EQ(c.expected, testing::internal::GetCapturedStderr()) << c.level;
    }
}

TEST(TsCommonTest, StrnstrOnlyFindsMatchesWithinTheLimit) {
    const char* text = "abcdef";
    const struct {
        const char* pattern;
        size_t n;
        const char* expected;
    } cases[] = {
        {"cd", 3, nullptr},        {"cd", 4, text + 2},   {"", 0, text},
        {"ab", 100, text},         {"ef", 100, text + 4}, {"fg", 100, nullptr},
        {"abcdefg", 100, nullptr}, {"a", 0, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, compat_strnstr(text, c.pattern, c.n)) << c.pattern << " n=" << c.n;
    }
}

TEST(TsCommonTest, StrcasecmpIgnoresCaseAndOrdersByFirstDifference) {
    EXPECT_EQ(0, compat_strcasecmp("Upgrade", "uPGRADE"));
    EXPECT_EQ(0, compat_strcasecmp("", ""));
    EXPECT_LT(compat_strcasecmp("abc", "ABD"), 0);
    EXPECT_GT(compat_strcasecmp("abcd", "ABC"), 0);
    EXPECT_EQ('b' - 'a', compat_strcasecmp("B", "a"));
}

class LeakReportTest : public TraceTest {};

TEST_F(LeakReportTest, EmptyRecordPrintsNothing) {
    SetDTraceFunc(CapturingSink);
    __dbg_trace__();
    EXPECT_TRUE(gTraced.empty());
}

TEST_F(LeakReportTest, ReportsRemainingBlocksInAddressOrderOnceThenForgetsThem) {
    SetDTraceFunc(CapturingSink);
    void* freed = __dbg_malloc__(8, "freed.cpp", 1);
    void* a = __dbg_malloc__(24, "a.cpp", 10);
    void* b = operator new(40, "b.cpp", 20);
    __dbg_free__(freed);
    static char unknown;
    ___dbg_remove_pointer___(&unknown);  // no entry: nothing
    __dbg_trace__();

    void* low = a < b ? a : b;
    void* high = a < b ? b : a;
    auto line = [](void* p, int size, const char* file, int lineNo) {
        char text[160];
        snprintf(text, sizeof(text), "Detected memory leak[ADDR=0x%08X SIZE:%d FILE:%s LINE:%d]\n",
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)), size, file, lineNo);
        return std::string(text);
    };
    const std::string rule = std::string(84, '=') + "\n";
    ASSERT_EQ(4u, gTraced.size());
    EXPECT_EQ(rule, gTraced[0].second);
    EXPECT_EQ(low == a ? line(a, 24, "a.cpp", 10) : line(b, 40, "b.cpp", 20), gTraced[1].second);
    EXPECT_EQ(high == a ? line(a, 24, "a.cpp", 10) : line(b, 40, "b.cpp", 20), gTraced[2].second);
    EXPECT_EQ(rule, gTraced[3].second);
    for (const auto& t : gTraced) EXPECT_EQ(1, t.first);

    gTraced.clear();
    __dbg_trace__();
    EXPECT_TRUE(gTraced.empty());
    __dbg_free__(a);
    __dbg_free__(b);
}

TEST_F(LeakReportTest, ReallocMovesContentsAndRecord) {
    SetDTraceFunc(CapturingSink);
    char* block = static_cast<char*>(__dbg_malloc__(6, "r.cpp", 1));
    memcpy(block, "hello", 6);
    char* grown = static_cast<char*>(__dbg_realloc__(block, 64, "r.cpp", 2));
    ASSERT_NE(nullptr, grown);
    EXPECT_STREQ("hello", grown);
    char* shrunk = static_cast<char*>(__dbg_realloc__(grown, 3, "r.cpp", 3));
    EXPECT_EQ(0, memcmp("hel", shrunk, 3));
    // A missing old block makes a plain recorded allocation.
    void* fresh = __dbg_realloc__(nullptr, 5, "r.cpp", 4);
    EXPECT_EQ(nullptr, __dbg_realloc__(fresh, 0, "r.cpp", 5));

    __dbg_trace__();  // only the shrunk block is still recorded
    ASSERT_EQ(3u, gTraced.size());
    EXPECT_NE(std::string::npos, gTraced[1].second.find("SIZE:3 FILE:r.cpp LINE:3]"));
    __dbg_free__(shrunk);
}

TEST(TsCommonDeathTest, TermProcPrintsTheLeakReportAndExitsWithZero) {
    EXPECT_EXIT(
        {
            static char block[16];
            InitProc();
            ___dbg_add_pointer___(block, sizeof(block), "leak.cpp", 77);
            TermProc();
        },
        testing::ExitedWithCode(0),
        "tessel \\[error\\]: Detected memory leak\\[ADDR=0x[0-9A-F]{8} SIZE:16 "
        "FILE:leak.cpp LINE:77\\]");
}

TEST(TsCommonDeathTest, SetSignalRecordsSignalNumbers) {
    EXPECT_EXIT(
        {
            if (!SetSignal()) exit(1);
            raise(SIGUSR1);
            if (giSigNo != SIGUSR1) exit(2);
            raise(SIGCHLD);
            exit(giSigChildNo == SIGCHLD ? 0 : 3);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
