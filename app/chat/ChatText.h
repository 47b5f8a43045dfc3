// Text rules shared by the chat windows: cuts that never split a character,
// the line-separator conversion, the heading of a line and the chat file.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "model/TextBoxData.h"

class ChatText {
public:
    // The longest start of `text` that is at most `maxUnits` UTF-16 units
    // long and ends between two code points: a surrogate pair at the limit
    // is kept when it fits whole, left out whole when it does not.
    static QString cutToUnits(const QString& text, int maxUnits);
    // Every LINE SEPARATOR (U+2028) as CR LF.
    static QString replaceLineSeparators(const QString& text);
    // Nothing but white space and line ends.
    static bool isBlank(const QString& text);
    // False for a text with a lone surrogate (no UTF-8 form).
    static bool hasUtf8Form(const QString& text);
    // The date in the locale's short date and short time styles.
    static QString shortDateTime(const QDateTime& date);
    // "name [date]" (the date part only when there is a date).
    static QString heading(const QString& name, const QDateTime& date);
    // The chat file: per line the heading, CR LF, the message, CR LF.
    static QString makeSaveTextFormat(const std::vector<TextBoxDataRef>& lines);
    // The proposed file name: the title and "_yyyy-MM-dd-HH-mm-ss".
    static QString saveFileName(const QString& title, const QDateTime& now);
    // Writes `text` in UTF-8 to `path` atomically (beside, then renamed);
    // answers the error text of a failed write, none on success.
    static std::optional<QString> writeTextFile(const QString& path, const QString& text);
};
