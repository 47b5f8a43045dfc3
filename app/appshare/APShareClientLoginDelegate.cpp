#include "appshare/APShareClientLoginDelegate.h"

#include "session/LoginManager.h"

void APShareClientLoginDelegate::sendCommand(int command, const QString& data) {
    login_->sendCommand(command, data);
}

void APShareClientLoginDelegate::sendControlReq(std::uint32_t kind, const QString& operatorId,
                                                const QString& operatorName) {
    login_->sendControlReq(kind, operatorId, operatorName);
}

void APShareClientLoginDelegate::sendControlRet() {
    login_->sendControlRet();
}

void APShareClientLoginDelegate::sendMousePointerEvent(std::uint16_t kind, std::uint16_t x, std::uint16_t y) {
    login_->sendMousePointerEvent(kind, x, y);
}

void APShareClientLoginDelegate::sendMouseWheelEvent(int delta) {
    login_->sendMouseWheelEvent(delta);
}

void APShareClientLoginDelegate::sendKeyEvent(std::uint32_t keysym, std::uint32_t eventType) {
    login_->sendKeyEvent(keysym, eventType);
}

void APShareClientLoginDelegate::sendClipboardAsClient(const QString& text) {
    login_->sendClipboardAsClient(text);
}
