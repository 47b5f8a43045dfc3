#include "ui/WaitingAlertWindowController.h"

#include <QLabel>
#include <QTimer>

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/View.h"
#include "ui/InfoAlertWindow.h"

const QString WaitingAlertWindowController::kCloseNotificationName =
    QStringLiteral("notification_name_close_waiting_alert");

WaitingAlertWindowController::WaitingAlertWindowController(const QString& message, const QString& imageRes,
                                                           int timeoutSec)
    : message_(message), imageRes_(imageRes), timeoutSec_(timeoutSec) {}

WaitingAlertWindowController::~WaitingAlertWindowController() {
    NotificationCenter::defaultCenter().removeObserver(this);
    if (window_ != nullptr) {
        window_->setDelegate(nullptr);
        delete window_;
    }
}

void WaitingAlertWindowController::showWindow() {
    if (window_ != nullptr) {
        window_->orderFrontRegardless();
        return;
    }
    window_ = new Window(QRectF(0, 0, 300, 120), WindowStyleTitled);
    window_->setReleasedWhenClosed(true);
    // The window's origin at the centre point of the visible screen.
    window_->setFrameOrigin(Window::mainScreenVisibleFrame().center());
    View* content = window_->contentView();
    logo_ = new QLabel(content);
    logo_->setObjectName(QStringLiteral("logo"));
    logo_->setAlignment(Qt::AlignCenter);
    View::setFrameOf(logo_, QRectF(20, 36, 48, 48));
    waitingMessage_ = new QLabel(message_, content);
    waitingMessage_->setObjectName(QStringLiteral("waitingMessage"));
    waitingMessage_->setWordWrap(true);
    View::setFrameOf(waitingMessage_, QRectF(80, 20, 200, 80));
    showImage();

    NotificationCenter::defaultCenter().addObserver(this, kCloseNotificationName, [this](const Notification&) {
        mainQueue().async(this, [this] { closeSelfAlert(); });
    });
    if (timeoutSec_ > 0) {
        timeoutTimer_ = new QTimer(this);
        timeoutTimer_->setSingleShot(true);
        connect(timeoutTimer_, &QTimer::timeout, this, &WaitingAlertWindowController::closeSelfAlert);
        timeoutTimer_->start(timeoutSec_ * 1000);
    }
    window_->setDelegate(this);
    window_->orderFrontRegardless();
}

void WaitingAlertWindowController::showImage() {
    if (logo_ == nullptr) {
        return;
    }
    const QSize size = logo_->pixmap().isNull() ? logo_->size() : logo_->pixmap().size();
    if (const auto image = InfoAlertWindow::RoadImage(imageRes_, QStringLiteral("gif"))) {
        logo_->setPixmap(QPixmap::fromImage(image->scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
}

void WaitingAlertWindowController::setMessage(const QString& message) {
    message_ = message;
    if (waitingMessage_ != nullptr) {
        waitingMessage_->setText(message);
    }
}

void WaitingAlertWindowController::setImageRes(const QString& imageRes) {
    imageRes_ = imageRes;
    showImage();
}

void WaitingAlertWindowController::closeSelfAlert() {
    NotificationCenter::defaultCenter().removeObserver(this);
    if (timeoutTimer_ != nullptr) {
        timeoutTimer_->stop();
    }
    if (window_ != nullptr) {
        window_->closeWindow();
    }
}

void WaitingAlertWindowController::windowWillClose(Window* window) {
    (void)window;
    NotificationCenter::defaultCenter().removeObserver(this);
    if (window_ != nullptr) {
        window_->setDelegate(nullptr);
    }
    window_ = nullptr;
    waitingMessage_ = nullptr;
    logo_ = nullptr;
    deleteLater();
}
