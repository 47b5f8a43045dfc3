// The fixed waits of the control object. The application never changes them;
// only tests shorten them (SetControlWaitsForTest) so that silences, time-outs
// and keep-alives are seen in milliseconds instead of tens of seconds.
#pragma once

#include <cstdint>

struct CONTROL_WAITS {
    int32_t replyWaitMs = 10000;       // synchronous send and receive during the login
    int32_t directConnectMs = 100000;  // TCP connect of the direct method
    int32_t tunnelConnectMs = 10000;   // TCP connect to port 443 and to each proxy
    uint32_t idleIntervalMs = 20000;   // send-thread idle interval before the keep-alive hook
};

// The waits in force (the defaults above unless a test changed them).
CONTROL_WAITS GetControlWaits();
// Test hook: replaces the waits for the whole process; pass CONTROL_WAITS{} to restore.
void SetControlWaitsForTest(const CONTROL_WAITS& waits);
