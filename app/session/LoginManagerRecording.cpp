// Local recording: the recording manager of each login made from the room's
// settings, the user's recording preferences seeded when absent, the
// automatic recording of the own video in many-meeting rooms, the sound the
// recordings take, and the cloud recording the room may start.
#include <QColor>
#include <QDir>

#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "services/Common.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"

namespace {

int configInt(const QVariantMap& config, const char* key, int def) {
    return QuorixUtils::GetSystemEnvInteger(QString::fromLatin1(key), config, def);
}

bool has(const QVariantMap& config, const char* key) {
    return config.contains(QString::fromLatin1(key));
}

QString colourText(const QVariantMap& config, const char* key, const QColor& fallback) {
    const auto text = QuorixUtils::GetSystemEnvString(QString::fromLatin1(key), config);
    std::optional<QColor> colour = text ? Common::colorWithHexString(*text, 1.0) : std::nullopt;
    return colour.value_or(fallback).name();
}

}  // namespace

RecordingParams LoginManager::recordingParams(const QVariantMap& config, const QString& myUserId) {
    const auto flag = [&config](const char* key) {
        return config.value(QString::fromLatin1(key)).toString() == u"Y";
    };
    RecordingParams p;
    p.param = flag("MODE_FREE_REC_COUNT");
    const auto dir = QuorixUtils::GetSystemEnvString(QStringLiteral("MODE_AUTO_SAVE_DIR_MAC"), config);
    p.autoSaveDir = dir && !dir->isEmpty() ? *dir : QStringLiteral("~/Documents/Quorix_AutoSave");
    p.configRecDirSpecify =
        QuorixUtils::GetSystemEnvString(QStringLiteral("MODE_REC_DIR_SPECIFY_MAC"), config);
    p.configMp4VideoQuality = configInt(config, "MODE_RECORDING_MP4_VIDEO_QUALITY", 10);
    p.configMp4AacKbps = configInt(config, "MODE_RECORDING_MP4_AAC_KBPS", 96);
    if (flag("MODE_RECORDING_TIMEREC_INFO")) {
        UserDefaults& defaults = UserDefaults::standard();
        const QString dateCheck = QStringLiteral("KeyRecordingDateCheck");
        const bool stored = defaults.hasKey(dateCheck);
        const bool storedOn = stored && defaults.integerForKey(dateCheck) == 1;
        const bool hasDefault = has(config, "MODE_RECORDING_TIMEREC_DEFAULT_CHECK");
        switch (hasDefault ? configInt(config, "MODE_RECORDING_TIMEREC_DEFAULT_CHECK", 0) : 0) {
            case 3:
                p.isEnableTimeStamp = true;
                break;
            case 1:
                p.isEnableTimeStamp = stored ? storedOn : true;
                break;
            case 0:
                p.isEnableTimeStamp = stored ? storedOn : false;
                break;
            default:
                p.isEnableTimeStamp = false;
                break;
        }
    }
    p.isRecDesktop = flag("RECORDING_ALL");
    p.isRecMp4 = flag("MODE_RECORDING_MP4");
    p.confFpsDesktop = configInt(config, "MODE_RECORDING_ALL_FPS", 0);
    p.recDefaultFormat = configInt(config, "MODE_REC_DEFAULT_FORMAT", 1);
    p.recDefaultType = configInt(config, "MODE_DEFAULT_REC_TYPE", 0);
    p.isRecVideoOnly = flag("MODE_RECORDING_MP4_VIDEO_ONLY");
    p.timeRecColorOfString = colourText(config, "MODE_RECORDING_TIMEREC_STRING_COLOR", Qt::white);
    p.timeRecColorOfBack = colourText(config, "MODE_RECORDING_TIMEREC_BACK_COLOR", Qt::black);
    p.autoSaveDirPattern = configInt(config, "MODE_AUTO_SAVE_DIR_PATTERN", 0);
    p.myUserId = myUserId;
    return p;
}

std::shared_ptr<LoginRecordingManager> LoginManager::recordingManagerRef() const {
    std::lock_guard lock(recordingMutex_);
    return recordingManager_;
}

void LoginManager::setRecordingManager() {
    {
        std::lock_guard lock(recordingMutex_);
        recordingManager_.reset();
    }
    const QVariantMap config = configDataDict();
    if (!isFlagOn(config, "RECORDING") || !features_.recordingManager) return;
    std::shared_ptr<LoginRecordingManager> made =
        features_.recordingManager(*this, recordingParams(config, myInfo_->userId()));
    if (!made) return;
    recordingConfigSetting(config);
    made->setIsAutoRecStartSelfVideoForManyMtg(false);
    std::lock_guard lock(recordingMutex_);
    recordingManager_ = std::move(made);
}

void LoginManager::recordingConfigSetting(const QVariantMap& config) {
    UserDefaults& defaults = UserDefaults::standard();
    const auto seed = [&defaults](const char* key, std::int64_t value) {
        const QString k = QString::fromLatin1(key);
        if (!defaults.hasKey(k)) defaults.setInteger(k, value);
    };
    const int minutes = configInt(config, "MODE_DEFAULT_RECORD_TIME", 0);
    seed("KeyRecordingDefaultRecTimeStartUp", minutes >= 1 ? minutes : 180);
    seed("KeyRecordingMovRotateVal", 1024);
    seed("KeyRecordingMp4RotateVal", 1024);
    seed("KeyRecordingAudioRotateVal", 1024);
    if (config.value(QStringLiteral("MODE_RECORDING_TIMEREC_INFO")).toString() != u"Y") return;
    if (has(config, "MODE_RECORDING_TIMEREC_DEFAULT_SIZE")) {
        const int size = configInt(config, "MODE_RECORDING_TIMEREC_DEFAULT_SIZE", 0);
        seed("KeyRecordingDateSize", size == 125 ? 1 : size == 150 ? 2 : 0);
    }
    seed("KeyRecordingPoint", configInt(config, "MODE_RECORDING_TIMEREC_DEFAULT_POINT", 0));
}

void LoginManager::checkAutoRecStartSelfVideoForManyMtg() {
    auto recording = recordingManagerRef();
    if (!recording || recording->isAutoRecStartSelfVideoForManyMtg()) return;
    const QVariantMap config = configDataDict();
    if (!QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_MANY_MTG_REC_ONEUSER"), config)) return;
    int mode = configInt(config, "MODE_AUTO_SAVE_REC_ONLY_NORMALUSER", 0);
    if (mode != 0) {
        if (myInfo_->userId().startsWith(u'/')) return;
    } else {
        mode = configInt(config, "MODE_AUTO_SAVE_REC", 0);
    }
    if (mode != 1 && mode != 5 && mode != 10) return;
    recording->startAutoSaveRecording(
        mode, myInfo_->userId(), myInfo_->userName(), config.value(QStringLiteral("CLASSNAME")).toString(),
        CameraSettings::getWidth(2), CameraSettings::getHeight(2), recording->getTimerCountVal());
    recording->setIsAutoRecStartSelfVideoForManyMtg(true);
}

namespace {

// Directly on the main thread, else queued to it.
void onMainThread(const QObject* context, std::function<void()> task) {
    if (mainQueue().isCurrent())
        task();
    else
        mainQueue().async(context, std::move(task));
}

}  // namespace

void LoginManager::onStartRecording(const std::shared_ptr<RecordingInfo>& recording, int fileType,
                                    int targetType) {
    onMainThread(this, [this, recording, fileType, targetType] {
        if (auto* d = delegate()) d->onStartRecording(recording, fileType, targetType);
    });
    if (fileType != 3 && mAudioManager) mAudioManager->startRecording(true);
}

void LoginManager::onStopRecording(const std::shared_ptr<RecordingInfo>& recording, int fileType,
                                   int targetType, bool isStopAudio) {
    if (isStopAudio && mAudioManager) mAudioManager->startRecording(false);
    onMainThread(this, [this, recording, fileType, targetType] {
        if (auto* d = delegate()) d->onStopRecording(recording, fileType, targetType);
    });
}

void LoginManager::onRecordingError(int error) {
    if (auto* d = delegate()) d->onRecordingError(error);
}

void LoginManager::onRecordingErrorStr(const QString& message, const QString& title, int alertType) {
    if (auto* d = delegate()) d->onRecordingErrorStr(message, title, alertType);
}

void LoginManager::updateRecSystemMenu() {
    if (auto* d = delegate()) d->updateRecSystemMenu();
}

void LoginManager::onAudioPlayerSampleBuffer(const QByteArray& pcm, int rate) {
    if (auto recording = recordingManagerRef())
        recording->onAudioPlayerSampleBuffer(pcm, rate, bIsSpeakerOn.load());
}

void LoginManager::onAudioRecoderSampleBuffer(const QByteArray& pcm, int rate) {
    if (auto recording = recordingManagerRef())
        recording->onAudioRecoderSampleBuffer(pcm, rate, bIsMicOn.load());
}

void LoginManager::sendCloudRecStartIfAuto() {
    const QVariantMap config = configDataDict();
    if (!QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_CLOUDREC_AUTO_START"), config)) return;
    const auto option = QuorixUtils::GetSystemEnvString(QStringLiteral("CLOUDREC_OPTION"), config);
    bridge()->SendCloudRecStart(myInfo_->userId(), myInfo_->userName(), QString(""), 0, 0,
                                option.value_or(QString()));
}
