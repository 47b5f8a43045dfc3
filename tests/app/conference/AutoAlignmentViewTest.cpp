// The tile grid as a view: where it puts real tile widgets, the own tile's
// place, placeholder swaps and popped-out tiles, when it lays itself out (and
// when it stops), and what it looks like.

#include <gtest/gtest.h>

#include <QPalette>
#include <cmath>
#include <memory>
#include <vector>

#include "app/tiles/VideoTestSupport.h"
#include "conference/AutoAlignmentView.h"
#include "tiles/VideoInfo.h"
#include "platform/Dispatch.h"
#include "ui/DummyView.h"

namespace {

constexpr double kEps = 0.01;

struct RecordingDelegate : AutoAlignmentDelegate {
    void updateAligmentViewSize(QSizeF viewSize, QSizeF minViewSize, const QString& viewId) override {
        sizes.push_back(viewSize);
        minSizes.push_back(minViewSize);
        ids.push_back(viewId);
        if (grow) grow(viewSize, minViewSize);
    }
    std::vector<QSizeF> sizes, minSizes;
    std::vector<QString> ids;
    std::function<void(QSizeF, QSizeF)> grow;
};

QWidget* tile(QColor color = Qt::gray, QSizeF size = {320, 240}) {
    auto* w = new View(QRectF(QPointF(0, 0), size), nullptr);
    w->setAutoFillBackground(true);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, color);
    w->setPalette(palette);
    return w;
}

class AutoAlignmentViewTest : public ::testing::Test {
protected:
    // Shown, so that size changes reach the grid at once as they do on screen.
    AutoAlignmentViewTest() { parent.show(); }

    AutoAlignmentView* grid(QSizeF size, bool ownFirst = true, QWidget* own = nullptr) {
        auto* g = new AutoAlignmentView(QRectF(QPointF(0, 0), size), ownFirst, own, &parent);
        g->setMergin(3);
        g->setInterval(3);
        g->setIdentifier(QStringLiteral("aav_id_client"));
        g->setDelegate(&delegate);
        g->show();  // its first size reaches it now: one pass, not counted below
        delegate = RecordingDelegate();
        return g;
    }

    QtApplicationFirst app;
    ScopedManualDispatcher dispatcher;
    View parent{QRectF(0, 0, 2000, 2000), nullptr};
    RecordingDelegate delegate;
};

// The grids worked out by hand (margin 3, gap 3, 4:3 tiles), placed on real
// widgets: every tile's bottom-up frame.
TEST_F(AutoAlignmentViewTest, TilesLandWhereTheGridPutsThem) {
    struct Case {
        int count;
        QSizeF view;
        int rows, columns;
        QSizeF item;
        std::vector<QPointF> origins;  // of the first tiles, then of the last one
        QPointF last;
        QSizeF minView;
    };
    const Case cases[] = {
        {5,
         {960, 540},
         2,
         3,
         {316, 237},
         {{3, 271.5}, {322, 271.5}, {641, 271.5}, {162.5, 31.5}},
         {481.5, 31.5},
         {252, 129}},
        {3, {400, 600}, 3, 1, {261.333, 196}, {{69.333, 401}, {69.333, 202}}, {69.333, 3}, {86, 192}},
        // below the minimum: 80 by 60 tiles overflow the view on both sides
        {12, {300, 200}, 3, 4, {80, 60}, {{-14.5, 133}, {68.5, 133}}, {234.5, 7}, {335, 192}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.count << " tiles in " << c.view.width() << "x" << c.view.height());
        AutoAlignmentView* g = grid(c.view);
        std::vector<QWidget*> tiles;
        for (int i = 0; i < c.count; ++i) {
            tiles.push_back(tile());
            g->addElement(tiles.back());
        }
        EXPECT_EQ(g->itemCount(), c.count);
        EXPECT_EQ(g->rows(), c.rows);
        EXPECT_EQ(g->columns(), c.columns);
        EXPECT_NEAR(g->minViewSize().width(), c.minView.width(), kEps);
        EXPECT_NEAR(g->minViewSize().height(), c.minView.height(), kEps);
        for (size_t i = 0; i <= c.origins.size(); ++i) {
            const QRectF f = View::frameOf(i < c.origins.size() ? tiles[i] : tiles.back());
            const QPointF o = i < c.origins.size() ? c.origins[i] : c.last;
            EXPECT_NEAR(f.x(), o.x(), kEps) << i;
            EXPECT_NEAR(f.y(), o.y(), kEps) << i;
            EXPECT_NEAR(f.width(), c.item.width(), kEps);
            EXPECT_NEAR(f.height(), c.item.height(), kEps);
            EXPECT_EQ(tiles[i < c.origins.size() ? i : tiles.size() - 1]->parentWidget(), g);
        }
        EXPECT_NEAR(delegate.minSizes.back().width(), c.minView.width(), kEps);
        delete g;
    }
}

TEST_F(AutoAlignmentViewTest, AnEmptyGridStillTellsItsDelegate) {
    EXPECT_EQ(AutoAlignmentView().minViewSize(), QSizeF(80, 60));  // before any layout
    AutoAlignmentView* g = grid({640, 480});
    QWidget* t = tile();
    g->addElement(t);
    g->deleteElement(t);
    EXPECT_EQ(g->itemCount(), 0);
    EXPECT_EQ(g->rows(), 0);
    EXPECT_EQ(g->columns(), 0);
    EXPECT_EQ(g->minViewSize(), QSizeF(3, 3));
    ASSERT_EQ(delegate.ids.size(), 2u);
    EXPECT_EQ(delegate.ids.back(), QStringLiteral("aav_id_client"));
    EXPECT_EQ(delegate.sizes.back(), QSizeF(640, 480));
    EXPECT_EQ(t->parentWidget(), nullptr);
    delete t;
}

TEST_F(AutoAlignmentViewTest, TheOwnTileGoesFirstAndTheFirstTileFixesTheAspect) {
    QWidget* own = tile(Qt::gray, {160, 90});
    AutoAlignmentView* g = grid({960, 540}, true, own);
    QWidget* a = tile(Qt::gray, {320, 240});
    QWidget* b = tile();
    g->addElement(a);
    g->addElement(b);
    g->addElement(own);  // added last, shown first
    ASSERT_EQ(g->elements().size(), 3u);
    EXPECT_EQ(g->elements()[0], own);
    EXPECT_EQ(g->elements()[1], a);
    EXPECT_NEAR(g->contentAspect(), 4.0 / 3.0, 1e-6);  // a's, not the own tile's
    EXPECT_NEAR(View::frameOf(own).width() / View::frameOf(own).height(), 4.0 / 3.0, 1e-6);

    // Without the own-first setting the own tile is appended like any other.
    AutoAlignmentView* plain = grid({960, 540}, false, own);
    plain->addElement(b);
    plain->addElement(own);
    EXPECT_EQ(plain->elements()[1], own);

    // An emptied grid forgets the ratio; the next first tile sets a new one.
    plain->deleteElement(b);
    plain->deleteElement(own);
    EXPECT_EQ(plain->contentAspect(), 0.0f);
    QWidget* wide = tile(Qt::gray, {160, 90});
    plain->addElement(wide);
    EXPECT_NEAR(plain->contentAspect(), 16.0 / 9.0, 1e-6);

    // A tile that is not in the list only leaves the view.
    QWidget* stranger = tile();
    stranger->setParent(plain);
    plain->deleteElement(stranger);
    EXPECT_EQ(stranger->parentWidget(), nullptr);
    EXPECT_EQ(plain->itemCount(), 1);
    delete stranger;
}

TEST_F(AutoAlignmentViewTest, AFirstTileWithoutHeightGivesFourByThreeTiles) {
    AutoAlignmentView* g = grid({800, 400});
    QWidget* flat = tile(Qt::gray, {320, 0});
    g->addElement(flat);
    const QRectF f = View::frameOf(flat);
    EXPECT_TRUE(std::isfinite(f.width()) && std::isfinite(f.height()));
    EXPECT_NEAR(f.width(), 525.333, kEps);
    EXPECT_NEAR(f.height(), 394, kEps);
    EXPECT_NEAR(f.x(), 137.333, kEps);
}

// A layout pass runs when the size or the list changes, and only then.
TEST_F(AutoAlignmentViewTest, LaysOutOnSizeAndListChangesAndStopsOnAnUnchangedFrame) {
    AutoAlignmentView* g = grid({960, 540});
    QWidget* t = tile();
    g->addElement(t);
    ASSERT_EQ(delegate.sizes.size(), 1u);

    g->setFrame(QRectF(0, 0, 960, 540));  // same frame: nothing
    g->update();
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate.sizes.size(), 1u);

    g->setFrame(QRectF(10, 10, 400, 300));  // moved and resized: one pass for the new size
    EXPECT_EQ(delegate.sizes.size(), 2u);
    EXPECT_EQ(delegate.sizes.back(), QSizeF(400, 300));
    EXPECT_NEAR(View::frameOf(t).height(), 294, kEps);

    g->setFrame(QRectF(50, 50, 400, 300));  // moved only: nothing
    EXPECT_EQ(delegate.sizes.size(), 2u);

    // A delegate that grows the view to the grid's minimum: the tiles are
    // placed for the grown view, and the passes end once it no longer grows.
    for (int i = 0; i < 11; ++i) g->addElement(tile());
    delegate.sizes.clear();
    delegate.grow = [g](QSizeF size, QSizeF minSize) {
        if (size.width() < minSize.width() || size.height() < minSize.height())
            g->setFrame(QRectF(g->frame().topLeft(), size.expandedTo(minSize)));
    };
    g->setFrame(QRectF(50, 50, 300, 200));
    EXPECT_EQ(g->frame().size(), QSizeF(335, 200));
    EXPECT_EQ(delegate.sizes.size(), 2u);  // 300 wide, then 335 wide, then no change
    EXPECT_NEAR(View::frameOf(g->elements()[0]).x(), 3, kEps);

    // One that resizes on every pass is not followed for ever.
    delegate.sizes.clear();
    delegate.grow = [g](QSizeF size, QSizeF) {
        g->setFrame(QRectF(g->frame().topLeft(), size + QSizeF(1, 0)));
    };
    g->setFrame(QRectF(50, 50, 600, 400));
    EXPECT_LE(delegate.sizes.size(), 8u);
    delegate.grow = nullptr;
}

// A tile taken into another grid belongs to that grid's layout: the first
// grid, which still lists it, no longer moves it.
TEST_F(AutoAlignmentViewTest, ATileShownElsewhereIsNotMovedByItsOldGrid) {
    AutoAlignmentView* first = grid({960, 540});
    AutoAlignmentView* second = grid({200, 540});
    QWidget* t = tile();
    first->addElement(tile());
    first->addElement(t);
    second->addElement(t);
    const QRectF inSecond = View::frameOf(t);
    first->setFrame(QRectF(0, 0, 800, 500));
    EXPECT_EQ(t->parentWidget(), second);
    EXPECT_EQ(View::frameOf(t), inSecond);
}

TEST_F(AutoAlignmentViewTest, APlaceholderKeepsThePoppedOutTilesSlot) {
    AutoAlignmentView* g = grid({960, 540});
    std::vector<QWidget*> tiles;
    for (int i = 0; i < 3; ++i) {
        tiles.push_back(tile());
        g->addElement(tiles.back());
    }
    const QRectF slot = View::frameOf(tiles[1]);
    auto* dummy = new DummyView(QRectF(0, 0, 320, 240), 0);
    auto* popped = tiles[1];

    g->setDummy(popped, dummy, true);
    EXPECT_EQ(g->elements()[1], dummy);
    EXPECT_EQ(dummy->parentWidget(), g);
    EXPECT_EQ(View::frameOf(dummy), slot);
    popped->setParent(nullptr);  // shown elsewhere

    // A swap of a view that is not in the list changes no slot.
    QWidget* stranger = tile();
    g->setDummy(stranger, tile(), true);
    EXPECT_EQ(g->elements()[1], dummy);

    g->setDummy(popped, dummy, false);
    EXPECT_EQ(g->elements()[1], popped);
    EXPECT_EQ(popped->parentWidget(), g);
    EXPECT_EQ(dummy->parentWidget(), nullptr);
    EXPECT_EQ(View::frameOf(popped), slot);
    delete dummy;
    delete stranger;
}

TEST_F(AutoAlignmentViewTest, APoppedOutTilesSlotFollowsTheGrid) {
    AutoAlignmentView* g = grid({960, 540});
    auto* view = new VideoView(QRectF(0, 0, 320, 240));
    VideoInfo info(view, false, true, false, false);
    auto* dummy = new DummyView(QRectF(0, 0, 320, 240), 0, g);
    info.setDummy(dummy);
    g->addElement(tile());
    g->addElement(view);
    const QRectF slotBefore = View::frameOf(view);

    g->setPopupViewList({&info});
    view->setParent(nullptr);
    View::setFrameOf(view, QRectF(0, 0, 640, 480));  // the popup window's size
    g->setFrame(QRectF(0, 0, 800, 600));
    EXPECT_NE(info.saveRect(), slotBefore);
    EXPECT_EQ(View::frameOf(dummy), info.saveRect());
    EXPECT_EQ(View::frameOf(view), QRectF(0, 0, 640, 480));  // the tile itself is left alone

    g->setPopupViewList({});
    delete view;
}

// Five coloured tiles in a 960 x 540 grid, as drawn: each tile's corners show
// its colour, the gaps between them the black background.
TEST_F(AutoAlignmentViewTest, FiveTilesOnScreen) {
    AutoAlignmentView g(QRectF(0, 0, 960, 540), true, nullptr, nullptr);
    g.setMergin(3);
    g.setInterval(3);
    g.setAutoFillBackground(true);
    QPalette palette = g.palette();
    palette.setColor(QPalette::Window, Qt::black);
    g.setPalette(palette);
    const QColor colors[5] = {QColor(200, 40, 40), QColor(40, 200, 40), QColor(40, 40, 200),
                              QColor(200, 200, 40), QColor(40, 200, 200)};
    for (const QColor& c : colors) g.addElement(tile(c));
    g.show();
    const QImage shot = g.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(videoScreenshotPath(QStringLiteral("tile-grid-960x540-5"))));
    ASSERT_EQ(shot.size(), QSize(960, 540));

    // Top-down corners of the tiles (316 x 237 each).
    const QPointF topLeft[5] = {{3, 31.5}, {322, 31.5}, {641, 31.5}, {162.5, 271.5}, {481.5, 271.5}};
    for (int i = 0; i < 5; ++i) {
        const int l = int(std::ceil(topLeft[i].x())), t = int(std::ceil(topLeft[i].y()));
        const int r = int(topLeft[i].x() + 316) - 1, b = int(topLeft[i].y() + 237) - 1;
        for (QPoint p :
             {QPoint(l + 1, t + 1), QPoint(r - 1, t + 1), QPoint(l + 1, b - 1), QPoint(r - 1, b - 1)})
            EXPECT_TRUE(nearColor(shot.pixelColor(p), colors[i]))
                << "tile " << i << " at " << p.x() << "," << p.y();
        // Just outside the top-left corner: background.
        EXPECT_TRUE(nearColor(shot.pixelColor(l - 2, t - 2), Qt::black)) << "tile " << i;
    }
    // The short second row is centred: black on both sides of it.
    EXPECT_TRUE(nearColor(shot.pixelColor(80, 400), Qt::black));
    EXPECT_TRUE(nearColor(shot.pixelColor(880, 400), Qt::black));
}

}  // namespace
