// The feature managers that LoginManager owns, as far as the login and the
// session's lifecycle drive them. The feature subsystems implement these
// interfaces; LoginManager creates them through the factories it is given and
// works without any of them (a missing manager is simply not asked).
#pragma once

#include <QString>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <memory>

#include "conference/UserInfo.h"

class LoginManager;

// Audio devices (captured audio reaches LoginManager through its own callback).
class LoginAudioManager {
public:
    virtual ~LoginAudioManager() = default;
    virtual void setup(int roomSampling, const QVariantMap& configData) = 0;
    virtual void start() = 0;
    virtual void reset() = 0;
    virtual int roomSampleRate() const = 0;
};

class LoginRemoteStgManager {
public:
    virtual ~LoginRemoteStgManager() = default;
    virtual void setOptions(const QVariantMap& configData) = 0;
    virtual void setMyInfo(const UserInfoRef& myInfo) = 0;
    virtual void resetInfo() = 0;
};

class LoginDocShareManager {
public:
    virtual ~LoginDocShareManager() = default;
    virtual void setMyInfo(const UserInfoRef& myInfo) = 0;
    virtual void setOptions(const QVariantMap& configData) = 0;
};

class LoginQuestionnaireInfo {
public:
    virtual ~LoginQuestionnaireInfo() = default;
    virtual void resetQuestionnaire() = 0;
    virtual void stopQuestionnaire() = 0;
    virtual int status() const = 0;  // 1 while a questionnaire runs
    virtual QString issuedUserId() const = 0;
};

class LoginPermissionManager {
public:
    virtual ~LoginPermissionManager() = default;
    virtual void setParameters(const UserInfoRef& myInfo, const QVariantMap& configData) = 0;
    virtual void resetParameters(bool all) = 0;
};

class LoginRecordingManager {
public:
    virtual ~LoginRecordingManager() = default;
    virtual void stopAllRecording() = 0;
    // Waits until every stopped recording has been written out; false when
    // the time ran out first.
    virtual bool waitUntilFinished(std::chrono::milliseconds /*timeout*/) { return true; }
};

class LoginRemoteSupportManager {
public:
    virtual ~LoginRemoteSupportManager() = default;
};

// How LoginManager makes its feature managers; an empty factory makes none.
struct LoginManagerFeatures {
    std::function<std::unique_ptr<LoginAudioManager>(LoginManager&)> audioManager;
    std::function<std::unique_ptr<LoginRemoteStgManager>(LoginManager&)> remoteStgManager;
    std::function<std::unique_ptr<LoginDocShareManager>(LoginManager&)> docShareManager;
    std::function<std::unique_ptr<LoginQuestionnaireInfo>(LoginManager&)> questionnaireInfo;
    std::function<std::unique_ptr<LoginPermissionManager>(LoginManager&)> permissionManager;
    // Made at a login whose room asks for recording; none until the recording subsystem exists.
    std::function<std::unique_ptr<LoginRecordingManager>(LoginManager&)> recordingManager;
    std::function<std::unique_ptr<LoginRemoteSupportManager>(LoginManager&)> remoteSupportManager;
};
