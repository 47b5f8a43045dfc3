// Two client processes (one core each) logged in to one room of the loopback
// conference servers and relay, each having learnt of the other on all five
// relay connections.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"

namespace e2e_test {

using namespace quorix::test;

inline ConfServerScript RoomScript(const RelayFixture& relay, const std::string& token) {
    ConfServerScript s;
    s.loginBody.assign(136, 0);
    std::memcpy(s.loginBody.data(), token.data(), token.size());
    s.keyLevel = 2;
    for (int i = 0; i < 5; ++i) s.relays[i] = {relay.addr(), relay.port(i)};
    return s;
}

inline std::vector<std::string> RoomClientArgs(const ConfServerFixture& conf, const std::string& user,
                                               const std::string& name,
                                               const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {
        "port=" + std::to_string(conf.port()), "user=" + user, "name=" + name, "top=7", "room=8",
        "option={\"roomlist_max\":\"8\"}",     "idle=50",      "wait=2000"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// Alice and Bob in one room; `extra` are further client arguments of both.
struct TwoClientRoom {
    explicit TwoClientRoom(const std::vector<std::string>& extra = {})
        : confA(RoomScript(relay, "token-a")), confB(RoomScript(relay, "token-b")) {
        a = std::make_unique<ClientProcess>(FixtureProgram("quorix_test_client"),
                                            RoomClientArgs(confA, "alice", "Alice", extra));
        loggedIn = a->waitLine("LOGIN", 60000) == "LOGIN 0";
        b = std::make_unique<ClientProcess>(FixtureProgram("quorix_test_client"),
                                            RoomClientArgs(confB, "bob", "Bob", extra));
        loggedIn = loggedIn && b->waitLine("LOGIN", 60000) == "LOGIN 0";
        // Each learns of the other on all five connections.
        loggedIn = loggedIn && !a->waitLine("EVENT AudioInitialized", 30000).empty() &&
                   !b->waitLine("EVENT AudioInitialized", 30000).empty();
    }
    ~TwoClientRoom() { Finish(); }

    // Ends both clients; true when each ended normally (a sanitizer report
    // makes a client end otherwise) and none reported a connection error.
    bool Finish() {
        bool clean = true;
        for (std::unique_ptr<ClientProcess>* c : {&a, &b}) {
            if (*c == nullptr) continue;
            (*c)->send("quit");
            clean = (*c)->finish() == 0 && clean;
            for (const std::string& line : (*c)->lines())
                if (line.rfind("EVENT Error", 0) == 0) clean = false;
            c->reset();
        }
        return clean;
    }

    RelayFixture relay;
    ConfServerFixture confA;
    ConfServerFixture confB;
    std::unique_ptr<ClientProcess> a;
    std::unique_ptr<ClientProcess> b;
    bool loggedIn = false;
};

// The words of a line, split at single spaces.
inline std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t end = line.find(' ', pos);
        words.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return words;
}

}  // namespace e2e_test
