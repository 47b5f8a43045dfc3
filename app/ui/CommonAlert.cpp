#include "ui/CommonAlert.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <memory>

#include "platform/Alert.h"
#include "platform/Dispatch.h"
#include "services/QuorixUtils.h"

namespace {

constexpr qint64 kTagNormal = 0;
constexpr qint64 kTagInformation = 1;
constexpr qint64 kTagWarning = 2;

CommonAlert::AlertEvent makeEvent(QObject* target, CommonAlert::Action action) {
    CommonAlert::AlertEvent event;
    event.target = target;
    event.hasTarget = target != nullptr;
    event.event = std::move(action);
    return event;
}

}  // namespace

void CommonAlert::AlertEvent::perform() const {
    if (event && (!hasTarget || target != nullptr)) {
        event();
    }
}

CommonAlert::CommonAlert() = default;

CommonAlert& CommonAlert::sharedInstance() {
    static CommonAlert* instance = [] {
        auto* created = new CommonAlert();
        if (QCoreApplication* app = QCoreApplication::instance()) {
            created->moveToThread(app->thread());
        }
        return created;
    }();
    return *instance;
}

QString CommonAlert::makeAlertId(const std::optional<QString>& alertId) {
    if (alertId && !alertId->isEmpty()) {
        return *alertId;
    }
    return QuorixUtils::createNotificationId(QString());
}

QString CommonAlert::makeNoticeIdentifier(const QString& alertId) {
    const QString base = QuorixUtils::createNotificationId(alertId);
    std::lock_guard lock(idMutex_);
    // A base repeats within one second (or when the clock is set back); the
    // most recent bases are remembered with how often each was issued.
    auto it = issuedNoticeIds_.find(base);
    if (it == issuedNoticeIds_.end()) {
        issuedNoticeIds_.insert(base, 1);
        issuedNoticeOrder_.enqueue(base);
        if (issuedNoticeOrder_.size() > kRememberedNoticeIds) {
            issuedNoticeIds_.remove(issuedNoticeOrder_.dequeue());
        }
        return base;
    }
    return base + QStringLiteral("_") + QString::number(++it.value());
}

quint64 CommonAlert::nextStamp() {
    std::lock_guard lock(idMutex_);
    return ++lastStamp_;
}

void CommonAlert::markHidden(Kind kind, const QString& alertId) {
    std::lock_guard lock(idMutex_);
    hiddenAt_[kind].insert(alertId, ++lastStamp_);
}

void CommonAlert::markAllHidden(Kind kind) {
    std::lock_guard lock(idMutex_);
    allHiddenAt_[kind] = ++lastStamp_;
    hiddenAt_[kind].clear();
}

bool CommonAlert::hiddenSince(Kind kind, const QString& alertId, quint64 stamp) {
    std::lock_guard lock(idMutex_);
    return allHiddenAt_[kind] > stamp || hiddenAt_[kind].value(alertId, 0) > stamp;
}

void CommonAlert::onMain(std::function<void()> body) {
    if (mainQueue().isCurrent()) {
        body();
    } else {
        mainQueue().async(std::move(body));
    }
}

// Modal alert and sheet ------------------------------------------------------

namespace {

std::unique_ptr<Alert> makeModalAlert(const std::optional<QString>& title, const std::optional<QString>& message,
                                      const std::optional<QString>& completeBtnTitle) {
    auto alert = std::make_unique<Alert>();
    alert->setMessageText(title.value_or(QString()));
    alert->setInformativeText(message.value_or(QString()));
    alert->addButtonWithTitle(completeBtnTitle.value_or(QStringLiteral("OK")));
    return alert;
}

}  // namespace

int CommonAlert::showModalAlert(QObject* sender, const std::optional<QString>& title,
                                const std::optional<QString>& message,
                                const std::optional<QString>& completeBtnTitle) {
    (void)sender;
    return makeModalAlert(title, message, completeBtnTitle)->runModal();
}

void CommonAlert::showModalSheet(QWidget* window, const std::optional<QString>& alertId,
                                 const std::optional<QString>& title, const std::optional<QString>& message,
                                 const std::optional<QString>& completeBtnTitle, QObject* completeTarget,
                                 Action completeSender) {
    (void)alertId;
    if (window == nullptr) {
        return;
    }
    QPointer<QObject> target(completeTarget);
    const bool runs = completeTarget != nullptr && completeSender != nullptr;
    Alert::beginSheetModalForWindow(makeModalAlert(title, message, completeBtnTitle), window,
                                    [target, runs, completeSender = std::move(completeSender)](int) {
                                        if (runs && target != nullptr) {
                                            completeSender();
                                        }
                                    });
}

// Two-button alerts ------------------------------------------------------------

QString CommonAlert::showNormalAlert(QObject* target, const std::optional<QString>& alertId, const QString& message,
                                     const std::optional<QString>& leftLbl, Action leftSel,
                                     const std::optional<QString>& rightLbl, Action rightSel, double closeSec,
                                     Action closeSel) {
    const QString identifier = makeAlertId(alertId);
    const quint64 stamp = nextStamp();
    QPointer<QObject> guard(target);
    const bool hasTarget = target != nullptr;
    onMain([this, stamp, guard, hasTarget, identifier, message, leftLbl, leftSel = std::move(leftSel), rightLbl,
            rightSel = std::move(rightSel), closeSec, closeSel = std::move(closeSel)]() mutable {
        if ((hasTarget && guard == nullptr) || hiddenSince(KindNormal, identifier, stamp)) {
            return;  // the opener went away, or the alert was withdrawn, before it could show
        }
        _showNormalAlert(guard, identifier, message, leftLbl, std::move(leftSel), rightLbl, std::move(rightSel),
                         closeSec, std::move(closeSel));
    });
    return identifier;
}

void CommonAlert::_showNormalAlert(QObject* target, const QString& alertId, const QString& message,
                                   const std::optional<QString>& leftLbl, Action leftSel,
                                   const std::optional<QString>& rightLbl, Action rightSel, double closeSec,
                                   Action closeSel) {
    _hideNormalAlert(alertId);
    auto* window = new AlertWindow(target, message, leftLbl, std::move(leftSel), rightLbl, std::move(rightSel));
    window->setAlertIdentifier(alertId);
    window->setAlertTag(kTagNormal);
    window->setAlertDelegate(this);
    if (closeSec > 0) {
        window->setTimer(closeSec);
    }
    alertWindowArry_.append(window);
    if (closeSel) {
        alertWindowEvents_.insert(alertId, makeEvent(target, std::move(closeSel)));
    }
}

void CommonAlert::hideNormalAlert(const QString& alertId) {
    markHidden(KindNormal, alertId);
    onMain([this, alertId] { _hideNormalAlert(alertId); });
}

void CommonAlert::_hideNormalAlert(const QString& alertId) {
    for (AlertWindow* window : alertWindowArry_) {
        if (window->alertIdentifier() == alertId) {
            window->closeSelfWindow();
            return;
        }
    }
}

void CommonAlert::hideAllNormalAlert() {
    markAllHidden(KindNormal);
    onMain([this] { _hideAllNormalAlert(); });
}

void CommonAlert::_hideAllNormalAlert() {
    const QList<AlertWindow*> windows = alertWindowArry_;
    for (AlertWindow* window : windows) {
        if (alertWindowArry_.contains(window)) {
            window->closeSelfWindow();
        }
    }
    alertWindowArry_.clear();
    alertWindowEvents_.clear();
}

void CommonAlert::onCloseAlertWindow(AlertWindow* alertWindow) {
    if (!alertWindowArry_.removeOne(alertWindow)) {
        return;
    }
    alertWindow->setAlertDelegate(nullptr);
    alertWindow->deleteLater();
    const auto it = alertWindowEvents_.find(alertWindow->alertIdentifier());
    if (it != alertWindowEvents_.end()) {
        const AlertEvent event = it.value();
        alertWindowEvents_.erase(it);
        event.perform();
    }
}

// Information notices -----------------------------------------------------------

QString CommonAlert::showInformationAlert(const std::optional<QString>& alertId, const QString& message,
                                          Action clickSel, QObject* clickSelTarget, const QRectF& windowRect) {
    const QString kind = alertId.value_or(QString());
    const QString identifier = makeNoticeIdentifier(kind);
    const quint64 stamp = nextStamp();
    QPointer<QObject> guard(clickSelTarget);
    const bool hasTarget = clickSelTarget != nullptr;
    onMain([this, stamp, kind, identifier, message, clickSel = std::move(clickSel), guard, hasTarget,
            windowRect]() mutable {
        if ((hasTarget && guard == nullptr) || hiddenSince(KindInformation, kind, stamp)) {
            return;
        }
        _showInformationAlert(kind, identifier, message, std::move(clickSel), guard, windowRect, stamp);
    });
    return identifier;
}

void CommonAlert::_showInformationAlert(const QString& alertId, const QString& identifier, const QString& message,
                                        Action clickSel, QObject* clickSelTarget, const QRectF& windowRect,
                                        quint64 stamp) {
    // The permission answers come back on the global queue in any order; the
    // notices wait in a queue so they appear (and are recorded) in the order
    // they were shown.
    pendingNotices_.append({stamp, alertId, identifier, message, makeEvent(clickSelTarget, std::move(clickSel)), windowRect});
    QuorixUtils::isNotificationAuth([this](bool authorized) {
        mainQueue().async(this, [this, authorized] { showNextPendingNotice(authorized); });
    });
}

void CommonAlert::showNextPendingNotice(bool authorized) {
    if (pendingNotices_.isEmpty()) {
        return;
    }
    PendingNotice notice = pendingNotices_.takeFirst();
    if ((notice.click.hasTarget && notice.click.target == nullptr) ||
        hiddenSince(KindInformation, notice.alertId, notice.stamp)) {
        return;  // the target went away, or the notice was withdrawn, before it could show
    }
    if (!authorized) {
        showInfoAlertWindow(notice.alertId, notice.identifier, notice.message, std::move(notice.click.event),
                            notice.click.target, notice.windowRect);
        return;
    }
    QuorixUtils::showNotification(notice.identifier, QString(), QString(), notice.message, this);
    notificationArry_.append({notice.identifier, notice.alertId});
    if (notice.click.event) {
        notificationEvents_.insert(notice.identifier, notice.click);
    }
}

void CommonAlert::showInfoAlertWindow(const QString& alertId, const QString& identifier, const QString& message,
                                      Action clickSel, QObject* clickSelTarget, const QRectF& windowRect) {
    InfoAlertWindow* window = InfoAlertWindow::initWithAlert(message, 0, windowRect);
    window->setAlertIdentifier(identifier);
    window->setAlertDelegate(this);
    window->setAlertTag(kTagInformation);
    window->showWindow();
    infoAlertArry_.append({window, alertId});
    if (clickSel) {
        notificationEvents_.insert(identifier, makeEvent(clickSelTarget, std::move(clickSel)));
    }
}

void CommonAlert::hideInformationAlert(const QString& alertId) {
    markHidden(KindInformation, alertId);
    onMain([this, alertId] { _hideInformationAlert(alertId); });
}

void CommonAlert::_hideInformationAlert(const QString& alertId) {
    for (int i = 0; i < notificationArry_.size(); ++i) {
        if (notificationArry_[i].alertId == alertId) {
            const QString identifier = notificationArry_[i].identifier;
            QuorixUtils::hideNotification(identifier);
            notificationArry_.removeAt(i);
            notificationEvents_.remove(identifier);
            return;
        }
    }
    for (const InfoWindowRecord& record : infoAlertArry_) {
        if (record.alertId == alertId) {
            InfoAlertWindow* window = record.window;
            window->hideInformationAlert();
            infoAlertArry_.removeIf([window](const InfoWindowRecord& r) { return r.window == window; });
            return;
        }
    }
}

void CommonAlert::hideAllInformationAlert() {
    markAllHidden(KindInformation);
    onMain([this] { _hideAllInformationAlert(); });
}

void CommonAlert::_hideAllInformationAlert() {
    const QList<NoticeRecord> notices = notificationArry_;
    for (const NoticeRecord& notice : notices) {
        QuorixUtils::hideNotification(notice.identifier);
    }
    notificationArry_.clear();
    notificationEvents_.clear();
    const QList<InfoWindowRecord> windows = infoAlertArry_;
    for (const InfoWindowRecord& record : windows) {
        record.window->hideInformationAlert();
    }
    infoAlertArry_.clear();
}

// Warnings ----------------------------------------------------------------------

QString CommonAlert::showWarningAlert(const std::optional<QString>& alertId, const QString& message,
                                      const QRectF& windowRect) {
    (void)windowRect;
    const bool given = alertId && !alertId->isEmpty();
    const QString identifier = makeAlertId(alertId);
    const quint64 stamp = nextStamp();
    onMain([this, stamp, given, identifier, message] {
        if (hiddenSince(KindWarning, identifier, stamp)) {
            return;
        }
        if (given) {
            _hideWarningAlert(identifier);
        }
        _showWarningAlert(identifier, message);
    });
    return identifier;
}

void CommonAlert::_showWarningAlert(const QString& alertId, const QString& message) {
    InfoAlertWindow* window = InfoAlertWindow::initWithNewAlert(message, 1);
    window->setAlertIdentifier(alertId);
    window->setAlertDelegate(this);
    window->setAlertTag(kTagWarning);
    window->showWindow();
    warningAlertArry_.append(window);
}

void CommonAlert::hideWarningAlert(const QString& alertId) {
    markHidden(KindWarning, alertId);
    onMain([this, alertId] { _hideWarningAlert(alertId); });
}

void CommonAlert::_hideWarningAlert(const QString& alertId) {
    for (InfoAlertWindow* window : warningAlertArry_) {
        if (window->alertIdentifier() == alertId) {
            window->hideInformationAlert();
            warningAlertArry_.removeOne(window);
            return;
        }
    }
}

void CommonAlert::hideAllWarningAlert() {
    markAllHidden(KindWarning);
    onMain([this] { _hideAllWarningAlert(); });
}

void CommonAlert::_hideAllWarningAlert() {
    const QList<InfoAlertWindow*> windows = warningAlertArry_;
    for (InfoAlertWindow* window : windows) {
        window->hideInformationAlert();
    }
    warningAlertArry_.clear();
}

void CommonAlert::hideAllAlert() {
    markAllHidden(KindNormal);
    markAllHidden(KindInformation);
    markAllHidden(KindWarning);
    onMain([this] {
        _hideAllNormalAlert();
        _hideAllInformationAlert();
        _hideAllWarningAlert();
    });
}

// Reports of the information and warning windows and of the notices -------------

void CommonAlert::onCloseInfoAlertWindow(InfoAlertWindow* window) {
    window->setAlertDelegate(nullptr);
    if (window->alertTag() == kTagWarning) {
        warningAlertArry_.removeOne(window);
    } else if (window->alertTag() == kTagInformation) {
        infoAlertArry_.removeIf([window](const InfoWindowRecord& r) { return r.window == window; });
        notificationEvents_.remove(window->alertIdentifier());
    } else {
        return;
    }
    window->deleteLater();
}

void CommonAlert::onClickInfoAlertWindow(InfoAlertWindow* window) {
    if (window->alertTag() != kTagInformation) {
        return;
    }
    const auto it = notificationEvents_.find(window->alertIdentifier());
    if (it != notificationEvents_.end()) {
        const AlertEvent event = it.value();
        notificationEvents_.erase(it);
        event.perform();
    }
    window->hideInformationAlert();
    infoAlertArry_.removeIf([window](const InfoWindowRecord& r) { return r.window == window; });
}

void CommonAlert::didReceiveNotificationResponse(const QString& identifier) {
    const auto it = notificationEvents_.find(identifier);
    if (it != notificationEvents_.end()) {
        const AlertEvent event = it.value();
        notificationEvents_.erase(it);
        mainQueue().async([event] { event.perform(); });
    }
    notificationArry_.removeIf([&identifier](const NoticeRecord& r) { return r.identifier == identifier; });
    QuorixUtils::hideNotification(identifier);
}
