// One running recording: whose, with which recorder, its size, automatic
// mode, room, file type and target. Made once and only read afterwards.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "recording/RecordingRecorder.h"

class RecordingInfo {
public:
    RecordingInfo(QString userId, QString userName, std::shared_ptr<RecordingRecorder> recorder, int width,
                  int height, int autoRecMode, QString roomName, std::int64_t fileType,
                  std::int64_t targetType)
        : width_(width),
          height_(height),
          autoRecMode_(autoRecMode),
          userId_(std::move(userId)),
          userName_(std::move(userName)),
          recorder_(std::move(recorder)),
          roomName_(std::move(roomName)),
          fileType_(fileType),
          targetType_(targetType) {}

    int width() const { return width_; }
    int height() const { return height_; }
    int autoRecMode() const { return autoRecMode_; }
    const QString& userId() const { return userId_; }
    const QString& userName() const { return userName_; }
    const std::shared_ptr<RecordingRecorder>& recorder() const { return recorder_; }
    const QString& roomName() const { return roomName_; }
    std::int64_t fileType() const { return fileType_; }
    std::int64_t targetType() const { return targetType_; }

private:
    int width_, height_, autoRecMode_;
    QString userId_, userName_;
    std::shared_ptr<RecordingRecorder> recorder_;
    QString roomName_;
    std::int64_t fileType_, targetType_;
};

using RecordingInfoRef = std::shared_ptr<RecordingInfo>;
