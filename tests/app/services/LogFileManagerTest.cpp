#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <map>
#include <thread>
#include <vector>

#include "fixtures/app/AppTestSupport.h"
#include "platform/MainBundle.h"
#include "platform/UserDefaults.h"
#include "services/Common.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

class LogFileManagerTest : public ::testing::Test {
protected:
    void SetUp() override { LogFileManager::resetForTesting(); }
    void TearDown() override { LogFileManager::resetForTesting(); }

    QString logFolder() const { return home_.path() + "/.local/share/" + MainBundle::identifier() + "/Log"; }

    QStringList lines(const QString& name = "log.txt") const {
        QFile file(logFolder() + "/" + name);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.isEmpty() || text.endsWith('\n')) << name.toStdString();
        QStringList result = text.split('\n');
        result.removeLast();
        return result;
    }

    // Files of the folder with their first line (or their whole text).
    std::map<QString, QString> folderContents() const {
        std::map<QString, QString> contents;
        for (const QString& name : QDir(logFolder()).entryList(QDir::Files)) {
            QFile file(logFolder() + "/" + name);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            contents[name] = QString::fromUtf8(file.readAll()).section('\n', 0, 0);
        }
        return contents;
    }

    void makeFile(const QString& name, const QString& text) const {
        QDir().mkpath(logFolder());
        QFile file(logFolder() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    TemporaryHome home_;
};

const QRegularExpression kLine(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\], (ERR|WRN|INF), Mo, (.*)$)");

}  // namespace

TEST_F(LogFileManagerTest, FirstStartCreatesTheFolderAndWritesTheStartLines) {
    EXPECT_FALSE(LogFileManager::write("too early", 2, false));
    ASSERT_TRUE(LogFileManager::createLogFile());
    EXPECT_EQ(LogFileManager::directoryPath(), logFolder());
    EXPECT_EQ(LogFileManager::currentLog(), QString("log.txt"));

    const QStringList written = lines();
    ASSERT_EQ(written.size(), 3);
    const auto start = kLine.match(written[0]);
    ASSERT_TRUE(start.hasMatch()) << written[0].toStdString();
    EXPECT_EQ(start.captured(1), "INF");
    EXPECT_EQ(start.captured(2), "Trace started.");
    EXPECT_TRUE(QRegularExpression(R"(, Mo, \[Info\]Device .+, OS Version \d+\.\d+\.\d+, Process Count [1-9]\d*, )"
                                   R"(Physical Memory \d+ GB$)")
                    .match(written[1])
                    .hasMatch())
        << written[1].toStdString();
    EXPECT_TRUE(written[2].endsWith(", Mo, [Info]App Version " + MainBundle::shortVersion()));
}

TEST_F(LogFileManagerTest, EachStartShiftsEarlierLogsUpByOne) {
    ASSERT_TRUE(LogFileManager::createLogFile());
    LogFileManager::write("first run", 2, false);
    ASSERT_TRUE(LogFileManager::createLogFile());
    LogFileManager::write("second run", 2, false);
    ASSERT_TRUE(LogFileManager::createLogFile());

    EXPECT_TRUE(lines("log_2.txt").last().endsWith("first run"));
    EXPECT_TRUE(lines("log_1.txt").last().endsWith("second run"));
    EXPECT_EQ(lines("log.txt").size(), 3);
    EXPECT_EQ(folderContents().size(), 3u);
}

TEST_F(LogFileManagerTest, RotationKeepsTheLimitOfNumberedFiles) {
    struct Case {
        const char* name;
        int numbered;  // existing log_1 .. log_N besides log.txt
        int limit;     // 0: none stored, the built-in 10
        int expectedNumbered;
    };
    const Case cases[] = {
        {"11 files, limit 10", 10, 0, 10},
        {"below the limit", 3, 0, 4},
        {"stored limit 3", 6, 3, 3},
        {"stored limit 1", 2, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(logFolder()).removeRecursively();
        UserDefaults::standard().removeObjectForKey("rotatecount");
        if (c.limit > 0) {
            LogFileManager::setLogFileCountMax(c.limit);
        }
        makeFile("log.txt", "run 0");
        for (int i = 1; i <= c.numbered; ++i) {
            makeFile(QString("log_%1.txt").arg(i), QString("run %1").arg(i));
        }
        makeFile("log_x.txt", "not a log");
        makeFile("logfile.txt", "not a log");

        ASSERT_TRUE(LogFileManager::createLogFile());
        const auto contents = folderContents();
        EXPECT_EQ(contents.size(), std::size_t(c.expectedNumbered + 1 + 2));
        EXPECT_EQ(contents.at("log_x.txt"), "not a log");
        EXPECT_EQ(contents.at("logfile.txt"), "not a log");
        EXPECT_TRUE(contents.at("log.txt").endsWith("Trace started."));
        // The newest runs survive, each one number further up.
        for (int i = 1; i <= c.expectedNumbered; ++i) {
            EXPECT_EQ(contents.at(QString("log_%1.txt").arg(i)), QString("run %1").arg(i - 1)) << i;
        }
        LogFileManager::resetForTesting();
    }
}

TEST_F(LogFileManagerTest, LogFileNamesAndTheirNumericOrder) {
    for (const char* name : {"log.txt", "log_1.txt", "log_10.txt", "log_7", "log_3.old.txt"}) {
        EXPECT_TRUE(LogFileManager::isLogFileName(name)) << name;
    }
    for (const char* name : {"log_.txt", "log_x.txt", "logfile.txt", "log_1a.txt", "log.txt.bak", "Log_1.txt"}) {
        EXPECT_FALSE(LogFileManager::isLogFileName(name)) << name;
    }
    EXPECT_EQ(LogFileManager::sortArray({"log_10.txt", "log_9.txt", "log.txt", "log_100.txt", "log_1.txt"}),
              (QStringList{"log.txt", "log_1.txt", "log_9.txt", "log_10.txt", "log_100.txt"}));
}

TEST_F(LogFileManagerTest, OnlyErrorsWarningsAndInformationAreWritten) {
    ASSERT_TRUE(LogFileManager::createLogFile());
    struct Case {
        std::int64_t level;
        bool written;
        const char* label;
    };
    const Case cases[] = {{0, true, "ERR"}, {1, true, "WRN"}, {2, true, "INF"},
                          {3, false, ""},   {-1, false, ""},  {7, false, ""}};
    for (const auto& c : cases) {
        const QString text = QString("level %1").arg(c.level);
        EXPECT_EQ(LogFileManager::write(text, c.level, false), c.written) << c.level;
        const QString last = lines().last();
        EXPECT_EQ(last.endsWith(text), c.written) << c.level;
        if (c.written) {
            EXPECT_EQ(kLine.match(last).captured(1), c.label);
        }
    }
    EXPECT_FALSE(LogFileManager::write("", 2, false));

    const QString coreLine = "[2024-05-01 09:30:05.042], INF, Mc, Logout.";
    EXPECT_TRUE(LogFileManager::write(coreLine, 2, true));
    EXPECT_EQ(lines().last(), coreLine);
}

TEST_F(LogFileManagerTest, ConcurrentWritersNeverMixTheirLines) {
    ASSERT_TRUE(LogFileManager::createLogFile());
    constexpr int kThreads = 8;
    constexpr int kLines = 1000;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                LogFileManager::write(QString("writer %1 line %2 %3").arg(t).arg(i).arg(QString(40, 'x')), 2,
                                      false);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    const QStringList written = lines().mid(3);
    ASSERT_EQ(written.size(), kThreads * kLines);
    static const QRegularExpression body(R"(^writer (\d) line (\d+) x{40}$)");
    std::vector<int> next(kThreads, 0);
    for (const QString& line : written) {
        const auto whole = kLine.match(line);
        ASSERT_TRUE(whole.hasMatch()) << line.toStdString();
        const auto parts = body.match(whole.captured(2));
        ASSERT_TRUE(parts.hasMatch()) << line.toStdString();
        const int writer = parts.captured(1).toInt();
        EXPECT_EQ(parts.captured(2).toInt(), next[writer]++);  // each writer's lines in order
    }
}

TEST_F(LogFileManagerTest, WriteTextFileReportsCreationAndFailures) {
    const QString folder = home_.path() + "/files";
    EXPECT_EQ(LogFileManager::writeTextFile(folder, "a.txt", "one", QStringConverter::Utf8, true), 1);
    EXPECT_EQ(LogFileManager::writeTextFile(folder, "a.txt", "two", QStringConverter::Utf8, true), 0);
    EXPECT_EQ(LogFileManager::writeTextFile(folder, "a.txt", "ONE", QStringConverter::Utf8, false), 0);
    QFile file(folder + "/a.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("ONE\ntwo\n"));  // without append: written over the start

    EXPECT_EQ(LogFileManager::writeTextFile(folder + "/a.txt", "b.txt", "x", QStringConverter::Utf8, true), -1);
    EXPECT_EQ(LogFileManager::writeTextFile(folder, "u16.txt", "é", QStringConverter::Utf16LE, true), 1);
    QFile u16(folder + "/u16.txt");
    ASSERT_TRUE(u16.open(QIODevice::ReadOnly));
    EXPECT_EQ(u16.readAll(), QByteArray("\xE9\x00\n\x00", 4));
}

TEST_F(LogFileManagerTest, RotateCountIsStoredAndOnlyPositiveValuesCount) {
    EXPECT_EQ(LogFileManager::getLogFileCountMax(), 10);
    LogFileManager::setLogFileCountMax(4);
    UserDefaults::resetStandard();
    EXPECT_EQ(UserDefaults::standard().integerForKey("rotatecount"), 4);
    EXPECT_EQ(LogFileManager::getLogFileCountMax(), 4);
    UserDefaults::standard().setInteger("rotatecount", 0);
    EXPECT_EQ(LogFileManager::getLogFileCountMax(), 4);  // the last valid limit stays the default
}

TEST(LogMessageTest, ConversionsAnswerTheValueTexts) {
    EXPECT_EQ(LogMessage::conversionSetConnectType(1, "443", "h"), "Tunneling");
    EXPECT_EQ(LogMessage::conversionSetConnectType(3, "8080", "proxy"), "Proxy(proxy:8080)");
    EXPECT_EQ(LogMessage::conversionSetConnectType(0, "", ""), "Direct");
    EXPECT_EQ(LogMessage::conversionStrRoomSamplingRate(4), "32KHz");
    EXPECT_EQ(LogMessage::conversionStrRoomSamplingRate(5), "");
    EXPECT_EQ(LogMessage::conversionStrRoomSamplingRate(-1), "");
    EXPECT_EQ(LogMessage::conversionConfCategory(2), "Large");
    EXPECT_EQ(LogMessage::conversionASType(0, "Editor"), "Application(Editor)");
    EXPECT_EQ(LogMessage::conversionASType(2, "Editor"), "");
    EXPECT_EQ(LogMessage::conversionSwitchYesNO(true), "ON");
    EXPECT_EQ(LogMessage::conversionASCommndType(10023), "Request cancel");
    EXPECT_EQ(LogMessage::conversionASCommndType(1), "Request");
    EXPECT_EQ(LogMessage::conversionASRequestRejectType(99), "Reset");
    EXPECT_EQ(LogMessage::conversionRecordingTargetToString(3), "Other");
    EXPECT_EQ(LogMessage::conversionRecordingFileTypeToString(2), "Audio only");
    EXPECT_EQ(LogMessage::conversionBgModeToString(7), "None");
}

TEST(LogFileManagerFormat, ApplicationLinesHaveTheCoreFormWithItsOwnKind) {
    const QDateTime when(QDate(2024, 5, 1), QTime(9, 30, 5, 42));
    EXPECT_EQ(LogFileManager::formatLine("Logout.", 2, when), "[2024-05-01 09:30:05.042], INF, Mo, Logout.");
    EXPECT_EQ(LogFileManager::formatLine("x", 0, QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59, 999))),
              "[2025-12-31 23:59:59.999], ERR, Mo, x");
}
