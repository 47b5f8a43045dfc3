// The system's proxies for an address, as entries of the core's proxy list.
#pragma once

#include <QString>
#include <QVariantList>

class NetworkManager {
public:
    // Entries in this order: the manual HTTP proxy, the manual HTTPS proxy
    // ({"proxyHost", "proxyPort"}), then, when proxy auto-configuration is on,
    // what the script names for `targetUrl` ({"proxyType": "DIRECT"} for no
    // proxy, else {"proxyType", "proxyHost", "proxyPort"}). Failures end with the
    // entries gathered so far and an error line in the log. Blocks the caller
    // while the script is fetched and run: never call it on the main thread.
    static QVariantList getDeviceProxyInfo(const QString& targetUrl);
};
