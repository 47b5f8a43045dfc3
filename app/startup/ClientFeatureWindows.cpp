#include "startup/ClientFeatureWindows.h"

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>

#include "appshare/APShareClient.h"
#include "appshare/APShareClientLoginDelegate.h"
#include "media/CameraSettings.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "ui/CommonAlert.h"

namespace {

bool configYes(const QVariantMap& config, const char* key) {
    return config.value(QString::fromLatin1(key)).toString() == QStringLiteral("Y");
}

int configInt(const QVariantMap& config, const char* key, int fallback) {
    const QVariant value = config.value(QString::fromLatin1(key));
    return value.isValid() ? value.toString().toInt() : fallback;
}

AudioDeviceInfoList deviceList(const LoginAudioManager* audio, bool output) {
    AudioDeviceInfoList list;
    if (!audio) return list;
    for (const auto& [uid, name] : audio->devices(output)) {
        AudioDeviceInfo info;
        info.deviceUid = uid;
        info.deviceName = name;
        list << info;
    }
    return list;
}

}  // namespace

ClientFeatureWindows::ClientFeatureWindows()
    : chat_(std::make_unique<ChatWindows>([this] { return controller_; })),
      remoteStg_(std::make_unique<RemoteStgWindows>(
          [this] { return controller_ ? controller_->loginManager() : nullptr; },
          [this] {
              return controller_ && controller_->window() ? controller_->window()->frame() : QRectF();
          })),
      docShare_(std::make_unique<DocShareWindows>([this] { return controller_; })),
      participants_(std::make_unique<ParticipantWindows>([this] { return controller_; })),
      questionnaire_(std::make_unique<QuestionnaireWindows>([this] { return controller_; })) {}

void ClientFeatureWindows::closeConferenceWindows(bool keepForReconnect) {
    chat_->closeConferenceWindows(keepForReconnect);
    questionnaire_->closeAll();
    remoteStg_->closeAll();
    closePermissionSetWindow();
}

std::shared_ptr<ConferenceAPShareViewer> ClientFeatureWindows::makeAPShareClient(
    bool isWebinar, LoginManager* login, APShareClientViewAction* viewAction) {
    if (!login) return nullptr;
    return APShareClient::make(isWebinar, std::make_unique<APShareClientLoginDelegate>(login), viewAction);
}

void ClientFeatureWindows::launchAPShareWindow() {
    if (controller_) controller_->launchAPShareWindow();
}

bool ClientFeatureWindows::hasAPShareSharer() const {
    return controller_ && controller_->apShareServer() != nullptr;
}

void ClientFeatureWindows::checkOperatorRequester(const QString& userId, const QString& userName) {
    if (auto sharer = controller_ ? controller_->apShareServer() : nullptr)
        sharer->checkOperatorRequester(userId, userName);
}

void ClientFeatureWindows::stopAPShare(const std::optional<QString>& message) {
    if (controller_) controller_->stopAPShare(true, message);
}

void ClientFeatureWindows::cancelAPShareRequest() {
    if (controller_) controller_->cancelAPShareRequest();
}

ClientFeatureWindows::~ClientFeatureWindows() {
    delete settingWindow_.data();
    if (permissionWindow_) {
        permissionWindow_->setDelegate(nullptr);
        delete permissionWindow_.data();
    }
}

// ---- Remote settings and permissions ----

void ClientFeatureWindows::loginManagerCreated(LoginManager& login) {
    remoteStg_->attach(login);
    if (auto* p = dynamic_cast<PermissionManager*>(login.permissionManager())) p->setViewInterface(this);
}

void ClientFeatureWindows::loginManagerWillBeDestroyed(LoginManager& login) {
    remoteStg_->detach(login);
    if (auto* p = dynamic_cast<PermissionManager*>(login.permissionManager())) p->setViewInterface(nullptr);
}

PermissionManager* ClientFeatureWindows::permissionManager() const {
    LoginManager* login = controller_ ? controller_->loginManager() : nullptr;
    return login ? dynamic_cast<PermissionManager*>(login->permissionManager()) : nullptr;
}

void ClientFeatureWindows::launchUserPermissionSetWindow(bool showAlert) {
    PermissionManager* permissions = permissionManager();
    if (!permissions) return;
    const PermissionDataRef me = permissions->permissionInfo().myInfo();
    if (!me || me->getEnableCount() <= 0) {
        if (showAlert)
            CommonAlert::sharedInstance().showWarningAlert(
                QStringLiteral("alert_id_no_item_to_set"), LocalizedString("dfUSER_PERMISSION_ALERT_NO_ITEM"),
                controller_ && controller_->window() ? controller_->window()->frame() : QRectF());
        return;
    }
    if (!permissionWindow_) {
        LoginManager* login = controller_->loginManager();
        permissionWindow_ =
            new PermissionSetWindowController(&permissions->permissionInfo(), login->configDataDict());
        permissionWindow_->setDelegate(this);
    }
    permissionWindow_->show();
    permissionWindow_->raise();
    permissionWindow_->activateWindow();
}

void ClientFeatureWindows::closePermissionSetWindow() {
    if (permissionWindow_) permissionWindow_->close();
}

void ClientFeatureWindows::onPermissionChange(const QString&, const std::map<int, bool>& changeItems) {
    if (controller_) controller_->onPermissionChange(changeItems);
}

void ClientFeatureWindows::sendPermissionChangeReq(const PermissionDataList& list) {
    if (PermissionManager* permissions = permissionManager()) permissions->sendChangePermissionWithList(list);
}

void ClientFeatureWindows::onClosePermissionSetWindow(PermissionSetWindowController* window) {
    if (permissionWindow_ == window) permissionWindow_ = nullptr;
    window->deleteLater();
}

SettingWindowParams ClientFeatureWindows::settingParams(const LoginManager* login) {
    SettingWindowParams p;
    const QRect screen =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
    p.origin = QPointF(screen.width() / 2.0 - 222.75, screen.height() / 2.0 - 222.75);
    p.currentInDevUid = DataSaveManager::loadAudioDevice(false);
    p.currentOutDevUid = DataSaveManager::loadAudioDevice(true);
    if (!login) return p;
    const QVariantMap config = login->configDataDict();
    p.dsDefaultUrl = login->getDocShareDefaultUrl().value_or(QString());
    p.inputDevices = deviceList(login->audioManager(), false);
    p.outputDevices = deviceList(login->audioManager(), true);
    p.isHDMode = configYes(config, "HDMODE");
    p.isShowDocShareTab = configYes(config, "DOCSHAREMODE");
    p.roomCategory = login->iRoomCategory();
    p.isShowNotifyChatBtn = p.roomCategory == ROOM_CATEGORY_SEMINAR_SETTING &&
                            configYes(config, "MODE_WEBINAR_TEXTBOX_NOTIFY") &&
                            configYes(config, "MODE_WEBINAR_TEXTBOX_NOTIFY_SETTING");
    p.isShowRecordTab = configYes(config, "RECORDING");
    const int maxTime = configInt(config, "MODE_MAX_RECORD_TIME", 0);
    p.recordingMaxTime = maxTime >= 1 && maxTime <= 1440 ? maxTime : 300;
    p.isShowRecordTimeStamp = configYes(config, "MODE_RECORDING_TIMEREC_INFO");
    p.recordingTimeRecDefaultCheck = configInt(config, "MODE_RECORDING_TIMEREC_DEFAULT_CHECK", 0);
    p.isBgBlur = configYes(config, "MODE_BG_BLUR");
    return p;
}

void ClientFeatureWindows::launchSettingWindow() {
    if (settingWindow_) {
        settingWindow_->showWindow();
        return;
    }
    LoginManager* login = controller_ ? controller_->loginManager() : nullptr;
    if (!login || login->status() == LOGIN_STATUS_IDLE) {
        // Outside a conference the video page still needs its lists.
        CameraSettings::initCameraSettings(login ? login->configDataDict() : QVariantMap());
    }
    settingWindow_ = new SettingWindowController(settingParams(login), this, this);
    settingWindow_->showWindow();
}

void ClientFeatureWindows::closeSettingWindow() {
    if (settingWindow_) settingWindow_->close();
}

void ClientFeatureWindows::closeSettingWindow(int reason) {
    if (reason == SETTING_CLOSE_CLOSING) {
        if (settingWindow_) settingWindow_->deleteLater();
        settingWindow_ = nullptr;
        return;
    }
    if (controller_) {
        controller_->closeSettingWindow(reason);  // closes this window, then retries or ends a failed login
    } else {
        closeSettingWindow();
    }
}

void ClientFeatureWindows::changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                                               const std::optional<AudioDeviceInfo>& output,
                                               std::int64_t echoCancelMode, std::int64_t noiseReductionMode) {
    LoginManager* login = controller_ ? controller_->loginManager() : nullptr;
    if (login && login->audioManager()) {
        login->audioManager()->changeAudioSettings(input, output, echoCancelMode, 100, noiseReductionMode);
    }
}

void ClientFeatureWindows::changeVideoSettings(QSize, int, const std::optional<CaptureDevice>& device) {
    // Size and rate are already in the camera settings, which the next
    // camera start reads; a chosen camera is the one the next start opens.
    if (device) UserDefaults::standard().setString(QStringLiteral("KeySelectedDeviceID"), device->uniqueID);
}

void ClientFeatureWindows::changeVideoBg(int mode, const std::optional<QByteArray>& imgData) {
    if (mode == 0 || mode == 1) {
        UserDefaults::standard().setInteger(QStringLiteral("KeyCameraBgMode"), mode);
    } else if (mode == 2 && imgData) {
        DataSaveManager::saveCameraBgCustomImgData(imgData);
        UserDefaults::standard().setInteger(QStringLiteral("KeyCameraBgMode"), 2);
    }
}

void ClientFeatureWindows::selectedCustomImgData(std::function<void(const QByteArray&)> handler) {
    auto* dialog = new QFileDialog(settingWindow_ ? settingWindow_->window() : nullptr);
    dialog->setObjectName(QStringLiteral("bgImageChooser"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QStringLiteral("Images (*.jpg *.jpeg *.png)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [handler](const QString& path) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) handler(file.readAll());
    });
    dialog->open();
}

void ClientFeatureWindows::settingTimeRecCheck(bool on) {
    if (controller_) controller_->settingTimeRecCheck(on);
}

// ---- The status-bar menu of the running recordings ----

void ClientFeatureWindows::reloadRecordingMenu(const std::vector<std::shared_ptr<RecordingInfo>>& recordings,
                                               std::function<void(std::int64_t tag)> stop) {
    recordingStop_ = std::move(stop);
    if (!recordingMenu_) {
        recordingMenu_ = std::make_unique<RecordingSystemMenu>();
        recordingMenu_->setRecordingSystemMenuDelegate(this);
    }
    recordingMenu_->reloadMenu(recordings);
}

void ClientFeatureWindows::hideRecordingMenu() {
    if (recordingMenu_) recordingMenu_->hidden();
}

QString ClientFeatureWindows::recordingUserId(const std::shared_ptr<RecordingInfo>& recording) const {
    return recording ? recording->userId() : QString();
}

void ClientFeatureWindows::stopRecordingFromMenu(std::int64_t tag) {
    if (recordingStop_) recordingStop_(tag);
}

void ClientFeatureWindows::remove() {
    // Called from the menu's own hidden(): it goes once that has returned.
    if (recordingMenu_) recordingMenu_.release()->deleteLater();
}
