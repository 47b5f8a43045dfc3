#include "platform/WorkspaceSleepMonitor.h"

#include <QDBusConnection>

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");
}  // namespace

WorkspaceSleepMonitor::WorkspaceSleepMonitor(QObject* parent) : QObject(parent) {}

WorkspaceSleepMonitor::~WorkspaceSleepMonitor() {
    stop();
}

bool WorkspaceSleepMonitor::start(std::function<void()> willSleep, std::function<void()> didWake) {
    stop();
    willSleep_ = std::move(willSleep);
    didWake_ = std::move(didWake);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return false;
    // Any sender: logind owns the name, and a test's stand-in sends from its own connection.
    observing_ = bus.connect(QString(), kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
    return observing_;
}

void WorkspaceSleepMonitor::stop() {
    if (!observing_) return;
    QDBusConnection::systemBus().disconnect(QString(), kPath, kInterface, kSignal, this,
                                            SLOT(prepareForSleep(bool)));
    observing_ = false;
}

void WorkspaceSleepMonitor::prepareForSleep(bool sleeping) {
    if (sleeping) {
        if (willSleep_) willSleep_();
    } else if (didWake_) {
        didWake_();
    }
}
