#pragma once

// A capture session that the test feeds by hand: deliver() calls the frame
// handler on the calling thread, as the capture thread would.

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/CaptureSession.h"

class FakeCaptureSession final : public CaptureSession {
public:
    // What the fake answers to addInput for a device id ("" accepts all).
    QString refuse;

    bool addInput(const QString& uniqueID, QString* error) override {
        if (!refuse.isEmpty() && uniqueID == refuse) {
            *error = QStringLiteral("the camera refused a 24-bit picture format");
            return false;
        }
        std::lock_guard lock(mutex_);
        input_ = uniqueID;
        inputs.push_back(uniqueID);
        return true;
    }
    void removeInputs() override {
        stopRunning();
        std::lock_guard lock(mutex_);
        input_.clear();
    }
    bool hasInput() const override {
        std::lock_guard lock(mutex_);
        return !input_.isEmpty();
    }
    void setFrameHandler(FrameHandler handler) override { frameHandler_ = std::move(handler); }
    void setErrorHandler(ErrorHandler handler) override { errorHandler_ = std::move(handler); }
    void beginConfiguration() override { ++configurations; }
    void commitConfiguration() override {}
    void setPreset(CapturePreset preset) override { preset_ = preset; }
    CapturePreset preset() const override { return preset_; }
    void startRunning() override {
        if (hasInput()) running_ = true;
    }
    void stopRunning() override {
        // Like the real session: returns once a frame in the handler is done.
        running_ = false;
        std::lock_guard lock(deliverMutex_);
    }
    bool isRunning() const override { return running_; }

    // A frame from the camera; dropped unless running, as a stopped session delivers nothing.
    bool deliver(const CaptureFrame& frame) {
        std::lock_guard lock(deliverMutex_);
        if (!running_ || !frameHandler_) return false;
        frameHandler_(frame);
        return true;
    }
    void fail(const QString& why) {
        running_ = false;
        if (errorHandler_) errorHandler_(why);
    }
    QString input() const {
        std::lock_guard lock(mutex_);
        return input_;
    }

    std::vector<QString> inputs;
    std::atomic<int> configurations{0};

private:
    mutable std::mutex mutex_;
    std::mutex deliverMutex_;
    QString input_;
    std::atomic<bool> running_{false};
    std::atomic<CapturePreset> preset_{CapturePreset::Low};
    FrameHandler frameHandler_;
    ErrorHandler errorHandler_;
};
