// What LoginManager asks of the bridge to the core: start and end the core,
// log in and out, and the connection sub-code. `Quorix` is the one real
// bridge; tests put a scripted one in its place.
#pragma once

#include <QString>
#include <optional>

class QuorixDelegate {
public:
    virtual ~QuorixDelegate() = default;
};

struct QuorixLoginParams {
    bool unused = true;
    QString strAddr;
    int iPort = 0;
    int iFirstConnectType = -1;
    std::optional<QString> strProxyInfoJson;  // none: no proxy list
    bool bWifi = false;
    QString strUserId;
    QString strPassword;
    QString strUserName;
    int iTopRoomId = 0;
    int iRoomId = 0;
    int iVersion = 0;
    QString strAppVersion;
    int iRoomSamplingRate = 0;
    QString strSupportFunc;
    std::optional<QString> strOption;  // none: no option text
};

class QuorixBridge {
public:
    virtual ~QuorixBridge() = default;
    virtual int Init() = 0;
    virtual void Term() = 0;
    virtual int Login(const QuorixLoginParams& params) = 0;
    virtual void Logout() = 0;
    virtual int GetConnectionError() = 0;
    // 0 not initialised, 1 initialised, 2 logged in.
    virtual int status() const = 0;
    virtual void setDelegate(QuorixDelegate* delegate) = 0;
};
