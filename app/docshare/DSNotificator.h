// Turns the document-sharing changes into notifications on the main queue.
// Each request may come from any thread; it builds its user information at
// once (the values of that moment) and posts through the default notification
// centre, with the notificator as the sender. All go through the serial main
// queue, so they arrive in the order of the requests.
#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <cstdint>

#include "docshare/DSDocument.h"
#include "model/UserInfo.h"

Q_DECLARE_METATYPE(UserInfoRef)

inline const QString kDSNotificatorDidChangeOperatorNotification =
    QStringLiteral("DSNotificatorDidChangeOperatorNotification");
inline const QString kDSNotificatorDidChangeOperationNotification =
    QStringLiteral("DSNotificatorDidChangeOperationNotification");
inline const QString kDSNotificatorDidChangeDocumentNotification =
    QStringLiteral("DSNotificatorDidChangeDocumentNotification");
inline const QString kDSNotificatorDidChangePageInfoNotification =
    QStringLiteral("DSNotificatorDidChangePageInfoNotification");
inline const QString kDSNotificatorDidReloadNotification =
    QStringLiteral("DSNotificatorDidReloadNotification");
inline const QString kDSNotificatorDidStopLoadingNotification =
    QStringLiteral("DSNotificatorDidStopLoadingNotification");
inline const QString kDSNotificatorDidChangeSizeNotification =
    QStringLiteral("DSNotificatorDidChangeSizeNotification");
inline const QString kDSNotificatorDidChangeScrollNotification =
    QStringLiteral("DSNotificatorDidChangeScrollNotification");
inline const QString kDSNotificatorDidChangeZoomNotification =
    QStringLiteral("DSNotificatorDidChangeZoomNotification");
inline const QString kDSNotificatorDidChangePaintModeNotification =
    QStringLiteral("DSNotificatorDidChangePaintModeNotification");
inline const QString kDSNotificatorDidChangeDrawDataNotification =
    QStringLiteral("DSNotificatorDidChangeDrawDataNotification");
inline const QString kDSNotificatorDidClearDrawDataNotification =
    QStringLiteral("DSNotificatorDidClearDrawDataNotification");
inline const QString kDSNotificatorDidChangePointerModeNotification =
    QStringLiteral("DSNotificatorDidChangePointerModeNotification");
inline const QString kDSNotificatorDidChangePointerOriginNotification =
    QStringLiteral("DSNotificatorDidChangePointerOriginNotification");
inline const QString kDSNotificatorDidChangeDrawableNotification =
    QStringLiteral("DSNotificatorDidChangeDrawableNotification");

inline const QString kDSNotificatorOperatorKey = QStringLiteral("DSNotificatorOperatorKey");
inline const QString kDSNotificatorOperationRightKey = QStringLiteral("DSNotificatorOperationRightKey");
inline const QString kDSNotificatorViewingRightKey = QStringLiteral("DSNotificatorViewingRightKey");
inline const QString kDSNotificatorPageOperationRightKey =
    QStringLiteral("DSNotificatorPageOperationRightKey");
inline const QString kDSNotificatorDocumentKey = QStringLiteral("DSNotificatorDocumentKey");
inline const QString kDSNotificatorPageInfoKey = QStringLiteral("DSNotificatorPageInfoKey");
inline const QString kDSNotificatorSizeKey = QStringLiteral("DSNotificatorSizeKey");
inline const QString kDSNotificatorScrollKey = QStringLiteral("DSNotificatorScrollKey");
inline const QString kDSNotificatorZoomKey = QStringLiteral("DSNotificatorZoomKey");
inline const QString kDSNotificatorPaintModeKey = QStringLiteral("DSNotificatorPaintModeKey");
inline const QString kDSNotificatorDrawDataKey = QStringLiteral("DSNotificatorDrawDataKey");
inline const QString kDSNotificatorPointerModeKey = QStringLiteral("DSNotificatorPointerModeKey");
inline const QString kDSNotificatorPointerOriginKey = QStringLiteral("DSNotificatorPointerOriginKey");
inline const QString kDSNotificatorDrawableKey = QStringLiteral("DSNotificatorDrawableKey");

class DSNotificator {
public:
    // The one shared instance (created once, from any thread).
    static DSNotificator& sharedNotificator();
    DSNotificator() = default;
    DSNotificator(const DSNotificator&) = delete;
    DSNotificator& operator=(const DSNotificator&) = delete;

    void requestChangeOperatorNotification(const UserInfoRef& operatorInfo);
    void requestChangeOperationNotification(bool hasOperationRight, bool hasViewingRight,
                                            bool hasPageOperationRight);
    void requestChangeDocumentNotification(const DSDocumentRef& document);
    void requestChangePageInfoNotification(std::int64_t page);
    void requestReloadPageNotification();
    void requestStopLoadingNotification();
    void requestChangeDocSizeNotification(const QSizeF& size);
    void requestChangeScrollPointNotification(const QPointF& point);
    void requestChangeZoomRangeNotification(std::int64_t zoom);
    void requestChangePaintModeNotification(bool isPaintMode);
    // The strokes as they are when asked (a copy of the model's list).
    void requestChangeDrawDataNotification(const QList<QVariantMap>& drawData, const QPointF& scrollPoint);
    void requestClearDrawDataNotification();
    void requestChangePointerModeNotification(bool isPointerMode);
    void requestChangePointerOriginNotification(const QPointF& origin, const QPointF& scrollPoint);
    void requestChangeDrawableNotification(bool isDrawable);

private:
    void postLater(const QString& name, const QVariantMap& userInfo = {});
};
