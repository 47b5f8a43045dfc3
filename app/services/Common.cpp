#include "services/Common.h"

#include <proxy.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <limits>

#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"

namespace {

const char* const kSubfolders[] = {"DocumentSharing", "TextBox", "Message", "ApplicationSharing", "Log"};

// Makes the folder when nothing exists at the path; true when a folder is there.
bool ensureFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) {
        return info.isDir();
    }
    return QDir().mkdir(path);
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

QFont systemFont(double pointSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    return font;
}

QTextDocumentFragment chatText(const QString& name, const QString& message, bool needTimeStamp,
                               double nameSize, double messageSize) {
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat header;
    header.setFont(systemFont(nameSize));
    QString head = name;
    if (needTimeStamp) {
        const QLocale locale;
        const QDateTime now = QDateTime::currentDateTime();
        head += QStringLiteral(" [") + locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                locale.toString(now.time(), QLocale::ShortFormat) + u']';
    }
    cursor.insertText(head + QStringLiteral("\n\n"), header);
    QTextCharFormat body;
    body.setFont(systemFont(messageSize));
    cursor.insertText(message, body);
    return QTextDocumentFragment(&document);
}

// The first proxy of the system's answer for the address that names a host and a port.
std::pair<QString, int> systemProxyFor(const QString& url) {
    std::pair<QString, int> result{QString(), 0};
    pxProxyFactory* factory = px_proxy_factory_new();
    if (factory == nullptr) {
        return result;
    }
    char** proxies = px_proxy_factory_get_proxies(factory, url.toUtf8().constData());
    for (char** p = proxies; p != nullptr && *p != nullptr; ++p) {
        const QUrl proxy(QString::fromUtf8(*p));
        if (!proxy.host().isEmpty() && proxy.port() > 0) {
            result = {proxy.host(), proxy.port()};
            break;
        }
    }
    if (proxies != nullptr) {
        px_proxy_factory_free_proxies(proxies);
    }
    px_proxy_factory_free(factory);
    return result;
}

}  // namespace

std::optional<QString> Common::getCommonAppDirectory(std::int64_t index) {
    // The XDG data folder itself may be missing on a fresh account.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty() || !QDir().mkpath(base)) {
        return std::nullopt;
    }
    const QString folder = base + u'/' + MainBundle::identifier();
    if (!ensureFolder(folder)) {
        return std::nullopt;
    }
    if (index < 0 || index > kDirectoryLog) {
        return std::nullopt;
    }
    const QString path = folder + u'/' + QLatin1String(kSubfolders[index]);
    if (!ensureFolder(path)) {
        return std::nullopt;
    }
    return path;
}

std::optional<QColor> Common::colorWithHexString(const QString& text, double alpha) {
    QStringView rest(text);
    if (rest.startsWith(u'#') || rest.startsWith(QChar(0xFF03))) {
        rest = rest.mid(1);
    }
    qsizetype i = 0;
    while (i < rest.size() && rest[i].isSpace()) {
        ++i;
    }
    if (i + 2 < rest.size() && rest[i] == u'0' && (rest[i + 1] == u'x' || rest[i + 1] == u'X') &&
        hexDigit(rest[i + 2]) >= 0) {
        i += 2;
    }
    std::uint64_t value = 0;
    bool any = false;
    for (; i < rest.size(); ++i) {
        const int digit = hexDigit(rest[i]);
        if (digit < 0) {
            break;
        }
        any = true;
        // Too many digits saturate, as the platform's scanner does.
        value = std::min<std::uint64_t>(value * 16 + digit, std::numeric_limits<std::uint32_t>::max());
    }
    if (!any) {
        return std::nullopt;
    }
    const auto rgb = static_cast<std::uint32_t>(value);
    return QColor::fromRgbF(static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
                            static_cast<float>((rgb >> 8) & 0xFF) / 255.0f, static_cast<float>(rgb & 0xFF) / 255.0f,
                            static_cast<float>(alpha));
}

double Common::heightForMessageStr(const QString& text, const QFont& font, double width) {
    QTextDocument document;
    document.setDocumentMargin(0);
    document.setDefaultFont(font);
    document.setPlainText(text);
    document.setTextWidth(width);
    return document.size().height();
}

std::optional<QString> Common::standardDefaultsLoad(const QString& key) {
    return UserDefaults::standard().stringForKey(key);
}

QTextDocumentFragment Common::appendString(const QString& name, const QString& message, bool needTimeStamp) {
    return chatText(name, message, needTimeStamp, 9, QFontDatabase::systemFont(QFontDatabase::GeneralFont).pointSizeF());
}

void Common::standardDefaultsSave(const QString& key, const QVariant& value) {
    UserDefaults::standard().setObject(key, value);
}

void Common::standardDefaultsCGSave(const QString& name, QPointF value) {
    UserDefaults::standard().setString(name + u'X', StringWithFormat(QStringLiteral("%f"), value.x()));
    UserDefaults::standard().setString(name + u'Y', StringWithFormat(QStringLiteral("%f"), value.y()));
}

QPointF Common::standardDefaultsCGLoad(const QString& name) {
    const auto x = UserDefaults::standard().stringForKey(name + u'X').value_or(QString());
    const auto y = UserDefaults::standard().stringForKey(name + u'Y').value_or(QString());
    return {static_cast<float>(DoubleValue(x)), static_cast<float>(DoubleValue(y))};
}

void Common::setConnectMode(bool tunnelingAllowed) {
    if (tunnelingAllowed) {
        mbConfigTunnelingY_ = true;
    }
}

int Common::loadingConnectType() { return mbConfigTunnelingY_ ? DataSaveManager().loadConnectType() : -1; }

void Common::saveConnectType(int type) { DataSaveManager().saveConnectType(type); }

QString Common::loadingProxyStr(const QString& url) { return systemProxyFor(url).first; }

int Common::loadingProxyPort(const QString& url) { return systemProxyFor(url).second; }

void Common::textBoxTimeStampStatus(bool notNeeded) {
    if (notNeeded) {
        mbTextBoxTimeStampNotNeed_ = true;
    }
}

QTextDocumentFragment Common::appendingString(const QString& name, const QString& message) {
    return chatText(name, message, !mbTextBoxTimeStampNotNeed_, 9, 12);
}
