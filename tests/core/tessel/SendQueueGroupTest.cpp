// The pieces of one record leave a full send queue together: never one piece
// of a record, and never the rest of a record whose sending has begun.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tessel/TS_Common.h"
#include "tessel/TS_StreamThread.h"

namespace {

struct Queues {
    std::vector<std::string> handedBack;
    CStreamSendQueues q{[](void* owner, void* data) {
                            auto* self = static_cast<Queues*>(owner);
                            self->handedBack.emplace_back(static_cast<char*>(data));
                            __free__(data);
                        },
                        this};
    Queues() {
        q.SetLimits(STREAM_SEND_UNLIMITED, 75, 50, 10, 20);  // class 4 holds 10
        q.SetAccepting(true);
    }
    static void* Piece(const std::string& name) {
        auto* p = static_cast<char*>(__malloc__(name.size() + 1));
        std::memcpy(p, name.c_str(), name.size() + 1);
        return p;
    }
    // A record of `n` pieces named name0, name1, ...
    bool Record(const std::string& name, int n) {
        std::vector<void*> data;
        std::vector<int> len;
        for (int i = 0; i < n; ++i) {
            data.push_back(Piece(name + std::to_string(i)));
            len.push_back(1);
        }
        const bool ok = q.PushGroup(data.data(), len.data(), data.size(), 4);
        if (!ok)
            for (void* d : data) __free__(d);
        return ok;
    }
    std::string Take() {
        COM_BUFFER* e = q.Take();
        if (e == nullptr) return "";
        std::string name(static_cast<char*>(e->pData));
        __free__(e->pData);
        delete e;
        return name;
    }
    ~Queues() { q.Drain(nullptr); }
};

using Names = std::vector<std::string>;

TEST(SendQueueGroups, AFullQueueDropsWholeRecords) {
    Queues s;
    ASSERT_TRUE(s.Record("a", 4));
    ASSERT_TRUE(s.Record("b", 4));
    ASSERT_TRUE(s.Record("c", 4));  // 12 > 10: record a goes, whole
    EXPECT_EQ(s.handedBack, (Names{"a0", "a1", "a2", "a3"}));
    EXPECT_EQ(s.q.Count(4), 8u);
    // A single message into the full queue also drops the oldest record whole.
    ASSERT_TRUE(s.q.Push(Queues::Piece("x"), 1, 4));
    ASSERT_TRUE(s.q.Push(Queues::Piece("y"), 1, 4));
    ASSERT_TRUE(s.q.Push(Queues::Piece("z"), 1, 4));
    EXPECT_EQ(s.handedBack, (Names{"a0", "a1", "a2", "a3", "b0", "b1", "b2", "b3"}));
    EXPECT_EQ(s.Take(), "c0");
}

TEST(SendQueueGroups, TheRestOfABegunRecordIsNeverDropped) {
    Queues s;
    ASSERT_TRUE(s.Record("a", 4));
    ASSERT_TRUE(s.Record("b", 4));
    EXPECT_EQ(s.Take(), "a0");      // record a has begun
    ASSERT_TRUE(s.Record("c", 4));  // 3 + 4 + 4 > 10: b goes, not a's rest
    EXPECT_EQ(s.handedBack, (Names{"b0", "b1", "b2", "b3"}));
    EXPECT_EQ(s.Take(), "a1");
    EXPECT_EQ(s.Take(), "a2");
    EXPECT_EQ(s.Take(), "a3");
    EXPECT_EQ(s.Take(), "c0");

    // When only a begun record could make room, the newcomer is refused.
    Queues t;
    ASSERT_TRUE(t.Record("d", 10));
    EXPECT_EQ(t.Take(), "d0");
    EXPECT_TRUE(t.Record("e", 1));   // 9 + 1 fit
    EXPECT_FALSE(t.Record("f", 2));  // only e could go, and one entry is not room for two
    EXPECT_EQ(t.handedBack, Names{});
    ASSERT_TRUE(t.q.Push(Queues::Piece("g"), 1, 4));  // e makes room for one
    EXPECT_EQ(t.handedBack, Names{"e0"});
    EXPECT_EQ(t.Take(), "d1");
    // A record larger than the class is refused, nothing dropped for it.
    Queues u;
    ASSERT_TRUE(u.Record("h", 3));
    EXPECT_FALSE(u.Record("i", 11));
    EXPECT_TRUE(u.handedBack.empty());
    EXPECT_EQ(u.q.Count(4), 3u);
}

}  // namespace
