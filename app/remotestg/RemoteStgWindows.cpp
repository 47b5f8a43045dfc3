#include "remotestg/RemoteStgWindows.h"

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "session/LoginManager.h"
#include "ui/CommonAlert.h"

RemoteStgWindows::RemoteStgWindows(std::function<LoginManager*()> login, std::function<QRectF()> frame)
    : login_(std::move(login)), frame_(std::move(frame)) {}

RemoteStgWindows::~RemoteStgWindows() {
    for (auto& w : mRemoteStgWindowArray)
        if (w) {
            w->setDelegate(nullptr);
            delete w.data();
        }
    delete mRemoteStgAllWindowController.data();
    if (mRemoteStgAlert) {
        mRemoteStgAlert->setDelegate(nullptr);
        delete mRemoteStgAlert.data();
    }
}

void RemoteStgWindows::attach(LoginManager& login) {
    if (auto* m = dynamic_cast<RemoteStgManager*>(login.remoteStgManager())) m->setViewInterface(this);
}

void RemoteStgWindows::detach(LoginManager& login) {
    if (auto* m = dynamic_cast<RemoteStgManager*>(login.remoteStgManager())) m->setViewInterface(nullptr);
}

RemoteStgManager* RemoteStgWindows::manager() const {
    LoginManager* login = login_ ? login_() : nullptr;
    return login ? dynamic_cast<RemoteStgManager*>(login->remoteStgManager()) : nullptr;
}

QString RemoteStgWindows::userName(const QString& userId) const {
    LoginManager* login = login_ ? login_() : nullptr;
    const UserInfoRef user = login ? login->getUserInfo(userId) : nullptr;
    return user ? user->userName() : QString();
}

// ---- Launching and closing ----

void RemoteStgWindows::launchRemoteStgOneWindow(const UserInfoRef& user, bool needReq) {
    RemoteStgManager* m = manager();
    if (!user || !m) return;
    if (needReq) m->sendRemoteStgRequest(user);
    for (const auto& w : mRemoteStgWindowArray) {
        if (w && w->userInfo() && w->userInfo()->userId() == user->userId()) {
            w->show();
            w->raise();
            w->activateWindow();
            return;
        }
    }
    auto* window =
        new RemoteStgOneWindowController(user, m->getUserInfo(user->userId()), m->getOneDlgHideFlg());
    window->setDelegate(this);
    window->show();
    window->raise();
    mRemoteStgWindowArray.emplace_back(window);
}

void RemoteStgWindows::launchRemoteStgAllWindow(bool needReq) {
    RemoteStgManager* m = manager();
    if (!m) return;
    if (needReq) m->sendRemoteStgRequestAll();
    if (mRemoteStgAllWindowController) {
        mRemoteStgAllWindowController->show();
        mRemoteStgAllWindowController->raise();
        mRemoteStgAllWindowController->activateWindow();
        return;
    }
    LoginManager* login = login_ ? login_() : nullptr;
    mRemoteStgAllWindowController = new RemoteStgAllWindowController(
        login ? login->myInfo() : m->myInfo(), &m->remoteStgInfo(), m->getAllDlgHideFlg(), this);
    allWindowOpen_ = true;
    mRemoteStgAllWindowController->show();
    mRemoteStgAllWindowController->raise();
}

void RemoteStgWindows::closeAll() {
    const auto windows = std::move(mRemoteStgWindowArray);
    mRemoteStgWindowArray.clear();
    for (const auto& w : windows)
        if (w) w->forceClose();
    if (mRemoteStgAllWindowController) mRemoteStgAllWindowController->close();
}

// ---- The manager's view interface ----

void RemoteStgWindows::showConfirmAlert(const QString& userId, const RemoteStgItems& items,
                                        std::function<void(bool)> handler) {
    bool expected = false;
    if (!confirmReserved_.compare_exchange_strong(expected, true)) {
        handler(false);  // one confirmation at a time
        return;
    }
    const QString name = userName(userId);
    mainQueue().async(this, [this, name, items, handler = std::move(handler)]() mutable {
        auto* alert = new RemoteStgConfirmAlert(name, items, std::move(handler));
        alert->setDelegate(this);
        alert->setWindowFlag(Qt::WindowStaysOnTopHint);
        mRemoteStgAlert = alert;
        alert->show();
        alert->raise();
        alert->activateWindow();
    });
}

void RemoteStgWindows::showUpdateAlert(const QString& userId, const RemoteStgItems&) {
    CommonAlert::sharedInstance().showInformationAlert(
        QStringLiteral("alert_id_change_remotestg"),
        LocalizedFormat("dfREMOTESTG_ALERT_CHANGE_MESSAGE", userName(userId)), nullptr, nullptr,
        frame_ ? frame_() : QRectF());
}

void RemoteStgWindows::respondedChangeReq(const QString& userId, bool success) {
    mainQueue().async(this, [this, userId, success] {
        for (const auto& w : mRemoteStgWindowArray) {
            if (w && w->userInfo() && w->userInfo()->userId() == userId) {
                w->respondedChangeReq(success);
                return;
            }
        }
    });
}

// ---- The windows' requests and close reports ----

void RemoteStgWindows::sendRemoteStgUpdateReq(const UserInfoRef& user) {
    if (RemoteStgManager* m = manager()) m->sendRemoteStgRequest(user);
}

void RemoteStgWindows::sendRemoteStgChangeReq(const QString& userId, const RemoteStgItems& reqData) {
    if (RemoteStgManager* m = manager()) m->sendRemoteStgChangeReq(userId, reqData);
}

void RemoteStgWindows::onCloseRemoteStgOneWindow(RemoteStgOneWindowController* window, bool isForceClose) {
    if (!isForceClose) {
        for (auto it = mRemoteStgWindowArray.begin(); it != mRemoteStgWindowArray.end(); ++it) {
            if (*it && (*it)->userInfo() && window->userInfo() &&
                (*it)->userInfo()->userId() == window->userInfo()->userId()) {
                mRemoteStgWindowArray.erase(it);
                break;
            }
        }
    }
    window->deleteLater();
}

void RemoteStgWindows::sendRemoteStgUpdateReqAll() {
    if (RemoteStgManager* m = manager()) m->sendRemoteStgRequestAll();
}

void RemoteStgWindows::sendRemoteStgChangeReqAll(const QStringList& userIds, const RemoteStgItems& reqData) {
    if (RemoteStgManager* m = manager()) m->sendRemoteStgChangeReqAll(userIds, reqData);
}

QStringList RemoteStgWindows::getStrFrameRateList() {
    LoginManager* login = login_ ? login_() : nullptr;
    return login ? login->getAllFrameRate() : QStringList();
}

std::vector<QSize> RemoteStgWindows::getStrVideoSizeList() {
    LoginManager* login = login_ ? login_() : nullptr;
    return login ? login->getAllResolution() : std::vector<QSize>();
}

void RemoteStgWindows::showRemoteStgOneWindow(const UserInfoRef& user) {
    launchRemoteStgOneWindow(user, true);
}

void RemoteStgWindows::onCloseRemoteStgAllWindow(RemoteStgAllWindowController* window) {
    allWindowOpen_ = false;
    if (mRemoteStgAllWindowController == window) mRemoteStgAllWindowController = nullptr;
    window->deleteLater();
}

void RemoteStgWindows::onCloseRemoteStgAlert(RemoteStgConfirmAlert* alert) {
    if (mRemoteStgAlert == alert) mRemoteStgAlert = nullptr;
    confirmReserved_ = false;
    alert->deleteLater();
}
