// Observes the notifications of one `DSNotificator` (and of no other sender)
// and calls its delegate for each, on the main thread. Every delegate method
// has an empty default, so a delegate answers only what it overrides.
// Destruction ends the observation.
#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QVariantMap>
#include <cstdint>

#include "docshare/DSDocument.h"
#include "model/UserInfo.h"

class DSNotificator;
class DSNotificatorDispatcher;
struct Notification;

class DSNotificatorDispatcherDelegate {
public:
    virtual ~DSNotificatorDispatcherDelegate() = default;
    virtual void didChangeOperator(DSNotificatorDispatcher*, const UserInfoRef& /*operatorInfo*/) {}
    virtual void didChangeOperation(bool /*hasOperationRight*/, bool /*hasViewingRight*/,
                                    bool /*hasPageOperationRight*/) {}
    virtual void didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& /*document*/) {}
    virtual void didChangePageInfo(DSNotificatorDispatcher*, std::int64_t /*pageNum*/) {}
    virtual void didReloadPage(DSNotificatorDispatcher*) {}
    virtual void didStopLoading(DSNotificatorDispatcher*) {}
    virtual void didChangeDocSize(DSNotificatorDispatcher*, const QSizeF& /*size*/) {}
    virtual void didChangeScrollPoint(DSNotificatorDispatcher*, const QPointF& /*scroll*/) {}
    virtual void didChangeZoomRange(DSNotificatorDispatcher*, std::int64_t /*range*/) {}
    virtual void didChangePaintMode(DSNotificatorDispatcher*, bool /*isPaintMode*/) {}
    virtual void didChangeDrawData(DSNotificatorDispatcher*, const QList<QVariantMap>& /*data*/,
                                   const QPointF& /*scrollPoint*/) {}
    virtual void didClearDrawData(DSNotificatorDispatcher*) {}
    virtual void didChangePointerMode(DSNotificatorDispatcher*, bool /*isPointerMode*/) {}
    virtual void didChangePointerOrigin(DSNotificatorDispatcher*, const QPointF& /*origin*/,
                                        const QPointF& /*scrollPoint*/) {}
    virtual void didChangeDrawable(DSNotificatorDispatcher*, bool /*isDrawable*/) {}
};

class DSNotificatorDispatcher {
public:
    explicit DSNotificatorDispatcher(DSNotificator* notificator);
    ~DSNotificatorDispatcher();
    DSNotificatorDispatcher(const DSNotificatorDispatcher&) = delete;
    DSNotificatorDispatcher& operator=(const DSNotificatorDispatcher&) = delete;

    void setDelegate(DSNotificatorDispatcherDelegate* delegate) { delegate_ = delegate; }
    DSNotificatorDispatcherDelegate* delegate() const { return delegate_; }
    DSNotificator* notificator() const { return notificator_; }

private:
    void dispatch(const Notification& n);

    DSNotificator* notificator_;
    DSNotificatorDispatcherDelegate* delegate_ = nullptr;
};
