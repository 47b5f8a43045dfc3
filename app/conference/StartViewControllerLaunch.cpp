// Launch links that cannot be used: what the user is told, what the log
// keeps, and a conference that goes on when one arrives while it runs.
#include "conference/StartViewController.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/QuorixUtils.h"

QString StartViewController::launchFailureReason(int kind, int code) {
    switch (kind) {
        case LOGIN_ERROR_PARAMETER:
            if (code == -101) return LocalizedString("dfLAUNCH_REASON_101");
            if (code == -102) return LocalizedString("dfLAUNCH_REASON_102");
            return LocalizedString("dfLAUNCH_REASON_103");
        case LOGIN_ERROR_CONFIG:
            if (code == -201) return LocalizedString("dfLAUNCH_REASON_201");
            return LocalizedString("dfLAUNCH_REASON_CONFIG");
        case LOGIN_ERROR_TOKEN:
            if (code == -302) return LocalizedString("dfLAUNCH_REASON_302");
            return LocalizedString("dfLAUNCH_REASON_301");
        default:
            return QString();
    }
}

void StartViewController::bringWindowForward() {
    if (!window_) return;
    if (window_->isMinimized()) window_->showNormal();
    window_->orderFrontRegardless();
}

void StartViewController::refuseLaunchLink(int code) {
    const QString reason = launchFailureReason(LOGIN_ERROR_PARAMETER, code);
    LogFileManager::write(StringWithFormat(QStringLiteral("Launch link refused (%d): %@"), code, reason), 1,
                          false);
    bringWindowForward();
    services_.runModalAlert(LocalizedString("dfLAUNCH_REFUSED") + u'\n' +
                            QuorixUtils::GetMessageForPrepareLoginFailed(code) + u'\n' + reason);
}
