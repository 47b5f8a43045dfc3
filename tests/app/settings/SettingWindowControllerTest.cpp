#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QBuffer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "fixtures/app/AppTestSupport.h"
#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "services/SettingNotificator.h"
#include "services/SettingNotificatorDispatcher.h"
#include "settings/SettingWindowController.h"

namespace {

// Behaves like the conference window: OK and Cancel close the window.
struct RecordingDelegate : SettingWindowControllerDelegate {
    QStringList calls;
    std::optional<AudioDeviceInfo> input, output;
    std::int64_t echo = -9, noise = -9;
    QSize size;
    int rate = -9;
    std::optional<CaptureDevice> camera;
    int bgMode = -9;
    std::optional<QByteArray> bgData;
    std::function<void(const QByteArray&)> imageHandler;
    SettingWindowController* controller = nullptr;

    void closeSettingWindow(int reason) override {
        calls << QStringLiteral("close %1").arg(reason);
        if (reason != SETTING_CLOSE_CLOSING && controller) controller->close();
    }
    void changeAudioSettings(const std::optional<AudioDeviceInfo>& in,
                             const std::optional<AudioDeviceInfo>& out, std::int64_t e,
                             std::int64_t n) override {
        calls << "audio";
        input = in;
        output = out;
        echo = e;
        noise = n;
    }
    void changeVideoSettings(QSize s, int r, const std::optional<CaptureDevice>& d) override {
        calls << "video";
        size = s;
        rate = r;
        camera = d;
    }
    void changeVideoBg(int mode, const std::optional<QByteArray>& data) override {
        calls << "background";
        bgMode = mode;
        bgData = data;
    }
    void selectedCustomImgData(std::function<void(const QByteArray&)> handler) override {
        calls << "chooseImage";
        imageHandler = std::move(handler);
    }
    void settingTimeRecCheck(bool on) override { calls << QStringLiteral("timeRec %1").arg(on); }
};

struct SwitchListener : SettingNotificatorDispatcherDelegate {
    QStringList calls;
    void didChangeChatNotify(SettingNotificatorDispatcher*, bool on) override {
        calls << QStringLiteral("chat %1").arg(on);
    }
    void didChangeDispSpeakerBtnNotify(SettingNotificatorDispatcher*, bool on) override {
        calls << QStringLiteral("speaker %1").arg(on);
    }
};

const AudioDeviceInfoList kMics{{"mic-a", "Built-in Microphone", AUDIO_DEVICE_TYPE_BUILTIN, 0},
                                {"mic-b", "USB Headset Microphone", AUDIO_DEVICE_TYPE_USB, 0}};
const AudioDeviceInfoList kSpeakers{{"spk-a", "Built-in Speakers", AUDIO_DEVICE_TYPE_BUILTIN, 0},
                                    {"spk-b", "HDMI Output", AUDIO_DEVICE_TYPE_HDMI, 0}};
const QVector<CaptureDevice> kCameras{{"/dev/video0", "Integrated Camera", 0},
                                      {"/dev/video2", "USB Camera", 0}};

class SettingWindowTest : public ::testing::Test {
public:
    void SetUp() override {
        ensureQtApplication();
        CameraSettings::initCameraSettings({{"HDMODE", "Y"}});
    }
    void TearDown() override {
        controller.reset();
        CameraSettings::releaseCameraSettings();
    }

    SettingWindowParams plainRoom() {
        SettingWindowParams p;
        p.currentInDevUid = "mic-a";
        p.currentOutDevUid = "spk-a";
        p.inputDevices = kMics;
        p.outputDevices = kSpeakers;
        p.isHDMode = true;
        p.cameraList = [] { return kCameras; };
        p.showNotice = [this](const QString& message) { notices << message; };
        return p;
    }
    SettingWindowParams fullRoom() {
        SettingWindowParams p = plainRoom();
        p.isShowDocShareTab = true;
        p.isShowNotifyChatBtn = true;
        p.roomCategory = ROOM_CATEGORY_MANYMTG_SETTING;
        p.isShowRecordTab = true;
        p.recordingMaxTime = 300;
        p.isShowRecordTimeStamp = true;
        p.isBgBlur = true;
        p.dsDefaultUrl = "https://docs.example/";
        return p;
    }
    SettingWindowController& open(SettingWindowParams params) {
        controller = std::make_unique<SettingWindowController>(std::move(params), &delegate);
        delegate.controller = controller.get();
        controller->showWindow();
        return *controller;
    }
    template <typename T>
    T* find(const QString& name) {
        T* child = controller->window()->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }
    QStringList pageNames() {
        auto* tabs = find<QTabWidget>("sections");
        QStringList names;
        for (int i = 0; i < tabs->count(); ++i) names << tabs->widget(i)->objectName();
        return names;
    }
    bool applyEnabled() { return find<QPushButton>("buttonApply")->isEnabled(); }
    void click(const QString& name) { find<QAbstractButton>(name)->click(); }
    // Types into a field as the user does: focus, select all, type, then leave it.
    void type(const QString& name, const QString& text, bool leave = true) {
        auto* field = find<QLineEdit>(name);
        field->setFocus();
        field->selectAll();
        if (text.isEmpty()) {
            key(field, Qt::Key_Backspace, QString());
        } else {
            for (const QChar ch : text) key(field, 0, QString(ch));
        }
        if (leave) emit field->editingFinished();
    }
    static void key(QWidget* target, int code, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &release);
    }
    void choose(const QString& listName, int index) {
        auto* list = find<QComboBox>(listName);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    RecordingDelegate delegate;
    QStringList notices;
    std::unique_ptr<SettingWindowController> controller;
};

}  // namespace

TEST_F(SettingWindowTest, TheRoomDecidesWhichPagesAreShown) {
    open(plainRoom());
    EXPECT_EQ(pageNames(), (QStringList{"sectionAudio", "sectionVideo", "sectionConnection"}));
    EXPECT_FALSE(applyEnabled());
    controller.reset();

    SettingWindowParams many = fullRoom();
    open(many);
    EXPECT_EQ(pageNames(),
              (QStringList{"sectionAudio", "sectionVideo", "sectionDocShareUrl", "sectionConnection",
                           "sectionChat", "sectionLayout", "sectionRecording"}));
    controller.reset();

    SettingWindowParams seminar = fullRoom();
    seminar.roomCategory = ROOM_CATEGORY_SEMINAR_SETTING;
    seminar.isShowRecordTab = false;
    open(seminar);
    EXPECT_EQ(pageNames(), (QStringList{"sectionAudio", "sectionVideo", "sectionDocShareUrl",
                                        "sectionConnection", "sectionChat"}));
}

TEST_F(SettingWindowTest, OkApplyAndCancelSendTheirDelegateSequences) {
    open(plainRoom());
    click("defaultMicOffCheckBox");
    EXPECT_TRUE(applyEnabled());
    click("buttonApply");
    EXPECT_EQ(delegate.calls, QStringList{"audio"});
    EXPECT_FALSE(applyEnabled());
    EXPECT_FALSE(delegate.input.has_value());  // the microphone was not chosen
    EXPECT_EQ(delegate.echo, 1);
    EXPECT_EQ(UserDefaults::standard().integerForKey("SettingView_micsetting"), 1);

    // A second Apply without edits saves nothing and tells nobody.
    click("buttonApply");
    EXPECT_EQ(delegate.calls, QStringList{"audio"});

    // Cancel after Apply: what Apply saved stays; 1, then 2 from the closing.
    click("buttonCancel");
    EXPECT_EQ(delegate.calls, (QStringList{"audio", "close 1", "close 2"}));
    UserDefaults::resetStandard();
    EXPECT_EQ(UserDefaults::standard().integerForKey("SettingView_micsetting"), 1);
    controller.reset();

    delegate.calls.clear();
    open(plainRoom());
    click("defaultSpkOffCheckBox");
    click("buttonOk");
    EXPECT_EQ(delegate.calls, (QStringList{"audio", "close 0", "close 2"}));
    EXPECT_EQ(UserDefaults::standard().integerForKey("SettingView_spksetting"), 1);
    controller.reset();

    // The close button: only 2, nothing saved.
    delegate.calls.clear();
    open(plainRoom());
    click("defaultCamOffCheckBox");
    controller->window()->performClose();
    EXPECT_EQ(delegate.calls, QStringList{"close 2"});
    EXPECT_FALSE(UserDefaults::standard().hasKey("SettingView_camerasetting"));
}

TEST_F(SettingWindowTest, AudioSaveTable) {
    struct Case {
        const char* what;
        std::optional<QString> currentIn;
        std::function<void(SettingWindowTest&)> edit;
        std::optional<QString> input, output;  // device uids passed on
        std::optional<QString> storedIn, storedOut;
        std::int64_t echo;
    };
    const Case cases[] = {
        {"microphone chosen", "mic-a", [](SettingWindowTest& t) { t.choose("micDeviceList", 1); }, "mic-b",
         std::nullopt, "mic-b", std::nullopt, 1},
        {"speaker chosen", "mic-a", [](SettingWindowTest& t) { t.choose("speakerDeviceList", 1); },
         std::nullopt, "spk-b", std::nullopt, "spk-b", 1},
        {"echo cancel off", "mic-a", [](SettingWindowTest& t) { t.choose("echoCancellationList", 0); },
         std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0},
        {"vanished current device: the first is chosen and passed", "mic-gone",
         [](SettingWindowTest& t) {
             EXPECT_EQ(t.find<QComboBox>("micDeviceList")->currentIndex(), 0);
             t.choose("micDeviceList", 0);
         },
         "mic-a", std::nullopt, "mic-a", std::nullopt, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryHome caseHome;
        delegate = RecordingDelegate();
        SettingWindowParams p = plainRoom();
        p.currentInDevUid = c.currentIn;
        open(p);
        c.edit(*this);
        click("buttonOk");
        ASSERT_EQ(delegate.calls.value(0), QString("audio"));
        EXPECT_EQ(delegate.input ? std::optional(delegate.input->deviceUid) : std::nullopt, c.input);
        EXPECT_EQ(delegate.output ? std::optional(delegate.output->deviceUid) : std::nullopt, c.output);
        EXPECT_EQ(delegate.echo, c.echo);
        EXPECT_EQ(DataSaveManager::loadAudioDevice(false), c.storedIn);
        EXPECT_EQ(DataSaveManager::loadAudioDevice(true), c.storedOut);
        controller.reset();
    }
}

TEST_F(SettingWindowTest, DeviceListUpdatesFollowTheAudioEngineWithoutEnablingApply) {
    open(plainRoom());
    AudioDeviceInfoList three = kMics;
    three << AudioDeviceInfo{"mic-c", "Conference Mic", AUDIO_DEVICE_TYPE_USB, 0};
    controller->didChangeInputDeviceList(nullptr, three, 2);
    auto* list = find<QComboBox>("micDeviceList");
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentText(), QString("Conference Mic"));
    controller->didChangeCurrentInputDevice(nullptr, kMics[1]);
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(controller->selectedMicDevice(), 1);
    EXPECT_FALSE(applyEnabled());
}

TEST_F(SettingWindowTest, OnlyACameraOffChangeSendsUnchangedVideoValues) {
    open(plainRoom());
    click("defaultCamOffCheckBox");
    click("buttonOk");
    EXPECT_EQ(delegate.calls, (QStringList{"video", "close 0", "close 2"}));
    EXPECT_EQ(delegate.size, QSize(-1, -1));
    EXPECT_EQ(delegate.rate, -1);
    EXPECT_FALSE(delegate.camera.has_value());
    EXPECT_EQ(UserDefaults::standard().integerForKey("SettingView_camerasetting"), 1);
}

TEST_F(SettingWindowTest, ChosenCameraSizeAndRateAreStoredAndPassedOn) {
    open(plainRoom());
    choose("cameraDeviceList", 1);
    click("videoSize4");
    EXPECT_TRUE(find<QLabel>("informationArea")->text().contains("color:#ff0000"));  // the HD notice
    click("videoSize1");
    EXPECT_FALSE(find<QLabel>("informationArea")->text().contains("color:#ff0000"));
    click("frameRate2");
    click("buttonApply");
    ASSERT_TRUE(delegate.camera.has_value());
    EXPECT_EQ(delegate.camera->uniqueID, QString("/dev/video2"));
    EXPECT_EQ(delegate.size, QSize(CameraSettings::getWidthAt(2, 1), CameraSettings::getHeightAt(2, 1)));
    EXPECT_EQ(CameraSettings::getWidth(2), delegate.size.width());
    EXPECT_EQ(delegate.rate, CameraSettings::getFrameRateAt(2));
    EXPECT_EQ(CameraSettings::getFrameRate(2), delegate.rate);
}

TEST_F(SettingWindowTest, CustomBackgroundWithoutAPictureFallsBackToNone) {
    UserDefaults::standard().setObject("KeyCameraBgModeCustomImgData", QByteArray("old"));
    open(fullRoom());
    ASSERT_TRUE(!find<QPushButton>("bgImgDelBtn")->isHidden());
    click("bgImgDelBtn");
    EXPECT_FALSE(!find<QPushButton>("bgImgDelBtn")->isHidden());
    click("bgCustomBtn");
    click("buttonApply");
    EXPECT_EQ(delegate.bgMode, 0);
    EXPECT_FALSE(delegate.bgData.has_value());
    EXPECT_TRUE(find<QRadioButton>("bgNoneBtn")->isChecked());
    EXPECT_FALSE(UserDefaults::standard().hasKey("KeyCameraBgModeCustomImgData"));

    // A chosen picture is kept and sent with mode 2.
    click("bgImgSelectBtn");
    ASSERT_TRUE(delegate.imageHandler);
    QImage picture(32, 18, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    delegate.imageHandler(png);
    click("bgCustomBtn");
    click("buttonApply");
    EXPECT_EQ(delegate.bgMode, 2);
    EXPECT_EQ(delegate.bgData, png);
    EXPECT_EQ(DataSaveManager::loadCameraBgCustomImgData(), png);
}

TEST_F(SettingWindowTest, ARemoteSizeChangeMovesTheRadioAndLeavesApplyOff) {
    open(plainRoom());
    const int before = controller->selectedVideoSize();
    const int target = before == 2 ? 3 : 2;
    CameraSettings::setWidth(2, CameraSettings::getWidthAt(2, target));
    CameraSettings::setHeight(2, CameraSettings::getHeightAt(2, target));
    SettingNotificator::sharedNotificator().requestChangeResolutionNotification(
        QSizeF(CameraSettings::getWidthAt(2, target), CameraSettings::getHeightAt(2, target)));
    dispatcher->runPending();
    EXPECT_TRUE(find<QRadioButton>(QStringLiteral("videoSize%1").arg(target))->isChecked());
    EXPECT_EQ(controller->selectedVideoSize(), target);
    EXPECT_FALSE(applyEnabled());
    click("buttonOk");
    EXPECT_EQ(delegate.calls, (QStringList{"close 0", "close 2"}));  // no size stored or sent
}

TEST_F(SettingWindowTest, ConnectionSaveTable) {
    struct Case {
        const char* radio;
        QString host, port;
        int connectType;
        std::optional<int> proxyType;
        std::optional<QString> storedHost;
        int storedPort;
        int readBack;
    };
    const Case cases[] = {
        {"id_item_connection_direct", "", "", 0, std::nullopt, std::nullopt, 8080, SETTING_CONNECTION_DIRECT},
        {"id_item_connection_tunnering", "", "", 1, std::nullopt, std::nullopt, 8080,
         SETTING_CONNECTION_TUNNELING},
        {"id_item_connection_proxy_system", "", "", 3, 2, std::nullopt, 8080,
         SETTING_CONNECTION_SYSTEM_PROXY},
        {"id_item_connection_proxy_manual", " proxy .example ", "3128", 3, 3, QString("proxy.example"), 3128,
         SETTING_CONNECTION_MANUAL_PROXY},
        {"id_item_connection_proxy_manual", "   ", "8080", 3, 3, std::nullopt, 8080,
         SETTING_CONNECTION_SYSTEM_PROXY},  // a host of spaces is removed: read back as the system proxy
        {"id_item_connection_proxy_manual", "p.example", "", 3, 3, QString("p.example"), 0,
         SETTING_CONNECTION_MANUAL_PROXY},  // an emptied port is written as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio + (" " + c.host + "/" + c.port).toStdString());
        TemporaryHome caseHome;
        delegate = RecordingDelegate();
        open(plainRoom());
        click(c.radio);
        if (QString(c.radio) == "id_item_connection_proxy_manual") {
            type("proxyHostInputField", c.host);
            type("proxyPortInputField", c.port);
        }
        click("buttonOk");
        UserDefaults::resetStandard();
        UserDefaults& d = UserDefaults::standard();
        EXPECT_EQ(d.integerForKey("KeyConnectType"), c.connectType);
        EXPECT_EQ(d.hasKey("KeyProxyType"), c.proxyType.has_value());
        if (c.proxyType) EXPECT_EQ(d.integerForKey("KeyProxyType"), *c.proxyType);
        EXPECT_EQ(d.stringForKey("SettingView_Host"), c.storedHost);
        EXPECT_EQ(d.integerForKey("SettingView_Port"), c.storedPort);
        controller.reset();

        open(plainRoom());  // the next opening shows what was saved
        EXPECT_TRUE(
            find<QRadioButton>(QStringList{"id_item_connection_direct", "id_item_connection_tunnering",
                                           "id_item_connection_proxy_system",
                                           "id_item_connection_proxy_manual"}[c.readBack])
                ->isChecked());
        EXPECT_EQ(find<QLineEdit>("proxyPortInputField")->text(),
                  c.storedPort == 0 ? QString("8080") : QString::number(c.storedPort));
        controller.reset();
    }
}

TEST_F(SettingWindowTest, ProxyFieldsAreEditableOnlyForTheManualProxy) {
    open(plainRoom());
    auto* host = find<QLineEdit>("proxyHostInputField");
    click("id_item_connection_proxy_system");
    EXPECT_TRUE(host->isReadOnly());
    EXPECT_EQ(host->palette().color(QPalette::Text), QColor(Qt::lightGray));
    click("id_item_connection_proxy_manual");
    EXPECT_FALSE(host->isReadOnly());
    EXPECT_EQ(host->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST_F(SettingWindowTest, ProxyNoticesComeOnApplyOnlyAndTheSaveGoesOn) {
    open(plainRoom());
    click("id_item_connection_proxy_manual");
    type("proxyHostInputField", "p.example");
    type("proxyPortInputField", "");
    click("buttonApply");
    EXPECT_EQ(notices, QStringList{LocalizedString("dfENTERPORT")});
    EXPECT_EQ(UserDefaults::standard().integerForKey("SettingView_Port"), 0);
    type("proxyHostInputField", "");
    click("buttonOk");
    EXPECT_EQ(notices.size(), 1);  // OK never warns
    EXPECT_FALSE(UserDefaults::standard().hasKey("SettingView_Host"));
    EXPECT_EQ(delegate.calls, (QStringList{"close 0", "close 2"}));
}

TEST_F(SettingWindowTest, RecordingFieldsAreNormalisedAndSaved) {
    UserDefaults::standard().setInteger("KeyRecordingDefaultRecTimeStartUp", 120);
    SettingWindowParams p = fullRoom();
    p.recordingTimeRecDefaultCheck = 3;
    open(p);
    // A limit of 0 cannot be typed; an emptied limit is restored from the store.
    type("recordingDurationFiled", "0", false);
    EXPECT_EQ(find<QLineEdit>("recordingDurationFiled")->text(), QString("120"));
    type("recordingDurationFiled", "");
    EXPECT_EQ(find<QLineEdit>("recordingDurationFiled")->text(), QString("120"));
    type("movFiled", "50");
    EXPECT_EQ(find<QLineEdit>("movFiled")->text(), QString("100"));
    type("movFiled", "2000", false);  // above 1024: the last digit is refused
    EXPECT_EQ(find<QLineEdit>("movFiled")->text(), QString("200"));
    type("mp4Filed", "2000");
    click("audioOnlyRotationBtn");
    click("recordingDateBtn");
    EXPECT_FALSE(find<QComboBox>("recoringDateSize")->isEnabled() &&
                 !find<QCheckBox>("recordingDateBtn")->isChecked());
    choose("recordingPoint", 2);
    type("recordingDurationFiled", "", false);  // still being edited when OK is pressed
    click("buttonOk");
    const RecordingStoredSettings s = DataSaveManager::loadRecordingSettings();
    EXPECT_EQ(s.timeLimitMinutes, 120);
    EXPECT_EQ(s.movRotateMB, 200);
    EXPECT_EQ(s.mp4RotateMB, 2000);
    EXPECT_TRUE(s.audioNoSplit);
    EXPECT_EQ(s.datePoint, 2);
    // The room's overlay default 3 leaves the stored check alone, but the manager hears the box.
    EXPECT_FALSE(UserDefaults::standard().hasKey("KeyRecordingDateCheck"));
    EXPECT_TRUE(delegate.calls.contains("timeRec 1"));
}

TEST_F(SettingWindowTest, ChatAndSpeakerSwitchesAreSavedAndAnnouncedOnEveryOkOrApply) {
    SwitchListener listener;
    SettingNotificatorDispatcher observer(&SettingNotificator::sharedNotificator());
    observer.setDelegate(&listener);

    SettingWindowParams webinar = fullRoom();
    webinar.roomCategory = ROOM_CATEGORY_SEMINAR_SETTING;
    open(webinar);
    click("buttonOk");
    dispatcher->runPending();
    EXPECT_EQ(listener.calls, QStringList{"chat 1"});  // no speaker notice outside many-meeting rooms
    EXPECT_EQ(UserDefaults::standard().integerForKey("KeyNotifyChat"), 1);
    EXPECT_FALSE(UserDefaults::standard().hasKey("KeyManyMtgDispSpeakerBtn"));
    controller.reset();

    listener.calls.clear();
    open(fullRoom());
    click("notifyChatBtn");
    click("dispSpeakerBtn");
    click("buttonApply");
    controller->onClickApplyButton();  // without new edits: saved and announced again
    dispatcher->runPending();
    EXPECT_EQ(listener.calls, (QStringList{"chat 0", "speaker 0", "chat 0", "speaker 0"}));
    EXPECT_EQ(UserDefaults::standard().integerForKey("KeyManyMtgDispSpeakerBtn"), 0);
    observer.setDelegate(nullptr);
}

TEST_F(SettingWindowTest, AFailedSaveSaysSoAndKeepsTheWindowOpen) {
    open(plainRoom());
    // The configuration file cannot be written from now on.
    const QString path = UserDefaults::standardFilePath();
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkpath(path));
    UserDefaults::resetStandard();
    click("defaultMicOffCheckBox");
    click("id_item_connection_tunnering");
    click("buttonOk");
    EXPECT_EQ(notices, QStringList{LocalizedString("dfSETTINGWINDOW_SAVE_FAILED")});
    EXPECT_FALSE(delegate.calls.contains("close 0"));
    EXPECT_TRUE(controller->window()->isVisible());
    click("buttonApply");
    EXPECT_EQ(notices.size(), 2);
    EXPECT_TRUE(applyEnabled());  // nothing was written: Apply stays on

    // Once the store can be written again, the kept edits are saved.
    QDir(path).removeRecursively();
    UserDefaults::resetStandard();
    click("buttonOk");
    EXPECT_TRUE(delegate.calls.contains("close 0"));
    UserDefaults::resetStandard();
    EXPECT_EQ(UserDefaults::standard().integerForKey("KeyConnectType"), 1);
    EXPECT_EQ(UserDefaults::standard().integerForKey("SettingView_micsetting"), 1);
}
