#include "platform/APShareEventFilter.h"

#include <chrono>

#include "platform/APShareKeyEventConverter.h"
#include "platform/Dispatch.h"

APShareEventFilter::APShareEventFilter(std::unique_ptr<EventTap> tap, QObject* parent)
    : QObject(parent), tap_(std::move(tap)) {}

APShareEventFilter::~APShareEventFilter() = default;

void APShareEventFilter::setSharedRegion(const QRegion& region) {
    region_ = region;
}

void APShareEventFilter::initialize() {
    stopTimer();
    miClickCount_ = 0;
    mCursorLocation_ = QPoint(-1, -1);
    mbClickDown_ = mbClickUp_ = mbDragging_ = false;
    // Buttons and keys still held for the operator would stay down for the sharer.
    tap_->releaseAll();
    leftHeld_ = rightHeld_ = middleHeld_ = false;
}

void APShareEventFilter::mouseEvent(std::uint16_t code, std::uint16_t x, std::uint16_t y) {
    const QPoint p(x, y);
    switch (code) {
        case APShareMouseEvent::Move:
            if (!inside(p)) return;
            lastInside_ = p;
            tap_->moveMouse(p, mbDragging_);
            return;
        case APShareMouseEvent::LeftDown:
            if (!inside(p)) return;
            lastInside_ = p;
            leftDown(p);
            return;
        case APShareMouseEvent::LeftUp:
            if (inside(p)) {
                lastInside_ = p;
                leftUp(p);
            } else if (mbClickDown_ || leftHeld_) {
                // Ends the press that began inside, without reaching outside.
                leftUp(lastInside_);
            }
            return;
        case APShareMouseEvent::RightDown:
            otherButton(EventTap::MouseButton::Right, true, p);
            return;
        case APShareMouseEvent::RightUp:
            otherButton(EventTap::MouseButton::Right, false, p);
            return;
        case APShareMouseEvent::MiddleDown:
            otherButton(EventTap::MouseButton::Middle, true, p);
            return;
        case APShareMouseEvent::MiddleUp:
            otherButton(EventTap::MouseButton::Middle, false, p);
            return;
        default:
            // Unknown codes (515, a double-click message, among them) would
            // press a button that no message ever releases.
            return;
    }
}

void APShareEventFilter::otherButton(EventTap::MouseButton button, bool down, QPoint p) {
    bool& held = button == EventTap::MouseButton::Right ? rightHeld_ : middleHeld_;
    if (inside(p)) {
        lastInside_ = p;
    } else if (down || !held) {
        return;
    } else {
        p = lastInside_;
    }
    tap_->mouseButton(button, down, p, 1);
    held = down;
}

void APShareEventFilter::leftDown(QPoint p) {
    stopTimer();
    if ((mbClickUp_ && p != mCursorLocation_) || (!mbClickUp_ && mbClickDown_)) confirm();
    mbClickDown_ = true;
    mbClickUp_ = false;
    mCursorLocation_ = p;
    mbDragging_ = true;
    startTimer();
}

void APShareEventFilter::leftUp(QPoint p) {
    stopTimer();
    if (mbClickDown_) {
        if (p != mCursorLocation_) {
            confirm();
        } else if (++miClickCount_ == 3) {
            mbClickDown_ = false;
            mbClickUp_ = true;
            confirm();
            mbDragging_ = false;
            return;
        }
    } else if (mbClickUp_) {
        confirm();
    }
    mbClickDown_ = false;
    mbClickUp_ = true;
    mCursorLocation_ = p;
    mbDragging_ = false;
    startTimer();
}

void APShareEventFilter::confirm() {
    stopTimer();
    if (mCursorLocation_.x() >= 0 && mCursorLocation_.y() >= 0) {
        const int n = miClickCount_;
        const QPoint p = mCursorLocation_;
        if (n >= 1 && n <= 3) {
            for (int i = 0; i < n; ++i) {
                tap_->mouseButton(EventTap::MouseButton::Left, true, p, n);
                tap_->mouseButton(EventTap::MouseButton::Left, false, p, n);
            }
            leftHeld_ = false;
            if (mbClickDown_) {
                tap_->mouseButton(EventTap::MouseButton::Left, true, p, n);
                leftHeld_ = true;
            }
        } else if (n == 0) {
            if (mbClickDown_) {
                tap_->mouseButton(EventTap::MouseButton::Left, true, p, 1);
                leftHeld_ = true;
            }
            if (mbClickUp_) {
                tap_->mouseButton(EventTap::MouseButton::Left, false, p, 1);
                leftHeld_ = false;
            }
        }
    }
    miClickCount_ = 0;
    mbClickDown_ = mbClickUp_ = false;
    mCursorLocation_ = QPoint(-1, -1);
}

void APShareEventFilter::startTimer() {
    stopTimer();
    timerRunning_ = true;
    const std::uint64_t generation = timerGeneration_;
    mainQueue().after(std::chrono::milliseconds(kClickDelayMs), this, [this, generation] {
        if (!timerRunning_ || generation != timerGeneration_) return;
        timerRunning_ = false;
        confirm();
    });
}

void APShareEventFilter::stopTimer() {
    if (!timerRunning_) return;
    timerRunning_ = false;
    ++timerGeneration_;
}

void APShareEventFilter::scrollEvent(std::int32_t delta) {
    if (delta == 0) return;
    // The wheel turns under the pointer, which must be in the shared region.
    const std::optional<QPoint> pointer = tap_->pointerLocation();
    if (!pointer || !inside(*pointer)) return;
    int notches = delta / kWheelDeltaPerNotch;
    if (notches == 0) notches = delta > 0 ? 1 : -1;
    tap_->scrollWheel(notches);
}

void APShareEventFilter::keyEvent(std::uint32_t keysym, std::uint32_t updown) {
    // VoidSymbol stands for modifier changes the viewer has no keysym for.
    if (keysym == 0 || keysym == kVoidSymbol) return;
    tap_->key(keysym, updown != 0);
}
