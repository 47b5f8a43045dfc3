// The device controls of the conference window: what the header and the tiles
// show of the own microphone, the own output, each participant's playback and
// the camera; the commands that reach the login and the devices; the frame
// filter of webinars; the camera background with its stored picture; and the
// own tile's picture from the camera.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <memory>
#include <thread>
#include <vector>

#include "app/session/LoginTestSupport.h"
#include "app/tiles/VideoTestSupport.h"
#include "conference/MVHeaderView.h"
#include "conference/MainViewController.h"
#include "conference/StartViewController.h"
#include "fixtures/app/FakeCaptureSession.h"
#include "media/AudioDeviceNotificator.h"
#include "media/CameraCapture.h"
#include "media/ImageEditer.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/PersonSegmentation.h"
#include "platform/UserDefaults.h"
#include "platform/View.h"
#include "services/LogFileManager.h"
#include "tiles/CameraView.h"
#include "ui/PopupSliderButton.h"

namespace login_test {
namespace {

SpeakerInfoRef speaker(int clientNo, const QString& id) {
    return std::make_shared<SpeakerInfo>(clientNo, id, id, QStringLiteral("S0"));
}

QString readLogFile(const QString& home) {
    QString text;
    QDirIterator it(home, {"log*.txt", "log*"},
                    QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (QFileInfo(f).isFile() && f.open(QIODevice::ReadOnly)) text += QString::fromUtf8(f.readAll());
    }
    return text;
}

// What the video area asks of the window controller.
struct DeviceRequests : MainViewControllerDelegate {
    void finishedCreateView() override {}
    void changeMicOnOff(int n) override { calls.push_back("mic " + std::to_string(n)); }
    void changeMicVolume(int n, float v) override {
        calls.push_back("micVolume " + std::to_string(n) + " " + std::to_string(int(v * 100)));
    }
    void changeSpeakerOnOff(int n) override { calls.push_back("speaker " + std::to_string(n)); }
    void changeSpeakerVolume(int n, float v) override {
        calls.push_back("speakerVolume " + std::to_string(n) + " " + std::to_string(int(v * 100)));
    }
    void changeCameraOnOff() override { calls.push_back("camera"); }
    void dispRecordingMenu(const SpeakerInfoRef& s) override {
        calls.push_back("record " + s->userId().toStdString());
    }
    void onClickVideoStatus(const SpeakerInfoRef&) override {}
    Menu* makePopupSpeakerMenu(const SpeakerInfoRef&) override { return nullptr; }
    Menu* makePopupReserverMenu(const UserInfoRef&) override { return nullptr; }
    void changeReserveState(bool, const UserInfoRef&) override {}
    void reserveSpeech(bool) override {}
    void stopSpeech() override {}
    void endSpeech(const SpeakerInfoRef&) override {}
    void hideMyVideoForSeminar(bool) override {}
    void onClickShowSeminarList() override {}
    void changeHideCameraFlag(bool) override {}
    void onMyVideo(const QImage&) override {}
    void onOtherVideo(const QImage&, const QString&) override {}
    int checkIsAutoRecVideo(const SpeakerInfoRef&) override { return 0; }
    void onStartAutoSaveRecordingOfOtherVideo(int, const SpeakerInfoRef&, int, int) override {}
    std::vector<std::string> calls;
};

struct HeaderDelegate : MVHeaderViewDelegate {
    void onClickFunctionMenu(int) override {}
    int64_t getLoginManagerStatus() override { return LOGIN_STATUS_LOGGED_IN; }
};

// ---- The video area's device state ----

class DeviceStateTest : public ::testing::Test {
protected:
    DeviceStateTest() {
        LogFileManager::resetForTesting();
        LogFileManager::createLogFile();
        host.show();
        own->setSpeakerInfo(speaker(CLIENT_NO_SELF, QStringLiteral("me")));
    }
    ~DeviceStateTest() override {
        LogFileManager::resetForTesting();
        if (area) area->setDelegate(nullptr);
        area.reset();
        own->video()->setParent(nullptr);
        delete own;
    }
    MainViewController& open(int category, const QString& owner = QStringLiteral("me")) {
        header = new MVHeaderView(
            QRectF(0, 500, 960, 40), QVariantMap{}, owner == "me", category, false,
            std::make_shared<UserInfo>(QStringLiteral("me"), QStringLiteral("me"), QStringLiteral("S0")),
            0.5f, 0.5f, false, &headerDelegate, &host);
        MainViewController::Params p;
        p.roomCategory = category;
        p.maxParticipants = 5;
        p.ownerUserId = owner;
        p.myVideoInfo = own;
        p.headerView = header;
        area = std::make_unique<MainViewController>(p);
        area->setDelegate(&requests);
        View* v = area->view();
        v->setParent(&host);
        View::setFrameOf(v, QRectF(0, 0, 960, 500));
        v->show();
        dispatcher->runPending();
        return *area;
    }
    // The tile of a participant, in the grid of its room (in many-meeting
    // rooms the speaking participants' list).
    VideoView* add(const SpeakerInfoRef& s) {
        area->addSpeaker(s);
        if (area->roomCategory() == ROOM_CATEGORY_MANYMTG) {
            area->startSpeechInManyMode(s);
            for (VideoInfo* t : *area->manySpeakerVideoList())
                if (t->speaker() && t->speaker()->userId() == s->userId()) return t->video();
            return nullptr;
        }
        for (VideoInfo* t : area->videoList())
            if (t->speaker() && t->speaker()->userId() == s->userId()) return t->video();
        return nullptr;
    }
    PopupSliderButton* headerButton(const char* name) const {
        return header->findChild<PopupSliderButton*>(QString::fromLatin1(name));
    }
    bool headerOn(const char* name) const { return headerButton(name)->property("on").toBool(); }
    QtApplicationFirst app;
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    View host{QRectF(0, 0, 960, 540), nullptr};
    VideoInfo* own = new VideoInfo(new CameraView(QRectF(0, 0, 320, 240)), true, true, true, false);
    HeaderDelegate headerDelegate;
    MVHeaderView* header = nullptr;
    DeviceRequests requests;
    std::unique_ptr<MainViewController> area;
};

// Switching the own output off silences every other tile; switching it on
// again restores only the tiles whose participant's playback is on. One
// participant's playback changes only that tile. In every kind of room.
TEST_F(DeviceStateTest, TheOwnOutputAndEachPlaybackShowOnTheTiles) {
    for (int category : {ROOM_CATEGORY_NORMAL, ROOM_CATEGORY_MANYMTG}) {
        SCOPED_TRACE(category);
        MainViewController& a = open(category);
        const SpeakerInfoRef ann = speaker(1, QStringLiteral("ann")), bob = speaker(2, QStringLiteral("bob"));
        bob->setIsSpeakerOn(false);
        VideoView* annTile = add(ann);
        VideoView* bobTile = add(bob);
        ASSERT_NE(annTile, nullptr);
        ASSERT_NE(bobTile, nullptr);

        a.changeSpeakerOnOff(CLIENT_NO_SELF, false);
        EXPECT_FALSE(a.isSpeakerOn());
        EXPECT_FALSE(headerOn("headerSpeakerButton"));
        for (VideoView* t : {annTile, bobTile}) EXPECT_EQ(t->audioMeterStatus(), VIDEO_METER_SPEAKER_OFF);

        a.changeSpeakerOnOff(CLIENT_NO_SELF, true);
        EXPECT_TRUE(headerOn("headerSpeakerButton"));
        EXPECT_EQ(annTile->audioMeterStatus(), VIDEO_METER_DEFAULT);
        EXPECT_EQ(bobTile->audioMeterStatus(), VIDEO_METER_SPEAKER_OFF);

        // One participant's playback: that tile only; the header and the own state stay.
        a.changeSpeakerOnOff(1, false);
        EXPECT_EQ(annTile->audioMeterStatus(), VIDEO_METER_SPEAKER_OFF);
        EXPECT_EQ(bobTile->audioMeterStatus(), VIDEO_METER_SPEAKER_OFF);
        EXPECT_TRUE(a.isSpeakerOn());
        EXPECT_TRUE(headerOn("headerSpeakerButton"));
        a.changeSpeakerOnOff(2, true);
        EXPECT_EQ(bobTile->audioMeterStatus(), VIDEO_METER_DEFAULT);
        EXPECT_EQ(annTile->audioMeterStatus(), VIDEO_METER_SPEAKER_OFF);
        a.changeSpeakerOnOff(99, true);  // no tile: nothing
        area.reset();
        delete header;
    }
    const QString log = readLogFile(home.path());
    EXPECT_TRUE(log.contains("Speaker button status(OFF)."));
    EXPECT_TRUE(log.contains("Speaker button status(ON)."));
}

// The own microphone: the header's button, the own tile's meter (hidden while
// off, and for a seminar attendee without the floor), the log line.
TEST_F(DeviceStateTest, TheOwnMicrophoneShowsOnTheHeaderAndTheOwnMeter) {
    const struct {
        int category;
        QString owner;
        bool on;
        bool header;
        int meter;
    } cases[] = {
        {ROOM_CATEGORY_NORMAL, "me", false, false, VIDEO_METER_HIDDEN},
        {ROOM_CATEGORY_NORMAL, "me", true, true, VIDEO_METER_DEFAULT},
        {ROOM_CATEGORY_SEMINAR, "chair", true, true, VIDEO_METER_HIDDEN},  // attendee without the floor
        {ROOM_CATEGORY_SEMINAR, "me", true, true, VIDEO_METER_DEFAULT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.category * 10 + int(c.on));
        MainViewController& a = open(c.category, c.owner);
        a.changeMicOnOff(c.on);
        EXPECT_EQ(a.isMicOn(), c.on);
        EXPECT_EQ(headerOn("headerMicButton"), c.header);
        EXPECT_EQ(own->video()->audioMeterStatus(), c.meter);
        area.reset();
        delete header;
    }
    const QString log = readLogFile(home.path());
    EXPECT_TRUE(log.contains("Microphone button status(OFF)."));
    EXPECT_TRUE(log.contains("Microphone button status(ON)."));
}

// Volumes reach the header's sliders and the tiles' sliders, also when the
// system's volume changes outside the application.
TEST_F(DeviceStateTest, VolumesMoveTheHeaderAndTileSliders) {
    MainViewController& a = open(ROOM_CATEGORY_NORMAL);
    VideoView* annTile = add(speaker(1, QStringLiteral("ann")));
    const auto slider = [](QWidget* tile, int option) {
        return tile->findChild<PopupSliderButton*>(option == VIDEO_OPTION_MIC ? "videoMicButton"
                                                                              : "videoSpeakerButton");
    };
    a.setMicVolume(0.25f);
    EXPECT_FLOAT_EQ(headerButton("headerMicButton")->sliderValue(), 0.25f);
    a.setSpeakerVolume(CLIENT_NO_SELF, 0.75f);
    EXPECT_FLOAT_EQ(headerButton("headerSpeakerButton")->sliderValue(), 0.75f);
    a.setSpeakerVolume(1, 0.4f);
    ASSERT_NE(slider(annTile, VIDEO_OPTION_SPEAKER), nullptr);
    EXPECT_FLOAT_EQ(slider(annTile, VIDEO_OPTION_SPEAKER)->sliderValue(), 0.4f);

    AudioDeviceNotificator::sharedNotificator().requestChangeOutputVolumeNotification(1.0f);
    AudioDeviceNotificator::sharedNotificator().requestChangeInputVolumeNotification(0.9f);
    dispatcher->runPending();
    EXPECT_FLOAT_EQ(headerButton("headerSpeakerButton")->sliderValue(), 1.0f);
    EXPECT_FLOAT_EQ(headerButton("headerMicButton")->sliderValue(), 0.9f);
    ASSERT_NE(slider(own->video(), VIDEO_OPTION_MIC), nullptr);
    EXPECT_FLOAT_EQ(slider(own->video(), VIDEO_OPTION_SPEAKER)->sliderValue(), 1.0f);
    EXPECT_FLOAT_EQ(slider(own->video(), VIDEO_OPTION_MIC)->sliderValue(), 0.9f);
}

// The tiles' buttons and sliders become requests about their participant.
TEST_F(DeviceStateTest, OptionButtonsAndSlidersBecomeRequests) {
    MainViewController& a = open(ROOM_CATEGORY_NORMAL);
    const SpeakerInfoRef ann = speaker(4, QStringLiteral("ann"));
    a.videoOptionClick(ann, VIDEO_OPTION_MIC);
    a.videoOptionClick(ann, VIDEO_OPTION_SPEAKER);
    a.videoOptionClick(ann, VIDEO_OPTION_CAMERA);
    a.videoOptionClick(ann, VIDEO_OPTION_RECORD);
    a.videoOptionClick(ann, 7);
    a.videoOptionSlide(ann, VIDEO_OPTION_MIC, 0.5f);
    a.videoOptionSlide(ann, VIDEO_OPTION_SPEAKER, 0.25f);
    a.videoOptionSlide(ann, VIDEO_OPTION_CAMERA, 0.25f);
    EXPECT_EQ(requests.calls, (std::vector<std::string>{"mic 4", "speaker 4", "camera", "record ann",
                                                        "micVolume 4 50", "speakerVolume 4 25"}));
}

// ---- The window controller's commands ----

TEST(DeviceControls, WebinarFramesPassOnlyInLayoutsWithVideo) {
    for (int mode = -1; mode <= 15; ++mode) {
        const bool shown = mode == 1 || (mode >= 5 && mode <= 8) || (mode >= 12 && mode <= 14);
        EXPECT_EQ(StartViewController::webinarLayoutShowsVideo(std::make_pair(true, mode)), shown) << mode;
    }
    EXPECT_FALSE(StartViewController::webinarLayoutShowsVideo(std::nullopt));
}

// A bridge with a camera and a microphone path that counts what it sends.
class MediaBridge : public FakeBridge {
public:
    bool SendAudio(const QByteArray&, double, int) override {
        ++audioSent;
        return true;
    }
    bool hasCameraDevice() const override { return true; }
    bool StartCamera() override {
        ++starts;
        return true;
    }
    void StopCamera() override { ++stops; }
    void setSpeakerVolume(int slot, float volume) override {
        std::lock_guard lock(mu);
        volumes.emplace_back(slot, volume);
    }
    CameraCaptureSource* cameraSource() override { return source; }
    CameraCaptureSource* source = nullptr;
    std::atomic<int> audioSent{0}, starts{0}, stops{0};
    std::vector<std::pair<int, float>> volumes;
};

// The own camera as the capture object would serve it, counting background changes.
struct RecordingCapture : CameraCaptureSource {
    QImage displayPicture(uint64_t* serial) const override {
        if (serial != nullptr) *serial = 1;
        return QImage();
    }
    void setMyVideoHandler(std::function<void(const QImage&)>) override {}
    void recMyVideo(bool) override {}
    void setBgMode(int mode, const QImage& img) override { modes.emplace_back(mode, img.size()); }
    std::vector<std::pair<int, QSize>> modes;
};

class DeviceCommandTest : public LoginTestBase {
protected:
    // The audio devices at the volumes the system has them.
    struct DeviceAudio : LoginAudioManager {
        explicit DeviceAudio(DeviceCommandTest& t) : test(t) {}
        void setup(int, const QVariantMap&) override {}
        void start() override {}
        void reset() override {}
        int roomSampleRate() const override { return 16000; }
        float inputVolume() const override { return test.systemInput; }
        float outputVolume() const override { return test.systemOutput; }
        void setMicVolume(float v) override { test.systemInput = v; }
        void setSpeakerVolume(float v) override { test.systemOutput = v; }
        DeviceCommandTest& test;
    };
    std::atomic<float> systemInput{1.0f}, systemOutput{0.8f};

    DeviceCommandTest() {
        StartViewController::Services s;
        s.makeLoginManager = [this] {
            LoginManagerFeatures f;
            f.audioManager = [this](LoginManager&) { return std::make_unique<DeviceAudio>(*this); };
            return std::make_unique<LoginManager>(f, [this](QuorixInterface*) { return &bridge; });
        };
        s.osVersion = [] { return QStringLiteral("11.2.0"); };
        controller = std::make_unique<StartViewController>(std::move(s));
        controller->viewDidLoad();
    }
    ~DeviceCommandTest() override {
        controller->loginManager()->waitForLoginQueue();
        controller->flushDeviceCommands();
        dispatcher->runPending();
        controller.reset();
        dispatcher->runPending();
    }
    void settle() {
        for (int i = 0; i < 5; ++i) {
            dispatcher->runPending();
            controller->loginManager()->waitForLoginQueue();
            controller->flushDeviceCommands();
        }
        dispatcher->runPending();
    }
    void logIn(const std::string& category = "0") {
        web.setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", category}, {"CLASSNAME", "Room A"}});
        QVariantMap info{{"object", LaunchLink(LinkFields(web.address(), "me"))}};
        NotificationCenter::defaultCenter().post("notification_name_kick_scheme", nullptr, info);
        settle();
        ASSERT_EQ(controller->loginManager()->status(), LOGIN_STATUS_LOGGED_IN);
        controller->window()->show();
        settle();
    }
    MainViewController* area() const { return dynamic_cast<MainViewController*>(controller->videoArea()); }
    QString logText() const { return readLogFile(home.path()); }

    ScopedManualDispatcher dispatcher;
    RoomWebService web;
    MediaBridge bridge;
    std::unique_ptr<StartViewController> controller;
};

// The header's microphone button mutes the own microphone: captured audio
// stops reaching the core, and the header and the own tile follow.
TEST_F(DeviceCommandTest, TheHeadersMicrophoneButtonStopsTheOwnAudio) {
    UserDefaults::standard().setInteger("SettingView_micsetting", 0);
    logIn();
    LoginManager* login = controller->loginManager();
    ASSERT_TRUE(login->isMicOn());
    const QByteArray pcm(640, '\1');
    login->onAudioInput(pcm, 1.0, 16000);
    EXPECT_EQ(bridge.audioSent.load(), 1);

    auto* mic = controller->headerView()->findChild<PopupSliderButton*>("headerMicButton");
    ASSERT_NE(mic, nullptr);
    mic->click();
    settle();
    EXPECT_FALSE(login->isMicOn());
    login->onAudioInput(pcm, 1.0, 16000);
    EXPECT_EQ(bridge.audioSent.load(), 1);
    EXPECT_FALSE(mic->property("on").toBool());
    EXPECT_EQ(area()->myVideo()->video()->audioMeterStatus(), VIDEO_METER_HIDDEN);
    // A level of the own microphone no longer reaches the own tile.
    login->OnAudioVolume(CLIENT_NO_SELF, 80);
    settle();
    EXPECT_EQ(area()->myVideo()->video()->audioMeterStatus(), VIDEO_METER_HIDDEN);

    mic->click();
    settle();
    EXPECT_TRUE(login->isMicOn());
    login->onAudioInput(pcm, 1.0, 16000);
    EXPECT_EQ(bridge.audioSent.load(), 2);
    EXPECT_EQ(area()->myVideo()->video()->audioMeterStatus(), VIDEO_METER_DEFAULT);
}

// The header's sliders show the devices' volumes as they are, and move them;
// the own tile shows the bridge's camera.
TEST_F(DeviceCommandTest, TheHeaderShowsTheDevicesVolumesAndTheOwnTileTheBridgesCamera) {
    RecordingCapture camera;
    bridge.source = &camera;
    logIn();
    auto* mic = controller->headerView()->findChild<PopupSliderButton*>("headerMicButton");
    auto* speaker = controller->headerView()->findChild<PopupSliderButton*>("headerSpeakerButton");
    ASSERT_NE(mic, nullptr);
    ASSERT_NE(speaker, nullptr);
    EXPECT_FLOAT_EQ(mic->sliderValue(), 1.0f);
    EXPECT_FLOAT_EQ(speaker->sliderValue(), 0.8f);
    EXPECT_FLOAT_EQ(
        area()->myVideo()->video()->findChild<PopupSliderButton*>("videoSpeakerButton")->sliderValue(), 0.8f);
    ASSERT_NE(controller->ownCameraView(), nullptr);
    EXPECT_EQ(controller->ownCameraView()->capture(), &camera);

    // Moving the header's slider sets the device.
    speaker->slider()->setValue(300);
    settle();
    EXPECT_FLOAT_EQ(systemOutput.load(), 0.3f);
    mic->slider()->setValue(450);
    settle();
    EXPECT_FLOAT_EQ(systemInput.load(), 0.45f);
    controller->ownCameraView()->setCapture(nullptr);
}

// Another participant's playback is switched only while the own output is on.
TEST_F(DeviceCommandTest, APlaybackSwitchesOnlyWhileTheOwnOutputIsOn) {
    logIn();
    LoginManager* login = controller->loginManager();
    login->OnStartSpeech(5, "ann", "Ann", "S0", true, true);
    settle();
    const SpeakerInfoRef ann = login->userListInfo()->getSpeakerInfo(5);
    ASSERT_NE(ann, nullptr);
    ASSERT_TRUE(ann->isSpeakerOn());

    controller->changeSpeakerOnOff(CLIENT_NO_SELF);
    settle();
    ASSERT_FALSE(login->isSpeakerOn());
    controller->changeSpeakerOnOff(5);
    settle();
    EXPECT_TRUE(ann->isSpeakerOn());

    controller->changeSpeakerOnOff(CLIENT_NO_SELF);
    settle();
    controller->changeSpeakerOnOff(5);
    settle();
    EXPECT_FALSE(ann->isSpeakerOn());
    VideoInfo* tile = nullptr;
    for (VideoInfo* t : area()->videoList())
        if (t->speaker() && t->speaker()->clientNo() == 5) tile = t;
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->video()->audioMeterStatus(), VIDEO_METER_SPEAKER_OFF);
    std::lock_guard lock(bridge.mu);
    ASSERT_FALSE(bridge.volumes.empty());
    EXPECT_EQ(bridge.volumes.back(), std::make_pair(5, 0.0f));
}

// A slider moved many times before the device follows sets only the last value.
TEST_F(DeviceCommandTest, AMovedSliderSetsTheLastVolume) {
    logIn();
    LoginManager* login = controller->loginManager();
    login->OnStartSpeech(5, "ann", "Ann", "S0", true, true);
    settle();
    {
        std::lock_guard lock(bridge.mu);
        bridge.volumes.clear();
    }
    for (int i = 1; i <= 20; ++i) controller->changeSpeakerVolume(5, float(i) / 20);
    settle();
    EXPECT_FLOAT_EQ(login->userListInfo()->getSpeakerInfo(5)->speakerVol(), 1.0f);
    std::lock_guard lock(bridge.mu);
    ASSERT_FALSE(bridge.volumes.empty());
    EXPECT_LT(bridge.volumes.size(), 20u);
    EXPECT_EQ(bridge.volumes.back(), std::make_pair(5, 1.0f));
}

// The camera button: the bridge's camera stops and starts, the header and the
// own tile follow, and the camera-off picture shows while it is off.
TEST_F(DeviceCommandTest, TheCameraButtonSwitchesTheCameraAndTheOwnPicture) {
    UserDefaults::standard().setInteger("SettingView_camerasetting", 0);
    logIn();
    LoginManager* login = controller->loginManager();
    ASSERT_TRUE(login->isCameraOn());
    auto* camera = controller->headerView()->findChild<PopupSliderButton*>("headerCameraButton");
    ASSERT_NE(camera, nullptr);
    camera->click();
    settle();
    EXPECT_FALSE(login->isCameraOn());
    EXPECT_GE(bridge.stops.load(), 1);
    EXPECT_FALSE(camera->property("on").toBool());
    ASSERT_NE(controller->ownCameraView(), nullptr);
    EXPECT_TRUE(controller->ownCameraView()->isCameraOff());
    camera->click();
    settle();
    EXPECT_TRUE(login->isCameraOn());
    EXPECT_TRUE(camera->property("on").toBool());
    EXPECT_FALSE(controller->ownCameraView()->isCameraOff());
    EXPECT_TRUE(logText().contains("Camera button status(OFF)."));
}

// The custom background: a picture is stored and applied; bytes that are no
// picture fall back to no background with a log line; deleting the picture
// keeps blur; a custom mode without bytes changes nothing.
TEST_F(DeviceCommandTest, TheCameraBackgroundAndItsStoredPicture) {
    RecordingCapture capture;
    controller->myVideoInfo();
    ASSERT_NE(controller->ownCameraView(), nullptr);
    controller->ownCameraView()->setCapture(&capture);
    UserDefaults& defaults = UserDefaults::standard();

    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    controller->changeVideoBg(2, png);
    EXPECT_EQ(defaults.integerForKey("KeyCameraBgMode"), 2);
    EXPECT_EQ(defaults.objectForKey("KeyCameraBgModeCustomImgData").toByteArray(), png);
    ASSERT_EQ(capture.modes.size(), 1u);
    EXPECT_EQ(capture.modes.back(), std::make_pair(2, QSize(40, 30)));
    EXPECT_EQ(controller->getBgCustomImg().size(), QSize(40, 30));

    // Junk bytes: the error is logged, mode 2 falls back to none, the stored picture stays.
    const QByteArray junk[] = {QByteArray("not a picture"), png.left(png.size() / 2),
                               QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, '\xff')};
    for (const QByteArray& bytes : junk) {
        defaults.setInteger("KeyCameraBgMode", 2);
        controller->changeVideoBg(2, bytes);
        EXPECT_EQ(defaults.integerForKey("KeyCameraBgMode"), 0);
        EXPECT_EQ(capture.modes.back().first, 0);
        EXPECT_EQ(defaults.objectForKey("KeyCameraBgModeCustomImgData").toByteArray(), png);
    }
    EXPECT_TRUE(logText().contains("[Setting]Failed custom background."));
    // With blur stored, junk leaves blur.
    controller->changeVideoBg(1, std::nullopt);
    const size_t applied = capture.modes.size();
    controller->changeVideoBg(2, QByteArray("junk"));
    EXPECT_EQ(defaults.integerForKey("KeyCameraBgMode"), 1);
    EXPECT_EQ(capture.modes.size(), applied);
    // Custom without bytes: nothing.
    controller->changeVideoBg(2, std::nullopt);
    EXPECT_EQ(capture.modes.size(), applied);

    // Deleting the picture keeps blur ...
    controller->deleteCustomImg();
    EXPECT_FALSE(defaults.hasKey("KeyCameraBgModeCustomImgData"));
    EXPECT_EQ(defaults.integerForKey("KeyCameraBgMode"), 1);
    EXPECT_EQ(capture.modes.size(), applied);
    // ... and ends the custom mode.
    controller->setCustomImg(png);
    controller->deleteCustomImg();
    EXPECT_EQ(defaults.integerForKey("KeyCameraBgMode"), 0);
    EXPECT_EQ(capture.modes.back().first, 0);
    EXPECT_TRUE(logText().contains("[Setting]Set video backbround (Blur)"));
    EXPECT_TRUE(logText().contains("[Setting]Set video backbround (None)"));

    // The file chooser: a chosen file's bytes reach the handler; a cancel calls nothing.
    QTemporaryDir dir;
    const QString file = dir.filePath("bg.png");
    picture.save(file);
    std::vector<std::optional<QByteArray>> handed;
    controller->chooseImageFile = [&] { return std::optional<QString>(file); };
    controller->selectedCustomImgData([&](const std::optional<QByteArray>& b) { handed.push_back(b); });
    controller->chooseImageFile = [] { return std::optional<QString>(); };
    controller->selectedCustomImgData([&](const std::optional<QByteArray>& b) { handed.push_back(b); });
    ASSERT_EQ(handed.size(), 1u);
    ASSERT_TRUE(handed[0].has_value());
    EXPECT_EQ(StartViewController::convertToImgFromData(handed[0]).size(), QSize(40, 30));
    controller->ownCameraView()->setCapture(nullptr);
}

// ---- The own tile's picture from the camera ----

// A segmentation that finds a person in the middle third of the picture.
struct MiddlePerson : PersonSegmentation {
    bool perform(const QImage& picture, QImage* mask, QString*, QString*, QString*) override {
        QImage m(picture.size(), QImage::Format_Grayscale8);
        m.fill(0);
        QPainter p(&m);
        p.fillRect(QRect(picture.width() / 3, 0, picture.width() / 3, picture.height()), Qt::white);
        *mask = m;
        return true;
    }
};

void noFrames(uint8_t*, int, int, int, void*) {}

// The camera's pictures: fine vertical stripes, which a blur turns grey.
CaptureFrame stripes(std::vector<uint32_t>& pixels, int w, int h) {
    pixels.assign(size_t(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels[size_t(y) * w + x] = (x / 2) % 2 ? 0xffffffffu : 0xff000000u;
    CaptureFrame f;
    f.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    f.width = w;
    f.height = h;
    return f;
}

TEST_F(DeviceCommandTest, TheOwnTileShowsTheCameraItsBlurAndTheCameraOffPicture) {
    auto* session = new FakeCaptureSession;
    CameraCapture capture(
        CameraCapture::Backend{[] {
                                   return QVector<CaptureDevice>{CaptureDevice{"cam0", "Camera", 0}};
                               },
                               [session] { return std::unique_ptr<CaptureSession>(session); },
                               [] { return 0.0; }},
        std::make_unique<ImageEditer>(std::make_unique<MiddlePerson>()));
    ASSERT_TRUE(capture.init(&noFrames, nullptr, 0, QString(), 320, 240, 15));
    ASSERT_TRUE(capture.Start());
    capture.flushConfiguration();

    VideoInfo* own = controller->myVideoInfo();
    CameraView* view = controller->ownCameraView();
    ASSERT_NE(view, nullptr);
    view->setParent(controller->view());
    View::setFrameOf(view, QRectF(0, 0, 320, 240));
    view->show();
    view->setCapture(&capture);
    (void)own;

    std::vector<uint32_t> pixels;
    const auto showFrame = [&] {
        session->deliver(stripes(pixels, 640, 480));
        view->refreshLayerImage();
        return view->grab().toImage();
    };
    // The camera's picture, its fine stripes intact at the edges.
    QImage shown = showFrame();
    const auto contrast = [](const QImage& img, int x0) {
        int lo = 255, hi = 0;
        for (int x = x0; x < x0 + 16; ++x) {
            const int g = qGray(img.pixel(x, img.height() / 2));
            lo = std::min(lo, g);
            hi = std::max(hi, g);
        }
        return hi - lo;
    };
    EXPECT_GT(contrast(shown, 10), 150);
    EXPECT_GT(contrast(shown, 150), 150);

    // Blur: the background's stripes melt into grey, the person's stay.
    controller->setBgMode(1, QImage());
    EXPECT_TRUE(capture.isNeedPersonSegment());
    shown = showFrame();
    EXPECT_LT(contrast(shown, 10), 60);
    EXPECT_GT(contrast(shown, 150), 150);

    // Camera off: the camera-off picture, whatever the camera still delivers.
    controller->onChangeCameraStatus(false);
    dispatcher->runPending();
    shown = showFrame();
    // The camera-off picture fitted into the tile on black.
    const QImage off = CameraView::cameraOffPicture();
    ASSERT_FALSE(off.isNull());
    QImage expected(shown.size(), QImage::Format_ARGB32);
    expected.fill(Qt::black);
    {
        const QImage fitted = off.scaled(shown.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&expected);
        p.drawImage((shown.width() - fitted.width()) / 2, (shown.height() - fitted.height()) / 2, fitted);
    }
    ASSERT_EQ(shown.size(), expected.size());
    shown.save(QStringLiteral("own_tile_camera_off.png"));
    expected.save(QStringLiteral("own_tile_camera_off_expected.png"));
    long difference = 0, samples = 0;
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 7, ++samples)
            difference += std::abs(qGray(shown.pixel(x, y)) - qGray(expected.pixel(x, y)));
    EXPECT_LT(difference / samples, 8);
    view->setCapture(nullptr);
    capture.Term();
}

}  // namespace
}  // namespace login_test
