// Many-meeting rooms (only some participants send at once), webinars (the
// chair's layout for everybody) and display control for remote support.
#include "platform/StringFormat.h"
#include "session/FreeMessageCodes.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"

namespace {

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

}  // namespace

// ---- Many-meeting ----

void LoginManager::sendStopForManyMtg() {
    if (iRoomCategory_.load() != ROOM_CATEGORY_MANYMTG || !bIsMicOn.load()) return;
    bridge()->ManyMtgStopSend(myInfo_->userId(), myInfo_->userName());
    bIsMicOn = false;
}

void LoginManager::OnManyMtgStart(short /*code*/, short /*subCode*/, const QString& userID,
                                  const QString& userName) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    logInfo(StringWithFormat(kLogMsgRcvManyMtgSpeechStart, userID, userName));
    auto list = userListInfo();
    SpeakerInfoRef speaker;
    if (userID == myInfo_->userId()) {
        speaker = std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *myInfo_);
        bIsMicOn = true;
        if (remoteStgManager_) remoteStgManager_->changeManySpeaker(ownerIdStr(), true);
        mbIsManySpeaker = true;
        setVideoInManyMode(false, false);
        checkAutoRecStartSelfVideoForManyMtg();
    } else {
        for (const SpeakerInfoRef& s : list ? list->speakerList().value_or(std::vector<SpeakerInfoRef>{})
                                            : std::vector<SpeakerInfoRef>{})
            if (s->userId() == userID) {
                speaker =
                    std::make_shared<SpeakerInfo>(s->clientNo(), s->userId(), s->userName(), s->userType());
                break;
            }
        if (!speaker) return;
    }
    if (list) list->addManySpeaker(speaker);
    if (auto* d = delegate()) d->onStartManySpeech(speaker);
}

void LoginManager::OnManyMtgStartRes(short code, short /*subCode*/, const QString& /*userID*/,
                                     const QString& /*userName*/) {
    if (status_.load() == LOGIN_STATUS_IDLE || code == 0) return;
    logInfo(StringWithFormat(kLogMsgRcvManyMtgFailSpeechStart, int(code)));
    if (auto* d = delegate()) d->onErrorStartManySpeech(code);
    if (remoteStgManager_ && remoteStgManager_->isManyMtgMicChanging())
        remoteStgManager_->changeManySpeaker(ownerIdStr(), false);
}

void LoginManager::OnManyMtgStop(short code, short /*subCode*/, const QString& userID,
                                 const QString& userName) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    if (code == 0)
        logInfo(StringWithFormat(kLogMsgRcvManyMtgSpeechStop, userID, userName));
    else
        logInfo(StringWithFormat(kLogMsgRcvManyMtgFailSpeechStop, int(code)));
    auto list = userListInfo();
    SpeakerInfoRef speaker;
    if (userID == myInfo_->userId()) {
        speaker = std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *myInfo_);
        bIsMicOn = false;
        mbIsManySpeaker = false;
        setVideoInManyMode(true, true);
    } else if (list) {
        for (const SpeakerInfoRef& s : list->manySpeakerList().value_or(std::vector<SpeakerInfoRef>{}))
            if (s->userId() == userID) {
                speaker =
                    std::make_shared<SpeakerInfo>(s->clientNo(), s->userId(), s->userName(), s->userType());
                break;
            }
    }
    if (list) list->deleteManySpeakerFromId(userID);
    if (speaker)
        if (auto* d = delegate()) d->onEndManySpeech(speaker);
}

void LoginManager::OnManyListRes(short /*code*/, short /*subCode*/, const QStringList& userID,
                                 const QStringList& /*userName*/) {
    auto list = userListInfo();
    if (!list) return;
    const auto speakers = list->speakerList().value_or(std::vector<SpeakerInfoRef>{});
    for (const QString& id : userID) {
        for (const SpeakerInfoRef& s : speakers) {
            if (s->userId() != id) continue;
            auto copy =
                std::make_shared<SpeakerInfo>(s->clientNo(), s->userId(), s->userName(), s->userType());
            list->addManySpeaker(copy);
            if (auto* d = delegate()) d->onStartManySpeech(copy);
            break;
        }
    }
}

// ---- Webinar ----

void LoginManager::setupWebinarManager(bool reconnecting) {
    const QVariantMap config = configDataDict();
    std::unique_lock lock(modesMutex_);
    if (!isWebinar()) {
        webinarManager_.reset();
        return;
    }
    bool fresh = false;
    if (!webinarManager_ && features_.webinarManager) {
        webinarManager_ = features_.webinarManager(*this);
        fresh = webinarManager_ != nullptr;
    }
    if (!webinarManager_ || (!fresh && (reconnecting || !isOwner()))) return;
    const int mode = QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_WEBINAR_STARTUP"), config, 0);
    webinarManager_->convertFromModeToSyncdata(isFlagOn(config, "MODE_WEBINAR_FUNC_MAIN_START"), mode);
    lock.unlock();
    logInfo(StringWithFormat(kLogMsgWebinarStartUpValue, mode));
}

LoginWebinarManager* LoginManager::webinarManager() const {
    std::lock_guard lock(modesMutex_);
    return webinarManager_.get();
}

void LoginManager::sendFreeMsg(const QString& layoutText) {
    sendFreeMsg(FREEMSG_WEBINAR_WINSYNC, QString(""), 0, layoutText);
}

void LoginManager::onChangeLayoutOfWebinarView(bool flag, int mode) {
    if (!isOwner() && !isMainUserStatusLogin()) return;
    if (auto* d = delegate()) d->onChangeLayoutOfWebinarView(flag, mode);
}

// ---- Display control ----

void LoginManager::sendRemoteSupportMsg(uint32_t code, const QString& userId, int value,
                                        const QString& data) {
    if (status_.load() != LOGIN_STATUS_LOGGED_IN) return;
    bridge()->SendFreeMessageData(code, userId, value, data);
}
