#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/NotificationCenter.h"

using namespace std::chrono_literals;

TEST(NotificationCenterTest, DeliversSynchronouslyOnThePostingThreadByNameAndSender) {
    NotificationCenter center;
    const int senderA = 0;
    const int senderB = 0;
    std::vector<std::string> log;
    std::thread::id deliveredOn;
    int observer = 0;
    center.addObserver(&observer, "changed", [&](const Notification& n) {
        deliveredOn = std::this_thread::get_id();
        log.push_back("any sender:" + n.userInfo.value("value").toString().toStdString());
    });
    center.addObserver(
        &observer, "changed", [&](const Notification&) { log.push_back("from A"); }, &senderA);
    center.addObserver(&observer, "",
                       [&](const Notification& n) { log.push_back("all:" + n.name.toStdString()); });

    std::thread poster([&] { center.post("changed", &senderB, {{"value", 7}}); });
    poster.join();
    EXPECT_EQ(log, (std::vector<std::string>{"any sender:7", "all:changed"}));
    EXPECT_NE(deliveredOn, std::this_thread::get_id());

    log.clear();
    center.post("changed", &senderA);
    center.post("other");
    EXPECT_EQ(log, (std::vector<std::string>{"any sender:", "from A", "all:changed", "all:other"}));
}

TEST(NotificationCenterTest, ObserversRemovedDuringAPostAreNotCalledAgain) {
    NotificationCenter center;
    int first = 0, second = 0;
    int secondCalls = 0, firstCalls = 0;
    center.addObserver(&first, "n", [&](const Notification&) {
        ++firstCalls;
        center.removeObserver(&first);   // itself
        center.removeObserver(&second);  // a later observer of the same post
    });
    center.addObserver(&second, "n", [&](const Notification&) { ++secondCalls; });
    center.post("n");
    center.post("n");
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 0);

    const auto token = center.addObserver(&first, "n", [&](const Notification&) { ++firstCalls; });
    center.addObserver(&first, "m", [&](const Notification&) { ++firstCalls; });
    center.removeObserver(token);
    center.post("n");
    center.post("m");
    EXPECT_EQ(firstCalls, 2);
    center.removeObserver(&first, "m");
    center.post("m");
    EXPECT_EQ(firstCalls, 2);
}

TEST(NotificationCenterTest, RemovalWaitsForABlockRunningOnAnotherThread) {
    NotificationCenter center;
    int observer = 0;
    std::promise<void> entered;
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> blockFinished{false};
    center.addObserver(&observer, "slow", [&](const Notification&) {
        entered.set_value();
        released.wait();
        std::this_thread::sleep_for(20ms);
        blockFinished = true;
    });
    std::thread poster([&] { center.post("slow"); });
    entered.get_future().wait();
    std::thread remover([&] {
        center.removeObserver(&observer);
        EXPECT_TRUE(blockFinished);  // not returned while the block still ran
    });
    std::this_thread::sleep_for(10ms);
    release.set_value();
    remover.join();
    poster.join();
}
