// The document-sharing text messages: "Type: " line, "Key: " line, field
// lines "Name: value", each ending in CR LF, and an empty line at the end.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

class DocShareDataparse {
public:
    // The message's fields by name (values are texts). Never fails: a text
    // without any field line gives an empty dictionary. Repeated "Pos" lines
    // are numbered Pos00000, Pos00001, ... in their order; a "Target" line
    // keeps the part of its value after the first comma.
    static QVariantMap getMessageElements(const QString& text);

    // The text of a message: the "Type" and "Key" lines, each line of `value`
    // followed by CR LF, and the empty line. A missing or empty key is "-1".
    static QString buildMessage(const QString& type, const std::optional<QString>& key,
                                const std::optional<QStringList>& value);

    // A field as a number: the leading decimal number (optional sign and fraction,
    // leading spaces skipped); 0 when there is none.
    static double numberValue(const QString& text);
    // A pair or triple split at "," and read as numbers; fewer parts than `count`
    // answer nothing.
    static std::optional<QList<double>> numbers(const QString& text, int count);
};
