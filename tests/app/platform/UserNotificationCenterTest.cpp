#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "platform/UserNotificationCenter.h"

// A program that asks whether notifications are allowed and quits at once
// must exit cleanly: the question goes to the session bus in the background,
// and the bus connection's set-up on Qt's bus thread must not race with the
// application object and Qt's type registry going away. Each child process
// is one such short-lived program; the race, where it exists, shows in some
// of them.
TEST(UserNotificationCenterExitTest, AProgramThatQuitsRightAfterAskingExitsCleanly) {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = 0;
    constexpr int kRuns = 12;
    for (int run = 0; run < kRuns; ++run) {
        const pid_t child = ::fork();
        if (child == 0) {
            // A bus address that does not answer: the connection is still set
            // up on the bus thread, and no real session is touched.
            ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorix-test-session-bus", 1);
            ::setenv("QUORIX_NOTIFICATION_EXIT_CHILD", "1", 1);
            ::execl(self, self, "--gtest_filter=UserNotificationCenterExitChild.*",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(child, 0);
        int status = -1;
        bool ended = false;
        for (int waited = 0; waited < 1200 && !ended; ++waited) {
            ended = ::waitpid(child, &status, WNOHANG) == child;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!ended) ::kill(child, SIGKILL), ::waitpid(child, &status, 0);
        ASSERT_TRUE(ended) << "run " << run << " did not end";
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "run " << run << " crashed or failed at exit (its output is above)";
    }
}

TEST(UserNotificationCenterExitChild, AskAndQuit) {
    if (qEnvironmentVariable("QUORIX_NOTIFICATION_EXIT_CHILD") != "1")
        GTEST_SKIP() << "runs as the child of the test above";
    int argc = 1;
    char name[] = "notification-exit-child";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    UserNotificationCenter::current().getAuthorizationStatus([](bool) {});
}
