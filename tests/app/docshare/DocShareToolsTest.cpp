// The pointer and drawing tools of the document-sharing window and view: the
// pointer's mapping between zooms, the drawing tools with widths and colour,
// received strokes and pointers over page pictures, and when the window may
// be resized.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QDir>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "DocShareWindowTestSupport.h"
#include "docshare/DSDrawGeometry.h"
#include "docshare/DSNotificator.h"
#include "docshare/DocShareViewController.h"
#include "docshare/DocShareWindowController.h"
#include "platform/Window.h"

namespace {

struct ResizeRecorder : DocShareViewControllerViewAction {
    std::vector<bool> calls;
    void setWindowResizeBtnStatus(bool resizable) override { calls.push_back(resizable); }
};

class DocShareToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureDocShareApplication();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { DocShareController::colorPanel()->hide(); }

    DocShareParams params() {
        DocShareParams p;
        p.rect = QRectF(100, 100, 800, 600);
        p.defaultUrl = "http://start.example/";
        p.dsData = &data;
        p.delegate = &manager;
        p.notificator = &notificator;
        p.makeWebPageView = [this] {
            auto fake = std::make_unique<FakeWebPageView>();
            fakeWeb = fake.get();
            return fake;
        };
        return p;
    }
    // Shows a page picture of the given size at a zoom, in a document of its own.
    void showPage(DocShareController& c, QSize size, int percent) {
        const QString path = dir.filePath("page.png");
        ASSERT_TRUE(makePagePicture(size.width(), size.height(), Qt::white).save(path));
        auto doc = std::make_shared<DSDocument>("http://pages.example/conv/share.xml", path,
                                                QVariantMap{{"pagecnt", "1"}});
        data.addDocument(doc);
        data.setCurrentFileNumber(std::int64_t(data.documents().size()) - 1);
        c.changeDispMode(1);
        c.fileImageView()->setDispMode(0);
        c.setImageItem(doc, percent);
        ASSERT_FALSE(c.contentImage().isNull());
    }

    QTemporaryDir dir;
    DocShareData data;
    DSNotificator notificator;
    RecordingManager manager;
    FakeWebPageView* fakeWeb = nullptr;
};

TEST(DSPointerGeometryTest, MapsTheOperatorsMouseToPagePixelsAndBack) {
    struct Case {
        QPointF mouse;
        QSizeF content, display;
        std::optional<QPointF> origin;
    } cases[] = {
        // 100 %: the margin's inner edge is the page's corner; one point further out is nothing.
        {{10, 10}, {400, 300}, {400, 300}, QPointF(0, 0)},
        {{9, 10}, {400, 300}, {400, 300}, std::nullopt},
        {{10, 9}, {400, 300}, {400, 300}, std::nullopt},
        {{410, 310}, {400, 300}, {400, 300}, QPointF(400, 300)},
        {{411, 200}, {400, 300}, {400, 300}, std::nullopt},
        // 50 %: (110, 60) is page pixel (200, 100).
        {{110, 60}, {800, 600}, {400, 300}, QPointF(200, 100)},
    };
    for (const Case& c : cases) {
        const QSizeF view(c.display.width() + 20, c.display.height() + 20);
        EXPECT_EQ(DSDrawGeometry::pagePointerOrigin(c.mouse, view, c.content, c.display), c.origin)
            << c.mouse.x() << "," << c.mouse.y();
    }
    // A follower at 200 % shows that origin at (400, 200) of its page.
    EXPECT_EQ(DSDrawGeometry::displayedPointer(QPointF(200, 100), QSizeF(1600, 1200), QSizeF(800, 600)),
              QPointF(400, 200));
}

TEST(DSPointerGeometryTest, ScrollsOnlyOnTheAxisThePointerLeft) {
    const QRectF visible(100, 100, 300, 200);
    EXPECT_EQ(DSDrawGeometry::scrollToShow(QPointF(200, 150), visible), std::nullopt);
    EXPECT_EQ(DSDrawGeometry::scrollToShow(QPointF(700, 150), visible), QPointF(550, 100));
    EXPECT_EQ(DSDrawGeometry::scrollToShow(QPointF(200, 20), visible), QPointF(100, -80));
    EXPECT_EQ(DSDrawGeometry::scrollToShow(QPointF(50, 500), visible), QPointF(-100, 400));
    EXPECT_EQ(DSDrawGeometry::mergeScroll(QPointF(-1, 300), QPointF(40, 10)), QPointF(40, 300));
}

TEST_F(DocShareToolsTest, DISABLED_TheOperatorsMouseAtHalfZoomBecomesThePointerOrigin) {
    data.setHasOperationRight(true);
    data.setIsStarted(true);
    DocShareWindowController window(params());
    window.window()->resize(900, 700);
    window.showWindow();
    showPage(window, QSize(800, 600), 50);
    window.window()->activateWindow();
    QApplication::setActiveWindow(window.window());
    ASSERT_TRUE(processEventsUntil([&] { return window.window()->isActiveWindow(); }));
    window.onClickPointerButton();
    EXPECT_TRUE(window.hasMouseMoveMonitor());
    EXPECT_EQ(window.pointerView(), nullptr);
    manager.calls.clear();
    window.handleMouseMove(window.imageView()->mapToGlobal(QPoint(110, 60)));
    EXPECT_EQ(data.pointerOrigin(), QPointF(200, 100));
    EXPECT_EQ(manager.calls, std::vector<std::string>{"movePointer"});
    // On the margin: nothing.
    window.handleMouseMove(window.imageView()->mapToGlobal(QPoint(5, 60)));
    EXPECT_EQ(manager.calls.size(), 1u);
    window.onClickPointerButton();
    EXPECT_FALSE(window.hasMouseMoveMonitor());
}

TEST_F(DocShareToolsTest, AFollowerAtDoubleZoomPlacesAReceivedPointer) {
    data.setIsPointerOn(true);
    DocShareWindowController window(params());
    window.window()->resize(900, 700);
    window.showWindow();
    showPage(window, QSize(800, 600), 200);
    window.changePointerMode(true);
    ASSERT_NE(window.pointerView(), nullptr);
    EXPECT_EQ(window.pointerView()->geometry(), QRect(10, 10, 1600, 1200));
    notificator.requestChangePointerOriginNotification(QPointF(200, 100), QPointF(-1, -1));
    ASSERT_TRUE(
        processEventsUntil([&] { return window.pointerView()->pointerLayer()->pos() == QPoint(400, 200); }));
    // The pointer was visible: no scroll.
    EXPECT_EQ(window.scrollArea()->verticalScrollBar()->value(), 0);
    // A pointer far down scrolls vertically only, centring it.
    notificator.requestChangePointerOriginNotification(QPointF(100, 550), QPointF(-1, -1));
    ASSERT_TRUE(
        processEventsUntil([&] { return window.pointerView()->pointerLayer()->pos() == QPoint(200, 1100); }));
    EXPECT_EQ(window.scrollArea()->horizontalScrollBar()->value(), 0);
    EXPECT_GT(window.scrollArea()->verticalScrollBar()->value(), 0);
}

TEST_F(DocShareToolsTest, PenEraserWidthAndColourTools) {
    data.setHasOperationRight(true);
    data.setIsDrawingOn(true);
    data.setIsDrawable(true);
    DocShareWindowController window(params());
    window.changeDrawingMode(true);
    ASSERT_NE(window.drawingView(), nullptr);
    EXPECT_EQ(window.drawingView()->drawingMode(), DSDrawingView::Pen);

    // The colour panel shows the pen colour and sets it.
    data.setPenColorR(0.0);
    data.setPenColorG(0.0);
    data.setPenColorB(1.0);
    window.onClickDrawToolItem("id_docshare_draw_tool_pen_color");
    QColorDialog* panel = DocShareController::colorPanel();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->currentColor(), QColor(0, 0, 255));
    panel->setCurrentColor(QColor(255, 0, 0, 40));
    EXPECT_DOUBLE_EQ(data.penColorR(), 1.0);
    EXPECT_DOUBLE_EQ(data.penColorB(), 0.0);

    // The eraser hides the panel; the pen again does not reopen it.
    window.onClickDrawToolItem("id_docshare_draw_tool_eraser");
    EXPECT_EQ(window.drawMode(), 1);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(window.drawingView()->drawingMode(), DSDrawingView::Eraser);
    window.onClickDrawToolItem("id_docshare_draw_tool_pen");
    EXPECT_EQ(window.drawMode(), 0);
    EXPECT_FALSE(panel->isVisible());

    // The tool already chosen changes nothing (the panel stays open).
    window.onClickDrawToolItem("id_docshare_draw_tool_pen_color");
    window.onClickDrawToolItem("id_docshare_draw_tool_pen");
    EXPECT_TRUE(panel->isVisible());

    // Widths: the check mark sits at the model's width, or nowhere.
    struct WidthCase {
        const char* id;
        double penWidth, eraserWidth;
        QString checked;
    } cases[] = {
        {"id_docshare_draw_tool_eraser_width", 5, 10, "10"},
        {"id_docshare_draw_tool_pen_width", 7, 10, "7"},
        {"id_docshare_draw_tool_pen_width", 4, 10, ""},
    };
    for (const WidthCase& c : cases) {
        data.setPenWidth(c.penWidth);
        data.setEraserWidth(c.eraserWidth);
        QMenu* menu = window.createSettingLineWidthMenu(window.footerButton(c.id));
        QStringList titles, checked;
        for (QAction* a : menu->actions()) {
            titles << a->text();
            if (a->isChecked()) checked << a->text();
        }
        EXPECT_EQ(titles, QStringList({"1", "2", "3", "5", "7", "10"}));
        EXPECT_EQ(checked.join(","), c.checked) << c.id;
        menu->hide();
    }
    QMenu* menu =
        window.createSettingLineWidthMenu(window.footerButton("id_docshare_draw_tool_eraser_width"));
    menu->actions().at(1)->trigger();  // "2"
    EXPECT_DOUBLE_EQ(data.eraserWidth(), 2);
    EXPECT_DOUBLE_EQ(data.penWidth(), 4);
    menu->hide();
}

TEST_F(DocShareToolsTest, ClearEmptiesTheWhiteboardEvenWithoutAManager) {
    data.setIsDrawingOn(true);
    data.setIsDrawable(true);
    auto p = params();
    p.delegate = nullptr;
    DocShareWindowController window(p);
    window.changeDrawingMode(true);
    data.appendDrawData(QVariantMap{{"Width", "3"}, {"Color", "0, 0, 0"}, {"Pos00000", "5, 5"}});
    window.drawingView()->drawData();
    ASSERT_EQ(window.drawingView()->strokes().size(), 1);
    window.onClickDrawToolItem("id_docshare_draw_tool_clear");
    EXPECT_TRUE(window.drawingView()->strokes().isEmpty());
    EXPECT_TRUE(data.drawDataArray().isEmpty());
}

TEST_F(DocShareToolsTest, ReceivedStrokesAllShowOverThePage) {
    data.setIsDrawingOn(true);
    data.setZoomRange(100);
    DocShareWindowController window(params());
    window.window()->resize(900, 700);
    window.showWindow();
    showPage(window, QSize(400, 300), 100);
    window.changeDrawingMode(true);
    ASSERT_NE(window.drawingView(), nullptr);
    // Two strokes arrive before the window hears of either.
    const QVariantMap first{
        {"Width", "7"}, {"Color", "255, 0, 0"}, {"Pos00000", "20, 20"}, {"Pos00001", "100, 20"}};
    const QVariantMap second{
        {"Width", "7"}, {"Color", "0, 0, 255"}, {"Pos00000", "20, 80"}, {"Pos00001", "100, 80"}};
    data.appendDrawData(first);
    const QList<QVariantMap> afterFirst = data.drawDataArray();
    data.appendDrawData(second);
    notificator.requestChangeDrawDataNotification(afterFirst, QPointF(-1, -1));
    notificator.requestChangeDrawDataNotification(data.drawDataArray(), QPointF(-1, -1));
    ASSERT_TRUE(processEventsUntil([&] { return window.drawingView()->strokes().size() == 2; }));
    QApplication::processEvents();
    const QImage shot = window.imageView()->grab().toImage();
    shot.save(QStringLiteral("strokes_over_page.png"));
    EXPECT_EQ(shot.pixelColor(10 + 60, 10 + 20), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(10 + 60, 10 + 80), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(10 + 60, 10 + 50), QColor(Qt::white));
}

TEST_F(DocShareToolsTest, TheWindowIsResizableOnlyWithBothModesOff) {
    data.setHasOperationRight(true);
    data.setIsStarted(true);
    DocShareWindowController window(params());
    auto resizable = [&] { return (window.window()->styleMask() & WindowStyleResizable) != 0; };
    ASSERT_TRUE(resizable());
    manager.calls.clear();
    window.onClickPointerButton();
    EXPECT_FALSE(resizable());
    window.onClickDrawButton();
    EXPECT_FALSE(resizable());
    window.onClickPointerButton();  // pointer off, drawing still on
    EXPECT_FALSE(resizable());
    window.onClickDrawButton();
    EXPECT_TRUE(resizable());
    EXPECT_EQ(manager.calls, (std::vector<std::string>{"changePointerMode 1", "changeDrawingMode 1",
                                                       "changePointerMode 0", "changeDrawingMode 0"}));

    // The view asks its conference window the same way.
    ResizeRecorder recorder;
    auto view = std::make_unique<DocShareViewController>(params());
    view->setViewAction(&recorder);
    view->changeDrawingMode(true);
    view->changePointerMode(true);
    data.setIsPointerOn(true);
    data.setIsDrawingOn(true);
    view->changePointerMode(false);
    data.setIsPointerOn(false);
    data.setIsDrawingOn(false);
    view->changeDrawingMode(false);
    EXPECT_EQ(recorder.calls, (std::vector<bool>{false, false, true}));
}

}  // namespace
