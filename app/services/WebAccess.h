// Requests to the web service over HTTP(S), on libcurl.
//
// Every request carries the application's user agent and a connect time-out,
// and either a total time-out (the blocking requests) or an idle time-out (the
// transfers of the asynchronous side): a server that accepts the connection
// and then stalls ends as a failed request, it never holds a thread for ever.
// System proxies from the environment (http_proxy, https_proxy, no_proxy)
// apply as curl reads them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

struct URLRequest {
    QUrl url;
    QByteArray HTTPMethod = "GET";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray HTTPBody;
    // Bypass every proxy (a proxy auto-configuration script is fetched this way).
    bool directConnection = false;
    // With a value, the transfer ends after this long without any data (and has
    // no total time-out); without, the configured total time-out applies.
    std::optional<std::chrono::milliseconds> timeoutInterval;

    void setValue(const QByteArray& value, const QByteArray& field);
    QByteArray valueForHTTPHeaderField(const QByteArray& field) const;
};

struct HTTPResponse {
    long statusCode = 0;  // 0 before a status line arrived
    QByteArray body;
};

// Receives a transfer as it runs (on the thread that performs it).
class HTTPTransferSink {
public:
    virtual ~HTTPTransferSink() = default;
    // The final status, before any body data; false ends the transfer.
    virtual bool didReceiveResponse(long /*statusCode*/) { return true; }
    // False ends the transfer.
    virtual bool didReceiveData(const char* data, size_t size) = 0;
};

class WebAccess;

// Messages of the asynchronous side; they arrive on the main queue.
class WebAccessDelegate {
public:
    virtual ~WebAccessDelegate() = default;
    // An in-memory load ended: its HTTP status (-1 without a response), an error
    // text (empty unless the transfer failed), the data and an error code (0
    // unless the transfer failed).
    virtual void WebAccessDidFinishloadRequest(WebAccess& /*sender*/, long /*status*/,
                                               const QString& /*errDetail*/,
                                               const QByteArray& /*responceData*/, int /*errCode*/) {}
    // A download ended: the file written (empty when the server refused it) and the HTTP status.
    virtual void WebAccessDidFinishLoading(WebAccess& /*sender*/, const QString& /*filePath*/,
                                           long /*status*/) {}
};

class WebAccess : public QObject {
public:
    struct TimeOuts {
        std::chrono::milliseconds connect{10000};
        std::chrono::milliseconds total{30000};
    };
    // The time-outs of every request from now on; answers the previous ones.
    static TimeOuts setTimeOuts(TimeOuts timeOuts);
    static TimeOuts timeOuts();

    // Largest reply body kept in memory; a longer reply fails the request.
    static constexpr qint64 kMaxReplyBytes = 32 * 1024 * 1024;
    // Idle time-out of the asynchronous side's transfers.
    static constexpr std::chrono::milliseconds kTransferTimeout{10000};

    // Sends the request (GET, or POST with a body) and blocks the caller until the
    // reply is complete. Answers the body bytes of any reply, an HTTP error status
    // such as 500 included, and nothing after a transport failure (no connection,
    // time-out, refused TLS, an address that is not a valid URL).
    static std::optional<QByteArray> sendSynchronizedHTTPRequest(
        const QString& url, const std::optional<QString>& body = std::nullopt);

    // A request for the address with the user-agent header: with a body the method
    // is "POST" and the body is the body address's text in UTF-8, otherwise "GET".
    static URLRequest CreateRequest(const QString& url, const std::optional<QString>& body = std::nullopt);

    // Performs a prepared request; nothing after a transport failure. `cancel`, when
    // given, ends the transfer as soon as it is set.
    static std::optional<HTTPResponse> perform(const URLRequest& request,
                                               const std::atomic<bool>* cancel = nullptr);
    // Performs a prepared request into a sink; the final status, or nothing after a
    // transport failure or when the sink or `cancel` ended the transfer.
    static std::optional<long> perform(const URLRequest& request, HTTPTransferSink& sink,
                                       const std::atomic<bool>* cancel = nullptr);

    // A query value percent-encoded so that no character of it can end the value,
    // start another key or the fragment ("&", "=", "#", "+", spaces, non-ASCII).
    static QString encodeQueryValue(const QString& value);
    // "key=value&key=value" with every value encoded.
    static QString queryString(std::initializer_list<std::pair<QString, QString>> items);

    // The asynchronous side, used on the main thread: one transfer at a time per
    // object, reported to the delegate and through notifications on the main queue.
    WebAccess();
    ~WebAccess() override;

    // Downloads into the "DocumentSharing" folder, under the address's last path component.
    void fileDownload(const QString& url);
    // Loads into memory.
    void loadRequest(const QString& url);
    // loadRequest on the main queue, unless a cancel is pending (which it clears).
    void loadRequestByConnection(const QString& url);
    // Sends a prepared (upload) request with the user agent; the reply goes into memory.
    void multipartUpload(URLRequest request);
    // Ends the running transfer quietly: nothing more is reported for it.
    void downloadCancel();
    void downloadUnavailableCancel();

    QFile* file() const { return mFile.get(); }
    const QString& filePath() const { return mFilePath; }
    void setFilePath(const QString& v) { mFilePath = v; }
    void* sourceClassObj() const { return mSourceClassObj; }
    void setSourceClassObj(void* v) { mSourceClassObj = v; }
    WebAccessDelegate* delegate() const { return delegate_; }
    void setDelegate(WebAccessDelegate* v) { delegate_ = v; }
    qint64 httpStatus() const { return mHttpStatus; }
    void setHttpStatus(qint64 v) { mHttpStatus = v; }
    bool loadRequestFlag() const { return mLoadRequest; }
    void setLoadRequestFlag(bool v) { mLoadRequest = v; }
    const QByteArray& responceData() const { return mResponceData; }
    bool cancelReq() const { return mCancelReq; }
    void setCancelReq(bool v) { mCancelReq = v; }
    bool fileDownloadNow() const { return mFileDownloadNow; }
    void setFileDownloadNow(bool v) { mFileDownloadNow = v; }
    bool hideErrorMSG() const { return mHideErrorMSG; }
    void setHideErrorMSG(bool v) { mHideErrorMSG = v; }
    bool loadingNowStat() const { return mLoadingNowStat; }
    void setLoadingNowStat(bool v) { mLoadingNowStat = v; }

private:
    struct Transfer;
    void start(URLRequest request);
    void endTransfer();
    void didReceiveResponse(long status);
    void didReceiveData(const QByteArray& data);
    void didComplete(bool ok, const QString& error);
    void reportLoad(long status, const QString& errDetail, int errCode);
    void reportDownload(long status);

    std::unique_ptr<QFile> mFile;
    QString mFilePath;
    void* mSourceClassObj = nullptr;
    WebAccessDelegate* delegate_ = nullptr;
    qint64 mHttpStatus = -1;
    bool mLoadRequest = false;
    QByteArray mResponceData;
    bool mCancelReq = false;
    bool mFileDownloadNow = false;
    bool mHideErrorMSG = false;
    bool mLoadingNowStat = false;
    std::shared_ptr<Transfer> transfer_;  // the running transfer
};
