// Shared set-up of the control tests: a core object whose callback table
// records the events, and the control object with shortened waits.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network/CommonProc.h"
#include "control/ControlWaits.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/ControlTestPeer.h"
#include "fixtures/LoopbackTcp.h"
#include "fixtures/ProxyFixture.h"
#include "interface/QuorixCore.h"
#include "tessel/TS_Socket.h"

namespace control_test {

using quorix::test::ConfMessage;
using quorix::test::ConfServerFixture;
using quorix::test::ConfServerScript;
using quorix::test::MakeUser;
using quorix::test::ProxyFixture;
using Reply = ConfServerScript::Reply;

inline constexpr const char* kUserAgent = "QuorixTest/1.0 (Linux; x86_64)";
inline constexpr const char* kOptions = "{\"roomname\":\"Room%201\",\"roomlist_max\":\"8\"}";

// Each test that binds port 443 uses an address of its own (127.44.0.K), so
// that test processes running at once never meet.
inline std::string TunnelAddr(int k) {
    return "127.44.0." + std::to_string(k);
}

struct Events {
    std::mutex mu;
    std::vector<std::string> owners;
    struct Speech {
        int slot;
        std::string id, name, type;
        bool camera, mic;
    };
    std::vector<Speech> speeches;
    std::vector<int> audioInitialized;
    std::vector<int> errors;
    std::vector<std::string> log;

    static Events& Of(void* user) { return *static_cast<Events*>(user); }
    int errorCount() {
        std::lock_guard<std::mutex> lock(mu);
        return int(errors.size());
    }
    bool logged(const std::string& part) {
        std::lock_guard<std::mutex> lock(mu);
        for (const std::string& l : log)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
};

inline ST_FUNCLIST EventTable() {
    ST_FUNCLIST t{};
    t.OnChangeOwner = [](const char* id, void* u) {
        std::lock_guard<std::mutex> lock(Events::Of(u).mu);
        Events::Of(u).owners.emplace_back(id);
    };
    t.OnStartSpeech = [](int slot, const char* id, const char* name, const char* type, bool cam, bool mic,
                         void* u) {
        std::lock_guard<std::mutex> lock(Events::Of(u).mu);
        Events::Of(u).speeches.push_back({slot, id, name, type, cam, mic});
    };
    t.OnAudioInitialized = [](int slot, void* u) {
        std::lock_guard<std::mutex> lock(Events::Of(u).mu);
        Events::Of(u).audioInitialized.push_back(slot);
    };
    t.OnError = [](int code, int, const char*, void* u) {
        std::lock_guard<std::mutex> lock(Events::Of(u).mu);
        Events::Of(u).errors.push_back(code);
    };
    t.OnQuorixLog = [](int, const char* line, void* u) {
        std::lock_guard<std::mutex> lock(Events::Of(u).mu);
        Events::Of(u).log.emplace_back(line);
    };
    return t;
}

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        CONTROL_WAITS w;
        w.replyWaitMs = 2000;  // a silent server costs this; a loaded machine still answers in time
        w.directConnectMs = 2000;
        w.tunnelConnectMs = 2000;
        w.idleIntervalMs = 50;
        SetControlWaitsForTest(w);
        CCommonProc::SetSyncWaitMs(2000);
        const ST_FUNCLIST table = EventTable();
        ASSERT_TRUE(core.Init("Linux", &table, &events));
        ctl = core.GetControl();
        QuorixControlTestPeer::SetLogin(*ctl, QuorixControlTestPeer::Login{});
        QuorixControlTestPeer::SetSlotCount(*ctl, 8);
        ctl->CreateParticipantInfo();
    }
    void TearDown() override {
        core.Term();
        SetControlWaitsForTest(CONTROL_WAITS{});
        CCommonProc::SetSyncWaitMs(CCommonProc::SYNC_WAIT_MS);
    }

    int Enter(const char* host, uint16_t port, const char* proxyList = nullptr) {
        HTTPACCESS_PROXY_CONFIG proxy;
        proxy.proxyList = proxyList;
        return ctl->ConfEnterRoom(host, port, kUserAgent, kOptions, &proxy);
    }

    Events events;
    CQuorixCore core;
    CQuorixControl* ctl = nullptr;
};

}  // namespace control_test
