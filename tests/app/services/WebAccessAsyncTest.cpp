#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <chrono>

#include "fixtures/WebServiceFixture.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/NotificationCenter.h"
#include "services/Common.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

namespace {

struct Recorder : WebAccessDelegate {
    struct Load {
        long status;
        QString errDetail;
        QByteArray data;
        int errCode;
    };
    struct Download {
        QString path;
        long status;
    };
    void WebAccessDidFinishloadRequest(WebAccess&, long status, const QString& errDetail,
                                       const QByteArray& data, int errCode) override {
        loads.push_back({status, errDetail, data, errCode});
    }
    void WebAccessDidFinishLoading(WebAccess&, const QString& path, long status) override {
        downloads.push_back({path, status});
    }
    std::vector<Load> loads;
    std::vector<Download> downloads;
};

class WebAccessAsyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start());
        access->setDelegate(&recorder);
        for (const char* name : {"webaccess_fifnish_load_req", "webaccess_fifnish_load"}) {
            NotificationCenter::defaultCenter().addObserver(
                this, name, [this](const Notification& n) { notes.push_back(n); });
        }
    }
    void TearDown() override { NotificationCenter::defaultCenter().removeObserver(this); }

    QString url(const char* path) const { return QString::fromStdString(server.baseUrl()) + path; }
    // Runs the main queue until the delegate heard something (or a few seconds passed).
    void runUntilReported() {
        const size_t before = reported;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (recorder.loads.size() + recorder.downloads.size() == before &&
               std::chrono::steady_clock::now() < deadline)
            dispatcher->waitAndRunPending(std::chrono::milliseconds(20));
        reported = recorder.loads.size() + recorder.downloads.size();
    }
    QString folder() const { return *Common::getCommonAppDirectory(Common::kDirectoryDocumentSharing); }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    WebServiceFixture server;
    Recorder recorder;
    std::unique_ptr<WebAccess> access = std::make_unique<WebAccess>();
    std::vector<Notification> notes;
    size_t reported = 0;
};

TEST_F(WebAccessAsyncTest, LoadIntoMemoryReportsDataAndStatus) {
    server.setReply("/doc.xml", WebReply::xml("<SharFileInfo/>"));
    access->loadRequest(url("doc.xml"));
    runUntilReported();
    ASSERT_EQ(recorder.loads.size(), 1u);
    EXPECT_EQ(recorder.loads[0].status, 200);
    EXPECT_EQ(recorder.loads[0].data, "<SharFileInfo/>");
    EXPECT_EQ(recorder.loads[0].errCode, 0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].name, "webaccess_fifnish_load_req");
    EXPECT_EQ(notes[0].userInfo.value("KeyHttpStatus").toLongLong(), 200);
    EXPECT_EQ(notes[0].userInfo.value("KeyErrCode").toInt(), 0);
    EXPECT_EQ(server.requests().at(0).header("user-agent"), QuorixUtils::GetAppUserAgent().toStdString());
    EXPECT_FALSE(access->loadingNowStat());
}

TEST_F(WebAccessAsyncTest, ErrorStatusEndsTheTransferAtOnce) {
    server.setReply("/fail", WebReply::status500("<html>error page</html>"));
    access->loadRequest(url("fail"));
    runUntilReported();
    dispatcher->runPending();
    ASSERT_EQ(recorder.loads.size(), 1u);
    EXPECT_EQ(recorder.loads[0].status, 500);
    EXPECT_TRUE(recorder.loads[0].data.isEmpty());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].userInfo.value("KeyHttpStatus").toLongLong(), 500);
    EXPECT_EQ(notes[0].userInfo.value("KeyErrDetail").toString(), "");

    server.setReply("/missing.pdf", WebReply{WebReply::Kind::Normal, 404, "text/plain", "gone"});
    access->fileDownload(url("missing.pdf"));
    runUntilReported();
    ASSERT_EQ(recorder.downloads.size(), 1u);
    EXPECT_EQ(recorder.downloads[0].status, 404);
    EXPECT_FALSE(QFile::exists(folder() + "/missing.pdf"));
}

TEST_F(WebAccessAsyncTest, DownloadWritesTheDocumentIntoTheSharingFolder) {
    const QByteArray pdf(200000, 'p');
    server.setReply("/files/doc%20one.pdf",
                    WebReply{WebReply::Kind::Normal, 200, "application/pdf", pdf.toStdString()});
    access->fileDownload(url("files/doc%20one.pdf"));
    runUntilReported();
    ASSERT_EQ(recorder.downloads.size(), 1u);
    EXPECT_EQ(recorder.downloads[0].status, 200);
    EXPECT_EQ(recorder.downloads[0].path, folder() + "/doc one.pdf");
    QFile file(folder() + "/doc one.pdf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), pdf);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].name, "webaccess_fifnish_load");
    EXPECT_EQ(notes[0].userInfo.value("KeyFilePath").toString(), folder() + "/doc one.pdf");
    EXPECT_FALSE(access->fileDownloadNow());
}

// A server that closes the connection halfway through the body leaves no
// partial document behind, and the download is reported without a file.
TEST_F(WebAccessAsyncTest, DownloadCutOffMidBodyLeavesNoFileAndReportsNone) {
    server.setReply("/files/cut.pdf", WebReply::resetMidBody(std::string(512 * 1024, 'c')));
    access->fileDownload(url("files/cut.pdf"));
    runUntilReported();
    ASSERT_EQ(recorder.downloads.size(), 1u);
    EXPECT_TRUE(recorder.downloads[0].path.isEmpty()) << recorder.downloads[0].path.toStdString();
    EXPECT_FALSE(QFile::exists(folder() + "/cut.pdf"));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].name, "webaccess_fifnish_load");
    EXPECT_EQ(notes[0].userInfo.value("KeyFilePath").toString(), QString());
    EXPECT_FALSE(access->fileDownloadNow());
}

TEST_F(WebAccessAsyncTest, DownloadNamesNeverLeaveTheFolder) {
    server.setReply("/../../evil.sh", WebReply::text("x"));
    server.setReply("/a/..%2F..%2Fevil.sh", WebReply::text("x"));
    access->fileDownload(url("a/..%2F..%2Fevil.sh"));
    runUntilReported();
    ASSERT_EQ(recorder.downloads.size(), 1u);
    EXPECT_EQ(QFileInfo(recorder.downloads[0].path).absolutePath(), folder());

    // An address without a file name cannot be downloaded.
    notes.clear();
    access->fileDownload(url(""));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].userInfo.value("KeyErrCode").toInt(), -120);
    EXPECT_EQ(notes[0].userInfo.value("KeyErrDetail").toString(),
              LocalizedFormat("dfDOCSHARE_UPLOAD_FAIL", "-2"));
}

TEST_F(WebAccessAsyncTest, CancelEndsQuietly) {
    server.setReply("/stall.pdf", WebReply::stall());
    access->fileDownload(url("stall.pdf"));
    access->downloadCancel();
    dispatcher->waitAndRunPending(std::chrono::milliseconds(200));
    EXPECT_TRUE(recorder.downloads.empty());
    EXPECT_TRUE(notes.empty());

    // A pending cancel swallows the next download request, then it is gone.
    server.clearRequests();
    access->fileDownload(url("stall.pdf"));
    EXPECT_FALSE(access->cancelReq());
    EXPECT_TRUE(server.requests().empty());

    // Destroying the object mid-transfer reports nothing and touches nothing.
    server.setReply("/slow.xml", WebReply::xml("<a/>"));
    access->loadRequest(url("slow.xml"));
    access.reset();
    dispatcher->waitAndRunPending(std::chrono::milliseconds(200));
    EXPECT_TRUE(recorder.loads.empty());
}

TEST_F(WebAccessAsyncTest, UploadSendsThePreparedRequest) {
    server.setReply("/upload.php", WebReply::text("RESULT=0"));
    URLRequest request = WebAccess::CreateRequest(url("upload.php"));
    request.HTTPMethod = "POST";
    request.setValue("multipart/form-data; boundary=XyZ", "Content-Type");
    request.HTTPBody = "--XyZ\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nabc\r\n--XyZ--\r\n";
    access->multipartUpload(request);
    runUntilReported();
    ASSERT_EQ(recorder.loads.size(), 1u);
    EXPECT_EQ(recorder.loads[0].data, "RESULT=0");
    auto reqs = server.requestsFor("/upload.php");
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].method, "POST");
    EXPECT_EQ(reqs[0].body, request.HTTPBody.toStdString());
    EXPECT_EQ(reqs[0].header("content-type"), "multipart/form-data; boundary=XyZ");
    EXPECT_EQ(reqs[0].header("user-agent"), QuorixUtils::GetAppUserAgent().toStdString());
}

TEST_F(WebAccessAsyncTest, LoadByConnectionRunsOnTheMainQueue) {
    server.setReply("/doc.xml", WebReply::xml("<a/>"));
    access->loadRequestByConnection(url("doc.xml"));
    EXPECT_TRUE(server.requests().empty());  // not before the main queue ran
    runUntilReported();
    ASSERT_EQ(recorder.loads.size(), 1u);

    access->downloadCancel();
    server.clearRequests();
    access->loadRequestByConnection(url("doc.xml"));
    dispatcher->waitAndRunPending(std::chrono::milliseconds(100));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(access->cancelReq());
}

}  // namespace
