#pragma once

// The list of running applications that the sharing menu offers, kept up to
// date from the workspace's launch and end notices, and bringing one of them
// to the front. After every change of the list "LaunchAppManagerUpdateNotification"
// is posted on the default notification centre; observers read the list again.
//
// The list and the notices live on the main thread; `isAppRunnning` may be
// asked from any thread.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ApplicationInfo.h"
#include "platform/Workspace.h"

class LaunchAppManager {
public:
    static constexpr char kUpdateNotification[] = "LaunchAppManagerUpdateNotification";

    explicit LaunchAppManager(std::unique_ptr<Workspace> workspace);
    ~LaunchAppManager();
    LaunchAppManager(const LaunchAppManager&) = delete;
    LaunchAppManager& operator=(const LaunchAppManager&) = delete;

    // The process-wide manager, made on first use on the main thread's workspace.
    static std::shared_ptr<LaunchAppManager> sharedManager();
    // Stops following the workspace and releases the shared manager.
    static void terminate();
    using WorkspaceFactory = std::function<std::unique_ptr<Workspace>()>;
    // The workspace of the next shared manager; an empty factory restores X11.
    static void setWorkspaceFactory(WorkspaceFactory factory);

    std::vector<ApplicationInfo> launchAppList() const;
    void setLaunchAppList(const std::vector<ApplicationInfo>& list);

    // Adds every running application.
    void updateAppList();
    void appDidLaunch(const ApplicationInfo& app);
    void appDidTerminate(const ApplicationInfo& app);
    // Refused without a process id, bundle id or name, and when an entry with
    // the same bundle id is listed (one entry per application).
    void addAppData(const ApplicationInfo& app);
    // Removes the entry of that bundle id and process.
    void removeAppData(const ApplicationInfo& app);
    bool isAppRunnning(std::int64_t pid) const;
    // Brings the application of that process to the front with all its
    // windows; nothing for a process that is not a running application.
    void bringAppToTheFore(std::int64_t pid);

    // Observers of kUpdateNotification (the block runs on the posting thread).
    void setUpdateNotification(const void* observer, std::function<void()> block);
    void removeUpdateNotification(const void* observer);

private:
    void notify();

    std::unique_ptr<Workspace> workspace_;
    mutable std::mutex mutex_;
    std::vector<ApplicationInfo> list_;
};
