#include "platform/MainBundle.h"

QString MainBundle::identifier() {
    return QStringLiteral("com.quorix.Quorix");
}

QString MainBundle::name() {
    return QStringLiteral("Quorix");
}

QString MainBundle::shortVersion() {
    return QStringLiteral(QUORIX_VERSION);
}

QString MainBundle::version() {
    return QStringLiteral(QUORIX_VERSION);
}

std::optional<QString> MainBundle::supportSystemVersion() {
    return QStringLiteral("1.0.0");
}
