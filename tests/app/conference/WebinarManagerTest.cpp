// The webinar layout text: the writer and reader tables, received texts
// (short ones ignored, fields read with bounded conversion), the delegate's
// reports and sends, and the text shared between threads.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "conference/WebinarManager.h"

namespace {

struct RecordingDelegate : WebinarManagerDelegate {
    void onChangeLayoutOfWebinarView(bool isFuncMain, int mode) override {
        const std::lock_guard<std::mutex> lock(mutex);
        layouts.emplace_back(isFuncMain, mode);
    }
    void sendFreeMsg(const QString& text) override {
        const std::lock_guard<std::mutex> lock(mutex);
        sent.push_back(text);
    }
    std::mutex mutex;
    std::vector<std::pair<bool, int>> layouts;
    std::vector<QString> sent;
};

TEST(WebinarManager, WriterTableAndItsReadingBack) {
    const struct {
        int mode;
        const char* plain;     // flag false
        const char* funcMain;  // flag true
    } table[] = {
        {1, "1:-1:0", "1:-1:0"},  {2, "0:0:0", "0:0:0"},  {3, "0:1:0", "0:1:0"},   {4, "0:2:0", "0:2:0"},
        {5, "1:0:0", "2:0:0"},    {6, "1:1:0", "2:1:0"},  {7, "1:2:0", "2:2:0"},   {8, "1:-1:1", "1:-1:1"},
        {9, "0:0:1", "0:0:1"},    {10, "0:1:1", "0:1:1"}, {11, "0:2:1", "0:2:1"},  {12, "1:0:1", "2:0:1"},
        {13, "1:1:1", "2:1:1"},   {14, "1:2:1", "2:2:1"}, {0, "1:-1:0", "1:-1:0"}, {15, "1:-1:0", "1:-1:0"},
        {-3, "1:-1:0", "1:-1:0"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.mode);
        EXPECT_EQ(WebinarManager::syncText(false, row.mode), QString::fromLatin1(row.plain));
        EXPECT_EQ(WebinarManager::syncText(true, row.mode), QString::fromLatin1(row.funcMain));
        // Every written text reads back as its mode (mode 0 and strangers as 1);
        // the flag only where the layout has a video and a content pane.
        const int mode = row.mode >= 1 && row.mode <= 14 ? row.mode : 1;
        const bool both = (mode >= 5 && mode <= 7) || mode >= 12;
        EXPECT_EQ(WebinarManager::readSyncText(QString::fromLatin1(row.plain)), std::make_pair(false, mode));
        EXPECT_EQ(WebinarManager::readSyncText(QString::fromLatin1(row.funcMain)),
                  std::make_pair(both, mode));
    }
}

TEST(WebinarManager, ReaderTableForTextsNoWriterProduces) {
    const struct {
        const char* text;
        bool flag;
        int mode;
    } cases[] = {
        {"2:-1:1", true, 0},  // the video on the right of no content
        {"2:-1:0", true, 0},
        {"3:0:0", false, 0},
        {"0:-1:0", false, 0},
        {"1:0:7", false, 12},  // any non-zero text-box field
        {"1:5:0", false, 0},
        {"-1:0:0", false, 0},
        {" +1: 2:-4", false, 14},                   // white space and signs before the digits
        {"1x:0y:0z", false, 5},                     // the leading number of each field
        {"a:b:c", false, 2},                        // no digits read as 0
        {"1:-1:0:9", false, 1},                     // fields after the third are not read
        {"99999999999999999999999:0:0", false, 0},  // saturates, never wraps to a mode
        {"1:4294967296:0", false, 0},               // would wrap to 0 in 32 bits
        {"4294967297:0:0", false, 0},               // would wrap to 1 in 32 bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WebinarManager::readSyncText(QString::fromLatin1(c.text)), std::make_pair(c.flag, c.mode))
            << c.text;
    }
    for (const char* shortText : {"", "1", "1:0", ":"})
        EXPECT_FALSE(WebinarManager::readSyncText(QString::fromLatin1(shortText))) << shortText;
}

TEST(WebinarManager, ReceivedTextsAreReportedAndShortOnesKeepTheLayout) {
    WebinarManager manager;
    RecordingDelegate delegate;
    EXPECT_EQ(manager.strWinSync(), QStringLiteral("1:-1:0"));
    EXPECT_EQ(manager.convertFromStrWinSyncToMode(), std::make_pair(false, 1));
    manager.updataAndConvertStrWinSync(QStringLiteral("2:0:0"));  // no delegate yet: kept, not reported
    EXPECT_EQ(manager.strWinSync(), QStringLiteral("2:0:0"));
    manager.setDelegate(&delegate);

    manager.updataAndConvertStrWinSync(QStringLiteral("2:2:1"));
    manager.updataAndConvertStrWinSync(QStringLiteral("1:0"));  // too short: ignored
    manager.updataAndConvertStrWinSync(QString());
    EXPECT_EQ(manager.strWinSync(), QStringLiteral("2:2:1"));
    EXPECT_EQ(delegate.layouts, (std::vector<std::pair<bool, int>>{{true, 14}}));

    // The owner's choice replaces the text without sending; sending sends the current text.
    manager.convertFromModeToSyncdata(true, 5);
    EXPECT_TRUE(delegate.sent.empty());
    EXPECT_EQ(delegate.layouts.size(), 1u);
    manager.sendWebinarFreeMsg();
    EXPECT_EQ(delegate.sent, (std::vector<QString>{QStringLiteral("2:0:0")}));
    manager.setDelegate(nullptr);
    manager.sendWebinarFreeMsg();
    EXPECT_EQ(delegate.sent.size(), 1u);
}

// Received texts on one thread, the owner's choices on another, readers on a
// third: every text read is one that was written whole.
TEST(WebinarManager, TheTextIsSharedSafelyBetweenThreads) {
    WebinarManager manager;
    RecordingDelegate delegate;
    manager.setDelegate(&delegate);
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        for (int i = 0; i < 2000; ++i)
            manager.updataAndConvertStrWinSync(i % 2 ? QStringLiteral("2:2:1") : QStringLiteral("0:0:1"));
    });
    std::thread owner([&] {
        for (int i = 0; i < 2000; ++i) manager.convertFromModeToSyncdata(i % 2 == 0, 1 + i % 14);
    });
    int unreadable = 0;
    std::thread reader([&] {
        while (!stop) {
            if (!manager.convertFromStrWinSyncToMode()) ++unreadable;
            manager.sendWebinarFreeMsg();
        }
    });
    receiver.join();
    owner.join();
    stop = true;
    reader.join();
    EXPECT_EQ(unreadable, 0);
    const std::lock_guard<std::mutex> lock(delegate.mutex);
    EXPECT_EQ(delegate.layouts.size(), 2000u);
    for (const QString& text : delegate.sent)
        EXPECT_TRUE(WebinarManager::readSyncText(text)) << text.toStdString();
}

}  // namespace
