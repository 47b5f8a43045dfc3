#pragma once

// The own camera: captures it, makes the picture the own video tile shows and
// hands every frame, at the size the room allows, to a frame callback (the
// bridge). A plain object without a widget: the camera view only displays the
// picture this object keeps (latest wins) on its own timer.
//
// Threads:
// - the capture session's thread processes one frame at a time: crop and scale
//   to the display picture, optional background blur or replacement, the
//   frame's pixels, then the hand-off queue and the display slot;
// - the hand-off queue (a serial queue) is the only caller of the frame
//   callback, in the order the frames were made, at most twice the frame rate;
//   the capture thread only queues a frame there and never waits for it;
// - one serial configuration queue runs size and rate changes, device switches
//   and starts from the main thread, in the order they were asked for.
// Each frame takes the size once when its processing begins and keeps it to the
// end, so a size change never mixes sizes within a frame. Nothing here ever waits
// for the main thread.

#include <QImage>
#include <QString>
#include <QVector>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "media/CameraCaptureSource.h"
#include "platform/CaptureDevice.h"
#include "platform/CaptureSession.h"

class DispatchQueue;
class ImageEditer;

// Frame callback: width x height pixels of 3 bytes (blue, green, red), bottom row
// first, without row padding, in a buffer of width x height x 4 bytes; the size
// argument is always 32. The buffer is only lent for the call.
using VIDEO_INPUT_CALLBACK = void (*)(uint8_t* pixels, int size, int width, int height, void* user);

// Background modes.
enum { CAMERA_BG_MODE_NONE = 0, CAMERA_BG_MODE_BLUR = 1, CAMERA_BG_MODE_CUSTOM = 2 };

// One frame on its way through the hand-off queue. The pixels follow the
// record in the same allocation (malloc), so freeing the record frees them too.
struct CAMERA_FRAME_BUFFER {
    uint8_t* data;
    uint32_t size;  // always 32
    uint32_t width;
    uint32_t height;
    void* user;
};

class CameraCapture : public CameraCaptureSource {
public:
    // Where devices and sessions come from, and the wall clock (seconds since
    // 1970) that paces the hand-off. Tests put fakes here.
    struct Backend {
        std::function<QVector<CaptureDevice>()> devices;
        std::function<std::unique_ptr<CaptureSession>()> makeSession;
        std::function<double()> wallClock;
    };

    // The machine's cameras, Video4Linux sessions and the system clock.
    CameraCapture();
    CameraCapture(Backend backend, std::unique_ptr<ImageEditer> editer);
    ~CameraCapture() override;
    CameraCapture(const CameraCapture&) = delete;
    CameraCapture& operator=(const CameraCapture&) = delete;

    // Sets up the capture (not started): true when a camera input is ready. The
    // user name is not used.
    bool init(VIDEO_INPUT_CALLBACK callback, void* userData, int devicePosition, const QString& userName,
              int width, int height, int frameRate);
    // Stops and releases the session and forgets the callback; returns after a
    // callback in progress has returned. Frames still queued are dropped; the
    // hand-off queue stays for the next set-up.
    void Term();
    // False without a session. From the main thread the start runs on the
    // configuration queue; from any other thread before this returns.
    bool Start();
    void Stop();
    bool IsPlaying() const;
    bool IsExistCamera() const;
    int GetFrameRate() const;
    QSize GetVideoSize() const;
    // Both run on the configuration queue.
    void SetVideoSize(int width, int height);
    void SetFrameRate(int fps);
    // Switches to another camera (its unique id) on the configuration queue and
    // stores it under "KeySelectedDeviceID".
    void SetDevice(const QString& uniqueID);
    // Waits until everything queued for configuration so far has run.
    void flushConfiguration();

    void recMyVideo(bool on) override;
    bool startedRecord() const { return startedRecord_; }
    void setBgMode(int mode, const QImage& customImg) override;
    bool isNeedPersonSegment() const { return isNeedPersonSegment_; }
    bool isBlurCustom() const { return isBlurCustom_; }
    // Off: no frame is processed and the display shows the image on black.
    void SetCameraOffImg(bool off, const QImage& image);
    CapturePreset sessionPreset() const;

    // The picture the own tile shows (latest wins) and a number that grows
    // with every new picture, so a view repaints only what changed.
    QImage displayPicture(uint64_t* serial = nullptr) const override;
    // Called on the capture thread with each processed picture while the own
    // video is being recorded.
    void setMyVideoHandler(std::function<void(const QImage&)> handler) override;

    // One captured frame (the session's handler).
    void captureOutput(const CaptureFrame& frame);
    // One frame leaving the hand-off queue (paced, then to the callback); frees the record.
    void OnBufferCameraCaptureOutput(CAMERA_FRAME_BUFFER* record, int length);

private:
    struct Size {
        int width, height;
    };
    bool buildSession(const QString& uniqueID, QString* error);
    // Queues a frame for the callback; the queue owns it from here on.
    void queueForHandOff(CAMERA_FRAME_BUFFER* record);
    // Drops every frame queued so far (frees each as its turn comes).
    void clearHandOff();
    // Paces the frame and calls the callback, unless it was queued before the
    // last clear; the record stays with the caller.
    void handOver(const CAMERA_FRAME_BUFFER& record, uint64_t generation);
    void setDisplay(const QImage& picture);
    Size size() const;

    Backend backend_;
    std::unique_ptr<ImageEditer> editer_;
    std::shared_ptr<DispatchQueue> configQueue_;
    std::shared_ptr<DispatchQueue> handOff_;
    std::atomic<uint64_t> handOffGeneration_{0};  // a frame queued under an older one is dropped

    mutable std::mutex sessionMutex_;  // the session pointer (configuration side)
    std::unique_ptr<CaptureSession> session_;

    std::mutex callbackMutex_;  // held while the callback runs, so Term can wait for it
    std::atomic<VIDEO_INPUT_CALLBACK> mCallbackFunc_{nullptr};
    std::atomic<void*> mpUserData_{nullptr};

    mutable std::mutex sizeMutex_;
    Size size_{320, 240};
    std::atomic<int> miVideoFrameRate_{5};
    std::atomic<bool> mbCameraOff_{false};
    std::atomic<bool> startedRecord_{false};
    std::atomic<bool> isNeedPersonSegment_{false};
    std::atomic<bool> isBlurCustom_{false};
    QImage mCustomImg_;  // guarded by sizeMutex_

    double lastPass_ = 0;  // hand-off queue only

    mutable std::mutex displayMutex_;
    QImage display_;
    uint64_t displaySerial_ = 0;
    std::function<void(const QImage&)> myVideoHandler_;
};
