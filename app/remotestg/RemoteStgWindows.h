// The remote-settings side of the conference window: opens and keeps the
// one-participant windows (one per participant), the all-participants window
// and the consent alert, passes their requests to the login's remote-settings
// manager, and is that manager's view interface (consent, change notice,
// answers for the windows).
//
// Threads: windows live on the main thread. isShowRemoteStgAllWindow and
// isShowConfirmAlert may be asked from any thread; the consent slot is taken
// atomically, so of two requests at the same time only one is shown and the
// other is refused at once.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <atomic>
#include <functional>
#include <vector>

#include "remotestg/RemoteStgAllWindowController.h"
#include "remotestg/RemoteStgConfirmAlert.h"
#include "remotestg/RemoteStgManager.h"
#include "remotestg/RemoteStgOneWindowController.h"

class LoginManager;

class RemoteStgWindows : public QObject,
                         public RemoteStgViewInterface,
                         public RemoteStgOneWindowControllerDelegate,
                         public RemoteStgAllWindowControllerDelegate,
                         public RemoteStgConfirmAlertDelegate {
    Q_OBJECT

public:
    // `login` answers the conference's login (none before it exists),
    // `frame` the conference window's frame for notices.
    RemoteStgWindows(std::function<LoginManager*()> login, std::function<QRectF()> frame);
    ~RemoteStgWindows() override;

    // Becomes the view interface of the login's manager.
    void attach(LoginManager& login);
    void detach(LoginManager& login);
    RemoteStgManager* manager() const;

    // With needReq the participant is asked first (also when the window is open).
    void launchRemoteStgOneWindow(const UserInfoRef& user, bool needReq);
    void launchRemoteStgAllWindow(bool needReq);
    // Force-closes every one-participant window and closes the all-participants window.
    void closeAll();

    const std::vector<QPointer<RemoteStgOneWindowController>>& oneWindows() const {
        return mRemoteStgWindowArray;
    }
    RemoteStgAllWindowController* allWindow() const { return mRemoteStgAllWindowController; }
    RemoteStgConfirmAlert* confirmAlert() const { return mRemoteStgAlert; }

    // RemoteStgViewInterface
    bool isShowConfirmAlert() override { return confirmReserved_.load(); }
    bool isShowRemoteStgAllWindow() override { return allWindowOpen_.load(); }
    void showConfirmAlert(const QString& userId, const RemoteStgItems& items,
                          std::function<void(bool)> handler) override;
    void showUpdateAlert(const QString& userId, const RemoteStgItems& items) override;
    void respondedChangeReq(const QString& userId, bool success) override;

    // RemoteStgOneWindowControllerDelegate
    void sendRemoteStgUpdateReq(const UserInfoRef& user) override;
    void sendRemoteStgChangeReq(const QString& userId, const RemoteStgItems& reqData) override;
    void onCloseRemoteStgOneWindow(RemoteStgOneWindowController* window, bool isForceClose) override;
    // RemoteStgAllWindowControllerDelegate
    void sendRemoteStgUpdateReqAll() override;
    void sendRemoteStgChangeReqAll(const QStringList& userIds, const RemoteStgItems& reqData) override;
    QStringList getStrFrameRateList() override;
    std::vector<QSize> getStrVideoSizeList() override;
    void showRemoteStgOneWindow(const UserInfoRef& user) override;
    void onCloseRemoteStgAllWindow(RemoteStgAllWindowController* window) override;
    // RemoteStgConfirmAlertDelegate
    void onCloseRemoteStgAlert(RemoteStgConfirmAlert* alert) override;

private:
    QString userName(const QString& userId) const;

    std::function<LoginManager*()> login_;
    std::function<QRectF()> frame_;
    std::vector<QPointer<RemoteStgOneWindowController>> mRemoteStgWindowArray;
    QPointer<RemoteStgAllWindowController> mRemoteStgAllWindowController;
    QPointer<RemoteStgConfirmAlert> mRemoteStgAlert;
    std::atomic<bool> confirmReserved_{false};
    std::atomic<bool> allWindowOpen_{false};
};
