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
//   StartViewControllerVideo.cpp   the video area: its tiles, the floor, frames and levels
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
#include <memory>
#include <mutex>
#include <optional>

#include "conference/ConferenceVideoArea.h"
#include "conference/MVFooterView.h"
#include "conference/MVHeaderView.h"
#include "conference/MainViewController.h"
#include "media/AudioInfo.h"
#include "model/MessageInfo.h"
#include "model/TextBoxData.h"
#include "model/UserInfo.h"
#include "platform/Window.h"
#include "session/LoginManager.h"

class View;

enum ForceLogoutKind : int {
    FORCE_LOGOUT_BY_USER = 0,
    FORCE_LOGOUT_PUSHED_OUT = 1,
    FORCE_LOGOUT_UNKNOWN = 2,
};

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
    virtual void launchAPShareWindow() {}
    virtual void startDocShare() {}
    virtual bool isDocShareWindowOpen() const { return false; }
    // The document-sharing window, for a sheet on it.
    virtual QWidget* docShareWindow() const { return nullptr; }
    virtual void closeConferenceWindows(bool keepForReconnect) { (void)keepForReconnect; }

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
};

class StartViewController : public QObject,
                            public LoginManagerDelegate,
                            public LoginAPShareServerViewAction,
                            public MVHeaderViewDelegate,
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
    // LoginManagerDelegate: floor, owner, frame and level events of the login,
    // on the thread they arrive on: floor and owner changes go to the main queue; frames and
    // levels go straight to the area, which keeps the latest of each.
    void onStartSpeech(const SpeakerInfoRef& speaker) override;
    void onEndSpeech(const SpeakerInfoRef& speaker) override;
    void onStartManySpeech(const SpeakerInfoRef& speaker) override;
    void onEndManySpeech(const SpeakerInfoRef& speaker) override;
    void onChangeOwner(const QString& ownerId, const QString& oldOwnerId) override;
    void updateVideo(int clientNo, const QImage& image, const QString& name) override;
    void onAudioVolume(int clientNo, int volume) override;

    // The video area's first appearance: places the room's participants.
    // (The area's other requests, the tile actions, belong to the floor and
    // device controls; its delegate answers them with nothing until then.)
    void finishedCreateView();

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
    void onAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left, uint16_t top,
                        uint16_t right, uint16_t bottom, const QString& sharerId, const QString& sharerName,
                        const QString& operatorId, const QString& operatorName) override;
    void onASStartPermit(uint32_t value) override;
    void onASStartRefuse(uint32_t value) override;
    void onAPShareControlChange(const QString& operatorId, const QString& operatorName, int controlStatus,
                                bool controlRequestStatus) override;
    void onASControlReq(uint32_t kind, const QString& userId, const QString& userName) override;
    void onASControlRet() override;
    void onASKeyEvent(uint32_t key, uint32_t updown) override;
    void onASMouseEvent(uint16_t kind, uint16_t x, uint16_t y) override;
    void onASMouseWheelEvent(int delta) override;
    void onASClipBoardText(const QByteArray& text) override;
    // LoginAPShareServerViewAction
    void showASServerMessageAlert(const QString& alertId, const QString& message) override;

private:
    // The room lets the user share and the screen can be captured; otherwise
    // the user is told why not.
    bool checkOwnShareAllowed();
    void releaseAPShareServer();
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
    double headerHeight_ = 37;
};
