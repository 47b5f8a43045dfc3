#include "FloorScript.h"

#include <chrono>
#include <cstdio>

#include "interface/QuorixCoreAPI.h"

namespace demo_room {

FloorScript::FloorScript(std::string userId, std::string name, int periodMs)
    : userId_(std::move(userId)), name_(std::move(name)), periodMs_(periodMs) {
    if (periodMs_ > 0) thread_ = std::thread([this] { run(); });
}

FloorScript::~FloorScript() {
    stop();
}

void FloorScript::stop() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stopped_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool FloorScript::pause(int ms) {
    std::unique_lock<std::mutex> lock(mu_);
    return !cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
}

void FloorScript::run() {
    const int half = periodMs_ / 2;
    while (pause(half)) {
        QuorixCoreSpeechReserve();
        std::fprintf(stderr, "demo-room: %s asks for the floor\n", name_.c_str());
        std::fflush(stderr);
        const bool going = pause(half);
        QuorixCoreSpeechReserveCancel(userId_.c_str());
        std::fprintf(stderr, "demo-room: %s gives the floor back\n", name_.c_str());
        std::fflush(stderr);
        if (!going) break;
    }
}

}  // namespace demo_room
