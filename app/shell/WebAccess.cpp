#include "shell/WebAccess.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "shell/QuorixUtils.h"

namespace {

std::mutex gTimeOutsMutex;
WebAccess::TimeOuts gTimeOuts;

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    QByteArray body;
    bool tooLarge = false;
    const std::atomic<bool>* cancel = nullptr;
};

size_t onData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->body.size() + static_cast<qint64>(n) > WebAccess::kMaxReplyBytes) {
        t->tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    t->body.append(data, static_cast<qsizetype>(n));
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->cancel && t->cancel->load() ? 1 : 0;
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

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
    const QString scheme = request.url.scheme().toLower();
    if (!request.url.isValid() || (scheme != u"http" && scheme != u"https") || request.url.host().isEmpty())
        return std::nullopt;
    initCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return std::nullopt;
    CURL* c = curl.get();

    const QByteArray url = request.url.toEncoded();
    const TimeOuts limits = timeOuts();
    Transfer transfer;
    transfer.cancel = cancel;

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
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxReplyBytes));
    if (!userAgent.isEmpty()) curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.constData());
    if (headerList) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());
    if (request.directConnection) curl_easy_setopt(c, CURLOPT_PROXY, "");
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

    if (curl_easy_perform(c) != CURLE_OK || transfer.tooLarge) return std::nullopt;
    HTTPResponse response;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.statusCode);
    response.body = std::move(transfer.body);
    return response;
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
