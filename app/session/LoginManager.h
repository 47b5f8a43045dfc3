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
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QImage>

#include "model/SpeakerInfo.h"
#include "model/UserInfo.h"
#include "model/UserListInfo.h"
#include "model/SharedArray.h"
#include "session/LoginManagerFeatures.h"
#include "session/QuorixBridge.h"
#include "session/QuorixInterface.h"

class DataSaveManager;
class MessageInfo;
class TextBoxData;
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

    // ---- Feature hook-ups: participants, media, sharing, chat, documents, modes, recording ----
    virtual void onChangeOwner(const QString& /*ownerId*/, const QString& /*oldOwnerId*/) {}
    virtual void onSpeechReserve(const UserInfoRef& /*info*/) {}
    virtual void onSpeechReserveCancel(int /*kind*/) {}
    virtual void onSpeechReserveResult(int /*result*/) {}
    virtual void onSpeechNomitate(int /*kind*/) {}
    virtual void onSpeechNominateResult(int /*result*/) {}
    virtual void onStartSpeech(const SpeakerInfoRef& /*speaker*/) {}
    virtual void onEndSpeech(const SpeakerInfoRef& /*speaker*/) {}
    virtual void onStartManySpeech(const SpeakerInfoRef& /*speaker*/) {}
    virtual void onEndManySpeech(const SpeakerInfoRef& /*speaker*/) {}
    virtual void onErrorStartManySpeech(int /*result*/) {}
    virtual void stopSpeechForWebinar() {}
    virtual void updateVideo(int /*clientNo*/, const QImage& /*image*/, const QString& /*name*/) {}
    virtual void onChangeCameraStatus(bool /*isOn*/) {}
    virtual void onChangeMicStatus(bool /*isOn*/, float /*volume*/) {}
    virtual void onChangeSpeakerStatus(bool /*isOn*/, float /*volume*/) {}
    virtual void onAudioVolume(int /*clientNo*/, int /*volume*/) {}
    virtual void updateMessage(const std::shared_ptr<MessageInfo>& /*thread*/, bool /*isNotify*/) {}
    virtual void updateTextBox(bool /*open*/) {}
    virtual void onQuestionStart(const QString& /*issuerId*/, const QString& /*question*/, int /*count*/,
                                 const QStringList& /*choices*/, int /*options*/) {}
    virtual void onQuestionResult() {}
    virtual void startDocShare(const UserInfoRef& /*leader*/, bool /*isNewStart*/) {}
    virtual void stopDocShare(const QString& /*userId*/) {}
    virtual void startDocShareError(int /*code*/) {}
    virtual void onDocShareActive() {}
    virtual void onASStartRequest(bool /*ask*/, const QString& /*userId*/) {}
    virtual void onASStartRequestCancel() {}
    virtual void onASStartRequestRes(bool /*permitted*/) {}
    virtual void onASStopRequest() {}
    virtual void onAPShareStart(uint16_t /*first*/, uint16_t /*stype*/, uint16_t /*width*/, uint16_t /*height*/,
                                uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/,
                                const QString& /*sharerId*/, const QString& /*sharerName*/,
                                const QString& /*operatorId*/, const QString& /*operatorName*/) {}
    virtual void onASStartPermit(uint32_t /*value*/) {}
    virtual void onASStartRefuse(uint32_t /*value*/) {}
    virtual void onAPShareStop(int /*kind*/, const QString& /*sharerId*/, const QString& /*sharerName*/) {}
    virtual void onAPShareResize(uint16_t, uint16_t, uint16_t, uint16_t) {}
    virtual void onAPShareKeyFrame(uint16_t, uint16_t, uint16_t, uint16_t) {}
    virtual void onAPShareRect(uint16_t, uint16_t, uint16_t, uint16_t, const QByteArray& /*data*/, int /*length*/) {}
    virtual void onAPShareControlChange(const QString& /*operatorId*/, const QString& /*operatorName*/,
                                        int /*controlStatus*/, bool /*controlRequestStatus*/) {}
    virtual void onASControlReq(uint32_t /*kind*/, const QString& /*userId*/, const QString& /*userName*/) {}
    virtual void onASControlRes(uint32_t /*result*/, const QString& /*userId*/, const QString& /*userName*/) {}
    virtual void onASControlRet() {}
    virtual void onASKeyEvent(uint32_t /*key*/, uint32_t /*updown*/) {}
    virtual void onASMouseEvent(uint16_t /*kind*/, uint16_t /*x*/, uint16_t /*y*/) {}
    virtual void onASMouseWheelEvent(int /*delta*/) {}
    virtual void onASClipBoardText(const QByteArray& /*text*/) {}
    virtual void onChangeLayoutOfWebinarView(bool /*flag*/, int /*mode*/) {}
    virtual void onStartRecording(const std::shared_ptr<RecordingInfo>& /*recording*/, int /*fileType*/,
                                  int /*targetType*/) {}
    virtual void onStopRecording(const std::shared_ptr<RecordingInfo>& /*recording*/, int /*fileType*/,
                                 int /*targetType*/) {}
    virtual void onRecordingError(int /*error*/) {}
    virtual void onRecordingErrorStr(const QString& /*message*/, const QString& /*title*/, int /*alertType*/) {}
    virtual void updateRecSystemMenu() {}
    // The custom camera background, or a null image; called synchronously.
    virtual QImage getBgCustomImg() { return QImage(); }
    // ---- end of the feature hook-ups ----
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
    // What analizeParameter answers for these fields, without storing them:
    // a launch can be refused before the running conference is left.
    static int checkLaunchFields(const QStringList& fields, bool isUpdate);
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
    // The recording manager of the current login, or none. Audio threads feed
    // it while a new login replaces it: callers hold a reference for the call.
    std::shared_ptr<LoginRecordingManager> recordingManagerRef() const;
    LoginRecordingManager* recordingManager() const { return recordingManagerRef().get(); }
    LoginRemoteSupportManager* remoteSupportManager() const { return remoteSupportManager_.get(); }
    // The own application share (none without its factory); the caller keeps it.
    std::unique_ptr<LoginAPShareServer> makeAPShareServer(const LoginAPShareServerOptions& options,
                                                          LoginAPShareServerViewAction* viewAction) {
        return features_.apShareServer ? features_.apShareServer(*this, options, viewAction) : nullptr;
    }

    // ---- Events (QuorixInterface) ----
    void OnError(int iErrorKind, int iErrorNo, const QString& strError) override;
    void OnQuorixLog(int level, const QString& strMessage) override;
    // LoginManagerParticipants.cpp
    void OnEnterMember(const QString& strUserId, const QString& strUserName, const QString& strUserType) override;
    void OnLeaveMember(const QString& strUserId) override;

    // ==== Feature hook-ups (one section file each) ====

    // ---- Participants, chair and floor (LoginManagerParticipants.cpp) ----
    bool isOwner() const;
    bool isConferenceOwner() const { return isOwner(); }
    bool isSpeaker() const;
    bool isSpeakable() const;
    bool isWebinar() const;
    bool isMainUserStatusLogin() const { return miMainUserClientNo.load() != -1; }
    UserInfoRef getUserInfo(const QString& userId) const;
    UserInfoRef checkOwnerInfo(const QString& userId) const { return getUserInfo(userId); }
    // 0 allowed, 3 not allowed (operations 0 document sharing, 1 application sharing, 5 remote settings).
    int getOperationState(int operation) const;
    bool isSeminarSpeaker() const { return mbIsSeminarSpeaker.load(); }
    bool isReserve() const { return mbIsReserve.load(); }
    bool isManySpeaker() const { return mbIsManySpeaker.load(); }
    int mainUserClientNo() const { return miMainUserClientNo.load(); }
    void changeOwner(const QString& userId);
    void forceLeave(const QString& userId);
    void nominateSpeaker(const QString& userId);
    void stopSpeech(const QString& userId);
    void endSpeech();
    void reserveSpeech(bool cancel);
    void changeReserveState(bool permit, const UserInfoRef& target);
    void reserveOrStopSpeechForWebinar();
    // The seminar audience from the web service; blocks for the request, so
    // events queue it on the global queue (never on a receive thread).
    void updateListInSeminarMode();
    // Runs the queued audience requests (tests).
    void waitForSeminarList();
    // Where a forced leave's logout runs (by default the global queue).
    void setLogoutRunner(std::function<void(std::function<void()>)> runner);

    // ---- Own media (LoginManagerMedia.cpp) ----
    bool isMicOn() const { return bIsMicOn.load(); }
    bool isSpeakerOn() const { return bIsSpeakerOn.load(); }
    bool isCameraOn() const { return bIsCameraOn.load(); }
    bool isHideMyVideo() const { return bIsHideMyVideo.load(); }
    void setIsHideMyVideo(bool hide) { bIsHideMyVideo = hide; }
    bool isSendCameraOffTimerRunning() const { return cameraOffTimerOn_.load(); }
    static constexpr std::chrono::milliseconds kCameraOffInterval{3000};
    void changeCameraOnOff();
    void hideMyVideo(bool hide);
    void changeMicOnOff();
    void changeMicVolume(float volume);
    void changeSpeakerOnOff(int clientNo);
    void changeSpeakerVolume(int clientNo, float value);
    void sendVideoReception(int clientNo, bool start);
    void sendVideoReceptionAll(bool start);
    void updateVideoSettings(const QSize& size, int frameRate, const std::optional<QString>& device);
    void setVideoInManyMode(bool many, bool check);
    void setupAudioAndCameraStatus();
    void setupSelfVideo();
    void initEnteringRoom();
    void setTimerSendCameraOff(bool on);
    void sendCameraOffImage();
    // The picture sent while the camera is off (3 bytes a pixel, blue, green,
    // red, bottom row first, in a buffer of width x height x 4 bytes).
    static QByteArray cameraOffPixels(const QImage& picture);
    void onChangeSpeakerSamplingRate(int rate);
    void updateAudioSettings(const std::optional<AudioDeviceInfo>& input, const std::optional<AudioDeviceInfo>& output,
                             int64_t echoCancelMode, int64_t noiseReductionMode);
    // Captured microphone audio (the audio manager's capture callback).
    void onAudioInput(const QByteArray& pcm, double boostLevel, int sampleRate);

    // ---- Free messages and application sharing (LoginManagerFreeMsg.cpp) ----
    int64_t apShareStatus() const { return apShareStatus_.load(); }
    int64_t apShareRequestStatus() const;
    QString apShareRequesterStr() const;
    QString apShareRequesteeStr() const;
    QString apSharerIdStr() const;
    QString apSharerNameStr() const;
    QString apOperatorIdStr() const;
    void sendFreeMsg(uint32_t code, const QString& userId, int value, const QString& data);
    void requestAPShare(const QString& userId, bool isStart);
    void cancelRequestAPShare();
    void permitRequestAPShare();
    void rejectRequestAPShare();
    // Sharing commands of the sharing classes.
    void sendCommand(int command, const QString& data);
    void sendControlReq(uint32_t kind, const QString& operatorId, const QString& operatorName);
    void sendControlRet();
    void regainControl() { sendControlRet(); }
    void sendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y);
    void sendMouseWheelEvent(int delta);
    void sendKeyEvent(uint32_t key, uint32_t eventType);
    void sendClipboardAsClient(const QString& text);
    void sendClipboardAsServer(const QString& text);
    void sendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left, uint16_t top,
                   uint16_t right, uint16_t bottom);
    void sendStop();
    void sendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
    void sendRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, const uint8_t* data);
    void sendWindowChange(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
    void sendControlRes(uint32_t result, const QString& userId, const QString& userName);

    // ---- Chat, private messages and questionnaires (LoginManagerChat.cpp) ----
    // The text box "Type: TEXTBOXMESSAGE" block of a message (UTF-8); none
    // when the texts have no UTF-8 form.
    static std::optional<QByteArray> textBoxBlock(const QString& userId, const QString& userName,
                                                  const QString& message);
    bool sendTextBoxData(const QString& message);
    void sendTextBoxForceDisplay();
    // Writes the chat file (replacing it, atomically) and returns when it is written.
    void saveTextBoxData(const std::optional<QString>& text);
    static QString chatFilePath();
    std::vector<std::shared_ptr<TextBoxData>> textBoxDataArry() const;
    std::vector<std::shared_ptr<MessageInfo>> messageDataArry() const;
    bool sendMessgaeData(const QString& userId, const QString& message);
    bool startQuestionnaire(const QString& question, const QStringList& choices, int options);
    void stopQuestionnaire(bool reset);
    void sendQuestionnaireAnswer(int answer, const QString& choiceItem);

    // ---- Document sharing, remote settings, permissions (LoginManagerDocShare.cpp) ----
    std::optional<QString> getDocShareDefaultUrl() const;
    void startDocShare();
    void stopDocShare();
    void sendDocShareData(const QString& block);
    void onDocShareActive();
    void sendDocShareRequest();
    void deleteDocShareTmpFiles();
    bool isDocShareStarted() const { return bIsDocShareStarted.load(); }
    bool getCurrentMicOnOff() const { return bIsMicOn.load(); }
    bool getCurrentSpkOnOff() const { return bIsSpeakerOn.load(); }
    bool getCurrentCamOnOff() const { return bIsCameraOn.load(); }
    int getCurrentMicVolume() const;
    int getCurrentSpkVolume() const;
    bool getCurrentEchoOnOff() const;
    std::optional<QStringList> getAllMicDevice() const;
    std::optional<QStringList> getAllSpkDevice() const;
    void sendRemoteStgMsg(uint32_t code, const QString& userId, int value, const QString& data);
    bool remoteChangeMicOnOff(const UserInfoRef& requester, bool isMicOn);
    bool remoteChangeMicVolume(const UserInfoRef& requester, int volume);
    bool remoteChangeSpeakerOnOff(const UserInfoRef& requester, bool isSpeakerOn);
    bool remoteChangeSpeakerVolume(const UserInfoRef& requester, int volume);
    bool remoteChangeMicDevice(const UserInfoRef& requester, const QString& deviceName);
    bool remoteChangeSpeakerDevice(const UserInfoRef& requester, const QString& deviceName);
    bool remoteChangeEchoCancel(const UserInfoRef& requester, bool isEchoCancelOn);
    bool remoteChangeCameraOnOff(const UserInfoRef& requester, bool isCameraOn);
    bool remoteChangeCameraDevice(const UserInfoRef& requester, const QString& deviceName);
    bool remoteChangeResolution(const UserInfoRef& requester, const QSize& size);
    bool remoteChangeFps(const UserInfoRef& requester, int fps);
    std::optional<QString> getCurrentMicDevice() const;
    std::optional<QString> getCurrentSpkDevice() const;
    std::optional<QString> getCurrentCamDevice() const;
    QSize getCurrentResolution() const;
    int getCurrentFrameRate() const;
    QStringList getAllCamDevice() const;
    std::vector<QSize> getAllResolution() const;
    QStringList getAllFrameRate() const;
    void sendPermissionCmd(const QString& userId, int command, int code, int funcFlgs, int permitFlgs);
    void onChangeMyPermission(const std::map<int, bool>& permissions);

    // ---- Many-meeting, webinar and display control (LoginManagerModes.cpp) ----
    void sendStopForManyMtg();
    void setupWebinarManager(bool reconnecting);
    LoginWebinarManager* webinarManager() const;
    void sendFreeMsg(const QString& layoutText);
    void onChangeLayoutOfWebinarView(bool flag, int mode);
    void sendRemoteSupportMsg(uint32_t code, const QString& userId, int value, const QString& data);

    // ---- Recording (LoginManagerRecording.cpp) ----
    static RecordingParams recordingParams(const QVariantMap& config, const QString& myUserId);
    void setRecordingManager();
    static void recordingConfigSetting(const QVariantMap& config);
    void checkAutoRecStartSelfVideoForManyMtg();
    // The recording manager's reports (RecordingManagerDelegate).
    void onStartRecording(const std::shared_ptr<RecordingInfo>& recording, int fileType, int targetType);
    void onStopRecording(const std::shared_ptr<RecordingInfo>& recording, int fileType, int targetType,
                         bool isStopAudio);
    void onRecordingError(int error);
    void onRecordingErrorStr(const QString& message, const QString& title, int alertType);
    void updateRecSystemMenu();
    void onAudioPlayerSampleBuffer(const QByteArray& pcm, int rate);
    void onAudioRecoderSampleBuffer(const QByteArray& pcm, int rate);
    void sendCloudRecStartIfAuto();

    // ---- Events of the feature hook-ups ----
    void OnForceLeave(const QString& strUserId, const QString& strUserName) override;
    void OnPushOut() override;
    void OnChangeOwner(const QString& strUserId) override;
    void OnStartSpeech(int iClientNo, const QString& strUserId, const QString& strUserName, const QString& strUserType,
                       bool bCameraDev, bool bMic) override;
    void OnStopSpeech(int iClientNo) override;
    void OnSpeechNominate(int iKind) override;
    void OnSpeechNominateResult(int iResult) override;
    void OnSpeechEnd() override;
    void OnSpeechReserve(const QString& strUserId, const QString& strUserName, bool bCameraDev, bool bMic) override;
    void OnSpeechReserveCancel(int iValue, const QString& strUserId) override;
    void OnSpeechReserveResult(int iResult) override;
    void OnVideoInput(const QByteArray& pixels, int iSize, int iWidht, int iHeight) override;
    void OnVideoOutput(int iClientNo, const QImage& image) override;
    void OnAudioOutput(int iLevel, const QByteArray& pBuffer, int iSize) override;
    void OnAudioInitialized(int iSlot) override;
    void OnAudioVolume(int iSlot, int iVolume) override;
    void OnRecvFreeMessage(uint32_t code, const QString& senderID) override;
    void OnRecvFreeMessageData(uint32_t code, const QString& userID, int value, const QString& data) override;
    void OnAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left, uint16_t top,
                        uint16_t right, uint16_t bottom, const QString& sharerID, const QString& sharerName,
                        const QString& operatorID, const QString& operatorName) override;
    void OnASStartPermit(uint32_t value) override;
    void OnASStartRefuse(uint32_t value) override;
    void OnAPShareStop(int kind, const QString& sharerID, const QString& sharerName) override;
    void OnAPShareResize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void OnAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void OnAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, const QByteArray& data,
                       int length) override;
    void OnAPShareControlChange(const QString& operatorId, const QString& operatorName) override;
    void OnASControlReq(uint32_t kind, const QString& userID, const QString& userName) override;
    void OnASControlRes(uint32_t result, const QString& userID, const QString& userName) override;
    void OnASControlRet() override;
    void OnASKeyEvent(uint32_t key, uint32_t updown) override;
    void OnASMouseEvent(uint16_t kind, uint16_t mouseX, uint16_t mouseY) override;
    void OnASMouseWheelEvent(int delta) override;
    void OnASClipBoardText(const QByteArray& text) override;
    void OnTextBoxData(const QString& strUserId, const QString& strUserName, const QString& strMessage,
                       const QString& strFontOptionJson) override;
    void OnTextBoxActive(const QString& strUserId, const QString& strUserName) override;
    void OnMessage(const QString& strUserId, const QString& strUserName, const QString& strMessage) override;
    void OnQuestionStart(const QString& userId, const QString& question, bool anonymous, bool multiSelect, int count,
                         const QStringList& selection) override;
    void OnQuestionStop(const QString& userId) override;
    void OnQuestionAnswer(const QString& userId, int answerCount, const QString& answer) override;
    void OnQuestionReceived(const QString& userId) override;
    void OnDocShareData(const QString& strUserId, const QString& strDocShareData) override;
    void OnDocShareStartResult(int iResult) override;
    void OnDocShareStart(const QString& strUserId, const QString& strUserName) override;
    void OnDocShareStop(const QString& strUserId) override;
    void OnManyMtgStartRes(short code, short subCode, const QString& userID, const QString& userName) override;
    void OnManyMtgStart(short code, short subCode, const QString& userID, const QString& userName) override;
    void OnManyMtgStop(short code, short subCode, const QString& userID, const QString& userName) override;
    void OnManyListRes(short code, short subCode, const QStringList& userID, const QStringList& userName) override;
    void OnUserPermissionCmd(const QString& userId, int iCmd, int iCode, int iFuncFlgs, int iPermitFlgs) override;

private:
    // Feature hook-ups' helpers.
    bool nameHidden(const QString& otherId) const;
    QString shownName(const QString& otherId, const QString& name) const;
    bool mayOperateSeminarMedia() const;
    void resetFeatureState();
    void handleSharingRequestMessage(uint32_t code, const QString& senderId);
    void questionnaireCatchUp(const QString& userId);
    void renameMessageThread(const QString& userId, const QString& name, const QString& type);
    std::shared_ptr<MessageInfo> threadFor(const UserInfoRef& partner);
    void stopDocShareWhenNoLongerAllowed();
    bool docShareResetFlag() const;
    void applyManyModeVideo(int width, int height, int frameRate);
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
    mutable std::mutex recordingMutex_;
    std::shared_ptr<LoginRecordingManager> recordingManager_;
    std::unique_ptr<LoginRemoteSupportManager> remoteSupportManager_;

    // ---- State of the feature hook-ups ----
    std::atomic<bool> bIsMicOn{false}, bIsSpeakerOn{true}, bIsCameraOn{false}, bIsDocShareStarted{false};
    std::atomic<int64_t> apShareStatus_{0};
    // The sharing-request dialogue: status, requester and requestee change together.
    mutable std::mutex shareMutex_;
    int64_t apShareRequestStatus_ = 0;
    QString apShareRequesterStr_, apShareRequesteeStr_;
    // The waiting question came from a start order that no permitted request
    // preceded: the user's yes starts the share (the order asked for it).
    bool apShareOrderAsked_ = false;
    QString apSharerIdStr_, apSharerNameStr_, apOperatorIdStr_, apOperatorNameStr_;
    std::shared_ptr<SharedArray<TextBoxData>> textBoxDataArry_;
    std::shared_ptr<SharedArray<MessageInfo>> messageDataArry_;
    // The camera-off timer: a chain of main-queue ticks of one generation;
    // a new generation ends the old chain.
    std::atomic<uint64_t> cameraOffGeneration_{0};
    std::atomic<bool> cameraOffTimerOn_{false};
    std::shared_ptr<DispatchQueue> seminarListQueue_;
    std::function<void(std::function<void()>)> logoutRunner_;
    mutable std::mutex modesMutex_;
    std::unique_ptr<LoginWebinarManager> webinarManager_;
    std::unique_ptr<LoginLocalParamForManyMtg> localParamForManyMtg_;
    std::unique_ptr<LoginSettingNotificator> settingNotificator_;
};
