// What the recording manager needs of one recorder (FuncRecorder writes the
// real files; the manager's tests use fakes).
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <chrono>
#include <cstdint>

class FuncRecorderDelegate;
struct AudioSample;

class RecordingRecorder {
public:
    virtual ~RecordingRecorder() = default;
    virtual void setDelegate(FuncRecorderDelegate* delegate) = 0;
    virtual std::int64_t recordMic(const AudioSample& sample) = 0;
    virtual std::int64_t recordSpk(const AudioSample& sample) = 0;
    virtual std::int64_t onMyVideo(const QImage& image) = 0;
    virtual std::int64_t onOtherVideo(const QImage& image) = 0;
    virtual void setCameraOffForRec(bool off) = 0;
    virtual void stop() = 0;
    virtual bool waitUntilFinished(std::chrono::milliseconds timeout) = 0;
    virtual void setIsStopProcessing(bool stopping) = 0;
    virtual QString filePath() const = 0;
    virtual int timerCountVal() const = 0;
    virtual QDateTime recStartTime() const = 0;
};
