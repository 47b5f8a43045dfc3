#pragma once

// Texts built from printf-style formats and numbers read from texts.
//
// StringWithFormat fills a format such as "Failed to login(%@)." or
// "[Setting]Changed video size to %d×%d." with its arguments. Conversions:
// %@ (any argument as text), %d %i %u %x %X %o %c (integers, whatever their
// length modifier: h, hh, l, ll, q, z, j, t), %f %e %g (floating point),
// %s (text), %p, %%; flags, width and precision as printf has them, and
// positional arguments ("%2$@"). The arguments are typed, so a wrong argument
// never crashes: a number given to %@ is written in decimal, a text given to
// %d is read with IntegerValue, a missing argument gives the empty text and an
// unknown conversion is copied as it stands.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

class FormatArg {
public:
    template <std::integral T>
    FormatArg(T value) {
        if constexpr (std::same_as<T, bool>) {
            value_ = static_cast<std::int64_t>(value ? 1 : 0);
        } else if constexpr (std::is_signed_v<T>) {
            value_ = static_cast<std::int64_t>(value);
        } else {
            value_ = static_cast<std::uint64_t>(value);
        }
    }
    template <std::floating_point T>
    FormatArg(T value) : value_(static_cast<double>(value)) {}
    FormatArg(const QString& text) : value_(text) {}
    FormatArg(const char* text) : value_(QString::fromUtf8(text)) {}
    FormatArg(std::string_view text) : value_(QString::fromUtf8(text.data(), qsizetype(text.size()))) {}
    FormatArg(const std::string& text) : FormatArg(std::string_view(text)) {}
    FormatArg(const QByteArray& text) : value_(QString::fromUtf8(text)) {}
    FormatArg(const void* pointer) : value_(reinterpret_cast<std::uintptr_t>(pointer)), pointer_(true) {}

    QString toText() const;
    std::int64_t toSigned() const;
    std::uint64_t toUnsigned() const;
    double toDouble() const;
    bool isPointer() const { return pointer_; }

private:
    std::variant<std::int64_t, std::uint64_t, double, QString> value_;
    bool pointer_ = false;
};

QString StringWithFormatArgs(const QString& format, const QVector<FormatArg>& args);

template <typename... Args>
QString StringWithFormat(const QString& format, const Args&... args) {
    return StringWithFormatArgs(format, QVector<FormatArg>{FormatArg(args)...});
}

// The kind of each argument a format consumes, by position: '@' text,
// 'd' integer, 'f' floating point, 's' C text, 'c' character, 'p' pointer.
// Positions a format skips hold '?'.
QString FormatArgumentKinds(const QString& format);

// The leading decimal number of a text: leading white space is skipped, a sign
// is accepted, reading stops at the first other character; 0 when the text
// starts with none. IntValue clamps to the 32-bit range.
int IntValue(QStringView text);
std::int64_t IntegerValue(QStringView text);
// The leading floating-point number of a text; 0 when there is none.
double DoubleValue(QStringView text);
