// Moves the documents of a share: uploads a local document to the web
// service, which converts it and answers with the address of its share file,
// and downloads the image of one page of a page-image document into the page
// cache ("DocumentSharing" of the per-user data folder, a subfolder per
// document), where pages stay by name and are never fetched twice.
//
// Called on the main thread; every transfer runs on a worker (libcurl through
// WebAccess) with a state of its own, and every result reaches the delegate on
// the main thread. Only http and https addresses are fetched. A page is written
// under a temporary name and renamed once it is complete, so a broken transfer
// never leaves a file that would later count as cached.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "docshare/DSDocument.h"

struct DSFileDownloadInfo {
    QString url;               // the page image
    QVariantMap downloadInfo;  // the share-file information
};

class DSFileDownloaderDelegate {
public:
    virtual ~DSFileDownloaderDelegate() = default;
    // status 0 code 0: uploaded (the new document's address); status 1: code 1 the
    // file cannot be read, code 2 the reply's status was 400 to 599, code 3 the
    // reply is no success text or there was none.
    virtual void finishUpload(const std::optional<QString>& /*url*/, int /*status*/, int /*code*/,
                              long /*httpStatus*/) {}
    // status 0: the page file is there; 1: the share file cannot be fetched or read
    // (code: its "ErrorNo"); 2: code 1 no cache folder, code 2 the page was refused
    // (400 to 599) or its transfer broke off.
    virtual void finishDownload(const std::optional<QString>& /*path*/,
                                const std::optional<QVariantMap>& /*info*/, int /*status*/, int /*errCode*/,
                                long /*httpStatus*/) {}
};

class DSFileDownloader {
public:
    // The share file must arrive within this time.
    static constexpr std::chrono::milliseconds kShareFileTimeout{10000};
    static constexpr std::chrono::milliseconds kTransferTimeout{10000};
    static constexpr std::chrono::milliseconds kRetryFirst{1000};
    static constexpr std::chrono::milliseconds kRetryBusy{5000};

    DSFileDownloader();
    ~DSFileDownloader();
    DSFileDownloader(const DSFileDownloader&) = delete;
    DSFileDownloader& operator=(const DSFileDownloader&) = delete;

    void uploadFile(const QString& filePath, const QString& uploadUrl);
    // Makes page k (from 0) of a page-image document available; reads its share
    // file first when the document has no information yet.
    void downloadImage(const DSDocumentRef& document, int pageCount);
    void downloadDocument(const QString& url, const QVariantMap& downloadInfo);
    void cancel();

    // Reads the share-file XML; true when it parsed without an error.
    static bool parseXML(const QByteArray& data, QVariantMap& shareFileInfo);
    // The page's cache folder, made when missing; none when it cannot be made.
    std::optional<QString> createDownloadDirectory(const QString& url) const;
    // The page's file in the cache (none when there is no cache).
    std::optional<QString> cachePath(const QString& url) const;

    // The multipart body of an upload (exposed for its exact bytes).
    static QByteArray multipartBody(const QByteArray& boundary, const QString& fileName,
                                    const QByteArray& bytes);
    static QByteArray makeBoundary();

    DSFileDownloaderDelegate* delegate() const { return delegate_; }
    void setDelegate(DSFileDownloaderDelegate* delegate) { delegate_ = delegate; }
    const std::optional<QVariantMap>& downloadInfo() const { return downloadInfo_; }
    bool isBusy() const { return busy_; }
    bool isUploading() const { return uploading_; }

private:
    struct Transfer;
    void startDownload(const QString& url, const QString& path);
    void finishPage(const std::shared_ptr<Transfer>& t);
    void finishUploadTransfer(const std::shared_ptr<Transfer>& t);
    void finishShareFile(const std::shared_ptr<Transfer>& t, int page);
    void startTimer(std::chrono::milliseconds delay);
    void timerFired();
    void endDownload();

    DSFileDownloaderDelegate* delegate_ = nullptr;
    std::optional<QVariantMap> downloadInfo_;
    bool busy_ = false;
    bool uploading_ = false;
    bool cancelRequested_ = false;
    QList<DSFileDownloadInfo> waiting_;
    bool timerRunning_ = false;
    std::uint64_t timerGeneration_ = 0;
    std::shared_ptr<Transfer> download_;
    std::shared_ptr<Transfer> upload_;
    std::shared_ptr<DSFileDownloader*> self_;
};
