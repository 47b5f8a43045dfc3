#include "platform/StringFormat.h"

#include <QLocale>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>

QString FormatArg::toText() const {
    if (pointer_) {
        return QStringLiteral("0x") + QString::number(std::get<std::uint64_t>(value_), 16);
    }
    if (const auto* s = std::get_if<std::int64_t>(&value_)) {
        return QString::number(*s);
    }
    if (const auto* u = std::get_if<std::uint64_t>(&value_)) {
        return QString::number(*u);
    }
    if (const auto* d = std::get_if<double>(&value_)) {
        return QString::number(*d, 'g', QLocale::FloatingPointShortest);
    }
    return std::get<QString>(value_);
}

std::int64_t FormatArg::toSigned() const {
    if (const auto* s = std::get_if<std::int64_t>(&value_)) {
        return *s;
    }
    if (const auto* u = std::get_if<std::uint64_t>(&value_)) {
        return static_cast<std::int64_t>(*u);
    }
    if (const auto* d = std::get_if<double>(&value_)) {
        if (!(*d >= -9.2e18 && *d <= 9.2e18)) {
            return 0;  // NaN or out of range
        }
        return static_cast<std::int64_t>(*d);
    }
    return IntegerValue(std::get<QString>(value_));
}

std::uint64_t FormatArg::toUnsigned() const {
    if (const auto* u = std::get_if<std::uint64_t>(&value_)) {
        return *u;
    }
    return static_cast<std::uint64_t>(toSigned());
}

double FormatArg::toDouble() const {
    if (const auto* s = std::get_if<std::int64_t>(&value_)) {
        return static_cast<double>(*s);
    }
    if (const auto* u = std::get_if<std::uint64_t>(&value_)) {
        return static_cast<double>(*u);
    }
    if (const auto* d = std::get_if<double>(&value_)) {
        return *d;
    }
    return DoubleValue(std::get<QString>(value_));
}

namespace {

struct Directive {
    int position = 0;  // 1-based when given as "%n$"
    QString flags;
    int width = -1;
    int precision = -1;
    QChar conversion;
    qsizetype end = 0;  // index behind the conversion character
};

bool isLengthModifier(QChar c) {
    return c == u'h' || c == u'l' || c == u'q' || c == u'L' || c == u'z' || c == u'j' || c == u't';
}

int readNumber(const QString& format, qsizetype& i) {
    int value = 0;
    while (i < format.size() && format[i].isDigit() && value < 100000) {
        value = value * 10 + format[i].digitValue();
        ++i;
    }
    return value;
}

// Parses the conversion that begins at format[start] == '%'. False when it is
// not one (then it is copied literally).
bool parseDirective(const QString& format, qsizetype start, Directive& directive) {
    qsizetype i = start + 1;
    // "%n$"
    qsizetype digits = i;
    int number = readNumber(format, digits);
    if (digits > i && digits < format.size() && format[digits] == u'$' && number > 0) {
        directive.position = number;
        i = digits + 1;
    }
    while (i < format.size() && QStringView(u"-+ #0'").contains(format[i])) {
        directive.flags += format[i];
        ++i;
    }
    if (i < format.size() && format[i].isDigit()) {
        directive.width = readNumber(format, i);
    }
    if (i < format.size() && format[i] == u'.') {
        ++i;
        directive.precision = readNumber(format, i);
    }
    while (i < format.size() && isLengthModifier(format[i])) {
        ++i;
    }
    if (i >= format.size()) {
        return false;
    }
    directive.conversion = format[i];
    directive.end = i + 1;
    return QStringView(u"@diuxXocCfFeEgGaAsSp%DUO").contains(directive.conversion);
}

QChar kindOf(QChar conversion) {
    switch (conversion.unicode()) {
        case u'@':
            return u'@';
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
            return u'f';
        case u's':
        case u'S':
            return u's';
        case u'c':
        case u'C':
            return u'c';
        case u'p':
            return u'p';
        default:
            return u'd';
    }
}

QString cFormat(const Directive& directive, const char* length, char conversion) {
    QString f = QStringLiteral("%") + directive.flags;
    if (directive.width >= 0) {
        f += QString::number(directive.width);
    }
    if (directive.precision >= 0) {
        f += u'.' + QString::number(directive.precision);
    }
    return f + QLatin1String(length) + QLatin1Char(conversion);
}

template <typename T>
QString printfValue(const QString& f, T value) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, f.toLatin1().constData(), value);
    if (n < 0) {
        return {};
    }
    return QString::fromLatin1(buffer, std::min<qsizetype>(n, sizeof buffer - 1));
}

QString padText(QString text, const Directive& directive) {
    if (directive.precision >= 0 && text.size() > directive.precision) {
        text.truncate(directive.precision);
    }
    if (directive.width > text.size()) {
        const QString pad(directive.width - text.size(), u' ');
        text = directive.flags.contains(u'-') ? text + pad : pad + text;
    }
    return text;
}

QString render(const Directive& directive, const FormatArg& arg) {
    const char c = static_cast<char>(directive.conversion.toLatin1());
    switch (kindOf(directive.conversion).unicode()) {
        case u'@':
        case u's':
            return padText(arg.toText(), directive);
        case u'f':
            return printfValue(cFormat(directive, "", c), arg.toDouble());
        case u'c':
            return padText(QString(QChar(static_cast<char32_t>(arg.toUnsigned() & 0xFFFF))), directive);
        case u'p':
            return padText(QStringLiteral("0x") + QString::number(arg.toUnsigned(), 16), directive);
        default:
            break;
    }
    switch (c) {
        case 'd':
        case 'i':
        case 'D':
            return printfValue(cFormat(directive, "ll", 'd'), static_cast<long long>(arg.toSigned()));
        case 'x':
        case 'X':
        case 'o':
            return printfValue(cFormat(directive, "ll", c), static_cast<unsigned long long>(arg.toUnsigned()));
        case 'O':
            return printfValue(cFormat(directive, "ll", 'o'), static_cast<unsigned long long>(arg.toUnsigned()));
        default:  // u, U
            return printfValue(cFormat(directive, "ll", 'u'), static_cast<unsigned long long>(arg.toUnsigned()));
    }
}

}  // namespace

QString StringWithFormatArgs(const QString& format, const QVector<FormatArg>& args) {
    QString out;
    out.reserve(format.size() + 16 * args.size());
    int next = 0;
    qsizetype i = 0;
    while (i < format.size()) {
        const qsizetype percent = format.indexOf(u'%', i);
        if (percent < 0) {
            out += QStringView(format).mid(i);
            break;
        }
        out += QStringView(format).mid(i, percent - i);
        Directive directive;
        if (!parseDirective(format, percent, directive)) {
            out += u'%';
            i = percent + 1;
            continue;
        }
        i = directive.end;
        if (directive.conversion == u'%') {
            out += u'%';
            continue;
        }
        const int index = directive.position > 0 ? directive.position - 1 : next++;
        if (index < args.size()) {
            out += render(directive, args[index]);
        }
    }
    return out;
}

QString FormatArgumentKinds(const QString& format) {
    QString kinds;
    int next = 0;
    qsizetype i = 0;
    while ((i = format.indexOf(u'%', i)) >= 0) {
        Directive directive;
        if (!parseDirective(format, i, directive)) {
            ++i;
            continue;
        }
        i = directive.end;
        if (directive.conversion == u'%') {
            continue;
        }
        const int index = directive.position > 0 ? directive.position - 1 : next++;
        if (kinds.size() <= index) {
            kinds.resize(index + 1, u'?');
        }
        kinds[index] = kindOf(directive.conversion);
    }
    return kinds;
}

namespace {

// Returns the digits of a leading "[ws][sign]digits" in ASCII, or empty.
QByteArray leadingNumber(QStringView text, bool allowFraction) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    QByteArray number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        number += static_cast<char>(text[i].unicode());
        ++i;
    }
    bool seenDigit = false;
    bool seenPoint = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            seenDigit = true;
            number += static_cast<char>(c);
        } else if (allowFraction && c == u'.' && !seenPoint) {
            seenPoint = true;
            number += '.';
        } else {
            break;
        }
    }
    return seenDigit ? number : QByteArray();
}

}  // namespace

std::int64_t IntegerValue(QStringView text) {
    const QByteArray number = leadingNumber(text, false);
    if (number.isEmpty()) {
        return 0;
    }
    errno = 0;
    return std::strtoll(number.constData(), nullptr, 10);  // clamps on overflow
}

int IntValue(QStringView text) {
    const std::int64_t value = IntegerValue(text);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

double DoubleValue(QStringView text) {
    const QByteArray number = leadingNumber(text, true);
    return number.isEmpty() ? 0.0 : std::strtod(number.constData(), nullptr);
}
