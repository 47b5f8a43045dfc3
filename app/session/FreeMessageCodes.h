// The free-message codes participants send each other (the core's list), and
// the states of application sharing and of the sharing-request dialogue.
#pragma once

#include <cstdint>

#include "control/FreeMessageCodes.h"

enum ASStatus : int64_t { AS_STATUS_NONE = 0, AS_STATUS_SHARING = 2, AS_STATUS_VIEWING = 3 };

enum ASRequestStatus : int64_t {
    AS_REQUEST_NONE = 0,
    AS_REQUEST_SENT = 1,
    AS_REQUEST_PERMITTED = 2,
    AS_REQUEST_REJECTED = 3,
    AS_REQUEST_RECEIVED = 4,
};

inline constexpr int AS_CONTROL_STATUS_OPERATOR = 2;

enum ForceLogoutKind : int {
    FORCE_LOGOUT_BY_USER = 0,
    FORCE_LOGOUT_PUSHED_OUT = 1,
    FORCE_LOGOUT_UNKNOWN = 2
};
