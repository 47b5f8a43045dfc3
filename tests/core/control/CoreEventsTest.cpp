// The core object's many-meeting event, which turns two lists into one of
// four slots, and the skipping of empty slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interface/QuorixCore.h"

namespace {

std::vector<std::string> g_calls;

ST_FUNCLIST ManyMtgTable() {
    ST_FUNCLIST t{};
    t.OnManyMtgStartRes = [](short code, short sub, const char* id, const char* name, void*) {
        g_calls.push_back("52 " + std::to_string(code) + " " + std::to_string(sub) + " " + id + " " + name);
    };
    t.OnManyMtgStart = [](short, short, const char* id, const char*, void*) {
        g_calls.push_back(std::string("53 ") + id);
    };
    t.OnManyMtgStop = [](short, short, const char* id, const char*, void*) {
        g_calls.push_back(std::string("54 ") + id);
    };
    t.OnManyMtgListRes = [](short, short, int count, const char** ids, const char** names, void*) {
        std::string call = "55 " + std::to_string(count);
        for (int i = 0; i < count; ++i) call += std::string(" ") + ids[i] + "/" + names[i];
        if (count == 0) call += ids == nullptr && names == nullptr ? " null" : " lists";
        g_calls.push_back(call);
    };
    return t;
}

TEST(CoreEvents, ManyMeetingCommands) {
    using List = std::vector<std::string>;
    struct Case {
        uint16_t command;
        List ids;
        List names;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {2, {"u1", "u2"}, {"n1", "n2"}, {"52 4 5 u1 n1"}},
        {3, {"u1"}, {"n1"}, {"53 u1"}},
        {5, {"u9"}, {"n9"}, {"54 u9"}},
        {3, {}, {}, {}},
        {7, {"a", "b", "c"}, {"A", "B", "C"}, {"55 3 a/A b/B c/C"}},
        {7, {}, {}, {"55 0 null"}},
        {7, {"a", "b"}, {"A"}, {}},  // lists of differing length raise nothing
        {2, {"a"}, {}, {}},
        {4, {"a"}, {"A"}, {}},
    };
    CQuorixCore core;
    const ST_FUNCLIST table = ManyMtgTable();
    ASSERT_TRUE(core.Init("Mac", &table, nullptr));
    for (const Case& c : cases) {
        g_calls.clear();
        core.OnManyMtgCmd(c.command, 4, 5, c.ids, c.names);
        EXPECT_EQ(g_calls, c.calls) << "command " << c.command << " with " << c.ids.size() << " ids";
    }
    core.Term();
}

TEST(CoreEvents, EmptySlotsAreSkippedAndTermSilencesTheTable) {
    int volumes = 0;
    ST_FUNCLIST t{};
    t.OnAudioVolume = [](int slot, int level, void* u) {
        EXPECT_EQ(slot, -100);
        EXPECT_EQ(level, 42);
        ++*static_cast<int*>(u);
    };
    CQuorixCore core;
    ASSERT_TRUE(core.Init("Mac", &t, &volumes));
    core.OnAudioOutput(1, nullptr, 0);  // slot 27 empty: skipped
    core.OnAudioVolume(-100, 42);
    EXPECT_EQ(volumes, 1);
    core.Term();
    core.OnAudioVolume(-100, 42);
    EXPECT_EQ(volumes, 1);
}

}  // namespace
