#include "platform/MainBundle.h"

#include <QFile>

static void registerImageResources() { Q_INIT_RESOURCE(images); }

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

std::optional<QString> MainBundle::pathForResource(const QString& name, const QString& type) {
    static const bool registered = [] {
        registerImageResources();
        return true;
    }();
    (void)registered;
    const QString path = QStringLiteral(":/images/%1.%2").arg(name, type);
    if (!QFile::exists(path)) {
        return std::nullopt;
    }
    return path;
}
