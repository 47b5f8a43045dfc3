#include "model/UserListInfo.h"

#include <QVariant>
#include <algorithm>

#include "model/ListNotificator.h"

namespace {

template <typename List>
QVariant snapshotOf(const std::optional<List>& list) {
    return list ? QVariant::fromValue(*list) : QVariant();
}

template <typename Ref>
bool eraseFirst(std::vector<Ref>& list, const QString& userId) {
    auto it = std::find_if(list.begin(), list.end(), [&](const Ref& u) { return u->userId() == userId; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

ListNotificator& notificator() { return ListNotificator::sharedNotificator(); }

}  // namespace

UserListInfo::UserListInfo(int category, UserInfoRef myInfo, const QString& ownerId,
                           std::optional<std::vector<SpeakerInfoRef>> scheduleUserArray)
    : miRoomCategory(category),
      mMyInfo(std::move(myInfo)),
      mStrOwnerId(ownerId),
      scheduleUserList_(std::move(scheduleUserArray)) {
    if (category == ROOM_CATEGORY_SEMINAR) {
        clientList_.emplace();
        reserveList_.emplace();
    }
    if (category == ROOM_CATEGORY_MANYMTG) manySpeakerList_.emplace();
    setMyInfo();
}

void UserListInfo::setMyInfo() {
    if (!mMyInfo) return;
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && mMyInfo->userId() != mStrOwnerId) return;
    auto self = std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *mMyInfo);
    std::lock_guard lock(mutex_);
    speakerList_.push_back(std::move(self));
}

void UserListInfo::resetData(bool notify) {
    std::lock_guard lock(mutex_);
    if (clientList_) clientList_->clear();
    speakerList_.clear();
    if (reserveList_) reserveList_->clear();
    if (manySpeakerList_) manySpeakerList_->clear();
    if (!notify) return;
    notificator().requestChangeClientNotification(snapshotOf(clientList_));
    notificator().requestChangeSpeakerNotification(QVariant::fromValue(speakerList_));
    notificator().requestChangeReserverNotification(snapshotOf(reserveList_));
    notificator().requestChangeManySpeakerNotification(snapshotOf(manySpeakerList_));
}

void UserListInfo::addClient(const UserInfoRef& info) {
    if (!info || (mMyInfo && info->userId() == mMyInfo->userId())) return;
    std::lock_guard lock(mutex_);
    if (!clientList_) return;
    clientList_->push_back(info);
    notificator().requestChangeClientNotification(snapshotOf(clientList_));
}

void UserListInfo::deleteClient(const QString& userId) {
    std::lock_guard lock(mutex_);
    if (clientList_ && eraseFirst(*clientList_, userId))
        notificator().requestChangeClientNotification(snapshotOf(clientList_));
}

void UserListInfo::updateList(const std::vector<UserInfoRef>& list) {
    std::lock_guard lock(mutex_);
    if (!clientList_) return;
    *clientList_ = list;
    notificator().requestChangeClientNotification(snapshotOf(clientList_));
}

std::vector<UserInfoRef> UserListInfo::getAllUserList() const {
    std::lock_guard lock(mutex_);
    if (clientList_) return *clientList_;
    return std::vector<UserInfoRef>(speakerList_.begin(), speakerList_.end());
}

void UserListInfo::addReserver(const UserInfoRef& info) {
    if (!info) return;
    std::lock_guard lock(mutex_);
    if (!reserveList_) return;
    reserveList_->push_back(info);
    notificator().requestChangeReserverNotification(snapshotOf(reserveList_));
}

void UserListInfo::deleteReserver(const QString& userId) {
    std::lock_guard lock(mutex_);
    if (reserveList_ && eraseFirst(*reserveList_, userId))
        notificator().requestChangeReserverNotification(snapshotOf(reserveList_));
}

void UserListInfo::addManySpeaker(const SpeakerInfoRef& info) {
    if (!info) return;
    std::lock_guard lock(mutex_);
    if (!manySpeakerList_) return;
    manySpeakerList_->push_back(info);
    notificator().requestChangeManySpeakerNotification(snapshotOf(manySpeakerList_));
}

void UserListInfo::deleteManySpeakerFromId(const QString& userId) {
    std::lock_guard lock(mutex_);
    if (manySpeakerList_ && eraseFirst(*manySpeakerList_, userId))
        notificator().requestChangeManySpeakerNotification(snapshotOf(manySpeakerList_));
}

void UserListInfo::addSpeaker(const SpeakerInfoRef& info) {
    if (!info) return;
    std::lock_guard lock(mutex_);
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && info->userId() == mStrOwnerId) {
        speakerList_.insert(speakerList_.begin(), info);
    } else {
        speakerList_.push_back(info);
    }
    notificator().requestChangeSpeakerNotification(QVariant::fromValue(speakerList_));
}

void UserListInfo::deleteSpeaker(int clientNo) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(speakerList_.begin(), speakerList_.end(),
                           [&](const SpeakerInfoRef& s) { return s->clientNo() == clientNo; });
    if (it == speakerList_.end()) return;
    speakerList_.erase(it);
    notificator().requestChangeSpeakerNotification(QVariant::fromValue(speakerList_));
}

void UserListInfo::deleteSpeakerFromId(const QString& userId) {
    std::lock_guard lock(mutex_);
    if (eraseFirst(speakerList_, userId))
        notificator().requestChangeSpeakerNotification(QVariant::fromValue(speakerList_));
}

SpeakerInfoRef UserListInfo::getSpeakerInfo(int clientNo) const {
    std::lock_guard lock(mutex_);
    for (const auto& s : speakerList_)
        if (s->clientNo() == clientNo) return s;
    return nullptr;
}

UserInfoRef UserListInfo::getUserInfo(const QString& userId) const {
    std::lock_guard lock(mutex_);
    if (clientList_) {
        for (const auto& u : *clientList_)
            if (u->userId() == userId) return u;
        return nullptr;
    }
    for (const auto& s : speakerList_)
        if (s->userId() == userId) return s;
    return nullptr;
}

std::optional<std::vector<UserInfoRef>> UserListInfo::clientList() const {
    std::lock_guard lock(mutex_);
    return clientList_;
}

std::optional<std::vector<SpeakerInfoRef>> UserListInfo::speakerList() const {
    std::lock_guard lock(mutex_);
    return speakerList_;
}

std::optional<std::vector<UserInfoRef>> UserListInfo::reserveList() const {
    std::lock_guard lock(mutex_);
    return reserveList_;
}

std::optional<std::vector<SpeakerInfoRef>> UserListInfo::manySpeakerList() const {
    std::lock_guard lock(mutex_);
    return manySpeakerList_;
}

std::optional<std::vector<SpeakerInfoRef>> UserListInfo::scheduleUserList() const { return scheduleUserList_; }
