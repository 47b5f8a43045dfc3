// Local recording as the conference window sees it: the record button of a
// tile, the pictures handed to the recordings, the automatic recording of a
// speaker's new tile, the marks on a recorded tile, the status-bar menu of
// the running recordings and the recording errors. The recordings themselves
// are the login's recording manager's.

#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "services/QuorixUtils.h"
#include "tiles/CameraView.h"
#include "tiles/VideoView.h"
#include "ui/CommonAlert.h"

namespace {

constexpr int kFileTypeAudio = 2;
constexpr int kTargetSelf = 0;
constexpr int kTargetOther = 3;

int configInt(const QVariantMap& config, const char* key) {
    const QString text = config.value(QString::fromUtf8(key)).toString();
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

// The own camera starts or stops handing its pictures to the recording on a
// queue of its own, so the window never waits for the capture thread.
void recMyVideoOnOwnQueue(CameraView* camera, bool on) {
    if (camera == nullptr) return;
    QPointer<CameraView> guarded(camera);
    DispatchQueue::createSerial("com.quorix.rec.myVideo")->async([guarded, on] {
        if (CameraView* view = guarded.data()) view->recMyVideo(on);
    });
}

}  // namespace

VideoView* StartViewController::recordingTargetView(const QString& userId) {
    if (mLoginManager == nullptr) return nullptr;
    const UserInfoRef me = mLoginManager->myInfo();
    if (me != nullptr && me->userId() == userId) return ownCameraView();
    MainViewController* area = mainViewController();
    return area != nullptr ? area->getRecordingTargetView(userId) : nullptr;
}

void StartViewController::dispRecordingMenu(const SpeakerInfoRef& user) {
    if (mLoginManager == nullptr || user == nullptr) return;
    const std::shared_ptr<LoginRecordingManager> recording = mLoginManager->recordingManagerRef();
    if (!recording) return;
    VideoView* view = recordingTargetView(user->userId());
    const QSize pixels = view != nullptr ? view->getPixelSize() : QSize();
    const bool oneUser = QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_MANY_MTG_REC_ONEUSER"),
                                                         mLoginManager->configDataDict());
    recording->dispRecordingMenu(user->userId(), user->userName(), window_, pixels,
                                 mLoginManager->iRoomCategory(), mLoginManager->isSpeaker(), oneUser);
}

void StartViewController::recordMyVideo(const QImage& picture) {
    if (mLoginManager == nullptr) return;
    if (const auto recording = mLoginManager->recordingManagerRef()) recording->onMyVideo(picture);
}

void StartViewController::recordOtherVideo(const QImage& picture, const QString& userId) {
    if (mLoginManager == nullptr) return;
    if (const auto recording = mLoginManager->recordingManagerRef()) recording->onOtherVideo(picture, userId);
}

int StartViewController::checkIsAutoRecVideo(const SpeakerInfoRef& speaker) {
    if (mLoginManager == nullptr || speaker == nullptr) return 0;
    const std::shared_ptr<LoginRecordingManager> recording = mLoginManager->recordingManagerRef();
    if (!recording || recording->isMaxAutoRecOtherVideoCount()) return 0;
    const QVariantMap config = mLoginManager->configDataDict();
    const int onlyNormal = configInt(config, "MODE_AUTO_SAVE_REC_ONLY_NORMALUSER");
    int mode = 0;
    if (onlyNormal != 0) {
        // One-time users (ids beginning with "/") are never recorded automatically then.
        if (speaker->userId().startsWith(u'/')) return 0;
        mode = onlyNormal;
    } else {
        mode = configInt(config, "MODE_AUTO_SAVE_REC");
        if (mode == 0) return 0;
    }
    return recording->setAutoRecStartOtherVideoCount(mode, true) ? mode : 0;
}

void StartViewController::onStartAutoSaveRecordingOfOtherVideo(int mode, const SpeakerInfoRef& speaker,
                                                               int width, int height) {
    if (mLoginManager == nullptr || speaker == nullptr) return;
    const std::shared_ptr<LoginRecordingManager> recording = mLoginManager->recordingManagerRef();
    if (!recording) return;
    const QString roomName = mLoginManager->configDataDict().value(QStringLiteral("CLASSNAME")).toString();
    recording->startAutoSaveRecording(mode, speaker->userId(), speaker->userName(), roomName, width, height,
                                      recording->getTimerCountVal());
}

void StartViewController::settingTimeRecCheck(bool on) {
    if (mLoginManager == nullptr) return;
    if (const auto recording = mLoginManager->recordingManagerRef()) recording->setIsEnableTimeStamp(on);
}

void StartViewController::onStartRecording(const std::shared_ptr<RecordingInfo>& info, int fileType,
                                           int targetType) {
    const QString userId = services_.windows->recordingUserId(info);
    if (VideoView* view = recordingTargetView(userId)) {
        view->changeOptionStatus(VIDEO_OPTION_RECORD, false);
        if (targetType == kTargetOther && fileType != kFileTypeAudio) view->setStartedRecord(true);
        if (targetType == kTargetSelf && fileType != kFileTypeAudio) {
            recMyVideoOnOwnQueue(qobject_cast<CameraView*>(view), true);
            // With the camera off the recording shows the camera-off picture.
            if (!mLoginManager->isCameraOn())
                if (const auto recording = mLoginManager->recordingManagerRef())
                    recording->setCameraOffForRec(true);
        }
    }
    // Also a recording of a user without a tile is listed in the menu.
    if (const auto recording = mLoginManager != nullptr ? mLoginManager->recordingManagerRef() : nullptr)
        services_.windows->reloadRecordingMenu(recording->recordings(),
                                               [this](std::int64_t tag) { stopRecordingFromMenu(tag); });
}

void StartViewController::onStopRecording(const std::shared_ptr<RecordingInfo>& info, int /*fileType*/,
                                          int targetType) {
    VideoView* view = recordingTargetView(services_.windows->recordingUserId(info));
    if (view == nullptr) return;
    if (targetType == kTargetOther) view->setStartedRecord(false);
    if (targetType == kTargetSelf) recMyVideoOnOwnQueue(qobject_cast<CameraView*>(view), false);
    view->changeOptionStatus(VIDEO_OPTION_RECORD, true);
}

void StartViewController::updateRecSystemMenu() {
    mainQueue().async(this, [this] {
        const auto recording = mLoginManager != nullptr ? mLoginManager->recordingManagerRef() : nullptr;
        const auto running =
            recording ? recording->recordings() : std::vector<std::shared_ptr<RecordingInfo>>{};
        if (!running.empty())
            services_.windows->reloadRecordingMenu(running,
                                                   [this](std::int64_t tag) { stopRecordingFromMenu(tag); });
        else
            services_.windows->hideRecordingMenu();
        // Every stop is told, also while other recordings go on.
        CommonAlert::sharedInstance().showInformationAlert(
            QStringLiteral("alert_id_recording_stop"), LocalizedString("dfRECORD_MSG_STOP"), nullptr, nullptr,
            window_ != nullptr ? window_->frame() : QRectF());
    });
}

void StartViewController::stopRecordingFromMenu(std::int64_t tag) {
    if (mLoginManager == nullptr) return;
    if (const auto recording = mLoginManager->recordingManagerRef()) recording->stopRecordingFromMenu(tag);
}

void StartViewController::onRecordingError(int error) {
    onRecordingErrorStr(QString::number(error), LocalizedString("dfRECORD_END_ERR"), 0);
}

void StartViewController::onRecordingErrorStr(const QString& message, const QString& title, int alertType) {
    mainQueue().async(this, [this, message, title, alertType] {
        // Alert type 1 is the missing screen-recording permission; the
        // desktop's screen capture asks for it itself, so its button only
        // closes the alert.
        const std::optional<QString> button =
            alertType == 1 ? std::optional<QString>(LocalizedString("dfOPEN_SYSTEM_PREFERENCE_SCREENCAPTURE"))
                           : std::nullopt;
        CommonAlert::sharedInstance().showModalAlert(
            this, title.isEmpty() ? std::nullopt : std::optional<QString>(title), message, button);
    });
}
