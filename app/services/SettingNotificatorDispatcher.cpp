#include "services/SettingNotificatorDispatcher.h"

#include <utility>

#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"
#include "services/SettingNotificator.h"

SettingNotificatorDispatcher::SettingNotificatorDispatcher(SettingNotificator* notificator)
    : notificator_(notificator) {
    if (notificator_ == nullptr) return;  // observing "every sender" would be wrong here
    const std::pair<const QString*, void (SettingNotificatorDispatcher::*)(const Notification&)> table[] = {
        {&kSettingNotificatorDidChangeCamDeviceNotification, &SettingNotificatorDispatcher::updateCamDevice},
        {&kSettingNotificatorDidChangeResolutionNotification,
         &SettingNotificatorDispatcher::updateResolution},
        {&kSettingNotificatorDidChangeFpsNotification, &SettingNotificatorDispatcher::updateFps},
        {&kSettingNotificatorDidChangeChatNotify, &SettingNotificatorDispatcher::updateChatNotify},
        {&kSettingNotificatorDidChangeDispSpeakerBtn,
         &SettingNotificatorDispatcher::updateDispSpeakerBtnNotify},
    };
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const auto& [name, update] : table) {
        center.addObserver(
            this, *name, [this, update](const Notification& n) { (this->*update)(n); }, notificator_);
    }
}

SettingNotificatorDispatcher::~SettingNotificatorDispatcher() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void SettingNotificatorDispatcher::updateCamDevice(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeCamDevice(this, n.userInfo.value(kSettingNotificatorDeviceKey).toString(),
                                  n.userInfo.value(kSettingNotificatorDeviceListKey).toStringList(),
                                  IntValue(n.userInfo.value(kSettingNotificatorIdxKey).toString()));
}

void SettingNotificatorDispatcher::updateResolution(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeResolution(this, n.userInfo.value(kSettingNotificatorResolusionKey).toSizeF());
}

void SettingNotificatorDispatcher::updateFps(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeFps(this, IntValue(n.userInfo.value(kSettingNotificatorFpsKey).toString()));
}

void SettingNotificatorDispatcher::updateChatNotify(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeChatNotify(this, n.userInfo.value(kSettingNotificatorChatNotifyKey).toInt() != 0);
}

void SettingNotificatorDispatcher::updateDispSpeakerBtnNotify(const Notification& n) {
    if (delegate_ == nullptr) return;
    delegate_->didChangeDispSpeakerBtnNotify(
        this, n.userInfo.value(kSettingNotificatorDispSpeakerBtnNotifyKey).toInt() != 0);
}
