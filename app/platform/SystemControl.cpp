#include "platform/SystemControl.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>

namespace {

QString readFirstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // The device tree's model ends in a NUL byte.
    QByteArray data = file.readLine(256);
    const auto nul = data.indexOf('\0');
    if (nul >= 0) {
        data.truncate(nul);
    }
    return QString::fromUtf8(data).trimmed();
}

}  // namespace

QString SystemControl::cleanModel(const QString& raw) {
    QString model;
    for (QChar c : raw) {
        model += (c.category() == QChar::Other_Control || c == u';' || c == u'(' || c == u')') ? u' ' : c;
    }
    return model.simplified();
}

QString SystemControl::hardwareModel() {
    for (const char* path : {"/sys/devices/virtual/dmi/id/product_name", "/proc/device-tree/model"}) {
        const QString model = cleanModel(readFirstLine(QString::fromLatin1(path)));
        if (!model.isEmpty()) {
            return model;
        }
    }
    struct utsname names {};
    if (uname(&names) == 0) {
        return cleanModel(QString::fromUtf8(names.machine));
    }
    return QStringLiteral("unknown");
}

SystemVersion SystemControl::parseRelease(const QString& release) {
    static const QRegularExpression numbers(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const auto match = numbers.match(release.trimmed());
    SystemVersion version;
    if (match.hasMatch()) {
        version.major = match.captured(1).toLong();
        version.minor = match.captured(2).toLong();
        version.patch = match.captured(3).toLong();
    }
    return version;
}

SystemVersion SystemControl::systemVersion() {
    struct utsname names {};
    if (uname(&names) != 0) {
        return {};
    }
    return parseRelease(QString::fromUtf8(names.release));
}

long SystemControl::processorCount() {
    const long count = sysconf(_SC_NPROCESSORS_CONF);
    return count > 0 ? count : 1;
}

std::uint64_t SystemControl::physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}
