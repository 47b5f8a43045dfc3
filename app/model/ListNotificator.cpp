#include "model/ListNotificator.h"

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"

ListNotificator& ListNotificator::sharedNotificator() {
    static ListNotificator* shared = new ListNotificator();
    return *shared;
}

void ListNotificator::post(const char* name, const char* key, const QVariant& value) {
    QVariantMap info;
    info.insert(QString::fromLatin1(key), value);
    const QString notice = QString::fromLatin1(name);
    mainQueue().async([this, notice, info] { NotificationCenter::defaultCenter().post(notice, this, info); });
}

void ListNotificator::requestChangeSpeakerNotification(const QVariant& v) {
    post(kListNotificatorDidChangeSpeakerNotification, kListNotificatorSpeakerInfoKey, v);
}
void ListNotificator::requestChangeClientNotification(const QVariant& v) {
    post(kListNotificatorDidChangeClientNotification, kListNotificatorClientListKey, v);
}
void ListNotificator::requestChangeReserverNotification(const QVariant& v) {
    post(kListNotificatorDidChangeReserverNotification, kListNotificatorReserveListKey, v);
}
void ListNotificator::requestChangeManySpeakerNotification(const QVariant& v) {
    post(kListNotificatorDidChangeManySpeakerNotification, kListNotificatorManySpeakerListKey, v);
}
void ListNotificator::requestChangeOwnerNotification(const QString& userId) {
    post(kListNotificatorDidChangeOwnerNotification, kListNotificatorUserIdKey, QVariant(userId));
}

ListNotificatorDispatcher::ListNotificatorDispatcher(ListNotificator& notificator) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto value = [](const Notification& n, const char* key) {
        return n.userInfo.value(QString::fromLatin1(key));
    };
    center.addObserver(
        this, QString::fromLatin1(kListNotificatorDidChangeSpeakerNotification),
        [this, value](const Notification& n) {
            if (delegate_)
                delegate_->didChangeSpeaker(
                    this, value(n, kListNotificatorSpeakerInfoKey).value<SpeakerInfoList>());
        },
        &notificator);
    center.addObserver(
        this, QString::fromLatin1(kListNotificatorDidChangeClientNotification),
        [this, value](const Notification& n) {
            if (delegate_)
                delegate_->didChangeClient(this,
                                           value(n, kListNotificatorClientListKey).value<UserInfoList>());
        },
        &notificator);
    center.addObserver(
        this, QString::fromLatin1(kListNotificatorDidChangeReserverNotification),
        [this, value](const Notification& n) {
            if (delegate_)
                delegate_->didChangeReserver(this,
                                             value(n, kListNotificatorReserveListKey).value<UserInfoList>());
        },
        &notificator);
    center.addObserver(
        this, QString::fromLatin1(kListNotificatorDidChangeManySpeakerNotification),
        [this, value](const Notification& n) {
            if (delegate_)
                delegate_->didChangeManySpeaker(
                    this, value(n, kListNotificatorManySpeakerListKey).value<SpeakerInfoList>());
        },
        &notificator);
    center.addObserver(
        this, QString::fromLatin1(kListNotificatorDidChangeOwnerNotification),
        [this, value](const Notification& n) {
            if (delegate_) delegate_->didChangeOwner(this, value(n, kListNotificatorUserIdKey).toString());
        },
        &notificator);
}

ListNotificatorDispatcher::~ListNotificatorDispatcher() {
    NotificationCenter::defaultCenter().removeObserver(this);
}
