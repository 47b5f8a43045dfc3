// A loopback room for the benchmarks: the conference-server script that
// names the relay fixture, and a login of one core object into it.
#pragma once

#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "interface/QuorixCore.h"

namespace bench {

inline quorix::test::ConfServerScript RoomScript(const quorix::test::RelayFixture& relay) {
    quorix::test::ConfServerScript s;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

// 0 or the login's failure code; supportJson chooses the audio codec.
inline int RoomLogin(CQuorixCore& core, uint16_t port, const char* user, const char* supportJson = nullptr) {
    QUORIX_LOGIN_ARGS a;
    a.userAgent = "Bench/1";
    a.host = "127.0.0.1";
    a.port = port;
    a.userId = user;
    a.password = "pw";
    a.userName = user;
    a.userType = "S0";
    a.appVersion = "1.0";
    a.samplingRateCode = 4;
    a.supportFuncJson = supportJson;
    a.optionJson = R"({"roomlist_max":"8"})";
    return core.LoginToServer(a);
}

}  // namespace bench
