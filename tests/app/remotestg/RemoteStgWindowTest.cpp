// The remote-settings windows: the one-participant window's rows, heights
// and change dictionary, its 5-second wait and closing; the all-participants
// table, bulk area and bulk change; the consent alert; and the conference
// side that keeps them (one consent at a time). Rendered offscreen and
// checked as a user would see them.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <thread>

#include "RemoteStgTestSupport.h"
#include "remotestg/RemoteStgAllWindowController.h"
#include "remotestg/RemoteStgConfirmAlert.h"
#include "remotestg/RemoteStgOneWindowController.h"
#include "remotestg/RemoteStgWindows.h"

namespace remotestg_test {
namespace {

using namespace std::chrono_literals;
using One = RemoteStgOneWindowController;
using All = RemoteStgAllWindowController;
using F = RemoteStgFlgInfo;

QString grabPath(const char* name) {
    return QString::fromUtf8(QUORIX_TEST_BINARY_DIR) + "/" + name + ".png";
}

// Bob's entry as his client reports it.
RemoteStgUserInfo BobEntry() {
    RemoteStgUserInfo e(User("bob"), std::nullopt);
    RemoteStgParamInfo& p = e.paramInfo;
    p.osName = "Mac 14.1";
    p.cameraOnOff = 1;
    p.cameraDevice = "Cam 1";
    p.fps = 15;
    p.resolution = QSizeF(320, 240);
    p.micOnOff = 0;
    p.micVolume = 70;
    p.micDevice = "Mic A";
    p.echoCancel = 1;
    p.speakerOnOff = 1;
    p.speakerVolume = 50;
    p.speakerDevice = "Speaker X";
    for (auto f : {&F::bCamOnOff, &F::bCamDev, &F::bFps, &F::bReso, &F::bMicOnOff, &F::bMicVol, &F::bMicDev,
                   &F::bEcho, &F::bSpkOnOff, &F::bSpkVol, &F::bSpkDev})
        e.enabledFlg.*f = true;
    e.cameraDeviceList = RemoteStgListInfo{{"Cam 1", "Cam 2"}, 1, false};
    e.resolutionList = RemoteStgListInfo{{"320 * 240", "640 * 480"}, 1, false};
    e.fpsList = RemoteStgListInfo{{"5", "15", "30"}, 2, false};
    e.micDeviceList = RemoteStgListInfo{{"Mic A", "Mic B"}, 1, false};
    return e;
}
struct RecordingOneDelegate : RemoteStgOneWindowControllerDelegate {
    void sendRemoteStgUpdateReq(const UserInfoRef& u) override {
        lines.push_back("update " + u->userId().toStdString());
    }
    void sendRemoteStgChangeReq(const QString& id, const RemoteStgItems& items) override {
        lines.push_back("change " + id.toStdString() + " " + Items(items));
    }
    void onCloseRemoteStgOneWindow(One* w, bool forced) override {
        lines.push_back(std::string("close ") + (forced ? "forced" : "user"));
        closed = w;
    }
    std::vector<std::string> lines;
    One* closed = nullptr;
};

class OneWindowTest : public ::testing::Test {
protected:
    OneWindowTest() { ensureQtApplication(); }
    ScopedManualDispatcher dispatcher;
    RecordingOneDelegate delegate;
};

TEST(RemoteStgOneLayoutTest, HeightsFollowTheShownRows) {
    auto shownWhere = [](std::function<bool(int)> pred) {
        std::array<bool, One::kRowCount> shown{};
        for (int i = 0; i < One::kRowCount; ++i) shown[size_t(i)] = pred(i);
        return shown;
    };
    // No entry: the ten rows that are not reported-only.
    One::Layout l = One::layoutFor(shownWhere([](int i) { return !One::rows()[size_t(i)].reportedOnly; }));
    EXPECT_EQ(l.areaHeight, (std::array<double, 4>{156, 128, 128, 0}));
    EXPECT_EQ(l.sum, 412);
    EXPECT_EQ(l.contentHeight, 486);
    EXPECT_EQ(l.scrollHeight, 486);
    EXPECT_EQ(l.windowHeight, 548);  // S + 136
    // Areas stack other, microphone, speaker, camera from the bottom; rows from 12 up in 28s.
    EXPECT_EQ(l.areaBottom, (std::array<double, 4>{256, 128, 0, 0}));
    EXPECT_EQ(l.rowBottom[size_t(One::rowIndex("RESO"))], 12);
    EXPECT_EQ(l.rowBottom[size_t(One::rowIndex("CAMDEV"))], 96);
    EXPECT_EQ(l.rowBottom[size_t(One::rowIndex("MICVOL"))], 12);

    // The camera rows hidden: no camera area, the speaker area on top.
    l = One::layoutFor(shownWhere([](int i) {
        return !One::rows()[size_t(i)].reportedOnly && One::rows()[size_t(i)].area != One::CameraArea;
    }));
    EXPECT_EQ(l.areaHeight[One::CameraArea], 0);
    EXPECT_EQ(l.areaBottom[One::SpeakerArea] + l.areaHeight[One::SpeakerArea], l.sum);

    // Every row: S + 74 = 810 is above 780, so the scroll area stops there.
    l = One::layoutFor(shownWhere([](int) { return true; }));
    EXPECT_EQ(l.sum, 736);
    EXPECT_EQ(l.contentHeight, 810);
    EXPECT_EQ(l.scrollHeight, 780);
    EXPECT_EQ(l.windowHeight, 842);
}

TEST(RemoteStgOneChangeTest, ChangeDictionaryHoldsWhatDiffers) {
    const RemoteStgUserInfo e = BobEntry();
    auto values = [&](std::initializer_list<std::pair<const char*, std::optional<QString>>> set) {
        std::array<std::optional<QString>, One::kRowCount> v;
        // Unchanged controls show the current values.
        v[size_t(One::rowIndex("CAMDEV"))] = "Cam 1";
        v[size_t(One::rowIndex("CAMONOFF"))] = "ON";
        v[size_t(One::rowIndex("FPS"))] = "15";
        v[size_t(One::rowIndex("RESO"))] = "320 * 240";
        v[size_t(One::rowIndex("SPKDEV"))] = std::nullopt;  // not among its entries: no selection
        v[size_t(One::rowIndex("SPKONOFF"))] = "ON";
        v[size_t(One::rowIndex("SPKVOL"))] = "50";
        v[size_t(One::rowIndex("MICDEV"))] = "Mic A";
        v[size_t(One::rowIndex("MICONOFF"))] = "OFF";
        v[size_t(One::rowIndex("MICVOL"))] = "70";
        v[size_t(One::rowIndex("ECHO"))] = "ON";
        for (const auto& [key, value] : set) v[size_t(One::rowIndex(key))] = value;
        return v;
    };
    struct Case {
        std::vector<std::pair<const char*, std::optional<QString>>> set;
        RemoteStgFlgInfo hide;
        const char* expected;
    };
    RemoteStgFlgInfo hideReso;
    hideReso.bReso = true;
    const Case cases[] = {
        {{}, {}, ""},
        {{{"RESO", " 640 * 480 "}}, {}, "RESO=640*480;"},
        {{{"RESO", "640 * 480"}}, hideReso, ""},
        {{{"RESO", "640x480"}}, {}, ""},
        {{{"MICVOL", "070"}}, {}, ""},
        {{{"SPKVOL", "050"}}, {}, ""},
        {{{"SPKVOL", "070"}}, {}, "SPKVOL=070;"},
        {{{"FPS", "30"}, {"MICONOFF", "ON"}, {"CAMDEV", "Cam 2"}}, {}, "CAMDEV=Cam 2;FPS=30;MICONOFF=1;"},
        {{{"ECHO", "OFF"}, {"CAMONOFF", "OFF"}}, {}, "CAMONOFF=0;ECHO=0;"},
        {{{"SPKDEV", "Speaker Y"}}, {}, "SPKDEV=Speaker Y;"},
        {{{"ZOOM", "2"}}, {}, ""},  // not reported
    };
    for (const Case& c : cases) {
        auto v = values({});
        for (const auto& [key, value] : c.set) v[size_t(One::rowIndex(key))] = value;
        EXPECT_EQ(Items(One::changeItems(e, c.hide, v)), c.expected);
    }
    // Read-only rows take no part.
    RemoteStgUserInfo ro = e;
    ro.readOnlyFlg.bMicVol = true;
    auto v = values({});
    v[size_t(One::rowIndex("MICVOL"))] = "10";
    EXPECT_EQ(Items(One::changeItems(ro, {}, v)), "");
}

TEST_F(OneWindowTest, WithoutAnEntryTheBasicRowsAreDisabledAndEmpty) {
    One window(User("bob"), std::nullopt, {});
    window.setDelegate(&delegate);
    window.show();
    int shown = 0;
    for (int i = 0; i < One::kRowCount; ++i) {
        const auto& r = One::rows()[size_t(i)];
        QWidget* control =
            r.kind == One::NumberRow ? static_cast<QWidget*>(window.fieldAt(i)) : window.comboAt(i);
        EXPECT_EQ(control->isVisible(), !r.reportedOnly) << r.name;
        if (control->isVisible()) EXPECT_FALSE(control->isEnabled()) << r.name;
        if (window.comboAt(i)) EXPECT_EQ(window.comboAt(i)->count(), 0) << r.name;
        shown += control->isVisible();
    }
    EXPECT_EQ(shown, 10);
    EXPECT_EQ(window.areaView(One::OtherArea)->isVisible(), false);
    EXPECT_EQ(window.height(), 548);
    EXPECT_FALSE(window.requestChangeBtn()->isEnabled());
    EXPECT_TRUE(window.updateInfoBtn()->isEnabled());

    // The entry arrives: the window fills and lays itself out again.
    RemoteStgUserInfo e = BobEntry();
    RemoteStgNotificator::sharedNotificator().requestChangeUserInfoNotification("carol", e);  // somebody else
    dispatcher->runPending();
    EXPECT_FALSE(window.stgInfo());
    RemoteStgNotificator::sharedNotificator().requestChangeUserInfoNotification("bob", e);
    dispatcher->runPending();
    ASSERT_TRUE(window.stgInfo());
    const int echo = One::rowIndex("ECHO");
    EXPECT_TRUE(window.comboAt(echo)->isVisible());
    EXPECT_EQ(window.comboAt(echo)->currentText(), "ON");
    EXPECT_EQ(window.height(), 548 + 28);  // one more row in the microphone area
    EXPECT_EQ(window.comboAt(One::rowIndex("CAMDEV"))->count(), 2);
    EXPECT_EQ(window.comboAt(One::rowIndex("RESO"))->currentText(), "320 * 240");
    EXPECT_EQ(window.comboAt(One::rowIndex("SPKDEV"))->currentText(), "Speaker X");  // the value alone
    EXPECT_EQ(window.fieldAt(One::rowIndex("MICVOL"))->text(), "70");
    EXPECT_EQ(window.stepperAt(One::rowIndex("MICVOL"))->value(), 70);
    EXPECT_TRUE(window.comboAt(One::rowIndex("MICONOFF"))->isEnabled());
    EXPECT_EQ(window.comboAt(One::rowIndex("MICONOFF"))->currentText(), "OFF");
    EXPECT_EQ(window.findChild<QLabel*>("osNameLbl")->text(), "Mac 14.1");

    // A list for this participant refills its row and ends a wait.
    window.onClickUpdateInfo();
    EXPECT_TRUE(window.isWaiting());
    RemoteStgNotificator::sharedNotificator().requestChangeListInfoNotification(
        "bob", REMOTESTG_LIST_SPK, RemoteStgListInfo{{"Speaker X", "Speaker Y"}, 1, false});
    dispatcher->runPending();
    EXPECT_FALSE(window.isWaiting());
    EXPECT_TRUE(window.updateInfoBtn()->isEnabled());
    EXPECT_EQ(window.comboAt(One::rowIndex("SPKDEV"))->count(), 2);
    EXPECT_EQ(delegate.lines, std::vector<std::string>{"update bob"});

    QImage picture = window.grab().toImage();
    ASSERT_TRUE(picture.save(grabPath("remotestg_one_window")));
    // The grey background and the filled rows are there.
    EXPECT_EQ(picture.pixelColor(2, picture.height() - 2).red(), 250);
    window.close();
}

TEST_F(OneWindowTest, ChangeButtonSendsEditsAndWaitsFiveSeconds) {
    One window(User("bob"), BobEntry(), {});
    window.setDelegate(&delegate);
    window.show();
    // Nothing edited: nothing is sent, the update button waits 5 seconds.
    window.onClickRequestChange();
    EXPECT_TRUE(delegate.lines.empty());
    EXPECT_FALSE(window.requestChangeBtn()->isEnabled());
    EXPECT_FALSE(window.updateInfoBtn()->isEnabled());
    dispatcher->advance(4999ms);
    EXPECT_FALSE(window.updateInfoBtn()->isEnabled());
    dispatcher->advance(1ms);
    EXPECT_TRUE(window.updateInfoBtn()->isEnabled());

    // The stepper writes its field and enables the change button; the video size goes without spaces.
    window.stepperAt(One::rowIndex("SPKVOL"))->setValue(80);
    EXPECT_EQ(window.fieldAt(One::rowIndex("SPKVOL"))->text(), "80");
    EXPECT_TRUE(window.requestChangeBtn()->isEnabled());
    window.comboAt(One::rowIndex("RESO"))->setCurrentIndex(1);
    window.onClickRequestChange();
    EXPECT_EQ(delegate.lines, std::vector<std::string>{"change bob RESO=640*480;SPKVOL=80;"});
    // The answer ends the wait early.
    EXPECT_TRUE(window.isWaiting());
    window.respondedChangeReq(false);
    EXPECT_FALSE(window.isWaiting());
    EXPECT_TRUE(window.updateInfoBtn()->isEnabled());
    window.close();
}

TEST_F(OneWindowTest, ClosesWhenTheParticipantLeaves) {
    RemoteStgInfo model;
    model.addUserSettings(User("bob"), std::nullopt, false);
    auto* window = new One(User("bob"), BobEntry(), {});
    window->setDelegate(&delegate);
    window->show();
    RemoteStgNotificator::sharedNotificator().requestChangeStgInfoNotification(&model);
    dispatcher->runPending();
    EXPECT_TRUE(delegate.lines.empty());
    model.removeUserSettings("bob");
    RemoteStgNotificator::sharedNotificator().requestChangeStgInfoNotification(&model);
    dispatcher->runPending();
    EXPECT_EQ(delegate.lines, std::vector<std::string>{"close user"});
    delete window;

    One forced(User("carol"), std::nullopt, {});
    forced.setDelegate(&delegate);
    forced.show();
    forced.forceClose();
    EXPECT_EQ(delegate.lines.back(), "close forced");
}

TEST(RemoteStgAllLayoutTest, BulkAreaPlacesTheShownPopups) {
    struct Case {
        const char* mask;
        std::optional<double> cameraTitle, speakerTitle, micTitle;
        std::array<std::optional<double>, All::kPopupCount> popup;
    };
    const Case cases[] = {
        {"0", 4, 176, 284, {72, 108, 144, 244, 352}},
        {"d",
         std::nullopt,
         4,
         112,
         {std::nullopt, std::nullopt, std::nullopt, 72, 180}},    // camera rows hidden
        {"100", 4, 176, 248, {72, 108, 144, std::nullopt, 316}},  // speaker switch hidden: microphone up 36
        {"10", 4, 176, std::nullopt, {72, 108, 144, 244, std::nullopt}},
        {"5", 4, 104, 212, {std::nullopt, std::nullopt, 72, 172, 280}},
    };
    for (const Case& c : cases) {
        const All::BulkLayout l = All::bulkLayoutFor(RemoteStgFlgInfo::fromMask(QString(c.mask)));
        EXPECT_EQ(l.cameraTitle, c.cameraTitle) << c.mask;
        EXPECT_EQ(l.speakerTitle, c.speakerTitle) << c.mask;
        EXPECT_EQ(l.micTitle, c.micTitle) << c.mask;
        EXPECT_EQ(l.popup, c.popup) << c.mask;
    }
}

TEST(RemoteStgAllLayoutTest, CellsShowEmptyForZeroAndOffForOtherValues) {
    RemoteStgUserInfo e = BobEntry();
    e.paramInfo.fps = 0;
    e.paramInfo.speakerVolume = 0;
    e.paramInfo.micOnOff = 2;
    e.paramInfo.resolution = QSizeF(0, 0);
    EXPECT_EQ(All::cellText("id_remotestg_all_table_framerate", e), QString());
    EXPECT_EQ(All::cellText("id_remotestg_all_table_spk_vol", e), QString());
    EXPECT_EQ(All::cellText("id_remotestg_all_table_mic_onoff", e), QString("OFF"));
    EXPECT_EQ(All::cellText("id_remotestg_all_table_video", e), QString());
    EXPECT_EQ(All::cellText("id_remotestg_all_table_camera_onoff", e), QString("ON"));
    EXPECT_EQ(All::cellText("id_remotestg_all_table_mic_vol", e), QString("70"));
    EXPECT_EQ(All::cellText("id_bogus", e), std::nullopt);
}

struct RecordingAllDelegate : RemoteStgAllWindowControllerDelegate {
    void sendRemoteStgUpdateReqAll() override { lines.push_back("updateAll"); }
    void sendRemoteStgChangeReqAll(const QStringList& ids, const RemoteStgItems& items) override {
        lines.push_back("changeAll " + ids.join(',').toStdString() + " " + Items(items));
    }
    QStringList getStrFrameRateList() override { return {"5", "15"}; }
    std::vector<QSize> getStrVideoSizeList() override { return {{320, 240}, {640, 480}}; }
    void showRemoteStgOneWindow(const UserInfoRef& u) override {
        lines.push_back("one " + u->userId().toStdString());
    }
    void onCloseRemoteStgAllWindow(All*) override { lines.push_back("closeAll"); }
    std::vector<std::string> lines;
};

TEST_F(OneWindowTest, AllWindowTableViewsAndBulkChange) {
    RemoteStgInfo model;
    model.addUserSettings(User("me"), std::nullopt, true);
    model.setUserInfo("bob", BobEntry());
    RecordingAllDelegate allDelegate;
    RemoteStgFlgInfo manyMeeting;
    manyMeeting.bMicOnOff = true;  // a many-meeting room
    All window(User("me"), &model, manyMeeting, &allDelegate);
    window.show();
    EXPECT_EQ(window.width(), All::kWidthHidden);
    EXPECT_EQ(window.columnIds(),
              (QStringList{"id_remotestg_all_table_user", "id_remotestg_all_table_os",
                           "id_remotestg_all_table_camera_onoff", "id_remotestg_all_table_framerate",
                           "id_remotestg_all_table_video", "id_remotestg_all_table_camera_dev"}));
    ASSERT_EQ(window.table()->rowCount(), 2);
    EXPECT_EQ(window.table()->item(1, 4)->text(), "320 * 240");
    EXPECT_EQ(window.table()->item(0, 0)->background().color(), QColor::fromRgbF(1, 1, 0.7f));

    window.findChild<QPushButton*>("itemButtonMic")->click();
    EXPECT_EQ(window.dispMode(), 2);
    EXPECT_EQ(window.columnIds().last(), "id_remotestg_all_table_mic_dev");

    // The bulk area: the check column comes first, the microphone popup stays hidden.
    window.onClickDispBulkMenuButton();
    EXPECT_EQ(window.width(), All::kWidthShown);
    EXPECT_EQ(window.columnIds().first(), "id_remotestg_all_table_check");
    EXPECT_FALSE(window.popup(All::MicOnOff)->isVisible());
    EXPECT_FALSE(window.findChild<QLabel*>("micTitle")->isVisible());
    EXPECT_EQ(window.popup(All::VideoSize)->count(), 3);
    EXPECT_FALSE(window.requestChangeButton()->isEnabled());
    window.onClickUserCheckBtn("bob", true);
    EXPECT_FALSE(window.requestChangeButton()->isEnabled());  // nothing chosen yet
    window.popup(All::VideoSize)->setCurrentIndex(2);
    window.popup(All::CameraOnOff)->setCurrentIndex(2);
    window.onStgItemAction();
    EXPECT_TRUE(window.requestChangeButton()->isEnabled());
    window.onClickUserCheckBtn("me", true);
    EXPECT_FALSE(window.allUserCheckButton()->geometry().intersects(
        window.findChild<QLabel*>("cameraTitle")->geometry()));

    QImage picture = window.grab().toImage();
    ASSERT_TRUE(picture.save(grabPath("remotestg_all_window")));

    window.onClickRequestButton();
    EXPECT_EQ(allDelegate.lines, std::vector<std::string>{"changeAll bob,me CAMONOFF=0;RESO=640*480;"});
    EXPECT_EQ(window.popup(All::VideoSize)->currentText(), "---");
    EXPECT_EQ(window.popup(All::CameraOnOff)->currentText(), "---");
    EXPECT_TRUE(window.selectedUsers().isEmpty());
    EXPECT_FALSE(window.updateInfoButton()->isEnabled());
    dispatcher->advance(5000ms);
    EXPECT_TRUE(window.updateInfoButton()->isEnabled());

    // Ticking everybody and then hiding the area empties the selection.
    window.onClickAllUserCheckButton(true);
    EXPECT_EQ(window.selectedUsers(), (QStringList{"me", "bob"}));
    window.onClickDispBulkMenuButton();
    EXPECT_TRUE(window.selectedUsers().isEmpty());
    EXPECT_NE(window.columnIds().first(), "id_remotestg_all_table_check");

    window.onStgListDoubleClick(0);
    EXPECT_EQ(allDelegate.lines.back(), "one me");
    window.close();
    EXPECT_EQ(allDelegate.lines.back(), "closeAll");
}

TEST_F(OneWindowTest, ConfirmAlertListsItemsInOrderAndRefusesOnClose) {
    QStringList items, values;
    RemoteStgConfirmAlert::rowsFor({{"MICVOL", "80"}, {"CAMONOFF", "0"}, {"ECHO", "1"}}, items, values);
    EXPECT_EQ(values, (QStringList{"OFF", "80"}));
    EXPECT_EQ(items.size(), 2);

    int answers = 0;
    bool last = true;
    struct Closing : RemoteStgConfirmAlertDelegate {
        void onCloseRemoteStgAlert(RemoteStgConfirmAlert*) override { ++closed; }
        int closed = 0;
    } closing;
    RemoteStgItems all = {{"MICVOL", "80"},  {"MICONOFF", "1"}, {"MICDEV", "m"},     {"SPKVOL", "3"},
                          {"SPKONOFF", "0"}, {"SPKDEV", "s"},   {"RESO", "640*480"}, {"FPS", "15"},
                          {"CAMONOFF", "1"}, {"CAMDEV", "c"}};
    {
        RemoteStgConfirmAlert alert("Bob", all, [&](bool yes) { ++answers, last = yes; });
        alert.setDelegate(&closing);
        alert.show();
        EXPECT_EQ(alert.valueArray(),
                  (QStringList{"c", "ON", "15", "640*480", "s", "OFF", "3", "m", "ON", "80"}));
        EXPECT_EQ(alert.contentSize().width(), 445.5);
        // Every row is on view in the table.
        QTableWidget* table = alert.table();
        EXPECT_LE(table->rowViewportPosition(9) + table->rowHeight(9), table->viewport()->height());
        QImage picture = alert.grab().toImage();
        ASSERT_TRUE(picture.save(grabPath("remotestg_confirm_alert")));
        alert.close();  // the close control: a refusal
        EXPECT_EQ(answers, 1);
        EXPECT_FALSE(last);
        EXPECT_EQ(closing.closed, 1);
    }
    EXPECT_EQ(answers, 1);  // once only
    // Each listed row makes the alert one line higher.
    RemoteStgConfirmAlert one("Bob", {{"MICVOL", "80"}}, [](bool) {});
    RemoteStgConfirmAlert two("Bob", {{"MICVOL", "80"}, {"SPKVOL", "8"}}, [](bool) {});
    EXPECT_GT(two.contentSize().height(), one.contentSize().height());
    EXPECT_LT(two.contentSize().height() - one.contentSize().height(), 40);

    RemoteStgConfirmAlert accepted("Bob", {{"MICVOL", "80"}}, [&](bool yes) { ++answers, last = yes; });
    accepted.findChild<QPushButton*>("acceptButton")->click();
    EXPECT_EQ(answers, 2);
    EXPECT_TRUE(last);
}

TEST_F(OneWindowTest, OneConsentAtATimeAcrossThreads) {
    RemoteStgWindows windows([] { return nullptr; }, [] { return QRectF(); });
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            windows.showConfirmAlert("bob", {{"MICVOL", "5"}}, [&](bool yes) {
                if (!yes) ++refused;
            });
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(refused.load(), 7);
    EXPECT_TRUE(windows.isShowConfirmAlert());
    dispatcher->runPending();
    ASSERT_NE(windows.confirmAlert(), nullptr);
    windows.confirmAlert()->findChild<QPushButton*>("rejectButton")->click();
    EXPECT_EQ(refused.load(), 8);
    EXPECT_FALSE(windows.isShowConfirmAlert());
    dispatcher->runPending();
}

}  // namespace
}  // namespace remotestg_test
