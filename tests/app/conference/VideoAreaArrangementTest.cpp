// The video area's arrangement: the webinar panes and waiting picture, the
// seminar box with the own tile in its corner, and the window that grows (and
// keeps its minimum) when a grid no longer fits.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScopeGuard>
#include <memory>

#include "app/tiles/VideoTestSupport.h"
#include "app/ui/UiTestSupport.h"
#include "conference/MainViewController.h"
#include "conference/VideoAreaArrangement.h"
#include "platform/Dispatch.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "tiles/CameraView.h"

namespace {

using namespace VideoAreaArrangement;

// --- pure geometry ------------------------------------------------------------

TEST(VideoAreaArrangement, WebinarPanesByTheLayoutsContent) {
    // A 1000 x 600 area, panes 250 wide, a screen 800 points high.
    const struct {
        bool right, bottom;
        QRectF left;
        std::optional<QRectF> rightFrame, bottomFrame;
    } cases[] = {
        {false, false, QRectF(0, 0, 1000, 600), std::nullopt, std::nullopt},
        {true, false, QRectF(0, 0, 750, 600), QRectF(750, 0, 250, 600), std::nullopt},
        {false, true, QRectF(0, 0, 750, 600), std::nullopt, QRectF(750, 0, 250, 600)},
        // The right pane takes the upper half of the screen's height, the text box the rest.
        {true, true, QRectF(0, 0, 750, 600), QRectF(750, 200, 250, 400), QRectF(750, 0, 250, 200)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.right << c.bottom);
        const WebinarPanes panes = webinarPanes(QSizeF(1000, 600), 250, 800, c.right, c.bottom);
        EXPECT_EQ(panes.left, c.left);
        EXPECT_EQ(panes.right, c.rightFrame);
        EXPECT_EQ(panes.bottom, c.bottomFrame);
    }
}

TEST(VideoAreaArrangement, SeminarBoxIsCentredRightOfTheListAndAtMostOnePointSixAsWide) {
    const struct {
        double width, height, list;
        QRectF base;
    } cases[] = {
        // Very wide: 1.6 x 500 = 800 wide less the insets, centred right of the list.
        {1600, 500, 200, QRectF(520, 20, 760, 460)},
        {1600, 500, 0, QRectF(420, 20, 760, 460)},
        // Narrow: the whole width right of the list, inset by 20.
        {600, 500, 0, QRectF(20, 20, 560, 460)},
        {600, 500, 200, QRectF(220, 20, 360, 460)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(seminarBaseFrame(c.width, QRectF(0, 0, c.width, c.height), c.list), c.base)
            << c.width << " " << c.list;
        EXPECT_LE(c.base.width(), 1.6 * c.height - 40);
    }
    const SeminarChildren both = seminarChildFrames(760, 460, QPointF(0, 0), true);
    EXPECT_EQ(both.client, QRectF(0, 0, 608, 460));
    EXPECT_EQ(both.speakers, QRectF(608, 0, 152, 460));
    const SeminarChildren one = seminarChildFrames(760, 460, QPointF(0, 0), false);
    EXPECT_EQ(one.client, QRectF(0, 0, 760, 460));
    EXPECT_FALSE(one.speakers);
}

TEST(VideoAreaArrangement, OwnTileAndHideButtonPlaces) {
    EXPECT_EQ(seminarOwnTileFrame(960, QSizeF(90, 67.5)), QRectF(860, 10, 90, 67.5));
    // The x goes through single precision.
    EXPECT_EQ(seminarOwnTileFrame(960.1, QSizeF(90, 67.5)).x(), double(float(960.1 - 90 - 10)));
    const QRectF tile(860, 10, 90, 67.5);
    EXPECT_EQ(hideButtonOrigin(false, 960, QSizeF(20, 20), tile), QPointF(936, 71.5));
    EXPECT_EQ(hideButtonOrigin(true, 960, QSizeF(20, 20), tile), QPointF(940, 0));
    EXPECT_EQ(waitingTextFrame(QSizeF(800, 500), 200), QRectF(0, 0, 800, 230));
}

TEST(VideoAreaArrangement, WindowGrowthSteps) {
    const QRectF visible(0, 40, 1440, 860);  // a dock below: the visible frame starts at 40
    const struct {
        const char* what;
        QSizeF grid, min;
        QRectF window;
        double minWidth;
        std::optional<QRectF> grown;
    } cases[] = {
        {"fits", QSizeF(500, 300), QSizeF(500, 300), QRectF(100, 100, 500, 400), 0, std::nullopt},
        {"shortfall added", QSizeF(500, 300), QSizeF(560, 330), QRectF(100, 100, 500, 400), 0,
         QRectF(100, 100, 560, 430)},
        {"only the missing direction", QSizeF(500, 300), QSizeF(400, 340), QRectF(100, 100, 500, 400), 0,
         QRectF(100, 100, 500, 440)},
        {"never below the minimum width", QSizeF(500, 300), QSizeF(400, 340), QRectF(100, 100, 500, 400), 700,
         QRectF(100, 100, 700, 440)},
        // Too wide for the screen: the visible width and 60 more points, in one step.
        {"visible width", QSizeF(1300, 300), QSizeF(1700, 300), QRectF(100, 100, 1340, 400), 0,
         QRectF(100, 100, 1440, 460)},
        // Too high: the visible height, and 80 more points of width.
        {"visible height", QSizeF(500, 700), QSizeF(500, 900), QRectF(100, 40, 500, 760), 0,
         QRectF(100, 40, 580, 860)},
        // The top edge would leave the visible frame: the window moves down.
        {"top kept inside", QSizeF(500, 300), QSizeF(500, 400), QRectF(100, 500, 500, 380), 0,
         QRectF(100, 420, 500, 480)},
        // Filled: nothing changes, so nothing is done.
        {"screen filled", QSizeF(1300, 700), QSizeF(2000, 2000), QRectF(0, 40, 1440, 860), 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(grownWindowFrame(c.grid, c.min, c.window, c.minWidth, visible), c.grown);
    }
}

TEST(VideoAreaArrangement, GrowthForAGridThatNeverFitsStopsInsideTheVisibleFrame) {
    const QRectF visible(0, 40, 1440, 860);
    QRectF window(300, 500, 400, 300);
    const double bars = 67;
    int steps = 0;
    while (auto grown = grownWindowFrame(QSizeF(window.width(), window.height() - bars), QSizeF(5000, 5000),
                                         window, 168, visible)) {
        ASSERT_LT(++steps, 20) << "the growth does not end";
        window = *grown;
        EXPECT_LE(window.y() + window.height(), visible.y() + visible.height() + 1e-9);
        EXPECT_LE(window.width(), visible.width());
    }
    EXPECT_EQ(window, QRectF(300, 40, 1440, 860));
}

TEST(VideoAreaArrangement, WindowMinimumFollowsTheGrid) {
    EXPECT_EQ(windowMinSizeForGrid(QSizeF(252, 66), 168, 67), QSizeF(252, 133));
    EXPECT_EQ(windowMinSizeForGrid(QSizeF(86, 66), 168, 67), QSizeF(168, 133));
}

// --- the video area applies them ----------------------------------------------------

struct ArrangementDelegate : MainViewControllerDelegate {
    void finishedCreateView() override {}
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
    void hideMyVideoForSeminar(bool hidden) override { hides.push_back(hidden); }
    void onClickShowSeminarList() override { ++listClicks; }
    void changeHideCameraFlag(bool) override {}
    void onMyVideo(const QImage&) override {}
    void onOtherVideo(const QImage&, const QString&) override {}
    int checkIsAutoRecVideo(const SpeakerInfoRef&) override { return 0; }
    void onStartAutoSaveRecordingOfOtherVideo(int, const SpeakerInfoRef&, int, int) override {}
    std::vector<bool> hides;
    int listClicks = 0;
};

SpeakerInfoRef speaker(int clientNo, const QString& id) {
    return std::make_shared<SpeakerInfo>(clientNo, id, id, QStringLiteral("S0"));
}

QWidget* colouredView(const QString& name, QColor colour) {
    auto* view = new QWidget;
    view->setObjectName(name);
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, colour);
    view->setPalette(palette);
    return view;
}

class VideoAreaArrangementTest : public ::testing::Test {
protected:
    VideoAreaArrangementTest() { own->setSpeakerInfo(self); }
    ~VideoAreaArrangementTest() override {
        if (area) area->setDelegate(nullptr);
        area.reset();
        own->video()->setParent(nullptr);
        delete own;
    }

    MainViewController& open(int category, const QString& owner, bool webinar, QWidget* parent,
                             QRectF frame) {
        MainViewController::Params p;
        p.roomCategory = category;
        p.maxParticipants = 5;
        p.ownerUserId = owner;
        p.myVideoInfo = own;
        p.isWebinar = webinar;
        p.allBarHeight = 67;
        area = std::make_unique<MainViewController>(p);
        area->setDelegate(&delegate);
        View* v = area->view();
        v->setParent(parent);
        View::setFrameOf(v, frame);
        v->show();
        area->resizeMainView();
        dispatcher->runPending();
        return *area;
    }

    QtApplicationFirst app;
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    SpeakerInfoRef self = speaker(CLIENT_NO_SELF, QStringLiteral("me"));
    VideoInfo* own = new VideoInfo(new CameraView(QRectF(0, 0, 320, 240)), true, true, true, false);
    ArrangementDelegate delegate;
    std::unique_ptr<MainViewController> area;
};

TEST_F(VideoAreaArrangementTest, WebinarPanesAreRebuiltForEachLayout) {
    View host(QRectF(0, 0, 1200, 700), nullptr);
    host.show();
    MainViewController& c =
        open(ROOM_CATEGORY_SEMINAR, QStringLiteral("chair"), true, &host, QRectF(0, 0, 1200, 700));
    const auto detach = qScopeGuard([&] { c.view()->setParent(nullptr); });
    const double half = c.webinarDefaultViewSize().width() / 2;
    const double S = Window::mainScreenVisibleFrame().height();
    AutoAlignmentView* grid = c.getWebinarVideoView();
    std::unique_ptr<QWidget> doc(colouredView(QStringLiteral("doc"), Qt::white));
    std::unique_ptr<QWidget> textBox(colouredView(QStringLiteral("tb"), Qt::yellow));

    // Video, document and text box.
    c.setMainViewLayout(grid, doc.get(), textBox.get());
    ASSERT_NE(c.leftViewForWebinar(), nullptr);
    ASSERT_NE(c.rightViewForWebinar(), nullptr);
    ASSERT_NE(c.bottomViewForWebinar(), nullptr);
    EXPECT_EQ(c.leftViewForWebinar()->frame(), QRectF(0, 0, 1200 - half, 700));
    EXPECT_EQ(c.rightViewForWebinar()->frame(), QRectF(1200 - half, 700 - S / 2, half, S / 2));
    EXPECT_EQ(c.bottomViewForWebinar()->frame(), QRectF(1200 - half, 0, half, 700 - S / 2));
    EXPECT_EQ(grid->parentWidget(), c.leftViewForWebinar());
    EXPECT_EQ(View::frameOf(grid), c.leftViewForWebinar()->bounds());
    EXPECT_EQ(doc->parentWidget(), c.rightViewForWebinar());
    EXPECT_EQ(textBox->parentWidget(), c.bottomViewForWebinar());
    EXPECT_TRUE(grid->isVisible());

    // Without the text box the right pane takes the full height.
    c.setMainViewLayout(grid, doc.get(), nullptr);
    EXPECT_EQ(c.bottomViewForWebinar(), nullptr);
    EXPECT_EQ(c.rightViewForWebinar()->frame(), QRectF(1200 - half, 0, half, 700));
    EXPECT_EQ(textBox->parentWidget(), nullptr);

    // The document alone: the grid is hidden, the document fills the area.
    c.setMainViewLayout(doc.get(), nullptr, nullptr);
    EXPECT_EQ(c.rightViewForWebinar(), nullptr);
    EXPECT_EQ(c.leftViewForWebinar()->frame(), QRectF(0, 0, 1200, 700));
    EXPECT_EQ(doc->parentWidget(), c.leftViewForWebinar());
    EXPECT_FALSE(grid->isVisible());

    // The waiting picture replaces every pane; the next layout removes it.
    c.makeNotStartWebinarView(true);
    ASSERT_NE(c.notStartWebinarView(), nullptr);
    EXPECT_EQ(c.leftViewForWebinar(), nullptr);
    EXPECT_EQ(c.notStartWebinarView()->frame(), QRectF(0, 0, 1200, 700));
    auto* text = c.notStartWebinarView()->findChild<QLabel*>(QStringLiteral("notStartWebinarText"));
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->text().isEmpty());
    c.makeNotStartWebinarView(true);  // only once
    EXPECT_EQ(c.view()->findChildren<View*>(QStringLiteral("notStartWebinarView")).size(), 1);
    c.setMainViewLayout(grid, nullptr, textBox.get());
    EXPECT_EQ(c.notStartWebinarView(), nullptr);
    EXPECT_EQ(c.rightViewForWebinar(), nullptr);
    EXPECT_EQ(c.bottomViewForWebinar()->frame(), QRectF(1200 - half, 0, half, 700));
    EXPECT_TRUE(grid->isVisible());
    // The contents belong to their owners, not to the panes.
    c.setMainViewLayout(grid, nullptr, nullptr);
    EXPECT_EQ(textBox->parentWidget(), nullptr);
    EXPECT_EQ(doc->parentWidget(), nullptr);
}

TEST_F(VideoAreaArrangementTest, SeminarAttendeesOwnTileSitsInTheCornerWithItsHideButton) {
    View host(QRectF(0, 0, 960, 540), nullptr);
    host.show();
    MainViewController& c =
        open(ROOM_CATEGORY_SEMINAR, QStringLiteral("chair"), false, &host, QRectF(0, 0, 960, 540));
    const auto detach = qScopeGuard([&] { c.view()->setParent(nullptr); });
    EXPECT_EQ(c.seminarBaseView()->frame(), QRectF(68, 20, 824, 500));
    EXPECT_EQ(c.clientView()->frame(), QRectF(0, 0, 824, 500));

    const QSizeF size = MainViewController::calcMyVideoViewSize(ROOM_CATEGORY_SEMINAR, 5);
    VideoView* tile = own->video();
    // Placed at the area's first size, the tile keeps its size and follows
    // the area's growth with all four margins.
    EXPECT_EQ(tile->parentWidget(), c.view());
    EXPECT_EQ(View::frameOf(tile).size(), size);
    EXPECT_GT(View::frameOf(tile).x(), 960 / 2);
    EXPECT_LT(View::frameOf(tile).y(), 540 / 2);
    EXPECT_EQ(tile->audioMeterStatus(), VIDEO_METER_HIDDEN);
    QPushButton* hide = c.hiddenVideoViewBtn();
    ASSERT_NE(hide, nullptr);
    EXPECT_EQ(hide->parentWidget(), c.view());
    EXPECT_EQ(View::frameOf(hide).topLeft(),
              hideButtonOrigin(false, 960, QSizeF(20, 20), View::frameOf(tile)));

    hide->click();
    EXPECT_TRUE(tile->isHidden());
    EXPECT_EQ(View::frameOf(hide), QRectF(940, 0, 20, 20));
    EXPECT_EQ(hide->property("image").toString(), QStringLiteral("camdisp"));
    hide->click();
    EXPECT_FALSE(tile->isHidden());
    EXPECT_EQ(hide->property("image").toString(), QStringLiteral("camhide"));
    EXPECT_EQ(delegate.hides, (std::vector<bool>{true, false}));

    // Taking the floor puts the own tile among the speakers; leaving brings it back.
    c.addSpeaker(self);
    EXPECT_EQ(tile->parentWidget(), c.seminarSpeakerView());
    EXPECT_TRUE(hide->isHidden());
    c.leaveSpeaker(self);
    EXPECT_EQ(tile->parentWidget(), c.view());
    EXPECT_EQ(View::frameOf(tile), seminarOwnTileFrame(960, size));
    EXPECT_FALSE(hide->isHidden());

    QPushButton* list = c.seminarListBtn();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(View::frameOf(list), QRectF(0, 0, 20, 20));
    list->click();
    EXPECT_EQ(delegate.listClicks, 1);
}

// A normal room in a window of the smallest size the bars allow: the grid's
// tiles must stay inside the window, and the window may not be made smaller
// than the grid's minimum afterwards.
TEST_F(VideoAreaArrangementTest, TheWindowGrowsToTheGridsMinimumAndKeepsIt) {
    Window window(QRectF(100, 300, 168, 147), WindowStyleTitled | WindowStyleResizable);
    window.setMinSize(QSizeF(168, 147));
    window.show();
    View* root = window.contentView();
    processEventsUntil([&] { return root->frame().size() == QSizeF(168, 147); });
    MainViewController& c =
        open(ROOM_CATEGORY_NORMAL, QStringLiteral("me"), false, root, QRectF(0, 25, 168, 80));
    // As the conference window does: the area lays itself out after each resize.
    struct Relayout : WindowDelegate {
        MainViewController* area;
        void windowDidResize(Window*) override { area->resizeMainView(); }
    } relayout;
    relayout.area = &c;
    window.setDelegate(&relayout);
    const auto detach = qScopeGuard([&] {
        window.setDelegate(nullptr);
        c.view()->setParent(nullptr);
    });
    c.setSpeakerVideo({self, speaker(7, QStringLiteral("u1")), speaker(8, QStringLiteral("u2"))});
    dispatcher->runPending();

    AutoAlignmentView* grid = c.clientView();
    ASSERT_TRUE(processEventsUntil([&] { return grid->frame().width() >= grid->minViewSize().width(); }))
        << grid->frame().width() << " < " << grid->minViewSize().width();
    dispatcher->runPending();
    // Every tile inside the grid.
    for (const QPointer<QWidget>& tile : grid->elements()) {
        const QRectF f = View::frameOf(tile);
        EXPECT_GE(f.x(), 0);
        EXPECT_LE(f.x() + f.width(), grid->frame().width() + 0.5);
    }
    // The window keeps the grid's minimum: a user's resize cannot cut a tile off.
    EXPECT_GE(window.minSize().width(), grid->minViewSize().width());
    EXPECT_EQ(window.minSize().height(), grid->minViewSize().height() + 67);
    EXPECT_GE(window.minimumWidth(), int(grid->minViewSize().width()));
    window.resize(150, 120);
    processEventsFor(50);
    EXPECT_GE(window.width(), int(grid->minViewSize().width()));
}

}  // namespace
