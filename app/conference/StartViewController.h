// The root of the application's one window and the hub of a conference: it
// owns the LoginManager, starts a login when a launch link arrives, answers
// every login outcome, builds the conference view (header, video area,
// footer) when a login succeeds, tears the conference down when it ends and
// ends the application when the user leaves.
//
// The class is written in sections, one source file each:
//   StartViewController.cpp        life cycle: launch, login outcome, reconnect, leaving, teardown
//   StartViewControllerView.cpp    building the conference view and its sizes
//   StartViewControllerAlerts.cpp  the questions and problem reports of the conference
//   StartViewControllerParticipantControl.cpp  remote-settings windows, permission window and changes
//   StartViewControllerVideo.cpp   the video area: its tiles, frames and levels
//   StartViewControllerFloor.cpp   the floor, the chair, the user menu and the list windows' requests
//
// Threads: LoginManager calls in on its login queue or a core thread; the
// controller moves every window change to the main queue. Logins never start
// here directly: each goes onto LoginManager's one login queue, so a link
// that arrives during a login or a reconnect waits for it.
#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "conference/ConferenceAPShareViewer.h"
#include "conference/ConferenceVideoArea.h"
#include "conference/MVFooterView.h"
#include "conference/MVHeaderView.h"
#include "conference/MainViewController.h"
#include "conference/PopupUserMenu.h"
#include "media/AudioDeviceInfo.h"
#include "media/AudioInfo.h"
#include "model/MessageInfo.h"
#include "model/TextBoxData.h"
#include "model/UserInfo.h"
#include "platform/Window.h"
#include "services/SaveLayoutInfo.h"
#include "session/FreeMessageCodes.h"  // ForceLogoutKind, the sharing states
#include "session/LoginManager.h"

class CameraView;
class DispatchQueue;
class View;

enum SettingWindowCloseReason : int {
    SETTING_WINDOW_OK = 0,
    SETTING_WINDOW_CANCEL = 1,
    SETTING_WINDOW_CLOSED_ITSELF = 2,
};

// The windows of other subsystems that the conference window opens and
// closes. Each subsystem supplies its side; a missing one opens nothing.
class ConferenceFeatureWindows {
public:
    virtual ~ConferenceFeatureWindows() = default;
    virtual void launchSettingWindow() {}
    virtual void closeSettingWindow() {}
    virtual void launchListWindow() {}
    virtual void closeListWindows() {}
    // The participant-list window while it is open (for a saved layout).
    virtual QWidget* listWindow() const { return nullptr; }
    virtual void launchAPShareWindow() {}
    virtual void startDocShare() {}
    virtual bool isDocShareWindowOpen() const { return false; }
    // The document-sharing window, for a sheet on it.
    virtual QWidget* docShareWindow() const { return nullptr; }
    struct DocShareLaunch {
        QRectF frame;  // the window's (bottom-up)
        QString loginUrl, defaultUrl, hostUrl;
        int roomCategory = 0;
        int maxUploadSize = 5;  // MiB
        bool isEnabledSave = true, isEnabledPrint = true;
        bool isWebinar = false;  // the view in the webinar layout instead of a window
    };
    // Makes the document-sharing window (or view) when there is none and shows
    // it; `startedHere`: this client has just started the share.
    virtual void launchDocShareWindow(const DocShareLaunch&, bool /*startedHere*/) {}
    // Closes the window (its close report follows) or tears the view down.
    virtual void stopDocShareWindow() {}
    virtual void closeConferenceWindows(bool keepForReconnect) { (void)keepForReconnect; }
    // The viewer of one remote share, sending through `login` (none: remote
    // shares are not shown). Made on the main thread.
    virtual std::shared_ptr<ConferenceAPShareViewer> makeAPShareClient(
        bool /*isWebinar*/, LoginManager* /*login*/, APShareClientViewAction* /*viewAction*/) {
        return nullptr;
    }

    // ---- The text box, private messages and questionnaire windows ----
    struct TextBoxLaunch {
        QRectF frame;
        UserInfoRef myInfo;
        bool saveDisable = false, isWebinar = false;
        std::optional<QColor> noticeColor;
        bool isNotify = false, isNotifySetting = false;
    };
    struct MessageLaunch {
        QRectF frame;
        UserInfoRef myInfo;
        int roomCategory = 0;
        std::vector<UserInfoRef> userList;
        bool enable = false;
    };
    virtual bool hasTextBoxView() const { return false; }
    // Creates the view (and, outside webinars, its window) when absent; the
    // window is shown and brought to the front.
    virtual void openTextBox(const TextBoxLaunch&) {}
    virtual void updateTextBox(bool /*forced*/, const std::vector<TextBoxDataRef>& /*lines*/) {}
    // The text-box view goes; answers its frame (zero without one).
    virtual QRectF deleteTextBoxView() { return QRectF(); }
    // The chat text to keep at logout (none without a view).
    virtual std::optional<QString> textBoxSaveData() const { return std::nullopt; }
    virtual QWidget* textBoxWindow() const { return nullptr; }
    virtual bool hasMessageWindow() const { return false; }
    // Creates the window when absent, shows it, selects `userId` when given.
    virtual void openMessageWindow(const MessageLaunch&, const std::optional<QString>& /*userId*/) {}
    virtual void updateMessageWindow(const MessageInfoRef&, bool /*notify*/) {}
    virtual QWidget* messageWindow() const { return nullptr; }
    virtual bool hasQuesAnswerWindow() const { return false; }
    virtual void openQuesAnswerWindow() {}
    virtual void closeQuesAnswerWindow() {}
    virtual bool hasQuesResultWindow() const { return false; }
    virtual void openQuesResultWindow() {}
    virtual void updateQuesResult() {}

    // ---- Local recording: the status-bar menu of the running recordings ----
    // Shows the menu (made when absent) listing `recordings`; choosing an item
    // calls `stop` with its tag (an index in the list, 1000 for all).
    virtual void reloadRecordingMenu(const std::vector<std::shared_ptr<RecordingInfo>>& /*recordings*/,
                                     std::function<void(std::int64_t tag)> /*stop*/) {}
    // Hides the menu and lets it go.
    virtual void hideRecordingMenu() {}
    virtual bool hasRecordingMenu() const { return false; }
    // Whose tile a running recording records.
    virtual QString recordingUserId(const std::shared_ptr<RecordingInfo>& /*recording*/) const { return {}; }
    // ---- Participant control: remote settings and permissions ----
    // The conference's login exists: its managers get their view interfaces.
    virtual void loginManagerCreated(LoginManager& /*login*/) {}
    virtual void loginManagerWillBeDestroyed(LoginManager& /*login*/) {}
    // With needReq the participant (everybody) is asked for the settings first.
    virtual void launchRemoteStgOneWindow(const UserInfoRef& /*user*/, bool /*needReq*/) {}
    virtual void launchRemoteStgAllWindow(bool /*needReq*/) {}
    // Force-closes every one-participant window and closes the all-participants window.
    virtual void closeRemoteStgWindows() {}
    // Refused while the user has no permission type to set (with showAlert, a warning says so).
    virtual void launchUserPermissionSetWindow(bool /*showAlert*/) {}
    virtual void closePermissionSetWindow() {}
    // ---- What a participant loses with the floor or the chair, and the
    // windows the user menu opens ----
    virtual void closeDocShareWindow() {}
    // The document view of a webinar layout.
    virtual bool hasDocShareWebinarView() const { return false; }
    // The application-sharing view of a webinar layout.
    virtual bool hasAPShareWebinarView() const { return false; }
    virtual bool hasAPShareViewer() const { return false; }
    // The viewer's request for control is offered or withdrawn.
    virtual void changeOperationRequestStatus(bool /*enable*/) {}
    virtual bool hasAPShareSharer() const { return false; }
    // An open control question from this participant closes unanswered.
    virtual void checkOperatorRequester(const QString& /*userId*/, const QString& /*userName*/) {}
    // An own running share stops, with the message when one is given.
    virtual void stopAPShare(const std::optional<QString>& /*message*/) {}
    // The own pending request to share, or the request received, is withdrawn.
    virtual void cancelAPShareRequest() {}
    virtual void closeQuesResultWindow() {}
    virtual void launchQuestionnaireWindow() {}
    // ---- The webinar's pane contents (none: the pane stays empty) ----
    virtual QWidget* webinarTextBoxView() const { return nullptr; }
    virtual void reloadWebinarTextBox() {}
    virtual QWidget* webinarDocShareView() const { return nullptr; }
    virtual void closeWebinarDocShareView() {}
    virtual QWidget* launchWebinarWhiteboard() { return nullptr; }
    virtual void closeWebinarWhiteboard() {}
    // The sharing pane: the own share's placeholder when `ownShare`, else the
    // viewed share or its placeholder; closing ends the pane's share.
    virtual QWidget* webinarSharingView(bool /*ownShare*/) { return nullptr; }
    virtual void closeAPShareForWebinar() {}
};

class StartViewController : public QObject,
                            public LoginManagerDelegate,
                            public LoginAPShareServerViewAction,
                            public MVHeaderViewDelegate,
                            public APShareClientViewAction,
                            public PopupUserMenuDelegate,
                            public WindowDelegate {
    Q_OBJECT

public:
    // How long quitting waits for the logout, the recorders and the saves.
    static constexpr std::chrono::milliseconds kQuitWait{10000};

    struct Services {
        std::function<std::unique_ptr<LoginManager>()> makeLoginManager;
        std::unique_ptr<ConferenceFeatureWindows> windows;
        // A modal alert with one message and the default button; answers the
        // modal response (1000 for the first button).
        std::function<int(const QString& message)> runModalAlert;
        // Ends the application (after the controller has finished its work).
        std::function<void()> terminate;
        // Opens an address in the desktop's browser.
        std::function<void(const QString& address)> openUrl;
        // The video area of a login and the size it asks for a room.
        std::function<std::unique_ptr<ConferenceVideoArea>()> makeVideoArea;
        std::function<QSizeF(int roomCategory, int maxParticipants)> calcMainViewSize;
        // The saved frame of the main window (zero rectangle: none).
        std::function<QRectF()> savedMainFrame;
        // The audio devices of the conference, when the audio layer runs.
        std::function<std::optional<AudioInfo>()> audioInfo;
        // The system version text that decides the header height.
        std::function<QString()> osVersion;
    };

    explicit StartViewController(Services services, QObject* parent = nullptr);
    ~StartViewController() override;

    Window* window() const { return window_; }
    View* view() const { return rootView_; }
    LoginManager* loginManager() const { return mLoginManager.get(); }
    MVHeaderView* headerView() const { return mMVHeaderView; }
    MVFooterView* footerView() const { return mMVFooterView; }
    ConferenceVideoArea* videoArea() const { return mMainViewController.get(); }

    // ---- Life cycle (StartViewController.cpp) ----
    void viewDidLoad();
    void viewDidAppear();
    void launchAppScheme(const std::optional<QString>& link);
    // ---- Launch links that cannot be used (StartViewControllerLaunch.cpp) ----
    // What went wrong before the core login, for the user and the log
    // (empty for the core login's own failures, whose texts say it).
    static QString launchFailureReason(int kind, int code);
    // A link that arrives during a conference and cannot be used: said so,
    // logged, and the conference goes on.
    void refuseLaunchLink(int code);
    void bringWindowForward();
    // The program's exit status: 1 once it ends after a failed join.
    int exitStatus() const { return exitStatus_; }
    void reloginForUpdate(const QStringList& fields);
    void updateApplicationIfUpdated();
    void showHelp();

    // LoginManagerDelegate
    void onLoginSuccess(bool relogin) override;
    void onLoginError(int kind, int code, int subCode) override;
    void onConnectionError(int errorNo) override;
    void onForceLogout(int kind, const QString& userId, const QString& userName) override;

    void showLoginError(int kind, int code, int subCode);
    void showExitAppAlert(const QString& text);
    void closeSettingWindow(int reason);
    void leaveConfRoom();
    void processLogout(bool keep);
    void resetViews();
    void initVariables();

    // WindowDelegate
    bool windowShouldClose(Window*) override { return true; }
    void windowWillClose(Window* window) override;
    void windowDidResize(Window* window) override;

    // MVHeaderViewDelegate
    void onClickFunctionMenu(int tag) override;
    int64_t getLoginManagerStatus() override;
    bool getIsMainUserStatusLogin() override { return false; }

    // ---- Building the conference view (StartViewControllerView.cpp) ----
    struct ConferenceGeometry {
        QRectF windowFrame;  // bottom-up screen coordinates, title bar allowance included
        double videoWidth = 0, videoHeight = 0;
    };
    // 42 when the version text read as a decimal number is above 10.15, else 37.
    static double headerHeightForVersion(const QString& osVersion);
    // The window frame and video-area size for the size the video area asks
    // and the saved main frame (the zero rectangle: none).
    static ConferenceGeometry conferenceGeometry(QSizeF videoSize, const QRectF& savedFrame,
                                                 double headerHeight, const QRectF& screenFrame,
                                                 const QRectF& visibleFrame);
    // The speaking-frame colour of "MODE_SPEAKING_COLOR": three two-digit
    // decimal percentages; none unless the text is six characters long.
    static std::optional<QColor> speakingColor(const QVariantMap& confDict);
    // "MODE_SPEAK_THRESH_OLD" when it lies in 1..99.
    static std::optional<int> speakThreshold(const QVariantMap& confDict);
    struct AutoRecording {
        int mode;
        int width, height;
    };
    struct AutoRecordingRoom {
        QVariantMap confDict;
        QString myUserId;
        int roomCategory = 0;
        bool isWebinar = false;
        QSize cameraSize;    // the camera size of mode 2
        QSize screenPixels;  // the main screen in pixels
    };
    // The recording that a room starts at entry, or none.
    static std::optional<AutoRecording> autoSaveRecording(const AutoRecordingRoom& room);
    static QSizeF calcMinWindowSize(int roomCategory, int maxParticipants, bool isWebinar,
                                    double headerMinWidth, double headerHeight, double titleBarHeight,
                                    const std::function<QSizeF(int, int)>& calcMainViewSize);
    void createMainView(bool removeEarlier);

    // ---- The video area (StartViewControllerVideo.cpp) ----
    // The video area of this login: the room's tiles around the own tile.
    std::unique_ptr<ConferenceVideoArea> makeMainViewController();
    // The video area when it is the tile area (none with another stand-in).
    MainViewController* mainViewController() const;
    // The own tile, kept from one login to the next.
    VideoInfo* myVideoInfo();
    // LoginManagerDelegate: frames and levels of the login, on the thread
    // they arrive on, straight to the area, which keeps the latest of each.
    void updateVideo(int clientNo, const QImage& image, const QString& name) override;
    void onAudioVolume(int clientNo, int volume) override;

    // The video area's first appearance: places the room's participants.
    // (The area's other requests, the tile actions, belong to the floor and
    // device controls; its delegate answers them with nothing until then.)
    void finishedCreateView();

    // ---- The floor, the chair and the user menu (StartViewControllerFloor.cpp) ----
    // LoginManagerDelegate, on the core thread the event arrived on: the
    // decisions run there, window and tile changes go to the main queue.
    void onStartSpeech(const SpeakerInfoRef& speaker) override;
    void onEndSpeech(const SpeakerInfoRef& speaker) override;
    void onStartManySpeech(const SpeakerInfoRef& speaker) override;
    void onEndManySpeech(const SpeakerInfoRef& speaker) override;
    void onChangeOwner(const QString& ownerId, const QString& oldOwnerId) override;
    void onSpeechReserve(const UserInfoRef& info) override;
    void onSpeechReserveCancel(int kind) override;
    void onSpeechReserveResult(int result) override;
    void onSpeechNomitate(int kind) override;
    void onSpeechNominateResult(int result) override;
    void onErrorStartManySpeech(int result) override;
    void stopSpeechForWebinar() override { stopSpeech(); }
    // Commands of the window's controls (main thread).
    void changeMicStatus();
    void speakerButtonAction();
    void sendReqStartSpeaking();
    void sendReqStopSpeaking();
    // Reserves the floor, or withdraws the own reservation.
    void reserveSpeech(bool cancel);
    // The chair's answer to a reservation: allow gives the floor, deny cancels it.
    void changeReserveStateUserInfo(bool allow, const UserInfoRef& user);
    // The chair takes the floor from a participant.
    void endSpeech(const UserInfoRef& user);
    // The own user gives the floor back.
    void stopSpeech();
    // A click on a participant's status mark offers the chair to him.
    void onClickVideoStatus(const UserInfoRef& user);
    // The user menu of a participant (the caller owns it and shows it once).
    PopupUserMenu* makePopupUserMenu(const UserInfoRef& target, int type);
    PopupUserMenu* makePopupClientMenu(const UserInfoRef& user) {
        return makePopupUserMenu(user, USER_MENU_TYPE_CLIENT);
    }
    PopupUserMenu* makePopupSpeakerMenu(const UserInfoRef& user) {
        return makePopupUserMenu(user, USER_MENU_TYPE_SPEAKER);
    }
    PopupUserMenu* makePopupReserverMenu(const UserInfoRef& user) {
        return makePopupUserMenu(user, USER_MENU_TYPE_RESERVER);
    }
    // The room's state that the menu's rules read, for that target.
    UserMenuContext userMenuContext(const UserInfoRef& target, int type) const;
    // PopupUserMenuDelegate
    void onSelectMenuItem(MenuItem* item, int menuType, const UserInfoRef& target) override;
    bool isDocShareRunning() override { return services_.windows->isDocShareWindowOpen(); }
    bool isAPShareRunning() override;
    // The list windows: what a new one shows, and its close report.
    struct ListLaunch {
        QRectF frame;  // the frame of the last one closed (zero: none)
        UserInfoRef myInfo;
        QString ownerId;
        int roomCategory = 0;
        bool captainFree = false, isWebinar = false;
        std::vector<UserInfoRef> clientList, reserveList;
        std::vector<SpeakerInfoRef> speakerList;
    };
    ListLaunch listLaunch() const;
    void closeListWindow(const QRectF& frame);
    // ---- Audio, video and device controls (StartViewControllerDevices.cpp) ----
    // Commands from the header, the tiles and the settings window (main thread).
    // The device calls run on the device queue, one after another; the window
    // shows the new state when they are done. Volumes are latest-wins: a
    // slider moved faster than the device follows sets only the last value.
    void changeMicOnOff(int clientNo);
    void changeMicVolume(int clientNo, float volume);
    void changeSpeakerOnOff(int clientNo);
    void changeSpeakerVolume(int clientNo, float volume);
    void changeCameraOnOff();
    void onClickVideoOptionBtn(const SpeakerInfo& speaker, int option) override;
    void onSlideVideoOptionBtn(const SpeakerInfo& speaker, int option, float value) override;
    void hideMyVideoForSeminar(bool hide);
    // The seminar list button: the pane toggles, filled with the current lists.
    void onClickShowSeminarList();
    void changeHideCameraFlag(bool hide);
    void changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                             const std::optional<AudioDeviceInfo>& output, int64_t echoCancelMode,
                             int64_t noiseReductionMode);
    void changeVideoSettings(const QSize& size, int frameRate, const std::optional<QString>& device);
    // The camera background: 0 none, 1 blur, 2 the custom picture.
    void changeVideoBg(int mode, const std::optional<QByteArray>& imgData);
    void selectedCustomImgData(const std::function<void(const std::optional<QByteArray>&)>& handler);
    void selectCustomImg(const std::function<void(const std::optional<QByteArray>&)>& handler);
    void setCustomImg(const QByteArray& bytes);
    void deleteCustomImg();
    void setBgMode(int mode, const QImage& customImg);
    static QImage convertToImgFromData(const std::optional<QByteArray>& bytes);
    QImage getBgCustomImg() override;
    // LoginManagerDelegate: the own devices changed from elsewhere (any thread).
    void onChangeCameraStatus(bool isOn) override;
    void onChangeMicStatus(bool isOn, float volume) override;
    void onChangeSpeakerStatus(bool isOn, float volume) override;
    // Whether a frame reaches the video area: always outside webinars; in a
    // webinar only while its layout (flag, mode) shows video.
    static bool webinarLayoutShowsVideo(const std::optional<std::pair<bool, int>>& layout);
    // The own tile's camera view, when the own tile is one.
    CameraView* ownCameraView();
    // Waits until the device calls queued so far have run.
    void flushDeviceCommands();
    // The file chooser of selectCustomImg (tests put their own here).
    std::function<std::optional<QString>()> chooseImageFile;

    // ---- Saved window layouts (StartViewControllerLayouts.cpp) ----
    // The saved frame of one window ("KeySaveLayoutRectMain", ...) for the
    // current room and user, or the zero rectangle.
    QRectF checkSavedWindowSize(const QString& rectKey) const;
    // The current arrangement under a title; hidden windows as the zero rectangle.
    SaveLayoutInfo getSaveLayoutInfo(const QString& title) const;

    // ---- Conference alerts (StartViewControllerAlerts.cpp) ----
    // Devices that failed to start (error code 1) are reported as such;
    // devices that do not support the room's sample rate (code 2) as
    // sampling errors.
    void checkAudioDeviceStatus();
    void checkAudioDeviceStatus(const AudioInfo& info);
    void showAudioDeviceError(const QStringList& inputErrorSampling, const QStringList& outputErrorSampling,
                              const QStringList& inputErrorInit, const QStringList& outputErrorInit);
    static std::optional<QString> audioDeviceErrorMessage(const QStringList& inputErrorSampling,
                                                          const QStringList& outputErrorSampling,
                                                          const QStringList& inputErrorInit,
                                                          const QStringList& outputErrorInit);
    void showOnSpeechReserveAlert(const UserInfo& requester);
    void showChangeOwnerAlert(const UserInfo& user);
    void showForceLeaveAlert(const UserInfo& user);
    void showDocShareStartAlert();
    void onClickRecvMessageAlert();
    // The answers, also sent by the alert buttons.
    void onClickAllowAtReserveAcceptAlert();
    void onClickDenyAtReserveAcceptAlert();
    void onClickChangeOwnerButtonOk();
    void onClickChangeOwnerButtonCancel();
    void onClickForceLeaveButtonOk();
    void onClickForceLeaveButtonCancel();
    void onClickDocShareStartAlertButtonOk();
    void onClickDocShareStartAlertButtonCancel();

    // What the answers hand on (the floor, owner and expel requests of the login).
    std::function<void(int state, const UserInfoRef& user)> changeReserveState;
    std::function<void(const QString& userId)> changeOwner;
    std::function<void(const QString& userId)> forceLeave;

    UserInfoRef selectedUserForReserve() const { return mSelectedUserForReserve; }
    std::optional<QString> selectedUserForChangeOwner() const { return mSelectedUserForChangeOwner; }
    std::optional<QString> selectedUserForForceLeave() const { return mSelectedUserForForceLeave; }

    // ---- Text box, private messages and questionnaires (StartViewControllerChat.cpp) ----
    void launchTextBoxWindow();
    double conferenceExtentFromTop() const;
    void launchMessageWindow(const std::optional<QString>& userId);
    // LoginManagerDelegate: on any thread; each moves to the main queue.
    void updateMessage(const std::shared_ptr<MessageInfo>& thread, bool isNotify) override;
    void updateTextBox(bool forceDisplay) override;
    void onQuestionStart(const QString& issuerId, const QString& question, int count,
                         const QStringList& choices, int options) override;
    void onQuestionStop() override;
    void onQuestionResult() override;
    // The requests of the windows (main thread).
    void sendTextBoxData(const QString& text);
    void forceDisplayTextBox();
    void sendMessageData(const QString& userId, const QString& text);
    void showMessageInfo(const QString& text);
    void startQuestionnaire(const QString& question, const QStringList& choices, int options);
    void stopQuestionnaire();
    void sendQuestionnaireAnswer(int answer, const QString& choiceItem);
    // The windows' close reports (main thread).
    void onCloseTextBoxWindow(const QRectF& frame);
    void deleteTextBoxView();
    void onCloseMessageWindow(const QRectF& frame);
    void onCloseQuestionnaireResultWindow();
    QRectF textBoxRect() const { return mTextBoxRect; }
    QRectF messageRect() const { return mMessageRect; }

    // ---- Application sharing: the own share and the request dialogue (StartViewControllerAppShare.cpp) ----
    // The share button.
    void launchAPShareWindow();
    void startAPShare(bool start, bool isRequested);
    void stopAPShare(bool closeMenu, const std::optional<QString>& message);
    void requestAPShare(const UserInfoRef& user, bool isStart);
    void cancelAPShareRequest();
    void permitASStartReq();
    void rejectASStartReq();
    // The sharer, once the user has shared in this conference.
    std::shared_ptr<LoginAPShareServer> apShareServer() const;
    // LoginManagerDelegate: on the receive thread; the sharer moves to the main queue itself.
    void onASStartRequest(bool ask, const QString& userId) override;
    void onASStartRequestCancel() override;
    void onASStartRequestRes(bool permitted) override;
    void onASStopRequest() override;
    void onASStartPermit(uint32_t value) override;
    void onASStartRefuse(uint32_t value) override;
    void onASControlReq(uint32_t kind, const QString& userId, const QString& userName) override;
    void onASControlRet() override;
    void onASKeyEvent(uint32_t key, uint32_t updown) override;
    void onASMouseEvent(uint16_t kind, uint16_t x, uint16_t y) override;
    void onASMouseWheelEvent(int delta) override;
    // LoginAPShareServerViewAction
    void showASServerMessageAlert(const QString& alertId, const QString& message) override;

    // ---- Remote settings and permissions (StartViewControllerParticipantControl.cpp) ----
    // The user menu's entries (and others): each opens only while the user may
    // use the function now.
    void launchRemoteStgOneWindow(const UserInfoRef& user);
    void launchRemoteStgAllWindow();
    void launchUserPermissionSetWindow(bool showAlert);
    // The user's own grants changed (type 0 to 2: granted or withdrawn); any thread.
    void onPermissionChange(const std::map<int, bool>& changeItems);
    // The user lost the chair: windows of rights no longer held close.
    void closeParticipantControlAfterOwnerLoss();
    // ---- Document sharing (StartViewControllerDocShare.cpp) ----
    // LoginManagerDelegate: on any thread; each moves to the main queue.
    void startDocShare(const UserInfoRef& leader, bool isNewStart) override;
    void stopDocShare(const QString& userId) override;
    // Following started, or the own share runs already: the window opens or comes to the front.
    void onDocShareActive() override;
    // The own start was refused (code 3, also 1 and 2): a warning, unless a
    // share runs already or the room is a webinar.
    void startDocShareError(int code) override;
    void launchDocShareWindow(bool startedHere);
    // The window's close report (main thread): ends the own share, keeps the frame.
    void onCloseDocShareWindow(const QRectF& frame);
    QRectF docShareWindowRect() const { return mDocshareWindowRect; }
    // ---- Watching another participant's share (StartViewControllerAPShareViewer.cpp) ----
    // LoginManagerDelegate, on the thread the event arrived on; handed to the
    // viewer there (the viewer queues its window work itself). A share's start,
    // its control changes and its clipboard text reach both the own sharer and
    // the viewer (StartViewControllerAppShare.cpp).
    void onAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                        uint16_t top, uint16_t right, uint16_t bottom, const QString& sharerId,
                        const QString& sharerName, const QString& operatorId,
                        const QString& operatorName) override;
    void onAPShareStop(int kind, const QString& sharerId, const QString& sharerName) override;
    void onAPShareResize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void onAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void onAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, const QByteArray& data,
                       int length) override;
    void onAPShareControlChange(const QString& operatorId, const QString& operatorName, int controlStatus,
                                bool controlRequestStatus) override;
    void onASControlRes(uint32_t result, const QString& userId, const QString& userName) override;
    void onASClipBoardText(const QByteArray& text) override;
    // APShareClientViewAction
    void showASClientMessageAlert(const QString& alertId, const QString& message) override;
    void onAPShareViewForWebinar(QWidget* view) override;
    // The viewer of the share being watched (none).
    std::shared_ptr<ConferenceAPShareViewer> apShareClient() const;
    // ---- Webinar layouts and display control (StartViewControllerWebinar.cpp) ----
    // What a layout mode prepares and which contents its panes get.
    enum WebinarStep {
        WB_CLOSE_DOC,
        WB_CLOSE_WB,
        WB_REMOVE_TB,
        WB_CLOSE_AP,
        WB_OPEN_DOC,
        WB_OPEN_WB,
        WB_OPEN_TB,
        WB_AP_PANE
    };
    enum WebinarContent { WC_NONE, WC_VIDEO, WC_DOC, WC_WB, WC_AP, WC_TB };
    struct WebinarLayoutPlan {
        std::vector<WebinarStep> steps;
        WebinarContent left = WC_VIDEO, right = WC_NONE, bottom = WC_NONE;
    };
    static WebinarLayoutPlan webinarLayoutPlan(int mode, bool isFuncMain);
    // A layout menu item's tag as (mode, flag); none for an unknown tag.
    static std::optional<std::pair<int, bool>> webinarMenuChoice(int tag);
    void setLayoutMainViewForWebinar(bool isFuncMain, bool isRecv, int mode);
    void onChangeLayoutOfWebinarView(bool flag, int mode) override;
    void changeLayoutOfWebinarViewFromMenu(bool isFuncMain, int mode);
    void onSelectMenuItemFromWebinarMenu(int itemTag) override;
    std::optional<std::pair<bool, int>> getConvertFromStrWinSyncToModeForWebinar() override;
    void cleanupWebinarViews();
    // The owner's display-control request from the user menu (tags 18 to 22).
    void sendDispControlRequest(const UserInfoRef& target, int64_t popupTag);

    // ---- Local recording (StartViewControllerRecording.cpp) ----
    // A tile's record button or the user menu's record item (main thread).
    void dispRecordingMenu(const SpeakerInfoRef& user);
    // The own camera's and the tiles' pictures while recorded (any thread).
    void recordMyVideo(const QImage& picture);
    void recordOtherVideo(const QImage& picture, const QString& userId);
    // The automatic recording mode for a speaker's new tile, or 0 (main thread).
    int checkIsAutoRecVideo(const SpeakerInfoRef& speaker);
    void onStartAutoSaveRecordingOfOtherVideo(int mode, const SpeakerInfoRef& speaker, int width, int height);
    void settingTimeRecCheck(bool on);
    // LoginManagerDelegate: starts and stops arrive on the main thread, the
    // errors and the menu update on any thread.
    void onStartRecording(const std::shared_ptr<RecordingInfo>& recording, int fileType, int targetType) override;
    void onStopRecording(const std::shared_ptr<RecordingInfo>& recording, int fileType, int targetType) override;
    void onRecordingError(int error) override;
    void onRecordingErrorStr(const QString& message, const QString& title, int alertType) override;
    void updateRecSystemMenu() override;
    void stopRecordingFromMenu(std::int64_t tag);
    // The view a recording of `userId` marks: the own camera view or the tile.
    VideoView* recordingTargetView(const QString& userId);

private:
    // The room lets the user share and the screen can be captured; otherwise
    // the user is told why not.
    bool checkOwnShareAllowed();
    void releaseAPShareServer();
    // The viewer's half of a share's start.
    void startAPShareViewer(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                            uint16_t top, uint16_t right, uint16_t bottom, const QString& sharerId,
                            const QString& sharerName, const QString& operatorId,
                            const QString& operatorName);
    // Logout and lost connection: the viewer stops and is kept until the next start.
    void stopAPShareClient();
    mutable std::mutex apShareClientMutex_;
    std::shared_ptr<ConferenceAPShareViewer> mAPShareClient;
    // Counts starts and stops, so that a start queued to the main thread
    // after its share already stopped makes no viewer.
    std::uint64_t apShareGeneration_ = 0;

    void terminateApplication();
    void observeNotifications();
    void removeHeaderFooterAndVideoArea();
    // Replaces the video area; frames and levels of core threads never meet a
    // video area being destroyed.
    void setVideoArea(std::unique_ptr<ConferenceVideoArea> area);
    // Whether the own user holds the floor (is in the speaker list).
    bool isSpeaker() const;

    Services services_;
    QPointer<Window> window_;
    QPointer<View> rootView_;
    std::unique_ptr<LoginManager> mLoginManager;
    std::unique_ptr<ConferenceVideoArea> mMainViewController;
    mutable std::mutex videoAreaMutex_;  // guards mMainViewController for the frame and level threads
    QPointer<VideoInfo> mMyVideoInfo;
    std::unique_ptr<MainViewControllerDelegate> videoAreaDelegate_;
    QPointer<MVHeaderView> mMVHeaderView;
    QPointer<MVFooterView> mMVFooterView;
    std::optional<QString> mSelectedUserForChangeOwner, mSelectedUserForForceLeave;
    UserInfoRef mSelectedUserForReserve;
    QRectF mDocshareWindowRect, mListWindowRect, mTextBoxRect, mMessageRect;
    bool mbStartupAP = false;
    mutable std::mutex apShareMutex_;  // the sharer is reached from the receive threads
    std::shared_ptr<LoginAPShareServer> mAPShareServer;
    bool terminating_ = false;
    int exitStatus_ = 0;
    double headerHeight_ = 37;

    // The device section's queue and its latest-wins volumes.
    void runDeviceCommand(std::function<void()> command);
    void queueVolume(int key, float volume, std::function<void(float)> apply);
    void applyDeviceState();
    // The input and output volumes as the devices have them now (the stored
    // ones until the audio runs).
    std::pair<float, float> currentVolumes() const;
    std::shared_ptr<DispatchQueue> deviceQueue_;
    std::mutex volumeMutex_;
    std::map<int, float> pendingVolumes_;
};
