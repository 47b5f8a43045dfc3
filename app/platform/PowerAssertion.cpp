#include "platform/PowerAssertion.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

#include "platform/MainBundle.h"

namespace {
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
constexpr int kTimeoutMs = 3000;
}  // namespace

bool PowerAssertion::createNoDisplaySleep(const QString& name, uint32_t* assertionId) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << MainBundle::name() << name;
    const QDBusReply<uint> reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (!reply.isValid() || reply.value() == 0) return false;
    *assertionId = reply.value();
    return true;
}

bool PowerAssertion::release(uint32_t assertionId) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || assertionId == 0) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
    call << assertionId;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}
