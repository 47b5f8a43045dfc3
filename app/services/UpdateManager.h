// The version check against the web service and the update choices.
//
// Before each login (and from the update menu command) the client asks the web
// service which versions exist: it refuses to run where the newest version is
// older than this build's "support system version", forces an update when this
// build is below the supported minimum, and offers one when a newer version
// exists. "Install" hands the download address to the desktop's opener through
// the application's updater (platform/SoftwareUpdater.h); the application is
// never relaunched by it, so no login data (and no password) is kept for a
// relaunch.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/SoftwareUpdater.h"

class UpdateAlert;

class UpdateManager : public SoftwareUpdaterDelegate {
public:
    // What the check compares with: the build version ("CFBundleVersion"), the
    // version shown to the user, the oldest newest-version that still serves
    // this system ("AppSupportSystemVersion"; none counts as earliest), the
    // system version and the first of the user's preferred languages.
    struct VersionInfo {
        QString bundleVersion;
        QString shortVersion;
        std::optional<QString> supportSystemVersion;
        QString systemVersion;
        QString language;
    };

    // One modal alert: its texts and buttons; the runner answers the index of
    // the chosen button.
    struct AlertRequest {
        enum Kind { Update, NoUpdate, Failure };
        Kind kind = Update;
        QString message;
        QString informativeText;
        QStringList buttons;
    };
    using AlertRunner = std::function<int(const AlertRequest&)>;

    enum Choice { ChoiceInstall = 0, ChoiceLater = 1, ChoiceDoNotNotify = 2 };

    static UpdateManager& sharedManager();

    // Clears the login parameters and the last reply's values, then keeps the six
    // parameters: the next check asks the web service again.
    void setParam(const QString& url, const QString& uid, const QString& pass, const QString& name,
                  const QString& tid, const QString& rid);

    // 0 when "latest" and "support" are both known (asking the service when they
    // are not), 1 otherwise.
    qint64 checkUpdateToServer();
    bool checkSupportSystemVersion();
    // False after showing the forced-update alert; true when this build is
    // supported or the service gave no usable reply.
    bool checkSupportAppVersion();
    bool isSkipNotify();
    void checkLatestAppVersion(bool userAsked);

    // Reads the relaunch data of an earlier version into the login parameters and
    // deletes them from the user defaults (one relaunch only). True when all six
    // were present. This build never writes them.
    bool checkSaveLoginData();

    // Gives the updater the feed address and asks it to install the update.
    void updateApplication();

    void showUpdateAlert(bool forced);
    // showUpdateAlert on the main thread; from another thread the caller waits.
    void _showUpdateAlert(bool forced);
    void showNoUpdateAlert();
    void showFailureAlert(int code);
    void updateAlertFinishedWithChoice(int choice);

    // The request address for a mode ("check" or "update"), every value encoded.
    QString requestURL(const QString& mode) const;

    QString url() const;
    QString uid() const;
    QString pass() const;
    QString name() const;
    QString tid() const;
    QString rid() const;
    std::optional<QString> latestVersion() const;
    std::optional<QString> supportVersion() const;
    std::optional<QString> minOsVersion() const;
    std::optional<QString> releaseNoteUrl() const;

    // Test hooks: replace the bundle and system values (nothing restores them)
    // and the modal alerts; each answers the previous setting.
    static std::optional<VersionInfo> setVersionInfo(std::optional<VersionInfo> info);
    static VersionInfo versionInfo();
    static AlertRunner setAlertRunner(AlertRunner runner);

private:
    UpdateManager() = default;
    void runAlert(const AlertRequest& request, const std::function<void(int)>& done);
    void queueAlert(const AlertRequest& request);

    mutable std::mutex mutex_;
    QString mUrl, mUid, mPass, mName, mTid, mRid;
    std::optional<QString> mLatestVersion, mSupportVersion, mMinOsVersion, mReleaseNoteUrl;
};
