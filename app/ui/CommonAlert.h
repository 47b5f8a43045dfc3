#pragma once

// The one alert service of the application: modal alerts and sheets,
// two-button alert windows, information notices (a desktop notification when
// the user allows them, else a small information window) and warning windows.
//
// Non-modal messages are named by an alert id chosen by the caller
// ("alert_id_speech_reserve"), so the caller can withdraw them and a new one
// of the same kind replaces the old one. Window work happens on the main
// thread. Any thread may call the show and hide operations of the two-button,
// information and warning kinds: the id is made on the calling thread and
// returned at once, the window work is queued to the main thread, so a
// caller is never blocked on the main thread (which may itself be waiting for
// that caller, as a logout waits for the core's threads).

#include <QList>
#include <QQueue>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/UserNotificationCenter.h"
#include "ui/AlertWindow.h"
#include "ui/InfoAlertWindow.h"

class QWidget;

class CommonAlert : public QObject,
                    public AlertWindowDelegate,
                    public InfoAlertWindowDelegate,
                    public UserNotificationCenterDelegate {
    Q_OBJECT

public:
    using Action = std::function<void()>;

    // An action with the object that performs it; it does not run once the
    // object is gone (a null target: the action alone).
    struct AlertEvent {
        QPointer<QObject> target;
        bool hasTarget = false;
        Action event;
        void perform() const;
    };
    struct NoticeRecord {
        QString identifier;  // the notice identifier
        QString alertId;
    };
    struct InfoWindowRecord {
        InfoAlertWindow* window;
        QString alertId;
    };

    static CommonAlert& sharedInstance();

    // Main thread only: an application-modal alert with one button ("OK"
    // when none is given); answers the modal response (1000 for the button).
    int showModalAlert(QObject* sender, const std::optional<QString>& title, const std::optional<QString>& message,
                       const std::optional<QString>& completeBtnTitle);
    // Main thread only: the same alert as a sheet on `window`; when it ends,
    // `completeSender` runs (with its target alive). Without a window nothing
    // is shown and nothing runs.
    void showModalSheet(QWidget* window, const std::optional<QString>& alertId, const std::optional<QString>& title,
                        const std::optional<QString>& message, const std::optional<QString>& completeBtnTitle,
                        QObject* completeTarget, Action completeSender);

    QString showNormalAlert(QObject* target, const std::optional<QString>& alertId, const QString& message,
                            const std::optional<QString>& leftLbl, Action leftSel,
                            const std::optional<QString>& rightLbl, Action rightSel, double closeSec,
                            Action closeSel);
    void hideNormalAlert(const QString& alertId);
    void hideAllNormalAlert();

    QString showInformationAlert(const std::optional<QString>& alertId, const QString& message, Action clickSel,
                                 QObject* clickSelTarget, const QRectF& windowRect);
    void hideInformationAlert(const QString& alertId);
    void hideAllInformationAlert();

    QString showWarningAlert(const std::optional<QString>& alertId, const QString& message, const QRectF& windowRect);
    void hideWarningAlert(const QString& alertId);
    void hideAllWarningAlert();

    void hideAllAlert();

    // Delegate reports of the windows and the notification service.
    void onCloseAlertWindow(AlertWindow* alertWindow) override;
    void onCloseInfoAlertWindow(InfoAlertWindow* window) override;
    void onClickInfoAlertWindow(InfoAlertWindow* window) override;
    void didReceiveNotificationResponse(const QString& identifier) override;

    // The state (main thread), for tests.
    const QList<AlertWindow*>& alertWindowArry() const { return alertWindowArry_; }
    const QHash<QString, AlertEvent>& alertWindowEvents() const { return alertWindowEvents_; }
    const QList<NoticeRecord>& notificationArry() const { return notificationArry_; }
    const QHash<QString, AlertEvent>& notificationEvents() const { return notificationEvents_; }
    const QList<InfoWindowRecord>& infoAlertArry() const { return infoAlertArry_; }
    const QList<InfoAlertWindow*>& warningAlertArry() const { return warningAlertArry_; }

private:
    CommonAlert();

    // Notice identifiers are unique in the process: a second notice of the
    // same kind in the same second gets "_2", "_3"... appended.
    QString makeNoticeIdentifier(const QString& alertId);
    static QString makeAlertId(const std::optional<QString>& alertId);
    // Runs `body` now on the main thread, else queues it there.
    void onMain(std::function<void()> body);

    void _showNormalAlert(QObject* target, const QString& alertId, const QString& message,
                          const std::optional<QString>& leftLbl, Action leftSel, const std::optional<QString>& rightLbl,
                          Action rightSel, double closeSec, Action closeSel);
    void _hideNormalAlert(const QString& alertId);
    void _hideAllNormalAlert();
    void _showInformationAlert(const QString& alertId, const QString& identifier, const QString& message,
                               Action clickSel, QObject* clickSelTarget, const QRectF& windowRect, quint64 stamp);
    void showNextPendingNotice(bool authorized);
    void showInfoAlertWindow(const QString& alertId, const QString& identifier, const QString& message,
                             Action clickSel, QObject* clickSelTarget, const QRectF& windowRect);
    void _hideInformationAlert(const QString& alertId);
    void _hideAllInformationAlert();
    void _showWarningAlert(const QString& alertId, const QString& message);
    void _hideWarningAlert(const QString& alertId);
    void _hideAllWarningAlert();

    QList<AlertWindow*> alertWindowArry_;
    QHash<QString, AlertEvent> alertWindowEvents_;
    QList<NoticeRecord> notificationArry_;
    QHash<QString, AlertEvent> notificationEvents_;
    QList<InfoWindowRecord> infoAlertArry_;
    QList<InfoAlertWindow*> warningAlertArry_;

    // A show queued from another thread must not bring back what a later hide
    // withdrew (a logout's hideAllAlert must leave nothing behind): every show
    // and hide takes a stamp when it is called, and a show whose kind or id
    // was hidden after its stamp is dropped when its turn comes.
    enum Kind { KindNormal = 0, KindInformation = 1, KindWarning = 2 };
    quint64 nextStamp();
    void markHidden(Kind kind, const QString& alertId);
    void markAllHidden(Kind kind);
    bool hiddenSince(Kind kind, const QString& alertId, quint64 stamp);

    struct PendingNotice {
        quint64 stamp;
        QString alertId;
        QString identifier;
        QString message;
        AlertEvent click;
        QRectF windowRect;
    };
    QList<PendingNotice> pendingNotices_;  // waiting for the permission answer

    std::mutex idMutex_;
    static constexpr qsizetype kRememberedNoticeIds = 4096;
    QHash<QString, int> issuedNoticeIds_;
    QQueue<QString> issuedNoticeOrder_;
    quint64 lastStamp_ = 0;
    QHash<QString, quint64> hiddenAt_[3];
    quint64 allHiddenAt_[3] = {0, 0, 0};
};
