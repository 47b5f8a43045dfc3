// The platform view layer: bottom-up frames, autoresizing, windows, split
// views, validated menus, the tray item and sheets.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QMouseEvent>
#include <QPushButton>

#include "fixtures/app/AppTestSupport.h"
#include "UiTestSupport.h"
#include "platform/Alert.h"
#include "platform/Menu.h"
#include "platform/SplitView.h"
#include "platform/StatusItem.h"
#include "platform/View.h"
#include "platform/ViewGeometry.h"
#include "platform/Window.h"
#include "ui/SheetWindowController.h"

namespace {

void expectRect(const QRectF& actual, const QRectF& expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3);
}

struct ResizeCase {
    const char* name;
    QRectF frame;
    unsigned mask;
    QSizeF oldSize;
    QSizeF newSize;
    QRectF expected;
};

TEST(ViewGeometry, AutoresizingSharesTheChangeAmongTheFlexibleParts) {
    const QSizeF from(400, 300);
    const QSizeF to(600, 600);  // 200 wider, 300 higher
    const QRectF f(10, 20, 100, 50);  // right margin 290, top margin 230
    const ResizeCase cases[] = {
        {"fixed", f, ViewNotSizable, from, to, f},
        {"width", f, ViewWidthSizable, from, to, {10, 20, 300, 50}},
        {"left margin", f, ViewMinXMargin, from, to, {210, 20, 100, 50}},
        {"right margin only", f, ViewMaxXMargin, from, to, f},
        // 200 shared by left 10 and right 290.
        {"both margins", f, ViewMinXMargin | ViewMaxXMargin, from, to, {10 + 200.0 * 10 / 300, 20, 100, 50}},
        // 200 shared by 10, 100 and 290.
        {"all horizontal", f, ViewMinXMargin | ViewWidthSizable | ViewMaxXMargin, from, to, {15, 20, 150, 50}},
        // 300 shared by height 50 and top 230.
        {"height and top", f, ViewHeightSizable | ViewMaxYMargin, from, to, {10, 20, 100, 50 + 300.0 * 50 / 280}},
        {"bottom margin", f, ViewMinYMargin, from, to, {10, 320, 100, 50}},
        {"everything", f, 63, from, to, {15, 40, 150, 100}},
        // A right pane (mask 61) at the right edge keeps hugging it and fills the height.
        {"right pane", {300, 0, 100, 300}, 61, from, {800, 600}, {700, 0, 100, 600}},
        // Flexible parts all 0 long share the change equally.
        {"zero margins", {0, 0, 400, 300}, ViewMinXMargin | ViewMaxXMargin, from, to, {100, 0, 400, 300}},
        {"shrinks to nothing, never below", f, ViewWidthSizable, from, {200, 300}, {10, 20, 0, 50}},
        {"no change", f, 63, from, from, f},
    };
    for (const ResizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectRect(ViewGeometry::resizeWithOldSuperviewSize(c.frame, c.mask, c.oldSize, c.newSize), c.expected);
    }
}

TEST(ViewGeometry, FlipAndDividerRules) {
    // A frame in a 600-high parent lands at y = 600 - y - h; flipping twice gives it back.
    const QRectF frames[] = {{10, 20, 100, 50}, {0, 0, 600, 600}, {5.5, 590, 10, 10}, {0, -20, 30, 40}};
    for (const QRectF& frame : frames) {
        const QRectF flipped = ViewGeometry::flipRect(frame, 600);
        EXPECT_DOUBLE_EQ(flipped.y(), 600 - frame.y() - frame.height());
        EXPECT_EQ(flipped.size(), frame.size());
        EXPECT_EQ(ViewGeometry::flipRect(flipped, 600), frame);
    }
    // Divider kept within a fifth of a 500-long view on each side.
    const struct {
        double proposed, minimum, maximum, expected;
    } dividers[] = {{50, 100, 400, 100}, {100, 100, 400, 100}, {250, 100, 400, 250},
                    {450, 100, 400, 400}, {50, 100, 80, 100}};
    for (const auto& d : dividers) {
        EXPECT_DOUBLE_EQ(ViewGeometry::clampDivider(d.proposed, d.minimum, d.maximum), d.expected) << d.proposed;
    }
    EXPECT_EQ(ViewGeometry::centeredOrigin({0, 0, 800, 600}, {200, 100}), QPointF(300, 250));
}

TEST(View, ChildrenFollowTheirMasksAtTheWidgetBoundary) {
    ensureQtApplication();
    View parent;
    parent.resize(400, 300);
    auto* pinned = new QLabel(&parent);      // stays at the bottom left
    auto* stretched = new QLabel(&parent);   // follows width and height
    auto* topRight = new QPushButton(&parent);
    View::setFrameOf(pinned, {10, 20, 100, 50});
    View::setFrameOf(stretched, {10, 20, 100, 50});
    View::setAutoresizingMaskOf(stretched, ViewMinXMargin | ViewWidthSizable | ViewMaxXMargin | ViewMinYMargin |
                                               ViewHeightSizable | ViewMaxYMargin);
    View::setFrameOf(topRight, {290, 250, 100, 40});
    View::setAutoresizingMaskOf(topRight, ViewMinXMargin | ViewMinYMargin);
    EXPECT_EQ(pinned->geometry(), QRect(10, 300 - 20 - 50, 100, 50));

    // Resized while hidden: Qt sends no resize event, yet the frames follow
    // at once and the widgets land there when the parent shows.
    parent.resize(600, 600);
    expectRect(View::frameOf(stretched), {15, 40, 150, 100});
    parent.show();
    expectRect(View::frameOf(pinned), {10, 20, 100, 50});
    EXPECT_EQ(pinned->geometry(), QRect(10, 600 - 20 - 50, 100, 50));
    expectRect(View::frameOf(stretched), {15, 40, 150, 100});
    EXPECT_EQ(stretched->geometry(), QRect(15, 600 - 40 - 100, 150, 100));
    expectRect(View::frameOf(topRight), {490, 550, 100, 40});
    EXPECT_EQ(topRight->geometry().topLeft(), QPoint(490, 10));

    // Shown: every resize places the children at once; fractions are kept,
    // so going back to the old size gives the old frame.
    parent.resize(400, 300);
    EXPECT_EQ(topRight->geometry(), QRect(290, 10, 100, 40));
    parent.resize(600, 600);
    View::setFrameOf(stretched, {10, 20, 100, 50});
    View::setAutoresizingMaskOf(stretched, ViewMinXMargin | ViewMaxXMargin);
    parent.resize(900, 600);  // x = 10 + 300 * 10 / 490
    parent.resize(600, 600);
    expectRect(View::frameOf(stretched), {10, 20, 100, 50});

    View frozen;
    frozen.resize(400, 300);
    frozen.show();
    frozen.setAutoresizesSubviews(false);
    auto* child = new QLabel(&frozen);
    View::setFrameOf(child, {10, 20, 100, 50});
    View::setAutoresizingMaskOf(child, ViewWidthSizable);
    frozen.resize(600, 600);
    EXPECT_EQ(child->geometry(), QRect(10, 230, 100, 50));
}

class CountingWindowDelegate : public WindowDelegate {
public:
    bool allowClose = true;
    int shouldClose = 0;
    int willClose = 0;
    int endSheets = 0;
    bool windowShouldClose(Window*) override {
        ++shouldClose;
        return allowClose;
    }
    void windowWillClose(Window*) override { ++willClose; }
    void windowDidEndSheet(Window*) override { ++endSheets; }
};

TEST(Window, FrameLimitsAndOneCloseReport) {
    ensureQtApplication();
    const double screen = Window::screenHeight();
    ASSERT_GT(screen, 0);
    Window window(QRectF(100, 100, 300, 200), WindowStyleTitled | WindowStyleClosable | WindowStyleResizable);
    EXPECT_EQ(window.geometry(), QRect(100, int(screen) - 100 - 200, 300, 200));
    expectRect(window.frame(), {100, 100, 300, 200});

    const struct {
        QSizeF proposed, min, max, aspect, expected;
    } sizes[] = {
        {{100, 50}, {80, 60}, {}, {}, {100, 60}},
        {{50, 50}, {80, 60}, {}, {}, {80, 60}},
        {{900, 900}, {80, 60}, {640, 480}, {}, {640, 480}},
        {{400, 100}, {80, 60}, {}, {16, 9}, {400, 225}},
        {{40, 100}, {80, 60}, {}, {4, 3}, {80, 60}},
    };
    for (const auto& s : sizes) {
        EXPECT_EQ(Window::constrainSize(s.proposed, s.min, s.max, s.aspect), s.expected) << s.proposed.width();
    }
    window.setMinSize({250, 150});
    window.setFrame({100, 100, 100, 100});
    EXPECT_GE(window.frame().width(), 250);
    EXPECT_GE(window.frame().height(), 150);

    // A content aspect ratio holds when the user resizes the window, not for a frame set by the code.
    window.show();
    window.setContentAspectRatio({16, 9});
    window.resize(400, 100);
    EXPECT_EQ(window.size(), QSize(400, 225));
    window.setFrame({100, 100, 480, 150});
    EXPECT_EQ(window.size(), QSize(480, 150));
    window.setContentAspectRatio({});
    window.hide();

    window.setLevel(AboveAllWindowLevel);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    window.setLevel(NormalWindowLevel);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);

    CountingWindowDelegate delegate;
    window.setDelegate(&delegate);
    window.show();
    delegate.allowClose = false;
    window.performClose();  // refused by the delegate
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(delegate.willClose, 0);
    delegate.allowClose = true;
    window.performClose();
    window.closeWindow();
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(delegate.willClose, 1);
    // A new opening gets its own report.
    window.show();
    window.close();
    EXPECT_EQ(delegate.willClose, 2);
    window.setDelegate(nullptr);
}

class ClampingSplitDelegate : public SplitViewDelegate {
public:
    double constrainSplitPosition(SplitView* split, double proposed, int index) override {
        lastIndex = index;
        const double extent = split->extent();
        return ViewGeometry::clampDivider(proposed, extent / 5, extent - extent / 5);
    }
    int lastIndex = -1;
};

TEST(SplitView, DividerPositionsPassTheDelegate) {
    ensureQtApplication();
    SplitView split;
    split.setVertical(true);
    split.setHandleWidth(1);
    split.addWidget(new QLabel(QStringLiteral("speakers")));
    split.addWidget(new QLabel(QStringLiteral("participants")));
    split.resize(501, 300);
    split.show();
    ClampingSplitDelegate delegate;
    split.setSplitDelegate(&delegate);
    ASSERT_DOUBLE_EQ(split.extent(), 501);
    const struct {
        double proposed, expected;
    } moves[] = {{10, 100}, {300, 300}, {480, 401}};
    for (const auto& m : moves) {
        split.setPosition(m.proposed, 0);
        EXPECT_NEAR(split.positionOfDivider(0), m.expected, 1) << m.proposed;
        EXPECT_EQ(delegate.lastIndex, 0);
    }
    // Dragging the divider with the mouse passes the same constraint.
    QSplitterHandle* handle = split.handle(1);
    for (const auto& m : moves) {
        const QPointF inHandle(m.proposed - handle->x(), 5);
        QMouseEvent drag(QEvent::MouseMove, inHandle, handle->mapToGlobal(inHandle), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &drag);
        EXPECT_NEAR(split.positionOfDivider(0), m.expected, 1) << "drag to " << m.proposed;
    }
    split.setSplitDelegate(nullptr);
}

class SwitchableValidator : public MenuDelegate {
public:
    QSet<long> enabledTags;
    int updates = 0;
    int validations = 0;
    bool validateMenuItem(MenuItem* item) override {
        ++validations;
        return enabledTags.contains(item->tag());
    }
    void menuNeedsUpdate(Menu*) override { ++updates; }
};

TEST(Menu, ItemsAreValidatedOnEveryShow) {
    ensureQtApplication();
    Menu menu;
    int chosen = -1;
    menu.addItem(QStringLiteral("Share documents"), 21, QString(), [&](MenuItem* item) { chosen = int(item->tag()); });
    menu.addSeparatorItem();
    menu.addItem(QStringLiteral("Share screen"), 22);
    MenuItem* checked = menu.addItem(QStringLiteral("Speakers above"), 7);
    checked->setState(MenuItem::On);
    EXPECT_TRUE(checked->isChecked());
    ASSERT_EQ(menu.items().size(), 3);
    EXPECT_EQ(menu.itemWithTag(22)->text(), QStringLiteral("Share screen"));
    EXPECT_EQ(menu.itemWithTag(99), nullptr);

    SwitchableValidator validator;
    menu.setMenuDelegate(&validator);
    validator.enabledTags = {21};
    menu.popup(QPoint(10, 10));
    EXPECT_TRUE(menu.itemWithTag(21)->isEnabled());
    EXPECT_FALSE(menu.itemWithTag(22)->isEnabled());
    menu.hide();

    // The state changes while the menu is closed: the next show asks again.
    validator.enabledTags = {22, 7};
    menu.popup(QPoint(10, 10));
    EXPECT_FALSE(menu.itemWithTag(21)->isEnabled());
    EXPECT_TRUE(menu.itemWithTag(22)->isEnabled());
    EXPECT_TRUE(menu.itemWithTag(7)->isEnabled());
    menu.hide();
    EXPECT_EQ(validator.updates, 2);
    EXPECT_EQ(validator.validations, 6);

    menu.itemWithTag(21)->setEnabled(true);
    menu.itemWithTag(21)->trigger();
    EXPECT_EQ(chosen, 21);
    menu.setMenuDelegate(nullptr);
}

TEST(StatusItem, StandsInWithoutATray) {
    ensureQtApplication();
    auto item = StatusItem::create();
    EXPECT_FALSE(item->isOnTray());  // offscreen has no tray
    Menu menu;
    menu.addItem(QStringLiteral("Microphone"), 1);
    item->setMenu(&menu);
    item->setToolTip(QStringLiteral("Quorix"));
    item->setVisible(false);
    EXPECT_EQ(item->menu(), &menu);
    EXPECT_EQ(item->toolTip(), QStringLiteral("Quorix"));
    EXPECT_FALSE(item->isVisible());
}

TEST(Sheet, EndsWithTheButtonsCodeAndTellsTheWindow) {
    ensureQtApplication();
    TemporaryHome home;
    Window parent(QRectF(100, 100, 500, 400), WindowStyleTitled);
    CountingWindowDelegate delegate;
    parent.setDelegate(&delegate);
    parent.show();

    const struct {
        bool ok;
        int code;
    } presses[] = {{false, 0}, {true, 1}};
    for (const auto& press : presses) {
        SheetWindowController sheet(QStringLiteral("Close the results?"));
        EXPECT_EQ(sheet.sheetText()->text(), QStringLiteral("Close the results?"));
        EXPECT_EQ(sheet.cancelButton()->text(), QStringLiteral("Cancel"));
        QList<int> codes;
        parent.beginSheet(sheet.window(), [&](int code) { codes.append(code); });
        EXPECT_EQ(parent.attachedSheet(), sheet.window());
        EXPECT_EQ(sheet.window()->windowModality(), Qt::WindowModal);
        (press.ok ? sheet.okButton() : sheet.cancelButton())->click();
        (press.ok ? sheet.okButton() : sheet.cancelButton())->click();  // already ended: nothing
        EXPECT_EQ(codes, QList<int>{press.code});
        EXPECT_EQ(parent.attachedSheet(), nullptr);
        EXPECT_FALSE(sheet.window()->isVisible());
    }
    EXPECT_EQ(delegate.endSheets, 2);
    parent.setDelegate(nullptr);
}

}  // namespace

namespace {

TEST(Alert, AnswersTheIndexOfThePressedButton) {
    ensureQtApplication();
    for (int pressed : {0, 1, 2}) {
        Alert alert;
        alert.setMessageText(QStringLiteral("Sharing request"));
        for (const char* title : {"Allow", "Deny", "Deny"}) {  // equal titles stay apart
            alert.addButtonWithTitle(QString::fromLatin1(title));
        }
        // The box keeps its buttons in the order added.
        QTimer::singleShot(0, [pressed] { Alert::current()->box()->buttons().at(pressed)->click(); });
        EXPECT_EQ(alert.runModal(), AlertFirstButtonReturn + pressed) << pressed;
    }
}

}  // namespace
