// Every local recording of one login: starts (by the user and automatic),
// the limit of two, one recorder per recording, the video and audio feeds,
// every stop path, splits continued in a new file, and the reports to the
// session. Implements the session's recording port.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "recording/FuncRecorder.h"
#include "recording/RecordingInfo.h"
#include "session/LoginManagerFeatures.h"

class DispatchQueue;

class RecordingManagerDelegate {
public:
    virtual ~RecordingManagerDelegate() = default;
    virtual void onStartRecording(const RecordingInfoRef& recording, std::int64_t fileType,
                                  std::int64_t targetType) = 0;
    virtual void onStopRecording(const RecordingInfoRef& recording, std::int64_t fileType,
                                 std::int64_t targetType, bool isStopAudio) = 0;
    virtual void onRecordingError(const QString& error) = 0;
    virtual void onRecordingErrorStr(const QString& message, const std::optional<QString>& title,
                                     int alertType) = 0;
    virtual void updateRecSystemMenu() = 0;
};

// What the manager takes from its surroundings (tests replace each part).
struct RecordingEnvironment {
    RecordingClock clock;  // host clock for audio stamps; CLOCK_MONOTONIC when empty
    std::function<std::shared_ptr<RecordingRecorder>(const RecorderParams&)> makeRecorder;
    std::function<QSize()> cameraSize;       // the own camera's recording size
    std::function<QSize()> screenPoints;     // the main screen in points
    std::function<double()> screenScale;     // its device pixel ratio
    std::function<bool()> cameraAuthorized;  // empty: allowed
    std::function<bool()> screenRecordingAuthorized;
    std::function<QDateTime()> now;  // for file and folder names
    RecordingScreenCapture* screen = nullptr;
};

class RecordingManager final : public LoginRecordingManager, public FuncRecorderDelegate {
public:
    RecordingManager(const RecordingParams& params, RecordingManagerDelegate* delegate,
                     RecordingEnvironment env);
    ~RecordingManager() override;

    // Keeps the delegate alive as long as the manager (the session's adapter).
    void keepDelegate(std::shared_ptr<RecordingManagerDelegate> delegate) {
        ownedDelegate_ = std::move(delegate);
    }

    // ---- Starting ----
    // The size of a recording started from a tile (tilePixels empty when it has no view).
    QSize recordingSize(std::int64_t target, bool isSelf, QSize tilePixels) const;
    // Sizes the recording and starts it on the ".rec.start" queue.
    void setResolutionAndCallStartRec(const QString& userId, const QString& userName, const QString& savePath,
                                      std::int64_t fileType, std::int64_t target, bool isSelf,
                                      QSize tilePixels);
    // Starts one recording (every start ends here); false when refused.
    bool startRecording(const QString& userId, const QString& userName, const QString& savePath,
                        std::int64_t fileType, std::int64_t target, int width, int height, int autoRecMode,
                        const QString& roomName, int timerCountVal);

    // ---- Stopping ----
    void stopRecording(const QString& userId) override;
    void stopAllRecording() override;
    void stopRecordingFromMenu(std::int64_t tag);
    bool isRecordingUser(const QString& userId) const override;

    // ---- Feeds ----
    void onMyVideo(const QImage& image);
    void onOtherVideo(const QImage& image, const QString& userId);
    void onAudioRecoderSampleBuffer(const QByteArray& pcm, int rate, bool isMicOn) override;
    void onAudioPlayerSampleBuffer(const QByteArray& pcm, int rate, bool isSpkOn) override;
    void setCameraOffForRec(bool off) override;

    // ---- Automatic recording ----
    void startAutoSaveRecording(int mode, const QString& userId, const QString& userName,
                                const QString& roomName, int width, int height, int timerCountVal) override;
    std::optional<QString> createAutoSaveFilePath(const QString& roomName) const;
    static std::optional<QString> fileExistsAtPath(const QString& path);
    bool isMaxAutoRecOtherVideoCount() const;
    bool setAutoRecStartOtherVideoCount(int mode, bool isRecStart);
    bool isAutoRecStartSelfVideoForManyMtg() const override {
        return isAutoRecStartSelfVideoForManyMtg_.load();
    }
    void setIsAutoRecStartSelfVideoForManyMtg(bool started) override {
        isAutoRecStartSelfVideoForManyMtg_ = started;
    }

    // ---- State ----
    int getTimerCountVal() const override;
    std::vector<RecordingInfoRef> recordingArray() const;
    std::vector<int> recordingFileTypes() const override;
    bool isEnableTimeStamp() const { return isEnableTimeStamp_.load(); }
    void setIsEnableTimeStamp(bool on) { isEnableTimeStamp_ = on; }
    int autoRecStartOtherVideoCount() const;
    bool waitUntilFinished(std::chrono::milliseconds timeout) override;
    // Waits until the start, automatic-start, split and video queues are idle (tests).
    void drainQueues();

    // ---- FuncRecorderDelegate ----
    void onStopFromScreenCapture(std::int64_t target) override;
    void onStopTimer(FuncRecorder* recorder) override;
    void onDivideFile(FuncRecorder* recorder) override;
    void onRecoderError(const QString& error) override;

    // For recorders that are not FuncRecorders (tests): the same events by interface.
    void onStopTimerOf(RecordingRecorder* recorder);
    void onDivideFileOf(RecordingRecorder* recorder);

private:
    struct Notice;
    void emitNotices(std::vector<Notice>& notices);
    void giveUp(const RecordingInfoRef& info);
    void subtractAutoCount(int mode);
    void autoStart(int mode, const QString& userId, const QString& userName, const QString& roomName,
                   int width, int height, int timerCountVal, bool reserved);
    bool startRecordingImpl(const QString& userId, const QString& userName, const QString& savePath,
                            std::int64_t fileType, std::int64_t target, int width, int height,
                            int autoRecMode, const QString& roomName, int timerCountVal, bool reserved);
    void releaseReservation(bool reserved);
    void handleAppendResult(std::int64_t result, const RecordingInfoRef& info);
    void feedAudio(const QByteArray& pcm, int rate, bool on, bool mic);
    std::shared_ptr<DispatchQueue> newQueue(const char* label);
    QDateTime now() const;

    const bool isFreeRecCount_;
    std::atomic<bool> isEnableTimeStamp_;
    std::atomic<bool> isAutoRecStartSelfVideoForManyMtg_{false};
    const bool isRecDesktop_, isRecMp4_, isRecVideoOnly_;
    const int videoQuality_, aacKbps_, confFpsDesktop_, recDefaultFormat_, recDefaultType_,
        autoSaveDirPattern_;
    const QString autoSaveDir_;
    const std::optional<QString> specifyDir_;
    const QColor timeRecColorOfString_, timeRecColorOfBack_;
    const QString myUserId_;
    RecordingManagerDelegate* delegate_;
    std::shared_ptr<RecordingManagerDelegate> ownedDelegate_;
    RecordingEnvironment env_;

    mutable std::recursive_mutex lock_;
    std::vector<RecordingInfoRef> recordingArray_;
    int reservedStarts_ = 0;  // starts that passed the limit and are not yet in the list
    int autoRecStartOtherVideoCount_ = 0;
    std::vector<QString> stopProcessingUserArray_;
    std::vector<std::shared_ptr<RecordingRecorder>> finishing_;

    std::shared_ptr<DispatchQueue> myVideoQueue_, otherVideoQueue_;
    std::atomic<int> myVideoPending_{0}, otherVideoPending_{0};
    std::mutex queuesMutex_;
    std::vector<std::weak_ptr<DispatchQueue>> oneShotQueues_;
};
