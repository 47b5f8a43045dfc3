#include "media/CameraCapture.h"

#include <QDateTime>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "media/ImageEditer.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"
#include "video/PictureConverter.h"

namespace {

constexpr int kLogErr = 0;
constexpr int kLogInf = 2;
const QString kKeySelectedDeviceID = QStringLiteral("KeySelectedDeviceID");

// Pixel format codes of the picture converter.
constexpr int kFormatBGR = 1;
constexpr int kFormatBGRA = 3;

void logLine(const QString& text, int level) {
    LogFileManager::write(text, level, false);
}

}  // namespace

CameraCapture::CameraCapture()
    : CameraCapture(
          Backend{[] { return QuorixUtils::getCameraDevices(); }, [] { return CaptureSession::create(); },
                  [] { return QDateTime::currentMSecsSinceEpoch() / 1000.0; }},
          std::make_unique<ImageEditer>()) {}

CameraCapture::CameraCapture(Backend backend, std::unique_ptr<ImageEditer> editer)
    : backend_(std::move(backend)),
      editer_(std::move(editer)),
      configQueue_(DispatchQueue::createSerial("camera_configuration")),
      handOff_(DispatchQueue::createSerial("camera_hand_off")) {}

CameraCapture::~CameraCapture() {
    configQueue_->sync([this] {
        std::lock_guard lock(sessionMutex_);
        if (session_) session_->removeInputs();
        session_.reset();
    });
    // A delivery in progress finishes; what is still queued is freed undelivered.
    clearHandOff();
    handOff_->sync([] {});
    handOff_.reset();
}

CameraCapture::Size CameraCapture::size() const {
    std::lock_guard lock(sizeMutex_);
    return size_;
}

bool CameraCapture::buildSession(const QString& uniqueID, QString* error) {
    std::unique_ptr<CaptureSession> session = backend_.makeSession();
    if (!session) {
        *error = QStringLiteral("no capture session");
        return false;
    }
    session->setFrameHandler([this](const CaptureFrame& frame) { captureOutput(frame); });
    session->setErrorHandler([this](const QString& description) {
        // The camera went away while capturing: the session is left without input.
        logLine(StringWithFormat(kLogMsgCameraCreateErr, description), kLogErr);
        configQueue_->async([this] {
            std::lock_guard lock(sessionMutex_);
            if (session_) session_->removeInputs();
        });
    });
    if (!session->addInput(uniqueID, error)) return false;
    std::lock_guard lock(sessionMutex_);
    session_ = std::move(session);
    return true;
}

bool CameraCapture::init(VIDEO_INPUT_CALLBACK callback, void* userData, int devicePosition, const QString&,
                         int width, int height, int frameRate) {
    {
        std::lock_guard lock(callbackMutex_);
        mCallbackFunc_ = callback;
        mpUserData_ = userData;
    }
    const QVector<CaptureDevice> devices = backend_.devices();
    std::optional<CaptureDevice> device;
    if (!devices.isEmpty()) device = devices.first();  // the system's default camera
    const QString saved = UserDefaults::standard().stringForKey(kKeySelectedDeviceID).value_or(QString());
    if (!saved.isEmpty()) {
        for (const CaptureDevice& d : devices) {
            if (d.uniqueID != saved) continue;
            device = d;
            logLine(StringWithFormat(kLogMsgCameraSetting, d.localizedName, width, height, frameRate),
                    kLogInf);
            break;
        }
    }
    if (!device) {
        {
            std::lock_guard lock(sizeMutex_);
            size_ = {width, height};
        }
        miVideoFrameRate_ = frameRate;
        logLine(QString::fromUtf8(kLogMsgCameraNoDevice), kLogErr);
        return false;
    }
    // A camera at the requested position is preferred to both.
    for (const CaptureDevice& d : backend_.devices()) {
        if (d.position != 0 && d.position == devicePosition) {
            device = d;
            break;
        }
    }
    bool built = false;
    configQueue_->sync([&] {
        {
            std::lock_guard lock(sessionMutex_);
            if (session_) session_->removeInputs();
            session_.reset();
        }
        QString error;
        built = buildSession(device->uniqueID, &error);
    });
    if (!built) {
        logLine(QString::fromUtf8(kLogMsgCameraNoDevice), kLogErr);
        logLine(QStringLiteral("AVCaptureDeviceInput Failure."), kLogErr);
        return false;
    }
    SetVideoSize(width, height);
    SetFrameRate(frameRate);
    return true;
}

void CameraCapture::Term() {
    Stop();
    configQueue_->sync([this] {
        {
            std::lock_guard lock(sessionMutex_);
            if (!session_) return;
            session_->removeInputs();
            session_.reset();
        }
        // No new call starts from here; the lock waits for one in progress.
        mCallbackFunc_ = nullptr;
        std::lock_guard callbackLock(callbackMutex_);
        mpUserData_ = nullptr;
    });
    // Frames made for the old callback never reach a later one.
    clearHandOff();
}

bool CameraCapture::Start() {
    if (!IsExistCamera()) return false;
    auto start = [this] {
        std::lock_guard lock(sessionMutex_);
        if (session_) session_->startRunning();
    };
    if (mainQueue().isCurrent())
        configQueue_->async(start);
    else
        configQueue_->sync(start);
    return true;
}

void CameraCapture::Stop() {
    configQueue_->sync([this] {
        std::lock_guard lock(sessionMutex_);
        if (session_) session_->stopRunning();
    });
}

bool CameraCapture::IsPlaying() const {
    std::lock_guard lock(sessionMutex_);
    return session_ && session_->isRunning();
}

bool CameraCapture::IsExistCamera() const {
    std::lock_guard lock(sessionMutex_);
    return session_ != nullptr;
}

int CameraCapture::GetFrameRate() const {
    return miVideoFrameRate_;
}

QSize CameraCapture::GetVideoSize() const {
    const Size s = size();
    return {s.width, s.height};
}

CapturePreset CameraCapture::sessionPreset() const {
    std::lock_guard lock(sessionMutex_);
    return session_ ? session_->preset() : CapturePreset::Low;
}

void CameraCapture::SetVideoSize(int width, int height) {
    configQueue_->async([this, width, height] {
        std::lock_guard lock(sessionMutex_);
        const bool wasRunning = session_ && session_->isRunning();
        if (wasRunning) session_->stopRunning();  // no frame is in processing from here on
        if (session_) session_->beginConfiguration();
        clearHandOff();
        QImage custom;
        {
            std::lock_guard sizeLock(sizeMutex_);
            size_ = {width, height};
            custom = mCustomImg_;
        }
        editer_->setCustomImg(custom, width, height);
        if (session_ && !startedRecord_ && session_->preset() != CapturePreset::Low)
            session_->setPreset(CapturePreset::Low);
        if (session_) session_->commitConfiguration();
        if (wasRunning) session_->startRunning();
    });
}

void CameraCapture::SetFrameRate(int fps) {
    configQueue_->async([this, fps] {
        miVideoFrameRate_ = fps;
        std::lock_guard lock(sessionMutex_);
        if (!session_ || !startedRecord_) return;
        session_->beginConfiguration();
        session_->setPreset(fps >= 25 ? CapturePreset::Medium : CapturePreset::Low);
        session_->commitConfiguration();
    });
}

void CameraCapture::recMyVideo(bool on) {
    configQueue_->async([this, on] {
        {
            std::lock_guard lock(sessionMutex_);
            if (session_ && miVideoFrameRate_ >= 25) {
                session_->beginConfiguration();
                session_->setPreset(on ? CapturePreset::Medium : CapturePreset::Low);
                session_->commitConfiguration();
            }
        }
        startedRecord_ = on;
    });
}

void CameraCapture::SetDevice(const QString& uniqueID) {
    configQueue_->async([this, uniqueID] {
        bool hasSession;
        {
            std::lock_guard lock(sessionMutex_);
            hasSession = session_ != nullptr;
        }
        if (!hasSession) {
            QString error;
            if (!buildSession(uniqueID, &error)) {
                logLine(StringWithFormat(kLogMsgCameraCreateErr, error), kLogErr);
                return;
            }
            UserDefaults::standard().setString(kKeySelectedDeviceID, uniqueID);
            return;
        }
        std::lock_guard lock(sessionMutex_);
        const bool wasRunning = session_->isRunning();
        if (wasRunning) session_->stopRunning();
        session_->beginConfiguration();
        session_->removeInputs();
        QString error;
        if (uniqueID.isEmpty()) error = QStringLiteral("no camera");
        if (!error.isEmpty() || !session_->addInput(uniqueID, &error))
            logLine(StringWithFormat(kLogMsgCameraCreateErr, error), kLogErr);
        else
            UserDefaults::standard().setString(kKeySelectedDeviceID, uniqueID);
        session_->commitConfiguration();
        if (wasRunning) session_->startRunning();
    });
}

void CameraCapture::flushConfiguration() {
    configQueue_->sync([] {});
}

void CameraCapture::setBgMode(int mode, const QImage& customImg) {
    switch (mode) {
        case CAMERA_BG_MODE_NONE:
            isNeedPersonSegment_ = false;
            isBlurCustom_ = false;
            break;
        case CAMERA_BG_MODE_BLUR:
            isNeedPersonSegment_ = true;
            isBlurCustom_ = false;
            break;
        case CAMERA_BG_MODE_CUSTOM: {
            if (customImg.isNull()) return;  // the previous mode stays
            const Size s = size();
            editer_->setCustomImg(customImg, s.width, s.height);
            {
                std::lock_guard lock(sizeMutex_);
                mCustomImg_ = customImg;
            }
            isNeedPersonSegment_ = true;
            isBlurCustom_ = true;
            break;
        }
        default:
            break;
    }
}

void CameraCapture::SetCameraOffImg(bool off, const QImage& image) {
    std::lock_guard lock(displayMutex_);
    mbCameraOff_ = off;
    if (off) {
        QImage shown(image.isNull() ? QSize(1, 1) : image.size(), QImage::Format_ARGB32);
        shown.fill(Qt::black);
        if (!image.isNull()) {
            QPainter painter(&shown);
            painter.drawImage(0, 0, image);
        }
        display_ = shown;
    } else {
        display_ = QImage();
    }
    ++displaySerial_;
}

QImage CameraCapture::displayPicture(uint64_t* serial) const {
    std::lock_guard lock(displayMutex_);
    if (serial) *serial = displaySerial_;
    return display_;
}

void CameraCapture::setMyVideoHandler(std::function<void(const QImage&)> handler) {
    std::lock_guard lock(displayMutex_);
    myVideoHandler_ = std::move(handler);
}

void CameraCapture::setDisplay(const QImage& picture) {
    std::lock_guard lock(displayMutex_);
    if (mbCameraOff_) return;  // the camera-off image stays
    display_ = picture;
    ++displaySerial_;
}

void CameraCapture::captureOutput(const CaptureFrame& frame) {
    if (!mCallbackFunc_.load() || mbCameraOff_) return;
    // The size is taken once: the whole frame is made at it.
    const Size target = size();
    const int w = target.width, h = target.height;
    const int W = frame.width, H = frame.height;
    if (!frame.pixels || W <= 0 || H <= 0 || w <= 0 || h <= 0) return;

    // The display picture: the centre of the camera picture at the target's
    // width-to-height ratio (the whole width when the target is wider), scaled to fill.
    const QImage camera(frame.pixels, W, H, W * 4, QImage::Format_ARGB32);
    const int t = static_cast<int>(static_cast<int64_t>(w) * H / h);
    QRect crop(W / 2 - t / 2, 0, t, H);
    crop = crop.intersected(camera.rect());
    if (crop.isEmpty()) crop = camera.rect();
    const QImage display = camera.copy(crop)
                               .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_ARGB32);

    const size_t pixelBytes = static_cast<size_t>(w) * h * 4;
    auto* record = static_cast<CAMERA_FRAME_BUFFER*>(std::malloc(sizeof(CAMERA_FRAME_BUFFER) + pixelBytes));
    if (!record) return;
    record->data = reinterpret_cast<uint8_t*>(record + 1);
    record->size = 32;
    record->width = static_cast<uint32_t>(w);
    record->height = static_cast<uint32_t>(h);
    record->user = mpUserData_;

    QImage segmented;
    if (isNeedPersonSegment_) {
        segmented = editer_->personSegment(display, isBlurCustom_);
        if (!segmented.isNull()) {
            const QImage buffer = editer_->convertPixcelBufferFromCGImage(segmented);
            if (buffer.isNull() || buffer.format() != QImage::Format_ARGB32)
                segmented = QImage();
            else
                CPictureConverter::ResizeBitmapRatioInvert(buffer.constBits(), buffer.width(),
                                                           buffer.height(), kFormatBGRA, record->data, w, h,
                                                           kFormatBGR, true, false);
        }
    }
    if (segmented.isNull())
        CPictureConverter::ResizeBitmapRatioInvert(frame.pixels, W, H, kFormatBGRA, record->data, w, h,
                                                   kFormatBGR, true, false);
    const QImage& shown = segmented.isNull() ? display : segmented;
    if (startedRecord_) {
        std::function<void(const QImage&)> handler;
        {
            std::lock_guard lock(displayMutex_);
            handler = myVideoHandler_;
        }
        if (handler) handler(shown);
    }
    queueForHandOff(record);
    setDisplay(shown);
}

void CameraCapture::queueForHandOff(CAMERA_FRAME_BUFFER* record) {
    // Shared only because a queued task must be copyable; the task alone holds it.
    std::shared_ptr<CAMERA_FRAME_BUFFER> frame(record, [](CAMERA_FRAME_BUFFER* r) { std::free(r); });
    handOff_->async([this, frame, generation = handOffGeneration_.load()] { handOver(*frame, generation); });
}

void CameraCapture::clearHandOff() {
    ++handOffGeneration_;
}

void CameraCapture::handOver(const CAMERA_FRAME_BUFFER& record, uint64_t generation) {
    if (generation != handOffGeneration_) return;  // cleared: neither paced nor delivered
    const double now = backend_.wallClock();
    const int fps = miVideoFrameRate_;
    if (fps <= 0 || now - lastPass_ <= 0.5 / fps) return;
    // Checked again under the lock: a clear that came after the check above
    // (Term, then a set-up with a new callback) still keeps this frame back.
    std::lock_guard lock(callbackMutex_);
    VIDEO_INPUT_CALLBACK callback = mCallbackFunc_;
    if (!callback || generation != handOffGeneration_) return;
    lastPass_ = now;
    callback(record.data, 32, static_cast<int>(record.width), static_cast<int>(record.height), record.user);
}

void CameraCapture::OnBufferCameraCaptureOutput(CAMERA_FRAME_BUFFER* record, int) {
    handOver(*record, handOffGeneration_);
    std::free(record);
}
