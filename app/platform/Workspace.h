#pragma once

// The desktop's running applications: those with ordinary windows (what a
// task bar would show), their launch and end, and bringing one to the front.
// The application's workspace is `X11Workspace`; tests put a fake in its
// place through `LaunchAppManager::setWorkspaceFactory`.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ApplicationInfo.h"

class Workspace {
public:
    using Observer = std::function<void(const ApplicationInfo&)>;

    virtual ~Workspace() = default;

    // The running applications, in the order they appeared.
    virtual std::vector<ApplicationInfo> runningApplications() = 0;
    // Called on the main queue when an application appears or ends; empty
    // observers stop the calls (no call runs after this returns on the main
    // thread).
    virtual void setObservers(Observer launched, Observer terminated) = 0;
    // Brings every window of the process to the front and activates it; false
    // when it has no window.
    virtual bool activate(std::int64_t pid) = 0;
};
