#include "services/SettingNotificator.h"

#include <QVariant>

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"

SettingNotificator& SettingNotificator::sharedNotificator() {
    static SettingNotificator* shared = new SettingNotificator();  // lives to the end of the process
    return *shared;
}

void SettingNotificator::postLater(const QString& name, const QVariantMap& userInfo) {
    const void* sender = this;
    mainQueue().async(
        [name, userInfo, sender] { NotificationCenter::defaultCenter().post(name, sender, userInfo); });
}

void SettingNotificator::requestChangeCamDeviceNotification(const QString& device,
                                                            const QStringList& allDevice, int index) {
    postLater(kSettingNotificatorDidChangeCamDeviceNotification,
              {{kSettingNotificatorDeviceKey, device},
               {kSettingNotificatorDeviceListKey, allDevice},
               {kSettingNotificatorIdxKey, StringWithFormat("%d", index)}});
}

void SettingNotificator::requestChangeResolutionNotification(const QSizeF& resolution) {
    postLater(kSettingNotificatorDidChangeResolutionNotification,
              {{kSettingNotificatorResolusionKey, resolution}});
}

void SettingNotificator::requestChangeFpsNotification(int fps) {
    postLater(kSettingNotificatorDidChangeFpsNotification,
              {{kSettingNotificatorFpsKey, StringWithFormat("%d", fps)}});
}

void SettingNotificator::requestChangeChatNotifyNotification(bool isNotify) {
    postLater(kSettingNotificatorDidChangeChatNotify, {{kSettingNotificatorChatNotifyKey, isNotify ? 1 : 0}});
}

void SettingNotificator::requestChangeDispSpeakerBtnNotification(bool isNotify) {
    postLater(kSettingNotificatorDidChangeDispSpeakerBtn,
              {{kSettingNotificatorDispSpeakerBtnNotifyKey, isNotify ? 1 : 0}});
}
