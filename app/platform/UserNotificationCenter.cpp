#include "platform/UserNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>
#include <chrono>
#include <condition_variable>
#include <memory>

#include "platform/Dispatch.h"
#include "platform/MainBundle.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 2000;

// Bus queries still running on worker threads. The application object waits
// for them as it goes: a query that set up the bus connection, or is still
// talking to it, while the process tears down Qt's type registry crashes the
// bus thread.
std::mutex gQueriesMutex;
std::condition_variable gQueriesDone;
int gQueriesRunning = 0;

void waitForRunningQueries() {
    std::unique_lock lock(gQueriesMutex);
    gQueriesDone.wait_for(lock, std::chrono::milliseconds(2 * kCallTimeoutMs),
                          [] { return gQueriesRunning == 0; });
}

class RunningQuery {
public:
    RunningQuery() {
        std::lock_guard lock(gQueriesMutex);
        ++gQueriesRunning;
    }
    ~RunningQuery() {
        std::lock_guard lock(gQueriesMutex);
        if (--gQueriesRunning == 0) {
            gQueriesDone.notify_all();
        }
    }
    RunningQuery(const RunningQuery&) = delete;
    RunningQuery& operator=(const RunningQuery&) = delete;
};

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

}  // namespace

UserNotificationCenter::UserNotificationCenter() {
    // The first use of the bus starts Qt's bus thread and sets the connection up
    // there. Doing it here, on the thread that asks for the center (the main
    // thread), finishes that set-up before any query runs in the background and
    // before the program can exit.
    (void)QDBusConnection::sessionBus().isConnected();
    qAddPostRoutine(waitForRunningQueries);
}

UserNotificationCenter& UserNotificationCenter::current() {
    // Lives as long as the process; its bus signals are received on the main
    // thread whichever thread asked first.
    static auto* center = [] {
        auto* created = new UserNotificationCenter();
        if (QCoreApplication* app = QCoreApplication::instance()) {
            created->moveToThread(app->thread());
        }
        return created;
    }();
    return *center;
}

bool UserNotificationCenter::serviceAnswers(QString* error) const {
    if (!QDBusConnection::sessionBus().isConnected()) {
        *error = QStringLiteral("no session bus");
        return false;
    }
    const QDBusMessage reply = call(QStringLiteral("GetServerInformation"), {});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *error = reply.errorMessage();
        return false;
    }
    return true;
}

void UserNotificationCenter::requestAuthorization(std::function<void(bool, const QString&)> completion) {
    auto query = std::make_shared<RunningQuery>();
    DispatchQueue::global().async([this, query, completion = std::move(completion)] {
        QString error;
        const bool granted = serviceAnswers(&error);
        if (completion) {
            completion(granted, error);
        }
    });
}

void UserNotificationCenter::getAuthorizationStatus(std::function<void(bool)> completion) {
    auto query = std::make_shared<RunningQuery>();
    DispatchQueue::global().async([this, query, completion = std::move(completion)] {
        QString error;
        const bool authorized = serviceAnswers(&error);
        if (completion) {
            completion(authorized);
        }
    });
}

void UserNotificationCenter::setDelegate(UserNotificationCenterDelegate* delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = delegate;
}

void UserNotificationCenter::add(const QString& identifier, const QString& title, const QString& subtitle,
                                 const QString& body) {
    {
        std::lock_guard lock(mutex_);
        if (!listening_) {
            auto bus = QDBusConnection::sessionBus();
            bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                        SLOT(onActionInvoked(uint, QString)));
            bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                        SLOT(onNotificationClosed(uint, uint)));
            listening_ = true;
        }
    }
    const QString summary = title.isEmpty() ? subtitle : title;
    QString text = title.isEmpty() ? QString() : subtitle;
    if (!text.isEmpty() && !body.isEmpty()) {
        text += u'\n';
    }
    text += body;
    const QDBusMessage reply =
        call(QStringLiteral("Notify"),
             {MainBundle::name(), uint(0), QString(), summary, text,
              QStringList{QStringLiteral("default"), QString()}, QVariantMap(), int(-1)});
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        std::lock_guard lock(mutex_);
        delivered_.insert(reply.arguments().first().toUInt(), identifier);
    }
}

void UserNotificationCenter::close(uint id) {
    call(QStringLiteral("CloseNotification"), {id});
}

void UserNotificationCenter::removeDeliveredNotifications(const QString& identifier) {
    QList<uint> ids;
    {
        std::lock_guard lock(mutex_);
        for (auto it = delivered_.begin(); it != delivered_.end();) {
            if (it.value() == identifier) {
                ids.append(it.key());
                it = delivered_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (uint id : ids) {
        close(id);
    }
}

void UserNotificationCenter::removeAllDeliveredNotifications() {
    QList<uint> ids;
    {
        std::lock_guard lock(mutex_);
        ids = delivered_.keys();
        delivered_.clear();
    }
    for (uint id : ids) {
        close(id);
    }
}

void UserNotificationCenter::onActionInvoked(uint id, const QString& action) {
    (void)action;
    QString identifier;
    UserNotificationCenterDelegate* delegate = nullptr;
    {
        std::lock_guard lock(mutex_);
        const auto it = delivered_.constFind(id);
        if (it == delivered_.constEnd()) {
            return;  // another application's notification
        }
        identifier = *it;
        delegate = delegate_;
    }
    if (delegate != nullptr) {
        delegate->didReceiveNotificationResponse(identifier);
    }
}

void UserNotificationCenter::onNotificationClosed(uint id, uint reason) {
    (void)reason;
    std::lock_guard lock(mutex_);
    delivered_.remove(id);
}
