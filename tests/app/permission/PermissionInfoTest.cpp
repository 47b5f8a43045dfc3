// The permission table: maxima, announced states, grants that a full type
// refuses, the reset, and the table under the threads that share it (receive
// threads storing announcements, participant events, the window's ticks and a
// reader taking snapshots). Runs under ThreadSanitizer too (the area's TSan
// build compiles this file alone).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "permission/PermissionInfo.h"
#include "permission/PermissionNotificator.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"

namespace {

constexpr int RS = PERMISSION_TYPE_REMOTESTG;

UserInfoRef User(const QString& id, const QString& name = {}) {
    return std::make_shared<UserInfo>(id, name.isEmpty() ? id : name, USER_TYPE_S0);
}

// A table with "me" and `others` participants u1..uN.
void Fill(PermissionInfo& table, int others) {
    table.addUser(User("me"), true);
    for (int i = 1; i <= others; ++i) table.addUser(User(QString("u%1").arg(i)), false);
}

}  // namespace

TEST(PermissionInfo, MaximaDecideWhetherAnAnnouncedGrantIsStored) {
    struct Case {
        int max;
        int holders;      // participants that already hold remote settings
        bool storedNext;  // whether one more participant's grant is stored
    };
    const Case cases[] = {{-1, 5, true}, {0, 0, false}, {2, 1, true}, {2, 2, false}, {3, 3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "max " << c.max << " holders " << c.holders);
        PermissionInfo table;
        Fill(table, 6);
        table.setPermissionMax(RS, c.max);
        for (int i = 1; i <= c.holders; ++i)
            ASSERT_NE(table.setPermission(QString("u%1").arg(i), 7, 4, true), nullptr);
        EXPECT_EQ(table.isPermissionMax(RS), !c.storedNext);
        const PermissionDataRef next = table.setPermission("u6", 7, 4 | 1, true);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->permitFlgs(), c.storedNext ? 5 : 1) << "other types are not touched";
        EXPECT_EQ(next->enableFlgs(), 7);
        EXPECT_TRUE(next->isSupportFunc());
    }
}

TEST(PermissionInfo, AHolderKeepsItsGrantWhenAnnouncingAgainWhileTheTypeIsFull) {
    PermissionInfo table;
    Fill(table, 3);
    table.setPermissionMax(RS, 2);
    table.setPermission("u1", 4, 4, true);
    table.setPermission("u2", 4, 4, true);
    ASSERT_TRUE(table.isPermissionMax(RS));
    EXPECT_EQ(table.setPermission("u1", 4, 4, true)->permitFlgs(), 4);
    EXPECT_EQ(table.setPermission("u3", 4, 4, true)->permitFlgs(), 0);
    // The local entry counts like any other.
    table.setPermission("u1", 4, 0, true);
    table.changePermission("me", RS, true);
    EXPECT_TRUE(table.isPermissionMax(RS));
}

TEST(PermissionInfo, UnknownIdsAddingTwiceAndTheMapWithoutAValue) {
    PermissionInfo table;
    Fill(table, 1);
    EXPECT_EQ(table.setPermission("nobody", 7, 7, true), nullptr);
    EXPECT_EQ(table.changePermission("nobody", 0, true), nullptr);
    EXPECT_EQ(table.permissionList().size(), 2u);

    table.setPermission("u1", 3, 1, true);
    const UserInfoRef newer = User("u1", "Newer");
    const PermissionDataRef again = table.addUser(newer, false);
    EXPECT_EQ(table.permissionList().size(), 2u);
    EXPECT_EQ(again->userInfo(), newer);
    EXPECT_EQ(again->enableFlgs(), 3);
    EXPECT_EQ(again->permitFlgs(), 1);

    // A fresh table holds -1 for the three types; a type without a value answers 0.
    EXPECT_EQ(table.getPermissionMax(0), -1);
    EXPECT_EQ(table.getPermissionMax(7), 0);
    EXPECT_FALSE(table.isPermissionMax(7));
}

TEST(PermissionInfo, ResetKeepsTheLocalEntryOrForgetsEverything) {
    PermissionInfo table;
    Fill(table, 2);
    table.setPermissionMax(RS, 3);
    table.setPermission("me", 7, 3, true);
    table.resetParameter(false);
    ASSERT_EQ(table.permissionList().size(), 1u);
    EXPECT_EQ(table.permissionList()[0], table.myInfo());
    EXPECT_EQ(table.myInfo()->permitFlgs(), 3);
    EXPECT_EQ(table.getPermissionMax(RS), 3);

    table.resetParameter(true);
    EXPECT_TRUE(table.permissionList().empty());
    EXPECT_EQ(table.myInfo(), nullptr);
    for (int type = 0; type < 3; ++type) EXPECT_EQ(table.getPermissionMax(type), -1);
}

TEST(PermissionInfo, FlagWordHelpers) {
    EXPECT_EQ(PermissionInfo::checkPermissionFlg(5, 2), 4);
    EXPECT_EQ(PermissionInfo::checkPermissionFlg(5, 1), 0);
    EXPECT_TRUE(PermissionInfo::checkChangeFlg(1, 3, 1));
    EXPECT_FALSE(PermissionInfo::checkChangeFlg(1, 3, 0));
    EXPECT_EQ(PermissionInfo::setPermissionFlg(0, 2, true), 4);
    EXPECT_EQ(PermissionInfo::setPermissionFlg(7, 0, false), 6);
    auto entry = std::make_shared<PermissionData>(User("x"));
    entry->setEnableFlgs(5);
    EXPECT_EQ(entry->getEnableCount(), 2);
    entry->setPermission(1, true);
    EXPECT_TRUE(entry->getPermission(1));
    EXPECT_FALSE(entry->getEnable(1));
}

TEST(PermissionInfo, NoticesArePostedOnTheMainQueueWithTheNotifierAsSender) {
    ScopedManualDispatcher dispatcher;
    PermissionNotificator& notifier = PermissionNotificator::sharedNotificator();
    struct Recorder : PermissionNotificatorDispatcherDelegate {
        void didChangePermissionList(const PermissionDataList& l) override { lists.push_back(l); }
        void didChangePermissionData(const PermissionDataRef& d) override { data.push_back(d); }
        std::vector<PermissionDataList> lists;
        std::vector<PermissionDataRef> data;
    } recorder;
    PermissionNotificatorDispatcher notices(notifier);
    notices.setDelegate(&recorder);

    PermissionInfo table;
    Fill(table, 2);
    std::thread([&] {
        notifier.requestChangePermitDataNotification(table.getPermissionData("u1"));
        notifier.requestChangePermitListNotification(table.permissionList());
    }).join();
    EXPECT_TRUE(recorder.data.empty());
    EXPECT_TRUE(recorder.lists.empty());
    dispatcher->runPending();
    ASSERT_EQ(recorder.data.size(), 1u);
    EXPECT_EQ(recorder.data[0]->userId(), "u1");
    ASSERT_EQ(recorder.lists.size(), 1u);
    EXPECT_EQ(recorder.lists[0].size(), 3u);
}

// Four receive threads announce states against a maximum of 3 while
// participants come and go, a "window" ticks and unticks grants and a
// reader takes snapshots. The maximum holds for every announced grant: at
// no time do more than 3 announced holders exist.
TEST(PermissionInfoThreads, AnnouncementsParticipantsTicksAndSnapshots) {
    ScopedManualDispatcher dispatcher;
    PermissionInfo table;
    table.addUser(User("me"), true);
    constexpr int kWriters = 4;
    constexpr int kRounds = 200;
    for (int w = 0; w < kWriters; ++w) table.addUser(User(QString("w%1").arg(w)), false);
    table.setPermissionMax(RS, 3);

    std::atomic<bool> running{true};
    std::atomic<long> seen{0};
    std::thread reader([&] {
        do {
            for (const PermissionDataRef& e : table.permissionList()) {
                const PermissionData::Values v = e->snapshot();
                seen += v.permitFlgs + v.userName.size();
            }
            seen += table.isPermissionMax(RS);
        } while (running.load());
    });
    std::thread window([&] {
        int before = 0;
        for (int i = 0; running.load(); ++i) {
            if (table.changePermission("me", 0, i % 2 == 0, &before)) seen += before;
            if (PermissionDataRef me = table.myInfo()) table.restorePermitFlgs(me, 0);
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            const QString id = QString("w%1").arg(w);
            for (int i = 0; i < kRounds; ++i) {
                table.setPermission(id, 7, i % 3 == 0 ? 0 : 4, true);
                const QString guest = QString("g%1-%2").arg(w).arg(i);
                table.addUser(User(guest), false);
                table.setPermission(guest, 4, 4, true);
                table.deleteUser(guest);
                PermissionNotificator::sharedNotificator().requestChangePermitListNotification(
                    table.permissionList());
            }
        });
    }
    for (std::thread& t : writers) t.join();
    running = false;
    reader.join();
    window.join();

    int holders = 0;
    for (const PermissionDataRef& e : table.permissionList()) holders += e->getPermission(RS);
    EXPECT_LE(holders, 3);
    EXPECT_EQ(table.permissionList().size(), size_t(kWriters + 1));
    dispatcher->runPending();
}
