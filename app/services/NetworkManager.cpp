#include "services/NetworkManager.h"

#include <QVariantMap>

#include "platform/StringFormat.h"
#include "platform/SystemProxy.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "services/WebAccess.h"

namespace {

QVariantMap manualEntry(const QString& host, int port) {
    return QVariantMap{{QStringLiteral("proxyHost"), host}, {QStringLiteral("proxyPort"), port}};
}

// Appends the typed entries of a script's (or the desktop's) answer.
void appendTypedEntries(QVariantList& list, const std::vector<SystemProxyEntry>& entries) {
    for (const auto& entry : entries) {
        if (entry.type == QLatin1String(SystemProxy::kProxyTypeNone)) {
            list.append(QVariantMap{{QStringLiteral("proxyType"), entry.type}});
        } else if (entry.host && entry.port) {
            list.append(QVariantMap{{QStringLiteral("proxyType"), entry.type},
                                    {QStringLiteral("proxyHost"), *entry.host},
                                    {QStringLiteral("proxyPort"), *entry.port}});
        }
    }
}

// The script's text, fetched without any proxy; nothing (with `error`) on failure.
std::optional<QByteArray> fetchScript(const QString& address, QString& error) {
    URLRequest request = WebAccess::CreateRequest(address);
    request.directConnection = true;
    if (!request.url.isValid() || request.url.isRelative()) {
        error = StringWithFormat(QStringLiteral("invalid address \"%@\""), address);
        return std::nullopt;
    }
    auto response = WebAccess::perform(request);
    if (!response) {
        error = StringWithFormat(QStringLiteral("no reply from %@"), address);
        return std::nullopt;
    }
    if (response->statusCode < 200 || response->statusCode > 299) {
        error = StringWithFormat(QStringLiteral("status %ld from %@"), response->statusCode, address);
        return std::nullopt;
    }
    return response->body;
}

}  // namespace

QVariantList NetworkManager::getDeviceProxyInfo(const QString& targetUrl) {
    const SystemProxySettings settings = SystemProxy::copySystemProxySettings();
    QVariantList list;
    if (settings.HTTPEnable) list.append(manualEntry(settings.HTTPProxy, settings.HTTPPort));
    if (settings.HTTPSEnable) list.append(manualEntry(settings.HTTPSProxy, settings.HTTPSPort));

    if (!settings.proxyAutoConfigEnable) {
        if (settings.HTTPEnable || settings.HTTPSEnable) return list;
        // Nothing in the environment: the desktop's settings, as libproxy reads
        // them. Its lone "no proxy" answer means that nothing is configured.
        QString ignored;
        auto desktop = SystemProxy::copyProxiesForURL(targetUrl, &ignored);
        if (desktop &&
            !(desktop->size() == 1 && desktop->front().type == QLatin1String(SystemProxy::kProxyTypeNone)))
            appendTypedEntries(list, *desktop);
        return list;
    }

    QString error;
    if (!fetchScript(settings.proxyAutoConfigURLString, error)) {
        LogFileManager::write(StringWithFormat(kLogMsgPacErr, error), 0, false);
        return list;
    }
    auto proxies = SystemProxy::copyProxiesForURL(targetUrl, &error);
    if (!proxies || proxies->empty()) {
        LogFileManager::write(
            StringWithFormat(kLogMsgPacErrLoadingInfo, error.isEmpty() ? QStringLiteral("(null)") : error), 0,
            false);
        return list;
    }
    appendTypedEntries(list, *proxies);
    return list;
}
