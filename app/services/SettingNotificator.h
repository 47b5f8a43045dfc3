#pragma once

// Spreads a changed setting to the windows that show or use it. Each request
// builds its user information on the calling thread and posts it through the
// default notification centre, with the notificator as the sender, on the
// main queue after the request has returned; so every listener hears it on the
// main thread. Posters and listeners never know each other.

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>

inline const QString kSettingNotificatorDidChangeCamDeviceNotification =
    QStringLiteral("SettingNotificatorDidChangeCamDeviceNotification");
inline const QString kSettingNotificatorDidChangeResolutionNotification =
    QStringLiteral("SettingNotificatorDidChangeResolutionNotification");
inline const QString kSettingNotificatorDidChangeFpsNotification =
    QStringLiteral("SettingNotificatorDidChangeFpsNotification");
inline const QString kSettingNotificatorDidChangeChatNotify =
    QStringLiteral("SettingNotificatorDidChangeChatNotify");
inline const QString kSettingNotificatorDidChangeDispSpeakerBtn =
    QStringLiteral("SettingNotificatorDidChangeDispSpeakerBtn");

inline const QString kSettingNotificatorDeviceKey = QStringLiteral("SettingNotificatorDeviceKey");
inline const QString kSettingNotificatorDeviceListKey = QStringLiteral("SettingNotificatorDeviceListKey");
inline const QString kSettingNotificatorIdxKey = QStringLiteral("SettingNotificatorIdxKey");
inline const QString kSettingNotificatorResolusionKey = QStringLiteral("SettingNotificatorResolusionKey");
inline const QString kSettingNotificatorFpsKey = QStringLiteral("SettingNotificatorFpsKey");
inline const QString kSettingNotificatorChatNotifyKey = QStringLiteral("SettingNotificatorChatNotifyKey");
inline const QString kSettingNotificatorDispSpeakerBtnNotifyKey =
    QStringLiteral("SettingNotificatorDispSpeakerBtnNotifyKey");

class SettingNotificator {
public:
    // The one shared poster (made once, from any thread; lives to the end of the process).
    static SettingNotificator& sharedNotificator();
    SettingNotificator() = default;
    SettingNotificator(const SettingNotificator&) = delete;
    SettingNotificator& operator=(const SettingNotificator&) = delete;

    // A camera switched from afar: its display name, every camera's name, its place in that list.
    void requestChangeCamDeviceNotification(const QString& device, const QStringList& allDevice, int index);
    void requestChangeResolutionNotification(const QSizeF& resolution);
    void requestChangeFpsNotification(int fps);
    // Saved in the settings window.
    void requestChangeChatNotifyNotification(bool isNotify);
    void requestChangeDispSpeakerBtnNotification(bool isNotify);

private:
    void postLater(const QString& name, const QVariantMap& userInfo);
};
