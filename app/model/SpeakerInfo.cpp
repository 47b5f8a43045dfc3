#include "model/SpeakerInfo.h"

SpeakerInfo::SpeakerInfo(int clientNo, const QString& userId, const QString& userName, const QString& userType)
    : UserInfo(userId, userName, userType), clientNo_(clientNo) {}

SpeakerInfo::SpeakerInfo(int clientNo, const UserInfo& info)
    : UserInfo(info.userId(), info.userName(), info.userType()), clientNo_(clientNo) {
    setIsScheduler(info.isScheduler());
    setIsSpeakerOn(info.isSpeakerOn());
    setSpeakerVol(info.speakerVol());
    setSubUserName(info.userName());
}
