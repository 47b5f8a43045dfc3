// Each kind of alert rendered offscreen as the user sees it: the picture is
// saved under the build folder (ui-screenshots/) and checked for its title,
// message and buttons where they belong.

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "UiTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Alert.h"
#include "platform/MainBundle.h"
#include "platform/Window.h"
#include "ui/AlertWindow.h"
#include "ui/InfoAlertWindow.h"
#include "ui/SheetWindowController.h"

namespace {

QString screenshotPath(const QString& name) {
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    return dir + u'/' + name + QStringLiteral(".png");
}

QImage shoot(QWidget* window, const QString& name) {
    window->show();
    processEventsFor(30);
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shot.save(screenshotPath(name)));
    return shot;
}

// The part of the picture where `widget` lies shows that widget: the picture
// differs there from the same window drawn without it (it leaves visible
// ink), and its opaque pixels are the widget's own as drawn on its own.
void expectShows(const QImage& shot, QWidget* top, QWidget* widget, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isVisibleTo(top));
    const QRect area(widget->mapTo(top, QPoint(0, 0)), widget->size());
    ASSERT_TRUE(shot.rect().contains(area)) << "outside the window";
    auto differs = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 30;
    };
    widget->hide();
    const QImage without = top->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    widget->show();
    const QImage alone = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    int ink = 0;
    int compared = 0;
    int matching = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QRgb s = shot.pixel(area.x() + x, area.y() + y);
            if (differs(s, without.pixel(area.x() + x, area.y() + y))) {
                ++ink;
            }
            const QRgb a = alone.pixel(x, y);
            if (qAlpha(a) == 255) {
                ++compared;
                matching += differs(a, s) ? 0 : 1;
            }
        }
    }
    EXPECT_GT(ink, 20) << "not visible in the picture";
    if (compared > 0) {
        EXPECT_GE(double(matching) / compared, 0.95);
    }
}

QPushButton* buttonTitled(QWidget* top, const QString& title) {
    for (QPushButton* button : top->findChildren<QPushButton*>()) {
        if (button->text() == title && button->isVisibleTo(top)) {
            return button;
        }
    }
    ADD_FAILURE() << "no button " << title.toStdString();
    return nullptr;
}

QLabel* labelShowing(QWidget* top, const QString& text) {
    for (QLabel* label : top->findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(top)) {
            return label;
        }
    }
    ADD_FAILURE() << "no text " << text.toStdString();
    return nullptr;
}

class AlertScreenshot : public testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }
    TemporaryHome home;
};

TEST_F(AlertScreenshot, ModalAlert) {
    Alert alert;
    alert.setMessageText(QStringLiteral("Update failed"));
    alert.setInformativeText(QStringLiteral("The new version could not be downloaded."));
    alert.addButtonWithTitle(QStringLiteral("OK"));
    QMessageBox* box = alert.box();
    const QImage shot = shoot(box, QStringLiteral("modal-alert"));
    EXPECT_EQ(box->windowTitle(), MainBundle::name());
    expectShows(shot, box, labelShowing(box, QStringLiteral("Update failed")), "title");
    expectShows(shot, box, labelShowing(box, QStringLiteral("The new version could not be downloaded.")), "message");
    expectShows(shot, box, buttonTitled(box, QStringLiteral("OK")), "button");
    box->hide();
}

TEST_F(AlertScreenshot, ModalSheetOnItsWindow) {
    Window window(QRectF(100, 100, 600, 400), WindowStyleTitled);
    window.setTitle(QStringLiteral("Conference"));
    window.show();
    auto alert = std::make_unique<Alert>();
    alert->setMessageText(QStringLiteral("Leave the conference"));
    alert->setInformativeText(QStringLiteral("The conference goes on without you."));
    alert->addButtonWithTitle(QStringLiteral("Leave"));
    Alert::beginSheetModalForWindow(std::move(alert), &window, nullptr);
    QMessageBox* box = Alert::current()->box();
    const QImage shot = shoot(box, QStringLiteral("modal-sheet"));
    EXPECT_EQ(box->parentWidget(), &window);
    expectShows(shot, box, labelShowing(box, QStringLiteral("Leave the conference")), "title");
    expectShows(shot, box, buttonTitled(box, QStringLiteral("Leave")), "button");
    box->reject();
    processEventsFor(20);
}

TEST_F(AlertScreenshot, TwoButtonAlert) {
    AlertWindow alert(nullptr, QStringLiteral("Bob asks to operate your shared screen."), QStringLiteral("Allow"),
                      nullptr, QStringLiteral("Deny"), nullptr);
    Window* window = alert.window();
    const QImage shot = shoot(window, QStringLiteral("two-button-alert"));
    EXPECT_EQ(window->title(), MainBundle::name());
    expectShows(shot, window, alert.messageView(), "message");
    QPushButton* allow = buttonTitled(window, QStringLiteral("Allow"));
    QPushButton* deny = buttonTitled(window, QStringLiteral("Deny"));
    expectShows(shot, window, allow, "first button");
    expectShows(shot, window, deny, "second button");
    // The first button at the right edge, the second left of it, both at the bottom.
    EXPECT_GT(allow->mapTo(window, QPoint(0, 0)).x(), deny->mapTo(window, QPoint(0, 0)).x());
    EXPECT_NEAR(allow->mapTo(window, QPoint(allow->width(), 0)).x(), window->width(), 1);
    EXPECT_NEAR(allow->mapTo(window, QPoint(0, allow->height())).y(), window->height() - 3, 1);
}

TEST_F(AlertScreenshot, InformationCard) {
    InfoAlertWindow* info = InfoAlertWindow::initWithAlert(QStringLiteral("Carol: the slides are ready."), 0,
                                                           QRectF(100, 100, 600, 400));
    info->showWindow();
    Window* window = info->window();
    const QImage shot = shoot(window, QStringLiteral("information-card"));
    expectShows(shot, window, info->alertMessage(), "message");
    // The card picture fills the window; the close button's first state sits 5 points from the top left.
    EXPECT_GT(inkRatio(shot, QRect(0, 0, shot.width(), 3), qRgb(255, 255, 255)), 0.3);
    const QRect close(info->closeButton()->mapTo(window, QPoint(0, 0)), info->closeButton()->size());
    EXPECT_EQ(close.topLeft(), QPoint(5, 5));
    EXPECT_GT(inkRatio(shot, close, qRgb(255, 248, 225)), 0.3);
    info->hideInformationAlert();
    delete info;
}

TEST_F(AlertScreenshot, WarningWindow) {
    InfoAlertWindow* warning = InfoAlertWindow::initWithNewAlert(QStringLiteral("The microphone stopped working."), 1);
    warning->showWindow();
    Window* window = warning->window();
    const QImage shot = shoot(window, QStringLiteral("warning"));
    EXPECT_EQ(window->title(), MainBundle::name());
    expectShows(shot, window, warning->alertMessage(), "message");
    expectShows(shot, window, buttonTitled(window, QStringLiteral("OK")), "button");
    const QRect icon(warning->alertIcon()->mapTo(window, QPoint(0, 0)), warning->alertIcon()->size());
    EXPECT_GT(inkRatio(shot, icon, window->palette().window().color().rgb()), 0.2);
    warning->hideInformationAlert();
    delete warning;
}

TEST_F(AlertScreenshot, OkCancelSheet) {
    SheetWindowController sheet(QStringLiteral("Close the questionnaire results?"));
    Window* window = sheet.window();
    const QImage shot = shoot(window, QStringLiteral("ok-cancel-sheet"));
    expectShows(shot, window, sheet.sheetText(), "text");
    expectShows(shot, window, buttonTitled(window, QStringLiteral("OK")), "OK");
    expectShows(shot, window, buttonTitled(window, QStringLiteral("Cancel")), "Cancel");
}

}  // namespace
