// Document sharing of the conference: the window (or, in webinars, the view)
// opens when a share starts or becomes known, closes when the operator ends
// it, and its closing ends this client's own share.
#include "conference/FeatureWindowPlacement.h"
#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "ui/CommonAlert.h"

namespace {
bool isY(const QVariantMap& config, const char* key) {
    return config.value(QString::fromLatin1(key)).toString() == u"Y";
}
}  // namespace

void StartViewController::startDocShare(const UserInfoRef& leader, bool isNewStart) {
    mainQueue().async(this, [this, leader, isNewStart] {
        if (!mLoginManager || mLoginManager->status() != LOGIN_STATUS_LOGGED_IN) return;
        const UserInfoRef me = mLoginManager->myInfo();
        const bool startedHere = isNewStart && leader && me && leader->userId() == me->userId();
        launchDocShareWindow(startedHere);
    });
}

void StartViewController::stopDocShare(const QString&) {
    mainQueue().async(this, [this] { services_.windows->stopDocShareWindow(); });
}

void StartViewController::onDocShareActive() {
    mainQueue().async(this, [this] {
        if (!mLoginManager || mLoginManager->status() != LOGIN_STATUS_LOGGED_IN) return;
        launchDocShareWindow(false);
    });
}

void StartViewController::startDocShareError(int code) {
    // The login reports a refused start as 3: the user hears of it as of the
    // other failures to start.
    if (code < 1 || code > 3) return;
    mainQueue().async(this, [this] {
        if (!mLoginManager || mLoginManager->status() != LOGIN_STATUS_LOGGED_IN) return;
        const LoginDocShareManager* ds = mLoginManager->docShareManager();
        if ((ds && ds->isStarted()) || mLoginManager->isWebinar()) return;
        CommonAlert::sharedInstance().showWarningAlert(QStringLiteral("alert_id_no_permission_to_start"),
                                                       LocalizedString("dfERROR_DONTHAVEPERMIT"),
                                                       window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::launchDocShareWindow(bool startedHere) {
    const QVariantMap config = mLoginManager->configDataDict();
    ConferenceFeatureWindows::DocShareLaunch launch;
    const QRectF viewBounds = rootView_ ? QRectF(QPointF(0, 0), rootView_->size()) : QRectF();
    launch.frame = FeatureWindowPlacement::docShareRect(mDocshareWindowRect, QRectF(), viewBounds,
                                                        Window::screenHeight());
    launch.loginUrl = mLoginManager->serverUrl();
    launch.defaultUrl = mLoginManager->getDocShareDefaultUrl().value_or(QString());
    launch.hostUrl = config.value(QStringLiteral("DOCSHAREHOST")).toString();
    launch.roomCategory = mLoginManager->iRoomCategory();
    launch.maxUploadSize = FeatureWindowPlacement::docShareMaxUploadSize(config);
    launch.isEnabledSave = !isY(config, "DOCSHARE_SAVE_DISABLE");
    launch.isEnabledPrint = !config.contains(QStringLiteral("MODE_DOCSHARE_PRINT_DISABLE")) ||
                            !isY(config, "MODE_DOCSHARE_PRINT_DISABLE");
    launch.isWebinar = mLoginManager->isWebinar();
    services_.windows->launchDocShareWindow(launch, startedHere);
}

void StartViewController::onCloseDocShareWindow(const QRectF& frame) {
    if (mLoginManager) mLoginManager->stopDocShare();
    if (!frame.isEmpty()) mDocshareWindowRect = frame;
    CommonAlert::sharedInstance().hideNormalAlert(QStringLiteral("alert_id_docshare_start"));
}
