#pragma once

// The desktop's notification service (org.freedesktop.Notifications on the
// session bus). Notifications are "allowed" when the service answers.

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <mutex>

class UserNotificationCenterDelegate {
public:
    virtual ~UserNotificationCenterDelegate() = default;
    // The user clicked the notification with this identifier (main thread).
    virtual void didReceiveNotificationResponse(const QString& identifier) { (void)identifier; }
};

class UserNotificationCenter : public QObject {
    Q_OBJECT

public:
    static UserNotificationCenter& current();

    // Both completions run on a thread of the global queue.
    void requestAuthorization(std::function<void(bool granted, const QString& error)> completion);
    void getAuthorizationStatus(std::function<void(bool authorized)> completion);

    // Held weakly: the delegate clears itself (setDelegate(nullptr)) before it goes away.
    void setDelegate(UserNotificationCenterDelegate* delegate);
    void add(const QString& identifier, const QString& title, const QString& subtitle, const QString& body);
    void removeDeliveredNotifications(const QString& identifier);
    void removeAllDeliveredNotifications();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    UserNotificationCenter();
    bool serviceAnswers(QString* error) const;
    void close(uint id);

    std::mutex mutex_;
    UserNotificationCenterDelegate* delegate_ = nullptr;
    QHash<uint, QString> delivered_;  // service id -> identifier
    bool listening_ = false;
};
