// Document upload and page download against the loopback web service: the
// upload's exact body, refusals, the page cache and its names, the waiting
// list, broken transfers that leave no file, and addresses that are not web
// addresses.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <condition_variable>

#include "docshare/DSFileDownloader.h"
#include "fixtures/WebServiceFixture.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "services/Common.h"

using quorix::test::WebReply;
using quorix::test::WebRequest;
using quorix::test::WebServiceFixture;

namespace {

struct Report {
    std::string what;
    std::optional<QString> path;
    std::optional<QVariantMap> info;
    int status, code;
    long http;
};

struct Recorder : DSFileDownloaderDelegate {
    std::vector<Report> reports;
    void finishUpload(const std::optional<QString>& url, int s, int c, long h) override {
        reports.push_back({"upload", url, std::nullopt, s, c, h});
    }
    void finishDownload(const std::optional<QString>& p, const std::optional<QVariantMap>& i, int s, int c,
                        long h) override {
        reports.push_back({"download", p, i, s, c, h});
    }
};

class DSFileDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        ASSERT_TRUE(web.start());
        downloader.setDelegate(&recorder);
        cache = *Common::getCommonAppDirectory(Common::kDirectoryDocumentSharing);
    }
    QString url(const std::string& path) const {
        return QString::fromStdString(web.baseUrl() + path.substr(1));
    }
    // Runs the main queue until `count` reports have arrived (generous bound).
    bool waitReports(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (recorder.reports.size() < count && std::chrono::steady_clock::now() < deadline)
            main->waitAndRunPending(std::chrono::milliseconds(200));
        return recorder.reports.size() >= count;
    }
    // Lets anything still on its way arrive.
    void settle() {
        for (int i = 0; i < 5; ++i) main->waitAndRunPending(std::chrono::milliseconds(100));
    }
    QStringList filesIn(const QString& dir) const {
        QStringList out;
        for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
            out << f.fileName();
        return out;
    }

    TemporaryHome home;
    ScopedManualDispatcher main;
    WebServiceFixture web;
    Recorder recorder;
    DSFileDownloader downloader;
    QString cache;
};

TEST_F(DSFileDownloaderTest, UploadSendsTheMultipartBodyByteForByte) {
    QTemporaryDir dir;
    const QString file = dir.filePath("slides.final.pdf");
    static const char kBytes[] = "%PDF-1.4\r\n\0\xff binary\r\n--";
    const QByteArray bytes(kBytes, sizeof kBytes - 1);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    web.setReply("/docshare/upload.php",
                 WebReply::text("http_post_file_succeeded:http://web.example/d/7/share.xml"));
    downloader.uploadFile(QUrl::fromLocalFile(file).toString(), url("/docshare/upload.php"));
    EXPECT_TRUE(downloader.isUploading());
    ASSERT_TRUE(waitReports(1));
    const Report& r = recorder.reports[0];
    EXPECT_EQ(r.what, "upload");
    EXPECT_EQ(r.path, QString("http://web.example/d/7/share.xml"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.http, 200);
    EXPECT_FALSE(downloader.isUploading());

    const auto requests = web.requestsFor("/docshare/upload.php");
    ASSERT_EQ(requests.size(), 1u);
    const WebRequest& req = requests[0];
    EXPECT_EQ(req.method, "POST");
    EXPECT_FALSE(req.header("user-agent").empty());
    const std::string type = req.header("content-type");
    const std::string prefix = "multipart/form-data; boundary=";
    ASSERT_EQ(type.rfind(prefix, 0), 0u) << type;
    const std::string boundary = type.substr(prefix.size());
    ASSERT_EQ(boundary.size(), 60u);
    EXPECT_EQ(boundary.substr(0, 20), std::string(20, '-'));
    EXPECT_EQ(boundary.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_"),
              std::string::npos);
    const std::string expected =
        "--" + boundary + "\r\n" +
        "Content-Disposition: form-data; name=\"file[]\"; filename=\"upload.pdf\"\r\n" +
        "Content-Type: application/octet-stream\r\n\r\n" + bytes.toStdString() + "\r\n--" + boundary +
        "--\r\n";
    EXPECT_EQ(req.body, expected);
}

TEST_F(DSFileDownloaderTest, UploadFailuresReportTheirTriples) {
    QTemporaryDir dir;
    const QString file = dir.filePath("a.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("hello");
    }
    web.setReply("/too-large", WebReply::binary("no", 413));
    web.setReply("/no-success", WebReply::text("http_post_file_failed:http://x/y"));
    web.setReply("/short", WebReply::text("http_post_file_succeeded:"));
    web.setReply("/closed", WebReply::closeWithoutReply());
    struct Case {
        const char* path;
        int status, code;
        long http;
    };
    const Case cases[] = {
        {"/too-large", 1, 2, 413}, {"/no-success", 1, 3, 0}, {"/short", 1, 3, 0}, {"/closed", 1, 3, 0}};
    for (const Case& c : cases) {
        recorder.reports.clear();
        downloader.uploadFile(file, url(c.path));
        ASSERT_TRUE(waitReports(1)) << c.path;
        settle();
        ASSERT_EQ(recorder.reports.size(), 1u) << c.path;  // nothing afterwards
        EXPECT_FALSE(recorder.reports[0].path);
        EXPECT_EQ(recorder.reports[0].status, c.status) << c.path;
        EXPECT_EQ(recorder.reports[0].code, c.code) << c.path;
        EXPECT_EQ(recorder.reports[0].http, c.http) << c.path;
    }
    recorder.reports.clear();
    downloader.uploadFile(dir.filePath("missing.pdf"), url("/too-large"));
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].status, 1);
    EXPECT_EQ(recorder.reports[0].code, 1);
}

TEST_F(DSFileDownloaderTest, PagesAreCachedAndACacheHitMakesNoRequest) {
    web.setReply("/conv/doc42/img/page1.png", WebReply::binary("PNG-1"));
    const QVariantMap info{{"pagecnt", "1"}};
    downloader.downloadDocument(url("/conv/doc42/img/page1.png"), info);
    EXPECT_TRUE(downloader.isBusy());
    ASSERT_TRUE(waitReports(1));
    const QString path = cache + "/doc42/page1.png";
    EXPECT_EQ(recorder.reports[0].path, path);
    EXPECT_EQ(recorder.reports[0].info, info);
    EXPECT_EQ(recorder.reports[0].status, 0);
    EXPECT_EQ(recorder.reports[0].http, 200);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "PNG-1");
    EXPECT_EQ(filesIn(cache + "/doc42"), QStringList{"page1.png"});  // no temporary file left

    web.clearRequests();
    downloader.downloadDocument(url("/conv/doc42/img/page1.png"), info);
    ASSERT_EQ(recorder.reports.size(), 2u);  // at once
    EXPECT_EQ(recorder.reports[1].path, path);
    EXPECT_EQ(recorder.reports[1].status, 0);
    EXPECT_EQ(recorder.reports[1].http, 0);
    EXPECT_TRUE(web.requests().empty());
    EXPECT_FALSE(downloader.isBusy());
}

TEST_F(DSFileDownloaderTest, TurningPagesDuringADownloadFetchesOnlyTheLastWaitingPage) {
    std::mutex mu;
    std::condition_variable cv;
    bool release = false;
    web.setHandler("/conv/d/img/p1.png", [&](const WebRequest&) {
        std::unique_lock lock(mu);
        cv.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        return WebReply::binary("one");
    });
    for (int i = 2; i <= 4; ++i)
        web.setReply("/conv/d/img/p" + std::to_string(i) + ".png",
                     WebReply::binary("page" + std::to_string(i)));
    downloader.downloadDocument(url("/conv/d/img/p1.png"), {});
    for (int i = 2; i <= 4; ++i)
        downloader.downloadDocument(url("/conv/d/img/p" + std::to_string(i) + ".png"), {});
    // The retry timer finds page 1 still running and waits again.
    main->advance(DSFileDownloader::kRetryFirst);
    EXPECT_TRUE(recorder.reports.empty());
    {
        std::lock_guard lock(mu);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(waitReports(1));
    EXPECT_EQ(recorder.reports[0].path, cache + "/d/p1.png");
    main->advance(DSFileDownloader::kRetryBusy);
    ASSERT_TRUE(waitReports(2));
    EXPECT_EQ(recorder.reports[1].path, cache + "/d/p4.png");
    settle();
    main->advance(DSFileDownloader::kRetryBusy);
    settle();
    EXPECT_EQ(recorder.reports.size(), 2u);
    std::vector<std::string> paths;
    for (const WebRequest& r : web.requests()) paths.push_back(r.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/conv/d/img/p1.png", "/conv/d/img/p4.png"}));
}

TEST_F(DSFileDownloaderTest, RefusedOrBrokenPageReportsFailureAndLeavesNoFile) {
    web.setReply("/conv/d/img/missing.png", WebReply::binary("gone", 404));
    web.setReply("/conv/d/img/reset.png", WebReply::resetMidBody(std::string(256 * 1024, 'x')));
    struct Case {
        const char* path;
        long http;
    };
    for (const Case& c : {Case{"/conv/d/img/missing.png", 404}, Case{"/conv/d/img/reset.png", 0}}) {
        recorder.reports.clear();
        downloader.downloadDocument(url(c.path), {{"pagecnt", "2"}});
        ASSERT_TRUE(waitReports(1)) << c.path;
        settle();
        ASSERT_EQ(recorder.reports.size(), 1u) << c.path;
        EXPECT_FALSE(recorder.reports[0].path);
        EXPECT_EQ(recorder.reports[0].status, 2) << c.path;
        EXPECT_EQ(recorder.reports[0].code, 2) << c.path;
        EXPECT_EQ(recorder.reports[0].http, c.http) << c.path;
        EXPECT_TRUE(recorder.reports[0].info);
        EXPECT_TRUE(filesIn(cache + "/d").isEmpty()) << filesIn(cache + "/d").join(",").toStdString();
    }
    // Asked again, the page is fetched again (nothing counts as cached).
    web.setReply("/conv/d/img/reset.png", WebReply::binary("whole"));
    recorder.reports.clear();
    downloader.downloadDocument(url("/conv/d/img/reset.png"), {});
    ASSERT_TRUE(waitReports(1));
    EXPECT_EQ(recorder.reports[0].status, 0);
    EXPECT_EQ(recorder.reports[0].http, 200);
}

TEST_F(DSFileDownloaderTest, CacheNamesStayInsideTheCache) {
    const QString root = QDir(cache).canonicalPath();
    const char* paths[] = {
        "/a/../../../x/p.png",
        "/conv/..%2F..%2Fevil/img/p.png",
        "/conv/%2E%2E/img/%2E%2E",
        "/conv/d/img/..%2F..%2Fp.png",
        "/p.png",
        "/img/p.png",
        "/conv/d%00x/img/p.png",
    };
    for (const char* p : paths) {
        const auto path = downloader.cachePath(url(p));
        ASSERT_TRUE(path) << p;
        const QString dir = downloader.createDownloadDirectory(url(p)).value_or(QString());
        ASSERT_FALSE(dir.isEmpty()) << p;
        EXPECT_TRUE(QDir(dir).canonicalPath().startsWith(root + "/")) << p << " -> " << dir.toStdString();
        EXPECT_EQ(QFileInfo(*path).absolutePath(), dir) << p;
        const QString name = QFileInfo(*path).fileName();
        EXPECT_NE(name, "..") << p;
        EXPECT_NE(name, ".") << p;
    }
    // A page whose name would climb out is fetched and kept inside.
    web.setReply("/conv/d/img/..%2F..%2Fp.png", WebReply::binary("inside"));
    downloader.downloadDocument(url("/conv/d/img/..%2F..%2Fp.png"), {});
    ASSERT_TRUE(waitReports(1));
    ASSERT_TRUE(recorder.reports[0].path);
    EXPECT_TRUE(QFileInfo(*recorder.reports[0].path).canonicalFilePath().startsWith(root + "/d/"));
    EXPECT_FALSE(QFileInfo::exists(cache + "/p.png"));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(cache).absolutePath() + "/p.png"));
}

TEST_F(DSFileDownloaderTest, OnlyWebAddressesAreFetched) {
    QTemporaryDir dir;
    QFile secret(dir.filePath("secret.xml"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write(WebServiceFixture::shareFileXml({"http://h/a/b/c.png"}).c_str());
    secret.close();
    const QString fileUrl = QUrl::fromLocalFile(secret.fileName()).toString();
    downloader.downloadDocument(fileUrl, {});
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].status, 2);
    EXPECT_EQ(recorder.reports[0].code, 1);
    EXPECT_FALSE(recorder.reports[0].path);
    // A share file named by a file address is not read either.
    downloader.downloadImage(std::make_shared<DSDocument>(fileUrl), 0);
    ASSERT_TRUE(waitReports(2));
    EXPECT_EQ(recorder.reports[1].status, 1);
    EXPECT_FALSE(recorder.reports[1].info);
}

TEST_F(DSFileDownloaderTest, ShareFileIsReadThenThePage) {
    web.setReply("/conv/d/share.xml",
                 WebReply::xml(WebServiceFixture::shareFileXml(
                     {url("/conv/d/img/p0.png").toStdString(), url("/conv/d/img/p1.png").toStdString()})));
    web.setReply("/conv/d/img/p1.png", WebReply::binary("P1"));
    web.setReply("/conv/e/share.xml", WebReply::xml(WebServiceFixture::shareFileXml({}, "12")));
    web.setReply("/conv/f/share.xml", WebReply::xml(WebServiceFixture::malformedXml()));
    auto doc = std::make_shared<DSDocument>(url("/conv/d/share.xml"));
    ASSERT_EQ(doc->type(), 1);
    downloader.downloadImage(doc, 1);
    ASSERT_TRUE(waitReports(1));
    const Report& r = recorder.reports[0];
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.path, cache + "/d/p1.png");
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->value("pagecnt"), "2");
    EXPECT_TRUE(web.requestsFor("/conv/d/share.xml")[0].header("user-agent").empty());
    // With the information kept in the document the share file is not read again.
    doc->updateDocument(r.path, r.info);
    web.clearRequests();
    downloader.downloadImage(doc, 1);
    ASSERT_EQ(recorder.reports.size(), 2u);
    EXPECT_TRUE(web.requests().empty());

    // A share file with an error number, and one that is not well-formed.
    downloader.downloadImage(std::make_shared<DSDocument>(url("/conv/e/share.xml")), 0);
    ASSERT_TRUE(waitReports(3));
    EXPECT_EQ(recorder.reports[2].status, 2);  // parsed, but names no page: no cache folder
    downloader.downloadImage(std::make_shared<DSDocument>(url("/conv/f/share.xml")), 0);
    ASSERT_TRUE(waitReports(4));
    EXPECT_EQ(recorder.reports[3].status, 1);
    EXPECT_FALSE(recorder.reports[3].info);
}

TEST_F(DSFileDownloaderTest, ShareFileThatNeverArrivesFailsAfterItsTimeOut) {
    web.setReply("/conv/s/share.xml", WebReply::stall());
    downloader.downloadImage(std::make_shared<DSDocument>(url("/conv/s/share.xml")), 0);
    settle();
    EXPECT_TRUE(recorder.reports.empty());  // the main thread was never blocked, nothing reported yet
    main->advance(DSFileDownloader::kShareFileTimeout);
    ASSERT_TRUE(waitReports(1));
    EXPECT_EQ(recorder.reports[0].status, 1);
    EXPECT_EQ(recorder.reports[0].code, 0);
}

TEST_F(DSFileDownloaderTest, CancelDropsTheRunningDownloadQuietly) {
    web.setReply("/conv/c/img/slow.png", WebReply::stall());
    web.setReply("/conv/c/img/next.png", WebReply::binary("N"));
    downloader.downloadDocument(url("/conv/c/img/slow.png"), {});
    downloader.cancel();
    // The stalled transfer ends on its cancel; nothing is reported for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (downloader.isBusy() && std::chrono::steady_clock::now() < deadline)
        main->waitAndRunPending(std::chrono::milliseconds(100));
    EXPECT_FALSE(downloader.isBusy());
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_TRUE(filesIn(cache + "/c").isEmpty());
    downloader.downloadDocument(url("/conv/c/img/next.png"), {});
    ASSERT_TRUE(waitReports(1));
    EXPECT_EQ(recorder.reports[0].status, 0);
    EXPECT_EQ(recorder.reports[0].path, cache + "/c/next.png");
}

}  // namespace
