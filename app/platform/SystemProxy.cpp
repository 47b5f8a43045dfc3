#include "platform/SystemProxy.h"

#include <proxy.h>

#include <QDir>
#include <QUrl>
#include <cstdlib>

namespace {

QString environment(const char* lower, const char* upper) {
    const char* v = std::getenv(lower);
    if (!v || !*v) v = std::getenv(upper);
    return v ? QString::fromLocal8Bit(v).trimmed() : QString();
}

// One factory for the process, never freed: libproxy serialises its use, keeps
// the fetched script between calls, and tearing a factory down while its PAC
// runner's (JavaScriptCore) threads are about crashes now and then.
pxProxyFactory* sharedFactory() {
    static pxProxyFactory* factory = px_proxy_factory_new();
    return factory;
}

}  // namespace

void SystemProxy::readVariable(const QString& value, bool& enable, QString& host, int& port, bool& autoConfig,
                               QString& scriptUrl) {
    if (value.isEmpty()) return;
    if (value.startsWith(u"pac+", Qt::CaseInsensitive)) {
        autoConfig = true;
        scriptUrl = value.mid(4);
        return;
    }
    const QUrl url(value.contains(u"://") ? value : QStringLiteral("http://") + value);
    if (!url.isValid() || url.host().isEmpty()) return;
    enable = true;
    host = url.host();
    port = url.port(url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80);
}

SystemProxySettings SystemProxy::copySystemProxySettings() {
    SystemProxySettings s;
    readVariable(environment("http_proxy", "HTTP_PROXY"), s.HTTPEnable, s.HTTPProxy, s.HTTPPort,
                 s.proxyAutoConfigEnable, s.proxyAutoConfigURLString);
    readVariable(environment("https_proxy", "HTTPS_PROXY"), s.HTTPSEnable, s.HTTPSProxy, s.HTTPSPort,
                 s.proxyAutoConfigEnable, s.proxyAutoConfigURLString);
    return s;
}

SystemProxyEntry SystemProxy::entryFromProxyText(const QString& text) {
    SystemProxyEntry entry;
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    if (scheme == u"direct" || text.isEmpty()) {
        entry.type = kProxyTypeNone;
        return entry;
    }
    entry.type = scheme.toUpper();
    if (!url.host().isEmpty()) entry.host = url.host();
    if (url.port() > 0) entry.port = url.port();
    return entry;
}

std::optional<std::vector<SystemProxyEntry>> SystemProxy::copyProxiesForURL(const QString& targetUrl,
                                                                            QString* error) {
    pxProxyFactory* factory = sharedFactory();
    if (!factory) {
        if (error) *error = QStringLiteral("libproxy is not available");
        return std::nullopt;
    }
    char** answers = px_proxy_factory_get_proxies(factory, targetUrl.toUtf8().constData());
    if (!answers) {
        if (error) *error = QStringLiteral("no proxy information for %1").arg(targetUrl);
        return std::nullopt;
    }
    std::vector<SystemProxyEntry> entries;
    for (char** p = answers; *p; ++p) entries.push_back(entryFromProxyText(QString::fromUtf8(*p)));
    px_proxy_factory_free_proxies(answers);
    return entries;
}

bool SystemProxy::pacRunnerInstalled() {
    // libproxy looks for its plugins in <libdir>/libproxy/<version>/modules.
    const QStringList roots = {QStringLiteral("/usr/lib/x86_64-linux-gnu/libproxy"),
                               QStringLiteral("/usr/lib/aarch64-linux-gnu/libproxy"),
                               QStringLiteral("/usr/lib/libproxy"), QStringLiteral("/usr/lib64/libproxy")};
    for (const QString& root : roots) {
        for (const QString& version : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir modules(root + u'/' + version + QStringLiteral("/modules"));
            if (!modules.entryList({QStringLiteral("pacrunner_*.so")}, QDir::Files).isEmpty()) return true;
        }
    }
    return false;
}
