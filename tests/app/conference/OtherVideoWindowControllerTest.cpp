// The floating speaker window: where it opens with and without a saved frame,
// the pin button and the pin state across runs, the grid's minimum size, and
// what closing saves.

#include <gtest/gtest.h>

#include <QPushButton>
#include <memory>
#include <vector>

#include "app/tiles/VideoTestSupport.h"
#include "conference/AutoAlignmentView.h"
#include "conference/OtherVideoWindowController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"

namespace {

class FakeGrid : public AutoAlignmentView {
public:
    void setMode(int64_t mode) override { modes.push_back(mode); }
    QSizeF minViewSize() const override { return minSize; }
    std::vector<int64_t> modes;
    QSizeF minSize{80, 60};
};

const QString kFrameKey = QStringLiteral("KeyDispFrameForManyOtherWindow");
const QString kModeKey = QStringLiteral("KeyDispModeForManyOtherWindow");

class OtherVideoWindowControllerTest : public ::testing::Test {
protected:
    ~OtherVideoWindowControllerTest() override {
        controller.reset();
        delete grid;
    }

    OtherVideoWindowController& open() {
        controller = std::make_unique<OtherVideoWindowController>(kBase, grid);
        return *controller;
    }
    QPushButton* pin() { return controller->window()->findChild<QPushButton*>("pinButton"); }

    const QRectF kBase{100, 100, 800, 600};
    QtApplicationFirst app;
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    FakeGrid* grid = new FakeGrid;
    std::unique_ptr<OtherVideoWindowController> controller;
};

TEST(OtherVideoWindowResize, TheGridsMinimumHolds) {
    const struct {
        QSizeF proposed, minView;
        QSizeF expected;
    } cases[] = {
        {{400, 340}, {80, 60}, {400, 340}},
        {{150, 340}, {320, 60}, {320, 340}},  // too narrow: the grid's width
        {{400, 200}, {80, 240}, {400, 280}},  // too low: the grid's height plus the title
        {{400, 280}, {80, 240}, {400, 280}},  // exactly enough
        {{100, 100}, {320, 240}, {320, 280}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OtherVideoWindowController::constrainResize(c.proposed, c.minView, 40), c.expected)
            << c.proposed.width() << "x" << c.proposed.height();
    }
}

TEST_F(OtherVideoWindowControllerTest, WithoutASavedFrameItOpensHalfTheConferenceAreaCentredOnIt) {
    OtherVideoWindowController& c = open();
    Window* window = c.window();
    EXPECT_EQ(window->frame(), QRectF(300, 250, 400, 300 + OtherVideoWindowController::kToolbarHeight));
    EXPECT_EQ(grid->size(), QSize(400, 300));
    EXPECT_EQ(grid->window(), window);
    EXPECT_EQ(grid->modes, (std::vector<int64_t>{0}));
    EXPECT_EQ(window->title(), LocalizedString("dfMANYMTG_SPEAKERWINDOW"));
    EXPECT_EQ(window->level(), NormalWindowLevel);
    EXPECT_EQ(window->minSize(), QSizeF(170, 128 + OtherVideoWindowController::kToolbarHeight));
    // Titled, can be made small and resized, but has no close button.
    EXPECT_EQ(window->styleMask(),
              unsigned(WindowStyleTitled | WindowStyleMiniaturizable | WindowStyleResizable));
    EXPECT_FALSE(window->isOpen());
    ASSERT_NE(pin(), nullptr);
    EXPECT_EQ(pin()->size(), QSize(48, 36));
    EXPECT_EQ(pin()->toolTip(), QStringLiteral("最前面表示 オン/オフ"));
    EXPECT_EQ(pin()->property("imageName").toString(), QStringLiteral("pin_off"));
    EXPECT_EQ(OtherVideoWindowController::getToolbarItemArray(),
              QStringList{QStringLiteral("too_item_pushpin")});
    EXPECT_EQ(c.toolbarItemForIdentifier(QStringLiteral("other")), nullptr);
}

TEST_F(OtherVideoWindowControllerTest, ASavedFrameIsUsedAndAnEmptyOrUnreadableOneIsNot) {
    const struct {
        QVariant stored;
        QRectF frame;
    } cases[] = {
        {QRectF(50, 60, 500, 400), QRectF(50, 60, 500, 440)},
        {QRectF(50, 60, 0, 400), QRectF(300, 250, 400, 340)},
        {QRectF(50, 60, 500, -1), QRectF(300, 250, 400, 340)},
        {QStringLiteral("not a rectangle"), QRectF(300, 250, 400, 340)},
    };
    for (const auto& c : cases) {
        UserDefaults::standard().setObject(kFrameKey, c.stored);
        controller.reset();
        open();
        EXPECT_EQ(controller->window()->frame(), c.frame) << c.stored.toString().toStdString();
        EXPECT_EQ(grid->size(), QSize(int(c.frame.width()), int(c.frame.height()) - 40));
    }
}

TEST_F(OtherVideoWindowControllerTest, ClosingSavesTheOriginWithTheGridsSize) {
    OtherVideoWindowController& c = open();
    c.showWindow();
    c.window()->setFrame(QRectF(120, 80, 480, 360));
    QCoreApplication::processEvents();
    c.close();
    EXPECT_FALSE(c.window()->isOpen());
    EXPECT_EQ(OtherVideoWindowController::loadWindowFrame(), QRectF(120, 80, 480, 320));

    // The next window opens there, at the same size.
    controller.reset();
    open();
    EXPECT_EQ(controller->window()->frame(), QRectF(120, 80, 480, 360));
}

TEST_F(OtherVideoWindowControllerTest, PinningKeepsTheWindowInFrontNowAndNextTime) {
    open();
    pin()->click();
    EXPECT_TRUE(controller->isDispFront());
    EXPECT_EQ(controller->window()->level(), AboveAllWindowLevel);
    EXPECT_EQ(pin()->property("imageName").toString(), QStringLiteral("pin_on"));
    EXPECT_FALSE(pin()->icon().isNull());
    EXPECT_TRUE(UserDefaults::standard().boolForKey(kModeKey));

    controller.reset();
    open();
    EXPECT_TRUE(controller->isDispFront());
    EXPECT_EQ(controller->window()->level(), AboveAllWindowLevel);
    EXPECT_EQ(pin()->property("imageName").toString(), QStringLiteral("pin_on"));

    pin()->click();
    EXPECT_EQ(controller->window()->level(), NormalWindowLevel);
    EXPECT_FALSE(UserDefaults::standard().boolForKey(kModeKey));
}

TEST_F(OtherVideoWindowControllerTest, ResizingStopsAtTheGridsMinimum) {
    OtherVideoWindowController& c = open();
    c.showWindow();
    grid->minSize = QSizeF(320, 240);
    c.window()->resize(200, 150);
    QCoreApplication::processEvents();
    EXPECT_EQ(c.window()->size(), QSize(320, 280));
    // Never below 170 x 128 for the grid, whatever the grid says.
    grid->minSize = QSizeF(10, 10);
    c.window()->resize(50, 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(c.window()->size(), QSize(170, 168));
    c.close();
}

TEST_F(OtherVideoWindowControllerTest, TheGridOutlivesTheWindow) {
    open();
    controller.reset();
    EXPECT_EQ(grid->parentWidget(), nullptr);
    EXPECT_EQ(grid->modes.size(), 1u);
}

}  // namespace

namespace {

TEST_F(OtherVideoWindowControllerTest, TheToolbarSitsAboveTheGrid) {
    grid->setAutoFillBackground(true);
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Window, QColor(20, 120, 60));
    grid->setPalette(palette);
    OtherVideoWindowController& c = open();
    c.showWindow();
    QCoreApplication::processEvents();
    const QImage shot = c.window()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("other-video-window"))));
    ASSERT_EQ(shot.size(), QSize(400, 340));
    // The grid fills everything below the 40-high strip.
    EXPECT_TRUE(nearColor(shot.pixelColor(200, 45), QColor(20, 120, 60), 4));
    EXPECT_TRUE(nearColor(shot.pixelColor(399, 339), QColor(20, 120, 60), 4));
    EXPECT_FALSE(nearColor(shot.pixelColor(200, 20), QColor(20, 120, 60), 4));
    EXPECT_EQ(pin()->geometry().topLeft(), QPoint(4, 2));
    c.close();
}

}  // namespace

namespace {

TEST_F(OtherVideoWindowControllerTest, LoadingThePinStateCanRefreshTheButton) {
    open();
    UserDefaults::standard().setBool(kModeKey, true);
    controller->loadDispMode(false);
    EXPECT_TRUE(controller->isDispFront());
    EXPECT_EQ(pin()->property("imageName").toString(), QStringLiteral("pin_off"));
    controller->loadDispMode(true);
    EXPECT_EQ(pin()->property("imageName").toString(), QStringLiteral("pin_on"));
}

}  // namespace
