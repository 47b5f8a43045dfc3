// The application delegate: receives the launch link and passes it on as a
// notification, keeps the display awake for the life of the process, asks
// for the permission to post notices, logs sleep and wake, answers the Help
// and Check for Update commands, shows the help document (one window) before
// the first login and in a room without a help address, and brings the windows to the front on a reopen (a
// start without a link while running). It takes no part in the login itself.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/Window.h"

class QMenuBar;
class WorkspaceSleepMonitor;

class AppDelegate : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // "help_ja" when the first preferred language contains "ja", else "help_en".
    static QString helpResourceName(const QStringList& preferredLanguages);

    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    bool applicationShouldHandleReopen();

    // A URL event: posts "notification_name_kick_scheme" with the link as
    // the "object" entry (none when the event carries no link).
    void handleURLEvent(const std::optional<QString>& link);
    void receiveSleepNote();
    void receiveWakeNote();
    void MainViewLanchSuccess() { mbLogin = true; }
    void showHelpBeforeLoginVersion();
    bool alertShowHelp();
    void checkUpdate();
    void launchHelp();

    void windowWillClose(Window* window) override;

    // The main menu: Preferences, Check for Update, Quit, Help.
    QMenuBar* makeMainMenu(QWidget* parent);
    // What the Preferences item opens (the settings window).
    void setPreferencesAction(std::function<void()> action) { preferencesAction_ = std::move(action); }

    bool isLoggedIn() const { return mbLogin; }
    bool isAlertHelpWindowShown() const { return mbAlertHelpWindowShow; }
    uint32_t displaySleepAssertion() const { return assertionId_; }
    // The preferred languages of the user (tests set them).
    void setPreferredLanguages(const QStringList& languages) { preferredLanguages_ = languages; }

private:
    void setWorkspaceNotifications();
    void removeWorkspaceNotifications();
    Window* openHelpWindow();

    bool mbLogin = false;
    bool mbAlertHelpWindowShow = false;
    uint32_t assertionId_ = 0;
    std::optional<QStringList> preferredLanguages_;
    std::function<void()> preferencesAction_;
    WorkspaceSleepMonitor* sleepMonitor_ = nullptr;
    QPointer<Window> alertHelpWindow_;
    QPointer<Window> helpWindow_;
};
