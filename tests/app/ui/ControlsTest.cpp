// The small controls and the views that interface files name.

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include "UiTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Localization.h"
#include "platform/View.h"
#include "ui/AddLayoutWindowController.h"
#include "ui/CenteringClipView.h"
#include "ui/CustomCheckButton.h"
#include "ui/CustomCheckButtonCell.h"
#include "ui/CustomTextField.h"
#include "ui/DummyView.h"
#include "ui/Hyperlink.h"
#include "ui/MultiLineTableHeaderCell.h"
#include "ui/OnlyIntegerValueFormatter.h"
#include "ui/PlaceholderView.h"
#include "ui/PopupSliderButton.h"
#include "ui/PopupSliderController.h"

namespace {

void sendEnter(QWidget* widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(widget, &event);
}

void sendLeave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button) {
    QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

TEST(OnlyIntegerValueFormatter, AcceptsWholeNumbersFromOneToTheMaximum) {
    OnlyIntegerValueFormatter formatter(1024);
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        {"", true},     {"1", true},     {"1024", true},  {"512", true},         {"0", false},
        {"01", false},  {"007", false},  {"1025", false}, {"-5", false},         {"1.5", false},
        {"12a", false}, {"a12", false},  {"-", false},    {"99999999999", false}, {"+", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatter.isPartialStringValid(QString::fromLatin1(c.text)), c.accepted) << c.text;
    }
    formatter.setMaxVal(10);
    EXPECT_TRUE(formatter.isPartialStringValid(QStringLiteral("10")));
    EXPECT_FALSE(formatter.isPartialStringValid(QStringLiteral("11")));

    // Typing into a field: refused keystrokes leave the text as it was.
    ensureQtApplication();
    QLineEdit field;
    OnlyIntegerValueFormatter limit(1024);
    field.setValidator(&limit);
    for (const char* key : {"0", "1", "0", "2", "5", "4"}) {
        field.insert(QString::fromLatin1(key));
    }
    EXPECT_EQ(field.text(), QStringLiteral("1024"));
}

QString writeImage(const QTemporaryDir& dir, const QString& name, QColor color) {
    QImage image(36, 36, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}

TEST(CustomCheckButton, StatesImagesAndShading) {
    ensureQtApplication();
    QTemporaryDir dir;
    CustomCheckButton button;
    button.resize(60, 24);
    button.setImageResources({{QStringLiteral("CustomButtonKeyChecked"), writeImage(dir, "c.png", Qt::green)}});
    EXPECT_TRUE(button.shownImage().isNull());  // type 0 has no image yet
    button.setType(CustomCheckButton::Checked);
    ASSERT_FALSE(button.shownImage().isNull());
    EXPECT_EQ(button.shownImage().availableSizes().value(0), QSize(18, 18));
    EXPECT_TRUE(button.isEnabled());

    // A later call without that key keeps the image.
    button.setImageResources({{QStringLiteral("CustomButtonKeyNormal"), writeImage(dir, "n.png", Qt::white)},
                              {QStringLiteral("CustomButtonKeyInvalid"), writeImage(dir, "i.png", Qt::red)}});
    EXPECT_FALSE(button.imageForKey(QStringLiteral("CustomButtonKeyChecked")).isNull());

    // Shading while enabled: hover 0.3, pressed 0.6, released 0.3, gone clear.
    button.setType(CustomCheckButton::Normal);
    sendEnter(&button);
    EXPECT_NEAR(button.shading().alphaF(), 0.3, 0.01);
    sendMouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_NEAR(button.shading().alphaF(), 0.6, 0.01);
    sendMouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_NEAR(button.shading().alphaF(), 0.3, 0.01);
    sendLeave(&button);
    EXPECT_EQ(button.shading().alpha(), 0);

    // Disabled: no shading on hover. Invalid: disabled with its own 0.6 shading kept.
    button.setType(CustomCheckButton::Disabled);
    EXPECT_FALSE(button.isEnabled());
    sendEnter(&button);
    EXPECT_EQ(button.shading().alpha(), 0);
    button.setType(CustomCheckButton::Invalid);
    EXPECT_FALSE(button.isEnabled());
    EXPECT_NEAR(button.shading().alphaF(), 0.6, 0.01);
    sendEnter(&button);
    sendLeave(&button);
    EXPECT_NEAR(button.shading().alphaF(), 0.6, 0.01);
    EXPECT_NEAR(button.shading().redF(), 0.8, 0.01);

    // The box sits left of the centred title.
    EXPECT_EQ(CustomCheckButtonCell::imageRectForBounds({100, 30}, 40), QRectF(13, 6, 18, 18));
    EXPECT_EQ(CustomCheckButtonCell::imageRectForBounds({100, 30}, 0), QRectF(41, 6, 18, 18));
}

class ClickRecorder : public DummyViewDelegate {
public:
    int doubles = 0;
    int rights = 0;
    void doubleClickActionFromDummyView(QMouseEvent*) override { ++doubles; }
    void rightClickActionFromDummyView(QMouseEvent*) override { ++rights; }
};

TEST(DummyView, ForwardsDoubleAndRightClicksExceptInManyMeetingRooms) {
    ensureQtApplication();
    for (int category : {0, 1, DummyView::kRoomCategoryManyMeeting}) {
        SCOPED_TRACE(category);
        QWidget parent;
        parent.resize(400, 300);
        DummyView view(QRectF(10, 20, 160, 90), category, &parent);
        EXPECT_EQ(view.geometry(), QRect(10, 300 - 20 - 90, 160, 90));
        ClickRecorder recorder;
        view.setDelegate(&recorder);
        sendMouse(&view, QEvent::MouseButtonPress, Qt::LeftButton);
        EXPECT_EQ(recorder.doubles, 0);  // one click is not a double click
        sendMouse(&view, QEvent::MouseButtonDblClick, Qt::LeftButton);
        sendMouse(&view, QEvent::MouseButtonPress, Qt::RightButton);
        EXPECT_EQ(recorder.doubles, category == DummyView::kRoomCategoryManyMeeting ? 0 : 1);
        EXPECT_EQ(recorder.rights, 1);
    }
}

TEST(PopupSliderButton, HoverOpensTheSliderBelowAndClosesWhenTheMouseLeavesBoth) {
    ensureQtApplication();
    QWidget window;
    window.resize(300, 200);
    auto* button = new PopupSliderButton(&window);
    button->setGeometry(40, 30, 50, 24);
    window.show();
    EXPECT_FLOAT_EQ(button->sliderValue(), 0.33f);

    // Disabled hover: nothing, and a press is a plain press.
    int presses = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++presses; });
    sendEnter(button);
    EXPECT_FALSE(button->isShowTimerRunning());
    button->click();
    EXPECT_EQ(presses, 1);
    sendLeave(button);
    EXPECT_FALSE(button->isHideTimerRunning());

    button->setShowSlider(true);
    // Leaving before the half second opens nothing.
    sendEnter(button);
    EXPECT_TRUE(button->isShowTimerRunning());
    sendLeave(button);
    processEventsFor(PopupSliderButton::kShowDelayMs + 150);
    EXPECT_FALSE(button->showingSlider());

    // Resting on it opens the slider below, as wide as the button and 120 high.
    sendEnter(button);
    ASSERT_TRUE(processEventsUntil([&] { return button->showingSlider(); }, 2000));
    ASSERT_NE(button->popover(), nullptr);
    const QRect below = PopupSliderButton::popoverGeometry(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
    EXPECT_EQ(button->popover()->geometry(), below);
    EXPECT_EQ(below.top(), button->mapToGlobal(QPoint(0, button->height())).y());
    EXPECT_EQ(below.size(), QSize(50, 120));

    // The mouse moves from the button to the slider: the popover stays.
    sendLeave(button);
    sendEnter(button->popoverController());
    button->hidePopupSlider();
    EXPECT_TRUE(button->showingSlider());
    EXPECT_TRUE(button->isHideTimerRunning());
    // The mouse leaves the slider too: the next check closes it.
    sendLeave(button->popoverController());
    button->hidePopupSlider();
    EXPECT_FALSE(button->showingSlider());
    EXPECT_EQ(button->popover(), nullptr);

    // Moving the slider reports its value; setting it does not.
    QObject target;
    float reported = -1;
    button->setSliderAction(&target, [&](float value) { reported = value; });
    button->setSliderValue(0.8f);
    EXPECT_FLOAT_EQ(reported, -1);
    EXPECT_EQ(button->slider()->value(), 800);
    button->slider()->setValue(500);
    EXPECT_FLOAT_EQ(reported, 0.5f);

    // Hiding the button with the popover while the mouse is over it waits for the mouse.
    sendEnter(button);
    button->showPopupSlider();
    ASSERT_TRUE(button->showingSlider());
    button->hideButton(true);
    EXPECT_TRUE(button->showingSlider());
    EXPECT_TRUE(button->isHideTimerRunning());
    sendLeave(button);
    ASSERT_TRUE(processEventsUntil([&] { return !button->showingSlider(); }, 3000));
}

// The slider in the popover is worked as a user works it: pressed, dragged,
// wheeled and moved with the keys of the focused button.
TEST(PopupSliderButton, TheOpenSliderFollowsMouseWheelAndKeysAndStaysOpen) {
    ensureQtApplication();
    QWidget window;
    window.resize(300, 300);
    auto* button = new PopupSliderButton(&window);
    button->setGeometry(40, 30, 50, 24);
    button->setToolTip(QStringLiteral("volume"));
    button->setShowSlider(true);
    QObject target;
    std::vector<float> reported;
    button->setSliderAction(&target, [&](float value) { reported.push_back(value); });
    button->setSliderValue(0.5f);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    sendEnter(button);
    button->showPopupSlider();
    ASSERT_TRUE(button->showingSlider());
    QSlider* slider = button->slider();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(button->popover()));

    // Presses and moves go to the popover's window, as the window system sends
    // them; the window hands them to the slider under the pointer.
    QWindow* popoverWindow = button->popover()->windowHandle();
    ASSERT_NE(popoverWindow, nullptr);
    const auto inWindow = [&](QPoint onSlider) { return slider->mapTo(button->popover(), onSlider); };

    // A press on the groove near the top moves the value up, and the popover stays.
    const QPoint nearTop(slider->width() / 2, 4);
    QTest::mousePress(popoverWindow, Qt::LeftButton, Qt::NoModifier, inWindow(nearTop));
    EXPECT_TRUE(button->showingSlider());
    ASSERT_NE(button->popover(), nullptr);
    QTest::mouseRelease(popoverWindow, Qt::LeftButton, Qt::NoModifier, inWindow(nearTop));
    ASSERT_FALSE(reported.empty());
    EXPECT_GT(reported.back(), 0.5f);

    // Dragging the handle to the bottom takes the volume to nothing.
    const QStyleOptionSlider handleOption = [&] {
        QStyleOptionSlider o;
        o.initFrom(slider);
        o.orientation = Qt::Vertical;
        o.minimum = slider->minimum();
        o.maximum = slider->maximum();
        o.sliderPosition = slider->sliderPosition();
        o.sliderValue = slider->value();
        o.upsideDown = true;
        return o;
    }();
    const QPoint handle =
        slider->style()
            ->subControlRect(QStyle::CC_Slider, &handleOption, QStyle::SC_SliderHandle, slider)
            .center();
    const QPoint bottom(handle.x(), slider->height() - 1);
    QTest::mousePress(popoverWindow, Qt::LeftButton, Qt::NoModifier, inWindow(handle));
    QTest::mouseMove(popoverWindow, inWindow(QPoint(handle.x(), (handle.y() + bottom.y()) / 2)));
    QTest::mouseMove(popoverWindow, inWindow(bottom));
    QTest::mouseRelease(popoverWindow, Qt::LeftButton, Qt::NoModifier, inWindow(bottom));
    EXPECT_TRUE(button->showingSlider());
    ASSERT_NE(button->popover(), nullptr);
    EXPECT_FLOAT_EQ(button->sliderValue(), 0.0f);
    EXPECT_FLOAT_EQ(reported.back(), 0.0f);

    // One wheel notch up moves it by a tenth, not by a thousandth.
    {
        QWheelEvent wheel(QPointF(5, 20), slider->mapToGlobal(QPointF(5, 20)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(slider, &wheel);
    }
    EXPECT_NEAR(button->sliderValue(), 0.1f, 1e-6);

    // The keys of the focused button: arrows by a twentieth, Home and End to the ends.
    const struct {
        Qt::Key key;
        float expected;
    } keys[] = {{Qt::Key_Up, 0.15f},     {Qt::Key_Up, 0.2f},  {Qt::Key_Down, 0.15f},
                {Qt::Key_PageUp, 0.25f}, {Qt::Key_End, 1.0f}, {Qt::Key_Home, 0.0f}};
    for (const auto& k : keys) {
        QTest::keyClick(button, k.key);
        EXPECT_NEAR(button->sliderValue(), k.expected, 1e-6) << k.key;
        EXPECT_NEAR(reported.back(), k.expected, 1e-6) << k.key;
    }
    EXPECT_TRUE(button->showingSlider());

    // Its tooltip does not open over the open slider.
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(button, &help);
    EXPECT_FALSE(QToolTip::isVisible());

    // A press on the button itself keeps it; a press elsewhere in the window closes it.
    QWindow* mainWindow = window.windowHandle();
    QTest::mousePress(mainWindow, Qt::LeftButton, Qt::NoModifier, button->mapTo(&window, QPoint(5, 5)));
    QTest::mouseRelease(mainWindow, Qt::LeftButton, Qt::NoModifier, button->mapTo(&window, QPoint(5, 5)));
    EXPECT_TRUE(button->showingSlider());
    QTest::mousePress(mainWindow, Qt::LeftButton, Qt::NoModifier, QPoint(250, 250));
    QTest::mouseRelease(mainWindow, Qt::LeftButton, Qt::NoModifier, QPoint(250, 250));
    EXPECT_FALSE(button->showingSlider());

    // With the popover closed the keys open it again and still move the value.
    sendLeave(button);
    QTest::keyClick(button, Qt::Key_Up);
    EXPECT_TRUE(button->showingSlider());
    EXPECT_NEAR(button->sliderValue(), 0.05f, 1e-6);
}

TEST(CustomTextField, EditingShortcuts) {
    const struct {
        Qt::KeyboardModifiers modifiers;
        int key;
        std::optional<CustomTextField::EditAction> action;
    } cases[] = {
        {Qt::ControlModifier, Qt::Key_X, CustomTextField::EditAction::Cut},
        {Qt::ControlModifier, Qt::Key_C, CustomTextField::EditAction::Copy},
        {Qt::ControlModifier, Qt::Key_V, CustomTextField::EditAction::Paste},
        {Qt::ControlModifier, Qt::Key_Z, CustomTextField::EditAction::Undo},
        {Qt::ControlModifier, Qt::Key_A, CustomTextField::EditAction::SelectAll},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, CustomTextField::EditAction::Redo},
        {Qt::ControlModifier | Qt::AltModifier, Qt::Key_Z, std::nullopt},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_A, std::nullopt},
        {Qt::NoModifier, Qt::Key_Z, std::nullopt},
        {Qt::ControlModifier, Qt::Key_B, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CustomTextField::editActionForKey(c.modifiers, c.key), c.action) << c.key << " " << int(c.modifiers);
    }

    ensureQtApplication();
    CustomTextField field;
    field.setText(QStringLiteral("hello"));
    auto press = [&](Qt::KeyboardModifiers modifiers, int key) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&field, &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(press(Qt::ControlModifier, Qt::Key_A));
    EXPECT_EQ(field.selectedText(), QStringLiteral("hello"));
    EXPECT_TRUE(press(Qt::ControlModifier, Qt::Key_X));
    EXPECT_EQ(field.text(), QString());
    EXPECT_TRUE(press(Qt::ControlModifier, Qt::Key_Z));
    EXPECT_EQ(field.text(), QStringLiteral("hello"));
    EXPECT_TRUE(press(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z));
    EXPECT_EQ(field.text(), QString());
}

TEST(CenteringClipView, SmallDocumentsAreCentredLargeOnesStayWithinTheirEdges) {
    const struct {
        const char* name;
        QRectF proposed;
        QSizeF document;
        QPointF origin;
    } cases[] = {
        {"100 wide in 300", {0, 0, 300, 200}, {100, 200}, {-100, 0}},
        {"odd difference rounds down", {0, 0, 200, 200}, {200, 101}, {0, -50}},
        {"scrolled past the end", {900, 700, 300, 200}, {1000, 800}, {700, 600}},
        {"before the start", {-50, -10, 300, 200}, {1000, 800}, {0, 0}},
        {"fractions dropped", {10.7, 20.2, 300, 200}, {1000, 800}, {10, 20}},
        {"no document", {30, 40, 300, 200}, {0, 0}, {-150, -100}},
    };
    for (const auto& c : cases) {
        const QRectF result = CenteringClipView::constrainBoundsRect(c.proposed, c.document);
        EXPECT_EQ(result.topLeft(), c.origin) << c.name;
        EXPECT_EQ(result.size(), c.proposed.size()) << c.name;
    }
}

TEST(MultiLineTableHeaderCell, SortTriangleAndDefaults) {
    const QRectF frame(100, 0, 80, 30);
    EXPECT_EQ(MultiLineTableHeaderCell::sortIndicatorPoints(frame, true),
              QPolygonF({QPointF(168, 25), QPointF(172, 18), QPointF(176, 25)}));
    EXPECT_EQ(MultiLineTableHeaderCell::sortIndicatorPoints(frame, false),
              QPolygonF({QPointF(168, 5), QPointF(172, 12), QPointF(176, 5)}));
    ensureQtApplication();
    MultiLineTableHeaderCell header;
    EXPECT_EQ(header.identifier(), QStringLiteral("multi_line_header"));
    EXPECT_FALSE(header.isCentering());
}

TEST(PlaceholderAndLink, HintTextAndLinkMarkup) {
    ensureQtApplication();
    TemporaryHome home;
    PlaceholderView hint;
    EXPECT_EQ(hint.text(), QStringLiteral("Enter a message"));
    EXPECT_EQ(View::autoresizingMaskOf(&hint), ViewMinXMargin | ViewWidthSizable | ViewMaxYMargin);
    const QString link = Hyperlink::hyperlinkFromString(QStringLiteral("R&D <notes>"),
                                                        QUrl(QStringLiteral("https://example.invalid/a b")));
    EXPECT_TRUE(link.contains(QStringLiteral("href=\"https://example.invalid/a%20b\""))) << link.toStdString();
    EXPECT_TRUE(link.contains(QStringLiteral("R&amp;D &lt;notes&gt;")));
    EXPECT_TRUE(link.contains(QStringLiteral("color: blue")));
}

}  // namespace

// The dialogue for a new layout's title: OK hands the text over (an empty one
// too) and ends with 1; Cancel ends with 0 and tells nobody.
TEST(AddLayoutWindowController, OkHandsTheTitleOverAndCancelDoesNot) {
    ensureQtApplication();
    struct Delegate : AddLayoutWindowControllerDelegate {
        void onCloseAddLayoutWindow(const QString& title) override { titles.push_back(title); }
        std::vector<QString> titles;
    } delegate;
    QWidget settings;
    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"Morning", true}, {"", true}, {"Ignored", false}};
    for (const auto& c : cases) {
        AddLayoutWindowController dialog(&settings);
        dialog.setDelegate(&delegate);
        EXPECT_EQ(dialog.explanationLbl()->text(), LocalizedString("dfADDLAYOUT"));
        EXPECT_EQ(dialog.cancelBtn()->text(), LocalizedString("dfCANCEL"));
        dialog.textFiled()->setText(QString::fromLatin1(c.text));
        dialog.open();
        (c.ok ? dialog.okBtn() : dialog.cancelBtn())->click();
        EXPECT_EQ(dialog.result(), c.ok ? 1 : 0);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(delegate.titles, (std::vector<QString>{"Morning", ""}));
}
