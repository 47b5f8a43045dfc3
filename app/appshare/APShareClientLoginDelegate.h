#pragma once

// The viewer's commands to the sharer, sent through the login.

#include "appshare/APShareClient.h"

class LoginManager;

class APShareClientLoginDelegate : public APShareClientDelegate {
public:
    explicit APShareClientLoginDelegate(LoginManager* login) : login_(login) {}

    void sendCommand(int command, const QString& data) override;
    void sendControlReq(std::uint32_t kind, const QString& operatorId, const QString& operatorName) override;
    void sendControlRet() override;
    void sendMousePointerEvent(std::uint16_t kind, std::uint16_t x, std::uint16_t y) override;
    void sendMouseWheelEvent(int delta) override;
    void sendKeyEvent(std::uint32_t keysym, std::uint32_t eventType) override;
    void sendClipboardAsClient(const QString& text) override;

private:
    LoginManager* login_;
};
