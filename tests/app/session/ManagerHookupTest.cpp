// The hook-ups to the feature managers: document sharing, remote settings,
// permissions, the webinar layout, display control and recording reach their
// interfaces with the right values; recording preferences are seeded only
// when absent.
#include "FeatureTestSupport.h"
#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "session/FreeMessageCodes.h"

namespace login_test {
namespace {

struct FakeDocShare : LoginDocShareManager {
    explicit FakeDocShare(FeatureCalls& c) : calls(c) {}
    void setMyInfo(const UserInfoRef&) override {}
    void setOptions(const QVariantMap&) override {}
    void sendDocShareMessage(const QString& type, int clientId, const std::optional<QStringList>&) override {
        calls.add("doc.message " + Str(type) + " " + std::to_string(clientId));
    }
    void startDocShare(const UserInfoRef& leader, bool own, bool permitted) override {
        calls.add("doc.start " + Str(leader->userId()) + " " + std::to_string(own) +
                  std::to_string(permitted));
        started = true;
        owner = leader;
    }
    void stopDocShare(bool reset) override {
        calls.add("doc.stop " + std::to_string(reset));
        started = false;
    }
    void OnDocShareData(const QString& from, const QString& text) override {
        calls.add("doc.data " + Str(from) + " " + Str(text));
    }
    void changeDocSharePermission(bool on) override { calls.add("doc.permission " + std::to_string(on)); }
    bool isStarted() const override { return started; }
    UserInfoRef ownerInfo() const override { return owner; }
    bool hasOperationRight() const override { return right; }
    FeatureCalls& calls;
    bool started = false, right = false;
    UserInfoRef owner;
};

struct FakeRemoteStg : LoginRemoteStgManager {
    explicit FakeRemoteStg(FeatureCalls& c) : calls(c) {}
    void setOptions(const QVariantMap&) override {}
    void setMyInfo(const UserInfoRef&) override {}
    void resetInfo() override {}
    void recvRemoteStgReq(const QString& f, int v, const QString& d) override { add("req", f, v, d); }
    void recvRemoteStgRes(const QString& f, int v, const QString& d) override { add("res", f, v, d); }
    void recvRemoteStgChangeReq(const QString& f, int v, const QString& d) override {
        add("changeReq", f, v, d);
    }
    void recvRemoteStgChangeRes(const QString& f, int v, const QString& d) override {
        add("changeRes", f, v, d);
    }
    void setIsManyMtgMicChanging(bool v) override { calls.add("stg.changing " + std::to_string(v)); }
    void add(const char* what, const QString& f, int v, const QString& d) {
        calls.add(std::string("stg.") + what + " " + Str(f) + " " + std::to_string(v) + " " + Str(d));
    }
    FeatureCalls& calls;
};

struct FakePermissions : LoginPermissionManager {
    explicit FakePermissions(FeatureCalls& c) : calls(c) {}
    void setParameters(const UserInfoRef&, const QVariantMap&) override {}
    void resetParameters(bool) override {}
    void recvPermissionCmd(const QString& from, int cmd, int code, int f, int p) override {
        calls.add("perm.recv " + Str(from) + " " + std::to_string(cmd) + std::to_string(code) +
                  std::to_string(f) + std::to_string(p));
    }
    bool getPermission(int type) const override { return type == 0; }
    FeatureCalls& calls;
};

struct FakeSupport : LoginRemoteSupportManager {
    explicit FakeSupport(FeatureCalls& c) : calls(c) {}
    void recvDispControlReq(const QString& f, int v, const QString&) override {
        calls.add("disp.req " + Str(f) + std::to_string(v));
    }
    void recvDispControlRes(const QString& f, int v, const QString&) override {
        calls.add("disp.res " + Str(f) + std::to_string(v));
    }
    void recvDispControlRep(const QString& f, int v, const QString&) override {
        calls.add("disp.rep " + Str(f) + std::to_string(v));
    }
    FeatureCalls& calls;
};

struct FakeWebinar : LoginWebinarManager {
    explicit FakeWebinar(FeatureCalls& c) : calls(c) {}
    void convertFromModeToSyncdata(bool main, int mode) override {
        calls.add("webinar.setup " + std::to_string(main) + " " + std::to_string(mode));
        layout = "1:" + QString::number(mode) + ":0";
    }
    void updataAndConvertStrWinSync(const QString& text) override {
        calls.add("webinar.sync " + Str(text));
        layout = text;
    }
    QString strWinSync() const override { return layout; }
    FeatureCalls& calls;
    QString layout;
};

struct FakeRecording : LoginRecordingManager {
    FakeRecording(FeatureCalls& c, const RecordingParams& p) : calls(c), params(p) {}
    void stopAllRecording() override { calls.add("rec.stopAll"); }
    void setIsAutoRecStartSelfVideoForManyMtg(bool v) override { autoStarted = v; }
    bool isAutoRecStartSelfVideoForManyMtg() const override { return autoStarted; }
    int getTimerCountVal() const override { return 600; }
    void startAutoSaveRecording(int mode, const QString& id, const QString&, const QString& room, int w,
                                int h, int limit) override {
        calls.add("rec.auto " + std::to_string(mode) + " " + Str(id) + " " + Str(room) + " " +
                  std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(limit));
    }
    FeatureCalls& calls;
    RecordingParams params;
    bool autoStarted = false;
};

class ManagerHookup : public LoginTestBase {
protected:
    ManagerHookup() : me(Features()) {}
    LoginManagerFeatures Features() {
        LoginManagerFeatures f;
        f.docShareManager = [this](LoginManager&) {
            auto d = std::make_unique<FakeDocShare>(calls);
            doc = d.get();
            return d;
        };
        f.remoteStgManager = [this](LoginManager&) { return std::make_unique<FakeRemoteStg>(calls); };
        f.permissionManager = [this](LoginManager&) { return std::make_unique<FakePermissions>(calls); };
        f.remoteSupportManager = [this](LoginManager&) { return std::make_unique<FakeSupport>(calls); };
        f.webinarManager = [this](LoginManager&) { return std::make_unique<FakeWebinar>(calls); };
        f.recordingManager = [this](LoginManager&, const RecordingParams& p) {
            auto r = std::make_unique<FakeRecording>(calls, p);
            recording = r.get();
            return r;
        };
        return f;
    }
    void enter(const Config& extra = {}, const QString& userId = "me") {
        recording = nullptr;
        ASSERT_TRUE(EnterRoom(web, me, extra, userId));
        calls.calls.clear();
    }

    RoomWebService web;
    FeatureCalls calls;
    FakeDocShare* doc = nullptr;
    FakeRecording* recording = nullptr;
    Participant me;
};

TEST_F(ManagerHookup, DocumentSharingStartsByRightAndStopsOnlyByItsLeader) {
    struct Case {
        const char* what;
        Config config;
        QString myId;
        std::vector<std::string> bridge, window;
    };
    const Case cases[] = {
        {"chair starts it on the core", {}, "owner-id", {"docShareStart"}, {}},
        {"without the right in a normal room the view opens", {}, "me", {}, {"docStart none 0"}},
        {"without the right in a seminar room nothing happens", {{"CATEGORY", "1"}}, "me", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter(c.config, c.myId);
        me.manager.startDocShare();
        EXPECT_EQ(me.bridge.commands("docShare"), c.bridge);
        EXPECT_EQ(me.window.list("doc"), c.window);
    }

    enter({{"MODE_DOCSHARE_DATA_RESET", "3"}});
    me.manager.OnDocShareStart("ann", "Ann");
    EXPECT_TRUE(me.manager.isDocShareStarted());
    me.manager.OnDocShareStop("bob");  // not the leader
    EXPECT_TRUE(me.manager.isDocShareStarted());
    me.manager.OnDocShareStop("ann");
    EXPECT_FALSE(me.manager.isDocShareStarted());
    me.manager.OnDocShareData("ann", "Type: WEBESCORT_STOP\r\n");
    EXPECT_EQ(calls.list(), (std::vector<std::string>{"doc.start ann 01", "doc.stop 1",
                                                      "doc.data ann Type: WEBESCORT_STOP\r\n"}));
    EXPECT_EQ(me.window.list("doc"), (std::vector<std::string>{"docStart ann 1", "docStop ann"}));
}

TEST_F(ManagerHookup, DocumentSharingEndsWithItsLeadersSpeechOrTheUsersLostRight) {
    enter({{"MODE_DOCSHARE_DATA_RESET", "1"}});
    me.manager.OnStartSpeech(5, "ann", "Ann", "S0", true, true);
    me.manager.OnDocShareStart("ann", "Ann");
    calls.calls.clear();
    me.manager.OnStopSpeech(5);
    EXPECT_EQ(calls.list(), std::vector<std::string>{"doc.stop 1"});
    EXPECT_EQ(me.window.list("docStop"), std::vector<std::string>{"docStop ann"});

    enter({}, "owner-id");  // the chair leads and loses the chair
    me.manager.OnDocShareStartResult(0);
    doc->right = true;
    me.manager.OnChangeOwner("ann");
    EXPECT_EQ(me.bridge.commands("docShare"), std::vector<std::string>{"docShareStop"});
    EXPECT_EQ(me.window.list("docStop"), std::vector<std::string>{"docStop owner-id"});
}

TEST_F(ManagerHookup, StartResultsAreAnsweredByKind) {
    struct Case {
        int result;
        bool userLeads;
        std::vector<std::string> calls, window;
    };
    const Case cases[] = {
        {0, false, {"doc.start me 11"}, {"docStart me 1"}},
        {1, true, {}, {"docActive"}},
        {1, false, {"doc.message WEBESCORT_REQUEST 0"}, {}},
        {2, false, {"doc.message WEBESCORT_REQUEST 0"}, {}},
        {3, false, {}, {"docError 3"}},
        {9, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        enter();
        doc->owner = c.userLeads ? me.manager.myInfo() : std::make_shared<UserInfo>("ann", "Ann", "S0");
        me.manager.OnDocShareStartResult(c.result);
        EXPECT_EQ(calls.list(), c.calls);
        EXPECT_EQ(me.window.list("doc"), c.window);
    }
}

TEST_F(ManagerHookup, FreeMessagesReachTheirManagersAsTheyArrived) {
    enter({{"MODE_DISPCONTROL", "Y"}});
    const std::tuple<uint32_t, std::string> cases[] = {
        {FREEMSG_REMOTE_STG_REQ, "stg.req ann 7 text"},
        {FREEMSG_REMOTE_STG_RES, "stg.res ann 7 text"},
        {FREEMSG_REMOTE_STG_CHANGE_REQ, "stg.changeReq ann 7 text"},
        {FREEMSG_REMOTE_STG_CHANGE_RES, "stg.changeRes ann 7 text"},
        {FREEMSG_DISPCONTROL_REQ, "disp.req ann7"},
        {FREEMSG_DISPCONTROL_RES, "disp.res ann7"},
        {FREEMSG_DISPCONTROL_REP, "disp.rep ann7"},
    };
    for (const auto& [code, expected] : cases) {
        SCOPED_TRACE(code);
        calls.calls.clear();
        me.manager.OnRecvFreeMessageData(code, "ann", 7, "text");
        EXPECT_EQ(calls.list(), std::vector<std::string>{expected});
    }
    calls.calls.clear();
    me.manager.OnRecvFreeMessageData(10099, "ann", 7, "text");
    EXPECT_TRUE(calls.list().empty()) << "codes without a row are ignored";
    enter();  // no display control: the messages are dropped
    me.manager.OnRecvFreeMessageData(FREEMSG_DISPCONTROL_REQ, "ann", 7, "text");
    EXPECT_TRUE(calls.list().empty());
}

TEST_F(ManagerHookup, PermissionCommandsAndDisplayControlAreNotSentWhileReconnecting) {
    enter({{"MODE_DISPCONTROL", "Y"}});
    me.manager.sendPermissionCmd("ann", 1, 2, 3, 4);
    me.manager.sendRemoteSupportMsg(FREEMSG_DISPCONTROL_RES, "ann", 5, "x");
    EXPECT_EQ(me.bridge.commands("permission"), std::vector<std::string>{"permission me ann 1 2 3 4"});
    EXPECT_EQ(me.bridge.commands("freeData"), std::vector<std::string>{"freeData 10062 ann 5 x"});
    me.manager.OnError(1, -1, "lost");
    ASSERT_EQ(me.manager.status(), LOGIN_STATUS_RECONNECTING);
    me.manager.sendPermissionCmd("ann", 1, 2, 3, 4);
    me.manager.sendRemoteSupportMsg(FREEMSG_DISPCONTROL_RES, "ann", 5, "x");
    EXPECT_EQ(me.bridge.commands("permission").size(), 1u);
    EXPECT_EQ(me.bridge.commands("freeData").size(), 1u);
    me.manager.OnUserPermissionCmd("ann", 1, 2, 3, 4);
    EXPECT_NE(std::find(calls.calls.begin(), calls.calls.end(), "perm.recv ann 1234"), calls.calls.end());
}

TEST_F(ManagerHookup, RemoteChangesAnswerWithoutChangingWhatNeedsNoChange) {
    enter({{"CATEGORY", "2"}, {"MODE_MANY_MTG_SPEAKER", "1"}});
    me.manager.OnManyListRes(0, 0, {"bob"}, {"Bob"});  // bob is not a listed speaker: skipped
    me.manager.OnStartSpeech(5, "bob", "Bob", "S0", true, true);
    me.manager.OnManyMtgStart(0, 0, "bob", "Bob");  // the one sender place is taken
    me.window.clear();
    me.bridge.clearCommands();
    calls.calls.clear();
    EXPECT_FALSE(me.manager.remoteChangeMicOnOff(nullptr, true)) << "a full many-meeting room refuses";
    EXPECT_TRUE(me.bridge.commands("many").empty());
    EXPECT_TRUE(me.manager.remoteChangeMicOnOff(nullptr, false)) << "already off";
    EXPECT_TRUE(me.manager.remoteChangeSpeakerOnOff(nullptr, me.manager.isSpeakerOn()));
    EXPECT_TRUE(me.manager.remoteChangeCameraOnOff(nullptr, me.manager.isCameraOn()));
    EXPECT_TRUE(me.window.list().empty()) << "nothing changed, nothing told";
    EXPECT_TRUE(calls.list().empty());
}

struct RecordingNotices : LoginSettingNotificator {
    explicit RecordingNotices(FeatureCalls& c) : calls(c) {}
    void requestChangeCamDeviceNotification(const QString& name, const QStringList&, int index) override {
        calls.add("notice.camera " + Str(name) + " " + std::to_string(index));
    }
    void requestChangeResolutionNotification(const QSize& s) override {
        calls.add("notice.size " + std::to_string(s.width()) + "x" + std::to_string(s.height()));
    }
    void requestChangeFpsNotification(int fps) override { calls.add("notice.fps " + std::to_string(fps)); }
    FeatureCalls& calls;
};

TEST(RemoteCameraChanges, AreCheckedAtOnceAndAppliedOnTheMainQueue) {
    ensureQtApplication();
    TemporaryHome home;
    FeatureCalls calls;
    LoginManagerFeatures f;
    f.settingNotificator = [&calls] { return std::make_unique<RecordingNotices>(calls); };
    CommandBridge bridge;
    LoginManager manager(std::move(f), [&bridge](QuorixInterface*) { return &bridge; });
    CameraSettings::initCameraSettings({});
    const std::vector<QSize> sizes = manager.getAllResolution();
    const QStringList rates = manager.getAllFrameRate();
    ASSERT_FALSE(sizes.empty());
    ASSERT_FALSE(rates.isEmpty());
    ScopedManualDispatcher main;
    EXPECT_FALSE(manager.remoteChangeResolution(nullptr, QSize(123, 45))) << "not a size of the table";
    EXPECT_FALSE(manager.remoteChangeFps(nullptr, 977));
    EXPECT_TRUE(manager.remoteChangeResolution(nullptr, sizes.back()));
    EXPECT_TRUE(manager.remoteChangeFps(nullptr, rates.back().toInt()));
    EXPECT_TRUE(bridge.commands().empty()) << "nothing is applied on the requesting thread";
    main->runPending();
    const std::string size =
        std::to_string(sizes.back().width()) + "x" + std::to_string(sizes.back().height());
    EXPECT_EQ(bridge.commands(),
              (std::vector<std::string>{"videoSize " + size, "videoFps " + Str(rates.back())}));
    EXPECT_EQ(calls.list(),
              (std::vector<std::string>{"notice.size " + size, "notice.fps " + Str(rates.back())}));
    EXPECT_EQ(manager.getCurrentResolution(), sizes.back());
    EXPECT_EQ(manager.getCurrentFrameRate(), rates.back().toInt());
    CameraSettings::releaseCameraSettings();
}

TEST_F(ManagerHookup, TheWebinarLayoutIsSetUpAndSentToNewcomersByTheChair) {
    enter({{"CATEGORY", "1"},
           {"MODE_WEBINAR", "Y"},
           {"MODE_WEBINAR_STARTUP", "4"},
           {"MODE_WEBINAR_FUNC_MAIN_START", "Y"},
           {"OWNER", "me"}});
    ASSERT_NE(me.manager.webinarManager(), nullptr);
    me.manager.OnEnterMember("ann", "Ann", "S0");
    me.manager.OnEnterMember("vip", "Vip", "M0");
    EXPECT_EQ(me.bridge.commands("freeData"), std::vector<std::string>{"freeData 10059  0 1:4:0"});
    me.manager.onChangeLayoutOfWebinarView(true, 3);
    EXPECT_EQ(me.window.list("layout"), std::vector<std::string>{"layout 1 3"});

    enter();  // outside a webinar the manager goes
    EXPECT_EQ(me.manager.webinarManager(), nullptr);
    me.manager.OnRecvFreeMessageData(FREEMSG_WEBINAR_WINSYNC, "boss", 0, "2:1:0");
    ASSERT_NE(me.manager.webinarManager(), nullptr) << "a layout that comes first creates it";
    EXPECT_EQ(me.manager.webinarManager()->strWinSync(), "2:1:0");
    me.manager.onChangeLayoutOfWebinarView(true, 5);
    EXPECT_TRUE(me.window.list("layout").empty()) << "neither chair nor the chair speaking";
}

TEST_F(ManagerHookup, TheRecordingManagerIsMadeFromTheRoomOnlyWhenTheRoomRecords) {
    enter();
    EXPECT_EQ(me.manager.recordingManager(), nullptr);
    enter({{"RECORDING", "Y"},
           {"MODE_RECORDING_MP4_AAC_KBPS", "128"},
           {"MODE_RECORDING_TIMEREC_INFO", "Y"},
           {"MODE_RECORDING_TIMEREC_DEFAULT_CHECK", "3"},
           {"MODE_RECORDING_TIMEREC_STRING_COLOR", "#ff0000"},
           {"MODE_FREE_REC_COUNT", "Y"}});
    ASSERT_NE(recording, nullptr);
    const RecordingParams& p = recording->params;
    EXPECT_TRUE(p.param);
    EXPECT_EQ(p.autoSaveDir, "~/Documents/Quorix_AutoSave");
    EXPECT_FALSE(p.configRecDirSpecify.has_value());
    EXPECT_EQ(p.configMp4VideoQuality, 10);
    EXPECT_EQ(p.configMp4AacKbps, 128);
    EXPECT_TRUE(p.isEnableTimeStamp);
    EXPECT_EQ(p.recDefaultFormat, 1);
    EXPECT_EQ(p.timeRecColorOfString, "#ff0000");
    EXPECT_EQ(p.timeRecColorOfBack, "#000000");
    EXPECT_EQ(p.myUserId, "me");
    enter();
    EXPECT_EQ(me.manager.recordingManager(), nullptr) << "the previous login's manager is gone";
}

TEST_F(ManagerHookup, TheTimeStampRuleFollowsTheRoomAndTheStoredChoice) {
    struct Case {
        const char* check;  // nullptr: absent
        int stored;         // -1: none stored
        bool expected;
    };
    const Case cases[] = {{"3", 0, true},       {"1", -1, true}, {"1", 0, false}, {"1", 1, true},
                          {nullptr, -1, false}, {"0", 1, true},  {"2", 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.check ? c.check : "absent") + " stored " + std::to_string(c.stored));
        QVariantMap config{{"MODE_RECORDING_TIMEREC_INFO", "Y"}};
        if (c.check) config.insert("MODE_RECORDING_TIMEREC_DEFAULT_CHECK", c.check);
        UserDefaults::standard().removeObjectForKey("KeyRecordingDateCheck");
        if (c.stored >= 0) UserDefaults::standard().setInteger("KeyRecordingDateCheck", c.stored);
        EXPECT_EQ(LoginManager::recordingParams(config, "me").isEnableTimeStamp, c.expected);
    }
    EXPECT_FALSE(LoginManager::recordingParams({{"MODE_RECORDING_TIMEREC_DEFAULT_CHECK", "3"}}, "me")
                     .isEnableTimeStamp)
        << "no time stamp unless the room offers it";
}

TEST_F(ManagerHookup, RecordingDefaultsAreSeededOnlyWhenAbsent) {
    struct Case {
        const char* size;
        std::int64_t stored;
    };
    for (const Case& c : {Case{"100", 0}, Case{"125", 1}, Case{"150", 2}, Case{"120", 0}}) {
        SCOPED_TRACE(c.size);
        UserDefaults::standard().removeObjectForKey("KeyRecordingDateSize");
        LoginManager::recordingConfigSetting(
            {{"MODE_RECORDING_TIMEREC_INFO", "Y"}, {"MODE_RECORDING_TIMEREC_DEFAULT_SIZE", c.size}});
        EXPECT_EQ(UserDefaults::standard().integerForKey("KeyRecordingDateSize"), c.stored);
    }
    UserDefaults& d = UserDefaults::standard();
    d.setInteger("KeyRecordingDefaultRecTimeStartUp", 5);
    d.setInteger("KeyRecordingDateSize", 2);
    d.removeObjectForKey("KeyRecordingPoint");
    LoginManager::recordingConfigSetting({{"MODE_DEFAULT_RECORD_TIME", "30"},
                                          {"MODE_RECORDING_TIMEREC_INFO", "Y"},
                                          {"MODE_RECORDING_TIMEREC_DEFAULT_SIZE", "100"},
                                          {"MODE_RECORDING_TIMEREC_DEFAULT_POINT", "3"}});
    EXPECT_EQ(d.integerForKey("KeyRecordingDefaultRecTimeStartUp"), 5)
        << "a stored choice is never overwritten";
    EXPECT_EQ(d.integerForKey("KeyRecordingDateSize"), 2);
    EXPECT_EQ(d.integerForKey("KeyRecordingPoint"), 3);
    EXPECT_EQ(d.integerForKey("KeyRecordingMovRotateVal"), 1024);
    d.removeObjectForKey("KeyRecordingDefaultRecTimeStartUp");
    LoginManager::recordingConfigSetting({{"MODE_DEFAULT_RECORD_TIME", "0"}});
    EXPECT_EQ(d.integerForKey("KeyRecordingDefaultRecTimeStartUp"), 180);
}

TEST_F(ManagerHookup, TheOwnAutomaticRecordingStartsOncePerLoginWithAnAllowedMode) {
    struct Case {
        const char* what;
        Config config;
        QString myId;
        size_t started;
    };
    const Config base{{"CATEGORY", "2"},
                      {"RECORDING", "Y"},
                      {"MODE_MANY_MTG_REC_ONEUSER", "Y"},
                      {"CLASSNAME", "Room A"},
                      {"MODE_MANY_MTG_SPEAKER", "2"}};
    const auto with = [&base](Config extra) {
        Config c = base;
        c.insert(c.end(), extra.begin(), extra.end());
        return c;
    };
    const Case cases[] = {
        {"mode 5", with({{"MODE_AUTO_SAVE_REC", "5"}}), "me", 1},
        {"mode 3 is not a mode", with({{"MODE_AUTO_SAVE_REC", "3"}}), "me", 0},
        {"registered users only: a one-time user", with({{"MODE_AUTO_SAVE_REC_ONLY_NORMALUSER", "10"}}),
         "/me", 0},
        {"registered users only: a registered user", with({{"MODE_AUTO_SAVE_REC_ONLY_NORMALUSER", "10"}}),
         "me", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter(c.config, c.myId);
        me.manager.OnManyMtgStart(0, 0, c.myId, "Me");
        me.manager.OnManyMtgStop(0, 0, c.myId, "Me");
        me.manager.OnManyMtgStart(0, 0, c.myId, "Me");
        const auto all = calls.list();
        EXPECT_EQ(size_t(std::count_if(all.begin(), all.end(),
                                       [](const std::string& l) { return l.rfind("rec.auto", 0) == 0; })),
                  c.started);
    }
    for (const auto& l : calls.list()) {
        if (l.rfind("rec.auto", 0) == 0) {
            EXPECT_EQ(l, "rec.auto 10 me Room A 320x240 600");
        }
    }
}

TEST_F(ManagerHookup, TheCloudRecordingStartsWithTheRoomsOptionUnchanged) {
    enter({{"MODE_CLOUDREC_AUTO_START", "Y"}, {"CLOUDREC_OPTION", "{\"a\":1}"}});
    me.manager.initEnteringRoom();
    EXPECT_EQ(me.bridge.commands("cloudRec"),
              std::vector<std::string>{"cloudRec me User One [] 00 {\"a\":1}"});
}

}  // namespace
}  // namespace login_test
