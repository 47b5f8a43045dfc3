// Own media through LoginManager: the camera-off picture and its timer,
// the camera button in a webinar, captured audio and levels by switch
// state, and the own video's budget in many-meeting rooms.
#include "FeatureTestSupport.h"
#include "platform/Dispatch.h"
#include "session/FreeMessageCodes.h"
#include "session/LoginAudio.h"

namespace login_test {
namespace {

struct FixedBudget : LoginLocalParamForManyMtg {
    bool changeLocalParam(int, int, int, int, int) override { return true; }
    int getManyMtgParticipantWidth() const override { return 160; }
    int getManyMtgParticipantHeight() const override { return 120; }
    double getManyMtgParticipantFps() const override { return fps; }
    double fps = 0.2;
};

LoginManagerFeatures MediaFeatures() {
    LoginManagerFeatures f;
    f.localParamForManyMtg = [] { return std::make_unique<FixedBudget>(); };
    return f;
}

class OwnMediaHookup : public LoginTestBase {
protected:
    OwnMediaHookup() : me(MediaFeatures()) {}
    void enter(const Config& extra = {}, const QString& userId = "me") {
        ASSERT_TRUE(EnterRoom(web, me, extra, userId));
    }

    RoomWebService web;
    Participant me;
};

TEST_F(OwnMediaHookup, TheCameraOffPictureIsBlueGreenRedFromTheBottomRowInAFourBytePixelBuffer) {
    QImage picture(2, 2, QImage::Format_RGB888);
    picture.setPixelColor(0, 0, QColor(1, 2, 3));  // top left
    picture.setPixelColor(1, 0, QColor(4, 5, 6));
    picture.setPixelColor(0, 1, QColor(7, 8, 9));  // bottom left
    picture.setPixelColor(1, 1, QColor(10, 11, 12));
    const QByteArray pixels = LoginManager::cameraOffPixels(picture);
    ASSERT_EQ(pixels.size(), 2 * 2 * 4);
    EXPECT_EQ(pixels.left(12), QByteArray("\x09\x08\x07\x0c\x0b\x0a\x03\x02\x01\x06\x05\x04", 12));
}

TEST_F(OwnMediaHookup, WithoutACameraTheConferenceStartsWithTheCameraOffPictureEveryThreeSeconds) {
    me.bridge.hasCamera = false;
    enter();
    ScopedManualDispatcher main;
    me.manager.initEnteringRoom();
    main->runPending();
    EXPECT_FALSE(me.manager.isCameraOn());
    EXPECT_EQ(me.window.list("camera"), std::vector<std::string>{"camera off"});
    EXPECT_EQ(me.bridge.commands("video"), std::vector<std::string>{"video 320x240 1 0 0"})
        << "sent at once, at 1 fps";
    main->advance(std::chrono::milliseconds(2999));
    EXPECT_EQ(me.bridge.commands("video").size(), 1u);
    main->advance(std::chrono::milliseconds(1));
    main->advance(std::chrono::milliseconds(6000));
    EXPECT_EQ(me.bridge.commands("video").size(), 4u) << "then every three seconds";
    EXPECT_EQ(me.bridge.commands("free"), std::vector<std::string>{"free 10006 "})
        << "the entry notice to everybody";

    me.manager.changeCameraOnOff();  // no camera: nothing happens
    EXPECT_FALSE(me.manager.isCameraOn());
    me.manager.setTimerSendCameraOff(false);
    main->advance(std::chrono::milliseconds(9000));
    EXPECT_EQ(me.bridge.commands("video").size(), 4u) << "a stopped timer sends no more";
}

TEST_F(OwnMediaHookup, AWebinarAudienceMembersCameraButtonOnlyFlipsTheFlag) {
    enter({{"CATEGORY", "1"}, {"MODE_WEBINAR", "Y"}});
    const bool before = me.manager.isCameraOn();
    me.manager.changeCameraOnOff();
    EXPECT_NE(me.manager.isCameraOn(), before);
    EXPECT_TRUE(me.bridge.commands("video").empty());
    EXPECT_TRUE(me.bridge.commands("startCamera").empty());
    EXPECT_TRUE(me.bridge.commands("stopCamera").empty());
    EXPECT_FALSE(me.manager.isSendCameraOffTimerRunning());
}

TEST_F(OwnMediaHookup, CapturedAudioAndLevelsFollowTheSwitches) {
    struct Case {
        const char* what;
        Config config;
        bool micOn;
        size_t sent;
    };
    const Case cases[] = {
        {"microphone on", {}, true, 1},
        {"microphone off", {}, false, 0},
        {"seminar audience", {{"CATEGORY", "1"}}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter(c.config);
        if (me.manager.isMicOn() != c.micOn) me.manager.changeMicOnOff();
        me.manager.onAudioInput(QByteArray(320, '\0'), 1.0, 16000);
        EXPECT_EQ(me.bridge.commands("audio").size(), c.sent);
    }
    enter();
    if (me.manager.isSpeakerOn()) me.manager.changeSpeakerOnOff(CLIENT_NO_SELF);
    if (!me.manager.isMicOn()) me.manager.changeMicOnOff();
    me.manager.OnAudioVolume(5, 40);
    me.manager.OnAudioVolume(CLIENT_NO_SELF, 30);
    EXPECT_EQ(me.window.list("level"), std::vector<std::string>{"level -100 30"})
        << "others' levels are not shown while the speaker is off";
}

TEST_F(OwnMediaHookup, TheAudioManagersCaptureAndReportsReachTheCoreThroughTheBridge) {
    enter();
    LoginAudio audio(me.manager);
    if (!me.manager.isMicOn()) me.manager.changeMicOnOff();
    const std::vector<std::uint8_t> pcm(640, 1);
    LoginAudio::onCaptured(pcm.data(), int(pcm.size()), 16000, &audio, 1.0);
    audio.onChangeSpeakerSamplingRate(48000);
    EXPECT_EQ(me.bridge.commands("audio"), std::vector<std::string>{"audio 640 16000"});
    EXPECT_EQ(me.bridge.commands("dstRate"), std::vector<std::string>{"dstRate 48000"});
    me.manager.changeMicOnOff();
    LoginAudio::onCaptured(pcm.data(), int(pcm.size()), 16000, &audio, 1.0);
    EXPECT_EQ(me.bridge.commands("audio").size(), 1u) << "nothing is sent with the microphone off";
}

TEST_F(OwnMediaHookup, AManyMeetingBudgetBelowOneFrameASecondSendsOne) {
    enter({{"CATEGORY", "2"}, {"MODE_MANY_MTG_SPEAKER", "4"}});
    me.bridge.clearCommands();
    me.manager.setVideoInManyMode(true, false);
    EXPECT_EQ(me.bridge.commands("video"), (std::vector<std::string>{"videoSize 160x120", "videoFps 1"}));
    me.bridge.clearCommands();
    me.manager.setVideoInManyMode(true, true);
    EXPECT_EQ(me.bridge.commands("videoFps"), std::vector<std::string>{"videoFps 1"})
        << "the camera's rate above the budget is lowered to it";
}

TEST_F(OwnMediaHookup, ManyMeetingMicrophoneGoesThroughTheRelay) {
    enter({{"CATEGORY", "2"}, {"MODE_MANY_MTG_SPEAKER", "1"}});
    EXPECT_FALSE(me.manager.isMicOn());
    me.manager.changeMicOnOff();
    EXPECT_FALSE(me.manager.isMicOn()) << "on only when the relay confirms";
    EXPECT_EQ(me.bridge.commands("many"), std::vector<std::string>{"manyStart me"});
    me.manager.OnManyMtgStartRes(3, 0, "me", "Me");
    EXPECT_FALSE(me.manager.isMicOn());
    EXPECT_EQ(me.window.list("errorMany"), std::vector<std::string>{"errorMany 3"});
    me.manager.OnManyMtgStart(0, 0, "me", "Me");
    EXPECT_TRUE(me.manager.isMicOn());
    EXPECT_TRUE(me.manager.isManySpeaker());
    me.manager.OnManyMtgStop(5, 0, "me", "Me");  // a failed stop still ends the sending
    EXPECT_FALSE(me.manager.isMicOn());
    EXPECT_TRUE(me.manager.userListInfo()->manySpeakerList()->empty());
}

}  // namespace
}  // namespace login_test
