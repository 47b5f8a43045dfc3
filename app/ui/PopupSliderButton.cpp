#include "ui/PopupSliderButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>
#include <QToolTip>
#include <cmath>

#include "ui/PopupSliderController.h"

namespace {
constexpr int kSliderSteps = 1000;
// An arrow key or a wheel notch moves the volume by a twentieth, a page key by a tenth.
constexpr int kSingleStep = 50;
constexpr int kPageStep = 100;

bool isSliderKey(int key) {
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}
}  // namespace

PopupSliderButton::PopupSliderButton(QWidget* parent)
    : QPushButton(parent), slider_(new QSlider(Qt::Vertical)) {
    slider_->setRange(0, kSliderSteps);
    slider_->setSingleStep(kSingleStep);
    slider_->setPageStep(kPageStep);
    slider_->setObjectName(QStringLiteral("popupSlider"));
    slider_->setValue(int(std::lround(sliderValue_ * kSliderSteps)));
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        sliderValue_ = float(value) / kSliderSteps;
        if (sliderAction_) {
            sliderAction_(sliderValue_);
        }
    });
}

PopupSliderButton::~PopupSliderButton() {
    stopShowSliderTimer();
    stopHideSliderTimer();
    qApp->removeEventFilter(this);
    if (popover_ != nullptr) {
        slider_->setParent(nullptr);
        delete popover_;
    }
    delete slider_;
}

QRect PopupSliderButton::popoverGeometry(const QRect& buttonOnScreen) {
    return QRect(buttonOnScreen.left(), buttonOnScreen.bottom() + 1, buttonOnScreen.width(), kSliderHeight);
}

void PopupSliderButton::showButton(bool withPopup) {
    show();
    if (withPopup) {
        showPopupSlider();
    }
}

void PopupSliderButton::hideButton(bool withPopup) {
    hide();
    if (withPopup) {
        closePopupSlider();
    }
}

void PopupSliderButton::setSliderValue(float value) {
    sliderValue_ = value;
    const QSignalBlocker block(slider_);
    slider_->setValue(int(std::lround(value * kSliderSteps)));
}

void PopupSliderButton::setSliderAction(QObject* target, std::function<void(float)> action) {
    QPointer<QObject> guard(target);
    const bool hasTarget = target != nullptr;
    sliderAction_ = [guard, hasTarget, action = std::move(action)](float value) {
        if (action && (!hasTarget || guard != nullptr)) {
            action(value);
        }
    };
}

bool PopupSliderButton::isShowTimerRunning() const {
    return mShowSliderTimer_ != nullptr && mShowSliderTimer_->isActive();
}

bool PopupSliderButton::isHideTimerRunning() const {
    return mHideSliderTimer_ != nullptr && mHideSliderTimer_->isActive();
}

void PopupSliderButton::startShowSliderTimer() {
    stopShowSliderTimer();
    mShowSliderTimer_ = new QTimer(this);
    mShowSliderTimer_->setSingleShot(true);
    connect(mShowSliderTimer_, &QTimer::timeout, this, &PopupSliderButton::showPopupSlider);
    mShowSliderTimer_->start(kShowDelayMs);
}

void PopupSliderButton::stopShowSliderTimer() {
    if (mShowSliderTimer_ != nullptr) {
        mShowSliderTimer_->stop();
        mShowSliderTimer_->deleteLater();
        mShowSliderTimer_ = nullptr;
    }
}

void PopupSliderButton::startHideSliderTimer() {
    // An earlier pending check is not stopped; the newest is remembered.
    mHideSliderTimer_ = new QTimer(this);
    mHideSliderTimer_->setSingleShot(true);
    QTimer* timer = mHideSliderTimer_;
    connect(timer, &QTimer::timeout, this, [this, timer] {
        timer->deleteLater();
        hidePopupSlider();
    });
    timer->start(kHideCheckMs);
}

void PopupSliderButton::stopHideSliderTimer() {
    if (mHideSliderTimer_ != nullptr) {
        mHideSliderTimer_->stop();
        mHideSliderTimer_ = nullptr;
    }
}

void PopupSliderButton::mouseEntered() {
    if (showSlider_) {
        startShowSliderTimer();
    }
    mIsMouseOver_ = true;
}

void PopupSliderButton::mouseExited() {
    if (showSlider_) {
        startHideSliderTimer();
    }
    mIsMouseOver_ = false;
}

void PopupSliderButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    mouseEntered();
}

void PopupSliderButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    mouseExited();
}

void PopupSliderButton::mousePressEvent(QMouseEvent* event) {
    if (showSlider_) {
        startHideSliderTimer();
    }
    QPushButton::mousePressEvent(event);
}

void PopupSliderButton::showPopupSlider() {
    stopShowSliderTimer();
    if (!mIsMouseOver_) {
        return;
    }
    openPopover();
}

void PopupSliderButton::openPopover() {
    if (popover_ == nullptr) {
        auto* controller = new PopupSliderController(slider_);
        controller->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                                   Qt::WindowStaysOnTopHint);
        controller->setAttribute(Qt::WA_ShowWithoutActivating);
        popover_ = controller;
        popoverController_ = controller;
        // Transient: a press anywhere else closes it.
        qApp->installEventFilter(this);
    }
    slider_->setFixedSize(std::max(1, width()), kSliderHeight - 8);
    popover_->setGeometry(popoverGeometry(QRect(mapToGlobal(QPoint(0, 0)), size())));
    popover_->show();
    showingSlider_ = true;
    // The button's tooltip would sit over the slider.
    QToolTip::hideText();
}

void PopupSliderButton::hidePopupSlider() {
    stopHideSliderTimer();
    if (mIsMouseOver_ || (popoverController_ != nullptr && popoverController_->isMouseOver())) {
        startHideSliderTimer();
        return;
    }
    if (popover_ != nullptr) {
        popoverWillClose();
    }
}

void PopupSliderButton::closePopupSlider() {
    stopShowSliderTimer();
    stopHideSliderTimer();
    if (mIsMouseOver_) {
        startHideSliderTimer();
        return;
    }
    if (popover_ != nullptr) {
        popoverWillClose();
    }
    showingSlider_ = false;
}

void PopupSliderButton::popoverWillClose() {
    qApp->removeEventFilter(this);
    showingSlider_ = false;
    slider_->setParent(nullptr);
    QWidget* popover = popover_;
    popover_ = nullptr;
    popoverController_ = nullptr;
    popover->hide();
    popover->deleteLater();
}

bool PopupSliderButton::eventFilter(QObject* watched, QEvent* event) {
    // A press reaches the window system's window before the widget under it,
    // so the press is judged by where it is, not by the object it is sent to.
    if (event->type() == QEvent::MouseButtonPress && popover_ != nullptr && watched->isWidgetType()) {
        const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        const bool inside = popover_->geometry().contains(at) || rect().contains(mapFromGlobal(at));
        if (!inside) {
            popoverWillClose();
        }
    }
    return QPushButton::eventFilter(watched, event);
}

bool PopupSliderButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && showingSlider_) {
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void PopupSliderButton::keyPressEvent(QKeyEvent* event) {
    // The slider takes no focus of its own (its popover never becomes the
    // active window): the focused button moves it.
    if (showSlider_ && isSliderKey(event->key())) {
        // Shown while the keys are used; closed by the usual check once the
        // keys and the mouse have left it alone.
        if (!showingSlider_) {
            openPopover();
        }
        stopHideSliderTimer();
        startHideSliderTimer();
        QCoreApplication::sendEvent(slider_, event);
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}
