#include "permission/PermissionInfo.h"

#include <algorithm>

PermissionInfo::PermissionInfo() {
    resetParameter(true);
}

PermissionDataRef PermissionInfo::findLocked(const QString& userId) const {
    for (const PermissionDataRef& entry : permissionList_)
        if (entry->userId() == userId) return entry;
    return nullptr;
}

PermissionDataRef PermissionInfo::addUser(const UserInfoRef& info, bool isMyInfo) {
    if (!info) return nullptr;
    std::lock_guard lock(listMutex_);
    if (PermissionDataRef entry = findLocked(info->userId())) {
        entry->setUserInfo(info);
        return entry;
    }
    auto entry = std::make_shared<PermissionData>(info);
    permissionList_.push_back(entry);
    if (isMyInfo) myInfo_ = entry;
    return entry;
}

void PermissionInfo::setUser(const std::vector<UserInfoRef>& users) {
    for (const UserInfoRef& user : users) addUser(user, false);
}

void PermissionInfo::deleteUser(const QString& userId) {
    std::lock_guard lock(listMutex_);
    const auto it = std::find_if(permissionList_.begin(), permissionList_.end(),
                                 [&](const PermissionDataRef& e) { return e->userId() == userId; });
    if (it != permissionList_.end()) permissionList_.erase(it);
}

void PermissionInfo::setPermissionMax(int type, int value) {
    std::lock_guard lock(mapMutex_);
    maxInfo_[type] = value;
}

int PermissionInfo::getPermissionMax(int type) const {
    std::lock_guard lock(mapMutex_);
    const auto it = maxInfo_.find(type);
    return it == maxInfo_.end() ? 0 : it->second;
}

bool PermissionInfo::isPermissionMax(int type) const {
    int count = 0;
    {
        std::lock_guard lock(listMutex_);
        for (const PermissionDataRef& entry : permissionList_)
            if (entry->getPermission(type)) ++count;
        std::lock_guard mapLock(mapMutex_);
        const auto it = maxInfo_.find(type);
        if (it == maxInfo_.end()) return false;
        const int max = it->second;
        if (max == -1) return false;
        if (max == 0) return true;
        return count >= max;
    }
}

PermissionDataRef PermissionInfo::setPermission(const QString& userId, int enableFlgs, int permitFlgs,
                                                bool isSupportOn) {
    std::lock_guard lock(listMutex_);
    PermissionDataRef entry = findLocked(userId);
    if (!entry) return nullptr;
    entry->setEnableFlgs(enableFlgs);
    const int current = entry->permitFlgs();
    int stored = permitFlgs;
    for (int type = 0; type < kPermissionTypeCount; ++type) {
        if (checkPermissionFlg(permitFlgs, type) && !checkPermissionFlg(current, type) &&
            isPermissionMax(type))
            stored = setPermissionFlg(stored, type, false);
    }
    entry->setPermitFlgs(stored);
    if (isSupportOn) entry->setIsSupportFunc(true);
    return entry;
}

PermissionDataRef PermissionInfo::changePermission(const QString& userId, int type, bool isPermit,
                                                   int* before) {
    std::lock_guard lock(listMutex_);
    PermissionDataRef entry = (myInfo_ && myInfo_->userId() == userId) ? myInfo_ : findLocked(userId);
    if (!entry) return nullptr;
    if (before) *before = entry->permitFlgs();
    entry->setPermission(type, isPermit);
    return entry;
}

bool PermissionInfo::restorePermitFlgs(const PermissionDataRef& entry, int permitFlgs) {
    std::lock_guard lock(listMutex_);
    if (std::find(permissionList_.begin(), permissionList_.end(), entry) == permissionList_.end())
        return false;
    entry->setPermitFlgs(permitFlgs);
    return true;
}

void PermissionInfo::resetParameter(bool all) {
    std::lock_guard lock(listMutex_);
    permissionList_.clear();
    if (all) {
        myInfo_.reset();
        std::lock_guard mapLock(mapMutex_);
        for (int type = 0; type < kPermissionTypeCount; ++type) maxInfo_[type] = -1;
    } else if (myInfo_) {
        permissionList_.push_back(myInfo_);
    }
}

int PermissionInfo::checkPermissionFlg(int flags, int type) {
    return flags & (1 << type);
}

bool PermissionInfo::checkChangeFlg(int srcFlgs, int dstFlgs, int type) {
    return checkPermissionFlg(srcFlgs, type) != checkPermissionFlg(dstFlgs, type);
}

int PermissionInfo::setPermissionFlg(int flags, int type, bool enable) {
    return enable ? (flags | (1 << type)) : (flags & ~(1 << type));
}

PermissionDataList PermissionInfo::permissionList() const {
    std::lock_guard lock(listMutex_);
    return permissionList_;
}

PermissionDataRef PermissionInfo::myInfo() const {
    std::lock_guard lock(listMutex_);
    return myInfo_;
}

std::map<int, int> PermissionInfo::maxInfo() const {
    std::lock_guard lock(mapMutex_);
    return maxInfo_;
}

PermissionDataRef PermissionInfo::getPermissionData(const QString& userId) const {
    std::lock_guard lock(listMutex_);
    return findLocked(userId);
}

bool PermissionInfo::contains(const PermissionDataRef& entry) const {
    std::lock_guard lock(listMutex_);
    return std::find(permissionList_.begin(), permissionList_.end(), entry) != permissionList_.end();
}
