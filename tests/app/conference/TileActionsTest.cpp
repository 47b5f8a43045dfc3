// The video area's tile actions: the double click that pops a tile out or
// back, the popup windows at the tile's place, at the picture's pixel size
// and over the whole screen, their return to the grid, the forwards of the
// tiles' and lists' requests, and the seminar list pane.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <functional>
#include <memory>
#include <vector>

#include "app/tiles/VideoTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/FullSizeView.h"
#include "conference/MainViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Menu.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "tiles/CameraView.h"
#include "ui/DummyView.h"

namespace {

struct RecordingDelegate : MainViewControllerDelegate {
    void finishedCreateView() override {}
    void changeMicOnOff(int n) override { calls.push_back("mic " + QString::number(n)); }
    void changeMicVolume(int n, float v) override {
        calls.push_back("micVolume " + QString::number(n) + " " + QString::number(v));
    }
    void changeSpeakerOnOff(int n) override { calls.push_back("speaker " + QString::number(n)); }
    void changeSpeakerVolume(int n, float v) override {
        calls.push_back("speakerVolume " + QString::number(n) + " " + QString::number(v));
    }
    void changeCameraOnOff() override { calls.push_back("camera"); }
    void dispRecordingMenu(const SpeakerInfoRef& s) override { calls.push_back("recording " + s->userId()); }
    void onClickVideoStatus(const SpeakerInfoRef& s) override { calls.push_back("status " + s->userId()); }
    Menu* makePopupSpeakerMenu(const SpeakerInfoRef& s) override {
        calls.push_back("speakerMenu " + s->userId());
        return &menu;
    }
    Menu* makePopupReserverMenu(const UserInfoRef& u) override {
        calls.push_back("reserverMenu " + u->userId());
        return &menu;
    }
    void changeReserveState(bool permit, const UserInfoRef& u) override {
        calls.push_back(QString(permit ? "permit " : "reject ") + u->userId());
    }
    void reserveSpeech(bool cancel) override { calls.push_back(cancel ? "cancelReserve" : "reserve"); }
    void stopSpeech() override { calls.push_back("stopSpeech"); }
    void endSpeech(const SpeakerInfoRef& s) override { calls.push_back("endSpeech " + s->userId()); }
    void hideMyVideoForSeminar(bool) override {}
    void onClickShowSeminarList() override { calls.push_back("showList"); }
    void changeHideCameraFlag(bool hidden) override { calls.push_back(hidden ? "hideCamera" : "showCamera"); }
    void onMyVideo(const QImage&) override { calls.push_back("myVideo"); }
    void onOtherVideo(const QImage&, const QString& id) override { calls.push_back("otherVideo " + id); }
    int checkIsAutoRecVideo(const SpeakerInfoRef&) override { return 0; }
    void onStartAutoSaveRecordingOfOtherVideo(int, const SpeakerInfoRef&, int, int) override {}

    Menu menu;
    std::vector<QString> calls;
};

SpeakerInfoRef speaker(int clientNo, const QString& id) {
    return std::make_shared<SpeakerInfo>(clientNo, id, id, QStringLiteral("S0"));
}

// A rectangle compared to a pixel (the window system rounds frames).
void expectFrame(const QRectF& actual, const QRectF& expected, const char* what) {
    EXPECT_NEAR(actual.x(), expected.x(), 1) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 1) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 1) << what;
}

class TileActionsTest : public ::testing::Test {
protected:
    TileActionsTest() { own->setSpeakerInfo(self); }
    ~TileActionsTest() override {
        if (area) {
            area->setDelegate(nullptr);
            area.reset();
        }
        own->video()->setParent(nullptr);
        delete own;
        delete window;
    }

    MainViewController& open(int category, const QString& owner, bool webinar = false) {
        window = new Window(QRectF(100, 100, 960, 540), WindowStyleTitled | WindowStyleResizable);
        window->setMinSize(QSizeF(300, 200));
        MainViewController::Params p;
        p.roomCategory = category;
        p.maxParticipants = 4;
        p.ownerUserId = owner;
        p.myVideoInfo = own;
        p.isWebinar = webinar;
        area = std::make_unique<MainViewController>(p);
        area->setDelegate(&delegate);
        View* v = area->view();
        window->contentView()->addSubview(v);
        View::setFrameOf(v, QRectF(0, 0, 960, 540));
        window->show();
        area->resizeMainView();
        dispatcher->runPending();
        return *area;
    }

    VideoInfo* tileOf(const QString& userId) const {
        for (VideoInfo* t : area->videoList())
            if (t->speaker() && t->speaker()->userId() == userId) return t;
        return nullptr;
    }
    // Where a tile shows on the screen now, bottom-up.
    static QRectF screenRect(QWidget* w) {
        const QPoint g = w->mapToGlobal(QPoint(0, 0));
        return QRectF(g.x(), Window::screenHeight() - g.y() - w->height(), w->width(), w->height());
    }
    void layOut() {
        QCoreApplication::sendPostedEvents();
        dispatcher->runPending();
    }

    QtApplicationFirst app;
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    SpeakerInfoRef self = speaker(CLIENT_NO_SELF, QStringLiteral("me"));
    VideoInfo* own = new VideoInfo(new CameraView(QRectF(0, 0, 320, 240)), true, true, true, false);
    RecordingDelegate delegate;
    Window* window = nullptr;
    std::unique_ptr<MainViewController> area;
};

// --- double click -------------------------------------------------------------

TEST_F(TileActionsTest, DoubleClickPopsOutAtPixelSizeAndBackInANormalRoom) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    auto other = speaker(7, QStringLiteral("u1"));
    c.addSpeaker(self);
    c.addSpeaker(other);
    layOut();
    VideoInfo* tile = tileOf(QStringLiteral("u1"));
    ASSERT_NE(tile, nullptr);
    QWidget* grid = tile->video()->parentWidget();
    c.updateVideo(7, solidPicture(640, 360, Qt::green));
    const QRectF before = screenRect(tile->video());
    const QRectF slot = View::frameOf(tile->video());

    c.videoDoubleClick(other);
    ASSERT_EQ(c.popupVideoList().size(), 1u);
    FullSizeView* popup = c.popupVideoList().front();
    EXPECT_TRUE(c.checkPopupVideo(other));
    EXPECT_EQ(tile->video()->window(), popup);
    // 640 by 360 at the tile's top left corner.
    expectFrame(popup->frame(), QRectF(before.x(), before.y() + before.height() - 360, 640, 360), "popup");
    EXPECT_EQ(popup->contentAspectRatio(), QSizeF(640, 360));
    EXPECT_GE(popup->level(), FloatingWindowLevel);
    // A placeholder holds the slot.
    ASSERT_NE(tile->dummy(), nullptr);
    EXPECT_EQ(tile->dummy()->parentWidget(), grid);
    EXPECT_EQ(View::frameOf(tile->dummy()), slot);

    c.videoDoubleClick(other);
    EXPECT_TRUE(c.popupVideoList().empty());
    EXPECT_FALSE(c.checkPopupVideo(other));
    EXPECT_EQ(tile->video()->parentWidget(), grid);
    EXPECT_EQ(View::frameOf(tile->video()), slot);
    EXPECT_EQ(tile->dummy(), nullptr);
}

TEST_F(TileActionsTest, DoubleClickInAManyMeetingRoomOnlyRePlacesAnExistingPopup) {
    MainViewController& c = open(ROOM_CATEGORY_MANYMTG, QStringLiteral("me"));
    auto other = speaker(7, QStringLiteral("u1"));
    c.addSpeaker(other);
    // Tiles small enough for one and a half times one to fit on the screen.
    for (int n : {8, 9, 10}) c.addSpeaker(speaker(n, QStringLiteral("u%1").arg(n)));
    layOut();
    c.videoDoubleClick(other);
    EXPECT_TRUE(c.popupVideoList().empty());  // not popped out: nothing

    c.resizeVideo(MainViewController::POPUP_MODE_WINDOW, QStringLiteral("u1"));
    ASSERT_EQ(c.popupVideoList().size(), 1u);
    FullSizeView* popup = c.popupVideoList().front();
    const QRectF first = popup->frame();
    popup->setFrame(QRectF(10, 10, 100, 80));
    c.videoDoubleClick(other);
    // Still out, back at one and a half times its slot.
    ASSERT_EQ(c.popupVideoList().size(), 1u);
    EXPECT_EQ(c.popupVideoList().front(), popup);
    // One and a half times the slot again (its corner on the screen is not
    // checked here: the offscreen platform places it differently).
    EXPECT_NEAR(popup->frame().width(), first.width(), 1);
    EXPECT_NEAR(popup->frame().height(), first.height(), 1);
}

TEST_F(TileActionsTest, DoubleClickOnTheOwnSeminarTilePopsItOut) {
    MainViewController& c = open(ROOM_CATEGORY_SEMINAR, QStringLiteral("owner"));
    c.addSpeaker(speaker(3, QStringLiteral("owner")));
    c.addSpeaker(speaker(4, QStringLiteral("u1")));  // the own tile goes to its corner
    layOut();
    ASSERT_EQ(own->video()->parentWidget(), c.view());
    ASSERT_NE(c.hiddenVideoViewBtn(), nullptr);
    c.videoDoubleClick(self);
    ASSERT_EQ(c.popupVideoList().size(), 1u);  // a listener's own tile: the ordinary list
    EXPECT_EQ(own->video()->window(), c.popupVideoList().front());
    EXPECT_TRUE(c.hiddenVideoViewBtn()->isHidden());
    EXPECT_TRUE(own->dummy()->isHidden());

    // Everything back: the own tile returns to its corner with its button.
    c.popupAllVideo(false);
    EXPECT_EQ(own->video()->parentWidget(), c.view());
    EXPECT_FALSE(c.hiddenVideoViewBtn()->isHidden());
    EXPECT_FALSE(c.checkPopupVideo(self));
}

// --- placement and display modes ----------------------------------------------------

TEST_F(TileActionsTest, WindowModeOpensAtTheTilesSizeOffsetRightAndDown) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.addSpeaker(speaker(7, QStringLiteral("u1")));
    for (int n : {8, 9, 10}) c.addSpeaker(speaker(n, QStringLiteral("u%1").arg(n)));
    layOut();
    VideoInfo* tile = tileOf(QStringLiteral("u1"));
    const QRectF r = screenRect(tile->video());
    c.resizeVideo(MainViewController::POPUP_MODE_WINDOW, QStringLiteral("u1"));
    ASSERT_EQ(c.popupVideoList().size(), 1u);
    FullSizeView* popup = c.popupVideoList().front();
    expectFrame(popup->frame(), QRectF(r.x() + 20, r.y() - 20, r.width(), r.height()), "window mode");
    EXPECT_EQ(popup->mode(), FULLSIZE_MODE_WINDOW);
    expectFrame(popup->popupRect(), r, "popupRect");
    // The tile fills the window.
    EXPECT_EQ(tile->video()->size(), popup->size());
}

TEST_F(TileActionsTest, FullScreenAndBackRestoresTheEarlierCorner) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.addSpeaker(speaker(7, QStringLiteral("u1")));
    layOut();
    c.updateVideo(7, solidPicture(640, 360, Qt::red));
    c.resizeVideo(MainViewController::POPUP_MODE_PIXEL_SIZE, QStringLiteral("u1"));
    ASSERT_EQ(c.popupVideoList().size(), 1u);
    FullSizeView* popup = c.popupVideoList().front();
    popup->setFrame(QRectF(150, 120, 640, 360));
    const QRectF windowed = popup->frame();

    c.resizeVideo(MainViewController::POPUP_MODE_FULL_SCREEN, QStringLiteral("u1"));
    EXPECT_EQ(popup->mode(), FULLSIZE_MODE_SCREEN);
    expectFrame(popup->frame(), Window::mainScreenFrame(), "full screen");
    expectFrame(popup->popupRect(), windowed, "kept frame");
    EXPECT_FALSE(popup->styleMask() & WindowStyleResizable);
    // A full-screen popup does not move when dragged.
    popup->pressAt(QPointF(10, 10), 1);
    popup->dragTo(QPointF(300, 300));
    expectFrame(popup->frame(), Window::mainScreenFrame(), "dragged full screen");

    for (int back : {MainViewController::POPUP_MODE_PIXEL_SIZE, MainViewController::POPUP_MODE_WINDOW}) {
        c.resizeVideo(MainViewController::POPUP_MODE_FULL_SCREEN, QStringLiteral("u1"));
        c.resizeVideo(back, QStringLiteral("u1"));
        EXPECT_EQ(popup->mode(), FULLSIZE_MODE_WINDOW) << back;
        expectFrame(popup->frame(), windowed, "back to windowed");
        EXPECT_TRUE(popup->popupRect().isNull()) << back;
        EXPECT_TRUE(popup->styleMask() & WindowStyleResizable) << back;
    }
}

TEST_F(TileActionsTest, APopupMadeFullScreenReturnsToTheTilesFormerCorner) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.addSpeaker(speaker(7, QStringLiteral("u1")));
    layOut();
    VideoInfo* tile = tileOf(QStringLiteral("u1"));
    c.updateVideo(7, solidPicture(320, 180, Qt::blue));
    const QRectF r = screenRect(tile->video());
    c.resizeVideo(MainViewController::POPUP_MODE_FULL_SCREEN, QStringLiteral("u1"));
    FullSizeView* popup = c.popupVideoList().front();
    expectFrame(popup->frame(), Window::mainScreenFrame(), "full screen");
    c.resizeVideo(MainViewController::POPUP_MODE_PIXEL_SIZE, QStringLiteral("u1"));
    expectFrame(popup->frame(), QRectF(r.x(), r.y() + r.height() - 180, 320, 180), "windowed");
}

TEST_F(TileActionsTest, DraggingAWindowedPopupKeepsThePressedPointUnderThePointer) {
    FullSizeView popup(QRectF(100, 100, 200, 150), WindowStyleResizable);
    popup.show();
    popup.pressAt(QPointF(30, 40), 1);  // top-down in the window
    const QPointF pointer(500, 300);    // top-down on the screen
    popup.dragTo(pointer);
    const QRectF f = popup.frame();
    EXPECT_NEAR(f.x(), 470, 1);
    EXPECT_NEAR(Window::screenHeight() - (f.y() + f.height()), 260, 1);  // the top edge, top-down
}

// --- leaving, all popups, resets -------------------------------------------------

TEST_F(TileActionsTest, ASpeakerWhoLeavesTakesHisPopupAlong) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    auto other = speaker(7, QStringLiteral("u1"));
    c.addSpeaker(other);
    layOut();
    c.updateVideo(7, solidPicture(320, 240, Qt::green));
    c.resizeVideo(MainViewController::POPUP_MODE_PIXEL_SIZE, QStringLiteral("u1"));
    QPointer<FullSizeView> popup = c.popupVideoList().front();
    c.leaveSpeaker(other);
    EXPECT_TRUE(c.popupVideoList().empty());
    // The window closes and goes; painting what is left touches no freed tile.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull());
    for (QWidget* w : QApplication::topLevelWidgets()) w->repaint();
    c.updateVideo(7, solidPicture(320, 240, Qt::red));  // a late frame finds no tile
}

TEST_F(TileActionsTest, PopAllOutAndBackByRoom) {
    const struct {
        int category;
        size_t popups;  // after popping everything out
    } rooms[] = {{ROOM_CATEGORY_NORMAL, 3}, {ROOM_CATEGORY_MANYMTG, 0}};
    for (const auto& room : rooms) {
        MainViewController& c = open(room.category, QStringLiteral("me"));
        c.addSpeaker(self);
        c.addSpeaker(speaker(7, QStringLiteral("u1")));
        c.addSpeaker(speaker(8, QStringLiteral("u2")));
        layOut();
        c.popupAllVideo(true);
        EXPECT_EQ(c.popupVideoList().size(), room.popups) << room.category;
        c.popupAllVideo(true);  // nothing is popped out twice
        EXPECT_EQ(c.popupVideoList().size(), room.popups) << room.category;
        c.popupAllVideo(false);
        EXPECT_TRUE(c.popupVideoList().empty()) << room.category;
        for (VideoInfo* t : c.videoList())
            EXPECT_EQ(qobject_cast<FullSizeView*>(t->video()->window()), nullptr) << room.category;
        area->setDelegate(nullptr);
        area.reset();
        delete window;
        window = nullptr;
    }
}

TEST_F(TileActionsTest, TheUserClosingAPopupPutsTheTileBack) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.addSpeaker(speaker(7, QStringLiteral("u1")));
    layOut();
    VideoInfo* tile = tileOf(QStringLiteral("u1"));
    QWidget* grid = tile->video()->parentWidget();
    c.resizeVideo(MainViewController::POPUP_MODE_WINDOW, QStringLiteral("u1"));
    c.popupVideoList().front()->close();  // as the window manager's close does
    EXPECT_TRUE(c.popupVideoList().empty());
    EXPECT_EQ(tile->video()->parentWidget(), grid);
}

// --- forwards ---------------------------------------------------------------------

TEST_F(TileActionsTest, TileAndListRequestsReachTheDelegate) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    auto u = speaker(7, QStringLiteral("u1"));
    const struct {
        std::function<void()> act;
        QString expected;
    } cases[] = {
        {[&] { c.videoStatusClick(u); }, "status u1"},
        {[&] { EXPECT_EQ(c.makePopupVideoMenu(u), &delegate.menu); }, "speakerMenu u1"},
        {[&] { c.onMyVideo(QImage()); }, "myVideo"},
        {[&] { c.onOtherVideo(QImage(), QStringLiteral("u1")); }, "otherVideo u1"},
        {[&] { EXPECT_EQ(c.makePopupReserverMenu(u), &delegate.menu); }, "reserverMenu u1"},
        {[&] { c.permitSpeech(u); }, "permit u1"},
        {[&] { c.rejectSpeechReserve(u); }, "reject u1"},
        {[&] { c.reserveSpeech(); }, "reserve"},
        {[&] { c.cancelReserveSpeech(); }, "cancelReserve"},
        {[&] { EXPECT_EQ(c.makePopupSpeakerMenu(u), &delegate.menu); }, "speakerMenu u1"},
        {[&] { c.stopSpeech(); }, "stopSpeech"},
        {[&] { c.endSpeech(u); }, "endSpeech u1"},
    };
    for (const auto& k : cases) {
        delegate.calls.clear();
        k.act();
        EXPECT_EQ(delegate.calls, std::vector<QString>{k.expected}) << k.expected.toStdString();
    }
    // No participant: no menu. No delegate: nothing, and no menu.
    delegate.calls.clear();
    EXPECT_EQ(c.makePopupVideoMenu(nullptr), nullptr);
    c.setDelegate(nullptr);
    EXPECT_EQ(c.makePopupVideoMenu(u), nullptr);
    EXPECT_EQ(c.makePopupReserverMenu(u), nullptr);
    c.videoStatusClick(u);
    c.permitSpeech(u);
    EXPECT_TRUE(delegate.calls.empty());
}

// --- the seminar list pane ---------------------------------------------------------

TEST_F(TileActionsTest, ThePaneWidensANarrowWindowAndHidingKeepsItsWidth) {
    MainViewController& c = open(ROOM_CATEGORY_SEMINAR, QStringLiteral("owner"));
    window->setMinSize(QSizeF(600, 300));
    window->setFrame(QRectF(100, 100, 600, 400));
    layOut();
    const QRectF before = window->frame();
    c.showSeminarList();
    auto* pane = c.view()->findChild<View*>(QStringLiteral("dfID_listArea"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->frame(), QRectF(0, 0, 200, c.view()->frame().height()));
    EXPECT_EQ(window->minSize().width(), 800);
    expectFrame(window->frame(), QRectF(before.x(), before.y(), 800, before.height()), "widened");
    ASSERT_NE(c.waitingListView(), nullptr);
    ASSERT_NE(c.speakerListView(), nullptr);
    // The waiting list above, the speaker list below, a 20-point gap between.
    const double h = c.view()->frame().height() * 0.5 - 10;
    EXPECT_EQ(c.waitingListView()->frame(), QRectF(0, c.view()->frame().height() - h, 200, h));
    EXPECT_EQ(c.speakerListView()->frame(), QRectF(0, 0, 200, h));
    EXPECT_EQ(View::frameOf(c.seminarListBtn()).x(), 200);
    EXPECT_EQ(c.seminarListBtn()->toolTip(), LocalizedString("dfFOOTER_BTN_LIST_HIDE"));
    EXPECT_GE(c.seminarBaseView()->frame().x(), 200);  // right of the pane

    c.showSeminarList();
    EXPECT_EQ(c.view()->findChild<View*>(QStringLiteral("dfID_listArea")), nullptr);
    EXPECT_EQ(c.waitingListView(), nullptr);
    EXPECT_EQ(window->minSize().width(), 600);
    EXPECT_NEAR(window->frame().width(), 800, 1);  // not shrunk
    EXPECT_EQ(View::frameOf(c.seminarListBtn()).x(), 0);
    EXPECT_EQ(c.seminarListBtn()->toolTip(), LocalizedString("dfFOOTER_BTN_LIST"));
}

TEST_F(TileActionsTest, ListsReachThePaneOnlyWhileItIsShown) {
    MainViewController& c = open(ROOM_CATEGORY_SEMINAR, QStringLiteral("owner"));
    const std::vector<SpeakerInfoRef> speakers{speaker(3, QStringLiteral("owner"))};
    const std::vector<UserInfoRef> reservers{speaker(4, QStringLiteral("u1"))};
    c.setSpeakerList(speakers);  // hidden: dropped
    c.showSeminarList();
    EXPECT_TRUE(c.speakerListView()->speakerList().empty());
    c.setSpeakerList(speakers);
    c.setReserveList(reservers);
    EXPECT_EQ(c.speakerListView()->speakerList().size(), 1u);
    EXPECT_EQ(c.waitingListView()->reserverList().size(), 1u);
    c.changeReserveState(true);
    EXPECT_FALSE(c.waitingListView()->requestButton()->isEnabled());
    EXPECT_TRUE(c.waitingListView()->cancelButton()->isEnabled());
    c.changeReserveState(false);
    EXPECT_TRUE(c.waitingListView()->requestButton()->isEnabled());
    EXPECT_FALSE(c.waitingListView()->cancelButton()->isEnabled());
}

// --- what it looks like --------------------------------------------------------------

TEST_F(TileActionsTest, APoppedOutTileShowsItsPicture) {
    MainViewController& c = open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"));
    c.addSpeaker(speaker(7, QStringLiteral("u1")));
    layOut();
    c.updateVideo(7, solidPicture(320, 180, QColor(0, 200, 0)));
    c.resizeVideo(MainViewController::POPUP_MODE_PIXEL_SIZE, QStringLiteral("u1"));
    FullSizeView* popup = c.popupVideoList().front();
    VideoView* view = tileOf(QStringLiteral("u1"))->video();
    QImage shot;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            view->repaint();
            shot = popup->grab().toImage();
            return nearColor(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(0, 200, 0));
        },
        10000));
    shot.save(videoScreenshotPath(QStringLiteral("popped-out-tile")));
    EXPECT_EQ(shot.size(), QSize(320, 180));
    // The grid keeps a grey placeholder where the tile was.
    DummyView* dummy = tileOf(QStringLiteral("u1"))->dummy();
    const QImage grid = c.view()->grab().toImage();
    grid.save(videoScreenshotPath(QStringLiteral("popped-out-tile-grid")));
    const QColor placeholder = grid.pixelColor(dummy->mapTo(c.view(), dummy->rect().center()));
    EXPECT_FALSE(nearColor(placeholder, QColor(0, 200, 0)));
    EXPECT_FALSE(nearColor(placeholder, Qt::black));
}

}  // namespace
