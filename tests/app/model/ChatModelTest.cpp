// The chat models as core threads and windows use them at once: lines and
// messages appended by several threads while a reader takes snapshots, and
// the questionnaire's tally.
#include <gtest/gtest.h>

#include <QDateTime>
#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "model/MessageInfo.h"
#include "model/QuestionnaireInfo.h"
#include "model/SharedArray.h"
#include "model/TextBoxData.h"

namespace {

constexpr int kWriters = 6;
constexpr int kLinesEach = 400;

TEST(ChatModel, LinesAppendedByManyThreadsReachTheReaderWholeAndInOrder) {
    SharedArray<TextBoxData> lines;
    std::atomic<int> running{kWriters};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&lines, &running, w] {
            const QString name = QString::number(w);
            for (int i = 0; i < kLinesEach; ++i)
                lines.append(std::make_shared<TextBoxData>(name, QDateTime(), QString::number(i), false));
            --running;
        });
    }
    // The reader checks every snapshot: each writer's lines appear in the
    // order written, with nothing torn or missing in between.
    size_t snapshots = 0;
    bool consistent = true;
    while (running.load() > 0 || snapshots == 0) {
        std::vector<int> next(kWriters, 0);
        for (const auto& line : lines.snapshot()) {
            const int w = line->name().toInt();
            consistent = consistent && line->message().toInt() == next[size_t(w)];
            ++next[size_t(w)];
        }
        ++snapshots;
    }
    for (auto& t : writers) t.join();
    EXPECT_TRUE(consistent);
    EXPECT_EQ(lines.count(), size_t(kWriters * kLinesEach));
    lines.clear();
    EXPECT_TRUE(lines.snapshot().empty());
}

TEST(ChatModel, ThreadsForOnePartnerAreMadeOnceWhateverTheRace) {
    SharedArray<MessageInfo> threads;
    const UserInfo bob("bob", "Bob", "S0");
    auto sender = std::make_shared<UserInfo>("bob", "Bob", "S0");
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                auto thread = threads.firstOrAppend(
                    [](const MessageInfo& m) { return m.destUser()->userId() == "bob"; },
                    [&bob] { return std::make_shared<MessageInfo>(bob); });
                thread->addMessage(std::make_shared<MessageData>(sender, QDateTime(), QString::number(i)));
                (void)thread->messages().size();
            }
        });
    }
    for (auto& t : writers) t.join();
    ASSERT_EQ(threads.count(), 1u);
    const auto thread = threads.snapshot()[0];
    EXPECT_EQ(thread->messages().size(), size_t(kWriters * 100));
    EXPECT_NE(thread->destUser().get(), sender.get()) << "the partner is a copy of his record";
    thread->addMessageFromData({{"Message", "from the data"}});
    EXPECT_EQ(thread->messages().back()->message(), "from the data");
    EXPECT_EQ(thread->messages().back()->user()->userId(), "bob");
}

TEST(ChatModel, AnAnswerWithoutChoicesCountsItsSenderOnce) {
    QuestionnaireInfo q;
    q.startQuestionnaire(std::nullopt, "Q", {"a", "b"}, QuestionnaireOptionsValue(true, false));
    q.setQuestionnaireReceiver("eve", "Eve");
    q.recvQuestionnaireAnswer("eve", 0, "");
    q.recvQuestionnaireAnswer("eve", 1, "1");
    EXPECT_EQ(q.answeredUserCnt(), 1);
    EXPECT_EQ(q.answeredCnt(), 0);
    EXPECT_EQ(q.answeredUsers(), (std::vector<QStringList>{{}, {}}));
    EXPECT_TRUE(q.issuedUsers().at("eve").answered);
}

TEST(ChatModel, TheIssuerTakesOnlyFirstAnswersOfRecordedReceivers) {
    QuestionnaireInfo q;
    q.startQuestionnaire(std::nullopt, "Q", {"a", "b", "c"}, QuestionnaireOptionsValue(true, true));
    q.setQuestionnaireReceiver("ann", "Ann");
    q.setQuestionnaireReceiver("bob", "Bob");
    q.setQuestionnaireReceiver("dan", "Dan");  // answers only after the stop
    struct Answer {
        const char* who;
        int count;
        const char* text;
    };
    for (const Answer& a :
         {Answer{"ann", 2, "13"}, Answer{"ann", 1, "2"}, Answer{"zed", 1, "1"}, Answer{"bob", 3, "9x2"}})
        q.recvQuestionnaireAnswer(a.who, a.count, a.text);
    EXPECT_EQ(q.answeredUserCnt(), 2);
    EXPECT_EQ(q.answeredCnt(), 3) << "digits outside the choices are skipped";
    EXPECT_EQ(q.answeredUsers(), (std::vector<QStringList>{{"ann"}, {"bob"}, {"ann"}}));
    EXPECT_EQ(q.issuedUserAnswers().at("ann"), (QList<int>{1, 3}));
    EXPECT_TRUE(QuestionnaireIsAnonymous(q.options()));
    EXPECT_TRUE(QuestionnaireIsMultiple(q.options()));

    q.stopQuestionnaire();
    q.recvQuestionnaireAnswer("dan", 1, "2");
    EXPECT_EQ(q.answeredUserCnt(), 2) << "answers after the stop leave the counts unchanged";
    EXPECT_EQ(q.answeredCnt(), 3);
    EXPECT_EQ(q.answeredUsers(), (std::vector<QStringList>{{"ann"}, {"bob"}, {"ann"}}));
    q.setQuestionnaireReceiver("cid", "Cid");
    EXPECT_EQ(q.issuedUsers().count("cid"), 0u) << "no receivers after the stop";
    q.resetQuestionnaire();
    EXPECT_EQ(q.status(), QUESTIONNAIRE_STATUS_NONE);
    EXPECT_TRUE(q.issuedUsers().empty());

    // A received questionnaire keeps no receiver table.
    q.startQuestionnaire(QString("boss"), "Q2", {"x", "y"}, 0);
    q.setQuestionnaireReceiver("ann", "Ann");
    EXPECT_TRUE(q.issuedUsers().empty());
    EXPECT_EQ(q.issuedUserId(), "boss");
}

TEST(ChatModel, ReceiptsAndAnswersFromManyThreadsAreAllCounted) {
    QuestionnaireInfo q;
    q.startQuestionnaire(std::nullopt, "Q", {"a", "b"}, 0);
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&q, w] {
            for (int i = 0; i < 50; ++i) {
                const QString id = QString("%1-%2").arg(w).arg(i);
                q.setQuestionnaireReceiver(id, id);
                q.recvQuestionnaireAnswer(id, 1, i % 2 ? "2" : "1");
                (void)q.issuedUserAnswers().size();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(q.answeredUserCnt(), kWriters * 50);
    const auto users = q.answeredUsers();
    EXPECT_EQ(users[0].size() + users[1].size(), size_t(kWriters * 50));
}

}  // namespace
