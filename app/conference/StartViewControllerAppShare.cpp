// Application sharing in the conference window: the share button, the own
// share (the sharer, made at the first own share of a conference and kept),
// the dialogue in which one participant asks another to share, and the relay's
// sharing events handed on to the sharer.
//
// Relay and free-message events arrive on the conference's receive threads
// and are handed on there; the sharer moves its window work to the main queue
// itself. A start that another participant asked for (and the user permitted)
// runs on the main thread, like the share button's.
#include <algorithm>

#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"
#include "ui/CommonAlert.h"

namespace {

const QString kAlertRequest = QStringLiteral("alert_id_as_request");

// LoginManager's sharing states (the session's codes; the conference window
// has a force-logout enum of its own that the session's header repeats).
constexpr int64_t kStatusSharing = 2, kStatusViewing = 3;
constexpr int64_t kRequestSent = 1;

bool configOn(const LoginManager& login, const char* key) {
    return login.configDataDict().value(QString::fromLatin1(key)).toString() == QLatin1String("Y");
}

}  // namespace

std::shared_ptr<LoginAPShareServer> StartViewController::apShareServer() const {
    std::lock_guard lock(apShareMutex_);
    return mAPShareServer;
}

bool StartViewController::checkOwnShareAllowed() {
    if (!mLoginManager->bSupportASServer() || mLoginManager->getOperationState(1) == 3) {
        CommonAlert::sharedInstance().showWarningAlert(QStringLiteral("alert_id_no_permission_to_start"),
                                                       LocalizedString("dfERROR_DONTHAVEPERMIT"),
                                                       window_ ? window_->frame() : QRectF());
        return false;
    }
    if (!QuorixUtils::checkIsAuthorizedScreenRecording()) {
        LogFileManager::write(QString::fromLatin1(kLogMsgDenyAuthorScreenRecording), 1, false);
        // Without an X display there is no screen this client can capture
        // and no setting that would give it one: the alert only tells.
        CommonAlert::sharedInstance().showModalAlert(
            this, std::nullopt, LocalizedString("dfAS_PERMISSION_ERR_SCREEN_RECORD"),
            LocalizedString("dfOPEN_SYSTEM_PREFERENCE_SCREENCAPTURE"));
        return false;
    }
    return true;
}

void StartViewController::launchAPShareWindow() {
    const int64_t status = mLoginManager->apShareStatus();
    if (status == kStatusViewing) return;  // the viewer's window is the one to come forward
    if (status == kStatusSharing) {
        if (auto sharer = apShareServer()) sharer->start(false, false);
        return;
    }
    if (checkOwnShareAllowed()) startAPShare(configOn(*mLoginManager, "AS_DESKTOP_AUTO_START"), false);
}

void StartViewController::startAPShare(bool start, bool isRequested) {
    if (mLoginManager->apShareStatus() == kStatusViewing) return;
    std::shared_ptr<LoginAPShareServer> sharer;
    {
        std::lock_guard lock(apShareMutex_);
        if (!mAPShareServer) {
            LoginAPShareServerOptions o;
            o.isWebinar = mLoginManager->isWebinar();
            o.isMainUser = mLoginManager->isOwner();
            o.isShowFullScreenMenu = !o.isWebinar && configOn(*mLoginManager, "AS_VIEWER_FULL_SCREEN");
            o.disableApplication = configOn(*mLoginManager, "AS_NOT_SELECT_APPLICATION");
            o.isASControlIgnoreOption = configOn(*mLoginManager, "MODE_AS_CONTROL_IGNORE");
            mAPShareServer = mLoginManager->makeAPShareServer(o, this);
        }
        sharer = mAPShareServer;
    }
    if (sharer) sharer->start(start, isRequested);
}

void StartViewController::stopAPShare(bool closeMenu, const std::optional<QString>& message) {
    if (auto sharer = apShareServer()) sharer->stop(closeMenu, message);
}

void StartViewController::releaseAPShareServer() {
    std::shared_ptr<LoginAPShareServer> sharer;
    {
        std::lock_guard lock(apShareMutex_);
        sharer = std::move(mAPShareServer);
    }
    if (sharer) sharer->stop(true, std::nullopt);
}

// ---- The request dialogue ----

void StartViewController::requestAPShare(const UserInfoRef& user, bool isStart) {
    if (!user) return;
    if (!isStart) {
        mLoginManager->requestAPShare(user->userId(), false);
        return;
    }
    const int64_t status = mLoginManager->apShareStatus();
    if (status == kStatusSharing || status == kStatusViewing) return;
    if (mLoginManager->apShareRequestStatus() == kRequestSent) return;
    CommonAlert::sharedInstance().showNormalAlert(
        this, kAlertRequest, LocalizedFormat("dfCONFIG_APSHARE_REQESTING", user->userName()),
        LocalizedString("dfCANCEL"), [this] { cancelAPShareRequest(); }, std::nullopt, nullptr, 0,
        [this] { mLoginManager->cancelRequestAPShare(); });
    mLoginManager->requestAPShare(user->userId(), true);
}

void StartViewController::cancelAPShareRequest() {
    // The own request is withdrawn, or a received one refused (each call
    // does nothing in the other state).
    mLoginManager->cancelRequestAPShare();
    mLoginManager->rejectRequestAPShare();
    CommonAlert::sharedInstance().hideNormalAlert(kAlertRequest);
}

void StartViewController::permitASStartReq() {
    mLoginManager->permitRequestAPShare();
    CommonAlert::sharedInstance().hideNormalAlert(kAlertRequest);
}

void StartViewController::rejectASStartReq() {
    mLoginManager->rejectRequestAPShare();
    CommonAlert::sharedInstance().hideNormalAlert(kAlertRequest);
}

void StartViewController::onASStartRequest(bool ask, const QString& userId) {
    if (!ask) {
        // The requester whose request the user permitted orders the start:
        // the menu opens and the desktop share starts, on the main thread,
        // where the room's rights and the screen are checked as for the
        // share button.
        mainQueue().async(this, [this] {
            if (checkOwnShareAllowed()) startAPShare(true, true);
        });
        return;
    }
    QString name = userId;
    if (auto list = mLoginManager->userListInfo()) {
        const auto users = list->getAllUserList();
        const auto it = std::find_if(users.begin(), users.end(),
                                     [&](const UserInfoRef& u) { return u && u->userId() == userId; });
        if (it != users.end()) name = (*it)->userName();
    }
    mainQueue().async(this, [this, name] {
        CommonAlert::sharedInstance().showNormalAlert(
            this, kAlertRequest, LocalizedFormat("dfCONFIG_APSHARE_REQ_RECEIVED", name),
            LocalizedString("dfYES"), [this] { permitASStartReq(); }, LocalizedString("dfNO"),
            [this] { rejectASStartReq(); }, 30.0, [this] { mLoginManager->rejectRequestAPShare(); });
    });
}

void StartViewController::onASStartRequestCancel() {
    mainQueue().async(this, [this] {
        CommonAlert::sharedInstance().hideNormalAlert(kAlertRequest);
        CommonAlert::sharedInstance().showInformationAlert(
            QStringLiteral("alert_id_cancel_as_req"), LocalizedString("dfCONFIG_APSHARE_REQ_RECEIVED_CANCEL"),
            nullptr, nullptr, window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::onASStartRequestRes(bool permitted) {
    if (permitted) return;
    const QString requestee = mLoginManager->apShareRequesteeStr();
    QString name = requestee;
    if (UserInfoRef user = mLoginManager->getUserInfo(requestee)) name = user->userName();
    mainQueue().async(this, [this, name] {
        CommonAlert::sharedInstance().hideNormalAlert(kAlertRequest);
        CommonAlert::sharedInstance().showInformationAlert(
            QStringLiteral("alert_id_reject_as_req"), LocalizedFormat("dfCONFIG_APSHARE_REQ_REJECTED", name),
            nullptr, nullptr, window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::onASStopRequest() {
    stopAPShare(true, std::nullopt);
}

// ---- Relay events of the own share (and, for the start, control and
// clipboard, of the viewed share too) ----

void StartViewController::onAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height,
                                         uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                         const QString& sharerId, const QString& sharerName,
                                         const QString& operatorId, const QString& operatorName) {
    // Another participant's share replaces the own one and any open request
    // dialogue; then the viewer shows it.
    mainQueue().async(this, [] { CommonAlert::sharedInstance().hideNormalAlert(kAlertRequest); });
    stopAPShare(true, std::nullopt);
    startAPShareViewer(first, stype, width, height, left, top, right, bottom, sharerId, sharerName,
                       operatorId, operatorName);
}

void StartViewController::onASStartPermit(uint32_t value) {
    if (auto sharer = apShareServer()) sharer->onStartPermit(value);
}

void StartViewController::onASStartRefuse(uint32_t value) {
    if (auto sharer = apShareServer()) sharer->onStartRefuse(value);
}

void StartViewController::onAPShareControlChange(const QString& operatorId, const QString& operatorName,
                                                 int controlStatus, bool controlRequestStatus) {
    // Status 2 when this client operates: for the sharer, the sharer itself.
    if (auto sharer = apShareServer())
        sharer->onControllChange(mLoginManager->apSharerIdStr(), QString(), operatorId, operatorName,
                                 controlStatus);
    if (auto client = apShareClient())
        client->onControllChange(mLoginManager->apSharerIdStr(), mLoginManager->apSharerNameStr(), operatorId,
                                 operatorName, controlStatus, controlRequestStatus ? 1 : 0);
}

void StartViewController::onASControlReq(uint32_t kind, const QString& userId, const QString& userName) {
    if (auto sharer = apShareServer()) sharer->onControlReq(kind, userId, userName);
}

void StartViewController::onASControlRet() {
    if (auto sharer = apShareServer()) sharer->onControlRet();
}

void StartViewController::onASKeyEvent(uint32_t key, uint32_t updown) {
    if (auto sharer = apShareServer()) sharer->onKeyEvent(key, updown);
}

void StartViewController::onASMouseEvent(uint16_t kind, uint16_t x, uint16_t y) {
    if (auto sharer = apShareServer()) sharer->onMouseEvent(kind, x, y);
}

void StartViewController::onASMouseWheelEvent(int delta) {
    if (auto sharer = apShareServer()) sharer->onMouseWheelEvent(delta);
}

void StartViewController::onASClipBoardText(const QByteArray& text) {
    // The operator's text for the own share, or the sharer's for the viewer.
    if (auto sharer = apShareServer()) sharer->onClipBoardText(text);
    if (auto client = apShareClient()) client->onClipBoardText(text);
}

// ---- The sharer's notices ----

void StartViewController::showASServerMessageAlert(const QString& alertId, const QString& message) {
    mainQueue().async(this, [this, alertId, message] {
        CommonAlert::sharedInstance().showInformationAlert(alertId, message, nullptr, nullptr,
                                                           window_ ? window_->frame() : QRectF());
    });
}
