#include "services/WebAccess.h"

#include <curl/curl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemProxy.h"
#include "services/Common.h"
#include "services/QuorixUtils.h"

namespace {

std::mutex gTimeOutsMutex;
WebAccess::TimeOuts gTimeOuts;

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlTransfer {
    CURL* curl = nullptr;
    HTTPTransferSink* sink = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    bool responded = false;
    bool stopped = false;  // the sink ended the transfer
};

bool deliverResponse(CurlTransfer& t) {
    if (t.responded) return true;
    t.responded = true;
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (!t.sink->didReceiveResponse(status)) t.stopped = true;
    return !t.stopped;
}

size_t onData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<CurlTransfer*>(user);
    const size_t n = size * count;
    if (!deliverResponse(*t)) return 0;
    if (!t->sink->didReceiveData(data, n)) {
        t->stopped = true;
        return 0;  // ends the transfer with a write error
    }
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<CurlTransfer*>(user);
    return t->cancel && t->cancel->load() ? 1 : 0;
}

// Keeps a whole reply in memory, up to the limit.
class MemorySink : public HTTPTransferSink {
public:
    bool didReceiveData(const char* data, size_t size) override {
        if (body.size() + static_cast<qint64>(size) > WebAccess::kMaxReplyBytes) return false;
        body.append(data, static_cast<qsizetype>(size));
        return true;
    }
    QByteArray body;
};

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// A proxy variable of the request's scheme that names an auto-configuration
// script ("pac+<address>") is no proxy address curl could use (it would fail
// every request): the script decides. Answers the proxy to set ("" for a
// direct connection), or nothing when curl's own reading of the variables
// applies.
std::optional<QByteArray> proxyFromScript(const QUrl& url) {
    const bool https = url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
    const char* lower = https ? "https_proxy" : "http_proxy";
    const char* upper = https ? "HTTPS_PROXY" : "HTTP_PROXY";
    QByteArray value = qgetenv(lower);
    if (value.isEmpty()) value = qgetenv(upper);
    if (!value.trimmed().toLower().startsWith("pac+")) return std::nullopt;
    QString error;
    const auto entries = SystemProxy::copyProxiesForURL(url.toString(), &error);
    if (entries) {
        for (const SystemProxyEntry& e : *entries) {
            if (e.type == QLatin1String(SystemProxy::kProxyTypeNone)) break;
            if (e.host && e.port && (e.type == u"HTTP" || e.type == u"PROXY"))
                return QStringLiteral("http://%1:%2").arg(*e.host).arg(*e.port).toUtf8();
        }
    }
    return QByteArray("");
}

}  // namespace

void URLRequest::setValue(const QByteArray& value, const QByteArray& field) {
    for (auto& h : headers) {
        if (h.first.compare(field, Qt::CaseInsensitive) == 0) {
            h.second = value;
            return;
        }
    }
    headers.append({field, value});
}

QByteArray URLRequest::valueForHTTPHeaderField(const QByteArray& field) const {
    for (auto& h : headers)
        if (h.first.compare(field, Qt::CaseInsensitive) == 0) return h.second;
    return {};
}

WebAccess::TimeOuts WebAccess::setTimeOuts(TimeOuts timeOuts) {
    std::lock_guard lock(gTimeOutsMutex);
    return std::exchange(gTimeOuts, timeOuts);
}

WebAccess::TimeOuts WebAccess::timeOuts() {
    std::lock_guard lock(gTimeOutsMutex);
    return gTimeOuts;
}

URLRequest WebAccess::CreateRequest(const QString& url, const std::optional<QString>& body) {
    URLRequest request;
    request.url = QUrl(url, QUrl::StrictMode);
    request.setValue(QuorixUtils::GetAppUserAgent().toUtf8(), "User-Agent");
    if (body) {
        request.HTTPMethod = "POST";
        request.HTTPBody = body->toUtf8();
    }
    return request;
}

std::optional<QByteArray> WebAccess::sendSynchronizedHTTPRequest(const QString& url,
                                                                 const std::optional<QString>& body) {
    auto response = perform(CreateRequest(url, body));
    if (!response) return std::nullopt;
    return std::move(response->body);
}

std::optional<HTTPResponse> WebAccess::perform(const URLRequest& request, const std::atomic<bool>* cancel) {
    MemorySink sink;
    auto status = perform(request, sink, cancel);
    if (!status) return std::nullopt;
    return HTTPResponse{*status, std::move(sink.body)};
}

std::optional<long> WebAccess::perform(const URLRequest& request, HTTPTransferSink& sink,
                                       const std::atomic<bool>* cancel) {
    const QString scheme = request.url.scheme().toLower();
    if (!request.url.isValid() || (scheme != u"http" && scheme != u"https") || request.url.host().isEmpty())
        return std::nullopt;
    initCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return std::nullopt;
    CURL* c = curl.get();

    const QByteArray url = request.url.toEncoded();
    const TimeOuts limits = timeOuts();
    CurlTransfer transfer{c, &sink, cancel};

    curl_slist* headerHead = nullptr;
    for (auto& [field, value] : request.headers) {
        if (field.compare("User-Agent", Qt::CaseInsensitive) == 0) continue;
        curl_slist* next = curl_slist_append(headerHead, (field + ": " + value).constData());
        if (!next) {
            curl_slist_free_all(headerHead);
            return std::nullopt;
        }
        headerHead = next;
    }
    std::unique_ptr<curl_slist, SlistDeleter> headerList(headerHead);
    const QByteArray userAgent = request.valueForHTTPHeaderField("User-Agent");

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    if (request.timeoutInterval) {
        const long idle = static_cast<long>(request.timeoutInterval->count());
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS,
                         std::min(idle, static_cast<long>(limits.connect.count())));
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, idle / 1000));
    } else {
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
    }
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    if (!userAgent.isEmpty()) curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.constData());
    if (headerList) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());
    std::optional<QByteArray> scriptProxy;
    if (request.directConnection) {
        curl_easy_setopt(c, CURLOPT_PROXY, "");
    } else if ((scriptProxy = proxyFromScript(request.url))) {
        curl_easy_setopt(c, CURLOPT_PROXY, scriptProxy->constData());
    }
    if (request.HTTPMethod == "POST") {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.HTTPBody.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.HTTPBody.constData());
    } else if (request.HTTPMethod != "GET") {
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, request.HTTPMethod.constData());
        if (!request.HTTPBody.isEmpty()) {
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.HTTPBody.size()));
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.HTTPBody.constData());
        }
    }
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    if (cancel) {
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    }

    if (curl_easy_perform(c) != CURLE_OK || transfer.stopped) return std::nullopt;
    // A reply without a body reaches the sink here.
    if (!deliverResponse(transfer)) return std::nullopt;
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

QString WebAccess::encodeQueryValue(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString WebAccess::queryString(std::initializer_list<std::pair<QString, QString>> items) {
    QString out;
    for (auto& [key, value] : items) {
        if (!out.isEmpty()) out += u'&';
        out += key + u'=' + encodeQueryValue(value);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Asynchronous side

namespace {

const QString kNotifyLoadRequest = QStringLiteral("webaccess_fifnish_load_req");
const QString kNotifyLoad = QStringLiteral("webaccess_fifnish_load");

bool isErrorStatus(long status) {
    return status >= 400 && status <= 599;
}

// A name for a downloaded file: the address's last path component, never a
// path of its own (the address comes from another participant).
std::optional<QString> downloadFileName(const QUrl& url) {
    QString name = url.fileName(QUrl::FullyDecoded);
    name.replace(u'/', u'_').replace(QChar(0), u'_');
    if (name.isEmpty() || name == u"." || name == u"..") return std::nullopt;
    return name;
}

}  // namespace

// The running transfer. `owner` is set only while the transfer is its owner's
// current one; it is read and cleared on the main thread only.
struct WebAccess::Transfer {
    std::atomic<bool> cancel{false};
    WebAccess* owner = nullptr;
};

WebAccess::WebAccess() = default;

WebAccess::~WebAccess() {
    endTransfer();
}

void WebAccess::endTransfer() {
    if (!transfer_) return;
    transfer_->cancel = true;
    transfer_->owner = nullptr;
    transfer_.reset();
}

void WebAccess::downloadCancel() {
    mCancelReq = true;
    endTransfer();
}

void WebAccess::downloadUnavailableCancel() {
    mCancelReq = false;
}

void WebAccess::fileDownload(const QString& url) {
    if (mCancelReq) {
        mCancelReq = false;
        return;
    }
    mFileDownloadNow = true;
    mLoadRequest = false;
    mHttpStatus = -1;
    URLRequest request = CreateRequest(url);
    const auto folder = Common::getCommonAppDirectory(Common::kDirectoryDocumentSharing);
    const auto name = downloadFileName(request.url);
    if (!folder || !name) {
        NotificationCenter::defaultCenter().post(
            kNotifyLoadRequest, this,
            {{QStringLiteral("KeyHttpStatus"), 0},
             {QStringLiteral("KeyErrDetail"), LocalizedFormat("dfDOCSHARE_UPLOAD_FAIL", "-2")},
             {QStringLiteral("KeyErrCode"), -120}});
        return;
    }
    mFilePath = *folder + u'/' + *name;
    mFile.reset();
    start(std::move(request));
}

void WebAccess::loadRequest(const QString& url) {
    mLoadRequest = true;
    mHttpStatus = -1;
    mResponceData.clear();
    start(CreateRequest(url));
}

void WebAccess::loadRequestByConnection(const QString& url) {
    if (mCancelReq) {
        mCancelReq = false;
        return;
    }
    mainQueue().async(this, [this, url] { loadRequest(url); });
}

void WebAccess::multipartUpload(URLRequest request) {
    request.setValue(QuorixUtils::GetAppUserAgent().toUtf8(), "User-Agent");
    mLoadRequest = true;
    mHttpStatus = -1;
    mResponceData.clear();
    start(std::move(request));
}

void WebAccess::start(URLRequest request) {
    endTransfer();  // one transfer at a time
    auto transfer = std::make_shared<Transfer>();
    transfer->owner = this;
    transfer_ = transfer;
    mLoadingNowStat = true;
    request.timeoutInterval = kTransferTimeout;
    const bool inMemory = mLoadRequest;

    // Runs on a worker; every event moves to the main queue, where it is dropped
    // when this object is gone or a newer transfer has started.
    class Forwarder : public HTTPTransferSink {
    public:
        Forwarder(std::shared_ptr<Transfer> t, bool inMemory) : t_(std::move(t)), inMemory_(inMemory) {}
        bool didReceiveResponse(long status) override {
            post([status](WebAccess& w) { w.didReceiveResponse(status); });
            return !isErrorStatus(status) && !t_->cancel;
        }
        bool didReceiveData(const char* data, size_t size) override {
            received_ += static_cast<qint64>(size);
            if (inMemory_ && received_ > kMaxReplyBytes) return false;
            QByteArray chunk(data, static_cast<qsizetype>(size));
            post([chunk](WebAccess& w) { w.didReceiveData(chunk); });
            return !t_->cancel;
        }
        void post(std::function<void(WebAccess&)> step) {
            mainQueue().async([t = t_, step = std::move(step)] {
                if (t->owner) step(*t->owner);
            });
        }

    private:
        std::shared_ptr<Transfer> t_;
        bool inMemory_;
        qint64 received_ = 0;
    };

    DispatchQueue::global().async([transfer, request = std::move(request), inMemory] {
        Forwarder forwarder(transfer, inMemory);
        const bool ok = perform(request, forwarder, &transfer->cancel).has_value();
        forwarder.post(
            [ok](WebAccess& w) { w.didComplete(ok, ok ? QString() : QStringLiteral("transfer failed")); });
    });
}

void WebAccess::didReceiveResponse(long status) {
    if (mCancelReq) return;
    mHttpStatus = status;
    if (!isErrorStatus(status)) return;
    // The server refused: the transfer ends at once.
    endTransfer();
    mLoadingNowStat = false;
    if (mLoadRequest) {
        reportLoad(status, QString(), 0);
    } else {
        mFileDownloadNow = false;
        if (delegate_) delegate_->WebAccessDidFinishLoading(*this, mFilePath, status);
    }
}

void WebAccess::didReceiveData(const QByteArray& data) {
    if (mCancelReq) return;
    if (mLoadRequest) {
        mResponceData.append(data);
        return;
    }
    if (!mFile) {
        mFile = std::make_unique<QFile>(mFilePath);
        if (!mFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            didComplete(false, mFile->errorString());
            return;
        }
    }
    if (mFile->write(data) != data.size()) didComplete(false, mFile->errorString());
}

void WebAccess::didComplete(bool ok, const QString& error) {
    if (mCancelReq || !transfer_) return;
    endTransfer();
    mLoadingNowStat = false;
    if (mLoadRequest) {
        reportLoad(mHttpStatus, ok ? QString() : error, ok ? 0 : -1);
        return;
    }
    mFileDownloadNow = false;
    if (ok && !mFile) {  // an empty document
        mFile = std::make_unique<QFile>(mFilePath);
        ok = mFile->open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    if (mFile) {
        ok = mFile->flush() && ok;
        mFile->close();
    }
    mFile.reset();
    // A broken download must not pass for the document: it is removed.
    if (!ok) QFile::remove(mFilePath);
    reportDownload(mHttpStatus);
    if (!ok) mFilePath.clear();
}

void WebAccess::reportLoad(long status, const QString& errDetail, int errCode) {
    if (delegate_) delegate_->WebAccessDidFinishloadRequest(*this, status, errDetail, mResponceData, errCode);
    NotificationCenter::defaultCenter().post(kNotifyLoadRequest, this,
                                             {{QStringLiteral("KeyHttpStatus"), static_cast<qint64>(status)},
                                              {QStringLiteral("KeyErrDetail"), errDetail},
                                              {QStringLiteral("KeyErrCode"), errCode}});
}

void WebAccess::reportDownload(long status) {
    const QString path = QFile::exists(mFilePath) ? mFilePath : QString();
    if (delegate_) delegate_->WebAccessDidFinishLoading(*this, path, status);
    NotificationCenter::defaultCenter().post(kNotifyLoad, this,
                                             {{QStringLiteral("KeyHttpStatus"), static_cast<qint64>(status)},
                                              {QStringLiteral("KeyFilePath"), path}});
}
