// The login flow: launch fields, room configuration, update check, per-login
// objects, start notice, core login, completion notice and the set-up after
// it; failures go to the delegate with their kind and code. A connection lost
// while logged in starts automatic reconnection.
#include "interface/QuorixCoreAPI.h"
#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"
#include "services/DataSaveManager.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"
#include "services/UpdateManager.h"
#include "services/WebAccess.h"

namespace {

constexpr qsizetype kMinLinkFields = 11;  // a launch by link carries the notice token at 10

void logInfo(const QString& text) { LogFileManager::write(text, 2, false); }
void logError(const QString& text) { LogFileManager::write(text, 0, false); }

}  // namespace

void LoginManager::launch(const QStringList& fields, bool isUpdate) {
    loginQueue_->async([this, fields, isUpdate] {
        if (!shuttingDown_.load()) login(fields, isUpdate);
    });
}

void LoginManager::retryInBackground() {
    loginQueue_->async([this] {
        if (!shuttingDown_.load()) retry();
    });
}

void LoginManager::login(const QStringList& fields, bool isUpdate) {
    if (status_.load() == LOGIN_STATUS_LOGGED_IN) {
        status_ = LOGIN_STATUS_IDLE;
        obtainBridge();
        mbIsRelogin = true;
    } else if (bridge()->status() == 0) {
        // The core was ended by a logout: a new launch needs it again.
        obtainBridge();
    }
    status_ = LOGIN_STATUS_LOGGING_IN;
    logInfo(StringWithFormat(kLogMsgLoginStart, LogMessage::conversionBootType(isUpdate)));

    const auto fail = [this](int kind, int code) {
        status_ = LOGIN_STATUS_IDLE;
        reportLoginError(kind, code, 0);
    };

    if (const int result = analizeParameter(fields, isUpdate); result != 0) {
        QString shown = StringWithFormat("%@,****,%@,%@,%@,%@", myInfo_->userId(), myInfo_->userName(), topRoomId(),
                                         roomId(), serverUrl());
        if (!isUpdate) shown += StringWithFormat(",%@", additionalParams());
        logError(StringWithFormat(kLogMsgShemeInvalidParam, shown));
        fail(LOGIN_ERROR_PARAMETER, result);
        return;
    }
    if (const int result = getConfigData(); result != 0) {
        resetAll();
        fail(LOGIN_ERROR_CONFIG, result);
        return;
    }

    UpdateManager& update = UpdateManager::sharedManager();
    update.setParam(serverUrl(), myInfo_->userId(), password(), myInfo_->userName(), topRoomId(), roomId());
    if (!update.checkSupportSystemVersion()) {
        fail(LOGIN_ERROR_SYSTEM_VERSION, 0);
        return;
    }
    if (!update.checkSupportAppVersion()) {
        status_ = LOGIN_STATUS_IDLE;
        return;
    }
    if (!update.isSkipNotify()) update.checkLatestAppVersion(false);

    setLoginParameters();

    const QVariantMap config = configDataDict();
    {
        auto list = std::make_shared<UserListInfo>(iRoomCategory_.load(), myInfo_, ownerIdStr(),
                                                   getScheduleUserArray());
        std::lock_guard lock(dataMutex_);
        mUserListInfo = std::move(list);
    }
    if (mAudioManager) mAudioManager->setup(miRoomSampling.load(), config);
    if (remoteStgManager_) {
        remoteStgManager_->setOptions(config);
        remoteStgManager_->setMyInfo(myInfo_);
    }
    if (mDocShareManager) {
        mDocShareManager->setMyInfo(myInfo_);
        mDocShareManager->setOptions(config);
    }
    if (questionnaireInfo_) questionnaireInfo_->resetQuestionnaire();
    if (isFlagOn(config, "MODE_DISPCONTROL")) {
        if (!remoteSupportManager_ && features_.remoteSupportManager)
            remoteSupportManager_ = features_.remoteSupportManager(*this);
    } else {
        remoteSupportManager_.reset();
    }
    if (permissionManager_) permissionManager_->setParameters(myInfo_, config);
    setRecordingManager();

    if (isUpdate) {
        loginForServer();
        return;
    }
    if (const int result = sendTokenToServer(QStringLiteral("notifystarted")); result != 0) {
        resetAll();
        fail(LOGIN_ERROR_TOKEN, result);
        return;
    }
    loginForServer();
}

int LoginManager::checkLaunchFields(const QStringList& fields, bool isUpdate) {
    if (fields.isEmpty()) return -101;
    if (!isUpdate && fields.size() < kMinLinkFields) return -102;
    // User id, password, user name, top room, room and the web-service address.
    for (int i : {1, 2, 3, 4, 5, 6})
        if (fields.value(i).isEmpty()) return -103;
    return 0;
}

int LoginManager::analizeParameter(const QStringList& fields, bool isUpdate) {
    const int result = checkLaunchFields(fields, isUpdate);
    if (result == -101 || result == -102) return result;
    myInfo_->setUserId(fields.value(1));
    myInfo_->setUserName(fields.value(3));
    {
        std::lock_guard lock(dataMutex_);
        mPasswordStr = fields.value(2);
        mTopRoomIdStr = fields.value(4);
        mRoomIdStr = fields.value(5);
        mServerUrlStr = fields.value(6);
        if (!isUpdate) mAdditionalParamsStr = fields.value(10);
    }
    return result;
}

int LoginManager::sendTokenToServer(const QString& mode) {
    const QString url = StringWithFormat("%@client/downloader4.php?mode=%@&%@", serverUrl(),
                                         WebAccess::encodeQueryValue(mode), additionalParams());
    const auto reply = WebAccess::sendSynchronizedHTTPRequest(url);
    if (!reply) return -301;
    const QString text = QString::fromUtf8(*reply);
    const qsizetype at = text.indexOf(u"RESULT=");
    if (at < 0) return 0;
    return text.mid(at + 7).startsWith(u'2') ? -302 : 0;
}

void LoginManager::loginForServer() {
    const int firstConnectType = bSupportTunneling_.load() ? mSaveManager->loadConnectType() : -1;
    const std::optional<QString> proxy = proxyListJson();
    const QString support = getSupportFuncJson();
    const QVariantMap config = configDataDict();

    QuorixLoginParams p;
    p.strAddr = serverIp();
    p.iPort = miServerPort.load();
    p.iFirstConnectType = firstConnectType;
    p.strProxyInfoJson = proxy;
    p.strUserId = myInfo_->userId();
    p.strPassword = password();
    p.strUserName = myInfo_->userName();
    p.iTopRoomId = IntValue(topRoomId());
    p.iRoomId = IntValue(roomId());
    p.iVersion = IntValue(versionNo());
    p.strAppVersion = appVersion();
    p.iRoomSamplingRate = miRoomSampling.load();
    p.strSupportFunc = support;
    p.strOption = QuorixUtils::GetSystemEnvString(QStringLiteral("OPTION_STR"), config);
    const int result = bridge()->Login(p);

    if (const int notice = sendTokenToServer(QStringLiteral("notifycompleted")); notice != 0)
        logError(StringWithFormat(kLogMsgErrorSendToken, notice));

    if (result != 0) {
        if (status_.load() == LOGIN_STATUS_RECONNECTING && (result < 1 || result > 99)) {
            scheduleReconnect();
            return;
        }
        const bool withSubCode = result == -5 || result == -8;
        const int subCode = withSubCode ? bridge()->GetConnectionError() : 0;
        QString shown = StringWithFormat("%d", result);
        if (withSubCode) shown += StringWithFormat("(%d)", subCode);
        logError(StringWithFormat(kLogMsgFailLogin, shown));
        reportLoginError(LOGIN_ERROR_CORE, result, subCode);
        return;
    }

    const bool reconnecting = status_.load() == LOGIN_STATUS_RECONNECTING;
    if (bSupportClientInfo_.load()) sendClientInfo();
    iConnectionType_ = QuorixCoreGetConnectType();
    mSaveManager->saveConnectType(iConnectionType_.load());
    if (!reconnecting) {
        CameraSettings::initCameraSettings(config);
        QString proxyHost, proxyPort;
        {
            std::lock_guard lock(dataMutex_);
            proxyHost = proxyHostForLog_;
            proxyPort = proxyPortForLog_;
        }
        const auto value = [&](const char* key) { return config.value(QString::fromLatin1(key)).toString(); };
        logInfo(StringWithFormat(kLogMsgUserInfo, myInfo_->userId(), myInfo_->userName()));
        logInfo(StringWithFormat(kLogMsgRoomInfo, value("COMPANYNAME"), topRoomId(), value("CLASSNAME"), roomId()));
        logInfo(StringWithFormat(kLogMsgConnectType, serverIp(), miServerPort.load(),
                                 LogMessage::conversionSetConnectType(iConnectionType_.load(), proxyPort, proxyHost)));
        logInfo(StringWithFormat(kLogMsgConfInfoRoomType, LogMessage::conversionConfCategory(iRoomCategory_.load()),
                                 iMaxParticipant_.load()));
        if (!QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_OPUS"), config))
            logInfo(StringWithFormat(kLogMsgConfInfoRoomSamplingrate,
                                     LogMessage::conversionStrRoomSamplingRate(miRoomSampling.load())));
    }
    if (mAudioManager) mAudioManager->start();
    setupAudioAndCameraStatus();
    NotificationCenter::defaultCenter().post(QStringLiteral("notification_name_launch_check"));
    if (!reconnecting) deleteDocShareTmpFiles();
    setupWebinarManager(reconnecting);
    if (reconnecting) {
        if (auto list = userListInfo()) list->setMyInfo();
    }
    logInfo(QString::fromLatin1(kLogMsgLoginProcessEnd));
    status_ = LOGIN_STATUS_LOGGED_IN;
    if (auto* d = delegate()) d->onLoginSuccess(mbIsRelogin.load());

    switch (iRoomCategory_.load()) {
        case ROOM_CATEGORY_MANYMTG:
            QuorixCoreStartSpeech();
            QuorixCoreManyMtgSpeakerListReq();
            break;
        case ROOM_CATEGORY_SEMINAR:
            updateListInSeminarMode();
            if (myInfo_->userId() == ownerIdStr()) QuorixCoreStartSpeech();
            break;
        case ROOM_CATEGORY_NORMAL:
            QuorixCoreStartSpeech();
            break;
        default:
            break;
    }
    if (bSupportASServer_.load()) {
        const std::pair<const char*, const char*> qualities[] = {
            {"MODE_AS_JPEG_QUALITY_DEFAULT", "ASJpegQualityDefault"},
            {"MODE_AS_JPEG_QUALITY_MAX", "ASJpegQualityMax"},
            {"MODE_AS_JPEG_QUALITY_MIN", "ASJpegQualityMin"}};
        for (const auto& [key, param] : qualities) {
            if (const auto v = QuorixUtils::GetSystemEnvString(QString::fromLatin1(key), config))
                QuorixCoreSetParam(param, v->toUtf8().constData());
        }
    }
}

void LoginManager::scheduleReconnect() {
    // The attempt itself runs on the login queue; a logout or a new launch in
    // the meantime (the status is no longer "reconnecting") cancels it.
    mainQueue().after(kReconnectInterval, this, [this] {
        if (status_.load() != LOGIN_STATUS_RECONNECTING || shuttingDown_.load()) return;
        loginQueue_->async([this] {
            if (status_.load() == LOGIN_STATUS_RECONNECTING && !shuttingDown_.load()) loginForServer();
        });
    });
}

void LoginManager::retry() {
    obtainBridge();
    mbIsRelogin = true;
    if (auto list = userListInfo()) list->resetData(true);
    if (permissionManager_) permissionManager_->resetParameters(false);
    loginForServer();
}

void LoginManager::reLogin() {
    if (auto list = userListInfo()) list->resetData(true);
    bridge()->Term();
    if (status_.load() == LOGIN_STATUS_RECONNECTING) {
        obtainBridge();
        loginForServer();
    }
}

int LoginManager::getConnectType() const {
    return status_.load() == LOGIN_STATUS_LOGGED_IN ? QuorixCoreGetConnectType() : -1;
}
