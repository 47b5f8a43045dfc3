// The remote-settings model's change notices: one process-wide notificator
// builds the user information at once and posts each notice on the main
// queue, with the notificator as the sender; a dispatcher hands them to its
// delegate.
#pragma once

#include "remotestg/RemoteStgInfo.h"

inline constexpr char kRemoteStgNotificatorDidChangeListInfoNotification[] =
    "RemoteStgNotificatorDidChangeListInfoNotification";
inline constexpr char kRemoteStgNotificatorDidChangeUserInfoNotification[] =
    "RemoteStgNotificatorDidChangeUserInfoNotification";
inline constexpr char kRemoteStgNotificatorDidChangeStgInfoNotification[] =
    "RemoteStgNotificatorDidChangeStgInfoNotification";
inline constexpr char kRemoteStgNotificatorUserIdKey[] = "RemoteStgNotificatorUserIdKey";
inline constexpr char kRemoteStgNotificatorListTypeKey[] = "RemoteStgNotificatorListTypeKey";
inline constexpr char kRemoteStgNotificatorListInfoKey[] = "RemoteStgNotificatorListInfoKey";
inline constexpr char kRemoteStgNotificatorUserInfoKey[] = "RemoteStgNotificatorUserInfoKey";
inline constexpr char kRemoteStgNotificatorStgInfoKey[] = "RemoteStgNotificatorStgInfoKey";

class RemoteStgNotificator {
public:
    static RemoteStgNotificator& sharedNotificator();

    void requestChangeListInfoNotification(const QString& userId, int type, const RemoteStgListInfo& list);
    void requestChangeUserInfoNotification(const QString& userId, const RemoteStgUserInfo& info);
    void requestChangeStgInfoNotification(RemoteStgInfo* model);

private:
    RemoteStgNotificator() = default;
};

class RemoteStgNotificatorDispatcherDelegate {
public:
    virtual ~RemoteStgNotificatorDispatcherDelegate() = default;
    virtual void didChangeListInfo(const QString& /*userId*/, int /*type*/,
                                   const RemoteStgListInfo& /*list*/) {}
    virtual void didChangeUserInfo(const QString& /*userId*/, const RemoteStgUserInfo& /*info*/) {}
    virtual void didChangeRemoteStgInfo(RemoteStgInfo* /*model*/) {}
};

// Observes the notificator's notices while it lives (main thread).
class RemoteStgNotificatorDispatcher {
public:
    explicit RemoteStgNotificatorDispatcher(RemoteStgNotificator& notificator);
    ~RemoteStgNotificatorDispatcher();
    RemoteStgNotificatorDispatcher(const RemoteStgNotificatorDispatcher&) = delete;
    RemoteStgNotificatorDispatcher& operator=(const RemoteStgNotificatorDispatcher&) = delete;

    void setDelegate(RemoteStgNotificatorDispatcherDelegate* delegate) { delegate_ = delegate; }

private:
    RemoteStgNotificatorDispatcherDelegate* delegate_ = nullptr;
};
