#pragma once

// Class operations used throughout the application: the launch link, the user
// agent and system texts, version comparison, room-configuration look-ups,
// login-failure texts, window fitting, system notifications and permissions.
// They keep no state apart from the user default
// "KeyOSNotificationAuthorization"; any thread may call them.

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>
#include <functional>
#include <optional>

#include "platform/CaptureDevice.h"

class UserNotificationCenterDelegate;

class QuorixUtils {
public:
    // Fields of the launch link "...?p=<Base64>[&cx=...]" in link order: the
    // Base64 text is UTF-8 of space-separated fields, each enclosed in one
    // character on either side and percent-encoded. A link without "?p=",
    // broken Base64 or text that is not UTF-8 gives an empty list. A field
    // shorter than its enclosure gives the empty text; one whose escapes are
    // broken (or decode to bytes that are not UTF-8) keeps its text undecoded.
    static QStringList ParseOpenUrlParameter(const QString& link);

    // "(Macintosh; <model>; Mac OS X <major>_<minor>_<patch>; QuorixMac/<version>)"
    static QString GetAppUserAgent();
    static QString GetDeviceModel();
    // "<major>.<minor>.<patch>"
    static QString GetOSVersion();
    // 1 when b is the later version, -1 when a is, 0 when equal.
    static int CompareVersion(const QString& a, const QString& b);

    // Room-configuration values (texts in the dictionary of the room configuration).
    static int GetSystemEnvInteger(const QString& key, const QVariantMap& systemEnvs, int defValue);
    static std::optional<QString> GetSystemEnvString(const QString& key, const QVariantMap& systemEnvs);
    static bool IsSystemEnableFunc(const QString& key, const QVariantMap& systemEnvs);

    // Texts for failed logins.
    static QString GetMessageForPrepareLoginFailed(int code);
    static QString GetMessageForLoginError(int result, int subCode);

    // "key: value" lines separated by "\r\n"; a later key replaces an earlier one.
    static QVariantMap analyzeMessageData(const QString& text);
    static QVector<CaptureDevice> getCameraDevices();
    // The rectangle fitted to the primary screen's available area.
    static QRectF adjustInitalRect(const QRectF& rect);
    static QRectF adjustInitalRect(const QRectF& rect, const QRectF& visibleFrame);

    // System notifications. The completions run on a thread of the global queue.
    static void requestSystemNotification(std::function<void(bool granted, const QString& error)> completion);
    static void isNotificationAuth(std::function<void(bool authorized)> completion);
    static void showNotification(const QString& identifier, const QString& title, const QString& subTitle,
                                 const QString& text, UserNotificationCenterDelegate* delegate);
    // Without identifier (empty text) removes every delivered notification.
    static void hideNotification(const QString& identifier);
    // "<bundle name>_<prefix><yyyyMMdd_HHmmss>"
    static QString createNotificationId(const QString& prefix);

    static bool checkIsAuthorizedCamera();
    static bool checkIsAuthorizedScreenRecording();
};
