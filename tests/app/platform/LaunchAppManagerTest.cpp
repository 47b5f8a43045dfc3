#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "X11Desktop.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/LaunchAppManager.h"
#include "platform/NotificationCenter.h"
#include "platform/X11Connection.h"
#include "platform/X11Workspace.h"

namespace {

ApplicationInfo app(std::int64_t pid, const char* bundle, const char* name = "Name") {
    ApplicationInfo a;
    a.processId = pid;
    a.bundleId = QString::fromLatin1(bundle);
    a.name = QString::fromLatin1(name);
    return a;
}

class FakeWorkspace : public Workspace {
public:
    explicit FakeWorkspace(std::vector<ApplicationInfo>* running, std::vector<std::int64_t>* activated)
        : running_(running), activated_(activated) {}
    std::vector<ApplicationInfo> runningApplications() override { return *running_; }
    void setObservers(Observer, Observer) override {}
    bool activate(std::int64_t pid) override {
        activated_->push_back(pid);
        return true;
    }

private:
    std::vector<ApplicationInfo>* running_;
    std::vector<std::int64_t>* activated_;
};

std::vector<std::int64_t> pids(const std::vector<ApplicationInfo>& list) {
    std::vector<std::int64_t> out;
    for (const ApplicationInfo& a : list) out.push_back(a.processId);
    return out;
}

TEST(LaunchAppManagerTest, OneEntryPerApplicationAndIncompleteEntriesAreRefused) {
    std::vector<ApplicationInfo> running = {app(10, "XClock"), app(11, "XClock"),     app(12, ""),
                                            app(0, "Zero"),    app(13, "NoName", ""), app(14, "XEyes")};
    std::vector<std::int64_t> activated;
    LaunchAppManager manager(std::make_unique<FakeWorkspace>(&running, &activated));
    EXPECT_EQ(pids(manager.launchAppList()), (std::vector<std::int64_t>{10, 14}));

    int updates = 0;
    int owner = 0;
    manager.setUpdateNotification(&owner, [&] { ++updates; });
    manager.appDidLaunch(app(20, "Editor"));
    manager.appDidLaunch(app(21, "Editor"));
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(pids(manager.launchAppList()), (std::vector<std::int64_t>{10, 14, 20}));

    // The listed instance ends while another one runs: the other takes its place.
    running = {app(11, "XClock"), app(14, "XEyes"), app(20, "Editor")};
    manager.appDidTerminate(app(10, "XClock"));
    EXPECT_EQ(pids(manager.launchAppList()), (std::vector<std::int64_t>{14, 20, 11}));
    // An unlisted second instance that ends leaves the list alone.
    manager.appDidTerminate(app(21, "Editor"));
    EXPECT_EQ(pids(manager.launchAppList()), (std::vector<std::int64_t>{14, 20, 11}));
    EXPECT_TRUE(manager.isAppRunnning(11));
    EXPECT_FALSE(manager.isAppRunnning(10));
    EXPECT_EQ(updates, 3);
    manager.removeUpdateNotification(&owner);

    manager.bringAppToTheFore(14);
    manager.bringAppToTheFore(99);
    EXPECT_EQ(activated, std::vector<std::int64_t>{14});
}

bool spinUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int countNamed(const std::vector<ApplicationInfo>& list, const QString& bundle) {
    return int(std::count_if(list.begin(), list.end(),
                             [&](const ApplicationInfo& a) { return a.bundleId == bundle; }));
}

TEST(LaunchAppManagerX11Test, StartingAndEndingProgramsUpdatesTheListAndBringToFrontRaises) {
    ensureQtApplication();
    x11test::Desktop desktop("1024x768x24");
    ASSERT_TRUE(desktop.ready());
    LaunchAppManager manager(std::make_unique<X11Workspace>(desktop.displayName()));
    EXPECT_TRUE(manager.launchAppList().empty());

    x11test::Program& clock = desktop.start({"xclock", "-geometry", "150x150+10+10"});
    ASSERT_TRUE(spinUntil([&] { return countNamed(manager.launchAppList(), "XClock") == 1; }));
    EXPECT_EQ(manager.launchAppList()[0].processId, clock.pid());
    EXPECT_EQ(manager.launchAppList()[0].name, "XClock");
    x11test::Program& secondClock = desktop.start({"xclock", "-geometry", "150x150+200+10"});
    x11test::Program& eyes = desktop.start({"xeyes", "-geometry", "150x150+400+10"});
    ASSERT_TRUE(spinUntil([&] { return countNamed(manager.launchAppList(), "XEyes") == 1; }));
    // The second clock's window is there too, but not listed twice.
    ASSERT_TRUE(x11test::waitFor([&] { return desktop.stacking().size() == 3; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(countNamed(manager.launchAppList(), "XClock"), 1);
    EXPECT_EQ(manager.launchAppList().size(), 2u);
    EXPECT_TRUE(manager.isAppRunnning(eyes.pid())) << "xeyes is found through the server's client record";

    // Bringing the first clock to the front puts its window on top.
    X11Connection x(desktop.displayName());
    auto topPid = [&] {
        const auto s = desktop.stacking();
        return s.empty() ? std::int64_t(0) : x.windowPid(s.back());
    };
    ASSERT_NE(topPid(), clock.pid());
    manager.bringAppToTheFore(clock.pid());
    EXPECT_TRUE(x11test::waitFor([&] { return topPid() == clock.pid(); }));
    manager.bringAppToTheFore(eyes.pid());
    EXPECT_TRUE(x11test::waitFor([&] { return topPid() == eyes.pid(); }));

    eyes.stop();
    EXPECT_TRUE(spinUntil([&] { return countNamed(manager.launchAppList(), "XEyes") == 0; }));
    clock.stop();
    EXPECT_TRUE(spinUntil([&] {
        const auto list = manager.launchAppList();
        return list.size() == 1 && list[0].processId == secondClock.pid();
    })) << "the second clock takes the first one's place";
    secondClock.stop();
    EXPECT_TRUE(spinUntil([&] { return manager.launchAppList().empty(); }));
}

}  // namespace
