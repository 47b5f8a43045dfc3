#include "control/ControlWaits.h"

#include <atomic>

namespace {
std::atomic<int32_t> g_replyWaitMs{CONTROL_WAITS{}.replyWaitMs};
std::atomic<int32_t> g_directConnectMs{CONTROL_WAITS{}.directConnectMs};
std::atomic<int32_t> g_tunnelConnectMs{CONTROL_WAITS{}.tunnelConnectMs};
std::atomic<uint32_t> g_idleIntervalMs{CONTROL_WAITS{}.idleIntervalMs};
}  // namespace

CONTROL_WAITS GetControlWaits() {
    CONTROL_WAITS w;
    w.replyWaitMs = g_replyWaitMs.load();
    w.directConnectMs = g_directConnectMs.load();
    w.tunnelConnectMs = g_tunnelConnectMs.load();
    w.idleIntervalMs = g_idleIntervalMs.load();
    return w;
}

void SetControlWaitsForTest(const CONTROL_WAITS& waits) {
    g_replyWaitMs = waits.replyWaitMs;
    g_directConnectMs = waits.directConnectMs;
    g_tunnelConnectMs = waits.tunnelConnectMs;
    g_idleIntervalMs = waits.idleIntervalMs;
}
