// A scripted participant's turn at the floor: on a timer it asks for the
// floor (a speech reservation), and half a period later gives the request
// back, so that a guest sees the request arrive and go. Runs on a thread of
// its own between construction and stop(); a period of 0 does nothing.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace demo_room {

class FloorScript {
public:
    FloorScript(std::string userId, std::string name, int periodMs);
    ~FloorScript();
    FloorScript(const FloorScript&) = delete;
    FloorScript& operator=(const FloorScript&) = delete;

    // Ends the timer (a request still open is given back first); call before logging out.
    void stop();

private:
    void run();
    // Waits up to ms; false once stop() was called.
    bool pause(int ms);

    const std::string userId_, name_;
    const int periodMs_;
    std::mutex mu_;
    std::condition_variable cv_;
    bool stopped_ = false;
    std::thread thread_;
};

}  // namespace demo_room
