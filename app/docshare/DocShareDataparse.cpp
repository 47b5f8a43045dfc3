#include "docshare/DocShareDataparse.h"

#include "platform/StringFormat.h"

namespace {

QString trimmedSpacesAndTabs(QStringView v) {
    qsizetype from = 0, to = v.size();
    while (from < to && (v[from] == u' ' || v[from] == u'\t')) ++from;
    while (to > from && (v[to - 1] == u' ' || v[to - 1] == u'\t')) --to;
    return v.mid(from, to - from).toString();
}

}  // namespace

QVariantMap DocShareDataparse::getMessageElements(const QString& text) {
    QVariantMap elements;
    long posCount = 0;
    for (const QString& piece : text.split(QStringLiteral("\r\n"))) {
        const qsizetype colon = piece.indexOf(u':');
        if (colon < 0) continue;
        QString name = piece.left(colon);
        QString value = trimmedSpacesAndTabs(QStringView(piece).mid(colon + 1));
        if (name == u"Pos") {
            name = StringWithFormat("%@%05ld", QStringLiteral("Pos"), posCount++);
        } else if (name.startsWith(u"Target")) {
            const qsizetype comma = value.indexOf(u',');
            if (comma < 0) continue;  // no address to keep
            name = QStringLiteral("Target");
            value = value.mid(comma + 1);
        }
        elements.insert(name, value);
    }
    return elements;
}

QString DocShareDataparse::buildMessage(const QString& type, const std::optional<QString>& key,
                                        const std::optional<QStringList>& value) {
    QString text = QStringLiteral("Type: ") + type + QStringLiteral("\r\nKey: ") +
                   (key && !key->isEmpty() ? *key : QStringLiteral("-1")) + QStringLiteral("\r\n");
    if (value)
        for (const QString& line : *value) text += line + QStringLiteral("\r\n");
    return text + QStringLiteral("\r\n");
}

double DocShareDataparse::numberValue(const QString& text) {
    return DoubleValue(text);
}

std::optional<QList<double>> DocShareDataparse::numbers(const QString& text, int count) {
    const QStringList parts = text.split(u',');
    if (parts.size() < count) return std::nullopt;
    QList<double> out;
    for (int i = 0; i < count; ++i) out << numberValue(parts[i]);
    return out;
}
