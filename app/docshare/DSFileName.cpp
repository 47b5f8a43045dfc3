#include "docshare/DSFileName.h"

#include <QLocale>

std::optional<QString> DSFileName::sanitise(const QString& name) {
    QString safe = name;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    safe.replace(QChar(u'\0'), QLatin1Char('_'));
    while (safe.toUtf8().size() > kMaxBytes) {
        safe.chop(1);
        if (!safe.isEmpty() && safe.back().isHighSurrogate()) safe.chop(1);
    }
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String("..")) return std::nullopt;
    return safe;
}

QString DSFileName::saveFileName(const QString& prefix, const QDateTime& now) {
    return prefix + QLocale().toString(now, QStringLiteral("_yyyy-MM-dd-HH-mm-ss"));
}

QString DSFileName::pdfFileName(const QString& prefix, const QDateTime& now) {
    return prefix + QLocale().toString(now, QStringLiteral("_yyyy-MM-dd HH:mm:ss"));
}
