// The conference window's audio, video and device controls: the user's
// commands from the header, the tiles and the settings window go to the login
// and the devices; remote changes of the own devices and the device state
// reach the header and the tiles; the own camera's background with its stored
// picture.
//
// Threads: commands come on the main thread. What may wait on a device (the
// system volume, the camera's start and stop, device switches) runs on the
// device queue, one command after another, so the window never waits for a
// device; the header and the tiles are changed back on the main queue.

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>

#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "tiles/CameraView.h"

namespace {
constexpr int kLogError = 0;
constexpr int kLogInfo = 2;
const QString kKeyCameraBgMode = QStringLiteral("KeyCameraBgMode");
const QString kKeyCameraBgModeCustomImgData = QStringLiteral("KeyCameraBgModeCustomImgData");
enum { kBgNone = 0, kBgBlur = 1, kBgCustom = 2 };
// The volume keys of the latest-wins slots: the microphone, then by client number.
constexpr int kMicVolumeKey = 1 << 30;
}  // namespace

// ---- The device queue ----

void StartViewController::runDeviceCommand(std::function<void()> command) {
    if (!deviceQueue_) deviceQueue_ = DispatchQueue::createSerial("conference_device_commands");
    deviceQueue_->async(std::move(command));
}

void StartViewController::queueVolume(int key, float volume, std::function<void(float)> apply) {
    {
        const std::lock_guard<std::mutex> lock(volumeMutex_);
        const bool queued = pendingVolumes_.count(key) != 0;
        pendingVolumes_[key] = volume;
        if (queued) return;  // the queued step takes the newest value
    }
    runDeviceCommand([this, key, apply = std::move(apply)] {
        float latest;
        {
            const std::lock_guard<std::mutex> lock(volumeMutex_);
            latest = pendingVolumes_[key];
            pendingVolumes_.erase(key);
        }
        apply(latest);
    });
}

void StartViewController::flushDeviceCommands() {
    if (deviceQueue_) deviceQueue_->sync([] {});
}

// ---- Commands ----

void StartViewController::changeMicOnOff(int) {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    runDeviceCommand([this, login] {
        login->changeMicOnOff();
        mainQueue().async(this, [this] {
            if (MainViewController* area = mainViewController())
                area->changeMicOnOff(mLoginManager->isMicOn());
        });
    });
}

void StartViewController::changeMicVolume(int, float volume) {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    queueVolume(kMicVolumeKey, volume, [login](float v) { login->changeMicVolume(v); });
    if (MainViewController* area = mainViewController()) area->setMicVolume(volume);
    if (CameraView* own = ownCameraView()) own->changeOptionLevel(VIDEO_OPTION_MIC, volume);
}

void StartViewController::changeSpeakerOnOff(int clientNo) {
    if (!mLoginManager) return;
    // Another participant's playback changes only while the own output is on.
    if (clientNo != CLIENT_NO_SELF && !mLoginManager->isSpeakerOn()) return;
    LoginManager* login = mLoginManager.get();
    runDeviceCommand([this, login, clientNo] {
        login->changeSpeakerOnOff(clientNo);
        mainQueue().async(this, [this, clientNo] {
            MainViewController* area = mainViewController();
            if (area == nullptr || !mLoginManager) return;
            if (clientNo == CLIENT_NO_SELF) {
                area->changeSpeakerOnOff(CLIENT_NO_SELF, mLoginManager->isSpeakerOn());
                return;
            }
            const std::shared_ptr<UserListInfo> lists = mLoginManager->userListInfo();
            const SpeakerInfoRef speaker = lists ? lists->getSpeakerInfo(clientNo) : nullptr;
            if (speaker) area->changeSpeakerOnOff(clientNo, speaker->isSpeakerOn());
        });
    });
}

void StartViewController::changeSpeakerVolume(int clientNo, float volume) {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    queueVolume(clientNo, volume, [login, clientNo](float v) { login->changeSpeakerVolume(clientNo, v); });
    if (MainViewController* area = mainViewController()) area->setSpeakerVolume(clientNo, volume);
}

void StartViewController::changeCameraOnOff() {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    runDeviceCommand([this, login] {
        login->changeCameraOnOff();  // nothing without a camera
        mainQueue().async(this, [this] {
            if (!mLoginManager) return;
            const bool on = mLoginManager->isCameraOn();
            CameraView* own = ownCameraView();
            if (own != nullptr) {
                // A running recording of the own camera shows the camera-off picture meanwhile.
                if (own->startedRecord()) {
                    if (LoginRecordingManager* recording = mLoginManager->recordingManagerRef().get())
                        recording->setCameraOffForRec(!on);
                }
                own->changeCameraStatus(on);
            }
            if (MainViewController* area = mainViewController()) area->changeCameraOnOff(on);
        });
    });
}

void StartViewController::onClickVideoOptionBtn(const SpeakerInfo& speaker, int option) {
    if (MainViewController* area = mainViewController())
        area->videoOptionClick(std::make_shared<SpeakerInfo>(speaker.clientNo(), speaker), option);
}

void StartViewController::onSlideVideoOptionBtn(const SpeakerInfo& speaker, int option, float value) {
    if (MainViewController* area = mainViewController())
        area->videoOptionSlide(std::make_shared<SpeakerInfo>(speaker.clientNo(), speaker), option, value);
}

void StartViewController::hideMyVideoForSeminar(bool hide) {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    runDeviceCommand([login, hide] { login->hideMyVideo(hide); });
}

void StartViewController::changeHideCameraFlag(bool hide) {
    if (mLoginManager) mLoginManager->setIsHideMyVideo(hide);
}

void StartViewController::changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                                              const std::optional<AudioDeviceInfo>& output,
                                              int64_t echoCancelMode, int64_t noiseReductionMode) {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    runDeviceCommand([login, input, output, echoCancelMode, noiseReductionMode] {
        login->updateAudioSettings(input, output, echoCancelMode, noiseReductionMode);
    });
}

void StartViewController::changeVideoSettings(const QSize& size, int frameRate,
                                              const std::optional<QString>& device) {
    if (!mLoginManager) return;
    LoginManager* login = mLoginManager.get();
    runDeviceCommand(
        [login, size, frameRate, device] { login->updateVideoSettings(size, frameRate, device); });
}

// ---- Device state on the window ----

std::pair<float, float> StartViewController::currentVolumes() const {
    if (services_.audioInfo) {
        if (const std::optional<AudioInfo> audio = services_.audioInfo())
            return {audio->inputVolume, audio->outputVolume};
    } else if (mLoginManager) {
        if (LoginAudioManager* audio = mLoginManager->audioManager())
            return {audio->inputVolume(), audio->outputVolume()};
    }
    const UserDefaults& defaults = UserDefaults::standard();
    const auto stored = [&](const QString& key) {
        return defaults.objectForKey(key).isValid() ? defaults.floatForKey(key) : 0.65f;
    };
    return {stored(QStringLiteral("KeyMicrophoneVolume")), stored(QStringLiteral("KeySpeakerVolume"))};
}

void StartViewController::applyDeviceState() {
    MainViewController* area = mainViewController();
    if (area == nullptr || !mLoginManager) return;
    const auto [input, output] = currentVolumes();
    area->changeMicOnOff(mLoginManager->isMicOn());
    area->setMicVolume(input);
    area->changeSpeakerOnOff(CLIENT_NO_SELF, mLoginManager->isSpeakerOn());
    area->setSpeakerVolume(CLIENT_NO_SELF, output);
    if (mLoginManager->iRoomCategory() == ROOM_CATEGORY_MANYMTG) return;
    const std::shared_ptr<UserListInfo> lists = mLoginManager->userListInfo();
    if (lists == nullptr) return;
    for (const SpeakerInfoRef& s : lists->speakerList().value_or(std::vector<SpeakerInfoRef>{}))
        if (s->clientNo() != CLIENT_NO_SELF) area->setSpeakerVolume(s->clientNo(), s->speakerVol());
}

void StartViewController::onChangeCameraStatus(bool isOn) {
    mainQueue().async(this, [this, isOn] {
        if (CameraView* own = ownCameraView()) own->changeCameraStatus(isOn);
        MainViewController* area = mainViewController();
        if (area != nullptr && mLoginManager) area->changeCameraOnOff(mLoginManager->isCameraOn());
    });
}

void StartViewController::onChangeMicStatus(bool isOn, float volume) {
    mainQueue().async(this, [this, isOn, volume] {
        if (MainViewController* area = mainViewController()) {
            area->changeMicOnOff(isOn);
            area->setMicVolume(volume);
        }
    });
}

void StartViewController::onChangeSpeakerStatus(bool isOn, float volume) {
    mainQueue().async(this, [this, isOn, volume] {
        if (MainViewController* area = mainViewController()) {
            area->changeSpeakerOnOff(CLIENT_NO_SELF, isOn);
            area->setSpeakerVolume(CLIENT_NO_SELF, volume);
        }
    });
}

bool StartViewController::webinarLayoutShowsVideo(const std::optional<std::pair<bool, int>>& layout) {
    // Without a layout the mode reads as 0, which shows no video.
    const unsigned mode = layout ? unsigned(layout->second) : 0u;
    switch (mode) {
        case 1:
        case 5:
        case 6:
        case 7:
        case 8:
        case 12:
        case 13:
        case 14:
            return true;
        default:
            return false;
    }
}

CameraView* StartViewController::ownCameraView() {
    return mMyVideoInfo != nullptr ? qobject_cast<CameraView*>(mMyVideoInfo->video()) : nullptr;
}

// ---- The camera background ----

QImage StartViewController::convertToImgFromData(const std::optional<QByteArray>& bytes) {
    if (!bytes || bytes->isEmpty()) return QImage();
    QBuffer buffer;
    buffer.setData(*bytes);
    QImageReader reader(&buffer);
    // A picture larger than a camera could ever need is refused before it is decoded.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > 64LL * 1024 * 1024) return QImage();
    QImage picture = reader.read();
    if (picture.isNull()) return QImage();
    return picture.convertToFormat(QImage::Format_ARGB32);
}

QImage StartViewController::getBgCustomImg() {
    const QVariant stored = UserDefaults::standard().objectForKey(kKeyCameraBgModeCustomImgData);
    if (!stored.isValid()) return QImage();
    return convertToImgFromData(stored.toByteArray());
}

void StartViewController::changeVideoBg(int mode, const std::optional<QByteArray>& imgData) {
    if (mode == kBgNone || mode == kBgBlur) {
        setBgMode(mode, QImage());
    } else if (mode == kBgCustom && imgData) {
        setCustomImg(*imgData);
    }
}

void StartViewController::selectedCustomImgData(
    const std::function<void(const std::optional<QByteArray>&)>& handler) {
    selectCustomImg(handler);
}

void StartViewController::selectCustomImg(
    const std::function<void(const std::optional<QByteArray>&)>& handler) {
    std::optional<QString> path;
    if (chooseImageFile) {
        path = chooseImageFile();
    } else {
        QFileDialog dialog(window_, QString(), QString(), QStringLiteral("Images (*.jpg *.jpeg *.png)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().first();
    }
    if (!path) return;  // cancelled: the handler is not called
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (handler) handler(std::nullopt);
        return;
    }
    const QByteArray bytes = file.readAll();
    if (handler) handler(bytes);
}

void StartViewController::setCustomImg(const QByteArray& bytes) {
    const QImage picture = convertToImgFromData(bytes);
    UserDefaults& defaults = UserDefaults::standard();
    if (picture.isNull()) {
        LogFileManager::write(QString::fromLatin1(kLogMsgSettingBgCustomErr), kLogError, false);
        if (defaults.integerForKey(kKeyCameraBgMode) == kBgCustom) setBgMode(kBgNone, QImage());
        return;
    }
    defaults.setObject(kKeyCameraBgModeCustomImgData, bytes);
    setBgMode(kBgCustom, picture);
}

void StartViewController::deleteCustomImg() {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.removeObjectForKey(kKeyCameraBgModeCustomImgData);
    if (defaults.integerForKey(kKeyCameraBgMode) == kBgCustom) {
        defaults.setInteger(kKeyCameraBgMode, kBgNone);
        setBgMode(kBgNone, QImage());
    }
}

void StartViewController::setBgMode(int mode, const QImage& customImg) {
    if (mode == kBgNone || mode == kBgBlur || mode == kBgCustom)
        UserDefaults::standard().setInteger(kKeyCameraBgMode, mode);
    QImage picture = customImg;
    if (mode == kBgCustom && picture.isNull()) picture = getBgCustomImg();
    LogFileManager::write(StringWithFormat(kLogMsgSettingBgMode, LogMessage::conversionBgModeToString(mode)),
                          kLogInfo, false);
    if (CameraView* own = ownCameraView()) own->setBgMode(mode, picture);
}
