#include "docshare/DSNotificatorDispatcher.h"

#include "docshare/DSNotificator.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"

DSNotificatorDispatcher::DSNotificatorDispatcher(DSNotificator* notificator) : notificator_(notificator) {
    if (notificator_ == nullptr) return;  // observing "every sender" would be wrong here
    const QString* names[] = {
        &kDSNotificatorDidChangeOperatorNotification,
        &kDSNotificatorDidChangeOperationNotification,
        &kDSNotificatorDidChangeDocumentNotification,
        &kDSNotificatorDidChangePageInfoNotification,
        &kDSNotificatorDidReloadNotification,
        &kDSNotificatorDidStopLoadingNotification,
        &kDSNotificatorDidChangeSizeNotification,
        &kDSNotificatorDidChangeScrollNotification,
        &kDSNotificatorDidChangeZoomNotification,
        &kDSNotificatorDidChangePaintModeNotification,
        &kDSNotificatorDidChangeDrawDataNotification,
        &kDSNotificatorDidClearDrawDataNotification,
        &kDSNotificatorDidChangePointerModeNotification,
        &kDSNotificatorDidChangePointerOriginNotification,
        &kDSNotificatorDidChangeDrawableNotification,
    };
    for (const QString* name : names)
        NotificationCenter::defaultCenter().addObserver(
            this, *name, [this](const Notification& n) { dispatch(n); }, notificator_);
}

DSNotificatorDispatcher::~DSNotificatorDispatcher() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void DSNotificatorDispatcher::dispatch(const Notification& n) {
    DSNotificatorDispatcherDelegate* d = delegate_;
    if (d == nullptr) return;
    const QVariantMap& u = n.userInfo;
    auto flag = [&](const QString& key) { return u.value(key).toBool(); };
    auto point = [&](const QString& key) { return u.value(key).toPointF(); };
    auto number = [&](const QString& key) { return std::int64_t(IntegerValue(u.value(key).toString())); };
    const QString& name = n.name;
    if (name == kDSNotificatorDidChangeOperatorNotification)
        d->didChangeOperator(this, u.value(kDSNotificatorOperatorKey).value<UserInfoRef>());
    else if (name == kDSNotificatorDidChangeOperationNotification)
        d->didChangeOperation(flag(kDSNotificatorOperationRightKey), flag(kDSNotificatorViewingRightKey),
                              flag(kDSNotificatorPageOperationRightKey));
    else if (name == kDSNotificatorDidChangeDocumentNotification)
        d->didChangeDocument(this, u.value(kDSNotificatorDocumentKey).value<DSDocumentRef>());
    else if (name == kDSNotificatorDidChangePageInfoNotification)
        d->didChangePageInfo(this, number(kDSNotificatorPageInfoKey));
    else if (name == kDSNotificatorDidReloadNotification)
        d->didReloadPage(this);
    else if (name == kDSNotificatorDidStopLoadingNotification)
        d->didStopLoading(this);
    else if (name == kDSNotificatorDidChangeSizeNotification)
        d->didChangeDocSize(this, u.value(kDSNotificatorSizeKey).toSizeF());
    else if (name == kDSNotificatorDidChangeScrollNotification)
        d->didChangeScrollPoint(this, point(kDSNotificatorScrollKey));
    else if (name == kDSNotificatorDidChangeZoomNotification)
        d->didChangeZoomRange(this, number(kDSNotificatorZoomKey));
    else if (name == kDSNotificatorDidChangePaintModeNotification)
        d->didChangePaintMode(this, flag(kDSNotificatorPaintModeKey));
    else if (name == kDSNotificatorDidChangeDrawDataNotification)
        d->didChangeDrawData(this, u.value(kDSNotificatorDrawDataKey).value<QList<QVariantMap>>(),
                             point(kDSNotificatorScrollKey));
    else if (name == kDSNotificatorDidClearDrawDataNotification)
        d->didClearDrawData(this);
    else if (name == kDSNotificatorDidChangePointerModeNotification)
        d->didChangePointerMode(this, flag(kDSNotificatorPointerModeKey));
    else if (name == kDSNotificatorDidChangePointerOriginNotification)
        d->didChangePointerOrigin(this, point(kDSNotificatorPointerOriginKey),
                                  point(kDSNotificatorScrollKey));
    else if (name == kDSNotificatorDidChangeDrawableNotification)
        d->didChangeDrawable(this, flag(kDSNotificatorDrawableKey));
}
