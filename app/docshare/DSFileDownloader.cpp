#include "docshare/DSFileDownloader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>
#include <atomic>

#include "platform/Dispatch.h"
#include "services/Common.h"
#include "services/WebAccess.h"
#include "services/XMLparse.h"

namespace {

bool isErrorStatus(long status) {
    return status >= 400 && status <= 599;
}

bool isWebUrl(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

// A path component from the server's address as a name inside the cache: one
// that could leave its folder or is no name at all is replaced by a hash name.
QString safeName(const QString& encoded) {
    const QString name = QUrl::fromPercentEncoding(encoded.toUtf8());
    const bool unsafe = name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
                        name.contains(u'\\') || name.contains(QChar(0));
    if (!unsafe) return name;
    return QStringLiteral("_") +
           QString::fromLatin1(
               QCryptographicHash::hash(encoded.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
}

}  // namespace

// One transfer's own state: written by its worker until it ends, then read on
// the main thread only.
struct DSFileDownloader::Transfer : HTTPTransferSink {
    std::atomic<bool> cancel{false};
    bool isUpload = false;
    QString finalPath, tempPath;
    std::unique_ptr<QFile> file;
    QByteArray body;  // upload reply or share file
    long status = 0;
    bool ok = false;  // the transfer ran to its end
    bool writeFailed = false;

    bool didReceiveResponse(long s) override {
        status = s;
        return !isErrorStatus(s) && !cancel;
    }
    bool didReceiveData(const char* data, size_t size) override {
        if (cancel) return false;
        if (tempPath.isEmpty()) {
            if (body.size() + qint64(size) > WebAccess::kMaxReplyBytes) return false;
            body.append(data, qsizetype(size));
            return true;
        }
        if (!file) {
            file = std::make_unique<QFile>(tempPath);
            if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) return writeFailed = true, false;
        }
        if (file->write(data, qint64(size)) != qint64(size) || !file->flush())
            return writeFailed = true, false;
        return true;
    }
};

DSFileDownloader::DSFileDownloader() : self_(std::make_shared<DSFileDownloader*>(this)) {}

DSFileDownloader::~DSFileDownloader() {
    *self_ = nullptr;
    for (auto* t : {&download_, &upload_})
        if (*t) (*t)->cancel = true;
}

// ---- Page cache ----

std::optional<QString> DSFileDownloader::cachePath(const QString& url) const {
    const QUrl u(url, QUrl::StrictMode);
    if (!isWebUrl(u)) return std::nullopt;
    const auto root = Common::getCommonAppDirectory(Common::kDirectoryDocumentSharing);
    if (!root) return std::nullopt;
    const QStringList parts = u.path(QUrl::FullyEncoded).split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty()) return std::nullopt;
    // The page N of .../X/Y/N is stored as X/N. An address too short to name X
    // is stored in a folder named after everything before its file name.
    QString folder;
    if (parts.size() >= 3) {
        folder = safeName(parts[parts.size() - 3]);
    } else {
        QUrl base = u;
        base.setPath(u.path(QUrl::FullyEncoded).left(u.path(QUrl::FullyEncoded).lastIndexOf(u'/') + 1),
                     QUrl::TolerantMode);
        base.setQuery(QString());
        folder = safeName(QStringLiteral("~") + base.toString(QUrl::FullyEncoded));
    }
    return *root + u'/' + folder + u'/' + safeName(parts.last());
}

std::optional<QString> DSFileDownloader::createDownloadDirectory(const QString& url) const {
    const auto path = cachePath(url);
    if (!path) return std::nullopt;
    const QString folder = QFileInfo(*path).absolutePath();
    if (!QDir().mkpath(folder)) return std::nullopt;
    return folder;
}

// ---- One page ----

void DSFileDownloader::downloadDocument(const QString& url, const QVariantMap& info) {
    if (cancelRequested_) {
        cancelRequested_ = false;
        downloadInfo_.reset();
        return;
    }
    if (busy_ || timerRunning_) {
        waiting_.append({url, info});
        if (!timerRunning_) startTimer(kRetryFirst);
        return;
    }
    downloadInfo_ = info;
    busy_ = true;
    const auto folder = createDownloadDirectory(url);
    const auto path = cachePath(url);
    if (!folder || !path) {
        const auto kept = downloadInfo_;
        endDownload();
        if (delegate_) delegate_->finishDownload(std::nullopt, kept, 2, 1, 0);
        return;
    }
    if (QFileInfo::exists(*path)) {
        const auto kept = downloadInfo_;
        endDownload();
        if (delegate_) delegate_->finishDownload(*path, kept, 0, 0, 0);
        return;
    }
    startDownload(url, *path);
}

void DSFileDownloader::endDownload() {
    busy_ = false;
    downloadInfo_.reset();
}

void DSFileDownloader::startDownload(const QString& url, const QString& path) {
    auto t = std::make_shared<Transfer>();
    t->finalPath = path;
    t->tempPath =
        path + QStringLiteral(".part-") + QString::number(QRandomGenerator::global()->generate64(), 16);
    download_ = t;
    URLRequest request = WebAccess::CreateRequest(url);
    request.timeoutInterval = kTransferTimeout;
    DispatchQueue::global().async([t, request, self = self_] {
        t->ok = WebAccess::perform(request, *t, &t->cancel).has_value();
        if (t->file) t->file->close();
        mainQueue().async([t, self] {
            if (DSFileDownloader* d = *self) d->finishPage(t);
        });
    });
}

void DSFileDownloader::finishPage(const std::shared_ptr<Transfer>& t) {
    const bool current = t == download_;
    if (current) download_.reset();
    const bool complete = t->ok && !t->cancel && !t->writeFailed;
    if (complete) {
        if (!t->file) {
            // An empty page: create the file so that it exists.
            QFile empty(t->tempPath);
            empty.open(QIODevice::WriteOnly);
        }
        QFile::remove(t->finalPath);
    }
    const bool stored = complete && QFile::rename(t->tempPath, t->finalPath);
    if (!stored) QFile::remove(t->tempPath);
    if (!current) return;
    if (cancelRequested_ || t->cancel) {
        cancelRequested_ = false;
        endDownload();
        return;
    }
    const auto info = downloadInfo_;
    endDownload();
    if (!delegate_) return;
    if (stored)
        delegate_->finishDownload(t->finalPath, info, 0, 0, t->status);
    else  // refused (400 to 599) or broken off: nothing is kept
        delegate_->finishDownload(std::nullopt, info, 2, 2, isErrorStatus(t->status) ? t->status : 0);
}

void DSFileDownloader::cancel() {
    timerRunning_ = false;
    ++timerGeneration_;
    if (busy_ && download_) {
        cancelRequested_ = true;
        download_->cancel = true;
    }
}

// ---- Waiting list and retry timer ----

void DSFileDownloader::startTimer(std::chrono::milliseconds delay) {
    timerRunning_ = true;
    const std::uint64_t generation = ++timerGeneration_;
    mainQueue().after(delay, [self = self_, generation] {
        DSFileDownloader* d = *self;
        if (d && d->timerRunning_ && d->timerGeneration_ == generation) d->timerFired();
    });
}

void DSFileDownloader::timerFired() {
    timerRunning_ = false;
    if (busy_) {
        startTimer(kRetryBusy);
        return;
    }
    if (waiting_.isEmpty()) return;
    const DSFileDownloadInfo last = waiting_.last();
    waiting_.clear();
    downloadDocument(last.url, last.downloadInfo);
}

// ---- Page of a page-image document ----

bool DSFileDownloader::parseXML(const QByteArray& data, QVariantMap& shareFileInfo) {
    XMLparse parser;
    std::optional<XMLparseError> error;
    parser.parseXMLFile(data, &error, shareFileInfo);
    return !error;
}

void DSFileDownloader::downloadImage(const DSDocumentRef& document, int pageCount) {
    if (!document) return;
    if (auto info = document->documentInfo()) {
        downloadDocument(info->value(QStringLiteral("url%1").arg(pageCount)).toString(), *info);
        return;
    }
    // The share file is read on a worker, without the user agent, within its time-out.
    auto t = std::make_shared<Transfer>();
    URLRequest request;
    request.url = QUrl(document->documentUrl(), QUrl::StrictMode);
    request.timeoutInterval = kShareFileTimeout;
    DispatchQueue::global().async([t, request, self = self_, pageCount] {
        t->ok = WebAccess::perform(request, *t, &t->cancel).has_value();
        mainQueue().async([t, self, pageCount] {
            if (DSFileDownloader* d = *self) d->finishShareFile(t, pageCount);
        });
    });
    mainQueue().after(kShareFileTimeout, [t] { t->cancel = true; });
}

void DSFileDownloader::finishShareFile(const std::shared_ptr<Transfer>& t, int page) {
    QVariantMap info;
    const bool read = t->ok && !t->cancel && !isErrorStatus(t->status) && parseXML(t->body, info);
    if (!read) {
        if (delegate_)
            delegate_->finishDownload(std::nullopt, std::nullopt, 1,
                                      info.value(QStringLiteral("ErrorNo")).toString().toInt(), 0);
        return;
    }
    downloadDocument(info.value(QStringLiteral("url%1").arg(page)).toString(), info);
}

// ---- Upload ----

QByteArray DSFileDownloader::makeBoundary() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";
    QByteArray b(20, '-');
    for (int i = 0; i < 40; ++i) b += kChars[QRandomGenerator::global()->bounded(int(sizeof(kChars) - 1))];
    return b;
}

QByteArray DSFileDownloader::multipartBody(const QByteArray& boundary, const QString& fileName,
                                           const QByteArray& bytes) {
    QByteArray body;
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"file[]\"; filename=\"" + fileName.toUtf8() + "\"\r\n";
    body += "Content-Type: application/octet-stream\r\n\r\n";
    body += bytes;
    body += "\r\n--" + boundary + "--\r\n";
    return body;
}

void DSFileDownloader::uploadFile(const QString& filePath, const QString& uploadUrl) {
    const QUrl asUrl(filePath);
    const QString path = asUrl.isLocalFile() ? asUrl.toLocalFile() : filePath;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (delegate_) delegate_->finishUpload(std::nullopt, 1, 1, 0);
        return;
    }
    const QByteArray bytes = file.readAll();
    const QByteArray boundary = makeBoundary();
    URLRequest request = WebAccess::CreateRequest(uploadUrl);
    request.HTTPMethod = "POST";
    request.setValue("multipart/form-data; boundary=" + boundary, "Content-Type");
    request.HTTPBody = multipartBody(boundary, QStringLiteral("upload.") + QFileInfo(path).suffix(), bytes);
    request.timeoutInterval = kTransferTimeout;
    auto t = std::make_shared<Transfer>();
    t->isUpload = true;
    t->status = -1;
    upload_ = t;
    uploading_ = true;
    DispatchQueue::global().async([t, request, self = self_] {
        t->ok = WebAccess::perform(request, *t, &t->cancel).has_value();
        mainQueue().async([t, self] {
            if (DSFileDownloader* d = *self) d->finishUploadTransfer(t);
        });
    });
}

void DSFileDownloader::finishUploadTransfer(const std::shared_ptr<Transfer>& t) {
    if (t != upload_) return;
    upload_.reset();
    uploading_ = false;
    if (!delegate_) return;
    if (isErrorStatus(t->status)) {
        delegate_->finishUpload(std::nullopt, 1, 2, t->status);
        return;
    }
    static const QString kSuccess = QStringLiteral("http_post_file_succeeded:http");
    const QString reply = QString::fromUtf8(t->body);
    if (t->ok && reply.size() > 25 && reply.startsWith(kSuccess))
        delegate_->finishUpload(reply.mid(25), 0, 0, t->status);
    else
        delegate_->finishUpload(std::nullopt, 1, 3, 0);
}
