#include "tiles/CameraView.h"

#include "platform/MainBundle.h"

CameraView::CameraView(const QRectF& frame, QWidget* parent) : VideoView(frame, parent) {
    setObjectName(QStringLiteral("cameraView"));
    setShowMic(true);
    setShowSpeaker(true);
    setShowCamera(true);
    setShowRecord(true);
    setStartedRecord(false);
}

CameraView::~CameraView() {
    detach();
}

void CameraView::detach() {
    if (capture_ != nullptr) {
        capture_->setMyVideoHandler(nullptr);
    }
    if (gate_ != nullptr) {
        const std::lock_guard<std::mutex> lock(gate_->mutex);
        gate_->view = nullptr;
    }
    gate_.reset();
    capture_ = nullptr;
}

void CameraView::setCapture(CameraCaptureSource* capture) {
    detach();
    capture_ = capture;
    captureSerial_ = 0;
    if (capture_ != nullptr) {
        gate_ = std::make_shared<Gate>();
        gate_->view = this;
        capture_->setMyVideoHandler([gate = gate_](const QImage& picture) {
            const std::lock_guard<std::mutex> lock(gate->mutex);
            if (gate->view != nullptr) {
                gate->view->onMyVideo(picture);
            }
        });
    }
}

void CameraView::recMyVideo(bool on) {
    if (capture_ != nullptr) {
        capture_->recMyVideo(on);
    }
    setStartedRecord(on);
}

void CameraView::setBgMode(int mode, const QImage& customImg) {
    if (capture_ != nullptr) {
        capture_->setBgMode(mode, customImg);
    }
}

const QImage& CameraView::cameraOffPicture() {
    static const QImage picture = [] {
        const auto path =
            MainBundle::pathForResource(QStringLiteral("video_image_camera_off"), QStringLiteral("bmp"));
        return path ? QImage(*path).convertToFormat(QImage::Format_ARGB32) : QImage();
    }();
    return picture;
}

void CameraView::changeCameraStatus(bool on) {
    changeOptionStatus(VIDEO_OPTION_CAMERA, on);
    if (cameraOff_ == !on) return;
    cameraOff_ = !on;
    cameraOffShown_ = false;
    // The camera's next picture is shown, not one it kept from before.
    if (on && capture_ != nullptr) capture_->displayPicture(&captureSerial_);
    refreshLayerImage();
}

void CameraView::refreshLayerImage() {
    if (cameraOff_) {
        if (!cameraOffShown_) {
            cameraOffShown_ = true;
            showPicture(cameraOffPicture());
        }
        return;
    }
    if (capture_ != nullptr) {
        uint64_t serial = 0;
        QImage picture = capture_->displayPicture(&serial);
        if (serial != captureSerial_) {
            captureSerial_ = serial;
            showPicture(picture);
            return;
        }
    }
    VideoView::refreshLayerImage();
}
