// The remote-settings model: every known participant's entry, at most one per
// user id, in order (the local participant first when a request made it).
// Receive threads write it and windows read it on the main thread: every
// operation takes the model's lock and entries go in and out as copies.
#pragma once

#include <QMetaType>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "remotestg/RemoteStgUserInfo.h"

class RemoteStgInfo {
public:
    RemoteStgInfo() = default;
    RemoteStgInfo(const RemoteStgInfo&) = delete;
    RemoteStgInfo& operator=(const RemoteStgInfo&) = delete;

    // An existing entry gets the given values; otherwise a new entry (fresh
    // values when none are given) goes to the front or the end.
    void addUserSettings(const UserInfoRef& user, const std::optional<RemoteStgParamInfo>& params,
                         bool isAddFirst);
    // Removes the first entry with that id; false when there was none.
    bool removeUserSettings(const QString& userId);
    std::optional<RemoteStgUserInfo> getUserInfo(const QString& userId) const;
    // Replaces the entry with that id, or appends it.
    void setUserInfo(const QString& userId, const RemoteStgUserInfo& info);
    void setParamInfo(const QString& userId, const RemoteStgParamInfo& params);
    // Stores a list under its type (1 to 9); other types and unknown ids store nothing.
    void setListInfo(const QString& userId, int type, const RemoteStgListInfo& list);
    // Changes the entry under the lock; false when there is none.
    bool updateUserInfo(const QString& userId, const std::function<void(RemoteStgUserInfo&)>& change);
    void resetInfo();

    // A copy of every entry, in order.
    std::vector<RemoteStgUserInfo> settings() const;
    size_t count() const;

private:
    RemoteStgUserInfo* find(const QString& userId);

    mutable std::mutex mutex_;
    std::vector<RemoteStgUserInfo> settings_;
};

Q_DECLARE_METATYPE(RemoteStgListInfo)
Q_DECLARE_METATYPE(RemoteStgUserInfo)
Q_DECLARE_METATYPE(RemoteStgInfo*)
