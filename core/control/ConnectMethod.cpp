#include "control/ConnectMethod.h"

#include <json-c/json.h>

#include <cstdlib>
#include <cstring>

#include "control/ConfProtocol.h"

void BuildChopGreeting(const char* label, uint32_t flag, uint8_t out[CHOP_GREETING_SIZE]) {
    std::memset(out, 0, CHOP_GREETING_SIZE);
    std::memcpy(out, "Agent:Quorix", 12);
    if (label != nullptr) {
        const size_t n = strnlen(label, CHOP_LABEL_FIELD - 1);
        std::memcpy(out + 16, label, n);
    }
    PutLE32(out + 32, flag);
}

static bool HasControlChar(const char* s) {
    for (; *s; ++s)
        if (uint8_t(*s) < 0x20 || *s == 0x7F) return true;
    return false;
}

std::string BuildConnectRequest(const char* host, const char* userAgent) {
    if (host == nullptr || userAgent == nullptr || HasControlChar(host) || HasControlChar(userAgent) ||
        std::strchr(host, ' ') != nullptr)
        return std::string();
    std::string req;
    req += "CONNECT ";
    req += host;
    req += ":443 HTTP/1.1\r\n";
    req += "Host: ";
    req += host;
    req += "\r\n";
    req += "User-Agent: ";
    req += userAgent;
    req += "\r\n";
    req += "Content-Length: 0\r\n";
    req += "Proxy-Connection: Keep-Alive\r\n";
    req += "Proxy-Connection: Keep-Alive\r\n";
    req += "Pragma: no-cache\r\n";
    req += "\r\n";
    return req;
}

static std::string JsonText(json_object* obj, const char* key, bool& present) {
    json_object* v = nullptr;
    present = json_object_object_get_ex(obj, key, &v) && v != nullptr;
    if (!present) return std::string();
    const char* s = json_object_get_string(v);
    return s ? std::string(s) : std::string();
}

bool ParseProxyList(const char* json, std::vector<PROXY_ENTRY>& out) {
    out.clear();
    if (json == nullptr) return false;
    json_object* root = json_tokener_parse(json);
    if (root == nullptr) return false;
    bool ok = false;
    if (json_object_is_type(root, json_type_array)) {
        const size_t n = json_object_array_length(root);
        ok = n > 0;
        for (size_t i = 0; i < n; ++i) {
            json_object* item = json_object_array_get_idx(root, i);
            PROXY_ENTRY e;
            if (item != nullptr && json_object_is_type(item, json_type_object)) {
                bool present = false;
                const std::string type = JsonText(item, "proxyType", present);
                e.direct = present && type == "DIRECT";
                e.host = JsonText(item, "proxyHost", present);
                // A number or a decimal text; both are read through their text form.
                const std::string port = JsonText(item, "proxyPort", present);
                e.port = present ? int32_t(std::strtol(port.c_str(), nullptr, 10)) : 0;
            }
            out.push_back(std::move(e));
            if (out.back().direct) break;
        }
    }
    json_object_put(root);
    return ok;
}
