// Document sharing, remote settings and permissions: LoginManager starts and
// stops document sharing on the core and carries its texts both ways, answers
// the remote-settings manager about the user's own devices and applies the
// changes another participant asks for, and carries the permission commands.
// Remote changes arrive on the conference receive thread: device changes are
// handed to the main queue and never waited for there.
#include <QDir>

#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/Common.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"

namespace {

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

}  // namespace

bool LoginManager::docShareResetFlag() const {
    return (QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_DOCSHARE_DATA_RESET"), configDataDict(),
                                             0) &
            1) != 0;
}

// ---- Document sharing ----

std::optional<QString> LoginManager::getDocShareDefaultUrl() const {
    const auto stored = UserDefaults::standard().stringForKey(QStringLiteral("SettingView_defaultURL"));
    if (stored && !stored->isEmpty()) return stored;
    return QuorixUtils::GetSystemEnvString(QStringLiteral("DOCSHARE_DEFAULT_URL"), configDataDict());
}

void LoginManager::startDocShare() {
    if (mDocShareManager && mDocShareManager->isStarted()) {
        mDocShareManager->sendDocShareMessage(QStringLiteral("WEBESCORT_REQUEST"), 0, std::nullopt);
        if (auto* d = delegate()) d->startDocShare(mDocShareManager->ownerInfo(), false);
        return;
    }
    if (getOperationState(0) != 3) {
        bridge()->StartDocShare();
        return;
    }
    if (iRoomCategory_.load() == ROOM_CATEGORY_SEMINAR) return;
    if (auto* d = delegate())
        d->startDocShare(mDocShareManager ? mDocShareManager->ownerInfo() : nullptr, false);
}

void LoginManager::stopDocShare() {
    if (!mDocShareManager || !mDocShareManager->hasOperationRight()) return;
    bridge()->StopDocShare();
    mDocShareManager->stopDocShare(docShareResetFlag());
}

void LoginManager::sendDocShareData(const QString& block) {
    bridge()->SendDocShareData(block);
}

void LoginManager::onDocShareActive() {
    if (auto* d = delegate()) d->onDocShareActive();
}

void LoginManager::sendDocShareRequest() {
    bridge()->SendDocShareData(
        StringWithFormat("Type: %@\r\nKey: %d\r\n\r\n", QStringLiteral("WEBESCORT_REQUEST"), -1));
}

void LoginManager::deleteDocShareTmpFiles() {
    const auto folder = Common::getCommonAppDirectory(0);
    if (!folder) return;
    QDir dir(*folder);
    if (!dir.exists()) return;
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
}

void LoginManager::OnDocShareStart(const QString& strUserId, const QString& strUserName) {
    bIsDocShareStarted = true;
    auto leader = std::make_shared<UserInfo>(strUserId, strUserName, QString(USER_TYPE_S0));
    const bool permitted = permissionManager_ && permissionManager_->getPermission(0);
    if (mDocShareManager) mDocShareManager->startDocShare(leader, false, permitted);
    if (auto* d = delegate()) d->startDocShare(leader, true);
}

void LoginManager::OnDocShareStartResult(int iResult) {
    switch (iResult) {
        case 0: {
            const bool permitted = permissionManager_ && permissionManager_->getPermission(0);
            if (mDocShareManager) mDocShareManager->startDocShare(myInfo_, true, permitted);
            if (auto* d = delegate()) d->startDocShare(myInfo_, true);
            bIsDocShareStarted = true;
            return;
        }
        case 1: {
            const UserInfoRef leader = mDocShareManager ? mDocShareManager->ownerInfo() : nullptr;
            if (leader && leader->userId() == myInfo_->userId()) {
                if (auto* d = delegate()) d->onDocShareActive();
                return;
            }
            [[fallthrough]];
        }
        case 2:
            if (mDocShareManager)
                mDocShareManager->sendDocShareMessage(QStringLiteral("WEBESCORT_REQUEST"), 0, std::nullopt);
            return;
        case 3:
            if (auto* d = delegate()) d->startDocShareError(3);
            return;
        default:
            return;
    }
}

void LoginManager::OnDocShareStop(const QString& strUserId) {
    const UserInfoRef leader = mDocShareManager ? mDocShareManager->ownerInfo() : nullptr;
    if (!leader || leader->userId() != strUserId) return;
    bIsDocShareStarted = false;
    if (auto* d = delegate()) d->stopDocShare(strUserId);
    mDocShareManager->stopDocShare(docShareResetFlag());
}

void LoginManager::OnDocShareData(const QString& strUserId, const QString& strDocShareData) {
    if (mDocShareManager) mDocShareManager->OnDocShareData(strUserId, strDocShareData);
}

// ---- Remote settings: the user's own state ----

int LoginManager::getCurrentMicVolume() const {
    return mAudioManager ? int(mAudioManager->inputVolume() * 100) : 0;
}
int LoginManager::getCurrentSpkVolume() const {
    return mAudioManager ? int(mAudioManager->outputVolume() * 100) : 0;
}
bool LoginManager::getCurrentEchoOnOff() const {
    return mAudioManager && mAudioManager->echoCancelMode() != 0;
}

std::optional<QStringList> LoginManager::getAllMicDevice() const {
    if (!mAudioManager) return std::nullopt;
    return mAudioManager->deviceNameList(false);
}

std::optional<QStringList> LoginManager::getAllSpkDevice() const {
    if (!mAudioManager) return std::nullopt;
    return mAudioManager->deviceNameList(true);
}

void LoginManager::sendRemoteStgMsg(uint32_t code, const QString& userId, int value, const QString& data) {
    bridge()->SendFreeMessageData(code, userId, value, data);
}

// ---- Remote settings: changes asked for by another participant ----

bool LoginManager::remoteChangeMicOnOff(const UserInfoRef& /*requester*/, bool isMicOn) {
    if (bIsMicOn.load() == isMicOn) return true;
    if (iRoomCategory_.load() == ROOM_CATEGORY_MANYMTG) {
        auto list = userListInfo();
        const size_t senders =
            list ? list->manySpeakerList().value_or(std::vector<SpeakerInfoRef>{}).size() : 0;
        if (isMicOn && int(senders) >= iManySpeaker_.load()) return false;
        if (remoteStgManager_) remoteStgManager_->setIsManyMtgMicChanging(true);
    }
    changeMicOnOff();
    if (auto* d = delegate())
        d->onChangeMicStatus(bIsMicOn.load(), mAudioManager ? mAudioManager->inputVolume() : 0);
    return true;
}

bool LoginManager::remoteChangeMicVolume(const UserInfoRef& /*requester*/, int volume) {
    const float value = float(volume) / 100.0f;
    if (!mAudioManager || mAudioManager->inputVolume() == value) return true;
    changeMicVolume(value);
    if (auto* d = delegate()) d->onChangeMicStatus(bIsMicOn.load(), mAudioManager->inputVolume());
    return true;
}

bool LoginManager::remoteChangeSpeakerOnOff(const UserInfoRef& /*requester*/, bool isSpeakerOn) {
    if (bIsSpeakerOn.load() == isSpeakerOn) return true;
    changeSpeakerOnOff(CLIENT_NO_SELF);
    if (auto* d = delegate())
        d->onChangeSpeakerStatus(bIsSpeakerOn.load(), mAudioManager ? mAudioManager->outputVolume() : 0);
    return true;
}

bool LoginManager::remoteChangeSpeakerVolume(const UserInfoRef& /*requester*/, int volume) {
    const float value = float(volume) / 100.0f;
    if (!mAudioManager || mAudioManager->outputVolume() == value) return true;
    changeSpeakerVolume(CLIENT_NO_SELF, value);
    if (auto* d = delegate()) d->onChangeSpeakerStatus(bIsSpeakerOn.load(), mAudioManager->outputVolume());
    return true;
}

// The device changes run on the main thread. The request arrives on the
// conference receive thread, which must never wait for the main thread (a
// logout there joins it): the change is queued and the request answered as
// accepted when such a device is listed.
bool LoginManager::remoteChangeMicDevice(const UserInfoRef& /*requester*/, const QString& deviceName) {
    if (!mAudioManager || !mAudioManager->deviceNameList(false).contains(deviceName)) return false;
    mainQueue().async(this, [this, deviceName] {
        if (mAudioManager) mAudioManager->setMicDeviceWithName(deviceName);
    });
    return true;
}

bool LoginManager::remoteChangeSpeakerDevice(const UserInfoRef& /*requester*/, const QString& deviceName) {
    if (!mAudioManager || !mAudioManager->deviceNameList(true).contains(deviceName)) return false;
    mainQueue().async(this, [this, deviceName] {
        if (mAudioManager) mAudioManager->setSpeakerDeviceWithName(deviceName);
    });
    return true;
}

bool LoginManager::remoteChangeEchoCancel(const UserInfoRef& /*requester*/, bool isEchoCancelOn) {
    mainQueue().async(this, [this, isEchoCancelOn] {
        if (mAudioManager) mAudioManager->setEchoCancelMode(isEchoCancelOn ? 1 : 0, 4);
    });
    return true;
}

bool LoginManager::remoteChangeCameraOnOff(const UserInfoRef& /*requester*/, bool isCameraOn) {
    if (bIsCameraOn.load() == isCameraOn) return true;
    changeCameraOnOff();
    if (auto* d = delegate()) d->onChangeCameraStatus(bIsCameraOn.load());
    return true;
}

bool LoginManager::remoteChangeCameraDevice(const UserInfoRef& /*requester*/, const QString& deviceName) {
    const auto cameras = QuorixUtils::getCameraDevices();
    QStringList names;
    for (const CaptureDevice& c : cameras) names << c.localizedName;
    const int index = int(names.indexOf(deviceName));
    if (index < 0) return false;
    const QString uniqueId = cameras[index].uniqueID;
    mainQueue().async(this, [this, uniqueId, deviceName, names, index] {
        bridge()->SetCameraDevice(uniqueId);
        if (settingNotificator_)
            settingNotificator_->requestChangeCamDeviceNotification(deviceName, names, index);
    });
    return true;
}

bool LoginManager::remoteChangeResolution(const UserInfoRef& /*requester*/, const QSize& size) {
    if (CameraSettings::getResolutionPos(2, size.width(), size.height()) < 0) return false;
    if (size.width() <= 0 || size.height() <= 0) return true;
    CameraSettings::setWidth(2, size.width());
    CameraSettings::setHeight(2, size.height());
    mainQueue().async(this, [this, size] {
        bridge()->setSelfVideoSize(size.width(), size.height());
        if (iRoomCategory_.load() == ROOM_CATEGORY_MANYMTG && !mbIsManySpeaker.load())
            setVideoInManyMode(true, true);
        if (settingNotificator_) settingNotificator_->requestChangeResolutionNotification(size);
    });
    return true;
}

bool LoginManager::remoteChangeFps(const UserInfoRef& /*requester*/, int fps) {
    if (CameraSettings::getFrameRatePos(fps) < 0) return false;
    CameraSettings::setFrameRate(2, fps);
    mainQueue().async(this, [this, fps] {
        if (fps > 0) {
            bridge()->setSelfVideoFrameRate(fps);
            if (iRoomCategory_.load() == ROOM_CATEGORY_MANYMTG && !mbIsManySpeaker.load())
                setVideoInManyMode(true, true);
        }
        if (settingNotificator_) settingNotificator_->requestChangeFpsNotification(fps);
    });
    return true;
}

namespace {

// The name of the device whose unique id is stored under `key`: the first
// device when nothing is stored, the last when nothing matches.
std::optional<QString> selectedDeviceName(const std::vector<std::pair<QString, QString>>& devices,
                                          const char* key) {
    if (devices.empty()) return std::nullopt;
    const auto stored = UserDefaults::standard().stringForKey(QString::fromLatin1(key));
    if (!stored) return devices.front().second;
    for (const auto& [uid, name] : devices)
        if (uid == *stored) return name;
    return devices.back().second;
}

}  // namespace

std::optional<QString> LoginManager::getCurrentMicDevice() const {
    return mAudioManager ? selectedDeviceName(mAudioManager->devices(false), "KeySelectInputDevice")
                         : std::nullopt;
}

std::optional<QString> LoginManager::getCurrentSpkDevice() const {
    return mAudioManager ? selectedDeviceName(mAudioManager->devices(true), "KeySelectOutputDevice")
                         : std::nullopt;
}

std::optional<QString> LoginManager::getCurrentCamDevice() const {
    const auto cameras = QuorixUtils::getCameraDevices();
    if (cameras.isEmpty()) return std::nullopt;
    const auto stored = UserDefaults::standard().stringForKey(QStringLiteral("KeySelectedDeviceID"));
    for (const CaptureDevice& c : cameras)
        if (stored && c.uniqueID == *stored) return c.localizedName;
    return cameras.front().localizedName;  // the system's default camera
}

QSize LoginManager::getCurrentResolution() const {
    const int pos = CameraSettings::getCurrentResolutionPos(2);
    return QSize(CameraSettings::getWidthAt(2, pos), CameraSettings::getHeightAt(2, pos));
}

int LoginManager::getCurrentFrameRate() const {
    return CameraSettings::getFrameRate(2);
}

QStringList LoginManager::getAllCamDevice() const {
    QStringList names;
    for (const CaptureDevice& c : QuorixUtils::getCameraDevices()) names << c.localizedName;
    return names;
}

std::vector<QSize> LoginManager::getAllResolution() const {
    std::vector<QSize> sizes;
    for (int i = 0; i < CameraSettings::getResolutionCount(2); ++i)
        sizes.emplace_back(CameraSettings::getWidthAt(2, i), CameraSettings::getHeightAt(2, i));
    return sizes;
}

QStringList LoginManager::getAllFrameRate() const {
    QStringList rates;
    for (int i = 0; i < CameraSettings::getFrameRateCount(); ++i)
        rates << StringWithFormat("%d", CameraSettings::getFrameRateAt(i));
    return rates;
}

// ---- Permissions ----

void LoginManager::sendPermissionCmd(const QString& userId, int command, int code, int funcFlgs,
                                     int permitFlgs) {
    if (status_.load() != LOGIN_STATUS_LOGGED_IN) return;
    bridge()->SendUserPermissionCmd(myInfo_->userId(), userId, command, code, funcFlgs, permitFlgs);
}

void LoginManager::onChangeMyPermission(const std::map<int, bool>& permissions) {
    if (status_.load() != LOGIN_STATUS_LOGGED_IN) return;
    if (auto it = permissions.find(0); it != permissions.end() && mDocShareManager)
        mDocShareManager->changeDocSharePermission(it->second);
}

void LoginManager::OnUserPermissionCmd(const QString& userId, int iCmd, int iCode, int iFuncFlgs,
                                       int iPermitFlgs) {
    logInfo(StringWithFormat(kLogMsgRcvUserPermissionCmd, userId, iCmd, iCode, iFuncFlgs, iPermitFlgs));
    if (permissionManager_)
        permissionManager_->recvPermissionCmd(userId, iCmd, iCode, iFuncFlgs, iPermitFlgs);
}
