// Sharing a local file from the document-sharing window: the size limit, the
// upload address, the conversion of office documents to PDF (a fake script,
// and LibreOffice itself), the progress window and the upload to the loopback
// document service, whose new document is announced and its first page shown.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <atomic>

#include "DocShareWindowTestSupport.h"
#include "docshare/DSNotificator.h"
#include "docshare/DocShareWindowController.h"
#include "fixtures/WebServiceFixture.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "services/Common.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

namespace {

QMessageBox* alertOn(QWidget* window) {
    for (QMessageBox* box : window->findChildren<QMessageBox*>())
        if (box->isVisible()) return box;
    return nullptr;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    f.write(bytes);
    return path;
}

// A conversion script that writes what the test says, or fails.
struct FakeScript : ConversionScript {
    std::optional<QByteArray> writes;  // none: writes nothing
    std::optional<ScriptErrorInfo> error;
    std::vector<std::pair<QString, QString>>* calls;
    void convertPdf(const QString& doc, const QString& pdf, Completion done) override {
        calls->push_back({doc, pdf});
        if (writes) writeFile(pdf, *writes);
        mainQueue().async([done, e = error] { done(e); });
    }
};

class DocShareFileSharingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureDocShareApplication();
        ASSERT_TRUE(web.start());
        ASSERT_TRUE(files.isValid());
    }
    void TearDown() override { ConversionScript::setFactory(nullptr); }

    std::unique_ptr<DocShareWindowController> makeWindow(const QString& loginUrl, const QString& hostUrl = {},
                                                         int maxMiB = 5) {
        DocShareParams p;
        p.rect = QRectF(100, 100, 800, 600);
        p.loginUrl = loginUrl;
        p.hostUrl = hostUrl;
        p.maxUploadSize = maxMiB;
        p.defaultUrl = "http://start.example/";
        p.dsData = &data;
        p.delegate = &manager;
        p.notificator = &notificator;
        p.makeWebPageView = [] { return std::make_unique<FakeWebPageView>(); };
        data.setIsStarted(true);
        data.setHasOperationRight(true);
        auto w = std::make_unique<DocShareWindowController>(std::move(p));
        // What the new window itself shares (its start page) is not the test's.
        processEventsFor(50);
        documentsBefore = data.documents().size();
        manager.calls.clear();
        return w;
    }
    QString service() const { return QString::fromStdString(web.baseUrl()) + "client/100.php"; }
    // Scripts of the test: `script` answers every resource name that has one.
    void useScripts(std::function<std::optional<ConversionScript::Loaded>()> make) {
        ConversionScript::setFactory([make](const QString& name) {
            scriptNames().push_back(name);
            return make();
        });
    }
    static std::vector<QString>& scriptNames() {
        static std::vector<QString> names;
        return names;
    }
    bool waitUploads(size_t n, int ms = 30000) {
        return processEventsUntil([&] { return web.uploads().size() >= n; }, ms);
    }

    TemporaryHome home;
    WebServiceFixture web;
    QTemporaryDir files;
    DocShareData data;
    DSNotificator notificator;
    RecordingManager manager;
    qsizetype documentsBefore = 0;
};

TEST_F(DocShareFileSharingTest, TheSizeLimitAcceptsExactlyItsBytes) {
    web.serveDocumentUploads("/client/uploader/");
    struct Case {
        qint64 size;
        bool accepted;
    } cases[] = {{5 * 1048576, true}, {5 * 1048576 + 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        auto w = makeWindow(service());
        const size_t before = web.uploads().size();
        const QString file =
            writeFile(files.filePath(QString("big%1.pdf").arg(c.size)), QByteArray(c.size, 'x'));
        w->shareFile(QUrl::fromLocalFile(file).toString());
        if (c.accepted) {
            EXPECT_NE(w->progressIndicatorWindow(), nullptr);
            ASSERT_TRUE(waitUploads(before + 1));
            EXPECT_EQ(web.uploads().back().bytes.size(), size_t(c.size));
        } else {
            EXPECT_EQ(w->progressIndicatorWindow(), nullptr);
            ASSERT_TRUE(processEventsUntil([&] { return alertOn(w->window()) != nullptr; }));
            EXPECT_EQ(alertOn(w->window())->informativeText().toStdString(),
                      "The file is too large. Files up to 5242880 bytes can be shared.");
            processEventsFor(300);
            EXPECT_EQ(web.uploads().size(), before);
        }
        ASSERT_TRUE(processEventsUntil([&] { return w->progressIndicatorWindow() == nullptr; }));
    }
}

TEST_F(DocShareFileSharingTest, TheUploadAddressComesFromTheServiceAddressOrTheRoomsHost) {
    struct Case {
        const char* login;
        const char* base;
    } cases[] = {
        {"http://h.example/dir/100.php", "http://h.example/dir"},
        {"http://h.example/dir/index.php", "http://h.example/dir/"},
        {"http://h.example", "http://h.example"},
        {"http://h.example/dir/", "http://h.example/dir/"},
        {"http://h.example/100.php", "http://h.example"},
        {"https://h.example/a.b/c", "https://h.example/a.b/c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DocShareController::uploadBaseUrl(c.login).toStdString(), c.base) << c.login;

    // Where the upload really goes: base + "/uploader/", or the room's host unchanged.
    const QString base = QString::fromStdString(web.baseUrl());
    struct Post {
        QString login, host;
        std::string path;
    } posts[] = {{base + "dir/100.php", "", "/dir/uploader/"},
                 {base + "dir/index.php", "", "/dir//uploader/"},
                 {base + "x/100.php", base + "elsewhere/up.php", "/elsewhere/up.php"}};
    const QString file = writeFile(files.filePath("a.pdf"), "%PDF-1.4 tiny");
    for (const Post& p : posts) {
        web.serveDocumentUploads(p.path);
        auto w = makeWindow(p.login, p.host);
        const size_t before = web.uploads().size();
        w->shareFile(QUrl::fromLocalFile(file).toString());
        ASSERT_TRUE(waitUploads(before + 1)) << p.path;
        EXPECT_EQ(web.requestsFor(p.path).size(), 1u) << p.path;
        // The stored service address stays trimmed.
        EXPECT_EQ(w->loginUrl(), DocShareController::uploadBaseUrl(p.login));
        ASSERT_TRUE(processEventsUntil([&] { return manager.calls.size() >= 1; }));
        manager.calls.clear();
    }
}

TEST_F(DocShareFileSharingTest, AnUploadedDocumentIsAnnouncedAndItsFirstPageShownEvenAfterCancel) {
    // The service holds its answer until the test lets it go.
    std::atomic<bool> release{false};
    web.setHandler("/client/uploader/", [&](const quorix::test::WebRequest&) {
        for (int i = 0; i < 3000 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return WebReply::text("http_post_file_succeeded:" + web.baseUrl() + "conv/u1/share.xml");
    });
    web.setReply("/conv/u1/share.xml",
                 WebReply::xml(WebServiceFixture::shareFileXml(
                     {web.baseUrl() + "conv/u1/p0.bmp", web.baseUrl() + "conv/u1/p1.bmp"})));
    web.setReply("/conv/u1/p0.bmp", WebReply::binary(WebServiceFixture::plainBmp(320, 240, 200, 40, 40)));
    auto w = makeWindow(service());
    const QString file = writeFile(files.filePath("notes.txt"), "some notes\n");
    w->showWindow();
    w->shareFile(QUrl::fromLocalFile(file).toString());
    ProgressIndicatorWindow* progress = w->progressIndicatorWindow();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return !web.requestsFor("/client/uploader/").empty(); }));
    // Cancel closes the window only.
    progress->cancelButton()->click();
    EXPECT_EQ(w->progressIndicatorWindow(), nullptr);
    release = true;
    const std::string announced = "updateDocument " + web.baseUrl() + "conv/u1/share.xml 0";
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return std::find(manager.calls.begin(), manager.calls.end(), announced) != manager.calls.end();
        },
        30000));
    ASSERT_EQ(data.documents().size(), documentsBefore + 1);
    EXPECT_EQ(data.currentFileNumber(), documentsBefore);
    EXPECT_EQ(data.getCurrentDocument()->type(), 1);
    EXPECT_EQ(data.sharedSize(), w->window()->frame().size());
    ASSERT_TRUE(processEventsUntil([&] { return !w->contentImage().isNull(); }, 30000));
    EXPECT_EQ(w->contentImage().pixelColor(10, 10), QColor(200, 40, 40));
    EXPECT_EQ(w->dispMode(), 1);
    EXPECT_EQ(alertOn(w->window()), nullptr);
}

TEST_F(DocShareFileSharingTest, AFailedUploadSaysSoAndAddsNothing) {
    web.setReply("/client/uploader/", WebReply::binary("too big", 413));
    auto w = makeWindow(service());
    const QString file = writeFile(files.filePath("a.png"), "png bytes");
    w->shareFile(QUrl::fromLocalFile(file).toString());
    ASSERT_TRUE(processEventsUntil([&] { return alertOn(w->window()) != nullptr; }, 30000));
    EXPECT_EQ(alertOn(w->window())->informativeText(), LocalizedString("dfERROR_WEBACCESS_IMAGEGET1"));
    ASSERT_TRUE(processEventsUntil([&] { return w->progressIndicatorWindow() == nullptr; }));
    EXPECT_EQ(data.documents().size(), documentsBefore);
    EXPECT_TRUE(manager.calls.empty());
}

TEST_F(DocShareFileSharingTest, OfficeDocumentsAreConvertedAndOnlyANewPdfIsUploaded) {
    web.serveDocumentUploads("/client/uploader/");
    const QString folder = *Common::getCommonAppDirectory(Common::kDirectoryDocumentSharing);
    const QString pdf = folder + "/tmp_doc.pdf";
    std::vector<std::pair<QString, QString>> calls;
    struct Case {
        const char* file;
        std::optional<QByteArray> writes;      // what the script writes
        std::optional<ScriptErrorInfo> error;  // what it reports
        bool loadFails;
        const char* script;        // the resource asked for ("" none)
        const char* uploadedName;  // "" nothing uploaded
        const char* uploadedBytes;
        const char* alertTitle;  // "" no alert
        const char* alertCode;
    } cases[] = {
        {"report.docx", QByteArray("%PDF new"), std::nullopt, false, "changePDF_doc", "upload.pdf",
         "%PDF new", "", ""},
        {"sheet.xlsx", QByteArray("%PDF sheet"), std::nullopt, false, "changePDF_xls", "upload.pdf",
         "%PDF sheet", "", ""},
        // The script succeeds but writes nothing: the earlier PDF is not taken.
        {"slides.pptx", std::nullopt, std::nullopt, false, "changePDF_pptx", "", "", "-2", "-2"},
        {"slides.key", std::nullopt, ScriptErrorInfo{-1708, QString("Office"), "no handler"}, false,
         "changePDF_k", "", "", "-1708,Office", "-2"},
        // No converter installed.
        {"old.doc", std::nullopt, std::nullopt, true, "changePDF_doc", "", "", "127,soffice", "-1"},
        // Upper case is no office type: uploaded as it is.
        {"REPORT.DOCX", std::nullopt, std::nullopt, false, "", "upload.DOCX", "word bytes", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // The PDF of an earlier document is still there.
        writeFile(pdf, "%PDF stale");
        scriptNames().clear();
        calls.clear();
        useScripts([&c, &calls]() -> std::optional<ConversionScript::Loaded> {
            ConversionScript::Loaded loaded;
            if (c.loadFails) {
                loaded.error = ScriptErrorInfo{127, QString("soffice"), "missing"};
                return loaded;
            }
            auto s = std::make_unique<FakeScript>();
            s->writes = c.writes;
            s->error = c.error;
            s->calls = &calls;
            loaded.script = std::move(s);
            return loaded;
        });
        auto w = makeWindow(service());
        const size_t before = web.uploads().size();
        const QString file = writeFile(files.filePath(c.file), "word bytes");
        w->shareFile(QUrl::fromLocalFile(file).toString());
        EXPECT_EQ(scriptNames(),
                  std::string(c.script).empty() ? std::vector<QString>{} : std::vector<QString>{c.script});
        if (*c.uploadedName) {
            ASSERT_TRUE(waitUploads(before + 1));
            EXPECT_EQ(web.uploads().back().fileName, c.uploadedName);
            EXPECT_EQ(web.uploads().back().bytes, c.uploadedBytes);
            if (!calls.empty()) {
                EXPECT_EQ(calls[0].first, file);
                EXPECT_EQ(calls[0].second, pdf);
            }
        } else {
            ASSERT_TRUE(processEventsUntil([&] { return alertOn(w->window()) != nullptr; }));
            QMessageBox* box = alertOn(w->window());
            EXPECT_EQ(box->text().toStdString(), c.alertTitle);
            EXPECT_EQ(box->informativeText(),
                      LocalizedFormat("dfDOCSHARE_UPLOAD_FAIL", QString(c.alertCode)));
            box->accept();
            processEventsFor(300);
            EXPECT_EQ(web.uploads().size(), before);
        }
        ASSERT_TRUE(processEventsUntil([&] { return w->progressIndicatorWindow() == nullptr; }, 30000));
        processEventsUntil([&] { return !manager.calls.empty() || !*c.uploadedName; }, 10000);
        manager.calls.clear();
    }
}

TEST_F(DocShareFileSharingTest, TheFileDialogOffersTheShareableTypesAndSharesTheChosenFile) {
    web.serveDocumentUploads("/client/uploader/");
    auto w = makeWindow(service());
    w->showWindow();
    w->onClickToolbarItem("id_docshare_tool_share");
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(processEventsUntil([&] {
        dialog = w->window()->findChild<QFileDialog*>("docShareFileDialog");
        return dialog && dialog->isVisible();
    }));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->nameFilters().join(";").toStdString(),
              "*.xlsx *.xls *.doc *.docx *.ppt *.pptx *.pdf *.gif *.jpg *.jpeg *.png *.txt *.rtf *.pages "
              "*.numbers *.key");
    const QString file = writeFile(files.filePath("picked.gif"), "GIF89a");
    dialog->selectFile(file);
    static_cast<QDialog*>(dialog)->accept();
    ASSERT_TRUE(waitUploads(1));
    EXPECT_EQ(web.uploads()[0].fileName, "upload.gif");
}

TEST_F(DocShareFileSharingTest, TheProgressWindowShowsItsSpinnerTextAndCancelButton) {
    auto w = makeWindow(service());
    w->displayProgressIndicatorWindow();
    ProgressIndicatorWindow* p = w->progressIndicatorWindow();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->level(), ProgressIndicatorWindow::kLevel);
    EXPECT_EQ(p->title(), MainBundle::name());
    EXPECT_EQ(p->styleMask(), unsigned(WindowStyleTitled));
    const QRectF screen = Window::mainScreenFrame();
    const QRectF frame = p->frame();
    EXPECT_NEAR(frame.center().x(), screen.center().x(), 1.0);
    EXPECT_NEAR(frame.width(), 445.5, 1.0);
    EXPECT_NEAR(p->contentView()->height(), 100, 1.0);
    EXPECT_EQ(p->textView()->text(), LocalizedString("dfUPLOADFILES"));
    EXPECT_EQ(p->cancelButton()->text(), LocalizedString("dfCANCEL"));
    EXPECT_EQ(p->indicator()->size(), QSize(50, 50));
    // Spinner, text and button stand in one row, left to right, inside the window.
    const QRect s = p->indicator()->geometry(), t = p->textView()->geometry(),
                b = p->cancelButton()->geometry();
    EXPECT_EQ(s.left(), 10);
    EXPECT_EQ(t.left(), s.right() + 1 + 10);
    EXPECT_EQ(b.left(), t.right() + 1 + 10);
    EXPECT_LE(b.right(), p->contentView()->width());
    EXPECT_NEAR(s.center().y(), 50, 1);
    // The text and the button stand on the same line, 12.5 below the middle.
    EXPECT_NEAR(b.bottom() + 1, 62.5, 1);
    EXPECT_NEAR(t.bottom() + 1, 62.5, 1);

    const QImage picture = p->contentView()->grab().toImage();
    picture.save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/docshare-progress.png"));
    // The spinner draws its strokes, and the text is drawn where it stands.
    const auto hasInk = [&picture](const QRect& r) {
        const QColor back = picture.pixelColor(r.left(), r.top());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (picture.pixelColor(x, y) != back) return true;
        return false;
    };
    EXPECT_TRUE(hasInk(s));
    EXPECT_TRUE(hasInk(t));
    // A second window replaces the first; closing the document window closes it.
    w->displayProgressIndicatorWindow();
    EXPECT_NE(w->progressIndicatorWindow(), nullptr);
    w->close();
    EXPECT_EQ(w->progressIndicatorWindow(), nullptr);
}

// ---- LibreOffice ----

class OfficeConversionTest : public DocShareFileSharingTest {};

TEST_F(OfficeConversionTest, TheConverterReportsWhatWentWrong) {
    const QString sleeper = writeFile(files.filePath("sleeper.sh"), "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(sleeper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString doc = writeFile(files.filePath("a.docx"), "x");
    struct Case {
        QString program;
        std::chrono::milliseconds timeout;
        int number;
    } cases[] = {
        {files.filePath("no-such-converter"), std::chrono::milliseconds(60000),
         OfficeConversionScript::kConverterMissing},
        {"/bin/false", std::chrono::milliseconds(60000), OfficeConversionScript::kConversionFailed},
        {"/bin/true", std::chrono::milliseconds(60000),
         OfficeConversionScript::kConversionFailed},  // writes nothing
        {sleeper, std::chrono::milliseconds(300), OfficeConversionScript::kTimedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        OfficeConversionScript script(c.program, c.timeout);
        std::optional<std::optional<ScriptErrorInfo>> result;
        script.convertPdf(doc, files.filePath("out.pdf"),
                          [&](const std::optional<ScriptErrorInfo>& e) { result = e; });
        ASSERT_TRUE(processEventsUntil([&] { return result.has_value(); }, 20000));
        ASSERT_TRUE(result->has_value());
        EXPECT_EQ((*result)->number, c.number);
        EXPECT_FALSE(QFileInfo::exists(files.filePath("out.pdf")));
    }
}

TEST_F(OfficeConversionTest, AWordDocumentWithAnAwkwardNameIsConvertedAndUploadedAsPdf) {
    const auto soffice = OfficeConversionScript::findConverter();
    if (!soffice) GTEST_SKIP() << "LibreOffice is not installed (scripts/install-deps.sh)";
    // The test makes its Word document from a text file with LibreOffice.
    const QString text = writeFile(files.filePath("source.txt"), "Quarterly figures\nPage one text\n");
    QProcess make;
    make.start(*soffice,
               {"--headless", "--norestore",
                "-env:UserInstallation=" + QUrl::fromLocalFile(files.filePath("profile")).toString(),
                "--convert-to", "docx", "--outdir", files.filePath("made"), text});
    ASSERT_TRUE(make.waitForFinished(180000));
    const QString docx = files.filePath(R"(-x "a b".docx)");
    ASSERT_TRUE(QFile::rename(files.filePath("made/source.docx"), docx));

    web.serveDocumentUploads("/client/uploader/");
    auto w = makeWindow(service());
    w->shareFile(QUrl::fromLocalFile(docx).toString());
    ASSERT_TRUE(waitUploads(1, 240000));
    const auto upload = web.uploads()[0];
    EXPECT_EQ(upload.fileName, "upload.pdf");
    const QString got = writeFile(files.filePath("uploaded.pdf"), QByteArray::fromStdString(upload.bytes));
    QProcess info;
    info.start("pdfinfo", {got});
    ASSERT_TRUE(info.waitForFinished(60000));
    EXPECT_EQ(info.exitCode(), 0) << info.readAllStandardError().toStdString();
    EXPECT_TRUE(info.readAllStandardOutput().contains("Pages:"));
    EXPECT_EQ(alertOn(w->window()), nullptr);
}

}  // namespace
