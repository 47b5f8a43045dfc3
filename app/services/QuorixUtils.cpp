#include "services/QuorixUtils.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <QStringDecoder>

#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/ScreenRecorder.h"
#include "platform/StringFormat.h"
#include "platform/SystemControl.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotificationCenter.h"

namespace {

const QString kKeyOSNotificationAuthorization = QStringLiteral("KeyOSNotificationAuthorization");

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Percent-decoding; none when an escape is broken or the bytes are not UTF-8.
std::optional<QString> percentDecode(const QString& field) {
    const QByteArray in = field.toUtf8();
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) {
            return std::nullopt;
        }
        const int high = hexValue(in[i + 1]);
        const int low = hexValue(in[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decodeUtf8(out);
}

bool isStrictBase64(const QByteArray& text) {
    if (text.size() % 4 != 0) {
        return false;
    }
    const qsizetype padding = text.endsWith("==") ? 2 : text.endsWith('=') ? 1 : 0;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        const char c = text[i];
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                        c == '/';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

QStringList QuorixUtils::ParseOpenUrlParameter(const QString& link) {
    const qsizetype start = link.indexOf(QLatin1String("?p="));
    if (start < 0) {
        return {};
    }
    QString payload = link.mid(start + 3);
    const qsizetype end = payload.indexOf(QLatin1String("&cx="));
    if (end >= 0) {
        payload.truncate(end);
    }
    const QByteArray base64 = payload.toLatin1();
    if (payload.size() != base64.size() || !isStrictBase64(base64)) {
        return {};
    }
    const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return {};
    }
    const auto text = decodeUtf8(*decoded);
    if (!text) {
        return {};
    }
    QStringList fields;
    for (const QString& piece : text->split(u' ')) {
        if (piece.size() < 2) {
            fields.append(QString(""));
            continue;
        }
        const QString inner = piece.mid(1, piece.size() - 2);
        fields.append(percentDecode(inner).value_or(inner));
    }
    return fields;
}

QString QuorixUtils::GetAppUserAgent() {
    const SystemVersion version = SystemControl::systemVersion();
    return StringWithFormat(QStringLiteral("(Macintosh; %@; Mac OS X %@; QuorixMac/%@)"), GetDeviceModel(),
                            StringWithFormat(QStringLiteral("%ld_%ld_%ld"), version.major, version.minor,
                                             version.patch),
                            MainBundle::shortVersion());
}

QString QuorixUtils::GetDeviceModel() { return SystemControl::hardwareModel(); }

QString QuorixUtils::GetOSVersion() {
    const SystemVersion version = SystemControl::systemVersion();
    return StringWithFormat(QStringLiteral("%ld.%ld.%ld"), version.major, version.minor, version.patch);
}

int QuorixUtils::CompareVersion(const QString& a, const QString& b) {
    const QStringList left = a.split(u'.');
    const QStringList right = b.split(u'.');
    for (qsizetype i = 0; i < left.size(); ++i) {
        if (i >= right.size()) {
            return -1;
        }
        const int l = IntValue(left[i]);
        const int r = IntValue(right[i]);
        if (l < r) {
            return 1;
        }
        if (r < l) {
            return -1;
        }
    }
    return right.size() > left.size() ? 1 : 0;
}

int QuorixUtils::GetSystemEnvInteger(const QString& key, const QVariantMap& systemEnvs, int defValue) {
    const auto it = systemEnvs.constFind(key);
    if (it == systemEnvs.constEnd()) {
        return defValue;
    }
    return IntValue(it->toString());
}

std::optional<QString> QuorixUtils::GetSystemEnvString(const QString& key, const QVariantMap& systemEnvs) {
    const auto it = systemEnvs.constFind(key);
    if (it == systemEnvs.constEnd()) {
        return std::nullopt;
    }
    return it->toString();
}

bool QuorixUtils::IsSystemEnableFunc(const QString& key, const QVariantMap& systemEnvs) {
    return GetSystemEnvString(key, systemEnvs) == QStringLiteral("Y");
}

QString QuorixUtils::GetMessageForPrepareLoginFailed(int code) {
    switch (code) {
        case -302:
        case -301:
            return LocalizedFormat("dfMAINVIEW_LOGIN_PARAM_ERROR", code);
        case 1:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR8");
        case 2:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR13");
        default:
            return LocalizedFormat("dfMAINVIEW_XMLPARSE_OTHER_ERROR", code);
    }
}

QString QuorixUtils::GetMessageForLoginError(int result, int subCode) {
    switch (result) {
        case 1:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR7");
        case 2:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR8");
        case 3:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR9");
        case 4:
        case 12:
        case -1:
        case -2:
        case -17:
            return LocalizedFormat("dfMAINVIEW_LOGIN_ERROR5", result);
        case 6:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR11");
        case 8:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR12");
        case 9:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR13");
        case 10:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR14");
        case 11:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR15");
        case -7:
        case -9:
        case -13:
        case -14:
        case -15:
            return LocalizedFormat("dfMAINVIEW_LOGIN_ERROR6", result);
        case -8:
            return LocalizedFormat("dfMAINVIEW_LOGIN_ERROR6", subCode);
        case -4:
        case -6:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR4");
        case -5:
            if (subCode >= 1) {
                return LocalizedFormat("dfMAINVIEW_LOGIN_ERROR17", subCode);
            }
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR19");
        case -3:
            return LocalizedString("dfMAINVIEW_LOGIN_ERROR2");
        default:
            return LocalizedFormat("dfMAINVIEW_LOGIN_ERROR17", result);
    }
}

QVariantMap QuorixUtils::analyzeMessageData(const QString& text) {
    QVariantMap result;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const qsizetype separator = line.indexOf(QLatin1String(": "));
        if (separator < 0) {
            continue;
        }
        result.insert(line.left(separator), line.mid(separator + 2));
    }
    return result;
}

QVector<CaptureDevice> QuorixUtils::getCameraDevices() { return CaptureDevices::videoDevices(); }

QRectF QuorixUtils::adjustInitalRect(const QRectF& rect) {
    QRectF visible;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            visible = screen->availableGeometry();
        }
    }
    return adjustInitalRect(rect, visible);
}

QRectF QuorixUtils::adjustInitalRect(const QRectF& rect, const QRectF& v) {
    double x = rect.x();
    double y = rect.y();
    double width = rect.width();
    double height = rect.height();
    if (v.width() < width) {
        width = v.width();
    }
    if (v.height() < height) {
        height = v.height();
    }
    if (v.y() > y) {
        y = v.y();
    }
    if (y + height > v.y() + v.height()) {
        y = v.y() + v.height() - height;
    }
    if (v.x() > x) {
        x = v.x();
    }
    if (x + width > v.x() + v.width()) {
        x = v.x() + v.width() - width;
    }
    return {x, y, width, height};
}

void QuorixUtils::requestSystemNotification(std::function<void(bool, const QString&)> completion) {
    UserNotificationCenter::current().requestAuthorization(
        [completion = std::move(completion)](bool granted, const QString& error) {
            UserDefaults::standard().setBool(kKeyOSNotificationAuthorization, granted);
            if (completion) {
                completion(granted, error);
            }
        });
}

void QuorixUtils::isNotificationAuth(std::function<void(bool)> completion) {
    UserNotificationCenter::current().getAuthorizationStatus(std::move(completion));
}

void QuorixUtils::showNotification(const QString& identifier, const QString& title, const QString& subTitle,
                                   const QString& text, UserNotificationCenterDelegate* delegate) {
    UserNotificationCenter& center = UserNotificationCenter::current();
    if (delegate != nullptr) {
        center.setDelegate(delegate);
    }
    center.add(identifier, title, subTitle, text);
}

void QuorixUtils::hideNotification(const QString& identifier) {
    if (identifier.isEmpty()) {
        UserNotificationCenter::current().removeAllDeliveredNotifications();
    } else {
        UserNotificationCenter::current().removeDeliveredNotifications(identifier);
    }
}

QString QuorixUtils::createNotificationId(const QString& prefix) {
    return StringWithFormat(QStringLiteral("%@_%@"), MainBundle::name(),
                            prefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")));
}

bool QuorixUtils::checkIsAuthorizedCamera() { return CaptureDevices::accessAllowed(); }

// X11 lets every client read the screen; there is no permission to ask for.
// Without an X display (a Wayland session without X) nothing can be captured.
bool QuorixUtils::checkIsAuthorizedScreenRecording() { return ScreenRecorder::isCaptureAvailable(); }
