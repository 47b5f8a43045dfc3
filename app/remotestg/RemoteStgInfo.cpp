#include "remotestg/RemoteStgInfo.h"

RemoteStgUserInfo* RemoteStgInfo::find(const QString& userId) {
    for (RemoteStgUserInfo& e : settings_)
        if (e.userId() == userId) return &e;
    return nullptr;
}

void RemoteStgInfo::addUserSettings(const UserInfoRef& user, const std::optional<RemoteStgParamInfo>& params,
                                    bool isAddFirst) {
    if (!user) return;
    std::lock_guard lock(mutex_);
    if (RemoteStgUserInfo* e = find(user->userId())) {
        e->paramInfo = params.value_or(RemoteStgParamInfo());
        return;
    }
    if (isAddFirst)
        settings_.insert(settings_.begin(), RemoteStgUserInfo(user, params));
    else
        settings_.emplace_back(user, params);
}

bool RemoteStgInfo::removeUserSettings(const QString& userId) {
    std::lock_guard lock(mutex_);
    for (auto it = settings_.begin(); it != settings_.end(); ++it) {
        if (it->userId() == userId) {
            settings_.erase(it);
            return true;
        }
    }
    return false;
}

std::optional<RemoteStgUserInfo> RemoteStgInfo::getUserInfo(const QString& userId) const {
    std::lock_guard lock(mutex_);
    for (const RemoteStgUserInfo& e : settings_)
        if (e.userId() == userId) return e;
    return std::nullopt;
}

void RemoteStgInfo::setUserInfo(const QString& userId, const RemoteStgUserInfo& info) {
    std::lock_guard lock(mutex_);
    if (RemoteStgUserInfo* e = find(userId))
        *e = info;
    else
        settings_.push_back(info);
}

void RemoteStgInfo::setParamInfo(const QString& userId, const RemoteStgParamInfo& params) {
    std::lock_guard lock(mutex_);
    if (RemoteStgUserInfo* e = find(userId)) e->paramInfo = params;
}

void RemoteStgInfo::setListInfo(const QString& userId, int type, const RemoteStgListInfo& list) {
    std::lock_guard lock(mutex_);
    if (RemoteStgUserInfo* e = find(userId))
        if (auto* slot = e->listForType(type)) *slot = list;
}

bool RemoteStgInfo::updateUserInfo(const QString& userId,
                                   const std::function<void(RemoteStgUserInfo&)>& change) {
    std::lock_guard lock(mutex_);
    RemoteStgUserInfo* e = find(userId);
    if (!e) return false;
    change(*e);
    return true;
}

void RemoteStgInfo::resetInfo() {
    std::lock_guard lock(mutex_);
    settings_.clear();
}

std::vector<RemoteStgUserInfo> RemoteStgInfo::settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

size_t RemoteStgInfo::count() const {
    std::lock_guard lock(mutex_);
    return settings_.size();
}
