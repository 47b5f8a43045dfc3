// Participant events: who enters and leaves the room.
#include "shell/LoginManager.h"

void LoginManager::OnEnterMember(const QString& strUserId, const QString& strUserName, const QString& strUserType) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    auto list = userListInfo();
    if (!list || list->roomCategory() != ROOM_CATEGORY_SEMINAR) return;
    if (strUserType == u"M0" || strUserType == u"P0") return;
    list->addClient(std::make_shared<UserInfo>(strUserId, strUserName, strUserType));
}

void LoginManager::OnLeaveMember(const QString& strUserId) {
    if (status_.load() == LOGIN_STATUS_IDLE) return;
    auto list = userListInfo();
    if (list && list->roomCategory() == ROOM_CATEGORY_SEMINAR) list->deleteClient(strUserId);
}
