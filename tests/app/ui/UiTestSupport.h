#pragma once

// Helpers of the user-interface tests: waiting on the event loop, a private
// session bus and a fake desktop notification service on it.

#include <QCoreApplication>
#include <QDBusVirtualObject>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QImage>
#include <QMutex>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <memory>

// Runs the event loop until `done` answers true or the time is up.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

inline void processEventsFor(int ms) {
    processEventsUntil([] { return false; }, ms);
}

// A dbus-daemon of our own; the process's session bus points at it. Must be
// made before anything in the process touches the session bus.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
            qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
        }
    }
    ~PrivateSessionBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(3000);
        }
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    const QString& address() const { return address_; }
    bool started() const { return !address_.isEmpty(); }

private:
    QProcess daemon_;
    QString address_;
};

// A service object on a bus, answered on a thread of its own so the main
// thread may call it synchronously. Subclasses answer in handleMessage.
class FakeDBusService : public QDBusVirtualObject {
public:
    FakeDBusService(const QString& address, const QString& service, const QString& path)
        : service_(service), path_(path), connectionName_(QStringLiteral("fake-") + service) {
        moveToThread(&thread_);
        thread_.start();
        bool ok = false;
        QMetaObject::invokeMethod(
            this,
            [this, address, &ok] {
                bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, connectionName_));
                ok = bus_->isConnected() && bus_->registerVirtualObject(path_, this) && bus_->registerService(service_);
            },
            Qt::BlockingQueuedConnection);
        registered_ = ok;
    }
    ~FakeDBusService() override { shutDown(); }

    bool registered() const { return registered_; }
    QString introspect(const QString& path) const override {
        (void)path;
        return QString();
    }

protected:
    // Leaves the bus and ends the thread; a subclass calls it first in its
    // destructor, so no message reaches it half destroyed.
    void shutDown() {
        if (!thread_.isRunning()) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                bus_->unregisterService(service_);
                bus_->unregisterObject(path_);
                bus_.reset();
                QDBusConnection::disconnectFromBus(connectionName_);
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    // Runs `body` on the service's thread with its bus connection and waits for it.
    void onServiceThread(const std::function<void(QDBusConnection&)>& body) {
        QMetaObject::invokeMethod(this, [this, &body] { body(*bus_); }, Qt::BlockingQueuedConnection);
    }

private:
    QThread thread_;
    std::unique_ptr<QDBusConnection> bus_;
    const QString service_, path_, connectionName_;
    bool registered_ = false;
};

// org.freedesktop.Notifications answered on a thread of its own, so the main
// thread may call it synchronously. Records what it was asked.
class FakeNotificationService : public FakeDBusService {
public:
    struct Posted {
        uint id;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
    };

    explicit FakeNotificationService(const QString& address)
        : FakeDBusService(address, QStringLiteral("org.freedesktop.Notifications"),
                          QStringLiteral("/org/freedesktop/Notifications")) {}
    ~FakeNotificationService() override { shutDown(); }

    QList<Posted> posted() const {
        QMutexLocker lock(&mutex_);
        return posted_;
    }
    QList<uint> closed() const {
        QMutexLocker lock(&mutex_);
        return closed_;
    }
    // The user clicks notification `id`.
    void click(uint id) {
        onServiceThread([id](QDBusConnection& bus) {
            QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                             QStringLiteral("org.freedesktop.Notifications"),
                                                             QStringLiteral("ActionInvoked"));
            signal << id << QStringLiteral("default");
            bus.send(signal);
        });
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        const QList<QVariant> args = message.arguments();
        QDBusMessage reply;
        if (member == QLatin1String("Notify") && args.size() == 8) {
            QMutexLocker lock(&mutex_);
            const uint id = ++lastId_;
            posted_.append({id, args[0].toString(), args[3].toString(), args[4].toString(), args[5].toStringList()});
            reply = message.createReply(QVariant::fromValue(id));
        } else if (member == QLatin1String("CloseNotification") && args.size() == 1) {
            QMutexLocker lock(&mutex_);
            closed_.append(args[0].toUInt());
            reply = message.createReply();
        } else if (member == QLatin1String("GetServerInformation")) {
            reply = message.createReply(QVariantList{QStringLiteral("fake"), QStringLiteral("test"),
                                                     QStringLiteral("1"), QStringLiteral("1.2")});
        } else if (member == QLatin1String("GetCapabilities")) {
            reply = message.createReply(QVariant(QStringList{QStringLiteral("actions"), QStringLiteral("body")}));
        } else {
            return false;
        }
        connection.send(reply);
        return true;
    }

private:
    mutable QMutex mutex_;
    QList<Posted> posted_;
    QList<uint> closed_;
    uint lastId_ = 0;
};

// Fraction of pixels in `rect` that differ from `background` by more than a little.
inline double inkRatio(const QImage& image, const QRect& rect, QRgb background) {
    int ink = 0;
    int total = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            ++total;
            if (std::abs(qRed(p) - qRed(background)) + std::abs(qGreen(p) - qGreen(background)) +
                    std::abs(qBlue(p) - qBlue(background)) > 60) {
                ++ink;
            }
        }
    }
    return total == 0 ? 0 : double(ink) / total;
}
