#include "services/LogFileManager.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

#include <QDateTime>
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "platform/SystemControl.h"
#include "platform/UserDefaults.h"
#include "services/Common.h"
#include "services/LogMessage.h"
#include "services/QuorixUtils.h"

namespace {

const QString kCurrentLogName = QStringLiteral("log.txt");
const QString kKeyRotateCount = QStringLiteral("rotatecount");

// One lock for the run's folder and file name and for every file write, so
// that lines of different threads never interleave.
std::mutex gMutex;
QString gDirectoryPath;
QString gCurrentLog;
std::atomic<int> gLogFileCountDefault{LogFileManager::kLogFileCountDefaultInitial};

// Compares digit runs by value and everything else by character.
bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a[endA].isDigit()) {
                ++endA;
            }
            while (endB < b.size() && b[endB].isDigit()) {
                ++endB;
            }
            // Compare without leading zeros: longer digit runs are larger.
            QStringView runA = QStringView(a).mid(i, endA - i);
            QStringView runB = QStringView(b).mid(j, endB - j);
            while (runA.size() > 1 && runA.front() == u'0') {
                runA = runA.mid(1);
            }
            while (runB.size() > 1 && runB.front() == u'0') {
                runB = runB.mid(1);
            }
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size();
            }
            if (const int c = runA.compare(runB); c != 0) {
                return c < 0;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

int writeLocked(const QString& folder, const QString& fileName, const QString& text,
                QStringConverter::Encoding charset, bool isAppend) {
    const QString path = folder + u'/' + fileName;
    bool created = false;
    if (!QFileInfo::exists(path)) {
        if (!LogFileManager::createFile(folder, fileName)) {
            return -1;
        }
        created = true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return created ? -2 : -1;
    }
    if (isAppend) {
        file.seek(file.size());
    }
    QStringEncoder encoder(charset);
    const QByteArray bytes = encoder.encode(text + u'\n');
    file.write(bytes);
    file.flush();
    file.close();
    return created ? 1 : 0;
}

}  // namespace

bool LogFileManager::isLogFileName(const QString& name) {
    if (name == kCurrentLogName) {
        return true;
    }
    if (!name.startsWith(QLatin1String("log_"))) {
        return false;
    }
    const QString base = name.section(u'.', 0, 0);
    if (base.size() < 5) {
        return false;
    }
    const QStringView digits = QStringView(base).mid(4);
    return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QStringList LogFileManager::sortArray(const QStringList& names) {
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), naturalLess);
    return sorted;
}

std::optional<QStringList> LogFileManager::getLogFileList(bool sorted) {
    const QString folder = directoryPath();
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable()) {
        return std::nullopt;
    }
    QStringList names;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        if (isLogFileName(name)) {
            names.append(name);
        }
    }
    return sorted ? sortArray(names) : names;
}

void LogFileManager::setLogFileCountMax(int count) {
    UserDefaults::standard().setInteger(kKeyRotateCount, count);
    gLogFileCountDefault = count;
}

int LogFileManager::getLogFileCountMax() {
    const auto stored = UserDefaults::standard().integerForKey(kKeyRotateCount);
    if (stored >= 1) {
        const int limit = static_cast<int>(std::min<std::int64_t>(stored, INT32_MAX));
        gLogFileCountDefault = limit;
        return limit;
    }
    return gLogFileCountDefault;
}

void LogFileManager::removeOldestFile(const QString& folder) {
    const auto files = getLogFileList(true);
    if (!files || files->isEmpty()) {
        return;
    }
    deleteFile(folder + u'/' + files->last());
}

void LogFileManager::checkLogFileCount() {
    // Deletes the oldest files until no more than the limit remain, so a
    // lowered limit holds from the next start on (one deletion per start would
    // never reach it: every start also adds a file).
    const int limit = getLogFileCountMax();
    for (;;) {
        const auto files = getLogFileList(false);
        if (!files || files->isEmpty() || files->size() <= limit) {
            return;
        }
        const auto before = files->size();
        removeOldestFile(directoryPath());
        const auto after = getLogFileList(false);
        if (!after || after->size() >= before) {
            return;  // the oldest file cannot be deleted
        }
    }
}

void LogFileManager::renameOldFileName() {
    const auto files = getLogFileList(true);
    if (!files) {
        return;
    }
    const QString folder = directoryPath();
    for (auto it = files->crbegin(); it != files->crend(); ++it) {
        const QString base = it->section(u'.', 0, 0);
        QString newName;
        if (!base.contains(u'_')) {
            newName = QStringLiteral("log_1.txt");
        } else {
            const std::int64_t number = IntegerValue(base.section(u'_', -1));
            newName = StringWithFormat(QStringLiteral("log_%lld.txt"), number + 1);
        }
        // Renaming never replaces an existing file: a name still taken stays put.
        if (!QFile::rename(folder + u'/' + *it, folder + u'/' + newName)) {
            std::fprintf(stderr, "log files: could not move %s to %s\n", qPrintable(*it), qPrintable(newName));
        }
    }
}

void LogFileManager::setCurrentLog(const QString& name) {
    std::lock_guard lock(gMutex);
    gCurrentLog = name;
}

bool LogFileManager::createLogFile() {
    const auto folder = Common::getCommonAppDirectory(Common::kDirectoryLog);
    if (!folder) {
        return false;
    }
    {
        std::lock_guard lock(gMutex);
        gDirectoryPath = *folder;
    }
    checkLogFileCount();
    renameOldFileName();
    if (!createFile(*folder, kCurrentLogName)) {
        return false;
    }
    setCurrentLog(kCurrentLogName);

    write(kLogMsgStart, 2, false);
    write(StringWithFormat(kLogMsgPCInfo, QuorixUtils::GetDeviceModel(), QuorixUtils::GetOSVersion(),
                           SystemControl::processorCount(), SystemControl::physicalMemory() >> 30),
          2, false);
    write(StringWithFormat(kLogMsgAppVer, MainBundle::shortVersion()), 2, false);
    return true;
}

bool LogFileManager::isExportFile(std::int64_t level) { return level >= 0 && level <= 2; }

// The application's own lines have the core's form with "o" for the core's "c":
// "[2026-12-11 05:09:23.042], INF, Mo, text".
QString LogFileManager::formatLine(const QString& text, std::int64_t level, const QDateTime& when) {
    static const char* const kLevels[] = {"ERR", "WRN", "INF", "DBG"};
    const char* levelText = (level >= 0 && level <= 3) ? kLevels[level] : "???";
    return QStringLiteral("[%1], %2, Mo, %3")
        .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), QString::fromLatin1(levelText), text);
}

bool LogFileManager::write(const QString& text, std::int64_t level, bool isFormated) {
    if (text.isEmpty() || !isExportFile(level)) {
        return false;
    }
    QString line = text;
    if (!isFormated) {
        line = formatLine(text, level, QDateTime::currentDateTime());
    }
    std::lock_guard lock(gMutex);
    if (gDirectoryPath.isEmpty() || gCurrentLog.isEmpty()) {
        return false;  // before createLogFile
    }
    const int result = writeLocked(gDirectoryPath, gCurrentLog, line, QStringConverter::Utf8, true);
    return result == 0 || result == 1;
}

int LogFileManager::writeTextFile(const QString& folder, const QString& fileName, const QString& text,
                                  QStringConverter::Encoding charset, bool isAppend) {
    std::lock_guard lock(gMutex);
    return writeLocked(folder, fileName, text, charset, isAppend);
}

bool LogFileManager::createDirectory(const QString& path) {
    return QFileInfo::exists(path) || QDir().mkpath(path);
}

bool LogFileManager::createFile(const QString& folder, const QString& name) {
    if (!createDirectory(folder)) {
        return false;
    }
    const QString path = folder + u'/' + name;
    if (QFileInfo::exists(path)) {
        return true;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return QFileInfo::exists(path);  // another writer made it first
    }
    ::close(fd);
    return true;
}

bool LogFileManager::deleteFile(const QString& path) { return QFile::remove(path); }

QString LogFileManager::getLogFilePath(const QString& name) { return directoryPath() + u'/' + name + ".txt"; }

bool LogFileManager::deleteLogFile(const QString& name) { return deleteFile(getLogFilePath(name)); }

int LogFileManager::getlogFileCount() {
    const auto files = getLogFileList(false);
    return files ? static_cast<int>(files->size()) : 0;
}

void LogFileManager::load(const std::function<void(bool)>& completion) {
    if (completion) {
        completion(false);
    }
}

void LogFileManager::exportSystemLog(const QString& text, std::int64_t level) {
    (void)text;
    (void)level;
}

QString LogFileManager::directoryPath() {
    std::lock_guard lock(gMutex);
    return gDirectoryPath;
}

QString LogFileManager::currentLog() {
    std::lock_guard lock(gMutex);
    return gCurrentLog;
}

void LogFileManager::resetForTesting() {
    std::lock_guard lock(gMutex);
    gDirectoryPath.clear();
    gCurrentLog.clear();
    gLogFileCountDefault = kLogFileCountDefaultInitial;
}
