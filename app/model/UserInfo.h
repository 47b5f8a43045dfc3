// One participant, shared by reference (the same record can sit in several
// lists and windows). Fields may change after creation from any thread; each
// read answers a copy.
#pragma once

#include <QString>
#include <memory>
#include <mutex>

inline constexpr char USER_TYPE_S0[] = "S0";

class UserInfo {
public:
    UserInfo(const QString& userId, const QString& userName, const QString& userType);
    virtual ~UserInfo() = default;
    UserInfo(const UserInfo&) = delete;
    UserInfo& operator=(const UserInfo&) = delete;

    QString userId() const;
    void setUserId(const QString& v);
    QString userName() const;
    void setUserName(const QString& v);
    QString userType() const;
    void setUserType(const QString& v);
    QString subUserName() const;
    void setSubUserName(const QString& v);
    bool isSpeakerOn() const;
    void setIsSpeakerOn(const bool& v);
    float speakerVol() const;
    void setSpeakerVol(const float& v);
    bool isScheduler() const;
    void setIsScheduler(const bool& v);

private:
    mutable std::mutex mutex_;
    QString userId_, userName_, userType_, subUserName_;
    bool isSpeakerOn_ = true;
    float speakerVol_ = 0.33f;
    bool isScheduler_ = false;
};

using UserInfoRef = std::shared_ptr<UserInfo>;
