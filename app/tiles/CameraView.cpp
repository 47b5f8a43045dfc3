#include "tiles/CameraView.h"

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

void CameraView::refreshLayerImage() {
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
