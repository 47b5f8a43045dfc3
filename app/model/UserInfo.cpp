#include "model/UserInfo.h"

UserInfo::UserInfo(const QString& userId, const QString& userName, const QString& userType)
    : userId_(userId), userName_(userName), userType_(userType), subUserName_(userName) {}

#define QUORIX_USERINFO_FIELD(Type, getter, setter, member)  \
    Type UserInfo::getter() const {                          \
        std::lock_guard lock(mutex_);                        \
        return member;                                       \
    }                                                        \
    void UserInfo::setter(const Type& v) {                   \
        std::lock_guard lock(mutex_);                        \
        member = v;                                          \
    }

QUORIX_USERINFO_FIELD(QString, userId, setUserId, userId_)
QUORIX_USERINFO_FIELD(QString, userName, setUserName, userName_)
QUORIX_USERINFO_FIELD(QString, userType, setUserType, userType_)
QUORIX_USERINFO_FIELD(QString, subUserName, setSubUserName, subUserName_)
QUORIX_USERINFO_FIELD(bool, isSpeakerOn, setIsSpeakerOn, isSpeakerOn_)
QUORIX_USERINFO_FIELD(float, speakerVol, setSpeakerVol, speakerVol_)
QUORIX_USERINFO_FIELD(bool, isScheduler, setIsScheduler, isScheduler_)
#undef QUORIX_USERINFO_FIELD
