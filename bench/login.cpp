// The whole login against the loopback conference server and relay, and the
// relay path between two logged-in cores:
//  - time from the start of a login to the logged-in state (median, quartiles
//    and extremes of many logins, each followed by a logout);
//  - messages per second from one core through the relay fixture to another
//    (encryption, send queue, relay re-encryption, receive framing, decryption
//    and dispatch), for small and larger bodies.
// Two core objects share this process; the flat interface holds only one.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchRoom.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"
#include "interface/QuorixCore.h"
#include "interface/QuorixCoreAPI.h"
#include "network/CommonProc.h"

using namespace quorix::test;
using Clock = std::chrono::steady_clock;

namespace {

// Messages of this id are unknown to the client: each one received ends in one
// "unsupported" log line, which the benchmark counts.
constexpr uint32_t kProbeId = 0x3333;
std::atomic<long> g_received{0};

ST_FUNCLIST Table() {
    ST_FUNCLIST t{};
    t.OnQuorixLog = [](int, const char* line, void*) {
        if (std::strstr(line, "[0x00003333]") != nullptr) ++g_received;
    };
    return t;
}

void LoginTimes(int rounds) {
    RelayFixture relay;
    ConfServerFixture conf(bench::RoomScript(relay));
    CQuorixCore core;
    const ST_FUNCLIST table = Table();
    core.Init("Mac", &table, nullptr);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        const int code = bench::RoomLogin(core, conf.port(), "bench-user");
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (code != 0) {
            std::printf("login failed: %d\n", code);
            return;
        }
        ms.push_back(elapsed);
        core.LogoutToServer();
        relay.waitIdle(5000);
    }
    core.Term();
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[size_t(q * double(ms.size() - 1))]; };
    std::printf(
        "login to logged-in (%d logins): median %.2f ms, quartiles %.2f / %.2f ms, min %.2f, max %.2f ms\n",
        rounds, at(0.5), at(0.25), at(0.75), ms.front(), ms.back());
}

void RelayRate(size_t bodyBytes, long count) {
    RelayFixture relay;
    ConfServerFixture confA(bench::RoomScript(relay));
    ConfServerFixture confB(bench::RoomScript(relay));
    const ST_FUNCLIST table = Table();
    CQuorixCore a;
    CQuorixCore b;
    a.Init("Mac", &table, nullptr);
    b.Init("Mac", &table, nullptr);
    if (bench::RoomLogin(a, confA.port(), "sender") != 0 ||
        bench::RoomLogin(b, confB.port(), "receiver") != 0) {
        std::printf("login failed\n");
        return;
    }
    CQuorixControl* control = a.GetControl();
    const std::vector<uint8_t> body(bodyBytes, 0x5A);
    g_received = 0;
    const auto start = Clock::now();
    for (long i = 0; i < count; ++i)
        control->VpexSend(VPEX_CONN_OTHER, kProbeId, VPEX_TARGET_ALL,
                          control->VpexOwnClientId(VPEX_CONN_OTHER), body.data(), uint32_t(body.size()), 0,
                          false);
    const auto deadline = start + std::chrono::seconds(60);
    while (g_received.load() < count && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("relayed %ld of %ld messages of %zu bytes: %.0f messages/s (%.1f MB/s of bodies)\n",
                g_received.load(), count, bodyBytes, double(g_received.load()) / seconds,
                double(g_received.load()) * double(bodyBytes) / seconds / 1e6);
    a.Term();
    b.Term();
}

}  // namespace

int main() {
    QuorixCore_OnLoad();
    LoginTimes(200);
    RelayRate(64, 50000);
    RelayRate(1024, 20000);
    RelayRate(16384, 4000);
    return 0;
}
