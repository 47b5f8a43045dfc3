#include "startup/AppDelegate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#include "platform/Alert.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/Menu.h"
#include "platform/NotificationCenter.h"
#include "platform/PDFView.h"
#include "platform/PowerAssertion.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/View.h"
#include "platform/WorkspaceSleepMonitor.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"

namespace {
constexpr int64_t kLevelWarning = 1;
constexpr int64_t kLevelInfo = 2;
const QString kLaunchCheck = QStringLiteral("notification_name_launch_check");
}  // namespace

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() {
    NotificationCenter::defaultCenter().removeObserver(this);
    removeWorkspaceNotifications();
}

QString AppDelegate::helpResourceName(const QStringList& preferredLanguages) {
    return !preferredLanguages.isEmpty() && preferredLanguages.first().contains(QStringLiteral("ja"))
               ? QStringLiteral("help_ja")
               : QStringLiteral("help_en");
}

void AppDelegate::applicationWillFinishLaunching() {
    mbLogin = false;
    mbAlertHelpWindowShow = false;
    // Posted on the login queue: only a flag is set there.
    NotificationCenter::defaultCenter().addObserver(this, kLaunchCheck,
                                                    [this](const Notification&) { MainViewLanchSuccess(); });
    uint32_t id = 0;
    if (PowerAssertion::createNoDisplaySleep(QStringLiteral("NoDisplaySleepAssertion"), &id)) {
        assertionId_ = id;
    } else {
        LogFileManager::write(QString::fromLatin1(kLogMsgFailedDisableSleep), kLevelWarning, true);
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    setWorkspaceNotifications();
    QuorixUtils::requestSystemNotification([](bool granted, const QString&) {
        LogFileManager::write(StringWithFormat(QString::fromLatin1(kLogMsgUseNotification),
                                               QString::fromLatin1(granted ? kLogMsgValYES : kLogMsgValNO)),
                              kLevelInfo, false);
    });
}

void AppDelegate::applicationWillTerminate() {
    NotificationCenter::defaultCenter().removeObserver(this, kLaunchCheck);
    removeWorkspaceNotifications();
    if (assertionId_ != 0) {
        if (!PowerAssertion::release(assertionId_))
            LogFileManager::write(QString::fromLatin1(kLogMsgFailedWakeDisableSleep), kLevelWarning, true);
        assertionId_ = 0;
    }
}

bool AppDelegate::applicationShouldHandleReopen() {
    if (!mbLogin) {
        Alert alert;
        alert.setMessageText(QString());
        alert.setInformativeText(LocalizedString("dfAPPDELAGATE_PARAMERROR"));
        alert.addButtonWithTitle(QStringLiteral("OK"));
        // The help button opens the help document and leaves the alert open.
        QAbstractButton* help = alert.box()->addButton(QMessageBox::Help);
        help->setObjectName(QStringLiteral("alertHelpButton"));
        help->disconnect(SIGNAL(clicked(bool)));
        connect(help, &QAbstractButton::clicked, this, [this] { alertShowHelp(); });
        alert.runModal();
        return true;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QColorDialog*>(w) && !w->isVisible()) continue;
        if (auto* window = qobject_cast<Window*>(w);
            window && (window->isVisible() || window->isMinimized())) {
            if (window->isMinimized()) window->showNormal();
            window->orderFrontRegardless();
        }
    }
    return true;
}

void AppDelegate::handleURLEvent(const std::optional<QString>& link) {
    QVariantMap info;
    if (link) info.insert(QStringLiteral("object"), *link);
    NotificationCenter::defaultCenter().post(QStringLiteral("notification_name_kick_scheme"), nullptr, info);
}

void AppDelegate::setWorkspaceNotifications() {
    if (!sleepMonitor_) sleepMonitor_ = new WorkspaceSleepMonitor(this);
    sleepMonitor_->start([this] { receiveSleepNote(); }, [this] { receiveWakeNote(); });
}

void AppDelegate::removeWorkspaceNotifications() {
    if (sleepMonitor_) sleepMonitor_->stop();
}

void AppDelegate::receiveSleepNote() {
    LogFileManager::write(QString::fromLatin1(kLogMsgSleep), kLevelInfo, false);
}

void AppDelegate::receiveWakeNote() {
    LogFileManager::write(QString::fromLatin1(kLogMsgWakeFromSleep), kLevelInfo, false);
}

Window* AppDelegate::openHelpWindow() {
    // One help window: a further command brings the open one forward.
    if (helpWindow_) {
        if (helpWindow_->isMinimized()) helpWindow_->showNormal();
        helpWindow_->orderFrontRegardless();
        return helpWindow_;
    }
    const QRectF screen = Window::mainScreenFrame();
    const double x = screen.isNull() ? -620 : screen.width() - 620;
    auto* window = new Window(QRectF(x, 0, 620, 850), WindowStyleTitled | WindowStyleClosable);
    window->setObjectName(QStringLiteral("helpWindow"));
    window->setDelegate(this);
    window->setReleasedWhenClosed(true);
    window->setTitle(LocalizedFormat("dfAPPDELEGATE_HELPWINDOW", MainBundle::name()));
    auto* pdf = new PDFView();
    const QStringList languages =
        preferredLanguages_ ? *preferredLanguages_ : QLocale::system().uiLanguages();
    const QString resource = helpResourceName(languages);
    pdf->setProperty("resource", resource);
    // A content view of the window's size holds the document view at its full size.
    auto* content = new View(QRectF(0, 0, 620, 850), nullptr);
    content->addSubview(pdf);
    View::setFrameOf(pdf, content->bounds());
    View::setAutoresizingMaskOf(pdf, ViewWidthSizable | ViewHeightSizable);
    if (const auto path = MainBundle::pathForResource(resource, QStringLiteral("pdf")))
        pdf->setDocument(*path);
    window->setContentView(content);
    window->orderFrontRegardless();
    helpWindow_ = window;
    return window;
}

void AppDelegate::showHelpBeforeLoginVersion() {
    alertHelpWindow_ = openHelpWindow();
    mbAlertHelpWindowShow = true;
}

bool AppDelegate::alertShowHelp() {
    if (!mbAlertHelpWindowShow) showHelpBeforeLoginVersion();
    return true;
}

void AppDelegate::windowWillClose(Window* window) {
    // Only the window opened from the alert's help button is followed.
    if (window == alertHelpWindow_) mbAlertHelpWindowShow = false;
    if (window == helpWindow_) helpWindow_ = nullptr;
}

void AppDelegate::checkUpdate() {
    NotificationCenter::defaultCenter().post(QStringLiteral("notification_name_check_update"), this);
}

void AppDelegate::launchHelp() {
    // The conference window opens the room's help address; a room without one
    // (or no room yet) gets the help document among the resources.
    const bool roomHelp =
        !UserDefaults::standard().stringForKey(QStringLiteral("KeyHelpUrl")).value_or(QString()).isEmpty();
    if (!mbLogin || !roomHelp) {
        openHelpWindow();
        return;
    }
    NotificationCenter::defaultCenter().post(QStringLiteral("notification_name_launch_help"), this);
}

QMenuBar* AppDelegate::makeMainMenu(QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    bar->setObjectName(QStringLiteral("mainMenu"));
    auto* app = new Menu(MainBundle::name(), bar);
    app->addItem(LocalizedString("dfMENU_PREFERENCES"), 4, QStringLiteral("Ctrl+,"), [this](MenuItem*) {
        if (preferencesAction_) preferencesAction_();
    });
    app->addSeparatorItem();
    app->addItem(LocalizedString("dfMENU_CHECK_UPDATE"), 1, QString(), [this](MenuItem*) { checkUpdate(); });
    app->addSeparatorItem();
    app->addItem(LocalizedString("dfMENU_QUIT"), 2, QStringLiteral("Ctrl+Q"), [parent](MenuItem*) {
        if (parent) parent->close();
    });
    bar->addMenu(app);
    auto* help = new Menu(LocalizedString("dfMENU_HELP"), bar);
    help->addItem(LocalizedFormat("dfAPPDELEGATE_HELPWINDOW", MainBundle::name()), 3, QStringLiteral("F1"),
                  [this](MenuItem*) { launchHelp(); });
    bar->addMenu(help);
    return bar;
}
