// Requests to the web service over HTTP(S), on libcurl.
//
// Every request carries the application's user agent, a connect time-out and a
// total time-out: a server that accepts the connection and then stalls ends as
// a failed request once the total time-out has passed, it never holds the
// calling thread for ever. System proxies from the environment (http_proxy,
// https_proxy, no_proxy) apply as curl reads them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <initializer_list>
#include <optional>
#include <utility>

struct URLRequest {
    QUrl url;
    QByteArray HTTPMethod = "GET";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray HTTPBody;
    // Bypass every proxy (a proxy auto-configuration script is fetched this way).
    bool directConnection = false;

    void setValue(const QByteArray& value, const QByteArray& field);
    QByteArray valueForHTTPHeaderField(const QByteArray& field) const;
};

struct HTTPResponse {
    long statusCode = 0;  // 0 before a status line arrived
    QByteArray body;
};

class WebAccess {
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

    // A query value percent-encoded so that no character of it can end the value,
    // start another key or the fragment ("&", "=", "#", "+", spaces, non-ASCII).
    static QString encodeQueryValue(const QString& value);
    // "key=value&key=value" with every value encoded.
    static QString queryString(std::initializer_list<std::pair<QString, QString>> items);
};
