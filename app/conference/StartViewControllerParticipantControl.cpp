// Remote settings and permissions in the conference window: opening the
// remote-settings windows and the permission window while the user may use
// them, and what a change of the user's own grants shows and stops.
#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "ui/CommonAlert.h"

namespace {
constexpr int kOperationDocShare = 0;
constexpr int kOperationAppShare = 1;
constexpr int kOperationRemoteStg = 5;
constexpr int kOperationPermission = 7;
constexpr int kRefused = 3;
constexpr int64_t kRequestSent = 1;       // the own sharing request waits for an answer
constexpr int64_t kRequestPermitted = 2;  // the user agreed to share on another participant's request
constexpr int64_t kStatusSharing = 2;     // a share runs
const QString kChangePermissionAlert = QStringLiteral("alert_id_change_permission");
const QString kDocShareAlert = QStringLiteral("alert_id_docshare_start");
const QString kASRequestAlert = QStringLiteral("alert_id_as_request");

QString functionName(int type) {
    switch (type) {
        case 0:
            return LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_DOCSHARE");
        case 1:
            return LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_APPSHARE");
        default:
            return LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_REMOTESTG");
    }
}
}  // namespace

void StartViewController::launchRemoteStgOneWindow(const UserInfoRef& user) {
    if (!mLoginManager || mLoginManager->getOperationState(kOperationRemoteStg) == kRefused) return;
    services_.windows->launchRemoteStgOneWindow(user, true);
}

void StartViewController::launchRemoteStgAllWindow() {
    if (!mLoginManager || mLoginManager->getOperationState(kOperationRemoteStg) == kRefused) return;
    services_.windows->launchRemoteStgAllWindow(true);
}

void StartViewController::launchUserPermissionSetWindow(bool showAlert) {
    if (!mLoginManager || mLoginManager->getOperationState(kOperationPermission) == kRefused) return;
    services_.windows->launchUserPermissionSetWindow(showAlert);
}

void StartViewController::onPermissionChange(const std::map<int, bool>& changeItems) {
    if (!mLoginManager) return;
    LoginManager& login = *mLoginManager;
    CommonAlert& alerts = CommonAlert::sharedInstance();
    QString text;
    for (int type = 0; type <= 2; ++type) {
        const auto it = changeItems.find(type);
        if (it == changeItems.end()) continue;
        const bool granted = it->second;
        text += (granted ? LocalizedFormat("dfUSER_PERMISSION_ALERT_CHANGE_ENABLE", functionName(type))
                         : LocalizedFormat("dfUSER_PERMISSION_ALERT_CHANGE_DISABLE", functionName(type))) +
                u'\n';
        const LoginDocShareManager* docShare = login.docShareManager();
        if (type == 0 && granted) {
            // An open document window whose sharing has not started offers to start it.
            if (services_.windows->isDocShareWindowOpen() && !(docShare && docShare->isStarted()))
                showDocShareStartAlert();
        } else if (type == 0) {
            if (login.getOperationState(kOperationDocShare) == kRefused &&
                services_.windows->isDocShareWindowOpen() && docShare && docShare->hasOperationRight()) {
                login.stopDocShare();
                mainQueue().async(this, [this] {
                    if (QWidget* w = services_.windows->docShareWindow()) w->close();
                });
            }
            alerts.hideNormalAlert(kDocShareAlert);
        } else if (type == 1 && !granted && login.getOperationState(kOperationAppShare) == kRefused) {
            // A share that runs because another participant asked for it and
            // the user agreed stays; the user's own share stops.
            if (login.apShareRequestStatus() != kRequestPermitted && login.apShareStatus() == kStatusSharing)
                stopAPShare(true, std::nullopt);
            alerts.hideNormalAlert(kASRequestAlert);
            if (login.apShareRequestStatus() == kRequestSent) login.cancelRequestAPShare();
            const UserInfoRef me = login.myInfo();
            if (me && login.apShareRequesterStr() == me->userId() && login.apShareStatus() == kStatusSharing)
                login.requestAPShare(login.apSharerIdStr(), false);
        } else if (type == 2 && !granted && login.getOperationState(kOperationRemoteStg) == kRefused) {
            mainQueue().async(this, [this] { services_.windows->closeRemoteStgWindows(); });
        }
    }
    alerts.showInformationAlert(kChangePermissionAlert, text, nullptr, nullptr,
                                window_ ? window_->frame() : QRectF());
}

void StartViewController::closeParticipantControlAfterOwnerLoss() {
    if (mLoginManager && mLoginManager->getOperationState(kOperationRemoteStg) == kRefused)
        mainQueue().async(this, [this] { services_.windows->closeRemoteStgWindows(); });
    mainQueue().async(this, [this] { services_.windows->closePermissionSetWindow(); });
}
