// The permissions of one conference: derives from the room configuration
// which shared functions the local participant has, which are granted by
// default and how many participants may hold each grant; keeps the table as
// participants come and go; announces the local state to the chair; stores
// the announcements it receives as chair, refusing grants beyond a maximum;
// sends the changes applied in the permission window; and applies changes of
// the local grants that it receives.
//
// Threads: received commands arrive on a core receive thread and are handled
// there, participant events on their callbacks' threads, applied changes and
// the delayed announcement on the main queue. The table's locks make that
// safe; the manager itself holds no lock.
#pragma once

#include <QString>
#include <QVariantMap>
#include <map>
#include <memory>
#include <vector>

#include "permission/PermissionInfo.h"
#include "session/LoginManagerFeatures.h"

inline constexpr int PERMISSION_CMD_REQ = 1;
inline constexpr int PERMISSION_CMD_RES = 2;
inline constexpr int PERMISSION_CMD_REP = 3;
inline constexpr int PERMISSION_CODE_CHANGE = 1;
inline constexpr int PERMISSION_CODE_STATE = 2;

// The session side: sends one command, and hears of changed local grants.
class PermissionManagerDelegate {
public:
    virtual ~PermissionManagerDelegate() = default;
    virtual void sendPermissionCmd(const QString& /*userId*/, int /*command*/, int /*code*/, int /*funcFlgs*/,
                                   int /*permitFlgs*/) {}
    virtual void onChangeMyPermission(const std::map<int, bool>& /*permissions*/) {}
};

// The conference window: which local grants another participant changed.
class PermissionManagerViewInterface {
public:
    virtual ~PermissionManagerViewInterface() = default;
    virtual void onPermissionChange(const QString& /*senderId*/, const std::map<int, bool>& /*changeItems*/) {
    }
};

class PermissionManager : public LoginPermissionManager {
public:
    PermissionManager();
    ~PermissionManager() override;

    // The running program's factory: a manager whose delegate is the login.
    static std::unique_ptr<LoginPermissionManager> make(LoginManager& login);

    void setParameters(const UserInfoRef& myInfo, const QVariantMap& configData) override;
    void resetParameters(bool all) override;
    void addUser(const UserInfoRef& info) override;
    void deleteUser(const QString& userId) override;
    void setUser(const std::vector<UserInfoRef>& users) override;
    // Announces the local state to the chair, at once (next turn of the main
    // queue) or after 10 to 3000 ms in steps of 10; false when not scheduled.
    bool sendMyPermissionScheduled(const QString& ownerId, bool isDelay);
    void sendMyPermission(const QString& ownerId, bool isDelay) override {
        sendMyPermissionScheduled(ownerId, isDelay);
    }
    // The permission window's applied changes; false when the feature is off.
    bool sendChangePermissionWithList(const PermissionDataList& list);
    // False when the feature is off or the participant left the table.
    bool sendChangePermission(const PermissionDataRef& data);
    void recvPermissionCmd(const QString& senderId, int command, int code, int funcFlgs,
                           int permitFlgs) override;

    bool isSupportFunc() const override;
    bool getEnable(int type) const override;
    bool getPermission(int type) const override;

    PermissionInfo& permissionInfo() { return *permissionInfo_; }
    UserInfoRef myInfo() const;
    void setDelegate(PermissionManagerDelegate* delegate) { delegate_ = delegate; }
    void setViewInterface(PermissionManagerViewInterface* view) { viewInterface_ = view; }

private:
    bool isActive() const;

    std::unique_ptr<PermissionInfo> permissionInfo_;
    std::unique_ptr<PermissionManagerDelegate> ownedDelegate_;
    PermissionManagerDelegate* delegate_ = nullptr;
    PermissionManagerViewInterface* viewInterface_ = nullptr;
    mutable std::mutex myInfoMutex_;
    UserInfoRef myInfo_;
    // Delayed announcements that run after the manager is gone do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
