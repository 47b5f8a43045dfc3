// The own camera as the bridge drives it: a capture object (no widget) that
// hands every processed frame to a plain function; the camera view only shows
// what it captures. The bridge creates the capture at each login on the main
// thread and tears it down at a failed login, a logout and a termination.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "media/CameraCapture.h"  // VIDEO_INPUT_CALLBACK

class BridgeCamera {
public:
    virtual ~BridgeCamera() = default;
    // Sets up capture for a device position with the frame size and rate;
    // true when a camera is ready.
    virtual bool init(VIDEO_INPUT_CALLBACK callback, void* userData, int devicePosition, int width, int height,
                      int frameRate) = 0;
    // Tears the capture down (the object stays).
    virtual void Term() = 0;
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
    virtual void SetVideoSize(int width, int height) = 0;
    virtual void SetFrameRate(int frameRate) = 0;
    // Switches to the capture device of that unique id.
    virtual void SetDevice(const QString& /*uniqueID*/) {}
    // What the own tile shows of this camera, when it keeps a picture.
    virtual CameraCaptureSource* captureSource() { return nullptr; }
};

// Size and rate of the own camera for a camera direction.
struct BridgeCameraFormat {
    int width = 320;
    int height = 240;
    int frameRate = 5;
};
