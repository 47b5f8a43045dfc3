// The floor and the chair in the conference window: the login's floor events
// turned into tiles, notices and closed windows, the user's floor commands
// turned into login commands, and the user menu of a participant.
//
// Threads: the floor events arrive on a core receive thread. What they decide
// from the login's state (atomics and locked fields of LoginManager) is
// decided there; everything that reads or changes this controller's own
// state (the open confirmations, the windows, the video area) runs on the
// main queue, so no receive thread reads a field the main thread writes and
// none waits for the main thread.
#include <QFileInfo>

#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/PersonSegmentation.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"
#include "session/FreeMessageCodes.h"
#include "ui/CommonAlert.h"

namespace {
const QString kReserveAlert = QStringLiteral("alert_id_speech_reserve");
const QString kChangeOwnerAlert = QStringLiteral("alert_id_change_owner");
const QString kForceLeaveAlert = QStringLiteral("alert_id_force_leave");
const QString kChangeOwnerInfo = QStringLiteral("alert_id_change_owner_info");
const QString kAsRequestAlert = QStringLiteral("alert_id_as_request");
const QString kSpeechCancelInfo = QStringLiteral("alert_id_speech_cancel");
const QString kReserveCancelInfo = QStringLiteral("alert_id_speech_reserve_cancel");
const QString kReserveOkInfo = QStringLiteral("alert_id_speech_reserve_ok");
const QString kReserveErr = QStringLiteral("alert_id_seminar_reserve_err");
const QString kNominateErr = QStringLiteral("alert_id_seminar_nominate_err");
const QString kNominateInfo = QStringLiteral("alert_id_speech_nominate");
const QString kManySpeechErr = QStringLiteral("alert_id_manymtg_speech_err");
const QString kDisableDuringAs = QStringLiteral("alert_id_disable_during_as");

// Operations of LoginManager::getOperationState.
constexpr int kOperationAPShare = 1;
constexpr int kOperationRemoteStg = 5;
constexpr int kOperationQuestionnaire = 6;
constexpr int kOperationUserPermission = 7;
constexpr int kNotAllowed = 3;

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

void logError(const QString& text) {
    LogFileManager::write(text, 0, false);
}

bool isY(const QVariantMap& config, const char* key) {
    return config.value(QString::fromLatin1(key)).toString() == u"Y";
}

// The mode of a webinar layout text ("flag:mode:..."), none without one.
std::optional<int> webinarLayoutMode(const QString& layout) {
    const QStringList fields = layout.split(u':');
    if (fields.size() < 2) return std::nullopt;
    bool ok = false;
    const int mode = fields[1].toInt(&ok);
    return ok ? std::optional<int>(mode) : std::nullopt;
}

// The layouts that show the shared document.
bool isDocShareLayout(int mode) {
    const unsigned m = static_cast<unsigned>(mode);
    return m == 2 || m == 5 || m == 9 || m == 12;
}

bool listHas(const std::optional<std::vector<SpeakerInfoRef>>& list, const QString& id) {
    if (!list) return false;
    for (const SpeakerInfoRef& s : *list)
        if (s->userId() == id) return true;
    return false;
}

bool listHas(const std::optional<std::vector<UserInfoRef>>& list, const QString& id) {
    if (!list) return false;
    for (const UserInfoRef& u : *list)
        if (u->userId() == id) return true;
    return false;
}
}  // namespace

// ---- Speech ----

void StartViewController::onStartSpeech(const SpeakerInfoRef& speaker) {
    if (!speaker || !mLoginManager) return;
    const bool own = speaker->userId() == mLoginManager->myInfo()->userId();
    mainQueue().async(this, [this, speaker, own] {
        MainViewController* area = mainViewController();
        if (area != nullptr && area->isInitialized()) {
            // A participant on the schedule turns its placeholder live.
            if (speaker->isScheduler()) {
                area->updateSpeakerForScheduleUser(speaker, true);
            } else {
                area->addSpeaker(speaker);
            }
        }
        if (own && !speaker->isScheduler() && services_.windows->hasAPShareViewer())
            services_.windows->changeOperationRequestStatus(true);
    });
}

void StartViewController::onEndSpeech(const SpeakerInfoRef& speaker) {
    if (!speaker || !mLoginManager) return;
    const QString id = speaker->userId();
    const bool own = id == mLoginManager->myInfo()->userId();
    mainQueue().async(this, [this, speaker] {
        MainViewController* area = mainViewController();
        if (area == nullptr || !area->isInitialized()) return;
        if (speaker->isScheduler()) {
            area->updateSpeakerForScheduleUser(speaker, false);
        } else {
            area->leaveSpeaker(speaker);
        }
    });
    const int64_t requestStatus = mLoginManager->apShareRequestStatus();
    if (own) {
        const bool requestPending = requestStatus == AS_REQUEST_SENT;
        const bool sharing = mLoginManager->apShareStatus() == AS_STATUS_SHARING;
        mainQueue().async(this, [this, requestPending, sharing] {
            LoginDocShareManager* ds = mLoginManager->docShareManager();
            if (services_.windows->isDocShareWindowOpen() && ds != nullptr && ds->hasOperationRight()) {
                mLoginManager->stopDocShare();
                services_.windows->closeDocShareWindow();
            }
            if (requestPending) services_.windows->cancelAPShareRequest();
            if (services_.windows->hasAPShareViewer()) services_.windows->changeOperationRequestStatus(false);
            if (sharing) services_.windows->stopAPShare(std::nullopt);
            CommonAlert::sharedInstance().hideNormalAlert(kAsRequestAlert);
            CommonAlert::sharedInstance().showInformationAlert(
                kSpeechCancelInfo, LocalizedString("dfMAINVIEW_ALERT_CANCEL_SPK"), {}, nullptr,
                window_ ? window_->frame() : QRectF());
        });
        return;
    }
    const bool requestOfSpeaker =
        (requestStatus == AS_REQUEST_SENT && mLoginManager->apShareRequesteeStr() == id) ||
        (requestStatus == AS_REQUEST_RECEIVED && mLoginManager->apShareRequesterStr() == id);
    const QString name = speaker->userName();
    mainQueue().async(this, [this, id, name, requestOfSpeaker] {
        // A confirmation about a participant who lost the floor closes.
        if (mSelectedUserForChangeOwner == id)
            CommonAlert::sharedInstance().hideNormalAlert(kChangeOwnerAlert);
        if (mSelectedUserForForceLeave == id) CommonAlert::sharedInstance().hideNormalAlert(kForceLeaveAlert);
        if (requestOfSpeaker) services_.windows->cancelAPShareRequest();
        if (services_.windows->hasAPShareSharer()) services_.windows->checkOperatorRequester(id, name);
    });
    if (LoginQuestionnaireInfo* q = mLoginManager->questionnaireInfo();
        q != nullptr && q->status() != 0 && q->issuedUserId() == id)
        onQuestionStop();
}

void StartViewController::onStartManySpeech(const SpeakerInfoRef& speaker) {
    mainQueue().async(this, [this, speaker] {
        if (MainViewController* area = mainViewController()) area->startSpeechInManyMode(speaker);
    });
}

void StartViewController::onEndManySpeech(const SpeakerInfoRef& speaker) {
    mainQueue().async(this, [this, speaker] {
        if (MainViewController* area = mainViewController()) area->stopSpeechInManyMode(speaker);
    });
}

void StartViewController::onErrorStartManySpeech(int result) {
    if (result != 3) return;
    mainQueue().async(this, [this] {
        CommonAlert::sharedInstance().showWarningAlert(kManySpeechErr,
                                                       LocalizedString("dfMANYMTG_ERROR_SPEAKER_HAS_LIMIT"),
                                                       window_ ? window_->frame() : QRectF());
    });
}

// ---- The chair ----

void StartViewController::onChangeOwner(const QString& ownerId, const QString& oldOwnerId) {
    if (!mLoginManager) return;
    const QString me = mLoginManager->myInfo()->userId();
    const bool own = ownerId == me;
    const bool seminar = mLoginManager->iRoomCategory() == ROOM_CATEGORY_SEMINAR;
    if (own && !seminar && !mLoginManager->bCaptainFree()) {
        mainQueue().async(this, [this] {
            MainViewController* area = mainViewController();
            if (area != nullptr && area->isInitialized())
                CommonAlert::sharedInstance().showInformationAlert(
                    kChangeOwnerInfo, LocalizedString("dfMAINVIEW_CHANGE_OWNER"), {}, nullptr,
                    window_ ? window_->frame() : QRectF());
            LoginDocShareManager* ds = mLoginManager->docShareManager();
            if (services_.windows->isDocShareWindowOpen() && (ds == nullptr || !ds->isStarted()))
                showDocShareStartAlert();
        });
    }
    if (!own) {
        const bool shareForbidden = mLoginManager->getOperationState(kOperationAPShare) == kNotAllowed;
        const int64_t requestStatus = mLoginManager->apShareRequestStatus();
        if (!seminar && shareForbidden && requestStatus != AS_REQUEST_PERMITTED &&
            mLoginManager->apShareStatus() == AS_STATUS_SHARING) {
            const UserInfoRef owner = mLoginManager->getUserInfo(ownerId);
            const QString message =
                LocalizedFormat("dfAPSHARE_STOPPED_CHANGE_OWNER", owner ? owner->userName() : ownerId);
            mainQueue().async(this, [this, message] { services_.windows->stopAPShare(message); });
        }
        if (oldOwnerId == me) {
            // The own user lost the chair: the chair's questions and windows go.
            const bool cancelRequest = shareForbidden && requestStatus == AS_REQUEST_SENT;
            const bool remoteStgForbidden =
                mLoginManager->getOperationState(kOperationRemoteStg) == kNotAllowed;
            CommonAlert::sharedInstance().hideNormalAlert(kChangeOwnerAlert);
            CommonAlert::sharedInstance().hideNormalAlert(kForceLeaveAlert);
            CommonAlert::sharedInstance().hideInformationAlert(kChangeOwnerInfo);
            mainQueue().async(this, [this, cancelRequest, remoteStgForbidden] {
                if (cancelRequest) services_.windows->cancelAPShareRequest();
                if (remoteStgForbidden) services_.windows->closeRemoteStgWindows();
                services_.windows->closePermissionSetWindow();
            });
        }
        mainQueue().async(this, [this] {
            services_.windows->closeQuesAnswerWindow();
            services_.windows->closeQuesResultWindow();
        });
    }
    const bool webinar = mLoginManager->isWebinar();
    mainQueue().async(this, [this, ownerId, own, webinar] {
        if (MainViewController* area = mainViewController()) area->updateOwner(ownerId, own);
        if (!webinar || !own) return;
        // The new chair of a webinar whose layout shows the document takes it over.
        LoginWebinarManager* layout = mLoginManager->webinarManager();
        const std::optional<int> mode = layout ? webinarLayoutMode(layout->strWinSync()) : std::nullopt;
        if (mode && isDocShareLayout(*mode) && !services_.windows->hasDocShareWebinarView())
            mLoginManager->startDocShare();
    });
}

// ---- Reservations and nominations ----

void StartViewController::onSpeechReserve(const UserInfoRef& info) {
    if (!info || !mLoginManager || !mLoginManager->isOwner()) return;
    logInfo(StringWithFormat(kLogMsgRcvAcceceptSpeechFrom, info->userId()));
    mainQueue().async(this, [this, info] { showOnSpeechReserveAlert(*info); });
}

void StartViewController::onSpeechReserveCancel(int kind) {
    if (kind == 2) {
        // The chair cancelled the own reservation.
        mainQueue().async(this, [this] {
            CommonAlert::sharedInstance().showInformationAlert(
                kReserveCancelInfo, LocalizedString("dfMAINVIEW_MSG_REP_RSV_CANSEL_FORCE"), {}, nullptr,
                window_ ? window_->frame() : QRectF());
        });
    } else if (kind == 1) {
        // The participant withdrew his request: the chair's question about it goes.
        CommonAlert::sharedInstance().hideNormalAlert(kReserveAlert);
    }
}

void StartViewController::onSpeechReserveResult(int result) {
    if (result == 0) {
        logInfo(QString::fromLatin1(kLogMsgRcvAcceceptSpeech));
    } else {
        logError(StringWithFormat(kLogMsgRcvFailAcceptSpeech, result));
    }
    mainQueue().async(this, [this, result] {
        const QRectF frame = window_ ? window_->frame() : QRectF();
        switch (result) {
            case 0:
                CommonAlert::sharedInstance().showInformationAlert(
                    kReserveOkInfo, LocalizedString("dfMAINVIEW_MSG_RES_OK"), {}, nullptr, frame);
                return;
            case 1:
                CommonAlert::sharedInstance().showWarningAlert(
                    kReserveErr, LocalizedString("dfMAINVIEW_MSG_RES_RSV_MAXOVER"), frame);
                return;
            case 2:
                CommonAlert::sharedInstance().showWarningAlert(
                    kReserveErr, LocalizedString("dfMAINVIEW_MSG_RES_RSV_RSVEXIST"), frame);
                return;
            case 3:
                CommonAlert::sharedInstance().showWarningAlert(
                    kReserveErr, LocalizedString("dfMAINVIEW_MSG_RES_RSV_SPCEXIST"), frame);
                return;
            default:
                CommonAlert::sharedInstance().showWarningAlert(
                    kReserveErr, LocalizedString("dfMAINVIEW_MSG_RES_RSV_SYSTEM_ERROR"), frame);
                return;
        }
    });
}

void StartViewController::onSpeechNomitate(int kind) {
    if (kind == 0) {
        logInfo(QString::fromLatin1(kLogMsgRcvSpeechReservePermit));
    } else {
        logInfo(StringWithFormat(kLogMsgRcvDesignateSpeech, kind));
    }
    if (kind != 0 && kind != 1) return;
    mainQueue().async(this, [this, kind] {
        CommonAlert::sharedInstance().showInformationAlert(
            kNominateInfo,
            kind == 0 ? LocalizedString("dfMAINVIEW_MSG_REP_SPC_NORMAL")
                      : LocalizedString("dfMAINVIEW_MSG_REP_SPC_FORCE"),
            {}, nullptr, window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::onSpeechNominateResult(int result) {
    if (!mLoginManager) return;
    if (!mLoginManager->isOwner()) {
        if (result == 0) {
            logInfo(QString::fromLatin1(kLogMsgRcvNominateSpeech));
            return;
        }
        logError(StringWithFormat(kLogMsgRcvFailNominateSpeech, result));
    }
    if (result < 1 || result > 4) return;
    mainQueue().async(this, [this, result] {
        QString text;
        switch (result) {
            case 1:
                text = LocalizedString("dfMAINVIEW_MSG_RES_SPC_NOEXIST");
                break;
            case 2:
                text = LocalizedString("dfMAINVIEW_MSG_RES_SPC_NORSV");
                break;
            case 3:
                text = LocalizedString("dfMAINVIEW_MSG_RES_SPC_ONSPC");
                break;
            default:
                text = LocalizedString("dfMAINVIEW_MSG_RES_SPC_MAXOVER");
                break;
        }
        CommonAlert::sharedInstance().showWarningAlert(kNominateErr, text,
                                                       window_ ? window_->frame() : QRectF());
    });
}

// ---- Commands of the window ----

void StartViewController::changeMicStatus() {
    if (mLoginManager->isWebinar()) {
        mLoginManager->reserveOrStopSpeechForWebinar();
    } else {
        mLoginManager->changeMicOnOff();
    }
}

void StartViewController::speakerButtonAction() {
    logInfo(QString::fromLatin1(kLogMsgManyMtgSpeakBtn));
    changeMicStatus();
}

void StartViewController::sendReqStartSpeaking() {
    if (!mLoginManager->isMicOn()) changeMicStatus();
}

void StartViewController::sendReqStopSpeaking() {
    if (mLoginManager->isMicOn()) changeMicStatus();
}

void StartViewController::reserveSpeech(bool cancel) {
    mLoginManager->reserveSpeech(cancel);
    if (cancel) {
        if (MainViewController* area = mainViewController()) area->changeReserveState(false);
        logInfo(QString::fromLatin1(kLogMsgCancelReserve));
    }
}

void StartViewController::changeReserveStateUserInfo(bool allow, const UserInfoRef& user) {
    if (!user) return;
    mLoginManager->changeReserveState(allow, user);
    if (mSelectedUserForReserve && mSelectedUserForReserve->userId() == user->userId())
        CommonAlert::sharedInstance().hideNormalAlert(kReserveAlert);
}

void StartViewController::endSpeech(const UserInfoRef& user) {
    if (!user) return;
    mLoginManager->stopSpeech(user->userId());
    logInfo(StringWithFormat(kLogMsgStopSpeech, user->userId()));
}

void StartViewController::stopSpeech() {
    if (!mLoginManager->isSpeaker()) return;
    const UserInfoRef me = mLoginManager->myInfo();
    mLoginManager->endSpeech();
    logInfo(StringWithFormat(kLogMsgStopSpeech, me->userId()));
    if (MainViewController* area = mainViewController())
        area->leaveSpeaker(std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *me));
    LoginDocShareManager* ds = mLoginManager->docShareManager();
    if (services_.windows->isDocShareWindowOpen() && ds != nullptr && ds->hasOperationRight()) {
        mLoginManager->stopDocShare();
        services_.windows->closeDocShareWindow();
    }
    if (mLoginManager->apShareRequestStatus() == AS_REQUEST_SENT) services_.windows->cancelAPShareRequest();
    if (mLoginManager->apShareStatus() == AS_STATUS_SHARING) services_.windows->stopAPShare(std::nullopt);
    if (services_.windows->hasAPShareViewer()) services_.windows->changeOperationRequestStatus(false);
}

void StartViewController::onClickVideoStatus(const UserInfoRef& user) {
    if (!user || !mLoginManager) return;
    if (mLoginManager->iRoomCategory() == ROOM_CATEGORY_SEMINAR || !mLoginManager->isOwner()) return;
    if (user->userId() == mLoginManager->myInfo()->userId()) return;
    if (isY(mLoginManager->configDataDict(), "CAPTAIN_FREE") || user->userType() == u"H0") return;
    if (mSelectedUserForChangeOwner) return;
    if (mLoginManager->apShareStatus() == AS_STATUS_NONE) {
        showChangeOwnerAlert(*user);
    } else {
        CommonAlert::sharedInstance().showWarningAlert(
            kDisableDuringAs, LocalizedString("dfCONFIG_APSHARE_CANNOT_CHANGE_CHAIMAN"),
            window_ ? window_->frame() : QRectF());
    }
}

// ---- The user menu ----

UserMenuContext StartViewController::userMenuContext(const UserInfoRef& target, int type) const {
    UserMenuContext c;
    c.menuType = type;
    const UserInfoRef me = mLoginManager->myInfo();
    const QString targetId = target ? target->userId() : QString();
    c.isSelf = targetId == me->userId();
    c.roomCategory = mLoginManager->iRoomCategory();
    c.chairman = mLoginManager->isOwner();
    c.ownFloor = mLoginManager->isSpeaker();
    if (const std::shared_ptr<UserListInfo> lists = mLoginManager->userListInfo()) {
        if (c.roomCategory == ROOM_CATEGORY_SEMINAR) {
            c.targetFloor = listHas(lists->speakerList(), targetId);
            c.isReserver = listHas(lists->reserveList(), targetId);
        } else if (c.roomCategory == ROOM_CATEGORY_MANYMTG) {
            c.targetFloor = listHas(lists->manySpeakerList(), targetId);
        }
    }
    // Which videos are popped out of the area into windows of their own.
    if (const MainViewController* area = mainViewController()) {
        c.isOriginal = area->checkPopupVideo(targetId);
        bool allOut = area->checkPopupVideo(me->userId());
        if (const std::shared_ptr<UserListInfo> lists = mLoginManager->userListInfo()) {
            for (const SpeakerInfoRef& s : lists->speakerList().value_or(std::vector<SpeakerInfoRef>{}))
                allOut = allOut && area->checkPopupVideo(s->clientNo() == CLIENT_NO_SELF ? me->userId() : s->userId());
        }
        c.isAllPopup = !allOut;
        c.isEndAllPopup = allOut;
    }
    c.chairmanAlertOpen = mSelectedUserForChangeOwner.has_value();
    c.apShareStarted = mLoginManager->apShareStatus() != AS_STATUS_NONE;
    c.apShareReqStatus = static_cast<int>(mLoginManager->apShareRequestStatus());
    c.isSharer = !targetId.isEmpty() && targetId == mLoginManager->apSharerIdStr();
    if (LoginQuestionnaireInfo* q = mLoginManager->questionnaireInfo())
        c.questionnaireStarted = q->status() == 1 || q->status() == 3;
    if (LoginPermissionManager* p = mLoginManager->permissionManager()) {
        c.permitAPShare = p->getPermission(1);
        c.permitRemoteStg = p->getPermission(2);
    }
    c.isEnableAP = !mLoginManager->isWebinar() || services_.windows->hasAPShareWebinarView();
    c.isEnableCamera = !QuorixUtils::getCameraDevices().isEmpty();
    if (const auto rec = mLoginManager->recordingManagerRef())
        c.isRecordingStarted = rec->isRecordingUser(targetId);
    c.segmentationAvailable = QFileInfo::exists(PersonSegmentation::modelPath());
    c.bgMode = static_cast<int>(UserDefaults::standard().integerForKey(QStringLiteral("KeyCameraBgMode")));
    if (const std::optional<QByteArray> data = DataSaveManager::loadCameraBgCustomImgData())
        c.customImage = QImage::fromData(*data);
    c.config = mLoginManager->configDataDict();
    if (target) {
        c.targetUserType = target->userType();
        c.targetUserName = target->userName();
    }
    return c;
}

PopupUserMenu* StartViewController::makePopupUserMenu(const UserInfoRef& target, int type) {
    if (!target || !mLoginManager) return nullptr;
    UserInfoRef menuTarget = target;
    if (type != USER_MENU_TYPE_RESERVER && target->userId() == mLoginManager->myInfo()->userId()) {
        const UserInfoRef me = mLoginManager->myInfo();
        menuTarget = std::make_shared<UserInfo>(me->userId(), me->userName(), me->userType());
    }
    auto* menu = new PopupUserMenu(userMenuContext(menuTarget, type), menuTarget);
    menu->setPopupDelegate(this);
    return menu;
}

bool StartViewController::isAPShareRunning() {
    return mLoginManager && mLoginManager->apShareStatus() != AS_STATUS_NONE;
}

void StartViewController::onSelectMenuItem(MenuItem* item, int, const UserInfoRef& target) {
    if (!item || !target || !mLoginManager) return;
    const auto allowed = [this](int operation) {
        return mLoginManager->getOperationState(operation) != kNotAllowed;
    };
    const QString id = target->userId();
    switch (item->tag()) {
        case USER_MENU_CHANGE_OWNER:
            if (mLoginManager->isOwner()) showChangeOwnerAlert(*target);
            break;
        case USER_MENU_FORCE_LEAVE:
            if (mLoginManager->isOwner()) showForceLeaveAlert(*target);
            break;
        case USER_MENU_SEND_MESSAGE:
            launchMessageWindow(id);
            break;
        case USER_MENU_NOMINATE:
            mLoginManager->nominateSpeaker(id);
            logInfo(StringWithFormat(QStringLiteral("[Seminar]Speech designate(%@)."), id));
            if (mSelectedUserForReserve && mSelectedUserForReserve->userId() == id)
                CommonAlert::sharedInstance().hideNormalAlert(kReserveAlert);
            break;
        case USER_MENU_RESERVE_CANCEL:
            changeReserveStateUserInfo(false, target);
            break;
        case USER_MENU_STOP_NOMINATE:
            mLoginManager->stopSpeech(id);
            logInfo(StringWithFormat(QStringLiteral("[Seminar]Remove(%@)."), id));
            break;
        case USER_MENU_APSHARE_REQUEST:
        case USER_MENU_APSHARE_STOP:
            if (allowed(kOperationAPShare))
                mLoginManager->requestAPShare(id, item->tag() == USER_MENU_APSHARE_REQUEST);
            break;
        case USER_MENU_REMOTESTG_USER:
            if (allowed(kOperationRemoteStg)) launchRemoteStgOneWindow(target);
            break;
        case USER_MENU_REMOTESTG_ALL:
            if (allowed(kOperationRemoteStg)) launchRemoteStgAllWindow();
            break;
        case USER_MENU_QUESTIONNAIRE:
            if (allowed(kOperationQuestionnaire)) services_.windows->launchQuestionnaireWindow();
            break;
        case USER_MENU_CAMERA_ONOFF:
            mLoginManager->changeCameraOnOff();
            break;
        case USER_MENU_USER_PERMISSION:
            if (allowed(kOperationUserPermission)) launchUserPermissionSetWindow(true);
            break;
        case USER_MENU_FULL_SIZE:
        case USER_MENU_ORIGINAL_SIZE:
            if (MainViewController* area = mainViewController())
                area->resizeVideo(item->tag() == USER_MENU_FULL_SIZE ? MainViewController::POPUP_MODE_FULL_SCREEN
                                                                     : MainViewController::POPUP_MODE_PIXEL_SIZE,
                                  id);
            break;
        case USER_MENU_ALL_POPUP:
        case USER_MENU_ALL_POPUP_END:
            if (MainViewController* area = mainViewController())
                area->popupAllVideo(item->tag() == USER_MENU_ALL_POPUP);
            break;
        default:
            // The display-control, recording and background items belong to
            // the devices' controls.
            break;
    }
}

// ---- The list windows ----

StartViewController::ListLaunch StartViewController::listLaunch() const {
    ListLaunch launch;
    launch.frame = mListWindowRect;
    if (!mLoginManager) return launch;
    launch.myInfo = mLoginManager->myInfo();
    launch.ownerId = mLoginManager->ownerIdStr();
    launch.roomCategory = mLoginManager->iRoomCategory();
    launch.captainFree = isY(mLoginManager->configDataDict(), "CAPTAIN_FREE");
    launch.isWebinar = mLoginManager->isWebinar();
    // Snapshots, each taken under its list's lock.
    if (const std::shared_ptr<UserListInfo> lists = mLoginManager->userListInfo()) {
        launch.clientList = lists->clientList().value_or(std::vector<UserInfoRef>{});
        launch.speakerList = lists->speakerList().value_or(std::vector<SpeakerInfoRef>{});
        launch.reserveList = lists->reserveList().value_or(std::vector<UserInfoRef>{});
    }
    return launch;
}

void StartViewController::closeListWindow(const QRectF& frame) {
    if (!frame.isEmpty()) mListWindowRect = frame;
}
