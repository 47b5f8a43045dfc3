// Participants, chair and floor through LoginManager: entering members,
// speakers and their volumes, chair changes, reservations, the seminar
// audience from the web service, and forced leaves.
#include "FeatureTestSupport.h"
#include "model/ListNotificator.h"
#include "model/MessageInfo.h"
#include "services/DataSaveManager.h"
#include "session/FreeMessageCodes.h"

namespace login_test {
namespace {

struct RecordingRemoteStg : LoginRemoteStgManager {
    explicit RecordingRemoteStg(FeatureCalls& c) : calls(c) {}
    void setOptions(const QVariantMap&) override {}
    void setMyInfo(const UserInfoRef&) override {}
    void resetInfo() override {}
    void updateClientList(const UserInfoRef& u, bool check) override {
        calls.add("stg.client " + Str(u->userId()) + " " + std::to_string(check));
    }
    void removeUserSettings(const QString& id) override { calls.add("stg.remove " + Str(id)); }
    bool isManyMtgMicChanging() const override { return changing; }
    void setIsManyMtgMicChanging(bool v) override {
        changing = v;
        calls.add("stg.changing " + std::to_string(v));
    }
    void setResMessage(const std::optional<QString>& m) override {
        calls.add(m ? "stg.res text" : "stg.res none");
    }
    void changeManySpeaker(const QString& owner, bool on) override {
        calls.add("stg.many " + Str(owner) + " " + std::to_string(on));
    }
    FeatureCalls& calls;
    bool changing = false;
};

struct RecordingPermission : LoginPermissionManager {
    explicit RecordingPermission(FeatureCalls& c) : calls(c) {}
    void setParameters(const UserInfoRef&, const QVariantMap&) override {}
    void resetParameters(bool) override {}
    void addUser(const UserInfoRef& u) override { calls.add("perm.add " + Str(u->userId())); }
    void deleteUser(const QString& id) override { calls.add("perm.delete " + Str(id)); }
    void setUser(const std::vector<UserInfoRef>& users) override {
        calls.add("perm.set " + std::to_string(users.size()));
    }
    void sendMyPermission(const QString& owner, bool delay) override {
        calls.add("perm.announce " + Str(owner) + " " + std::to_string(delay));
    }
    FeatureCalls& calls;
};

LoginManagerFeatures FloorFeatures(FeatureCalls& calls) {
    LoginManagerFeatures f;
    f.remoteStgManager = [&calls](LoginManager&) { return std::make_unique<RecordingRemoteStg>(calls); };
    f.permissionManager = [&calls](LoginManager&) { return std::make_unique<RecordingPermission>(calls); };
    return f;
}

class FloorHookup : public LoginTestBase {
protected:
    FloorHookup() : me(FloorFeatures(calls)) {}
    void enter(const Config& extra = {}, const QString& userId = "me") {
        ASSERT_TRUE(EnterRoom(web, me, extra, userId));
        me.manager.waitForSeminarList();
        calls.calls.clear();
        web.server.clearRequests();
    }
    std::vector<std::string> speakerIds() {
        std::vector<std::string> ids;
        for (const auto& s : me.manager.userListInfo()->speakerList().value_or(std::vector<SpeakerInfoRef>{}))
            ids.push_back(std::to_string(s->clientNo()) + ":" + Str(s->userId()) + ":" + Str(s->userName()));
        return ids;
    }

    RoomWebService web;
    FeatureCalls calls;
    Participant me;
};

TEST_F(FloorHookup, EnteringMembersAreListedOnlyInSeminarRooms) {
    struct Case {
        const char* what;
        const char* category;
        QString type;
        std::vector<std::string> listed;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"normal room: nothing changes", "0", "S0", {}, {}},
        {"seminar member", "1", "S0", {"ann"}, {"stg.client ann 1", "perm.add ann"}},
        {"seminar M0 member is not listed", "1", "M0", {}, {}},
        {"seminar P0 member is not listed", "1", "P0", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter({{"CATEGORY", c.category}});
        me.manager.OnEnterMember("ann", "Ann", c.type);
        std::vector<std::string> listed;
        for (const auto& u : me.manager.userListInfo()->clientList().value_or(std::vector<UserInfoRef>{}))
            listed.push_back(Str(u->userId()));
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(calls.list(), c.calls);
    }
}

TEST_F(FloorHookup, TheSeminarAudienceIsFetchedOffTheReceiveThreadAndOnlyParsedEntriesCount) {
    // The document claims more users than it holds.
    web.server.setReply("/user_list_xml.php",
                        WebReply::xml("<?xml version=\"1.0\"?><UserList><UserCnt>50</UserCnt>"
                                      "<user><id>me</id><name>Me</name><usertype>S0</usertype></user>"
                                      "<user><id>ann</id><name>Ann</name><usertype>S0</usertype></user>"
                                      "<user><id>bob</id><usertype>A1</usertype></user>"
                                      "</UserList>"));
    enter({{"CATEGORY", "1"}});
    me.manager.OnEnterMember("bob", QString(), QString());  // the core gave no name: ask the web service
    me.manager.waitForSeminarList();
    std::vector<std::string> listed;
    for (const auto& u : me.manager.userListInfo()->clientList().value_or(std::vector<UserInfoRef>{}))
        listed.push_back(Str(u->userId()) + ":" + Str(u->userName()) + ":" + Str(u->userType()));
    EXPECT_EQ(listed, (std::vector<std::string>{"ann:Ann:S0", "bob:bob:A1"}));
    EXPECT_EQ(calls.list(), (std::vector<std::string>{"perm.set 2", "stg.client bob 1", "perm.add bob"}));
    const auto requests = web.server.requestsFor("/user_list_xml.php");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].queryValue("trid"), "7");
    EXPECT_EQ(requests[0].queryValue("rid"), "8");
}

TEST_F(FloorHookup, SpeakersGetTheirStoredVolumeAndOneTimeVolumesAreNotStored) {
    enter();
    DataSaveManager::saveAudioVolumeOthers(me.manager.serverUrl(), "bob", 0.8f);
    me.manager.OnStartSpeech(5, "bob", "", "S0", true, true);
    me.manager.OnStartSpeech(6, "/guest", "Guest", "S0", false, true);
    EXPECT_EQ(speakerIds(), (std::vector<std::string>{"-100:me:User One", "5:bob:bob", "6:/guest:Guest"}))
        << "an empty name becomes the user id";
    EXPECT_EQ(me.bridge.commands("volume"), (std::vector<std::string>{"volume 5 0.80", "volume 6 0.33"}));
    EXPECT_EQ(me.bridge.commands("startVideo"), (std::vector<std::string>{"startVideo 5", "startVideo 6"}));

    me.bridge.clearCommands();
    me.manager.changeSpeakerVolume(6, 0.5f);
    me.manager.changeSpeakerVolume(5, 0.25f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers(me.manager.serverUrl(), "bob"), 0.25f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolumeOthers(me.manager.serverUrl(), "/guest"),
                    DataSaveManager::loadAudioVolumeOthers(me.manager.serverUrl(), "never-stored"))
        << "a one-time user's volume is not stored";
    EXPECT_EQ(me.bridge.commands("volume"), (std::vector<std::string>{"volume 6 0.50", "volume 5 0.25"}));

    me.bridge.clearCommands();
    me.manager.changeSpeakerOnOff(5);  // muted: level 0, volume kept
    me.manager.changeSpeakerOnOff(5);
    EXPECT_EQ(me.bridge.commands("volume"), (std::vector<std::string>{"volume 5 0.00", "volume 5 0.25"}));
}

TEST_F(FloorHookup, ChairChangesAreFollowedAndEmptyOnesIgnored) {
    // The windows learn of a chair change through the list notices.
    struct Owners : ListNotificatorDispatcherDelegate {
        void didChangeOwner(ListNotificatorDispatcher*, const QString& ownerId) override {
            seen.push_back(Str(ownerId));
        }
        std::vector<std::string> seen;
    } owners;
    ScopedManualDispatcher mainThread;
    ListNotificatorDispatcher notices(ListNotificator::sharedNotificator());
    notices.setDelegate(&owners);
    enter();
    mainThread->runPending();
    owners.seen.clear();
    me.manager.OnChangeOwner("");
    EXPECT_EQ(me.manager.ownerIdStr(), "owner-id");
    EXPECT_TRUE(me.window.list("owner").empty());
    me.manager.OnChangeOwner("ann");
    EXPECT_EQ(me.manager.ownerIdStr(), "ann");
    EXPECT_EQ(me.window.list("owner"), std::vector<std::string>{"owner ann owner-id"});
    EXPECT_EQ(calls.list(), std::vector<std::string>{"perm.announce ann 1"});
    me.manager.OnChangeOwner("me");
    EXPECT_TRUE(me.manager.isOwner());
    EXPECT_EQ(calls.list().size(), 1u) << "the user does not announce himself to himself";
    mainThread->runPending();
    EXPECT_EQ(owners.seen, (std::vector<std::string>{"ann", "me"}));
}

TEST_F(FloorHookup, ReservationsFollowTheirResults) {
    struct Case {
        int result;
        size_t reservers;
    };
    for (const Case& c : {Case{1, 0}, Case{2, 1}, Case{3, 1}}) {
        SCOPED_TRACE(c.result);
        enter({{"CATEGORY", "1"}});
        me.manager.OnSpeechReserve("me", "Me", true, true);
        EXPECT_TRUE(me.manager.isReserve());
        me.manager.OnSpeechReserveResult(c.result);
        EXPECT_EQ(me.manager.userListInfo()->reserveList()->size(), c.reservers);
        EXPECT_EQ(me.window.list("reserveResult"),
                  std::vector<std::string>{"reserveResult " + std::to_string(c.result)});
    }
}

TEST_F(FloorHookup, TheWebinarChairsEndWithdrawsTheUsersReservationAndSpeech) {
    enter({{"CATEGORY", "1"}, {"MODE_WEBINAR", "Y"}, {"OWNER", "boss"}});
    me.manager.OnStartSpeech(3, "boss", "Boss", "S0", true, true);
    EXPECT_EQ(me.manager.mainUserClientNo(), 3);
    me.manager.OnSpeechNominate(1);
    EXPECT_TRUE(me.manager.isSeminarSpeaker());
    me.manager.OnSpeechReserve("me", "Me", true, true);
    me.bridge.clearCommands();
    me.manager.OnStopSpeech(3);
    EXPECT_EQ(me.manager.mainUserClientNo(), -1);
    EXPECT_FALSE(me.manager.isSeminarSpeaker());
    const auto cmds = me.bridge.commands();
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "reserveCancel me"), cmds.end());
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "stopSpeech"), cmds.end());
    EXPECT_EQ(me.window.list("endSpeech"), std::vector<std::string>{"endSpeech 3 boss"});
}

TEST_F(FloorHookup, ForcedLeavesLogOutOffTheReceiveThreadAndTellTheWindow) {
    struct Case {
        const char* what;
        std::function<void(LoginManager&)> event;
        std::string told;
    };
    const Case cases[] = {
        {"expelled by a user", [](LoginManager& m) { m.OnForceLeave("boss", "Boss"); }, "forceLogout 0 boss"},
        {"expelled, sender unknown", [](LoginManager& m) { m.OnForceLeave(QString(), QString()); },
         "forceLogout 2 "},
        {"pushed out", [](LoginManager& m) { m.OnPushOut(); }, "forceLogout 1 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter();
        std::vector<std::function<void()>> queued;
        me.manager.setLogoutRunner(
            [&queued](std::function<void()> task) { queued.push_back(std::move(task)); });
        c.event(me.manager);
        EXPECT_EQ(me.window.list("forceLogout"), std::vector<std::string>{c.told});
        ASSERT_EQ(queued.size(), 1u);
        EXPECT_EQ(me.manager.status(), LOGIN_STATUS_LOGGED_IN) << "the logout waits for its queue";
        queued[0]();
        EXPECT_EQ(me.manager.status(), LOGIN_STATUS_IDLE);
        me.manager.setLogoutRunner([](std::function<void()> task) { task(); });
    }
}

TEST_F(FloorHookup, OperationsFollowRoomChairAndPermissions) {
    struct Case {
        const char* what;
        Config config;
        QString myId;
        int operation, expected;
    };
    const Case cases[] = {
        {"free normal room", {{"CAPTAIN_FREE", "Y"}}, "me", 0, 0},
        {"chair", {}, "owner-id", 1, 0},
        {"not free, no permission", {}, "me", 0, 3},
        {"remote settings without permission", {}, "me", 5, 3},
        {"seminar audience", {{"CATEGORY", "1"}}, "me", 1, 3},
        {"free room refuses 7", {{"CAPTAIN_FREE", "Y"}}, "owner-id", 7, 3},
        {"other operations", {}, "me", 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter(c.config, c.myId);
        EXPECT_EQ(me.manager.getOperationState(c.operation), c.expected);
    }
}

}  // namespace
}  // namespace login_test
