#include "appshare/APShareObjectController.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPixmap>
#include <cmath>

#include "appshare/APShareViewController.h"
#include "appshare/APShareWindow.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"

namespace {

const QString kFrameFit = QStringLiteral("frame_fit");
const QString kFullWindow = QStringLiteral("fullwindow_display");
const QString kScaling = QStringLiteral("scaling");
const QString kOperation = QStringLiteral("operation_req_and_release");

QCursor dotCursor() {
    const auto path = MainBundle::pathForResource(QStringLiteral("dotcursor"), QStringLiteral("png"));
    QPixmap pixmap = path ? QPixmap(*path) : QPixmap();
    if (pixmap.isNull()) return QCursor(Qt::CrossCursor);
    return QCursor(pixmap.scaled(3, 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 0, 0);
}

}  // namespace

QRectF APShareObjectController::initialFrame(QSizeF screen) {
    const double sw = screen.width(), sh = screen.height();
    return QRectF(100, sh - (sh / 3 + 100), sw / 3, sh / 3);
}

APShareObjectController::APShareObjectController(bool isWebinar, QObject* parent)
    : QObject(parent), isWebinar_(isWebinar) {
    const QRectF frame = initialFrame(Window::mainScreenFrame().size());
    if (isWebinar_) {
        mAPShareViewController_ = new APShareViewController(this);
        mAPShareViewController_->view()->resize(qRound(frame.width()), qRound(frame.height()));
        mAPShareViewController_->content().setDelegate(this);
    } else {
        mAPShareWindow_ = new APShareWindow(frame);
        mAPShareWindow_->setDelegate(this);
        mAPShareWindow_->content().setDelegate(this);
    }
}

APShareObjectController::~APShareObjectController() {
    if (mAPShareWindow_) {
        mAPShareWindow_->setDelegate(nullptr);
        mAPShareWindow_->content().setDelegate(nullptr);
        mAPShareWindow_->stopDrawing();
        delete mAPShareWindow_.data();
    }
    if (mAPShareViewController_) mAPShareViewController_->content().setDelegate(nullptr);
}

APShareViewer* APShareObjectController::viewer() const {
    if (isWebinar_) return mAPShareViewController_;
    return mAPShareWindow_.data();
}

std::shared_ptr<APShareCanvas> APShareObjectController::canvas() const {
    APShareViewer* v = viewer();
    return v ? v->canvas() : nullptr;
}

QWidget* APShareObjectController::getAPShareViewForWebinar() const {
    return mAPShareViewController_ ? mAPShareViewController_->view() : nullptr;
}

bool APShareObjectController::onStart(std::uint16_t, std::uint16_t type, std::uint16_t width,
                                      std::uint16_t height, std::uint16_t left, std::uint16_t top,
                                      std::uint16_t right, std::uint16_t bottom, const QString&,
                                      const QString& sharerName, const QString&, const QString& operatorName,
                                      std::int64_t controlStatus, std::int64_t controlRequestStatus) {
    mShareDataSize_ = QSizeF(width, height);
    APShareViewer* v = viewer();
    if (v) {
        if (isWebinar_) defaultDispMode_ = 1;
        mDisplayMode_ = defaultDispMode_;
        const QRectF area(left, top, double(right) - left, double(bottom) - top);
        if (!v->startDrawing(type == 1 ? 1 : 0, mShareDataSize_, area, 1.0f, mDisplayMode_)) return false;
        if (mAPShareWindow_) mAPShareWindow_->setTitle(sharerName, operatorName);
        const bool fitted = isWebinar_ || (type == 1 && defaultDispMode_ == 1);
        v->changeMenuBtnStatus(kFrameFit, !fitted);
        v->changeMenuBtnStatus(kScaling, !fitted);
        v->changeMenuBtnCheckStatus(kFullWindow, fitted ? 1 : 0);
        v->changeMenuBtnStatus(kOperation, controlRequestStatus == 1);
    }
    mControlState_ = controlStatus;
    mControlRequestStatus_ = controlRequestStatus;
    if (v) {
        v->changeScrollEnable(mControlState_ != kControlStatusOperator);
        applyCursor();
    }
    if (isWebinar_) {
        if (auto d = delegate()) d->APShareViewForWebinar(getAPShareViewForWebinar());
    }
    return true;
}

void APShareObjectController::onStop() {
    if (APShareViewer* v = viewer()) v->stopDrawing();
    if (isWebinar_) {
        if (QWidget* view = getAPShareViewForWebinar()) view->setParent(nullptr);
        delete mAPShareViewController_;
        mAPShareViewController_ = nullptr;
        if (auto d = delegate()) d->APShareViewForWebinar(nullptr);
    } else if (mAPShareWindow_) {
        mAPShareWindow_->setDelegate(nullptr);
        mAPShareWindow_->content().setDelegate(nullptr);
        mAPShareWindow_->orderOut();
        delete mAPShareWindow_.data();
    }
}

void APShareObjectController::setAppRect(int left, int top, int right, int bottom) {
    if (APShareViewer* v = viewer())
        v->setAppRect(QRectF(left, top, double(right) - left, double(bottom) - top), mDisplayMode_);
}

void APShareObjectController::onResize(int left, int top, int right, int bottom) {
    setAppRect(left, top, right, bottom);
}

void APShareObjectController::onKeyFrame(int left, int top, int right, int bottom) {
    setAppRect(left, top, right, bottom);
}

void APShareObjectController::onControllChange(const QString& sharerId, const QString& sharerName,
                                               const QString& operatorId, const QString& operatorName,
                                               std::int64_t controlStatus,
                                               std::int64_t controlRequestStatus) {
    mControlState_ = controlStatus;
    mControlRequestStatus_ = controlRequestStatus;
    APShareViewer* v = viewer();
    if (!v) return;
    v->changeScrollEnable(controlStatus != kControlStatusOperator);
    applyCursor();
    if (mAPShareWindow_) mAPShareWindow_->setOperatorName(sharerId, sharerName, operatorId, operatorName);
    const bool release = controlStatus == kControlStatusOperator && controlRequestStatus == 1;
    v->changeMenuBtnImgStatus(kOperation,
                              release ? QStringLiteral("control_rel") : QStringLiteral("control_req"),
                              controlStatus != 1 && controlRequestStatus == 1);
}

void APShareObjectController::changeOperationRequestStatus(std::int64_t status) {
    mControlRequestStatus_ = status;
    if (APShareViewer* v = viewer()) v->changeMenuBtnStatus(kOperation, status == 1);
}

void APShareObjectController::showWindow() {
    if (mAPShareWindow_) mAPShareWindow_->orderFrontRegardless();
}

void APShareObjectController::applyCursor() {
    if (APShareViewer* v = viewer())
        v->changeCursorType(mControlState_ == kControlStatusOperator ? dotCursor()
                                                                     : QCursor(Qt::ForbiddenCursor));
}

void APShareObjectController::checkIdentifier(QWidget* control) {
    APShareViewer* v = viewer();
    if (!control || !v) return;
    const QString identifier = control->objectName();
    if (identifier == kFrameFit) {
        v->resizeWindowForApp();
    } else if (identifier == kFullWindow) {
        auto* button = qobject_cast<QAbstractButton*>(control);
        displayAllOnWindow(button && button->isChecked());
    } else if (identifier == kScaling) {
        auto* popup = qobject_cast<QComboBox*>(control);
        if (!popup) return;
        const float expansion = float(IntValue(popup->currentText()) / 100.0);
        if (expansion <= 0) return;
        v->setImageExpansion(expansion);
        v->resizeWindowForApp();
    } else if (identifier == kOperation) {
        if (auto d = delegate()) d->sendControlReq();
        v->changeMenuBtnImgStatus(kOperation,
                                  mControlState_ == kControlStatusOperator ? QStringLiteral("control_rel")
                                                                           : QStringLiteral("control_req"),
                                  false);
    }
}

void APShareObjectController::displayAllOnWindow(bool on) {
    APShareViewer* v = viewer();
    if (!v) return;
    if (on) {
        mDisplayMode_ = 1;
        defaultDispMode_ = 1;
        v->setDisplayMode(1);
        v->fitAppToWindowFrame();
        if (mAPShareWindow_) mAPShareWindow_->lockAspectRatio(true);
    } else {
        mDisplayMode_ = 0;
        v->setDisplayMode(0);
        if (mAPShareWindow_) mAPShareWindow_->lockAspectRatio(false);
        v->resizeWindowForApp();
    }
    v->changeMenuBtnStatus(kFrameFit, !on);
    v->changeMenuBtnStatus(kScaling, !on);
}

void APShareObjectController::onKeyDown(const KeyEvent& event) {
    if (auto d = delegate()) d->onKeyDown(event);
}

void APShareObjectController::onModifierKeyEvent(const KeyEvent& event) {
    if (auto d = delegate()) d->onModifierKeyEvent(event);
}

void APShareObjectController::onKeyUp(const KeyEvent& event) {
    if (auto d = delegate()) d->onKeyUp(event);
}

QPointF APShareObjectController::sharedPoint(int displayMode, QPointF point, float expansion,
                                             QSizeF imageSize, QSizeF shareSize) {
    const double px = point.x(), py = point.y();
    if (displayMode == 0) {
        if (expansion <= 0) return point;
        return QPointF(px / double(expansion), py / double(expansion));
    }
    const double iw = imageSize.width(), ih = imageSize.height();
    const double sw = shareSize.width(), sh = shareSize.height();
    if (iw <= 0 || ih <= 0 || sw <= 0 || sh <= 0) return QPointF(0, 0);
    const float rv = float(iw / ih), rs = float(sw / sh);
    if (rv > rs) {
        const double s = sh / ih;
        return QPointF((px - (iw - sw / s) / 2) * s, py * s);
    }
    if (rv < rs) {
        const double s = sw / iw;
        return QPointF(px * s, (py - (ih - sh / s) / 2) * s);
    }
    const double s = sh / ih;
    return QPointF(px * s, py * s);
}

void APShareObjectController::onMouseButtonEvent(const APShareViewerMouseEvent& event, float expansion,
                                                 QPointF point, QSizeF imageSize) {
    if (mControlState_ != kControlStatusOperator) return;
    const QPointF shared = sharedPoint(mDisplayMode_, point, expansion, imageSize, mShareDataSize_);
    if (auto d = delegate()) d->onMouseButtonEvent(event, shared);
}

void APShareObjectController::onMouseScrollEvent(const APShareViewerWheelEvent& event) {
    if (std::trunc(event.deltaY) == 0) return;
    if (auto d = delegate()) d->onMouseScrollEvent(event);
}

void APShareObjectController::onMouseEnteredEvent() {
    applyCursor();
}

void APShareObjectController::windowDidMiniaturize(Window*) {
    if (APShareViewer* v = viewer()) v->pauseDrawing();
}

void APShareObjectController::windowDidDeminiaturize(Window*) {
    if (auto d = delegate()) d->sendCommand(1, QStringLiteral("AS_START_PERMIT_RESTART"));
    if (APShareViewer* v = viewer()) v->restartDrawing(mDisplayMode_);
}

void APShareObjectController::windowDidResignKey(Window*) {
    if (mAPShareWindow_) mAPShareWindow_->content().resetKeys();
    if (mControlState_ != kControlStatusOperator) return;
    if (auto d = delegate()) d->onReleaseEvent();
}
