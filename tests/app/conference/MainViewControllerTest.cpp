// The video area: its sizes, the tiles it places for each room category
// (own tile, placeholders, seminar speakers, many-meeting speakers), their
// marks and meters, where frames and levels go, its reset, and how it looks.

#include <gtest/gtest.h>

#include <QPainter>
#include <memory>
#include <thread>
#include <vector>

#include "app/tiles/VideoTestSupport.h"
#include "conference/MainViewController.h"
#include "tiles/AudioPeakMeter.h"
#include "tiles/CameraView.h"
#include "platform/Dispatch.h"
#include "platform/View.h"

namespace {

struct RecordingDelegate : MainViewControllerDelegate {
    void finishedCreateView() override { ++finished; }
    void changeMicOnOff(int) override {}
    void changeMicVolume(int, float) override {}
    void changeSpeakerOnOff(int) override {}
    void changeSpeakerVolume(int, float) override {}
    void changeCameraOnOff() override {}
    void dispRecordingMenu(const SpeakerInfoRef&) override {}
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
    int checkIsAutoRecVideo(const SpeakerInfoRef& speaker) override {
        asked.push_back(speaker->userId());
        return autoRecMode;
    }
    void onStartAutoSaveRecordingOfOtherVideo(int mode, const SpeakerInfoRef& speaker, int width,
                                              int height) override {
        started.push_back({mode, speaker->userId(), QSize(width, height)});
    }

    struct Start {
        int mode;
        QString userId;
        QSize size;
    };
    int finished = 0;
    int autoRecMode = 0;
    std::vector<QString> asked;
    std::vector<Start> started;
};

// The own camera as the capture object would serve it: one fixed picture.
struct StillCapture : CameraCaptureSource {
    QImage displayPicture(uint64_t* serial) const override {
        if (serial != nullptr) *serial = 1;
        return picture;
    }
    void setMyVideoHandler(std::function<void(const QImage&)>) override {}
    void recMyVideo(bool) override {}
    void setBgMode(int, const QImage&) override {}
    QImage picture;
};

SpeakerInfoRef speaker(int clientNo, const QString& id, const QString& name = QString()) {
    return std::make_shared<SpeakerInfo>(clientNo, id, name.isEmpty() ? id : name, QStringLiteral("S0"));
}

SpeakerInfoRef scheduled(const QString& id, const QString& name) {
    auto s = speaker(CLIENT_NO_SCHEDULED, id, name);
    s->setUserType(QString());
    s->setIsScheduler(true);
    return s;
}

int meterLevel(VideoView* view) {
    auto* meter = view->findChild<AudioPeakMeter*>();
    return meter != nullptr ? meter->currentScale() : -1;
}

class MainViewControllerTest : public ::testing::Test {
protected:
    MainViewControllerTest() {
        host.show();
        own->setSpeakerInfo(self);
    }
    ~MainViewControllerTest() override {
        if (area) area->setDelegate(nullptr);
        area.reset();
        own->video()->setParent(nullptr);
        delete own;
    }

    MainViewController& open(int category, const QString& owner, int maxParticipants = 5,
                             bool recording = false, bool webinar = false, QSizeF webinarSize = {}) {
        MainViewController::Params p;
        p.roomCategory = category;
        p.maxParticipants = maxParticipants;
        p.ownerUserId = owner;
        p.myVideoInfo = own;
        p.isRecording = recording;
        p.isWebinar = webinar;
        p.modeFullSize = webinarSize;
        p.subNameSize = 12;
        area = std::make_unique<MainViewController>(p);
        area->setDelegate(&delegate);
        View* v = area->view();
        v->setParent(&host);
        View::setFrameOf(v, QRectF(0, 0, 960, 540));
        v->show();
        area->resizeMainView();
        dispatcher->runPending();
        return *area;
    }

    VideoInfo* tileOf(const QString& userId) const {
        for (VideoInfo* t : area->videoList())
            if (t->speaker() && t->speaker()->userId() == userId) return t;
        return nullptr;
    }
    VideoView* viewOf(const QString& userId) const {
        VideoInfo* t = tileOf(userId);
        return t != nullptr ? t->video() : nullptr;
    }

    QtApplicationFirst app;
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    View host{QRectF(0, 0, 960, 540), nullptr};
    SpeakerInfoRef self = speaker(CLIENT_NO_SELF, QStringLiteral("me"), QStringLiteral("Me"));
    VideoInfo* own = new VideoInfo(new CameraView(QRectF(0, 0, 320, 240)), true, true, true, false);
    RecordingDelegate delegate;
    std::unique_ptr<MainViewController> area;
};

// --- sizes ------------------------------------------------------------------

TEST(MainViewControllerSizes, TileWidthFollowsTheRoomsSize) {
    const struct {
        int category, n;
        double divisor;
    } cases[] = {
        {0, 3, 8},   {0, 4, 10},  {0, 9, 10},  {0, 10, 12},  {0, 29, 12}, {0, 30, 14},
        {0, 69, 14}, {0, 70, 16}, {0, 99, 16}, {0, 100, 18}, {2, 3, 8},   {1, 3, 16},  // a seminar counts 70
    };
    for (const auto& c : cases) {
        const QSizeF tile = MainViewController::calcMyVideoViewSize(c.category, c.n, 1440);
        EXPECT_DOUBLE_EQ(tile.width(), 1440 / c.divisor) << c.category << "/" << c.n;
        EXPECT_DOUBLE_EQ(tile.height(), 0.75 * 1440 / c.divisor) << c.category << "/" << c.n;
    }
}

TEST(MainViewControllerSizes, AreaIsTheRoomsGridOfTiles) {
    const struct {
        int n, columns, rows;
    } grids[] = {{3, 3, 1},  {4, 2, 2},   {5, 3, 2},   {9, 5, 2},    {10, 5, 2},    {29, 5, 6},
                 {30, 6, 5}, {49, 10, 5}, {50, 10, 5}, {99, 10, 10}, {100, 10, 10}, {101, 11, 10}};
    for (const auto& g : grids) {
        const double w = MainViewController::calcMyVideoViewSize(0, g.n, 1440).width();
        EXPECT_EQ(MainViewController::calcMainViewSize(0, g.n, 1440),
                  QSizeF(g.columns * w + 97, g.rows * 0.75 * w + 20))
            << g.n;
    }
    // Worked figures on a 1440-wide screen.
    EXPECT_EQ(MainViewController::calcMainViewSize(0, 5, 1440), QSizeF(529, 236));
    EXPECT_EQ(MainViewController::calcMainViewSize(1, 5, 1440), QSizeF(540, 373));
    EXPECT_EQ(MainViewController::calcMainViewSize(1, 500, 1440), QSizeF(540, 373));
    EXPECT_EQ(MainViewController::calcMainViewSize(2, 90, 1440), QSizeF(997, 627.5));
    // No screen, no participants: degenerate but no error.
    EXPECT_EQ(MainViewController::calcMainViewSize(0, 5, 0), QSizeF(97, 20));
    EXPECT_EQ(MainViewController::calcMainViewSize(1, 5, 0), QSizeF(0, -32));
    EXPECT_EQ(MainViewController::calcMainViewSize(0, 0, 1440), QSizeF(97, 155));
    EXPECT_EQ(MainViewController::calcMainViewSize(0, -2, 1440), QSizeF(97 - 360, 155));
}

// --- life cycle -------------------------------------------------------------

TEST_F(MainViewControllerTest, AppearsOnceAndAResetIsFinal) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    EXPECT_TRUE(c.isInitialized());
    EXPECT_EQ(delegate.finished, 1);  // shown: appeared
    c.view()->hide();
    c.view()->show();
    c.viewDidAppear();
    EXPECT_EQ(delegate.finished, 1);

    auto other = speaker(7, QStringLiteral("u1"));
    c.addSpeaker(self);
    c.addSpeaker(other);
    VideoView* view = viewOf(QStringLiteral("u1"));
    c.resetVideoArea();
    dispatcher->runPending();
    EXPECT_FALSE(c.isInitialized());
    // The tiles keep their places, without participants.
    ASSERT_EQ(c.videoList().size(), 2u);
    EXPECT_EQ(c.clientView()->itemCount(), 2);
    for (VideoInfo* t : c.videoList()) {
        EXPECT_EQ(t->speaker(), nullptr);
        EXPECT_EQ(t->video()->statusMark(), VIDEO_STATUS_MARK_NONE);
        EXPECT_EQ(t->video()->audioMeterStatus(), VIDEO_METER_HIDDEN);
        EXPECT_TRUE(t->video()->userName().isEmpty());
    }
    // Frames no longer find the tile.
    c.updateVideo(7, solidPicture(64, 48, Qt::red));
    view->refreshLayerImage();
    EXPECT_EQ(view->getPixelSize(), QSize(0, 0));
}

TEST_F(MainViewControllerTest, AWebinarShowsItsGivenSizeButKeepsTheManyMeetingDefault) {
    MainViewController::Params p;
    p.roomCategory = ROOM_CATEGORY_SEMINAR;
    p.isWebinar = true;
    p.modeFullSize = QSizeF(800, 500);
    p.myVideoInfo = own;
    MainViewController c(p);
    EXPECT_EQ(c.view()->frame().size(), QSizeF(800, 500));
    EXPECT_EQ(c.webinarDefaultViewSize(), MainViewController::calcMainViewSize(ROOM_CATEGORY_MANYMTG, 90));
    // The webinar's grid waits for its pane.
    EXPECT_EQ(c.getWebinarVideoView()->parentWidget(), nullptr);
    own->video()->setParent(nullptr);
}

// --- placement and marks ----------------------------------------------------

TEST_F(MainViewControllerTest, ScheduledParticipantsHoldPlaceholdersThatTurnLiveAndBack) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("u2"));
    const std::vector<SpeakerInfoRef> schedule = {scheduled(QStringLiteral("u1"), QStringLiteral("Aoki")),
                                                  scheduled(QStringLiteral("u2"), QStringLiteral("Baba")),
                                                  scheduled(QStringLiteral("u3"), QStringLiteral("Chiba"))};
    c.addSpeaker(self);
    c.setScheduleUserVideo(schedule);
    dispatcher->runPending();

    const auto& grid = c.clientView()->elements();
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(grid[0], own->video());
    for (size_t i = 0; i < schedule.size(); ++i) {
        VideoView* v = c.videoList()[i + 1]->video();
        EXPECT_EQ(grid[i + 1], v);
        EXPECT_EQ(v->userName(), schedule[i]->userName());
        EXPECT_EQ(v->statusMark(), VIDEO_STATUS_MARK_NONE);
        EXPECT_EQ(v->audioMeterStatus(), VIDEO_METER_HIDDEN);
        EXPECT_FALSE(v->showSpeaker());
        EXPECT_FALSE(v->isShowAudioMeter());
    }

    // Baba, the owner, takes the floor: the placeholder turns live.
    const SpeakerInfoRef baba = schedule[1];
    baba->setClientNo(12);
    c.updateSpeakerForScheduleUser(baba, true);
    dispatcher->runPending();
    VideoView* v = viewOf(QStringLiteral("u2"));
    EXPECT_EQ(v->statusMark(), VIDEO_STATUS_MARK_SPECIAL);
    EXPECT_EQ(v->audioMeterStatus(), VIDEO_METER_DEFAULT);
    EXPECT_TRUE(v->showSpeaker());
    EXPECT_TRUE(v->isShowAudioMeter());
    c.updateVideo(12, solidPicture(64, 48, Qt::red));
    v->refreshLayerImage();
    EXPECT_EQ(v->getPixelSize(), QSize(64, 48));

    // The floor ends: the name again, no mark, no meter, same slot.
    baba->setClientNo(CLIENT_NO_SCHEDULED);
    c.updateSpeakerForScheduleUser(baba, false);
    dispatcher->runPending();
    EXPECT_EQ(v->statusMark(), VIDEO_STATUS_MARK_NONE);
    EXPECT_EQ(v->audioMeterStatus(), VIDEO_METER_HIDDEN);
    EXPECT_EQ(v->userName(), QStringLiteral("Baba"));
    EXPECT_EQ(v->getPixelSize(), QSize(0, 0));
    EXPECT_EQ(c.clientView()->elements()[2], v);

    // An owner change leaves placeholders unmarked.
    c.updateOwner(QStringLiteral("u3"), false);
    EXPECT_EQ(v->statusMark(), VIDEO_STATUS_MARK_NONE);
}

TEST_F(MainViewControllerTest, MarksTellTheOwnerApart) {
    struct Case {
        int category;
        QString owner;
        int ownMark, u1Mark, u2Mark;
    };
    const Case cases[] = {
        {ROOM_CATEGORY_NORMAL, "me", VIDEO_STATUS_MARK_SPECIAL, VIDEO_STATUS_MARK_NORMAL,
         VIDEO_STATUS_MARK_NORMAL},
        {ROOM_CATEGORY_NORMAL, "u1", VIDEO_STATUS_MARK_INVALID, VIDEO_STATUS_MARK_SPECIAL,
         VIDEO_STATUS_MARK_INVALID},
        {ROOM_CATEGORY_MANYMTG, "u1", VIDEO_STATUS_MARK_NONE, VIDEO_STATUS_MARK_NONE, VIDEO_STATUS_MARK_NONE},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.category << " owner " << k.owner.toStdString());
        MainViewController& c = open(k.category, k.owner);
        c.setSpeakerVideo({self, speaker(7, QStringLiteral("u1")), speaker(8, QStringLiteral("u2"))});
        dispatcher->runPending();
        EXPECT_EQ(own->video()->statusMark(), k.ownMark);
        EXPECT_EQ(viewOf(QStringLiteral("u1"))->statusMark(), k.u1Mark);
        EXPECT_EQ(viewOf(QStringLiteral("u2"))->statusMark(), k.u2Mark);
        EXPECT_EQ(c.clientView()->elements()[0], own->video());
        c.setDelegate(nullptr);
        area.reset();
    }

    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("u1"));
    c.setSpeakerVideo({speaker(7, QStringLiteral("u1")), speaker(8, QStringLiteral("u2")), self});
    c.updateOwner(QStringLiteral("me"), true);
    EXPECT_EQ(own->video()->statusMark(), VIDEO_STATUS_MARK_SPECIAL);
    EXPECT_EQ(viewOf(QStringLiteral("u1"))->statusMark(), VIDEO_STATUS_MARK_NORMAL);
    c.updateOwner(QStringLiteral("u2"), false);
    EXPECT_EQ(own->video()->statusMark(), VIDEO_STATUS_MARK_INVALID);
    EXPECT_EQ(viewOf(QStringLiteral("u2"))->statusMark(), VIDEO_STATUS_MARK_SPECIAL);
    // With the chair free, only the stored owner changes.
    c.setCaptainFree(true);
    c.updateOwner(QStringLiteral("u1"), false);
    EXPECT_EQ(c.ownerUserId(), QStringLiteral("u1"));
    EXPECT_EQ(viewOf(QStringLiteral("u2"))->statusMark(), VIDEO_STATUS_MARK_SPECIAL);
    EXPECT_EQ(viewOf(QStringLiteral("u1"))->statusMark(), VIDEO_STATUS_MARK_INVALID);
}

TEST_F(MainViewControllerTest, TheOwnTileIsPlacedOnceAndComesBackAfterLeaving) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.addSpeaker(speaker(7, QStringLiteral("u1")));
    c.addSpeaker(self);
    c.addSpeaker(self);  // twice: still one slot
    EXPECT_EQ(c.clientView()->itemCount(), 2);
    EXPECT_EQ(c.clientView()->elements()[0], own->video());
    c.leaveSpeaker(self);
    EXPECT_EQ(c.clientView()->itemCount(), 1);
    EXPECT_EQ(own->speaker(), self);  // the own tile stays bound
    c.leaveSpeaker(speaker(7, QStringLiteral("u1")));
    c.leaveSpeaker(speaker(9, QStringLiteral("nobody")));  // no tile: nothing
    EXPECT_EQ(c.clientView()->itemCount(), 0);
    EXPECT_TRUE(c.videoList().empty());
}

TEST_F(MainViewControllerTest, SeminarSpeakersGetTheirOwnGridAndAtMostSixTiles) {
    MainViewController& c = open(ROOM_CATEGORY_SEMINAR, QStringLiteral("chair"));
    const double width = c.seminarBaseView()->frame().width();
    c.setSpeakerVideo({speaker(1, QStringLiteral("chair"))});
    EXPECT_EQ(c.seminarSpeakerView(), nullptr);
    EXPECT_EQ(c.clientView()->itemCount(), 1);

    std::vector<SpeakerInfoRef> speakers;
    for (int i = 0; i < 6; ++i) speakers.push_back(speaker(10 + i, QStringLiteral("s%1").arg(i)));
    c.addSpeaker(speakers[0]);
    ASSERT_NE(c.seminarSpeakerView(), nullptr);
    EXPECT_EQ(c.seminarSpeakerView()->identifier(), QStringLiteral("aav_id_seminar_spekaer"));
    EXPECT_NEAR(c.clientView()->frame().width(), width * 4 / 5, 0.01);
    EXPECT_NEAR(c.seminarSpeakerView()->frame().x(), width * 4 / 5, 0.01);
    EXPECT_NEAR(c.seminarSpeakerView()->frame().width(), width / 5, 0.01);
    EXPECT_EQ(c.clientView()->itemAlignMode(), TILE_ALIGN_RIGHT);
    EXPECT_EQ(c.seminarSpeakerView()->itemAlignMode(), TILE_ALIGN_LEFT);
    EXPECT_EQ(c.seminarSpeakerView()->itemCount(), 1);
    EXPECT_EQ(viewOf(QStringLiteral("s0"))->statusMark(), VIDEO_STATUS_MARK_NONE);

    for (int i = 1; i < 6; ++i) c.addSpeaker(speakers[size_t(i)]);
    EXPECT_EQ(c.videoList().size(), 6u);               // the chair and five speakers
    EXPECT_EQ(tileOf(QStringLiteral("s5")), nullptr);  // the seventh gets none
    EXPECT_EQ(c.seminarSpeakerView()->itemCount(), 5);

    for (int i = 0; i < 5; ++i) c.leaveSpeaker(speakers[size_t(i)]);
    EXPECT_EQ(c.seminarSpeakerView(), nullptr);
    EXPECT_NEAR(c.clientView()->frame().width(), width, 0.01);
    EXPECT_EQ(c.clientView()->itemAlignMode(), TILE_ALIGN_CENTER);

    // The own floor.
    c.addSpeaker(self);
    EXPECT_TRUE(c.isSpeaker());
    EXPECT_EQ(c.seminarSpeakerView()->elements()[0], own->video());
    c.leaveSpeaker(self);
    EXPECT_FALSE(c.isSpeaker());
    EXPECT_EQ(c.seminarSpeakerView(), nullptr);
}

TEST_F(MainViewControllerTest, ManyMeetingTilesGetButtonsAndAMeterOnlyWhileSpeaking) {
    MainViewController& c = open(ROOM_CATEGORY_MANYMTG, QStringLiteral("u1"), 40);
    auto u1 = speaker(7, QStringLiteral("u1"));
    auto u2 = speaker(8, QStringLiteral("u2"));
    c.setSpeakerVideo({self, u1, u2});
    dispatcher->runPending();
    EXPECT_EQ(c.clientView()->minItemSizeForManyMtg(), QSizeF(40, 30));
    for (VideoInfo* t : c.videoList()) {
        EXPECT_FALSE(t->video()->showSpeaker() || t->video()->showMic() || t->video()->showCamera());
        EXPECT_EQ(t->video()->audioMeterStatus(), VIDEO_METER_HIDDEN);
    }

    c.setSpeakerListInManyMode({u1, self});
    VideoView* v1 = viewOf(QStringLiteral("u1"));
    EXPECT_TRUE(v1->showSpeaker());
    EXPECT_EQ(v1->audioMeterStatus(), VIDEO_METER_DEFAULT);
    EXPECT_EQ(v1->statusMark(), VIDEO_STATUS_MARK_SPECIAL);
    EXPECT_TRUE(own->video()->showMic() && own->video()->showCamera());
    // The microphone starts off in these rooms.
    EXPECT_EQ(own->video()->audioMeterStatus(), VIDEO_METER_MIC_OFF);
    EXPECT_EQ(own->video()->statusMark(), VIDEO_STATUS_MARK_INVALID);
    EXPECT_EQ(c.manySpeakerVideoList()->size(), 2u);
    EXPECT_EQ(viewOf(QStringLiteral("u2"))->audioMeterStatus(), VIDEO_METER_HIDDEN);

    c.stopSpeechInManyMode(u1);
    c.stopSpeechInManyMode(self);
    c.stopSpeechInManyMode(u2);  // not speaking: nothing
    EXPECT_FALSE(v1->showSpeaker());
    EXPECT_EQ(v1->audioMeterStatus(), VIDEO_METER_HIDDEN);
    EXPECT_EQ(v1->statusMark(), VIDEO_STATUS_MARK_NONE);
    EXPECT_FALSE(own->video()->showMic() || own->video()->showCamera());
    EXPECT_TRUE(c.manySpeakerVideoList()->empty());
}

// --- frames and levels ------------------------------------------------------

TEST_F(MainViewControllerTest, FramesGoToTheTileOfTheirClientNumberLatestFirst) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.setSpeakerVideo({self, speaker(7, QStringLiteral("u1")), speaker(8, QStringLiteral("u2"))});
    dispatcher->runPending();
    VideoView* v1 = viewOf(QStringLiteral("u1"));
    VideoView* v2 = viewOf(QStringLiteral("u2"));

    c.updateVideo(8, solidPicture(64, 48, Qt::red));
    c.updateVideo(8, solidPicture(32, 24, Qt::blue));    // before a paint: the newer wins
    c.updateVideo(99, solidPicture(16, 16, Qt::green));  // no such tile: nothing
    v1->refreshLayerImage();
    v2->refreshLayerImage();
    EXPECT_EQ(v1->getPixelSize(), QSize(0, 0));
    EXPECT_EQ(v2->getPixelSize(), QSize(32, 24));

    // From a core thread, without the main thread's help.
    std::thread core([&] { c.updateVideo(7, solidPicture(48, 36, Qt::green)); });
    core.join();
    v1->refreshLayerImage();
    EXPECT_EQ(v1->getPixelSize(), QSize(48, 36));
    EXPECT_EQ(dispatcher->pendingCount(), 0u);
}

TEST_F(MainViewControllerTest, LevelsReachAudibleTilesOnlyAndTheOwnTileAlways) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    auto loud = speaker(7, QStringLiteral("u1"));
    auto muted = speaker(8, QStringLiteral("u2"));
    muted->setIsSpeakerOn(false);
    c.setSpeakerVideo({loud, muted});  // the own user has no floor
    dispatcher->runPending();
    VideoView* vLoud = viewOf(QStringLiteral("u1"));
    VideoView* vMuted = viewOf(QStringLiteral("u2"));

    c.updateAudioVolume(7, 80);
    c.updateAudioVolume(8, 80);
    c.updateAudioVolume(CLIENT_NO_SELF, 60);
    EXPECT_GT(meterLevel(vLoud), 0);
    EXPECT_EQ(meterLevel(vMuted), 0);
    EXPECT_GT(meterLevel(own->video()), 0);

    // From core threads: kept per client number, one main-queue step for all
    // (the meters' own hold timers are queued too).
    const size_t queued = dispatcher->pendingCount();
    std::thread a([&] {
        c.updateAudioVolume(7, 10);
        c.updateAudioVolume(7, 100);
    });
    a.join();
    std::thread b([&] { c.updateAudioVolume(8, 100); });
    b.join();
    EXPECT_EQ(dispatcher->pendingCount(), queued + 1);
    dispatcher->runPending();
    EXPECT_EQ(meterLevel(vLoud), 10);  // all ten bands: 100 won
    EXPECT_EQ(meterLevel(vMuted), 0);
}

TEST_F(MainViewControllerTest, AutoRecordingStartsWithATilesFirstFrame) {
    delegate.autoRecMode = 3;
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"), 5, true);
    c.setSpeakerVideo({self, speaker(7, QStringLiteral("u1"))});
    EXPECT_EQ(delegate.asked, (std::vector<QString>{QStringLiteral("u1")}));  // never for the own tile

    std::thread core([&] {
        c.updateVideo(7, solidPicture(640, 360, Qt::red));
        c.updateVideo(7, solidPicture(640, 360, Qt::red));
    });
    core.join();
    EXPECT_TRUE(delegate.started.empty());  // the main thread tells the delegate
    dispatcher->runPending();
    ASSERT_EQ(delegate.started.size(), 1u);
    EXPECT_EQ(delegate.started[0].mode, 3);
    EXPECT_EQ(delegate.started[0].userId, QStringLiteral("u1"));
    EXPECT_EQ(delegate.started[0].size, QSize(640, 360));
    EXPECT_EQ(viewOf(QStringLiteral("u1"))->autoRecMode(), 0);
    c.updateVideo(7, solidPicture(640, 360, Qt::red));
    dispatcher->runPending();
    EXPECT_EQ(delegate.started.size(), 1u);
}

// --- on screen --------------------------------------------------------------

// The conference's video area with the own tile and two others, as drawn: the
// own camera's picture in the first slot, the others' pictures after it.
TEST_F(MainViewControllerTest, TheAreaOnScreen) {
    StillCapture capture;
    capture.picture = solidPicture(320, 240, QColor(40, 180, 60));
    static_cast<CameraView*>(own->video())->setCapture(&capture);
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.setSpeakerVideo({self, speaker(7, QStringLiteral("u1"), QStringLiteral("Aoki")),
                       speaker(8, QStringLiteral("u2"), QStringLiteral("Baba"))});
    c.updateVideo(7, solidPicture(320, 240, QColor(200, 40, 40)));
    c.updateVideo(8, solidPicture(320, 240, QColor(40, 60, 200)));
    dispatcher->runPending();
    for (VideoInfo* t : c.videoList()) t->video()->refreshLayerImage();

    const QImage shot = host.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("video-area-normal-3"))));
    // Two rows across the 960 x 540 area, the own tile first.
    const QColor expected[3] = {QColor(40, 180, 60), QColor(200, 40, 40), QColor(40, 60, 200)};
    ASSERT_EQ(c.clientView()->elements().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const QRectF f = View::frameOf(c.clientView()->elements()[size_t(i)]);
        const QPoint centre(int(f.center().x()), int(540 - f.center().y()) + int(f.height() / 4));
        EXPECT_TRUE(nearColor(shot.pixelColor(centre), expected[i])) << i;
    }
    EXPECT_LT(View::frameOf(own->video()).x(), View::frameOf(viewOf(QStringLiteral("u1"))).x());
    static_cast<CameraView*>(own->video())->setCapture(nullptr);
}

}  // namespace
