// The two-button alert window and the information and warning windows.

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "UiTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "ui/AlertWindow.h"
#include "ui/AlertWindowView.h"
#include "ui/Hyperlink.h"
#include "ui/WaitingAlertWindowController.h"
#include "platform/NotificationCenter.h"
#include "services/Common.h"
#include "ui/InfoAlertWindow.h"

namespace {

class CloseCounter : public AlertWindowDelegate, public InfoAlertWindowDelegate {
public:
    int alertCloses = 0;
    int infoCloses = 0;
    int infoClicks = 0;
    void onCloseAlertWindow(AlertWindow*) override { ++alertCloses; }
    void onCloseInfoAlertWindow(InfoAlertWindow*) override { ++infoCloses; }
    void onClickInfoAlertWindow(InfoAlertWindow*) override { ++infoClicks; }
};

TEST(AlertWindow, GeometryOfWindowMessageAndButtons) {
    const QRectF content = AlertWindow::contentRectFor({1280, 800}, 34);
    EXPECT_EQ(content, QRectF(640 - 222.75, 400 - 47, 445.5, 94));
    EXPECT_EQ(AlertWindow::messageFrameFor(34, false), QRectF(20, 30, 405.5, 34));
    EXPECT_EQ(AlertWindow::messageFrameFor(34, true), QRectF(20, 35, 405.5, 34));
    const double w = 445.5 / 5 + 10;  // 99.1
    EXPECT_EQ(AlertWindow::buttonFrameFor(445.5, 1), QRectF(445.5 - w, 3, w, 30));
    EXPECT_EQ(AlertWindow::buttonFrameFor(445.5, 2), QRectF(445.5 - 2 * w, 3, w, 30));
}

TEST(AlertWindow, ButtonsFollowTheLabelsGiven) {
    ensureQtApplication();
    const struct {
        std::optional<QString> left, right;
        int buttons;
        double messageY;
    } cases[] = {
        {std::nullopt, std::nullopt, 0, 30},
        {QStringLiteral("Allow"), std::nullopt, 1, 35},
        {std::nullopt, QStringLiteral("Deny"), 1, 35},
        {QStringLiteral("Allow"), QStringLiteral("Deny"), 2, 35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttons);
        int left = 0;
        int right = 0;
        AlertWindow alert(nullptr, QStringLiteral("Alice asks to share her screen."), c.left, [&] { ++left; }, c.right,
                          [&] { ++right; });
        ASSERT_NE(alert.window(), nullptr);
        EXPECT_EQ(alert.window()->title(), MainBundle::name());
        EXPECT_EQ(alert.buttons().size(), c.buttons);
        EXPECT_DOUBLE_EQ(View::frameOf(alert.messageView()).y(), c.messageY);
        const QRectF content = alert.window()->frame();
        EXPECT_NEAR(content.width(), 445.5, 1);  // whole pixels on screen
        // The message's height sets the window's: 60 + text height.
        const double h = AlertWindow::heightForMessageStr(alert.messageView()->text(),
                                                          QFontDatabase::systemFont(QFontDatabase::GeneralFont), 405.5);
        EXPECT_NEAR(content.height(), 60 + h, 1);
        for (QPushButton* button : alert.buttons()) {
            button->click();
        }
        EXPECT_EQ(left, c.left ? 1 : 0);
        EXPECT_EQ(right, c.right ? 1 : 0);
        EXPECT_TRUE(alert.window()->isVisible());  // a button does not close the alert
        if (c.buttons >= 1) {
            // The first label's button sits at the right edge, the second's left of it.
            const QRectF frame = View::frameOf(alert.buttons().first());
            const double w = content.width() / 5 + 10;
            EXPECT_NEAR(frame.x() + frame.width(), content.width() - (c.left ? 0 : w), 1);
            EXPECT_DOUBLE_EQ(frame.y(), 3);
        }
    }
}

TEST(AlertWindow, CloseReportRunsOnceWhateverClosesIt) {
    ensureQtApplication();
    const std::pair<const char*, std::function<void(AlertWindow&)>> causes[] = {
        {"timer", [](AlertWindow& a) { a.setTimer(0.02); }},
        {"opener", [](AlertWindow& a) { a.closeSelfWindow(); }},
        {"title bar", [](AlertWindow& a) { a.window()->close(); }},
        {"user's close", [](AlertWindow& a) { a.window()->performClose(); }},
    };
    for (const auto& [name, cause] : causes) {
        SCOPED_TRACE(name);
        CloseCounter counter;
        AlertWindow alert(nullptr, QStringLiteral("Recording stopped."), QStringLiteral("OK"), nullptr, std::nullopt,
                          nullptr);
        alert.setAlertDelegate(&counter);
        cause(alert);
        ASSERT_TRUE(processEventsUntil([&] { return counter.alertCloses > 0; }, 2000));
        alert.closeSelfWindow();  // the window is gone: nothing more
        processEventsFor(50);
        EXPECT_EQ(counter.alertCloses, 1);
        EXPECT_EQ(alert.window(), nullptr);
        EXPECT_FALSE(alert.isTimerRunning());
    }
}

TEST(AlertWindow, TimerRules) {
    ensureQtApplication();
    CloseCounter counter;
    AlertWindow alert(nullptr, QStringLiteral("message"), std::nullopt, nullptr, std::nullopt, nullptr);
    alert.setAlertDelegate(&counter);
    alert.setTimer(0);
    alert.setTimer(-1);
    EXPECT_FALSE(alert.isTimerRunning());
    alert.setTimer(0.02);
    alert.setTimer(30);  // only the second runs
    processEventsFor(150);
    EXPECT_EQ(counter.alertCloses, 0);
    EXPECT_TRUE(alert.isTimerRunning());
    alert.setAlertDelegate(nullptr);
}

TEST(InfoAlertWindow, CardPlacementOnTheScreen) {
    const QSizeF screen(1000, 600);
    const struct {
        const char* name;
        QRectF caller;
        QPointF expected;
    } cases[] = {
        {"centred on the caller", {100, 100, 400, 300}, {146.5, 171.5}},
        {"right edge", {700, 100, 400, 300}, {1000 - 307, 171.5}},
        {"top edge", {100, 500, 400, 300}, {146.5, 600 - 157}},
        {"negative coordinates", {-500, -400, 200, 100}, {0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InfoAlertWindow::informationOrigin(c.caller, screen), c.expected) << c.name;
    }
    // A card grows upward from its lower left corner; the message sits in its middle.
    EXPECT_EQ(InfoAlertWindow::cardFrameFor({693, 443}, 200), QRectF(693, 443, 307, 250));
    EXPECT_EQ(InfoAlertWindow::messageFrameInCard({307, 250}, 200), QRectF(0, 25, 307, 200));
    EXPECT_EQ(InfoAlertWindow::closeButtonFrameInCard({307, 250}, {16, 16}), QRectF(5, 229, 16, 16));
}

TEST(InfoAlertWindow, InformationFormGrowsAndReportsClicksAndClosing) {
    ensureQtApplication();
    const QRectF screen = Window::mainScreenFrame();
    QString longMessage;
    for (int i = 0; i < 12; ++i) {
        longMessage += QStringLiteral("Bob has joined the conference and asks for the floor. ");
    }
    // The caller sits near the top right corner.
    const QRectF caller(screen.width() - 100, screen.height() - 60, 400, 300);
    CloseCounter counter;
    InfoAlertWindow* info = InfoAlertWindow::initWithAlert(longMessage, 0, caller);
    info->setAlertDelegate(&counter);
    info->showWindow();
    EXPECT_DOUBLE_EQ(info->closeSec(), 5.0);
    EXPECT_TRUE(info->isTimerRunning());
    EXPECT_EQ(info->window()->level(), AboveAllWindowLevel);
    const double h = Common::heightForMessageStr(longMessage, QFontDatabase::systemFont(QFontDatabase::GeneralFont), 307);
    const QPointF origin = InfoAlertWindow::informationOrigin(caller, screen.size());
    const QRectF frame = info->window()->frame();
    EXPECT_NEAR(frame.x(), origin.x(), 1);
    EXPECT_NEAR(frame.y(), origin.y(), 1);  // not moved back onto the screen
    EXPECT_NEAR(frame.height(), 50 + h, 1);
    EXPECT_GT(frame.y() + frame.height(), screen.height());
    EXPECT_EQ(info->alertMessage()->styleSheet().contains(QStringLiteral("black")), true);

    // A click on the card is reported and does not close it.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(150, 20), QPointF(150, 20), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(info->card(), &press);
    EXPECT_EQ(counter.infoClicks, 1);
    EXPECT_TRUE(info->window()->isVisible());

    info->closeButton()->click();
    EXPECT_EQ(counter.infoCloses, 1);
    EXPECT_EQ(info->window(), nullptr);
    EXPECT_FALSE(info->isTimerRunning());
    info->hideInformationAlert();
    EXPECT_EQ(counter.infoCloses, 1);
    delete info;
}

TEST(InfoAlertWindow, WarningFormShowsItsIconForTypeOneOnly) {
    ensureQtApplication();
    for (qint64 type : {1, 0, 2}) {
        SCOPED_TRACE(type);
        CloseCounter counter;
        InfoAlertWindow* warning = InfoAlertWindow::initWithNewAlert(QStringLiteral("The camera stopped."), type);
        warning->setAlertDelegate(&counter);
        warning->showWindow();
        EXPECT_DOUBLE_EQ(warning->closeSec(), 20.0);
        EXPECT_EQ(warning->window()->title(), MainBundle::name());
        EXPECT_EQ(warning->alertIcon() != nullptr, type == 1);
        const QRectF screen = Window::mainScreenFrame();
        const QRectF frame = warning->window()->frame();
        // Centred (the platform may shift a decorated window by its frame margins).
        EXPECT_NEAR(frame.center().x(), screen.center().x(), 3);
        EXPECT_NEAR(frame.center().y(), screen.center().y(), 3);
        for (QPushButton* button : warning->window()->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("OK")) {
                button->click();
            }
        }
        EXPECT_EQ(counter.infoCloses, 1);
        delete warning;
    }
}

TEST(InfoAlertWindow, ImageHelpers) {
    ensureQtApplication();
    const auto strip = InfoAlertWindow::RoadImage(QStringLiteral("user_list_notify_exit"), QStringLiteral("gif"));
    ASSERT_TRUE(strip);
    QPushButton button;
    const QImage quarter = InfoAlertWindow::TrimImage(&button, *strip);
    EXPECT_EQ(quarter.size(), QSize(strip->width() / 4, strip->height()));
    EXPECT_EQ(quarter.pixel(8, 8), strip->pixel(8, 8));
    EXPECT_FALSE(button.icon().isNull());
    EXPECT_FALSE(InfoAlertWindow::RoadImage(QStringLiteral("no_such_image"), QStringLiteral("gif")));
    EXPECT_FALSE(InfoAlertWindow::imageResize(std::nullopt, {10, 10}));
    const auto resized = InfoAlertWindow::imageResize(strip, {30, 40});
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->size(), QSize(30, 40));
    EXPECT_EQ(resized->format(), QImage::Format_RGBA8888_Premultiplied);
}

}  // namespace

namespace {

class CloseButtonRecorder : public AlertWindowViewDelegate {
public:
    int clicks = 0;
    void onClickCloseBtn(AlertWindowView*) override { ++clicks; }
};

TEST(AlertWindowView, BodyWithAndWithoutALink) {
    ensureQtApplication();
    EXPECT_EQ(AlertWindowView::windowSizeFor(307, 40, true), QSizeF(307, 120));
    EXPECT_EQ(AlertWindowView::windowSizeFor(307, 40, false), QSizeF(307, 90));
    EXPECT_EQ(AlertWindowView::textFrameFor({307, 120}, 40, true), QRectF(25, 40, 257, 40));
    EXPECT_EQ(AlertWindowView::textFrameFor({307, 90}, 40, false), QRectF(0, 25, 307, 40));

    AlertWindowView linked(QRectF(100, 100, 307, 100));
    linked.MakeDetail(QStringLiteral("A new version is out. "),
                      Hyperlink::hyperlinkFromString(QStringLiteral("Release notes"),
                                                     QUrl(QStringLiteral("https://example.invalid/notes"))),
                      0);
    EXPECT_EQ(linked.closeButton(), nullptr);
    EXPECT_EQ(linked.findChild<QLabel*>(QStringLiteral("alertCard")), nullptr);
    EXPECT_TRUE(linked.textView()->text().contains(QStringLiteral("https://example.invalid/notes")));
    EXPECT_TRUE(linked.textView()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_NEAR(linked.frame().height() - View::frameOf(linked.textView()).height(), 80, 1);
    EXPECT_DOUBLE_EQ(linked.frame().y(), 100);  // grows from its lower left corner

    AlertWindowView card(QRectF(100, 100, 307, 100));
    CloseButtonRecorder recorder;
    card.setActionDelegate(&recorder);
    card.MakeDetail(QStringLiteral("The recording stopped."), std::nullopt, 1);
    EXPECT_TRUE(card.textView()->text().contains(QStringLiteral("red")));
    EXPECT_NE(card.findChild<QLabel*>(QStringLiteral("alertCard")), nullptr);
    EXPECT_NEAR(card.frame().height() - View::frameOf(card.textView()).height(), 50, 1);
    ASSERT_NE(card.closeButton(), nullptr);
    card.closeButton()->click();
    EXPECT_EQ(recorder.clicks, 1);
}

}  // namespace

namespace {

TEST(WaitingAlertWindowController, ClosesOnItsNotificationOrItsTimeout) {
    ensureQtApplication();
    QPointer<WaitingAlertWindowController> waiting =
        new WaitingAlertWindowController(QStringLiteral("Connecting..."), QStringLiteral("alert_warning"));
    waiting->showWindow();
    ASSERT_NE(waiting->window(), nullptr);
    // Its origin is the centre point of the visible screen.
    const QPointF centre = Window::mainScreenVisibleFrame().center();
    EXPECT_NEAR(waiting->window()->frame().x(), centre.x(), 3);
    EXPECT_NEAR(waiting->window()->frame().y(), centre.y(), 3);
    EXPECT_EQ(waiting->waitingMessage()->text(), QStringLiteral("Connecting..."));
    EXPECT_FALSE(waiting->logo()->pixmap().isNull());
    waiting->setMessage(QStringLiteral("Still connecting..."));
    EXPECT_EQ(waiting->waitingMessage()->text(), QStringLiteral("Still connecting..."));
    NotificationCenter::defaultCenter().post(WaitingAlertWindowController::kCloseNotificationName);
    ASSERT_TRUE(processEventsUntil([&] { return waiting.isNull(); }, 2000));  // closed and ended

    QPointer<WaitingAlertWindowController> timed =
        new WaitingAlertWindowController(QStringLiteral("m"), QStringLiteral("alert_warning"), 1);
    timed->showWindow();
    EXPECT_TRUE(processEventsUntil([&] { return timed.isNull(); }, 3000));
    NotificationCenter::defaultCenter().post(WaitingAlertWindowController::kCloseNotificationName);  // nobody listens
}

}  // namespace
