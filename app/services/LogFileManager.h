#pragma once

// The application's log files: "log.txt" for the current run in the "Log"
// folder of the per-user data folder, earlier runs shifted to "log_1.txt",
// "log_2.txt", ... (larger numbers older) at start, at most "rotatecount" of
// them. Lines have the core's layout with the application's origin letter
// ("[time], INF, Mo, text"). Any thread may write: each line is appended and
// handed to the system before write() returns, and lines of concurrent
// writers never mix.

#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class QDateTime;

class LogFileManager {
public:
    static constexpr int kLogFileCountDefaultInitial = 10;

    // Prepares the folder and "log.txt" for this run and writes the start lines.
    static bool createLogFile();
    // Writes one line at level 0 (error), 1 (warning) or 2 (information);
    // false for other levels, an empty text, or before createLogFile.
    // Pre-formatted text (the core's lines) is written unchanged.
    static bool write(const QString& text, std::int64_t level, bool isFormated);

    // Stores the limit under "rotatecount" (used from the next start on).
    static void setLogFileCountMax(int count);
    static int getLogFileCountMax();

    // Log-file names in the folder; none when it cannot be read.
    static std::optional<QStringList> getLogFileList(bool sorted);
    // Ascending, digit runs compared as numbers ("log.txt" first, log_9 before log_10).
    static QStringList sortArray(const QStringList& names);
    // "log.txt", or "log_<digits>" before the first ".".
    static bool isLogFileName(const QString& name);

    // The steps of createLogFile.
    static void checkLogFileCount();
    static void renameOldFileName();
    static void removeOldestFile(const QString& folder);
    static void setCurrentLog(const QString& name);

    // 1 when the file was created for this write, 0 when it existed, -1 when
    // creating or opening an existing file failed, -2 when opening a newly
    // created file failed.
    static int writeTextFile(const QString& folder, const QString& fileName, const QString& text,
                             QStringConverter::Encoding charset, bool isAppend);
    static bool createDirectory(const QString& path);
    static bool createFile(const QString& folder, const QString& name);
    static bool isExportFile(std::int64_t level);
    // A line as written for an unformatted text at `level` (0 to 3) at `when`.
    static QString formatLine(const QString& text, std::int64_t level, const QDateTime& when);

    static bool deleteFile(const QString& path);
    static bool deleteLogFile(const QString& name);
    static QString getLogFilePath(const QString& name);  // folder + "/" + name + ".txt"
    static int getlogFileCount();
    static void load(const std::function<void(bool)>& completion);
    static void exportSystemLog(const QString& text, std::int64_t level);

    static QString directoryPath();
    static QString currentLog();
    // Forgets the folder and file of this run (tests start over with it).
    static void resetForTesting();
};
