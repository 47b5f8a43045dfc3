#pragma once

// User-interface texts by key ("dfCANCEL", "dfMAINVIEW_LOGIN_ERROR5", ...),
// from the English and Japanese tables in app/resources/localization/.
//
// The language follows the user's preferred languages (the first of them that
// has a table; English otherwise). A key missing from the table answers the
// key itself and logs a warning once per key.
//
// Call with the key spelled out as a literal: a test reads the sources and
// checks that every "df" key used exists in both tables and that every
// LocalizedFormat call passes as many arguments as the text has placeholders.
// Placeholders are those of StringWithFormat (%@, %d, "%1$@", ...).

#include <QString>
#include <QStringList>

#include "platform/StringFormat.h"

class Localization {
public:
    // The table in use: "en" or "ja".
    static QString language();
    // Chooses a table; an unknown language or an empty text goes back to the
    // user's preferred languages.
    static void setLanguage(const QString& language);
    // The first of `preferred` (e.g. "ja-JP", "en_US") that has a table, else "en".
    static QString chooseLanguage(const QStringList& preferred);

    static bool hasKey(const QString& language, const QString& key);
    static QStringList keys(const QString& language);
    // The text of a key in one table, or a null text when it is missing.
    static QString text(const QString& language, const QString& key);
};

QString LocalizedString(const char* key);
// The same for a key chosen at run time from keys that stand as literals in
// the sources (tables of choices, keys a manager reports), so each is still
// found and checked where it is written.
QString LocalizedStringForKey(const QString& key);

template <typename... Args>
QString LocalizedFormat(const char* key, const Args&... args) {
    return StringWithFormat(LocalizedString(key), args...);
}
