// The client's remote-settings engine. As the asker it requests another
// participant's settings (then, one at a time, the lists the participant
// reported) and asks for changes; as the target it answers with its own
// settings, judges a change request, asks the user for consent when the room
// wants that, applies the change through its delegate and answers with what
// it applied. It owns the remote-settings model and reads every received or
// local settings text into it.
//
// Threads: settings requests and answers are handled on the receive thread
// that delivers them (composing an answer only reads device state). A change
// request is only parsed there: checking, consent, applying and answering run
// on the main queue, so the receive thread never waits for the main thread.
// The many-meeting hold (flag and held answer) and the view interface are
// shared with other threads and kept under a lock or atomically.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "remotestg/RemoteStgInfo.h"
#include "session/LoginManagerFeatures.h"

// An ordered dictionary from item key to value text.
using RemoteStgItems = std::vector<std::pair<QString, QString>>;

// The local devices and the sending of the free messages (the login).
class RemoteStgManagerDelegate {
public:
    virtual ~RemoteStgManagerDelegate() = default;
    virtual bool getCurrentMicOnOff() = 0;
    virtual bool getCurrentEchoOnOff() = 0;
    virtual bool getCurrentSpkOnOff() = 0;
    virtual bool getCurrentCamOnOff() = 0;
    virtual int getCurrentMicVolume() = 0;
    virtual int getCurrentSpkVolume() = 0;
    virtual int getCurrentFrameRate() = 0;
    virtual std::optional<QString> getCurrentMicDevice() = 0;
    virtual std::optional<QString> getCurrentSpkDevice() = 0;
    virtual std::optional<QString> getCurrentCamDevice() = 0;
    virtual QSize getCurrentResolution() = 0;
    virtual std::optional<QStringList> getAllMicDevice() = 0;
    virtual std::optional<QStringList> getAllSpkDevice() = 0;
    virtual QStringList getAllCamDevice() = 0;
    virtual std::vector<QSize> getAllResolution() = 0;
    virtual QStringList getAllFrameRate() = 0;
    virtual UserInfoRef getUserInfo(const QString& userId) = 0;
    // The system facts of the settings text.
    virtual QString osVersion() = 0;
    virtual QString machineModel() = 0;

    virtual void sendRemoteStgMsg(unsigned code, const QString& userId, int value, const QString& data) = 0;
    // The appliers: each is given the requester's id and answers whether it applied.
    virtual bool remoteChangeMicOnOff(const QString& requester, bool on) = 0;
    virtual bool remoteChangeMicVolume(const QString& requester, int volume) = 0;
    virtual bool remoteChangeMicDevice(const QString& requester, const QString& name) = 0;
    virtual bool remoteChangeEchoCancel(const QString& requester, bool on) = 0;
    virtual bool remoteChangeSpeakerOnOff(const QString& requester, bool on) = 0;
    virtual bool remoteChangeSpeakerVolume(const QString& requester, int volume) = 0;
    virtual bool remoteChangeSpeakerDevice(const QString& requester, const QString& name) = 0;
    virtual bool remoteChangeCameraOnOff(const QString& requester, bool on) = 0;
    virtual bool remoteChangeCameraDevice(const QString& requester, const QString& name) = 0;
    virtual bool remoteChangeResolution(const QString& requester, QSize size) = 0;
    virtual bool remoteChangeFps(const QString& requester, int fps) = 0;
};

// The conference window's side: the consent alert, the change notice, the
// answers for the windows. Called on the main thread except
// isShowRemoteStgAllWindow, which participant events ask on their threads.
class RemoteStgViewInterface {
public:
    virtual ~RemoteStgViewInterface() = default;
    virtual bool isShowConfirmAlert() = 0;
    virtual bool isShowRemoteStgAllWindow() = 0;
    // Calls `handler` exactly once with the user's answer.
    virtual void showConfirmAlert(const QString& /*userId*/, const RemoteStgItems& /*items*/,
                                  std::function<void(bool)> handler) {
        handler(false);
    }
    virtual void showUpdateAlert(const QString& /*userId*/, const RemoteStgItems& /*items*/) {}
    virtual void respondedChangeReq(const QString& /*userId*/, bool /*success*/) {}
};

class RemoteStgManager : public LoginRemoteStgManager {
public:
    RemoteStgManager();
    ~RemoteStgManager() override;

    // The running program's factory: a manager whose delegate is the login.
    static std::unique_ptr<LoginRemoteStgManager> make(LoginManager& login);

    void setDelegate(RemoteStgManagerDelegate* delegate) { delegate_ = delegate; }
    void setViewInterface(RemoteStgViewInterface* view) { viewInterface_.store(view); }

    // ---- Options, participants, end ----
    void setOptions(const QVariantMap& configData) override;
    void setMyInfo(const UserInfoRef& myInfo) override;
    UserInfoRef myInfo() const;
    RemoteStgFlgInfo getReadOnlyFlg() const;
    RemoteStgFlgInfo getAllDlgHideFlg() const;
    RemoteStgFlgInfo getOneDlgHideFlg() const;
    RemoteStgInfo& remoteStgInfo() { return *remoteStgInfo_; }
    std::optional<RemoteStgUserInfo> getUserInfo(const QString& userId) const;
    void removeUserSettings(const QString& userId) override;
    void resetInfo() override;

    // ---- Reading settings ----
    void sendRemoteStgRequest(const UserInfoRef& user);
    void sendRemoteStgRequestAll();
    void updateClientList(const UserInfoRef& info, bool isDispCheck) override;
    void recvRemoteStgReq(const QString& senderId, int code, const QString& data) override;
    void recvRemoteStgRes(const QString& senderId, int code, const QString& data) override;
    void sendNextRequest(const QString& userId);
    // Reads a settings or list text into the participant's entry and posts
    // its notice; a text from a participant nobody knows is dropped.
    void updateSettingInfo(const QString& userId, const QString& text);

    // The answer texts.
    QString createResMessageAll();
    QString createResMessageAudio();
    QString createResMessageVideo();
    QString createResMessageOther() { return QString(); }
    QString createResMessageMic();
    QString createResMessageSpeaker();
    QString createResMessageCamera();
    QString createResMessageResolution();
    QString createResMessageFps();

    // ---- Changing settings ----
    void sendRemoteStgChangeReq(const QString& userId, const RemoteStgItems& reqData);
    void sendRemoteStgChangeReqAll(const QStringList& userIds, const RemoteStgItems& reqData);
    void recvRemoteStgChangeReq(const QString& senderId, int code, const QString& data) override;
    void recvRemoteStgChangeRes(const QString& senderId, int code, const QString& data) override;
    // The items of a change text: lines "#KEY=value" (a later key wins).
    static RemoteStgItems parseChangeText(const QString& text);
    // The items that pass their value check (volumes normalised to 0 to 100).
    RemoteStgItems checkChangeReqData(const RemoteStgItems& items);
    // Of the checked items, those the consent alert lists (not read-only).
    RemoteStgItems checkChangeReqDataEnable(const RemoteStgItems& items) const;
    // A volume text: half- or full-width digits of 0 to 100; none otherwise.
    static std::optional<int> volumeValue(const QString& text);

    // ---- The many-meeting microphone hold ----
    bool isManyMtgMicChanging() const override;
    void setIsManyMtgMicChanging(bool changing) override;
    void setResMessage(const std::optional<QString>& message) override;
    std::optional<QString> resMessage() const;
    void changeManySpeaker(const QString& ownerId, bool isMicOn) override;

private:
    bool isMe(const QString& userId) const;
    QString option(const char* key) const;
    void sendChangeRequest(const QString& userId, const RemoteStgItems& reqData);
    // Main thread: judge, ask, apply and answer one change request.
    void handleChangeReq(const QString& requester, int code, const RemoteStgItems& items);
    void changeSettings(const QString& requester, const RemoteStgItems& items);
    void answerChange(const QString& requester, int result, const QString& text);
    // Runs on the main queue while the manager lives.
    void onMain(std::function<void()> task);

    std::unique_ptr<RemoteStgInfo> remoteStgInfo_;
    std::unique_ptr<RemoteStgManagerDelegate> ownedDelegate_;
    RemoteStgManagerDelegate* delegate_ = nullptr;
    std::atomic<RemoteStgViewInterface*> viewInterface_{nullptr};

    mutable std::mutex optionsMutex_;  // options, flags, local participant
    QVariantMap options_;
    RemoteStgFlgInfo mReadOnlyFlg, mAllDlgHideFlg, mOneDlgHideFlg;
    UserInfoRef myInfo_;

    std::mutex readerMutex_;  // one text is read at a time

    mutable std::mutex holdMutex_;  // the many-meeting hold
    bool isManyMtgMicChanging_ = false;
    std::optional<QString> resMessage_;
    std::optional<std::pair<QString, bool>> earlyOutcome_;  // chair's id, started

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
