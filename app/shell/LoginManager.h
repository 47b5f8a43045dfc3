// The hub of a conference: LoginManager takes a launch from its fields to a
// logged-in room, keeps the state of the login and of the room, owns the
// bridge to the core and the feature managers, receives every core event
// (QuorixInterface) and hands each on to its delegate or to the feature
// manager concerned. Besides the bridge it is the only caller of the core's
// functions.
//
// The class is written in sections, one source file each:
//   LoginManager.cpp              model, creation, reset, logout, events of the session itself
//   LoginManagerLogin.cpp         launch, login flow, notices and reconnection
//   LoginManagerConfig.cpp        room configuration, login parameters, JSON texts, proxy list
//   LoginManagerParticipants.cpp  participant events
// Feature hook-ups (own media, free messages, chat, sharing, recording, ...)
// add a section of their own in the same way.
//
// Threads: every login, retry and reconnect attempt runs on the manager's one
// serial login queue, never on the main thread and never two at once; core
// events arrive on the core's threads and never wait for the main thread.
// `logout` runs on the main thread (never on a core thread: it joins them)
// and not while a login runs.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "conference/SpeakerInfo.h"
#include "conference/UserInfo.h"
#include "conference/UserListInfo.h"
#include "shell/LoginManagerFeatures.h"
#include "shell/QuorixBridge.h"
#include "shell/QuorixInterface.h"

class DataSaveManager;
class DispatchQueue;

enum LoginStatus : int64_t {
    LOGIN_STATUS_IDLE = 0,
    LOGIN_STATUS_LOGGED_IN = 1,
    LOGIN_STATUS_LOGGING_IN = 2,
    LOGIN_STATUS_LOGGING_OUT = 3,
    LOGIN_STATUS_RECONNECTING = 4,
};

enum LoginErrorKind : int {
    LOGIN_ERROR_PARAMETER = 0,
    LOGIN_ERROR_CONFIG = 1,
    LOGIN_ERROR_TOKEN = 2,
    LOGIN_ERROR_CORE = 3,
    LOGIN_ERROR_SYSTEM_VERSION = 4,
};

// The conference window's side. Messages arrive on the thread that caused them
// (the login queue, a core thread); the window moves its work to the main queue.
class LoginManagerDelegate {
public:
    virtual ~LoginManagerDelegate() = default;
    virtual void onLoginError(int /*kind*/, int /*code*/, int /*subCode*/) {}
    virtual void onLoginSuccess(bool /*relogin*/) {}
    virtual void onConnectionError(int /*errorNo*/) {}
    // The session was ended from outside: kind 0 by a user (or the schedule,
    // user id "[ scheduler ]"), 1 pushed out by another login, 2 unknown.
    virtual void onForceLogout(int /*kind*/, const QString& /*userId*/, const QString& /*userName*/) {}
    virtual void onQuestionStop() {}
};

class LoginManager : public QObject, public QuorixInterface, public QuorixDelegate {
public:
    // Answers the bridge for an event receiver; by default the one `Quorix`.
    using BridgeProvider = std::function<QuorixBridge*(QuorixInterface* receiver)>;

    static constexpr std::chrono::milliseconds kReconnectInterval{5000};

    explicit LoginManager(LoginManagerFeatures features = {}, BridgeProvider bridgeProvider = {});
    ~LoginManager() override;

    // ---- Launch and login (LoginManagerLogin.cpp) ----

    // Queues a login on the login queue: a launch during a running login waits
    // for it to end.
    void launch(const QStringList& fields, bool isUpdate);
    // Queues `retry` on the login queue.
    void retryInBackground();
    // Runs until the queued logins and attempts are done (tests, shutdown).
    void waitForLoginQueue();

    // The whole login; outcomes reach the delegate. Runs on the calling thread
    // (the login queue), never on the main thread.
    void login(const QStringList& fields, bool isUpdate);
    // 0, -101, -102 or -103; stores the launch fields.
    int analizeParameter(const QStringList& fields, bool isUpdate);
    // 0, -301 or -302.
    int sendTokenToServer(const QString& mode);
    // The core login and everything after it; the entry of every reconnect attempt.
    void loginForServer();
    // A reconnect attempt with a fresh bridge.
    void retry();
    void reLogin();
    int getConnectType() const;

    // ---- Room configuration and login parameters (LoginManagerConfig.cpp) ----

    // The web-service address with a page name dropped and a "/" at the end.
    static QString normalizedServerUrl(const QString& address);
    // The base of the web-service requests: the address before "100.php".
    static QString requestBaseUrl(const QString& normalizedAddress);
    // Host and port of a "SERVERIP" value (port 22000 without one).
    static std::pair<QString, int> parseServerAddress(const QString& value);
    // 0, -201, the parser's error code, or the configuration's "status".
    int getConfigData();
    void setLoginParameters();
    QString getSupportFuncJson();
    // The proxy list for the core login, or none; also remembers the first
    // proxy's host and port for the log.
    std::optional<QString> proxyListJson();
    void sendClientInfo();
    // The seminar schedule from the configuration.
    std::optional<std::vector<SpeakerInfoRef>> getScheduleUserArray();

    // ---- Session (LoginManager.cpp) ----

    void resetAll();
    // Ends the session; nothing when idle. With keepList only the lists are
    // emptied and the status stays "logging out".
    void logout(bool keepList);
    void releaseAllObject();

    int64_t status() const { return status_.load(); }
    LoginManagerDelegate* delegate() const { return delegate_.load(); }
    void setDelegate(LoginManagerDelegate* d) { delegate_.store(d); }

    UserInfoRef myInfo() const { return myInfo_; }
    // The participant list of the current login (none before the first).
    std::shared_ptr<UserListInfo> userListInfo() const;
    QVariantMap configDataDict() const;
    QVariantMap configOptionDict() const;
    QString serverIp() const;
    int serverPort() const { return miServerPort.load(); }
    QString serverUrl() const;
    QString password() const;
    QString topRoomId() const;
    QString roomId() const;
    QString additionalParams() const;
    QString versionNo() const;
    QString appVersion() const;
    QString companyCode() const;
    QString ownerIdStr() const;
    QString exitMessageStr() const;
    int roomSampling() const { return miRoomSampling.load(); }
    int iRoomCategory() const { return iRoomCategory_.load(); }
    int iMaxParticipant() const { return iMaxParticipant_.load(); }
    int iManySpeaker() const { return iManySpeaker_.load(); }
    int iConnectionType() const { return iConnectionType_.load(); }
    bool isRelogin() const { return mbIsRelogin.load(); }

    // Room flags.
    bool bCaptainFree() const { return bCaptainFree_.load(); }
    bool bForceLeave() const { return bForceLeave_.load(); }
    bool bSupportSampling() const { return bSupportSampling_.load(); }
    bool bSupportHighRes() const { return bSupportHighRes_.load(); }
    bool bSupportHW() const { return bSupportHW_.load(); }
    bool bSupportQuestion() const { return bSupportQuestion_.load(); }
    bool bSupportTunneling() const { return bSupportTunneling_.load(); }
    bool bSupportDSPointer() const { return bSupportDSPointer_.load(); }
    bool bSupportManyMtg() const { return bSupportManyMtg_.load(); }
    bool bSupportRemoteStg() const { return bSupportRemoteStg_.load(); }
    bool bSupportASServer() const { return bSupportASServer_.load(); }
    bool bSupportClientInfo() const { return bSupportClientInfo_.load(); }
    bool isJsonLogin() const { return mbIsJsonLogin.load(); }

    QuorixBridge* bridge() const { return mQuorix.load(); }
    LoginAudioManager* audioManager() const { return mAudioManager.get(); }
    LoginRemoteStgManager* remoteStgManager() const { return remoteStgManager_.get(); }
    LoginDocShareManager* docShareManager() const { return mDocShareManager.get(); }
    LoginQuestionnaireInfo* questionnaireInfo() const { return questionnaireInfo_.get(); }
    LoginPermissionManager* permissionManager() const { return permissionManager_.get(); }
    LoginRecordingManager* recordingManager() const { return recordingManager_.get(); }
    LoginRemoteSupportManager* remoteSupportManager() const { return remoteSupportManager_.get(); }

    // ---- Events (QuorixInterface) ----
    void OnError(int iErrorKind, int iErrorNo, const QString& strError) override;
    void OnQuorixLog(int level, const QString& strMessage) override;
    // LoginManagerParticipants.cpp
    void OnEnterMember(const QString& strUserId, const QString& strUserName, const QString& strUserType) override;
    void OnLeaveMember(const QString& strUserId) override;

private:
    void obtainBridge();
    void reportLoginError(int kind, int code, int subCode);
    void scheduleReconnect();
    bool isFlagOn(const QVariantMap& config, const char* key) const;

    LoginManagerFeatures features_;
    BridgeProvider bridgeProvider_;
    std::shared_ptr<DispatchQueue> loginQueue_;
    std::atomic<bool> shuttingDown_{false};

    std::atomic<int64_t> status_{LOGIN_STATUS_IDLE};
    std::atomic<LoginManagerDelegate*> delegate_{nullptr};

    // Login texts, configuration and participant list: written by the login,
    // read from any thread through the accessors.
    mutable std::mutex dataMutex_;
    QString mAdditionalParamsStr, mServerIpStr, mPasswordStr, mServerUrlStr, mTopRoomIdStr, mRoomIdStr,
        mVersionNoStr, mAppVersionStr, mCompanyCodeStr;
    QVariantMap configDataDict_, configOptionDict_;
    QString ownerIdStr_, exitMessageStr_;
    std::shared_ptr<UserListInfo> mUserListInfo;
    // Host and port of the proxy the last login was given (for the log).
    QString proxyHostForLog_, proxyPortForLog_;

    std::atomic<int> miServerPort{0};
    std::atomic<int> miRoomSampling{0};
    std::atomic<int> iRoomCategory_{0}, iMaxParticipant_{0}, iManySpeaker_{0}, iConnectionType_{0};
    std::atomic<int> miMainUserClientNo{-1};
    std::atomic<bool> mbIsJsonLogin{false}, mbIsRelogin{false};
    std::atomic<bool> mbIsSeminarSpeaker{false}, mbIsManySpeaker{false}, mbIsReserve{false};
    std::atomic<bool> bCaptainFree_{false}, bForceLeave_{false}, bSupportSampling_{false}, bSupportHighRes_{false},
        bSupportHW_{false}, bSupportQuestion_{false}, bSupportTunneling_{false}, bSupportDSPointer_{false},
        bSupportManyMtg_{false}, bSupportRemoteStg_{false}, bSupportASServer_{false}, bSupportClientInfo_{false};
    std::atomic<bool> bIsHideMyVideo{false};

    const UserInfoRef myInfo_;
    std::atomic<QuorixBridge*> mQuorix{nullptr};
    std::unique_ptr<DataSaveManager> mSaveManager;
    std::unique_ptr<LoginAudioManager> mAudioManager;
    std::unique_ptr<LoginRemoteStgManager> remoteStgManager_;
    std::unique_ptr<LoginDocShareManager> mDocShareManager;
    std::unique_ptr<LoginQuestionnaireInfo> questionnaireInfo_;
    std::unique_ptr<LoginPermissionManager> permissionManager_;
    std::unique_ptr<LoginRecordingManager> recordingManager_;
    std::unique_ptr<LoginRemoteSupportManager> remoteSupportManager_;
};
