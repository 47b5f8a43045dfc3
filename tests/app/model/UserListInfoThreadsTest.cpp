// The participant lists under the core's threads: four writers change the
// lists while a reader takes snapshots and reads the shared records, as the
// video area does. Runs under ThreadSanitizer too (the area's TSan build
// compiles this file alone).
#include <gtest/gtest.h>

#include <QVariant>
#include <atomic>
#include <thread>
#include <vector>

#include "model/ListNotificator.h"
#include "model/SpeakerInfo.h"
#include "model/UserInfo.h"
#include "model/UserListInfo.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"

TEST(UserListInfoThreads, FourWritersAndASnapshottingReader) {
    ScopedManualDispatcher dispatcher;
    std::atomic<int> speakerNotices{0};
    std::atomic<int> clientNotices{0};
    int observer = 0;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&observer, kListNotificatorDidChangeSpeakerNotification,
                       [&](const Notification&) { speakerNotices.fetch_add(1); });
    center.addObserver(&observer, kListNotificatorDidChangeClientNotification,
                       [&](const Notification&) { clientNotices.fetch_add(1); });

    auto me = std::make_shared<UserInfo>("me", "Me", USER_TYPE_S0);
    // A seminar room whose chair is the own user: the speaker list starts
    // with the own entry, and the client list exists.
    UserListInfo lists(ROOM_CATEGORY_SEMINAR, me, "me", std::nullopt);

    constexpr int kWriters = 4;
    constexpr int kRounds = 150;
    std::atomic<bool> writing{true};
    std::atomic<long> seen{0};
    std::atomic<int> snapshots{0};
    std::thread reader([&] {
        do {
            ++snapshots;
            if (auto speakers = lists.speakerList()) {
                for (const SpeakerInfoRef& s : *speakers) seen += s->clientNo() + s->userName().size();
            }
            if (auto clients = lists.clientList()) seen += long(clients->size());
            if (SpeakerInfoRef own = lists.getSpeakerInfo(CLIENT_NO_SELF)) seen += long(own->speakerVol() * 10);
        } while (writing.load());
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < kRounds; ++i) {
                const int clientNo = w * 1000 + i;
                const QString id = QString("user-%1-%2").arg(w).arg(i);
                lists.addSpeaker(std::make_shared<SpeakerInfo>(clientNo, id, id, USER_TYPE_S0));
                lists.addClient(std::make_shared<UserInfo>(id, id, USER_TYPE_S0));
                me->setSpeakerVol(float(i % 10) / 10.0f);  // the shared own record
                lists.deleteSpeaker(clientNo);
                lists.deleteClient(id);
            }
        });
    }
    for (std::thread& t : writers) t.join();
    writing = false;
    reader.join();
    EXPECT_GT(snapshots.load(), 0);

    // Every change was found, so every change asked for a notice; none was
    // posted on a writer's thread: they wait for the main queue.
    EXPECT_EQ(speakerNotices.load(), 0);
    EXPECT_EQ(clientNotices.load(), 0);
    dispatcher->runPending();
    EXPECT_EQ(speakerNotices.load(), kWriters * kRounds * 2);
    EXPECT_EQ(clientNotices.load(), kWriters * kRounds * 2);

    const auto speakers = lists.speakerList();
    ASSERT_TRUE(speakers.has_value());
    ASSERT_EQ(speakers->size(), 1u);
    EXPECT_EQ(speakers->front()->clientNo(), CLIENT_NO_SELF);
    EXPECT_TRUE(lists.clientList()->empty());
    center.removeObserver(&observer);
}
