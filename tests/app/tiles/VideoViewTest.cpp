// The video tile: where its parts go for a tile's size, the status mark and
// the meter states, the option buttons under the mouse, the speaking frame on
// the manual main-queue clock, pictures and what reaches the delegate.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <chrono>
#include <vector>

#include "VideoTestSupport.h"
#include "tiles/VideoView.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "ui/PopupSliderButton.h"

using namespace std::chrono_literals;

namespace {

struct RecordingViewDelegate : VideoViewDelegate {
    void doubleClickAction(QMouseEvent*, VideoView* view) override {
        calls.push_back("double"), views.push_back(view);
    }
    void rightClickAction(QMouseEvent*, VideoView* view) override {
        calls.push_back("right"), views.push_back(view);
    }
    void optionClickAction(VideoView*, int option) override {
        calls.push_back("option" + std::to_string(option));
    }
    void optionSliderAction(VideoView*, int option, PopupSliderButton* slider) override {
        calls.push_back("slide" + std::to_string(option));
        sliderValue = slider->sliderValue();
    }
    void statusClickAction(VideoView*) override { calls.push_back("status"); }
    void onMyVideo(const QImage& picture) override { mine.push_back(picture); }
    void onOtherVideo(const QImage& picture) override { others.push_back(picture); }
    std::vector<std::string> calls;
    std::vector<VideoView*> views;
    std::vector<QImage> mine, others;
    float sliderValue = -1;
};

void expectRect(const QRectF& actual, const QRectF& expected, const char* what) {
    EXPECT_NEAR(actual.x(), expected.x(), 0.01) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 0.01) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 0.01) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 0.01) << what;
}

QMouseEvent mouseEvent(QEvent::Type type, Qt::MouseButton button, QPointF at = QPointF(50, 50)) {
    return QMouseEvent(type, at, at, button, button, Qt::NoModifier);
}

TEST(VideoViewLayout, A320By240TileWithEveryPart) {
    const VideoViewLayout l =
        VideoView::layoutFor(QRectF(0, 0, 320, 240), true, true, true, true, true, true);
    EXPECT_DOUBLE_EQ(l.optionSize, 32);
    EXPECT_NEAR(l.optionGap, 6.4, 1e-9);
    expectRect(l.optionRects[VIDEO_OPTION_CAMERA], QRectF(6.4, 6.4, 32, 32), "camera");
    expectRect(l.optionRects[VIDEO_OPTION_MIC], QRectF(44.8, 6.4, 32, 32), "microphone");
    expectRect(l.optionRects[VIDEO_OPTION_SPEAKER], QRectF(83.2, 6.4, 32, 32), "speaker");
    expectRect(l.optionRects[VIDEO_OPTION_RECORD], QRectF(281.6, 6.4, 32, 32), "record");
    expectRect(l.statusRect, QRectF(2, 222, 14, 14), "status mark");
    EXPECT_NEAR(l.iconSize, 320.0 / 18, 1e-9);
    expectRect(l.iconRect, QRectF(320 - (320.0 / 18 + 32 + 2), 240 - 4 - 320.0 / 18, 320.0 / 18, 320.0 / 18),
               "icon");
    expectRect(l.meterRect, QRectF(286, 240 - 4 - 320.0 / 18, 32, 320.0 / 18), "meter");
    EXPECT_DOUBLE_EQ(l.nameBarHeight, 60);
    EXPECT_EQ(l.nameFontSize, 16);
    expectRect(l.nameRect, QRectF(18, 178, 320 - 10 - 14 - 320.0 / 18 - 32, 60), "name");
}

TEST(VideoViewLayout, OptionButtonsOfSmallAndLargeTiles) {
    const struct {
        double width, height;
        bool mic, speaker, camera, record;
        double size, gap;
        std::vector<std::pair<int, double>> xs;  // option, x
    } cases[] = {
        // A 100-wide tile with all four options has no gaps.
        {100,
         75,
         true,
         true,
         true,
         true,
         20,
         0,
         {{VIDEO_OPTION_CAMERA, 0},
          {VIDEO_OPTION_MIC, 20},
          {VIDEO_OPTION_SPEAKER, 40},
          {VIDEO_OPTION_RECORD, 80}}},
        // Without the record option the gap comes back.
        {100,
         75,
         true,
         true,
         true,
         false,
         20,
         4,
         {{VIDEO_OPTION_CAMERA, 4}, {VIDEO_OPTION_MIC, 28}, {VIDEO_OPTION_SPEAKER, 52}}},
        // 100.9 wide still counts as 100.
        {100.9, 75, true, true, true, true, 20, 0, {{VIDEO_OPTION_RECORD, 80.9}}},
        {101, 75, true, true, true, true, 20, 4, {{VIDEO_OPTION_MIC, 28}, {VIDEO_OPTION_RECORD, 77}}},
        // Shown buttons close up: without the camera the microphone comes first.
        {320,
         240,
         true,
         true,
         false,
         false,
         32,
         6.4,
         {{VIDEO_OPTION_MIC, 6.4}, {VIDEO_OPTION_SPEAKER, 44.8}}},
        // The size is limited to 40 on large tiles.
        {800, 600, false, true, false, true, 40, 8, {{VIDEO_OPTION_SPEAKER, 8}, {VIDEO_OPTION_RECORD, 752}}},
    };
    for (const auto& c : cases) {
        const VideoViewLayout l = VideoView::layoutFor(QRectF(0, 0, c.width, c.height), false, false, c.mic,
                                                       c.speaker, c.camera, c.record);
        EXPECT_DOUBLE_EQ(l.optionSize, c.size) << c.width;
        EXPECT_NEAR(l.optionGap, c.gap, 1e-9) << c.width;
        for (const auto& [option, x] : c.xs) {
            EXPECT_NEAR(l.optionRects[size_t(option)].x(), x, 1e-9) << c.width << " option " << option;
            EXPECT_NEAR(l.optionRects[size_t(option)].y(), c.gap, 1e-9);
        }
        EXPECT_EQ(l.optionRects[VIDEO_OPTION_CAMERA].isEmpty(), !c.camera);
        EXPECT_EQ(l.optionRects[VIDEO_OPTION_RECORD].isEmpty(), !c.record);
    }
}

TEST(VideoViewLayout, SizesFollowTheTileWithinTheirLimits) {
    const struct {
        double width, height;
        double mark, icon, meter, bar;
        int font;
    } cases[] = {
        {100, 75, 8, 10, 16, 18.75, 12}, {160, 120, 8, 160.0 / 18, 16, 30, 14}, {160, 120, 8, 10, 16, 30, 14},
        {400, 300, 14, 20, 32, 75, 20},  {1000, 200, 14, 20, 32, 50, 16},       {60, 40, 8, 10, 16, 18, 12},
    };
    for (const auto& c : cases) {
        const VideoViewLayout l =
            VideoView::layoutFor(QRectF(0, 0, c.width, c.height), true, true, false, false, false, false);
        EXPECT_DOUBLE_EQ(l.markSize, c.mark) << c.width;
        EXPECT_DOUBLE_EQ(l.iconSize, std::clamp(c.icon, 10.0, 20.0)) << c.width;
        EXPECT_DOUBLE_EQ(l.meterWidth, c.meter) << c.width;
        EXPECT_DOUBLE_EQ(l.nameBarHeight, c.bar) << c.width;
        EXPECT_EQ(l.nameFontSize, c.font) << c.width;
    }
    // Hidden mark and icon take no room: the name starts at 4 and reaches the meter's place.
    const VideoViewLayout bare =
        VideoView::layoutFor(QRectF(0, 0, 320, 240), false, false, false, false, false, false);
    EXPECT_DOUBLE_EQ(bare.markSize, 0);
    EXPECT_DOUBLE_EQ(bare.meterWidth, 0);
    expectRect(bare.nameRect, QRectF(4, 178, 310, 60), "name without mark or meter");
}

class VideoViewTest : public ::testing::Test {
protected:
    VideoViewTest() {
        view.setDelegate(&delegate);
        view.setDetail(24);
    }
    ~VideoViewTest() override { view.setDelegate(nullptr); }

    // The tile with a speaker's options, as the controller sets them.
    void offerAllOptions(bool sliders = true) {
        view.setShowMic(true);
        view.setShowSpeaker(true);
        view.setShowCamera(true);
        view.setShowRecord(true);
        view.setShowMicSlider(sliders);
        view.setShowSpeakerSlider(sliders);
        view.setNeedsDisplay();
    }
    PopupSliderButton* button(const char* name) { return view.findChild<PopupSliderButton*>(name); }
    std::vector<bool> buttonsVisible() {
        std::vector<bool> shown;
        for (const char* name :
             {"videoMicButton", "videoSpeakerButton", "videoCameraButton", "videoRecordButton"}) {
            PopupSliderButton* b = button(name);
            shown.push_back(b != nullptr && b->isVisibleTo(&view));
        }
        return shown;
    }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
    VideoView view{QRectF(0, 0, 320, 240)};
    RecordingViewDelegate delegate;
};

TEST_F(VideoViewTest, ANewTileIsEmpty) {
    EXPECT_EQ(view.statusMark(), VIDEO_STATUS_MARK_NONE);
    EXPECT_EQ(view.audioMeterStatus(), VIDEO_METER_STATUS_HIDDEN);
    EXPECT_EQ(view.frameAccentColor(), QColor::fromRgbF(0.9f, 0, 0, 1));
    EXPECT_EQ(view.audioMeterThreshold(), 15);
    EXPECT_TRUE(view.isShowAudioMeter());
    EXPECT_EQ(view.autoRecMode(), 0);
    EXPECT_FALSE(view.showMic() || view.showSpeaker() || view.showCamera() || view.showRecord());
    EXPECT_FALSE(view.startedRecord());
    EXPECT_EQ(view.getPixelSize(), QSize(0, 0));
    EXPECT_EQ(view.findChild<PopupSliderButton*>(), nullptr);
    EXPECT_FALSE(view.findChild<QPushButton*>("videoStatusButton")->isVisibleTo(&view));
    EXPECT_FALSE(view.findChild<AudioPeakMeter*>("videoAudioMeter")->isVisibleTo(&view));
}

TEST_F(VideoViewTest, PartsSitAtTheirPlacesInTheWidget) {
    offerAllOptions();
    view.changeStatusMark(VIDEO_STATUS_MARK_SPECIAL);
    view.changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
    // Qt's top-down geometry of the bottom-up places.
    EXPECT_EQ(view.findChild<QPushButton*>("videoStatusButton")->geometry(), QRect(2, 4, 14, 14));
    EXPECT_EQ(view.findChild<AudioPeakMeter*>("videoAudioMeter")->geometry(), QRect(286, 4, 32, 18));
    EXPECT_EQ(button("videoCameraButton")->geometry(), QRect(6, 202, 32, 32));
    EXPECT_EQ(button("videoRecordButton")->geometry(), QRect(282, 202, 32, 32));
    EXPECT_EQ(view.findChild<QLabel*>("videoNameLabel")->geometry().topLeft(), QPoint(18, 2));
    EXPECT_EQ(view.findChild<QLabel*>("videoNameLabel")->font().pointSizeF(), 16);
    // The buttons are made hidden; the mouse shows them.
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(button("videoMicButton")->toolTip(), LocalizedString("dfMIC_ONOFF"));
    EXPECT_EQ(button("videoRecordButton")->toolTip(), LocalizedString("dfRECORD_START"));
    EXPECT_TRUE(button("videoSpeakerButton")->showSlider());
    EXPECT_FALSE(button("videoCameraButton")->showSlider());
}

TEST_F(VideoViewTest, StatusMarksShowTheirImageAndOtherValuesHideIt) {
    auto* status = view.findChild<QPushButton*>("videoStatusButton");
    auto* name = view.findChild<QLabel*>("videoNameLabel");
    const struct {
        int mark;
        const char* image;
    } cases[] = {{0, "video_mark_normal"},
                 {1, "video_mark_special"},
                 {2, "video_mark_invalid"},
                 {3, ""},
                 {5, ""},
                 {-1, ""}};
    for (const auto& c : cases) {
        view.changeStatusMark(c.mark);
        EXPECT_EQ(view.statusMark(), c.mark);
        const bool shown = *c.image != 0;
        EXPECT_EQ(status->isVisibleTo(&view), shown) << c.mark;
        EXPECT_EQ(status->property("imageName").toString(), QString::fromLatin1(c.image)) << c.mark;
        EXPECT_EQ(status->icon().isNull(), !shown) << c.mark;
        // Without a mark the name moves to the left edge.
        EXPECT_EQ(name->geometry().left(), shown ? 18 : 4) << c.mark;
    }
}

TEST_F(VideoViewTest, MeterStatusesSetTheIconAndWhetherLevelsCount) {
    auto* icon = view.findChild<QLabel*>("videoAudioIcon");
    auto* meter = view.findChild<AudioPeakMeter*>("videoAudioMeter");
    const struct {
        int status;
        const char* icon;
        bool meterShown;
        bool levelsCount;
    } cases[] = {
        {VIDEO_METER_STATUS_ACTIVE, "video_spk_active", true, true},
        {VIDEO_METER_STATUS_DEFAULT, "video_spk_default", true, true},
        {VIDEO_METER_STATUS_SPEAKER_OFF, "video_spk_off", true, false},
        {VIDEO_METER_STATUS_MIC_OFF, "video_mic_off", true, false},
        {VIDEO_METER_STATUS_HIDDEN, "", false, false},
    };
    for (const auto& c : cases) {
        meter->setData(70);
        view.changeAudioMeterStatus(c.status);
        EXPECT_EQ(icon->property("imageName").toString(), QString::fromLatin1(c.icon)) << c.status;
        EXPECT_EQ(icon->isVisibleTo(&view), *c.icon != 0) << c.status;
        EXPECT_EQ(meter->isVisibleTo(&view), c.meterShown) << c.status;
        // Speaker and microphone off put the meter out at once.
        const bool reset =
            c.status == VIDEO_METER_STATUS_SPEAKER_OFF || c.status == VIDEO_METER_STATUS_MIC_OFF;
        EXPECT_EQ(meter->currentScale(), reset ? 0 : 7) << c.status;

        meter->resetMeter();
        view.changeAudioMeter(40);
        EXPECT_EQ(meter->currentScale(), c.levelsCount ? 4 : 0) << c.status;
        EXPECT_EQ(view.audioMeterStatus(), c.status);
        EXPECT_EQ(icon->property("imageName").toString(),
                  c.levelsCount ? QStringLiteral("video_spk_active") : QString::fromLatin1(c.icon))
            << c.status;
    }
}

TEST_F(VideoViewTest, ALevelLightsTheActiveIconUntilTheMeterFallsToZero) {
    auto* icon = view.findChild<QLabel*>("videoAudioIcon");
    view.changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
    view.changeAudioMeter(30);
    EXPECT_EQ(icon->property("imageName").toString(), QStringLiteral("video_spk_active"));
    dispatcher->advance(2200ms);  // 3 -> 2 -> 1 -> 0
    EXPECT_EQ(icon->property("imageName").toString(), QStringLiteral("video_spk_default"));
    EXPECT_EQ(view.audioMeterStatus(), VIDEO_METER_STATUS_DEFAULT);
}

TEST_F(VideoViewTest, WithoutTheMeterOptionNeitherIconNorMeterShows) {
    view.setIsShowAudioMeter(false);
    view.changeAudioMeterStatus(VIDEO_METER_STATUS_ACTIVE);
    EXPECT_FALSE(view.findChild<QLabel*>("videoAudioIcon")->isVisibleTo(&view));
    EXPECT_FALSE(view.findChild<AudioPeakMeter*>("videoAudioMeter")->isVisibleTo(&view));
}

TEST_F(VideoViewTest, TheMouseShowsAndHidesTheOfferedButtons) {
    view.setShowMic(true);
    view.setShowRecord(true);
    view.setNeedsDisplay();
    view.mouseEntered();
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{true, false, false, true}));
    // A layout pass while the mouse is over keeps them.
    view.setNeedsDisplay();
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{true, false, false, true}));
    view.mouseExited();
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{false, false, false, false}));

    view.mouseEntered();
    view.forceHideOptionButton();
    EXPECT_FALSE(view.isMouseOver());
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{false, false, false, false}));
}

TEST_F(VideoViewTest, AnOpenSliderKeepsTheButtonsUntilItClosesTriedEveryHalfSecond) {
    offerAllOptions();
    view.show();
    view.mouseEntered();
    // The mouse rests on the speaker button, its slider opens, the mouse goes down into the slider.
    button("videoSpeakerButton")->mouseEntered();
    button("videoSpeakerButton")->showPopupSlider();
    button("videoSpeakerButton")->mouseExited();
    ASSERT_TRUE(button("videoSpeakerButton")->showingSlider());
    view.mouseExited();
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{true, true, true, true}));
    dispatcher->advance(500ms);
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{true, true, true, true}));

    button("videoSpeakerButton")->closePopupSlider();
    dispatcher->advance(499ms);
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{true, true, true, true}));
    dispatcher->advance(1ms);
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{false, false, false, false}));
    view.hide();
}

TEST_F(VideoViewTest, ComingBackBeforeTheRetryKeepsTheButtons) {
    offerAllOptions();
    view.show();
    view.mouseEntered();
    button("videoMicButton")->mouseEntered();
    button("videoMicButton")->showPopupSlider();
    button("videoMicButton")->mouseExited();
    ASSERT_TRUE(button("videoMicButton")->showingSlider());
    view.mouseExited();
    button("videoMicButton")->closePopupSlider();
    view.mouseEntered();
    dispatcher->advance(600ms);
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{true, true, true, true}));
    view.hide();
}

TEST_F(VideoViewTest, TheFrameAccentFollowsTheLevel) {
    // A level that stays over the threshold keeps the frame, renewed every 2 s.
    view.changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
    view.setAudioMeterThreshold(3);
    view.changeAudioMeter(90);
    EXPECT_TRUE(view.isFrameAccented());
    dispatcher->advance(1500ms);
    view.changeAudioMeter(90);   // holds again; no new crossing
    dispatcher->advance(500ms);  // the first accent timer finds the level still over
    EXPECT_TRUE(view.isFrameAccented());
    dispatcher->advance(1500ms);  // the hold ends at 3.5 s: 9 -> 8 bands, still over
    EXPECT_TRUE(view.isFrameAccented());
    // The fall reaches 2 bands at 3.5 + 0.6 s; the meter's report takes the frame away at once.
    dispatcher->advance(599ms);
    EXPECT_TRUE(view.isFrameAccented());
    dispatcher->advance(1ms);
    EXPECT_FALSE(view.isFrameAccented());
}

TEST_F(VideoViewTest, TheAccentTimerEndsTheFrameWhenTheLevelIsNoLongerOver) {
    // Default threshold 15: ten bands never reach it, so the timer's check ends the frame.
    view.changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
    view.changeAudioMeter(100);
    EXPECT_TRUE(view.isFrameAccented());
    // The meter's first fall report (9 bands, below 15) ends the frame when the hold ends...
    dispatcher->advance(2000ms);
    EXPECT_FALSE(view.isFrameAccented());

    // ...and without a fall the accent timer ends it after 2 s.
    view.changeAudioMeter(100);
    EXPECT_TRUE(view.isFrameAccented());
    view.findChild<AudioPeakMeter*>("videoAudioMeter")->resetMeter();
    dispatcher->advance(1999ms);
    EXPECT_TRUE(view.isFrameAccented());
    dispatcher->advance(1ms);
    EXPECT_FALSE(view.isFrameAccented());
}

TEST_F(VideoViewTest, OptionButtonsChangeTheirImageAndTheRecordTooltip) {
    offerAllOptions();
    const struct {
        const char* name;
        int option;
        const char* on;
        const char* off;
    } cases[] = {
        {"videoMicButton", VIDEO_OPTION_MIC, "micon2", "micoff2"},
        {"videoSpeakerButton", VIDEO_OPTION_SPEAKER, "tool_speaker_on", "tool_speaker_off"},
        {"videoCameraButton", VIDEO_OPTION_CAMERA, "cameraon2", "cameraoff2"},
        {"videoRecordButton", VIDEO_OPTION_RECORD, "rec", "recstop"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(button(c.name)->property("imageName").toString(), QString::fromLatin1(c.on));
        view.changeOptionStatus(c.option, false);
        EXPECT_EQ(button(c.name)->property("imageName").toString(), QString::fromLatin1(c.off));
        EXPECT_FALSE(button(c.name)->icon().isNull());
        // The image takes the button less a third of its width: 32 - 32/3.
        EXPECT_EQ(button(c.name)->iconSize(), QSize(21, 21));
    }
    EXPECT_EQ(button("videoRecordButton")->toolTip(), LocalizedString("dfRECORD_STOP"));
    view.changeOptionStatus(VIDEO_OPTION_RECORD, true);
    EXPECT_EQ(button("videoRecordButton")->toolTip(), LocalizedString("dfRECORD_START"));
    view.changeOptionStatus(7, false);  // ignored

    view.changeOptionLevel(VIDEO_OPTION_MIC, 0.25f);
    view.changeOptionLevel(VIDEO_OPTION_SPEAKER, 0.75f);
    view.changeOptionLevel(VIDEO_OPTION_CAMERA, 0.5f);  // ignored
    EXPECT_FLOAT_EQ(button("videoMicButton")->sliderValue(), 0.25f);
    EXPECT_FLOAT_EQ(button("videoSpeakerButton")->sliderValue(), 0.75f);
    view.changeOptionSliderStatus(VIDEO_OPTION_MIC, false);
    EXPECT_FALSE(button("videoMicButton")->showSlider());
}

TEST_F(VideoViewTest, ClicksAndButtonsReachTheDelegate) {
    offerAllOptions();
    view.findChild<QPushButton*>("videoStatusButton")->click();
    button("videoCameraButton")->click();
    button("videoRecordButton")->click();
    button("videoMicButton")->slider()->setValue(600);
    QMouseEvent press = mouseEvent(QEvent::MouseButtonPress, Qt::RightButton);
    QCoreApplication::sendEvent(&view, &press);
    QMouseEvent twice = mouseEvent(QEvent::MouseButtonDblClick, Qt::LeftButton);
    QCoreApplication::sendEvent(&view, &twice);
    view.doubleClickActionFromDummyView(&twice);
    view.rightClickActionFromDummyView(&press);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"status", "option2", "option3", "slide0", "right",
                                                        "double", "double", "right"}));
    EXPECT_FLOAT_EQ(delegate.sliderValue, 0.6f);
    for (VideoView* v : delegate.views) {
        EXPECT_EQ(v, &view);
    }

    // Without a delegate nothing is called and nothing breaks.
    view.setDelegate(nullptr);
    button("videoMicButton")->click();
    QCoreApplication::sendEvent(&view, &press);
    view.rightClickActionFromDummyView(&press);
    view.setStartedRecord(true);
    view.setLayerImage(solidPicture(8, 8, Qt::red));
    view.onMyVideo(solidPicture(8, 8, Qt::red));
    EXPECT_EQ(delegate.calls.size(), 8u);
    EXPECT_TRUE(delegate.others.empty());
}

TEST_F(VideoViewTest, PicturesReachTheDelegateOnlyWhileRecorded) {
    const QImage first = solidPicture(64, 48, Qt::green);
    view.setLayerImage(first);
    view.onMyVideo(first);
    EXPECT_TRUE(delegate.others.empty());
    EXPECT_TRUE(delegate.mine.empty());
    view.setStartedRecord(true);
    view.setLayerImage(first);
    view.onMyVideo(first);
    ASSERT_EQ(delegate.others.size(), 1u);
    ASSERT_EQ(delegate.mine.size(), 1u);
    // The same pixels, not a copy.
    EXPECT_EQ(delegate.others[0].constBits(), first.constBits());
}

TEST_F(VideoViewTest, ThePictureIsTakenOnTheTimerAndClearedToBlack) {
    view.show();
    view.setLayerImage(solidPicture(1280, 720, Qt::blue));
    EXPECT_EQ(view.getPixelSize(), QSize(1280, 720));
    view.refreshLayerImage();
    QImage shot = view.grab().toImage();
    EXPECT_TRUE(nearColor(shot.pixelColor(160, 120), Qt::blue));
    // Aspect fit: 16:9 in 4:3 leaves black bands above and below (height 180 of 240).
    EXPECT_TRUE(nearColor(shot.pixelColor(160, 25), Qt::black));
    EXPECT_TRUE(nearColor(shot.pixelColor(160, 35), Qt::blue));

    offerAllOptions();
    view.mouseEntered();
    view.clearLayerImage();
    EXPECT_EQ(view.getPixelSize(), QSize(0, 0));
    EXPECT_EQ(buttonsVisible(), (std::vector<bool>{false, false, false, false}));
    shot = view.grab().toImage();
    EXPECT_TRUE(nearColor(shot.pixelColor(160, 120), Qt::black));
    view.hide();
}

TEST_F(VideoViewTest, ATileRepaintsOnlyWhenItsPictureChanged) {
    PaintCounter counter;
    view.show();
    // The first showing's paints (expose, activation) settle.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    view.installEventFilter(&counter);
    for (int i = 0; i < 5; ++i) {
        view.refreshLayerImage();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(counter.paints, 0);
    view.setLayerImage(solidPicture(64, 48, Qt::red));
    view.setLayerImage(solidPicture(64, 48, Qt::green));  // latest wins
    view.refreshLayerImage();
    view.refreshLayerImage();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    EXPECT_TRUE(nearColor(view.grab().toImage().pixelColor(160, 120), Qt::green));
    view.removeEventFilter(&counter);
    view.hide();
}

TEST_F(VideoViewTest, APictureBeforeTheTileIsBuiltIsDropped) {
    VideoView bare(QRectF(0, 0, 160, 120));
    bare.setLayerImage(solidPicture(64, 48, Qt::red));
    EXPECT_EQ(bare.getPixelSize(), QSize(0, 0));
}

TEST_F(VideoViewTest, TheCentredNameReplacesTheLabel) {
    view.setUserName(QStringLiteral("Hanako"));
    auto* label = view.findChild<QLabel*>("videoNameLabel");
    EXPECT_EQ(label->text(), QStringLiteral("Hanako"));
    view.changeOriginUserName(true);
    auto* centred = view.findChild<QLabel*>("videoSubNameView");
    ASSERT_NE(centred, nullptr);
    EXPECT_FALSE(label->isVisibleTo(&view));
    EXPECT_EQ(centred->text(), QStringLiteral("Hanako"));
    EXPECT_EQ(centred->geometry(), QRect(0, 105, 320, 30));
    EXPECT_EQ(centred->font().pointSizeF(), 24);
    view.setUserName(QStringLiteral("Taro"));
    EXPECT_EQ(centred->text(), QStringLiteral("Taro"));
    view.changeOriginUserName(false);
    EXPECT_EQ(view.findChild<QLabel*>("videoSubNameView"), nullptr);
    EXPECT_TRUE(label->isVisibleTo(&view));
    view.setUserName(QString());
    EXPECT_TRUE(label->text().isEmpty());
}

}  // namespace
