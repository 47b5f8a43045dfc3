// One shared document: a web page (type 0) or a page-image document whose
// address names its share file (type 1: the address's path ends in ".xml").
// Shared by reference between the model and the windows; the file path and the
// share-file information may change later (from the main thread), each read
// answers a copy.
#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class DSDocument {
public:
    explicit DSDocument(const QString& url);
    DSDocument(const QString& url, const std::optional<QString>& filePath,
               const std::optional<QVariantMap>& documentInfo);
    DSDocument(const DSDocument&) = delete;
    DSDocument& operator=(const DSDocument&) = delete;

    // Replaces the local file and the share-file information.
    void updateDocument(const std::optional<QString>& filePath,
                        const std::optional<QVariantMap>& documentInfo);

    const QString& documentUrl() const { return documentUrl_; }
    std::optional<QString> filePath() const;
    std::optional<QVariantMap> documentInfo() const;
    std::int64_t type() const { return type_; }

    // 1 when the address's path extension is "xml" (case-sensitive), else 0.
    static std::int64_t typeForUrl(const QString& url);

private:
    const QString documentUrl_;
    const std::int64_t type_;
    mutable std::mutex mutex_;
    std::optional<QString> filePath_;
    std::optional<QVariantMap> documentInfo_;
};

using DSDocumentRef = std::shared_ptr<DSDocument>;
Q_DECLARE_METATYPE(DSDocumentRef)
