#include "chat/ChatText.h"

#include <QLocale>
#include <QSaveFile>

QString ChatText::cutToUnits(const QString& text, int maxUnits) {
    if (maxUnits <= 0) return QString();
    if (text.size() <= maxUnits) return text;
    int end = maxUnits;
    // A high surrogate at the last place kept would lose its low half.
    if (text.at(end - 1).isHighSurrogate() && text.at(end).isLowSurrogate()) --end;
    return text.left(end);
}

QString ChatText::replaceLineSeparators(const QString& text) {
    QString out = text;
    out.replace(QChar(0x2028), QStringLiteral("\r\n"));
    return out;
}

bool ChatText::isBlank(const QString& text) {
    for (const QChar c : text)
        if (!c.isSpace()) return false;
    return true;
}

bool ChatText::hasUtf8Form(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

QString ChatText::shortDateTime(const QDateTime& date) {
    const QLocale locale;
    return locale.toString(date.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(date.time(), QLocale::ShortFormat);
}

QString ChatText::heading(const QString& name, const QDateTime& date) {
    if (!date.isValid()) return name;
    return name + QStringLiteral(" [") + shortDateTime(date) + QLatin1Char(']');
}

QString ChatText::makeSaveTextFormat(const std::vector<TextBoxDataRef>& lines) {
    QString text;
    for (const TextBoxDataRef& line : lines) {
        if (!line) continue;
        text += heading(line->name(), line->date()) + QStringLiteral("\r\n") + line->message() +
                QStringLiteral("\r\n");
    }
    return text;
}

QString ChatText::saveFileName(const QString& title, const QDateTime& now) {
    return title + QLocale().toString(now, QStringLiteral("_yyyy-MM-dd-HH-mm-ss"));
}

std::optional<QString> ChatText::writeTextFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}
