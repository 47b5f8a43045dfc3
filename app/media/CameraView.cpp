#include "media/CameraView.h"

CameraView::CameraView(const QRectF& frame, QWidget* parent) : VideoView(frame, parent) {
    setObjectName(QStringLiteral("cameraView"));
    setShowMic(true);
    setShowSpeaker(true);
    setShowCamera(true);
    setShowRecord(true);
    setStartedRecord(false);
}

CameraView::~CameraView() {
    setCapture(nullptr);
}

void CameraView::setCapture(CameraCaptureSource* capture) {
    if (capture_ != nullptr) {
        capture_->setMyVideoHandler(nullptr);
    }
    capture_ = capture;
    captureSerial_ = 0;
    if (capture_ != nullptr) {
        capture_->setMyVideoHandler([this](const QImage& picture) { onMyVideo(picture); });
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
