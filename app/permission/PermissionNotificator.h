// The permission table's change notices: one process-wide notificator builds
// the user information at once and posts each notice on the main queue, with
// the notificator as the sender; a dispatcher hands them to its delegate.
#pragma once

#include "permission/PermissionInfo.h"

inline constexpr char kPermissionNotificatorDidChangePermitListNotification[] =
    "PermissionNotificatorDidChangePermitListNotification";
inline constexpr char kPermissionNotificatorDidChangePermitDataNotification[] =
    "PermissionNotificatorDidChangePermitDataNotification";
inline constexpr char kPermissionNotificatorPermitListKey[] = "PermissionNotificatorPermitListKey";
inline constexpr char kPermissionNotificatorPermitDataKey[] = "PermissionNotificatorPermitDataKey";

class PermissionNotificator {
public:
    static PermissionNotificator& sharedNotificator();

    void requestChangePermitListNotification(const PermissionDataList& list);
    void requestChangePermitDataNotification(const PermissionDataRef& data);

private:
    PermissionNotificator() = default;
};

class PermissionNotificatorDispatcherDelegate {
public:
    virtual ~PermissionNotificatorDispatcherDelegate() = default;
    virtual void didChangePermissionList(const PermissionDataList& /*list*/) {}
    virtual void didChangePermissionData(const PermissionDataRef& /*data*/) {}
};

class PermissionNotificatorDispatcher {
public:
    explicit PermissionNotificatorDispatcher(PermissionNotificator& notificator);
    ~PermissionNotificatorDispatcher();
    PermissionNotificatorDispatcher(const PermissionNotificatorDispatcher&) = delete;
    PermissionNotificatorDispatcher& operator=(const PermissionNotificatorDispatcher&) = delete;

    void setDelegate(PermissionNotificatorDispatcherDelegate* delegate) { delegate_ = delegate; }

private:
    PermissionNotificatorDispatcherDelegate* delegate_ = nullptr;  // main thread only
};
