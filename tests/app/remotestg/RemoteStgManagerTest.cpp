// The remote-settings manager: the reader and the masks, the local request,
// the answers it composes, the chain of list requests, change requests
// (value checks, read-only items, consent, notices) and the many-meeting hold.
#include <thread>

#include "RemoteStgTestSupport.h"
#include "remotestg/RemoteStgKeys.h"

namespace remotestg_test {
namespace {

using namespace std::chrono_literals;

TEST(RemoteStgFlgInfoTest, MaskTextsSetTheirFields) {
    struct Case {
        std::optional<QString> text;
        std::vector<RemoteStgFlgInfo::Field> set;
    };
    const Case cases[] = {
        {std::nullopt, {}},
        {QString("30"), {&RemoteStgFlgInfo::bMicOnOff, &RemoteStgFlgInfo::bMicDev}},
        {QString("400"), {&RemoteStgFlgInfo::bSpkVol}},
        {QString("0x400"), {&RemoteStgFlgInfo::bSpkVol}},
        {QString("zz"), {}},
        {QString("0x"), {}},
        {QString("10ff"),
         {&RemoteStgFlgInfo::bCamOnOff, &RemoteStgFlgInfo::bCamDev, &RemoteStgFlgInfo::bFps,
          &RemoteStgFlgInfo::bReso, &RemoteStgFlgInfo::bMicOnOff, &RemoteStgFlgInfo::bMicDev,
          &RemoteStgFlgInfo::bMicVol, &RemoteStgFlgInfo::bEcho, &RemoteStgFlgInfo::bImgOther}},
        {QString("100000"), {&RemoteStgFlgInfo::bAesLevel}},
        {QString("200000"), {}},  // bit 21 lies beyond the record
    };
    for (const Case& c : cases) {
        const RemoteStgFlgInfo flags = RemoteStgFlgInfo::fromMask(c.text);
        for (int i = 0; i < RemoteStgFlgInfo::kCount; ++i) {
            const auto field = RemoteStgFlgInfo::fieldAt(i);
            const bool expected = std::find(c.set.begin(), c.set.end(), field) != c.set.end();
            EXPECT_EQ(flags.*field, expected) << c.text.value_or("(none)").toStdString() << " bit " << i;
        }
    }
    // Every bit up to 20 sets one field, bits 21 to 31 none.
    const RemoteStgFlgInfo all = RemoteStgFlgInfo::fromMask(QString("FFFFFFFF"));
    for (int i = 0; i < RemoteStgFlgInfo::kCount; ++i) EXPECT_TRUE(all.*RemoteStgFlgInfo::fieldAt(i)) << i;
}

TEST_F(ManagerTest, ReaderFollowsMarkersKeepsFlagsAndSizes) {
    NoticeRecorder notices;
    manager.updateSettingInfo("bob", "#MICVOL*R*=50\n#RESO=640 * 480\n#OS=Mac 14.1\n");
    auto e = manager.getUserInfo("bob");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->paramInfo.micVolume, 50);
    EXPECT_TRUE(e->enabledFlg.bMicVol);
    EXPECT_TRUE(e->readOnlyFlg.bMicVol);
    EXPECT_EQ(e->paramInfo.resolution, QSizeF(640, 480));
    EXPECT_EQ(e->paramInfo.osName, QString("Mac 14.1"));

    // Without the marker the read-only flag goes and the enabled flag stays;
    // "640*480" reads as well, "640" alone keeps the size but is reported.
    manager.updateSettingInfo("bob", "#MICVOL=40\n#RESO=320*240\n");
    e = manager.getUserInfo("bob");
    EXPECT_EQ(e->paramInfo.micVolume, 40);
    EXPECT_TRUE(e->enabledFlg.bMicVol);
    EXPECT_FALSE(e->readOnlyFlg.bMicVol);
    EXPECT_EQ(e->paramInfo.resolution, QSizeF(320, 240));
    manager.updateSettingInfo("bob", "#RESO=640\n#SPKVOL=30");  // the last line has no line feed
    e = manager.getUserInfo("bob");
    EXPECT_EQ(e->paramInfo.resolution, QSizeF(320, 240));
    EXPECT_TRUE(e->enabledFlg.bReso);
    EXPECT_EQ(e->paramInfo.speakerVolume, -1);
    EXPECT_FALSE(e->enabledFlg.bSpkVol);

    dispatcher->runPending();
    EXPECT_EQ(notices.lines, (std::vector<std::string>{"user bob", "user bob", "user bob"}));
}

TEST_F(ManagerTest, ReaderStoresListsAndIgnoresBadOnes) {
    NoticeRecorder notices;
    struct Case {
        const char* text;
        int type;
        QStringList list;
        int active;
    };
    const Case cases[] = {
        {"#MICNUM=2\n#ACTIVE=2\n#DATA=Mic A\nMic B\n", REMOTESTG_LIST_MIC, {"Mic A", "Mic B"}, 2},
        {"#SPKNUM=1\n#ACTIVE*R*=1\n#DATA=Out\n", REMOTESTG_LIST_SPK, {"Out"}, 1},
        {"#FPSNUM=2\n#ACTIVE=7\n#DATA=5\n10\n", REMOTESTG_LIST_FPS, {"5", "10"}, 0},  // position out of range
        {"#RESONUM=3\n#ACTIVE=1\n#DATA=320 * 240\n", REMOTESTG_LIST_RESO, {"320 * 240"}, 1},  // fewer lines
    };
    for (const Case& c : cases) {
        notices.lines.clear();
        notices.lists.clear();
        manager.updateSettingInfo("carol", c.text);
        dispatcher->runPending();
        ASSERT_EQ(notices.lines, std::vector<std::string>{"list carol " + std::to_string(c.type)}) << c.text;
        EXPECT_EQ(notices.lists[0].list, c.list) << c.text;
        EXPECT_EQ(notices.lists[0].active, c.active) << c.text;
        const auto entry = manager.getUserInfo("carol");
        const auto* stored = entry->listForType(c.type);
        ASSERT_TRUE(stored && *stored) << c.text;
        EXPECT_EQ((*stored)->list, c.list);
    }
    // Lists set no flags.
    EXPECT_EQ(manager.getUserInfo("carol")->enabledFlg, RemoteStgFlgInfo());
    // "DATA" takes the rest of the text: a count after it is never read, so
    // nothing is kept as a list.
    notices.lines.clear();
    manager.updateSettingInfo("carol", "#DATA=Cam 1\n#CAMNUM=1\n#ACTIVE=1\n");
    dispatcher->runPending();
    EXPECT_EQ(notices.lines, std::vector<std::string>{"user carol"});
    EXPECT_FALSE(manager.getUserInfo("carol")->cameraDeviceList);
}

TEST_F(ManagerTest, TextFromAParticipantNobodyKnowsIsDropped) {
    NoticeRecorder notices;
    manager.updateSettingInfo("stranger", "#MICVOL=50\n");
    manager.recvRemoteStgRes("stranger", 0, "#MICNUM=1\n#ACTIVE=1\n#DATA=x\n");
    dispatcher->runPending();
    EXPECT_EQ(manager.remoteStgInfo().count(), 0u);
    EXPECT_TRUE(notices.lines.empty());
    EXPECT_TRUE(devices.sent().empty());
}

TEST_F(ManagerTest, LocalRequestReadsSixTextsAndSendsNothing) {
    NoticeRecorder notices;
    manager.sendRemoteStgRequest(User("bob"));
    manager.sendRemoteStgRequest(me);
    dispatcher->runPending();
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10041, "bob", 1, ""}}));
    EXPECT_EQ(notices.lines, (std::vector<std::string>{"user me", "list me 3", "list me 5", "list me 4",
                                                       "list me 2", "list me 1"}));
    const auto all = manager.remoteStgInfo().settings();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].userId(), "me");  // the local entry comes first
    const RemoteStgUserInfo& mine = all[0];
    EXPECT_EQ(mine.paramInfo.micDevice, QString("Mic B"));
    EXPECT_EQ(mine.paramInfo.resolution, QSizeF(640, 480));
    EXPECT_EQ(mine.micDeviceList->list, (QStringList{"Mic A", "Mic B"}));
    EXPECT_EQ(mine.micDeviceList->active, 2);
    EXPECT_EQ(mine.resolutionList->list, (QStringList{"320 * 240", "640 * 480", "1280 * 720"}));
    EXPECT_EQ(mine.resolutionList->active, 2);
    EXPECT_EQ(mine.fpsList->active, 3);
}

TEST_F(ManagerTest, AnswersEachKindOfRequest) {
    options({{"MODE_REMOTESTG_READONLY_ITEM", "20"}});  // the microphone device
    struct Case {
        int kind;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {1, 0,
         "#OS=Mac 6.1.0\n#TYPE=0\n#MODEL=Test Box\n#MICVOL=70\n#MICDEV*R*=Mic B\n#MICONOFF=1\n#ECHO=0\n"
         "#SPKVOL=40\n#SPKDEV=Speaker A\n#SPKONOFF=1\n#CAMONOFF=0\n#CAMDEV=Cam 1\n#FPS=15\n#RESO=640 * "
         "480\n"},
        {2, 0, "#MICNUM=2\n#ACTIVE*R*=2\n#DATA=Mic A\nMic B\n"},
        {3, 0, "#SPKNUM=1\n#ACTIVE=1\n#DATA=Speaker A\n"},
        {4, 0, "#CAMNUM=2\n#ACTIVE=1\n#DATA=Cam 1\nCam 2\n"},
        {5, 0, "#RESONUM=3\n#ACTIVE=2\n#DATA=320 * 240\n640 * 480\n1280 * 720\n"},
        {6, 0, "#FPSNUM=4\n#ACTIVE=3\n#DATA=5\n10\n15\n30\n"},
        {7, -1, ""},
        {8, -1, ""},
        {9, -1, ""},
        {10, -1, ""},
        {11, 0, ""},
        {0, 0, ""},
    };
    for (const Case& c : cases) {
        devices.clear();
        manager.recvRemoteStgReq("bob", c.kind, "");
        EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10042, "bob", c.result, c.text}})) << "kind " << c.kind;
    }
    // The asker's own request to all is not answered.
    devices.clear();
    manager.recvRemoteStgReq("me", 1, "");
    EXPECT_TRUE(devices.sent().empty());
}

TEST_F(ManagerTest, AnswersWithoutCurrentDevicesOrLists) {
    devices.mic.reset();
    devices.cam.reset();
    devices.spks.reset();
    devices.rates.clear();
    devices.size = QSize(100, 100);
    EXPECT_EQ(manager.createResMessageMic(), "#MICNUM=2\n#ACTIVE=1\n#DATA=Mic A\nMic B\n");  // first counts
    EXPECT_EQ(manager.createResMessageSpeaker(), "#SPKNUM=0\n#ACTIVE=0\n#DATA=\n");
    EXPECT_EQ(manager.createResMessageCamera(), "#CAMNUM=0\n#ACTIVE=0\n#DATA=\n");
    EXPECT_EQ(manager.createResMessageFps(), "#FPSNUM=0\n#ACTIVE=0\n#DATA=\n");
    EXPECT_EQ(manager.createResMessageResolution(),
              "#RESONUM=3\n#ACTIVE=0\n#DATA=320 * 240\n640 * 480\n1280 * 720\n");
    const QString all = manager.createResMessageAll();
    EXPECT_FALSE(all.contains("MICDEV"));
    EXPECT_FALSE(all.contains("CAMDEV"));
}

TEST_F(ManagerTest, ChainAsksForReportedListsOneAtATime) {
    manager.sendRemoteStgRequest(User("bob"));
    devices.clear();
    // Bob reports no camera, but other-image numbers and zoom.
    manager.recvRemoteStgRes(
        "bob", 0, "#OS=Win\n#TYPE=1\n#MICDEV=m\n#SPKDEV=s\n#RESO=1*1\n#FPS=5\n#IMGNUM=2\n#ZOOM=1\n");
    const struct {
        const char* answer;
        int next;
    } steps[] = {
        {"#MICNUM=1\n#ACTIVE=1\n#DATA=m\n", 3},      {"#SPKNUM=1\n#ACTIVE=1\n#DATA=s\n", 5},
        {"#RESONUM=1\n#ACTIVE=1\n#DATA=1 * 1\n", 6}, {"#FPSNUM=1\n#ACTIVE=1\n#DATA=5\n", 7},
        {"#OTHERNUM=1\n#ACTIVE=1\n#DATA=2\n", 8},
    };
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10041, "bob", 2, ""}}));
    for (const auto& s : steps) {
        devices.clear();
        manager.recvRemoteStgRes("bob", 0, s.answer);
        EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10041, "bob", s.next, ""}})) << s.answer;
    }
    // The zoom list is refused: the chain stops there without a message.
    devices.clear();
    manager.recvRemoteStgRes("bob", -1, "");
    EXPECT_TRUE(devices.sent().empty());
    // The next answer resumes after the refused step, then the chain completes.
    manager.recvRemoteStgRes("bob", 0, "#SPKVOL=3\n");
    EXPECT_TRUE(devices.sent().empty());
    EXPECT_EQ(manager.getUserInfo("bob")->nowRequest, 0);
    manager.recvRemoteStgRes("bob", 0, "#SPKVOL=4\n");
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10041, "bob", 2, ""}}));
}

TEST_F(ManagerTest, RequestForAllFillsOnlyTheLocalSettings) {
    NoticeRecorder notices;
    manager.sendRemoteStgRequestAll();
    dispatcher->runPending();
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10041, "", 1, ""}}));
    EXPECT_EQ(notices.lines, std::vector<std::string>{"user me"});
    // Newcomers are asked only while the all-participants window is open.
    devices.clear();
    manager.updateClientList(User("carol"), true);
    EXPECT_TRUE(devices.sent().empty());
    view.allWindowOpen = true;
    manager.updateClientList(User("carol"), true);
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10041, "carol", 1, ""}}));
}

TEST_F(ManagerTest, ChangeRequestValuesAreCheckedAndApplied) {
    struct Case {
        const char* request;
        std::vector<std::string> applied;
        int result;
        const char* answer;
    };
    const Case cases[] = {
        {"#TYPE=0\n#MICVOL=050\n", {"MICVOL 50"}, 0, "#TYPE=0\n#MICVOL=50\n"},
        {"#TYPE=0\n#MICVOL=\xef\xbc\x95\xef\xbc\x90\n",
         {"MICVOL 50"},
         0,
         "#TYPE=0\n#MICVOL=50\n"},  // full width
        {"#TYPE=0\n#SPKVOL=100\n#MICVOL=5a\n", {"SPKVOL 100"}, 0, "#TYPE=0\n#SPKVOL=100\n"},
        {"#TYPE=0\n#MICVOL=150\n", {}, -1, ""},
        {"#TYPE=0\n#MICVOL=-5\n", {}, -1, ""},
        {"#TYPE=0\n#MICONOFF=2\n", {}, -1, ""},
        {"#TYPE=0\n", {}, -1, ""},
        {"#TYPE=0\n#RESO=640*480\n#FPS=30\n",
         {"RESO 640x480", "FPS 30"},
         0,
         "#TYPE=0\n#RESO=640*480\n#FPS=30\n"},
        {"#TYPE=0\n#RESO=641*480\n#FPS=31\n#CAMONOFF=1\n", {"CAMONOFF 1"}, 0, "#TYPE=0\n#CAMONOFF=1\n"},
        {"#TYPE=0\n#MICONOFF=0\n#MICONOFF=1\n", {"MICONOFF 1"}, 0, "#TYPE=0\n#MICONOFF=1\n"},  // later wins
        {"#TYPE=0\n#MICDEV=Nowhere\n#ECHO=1\n", {"MICDEV Nowhere", "ECHO 1"}, 0, "#TYPE=0\n#ECHO=1\n"},
        {"#TYPE=0\n#ZOOM=2\n", {}, 0, "#TYPE=0\n"},       // only other clients apply it
        {"#TYPE=0\nMICVOL=10\n#SPKONOFF=0", {}, -1, ""},  // neither line is read
    };
    devices.refuse = {"MICDEV"};
    for (const Case& c : cases) {
        devices.clear();
        manager.recvRemoteStgChangeReq("bob", 1, QString::fromUtf8(c.request));
        EXPECT_TRUE(devices.sent().empty()) << "applied on the receiving thread: " << c.request;
        dispatcher->runPending();
        EXPECT_EQ(devices.applied(), c.applied) << c.request;
        EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "bob", c.result, c.answer}})) << c.request;
    }
    // A parameter other than 1 is refused.
    devices.clear();
    manager.recvRemoteStgChangeReq("bob", 2, "#TYPE=0\n#MICVOL=10\n");
    dispatcher->runPending();
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "bob", -1, ""}}));
}

TEST_F(ManagerTest, ReadOnlyItemsAreAcceptedButNotApplied) {
    options({{"MODE_REMOTESTG_READONLY_ITEM", "10"}, {"MODE_REMOTESTG_USER_MESSAGE_BOX", "1"}});
    manager.recvRemoteStgChangeReq("bob", 1, "#TYPE=0\n#MICONOFF=1\n#SPKVOL=20\n");
    dispatcher->runPending();
    // The confirmation lists only what may change.
    EXPECT_EQ(view.lines, std::vector<std::string>{"confirm bob SPKVOL=20;"});
    view.answer(true);
    EXPECT_EQ(devices.applied(), std::vector<std::string>{"SPKVOL 20"});
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "bob", 0, "#TYPE=0\n#SPKVOL=20\n"}}));

    options({{"MODE_REMOTESTG_READONLY_ITEM", "10"}});
    devices.clear();
    manager.recvRemoteStgChangeReq("bob", 1, "#TYPE=0\n#MICONOFF=1\n");
    dispatcher->runPending();
    EXPECT_TRUE(devices.applied().empty());
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "bob", 0, "#TYPE=0\n"}}));
}

TEST_F(ManagerTest, ConsentModeAsksOnceAndAnswersTheOthersBusy) {
    options({{"MODE_REMOTESTG_USER_MESSAGE_BOX", "1"}});
    manager.recvRemoteStgChangeReq("bob", 1, "#TYPE=0\n#CAMONOFF=1\n#MICVOL=80\n");
    manager.recvRemoteStgChangeReq("carol", 1, "#TYPE=0\n#CAMONOFF=0\n");
    dispatcher->runPending();
    EXPECT_EQ(view.lines, std::vector<std::string>{"confirm bob CAMONOFF=1;MICVOL=80;"});
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "carol", -4, ""}}));
    EXPECT_TRUE(devices.applied().empty());
    view.answer(false);  // No, or the alert closed
    EXPECT_EQ(devices.sent().back(), (Sent{10044, "bob", -1, ""}));
    EXPECT_TRUE(devices.applied().empty());

    devices.clear();
    manager.recvRemoteStgChangeReq("carol", 1, "#TYPE=0\n#CAMONOFF=1\n");
    dispatcher->runPending();
    view.answer(true);
    EXPECT_EQ(devices.applied(), std::vector<std::string>{"CAMONOFF 1"});
    EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "carol", 0, "#TYPE=0\n#CAMONOFF=1\n"}}));
}

TEST_F(ManagerTest, NoticeModeAppliesThenNamesTheRequester) {
    options({{"MODE_REMOTESTG_USER_MESSAGE_BOX", "0"}});
    manager.recvRemoteStgChangeReq("bob", 1, "#TYPE=0\n#SPKONOFF=0\n#RESO=1280*720\n");
    dispatcher->runPending();
    EXPECT_EQ(devices.applied(), (std::vector<std::string>{"SPKONOFF 0", "RESO 1280x720"}));
    EXPECT_EQ(view.lines, std::vector<std::string>{"notice bob SPKONOFF=OFF;RESO=1280 * 720;"});
    // Without the key a change is applied silently.
    options({});
    view.lines.clear();
    manager.recvRemoteStgChangeReq("bob", 1, "#TYPE=0\n#SPKONOFF=1\n");
    dispatcher->runPending();
    EXPECT_TRUE(view.lines.empty());
}

TEST_F(ManagerTest, LocalChangeAppliesAndUpdatesTheLocalEntry) {
    options({{"MODE_REMOTESTG_USER_MESSAGE_BOX", "1"}});
    NoticeRecorder notices;
    manager.sendRemoteStgChangeReq("me", {{"MICONOFF", "1"}, {"BOGUS", "1"}});
    EXPECT_EQ(devices.applied(), std::vector<std::string>{"MICONOFF 1"});
    EXPECT_TRUE(devices.sent().empty());
    EXPECT_TRUE(view.lines.empty());  // no consent for the user's own change
    dispatcher->runPending();
    EXPECT_EQ(notices.lines, std::vector<std::string>{"user me"});
    EXPECT_EQ(manager.getUserInfo("me")->paramInfo.micOnOff, 1);
}

TEST_F(ManagerTest, ChangeRequestTextsKeepOnlyItemKeys) {
    manager.sendRemoteStgChangeReqAll({"bob", "", "carol"},
                                      {{"RESO", "640*480"}, {"TYPE", "3"}, {"MICVOL", "9"}});
    EXPECT_EQ(devices.sent(),
              (std::vector<Sent>{{10043, "bob", 1, "#TYPE=0\n#RESO=640*480\n#MICVOL=9\n"},
                                 {10043, "carol", 1, "#TYPE=0\n#RESO=640*480\n#MICVOL=9\n"}}));
}

TEST_F(ManagerTest, ChangeAnswersUpdateTheEntryAndTellTheWindow) {
    manager.sendRemoteStgRequest(User("bob"));
    manager.recvRemoteStgChangeRes("bob", 0, "#TYPE=0\n#MICVOL=30\n");
    manager.recvRemoteStgChangeRes("bob", -4, "");
    EXPECT_EQ(manager.getUserInfo("bob")->paramInfo.micVolume, 30);
    EXPECT_EQ(view.lines, (std::vector<std::string>{"responded bob 1", "responded bob 0"}));
}

TEST_F(ManagerTest, ManyMeetingMicrophoneAnswerWaitsForTheStart) {
    devices.onApply = [&](const std::string& line) {
        if (line == "MICONOFF 1") manager.setIsManyMtgMicChanging(true);
    };
    struct Case {
        bool started;
        const char* answer;
    };
    for (const Case c :
         {Case{true, "#TYPE=0\n#MICONOFF=1\n#MICONOFF=1\n"}, Case{false, "#TYPE=0\n#MICONOFF=1\n"}}) {
        devices.clear();
        manager.recvRemoteStgChangeReq("owner", 1, "#TYPE=0\n#MICONOFF=1\n");
        dispatcher->runPending();
        EXPECT_TRUE(devices.sent().empty());
        EXPECT_TRUE(manager.resMessage());
        manager.changeManySpeaker("owner", c.started);
        EXPECT_EQ(devices.sent(), (std::vector<Sent>{{10044, "owner", 0, c.answer}}));
        EXPECT_FALSE(manager.isManyMtgMicChanging());
        manager.changeManySpeaker("owner", true);  // a later start sends nothing
        EXPECT_EQ(devices.sent().size(), 1u);
    }
    // The start's outcome arrives before the answer is complete: it goes out at once.
    devices.clear();
    devices.onApply = [&](const std::string& line) {
        if (line == "MICONOFF 1") {
            manager.setIsManyMtgMicChanging(true);
            std::thread([&] { manager.changeManySpeaker("owner", true); }).join();
        }
    };
    manager.recvRemoteStgChangeReq("owner", 1, "#TYPE=0\n#MICONOFF=1\n");
    dispatcher->runPending();
    EXPECT_EQ(devices.sent(),
              (std::vector<Sent>{{10044, "owner", 0, "#TYPE=0\n#MICONOFF=1\n#MICONOFF=1\n"}}));
    EXPECT_FALSE(manager.resMessage());
    // A change of chair drops a held answer; the end of the conference too.
    devices.onApply = [&](const std::string& line) {
        if (line == "MICONOFF 1") manager.setIsManyMtgMicChanging(true);
    };
    devices.clear();
    manager.recvRemoteStgChangeReq("owner", 1, "#TYPE=0\n#MICONOFF=1\n");
    dispatcher->runPending();
    manager.resetInfo();
    manager.changeManySpeaker("owner", true);
    EXPECT_TRUE(devices.sent().empty());
}

TEST_F(ManagerTest, LeavingParticipantIsRemovedWithANotice) {
    NoticeRecorder notices;
    manager.sendRemoteStgRequest(User("bob"));
    manager.removeUserSettings("bob");
    manager.removeUserSettings("bob");
    dispatcher->runPending();
    EXPECT_EQ(notices.lines, std::vector<std::string>{"model"});
    EXPECT_FALSE(manager.getUserInfo("bob"));
}

TEST_F(ManagerTest, ManyMeetingRoomHidesTheBulkMicrophoneSwitch) {
    options({{"CATEGORY", "2"},
             {"MODE_REMOTESTG_DLGALL_HIDE_ITEM", "1"},
             {"MODE_REMOTESTG_DLGONE_HIDE_ITEM", "8"}});
    EXPECT_TRUE(manager.getAllDlgHideFlg().bMicOnOff);
    EXPECT_TRUE(manager.getAllDlgHideFlg().bCamOnOff);
    EXPECT_TRUE(manager.getOneDlgHideFlg().bReso);
    EXPECT_FALSE(manager.getOneDlgHideFlg().bMicOnOff);
}

}  // namespace
}  // namespace remotestg_test
