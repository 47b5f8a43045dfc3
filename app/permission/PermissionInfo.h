// The permission table: one entry per known participant (the local one among
// them), and the largest number of holders of each grant (-1 no limit, 0
// nobody). Receive threads, participant events and the permission window use
// one table: the list lock (re-entrant: storing an announcement counts the
// holders under it) guards the list and every read-modify-write of an entry's
// words, the map lock the maxima; the map lock is only ever taken inside the
// list lock, never the other way. Readers get snapshots, never the list.
#pragma once

#include <QString>
#include <map>
#include <mutex>
#include <vector>

#include "permission/PermissionData.h"

using PermissionDataList = std::vector<PermissionDataRef>;

class PermissionInfo {
public:
    PermissionInfo();
    PermissionInfo(const PermissionInfo&) = delete;
    PermissionInfo& operator=(const PermissionInfo&) = delete;

    // An existing id gets the new UserInfo (its words stay); otherwise a new
    // entry is appended, and becomes myInfo when `isMyInfo`.
    PermissionDataRef addUser(const UserInfoRef& info, bool isMyInfo);
    void setUser(const std::vector<UserInfoRef>& users);
    void deleteUser(const QString& userId);

    void setPermissionMax(int type, int value);
    // The stored maximum, 0 when none is stored.
    int getPermissionMax(int type) const;
    // Whether the type is full: as many holders as the maximum (-1 never, 0 always).
    bool isPermissionMax(int type) const;

    // Stores an announced state; grants of a full type that the entry does not
    // already hold are dropped. None when no entry has the id.
    PermissionDataRef setPermission(const QString& userId, int enableFlgs, int permitFlgs, bool isSupportOn);
    // Sets or clears one grant of the entry with the id, without looking at the
    // maximum; `before` (when given) receives the permit word it had.
    PermissionDataRef changePermission(const QString& userId, int type, bool isPermit, int* before = nullptr);
    // Puts a permit word back on an entry that is still in the table; false when it left.
    bool restorePermitFlgs(const PermissionDataRef& entry, int permitFlgs);

    // Empties the list; `all` also forgets myInfo and sets every maximum to -1,
    // otherwise myInfo (when there is one) stays as the only entry.
    void resetParameter(bool all);

    static int checkPermissionFlg(int flags, int type);
    static bool checkChangeFlg(int srcFlgs, int dstFlgs, int type);
    static int setPermissionFlg(int flags, int type, bool enable);

    PermissionDataList permissionList() const;
    PermissionDataRef myInfo() const;
    std::map<int, int> maxInfo() const;
    // The entry with the id, or none.
    PermissionDataRef getPermissionData(const QString& userId) const;
    bool contains(const PermissionDataRef& entry) const;

private:
    PermissionDataRef findLocked(const QString& userId) const;

    mutable std::recursive_mutex listMutex_;
    PermissionDataList permissionList_;
    PermissionDataRef myInfo_;
    mutable std::mutex mapMutex_;
    std::map<int, int> maxInfo_;
};
