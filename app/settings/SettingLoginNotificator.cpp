#include "settings/SettingLoginNotificator.h"

#include "services/SettingNotificator.h"

std::unique_ptr<LoginSettingNotificator> SettingLoginNotificator::make() {
    return std::make_unique<SettingLoginNotificator>();
}

void SettingLoginNotificator::requestChangeCamDeviceNotification(const QString& name,
                                                                 const QStringList& allDevice, int index) {
    SettingNotificator::sharedNotificator().requestChangeCamDeviceNotification(name, allDevice, index);
}

void SettingLoginNotificator::requestChangeResolutionNotification(const QSize& size) {
    SettingNotificator::sharedNotificator().requestChangeResolutionNotification(QSizeF(size));
}

void SettingLoginNotificator::requestChangeFpsNotification(int frameRate) {
    SettingNotificator::sharedNotificator().requestChangeFpsNotification(frameRate);
}
