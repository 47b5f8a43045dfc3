// Participants, chair and floor: who enters and leaves, who chairs, who
// speaks and who waits for the floor; the floor commands; the seminar
// audience from the web service; the role tests the rest of the system asks.
#include "model/MessageInfo.h"
#include "model/ListNotificator.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "services/DataSaveManager.h"
#include "session/FreeMessageCodes.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"
#include "services/WebAccess.h"
#include "services/XMLparse.h"

namespace {

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

bool isOneTime(const QString& userId) {
    return userId.startsWith(u'/');
}

}  // namespace

// ---- Role tests ----

bool LoginManager::isOwner() const {
    return myInfo_->userId() == ownerIdStr();
}

bool LoginManager::isSpeaker() const {
    switch (iRoomCategory_.load()) {
        case ROOM_CATEGORY_SEMINAR:
            return mbIsSeminarSpeaker.load();
        case ROOM_CATEGORY_MANYMTG:
            return mbIsManySpeaker.load();
        default:
            return false;
    }
}

bool LoginManager::isSpeakable() const {
    if (iRoomCategory_.load() != ROOM_CATEGORY_SEMINAR) return true;
    return isOwner() || isSpeaker();
}

bool LoginManager::isWebinar() const {
    return isFlagOn(configDataDict(), "MODE_WEBINAR") && iRoomCategory_.load() == ROOM_CATEGORY_SEMINAR;
}

UserInfoRef LoginManager::getUserInfo(const QString& userId) const {
    auto list = userListInfo();
    return list ? list->getUserInfo(userId) : nullptr;
}

int LoginManager::getOperationState(int operation) const {
    const bool seminar = iRoomCategory_.load() == ROOM_CATEGORY_SEMINAR;
    const bool free = !seminar && bCaptainFree_.load();
    const auto permitted = [this](int type) {
        return permissionManager_ && permissionManager_->isSupportFunc() &&
               permissionManager_->getEnable(type) && permissionManager_->getPermission(type);
    };
    switch (operation) {
        case 0:
        case 1:
            if (free || isOwner()) return 0;
            if (seminar) return isSpeaker() ? 0 : 3;
            return permitted(operation) ? 0 : 3;
        case 5:
            if (free || isOwner()) return 0;
            return permitted(2) ? 0 : 3;
        case 6:
            return free || isOwner() ? 0 : 3;
        case 7:
        case 8:
            if (free) return 3;
            return isOwner() ? 0 : 3;
        default:
            return 0;
    }
}

// The name shown for another participant: hidden between one-time users of
// a webinar that hides their names.
bool LoginManager::nameHidden(const QString& otherId) const {
    return isFlagOn(configDataDict(), "MODE_WEBINAR_ONETIMEUSER_NAME_HIDE") && isWebinar() &&
           isOneTime(myInfo_->userId()) && isOneTime(otherId);
}

QString LoginManager::shownName(const QString& otherId, const QString& name) const {
    return nameHidden(otherId) ? QString("") : name;
}

// ---- Commands ----

void LoginManager::changeOwner(const QString& userId) {
    bridge()->ChangeOwner(userId);
}

void LoginManager::forceLeave(const QString& userId) {
    logInfo(StringWithFormat(kLogMsgForceLeave, userId));
    bridge()->ForceLeave(userId);
}

void LoginManager::nominateSpeaker(const QString& userId) {
    bridge()->SpeechNominate(1, userId);
}

void LoginManager::stopSpeech(const QString& userId) {
    bridge()->SpeechEnd(userId);
}

void LoginManager::endSpeech() {
    if (!mbIsSeminarSpeaker.load()) return;
    setTimerSendCameraOff(false);
    if (isWebinar() || bIsHideMyVideo.load()) bridge()->StopCamera();
    mbIsSeminarSpeaker = false;
    if (mDocShareManager) mDocShareManager->changeSpeaker(false);
    if (auto list = userListInfo()) list->deleteSpeakerFromId(myInfo_->userId());
    bridge()->StopSpeech();
}

void LoginManager::reserveSpeech(bool cancel) {
    if (cancel) {
        bridge()->SpeechReserveCancel(myInfo_->userId());
    } else if (isFlagOn(configDataDict(), "MODE_SPEECH_FROM_MYSELF_IN_USERLIST")) {
        bridge()->SpeechNominate(1, myInfo_->userId());
    } else {
        bridge()->SpeechReserve();
    }
}

void LoginManager::changeReserveState(bool permit, const UserInfoRef& target) {
    if (!target) return;
    const QString id = target->userId();
    if (isOwner())
        logInfo(StringWithFormat(permit ? kLogMsgListSpeechPermitBtn : kLogMsgListSpeechCancelBtn, id));
    if (permit)
        bridge()->SpeechNominate(0, id);
    else
        bridge()->SpeechReserveCancel(id);
}

void LoginManager::reserveOrStopSpeechForWebinar() {
    if (isOwner()) return;
    if (!isSpeaker()) {
        reserveSpeech(mbIsReserve.load());
    } else if (auto* d = delegate()) {
        d->stopSpeechForWebinar();
    }
}

// ---- The seminar audience ----

void LoginManager::updateListInSeminarMode() {
    const QString base = requestBaseUrl(normalizedServerUrl(serverUrl()));
    const QString url =
        StringWithFormat("%@user_list_xml.php?trid=%@&rid=%@&urlencode=yes", base, topRoomId(), roomId());
    const auto reply = WebAccess::sendSynchronizedHTTPRequest(url);
    if (!reply) return;
    QVariantMap parsed;
    std::optional<XMLparseError> error;
    XMLparse parser;
    parser.parseXMLFile(reply, &error, parsed);
    if (error) return;

    const QVariantMap config = configDataDict();
    const QString me = myInfo_->userId();
    const bool hide = isFlagOn(config, "MODE_WEBINAR_ONETIMEUSER_NAME_HIDE") &&
                      isFlagOn(config, "MODE_WEBINAR") && isOneTime(me);
    std::vector<UserInfoRef> users;
    // Only the entries the parser produced are walked, whatever count the
    // document claims.
    for (int i = 0;; ++i) {
        const QVariant entryValue = parsed.value(QString::number(i));
        if (entryValue.typeId() != QMetaType::QVariantMap) break;
        const QVariantMap entry = entryValue.toMap();
        const QString id = entry.value(QStringLiteral("id")).toString();
        if (id == me) continue;
        QString name =
            entry.contains(QStringLiteral("name")) ? entry.value(QStringLiteral("name")).toString() : id;
        if (hide && isOneTime(id)) name = QString("");
        users.push_back(
            std::make_shared<UserInfo>(id, name, entry.value(QStringLiteral("usertype")).toString()));
    }
    if (auto list = userListInfo()) list->updateList(users);
    if (permissionManager_) permissionManager_->setUser(users);
}

void LoginManager::waitForSeminarList() {
    seminarListQueue_->sync([] {});
}

void LoginManager::setLogoutRunner(std::function<void(std::function<void()>)> runner) {
    logoutRunner_ = std::move(runner);
}

// ---- Entering and leaving ----

void LoginManager::OnEnterMember(const QString& strUserId, const QString& strUserName,
                                 const QString& strUserType) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    auto list = userListInfo();
    if (!list || list->roomCategory() != ROOM_CATEGORY_SEMINAR) return;
    if (strUserName.isNull() || strUserType.isNull()) {
        // The web service knows the newcomer; its request never runs on the
        // receive thread that raised this event.
        seminarListQueue_->async([this, strUserId] {
            if (status_.load() == LOGIN_STATUS_IDLE) return;
            updateListInSeminarMode();
            if (UserInfoRef user = getUserInfo(strUserId)) {
                if (remoteStgManager_) remoteStgManager_->updateClientList(user, true);
                if (permissionManager_) permissionManager_->addUser(user);
            }
        });
        return;
    }
    const QString name = shownName(strUserId, strUserName);
    if (strUserType == u"M0" || strUserType == u"P0") return;
    auto user = std::make_shared<UserInfo>(strUserId, name, strUserType);
    list->addClient(user);
    if (remoteStgManager_) remoteStgManager_->updateClientList(user, true);
    if (permissionManager_) permissionManager_->addUser(user);
    renameMessageThread(strUserId, name, strUserType);
    if (isFlagOn(configDataDict(), "MODE_WEBINAR") && isOwner() && strUserId != myInfo_->userId()) {
        QString layout;
        {
            std::lock_guard lock(modesMutex_);
            if (webinarManager_) layout = webinarManager_->strWinSync();
        }
        if (!layout.isEmpty()) sendFreeMsg(FREEMSG_WEBINAR_WINSYNC, QString(""), 0, layout);
    }
}

void LoginManager::OnLeaveMember(const QString& strUserId) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    auto list = userListInfo();
    if (list && list->roomCategory() == ROOM_CATEGORY_SEMINAR) list->deleteClient(strUserId);
    if (remoteStgManager_) remoteStgManager_->removeUserSettings(strUserId);
    if (permissionManager_) permissionManager_->deleteUser(strUserId);
}

void LoginManager::OnForceLeave(const QString& strUserId, const QString& strUserName) {
    const int64_t status = status_.load();
    if (status == LOGIN_STATUS_IDLE || status == LOGIN_STATUS_LOGGING_OUT) return;
    logInfo(StringWithFormat(kLogMsgRcvForceLeave, strUserId));
    // The core's teardown joins the thread that raised this event.
    logoutRunner_([this] { logout(false); });
    if (auto* d = delegate()) {
        if (strUserId.isEmpty())
            d->onForceLogout(FORCE_LOGOUT_UNKNOWN, strUserId, strUserName);
        else
            d->onForceLogout(FORCE_LOGOUT_BY_USER, strUserId, strUserName);
    }
}

void LoginManager::OnPushOut() {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    logInfo(QString::fromLatin1(kLogMsgRcvSameIDConnect));
    logoutRunner_([this] { logout(false); });
    if (auto* d = delegate()) d->onForceLogout(FORCE_LOGOUT_PUSHED_OUT, QString(), QString());
}

void LoginManager::OnChangeOwner(const QString& strUserId) {
    if (status_.load() == LOGIN_STATUS_IDLE || strUserId.isEmpty()) return;
    const QString old = ownerIdStr();
    ListNotificator::sharedNotificator().requestChangeOwnerNotification(strUserId);
    if (iRoomCategory_.load() == ROOM_CATEGORY_MANYMTG && remoteStgManager_ &&
        remoteStgManager_->isManyMtgMicChanging()) {
        remoteStgManager_->setIsManyMtgMicChanging(false);
        remoteStgManager_->setResMessage(std::nullopt);
    }
    if (status_.load() == LOGIN_STATUS_LOGGED_IN && strUserId != myInfo_->userId() && permissionManager_)
        permissionManager_->sendMyPermission(strUserId, true);
    logInfo(StringWithFormat(kLogMsgRcvChangeOwner, strUserId, old));
    {
        std::lock_guard lock(dataMutex_);
        ownerIdStr_ = strUserId;
    }
    if (auto* d = delegate()) d->onChangeOwner(strUserId, old);
    if (iRoomCategory_.load() != ROOM_CATEGORY_SEMINAR && old == myInfo_->userId())
        stopDocShareWhenNoLongerAllowed();
}

void LoginManager::stopDocShareWhenNoLongerAllowed() {
    if (!mDocShareManager || !mDocShareManager->isStarted() || !mDocShareManager->hasOperationRight()) return;
    if (getOperationState(0) != 3) return;
    stopDocShare();
    if (auto* d = delegate()) d->stopDocShare(myInfo_->userId());
}

// ---- Speech ----

void LoginManager::OnStartSpeech(int iClientNo, const QString& strUserId, const QString& strUserName,
                                 const QString& strUserType, bool bCameraDev, bool bMic) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    QString name = shownName(strUserId, strUserName);
    if (!nameHidden(strUserId) && name.isEmpty()) name = strUserId;
    logInfo(StringWithFormat(kLogMsgRcvSpeechStart, strUserId, name, strUserType,
                             LogMessage::conversionSwitchYesNO(bCameraDev),
                             LogMessage::conversionSwitchYesNO(bMic)));
    auto speaker = std::make_shared<SpeakerInfo>(iClientNo, strUserId, name, strUserType);
    if (iClientNo == CLIENT_NO_SELF) {
        if (mAudioManager) speaker->setSpeakerVol(mAudioManager->outputVolume());
    } else {
        speaker->setSpeakerVol(DataSaveManager::loadAudioVolumeOthers(serverUrl(), strUserId));
        bridge()->setSpeakerVolume(iClientNo, speaker->isSpeakerOn() ? speaker->speakerVol() : 0.0f);
    }
    auto list = userListInfo();
    if (list) {
        if (const auto schedule = list->scheduleUserList()) {
            for (const SpeakerInfoRef& s : *schedule)
                if (s->userId() == strUserId) {
                    speaker->setIsScheduler(true);
                    speaker->setSubUserName(s->subUserName());
                    break;
                }
        }
        list->addSpeaker(speaker);
    }
    const int category = iRoomCategory_.load();
    if (category == ROOM_CATEGORY_SEMINAR) {
        if (strUserId == ownerIdStr()) miMainUserClientNo = iClientNo;
        if (strUserId == myInfo_->userId() && !isOwner()) {
            mbIsSeminarSpeaker = true;
            if (mDocShareManager) mDocShareManager->changeSpeaker(true);
        }
    } else {
        if (remoteStgManager_) remoteStgManager_->updateClientList(speaker, true);
        if (permissionManager_) permissionManager_->addUser(speaker);
    }
    if (auto* d = delegate()) d->onStartSpeech(speaker);
    if (category == ROOM_CATEGORY_MANYMTG) {
        if (mbIsManySpeaker.load())
            bridge()->SendFreeMessage(FREEMSG_MANYMTG_SPEAKER_INFO, strUserId);
        else
            setVideoInManyMode(true, true);
    }
    renameMessageThread(strUserId, name, strUserType);
    bridge()->StartVideo(iClientNo);
}

void LoginManager::OnStopSpeech(int iClientNo) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    sendVideoReception(iClientNo, false);
    const int category = iRoomCategory_.load();
    if (category == ROOM_CATEGORY_SEMINAR) {
        if (iClientNo == miMainUserClientNo.load()) {
            miMainUserClientNo = -1;
            if (isFlagOn(configDataDict(), "MODE_WEBINAR")) {
                if (mbIsReserve.load()) reserveSpeech(true);
                if (mbIsSeminarSpeaker.load()) endSpeech();
            }
        }
    } else {
        sendVideoReceptionAll(false);
    }
    auto list = userListInfo();
    SpeakerInfoRef speaker = list ? list->getSpeakerInfo(iClientNo) : nullptr;
    if (speaker) {
        list->deleteSpeaker(iClientNo);
        if (speaker->isScheduler()) {
            speaker->setUserName(speaker->subUserName());
            speaker->setClientNo(CLIENT_NO_SCHEDULED);
        }
        if (auto recording = recordingManagerRef(); recording && recording->isRecordingUser(speaker->userId()))
            recording->stopRecording(speaker->userId());
        logInfo(StringWithFormat(kLogMsgRcvSpeechStop, speaker->userId(), speaker->userName()));
        if (auto* d = delegate()) d->onEndSpeech(speaker);
        if (speaker->userId() == myInfo_->userId()) {
            stopDocShareWhenNoLongerAllowed();
            if (mDocShareManager) mDocShareManager->changeSpeaker(false);
        }
        if (mDocShareManager && mDocShareManager->isStarted()) {
            const UserInfoRef leader = mDocShareManager->ownerInfo();
            if (leader && leader->userId() == speaker->userId()) {
                mDocShareManager->stopDocShare(docShareResetFlag());
                if (auto* d = delegate()) d->stopDocShare(speaker->userId());
            }
        }
    }
    sendVideoReceptionAll(true);
    if (category == ROOM_CATEGORY_MANYMTG && !mbIsManySpeaker.load()) setVideoInManyMode(true, true);
}

void LoginManager::OnSpeechNominate(int iKind) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    if (auto* d = delegate()) d->onSpeechNomitate(iKind);
    bridge()->StartSpeech();
    mbIsSeminarSpeaker = true;
    auto self = std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *myInfo_);
    self->setIsSpeakerOn(bIsSpeakerOn.load());
    if (mAudioManager) self->setSpeakerVol(mAudioManager->outputVolume());
    if (auto list = userListInfo()) list->addSpeaker(self);
    if ((isFlagOn(configDataDict(), "MODE_WEBINAR") || bIsHideMyVideo.load()) && bridge()->hasCameraDevice())
        bridge()->StartCamera();
    if (!bIsCameraOn.load()) {
        sendCameraOffImage();
        setTimerSendCameraOff(true);
    }
    if (mDocShareManager) mDocShareManager->changeSpeaker(true);
    if (auto* d = delegate()) d->onStartSpeech(self);
}

void LoginManager::OnSpeechNominateResult(int iResult) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    if (auto* d = delegate()) d->onSpeechNominateResult(iResult);
}

void LoginManager::OnSpeechEnd() {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    logInfo(QString::fromLatin1(kLogMsgRcvEndSpeech));
    setTimerSendCameraOff(false);
    if (isWebinar() || bIsHideMyVideo.load()) bridge()->StopCamera();
    mbIsSeminarSpeaker = false;
    if (mDocShareManager) mDocShareManager->changeSpeaker(false);
    if (auto* d = delegate()) d->onEndSpeech(std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *myInfo_));
    if (auto list = userListInfo()) list->deleteSpeakerFromId(myInfo_->userId());
    bridge()->StopSpeech();
}

// ---- Reservations ----

void LoginManager::OnSpeechReserve(const QString& strUserId, const QString& strUserName, bool /*bCameraDev*/,
                                   bool /*bMic*/) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    const bool own = strUserId == myInfo_->userId();
    const QString name = own ? strUserName : shownName(strUserId, strUserName);
    if (own) mbIsReserve = true;
    auto user = std::make_shared<UserInfo>(strUserId, name, QString(USER_TYPE_S0));
    if (auto list = userListInfo()) list->addReserver(user);
    if (auto* d = delegate()) d->onSpeechReserve(user);
}

void LoginManager::OnSpeechReserveCancel(int iValue, const QString& strUserId) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    if (auto list = userListInfo()) list->deleteReserver(strUserId);
    const bool own = strUserId == myInfo_->userId();
    if (own) mbIsReserve = false;
    if (iValue == 2 && own) {
        logInfo(StringWithFormat(kLogMsgRcvCancelSpeech, 2));
        if (auto* d = delegate()) d->onSpeechReserveCancel(2);
    } else if (iValue == 1 && !own) {
        logInfo(StringWithFormat(kLogMsgRcvCancelSpeechFrom, strUserId));
        if (isOwner())
            if (auto* d = delegate()) d->onSpeechReserveCancel(1);
    }
}

void LoginManager::OnSpeechReserveResult(int iResult) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    if (iResult == 1)
        if (auto list = userListInfo()) list->deleteReserver(myInfo_->userId());
    if (auto* d = delegate()) d->onSpeechReserveResult(iResult);
}
