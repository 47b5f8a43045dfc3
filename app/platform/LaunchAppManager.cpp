#include "platform/LaunchAppManager.h"

#include "platform/NotificationCenter.h"
#include "platform/X11Workspace.h"

namespace {

std::mutex g_sharedMutex;
std::shared_ptr<LaunchAppManager> g_shared;
LaunchAppManager::WorkspaceFactory g_factory;

}  // namespace

LaunchAppManager::LaunchAppManager(std::unique_ptr<Workspace> workspace) : workspace_(std::move(workspace)) {
    updateAppList();
    workspace_->setObservers([this](const ApplicationInfo& app) { appDidLaunch(app); },
                             [this](const ApplicationInfo& app) { appDidTerminate(app); });
}

LaunchAppManager::~LaunchAppManager() {
    workspace_->setObservers({}, {});
}

std::shared_ptr<LaunchAppManager> LaunchAppManager::sharedManager() {
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared) {
        std::unique_ptr<Workspace> workspace = g_factory ? g_factory() : std::make_unique<X11Workspace>();
        g_shared = std::make_shared<LaunchAppManager>(std::move(workspace));
    }
    return g_shared;
}

void LaunchAppManager::terminate() {
    std::shared_ptr<LaunchAppManager> released;
    std::lock_guard lock(g_sharedMutex);
    released = std::move(g_shared);
    if (released) released->workspace_->setObservers({}, {});
}

void LaunchAppManager::setWorkspaceFactory(WorkspaceFactory factory) {
    std::lock_guard lock(g_sharedMutex);
    g_factory = std::move(factory);
}

std::vector<ApplicationInfo> LaunchAppManager::launchAppList() const {
    std::lock_guard lock(mutex_);
    return list_;
}

void LaunchAppManager::setLaunchAppList(const std::vector<ApplicationInfo>& list) {
    std::lock_guard lock(mutex_);
    list_ = list;
}

void LaunchAppManager::updateAppList() {
    for (const ApplicationInfo& app : workspace_->runningApplications()) addAppData(app);
}

void LaunchAppManager::appDidLaunch(const ApplicationInfo& app) {
    addAppData(app);
}

void LaunchAppManager::appDidTerminate(const ApplicationInfo& app) {
    removeAppData(app);
    // Another instance of the same application that still runs takes the
    // ended one's place.
    for (const ApplicationInfo& other : workspace_->runningApplications())
        if (other.bundleId == app.bundleId && other.processId != app.processId) {
            addAppData(other);
            break;
        }
}

void LaunchAppManager::addAppData(const ApplicationInfo& app) {
    if (app.processId <= 0 || app.bundleId.isEmpty() || app.name.isEmpty()) return;
    {
        std::lock_guard lock(mutex_);
        for (const ApplicationInfo& listed : list_)
            if (listed.bundleId == app.bundleId) return;
        list_.push_back(app);
    }
    notify();
}

void LaunchAppManager::removeAppData(const ApplicationInfo& app) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(list_.begin(), list_.end(), [&](const ApplicationInfo& listed) {
            return listed.bundleId == app.bundleId && listed.processId == app.processId;
        });
        if (it == list_.end()) return;
        list_.erase(it);
    }
    notify();
}

bool LaunchAppManager::isAppRunnning(std::int64_t pid) const {
    std::lock_guard lock(mutex_);
    return std::any_of(list_.begin(), list_.end(),
                       [&](const ApplicationInfo& app) { return app.processId == pid; });
}

void LaunchAppManager::bringAppToTheFore(std::int64_t pid) {
    for (const ApplicationInfo& app : workspace_->runningApplications())
        if (app.processId == pid) {
            workspace_->activate(pid);
            return;
        }
}

void LaunchAppManager::setUpdateNotification(const void* observer, std::function<void()> block) {
    NotificationCenter::defaultCenter().addObserver(
        observer, QString::fromLatin1(kUpdateNotification),
        [block = std::move(block)](const Notification&) { block(); });
}

void LaunchAppManager::removeUpdateNotification(const void* observer) {
    NotificationCenter::defaultCenter().removeObserver(observer);
}

void LaunchAppManager::notify() {
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kUpdateNotification), this);
}
