#pragma once

// The running applications of an X11 desktop from the window manager's
// client list: every process (_NET_WM_PID) with a client window that is an
// ordinary window (type normal or none, not kept off the task bar) is one
// application, named by WM_CLASS (else its command name from /proc), with the
// icon of _NET_WM_ICON. Changes of the client list (PropertyNotify on the
// root) are watched on a thread of their own; activating asks the window
// manager to activate the process's windows (_NET_ACTIVE_WINDOW).

#include <QByteArray>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Workspace.h"

class X11Connection;

class X11Workspace final : public Workspace {
public:
    // `display` empty: the DISPLAY variable. Without a display there are no
    // applications and nothing is watched.
    explicit X11Workspace(const QByteArray& display = {});
    ~X11Workspace() override;

    std::vector<ApplicationInfo> runningApplications() override;
    void setObservers(Observer launched, Observer terminated) override;
    bool activate(std::int64_t pid) override;

private:
    struct Observers;
    std::vector<ApplicationInfo> scan();
    void watch();

    std::mutex mutex_;  // the query connection and the last scan
    std::unique_ptr<X11Connection> x_;
    std::unique_ptr<X11Connection> events_;
    std::shared_ptr<Observers> observers_;
    std::map<std::int64_t, ApplicationInfo> known_;
    int wake_[2] = {-1, -1};
    std::thread watcher_;
};
