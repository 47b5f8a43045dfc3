// Downloads a shared document's PDF into a chosen file on a worker, with an
// idle time-out, and reports the end on the main thread: success only when
// the server answered 2xx with a body and the whole file was written (under a
// temporary name, renamed into place). Only http and https addresses load.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class DSPdfDownloader {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{15000};
    // ok, and the reason of a failure (empty on success).
    using Completion = std::function<void(bool ok, const QString& error)>;

    DSPdfDownloader();
    ~DSPdfDownloader();
    DSPdfDownloader(const DSPdfDownloader&) = delete;
    DSPdfDownloader& operator=(const DSPdfDownloader&) = delete;

    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    // Starts a download; an earlier one still running is cancelled without a report.
    // The completion runs on the main queue unless this object has gone.
    void download(const QString& url, const QString& path, Completion done);
    bool isRunning() const { return running_ != nullptr; }
    void cancel();

private:
    struct Job;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
    std::shared_ptr<Job> running_;
    std::shared_ptr<DSPdfDownloader*> self_;
};
