// The application delegate's commands before and after the first login: the
// help document, the reopen alert with its help button, Help and Check for
// Update, and the launch notification.
#include <gtest/gtest.h>
#include <poppler-qt6.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <memory>

#include "app/ui/UiTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Alert.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/NotificationCenter.h"
#include "platform/PDFView.h"
#include "platform/UserDefaults.h"
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
    ASSERT_EQ(helpWindows().size(), 1);  // a second command does not stack another window
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
    const QRgb paper = shot.pixel(60, 200);  // the page margin
    EXPECT_EQ(paper, qRgb(255, 255, 255));
    const double text = inkRatio(shot, QRect(60, 40, 500, 200), paper);
    EXPECT_GT(text, 0.01);
    EXPECT_LT(text, 0.5);

    // A minimised help window comes back on the next command.
    help->showMinimized();
    processEventsFor(20);
    delegate.launchHelp();
    processEventsFor(20);
    ASSERT_EQ(helpWindows().size(), 1);
    EXPECT_EQ(helpWindows().first(), help);
    EXPECT_FALSE(help->isMinimized());

    // After the login the command goes to the conference window when the room
    // has a help address of its own.
    UserDefaults::standard().setString("KeyHelpUrl", "https://help.example/mac");
    NotificationCenter::defaultCenter().post("notification_name_launch_check");
    EXPECT_TRUE(delegate.isLoggedIn());
    delegate.launchHelp();
    EXPECT_EQ(helpWindows().size(), 1);
    EXPECT_EQ(posted, QStringList{"notification_name_launch_help"});
    delegate.applicationWillTerminate();
}

TEST_F(AppDelegateTest, HelpInARoomWithoutAHelpAddressOpensTheDocumentOnceFromF1) {
    delegate.applicationWillFinishLaunching();
    NotificationCenter::defaultCenter().post("notification_name_launch_check");
    ASSERT_TRUE(delegate.isLoggedIn());
    QWidget parent;
    QMenuBar* bar = delegate.makeMainMenu(&parent);
    QAction* f1 = nullptr;
    for (QAction* menu : bar->actions())
        for (QAction* item : menu->menu() ? menu->menu()->actions() : QList<QAction*>())
            if (item->shortcut() == QKeySequence(Qt::Key_F1)) f1 = item;
    ASSERT_NE(f1, nullptr);
    f1->trigger();
    f1->trigger();
    EXPECT_EQ(helpWindows().size(), 1);
    EXPECT_TRUE(posted.isEmpty());
    delegate.applicationWillTerminate();
}

TEST_F(AppDelegateTest, HelpDocumentsNameTheMenuShortcutsThatExist) {
    QWidget parent;
    QMenuBar* bar = delegate.makeMainMenu(&parent);
    QStringList shortcuts;
    for (QAction* menu : bar->actions())
        for (QAction* item : menu->menu() ? menu->menu()->actions() : QList<QAction*>())
            if (!item->shortcut().isEmpty()) shortcuts << item->shortcut().toString();
    ASSERT_GE(shortcuts.size(), 3);
    for (const char* resource : {"help_en", "help_ja"}) {
        SCOPED_TRACE(resource);
        const auto path = MainBundle::pathForResource(resource, "pdf");
        ASSERT_TRUE(path.has_value());
        QFile file(*path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        std::unique_ptr<Poppler::Document> doc = Poppler::Document::loadFromData(file.readAll());
        ASSERT_TRUE(doc);
        QString text;
        for (int i = 0; i < doc->numPages(); ++i) text += doc->page(i)->text(QRectF());
        text.remove(QRegularExpression("\\s"));
        for (const QString& shortcut : shortcuts)
            EXPECT_TRUE(text.contains(shortcut)) << shortcut.toStdString();
    }
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
