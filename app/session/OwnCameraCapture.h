// The bridge's own camera on the machine's camera: the camera layer's capture
// object behind the bridge's camera interface. The conference window's camera
// view shows what `capture()` keeps.
#pragma once

#include "media/CameraCapture.h"
#include "session/BridgeCamera.h"

class OwnCameraCapture final : public BridgeCamera {
public:
    OwnCameraCapture() = default;

    bool init(VIDEO_INPUT_CALLBACK callback, void* userData, int devicePosition, int width, int height,
              int frameRate) override;
    void Term() override;
    bool Start() override;
    void Stop() override;
    bool IsPlaying() const override;
    void SetVideoSize(int width, int height) override;
    void SetFrameRate(int frameRate) override;
    void SetDevice(const QString& uniqueID) override;

    CameraCaptureSource* captureSource() override { return &capture_; }
    CameraCapture& capture() { return capture_; }

private:
    CameraCapture capture_;
};
