#include "conference/StartViewController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <algorithm>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"
#include "platform/View.h"
#include "services/LogFileManager.h"
#include "services/QuorixUtils.h"
#include "services/UpdateManager.h"
#include "tiles/CameraView.h"
#include "ui/CommonAlert.h"

namespace {
constexpr int kLogInfo = 2;
const QString kKickScheme = QStringLiteral("notification_name_kick_scheme");
const QString kCheckUpdate = QStringLiteral("notification_name_check_update");
const QString kLaunchHelp = QStringLiteral("notification_name_launch_help");

void writeLog(const QString& text) {
    LogFileManager::write(text, kLogInfo, false);
}
}  // namespace

StartViewController::StartViewController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    if (!services_.makeLoginManager)
        services_.makeLoginManager = [] { return std::make_unique<LoginManager>(); };
    if (!services_.windows) services_.windows = std::make_unique<ConferenceFeatureWindows>();
    if (!services_.runModalAlert)
        services_.runModalAlert = [this](const QString& message) {
            return CommonAlert::sharedInstance().showModalAlert(this, std::nullopt, message, std::nullopt);
        };
    if (!services_.terminate) services_.terminate = [] { QCoreApplication::quit(); };
    if (!services_.openUrl) services_.openUrl = [](const QString& a) { QDesktopServices::openUrl(QUrl(a)); };
    if (!services_.makeVideoArea) services_.makeVideoArea = [this] { return makeMainViewController(); };
    if (!services_.calcMainViewSize)
        services_.calcMainViewSize = [](int category, int maxParticipants) {
            return MainViewController::calcMainViewSize(category, maxParticipants);
        };
    if (!services_.savedMainFrame)
        services_.savedMainFrame = [this] { return checkSavedWindowSize(SaveLayoutInfo::kRectMain); };
    if (!services_.osVersion) services_.osVersion = &QuorixUtils::GetOSVersion;

    // The answers of the floor and chair questions go to the login.
    changeReserveState = [this](int state, const UserInfoRef& user) {
        changeReserveStateUserInfo(state == 1, user);
    };
    changeOwner = [this](const QString& userId) { mLoginManager->changeOwner(userId); };
    forceLeave = [this](const QString& userId) { mLoginManager->forceLeave(userId); };

    window_ = new Window(QRectF(0, 0, 520, 120), WindowStyleTitled | WindowStyleClosable |
                                                     WindowStyleMiniaturizable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("conferenceWindow"));
    window_->setTitle(MainBundle::name());
}

StartViewController::~StartViewController() {
    NotificationCenter::defaultCenter().removeObserver(this);
    // Device commands still queued finish before the login goes; the own
    // tile lets go of the bridge's camera.
    flushDeviceCommands();
    if (CameraView* camera = ownCameraView()) camera->setCapture(nullptr);
    if (mLoginManager) {
        mLoginManager->setDelegate(nullptr);
        mLoginManager->waitForLoginQueue();
        services_.windows->loginManagerWillBeDestroyed(*mLoginManager);
    }
    if (mMVHeaderView) mMVHeaderView->setDelegate(nullptr);
    setVideoArea(nullptr);
    {
        std::lock_guard lock(apShareClientMutex_);
        mAPShareClient.reset();  // before the login it sends through
    }
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
    mLoginManager.reset();
}

// ---- Start-up ----

void StartViewController::viewDidLoad() {
    rootView_ = new View();
    rootView_->setObjectName(QStringLiteral("rootView"));
    window_->setContentView(rootView_);
    rootView_->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);

    mLoginManager = services_.makeLoginManager();
    mLoginManager->setDelegate(this);
    services_.windows->loginManagerCreated(*mLoginManager);
    observeNotifications();
    LogFileManager::createLogFile();
}

void StartViewController::observeNotifications() {
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kKickScheme, [this](const Notification& n) {
        // The link text travels as the "object" entry; absent when the launch carried none.
        std::optional<QString> link;
        if (n.userInfo.contains(QStringLiteral("object")))
            link = n.userInfo.value(QStringLiteral("object")).toString();
        mainQueue().async(this, [this, link] { launchAppScheme(link); });
    });
    center.addObserver(this, kCheckUpdate, [this](const Notification&) {
        mainQueue().async(this, [this] { updateApplicationIfUpdated(); });
    });
    center.addObserver(this, kLaunchHelp,
                       [this](const Notification&) { mainQueue().async(this, [this] { showHelp(); }); });
}

void StartViewController::viewDidAppear() {
    window_->setDelegate(this);
    auto& update = UpdateManager::sharedManager();
    if (mLoginManager->status() == LOGIN_STATUS_IDLE && update.checkSaveLoginData()) {
        reloginForUpdate({QStringLiteral("Quorix"), update.uid(), update.pass(), update.name(), update.tid(),
                          update.rid(), update.url()});
    }
}

void StartViewController::reloginForUpdate(const QStringList& fields) {
    mLoginManager->launch(fields, true);
}

void StartViewController::launchAppScheme(const std::optional<QString>& link) {
    if (link && !link->isEmpty()) {
        const QStringList fields = QuorixUtils::ParseOpenUrlParameter(*link);
        // A link that cannot be used never ends the conference that runs:
        // it is checked before anything is left.
        if (mLoginManager->status() != LOGIN_STATUS_IDLE) {
            if (const int code = LoginManager::checkLaunchFields(fields, false); code != 0) {
                refuseLaunchLink(code);
                return;
            }
        }
        if (mLoginManager->status() == LOGIN_STATUS_LOGGED_IN) {
            resetViews();
            mLoginManager->resetAll();
        }
        // The one login queue: a link during a login or a reconnect waits for it.
        mLoginManager->launch(fields, false);
        return;
    }
    const bool idle = mLoginManager->status() == LOGIN_STATUS_IDLE;
    writeLog(StringWithFormat(QStringLiteral("Launch without a link (%@)."),
                              launchFailureReason(LOGIN_ERROR_PARAMETER, -101)));
    // Over a conference the window comes forward with the message.
    if (!idle) bringWindowForward();
    const int answer =
        services_.runModalAlert(LocalizedFormat("dfMAINVIEW_XMLPARSE_OTHER_ERROR", QStringLiteral("-101")) +
                                u'\n' + launchFailureReason(LOGIN_ERROR_PARAMETER, -101));
    if (answer == AlertFirstButtonReturn && mLoginManager->status() == LOGIN_STATUS_IDLE) {
        exitStatus_ = 1;
        terminateApplication();
    }
}

void StartViewController::updateApplicationIfUpdated() {
    if (mLoginManager->status() == LOGIN_STATUS_LOGGED_IN) {
        auto& update = UpdateManager::sharedManager();
        const UserInfoRef me = mLoginManager->myInfo();
        update.setParam(mLoginManager->serverUrl(), me->userId(), mLoginManager->password(), me->userName(),
                        mLoginManager->topRoomId(), mLoginManager->roomId());
        update.checkLatestAppVersion(true);
        return;
    }
    services_.runModalAlert(LocalizedString("dfUPDATE_LOGIN_LATER"));
}

void StartViewController::showHelp() {
    services_.openUrl(mLoginManager->configDataDict().value(QStringLiteral("HELPMACURL")).toString());
}

// ---- Login outcome ----

void StartViewController::onLoginSuccess(bool relogin) {
    mainQueue().async(this, [this, relogin] {
        QPalette pal = window_->palette();
        pal.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
        window_->setPalette(pal);
        window_->orderFrontRegardless();
        createMainView(relogin);
        if (mLoginManager->configDataDict().value(QStringLiteral("USERLISTMODE")).toString() == u"Y" &&
            mLoginManager->iRoomCategory() == 0)
            services_.windows->launchListWindow();
        checkAudioDeviceStatus();
    });
}

void StartViewController::onLoginError(int kind, int code, int subCode) {
    mainQueue().async(this, [this, kind, code, subCode] { showLoginError(kind, code, subCode); });
}

void StartViewController::showLoginError(int kind, int code, int subCode) {
    QString message;
    switch (kind) {
        case LOGIN_ERROR_PARAMETER:
        case LOGIN_ERROR_CONFIG:
        case LOGIN_ERROR_TOKEN:
            message = QuorixUtils::GetMessageForPrepareLoginFailed(code);
            break;
        case LOGIN_ERROR_CORE:
            message = QuorixUtils::GetMessageForLoginError(code, subCode);
            break;
        case LOGIN_ERROR_SYSTEM_VERSION:
            message = LocalizedFormat("dfUPDATE_NOT_SUPPORTED", QStringLiteral("Quorix"));
            break;
        default:
            message = LocalizedString("dfMAINVIEW_LOGIN_ERROR19");
            break;
    }
    // Before the core login the code alone does not tell the user what went
    // wrong: the reason follows on a line of its own and goes to the log.
    if (const QString reason = launchFailureReason(kind, code); !reason.isEmpty()) {
        message += u'\n' + reason;
        writeLog(StringWithFormat(QStringLiteral("Login failed (%d): %@"), code, reason));
    }
    const bool toSettings =
        kind == LOGIN_ERROR_CORE && (code == -5 || code == -6 || code == -8 || code == -15);
    if (services_.runModalAlert(message) != AlertFirstButtonReturn) return;
    if (toSettings) {
        services_.windows->launchSettingWindow();
        return;
    }
    exitStatus_ = 1;  // the program ends without having joined
    terminateApplication();
}

void StartViewController::closeSettingWindow(int reason) {
    if (reason == SETTING_WINDOW_CLOSED_ITSELF) return;
    services_.windows->closeSettingWindow();
    if (mLoginManager->status() != LOGIN_STATUS_LOGGING_IN) return;
    if (reason == SETTING_WINDOW_CANCEL) {
        terminateApplication();
    } else {
        // Queued on the login queue, never run on the main thread.
        mLoginManager->retryInBackground();
    }
}

void StartViewController::onConnectionError(int) {
    if (mLoginManager->status() != LOGIN_STATUS_RECONNECTING) return;
    mainQueue().async(this, [this] {
        resetViews();
        mLoginManager->retryInBackground();
    });
}

void StartViewController::onForceLogout(int kind, const QString& userId, const QString& userName) {
    mainQueue().sync([this] {
        if (mMainViewController) mMainViewController->resetVideoArea();
    });
    QString text;
    if (kind == FORCE_LOGOUT_PUSHED_OUT) {
        text = LocalizedString("dfMAINVIEW_LOGIN_ERROR9");
    } else if (kind == FORCE_LOGOUT_BY_USER && userId == u"[ scheduler ]") {
        const QString exit = mLoginManager->exitMessageStr();
        text = exit.isEmpty() ? QStringLiteral("Room was left automatically.") : exit;
    } else if (kind == FORCE_LOGOUT_BY_USER) {
        text = LocalizedFormat("dfMAINVIEW_ALERT_FORCE", userName.isEmpty() ? userId : userName);
    } else {
        text = LocalizedString("dfMAINVIEW_ALERT_FORCE_2");
    }
    mainQueue().async(this, [this, text] { showExitAppAlert(text); });
}

void StartViewController::showExitAppAlert(const QString& text) {
    if (services_.runModalAlert(text) == AlertFirstButtonReturn) leaveConfRoom();
}

// ---- Leaving and teardown ----

void StartViewController::leaveConfRoom() {
    writeLog(QStringLiteral("Leave button was clicked."));
    processLogout(false);
    mLoginManager->logout(false);
    NotificationCenter::defaultCenter().removeObserver(this, kCheckUpdate);
    NotificationCenter::defaultCenter().removeObserver(this, kLaunchHelp);
    terminateApplication();
}

void StartViewController::processLogout(bool keep) {
    stopAPShareClient();
    flushDeviceCommands();  // no device command runs into the logout
    if (auto* rec = mLoginManager->recordingManager()) rec->stopAllRecording();
    releaseAPShareServer();
    // The chat is kept (when the room allows it) before its windows go.
    if (services_.windows->hasTextBoxView()) {
        mLoginManager->saveTextBoxData(services_.windows->textBoxSaveData());
        deleteTextBoxView();
    }
    services_.windows->closeConferenceWindows(keep);
    NotificationCenter::defaultCenter().post(QStringLiteral("notification_name_window_close"));
    services_.windows->closeListWindows();
    if (!keep) services_.windows->closeSettingWindow();
    CommonAlert::sharedInstance().hideAllAlert();
}

void StartViewController::resetViews() {
    if (mMainViewController) mMainViewController->resetVideoArea();
    const int64_t status = mLoginManager->status();
    if (status == LOGIN_STATUS_RECONNECTING && mMVFooterView) mMVFooterView->setReconnectLable();
    if (status == LOGIN_STATUS_LOGGED_IN) {
        processLogout(false);
        initVariables();
    } else {
        processLogout(true);
    }
}

void StartViewController::initVariables() {
    mDocshareWindowRect = mListWindowRect = mTextBoxRect = mMessageRect = QRectF();
    mbStartupAP = false;
}

// Quitting waits (bounded) for the login queue, the logout and the recorders
// to finish writing, so that no recording or saved file is cut short.
void StartViewController::terminateApplication() {
    if (terminating_) return;
    terminating_ = true;
    // No login may run on while the program ends (nor make a recorder meanwhile).
    mLoginManager->waitForLoginQueue();
    // The recordings were stopped by the teardown; their files are still being written.
    if (auto* rec = mLoginManager->recordingManager()) rec->waitUntilFinished(kQuitWait);
    if (mLoginManager->status() != LOGIN_STATUS_IDLE) mLoginManager->logout(false);
    writeLog(StringWithFormat(QStringLiteral("%@ was terminated."), MainBundle::name()));
    services_.terminate();
}

// ---- Window ----

void StartViewController::windowWillClose(Window* window) {
    if (window != window_ || mLoginManager->status() != LOGIN_STATUS_LOGGED_IN) return;
    processLogout(false);
    terminateApplication();
}

void StartViewController::windowDidResize(Window*) {
    if (mMainViewController) mMainViewController->resizeMainView();
}

// ---- Header commands ----

bool StartViewController::isSpeaker() const {
    const auto list = mLoginManager->userListInfo();
    const auto speakers = list ? list->speakerList() : std::nullopt;
    if (!speakers) return false;
    const QString me = mLoginManager->myInfo()->userId();
    return std::any_of(speakers->begin(), speakers->end(),
                       [&](const SpeakerInfoRef& s) { return s->userId() == me; });
}

int64_t StartViewController::getLoginManagerStatus() {
    return mLoginManager->status();
}

void StartViewController::onClickFunctionMenu(int tag) {
    if (mLoginManager->status() != LOGIN_STATUS_LOGGED_IN) return;
    switch (tag) {
        case HEADER_TAG_SETTINGS:
            services_.windows->launchSettingWindow();
            break;
        case HEADER_TAG_USER_LIST:
            services_.windows->launchListWindow();
            break;
        case HEADER_TAG_DOC_SHARE: {
            const UserInfoRef me = mLoginManager->myInfo();
            const bool listener = mLoginManager->iRoomCategory() == 1 &&
                                  mLoginManager->ownerIdStr() != me->userId() && !isSpeaker();
            if (listener) {
                CommonAlert::sharedInstance().showWarningAlert(
                    QStringLiteral("alert_id_no_permission_to_start"),
                    LocalizedString("dfERROR_DONTHAVEPERMIT"), window_->frame());
            } else {
                services_.windows->startDocShare();
            }
            break;
        }
        case HEADER_TAG_TEXT_BOX:
            launchTextBoxWindow();
            break;
        case HEADER_TAG_MESSAGE:
            launchMessageWindow(std::nullopt);
            break;
        case HEADER_TAG_AP_SHARE:
            services_.windows->launchAPShareWindow();
            break;
        case HEADER_TAG_HELP:
            showHelp();
            break;
        case HEADER_TAG_EXIT:
            leaveConfRoom();
            break;
        default:
            break;
    }
}
