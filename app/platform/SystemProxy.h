// The system's proxy settings, in place of the platform's proxy-settings
// interface: the manual HTTP and HTTPS proxies and proxy auto-configuration.
//
// Manual proxies come from the environment (http_proxy / HTTP_PROXY and
// https_proxy / HTTPS_PROXY). A value "pac+<address>" names a proxy
// auto-configuration script instead; scripts run in libproxy's PAC runner,
// which also reads the desktop's proxy settings.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct SystemProxySettings {
    bool HTTPEnable = false;
    QString HTTPProxy;
    int HTTPPort = 0;
    bool HTTPSEnable = false;
    QString HTTPSProxy;
    int HTTPSPort = 0;
    bool proxyAutoConfigEnable = false;
    QString proxyAutoConfigURLString;
};

// One answer of a configuration script (or of the desktop's settings).
struct SystemProxyEntry {
    QString type;  // kProxyTypeNone, or the proxy's kind: "HTTP", "HTTPS", "SOCKS", ...
    std::optional<QString> host;
    std::optional<int> port;
};

class SystemProxy {
public:
    static constexpr const char* kProxyTypeNone = "DIRECT";

    static SystemProxySettings copySystemProxySettings();

    // The proxies that the configured auto-configuration script (or, with no
    // proxy variables in the environment, the desktop's settings) names for
    // `targetUrl`, in the script's order. Nothing, with `error` set, when the
    // evaluation failed.
    static std::optional<std::vector<SystemProxyEntry>> copyProxiesForURL(const QString& targetUrl,
                                                                          QString* error);

    // Whether a PAC runner plugin of libproxy is installed.
    static bool pacRunnerInstalled();

    // libproxy's answer texts ("http://host:port", "socks://host", "direct://").
    static SystemProxyEntry entryFromProxyText(const QString& text);
    // An environment value: a proxy address, "host:port" or "pac+<address>".
    static void readVariable(const QString& value, bool& enable, QString& host, int& port, bool& autoConfig,
                             QString& scriptUrl);
};
