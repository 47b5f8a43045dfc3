// The participant table: entries tie the conference server's record to the
// five relay client ids; an entry's index is the participant's slot.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "common/LLog.h"
#include "fixtures/ControlTestPeer.h"

namespace {

PROT_DATA_USER_INFO_T User(const char* id, const char* name = "Name", int32_t order = 0) {
    PROT_DATA_USER_INFO_T u{};
    std::strncpy(u.userId, id, 47);
    std::strncpy(u.userName, name, 47);
    std::strcpy(u.userType, "S0");
    u.orderNo = order;
    u.camera = 'Y';
    u.microphone = 'N';
    u.reserved[0] = 0x77;
    return u;
}

class LogLines : public CLLogReceiver {
public:
    LogLines() { CLLog::init(this, "Linux"); }
    ~LogLines() override { CLLog::init(nullptr, ""); }
    void QuorixLog(int, const char* line) override {
        std::lock_guard<std::mutex> lock(mu);
        lines.emplace_back(line);
    }
    int count(const std::string& part) {
        std::lock_guard<std::mutex> lock(mu);
        int n = 0;
        for (const std::string& l : lines)
            if (l.find(part) != std::string::npos) ++n;
        return n;
    }
    std::mutex mu;
    std::vector<std::string> lines;
};

class ParticipantTable : public ::testing::Test {
protected:
    explicit ParticipantTable(uint32_t slots = 4) : ctl(nullptr) {
        QuorixControlTestPeer::SetSlotCount(ctl, slots);
        ctl.CreateParticipantInfo();
    }
    void GiveAllClientIds(const char* userId, uint32_t base) {
        for (int n = 0; n < VPEX_CONNECTION_COUNT; ++n) ctl.SetClientId(n, userId, base + uint32_t(n));
    }
    CQuorixControl ctl;
};

TEST_F(ParticipantTable, InsertCopiesTheRecordAndCompletesWithTheFifthClientId) {
    LogLines log;
    const int idx = ctl.InsertParticipantInfo(User("alice", "Alice"));
    ASSERT_EQ(idx, 0);
    PARTICIPANT_INFO e = QuorixControlTestPeer::Entry(ctl, idx);
    EXPECT_EQ(e.status, PARTICIPANT_IN_USE);
    EXPECT_STREQ(e.userName, "Alice");
    EXPECT_STREQ(e.userType, "S0");
    EXPECT_EQ(e.extra[0], 'Y');
    EXPECT_EQ(e.extra[1], 'N');
    EXPECT_EQ(e.extra[2], 0x77);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(ctl.SetClientId(n, "alice", 100 + n), idx);
        EXPECT_EQ(ctl.getParticipantStatus(idx), PARTICIPANT_IN_USE);
    }
    EXPECT_EQ(log.count("joined"), 0);
    EXPECT_EQ(ctl.SetClientId(4, "alice", 104), idx);
    EXPECT_EQ(ctl.getParticipantStatus(idx), PARTICIPANT_COMPLETE);
    EXPECT_EQ(log.count("[No.0] alice(Alice):S0 joined."), 1);
    // Further ids and a re-insert of the complete entry do not log again.
    ctl.SetClientId(2, "alice", 555);
    ctl.InsertParticipantInfo(User("alice", "Other"));
    EXPECT_EQ(log.count("joined"), 1);
    EXPECT_EQ(ctl.GetClientId(2, "alice"), 555u);
}

TEST_F(ParticipantTable, ReinsertingACompleteEntryKeepsItAndItsStartFlag) {
    const int idx = ctl.InsertParticipantInfo(User("bob", "Bob"));
    GiveAllClientIds("bob", 10);
    ctl.setSentStartRep(idx, true);
    EXPECT_EQ(ctl.InsertParticipantInfo(User("bob", "Renamed")), idx);
    EXPECT_TRUE(ctl.hasSentStartRep(idx));
    EXPECT_STREQ(QuorixControlTestPeer::Entry(ctl, idx).userName, "Bob");
}

TEST_F(ParticipantTable, IncompleteEntryKeepsItsFirstClientIdPerConnection) {
    const int idx = ctl.SetClientId(1, "carol", 7);
    EXPECT_EQ(ctl.SetClientId(1, "carol", 8), idx);
    EXPECT_EQ(ctl.GetClientId(1, "carol"), 7u);
    EXPECT_EQ(ctl.GetClientIndex(1, 7), idx);
    EXPECT_EQ(ctl.GetClientIndex(1, 8), -1);
}

TEST_F(ParticipantTable, RemoveFreesTheEntryAndItsIdsForTheNextComer) {
    LogLines log;
    const int a = ctl.InsertParticipantInfo(User("a"));
    const int b = ctl.InsertParticipantInfo(User("b"));
    GiveAllClientIds("a", 20);
    ctl.setSentStartRep(a, true);
    EXPECT_EQ(ctl.RemoveParticipantInfo("a"), a);
    EXPECT_EQ(log.count("[No.0] a(Name):S0 left."), 1);
    const PARTICIPANT_INFO e = QuorixControlTestPeer::Entry(ctl, a);
    EXPECT_EQ(e.status, PARTICIPANT_FREE);
    for (uint32_t id : e.clientId) EXPECT_EQ(id, 0u);
    EXPECT_EQ(e.extra[0], 'N');
    EXPECT_EQ(e.extra[1], 'N');
    EXPECT_FALSE(ctl.hasSentStartRep(a));
    EXPECT_EQ(ctl.GetClientIndex(0, 20), -1);
    EXPECT_EQ(ctl.RemoveParticipantInfo("a"), -1);
    // The next participant takes the first free entry again.
    EXPECT_EQ(ctl.InsertParticipantInfo(User("c")), a);
    EXPECT_EQ(ctl.GetClientIndex("b"), b);
}

TEST_F(ParticipantTable, ClientIdZeroNeverNamesAParticipant) {
    ctl.InsertParticipantInfo(User("a"));  // in use, all client ids still 0
    char id[48] = "unchanged";
    EXPECT_EQ(ctl.GetClientIndex(0, 0), -1);
    EXPECT_FALSE(ctl.GetUserIdWithClientId(0, 0, id));
    EXPECT_STREQ(id, "unchanged");
}

TEST_F(ParticipantTable, LookupsByClientIdAndIndex) {
    const int a = ctl.InsertParticipantInfo(User("a"));
    GiveAllClientIds("a", 30);
    char id[48] = {};
    EXPECT_TRUE(ctl.GetUserIdWithClientId(3, 33, id));
    EXPECT_STREQ(id, "a");
    EXPECT_FALSE(ctl.GetUserIdWithClientId(3, 34, id));
    EXPECT_TRUE(ctl.GetUserIdWithClientNo(a, id));
    EXPECT_FALSE(ctl.GetUserIdWithClientNo(3, id));  // free entry
    EXPECT_FALSE(ctl.GetUserIdWithClientNo(4, id));  // beyond the table
    EXPECT_FALSE(ctl.GetUserIdWithClientNo(-1, id));
    EXPECT_EQ(ctl.GetClientId(0, "nobody"), 0u);
}

TEST_F(ParticipantTable, OutOfRangeIndicesAndConnections) {
    EXPECT_EQ(ctl.getParticipantStatus(4), -1);
    EXPECT_EQ(ctl.getParticipantStatus(-1), -1);
    EXPECT_FALSE(ctl.hasSentStartRep(4));
    ctl.setSentStartRep(99, true);  // ignored
    ctl.setParticipantStatus(99, 2);
    EXPECT_EQ(ctl.SetClientId(5, "a", 1), -1);
    EXPECT_EQ(ctl.SetClientId(-1, "a", 1), -1);
    EXPECT_EQ(ctl.GetClientIndex(5, 1), -1);
    EXPECT_FALSE(ctl.CheckClientId(4));
}

TEST_F(ParticipantTable, AFullTableRefusesNewcomers) {
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ctl.InsertParticipantInfo(User(("u" + std::to_string(i)).c_str())), i);
    EXPECT_EQ(ctl.InsertParticipantInfo(User("late")), -1);
    EXPECT_EQ(ctl.SetClientId(0, "late", 9), -1);
    EXPECT_EQ(ctl.InsertParticipantInfo(User("u2")), 2);  // a known participant keeps its entry
}

TEST(ParticipantTableEmpty, SlotCountZeroGivesNoEntryAtAll) {
    CQuorixControl ctl(nullptr);
    ctl.CreateParticipantInfo();
    EXPECT_EQ(ctl.InsertParticipantInfo(User("a")), -1);
    EXPECT_EQ(ctl.SetClientId(0, "a", 1), -1);
    EXPECT_EQ(ctl.GetClientIndex("a"), -1);
    char id[48];
    EXPECT_FALSE(ctl.GetUserIdWithClientNo(0, id));
}

}  // namespace
