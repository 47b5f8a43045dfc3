#pragma once

// The login's side of the camera notices: a chair's remote camera, size or
// frame-rate change, once applied, reaches an open settings window through the
// shared SettingNotificator.

#include "session/LoginManagerFeatures.h"

class SettingLoginNotificator : public LoginSettingNotificator {
public:
    static std::unique_ptr<LoginSettingNotificator> make();

    void requestChangeCamDeviceNotification(const QString& name, const QStringList& allDevice,
                                            int index) override;
    void requestChangeResolutionNotification(const QSize& size) override;
    void requestChangeFpsNotification(int frameRate) override;
};
