// The permission manager: the room configuration's table, participant
// events, the announcement to the chair on the main queue's clock, received
// commands (the chair's refusals, changes of the local grants, words that are
// wrong), applied changes, and a room of a chair and four participants whose
// managers exchange commands through receive threads of their own.
#include <gtest/gtest.h>

#include <QFile>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "fixtures/app/AppTestSupport.h"
#include "permission/PermissionManager.h"
#include "permission/PermissionNotificator.h"
#include "platform/Dispatch.h"
#include "services/LogFileManager.h"

namespace {

using namespace std::chrono_literals;

UserInfoRef User(const QString& id) {
    return std::make_shared<UserInfo>(id, "Name " + id, USER_TYPE_S0);
}

QVariantMap Config(std::initializer_list<std::pair<const char*, const char*>> entries) {
    QVariantMap config;
    for (const auto& [key, value] : entries) config.insert(key, QString::fromLatin1(value));
    return config;
}

QVariantMap AllOn(std::initializer_list<std::pair<const char*, const char*>> more = {}) {
    QVariantMap config = Config({{"MODE_USER_PERMISSION", "Y"},
                                 {"DOCSHAREMODE", "Y"},
                                 {"ASMODE", "Y"},
                                 {"MODE_REMOTESTG", "Y"},
                                 {"CATEGORY", "0"}});
    for (const auto& [key, value] : more) config.insert(key, QString::fromLatin1(value));
    return config;
}

struct Command {
    std::string to;
    int command, code, funcFlgs, permitFlgs;
    bool operator==(const Command&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Command& c) {
    return os << c.to << " " << c.command << " " << c.code << " " << c.funcFlgs << " " << c.permitFlgs;
}

struct RecordingDelegate : PermissionManagerDelegate, PermissionManagerViewInterface {
    void sendPermissionCmd(const QString& to, int command, int code, int f, int p) override {
        std::lock_guard lock(mu);
        sent.push_back({to.toStdString(), command, code, f, p});
    }
    void onChangeMyPermission(const std::map<int, bool>& p) override {
        std::lock_guard lock(mu);
        myChanges.push_back(p);
    }
    void onPermissionChange(const QString& sender, const std::map<int, bool>& items) override {
        std::lock_guard lock(mu);
        viewChanges.push_back({sender.toStdString(), items});
    }
    std::vector<Command> commands() {
        std::lock_guard lock(mu);
        return sent;
    }
    std::mutex mu;
    std::vector<Command> sent;
    std::vector<std::map<int, bool>> myChanges;
    std::vector<std::pair<std::string, std::map<int, bool>>> viewChanges;
};

class PermissionManagerTest : public testing::Test {
protected:
    PermissionManagerTest() {
        LogFileManager::resetForTesting();
        LogFileManager::createLogFile();
        manager.setDelegate(&delegate);
        manager.setViewInterface(&delegate);
    }
    ~PermissionManagerTest() override {
        manager.setDelegate(nullptr);
        LogFileManager::resetForTesting();
    }
    QString log() const {
        QFile file(LogFileManager::getLogFilePath("log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Logs in as "me" with `config` and adds u1..uN.
    void enter(const QVariantMap& config, int others = 0) {
        manager.setParameters(User("me"), config);
        for (int i = 1; i <= others; ++i) manager.addUser(User(QString("u%1").arg(i)));
        dispatcher->runPending();
    }
    PermissionData::Values entry(const QString& id) {
        const PermissionDataRef e = manager.permissionInfo().getPermissionData(id);
        return e ? e->snapshot() : PermissionData::Values{};
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    RecordingDelegate delegate;
    PermissionManager manager;
};

}  // namespace

TEST_F(PermissionManagerTest, TheRoomConfigurationDecidesTheLocalEntryAndTheMaxima) {
    struct Case {
        const char* what;
        QVariantMap config;
        bool support;
        int enable, permit;
        int maxDs, maxAs, maxRs;
    };
    const Case cases[] = {
        {"all on", AllOn(), true, 7, 0, -1, -1, 3},
        {"feature off", AllOn({{"MODE_USER_PERMISSION", "N"}}), false, 7, 0, -1, -1, 3},
        {"document sharing maximum 0", AllOn({{"MODE_USER_PERMISSION_DS_MAX", "0"}}), true, 6, 0, 0, -1, 3},
        {"remote settings -5 is 3", AllOn({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "-5"}}), true, 7, 0, -1, -1,
         3},
        {"remote settings -1 is no limit", AllOn({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "-1"}}), true, 7, 0,
         -1, -1, -1},
        {"remote settings 0", AllOn({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "0"}}), true, 3, 0, -1, -1, 0},
        {"negative sharing maxima are no limit",
         AllOn({{"MODE_USER_PERMISSION_DS_MAX", "-7"}, {"MODE_USER_PERMISSION_AS_MAX", "2"}}), true, 7, 0, -1,
         2, 3},
        {"seminar room", AllOn({{"CATEGORY", "1"}}), true, 4, 0, -1, -1, 3},
        {"webinar", AllOn({{"CATEGORY", "1"}, {"MODE_WEBINAR", "Y"}}), false, 4, 0, -1, -1, 3},
        {"webinar flag outside a seminar room", AllOn({{"MODE_WEBINAR", "Y"}}), true, 7, 0, -1, -1, 3},
        {"many-meeting room without its sharing flag", AllOn({{"CATEGORY", "2"}}), true, 5, 0, -1, -1, 3},
        {"many-meeting room with it", AllOn({{"CATEGORY", "2"}, {"MODE_MANY_MTG_AS", "Y"}}), true, 7, 0, -1,
         -1, 3},
        {"default grants",
         AllOn({{"MODE_USER_PERMISSION_DS_DEFAULT_ON", "Y"}, {"MODE_USER_PERMISSION_AS_DEFAULT_ON", "Y"}}),
         true, 7, 3, -1, -1, 3},
        {"a default grant of a type that is off",
         AllOn({{"DOCSHAREMODE", "N"}, {"MODE_USER_PERMISSION_DS_DEFAULT_ON", "Y"}}), true, 6, 0, -1, -1, 3},
        {"flags are exactly Y", Config({{"MODE_USER_PERMISSION", "y"}, {"DOCSHAREMODE", "YES"}}), false, 0, 0,
         -1, -1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        manager.setParameters(User("me"), c.config);
        const PermissionDataRef me = manager.permissionInfo().myInfo();
        ASSERT_NE(me, nullptr);
        ASSERT_EQ(manager.permissionInfo().permissionList().size(), 1u);
        EXPECT_EQ(me->isSupportFunc(), c.support);
        EXPECT_EQ(manager.isSupportFunc(), c.support);
        EXPECT_EQ(me->enableFlgs(), c.enable);
        EXPECT_EQ(me->permitFlgs(), c.permit);
        EXPECT_EQ(manager.permissionInfo().getPermissionMax(PERMISSION_TYPE_DS), c.maxDs);
        EXPECT_EQ(manager.permissionInfo().getPermissionMax(PERMISSION_TYPE_AS), c.maxAs);
        EXPECT_EQ(manager.permissionInfo().getPermissionMax(PERMISSION_TYPE_REMOTESTG), c.maxRs);
    }
}

TEST_F(PermissionManagerTest, ParticipantsFollowOnlyWhileTheFeatureIsOn) {
    struct Recorder : PermissionNotificatorDispatcherDelegate {
        void didChangePermissionList(const PermissionDataList& l) override { lists.push_back(l.size()); }
        void didChangePermissionData(const PermissionDataRef& d) override { data.push_back(d->userId()); }
        std::vector<size_t> lists;
        QStringList data;
    } recorder;
    PermissionNotificatorDispatcher notices(PermissionNotificator::sharedNotificator());
    notices.setDelegate(&recorder);

    enter(AllOn({{"MODE_USER_PERMISSION", "N"}}), 2);
    EXPECT_EQ(manager.permissionInfo().permissionList().size(), 1u);
    EXPECT_FALSE(manager.sendMyPermissionScheduled("chair", false));
    manager.recvPermissionCmd("u1", 3, 1, 7, 7);
    dispatcher->runPending();
    EXPECT_TRUE(delegate.commands().empty());
    EXPECT_TRUE(recorder.data.isEmpty());

    enter(AllOn(), 2);
    EXPECT_EQ(recorder.data, (QStringList{"u1", "u2"}));
    manager.setUser({User("u2"), User("s1")});
    manager.deleteUser("u1");
    dispatcher->runPending();
    EXPECT_EQ(recorder.lists, (std::vector<size_t>{4, 3}));
    EXPECT_EQ(entry("s1").userId, "s1");

    // A reconnect keeps the local entry and the maxima; the end forgets all.
    manager.setParameters(User("me"), AllOn({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "2"}}));
    manager.resetParameters(false);
    EXPECT_EQ(manager.permissionInfo().permissionList().size(), 1u);
    EXPECT_TRUE(manager.isSupportFunc());
    EXPECT_EQ(manager.permissionInfo().getPermissionMax(PERMISSION_TYPE_REMOTESTG), 2);
    manager.resetParameters(true);
    EXPECT_FALSE(manager.isSupportFunc());
    EXPECT_EQ(manager.myInfo(), nullptr);
}

TEST_F(PermissionManagerTest, TheDelayedAnnouncementFallsOnTenMillisecondStepsUpToThreeSeconds) {
    enter(AllOn({{"MODE_USER_PERMISSION_DS_DEFAULT_ON", "Y"}}));
    // Without the delay: on the next turn of the main queue, not before.
    ASSERT_TRUE(manager.sendMyPermissionScheduled("chair", false));
    EXPECT_TRUE(delegate.commands().empty());
    dispatcher->runPending();
    EXPECT_EQ(delegate.commands(), (std::vector<Command>{{"chair", 3, 2, 7, 1}}));

    std::set<int> delays;
    for (int round = 0; round < 40; ++round) {
        delegate.sent.clear();
        ASSERT_TRUE(manager.sendMyPermissionScheduled("chair", true));
        dispatcher->runPending();
        int elapsed = 0;
        while (delegate.commands().empty() && elapsed < 4000) {
            dispatcher->advance(10ms);
            elapsed += 10;
        }
        ASSERT_EQ(delegate.commands().size(), 1u);
        EXPECT_GE(elapsed, 10);
        EXPECT_LE(elapsed, 3000);
        delays.insert(elapsed);
    }
    EXPECT_GT(delays.size(), 20u) << "the delays spread the announcements";

    // The words are read when the announcement runs.
    delegate.sent.clear();
    ASSERT_TRUE(manager.sendMyPermissionScheduled("chair", true));
    manager.permissionInfo().changePermission("me", PERMISSION_TYPE_REMOTESTG, true);
    dispatcher->advance(3000ms);
    EXPECT_EQ(delegate.commands(), (std::vector<Command>{{"chair", 3, 2, 7, 5}}));
    EXPECT_TRUE(
        log().contains("[UserPermission]Send User Permission command to chair. (cmd:3, code:2) (7:5)"));

    // An announcement still waiting when the conference ends sends nothing.
    delegate.sent.clear();
    ASSERT_TRUE(manager.sendMyPermissionScheduled("chair", true));
    manager.resetParameters(true);
    dispatcher->advance(3000ms);
    EXPECT_TRUE(delegate.commands().empty());
}

TEST_F(PermissionManagerTest, TheChairRefusesGrantsBeyondTheMaximumAndAnswersWithTheStoredWord) {
    enter(AllOn(), 5);
    for (int i = 1; i <= 3; ++i) manager.recvPermissionCmd(QString("u%1").arg(i), 3, 2, 7, 4);
    EXPECT_TRUE(delegate.commands().empty()) << "stored as announced: nothing to answer";
    manager.recvPermissionCmd("u4", 3, 2, 7, 5);
    EXPECT_EQ(entry("u4").permitFlgs, 1);
    EXPECT_TRUE(entry("u4").isSupportFunc);
    EXPECT_EQ(delegate.commands(), (std::vector<Command>{{"u4", 3, 1, 7, 1}}));
    // A sender the chair does not know is told that it holds nothing.
    manager.recvPermissionCmd("stranger", 3, 2, 7, 6);
    EXPECT_EQ(delegate.commands().back(), (Command{"stranger", 3, 1, 7, 0}));
    // A holder announcing again keeps its grant.
    delegate.sent.clear();
    manager.recvPermissionCmd("u2", 3, 2, 7, 4);
    EXPECT_TRUE(delegate.commands().empty());
}

TEST_F(PermissionManagerTest, WrongWordsAndOtherCommandsAreIgnored) {
    enter(AllOn(), 1);
    const struct {
        int command, code, f, p;
    } ignored[] = {{3, 1, 7, -1}, {3, 2, -1, 4}, {1, 1, 7, 7}, {2, 1, 7, 7},
                   {1, 2, 7, 7},  {4, 1, 7, 7},  {3, 9, 7, 7}};
    for (const auto& c : ignored) manager.recvPermissionCmd("u1", c.command, c.code, c.f, c.p);
    dispatcher->runPending();
    EXPECT_TRUE(delegate.commands().empty());
    EXPECT_TRUE(delegate.myChanges.empty());
    EXPECT_EQ(entry("me").permitFlgs, 0);
    EXPECT_EQ(entry("u1").permitFlgs, 0);
    EXPECT_FALSE(entry("u1").isSupportFunc);
    const QString text = log();
    EXPECT_TRUE(text.contains("[UserPermission]The received data is incorrect. (func:7, permit:-1)"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("[UserPermission]The received data is incorrect. (func:-1, permit:4)"));
}

TEST_F(PermissionManagerTest, AChangeOfTheLocalGrantsTouchesOnlyEnabledTypes) {
    enter(AllOn({{"DOCSHAREMODE", "N"}}), 1);        // enable word 6
    manager.recvPermissionCmd("chair", 3, 1, 7, 1);  // document sharing only: not enabled here
    EXPECT_EQ(entry("me").permitFlgs, 0);
    EXPECT_TRUE(delegate.myChanges.empty());
    EXPECT_TRUE(delegate.viewChanges.empty());

    manager.recvPermissionCmd("chair", 3, 1, 0, 7);
    EXPECT_EQ(entry("me").permitFlgs, 6);
    const std::map<int, bool> granted{{1, true}, {2, true}};
    ASSERT_EQ(delegate.viewChanges.size(), 1u);
    EXPECT_EQ(delegate.viewChanges[0].first, "chair");
    EXPECT_EQ(delegate.viewChanges[0].second, granted);
    EXPECT_EQ(delegate.myChanges, (std::vector<std::map<int, bool>>{granted}));
    EXPECT_TRUE(manager.getPermission(2));

    // Only what changed is told; the same word again tells nothing.
    manager.recvPermissionCmd("chair", 3, 1, 0, 2);
    EXPECT_EQ(delegate.myChanges.back(), (std::map<int, bool>{{2, false}}));
    manager.recvPermissionCmd("chair", 3, 1, 0, 2);
    EXPECT_EQ(delegate.myChanges.size(), 2u);
    EXPECT_TRUE(log().contains("[UserPermission]Change my permission. (2)"));
}

TEST_F(PermissionManagerTest, AppliedChangesSkipADepartedParticipantAndNeverSendTheOwnEntry) {
    enter(AllOn(), 3);
    PermissionInfo& table = manager.permissionInfo();
    const PermissionDataRef u1 = table.getPermissionData("u1");
    const PermissionDataRef u2 = table.getPermissionData("u2");
    const PermissionDataRef me = table.myInfo();
    u1->setEnableFlgs(7);
    u1->setPermission(PERMISSION_TYPE_AS, true);
    u2->setPermission(PERMISSION_TYPE_DS, true);
    me->setPermission(PERMISSION_TYPE_REMOTESTG, true);
    manager.deleteUser("u2");
    EXPECT_TRUE(manager.sendChangePermissionWithList({u1, u2, me}));
    EXPECT_EQ(delegate.commands(), (std::vector<Command>{{"u1", 3, 1, 7, 2}}));
    EXPECT_EQ(delegate.myChanges, (std::vector<std::map<int, bool>>{{{0, false}, {1, false}, {2, true}}}));
    EXPECT_TRUE(delegate.viewChanges.empty());
    EXPECT_FALSE(manager.sendChangePermission(u2));

    // An entry that is not the table's own carries its word to the table's entry.
    auto copy = std::make_shared<PermissionData>(User("u3"));
    copy->setPermitFlgs(4);
    EXPECT_TRUE(manager.sendChangePermission(copy));
    EXPECT_EQ(entry("u3").permitFlgs, 4);

    manager.setParameters(User("me"), AllOn({{"MODE_USER_PERMISSION", "N"}}));
    EXPECT_FALSE(manager.sendChangePermissionWithList({table.myInfo()}));
}

// A room: the chair and four participants, each manager with a receive
// thread of its own that hands it the commands addressed to it, as a core
// does. Maximum 3 for remote settings; every participant asks for it.
namespace {

class Room {
public:
    struct Member : PermissionManagerDelegate {
        Room* room = nullptr;
        QString id;
        PermissionManager manager;
        std::vector<Command> received;
        std::mutex mu;
        void sendPermissionCmd(const QString& to, int command, int code, int f, int p) override {
            room->post(id, to, command, code, f, p);
        }
    };
    Room() : thread_([this] { run(); }) {}
    ~Room() {
        {
            std::lock_guard lock(mu_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
        for (auto& m : members) m->manager.setDelegate(nullptr);
    }
    Member& add(const QString& id, const QVariantMap& config) {
        auto m = std::make_unique<Member>();
        m->room = this;
        m->id = id;
        m->manager.setDelegate(m.get());
        m->manager.setParameters(User(id), config);
        members.push_back(std::move(m));
        return *members.back();
    }
    void post(const QString& from, const QString& to, int command, int code, int f, int p) {
        std::lock_guard lock(mu_);
        queue_.push_back({from, to, command, code, f, p});
        cv_.notify_all();
    }
    void settle() {
        std::unique_lock lock(mu_);
        cv_.wait_for(lock, 10s, [&] { return queue_.empty() && !busy_; });
    }
    std::vector<std::unique_ptr<Member>> members;

private:
    struct Message {
        QString from, to;
        int command, code, f, p;
    };
    void run() {
        std::unique_lock lock(mu_);
        for (;;) {
            cv_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            if (stop_) return;
            const Message m = queue_.front();
            queue_.pop_front();
            busy_ = true;
            lock.unlock();
            for (auto& member : members) {
                if (member->id != m.to) continue;
                {
                    std::lock_guard l(member->mu);
                    member->received.push_back({m.from.toStdString(), m.command, m.code, m.f, m.p});
                }
                member->manager.recvPermissionCmd(m.from, m.command, m.code, m.f, m.p);
            }
            lock.lock();
            busy_ = false;
            cv_.notify_all();
        }
    }
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
    bool busy_ = false, stop_ = false;
    std::thread thread_;
};

}  // namespace

TEST_F(PermissionManagerTest, FourParticipantsAskAChairWithMaximumThree) {
    Room room;
    const QVariantMap config = AllOn({{"MODE_USER_PERMISSION_REMOTESTG_MAX", "3"}});
    Room::Member& chair = room.add("chair", config);
    std::vector<Room::Member*> others;
    for (int i = 1; i <= 4; ++i) {
        others.push_back(&room.add(QString("p%1").arg(i), config));
        chair.manager.addUser(User(QString("p%1").arg(i)));
    }
    // Each participant holds remote settings (as a chair of an earlier
    // session granted it) and announces it to the chair, one after another.
    for (Room::Member* p : others) {
        p->manager.permissionInfo().changePermission(p->id, PERMISSION_TYPE_REMOTESTG, true);
        ASSERT_TRUE(p->manager.sendMyPermissionScheduled("chair", false));
        dispatcher->runPending();
        room.settle();
    }
    const auto stored = [&](const QString& id) {
        return chair.manager.permissionInfo().getPermissionData(id)->permitFlgs();
    };
    EXPECT_EQ(stored("p1"), 4);
    EXPECT_EQ(stored("p2"), 4);
    EXPECT_EQ(stored("p3"), 4);
    EXPECT_EQ(stored("p4"), 0) << "the fourth is stored without remote settings";
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(others[size_t(i)]->received.empty());
    EXPECT_EQ(others[3]->received, (std::vector<Command>{{"chair", 3, 1, 7, 0}}));
    EXPECT_FALSE(others[3]->manager.getPermission(PERMISSION_TYPE_REMOTESTG)) << "the answer took it back";
    EXPECT_TRUE(others[0]->manager.getPermission(PERMISSION_TYPE_REMOTESTG));

    // The chair withdraws p1's grant and gives it to p4.
    PermissionInfo& table = chair.manager.permissionInfo();
    table.changePermission("p1", PERMISSION_TYPE_REMOTESTG, false);
    table.changePermission("p4", PERMISSION_TYPE_REMOTESTG, true);
    EXPECT_TRUE(chair.manager.sendChangePermissionWithList(
        {table.getPermissionData("p1"), table.getPermissionData("p4")}));
    room.settle();
    EXPECT_FALSE(others[0]->manager.getPermission(PERMISSION_TYPE_REMOTESTG));
    EXPECT_TRUE(others[3]->manager.getPermission(PERMISSION_TYPE_REMOTESTG));
    dispatcher->runPending();
}
