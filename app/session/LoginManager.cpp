#include "session/LoginManager.h"

#include "model/MessageInfo.h"
#include "model/QuestionnaireInfo.h"
#include "model/TextBoxData.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "services/DataSaveManager.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/Quorix.h"

LoginManager::LoginManager(LoginManagerFeatures features, BridgeProvider bridgeProvider)
    : features_(std::move(features)),
      bridgeProvider_(bridgeProvider ? std::move(bridgeProvider)
                                     : BridgeProvider([](QuorixInterface* r) -> QuorixBridge* {
                                           return Quorix::GetInstance(r);
                                       })),
      loginQueue_(DispatchQueue::createSerial("login_queue")),
      myInfo_(std::make_shared<UserInfo>(QString(""), QString(""), QString(USER_TYPE_S0))),
      textBoxDataArry_(std::make_shared<SharedArray<TextBoxData>>()),
      messageDataArry_(std::make_shared<SharedArray<MessageInfo>>()),
      seminarListQueue_(DispatchQueue::createSerial("seminar_list_queue")),
      logoutRunner_([](std::function<void()> task) { DispatchQueue::global().async(std::move(task)); }) {
    obtainBridge();
    mSaveManager = std::make_unique<DataSaveManager>();
    if (features_.docShareManager) mDocShareManager = features_.docShareManager(*this);
    if (features_.remoteStgManager) remoteStgManager_ = features_.remoteStgManager(*this);
    if (features_.audioManager) mAudioManager = features_.audioManager(*this);
    questionnaireInfo_ = features_.questionnaireInfo ? features_.questionnaireInfo(*this)
                                                     : std::make_unique<QuestionnaireInfo>();
    if (features_.permissionManager) permissionManager_ = features_.permissionManager(*this);
    if (features_.settingNotificator) settingNotificator_ = features_.settingNotificator();
}

LoginManager::~LoginManager() {
    shuttingDown_.store(true);
    setTimerSendCameraOff(false);
    loginQueue_.reset();  // queued attempts are skipped; the running one ends first
    seminarListQueue_.reset();
    // End the core before this receiver goes: no event may reach a freed object.
    if (QuorixBridge* b = bridge()) b->Term();
    Quorix::releaseReceiver(this);
    releaseAllObject();
}

void LoginManager::obtainBridge() {
    if (QuorixBridge* old = bridge()) old->Term();
    QuorixBridge* fresh = bridgeProvider_(this);
    mQuorix.store(fresh);
    fresh->Init();
    fresh->setDelegate(this);
}

void LoginManager::waitForLoginQueue() {
    if (loginQueue_) loginQueue_->sync([] {});
}

void LoginManager::resetAll() {
    std::shared_ptr<UserListInfo> list;
    {
        std::lock_guard lock(dataMutex_);
        configDataDict_.clear();
        configOptionDict_.clear();
        ownerIdStr_.clear();
        mServerIpStr.clear();
        mPasswordStr.clear();
        mServerUrlStr.clear();
        mTopRoomIdStr.clear();
        mRoomIdStr.clear();
        mCompanyCodeStr.clear();
        mVersionNoStr.clear();
        mAppVersionStr.clear();
        mAdditionalParamsStr.clear();
        exitMessageStr_.clear();
        list = mUserListInfo;
    }
    myInfo_->setUserId(QString(""));
    myInfo_->setUserName(QString(""));
    myInfo_->setUserType(QString(USER_TYPE_S0));
    iRoomCategory_ = 0;
    iMaxParticipant_ = 0;
    miRoomSampling = 0;
    iConnectionType_ = 0;
    for (auto* flag : {&bCaptainFree_, &bForceLeave_, &bSupportSampling_, &bSupportHighRes_, &bSupportHW_,
                       &bSupportQuestion_, &bSupportTunneling_, &bSupportDSPointer_, &bSupportManyMtg_,
                       &bSupportRemoteStg_, &bSupportASServer_, &bSupportClientInfo_})
        flag->store(false);
    if (list) list->resetData(false);
    if (remoteStgManager_) remoteStgManager_->resetInfo();
    if (permissionManager_) permissionManager_->resetParameters(true);
    mbIsSeminarSpeaker = false;
    mbIsManySpeaker = false;
    mbIsReserve = false;
    miMainUserClientNo = -1;
    bIsHideMyVideo = false;
    resetFeatureState();
}

void LoginManager::resetFeatureState() {
    textBoxDataArry_->clear();
    messageDataArry_->clear();
    bIsDocShareStarted = false;
    apShareStatus_ = 0;
    std::lock_guard lock(shareMutex_);
    apShareRequestStatus_ = 0;
    apShareRequesterStr_.clear();
    apShareRequesteeStr_.clear();
    apSharerIdStr_.clear();
    apSharerNameStr_.clear();
    apOperatorIdStr_.clear();
    apOperatorNameStr_.clear();
}

void LoginManager::logout(bool keepList) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    sendStopForManyMtg();
    setTimerSendCameraOff(false);
    status_ = LOGIN_STATUS_LOGGING_OUT;
    sendVideoReceptionAll(false);
    if (mAudioManager) mAudioManager->reset();
    bridge()->Term();
    if (!keepList) {
        resetAll();
        status_ = LOGIN_STATUS_IDLE;
    } else if (auto list = userListInfo()) {
        list->resetData(false);
    }
}

void LoginManager::releaseAllObject() {
    status_ = LOGIN_STATUS_IDLE;
    {
        std::lock_guard lock(dataMutex_);
        configDataDict_.clear();
        configOptionDict_.clear();
        mUserListInfo.reset();
    }
    mSaveManager.reset();
    remoteStgManager_.reset();
    questionnaireInfo_.reset();
    remoteSupportManager_.reset();
    permissionManager_.reset();
    mAudioManager.reset();
    {
        std::lock_guard recording(recordingMutex_);
        recordingManager_.reset();
    }
    std::lock_guard lock(modesMutex_);
    webinarManager_.reset();
    localParamForManyMtg_.reset();
}

void LoginManager::reportLoginError(int kind, int code, int subCode) {
    if (auto* d = delegate()) d->onLoginError(kind, code, subCode);
}

bool LoginManager::isFlagOn(const QVariantMap& config, const char* key) const {
    return config.value(QString::fromLatin1(key)).toString() == u"Y";
}

// ---- Accessors ----

std::shared_ptr<UserListInfo> LoginManager::userListInfo() const {
    std::lock_guard lock(dataMutex_);
    return mUserListInfo;
}

#define QUORIX_LOCKED_GETTER(Type, name, member) \
    Type LoginManager::name() const {            \
        std::lock_guard lock(dataMutex_);        \
        return member;                           \
    }
QUORIX_LOCKED_GETTER(QVariantMap, configDataDict, configDataDict_)
QUORIX_LOCKED_GETTER(QVariantMap, configOptionDict, configOptionDict_)
QUORIX_LOCKED_GETTER(QString, serverIp, mServerIpStr)
QUORIX_LOCKED_GETTER(QString, serverUrl, mServerUrlStr)
QUORIX_LOCKED_GETTER(QString, password, mPasswordStr)
QUORIX_LOCKED_GETTER(QString, topRoomId, mTopRoomIdStr)
QUORIX_LOCKED_GETTER(QString, roomId, mRoomIdStr)
QUORIX_LOCKED_GETTER(QString, additionalParams, mAdditionalParamsStr)
QUORIX_LOCKED_GETTER(QString, versionNo, mVersionNoStr)
QUORIX_LOCKED_GETTER(QString, appVersion, mAppVersionStr)
QUORIX_LOCKED_GETTER(QString, companyCode, mCompanyCodeStr)
QUORIX_LOCKED_GETTER(QString, ownerIdStr, ownerIdStr_)
QUORIX_LOCKED_GETTER(QString, exitMessageStr, exitMessageStr_)
#undef QUORIX_LOCKED_GETTER

// ---- Events of the session itself ----

void LoginManager::OnQuorixLog(int level, const QString& strMessage) {
    LogFileManager::write(strMessage, level, true);
}

void LoginManager::OnError(int iErrorKind, int iErrorNo, const QString& /*strError*/) {
    LogFileManager::write(StringWithFormat(kLogMsgDisconnectNetwork, iErrorKind), 0, false);
    int64_t expected = LOGIN_STATUS_LOGGED_IN;
    if (!status_.compare_exchange_strong(expected, LOGIN_STATUS_RECONNECTING)) return;
    if (auto list = userListInfo()) list->resetData(true);
    if (questionnaireInfo_ && questionnaireInfo_->status() == 1 && !questionnaireInfo_->issuedUserId().isEmpty()) {
        if (auto* d = delegate()) d->onQuestionStop();
        questionnaireInfo_->stopQuestionnaire();
        questionnaireInfo_->resetQuestionnaire();
    }
    if (auto recording = recordingManagerRef()) recording->stopAllRecording();
    if (auto* d = delegate()) d->onConnectionError(iErrorNo);
}
