#pragma once

// Capture of the primary screen for every consumer at once: application
// sharing (the whole screen, or only the visible windows of one process) and
// local recording (the whole screen, or only this application's windows). The
// capture runs while at least one consumer is registered; one picture feeds
// them all. Pictures come from a `ScreenInput` (`X11ScreenInput` unless a test
// sets another factory) at its rate; every second one is processed, and late
// ones are skipped.
//
// Frames reach the delegates on the recorder's capture thread; their memory is
// lent for the call only. Delegates are set and cleared from any thread; after
// a setter returns the previous delegate is not being called any more.

#include <QImage>
#include <QRectF>
#include <QSize>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ScreenInput.h"

class ScreenRecorderDelegate {
public:
    virtual ~ScreenRecorderDelegate() = default;
    // One frame for application sharing: 4 bytes per pixel (blue, green, red,
    // alpha), rows of exactly `screenSize.width()` pixels without padding.
    // `appRect` is the shared area in pixels.
    virtual void onCaptureBitmap(const uint8_t* pixels, QSize screenSize, QRectF appRect) = 0;
    // The shared application's area (pixels) changed.
    virtual void onChangeAppRect(QRectF appRect) = 0;
    // `ScreenRecorder::kErrorNoWindow`: the shared process has had no visible
    // window for more than 15 processed frames; repeated on every further one.
    virtual void onError(int code) = 0;
};

// Both operations are optional.
class ScreenRecorderRecordingDelegate {
public:
    virtual ~ScreenRecorderRecordingDelegate() = default;
    // One desktop picture as captured (rows `bytesPerRow` apart).
    virtual void onScreen(const uint8_t* baseAddress, int width, int height, int bytesPerRow) {
        (void)baseAddress, (void)width, (void)height, (void)bytesPerRow;
    }
    // This application's windows on a blank screen: 32-bit pixels (blue, green,
    // red, alpha in memory), width rounded up to a multiple of 16.
    virtual void onScreenApp(const QImage& image) { (void)image; }
};

class ScreenRecorder {
public:
    static constexpr int kErrorNoWindow = 3;
    static constexpr int kErrorNotSetUp = 6;
    // Processed frames in a row without a window before the error is reported.
    static constexpr int kNoWindowFrames = 16;

    enum Status { NotSetUp = 0, Stopped = 1, Running = 2 };

    // Set up on the input (the screen at this moment); with `ownClock` false
    // nothing delivers pictures but `frameArrived` (tests).
    explicit ScreenRecorder(std::unique_ptr<ScreenInput> input, bool ownClock = true);
    ~ScreenRecorder();
    ScreenRecorder(const ScreenRecorder&) = delete;
    ScreenRecorder& operator=(const ScreenRecorder&) = delete;

    // The process-wide recorder, made on first use (and after `terminate`).
    static std::shared_ptr<ScreenRecorder> sharedInstance();
    // Releases the shared recorder when no consumer is registered.
    static void terminate();
    using InputFactory = std::function<std::unique_ptr<ScreenInput>()>;
    // The input of the next shared recorder; an empty factory restores X11.
    static void setInputFactory(InputFactory factory);
    // Whether the screen can be captured at all (an X display is reachable).
    static bool isCaptureAvailable();

    // 0, or kErrorNotSetUp when the screen could not be set up.
    int startModeAPDesktop();
    int startModeAPApp(std::int64_t pid);
    int startModeRecordingDesktop();
    int startModeRecordingApp();
    void stopModeAPDesktop();
    void stopModeAPApp();
    void stopModeRecordingDesktop();
    void stopModeRecordingApp();
    // Stops the capture when no consumer is left.
    void stopRecording();

    int status() const { return status_.load(); }
    bool isModeAPDesktop() const { return modeAPDesktop_.load(); }
    bool isModeAPApp() const { return modeAPApp_.load(); }
    bool isModeRecordingDesktop() const { return modeRecordingDesktop_.load(); }
    bool isModeRecordingApp() const { return modeRecordingApp_.load(); }
    std::int64_t applicationPid() const { return applicationPid_.load(); }

    ScreenRecorderDelegate* delegate() const;
    void setDelegate(ScreenRecorderDelegate* delegate);
    ScreenRecorderRecordingDelegate* recordingDelegate() const;
    void setRecordingDelegate(ScreenRecorderRecordingDelegate* delegate);

    // One picture from the input (the capture thread calls it at the input's rate).
    void frameArrived();

private:
    int startConsumer(std::atomic<bool>& flag, bool application);
    void processApplication(const ScreenImage& image, float scale, std::int64_t pid, bool sharing);
    void drawVisible(const ScreenImage& image, float scale, std::int64_t pid, uint8_t* out,
                     int outBytesPerRow);
    bool anyConsumer() const;
    void clockLoop();

    std::unique_ptr<ScreenInput> input_;
    QRect points_;

    std::atomic<int> status_{NotSetUp};
    std::atomic<bool> modeAPDesktop_{false}, modeAPApp_{false}, modeRecordingDesktop_{false},
        modeRecordingApp_{false};
    std::atomic<std::int64_t> applicationPid_{-1};

    // Frame work, the state it keeps and the delegate calls.
    mutable std::recursive_mutex mutex_;
    ScreenRecorderDelegate* delegate_ = nullptr;
    ScreenRecorderRecordingDelegate* recordingDelegate_ = nullptr;
    QRectF appRect_;
    bool appRectNull_ = true;
    int zeroRectCounter_ = 0;
    std::int32_t counter_ = 0;
    std::vector<uint8_t> packed_;  // the desktop frame when the input pads its rows
    std::vector<uint8_t> appFrame_;

    // The clock that delivers pictures while the capture runs.
    std::mutex clockMutex_;
    std::condition_variable clockWake_;
    bool clockRunning_ = false;
    bool clockQuit_ = false;
    std::thread clock_;
};
