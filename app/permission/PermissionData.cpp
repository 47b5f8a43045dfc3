#include "permission/PermissionData.h"

#include "permission/PermissionInfo.h"

PermissionData::PermissionData(const UserInfoRef& userInfo) : userInfo_(userInfo) {}

bool PermissionData::getEnable(int type) const {
    return PermissionInfo::checkPermissionFlg(enableFlgs(), type) != 0;
}

bool PermissionData::getPermission(int type) const {
    return PermissionInfo::checkPermissionFlg(permitFlgs(), type) != 0;
}

void PermissionData::setPermission(int type, bool enable) {
    std::lock_guard lock(mutex_);
    permitFlgs_ = PermissionInfo::setPermissionFlg(permitFlgs_, type, enable);
}

int PermissionData::getEnableCount() const {
    const int flags = enableFlgs();
    int count = 0;
    for (int type = 0; type < kPermissionTypeCount; ++type)
        if (PermissionInfo::checkPermissionFlg(flags, type)) ++count;
    return count;
}

UserInfoRef PermissionData::userInfo() const {
    std::lock_guard lock(mutex_);
    return userInfo_;
}

void PermissionData::setUserInfo(const UserInfoRef& info) {
    std::lock_guard lock(mutex_);
    userInfo_ = info;
}

QString PermissionData::userId() const {
    const UserInfoRef info = userInfo();
    return info ? info->userId() : QString();
}

int PermissionData::enableFlgs() const {
    std::lock_guard lock(mutex_);
    return enableFlgs_;
}

void PermissionData::setEnableFlgs(int flags) {
    std::lock_guard lock(mutex_);
    enableFlgs_ = flags;
}

int PermissionData::permitFlgs() const {
    std::lock_guard lock(mutex_);
    return permitFlgs_;
}

void PermissionData::setPermitFlgs(int flags) {
    std::lock_guard lock(mutex_);
    permitFlgs_ = flags;
}

bool PermissionData::isSupportFunc() const {
    std::lock_guard lock(mutex_);
    return isSupportFunc_;
}

void PermissionData::setIsSupportFunc(bool on) {
    std::lock_guard lock(mutex_);
    isSupportFunc_ = on;
}

PermissionData::Values PermissionData::snapshot() const {
    UserInfoRef info;
    Values v;
    {
        std::lock_guard lock(mutex_);
        info = userInfo_;
        v.enableFlgs = enableFlgs_;
        v.permitFlgs = permitFlgs_;
        v.isSupportFunc = isSupportFunc_;
    }
    if (info) {
        v.userId = info->userId();
        v.userName = info->userName();
    }
    return v;
}
