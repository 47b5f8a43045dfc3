#include "docshare/DSDocument.h"

#include <QUrl>

DSDocument::DSDocument(const QString& url) : DSDocument(url, std::nullopt, std::nullopt) {}

DSDocument::DSDocument(const QString& url, const std::optional<QString>& filePath,
                       const std::optional<QVariantMap>& documentInfo)
    : documentUrl_(url), type_(typeForUrl(url)), filePath_(filePath), documentInfo_(documentInfo) {}

std::int64_t DSDocument::typeForUrl(const QString& url) {
    const QString path = QUrl(url).path();
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString last = path.mid(slash + 1);
    const qsizetype dot = last.lastIndexOf(u'.');
    return dot > 0 && last.mid(dot + 1) == u"xml" ? 1 : 0;
}

void DSDocument::updateDocument(const std::optional<QString>& filePath,
                                const std::optional<QVariantMap>& documentInfo) {
    std::lock_guard lock(mutex_);
    filePath_ = filePath;
    documentInfo_ = documentInfo;
}

std::optional<QString> DSDocument::filePath() const {
    std::lock_guard lock(mutex_);
    return filePath_;
}

std::optional<QVariantMap> DSDocument::documentInfo() const {
    std::lock_guard lock(mutex_);
    return documentInfo_;
}
