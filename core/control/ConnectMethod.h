// Connection methods of every core connection: direct, tunnelled to port 443
// with a 36-byte greeting, or through an HTTP proxy with a CONNECT request and
// the same greeting. The texts and bytes here are built without any socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Connection methods; after each success the one that worked is tried first.
enum : int32_t {
    CONNECT_DIRECT = 0,
    CONNECT_TUNNEL = 1,
    CONNECT_TUNNEL2 = 2,
    CONNECT_PROXY = 3,
    CONNECT_NONE = 4,
};

// Connection error sub-codes of the proxy exchange.
constexpr int CONN_ERR_PROXY_SEND = -10;
constexpr int CONN_ERR_PROXY_NO_REPLY = -11;
constexpr int CONN_ERR_PROXY_STATUS = -12;

constexpr uint16_t TUNNEL_PORT = 443;
constexpr size_t CHOP_GREETING_SIZE = 36;
constexpr size_t CHOP_LABEL_FIELD = 16;

// Passed by the login to every connection; the second field is never read.
struct HTTPACCESS_PROXY_CONFIG {
    const char* proxyList = nullptr;  // proxy-list JSON text, may be null
    void* reserved = nullptr;
};

// Passed through the connection methods and not read.
struct HTTPACCESS_CONNECTION_INFO {
    void* reserved = nullptr;
};

// The greeting: "Agent:Quorix", four zero bytes, the label (at most 15
// characters, NUL-terminated, zero-filled) and the flag (1 through a proxy).
void BuildChopGreeting(const char* label, uint32_t flag, uint8_t out[CHOP_GREETING_SIZE]);

// The CONNECT request naming host:443. Empty when host or user agent is
// missing or carries a control character, so that nothing from a server reply
// can add lines to the request.
std::string BuildConnectRequest(const char* host, const char* userAgent);

struct PROXY_ENTRY {
    bool direct = false;  // "proxyType" "DIRECT": no proxy, ends the list
    std::string host;
    int32_t port = 0;
};

// Reads the proxy-list JSON: an array of objects tried in order. False when the
// text is null, does not parse, is not an array or has no element.
bool ParseProxyList(const char* json, std::vector<PROXY_ENTRY>& out);
