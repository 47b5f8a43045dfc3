#include "recording/RecordingManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "recording/RecordingMenuPanel.h"
#include "recording/RecordingSettingWindowController.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "ui/CommonAlert.h"

namespace {

constexpr int kLogErr = 0;
constexpr int kLogWrn = 1;
constexpr int kLogInf = 2;
constexpr int kMaxRecordings = 2;
constexpr int kMaxPendingFrames = 3;  // video images waiting on a manager queue

void logLine(const QString& text, int level) {
    LogFileManager::write(text, level, false);
}

QString expandTilde(const QString& path) {
    if (path == u"~") return QDir::homePath();
    if (path.startsWith(QStringLiteral("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}

}  // namespace

// A report to the delegate, sent after the manager's lock is released.
struct RecordingManager::Notice {
    enum Kind { Stop, Start, Menu } kind;
    RecordingInfoRef info;
    bool isStopAudio = false;
};

RecordingManager::RecordingManager(const RecordingParams& p, RecordingManagerDelegate* delegate,
                                   RecordingEnvironment env)
    : isFreeRecCount_(p.param),
      isEnableTimeStamp_(p.isEnableTimeStamp),
      isRecDesktop_(p.isRecDesktop),
      isRecMp4_(p.isRecMp4),
      isRecVideoOnly_(p.isRecVideoOnly),
      videoQuality_(Rec::clampVideoQuality(p.configMp4VideoQuality)),
      aacKbps_(Rec::clampAacKbps(p.configMp4AacKbps)),
      confFpsDesktop_(p.confFpsDesktop),
      recDefaultFormat_(p.recDefaultFormat),
      recDefaultType_(p.recDefaultType),
      autoSaveDirPattern_(p.autoSaveDirPattern),
      autoSaveDir_(p.autoSaveDir.isEmpty() ? QStringLiteral("~/Documents/Quorix_AutoSave") : p.autoSaveDir),
      specifyDir_(p.configRecDirSpecify),
      timeRecColorOfString_(p.timeRecColorOfString.isEmpty() ? QColor(Qt::white)
                                                             : QColor(p.timeRecColorOfString)),
      timeRecColorOfBack_(p.timeRecColorOfBack.isEmpty() ? QColor(Qt::black) : QColor(p.timeRecColorOfBack)),
      myUserId_(p.myUserId),
      delegate_(delegate),
      env_(std::move(env)) {
    if (!env_.clock) env_.clock = &monotonicNanoseconds;
    if (!env_.makeRecorder) {
        RecordingScreenCapture* screen = env_.screen;
        RecordingClock clock = env_.clock;
        env_.makeRecorder = [screen,
                             clock](const RecorderParams& params) -> std::shared_ptr<RecordingRecorder> {
            return FuncRecorder::create(params, clock, screen);
        };
    }
    if (!env_.runSavePanel)
        env_.runSavePanel = [](const RecordingChoiceParams& p,
                               QWidget* window) -> std::optional<RecordingPanelChoice> {
            RecordingMenuPanel panel(window);
            panel.dispRecordingMenuPanel(p, window);
            if (panel.exec() != QDialog::Accepted) return std::nullopt;
            return RecordingPanelChoice{panel.getSavePath(), panel.selectedFileType(),
                                        panel.selectedTarget()};
        };
    if (!env_.runStartSheet)
        env_.runStartSheet = [](const RecordingChoiceParams& p,
                                QWidget* window) -> std::optional<RecordingPanelChoice> {
            RecordingSettingWindowController sheet(p, window);
            if (sheet.exec() != 1) return std::nullopt;
            return RecordingPanelChoice{sheet.getFileName(), sheet.selectedFileType(),
                                        sheet.selectedTarget()};
        };
    if (!env_.confirmOverwrite)
        env_.confirmOverwrite = [](const QString& path, QWidget* window) {
            QMessageBox box(QMessageBox::Warning, QString(), QString(), QMessageBox::NoButton, window);
            box.setObjectName(QStringLiteral("recording_overwrite_alert"));
            box.setInformativeText(LocalizedFormat("dfRECORD_OVERWRITE", path));
            QPushButton* yes = box.addButton(LocalizedString("dfYES"), QMessageBox::AcceptRole);
            box.addButton(LocalizedString("dfNO"), QMessageBox::RejectRole);
            box.exec();
            return box.clickedButton() == yes;
        };
    if (!env_.showAlert)
        env_.showAlert = [](const QString& message) {
            CommonAlert::sharedInstance().showModalAlert(nullptr, std::nullopt, message, std::nullopt);
        };
    myVideoQueue_ = DispatchQueue::createSerial("com.quorix.rec.start.myVideo");
    otherVideoQueue_ = DispatchQueue::createSerial("com.quorix.rec.start.otherVideo");
}

RecordingManager::~RecordingManager() {
    drainQueues();
    stopAllRecording();
    // Files still being finished report to nobody once the manager is gone.
    std::lock_guard lock(lock_);
    for (auto& r : finishing_) r->setDelegate(nullptr);
}

QDateTime RecordingManager::now() const {
    return env_.now ? env_.now() : QDateTime::currentDateTime();
}

std::shared_ptr<DispatchQueue> RecordingManager::newQueue(const char* label) {
    auto queue = DispatchQueue::createSerial(label);
    std::lock_guard lock(queuesMutex_);
    std::erase_if(oneShotQueues_, [](const auto& q) { return q.expired(); });
    oneShotQueues_.push_back(queue);
    return queue;
}

void RecordingManager::drainQueues() {
    // Queues may start others (a split continues on a queue of its own), so repeat until none is left.
    for (int round = 0; round < 8; ++round) {
        std::vector<std::shared_ptr<DispatchQueue>> queues;
        {
            std::lock_guard lock(queuesMutex_);
            for (auto& weak : oneShotQueues_)
                if (auto q = weak.lock()) queues.push_back(q);
        }
        queues.push_back(myVideoQueue_);
        queues.push_back(otherVideoQueue_);
        for (auto& q : queues) q->sync([] {});
        std::lock_guard lock(queuesMutex_);
        std::erase_if(oneShotQueues_, [](const auto& q) { return q.expired(); });
        if (oneShotQueues_.empty()) return;
    }
}

void RecordingManager::emitNotices(std::vector<Notice>& notices) {
    if (!delegate_) return;
    for (auto& n : notices) {
        switch (n.kind) {
            case Notice::Stop:
                delegate_->onStopRecording(n.info, n.info->fileType(), n.info->targetType(), n.isStopAudio);
                break;
            case Notice::Start:
                delegate_->onStartRecording(n.info, n.info->fileType(), n.info->targetType());
                break;
            case Notice::Menu:
                delegate_->updateRecSystemMenu();
                break;
        }
    }
    notices.clear();
}

void RecordingManager::giveUp(const RecordingInfoRef& info) {
    // The file is still being finished: keep the recorder for the quit wait.
    std::erase_if(finishing_,
                  [](const auto& r) { return r->waitUntilFinished(std::chrono::milliseconds(0)); });
    finishing_.push_back(info->recorder());
}

// ---------------------------------------------------------------- sizes and starts

QSize RecordingManager::recordingSize(std::int64_t target, bool isSelf, QSize tilePixels) const {
    Rec::SizeInput in;
    in.target = target;
    in.cameraSize = env_.cameraSize ? env_.cameraSize() : QSize(640, 480);
    in.screenPoints = env_.screenPoints ? env_.screenPoints() : QSize(1280, 720);
    in.screenScale = env_.screenScale ? env_.screenScale() : 1.0;
    in.isSelf = isSelf;
    in.tilePixels = tilePixels;
    in.isEnableTimeStamp = isEnableTimeStamp_.load();
    return Rec::recordingSize(in);
}

void RecordingManager::setResolutionAndCallStartRec(const QString& userId, const QString& userName,
                                                    const QString& savePath, std::int64_t fileType,
                                                    std::int64_t target, bool isSelf, QSize tilePixels) {
    newQueue("com.quorix.rec.start")->async([=, this] {
        const QSize size = recordingSize(target, isSelf, tilePixels);
        startRecording(userId, userName, savePath, fileType, target, size.width(), size.height(), 0,
                       QString(), getTimerCountVal());
    });
}

bool RecordingManager::startRecording(const QString& userId, const QString& userName, const QString& savePath,
                                      std::int64_t fileType, std::int64_t target, int width, int height,
                                      int autoRecMode, const QString& roomName, int timerCountVal) {
    return startRecordingImpl(userId, userName, savePath, fileType, target, width, height, autoRecMode,
                              roomName, timerCountVal, false);
}

void RecordingManager::releaseReservation(bool reserved) {
    if (!reserved) return;
    std::lock_guard lock(lock_);
    --reservedStarts_;
}

bool RecordingManager::startRecordingImpl(const QString& userId, const QString& userName,
                                          const QString& savePath, std::int64_t fileType, std::int64_t target,
                                          int width, int height, int autoRecMode, const QString& roomName,
                                          int timerCountVal, bool reserved) {
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingBegin), userId, userName, savePath), kLogInf);
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingInfo), width, height,
                             LogMessage::conversionRecordingTargetToString(static_cast<int>(target)),
                             LogMessage::conversionRecordingFileTypeToString(static_cast<int>(fileType))),
            kLogInf);
    if (target == Rec::REC_TARGET_SELF && fileType != Rec::REC_FILE_TYPE_AUDIO && env_.cameraAuthorized &&
        !env_.cameraAuthorized()) {
        logLine(QString::fromUtf8(kLogMsgDenyAuthorCamera), kLogWrn);
        releaseReservation(reserved);
        if (delegate_)
            delegate_->onRecordingErrorStr(QStringLiteral("dfRECORD_PERMISSION_ERR_CAMERA"), std::nullopt, 0);
        return false;
    }
    if ((target == Rec::REC_TARGET_CONF || target == Rec::REC_TARGET_DESKTOP) &&
        env_.screenRecordingAuthorized && !env_.screenRecordingAuthorized()) {
        logLine(QString::fromUtf8(kLogMsgDenyAuthorScreenRecording), kLogWrn);
        releaseReservation(reserved);
        if (delegate_)
            delegate_->onRecordingErrorStr(QStringLiteral("dfRECORD_PERMISSION_ERR_SCREEN_RECORD"),
                                           std::nullopt, 1);
        return false;
    }
    RecorderParams params;
    params.filePath = savePath;
    params.fileType = fileType;
    params.targetType = target == Rec::REC_TARGET_DESKTOP ? 2 : target == Rec::REC_TARGET_CONF ? 1 : 0;
    const QSize size = Rec::evenSize(QSize(width, height));
    params.width = size.width();
    params.height = size.height();
    params.videoQuality = videoQuality_;
    params.aacKbps = aacKbps_;
    params.isEnableTimeStamp = isEnableTimeStamp_.load();
    params.timeRecColorOfString = timeRecColorOfString_;
    params.timeRecColorOfBack = timeRecColorOfBack_;
    params.timerCountVal = timerCountVal;
    std::shared_ptr<RecordingRecorder> recorder = env_.makeRecorder(params);
    if (!recorder) {
        releaseReservation(reserved);
        return false;
    }
    recorder->setDelegate(this);
    auto info = std::make_shared<RecordingInfo>(userId, userName, recorder, size.width(), size.height(),
                                                autoRecMode, roomName, fileType, target);
    {
        std::lock_guard lock(lock_);
        if (reserved) --reservedStarts_;
        recordingArray_.push_back(info);
    }
    if (delegate_) delegate_->onStartRecording(info, fileType, target);
    return true;
}

// ---------------------------------------------------------------- stops

void RecordingManager::stopRecording(const QString& userId) {
    {
        std::lock_guard lock(lock_);
        if (std::find(stopProcessingUserArray_.begin(), stopProcessingUserArray_.end(), userId) !=
            stopProcessingUserArray_.end())
            return;
        stopProcessingUserArray_.push_back(userId);
    }
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingStop), userId), kLogInf);
    std::vector<Notice> notices;
    {
        std::lock_guard lock(lock_);
        const std::size_t n = recordingArray_.size();
        auto it = std::find_if(recordingArray_.begin(), recordingArray_.end(),
                               [&userId](const auto& r) { return r->userId() == userId; });
        if (it != recordingArray_.end()) {
            RecordingInfoRef info = *it;
            notices.push_back({Notice::Stop, info, n < 2});
            info->recorder()->stop();
            giveUp(info);
            recordingArray_.erase(it);
            subtractAutoCount(info->autoRecMode());
            notices.push_back({Notice::Menu, nullptr});
        }
    }
    emitNotices(notices);
    std::lock_guard lock(lock_);
    std::erase(stopProcessingUserArray_, userId);
}

void RecordingManager::stopAllRecording() {
    std::vector<Notice> notices;
    {
        std::lock_guard lock(lock_);
        for (const auto& info : recordingArray_) {
            info->recorder()->stop();
            notices.push_back({Notice::Stop, info, true});
            giveUp(info);
        }
        autoRecStartOtherVideoCount_ = 0;
        const bool any = !recordingArray_.empty();
        recordingArray_.clear();
        if (any) {
            logLine(QString::fromUtf8(kLogMsgRecordingAllStop), kLogInf);
            notices.push_back({Notice::Menu, nullptr});
        }
    }
    emitNotices(notices);
}

void RecordingManager::stopRecordingFromMenu(std::int64_t tag) {
    if (tag == Rec::kStopAllTag) {
        stopAllRecording();
        return;
    }
    std::vector<Notice> notices;
    {
        std::lock_guard lock(lock_);
        const std::size_t n = recordingArray_.size();
        if (tag < 0 || static_cast<std::size_t>(tag) >= n) return;
        RecordingInfoRef info = recordingArray_[static_cast<std::size_t>(tag)];
        notices.push_back({Notice::Stop, info, n < 2});
        info->recorder()->stop();
        giveUp(info);
        recordingArray_.erase(recordingArray_.begin() + tag);
        notices.push_back({Notice::Menu, nullptr});
        subtractAutoCount(info->autoRecMode());
    }
    emitNotices(notices);
}

bool RecordingManager::isRecordingUser(const QString& userId) const {
    std::lock_guard lock(lock_);
    return std::any_of(recordingArray_.begin(), recordingArray_.end(),
                       [&userId](const auto& r) { return r->userId() == userId; });
}

// ---------------------------------------------------------------- feeds

void RecordingManager::handleAppendResult(std::int64_t result, const RecordingInfoRef& info) {
    if (result != Rec::REC_APPEND_FAILED) return;
    {
        std::lock_guard lock(lock_);
        if (std::find(stopProcessingUserArray_.begin(), stopProcessingUserArray_.end(), info->userId()) !=
            stopProcessingUserArray_.end())
            return;
    }
    info->recorder()->setIsStopProcessing(true);
    stopRecording(info->userId());
}

void RecordingManager::onMyVideo(const QImage& image) {
    if (image.isNull() || myVideoPending_.load() >= kMaxPendingFrames) return;  // the queue is behind: drop
    ++myVideoPending_;
    const QImage copy = image.copy();
    myVideoQueue_->async([this, copy] {
        RecordingInfoRef target;
        {
            std::lock_guard lock(lock_);
            for (const auto& r : recordingArray_)
                if (r->targetType() == Rec::REC_TARGET_SELF && r->fileType() != Rec::REC_FILE_TYPE_AUDIO) {
                    target = r;
                    break;
                }
        }
        if (target) handleAppendResult(target->recorder()->onMyVideo(copy), target);
        --myVideoPending_;
    });
}

void RecordingManager::onOtherVideo(const QImage& image, const QString& userId) {
    if (image.isNull() || otherVideoPending_.load() >= kMaxPendingFrames) return;
    ++otherVideoPending_;
    const QImage copy = image.copy();
    otherVideoQueue_->async([this, copy, userId] {
        RecordingInfoRef target;
        {
            std::lock_guard lock(lock_);
            for (const auto& r : recordingArray_)
                if (r->userId() == userId) {
                    target = r;
                    break;
                }
        }
        if (target) handleAppendResult(target->recorder()->onOtherVideo(copy), target);
        --otherVideoPending_;
    });
}

void RecordingManager::feedAudio(const QByteArray& pcm, int rate, bool on, bool mic) {
    // Walk a snapshot: starts, stops and splits change the list meanwhile.
    std::vector<RecordingInfoRef> snapshot;
    {
        std::lock_guard lock(lock_);
        if (recordingArray_.empty()) return;
        snapshot = recordingArray_;
    }
    AudioSample sample{pcm, rate, env_.clock()};
    if (!on) sample.pcm.fill('\0');  // silence of the same length
    for (const auto& info : snapshot) {
        if (info->fileType() == Rec::REC_FILE_TYPE_VIDEO) continue;
        const std::int64_t result =
            mic ? info->recorder()->recordMic(sample) : info->recorder()->recordSpk(sample);
        handleAppendResult(result, info);
    }
}

void RecordingManager::onAudioRecoderSampleBuffer(const QByteArray& pcm, int rate, bool isMicOn) {
    feedAudio(pcm, rate, isMicOn, true);
}

void RecordingManager::onAudioPlayerSampleBuffer(const QByteArray& pcm, int rate, bool isSpkOn) {
    feedAudio(pcm, rate, isSpkOn, false);
}

void RecordingManager::setCameraOffForRec(bool off) {
    RecordingInfoRef target;
    {
        std::lock_guard lock(lock_);
        for (const auto& r : recordingArray_)
            if (r->targetType() == Rec::REC_TARGET_SELF && r->fileType() != Rec::REC_FILE_TYPE_AUDIO) {
                target = r;
                break;
            }
    }
    if (target) target->recorder()->setCameraOffForRec(off);
}

// ---------------------------------------------------------------- recorder events

void RecordingManager::onStopFromScreenCapture(std::int64_t target) {
    QString userId;
    {
        std::lock_guard lock(lock_);
        for (const auto& r : recordingArray_)
            if (r->targetType() == target) {
                userId = r->userId();
                break;
            }
    }
    if (!userId.isNull()) stopRecording(userId);
}

void RecordingManager::onStopTimer(FuncRecorder* recorder) {
    onStopTimerOf(recorder);
}

void RecordingManager::onStopTimerOf(RecordingRecorder* recorder) {
    QString userId;
    {
        std::lock_guard lock(lock_);
        for (const auto& r : recordingArray_)
            if (r->recorder().get() == recorder) {
                userId = r->userId();
                break;
            }
    }
    if (!userId.isNull()) stopRecording(userId);
}

void RecordingManager::onRecoderError(const QString& error) {
    if (!error.isEmpty() && delegate_) delegate_->onRecordingError(error);
}

void RecordingManager::onDivideFile(FuncRecorder* recorder) {
    onDivideFileOf(recorder);
}

void RecordingManager::onDivideFileOf(RecordingRecorder* recorder) {
    RecordingInfoRef info;
    int remaining = 0;
    std::vector<Notice> notices;
    {
        std::lock_guard lock(lock_);
        auto it = std::find_if(recordingArray_.begin(), recordingArray_.end(),
                               [recorder](const auto& r) { return r->recorder().get() == recorder; });
        if (it == recordingArray_.end()) return;
        info = *it;
        const QDateTime started = recorder->recStartTime();
        const qint64 elapsed = started.isValid() ? started.secsTo(QDateTime::currentDateTime()) : 0;
        remaining = recorder->timerCountVal() - static_cast<int>(elapsed);
        const std::size_t n = recordingArray_.size();
        recorder->stop();
        giveUp(info);
        recordingArray_.erase(it);
        if (remaining <= 0) {
            // Nothing left: the recording ends here, and the user hears of it.
            subtractAutoCount(info->autoRecMode());
            notices.push_back({Notice::Stop, info, n < 2});
            notices.push_back({Notice::Menu, nullptr});
        } else {
            ++reservedStarts_;  // the continuation keeps its place under the limit
        }
    }
    if (!notices.empty()) {
        emitNotices(notices);
        return;
    }
    newQueue("com.quorix.divideFile")->async([this, info, remaining] {
        if (info->autoRecMode() != 0) {
            autoStart(info->autoRecMode(), info->userId(), info->userName(), info->roomName(), info->width(),
                      info->height(), remaining, true);
            return;
        }
        const QString oldPath = info->recorder()->filePath();
        const QString folder = oldPath.left(oldPath.lastIndexOf(u'/') + 1);
        const QString ext = oldPath.mid(oldPath.lastIndexOf(u'.') + 1);
        const QByteArray extBytes = ext.toUtf8();
        const QString path = folder +
                             Rec::safeFileName(Rec::defaultFileName(info->userName(), now()),
                                               255 - 1 - static_cast<int>(extBytes.size())) +
                             u'.' + ext;
        startRecordingImpl(info->userId(), info->userName(), path, info->fileType(), info->targetType(),
                           info->width(), info->height(), 0, info->roomName(), remaining, true);
    });
}

// ---------------------------------------------------------------- automatic recording

void RecordingManager::startAutoSaveRecording(int mode, const QString& userId, const QString& userName,
                                              const QString& roomName, int width, int height,
                                              int timerCountVal) {
    newQueue("com.quorix.rec.auto.start")->async([=, this] {
        autoStart(mode, userId, userName, roomName, width, height, timerCountVal, false);
    });
}

void RecordingManager::autoStart(int mode, const QString& userId, const QString& userName,
                                 const QString& roomName, int width, int height, int timerCountVal,
                                 bool reserved) {
    if (!reserved) {
        // Checked and reserved in one step, so concurrent starts never pass the limit together.
        std::lock_guard lock(lock_);
        if (!isFreeRecCount_ &&
            static_cast<int>(recordingArray_.size()) + reservedStarts_ >= kMaxRecordings) {
            logLine(QString::fromUtf8(kLogMsgRecordingMaxConnectCountOver), kLogWrn);
            return;
        }
        ++reservedStarts_;
    }
    const std::int64_t target = Rec::autoModeTarget(mode);
    const std::int64_t fileType = Rec::autoModeFileType(mode);
    const auto folder = createAutoSaveFilePath(roomName);
    if (!folder) {
        logLine(QString::fromUtf8(kLogMsgRecordingNoneDirectryErr), kLogErr);
        releaseReservation(true);
        if (delegate_)
            delegate_->onRecordingErrorStr(QStringLiteral("dfRECORD_FAILED_MAKE_DIR"),
                                           QStringLiteral("dfRECORD_END_ERR"), 0);
        return;
    }
    const QString ext = Rec::recordingExtension(fileType);
    const QString path = *folder + u'/' +
                         Rec::safeFileName(Rec::autoSaveFileName(userId, userName, now()),
                                           255 - static_cast<int>(ext.toUtf8().size())) +
                         ext;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        QFile file(path);
        if (!file.remove()) {
            logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingDeleteOldFileErr), path), kLogErr);
            releaseReservation(true);
            if (delegate_)
                delegate_->onRecordingErrorStr(file.errorString(), QStringLiteral("dfRECORD_END_ERR"), 0);
            return;
        }
    }
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingAutoBegin), userId, userName, path), kLogInf);
    startRecordingImpl(userId, userName, path, fileType, target, width, height, mode, roomName, timerCountVal,
                       true);
}

std::optional<QString> RecordingManager::createAutoSaveFilePath(const QString& roomName) const {
    const QString base = expandTilde(autoSaveDir_);
    if (base.isEmpty()) {
        logLine(QString::fromUtf8(kLogMsgRecordingNoneDirectryErr), kLogErr);
        return std::nullopt;
    }
    if (!fileExistsAtPath(base)) return std::nullopt;
    const QString datePart = u'/' + Rec::dateFolderName(now().date());
    const QString roomPart = u'/' + Rec::safeFileName(roomName);
    QString path = base + (autoSaveDirPattern_ == 1 ? roomPart : datePart);
    if (!fileExistsAtPath(path)) return std::nullopt;
    path += autoSaveDirPattern_ == 1 ? datePart : roomPart;
    if (!fileExistsAtPath(path)) return std::nullopt;
    return path;
}

std::optional<QString> RecordingManager::fileExistsAtPath(const QString& path) {
    if (QFileInfo::exists(path)) return path;
    QDir dir;
    if (dir.mkdir(path)) return path;
    logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingCreateFileErr), QStringLiteral("mkdir"), path),
            kLogErr);
    return std::nullopt;
}

bool RecordingManager::isMaxAutoRecOtherVideoCount() const {
    if (isFreeRecCount_) return false;
    std::lock_guard lock(lock_);
    return autoRecStartOtherVideoCount_ >= kMaxRecordings ||
           static_cast<int>(recordingArray_.size()) >= kMaxRecordings;
}

bool RecordingManager::setAutoRecStartOtherVideoCount(int mode, bool isRecStart) {
    if (!Rec::isOtherVideoMode(mode)) return false;
    std::lock_guard lock(lock_);
    autoRecStartOtherVideoCount_ += isRecStart ? 1 : -1;
    return true;
}

void RecordingManager::subtractAutoCount(int mode) {
    if (Rec::isOtherVideoMode(mode)) --autoRecStartOtherVideoCount_;
}

int RecordingManager::autoRecStartOtherVideoCount() const {
    std::lock_guard lock(lock_);
    return autoRecStartOtherVideoCount_;
}

// ---------------------------------------------------------------- state

int RecordingManager::getTimerCountVal() const {
    UserDefaults& defaults = UserDefaults::standard();
    const QString key = QStringLiteral("KeyRecordingDefaultRecTimeStartUp");
    if (!defaults.hasKey(key)) return 10800;
    return static_cast<int>(defaults.integerForKey(key) * 60);
}

std::vector<RecordingInfoRef> RecordingManager::recordingArray() const {
    std::lock_guard lock(lock_);
    return recordingArray_;
}

std::vector<int> RecordingManager::recordingFileTypes() const {
    std::lock_guard lock(lock_);
    std::vector<int> types;
    for (const auto& r : recordingArray_) types.push_back(static_cast<int>(r->fileType()));
    return types;
}

bool RecordingManager::waitUntilFinished(std::chrono::milliseconds timeout) {
    std::vector<std::shared_ptr<RecordingRecorder>> recorders;
    {
        std::lock_guard lock(lock_);
        recorders = finishing_;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool all = true;
    for (auto& r : recorders) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        all = r->waitUntilFinished(std::max(left, std::chrono::milliseconds(0))) && all;
    }
    return all;
}

// ---------------------------------------------------------------- the record button

void RecordingManager::dispRecordingMenu(const QString& userId, const QString& userName, QWidget* window,
                                         QSize tilePixels, int roomCategory, bool isSpeaker,
                                         bool isManyMtgRecOneUser) {
    if (isRecordingUser(userId)) {
        stopRecording(userId);
        return;
    }
    bool full = false;
    {
        std::lock_guard lock(lock_);
        full =
            !isFreeRecCount_ && static_cast<int>(recordingArray_.size()) + reservedStarts_ >= kMaxRecordings;
    }
    if (full) {
        logLine(QString::fromUtf8(kLogMsgRecordingMaxConnectCountOver), kLogWrn);
        if (env_.showAlert) env_.showAlert(LocalizedString("dfRECORD_MSG_MAX_CONNECT_COUNT"));
        return;
    }
    RecordingChoiceParams p;
    p.isSelf = userId == myUserId_;
    p.targetName = userName;
    p.roomCategory = roomCategory;
    p.isRecDesktop = isRecDesktop_;
    p.isRecMp4 = isRecMp4_;
    p.recDefaultFormat = recDefaultFormat_;
    p.recDefaultType = recDefaultType_;
    p.isRecVideoOnly = isRecVideoOnly_;
    p.isSpeaker = isSpeaker;
    p.isManyMtgRecOneUser = isManyMtgRecOneUser;
    if (specifyDir_) {
        const auto choice = env_.runStartSheet ? env_.runStartSheet(p, window) : std::nullopt;
        if (choice) startSheetDone(*choice, userId, userName, p.isSelf, tilePixels);
    } else {
        const auto choice = env_.runSavePanel ? env_.runSavePanel(p, window) : std::nullopt;
        if (choice) savePanelDone(*choice, userId, userName, p.isSelf, tilePixels, window);
    }
}

void RecordingManager::savePanelDone(const RecordingPanelChoice& choice, const QString& userId,
                                     const QString& userName, bool isSelf, QSize tilePixels,
                                     QWidget* window) {
    const QString& path = choice.pathOrName;
    if (path.isEmpty()) return;
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !existing.isDir()) {
        if (!env_.confirmOverwrite || !env_.confirmOverwrite(path, window)) return;
        QFile file(path);
        if (!file.remove()) {
            if (delegate_)
                delegate_->onRecordingErrorStr(
                    LocalizedFormat("dfRECORD_OVERWRITE_FAILED", file.errorString()), std::nullopt, 0);
            return;
        }
    }
    RecordingChoices::saveFileType(isSelf, choice.fileType);
    setResolutionAndCallStartRec(userId, userName, path, choice.fileType, choice.target, isSelf, tilePixels);
}

void RecordingManager::startSheetDone(const RecordingPanelChoice& choice, const QString& userId,
                                      const QString& userName, bool isSelf, QSize tilePixels) {
    const QString folder = expandTilde(*specifyDir_);
    if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink()) {
        // One level only: the fixed folder's parent must exist.
        const QFileInfo info(folder);
        if (!QDir(info.absolutePath()).mkdir(info.fileName())) {
            const QString error = info.dir().exists()
                                      ? QStringLiteral("The folder could not be made.")
                                      : QStringLiteral("No such folder: ") + info.absolutePath();
            logLine(StringWithFormat(QString::fromUtf8(kLogMsgRecordingCreateFileErr), error, folder),
                    kLogErr);
            if (delegate_) delegate_->onRecordingErrorStr(error, QStringLiteral("dfRECORD_END_ERR"), 0);
            return;
        }
    }
    // The typed name is one file name in that folder, never a path out of it.
    const QString ext = Rec::recordingExtension(choice.fileType);
    const QString name = Rec::safeFileName(choice.pathOrName, 255 - static_cast<int>(ext.toUtf8().size()));
    const QString path = folder + u'/' + name + ext;
    setResolutionAndCallStartRec(userId, userName, path, choice.fileType, choice.target, isSelf, tilePixels);
}
