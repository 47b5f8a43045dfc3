// The feature managers that LoginManager owns, as far as the login and the
// session's lifecycle drive them. The feature subsystems implement these
// interfaces; LoginManager creates them through the factories it is given and
// works without any of them (a missing manager is simply not asked).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "model/LoginQuestionnaireInfo.h"
#include "model/UserInfo.h"
#include "media/AudioDeviceInfo.h"

class LoginManager;
class QWidget;
class RecordingInfo;  // one running recording, the recording subsystem's

// Audio devices (captured audio reaches LoginManager through its own callback).
class LoginAudioManager {
public:
    virtual ~LoginAudioManager() = default;
    virtual void setup(int roomSampling, const QVariantMap& configData) = 0;
    virtual void start() = 0;
    virtual void reset() = 0;
    virtual int roomSampleRate() const = 0;
    // Received audio to the speaker (mix level, PCM).
    virtual void playAudio(int /*level*/, const QByteArray& /*pcm*/) {}
    virtual float inputVolume() const { return 0; }
    virtual float outputVolume() const { return 0; }
    virtual void setMicVolume(float /*volume*/) {}
    virtual void setSpeakerVolume(float /*volume*/) {}
    virtual int64_t echoCancelMode() const { return 0; }
    // The names of the microphones (output NO) or speakers (YES).
    virtual QStringList deviceNameList(bool /*output*/) const { return {}; }
    // The listed devices as (unique id, name), microphones or speakers.
    virtual std::vector<std::pair<QString, QString>> devices(bool /*output*/) const { return {}; }
    virtual bool setMicDeviceWithName(const QString& /*name*/) { return false; }
    virtual bool setSpeakerDeviceWithName(const QString& /*name*/) { return false; }
    virtual void setEchoCancelMode(int64_t /*mode*/, int64_t /*level*/) {}
    // The sample copies for local recording start or stop.
    virtual void startRecording(bool /*on*/) {}
    virtual void changeAudioSettings(const std::optional<AudioDeviceInfo>& /*input*/,
                                     const std::optional<AudioDeviceInfo>& /*output*/, int64_t /*echoCancelMode*/,
                                     int64_t /*echoCancelLevel*/, int64_t /*noiseReductionMode*/) {}
};

class LoginRemoteStgManager {
public:
    virtual ~LoginRemoteStgManager() = default;
    virtual void setOptions(const QVariantMap& configData) = 0;
    virtual void setMyInfo(const UserInfoRef& myInfo) = 0;
    virtual void resetInfo() = 0;
    // A participant appeared (with the all-users window open his settings are asked for); one left.
    virtual void updateClientList(const UserInfoRef& /*info*/, bool /*isDispCheck*/) {}
    virtual void removeUserSettings(const QString& /*userId*/) {}
    // The four remote-settings free messages (sender id, value, text).
    virtual void recvRemoteStgReq(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    virtual void recvRemoteStgRes(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    virtual void recvRemoteStgChangeReq(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    virtual void recvRemoteStgChangeRes(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    // A remote microphone change waits for the many-meeting result.
    virtual bool isManyMtgMicChanging() const { return false; }
    virtual void setIsManyMtgMicChanging(bool /*changing*/) {}
    virtual void setResMessage(const std::optional<QString>& /*message*/) {}
    virtual void changeManySpeaker(const QString& /*ownerId*/, bool /*isMicOn*/) {}
};

class LoginDocShareManager {
public:
    virtual ~LoginDocShareManager() = default;
    virtual void setMyInfo(const UserInfoRef& myInfo) = 0;
    virtual void setOptions(const QVariantMap& configData) = 0;
    // Writes a document-sharing text ("Type", "Key", the value lines) and
    // hands it back through LoginManager::sendDocShareData.
    virtual void sendDocShareMessage(const QString& /*type*/, int /*clientId*/,
                                     const std::optional<QStringList>& /*value*/) {}
    virtual void startDocShare(const UserInfoRef& /*leader*/, bool /*isOwner*/, bool /*hasPermission*/) {}
    virtual void stopDocShare(bool /*resetData*/) {}
    // A received document-sharing text; runs on the relay's receive thread.
    virtual void OnDocShareData(const QString& /*senderId*/, const QString& /*text*/) {}
    virtual void changeSpeaker(bool /*isSpeaker*/) {}
    virtual void changeDocSharePermission(bool /*permitted*/) {}
    // The sharing model: whether it runs, its leader, and whether the user may operate it.
    virtual bool isStarted() const { return false; }
    virtual UserInfoRef ownerInfo() const { return nullptr; }
    virtual bool hasOperationRight() const { return false; }
};

class LoginPermissionManager {
public:
    virtual ~LoginPermissionManager() = default;
    virtual void setParameters(const UserInfoRef& myInfo, const QVariantMap& configData) = 0;
    virtual void resetParameters(bool all) = 0;
    // The permission table follows the participants.
    virtual void addUser(const UserInfoRef& /*info*/) {}
    virtual void deleteUser(const QString& /*userId*/) {}
    virtual void setUser(const std::vector<UserInfoRef>& /*users*/) {}
    // Announces the user's permission flags, with delay after a random wait.
    virtual void sendMyPermission(const QString& /*ownerId*/, bool /*isDelay*/) {}
    virtual void recvPermissionCmd(const QString& /*senderId*/, int /*command*/, int /*code*/, int /*funcFlgs*/,
                                   int /*permitFlgs*/) {}
    // The user's own permission entry: the function is supported, enabled and permitted (type 0 to 2).
    virtual bool isSupportFunc() const { return false; }
    virtual bool getEnable(int /*type*/) const { return false; }
    virtual bool getPermission(int /*type*/) const { return false; }
};

class LoginRecordingManager {
public:
    virtual ~LoginRecordingManager() = default;
    virtual void stopAllRecording() = 0;
    virtual void setIsAutoRecStartSelfVideoForManyMtg(bool /*started*/) {}
    virtual bool isAutoRecStartSelfVideoForManyMtg() const { return false; }
    // The time limit in seconds of an automatic recording.
    virtual int getTimerCountVal() const { return 0; }
    virtual void startAutoSaveRecording(int /*mode*/, const QString& /*userId*/, const QString& /*userName*/,
                                        const QString& /*roomName*/, int /*width*/, int /*height*/,
                                        int /*timerCountVal*/) {}
    virtual bool isRecordingUser(const QString& /*userId*/) const { return false; }
    // A running recording of the own camera records the camera-off picture instead.
    virtual void setCameraOffForRec(bool /*off*/) {}
    virtual void stopRecording(const QString& /*userId*/) {}
    // The file types of the running recordings (3: video only).
    virtual std::vector<int> recordingFileTypes() const { return {}; }
    // Played and captured sound (16-bit mono PCM), silenced when the flag is off.
    virtual void onAudioPlayerSampleBuffer(const QByteArray& /*pcm*/, int /*rate*/, bool /*isSpkOn*/) {}
    virtual void onAudioRecoderSampleBuffer(const QByteArray& /*pcm*/, int /*rate*/, bool /*isMicOn*/) {}
    // Waits until every stopped recording has been written out; false when
    // the time ran out first.
    virtual bool waitUntilFinished(std::chrono::milliseconds /*timeout*/) { return true; }
    // The conference window's side: the record button of a tile (its size in
    // pixels, empty without a view), the frames of the own camera and of the
    // tiles, the overlay switch, the count of automatic recordings of other
    // participants, the status menu's stops and the running recordings.
    virtual void dispRecordingMenu(const QString& /*userId*/, const QString& /*userName*/, QWidget* /*window*/,
                                   QSize /*tilePixels*/, int /*roomCategory*/, bool /*isSpeaker*/,
                                   bool /*isManyMtgRecOneUser*/) {}
    virtual void onMyVideo(const QImage& /*image*/) {}
    virtual void onOtherVideo(const QImage& /*image*/, const QString& /*userId*/) {}
    virtual void setIsEnableTimeStamp(bool /*on*/) {}
    virtual bool isMaxAutoRecOtherVideoCount() const { return false; }
    virtual bool setAutoRecStartOtherVideoCount(int /*mode*/, bool /*isRecStart*/) { return false; }
    virtual void stopRecordingFromMenu(std::int64_t /*tag*/) {}
    virtual std::vector<std::shared_ptr<RecordingInfo>> recordings() const { return {}; }
};

// The recording settings of a login, from the room configuration.
struct RecordingParams {
    bool param = false;
    QString autoSaveDir;
    std::optional<QString> configRecDirSpecify;
    int configMp4VideoQuality = 10;
    int configMp4AacKbps = 96;
    bool isEnableTimeStamp = false;
    bool isRecDesktop = false;
    bool isRecMp4 = false;
    int confFpsDesktop = 0;
    int recDefaultFormat = 1;
    int recDefaultType = 0;
    bool isRecVideoOnly = false;
    QString timeRecColorOfString;  // "#rrggbb"
    QString timeRecColorOfBack;
    int autoSaveDirPattern = 0;
    QString myUserId;
};

class LoginRemoteSupportManager {
public:
    virtual ~LoginRemoteSupportManager() = default;
    // The display-control free messages (sender id, value, text).
    virtual void recvDispControlReq(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    virtual void recvDispControlRes(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    virtual void recvDispControlRep(const QString& /*senderId*/, int /*code*/, const QString& /*data*/) {}
    // The owner asks one participant (or everybody, without a user id) to show a screen.
    virtual void requestDispControl(const std::optional<QString>& /*userId*/, int64_t /*screenType*/,
                                    const std::optional<QString>& /*detail*/) {}
};

// The webinar layout that the chair decides for everybody.
class LoginWebinarManager {
public:
    virtual ~LoginWebinarManager() = default;
    virtual void convertFromModeToSyncdata(bool /*isFuncMainStart*/, int /*mode*/) {}
    // A received layout text; reported back through LoginManager::onChangeLayoutOfWebinarView.
    virtual void updataAndConvertStrWinSync(const QString& /*text*/) {}
    virtual QString strWinSync() const { return {}; }
    // The layout of the current text (the function-main flag, the mode); none without a reading.
    virtual std::optional<std::pair<bool, int>> convertFromStrWinSyncToMode() const { return std::nullopt; }
    // Sends the current text to every participant.
    virtual void sendWebinarFreeMsg() {}
};

// The per-participant video budget of a many-meeting room.
class LoginLocalParamForManyMtg {
public:
    virtual ~LoginLocalParamForManyMtg() = default;
    // True when the per-participant values changed.
    virtual bool changeLocalParam(int maxParticipant, int manyMtgSpeaker, int roomSampling, int manyMtgMaxRate,
                                  int currentUserCount) = 0;
    virtual int getManyMtgParticipantWidth() const = 0;
    virtual int getManyMtgParticipantHeight() const = 0;
    virtual double getManyMtgParticipantFps() const = 0;
};

// The settings window's camera notices, so that an open settings window
// follows a camera change made from afar (posted on the main queue).
class LoginSettingNotificator {
public:
    virtual ~LoginSettingNotificator() = default;
    virtual void requestChangeCamDeviceNotification(const QString& name, const QStringList& allDevice, int index) = 0;
    virtual void requestChangeResolutionNotification(const QSize& size) = 0;
    virtual void requestChangeFpsNotification(int frameRate) = 0;
};

// The own application share (the sharer), as the conference window drives
// it; made at the first own share of a conference. Relay events reach it on
// the thread they arrive on; it moves window and injection work to the main
// queue itself. What it sends goes through LoginManager.
struct LoginAPShareServerOptions {
    bool isWebinar = false;
    bool isMainUser = false;            // the room's owner
    bool isShowFullScreenMenu = false;  // the menu offers the full-screen option
    bool disableApplication = false;    // desktop sharing only
    bool isASControlIgnoreOption = false;  // the room refuses every control request
};

// The notices the sharer asks the conference window for (any thread).
class LoginAPShareServerViewAction {
public:
    virtual ~LoginAPShareServerViewAction() = default;
    virtual void showASServerMessageAlert(const QString& /*alertId*/, const QString& /*message*/) {}
    virtual void endAPShareForWebinar() {}
};

class LoginAPShareServer {
public:
    virtual ~LoginAPShareServer() = default;
    // Shows the sharing menu; with `start` the desktop share starts at once.
    virtual void start(bool start, bool isRequested) = 0;
    // Stops a running share (announced only once it was sharing).
    virtual void stop(bool closeMenu, const std::optional<QString>& message) = 0;
    // Closes the menu without any stop being sent.
    virtual void forceStopAPShare() {}
    virtual void onStartPermit(uint32_t /*value*/) {}
    virtual void onStartRefuse(uint32_t /*value*/) {}
    virtual void onControlReq(uint32_t /*kind*/, const QString& /*userId*/, const QString& /*userName*/) {}
    virtual void onControlRet() {}
    virtual void onControllChange(const QString& /*sharerId*/, const QString& /*sharerName*/,
                                  const QString& /*operatorId*/, const QString& /*operatorName*/,
                                  int /*controlStatus*/) {}
    virtual void onMouseEvent(uint16_t /*kind*/, uint16_t /*x*/, uint16_t /*y*/) {}
    virtual void onMouseWheelEvent(int /*delta*/) {}
    virtual void onKeyEvent(uint32_t /*key*/, uint32_t /*updown*/) {}
    virtual void onClipBoardText(const QByteArray& /*utf8*/) {}
    // Withdraws an open control question of this participant (his speech ended).
    virtual void checkOperatorRequester(const QString& /*userId*/, const QString& /*userName*/) {}
};

// How LoginManager makes its feature managers; an empty factory makes none.
struct LoginManagerFeatures {
    std::function<std::unique_ptr<LoginAudioManager>(LoginManager&)> audioManager;
    std::function<std::unique_ptr<LoginRemoteStgManager>(LoginManager&)> remoteStgManager;
    std::function<std::unique_ptr<LoginDocShareManager>(LoginManager&)> docShareManager;
    std::function<std::unique_ptr<LoginQuestionnaireInfo>(LoginManager&)> questionnaireInfo;
    std::function<std::unique_ptr<LoginPermissionManager>(LoginManager&)> permissionManager;
    std::function<std::unique_ptr<LoginRemoteSupportManager>(LoginManager&)> remoteSupportManager;
    // Made at each login whose room records, with the login's recording settings.
    std::function<std::unique_ptr<LoginRecordingManager>(LoginManager&, const RecordingParams&)> recordingManager;
    std::function<std::unique_ptr<LoginWebinarManager>(LoginManager&)> webinarManager;
    std::function<std::unique_ptr<LoginLocalParamForManyMtg>()> localParamForManyMtg;
    std::function<std::unique_ptr<LoginSettingNotificator>()> settingNotificator;
    // The own application share, made by the conference window.
    std::function<std::unique_ptr<LoginAPShareServer>(LoginManager&, const LoginAPShareServerOptions&,
                                                      LoginAPShareServerViewAction*)>
        apShareServer;
};
