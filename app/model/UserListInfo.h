// The room's participant lists of one login. The core's threads change them
// while the windows read them: every list is guarded, and readers get a
// snapshot (a copy of the list of shared records), never the list itself.
// A list that the room category does not have is absent (none), and every
// operation on it does nothing. Every change that finds something asks the
// list notificator for its notice (posted later on the main queue) with a
// snapshot of the changed list.
#pragma once

#include <QString>
#include <mutex>
#include <optional>
#include <vector>

#include "model/SpeakerInfo.h"
#include "model/UserInfo.h"

inline constexpr int ROOM_CATEGORY_NORMAL = 0;
inline constexpr int ROOM_CATEGORY_SEMINAR = 1;
inline constexpr int ROOM_CATEGORY_MANYMTG = 2;

class UserListInfo {
public:
    // Creates the lists of the category and puts the own user in (setMyInfo).
    UserListInfo(int category, UserInfoRef myInfo, const QString& ownerId,
                 std::optional<std::vector<SpeakerInfoRef>> scheduleUserArray);
    UserListInfo(const UserListInfo&) = delete;
    UserListInfo& operator=(const UserListInfo&) = delete;

    int roomCategory() const { return miRoomCategory; }

    // The own speaker entry (client number CLIENT_NO_SELF); in a seminar room
    // only when the own user is the chair.
    void setMyInfo();
    // Empties the client, speaker, reserve and many-speaker lists; the
    // schedule stays.
    void resetData(bool notify);

    void addClient(const UserInfoRef& info);
    void deleteClient(const QString& userId);
    // Replaces the clients (seminar audience) by `list`, in its order.
    void updateList(const std::vector<UserInfoRef>& list);
    // The clients in a seminar room, the speakers in any other.
    std::vector<UserInfoRef> getAllUserList() const;
    void addReserver(const UserInfoRef& info);
    void deleteReserver(const QString& userId);
    void addManySpeaker(const SpeakerInfoRef& info);
    void deleteManySpeakerFromId(const QString& userId);
    void addSpeaker(const SpeakerInfoRef& info);
    void deleteSpeaker(int clientNo);
    void deleteSpeakerFromId(const QString& userId);
    SpeakerInfoRef getSpeakerInfo(int clientNo) const;
    UserInfoRef getUserInfo(const QString& userId) const;

    // Snapshots; none for a list the room does not have.
    std::optional<std::vector<UserInfoRef>> clientList() const;
    std::optional<std::vector<SpeakerInfoRef>> speakerList() const;
    std::optional<std::vector<UserInfoRef>> reserveList() const;
    std::optional<std::vector<SpeakerInfoRef>> manySpeakerList() const;
    std::optional<std::vector<SpeakerInfoRef>> scheduleUserList() const;

private:
    const int miRoomCategory;
    const UserInfoRef mMyInfo;
    const QString mStrOwnerId;
    mutable std::mutex mutex_;
    std::optional<std::vector<UserInfoRef>> clientList_;
    std::vector<SpeakerInfoRef> speakerList_;
    std::optional<std::vector<UserInfoRef>> reserveList_;
    std::optional<std::vector<SpeakerInfoRef>> manySpeakerList_;
    const std::optional<std::vector<SpeakerInfoRef>> scheduleUserList_;
};
