#include "services/UpdateManager.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/UserDefaults.h"
#include "platform/XMLStreamParser.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"

namespace {

const QString kKeyUpdateSkipVersion = QStringLiteral("KeyUpdateSkipVersion");
const QStringList kReloginKeys = {QStringLiteral("reloginUrl"),  QStringLiteral("reloginUid"),
                                  QStringLiteral("reloginPass"), QStringLiteral("reloginName"),
                                  QStringLiteral("reloginTid"),  QStringLiteral("reloginRid")};

std::mutex gHooksMutex;
std::optional<UpdateManager::VersionInfo> gVersionInfo;
UpdateManager::AlertRunner gAlertRunner;

// The four values of the check's reply, wherever they stand. All text pieces of
// an element are joined (a release-notes address with "&amp;" arrives in pieces).
class CheckReplyReader : public XMLStreamParserDelegate {
public:
    void parserDidStartDocument() override {
        current_.reset();
        text_.clear();
    }
    void didStartElement(const QString& name) override {
        if (name == u"latest" || name == u"support" || name == u"minos" || name == u"releasenotes") {
            current_ = name;
            text_.clear();
        }
    }
    void foundCharacters(const QString& piece) override {
        if (current_) text_ += piece;
    }
    void didEndElement(const QString&) override {
        if (!current_) return;
        const QString value = text_.trimmed();
        if (*current_ == u"latest") latest = value;
        if (*current_ == u"support") support = value;
        if (*current_ == u"minos") minos = value;
        if (*current_ == u"releasenotes") releaseNotes = value;
        current_.reset();
    }

    std::optional<QString> latest, support, minos, releaseNotes;

private:
    std::optional<QString> current_;
    QString text_;
};

int defaultAlertRunner(const UpdateManager::AlertRequest& request) {
    QMessageBox box;
    box.setIcon(request.kind == UpdateManager::AlertRequest::Update ? QMessageBox::Question
                                                                    : QMessageBox::Information);
    box.setText(request.message);
    box.setInformativeText(request.informativeText);
    QList<QAbstractButton*> buttons;
    for (const QString& title : request.buttons)
        buttons.append(box.addButton(title, QMessageBox::AcceptRole));
    if (buttons.isEmpty()) buttons.append(box.addButton(QMessageBox::Ok));
    box.exec();
    const qsizetype index = buttons.indexOf(box.clickedButton());
    return index < 0 ? 0 : static_cast<int>(index);
}

}  // namespace

UpdateManager& UpdateManager::sharedManager() {
    static UpdateManager* manager = new UpdateManager();
    return *manager;
}

std::optional<UpdateManager::VersionInfo> UpdateManager::setVersionInfo(std::optional<VersionInfo> info) {
    std::lock_guard lock(gHooksMutex);
    return std::exchange(gVersionInfo, std::move(info));
}

UpdateManager::VersionInfo UpdateManager::versionInfo() {
    {
        std::lock_guard lock(gHooksMutex);
        if (gVersionInfo) return *gVersionInfo;
    }
    VersionInfo info;
    info.bundleVersion = MainBundle::version();
    info.shortVersion = MainBundle::shortVersion();
    info.supportSystemVersion = MainBundle::supportSystemVersion();
    info.systemVersion = QuorixUtils::GetOSVersion();
    info.language = QLocale::system().uiLanguages().value(0);
    return info;
}

UpdateManager::AlertRunner UpdateManager::setAlertRunner(AlertRunner runner) {
    std::lock_guard lock(gHooksMutex);
    return std::exchange(gAlertRunner, std::move(runner));
}

void UpdateManager::setParam(const QString& url, const QString& uid, const QString& pass, const QString& name,
                             const QString& tid, const QString& rid) {
    std::lock_guard lock(mutex_);
    mLatestVersion.reset();
    mSupportVersion.reset();
    mMinOsVersion.reset();
    mReleaseNoteUrl.reset();
    mUrl = url;
    mUid = uid;
    mPass = pass;
    mName = name;
    mTid = tid;
    mRid = rid;
}

QString UpdateManager::requestURL(const QString& mode) const {
    const QString language = versionInfo().language;
    std::lock_guard lock(mutex_);
    return mUrl + QStringLiteral("client/mac_update.php?") +
           WebAccess::queryString({{QStringLiteral("mode"), mode},
                                   {QStringLiteral("uid"), mUid},
                                   {QStringLiteral("trid"), mTid},
                                   {QStringLiteral("rid"), mRid},
                                   {QStringLiteral("lang"), language}});
}

qint64 UpdateManager::checkUpdateToServer() {
    {
        std::lock_guard lock(mutex_);
        if (mLatestVersion && mSupportVersion) return 0;
    }
    auto reply = WebAccess::sendSynchronizedHTTPRequest(requestURL(QStringLiteral("check")));
    if (!reply) return 1;

    CheckReplyReader reader;
    XMLStreamParser::parse(*reply, reader);  // a broken reply keeps what was read before the error
    // Without both versions the reply is no answer at all: keeping half of it
    // would let a later check offer an update on a reply the login refused.
    if (!reader.latest || !reader.support) return 1;

    {
        UserDefaults& defaults = UserDefaults::standard();
        auto skip = defaults.stringForKey(kKeyUpdateSkipVersion);
        if (skip && QuorixUtils::CompareVersion(*skip, *reader.latest) == 1)
            defaults.removeObjectForKey(kKeyUpdateSkipVersion);
    }
    std::lock_guard lock(mutex_);
    mLatestVersion = reader.latest;
    mSupportVersion = reader.support;
    if (reader.minos) mMinOsVersion = reader.minos;
    if (reader.releaseNotes) mReleaseNoteUrl = reader.releaseNotes;
    return 0;
}

bool UpdateManager::checkSupportSystemVersion() {
    if (!latestVersion() && checkUpdateToServer() != 0) return false;
    const auto latest = latestVersion();
    const auto required = versionInfo().supportSystemVersion;
    if (!latest) return false;
    if (!required) return true;
    return QuorixUtils::CompareVersion(*required, *latest) >= 0;
}

bool UpdateManager::checkSupportAppVersion() {
    if (!supportVersion() && checkUpdateToServer() != 0) return true;
    const auto support = supportVersion();
    if (support && QuorixUtils::CompareVersion(versionInfo().bundleVersion, *support) == 1) {
        _showUpdateAlert(true);
        return false;
    }
    return true;
}

bool UpdateManager::isSkipNotify() {
    const auto skip = UserDefaults::standard().stringForKey(kKeyUpdateSkipVersion);
    const auto latest = latestVersion();
    return skip && latest && QuorixUtils::CompareVersion(*skip, *latest) == 0;
}

void UpdateManager::checkLatestAppVersion(bool userAsked) {
    if (!latestVersion() && checkUpdateToServer() != 0) {
        if (userAsked) showFailureAlert(1);
        return;
    }
    const VersionInfo info = versionInfo();
    const auto minos = minOsVersion();
    const auto latest = latestVersion();
    if (latest && (!minos || QuorixUtils::CompareVersion(*minos, info.systemVersion) >= 0) &&
        QuorixUtils::CompareVersion(info.bundleVersion, *latest) == 1) {
        _showUpdateAlert(false);
        return;
    }
    if (userAsked) showNoUpdateAlert();
}

bool UpdateManager::checkSaveLoginData() {
    UserDefaults& defaults = UserDefaults::standard();
    std::optional<QString> values[6];
    bool all = true;
    for (int i = 0; i < 6; ++i) {
        values[i] = defaults.stringForKey(kReloginKeys[i]);
        all = all && values[i].has_value();
    }
    {
        std::lock_guard lock(mutex_);
        QString* fields[6] = {&mUrl, &mUid, &mPass, &mName, &mTid, &mRid};
        for (int i = 0; i < 6; ++i) *fields[i] = values[i].value_or(QString());
    }
    for (const QString& key : kReloginKeys) defaults.removeObjectForKey(key);
    defaults.synchronize();
    return all;
}

void UpdateManager::updateApplication() {
    SoftwareUpdater& updater = SoftwareUpdater::sharedUpdater();
    updater.setDelegate(this);
    SoftwareUpdater::setFeedLoader(
        [](const QString& feed) { return WebAccess::sendSynchronizedHTTPRequest(feed); });
    updater.setFeedURL(requestURL(QStringLiteral("update")));
    updater.installUpdatesIfAvailable();
}

void UpdateManager::runAlert(const AlertRequest& request, const std::function<void(int)>& done) {
    AlertRunner runner;
    {
        std::lock_guard lock(gHooksMutex);
        runner = gAlertRunner;
    }
    const int choice = runner ? runner(request) : defaultAlertRunner(request);
    if (done) done(choice);
}

void UpdateManager::showUpdateAlert(bool forced) {
    const VersionInfo info = versionInfo();
    AlertRequest request;
    request.kind = AlertRequest::Update;
    request.message = forced ? LocalizedString("dfUPDATE_FORCE_MESSAGE")
                             : LocalizedFormat("dfUPDATE_MESSAGE", MainBundle::name());
    request.informativeText = LocalizedFormat("dfUPDATE_APP_INFO", MainBundle::name(),
                                              latestVersion().value_or(QString()), info.shortVersion);
    request.buttons.append(LocalizedString("dfUPDATE_APP"));
    if (!forced) {
        request.buttons.append(LocalizedString("dfUPDATE_APP_LATER"));
        request.buttons.append(LocalizedString("dfUPDATE_APP_DONT_NOTIFY"));
    }
    runAlert(request, [this](int choice) { updateAlertFinishedWithChoice(choice); });
}

void UpdateManager::_showUpdateAlert(bool forced) {
    if (mainQueue().isCurrent()) {
        showUpdateAlert(forced);
    } else {
        mainQueue().sync([this, forced] { showUpdateAlert(forced); });
    }
}

void UpdateManager::queueAlert(const AlertRequest& request) {
    if (mainQueue().isCurrent()) {
        runAlert(request, nullptr);
    } else {
        mainQueue().async([this, request] { runAlert(request, nullptr); });
    }
}

void UpdateManager::showNoUpdateAlert() {
    AlertRequest request;
    request.kind = AlertRequest::NoUpdate;
    request.message = LocalizedString("dfALREADY_UPDATED");
    queueAlert(request);
}

void UpdateManager::showFailureAlert(int /*code*/) {
    AlertRequest request;
    request.kind = AlertRequest::Failure;
    request.message = LocalizedString("dfUPDATE_CHECK_FAILED");
    queueAlert(request);
}

void UpdateManager::updateAlertFinishedWithChoice(int choice) {
    UserDefaults& defaults = UserDefaults::standard();
    switch (choice) {
        case ChoiceInstall:
            defaults.removeObjectForKey(kKeyUpdateSkipVersion);
            updateApplication();
            break;
        case ChoiceLater:
            defaults.removeObjectForKey(kKeyUpdateSkipVersion);
            break;
        case ChoiceDoNotNotify:
            if (auto latest = latestVersion()) defaults.setString(kKeyUpdateSkipVersion, *latest);
            break;
        default:
            break;
    }
    defaults.synchronize();
}

#define QUORIX_UPDATE_FIELD(type, getter, field) \
    type UpdateManager::getter() const {         \
        std::lock_guard lock(mutex_);            \
        return field;                            \
    }
QUORIX_UPDATE_FIELD(QString, url, mUrl)
QUORIX_UPDATE_FIELD(QString, uid, mUid)
QUORIX_UPDATE_FIELD(QString, pass, mPass)
QUORIX_UPDATE_FIELD(QString, name, mName)
QUORIX_UPDATE_FIELD(QString, tid, mTid)
QUORIX_UPDATE_FIELD(QString, rid, mRid)
QUORIX_UPDATE_FIELD(std::optional<QString>, latestVersion, mLatestVersion)
QUORIX_UPDATE_FIELD(std::optional<QString>, supportVersion, mSupportVersion)
QUORIX_UPDATE_FIELD(std::optional<QString>, minOsVersion, mMinOsVersion)
QUORIX_UPDATE_FIELD(std::optional<QString>, releaseNoteUrl, mReleaseNoteUrl)
#undef QUORIX_UPDATE_FIELD
