// The participant lists' change notices: one process-wide notificator posts
// each change on the main queue (never synchronously, in the order asked),
// with the notificator as the sender and the list snapshot or the new
// chair's id as the value.
#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "model/SpeakerInfo.h"
#include "model/UserInfo.h"

inline constexpr char kListNotificatorDidChangeSpeakerNotification[] =
    "ListNotificatorDidChangeSpeakerNotification";
inline constexpr char kListNotificatorDidChangeClientNotification[] =
    "ListNotificatorDidChangeClientNotification";
inline constexpr char kListNotificatorDidChangeReserverNotification[] =
    "ListNotificatorDidChangeReserverNotification";
inline constexpr char kListNotificatorDidChangeManySpeakerNotification[] =
    "ListNotificatorDidChangeManySpeakerNotification";
inline constexpr char kListNotificatorDidChangeOwnerNotification[] =
    "ListNotificatorDidChangeOwnerNotification";
inline constexpr char kListNotificatorSpeakerInfoKey[] = "ListNotificatorSpeakerInfoKey";
inline constexpr char kListNotificatorClientListKey[] = "ListNotificatorClientListKey";
inline constexpr char kListNotificatorReserveListKey[] = "ListNotificatorReserveListKey";
inline constexpr char kListNotificatorManySpeakerListKey[] = "ListNotificatorManySpeakerListKey";
inline constexpr char kListNotificatorUserIdKey[] = "ListNotificatorUserIdKey";

using UserInfoList = std::vector<UserInfoRef>;
using SpeakerInfoList = std::vector<SpeakerInfoRef>;

class ListNotificator {
public:
    static ListNotificator& sharedNotificator();

    // A list that the room does not have is passed as an empty QVariant.
    void requestChangeSpeakerNotification(const QVariant& speakerList);
    void requestChangeClientNotification(const QVariant& clientList);
    void requestChangeReserverNotification(const QVariant& reserveList);
    void requestChangeManySpeakerNotification(const QVariant& manySpeakerList);
    void requestChangeOwnerNotification(const QString& userId);

private:
    ListNotificator() = default;
    void post(const char* name, const char* key, const QVariant& value);
};

// Receives the notices of one notificator; every method is optional.
class ListNotificatorDispatcher;
class ListNotificatorDispatcherDelegate {
public:
    virtual ~ListNotificatorDispatcherDelegate() = default;
    virtual void didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& /*speakerList*/) {}
    virtual void didChangeClient(ListNotificatorDispatcher*, const UserInfoList& /*clientList*/) {}
    virtual void didChangeReserver(ListNotificatorDispatcher*, const UserInfoList& /*reserverList*/) {}
    virtual void didChangeManySpeaker(ListNotificatorDispatcher*,
                                      const SpeakerInfoList& /*manySpeakerList*/) {}
    virtual void didChangeOwner(ListNotificatorDispatcher*, const QString& /*ownerId*/) {}
};

class ListNotificatorDispatcher {
public:
    explicit ListNotificatorDispatcher(ListNotificator& notificator);
    ~ListNotificatorDispatcher();
    ListNotificatorDispatcher(const ListNotificatorDispatcher&) = delete;
    ListNotificatorDispatcher& operator=(const ListNotificatorDispatcher&) = delete;

    void setDelegate(ListNotificatorDispatcherDelegate* delegate) { delegate_ = delegate; }

private:
    ListNotificatorDispatcherDelegate* delegate_ = nullptr;  // main thread only
};
