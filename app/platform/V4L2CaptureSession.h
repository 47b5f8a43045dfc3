#pragma once

// The capture session on Video4Linux through libv4l2, which converts whatever
// the camera delivers (YUYV, MJPEG, ...) into packed blue, green, red bytes.
// The capture thread waits for the device and a stop signal, takes the newest
// filled buffer (older ones go straight back to the driver), checks that it
// holds a whole frame, widens it to 32-bit pixels and calls the handler.
//
// The preset asks the driver for 640 x 480 (Low) or 1280 x 720 (Medium); the
// driver answers with the nearest size it has, which is the size delivered.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/CaptureSession.h"
#include "platform/V4L2Device.h"

class V4L2CaptureSession final : public CaptureSession {
public:
    V4L2CaptureSession();
    // A session on another driver (tests script one).
    explicit V4L2CaptureSession(std::unique_ptr<V4L2Device> device);
    ~V4L2CaptureSession() override;

    bool addInput(const QString& uniqueID, QString* error) override;
    void removeInputs() override;
    bool hasInput() const override;
    void setFrameHandler(FrameHandler handler) override;
    void setErrorHandler(ErrorHandler handler) override;
    void beginConfiguration() override;
    void commitConfiguration() override;
    void setPreset(CapturePreset preset) override;
    CapturePreset preset() const override;
    void startRunning() override;
    void stopRunning() override;
    bool isRunning() const override;

    // The size the driver agreed to (0 x 0 without input).
    int width() const { return width_; }
    int height() const { return height_; }

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };

    bool applyFormat(QString* error);
    bool startStreaming(QString* error);
    void stopStreaming();
    void closeDevice();
    void captureLoop();
    // Takes the newest filled buffer; -1 when none, -2 when the device failed.
    int dequeueNewest();
    void deliver(int index);
    // The driver call, repeated while a signal interrupts it.
    int xioctl(unsigned long request, void* arg);
    void requeue(uint32_t index);

    std::unique_ptr<V4L2Device> device_;
    mutable std::mutex mutex_;  // guards the configuration against concurrent calls
    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd: written to stop the capture thread
    int width_ = 0, height_ = 0, bytesPerLine_ = 0;
    uint32_t sizeImage_ = 0;
    CapturePreset preset_ = CapturePreset::Low;
    bool configuring_ = false;
    bool formatPending_ = false;
    std::vector<Buffer> buffers_;
    std::vector<uint8_t> frame_;  // 32-bit pixels handed to the handler
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> lost_{false};  // the device failed while capturing
    FrameHandler frameHandler_;
    ErrorHandler errorHandler_;
};
