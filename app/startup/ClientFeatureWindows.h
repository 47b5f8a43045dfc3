// The feature windows that the conference window opens, for the running
// program: the one place that knows both the conference window and the
// feature folders. The settings window: made from the login's room
// configuration and audio devices, kept while it is open (asking again brings
// it to the front with its edits), its changes passed to the login; the text
// box and private-message windows through the chat folder's ChatWindows; the
// document-sharing window through the docshare folder's DocShareWindows.
#pragma once

#include <QPointer>
#include <functional>

#include "chat/ChatWindows.h"
#include "chat/QuestionnaireWindows.h"
#include "conference/StartViewController.h"
#include "docshare/DocShareWindows.h"
#include "participants/ParticipantWindows.h"
#include "permission/PermissionManager.h"
#include "permission/PermissionSetWindowController.h"
#include "remotestg/RemoteStgWindows.h"
#include "recording/RecordingSystemMenu.h"
#include "settings/SettingWindowController.h"

class ClientFeatureWindows : public QObject,
                             public ConferenceFeatureWindows,
                             public SettingWindowControllerDelegate,
                             public PermissionManagerViewInterface,
                             public PermissionSetWindowControllerDelegate,
                             public RecordingSystemMenuDelegate {
    Q_OBJECT

public:
    ClientFeatureWindows();
    ~ClientFeatureWindows() override;

    // The conference window that owns these windows (set once it exists).
    void setController(StartViewController* controller) { controller_ = controller; }
    SettingWindowController* settingWindowController() const { return settingWindow_; }
    ChatWindows& chatWindows() { return *chat_; }
    RemoteStgWindows& remoteStgWindows() { return *remoteStg_; }
    PermissionSetWindowController* permissionSetWindow() const { return permissionWindow_; }
    DocShareWindows& docShareWindows() { return *docShare_; }
    ParticipantWindows& participantWindows() { return *participants_; }

    // ConferenceFeatureWindows
    void launchSettingWindow() override;
    void closeSettingWindow() override;
    void launchListWindow() override { participants_->launchListWindow(); }
    void closeListWindows() override { participants_->closeListWindows(); }
    QWidget* listWindow() const override { return participants_->listWindow(); }
    bool hasTextBoxView() const override { return chat_->hasTextBoxView(); }
    void openTextBox(const TextBoxLaunch& launch) override { chat_->openTextBox(launch); }
    void updateTextBox(bool forced, const std::vector<TextBoxDataRef>& lines) override {
        chat_->updateTextBox(forced, lines);
    }
    QRectF deleteTextBoxView() override { return chat_->deleteTextBoxView(); }
    std::optional<QString> textBoxSaveData() const override { return chat_->textBoxSaveData(); }
    QWidget* textBoxWindow() const override { return chat_->textBoxWindow(); }
    bool hasMessageWindow() const override { return chat_->hasMessageWindow(); }
    void openMessageWindow(const MessageLaunch& launch, const std::optional<QString>& userId) override {
        chat_->openMessageWindow(launch, userId);
    }
    void updateMessageWindow(const MessageInfoRef& info, bool notify) override {
        chat_->updateMessageWindow(info, notify);
    }
    QWidget* messageWindow() const override { return chat_->messageWindow(); }
    bool hasQuesAnswerWindow() const override { return questionnaire_->hasQuesAnswerWindow(); }
    void openQuesAnswerWindow() override { questionnaire_->openQuesAnswerWindow(); }
    void closeQuesAnswerWindow() override { questionnaire_->closeQuesAnswerWindow(); }
    bool hasQuesResultWindow() const override { return questionnaire_->hasQuesResultWindow(); }
    void openQuesResultWindow() override { questionnaire_->openQuesResultWindow(); }
    void updateQuesResult() override { questionnaire_->updateQuesResult(); }
    void closeQuesResultWindow() override { questionnaire_->closeQuesResultWindow(); }
    void launchQuestionnaireWindow() override { questionnaire_->launchQuestionnaireWindow(); }
    QuestionnaireWindows& questionnaireWindows() { return *questionnaire_; }
    void startDocShare() override { docShare_->startDocShare(); }
    bool isDocShareWindowOpen() const override { return docShare_->isDocShareWindowOpen(); }
    QWidget* docShareWindow() const override { return docShare_->docShareWindow(); }
    void launchDocShareWindow(const DocShareLaunch& launch, bool startedHere) override {
        docShare_->launchDocShareWindow(launch, startedHere);
    }
    void stopDocShareWindow() override { docShare_->stopDocShareWindow(); }
    void closeConferenceWindows(bool keepForReconnect) override;
    void loginManagerCreated(LoginManager& login) override;
    void loginManagerWillBeDestroyed(LoginManager& login) override;
    void launchRemoteStgOneWindow(const UserInfoRef& user, bool needReq) override {
        remoteStg_->launchRemoteStgOneWindow(user, needReq);
    }
    void launchRemoteStgAllWindow(bool needReq) override { remoteStg_->launchRemoteStgAllWindow(needReq); }
    void closeRemoteStgWindows() override { remoteStg_->closeAll(); }
    void launchUserPermissionSetWindow(bool showAlert) override;
    void closePermissionSetWindow() override;

    // PermissionManagerViewInterface: the user's own grants changed (any thread).
    void onPermissionChange(const QString& senderId, const std::map<int, bool>& changeItems) override;
    // PermissionSetWindowControllerDelegate
    void sendPermissionChangeReq(const PermissionDataList& list) override;
    void onClosePermissionSetWindow(PermissionSetWindowController* window) override;
    std::shared_ptr<ConferenceAPShareViewer> makeAPShareClient(bool isWebinar, LoginManager* login,
                                                               APShareClientViewAction* viewAction) override;
    // The own share lives in the conference window's controller: the share
    // button and the floor's and chair's changes reach it there.
    void launchAPShareWindow() override;
    bool hasAPShareSharer() const override;
    void checkOperatorRequester(const QString& userId, const QString& userName) override;
    void stopAPShare(const std::optional<QString>& message) override;
    void cancelAPShareRequest() override;

    // The status-bar menu of the running recordings.
    void reloadRecordingMenu(const std::vector<std::shared_ptr<RecordingInfo>>& recordings,
                             std::function<void(std::int64_t tag)> stop) override;
    void hideRecordingMenu() override;
    bool hasRecordingMenu() const override { return recordingMenu_ != nullptr; }
    QString recordingUserId(const std::shared_ptr<RecordingInfo>& recording) const override;
    RecordingSystemMenu* recordingMenu() const { return recordingMenu_.get(); }
    // RecordingSystemMenuDelegate
    void stopRecordingFromMenu(std::int64_t tag) override;
    void remove() override;

    // The settings window's parameters for a login (none: before any login).
    static SettingWindowParams settingParams(const LoginManager* login);

    // SettingWindowControllerDelegate
    void closeSettingWindow(int reason) override;
    void changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                             const std::optional<AudioDeviceInfo>& output, std::int64_t echoCancelMode,
                             std::int64_t noiseReductionMode) override;
    void changeVideoSettings(QSize size, int frameRate, const std::optional<CaptureDevice>& device) override;
    void changeVideoBg(int mode, const std::optional<QByteArray>& imgData) override;
    void selectedCustomImgData(std::function<void(const QByteArray&)> handler) override;
    void settingTimeRecCheck(bool on) override;

private:
    StartViewController* controller_ = nullptr;
    QPointer<SettingWindowController> settingWindow_;
    std::unique_ptr<ChatWindows> chat_;
    std::unique_ptr<RemoteStgWindows> remoteStg_;
    QPointer<PermissionSetWindowController> permissionWindow_;
    PermissionManager* permissionManager() const;
    std::unique_ptr<DocShareWindows> docShare_;
    std::unique_ptr<ParticipantWindows> participants_;
    std::unique_ptr<QuestionnaireWindows> questionnaire_;
    std::unique_ptr<RecordingSystemMenu> recordingMenu_;
    std::function<void(std::int64_t)> recordingStop_;
};
