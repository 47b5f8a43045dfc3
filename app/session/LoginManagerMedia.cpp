// Own media: when the user's microphone, speaker and camera are on, the
// captured audio and video to the core, received audio and video to the
// speaker and the window, playback volumes, the camera-off picture sent every
// three seconds while the camera is off, video reception, and the own video's
// size in many-meeting rooms. Core threads never wait here for the main
// thread: the camera-off timer is a chain of main-queue ticks scheduled
// without waiting.
#include <QImage>
#include <algorithm>
#include <atomic>
#include <chrono>

#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "session/FreeMessageCodes.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"

namespace {

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}
void logError(const QString& text) {
    LogFileManager::write(text, 0, false);
}

// Seconds since 1970 of the last own frame sent while sharing runs; only the
// camera's delivery thread writes it.
std::atomic<double> gLastSharingFrameTime{0.0};

double nowSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

bool LoginManager::mayOperateSeminarMedia() const {
    return iRoomCategory_.load() != ROOM_CATEGORY_SEMINAR || isOwner() || isSpeaker();
}

// ---- Start of a conference ----

void LoginManager::setupAudioAndCameraStatus() {
    const QVariantMap config = configDataDict();
    UserDefaults& defaults = UserDefaults::standard();
    const bool reconnecting = status_.load() == LOGIN_STATUS_RECONNECTING;
    const auto seeded = [&](const char* key, const char* offByDefault) {
        const QString k = QString::fromLatin1(key);
        if (!defaults.hasKey(k)) defaults.setInteger(k, isFlagOn(config, offByDefault) ? 1 : 0);
        return defaults.integerForKey(k) != 1;
    };
    if (iRoomCategory_.load() == ROOM_CATEGORY_MANYMTG) {
        bIsMicOn = false;
    } else if (!reconnecting) {
        bIsMicOn = seeded("SettingView_micsetting", "MODE_START_MIC_OFF_DEFAULT");
    }
    if (!reconnecting) {
        bIsSpeakerOn = seeded("SettingView_spksetting", "MODE_START_SPEAKER_OFF_DEFAULT");
        bIsCameraOn = seeded("SettingView_camerasetting", "MODE_START_CAMERA_OFF_DEFAULT");
        if (QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_BG_BLUR"), config) &&
            !defaults.hasKey(QStringLiteral("KeyCameraBgMode")) &&
            QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_BG_BLUR_DEFAULT_ON"), config))
            defaults.setInteger(QStringLiteral("KeyCameraBgMode"), 1);
    }
}

void LoginManager::initEnteringRoom() {
    if (status_.load() != LOGIN_STATUS_LOGGED_IN) return;
    mainQueue().async(this, [this] {
        if (!bridge()->StartCamera()) logError(QString::fromLatin1(kLogMsgCameraPreviewErr));
        setupSelfVideo();
    });
    if (mDocShareManager)
        mDocShareManager->sendDocShareMessage(QStringLiteral("WEBESCORT_REQUEST"), 0, std::nullopt);
    const QString owner = ownerIdStr();
    if (!isOwner() && getUserInfo(owner) && permissionManager_)
        permissionManager_->sendMyPermission(owner, false);
    bridge()->SendFreeMessage(FREEMSG_ENTERING_ROOM, QString(""));
    sendCloudRecStartIfAuto();
}

void LoginManager::setupSelfVideo() {
    if (!bridge()->hasCameraDevice()) {
        bIsCameraOn = false;
        bridge()->StopCamera();
    }
    if (isWebinar() && !isOwner()) bridge()->StopCamera();
    if (!bIsCameraOn.load()) {
        if (mayOperateSeminarMedia()) {
            sendCameraOffImage();
            setTimerSendCameraOff(true);
        }
    }
    if (auto* d = delegate()) d->onChangeCameraStatus(bIsCameraOn.load());
}

// ---- The camera-off picture ----

void LoginManager::setTimerSendCameraOff(bool on) {
    const uint64_t generation = ++cameraOffGeneration_;
    cameraOffTimerOn_ = on;
    if (!on) return;
    // Each tick schedules the next while its generation is current.
    auto tick = std::make_shared<std::function<void()>>();
    *tick = [this, generation, weak = std::weak_ptr<std::function<void()>>(tick)] {
        if (cameraOffGeneration_.load() != generation) return;
        sendCameraOffImage();
        if (auto next = weak.lock()) mainQueue().after(kCameraOffInterval, this, [next] { (*next)(); });
    };
    mainQueue().after(kCameraOffInterval, this, [tick] { (*tick)(); });
}

QByteArray LoginManager::cameraOffPixels(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width(), h = rgb.height();
    QByteArray pixels(qsizetype(w) * h * 4, '\0');
    auto* out = reinterpret_cast<uchar*>(pixels.data());
    for (int y = 0; y < h; ++y) {
        const uchar* row = rgb.constScanLine(h - 1 - y);  // bottom row first
        uchar* dst = out + qsizetype(y) * w * 3;
        for (int x = 0; x < w; ++x) {
            dst[x * 3] = row[x * 3 + 2];
            dst[x * 3 + 1] = row[x * 3 + 1];
            dst[x * 3 + 2] = row[x * 3];
        }
    }
    return pixels;
}

void LoginManager::sendCameraOffImage() {
    if (status_.load() != LOGIN_STATUS_LOGGED_IN || !mayOperateSeminarMedia()) return;
    static const QImage picture = [] {
        const auto path =
            MainBundle::pathForResource(QStringLiteral("video_image_camera_off"), QStringLiteral("bmp"));
        return path ? QImage(*path) : QImage();
    }();
    if (picture.isNull()) return;
    const QByteArray pixels = cameraOffPixels(picture);
    bridge()->SendVideo(reinterpret_cast<const uint8_t*>(pixels.constData()),
                        picture.width() * picture.height() * 3, picture.width(), picture.height(), 1, 0,
                        bSupportHW_.load() ? 1 : 0);
}

// ---- Switches and volumes ----

void LoginManager::changeCameraOnOff() {
    if (!bridge()->hasCameraDevice()) return;
    const bool on = !bIsCameraOn.load();
    bIsCameraOn = on;
    if (!(isWebinar() && !isSpeaker() && !isOwner())) {
        if (!on) {
            if (mayOperateSeminarMedia()) {
                sendCameraOffImage();
                setTimerSendCameraOff(true);
            }
            bridge()->StopCamera();
        } else {
            bridge()->StartCamera();
            setTimerSendCameraOff(false);
        }
    }
    logInfo(StringWithFormat(kLogMsgOPCameraBtn, LogMessage::conversionSwitch(on)));
}

void LoginManager::hideMyVideo(bool hide) {
    if (hide)
        bridge()->StopCamera();
    else
        bridge()->StartCamera();
    bIsHideMyVideo = hide;
}

void LoginManager::changeMicOnOff() {
    if (iRoomCategory_.load() != ROOM_CATEGORY_MANYMTG) {
        bIsMicOn = !bIsMicOn.load();
        return;
    }
    if (!bIsMicOn.load()) {
        bridge()->ManyMtgStartReq(myInfo_->userId(), myInfo_->userName());
    } else {
        bridge()->ManyMtgStopSend(myInfo_->userId(), myInfo_->userName());
        bIsMicOn = false;
    }
}

void LoginManager::changeMicVolume(float volume) {
    if (mAudioManager) mAudioManager->setMicVolume(volume);
}

void LoginManager::changeSpeakerOnOff(int clientNo) {
    if (clientNo == CLIENT_NO_SELF) {
        bIsSpeakerOn = !bIsSpeakerOn.load();
        return;
    }
    auto list = userListInfo();
    SpeakerInfoRef speaker = list ? list->getSpeakerInfo(clientNo) : nullptr;
    if (!speaker) return;
    const bool wasOn = speaker->isSpeakerOn();
    speaker->setIsSpeakerOn(!wasOn);
    bridge()->setSpeakerVolume(clientNo, wasOn ? 0.0f : speaker->speakerVol());
}

void LoginManager::changeSpeakerVolume(int clientNo, float value) {
    if (clientNo == CLIENT_NO_SELF) {
        if (mAudioManager) mAudioManager->setSpeakerVolume(value);
        return;
    }
    auto list = userListInfo();
    SpeakerInfoRef speaker = list ? list->getSpeakerInfo(clientNo) : nullptr;
    if (!speaker) return;
    // A one-time user's id means nothing at the next conference.
    if (!speaker->userId().startsWith(u'/'))
        DataSaveManager::saveAudioVolumeOthers(serverUrl(), speaker->userId(), value);
    speaker->setSpeakerVol(value);
    if (speaker->isSpeakerOn()) bridge()->setSpeakerVolume(clientNo, value);
}

void LoginManager::sendVideoReception(int clientNo, bool start) {
    if (start)
        bridge()->StartVideo(clientNo);
    else
        bridge()->StopVideo(clientNo);
}

void LoginManager::sendVideoReceptionAll(bool start) {
    if (iRoomCategory_.load() == ROOM_CATEGORY_SEMINAR && miMainUserClientNo.load() > 0)
        sendVideoReception(miMainUserClientNo.load(), start);
    auto list = userListInfo();
    if (!list) return;
    for (const SpeakerInfoRef& s : list->speakerList().value_or(std::vector<SpeakerInfoRef>{}))
        if (s->userId() != myInfo_->userId()) sendVideoReception(s->clientNo(), start);
}

void LoginManager::updateVideoSettings(const QSize& size, int frameRate,
                                       const std::optional<QString>& device) {
    if (device) bridge()->SetCameraDevice(*device);
    if (size.width() > 0 && size.height() > 0) bridge()->setSelfVideoSize(size.width(), size.height());
    if (frameRate > 0) bridge()->setSelfVideoFrameRate(frameRate);
    if (iRoomCategory_.load() == ROOM_CATEGORY_MANYMTG && !mbIsManySpeaker.load())
        setVideoInManyMode(true, true);
}

void LoginManager::onChangeSpeakerSamplingRate(int rate) {
    bridge()->SetDstAudioSampleRate(rate);
}

void LoginManager::updateAudioSettings(const std::optional<AudioDeviceInfo>& input,
                                       const std::optional<AudioDeviceInfo>& output, int64_t echoCancelMode,
                                       int64_t noiseReductionMode) {
    if (!mAudioManager) return;
    mAudioManager->changeAudioSettings(input, output, echoCancelMode, 100, noiseReductionMode);
    // The sample copies for recording start again on the new devices.
    auto recording = recordingManagerRef();
    if (!recording) return;
    for (int type : recording->recordingFileTypes())
        if (type != 3) {
            mAudioManager->startRecording(true);
            break;
        }
}

// ---- The own video in many-meeting rooms ----

void LoginManager::setVideoInManyMode(bool many, bool check) {
    if (!many) {
        bridge()->setSelfVideoSize(CameraSettings::getWidth(2), CameraSettings::getHeight(2));
        bridge()->setSelfVideoFrameRate(CameraSettings::getFrameRate(2));
        return;
    }
    LoginLocalParamForManyMtg* param;
    {
        std::lock_guard lock(modesMutex_);
        if (!localParamForManyMtg_ && features_.localParamForManyMtg)
            localParamForManyMtg_ = features_.localParamForManyMtg();
        param = localParamForManyMtg_.get();
    }
    if (!param) return;
    const QVariantMap config = configDataDict();
    const int maxRate =
        QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_MANY_MTG_MAX_RATE"), config, 70000);
    auto list = userListInfo();
    const int speakers = list ? int(list->speakerList().value_or(std::vector<SpeakerInfoRef>{}).size()) : 0;
    const bool changed = param->changeLocalParam(iMaxParticipant_.load(), iManySpeaker_.load(),
                                                 miRoomSampling.load(), maxRate, speakers);
    const int width = param->getManyMtgParticipantWidth();
    const int height = param->getManyMtgParticipantHeight();
    const double fps = param->getManyMtgParticipantFps();
    // A budget below one frame a second still sends one.
    const int frameRate = std::max(1, int(fps));
    if (check) {
        if (CameraSettings::getWidth(2) > width || CameraSettings::getHeight(2) > height)
            bridge()->setSelfVideoSize(width, height);
        if (bridge()->cameraFrameRate() > fps) bridge()->setSelfVideoFrameRate(frameRate);
    } else if (!mbIsManySpeaker.load() && changed) {
        bridge()->setSelfVideoSize(width, height);
        bridge()->setSelfVideoFrameRate(frameRate);
    }
}

// ---- Media events ----

void LoginManager::OnVideoInput(const QByteArray& pixels, int iSize, int iWidht, int iHeight) {
    if (!mayOperateSeminarMedia()) return;
    const int64_t sharing = apShareStatus_.load();
    if ((sharing == AS_STATUS_SHARING || sharing == AS_STATUS_VIEWING) &&
        !isFlagOn(configDataDict(), "MODE_AS_NO_LIMIT_FPS_OF_VIDEO")) {
        const double now = nowSeconds();
        if (now - gLastSharingFrameTime.load() < 1.0 / 3.0) return;
        gLastSharingFrameTime = now;
    }
    const bool hw = bSupportHW_.load();
    bridge()->SendVideo(reinterpret_cast<const uint8_t*>(pixels.constData()), iSize, iWidht, iHeight,
                        bridge()->cameraFrameRate(), hw ? 2 : 0, hw ? 1 : 0);
}

void LoginManager::onAudioInput(const QByteArray& pcm, double boostLevel, int sampleRate) {
    if (status_.load() == LOGIN_STATUS_IDLE || !mayOperateSeminarMedia() || !bIsMicOn.load()) return;
    bridge()->SendAudio(pcm, boostLevel, sampleRate);
}

void LoginManager::OnVideoOutput(int iClientNo, const QImage& image) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    auto list = userListInfo();
    if (!list) return;
    for (const SpeakerInfoRef& s : list->speakerList().value_or(std::vector<SpeakerInfoRef>{})) {
        if (s->clientNo() != iClientNo || s->userName().isEmpty()) continue;
        if (auto* d = delegate()) d->updateVideo(iClientNo, image, s->userName());
        return;
    }
}

void LoginManager::OnAudioOutput(int iLevel, const QByteArray& pBuffer, int /*iSize*/) {
    if (status_.load() == LOGIN_STATUS_IDLE || !bIsSpeakerOn.load() || pBuffer.isEmpty()) return;
    if (mAudioManager) mAudioManager->playAudio(iLevel, pBuffer);
}

void LoginManager::OnAudioInitialized(int iSlot) {
    if (iSlot < 0) return;
    auto list = userListInfo();
    SpeakerInfoRef speaker = list ? list->getSpeakerInfo(iSlot) : nullptr;
    if (speaker) bridge()->setSpeakerVolume(iSlot, speaker->isSpeakerOn() ? speaker->speakerVol() : 0.0f);
}

void LoginManager::OnAudioVolume(int iSlot, int iVolume) {
    const bool forward = iSlot == CLIENT_NO_SELF ? bIsMicOn.load() : bIsSpeakerOn.load();
    if (!forward) return;
    if (auto* d = delegate()) d->onAudioVolume(iSlot, iVolume);
}
