// One recording file: an H.264 video track and two mono AAC tracks, "mic"
// (the captured microphone) and "spk" (what the user hears), written with
// FFmpeg. The file is created at the first sample of a starting entry and
// finished by stop(). Appends run under the recorder's lock on the callers'
// threads and only hand the sample to the recorder's writer thread, which
// converts, encodes and writes; a full writer queue drops the sample.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "recording/RecordingRecorder.h"
#include "recording/RecordingRules.h"
#include "recording/RecordingScreenCapture.h"

class DispatchQueue;
class FuncRecorder;

class FuncRecorderDelegate {
public:
    virtual ~FuncRecorderDelegate() = default;
    // A screen frame cannot be written (1 conference window, 2 desktop).
    virtual void onStopFromScreenCapture(std::int64_t target) = 0;
    // The time limit was reached, or the camera-off still image cannot be written.
    virtual void onStopTimer(FuncRecorder* recorder) = 0;
    // The file reached its split size; called on the appending thread under the recorder's lock.
    virtual void onDivideFile(FuncRecorder* recorder) = 0;
    // Finishing the file failed.
    virtual void onRecoderError(const QString& error) = 0;
};

// The host clock in nanoseconds (CLOCK_MONOTONIC unless a test injects one).
using RecordingClock = std::function<std::int64_t()>;
std::int64_t monotonicNanoseconds();

struct RecorderParams {
    QString filePath;
    std::int64_t fileType = Rec::REC_FILE_TYPE_MOV;
    std::int64_t targetType = Rec::REC_TARGET_SELF;  // 0, 1 or 2
    int width = 640;
    int height = 480;
    int videoQuality = 10;
    int aacKbps = 96;
    bool isEnableTimeStamp = false;
    QColor timeRecColorOfString = Qt::white;
    QColor timeRecColorOfBack = Qt::black;
    int timerCountVal = 10800;
};

// One audio buffer: 16-bit mono PCM at `rate`, stamped with the host clock.
struct AudioSample {
    QByteArray pcm;
    int rate = 0;
    std::int64_t ptsNs = 0;
};

// One video frame stamped with the host clock.
struct VideoSample {
    QImage image;
    std::int64_t ptsNs = 0;
};

class FuncRecorder : public RecordingRecorder,
                     public RecordingScreenConsumer,
                     public std::enable_shared_from_this<FuncRecorder> {
public:
    static std::shared_ptr<FuncRecorder> create(const RecorderParams& params, RecordingClock clock = {},
                                                RecordingScreenCapture* screen = nullptr);
    ~FuncRecorder() override;
    FuncRecorder(const FuncRecorder&) = delete;
    FuncRecorder& operator=(const FuncRecorder&) = delete;

    void setDelegate(FuncRecorderDelegate* delegate) override { delegate_.store(delegate); }

    // Appends, answering a REC_APPEND_* result.
    std::int64_t recordMic(const AudioSample& sample) override;
    std::int64_t recordSpk(const AudioSample& sample) override;
    std::int64_t recordVideo(const VideoSample& sample);

    // Image frames: scaled to at most 1920 wide, the overlay drawn, stamped now.
    std::int64_t onMyVideo(const QImage& image) override;
    std::int64_t onOtherVideo(const QImage& image) override;
    std::int64_t onMyCameraOff(const QImage& image);
    // The own camera went off (true) or on again during an own-video recording.
    void setCameraOffForRec(bool off) override;
    // The still image shown while the camera is off (tests and the resources set it).
    void setCameraOffImage(const QImage& image);

    // RecordingScreenConsumer
    void onScreen(int width, int height, int bytesPerRow, const std::uint8_t* pixels) override;
    void onScreenApp(const QImage& image) override;

    // Finishes the file on the writer thread; later appends answer REC_APPEND_STOPPED.
    void stop() override;
    // Waits until the file is finished (or was never started).
    bool waitUntilFinished(std::chrono::milliseconds timeout) override;

    // Whether an append of this kind would be taken now (the writer queue has room).
    bool isReadyForMoreVideo() const;
    bool isReadyForMoreAudio() const;

    QString filePath() const override { return params_.filePath; }
    std::int64_t fileType() const { return params_.fileType; }
    std::int64_t targetType() const { return params_.targetType; }
    int timerCountVal() const override { return params_.timerCountVal; }
    QDateTime recStartTime() const override;
    bool isStopProcessing() const { return isStopProcessing_.load(); }
    void setIsStopProcessing(bool stopping) override { isStopProcessing_.store(stopping); }
    bool isRec() const { return isRec_.load(); }
    std::int64_t divideValueMb() const { return divideValue_.load(); }
    bool isDivide() const { return isDivide_.load(); }

    // A frame wider than 1920 pixels scaled uniformly to 1920.
    static QImage scaledForRecording(const QImage& image);

private:
    enum class Status { Unknown, Writing, Failed, Completed };
    enum class Entry { Mic, Spk, Video };
    struct Item;
    struct Writer;

    FuncRecorder(const RecorderParams& params, RecordingClock clock, RecordingScreenCapture* screen);
    void attachScreen();
    std::int64_t append(Entry entry, const AudioSample* audio, const VideoSample* video);
    std::int64_t failureResult() const;
    bool startWriting(std::int64_t firstPtsNs);
    void preparationRec();
    bool isDivideFile();
    std::int64_t imageFrame(const QImage& image);
    void writeCameraOffImage();
    void armTimeLimit();
    void writerLoop();

    RecorderParams params_;
    RecordingClock clock_;
    RecordingScreenCapture* screen_ = nullptr;
    std::atomic<FuncRecorderDelegate*> delegate_{nullptr};

    std::recursive_mutex lock_;
    std::atomic<bool> isRec_{false};
    std::atomic<bool> isStopProcessing_{false};
    std::atomic<Status> status_{Status::Unknown};
    std::atomic<bool> isDivide_{true};
    std::atomic<std::int64_t> divideValue_{1024};
    std::atomic<bool> screenModeEnded_{false};

    mutable std::mutex startTimeMutex_;
    QDateTime recStartTime_;

    // Camera-off still image and its 1-second repeat.
    std::mutex cameraOffMutex_;
    QImage cameraOffImage_;
    bool cameraOff_ = false;
    std::shared_ptr<std::atomic<bool>> cameraOffTimer_;
    std::shared_ptr<std::atomic<bool>> recTimer_;

    std::shared_ptr<DispatchQueue> onScreenQueue_;
    std::shared_ptr<DispatchQueue> onAppScreenQueue_;

    // The writer thread and its bounded queue.
    std::unique_ptr<Writer> writer_;
    mutable std::mutex queueMutex_;
    std::condition_variable queueCond_;
    std::deque<Item> queue_;
    int queuedVideo_ = 0;
    int queuedAudio_ = 0;
    bool finishRequested_ = false;
    bool finished_ = true;
    std::condition_variable finishedCond_;
};
