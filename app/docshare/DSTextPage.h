// A page file that is no picture but text: read as Shift_JIS (through iconv,
// strictly: a byte sequence that is no Shift_JIS gives none) and laid out in
// the system font, wrapped to a width, as a picture of its own.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

class DSTextPage {
public:
    static std::optional<QString> decodeShiftJis(const QByteArray& data);
    // The height the text takes in the system font when wrapped to `width`.
    static double heightForStringDrawing(const QString& text, double width);
    // The text drawn black on white, `width` wide and as tall as it needs;
    // a null picture when either side would be 0.
    static QImage render(const QString& text, double width);
};
