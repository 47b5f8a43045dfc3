#pragma once

// The own video tile: a VideoView that shows the own camera's picture and
// offers all four option buttons. The capture itself is a separate object; the
// view takes its latest picture on the tile's paint timer (only when a new one
// arrived) and forwards the pictures it records to the tile's delegate.

#include <memory>
#include <mutex>

#include "media/CameraCaptureSource.h"
#include "tiles/VideoView.h"

class CameraView : public VideoView {
    Q_OBJECT

public:
    explicit CameraView(const QRectF& frame, QWidget* parent = nullptr);
    ~CameraView() override;

    // Held weakly: whoever owns the capture sets none here before destroying it.
    void setCapture(CameraCaptureSource* capture);
    CameraCaptureSource* capture() const { return capture_; }

    // Starts or stops handing the own pictures to the recording; any thread.
    void recMyVideo(bool on);
    // 0 none, 1 blur, 2 custom picture (a null picture leaves the mode as it is).
    void setBgMode(int mode, const QImage& customImg);
    // The camera option's look, and the picture: the camera's while it is on,
    // the camera-off picture while it is off (main thread).
    void changeCameraStatus(bool on);
    bool isCameraOff() const { return cameraOff_; }
    // The picture shown while the camera is off.
    static const QImage& cameraOffPicture();

    void refreshLayerImage() override;

private:
    // The capture may still be calling a handler it was given after it was
    // told to forget it; the gate lets such a late call reach no view. A call
    // in progress holds the gate, so detaching waits for it.
    struct Gate {
        std::mutex mutex;
        CameraView* view = nullptr;
    };
    void detach();

    std::shared_ptr<Gate> gate_;
    CameraCaptureSource* capture_ = nullptr;
    uint64_t captureSerial_ = 0;
    bool cameraOff_ = false;
    bool cameraOffShown_ = false;
};
