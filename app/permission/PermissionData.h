// One participant's permission state: the functions available to the
// participant (enable word) and those granted (permit word), one bit per
// PermissionType. Entries are shared between the table, receive threads and
// the permission window; every field is read and written under the entry's
// own lock, and `snapshot` answers all of them read at once.
#pragma once

#include <QString>
#include <memory>
#include <mutex>

#include "model/UserInfo.h"

enum PermissionType : int {
    PERMISSION_TYPE_DS = 0,
    PERMISSION_TYPE_AS = 1,
    PERMISSION_TYPE_REMOTESTG = 2,
};
inline constexpr int kPermissionTypeCount = 3;

class PermissionData {
public:
    struct Values {
        QString userId;
        QString userName;
        int enableFlgs = 0;
        int permitFlgs = 0;
        bool isSupportFunc = false;
    };

    explicit PermissionData(const UserInfoRef& userInfo);
    PermissionData(const PermissionData&) = delete;
    PermissionData& operator=(const PermissionData&) = delete;

    bool getEnable(int type) const;
    bool getPermission(int type) const;
    // Sets or clears the type's bit of the permit word.
    void setPermission(int type, bool enable);
    int getEnableCount() const;

    UserInfoRef userInfo() const;
    void setUserInfo(const UserInfoRef& info);
    QString userId() const;
    int enableFlgs() const;
    void setEnableFlgs(int flags);
    int permitFlgs() const;
    void setPermitFlgs(int flags);
    bool isSupportFunc() const;
    void setIsSupportFunc(bool on);
    Values snapshot() const;

private:
    mutable std::mutex mutex_;
    UserInfoRef userInfo_;
    int enableFlgs_ = 0;
    int permitFlgs_ = 0;
    bool isSupportFunc_ = false;
};

using PermissionDataRef = std::shared_ptr<PermissionData>;
