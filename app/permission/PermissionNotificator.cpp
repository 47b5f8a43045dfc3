#include "permission/PermissionNotificator.h"

#include <QVariant>

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"

PermissionNotificator& PermissionNotificator::sharedNotificator() {
    static PermissionNotificator* shared = new PermissionNotificator();
    return *shared;
}

namespace {

void Post(PermissionNotificator* sender, const char* name, const char* key, const QVariant& value) {
    QVariantMap info;
    info.insert(QString::fromLatin1(key), value);
    const QString notice = QString::fromLatin1(name);
    mainQueue().async(
        [sender, notice, info] { NotificationCenter::defaultCenter().post(notice, sender, info); });
}

}  // namespace

void PermissionNotificator::requestChangePermitListNotification(const PermissionDataList& list) {
    Post(this, kPermissionNotificatorDidChangePermitListNotification, kPermissionNotificatorPermitListKey,
         QVariant::fromValue(list));
}

void PermissionNotificator::requestChangePermitDataNotification(const PermissionDataRef& data) {
    Post(this, kPermissionNotificatorDidChangePermitDataNotification, kPermissionNotificatorPermitDataKey,
         QVariant::fromValue(data));
}

PermissionNotificatorDispatcher::PermissionNotificatorDispatcher(PermissionNotificator& notificator) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(
        this, QString::fromLatin1(kPermissionNotificatorDidChangePermitListNotification),
        [this](const Notification& n) {
            if (delegate_)
                delegate_->didChangePermissionList(
                    n.userInfo.value(QString::fromLatin1(kPermissionNotificatorPermitListKey))
                        .value<PermissionDataList>());
        },
        &notificator);
    center.addObserver(
        this, QString::fromLatin1(kPermissionNotificatorDidChangePermitDataNotification),
        [this](const Notification& n) {
            if (delegate_)
                delegate_->didChangePermissionData(
                    n.userInfo.value(QString::fromLatin1(kPermissionNotificatorPermitDataKey))
                        .value<PermissionDataRef>());
        },
        &notificator);
}

PermissionNotificatorDispatcher::~PermissionNotificatorDispatcher() {
    NotificationCenter::defaultCenter().removeObserver(this);
}
