#include "permission/PermissionManager.h"

#include <mutex>
#include <random>

#include "permission/PermissionNotificator.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"
#include "session/LoginManager.h"

namespace {

constexpr int kLevelWarning = 1;
constexpr int kLevelInfo = 2;

// The login as the manager's delegate.
class LoginDelegate final : public PermissionManagerDelegate {
public:
    explicit LoginDelegate(LoginManager& login) : login_(login) {}
    void sendPermissionCmd(const QString& userId, int command, int code, int funcFlgs,
                           int permitFlgs) override {
        login_.sendPermissionCmd(userId, command, code, funcFlgs, permitFlgs);
    }
    void onChangeMyPermission(const std::map<int, bool>& permissions) override {
        login_.onChangeMyPermission(permissions);
    }

private:
    LoginManager& login_;
};

// 10 x (1 + r) ms, r uniform in 0..299.
std::chrono::milliseconds AnnouncementDelay() {
    static std::mutex mutex;
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> r(0, 299);
    std::lock_guard lock(mutex);
    return std::chrono::milliseconds(10 * (1 + r(generator)));
}

void LogSend(const QString& userId, int command, int code, int funcFlgs, int permitFlgs) {
    LogFileManager::write(
        StringWithFormat(kLogMsgUserPermissionSendCommand, userId, command, code, funcFlgs, permitFlgs),
        kLevelInfo, false);
}

}  // namespace

PermissionManager::PermissionManager() : permissionInfo_(std::make_unique<PermissionInfo>()) {}

PermissionManager::~PermissionManager() {
    *alive_ = false;
}

std::unique_ptr<LoginPermissionManager> PermissionManager::make(LoginManager& login) {
    auto manager = std::make_unique<PermissionManager>();
    manager->ownedDelegate_ = std::make_unique<LoginDelegate>(login);
    manager->delegate_ = manager->ownedDelegate_.get();
    return manager;
}

UserInfoRef PermissionManager::myInfo() const {
    std::lock_guard lock(myInfoMutex_);
    return myInfo_;
}

bool PermissionManager::isActive() const {
    const PermissionDataRef me = permissionInfo_->myInfo();
    return me && me->isSupportFunc();
}

void PermissionManager::setParameters(const UserInfoRef& myInfo, const QVariantMap& config) {
    PermissionInfo& table = *permissionInfo_;
    table.resetParameter(true);
    {
        std::lock_guard lock(myInfoMutex_);
        myInfo_ = myInfo;
    }
    const PermissionDataRef me = table.addUser(myInfo, true);
    if (!me) return;

    const auto integer = [&](const char* key, int def) {
        return QuorixUtils::GetSystemEnvInteger(QString::fromLatin1(key), config, def);
    };
    const auto on = [&](const char* key) {
        return QuorixUtils::IsSystemEnableFunc(QString::fromLatin1(key), config);
    };

    const int ds = integer("MODE_USER_PERMISSION_DS_MAX", -1);
    const int as = integer("MODE_USER_PERMISSION_AS_MAX", -1);
    const int rs = integer("MODE_USER_PERMISSION_REMOTESTG_MAX", 3);
    table.setPermissionMax(PERMISSION_TYPE_DS, ds < 0 ? -1 : ds);
    table.setPermissionMax(PERMISSION_TYPE_AS, as < 0 ? -1 : as);
    table.setPermissionMax(PERMISSION_TYPE_REMOTESTG, rs < -1 ? 3 : rs);

    const int category = integer("CATEGORY", 0);
    const bool seminar = category == 1;
    const bool support = on("MODE_USER_PERMISSION") && !(seminar && on("MODE_WEBINAR"));

    int enable = 0;
    if (on("DOCSHAREMODE") && !seminar && ds != 0)
        enable = PermissionInfo::setPermissionFlg(enable, PERMISSION_TYPE_DS, true);
    if (on("ASMODE") && !seminar && as != 0 && (category != 2 || on("MODE_MANY_MTG_AS")))
        enable = PermissionInfo::setPermissionFlg(enable, PERMISSION_TYPE_AS, true);
    if (on("MODE_REMOTESTG") && rs != 0)
        enable = PermissionInfo::setPermissionFlg(enable, PERMISSION_TYPE_REMOTESTG, true);

    int permit = 0;
    if (PermissionInfo::checkPermissionFlg(enable, PERMISSION_TYPE_DS) && ds != 0 &&
        on("MODE_USER_PERMISSION_DS_DEFAULT_ON"))
        permit = PermissionInfo::setPermissionFlg(permit, PERMISSION_TYPE_DS, true);
    if (PermissionInfo::checkPermissionFlg(enable, PERMISSION_TYPE_AS) && as != 0 &&
        on("MODE_USER_PERMISSION_AS_DEFAULT_ON"))
        permit = PermissionInfo::setPermissionFlg(permit, PERMISSION_TYPE_AS, true);

    me->setIsSupportFunc(support);
    table.setPermission(myInfo->userId(), enable, permit, false);
}

void PermissionManager::resetParameters(bool all) {
    permissionInfo_->resetParameter(all);
    if (all) {
        std::lock_guard lock(myInfoMutex_);
        myInfo_.reset();
    }
}

void PermissionManager::addUser(const UserInfoRef& info) {
    if (!isActive() || !info) return;
    if (PermissionDataRef entry = permissionInfo_->addUser(info, false))
        PermissionNotificator::sharedNotificator().requestChangePermitDataNotification(entry);
}

void PermissionManager::setUser(const std::vector<UserInfoRef>& users) {
    if (!isActive()) return;
    permissionInfo_->setUser(users);
    PermissionNotificator::sharedNotificator().requestChangePermitListNotification(
        permissionInfo_->permissionList());
}

void PermissionManager::deleteUser(const QString& userId) {
    if (!isActive()) return;
    permissionInfo_->deleteUser(userId);
    PermissionNotificator::sharedNotificator().requestChangePermitListNotification(
        permissionInfo_->permissionList());
}

bool PermissionManager::sendMyPermissionScheduled(const QString& ownerId, bool isDelay) {
    if (!isActive() || !delegate_) return false;
    std::weak_ptr<bool> alive = alive_;
    auto announce = [this, alive, ownerId] {
        const auto token = alive.lock();
        if (!token || !*token || !delegate_) return;
        // Read when it runs: the state may have changed during the wait, or
        // the conference ended.
        const PermissionDataRef me = permissionInfo_->myInfo();
        if (!me) return;
        const PermissionData::Values v = me->snapshot();
        LogSend(ownerId, PERMISSION_CMD_REP, PERMISSION_CODE_STATE, v.enableFlgs, v.permitFlgs);
        delegate_->sendPermissionCmd(ownerId, PERMISSION_CMD_REP, PERMISSION_CODE_STATE, v.enableFlgs,
                                     v.permitFlgs);
    };
    if (isDelay)
        mainQueue().after(AnnouncementDelay(), std::move(announce));
    else
        mainQueue().async(std::move(announce));
    return true;
}

bool PermissionManager::sendChangePermissionWithList(const PermissionDataList& list) {
    if (!isActive()) return false;
    for (const PermissionDataRef& data : list) sendChangePermission(data);
    return true;
}

bool PermissionManager::sendChangePermission(const PermissionDataRef& data) {
    if (!isActive() || !data) return false;
    const PermissionDataRef entry = permissionInfo_->getPermissionData(data->userId());
    if (!entry) return false;
    if (entry != data) entry->setPermitFlgs(data->permitFlgs());
    const PermissionData::Values v = entry->snapshot();
    const PermissionDataRef me = permissionInfo_->myInfo();
    if (entry == me) {
        LogFileManager::write(StringWithFormat(kLogMsgUserPermissionChangeMyInfo, v.permitFlgs), kLevelInfo,
                              false);
        if (delegate_) {
            std::map<int, bool> grants;
            for (int type = 0; type < kPermissionTypeCount; ++type)
                grants[type] = PermissionInfo::checkPermissionFlg(v.permitFlgs, type) != 0;
            delegate_->onChangeMyPermission(grants);
        }
        return true;
    }
    if (delegate_) {
        LogSend(v.userId, PERMISSION_CMD_REP, PERMISSION_CODE_CHANGE, v.enableFlgs, v.permitFlgs);
        delegate_->sendPermissionCmd(v.userId, PERMISSION_CMD_REP, PERMISSION_CODE_CHANGE, v.enableFlgs,
                                     v.permitFlgs);
    }
    return true;
}

void PermissionManager::recvPermissionCmd(const QString& senderId, int command, int code, int funcFlgs,
                                          int permitFlgs) {
    if (!isActive() || command != PERMISSION_CMD_REP) return;
    if (funcFlgs < 0 || permitFlgs < 0) {
        LogFileManager::write(StringWithFormat(kLogMsgUserPermissionRecvCmdError, funcFlgs, permitFlgs),
                              kLevelWarning, false);
        return;
    }
    PermissionInfo& table = *permissionInfo_;
    if (code == PERMISSION_CODE_STATE) {
        const PermissionDataRef entry = table.setPermission(senderId, funcFlgs, permitFlgs, true);
        const int stored = entry ? entry->permitFlgs() : 0;
        if (stored != permitFlgs && delegate_) {
            LogSend(senderId, PERMISSION_CMD_REP, PERMISSION_CODE_CHANGE, funcFlgs, stored);
            delegate_->sendPermissionCmd(senderId, PERMISSION_CMD_REP, PERMISSION_CODE_CHANGE, funcFlgs,
                                         stored);
        }
        if (entry) PermissionNotificator::sharedNotificator().requestChangePermitDataNotification(entry);
        return;
    }
    if (code != PERMISSION_CODE_CHANGE) return;
    // Any participant's change is applied: the sender is not compared with the chair.
    const PermissionDataRef me = table.myInfo();
    if (!me) return;
    const QString myId = me->userId();
    std::map<int, bool> changed;
    for (int type = 0; type < kPermissionTypeCount; ++type) {
        if (!me->getEnable(type)) continue;
        const bool wanted = PermissionInfo::checkPermissionFlg(permitFlgs, type) != 0;
        if (wanted == me->getPermission(type)) continue;
        table.changePermission(myId, type, wanted);
        changed[type] = wanted;
    }
    if (changed.empty()) return;
    if (viewInterface_) {
        LogFileManager::write(StringWithFormat(kLogMsgUserPermissionChangeMyInfo, permitFlgs), kLevelInfo,
                              false);
        viewInterface_->onPermissionChange(senderId, changed);
    }
    if (delegate_) delegate_->onChangeMyPermission(changed);
}

bool PermissionManager::isSupportFunc() const {
    const PermissionDataRef me = permissionInfo_->myInfo();
    return me && me->isSupportFunc();
}

bool PermissionManager::getEnable(int type) const {
    const PermissionDataRef me = permissionInfo_->myInfo();
    return me && me->getEnable(type);
}

bool PermissionManager::getPermission(int type) const {
    const PermissionDataRef me = permissionInfo_->myInfo();
    return me && me->getPermission(type);
}
