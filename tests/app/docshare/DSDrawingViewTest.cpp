// The whiteboard layers: normalising own points and placing received ones,
// long strokes leaving in pieces, received strokes in the pixels with round
// ends, who may draw, clearing, the pointer overlay and the scroll view that
// carries the drawing layer.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollBar>
#include <memory>

#include "DocShareWindowTestSupport.h"
#include "docshare/DSDrawGeometry.h"
#include "docshare/DSDrawingView.h"
#include "docshare/DocShareData.h"
#include "docshare/PointerView.h"
#include "docshare/ScrollForDrawView.h"
#include "docshare/WBViewController.h"

namespace {

// The manager's side of sending: records the pending points and clears them, as the manager does.
struct SendRecorder : DSDrawingViewDelegate {
    DocShareData* data = nullptr;
    std::vector<int> sentCounts;
    std::vector<QString> sentPoints;
    std::vector<QPointF> scrolls;
    void onDrawingData() override {
        sentCounts.push_back(data->sendDrawPointCount());
        sentPoints.push_back(data->sendDrawPoint().value_or(QString()));
        data->clearSendDrawPoint();
    }
    void scrollByUpdate(QPointF p) override { scrolls.push_back(p); }
};

QVariantMap strokeEntry(const QString& width, const QString& color, const QList<QPointF>& points) {
    QVariantMap m{{"Width", width}, {"Color", color}, {"Style", "0"}};
    for (int i = 0; i < points.size(); ++i)
        m.insert(QStringLiteral("Pos%1").arg(i, 5, 10, QLatin1Char('0')),
                 QStringLiteral("%1, %2").arg(points[i].x()).arg(points[i].y()));
    return m;
}

class DSDrawingViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureDocShareApplication();
        data.setIsDrawable(true);
        data.setPenColorR(1.0);
        data.setPenWidth(5);
        recorder.data = &data;
    }
    std::unique_ptr<DSDrawingView> makeView(QSize size = QSize(200, 100)) {
        auto v =
            std::make_unique<DSDrawingView>(QRectF(QPointF(0, 0), QSizeF(size)), &data, DSDrawingView::Pen);
        v->setDelegate(&recorder);
        return v;
    }
    DocShareData data;
    SendRecorder recorder;
};

TEST(DSDrawGeometryTest, NormalisesOwnPointsAndPlacesReceivedOnesBack) {
    struct Case {
        QPointF point;
        QSizeF content;
        double zoom;
        QSizeF frame;
        QPointF normalised;
    } cases[] = {
        {{400, 300}, {800, 600}, 2.0, {1600, 1200}, {400, 300}},
        {{400, 300}, {800, 600}, 1.0, {1600, 1200}, {200, 150}},
        // No content size yet: the point stays.
        {{37, 12}, {0, 0}, 1.5, {1600, 1200}, {37, 12}},
        // A page shown at half its size: layer units are page pixels.
        {{50, 25}, {400, 200}, 0.5, {200, 100}, {50, 25}},
    };
    for (const Case& c : cases) {
        const QPointF n = DSDrawGeometry::normalisePoint(c.point, c.content, c.zoom, c.frame);
        EXPECT_DOUBLE_EQ(n.x(), c.normalised.x()) << c.point.x() << " zoom " << c.zoom;
        EXPECT_DOUBLE_EQ(n.y(), c.normalised.y()) << c.point.y() << " zoom " << c.zoom;
        const QPointF back = DSDrawGeometry::viewPoint(n, c.content, c.zoom, c.frame);
        EXPECT_DOUBLE_EQ(back.x(), c.point.x());
        EXPECT_DOUBLE_EQ(back.y(), c.point.y());
    }
}

TEST(DSDrawGeometryTest, ReadsTheNumberedPointsOfAReceivedStroke) {
    struct Case {
        QVariantMap entry;
        QList<QPointF> points;
    } cases[] = {
        {strokeEntry("3", "0, 0, 0", {{1, 2}, {3, 4}, {5, 6}}), {{1, 2}, {3, 4}, {5, 6}}},
        {QVariantMap{{"Width", "3"}}, {}},
        // A gap in the numbering ends the stroke there.
        {QVariantMap{{"Pos00000", "1, 1"}, {"Pos00002", "9, 9"}}, {{1, 1}}},
        // An unreadable point ends it too.
        {QVariantMap{{"Pos00000", "1, 1"}, {"Pos00001", "x"}}, {{1, 1}}},
    };
    for (const Case& c : cases) EXPECT_EQ(DSDrawGeometry::receivedPoints(c.entry), c.points);
}

TEST_F(DSDrawingViewTest, ALongStrokeLeavesIn513And487Points) {
    auto view = makeView();
    view->mouseDownAt(QPointF(1, 1));
    ASSERT_EQ(data.sendDrawPointCount(), 1);
    for (int i = 0; i < 999; ++i) {
        view->mouseDraggedTo(QPointF(1 + (i % 190), 1 + (i % 90)));
        if (i == 510) EXPECT_TRUE(recorder.sentCounts.empty()) << "sent before the 512th drag";
        if (i == 511) EXPECT_EQ(recorder.sentCounts, std::vector<int>{513});
    }
    view->mouseUpAt();
    EXPECT_EQ(recorder.sentCounts, (std::vector<int>{513, 487}));
    EXPECT_EQ(view->lastPoint(), QPointF(-1, -1));
    // The own stroke is drawn whole, not in pieces.
    EXPECT_EQ(view->strokes().size(), 1);
}

TEST_F(DSDrawingViewTest, APressAtANegativePointStartsNoStrokeButTheReleaseStillSends) {
    auto view = makeView();
    view->mouseDownAt(QPointF(-3, 40));
    view->mouseUpAt();
    EXPECT_TRUE(view->strokes().isEmpty());
    ASSERT_EQ(recorder.sentCounts, std::vector<int>{0});
    EXPECT_TRUE(recorder.sentPoints[0].isEmpty());
}

TEST_F(DSDrawingViewTest, OwnPointsAreNormalisedByTheZoom) {
    auto view = makeView(QSize(1600, 1200));
    view->setContentSize(QSizeF(800, 600));
    view->setZoomRate(200);
    // Widget point (800, 600) is (400, 300) in the layer at zoom 200.
    view->mouseDownAt(QPointF(800, 600));
    view->mouseUpAt();
    ASSERT_EQ(recorder.sentPoints.size(), 1u);
    EXPECT_EQ(recorder.sentPoints[0], QStringLiteral("Pos: 400, 300\r\n"));
}

TEST_F(DSDrawingViewTest, WithoutTheRightToDrawPressesChangeNothing) {
    data.setIsDrawable(false);
    data.setHasOperationRight(false);
    auto view = makeView();
    view->mouseDownAt(QPointF(10, 10));
    view->mouseDraggedTo(QPointF(20, 20));
    view->mouseUpAt();
    EXPECT_TRUE(view->strokes().isEmpty());
    EXPECT_TRUE(recorder.sentCounts.empty());
    EXPECT_EQ(data.sendDrawPointCount(), 0);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(DSDrawingViewTest, PenAndEraserShowTheirCursorsOnlyWhileDrawable) {
    auto view = makeView();
    EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);
    const QImage pen = view->cursor().pixmap().toImage();
    view->changeDrawingMode(DSDrawingView::Eraser);
    EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);
    EXPECT_NE(view->cursor().pixmap().toImage(), pen);
    view->changeDrawingMode(DSDrawingView::NoDrawing);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(DSDrawingViewTest, AReceivedRedWidth7StrokeShowsWithRoundEnds) {
    auto view = makeView();
    view->drawData(strokeEntry("7", "255, 0, 0", {{40, 50}, {120, 50}}));
    ASSERT_EQ(view->strokes().size(), 1);
    ASSERT_EQ(recorder.scrolls.size(), 1u);
    EXPECT_EQ(recorder.scrolls[0], QPointF(80, 50));  // the mean of the points
    const QImage img = view->renderStrokes();
    auto at = [&](int x, int y) { return img.pixelColor(x, y); };
    EXPECT_EQ(at(80, 50), QColor(255, 0, 0));
    // 3 points off the line is inside a width of 7, 5 points is not.
    EXPECT_EQ(at(80, 52), QColor(255, 0, 0));
    EXPECT_EQ(at(80, 55).alpha(), 0);
    // Beyond the end point the round end reaches along the line ...
    EXPECT_EQ(at(38, 50), QColor(255, 0, 0));
    EXPECT_EQ(at(121, 49), QColor(255, 0, 0));
    // ... but does not fill the corners a square end would cover whole.
    EXPECT_LT(at(37, 47).alpha(), 200);
    EXPECT_LT(at(122, 52).alpha(), 200);
    EXPECT_EQ(at(36, 46).alpha(), 0);
    img.save(QStringLiteral("received_stroke.png"));
}

TEST_F(DSDrawingViewTest, AReceivedStrokeIsPlacedByContentSizeAndZoom) {
    // A page of 400x200 shown at 50 %: the layer is 200x100 widget points.
    auto view = makeView(QSize(200, 100));
    view->setContentSize(QSizeF(400, 200));
    view->setZoomRate(50);
    view->drawData(strokeEntry("4", "0, 0, 255", {{200, 100}, {300, 100}}));
    const QImage img = view->renderStrokes();
    EXPECT_EQ(img.pixelColor(125, 50), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(60, 50).alpha(), 0);
}

TEST_F(DSDrawingViewTest, AStrokeWithoutPointsDrawsNothingAndScrollsNowhere) {
    auto view = makeView();
    view->drawData(QVariantMap{{"Width", "3"}, {"Color", "1, 2, 3"}});
    EXPECT_TRUE(view->strokes().isEmpty());
    EXPECT_TRUE(recorder.scrolls.empty());
}

TEST_F(DSDrawingViewTest, ClearRemovesOwnAndReceivedStrokesButNotTheModel) {
    auto view = makeView();
    data.appendDrawData(strokeEntry("3", "0, 0, 0", {{5, 5}}));
    view->drawData();
    view->mouseDownAt(QPointF(10, 10));
    view->mouseUpAt();
    ASSERT_EQ(view->strokes().size(), 2);
    view->clear();
    EXPECT_TRUE(view->strokes().isEmpty());
    EXPECT_EQ(view->lastPoint(), QPointF(0, 0));
    EXPECT_EQ(data.drawDataArray().size(), 1);
}

TEST(PointerViewTest, TheIconMovesItsTopLeftCornerToThePointer) {
    ensureDocShareApplication();
    PointerView overlay;
    overlay.resize(300, 200);
    overlay.setLayerPosition(QPointF(20, 20));  // no icon yet: nothing happens
    EXPECT_EQ(overlay.pointerLayer(), nullptr);
    QImage icon(24, 24, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    overlay.setDetail(icon, QRectF(-1, -1, 24, 24));
    ASSERT_NE(overlay.pointerLayer(), nullptr);
    overlay.setLayerPosition(QPointF(120, 80));
    EXPECT_EQ(overlay.pointerLayer()->geometry(), QRect(120, 80, 24, 24));
    EXPECT_TRUE(overlay.testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(ScrollForDrawViewTest, ReportsTheVisibleOriginOfItsDocument) {
    ensureDocShareApplication();
    struct Recorder : ScrollForDrawViewDelegate {
        std::vector<QPointF> points;
        void onScrollPoint(QPointF p) override { points.push_back(p); }
    } recorder;
    auto* document = new QWidget();
    document->resize(400, 1000);
    ScrollForDrawView scroll(QRectF(0, 0, 300, 200), document);
    scroll.setDelegate(&recorder);
    scroll.show();
    scroll.scrollToPoint(QPointF(0, 120));
    ASSERT_FALSE(recorder.points.empty());
    EXPECT_EQ(recorder.points.back(), QPointF(0, 120));
    // Nothing visible (an empty document): nothing is reported.
    recorder.points.clear();
    document->resize(0, 0);
    scroll.boundsDidChange();
    EXPECT_TRUE(recorder.points.empty());
}

TEST(WBViewControllerTest, ShowsTheWhiteboardLabelCentredInBlue) {
    ensureDocShareApplication();
    WBViewController pane;
    pane.view()->resize(400, 300);
    EXPECT_EQ(pane.label()->text(), QStringLiteral("Whiteboard"));
    EXPECT_EQ(pane.label()->alignment(), Qt::AlignCenter);
    const QImage shot = pane.view()->grab().toImage();
    shot.save(QStringLiteral("wb_view.png"));
    bool blue = false;
    for (int y = 0; y < shot.height() && !blue; ++y)
        for (int x = 0; x < shot.width() && !blue; ++x) {
            const QColor c = shot.pixelColor(x, y);
            blue = c.blue() > 180 && c.red() < 90 && c.green() > 110 && c.green() < 190;
        }
    EXPECT_TRUE(blue) << "no text in the label's blue";
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::lightGray));
}

}  // namespace
