#include "docshare/DSNotificator.h"

#include <QVariant>

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/StringFormat.h"

DSNotificator& DSNotificator::sharedNotificator() {
    static DSNotificator* shared = new DSNotificator();  // lives to the end of the process
    return *shared;
}

void DSNotificator::postLater(const QString& name, const QVariantMap& userInfo) {
    const void* sender = this;
    mainQueue().async(
        [name, userInfo, sender] { NotificationCenter::defaultCenter().post(name, sender, userInfo); });
}

void DSNotificator::requestChangeOperatorNotification(const UserInfoRef& operatorInfo) {
    QVariantMap info;
    if (operatorInfo) info.insert(kDSNotificatorOperatorKey, QVariant::fromValue(operatorInfo));
    postLater(kDSNotificatorDidChangeOperatorNotification, info);
}

void DSNotificator::requestChangeOperationNotification(bool hasOperationRight, bool hasViewingRight,
                                                       bool hasPageOperationRight) {
    postLater(kDSNotificatorDidChangeOperationNotification,
              {{kDSNotificatorOperationRightKey, hasOperationRight},
               {kDSNotificatorViewingRightKey, hasViewingRight},
               {kDSNotificatorPageOperationRightKey, hasPageOperationRight}});
}

void DSNotificator::requestChangeDocumentNotification(const DSDocumentRef& document) {
    QVariantMap info;
    if (document) info.insert(kDSNotificatorDocumentKey, QVariant::fromValue(document));
    postLater(kDSNotificatorDidChangeDocumentNotification, info);
}

void DSNotificator::requestChangePageInfoNotification(std::int64_t page) {
    postLater(kDSNotificatorDidChangePageInfoNotification,
              {{kDSNotificatorPageInfoKey, StringWithFormat("%ld", static_cast<long>(page))}});
}

void DSNotificator::requestReloadPageNotification() {
    postLater(kDSNotificatorDidReloadNotification);
}

void DSNotificator::requestStopLoadingNotification() {
    postLater(kDSNotificatorDidStopLoadingNotification);
}

void DSNotificator::requestChangeDocSizeNotification(const QSizeF& size) {
    postLater(kDSNotificatorDidChangeSizeNotification, {{kDSNotificatorSizeKey, size}});
}

void DSNotificator::requestChangeScrollPointNotification(const QPointF& point) {
    postLater(kDSNotificatorDidChangeScrollNotification, {{kDSNotificatorScrollKey, point}});
}

void DSNotificator::requestChangeZoomRangeNotification(std::int64_t zoom) {
    postLater(kDSNotificatorDidChangeZoomNotification,
              {{kDSNotificatorZoomKey, StringWithFormat("%ld", static_cast<long>(zoom))}});
}

void DSNotificator::requestChangePaintModeNotification(bool isPaintMode) {
    postLater(kDSNotificatorDidChangePaintModeNotification, {{kDSNotificatorPaintModeKey, isPaintMode}});
}

void DSNotificator::requestChangeDrawDataNotification(const QList<QVariantMap>& drawData,
                                                      const QPointF& scrollPoint) {
    postLater(
        kDSNotificatorDidChangeDrawDataNotification,
        {{kDSNotificatorDrawDataKey, QVariant::fromValue(drawData)}, {kDSNotificatorScrollKey, scrollPoint}});
}

void DSNotificator::requestClearDrawDataNotification() {
    postLater(kDSNotificatorDidClearDrawDataNotification);
}

void DSNotificator::requestChangePointerModeNotification(bool isPointerMode) {
    postLater(kDSNotificatorDidChangePointerModeNotification,
              {{kDSNotificatorPointerModeKey, isPointerMode}});
}

void DSNotificator::requestChangePointerOriginNotification(const QPointF& origin,
                                                           const QPointF& scrollPoint) {
    postLater(kDSNotificatorDidChangePointerOriginNotification,
              {{kDSNotificatorPointerOriginKey, origin}, {kDSNotificatorScrollKey, scrollPoint}});
}

void DSNotificator::requestChangeDrawableNotification(bool isDrawable) {
    postLater(kDSNotificatorDidChangeDrawableNotification, {{kDSNotificatorDrawableKey, isDrawable}});
}
