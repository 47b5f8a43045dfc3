// The tile controller: what a participant (or none) makes of the tile, the
// hand-over to the main queue from other threads, and the tile's events as
// participant requests to the delegate.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <memory>
#include <thread>
#include <vector>

#include "VideoTestSupport.h"
#include "model/SpeakerInfo.h"
#include "tiles/VideoInfo.h"
#include "platform/Dispatch.h"
#include "platform/Menu.h"
#include "ui/DummyView.h"
#include "ui/PopupSliderButton.h"

namespace {

struct RecordingInfoDelegate : VideoInfoDelegate {
    void videoDoubleClick(const SpeakerInfoRef& speaker) override { record("double", speaker); }
    void videoOptionClick(const SpeakerInfoRef& speaker, int option) override {
        record("option" + std::to_string(option), speaker);
    }
    void videoOptionSlide(const SpeakerInfoRef& speaker, int option, float value) override {
        record("slide" + std::to_string(option), speaker);
        slideValue = value;
    }
    void videoStatusClick(const SpeakerInfoRef& speaker) override { record("status", speaker); }
    Menu* makePopupVideoMenu(const SpeakerInfoRef& speaker) override {
        record("menu", speaker);
        return speaker != nullptr ? menu.get() : nullptr;
    }
    void onMyVideo(const QImage&) override { record("mine", nullptr); }
    void onOtherVideo(const QImage&, const QString& userId) override {
        calls.push_back("other:" + userId.toStdString());
    }
    void record(const std::string& what, const SpeakerInfoRef& speaker) {
        calls.push_back(what + ":" + (speaker ? speaker->userId().toStdString() : std::string("none")));
    }
    std::vector<std::string> calls;
    float slideValue = -1;
    std::unique_ptr<Menu> menu = std::make_unique<Menu>();
};

SpeakerInfoRef speaker(const char* id, const char* name, bool speakerOn = true, float volume = 0.33f) {
    auto info = std::make_shared<SpeakerInfo>(12, QString::fromLatin1(id), QString::fromLatin1(name),
                                              QStringLiteral("S0"));
    info->setIsSpeakerOn(speakerOn);
    info->setSpeakerVol(volume);
    return info;
}

class VideoInfoTest : public ::testing::Test {
protected:
    VideoInfoTest() {
        view->setDetail(20);
        info = std::make_unique<VideoInfo>(view, true, true, false, false);
        info->setDelegate(&delegate);
    }
    ~VideoInfoTest() override {
        if (info != nullptr) {
            info->setDelegate(nullptr);
        }
        delegate.menu->hide();
    }

    PopupSliderButton* button(const char* name) { return view->findChild<PopupSliderButton*>(name); }
    bool shown(const char* name) {
        view->mouseEntered();
        const bool visible = button(name) != nullptr && button(name)->isVisibleTo(view);
        view->forceHideOptionButton();
        return visible;
    }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
    VideoView* view = new VideoView(QRectF(0, 0, 320, 240));  // the controller deletes it
    std::unique_ptr<VideoInfo> info;
    RecordingInfoDelegate delegate;
};

TEST_F(VideoInfoTest, AParticipantGetsTheButtonsTheTileOffers) {
    EXPECT_EQ(view->delegate(), info.get());
    EXPECT_EQ(info->speaker(), nullptr);
    info->setSpeakerInfo(speaker("u1", "Suzuki", false, 0.8f));
    dispatcher->runPending();
    EXPECT_TRUE(view->showMic() && view->showMicSlider() && view->showSpeaker() && view->showSpeakerSlider());
    EXPECT_FALSE(view->showCamera() || view->showRecord());
    EXPECT_TRUE(shown("videoMicButton"));
    EXPECT_TRUE(shown("videoSpeakerButton"));
    EXPECT_FALSE(shown("videoCameraButton"));
    EXPECT_FALSE(shown("videoRecordButton"));
    EXPECT_TRUE(button("videoMicButton")->showSlider());
    // The speaker button follows the participant's speaker state and volume.
    EXPECT_EQ(button("videoSpeakerButton")->property("imageName").toString(),
              QStringLiteral("tool_speaker_off"));
    EXPECT_FLOAT_EQ(button("videoSpeakerButton")->sliderValue(), 0.8f);
    EXPECT_EQ(view->userName(), QStringLiteral("Suzuki"));
}

TEST_F(VideoInfoTest, NoParticipantEmptiesTheTile) {
    info->setSpeakerInfo(speaker("u1", "Suzuki"));
    dispatcher->runPending();
    view->changeStatusMark(VIDEO_STATUS_MARK_SPECIAL);
    view->changeAudioMeterStatus(VIDEO_METER_STATUS_ACTIVE);
    view->setLayerImage(solidPicture(64, 48, Qt::red));
    info->setSaveRect(QRectF(1, 2, 3, 4));
    DummyView dummy(QRectF(0, 0, 10, 10), 0);
    info->setDummy(&dummy);

    info->resetInfo();
    dispatcher->runPending();
    EXPECT_EQ(info->speaker(), nullptr);
    EXPECT_FALSE(view->showMic() || view->showMicSlider() || view->showSpeaker() ||
                 view->showSpeakerSlider() || view->showCamera() || view->showRecord());
    EXPECT_FALSE(shown("videoMicButton"));
    EXPECT_FALSE(shown("videoSpeakerButton"));
    EXPECT_EQ(view->statusMark(), VIDEO_STATUS_MARK_NONE);
    EXPECT_EQ(view->audioMeterStatus(), VIDEO_METER_STATUS_HIDDEN);
    EXPECT_FALSE(view->findChild<QPushButton*>("videoStatusButton")->isVisibleTo(view));
    EXPECT_FALSE(view->findChild<AudioPeakMeter*>("videoAudioMeter")->isVisibleTo(view));
    EXPECT_TRUE(view->userName().isEmpty());
    // The last participant's picture is gone with them.
    EXPECT_EQ(view->getPixelSize(), QSize(0, 0));
    EXPECT_EQ(info->saveRect(), QRectF());
    EXPECT_EQ(info->dummy(), nullptr);
}

TEST_F(VideoInfoTest, FromAnotherThreadTheTileChangesOnTheMainQueue) {
    std::thread([this] { info->setSpeakerInfo(speaker("u2", "Tanaka")); }).join();
    EXPECT_EQ(info->speaker()->userId(), QStringLiteral("u2"));
    EXPECT_FALSE(view->showMic());  // nothing touched the widget yet
    dispatcher->runPending();
    EXPECT_TRUE(view->showMic());
    EXPECT_EQ(view->userName(), QStringLiteral("Tanaka"));

    // A controller gone before the queue runs leaves nothing behind.
    std::thread([this] { info->setSpeakerInfo(nullptr); }).join();
    info.reset();
    dispatcher->runPending();
}

TEST_F(VideoInfoTest, TileEventsBecomeParticipantRequests) {
    info->setSpeakerInfo(speaker("u3", "Sato"));
    dispatcher->runPending();
    view->findChild<QPushButton*>("videoStatusButton")->click();
    button("videoMicButton")->click();
    button("videoSpeakerButton")->slider()->setValue(500);  // of 1000
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &twice);
    view->setStartedRecord(true);
    view->setLayerImage(solidPicture(8, 8, Qt::red));
    view->onMyVideo(solidPicture(8, 8, Qt::red));
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"status:u3", "option0:u3", "slide1:u3", "double:u3",
                                                        "other:u3", "mine:none"}));
    EXPECT_FLOAT_EQ(delegate.slideValue, 0.5f);
}

TEST_F(VideoInfoTest, ARightClickPopsUpTheParticipantsMenu) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    // An empty tile asks with no participant; the answer is no menu.
    QCoreApplication::sendEvent(view, &press);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"menu:none"}));
    EXPECT_FALSE(delegate.menu->isVisible());

    info->setSpeakerInfo(speaker("u4", "Ito"));
    dispatcher->runPending();
    DummyView dummy(QRectF(0, 0, 10, 10), 0);
    dummy.setDelegate(view);
    QCoreApplication::sendEvent(&dummy, &press);
    EXPECT_EQ(delegate.calls.back(), "menu:u4");
    EXPECT_TRUE(delegate.menu->isVisible());
}

TEST_F(VideoInfoTest, WithoutADelegateNothingIsSent) {
    info->setDelegate(nullptr);
    info->setSpeakerInfo(speaker("u5", "Kato"));
    dispatcher->runPending();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &press);
    button("videoMicButton")->click();
    view->setStartedRecord(true);
    view->setLayerImage(solidPicture(8, 8, Qt::red));
    EXPECT_TRUE(delegate.calls.empty());
}

TEST_F(VideoInfoTest, APictureAfterTheParticipantLeftIsNotRecordedForAnyone) {
    view->setStartedRecord(true);
    view->setLayerImage(solidPicture(8, 8, Qt::red));
    EXPECT_TRUE(delegate.calls.empty());
}

TEST_F(VideoInfoTest, ANewViewTakesTheFlagsAndTheName) {
    info->setSpeakerInfo(speaker("u6", "Abe"));
    dispatcher->runPending();
    auto* other = new VideoView(QRectF(0, 0, 160, 120));
    other->setDetail(12);
    info->setVideoView(other);
    EXPECT_EQ(info->video(), other);
    EXPECT_EQ(other->delegate(), info.get());
    EXPECT_TRUE(other->showMic() && other->showSpeaker());
    EXPECT_FALSE(other->showCamera() || other->showRecord());
    EXPECT_EQ(other->userName(), QStringLiteral("Abe"));
    view = other;
}

TEST_F(VideoInfoTest, AControllerGoneLeavesThePlacedTileWithoutADelegate) {
    QWidget grid;
    view->setParent(&grid);
    info.reset();
    EXPECT_EQ(view->delegate(), nullptr);
    view->findChild<QPushButton*>("videoStatusButton")->click();  // reaches no one
    EXPECT_TRUE(delegate.calls.empty());
    view->setParent(nullptr);
    delete view;
}

}  // namespace
