#include "appshare/APShareClient.h"

#include <QRect>
#include <algorithm>
#include <cmath>

#include "appshare/APShareCanvas.h"
#include "appshare/APShareModel.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

const QString kAlertCtrlStatus = QStringLiteral("alert_id_as_ctrl_status");

// The clipboard watcher's delegate, living and dying with the watcher on the
// main thread, so that a client released on another thread is never called
// half gone.
class ClipboardForwarder : public QObject, public ClipboardManagerDelegate {
public:
    ClipboardForwarder(ClipboardManager* owner, std::weak_ptr<APShareClient> client)
        : QObject(owner), client_(std::move(client)) {}
    void updatePasteboard(const QByteArray& utf8) override {
        if (auto client = client_.lock()) client->updatePasteboard(utf8);
    }

private:
    std::weak_ptr<APShareClient> client_;
};

void releaseOnMainThread(QObject* object) {
    if (!object) return;
    if (mainQueue().isCurrent()) {
        delete object;
    } else {
        object->deleteLater();  // its thread is the main thread
    }
}

}  // namespace

std::shared_ptr<APShareClient> APShareClient::make(bool isWebinar,
                                                   std::unique_ptr<APShareClientDelegate> delegate,
                                                   APShareClientViewAction* viewAction,
                                                   Pasteboard* pasteboard) {
    std::shared_ptr<APShareClient> client(new APShareClient(isWebinar, std::move(delegate), viewAction));
    client->clipboard_ = new ClipboardManager(pasteboard);
    client->clipboard_->setDelegate(new ClipboardForwarder(client->clipboard_, client));
    return client;
}

APShareClient::APShareClient(bool isWebinar, std::unique_ptr<APShareClientDelegate> delegate,
                             APShareClientViewAction* viewAction)
    : mIsWebinar_(isWebinar), delegate_(std::move(delegate)), viewAction_(viewAction) {
    converter_.setDelegate(this);
}

APShareClient::~APShareClient() {
    converter_.setDelegate(nullptr);
    {
        std::lock_guard lock(mutex_);
        if (canvas_) canvas_->stop();
        canvas_.reset();
    }
    // The controller takes its viewer with it.
    releaseOnMainThread(mViewerController_);
    if (clipboard_) {
        clipboard_->stopPasteboardObservation();
        releaseOnMainThread(clipboard_.data());
    }
}

void APShareClient::setDefaultDispMode(int mode) {
    std::lock_guard lock(mutex_);
    defaultDispMode_ = mode;
}

int APShareClient::defaultDispMode() const {
    std::lock_guard lock(mutex_);
    return defaultDispMode_;
}

std::int64_t APShareClient::controlState() const {
    std::lock_guard lock(mutex_);
    return mControlState_;
}

std::int64_t APShareClient::controlRequestStatus() const {
    std::lock_guard lock(mutex_);
    return mControlRequestStatus_;
}

QString APShareClient::operatorId() const {
    std::lock_guard lock(mutex_);
    return operatorId_;
}

QString APShareClient::operatorName() const {
    std::lock_guard lock(mutex_);
    return operatorName_;
}

bool APShareClient::isOperating() const {
    return controlState() == kControlStatusOperator;
}

void APShareClient::showNotice(const char* key) {
    if (viewAction_)
        viewAction_->showASClientMessageAlert(kAlertCtrlStatus,
                                              LocalizedStringForKey(QString::fromLatin1(key)));
}

// ---- Start and stop ----

void APShareClient::onStart(std::uint16_t first, std::uint16_t type, std::uint16_t width,
                            std::uint16_t height, std::uint16_t left, std::uint16_t top, std::uint16_t right,
                            std::uint16_t bottom, const QString& sharerId, const QString& sharerName,
                            const QString& operatorId, const QString& operatorName,
                            std::int64_t controlStatus, std::int64_t controlRequestStatus) {
    if (!mainQueue().isCurrent()) {
        std::weak_ptr<APShareClient> weak = weak_from_this();
        mainQueue().async([=] {
            if (auto self = weak.lock())
                self->onStart(first, type, width, height, left, top, right, bottom, sharerId, sharerName,
                              operatorId, operatorName, controlStatus, controlRequestStatus);
        });
        return;
    }
    const QSize screen(width, height);
    if (!APShareCanvas::isValidScreenSize(screen)) {
        LogFileManager::write(
            StringWithFormat("Refused a shared screen of %u x %u pixels.", unsigned(width), unsigned(height)),
            1, false);
        return;
    }
    // A shared area off the screen (or turned inside out) stands for the whole screen.
    QRect area = QRect(QPoint(left, top), QPoint(int(right) - 1, int(bottom) - 1))
                     .intersected(QRect(QPoint(), screen));
    if (right <= left || bottom <= top || area.isEmpty()) area = QRect(QPoint(), screen);

    int dispMode;
    {
        std::lock_guard lock(mutex_);
        sharerId_ = sharerId;
        sharerName_ = sharerName;
        operatorId_ = operatorId;
        operatorName_ = operatorName;
        mControlState_ = controlStatus;
        mControlRequestStatus_ = controlRequestStatus;
        dispMode = defaultDispMode_;
    }
    if (!mViewerController_) {
        mViewerController_ = new APShareObjectController(mIsWebinar_);
        mViewerController_->setDelegate(std::weak_ptr<APShareObjectControllerDelegate>(shared_from_this()));
        mViewerController_->setDefaultDispMode(dispMode);
    }
    if (!mIsWebinar_) mViewerController_->showWindow();
    if (!mViewerController_->onStart(first, type, width, height, std::uint16_t(area.left()),
                                     std::uint16_t(area.top()), std::uint16_t(area.right() + 1),
                                     std::uint16_t(area.bottom() + 1), sharerId, sharerName, operatorId,
                                     operatorName, controlStatus, controlRequestStatus)) {
        stopOnMainThread();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        canvas_ = mViewerController_->canvas();
        screenSize_ = screen;
    }
    if (delegate_) delegate_->sendCommand(0, QStringLiteral("AS_START_PERMIT_START"));
}

void APShareClient::onStop(int, const QString&, const QString&) {
    {
        std::lock_guard lock(mutex_);
        // Rectangles still on their way find nothing to paint from now on.
        if (canvas_) canvas_->stop();
        canvas_.reset();
        sharerId_.clear();
        sharerName_.clear();
        operatorId_.clear();
        operatorName_.clear();
        mControlState_ = 0;
        mControlRequestStatus_ = 0;
    }
    if (clipboard_) clipboard_->stopPasteboardObservation();
    if (mainQueue().isCurrent()) {
        stopOnMainThread();
        return;
    }
    std::weak_ptr<APShareClient> weak = weak_from_this();
    mainQueue().async([weak] {
        if (auto self = weak.lock()) self->stopOnMainThread();
    });
}

void APShareClient::stopOnMainThread() {
    if (!mViewerController_) {
        if (mIsWebinar_ && viewAction_) viewAction_->onAPShareViewForWebinar(nullptr);
        return;
    }
    APShareObjectController* controller = mViewerController_;
    mViewerController_ = nullptr;
    controller->onStop();  // a webinar view is taken out of the layout here
    delete controller;
}

// ---- Pictures ----

void APShareClient::onShowRect(int left, int top, int right, int bottom, const QByteArray& bitmap, int size) {
    std::shared_ptr<APShareCanvas> canvas;
    QSize screen;
    {
        std::lock_guard lock(mutex_);
        canvas = canvas_;
        screen = screenSize_;
    }
    if (!canvas || right <= left || bottom <= top || size < 0 || qsizetype(size) != bitmap.size()) return;
    const QRect rect(left, top, right - left, bottom - top);
    const QRectF flipped = APShareModel::ConvertToAPRect(QSizeF(screen), QRectF(rect));
    canvas->drawBitmap(reinterpret_cast<const std::uint8_t*>(bitmap.constData()), std::size_t(bitmap.size()),
                       flipped.toRect());
}

void APShareClient::onResize(int left, int top, int right, int bottom) {
    {
        std::lock_guard lock(mutex_);
        if (!canvas_) return;
    }
    std::weak_ptr<APShareClient> weak = weak_from_this();
    mainQueue().async([weak, left, top, right, bottom] {
        if (auto self = weak.lock())
            if (self->mViewerController_) self->mViewerController_->onResize(left, top, right, bottom);
    });
}

void APShareClient::onKeyFrame(int left, int top, int right, int bottom) {
    {
        std::lock_guard lock(mutex_);
        if (!canvas_) return;
    }
    std::weak_ptr<APShareClient> weak = weak_from_this();
    mainQueue().async([weak, left, top, right, bottom] {
        if (auto self = weak.lock())
            if (self->mViewerController_) self->mViewerController_->onKeyFrame(left, top, right, bottom);
    });
}

// ---- Control ----

void APShareClient::onControlRes(int result, const QString&, const QString&) {
    std::int64_t permission;
    {
        std::lock_guard lock(mutex_);
        mControlState_ = 0;
        permission = mControlRequestStatus_;
    }
    const bool refused = result >= 1 && result <= 4;
    if (refused) {
        LogFileManager::write(StringWithFormat(kLogMsgRcvASControlReqResReject,
                                               LogMessage::conversionASRequestRejectType(result)),
                              2, false);
    }
    std::weak_ptr<APShareClient> weak = weak_from_this();
    mainQueue().async([weak, refused, permission] {
        auto self = weak.lock();
        if (!self) return;
        if (refused) self->showNotice("dfAPSHARE_OPERATION_REQ_CANCEL");
        if (self->mViewerController_) self->mViewerController_->changeOperationRequestStatus(permission);
    });
}

void APShareClient::onControllChange(const QString& sharerId, const QString& sharerName,
                                     const QString& operatorId, const QString& operatorName,
                                     std::int64_t controlStatus, std::int64_t controlRequestStatus) {
    if (controlStatus == kControlStatusOperator) {
        if (controlRequestStatus == 0) {
            // Not allowed to operate: control goes straight back.
            if (delegate_) delegate_->sendControlRet();
            showNotice("dfAPSHARE_ORERATION_RELEASED");
            return;
        }
        showNotice("dfAPSHARE_RECEIVED_ORERATION");
    }
    {
        std::lock_guard lock(mutex_);
        sharerId_ = sharerId;
        sharerName_ = sharerName;
        operatorId_ = operatorId;
        operatorName_ = operatorName;
        mControlState_ = controlStatus;
        mControlRequestStatus_ = controlRequestStatus;
    }
    std::weak_ptr<APShareClient> weak = weak_from_this();
    mainQueue().async([=] {
        auto self = weak.lock();
        if (!self) return;
        if (self->mViewerController_)
            self->mViewerController_->onControllChange(sharerId, sharerName, operatorId, operatorName,
                                                       controlStatus, controlRequestStatus);
        ClipboardManager* clipboard = self->clipboard_;
        if (controlStatus == kControlStatusOperator) {
            if (clipboard) {
                if (self->delegate_) {
                    if (auto text = clipboard->getPasteboard(); text && !text->isEmpty())
                        self->delegate_->sendClipboardAsClient(QString::fromUtf8(*text));
                }
                clipboard->startPasteboardObservation();
            }
        } else if (controlStatus == 0) {
            if (clipboard) clipboard->stopPasteboardObservation();
            self->converter_.initialize();
        }
    });
}

void APShareClient::onClipBoardText(const QByteArray& utf8) {
    if (!isOperating() || !clipboard_) return;
    clipboard_->setPasteboardtext(utf8);
}

void APShareClient::activateWindow() {
    if (mIsWebinar_ || !mViewerController_) return;
    mViewerController_->showWindow();
}

void APShareClient::changeOperationRequestStatus(std::int64_t status) {
    {
        std::lock_guard lock(mutex_);
        mControlRequestStatus_ = status;
    }
    std::weak_ptr<APShareClient> weak = weak_from_this();
    auto apply = [weak, status] {
        if (auto self = weak.lock())
            if (self->mViewerController_) self->mViewerController_->changeOperationRequestStatus(status);
    };
    if (mainQueue().isCurrent()) {
        apply();
    } else {
        mainQueue().async(apply);
    }
}

QWidget* APShareClient::getAPShareViewForWebinar() const {
    return mViewerController_ ? mViewerController_->getAPShareViewForWebinar() : nullptr;
}

// ---- From the viewer (main thread) ----

void APShareClient::APShareViewForWebinar(QWidget* view) {
    if (viewAction_) viewAction_->onAPShareViewForWebinar(view);
}

void APShareClient::sendCommand(int command, const QString& data) {
    if (delegate_) delegate_->sendCommand(command, data);
}

void APShareClient::sendControlReq() {
    const std::int64_t state = controlState();
    if (state == kControlStatusOperator) {
        if (delegate_) delegate_->sendControlRet();
        LogFileManager::write(QString::fromLatin1(kLogMsgRcvASControlReturn), 2, false);
        showNotice("dfAPSHARE_ORERATION_RELEASED");
    } else if (state == 0) {
        QString id, name;
        {
            std::lock_guard lock(mutex_);
            id = operatorId_;
            name = operatorName_;
        }
        if (delegate_) delegate_->sendControlReq(0, id, name);
    }
}

void APShareClient::onKeyDown(const KeyEvent& event) {
    if (isOperating()) converter_.onKeyDownEvent(event);
}

void APShareClient::onModifierKeyEvent(const KeyEvent& event) {
    if (isOperating()) converter_.onModifierKeyEvent(event);
}

void APShareClient::onKeyUp(const KeyEvent& event) {
    if (isOperating()) converter_.onKeyUpEvent(event);
}

void APShareClient::onMouseButtonEvent(const APShareViewerMouseEvent& event, QPointF point) {
    QSize screen;
    {
        std::lock_guard lock(mutex_);
        if (mControlState_ != kControlStatusOperator) return;
        screen = screenSize_;
    }
    if (!delegate_) return;
    delegate_->sendMousePointerEvent(APShareModel::ConvertToMouseEventTypeProtcol(event.type),
                                     APShareModel::SharedCoordinate(point.x(), screen.width()),
                                     APShareModel::SharedCoordinate(point.y(), screen.height()));
}

void APShareClient::onMouseScrollEvent(const APShareViewerWheelEvent& event) {
    if (!isOperating() || !delegate_) return;
    const double delta = std::trunc(event.deltaY);
    if (delta == 0 || !std::isfinite(delta)) return;
    delegate_->sendMouseWheelEvent(int(std::clamp(delta, -2147483647.0, 2147483647.0)));
}

void APShareClient::onReleaseEvent() {
    if (!delegate_) return;
    // Left Shift, left Control, left Super, left Alt, Help: nothing stays
    // held on the sharer's side.
    for (std::uint32_t keysym : {0xFFE1u, 0xFFE3u, 0xFFEBu, 0xFFE9u, 0xFF6Au})
        delegate_->sendKeyEvent(keysym, 0);
}

void APShareClient::sendKeyEvent(std::uint32_t keysym, std::uint32_t eventType) {
    if (delegate_) delegate_->sendKeyEvent(keysym, eventType);
}

void APShareClient::updatePasteboard(const QByteArray& utf8) {
    if (isOperating() && delegate_) delegate_->sendClipboardAsClient(QString::fromUtf8(utf8));
}
