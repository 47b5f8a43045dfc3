// The screen capture that feeds desktop and conference-window recordings.
// The sharing subsystem owns the real capture; a recorder only switches its
// recording modes and receives its frames.
#pragma once

#include <QImage>
#include <cstdint>

class RecordingScreenConsumer {
public:
    virtual ~RecordingScreenConsumer() = default;
    // A desktop frame: 32-bit BGRA pixels, valid only during the call.
    virtual void onScreen(int width, int height, int bytesPerRow, const std::uint8_t* pixels) = 0;
    // An image of the conference window.
    virtual void onScreenApp(const QImage& image) = 0;
};

class RecordingScreenCapture {
public:
    virtual ~RecordingScreenCapture() = default;
    virtual void setRecordingDelegate(RecordingScreenConsumer* consumer) = 0;
    virtual void startModeRecordingDesktop() = 0;
    virtual void startModeRecordingApp() = 0;
    virtual void stopModeRecordingDesktop() = 0;
    virtual void stopModeRecordingApp() = 0;
    virtual void terminate() = 0;
};
