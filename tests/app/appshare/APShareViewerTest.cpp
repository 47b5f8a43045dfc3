// The shared-screen view and the viewer window: redisplay, sizes, wheel and
// what a user sees of a received picture.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

#include "APShareTestSupport.h"
#include "appshare/APShareDummyViewController.h"
#include "appshare/APShareImageView.h"
#include "appshare/APShareModel.h"
#include "appshare/APShareObjectController.h"
#include "appshare/APShareWindow.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"

using namespace apshare_test;

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

bool drawTopLeft(APShareCanvas& canvas, const QRect& rect, const QByteArray& pixels) {
    const QRectF flipped = APShareModel::ConvertToAPRect(QSizeF(canvas.screenSize()), QRectF(rect));
    return canvas.drawBitmap(reinterpret_cast<const std::uint8_t*>(pixels.constData()),
                             std::size_t(pixels.size()), flipped.toRect());
}

class Reports : public APShareImageViewDelegate {
public:
    void onScroll(const APShareViewerWheelEvent& event) override { wheels.push_back(event.deltaY); }
    std::vector<double> wheels;
};

}  // namespace

TEST(APShareImageViewTest, TenRectanglesWithinOneIntervalAreOneRedisplay) {
    ensureQtApplication();
    ScopedManualDispatcher dispatcher;
    QScrollArea area;
    auto* view = new APShareImageView();
    area.setWidget(view);
    area.resize(400, 300);
    area.show();
    ASSERT_TRUE(view->startDrawing(QSizeF(320, 200), QRectF(0, 0, 320, 200), 1.0f));
    PaintCounter counter;
    view->installEventFilter(&counter);
    processEventsFor(50);
    counter.paints = 0;

    for (int i = 0; i < 10; ++i)
        drawTopLeft(*view->canvas(), QRect(i * 10, 0, 10, 10), solidPixels(10, 10, Qt::red));
    processEventsFor(50);
    EXPECT_EQ(counter.paints, 0) << "rectangles alone repaint nothing";
    dispatcher->advance(std::chrono::milliseconds(APShareImageView::kDispIntervalMs));
    processEventsFor(50);
    EXPECT_EQ(counter.paints, 1);
    dispatcher->advance(std::chrono::milliseconds(APShareImageView::kDispIntervalMs));
    processEventsFor(50);
    EXPECT_EQ(counter.paints, 1) << "nothing new, no redisplay";

    // Stopped: the timer ends and rectangles are dropped.
    view->stopDrawing();
    EXPECT_FALSE(drawTopLeft(*view->canvas(), QRect(0, 0, 10, 10), solidPixels(10, 10, Qt::red)));
    dispatcher->advance(std::chrono::milliseconds(10 * APShareImageView::kDispIntervalMs));
    processEventsFor(50);
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(dispatcher->pendingCount(), 0u) << "the timer ended";
}

TEST(APShareImageViewTest, SizeRule) {
    struct Case {
        int mode;
        QSizeF screen;
        float expansion;
        QSizeF available, expected;
    } cases[] = {
        {APShareImageView::kModeFitted, {1600, 900}, 1.0f, {800, 800}, {800, 450}},
        {APShareImageView::kModeFitted, {1600, 900}, 1.0f, {800, 300}, {1600.0 / 900.0 * 300, 300}},
        {APShareImageView::kModeFitted, {900, 1600}, 1.0f, {800, 800}, {450, 800}},
        {APShareImageView::kModeScaled, {1600, 900}, 0.5f, {10, 10}, {800, 450}},
        {APShareImageView::kModeScaled, {1600, 900}, 1.25f, {10, 10}, {2000, 1125}},
    };
    for (const Case& c : cases) {
        const QSizeF size = APShareImageView::calcImageSize(c.mode, c.screen, c.expansion, c.available);
        EXPECT_NEAR(size.width(), c.expected.width(), 0.5) << c.mode << " " << c.available.width();
        EXPECT_NEAR(size.height(), c.expected.height(), 0.5) << c.mode << " " << c.available.width();
    }
}

TEST(APShareImageViewTest, WheelScrollsOnlyWhileEnabledElseIsReported) {
    ensureQtApplication();
    QScrollArea area;
    auto* view = new APShareImageView();
    area.setWidget(view);
    area.resize(200, 150);
    area.show();
    ASSERT_TRUE(view->startDrawing(QSizeF(1000, 1000), QRectF(0, 0, 1000, 1000), 1.0f));
    Reports reports;
    view->setDelegate(&reports);
    processEventsFor(30);
    auto wheelDown = [&] {
        QWheelEvent event(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -240),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &event);
    };
    QScrollBar* bar = area.verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    wheelDown();
    EXPECT_GT(bar->value(), 0) << "enabled: the scroll area scrolls";
    EXPECT_TRUE(reports.wheels.empty());

    const int before = bar->value();
    view->setWheelEnabled(false);
    wheelDown();
    wheelDown();
    EXPECT_EQ(bar->value(), before) << "disabled: nothing scrolls";
    EXPECT_EQ(reports.wheels, (std::vector<double>{-2.0, -2.0}));
    view->setDelegate(nullptr);
}

TEST(APShareWindowTest, SizeRuleCases) {
    // A desktop share of 1440 x 900 on a 1440 x 900 screen, c = 50, scaled:
    // the width is cut to the visible screen, the height stays.
    APShareWindowMetrics m;
    m.screen = {1440, 900};
    m.visible = {1440, 875};
    m.share = {1440, 900};
    m.c = 50;
    m.minFrame = {360, 275};
    const double y0 = 900 - (100 + 900);
    EXPECT_EQ(APShareWindow::getWindowSize(m, 100, y0, 1440, 950, false), QSizeF(1340, 950));

    // Switching a 1600 x 900 share to the fitted mode in an 800 x 550 frame.
    m.share = {1600, 900};
    m.minFrame = {400, 275};
    const QSizeF fitted = APShareWindow::getWindowSize(m, 100, 100, 800, 550, true);
    EXPECT_NEAR(fitted.width(), 800, 0.01);
    EXPECT_NEAR(fitted.height(), 500, 0.01);
    // A tall frame gives the width up instead.
    const QSizeF tall = APShareWindow::getWindowSize(m, 100, 100, 800, 300, true);
    EXPECT_NEAR(tall.width(), 1600.0 / 900.0 * 250, 0.01);
    EXPECT_NEAR(tall.height(), 300, 0.01);
    // Below the minimum: raised to it, keeping the ratio.
    const QSizeF small = APShareWindow::getWindowSize(m, 100, 100, 200, 100, true);
    EXPECT_NEAR(small.height(), 275, 0.01);
    EXPECT_NEAR(small.width(), 1600.0 / 900.0 * 225, 0.01);
    // Without adjusting, sizes below the minimum are raised.
    EXPECT_EQ(APShareWindow::getWindowSize(m, 100, 100, 100, 100, false), QSizeF(400, 275));
}

TEST(APShareWindowTest, SharedPointsFromViewerPoints) {
    struct Case {
        int mode;
        QPointF point;
        float expansion;
        QSizeF image, share;
        QPointF expected;
    } cases[] = {
        {1, {200, 150}, 1.0f, {400, 300}, {1600, 900}, {800, 450}},  // bars above and below
        {0, {100, 40}, 0.5f, {800, 450}, {1600, 900}, {200, 80}},    // scaled 50 %
        {1, {300, 100}, 1.0f, {600, 200}, {800, 400}, {400, 200}},   // bars left and right
        {1, {400, 225}, 1.0f, {800, 450}, {1600, 900}, {800, 450}},  // same ratio
    };
    for (const Case& c : cases) {
        const QPointF p =
            APShareObjectController::sharedPoint(c.mode, c.point, c.expansion, c.image, c.share);
        EXPECT_NEAR(p.x(), c.expected.x(), 0.01) << c.mode << " " << c.point.x();
        EXPECT_NEAR(p.y(), c.expected.y(), 0.01) << c.mode << " " << c.point.x();
    }
}

TEST(APShareWindowTest, ScaleAndFittedModeFromTheToolBar) {
    ensureQtApplication();
    ScopedManualDispatcher dispatcher;
    APShareObjectController controller(false);
    controller.setDefaultDispMode(0);
    // An application share of 200 x 100 at (40, 30) of a 1600 x 900 screen.
    ASSERT_TRUE(controller.onStart(0, 0, 1600, 900, 40, 30, 240, 130, "s", "Sharer", "s", "Sharer", 0, 1));
    APShareWindow* window = controller.window();
    ASSERT_NE(window, nullptr);
    window->show();
    processEventsFor(30);
    const double c = APShareWindow::kToolbarHeight;
    EXPECT_EQ(window->frame().size(), QSizeF(200, 100 + c)) << "an application share opens at its own size";
    EXPECT_EQ(window->frame().x(), 100);
    EXPECT_EQ(Window::mainScreenFrame().height() - window->frame().bottom(), 100)
        << "100 points below the top";

    auto* scaling = window->findChild<QComboBox*>("scaling");
    ASSERT_NE(scaling, nullptr);
    scaling->setCurrentText("125%");
    emit scaling->activated(scaling->currentIndex());
    processEventsFor(30);
    EXPECT_EQ(scaling->currentText(), "125%");
    const double top = window->frame().bottom();
    EXPECT_EQ(window->frame().size(), QSizeF(250, 125 + c));
    EXPECT_EQ(window->frame().bottom(), top) << "the top-left corner stays";
    EXPECT_EQ(window->content().imageView()->size(), QSize(2000, 1125));

    // Fitted: the window keeps its aspect ratio; back to scaled lifts the lock.
    auto* full = window->findChild<QToolButton*>("fullwindow_display");
    auto* fit = window->findChild<QToolButton*>("frame_fit");
    full->click();
    processEventsFor(30);
    EXPECT_EQ(controller.displayMode(), 1);
    EXPECT_FALSE(fit->isEnabled());
    EXPECT_FALSE(scaling->isEnabled());
    EXPECT_FALSE(window->contentAspectRatio().isEmpty());
    const QSizeF image(window->content().imageView()->size());
    EXPECT_NEAR(image.width() / image.height(), 1600.0 / 900.0, 0.02);
    full->click();
    processEventsFor(30);
    EXPECT_EQ(controller.displayMode(), 0);
    EXPECT_TRUE(fit->isEnabled());
    EXPECT_TRUE(window->contentAspectRatio().isEmpty());
    controller.onStop();
}

TEST(APShareWindowTest, KeyFramesMoveTheWindowOnlyWhenTheAreaChanges) {
    ensureQtApplication();
    ScopedManualDispatcher dispatcher;
    APShareObjectController controller(false);
    controller.setDefaultDispMode(0);
    ASSERT_TRUE(controller.onStart(0, 0, 1600, 900, 0, 0, 200, 100, "s", "S", "s", "S", 0, 1));
    APShareWindow* window = controller.window();
    window->show();
    processEventsFor(30);
    const QRectF before = window->frame();
    controller.onKeyFrame(0, 0, 200, 100);
    processEventsFor(30);
    EXPECT_EQ(window->frame(), before);

    controller.onKeyFrame(300, 200, 600, 350);  // 300 x 150 at (300, 200)
    processEventsFor(30);
    EXPECT_EQ(window->frame().size(), QSizeF(300, 150 + APShareWindow::kToolbarHeight));
    EXPECT_EQ(window->frame().bottom(), before.bottom());
    QScrollArea* area = window->content().scrollArea();
    EXPECT_EQ(area->horizontalScrollBar()->value(), std::min(300, area->horizontalScrollBar()->maximum()));
    EXPECT_EQ(area->verticalScrollBar()->value(), std::min(200, area->verticalScrollBar()->maximum()));
    EXPECT_GT(area->horizontalScrollBar()->value(), 0);
    controller.onStop();
}

TEST(APShareWindowTest, AReceivedPictureShowsUprightInItsColours) {
    ensureQtApplication();
    ScopedManualDispatcher dispatcher;
    APShareObjectController controller(false);
    controller.setDefaultDispMode(0);
    ASSERT_TRUE(controller.onStart(0, 1, 320, 200, 0, 0, 320, 200, "s", "Sharer", "s", "Sharer", 0, 1));
    APShareWindow* window = controller.window();
    window->show();
    processEventsFor(30);
    // A red rectangle in the top-left quarter, a blue one in the bottom-right
    // quarter, green along the top edge.
    auto canvas = controller.canvas();
    ASSERT_TRUE(drawTopLeft(*canvas, QRect(0, 0, 160, 100), solidPixels(160, 100, Qt::red)));
    ASSERT_TRUE(drawTopLeft(*canvas, QRect(160, 100, 160, 100), solidPixels(160, 100, Qt::blue)));
    ASSERT_TRUE(drawTopLeft(*canvas, QRect(0, 0, 320, 4), solidPixels(320, 4, Qt::green)));
    dispatcher->advance(std::chrono::milliseconds(APShareImageView::kDispIntervalMs));
    processEventsFor(50);

    const QImage shot = shoot(window->content().imageView(), "apshare-image-view");
    ASSERT_EQ(shot.size(), QSize(320, 200));
    EXPECT_TRUE(near(shot.pixelColor(2, 1), Qt::green));
    EXPECT_TRUE(near(shot.pixelColor(80, 50), Qt::red));
    EXPECT_TRUE(near(shot.pixelColor(240, 150), Qt::blue));
    EXPECT_TRUE(near(shot.pixelColor(240, 50), Qt::black));
    EXPECT_TRUE(near(shot.pixelColor(80, 150), Qt::black));
    // The whole window: the tool bar, then the picture at one pixel per point, no scroll bars.
    const QImage whole = shoot(window, "apshare-window");
    const int c = APShareWindow::kToolbarHeight;
    ASSERT_EQ(whole.size(), QSize(320, 200 + c));
    EXPECT_TRUE(near(whole.pixelColor(80, c + 50), Qt::red));
    EXPECT_TRUE(near(whole.pixelColor(318, c + 198), Qt::blue));
    EXPECT_TRUE(near(whole.pixelColor(1, c + 198), Qt::black));
    controller.onStop();
}

TEST(APShareWindowTest, WebinarPlaceholderShowsItsStatusInTheSharingColour) {
    ensureQtApplication();
    APShareDummyViewController placeholder;
    placeholder.view()->resize(480, 270);
    placeholder.setAPStatusString(LocalizedString("dfWEBINAR_AP_STATUS_START"));
    placeholder.view()->show();
    processEventsFor(30);
    const QImage shot = shoot(placeholder.view(), "apshare-webinar-placeholder");
    int blue = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) blue += near(shot.pixelColor(x, y), QColor(33, 150, 243), 60);
    EXPECT_GT(blue, 50) << "the status line is drawn in the sharing colour";
    EXPECT_TRUE(near(shot.pixelColor(2, 2), QColor(0xE6, 0xE6, 0xE6)));
}
