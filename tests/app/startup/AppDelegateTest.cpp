// The application delegate's commands before and after the first login: the
// help document, the reopen alert with its help button, Help and Check for
// Update, and the launch notification.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/ui/UiTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Alert.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "platform/PDFView.h"
#include "startup/AppDelegate.h"

namespace {

QList<Window*> helpWindows() {
    QList<Window*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w);
            window && window->objectName() == "helpWindow" && window->isVisible())
            found << window;
    return found;
}

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        ensureQtApplication();
        auto& center = NotificationCenter::defaultCenter();
        for (const char* name : {"notification_name_launch_help", "notification_name_check_update",
                                 "notification_name_kick_scheme"})
            center.addObserver(this, name, [this](const Notification& n) {
                posted << n.name + (n.userInfo.contains("object")
                                        ? "=" + n.userInfo.value("object").toString()
                                        : "");
            });
    }
    ~AppDelegateTest() override {
        NotificationCenter::defaultCenter().removeObserver(this);
        for (Window* w : helpWindows()) w->closeWindow();
        processEventsFor(20);
    }
    TemporaryHome home;
    AppDelegate delegate;
    QStringList posted;
};

TEST_F(AppDelegateTest, HelpOpensTheDocumentBeforeTheFirstLoginAndAsksTheWindowAfterIt) {
    delegate.applicationWillFinishLaunching();
    delegate.setPreferredLanguages({"ja-JP"});
    delegate.launchHelp();
    delegate.launchHelp();
    ASSERT_EQ(helpWindows().size(), 2);  // one window per command
    Window* help = helpWindows().first();
    EXPECT_EQ(help->frame().size(), QSizeF(620, 850));
    EXPECT_EQ(help->windowTitle(), LocalizedFormat("dfAPPDELEGATE_HELPWINDOW", QString("Quorix")));
    auto* pdf = help->findChild<PDFView*>();
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(pdf->property("resource").toString(), "help_ja");
    EXPECT_GE(pdf->pageCount(), 1);
    EXPECT_TRUE(posted.isEmpty());

    // The help document as the user sees it: a rendered page, not an empty view.
    processEventsFor(30);
    const QImage shot = help->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString dir = QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots");
    QDir().mkpath(dir);
    shot.save(dir + "/help-window.png");
    // The first page fills the width: white paper with dark text near its top.
    auto* page = help->findChild<QLabel*>("pdfPage0");
    ASSERT_NE(page, nullptr);
    EXPECT_GT(page->pixmap().width(), 500);
    const QRgb paper = shot.pixel(310, 200);
    EXPECT_EQ(paper, qRgb(255, 255, 255));
    const double text = inkRatio(shot, QRect(60, 40, 500, 200), paper);
    EXPECT_GT(text, 0.01);
    EXPECT_LT(text, 0.5);

    // After the login the command goes to the conference window.
    NotificationCenter::defaultCenter().post("notification_name_launch_check");
    EXPECT_TRUE(delegate.isLoggedIn());
    delegate.launchHelp();
    EXPECT_EQ(helpWindows().size(), 2);
    EXPECT_EQ(posted, QStringList{"notification_name_launch_help"});
    delegate.applicationWillTerminate();
}

TEST_F(AppDelegateTest, UpdateCommandAndLinksArePostedWhateverTheLogin) {
    delegate.checkUpdate();
    delegate.handleURLEvent(QString("quorix://launch?p=abc"));
    delegate.handleURLEvent(std::nullopt);
    EXPECT_EQ(posted, (QStringList{"notification_name_check_update",
                                   "notification_name_kick_scheme=quorix://launch?p=abc",
                                   "notification_name_kick_scheme"}));
}

TEST_F(AppDelegateTest, ReopenBeforeTheLoginShowsTheAlertWhoseHelpButtonOpensOneDocument) {
    int helpShown = -1, helpShownAfterSecondPress = -1;
    QString informative;
    QTimer::singleShot(0, [&] {
        Alert* alert = Alert::current();
        ASSERT_NE(alert, nullptr);
        informative = alert->box()->informativeText();
        auto* help = alert->box()->findChild<QPushButton*>("alertHelpButton");
        ASSERT_NE(help, nullptr);
        help->click();
        helpShown = int(helpWindows().size());
        help->click();  // while the document is open: nothing more
        helpShownAfterSecondPress = int(helpWindows().size());
        EXPECT_EQ(Alert::current(), alert);  // the help button leaves the alert open
        alert->box()->buttons().first() == help ? alert->box()->buttons().last()->click()
                                                : alert->box()->buttons().first()->click();
    });
    EXPECT_TRUE(delegate.applicationShouldHandleReopen());
    EXPECT_EQ(informative, LocalizedString("dfAPPDELAGATE_PARAMERROR"));
    EXPECT_EQ(helpShown, 1);
    EXPECT_EQ(helpShownAfterSecondPress, 1);
    EXPECT_TRUE(delegate.isAlertHelpWindowShown());
    helpWindows().first()->performClose();
    EXPECT_FALSE(delegate.isAlertHelpWindowShown());
}

TEST_F(AppDelegateTest, ReopenAfterTheLoginRaisesTheOpenWindows) {
    delegate.MainViewLanchSuccess();
    Window other(QRectF(0, 0, 200, 100), WindowStyleTitled);
    other.show();
    other.showMinimized();
    processEventsFor(20);
    EXPECT_TRUE(delegate.applicationShouldHandleReopen());
    processEventsFor(20);
    EXPECT_FALSE(other.isMinimized());
    EXPECT_TRUE(other.isVisible());
    EXPECT_EQ(Alert::current(), nullptr);
}

}  // namespace
