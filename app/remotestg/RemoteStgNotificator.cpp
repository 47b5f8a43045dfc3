#include "remotestg/RemoteStgNotificator.h"

#include <QVariant>

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"

RemoteStgNotificator& RemoteStgNotificator::sharedNotificator() {
    static RemoteStgNotificator* shared = new RemoteStgNotificator();
    return *shared;
}

namespace {

QString key(const char* k) {
    return QString::fromLatin1(k);
}

void Post(RemoteStgNotificator* sender, const char* name, const QVariantMap& info) {
    const QString notice = QString::fromLatin1(name);
    mainQueue().async(
        [sender, notice, info] { NotificationCenter::defaultCenter().post(notice, sender, info); });
}

}  // namespace

void RemoteStgNotificator::requestChangeListInfoNotification(const QString& userId, int type,
                                                             const RemoteStgListInfo& list) {
    QVariantMap info;
    info.insert(key(kRemoteStgNotificatorUserIdKey), userId);
    info.insert(key(kRemoteStgNotificatorListTypeKey), StringWithFormat("%ld", long(type)));
    info.insert(key(kRemoteStgNotificatorListInfoKey), QVariant::fromValue(list));
    Post(this, kRemoteStgNotificatorDidChangeListInfoNotification, info);
}

void RemoteStgNotificator::requestChangeUserInfoNotification(const QString& userId,
                                                             const RemoteStgUserInfo& entry) {
    QVariantMap info;
    info.insert(key(kRemoteStgNotificatorUserIdKey), userId);
    info.insert(key(kRemoteStgNotificatorUserInfoKey), QVariant::fromValue(entry));
    Post(this, kRemoteStgNotificatorDidChangeUserInfoNotification, info);
}

void RemoteStgNotificator::requestChangeStgInfoNotification(RemoteStgInfo* model) {
    QVariantMap info;
    info.insert(key(kRemoteStgNotificatorStgInfoKey), QVariant::fromValue(model));
    Post(this, kRemoteStgNotificatorDidChangeStgInfoNotification, info);
}

RemoteStgNotificatorDispatcher::RemoteStgNotificatorDispatcher(RemoteStgNotificator& notificator) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(
        this, key(kRemoteStgNotificatorDidChangeListInfoNotification),
        [this](const Notification& n) {
            if (!delegate_) return;
            delegate_->didChangeListInfo(
                n.userInfo.value(key(kRemoteStgNotificatorUserIdKey)).toString(),
                n.userInfo.value(key(kRemoteStgNotificatorListTypeKey)).toString().toInt(),
                n.userInfo.value(key(kRemoteStgNotificatorListInfoKey)).value<RemoteStgListInfo>());
        },
        &notificator);
    center.addObserver(
        this, key(kRemoteStgNotificatorDidChangeUserInfoNotification),
        [this](const Notification& n) {
            if (!delegate_) return;
            delegate_->didChangeUserInfo(
                n.userInfo.value(key(kRemoteStgNotificatorUserIdKey)).toString(),
                n.userInfo.value(key(kRemoteStgNotificatorUserInfoKey)).value<RemoteStgUserInfo>());
        },
        &notificator);
    center.addObserver(
        this, key(kRemoteStgNotificatorDidChangeStgInfoNotification),
        [this](const Notification& n) {
            if (!delegate_) return;
            delegate_->didChangeRemoteStgInfo(
                n.userInfo.value(key(kRemoteStgNotificatorStgInfoKey)).value<RemoteStgInfo*>());
        },
        &notificator);
}

RemoteStgNotificatorDispatcher::~RemoteStgNotificatorDispatcher() {
    NotificationCenter::defaultCenter().removeObserver(this);
}
