// A participant who has the floor: a UserInfo with the client number by which
// the core's audio and video events name it.
#pragma once

#include <atomic>

#include "model/UserInfo.h"

inline constexpr int CLIENT_NO_SELF = -100;
inline constexpr int CLIENT_NO_SCHEDULED = -1;

class SpeakerInfo : public UserInfo {
public:
    SpeakerInfo(int clientNo, const QString& userId, const QString& userName, const QString& userType);
    // Copies id, name, type, schedule flag, speaker state and volume of `info`;
    // the second name is the source's name. Independent of the source afterwards.
    SpeakerInfo(int clientNo, const UserInfo& info);

    int clientNo() const { return clientNo_.load(); }
    void setClientNo(int v) { clientNo_.store(v); }

private:
    std::atomic<int> clientNo_;
};

using SpeakerInfoRef = std::shared_ptr<SpeakerInfo>;
