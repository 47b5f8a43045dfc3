// Keeping the shared page: the picture with its strokes in five formats, a
// failed save shown and not counted, printing to a PDF file, safe proposed
// names, the PDF button after a page load, and the PDF download from the
// loopback web service with its failures shown.
#include <gtest/gtest.h>

#include <QFile>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "DocShareWindowTestSupport.h"
#include "docshare/DSFileName.h"
#include "docshare/DSNotificator.h"
#include "docshare/DSPagePicture.h"
#include "docshare/DSPagePrinter.h"
#include "docshare/DocShareViewController.h"
#include "docshare/DocShareWindowController.h"
#include "fixtures/WebServiceFixture.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

namespace {

QMessageBox* sheetOn(QWidget* window) {
    for (QMessageBox* box : window->findChildren<QMessageBox*>())
        if (box->isVisible()) return box;
    return nullptr;
}

// The page with a red stroke over its middle, as the drawing layer renders it at half size.
QImage halfSizeStrokes(QSize page) {
    QImage strokes(page / 2, QImage::Format_ARGB32_Premultiplied);
    strokes.fill(Qt::transparent);
    for (int y = strokes.height() / 2 - 3; y <= strokes.height() / 2 + 3; ++y)
        for (int x = 10; x < strokes.width() - 10; ++x) strokes.setPixelColor(x, y, Qt::red);
    return strokes;
}

bool near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(DSPagePictureTest, AllFiveFormatsDecodeWithTheStrokesOverThePage) {
    ensureDocShareApplication();
    const QImage page = makePagePicture(200, 120, QColor(0, 153, 0));
    const QImage combined = DSPagePicture::combine(page, halfSizeStrokes(page.size()));
    const int tolerance[] = {0, 12, 60, 0, 0, 0};  // JPEG is lossy; the GIF cube dithers
    for (int format = DSPagePicture::JPEG; format <= DSPagePicture::BMP; ++format) {
        const auto data = DSPagePicture::encode(combined, format);
        ASSERT_TRUE(data) << format;
        const QImage decoded = QImage::fromData(*data);
        ASSERT_FALSE(decoded.isNull()) << DSPagePicture::extension(format).toStdString();
        EXPECT_EQ(decoded.size(), page.size());
        const int t = tolerance[format];
        // The stroke, scaled to the page: its middle row is red ...
        EXPECT_TRUE(near(decoded.pixelColor(100, 60), Qt::red, t + 10)) << format;
        // ... the page stays green away from it and keeps its black corner.
        EXPECT_TRUE(near(decoded.pixelColor(100, 100), QColor(0, 153, 0), t + 10)) << format;
        EXPECT_TRUE(near(decoded.pixelColor(3, 3), Qt::black, t + 10)) << format;
    }
    EXPECT_FALSE(DSPagePicture::encode(combined, 0));
    EXPECT_FALSE(DSPagePicture::encode(combined, 6));
    EXPECT_FALSE(DSPagePicture::encode(QImage(), DSPagePicture::PNG));
}

TEST(DSPagePictureTest, TheGifKeepsTransparencyAndDithersMixedColours) {
    ensureDocShareApplication();
    QImage image(64, 16, QImage::Format_ARGB32);
    image.fill(QColor(128, 128, 128));  // between two levels of the colour cube
    for (int x = 0; x < 8; ++x) image.setPixelColor(x, 0, Qt::transparent);
    const auto data = DSPagePicture::encodeGif(image);
    ASSERT_TRUE(data);
    const QImage decoded = QImage::fromData(*data, "GIF").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.pixelColor(0, 0).alpha(), 0);
    // The mean of the dithered area is the colour asked for.
    long sum = 0;
    for (int y = 4; y < 16; ++y)
        for (int x = 0; x < 64; ++x) sum += decoded.pixelColor(x, y).red();
    EXPECT_NEAR(double(sum) / (12 * 64), 128.0, 6.0);
}

TEST(DSPagePictureTest, AWriteThatFailsLeavesNoFile) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(DSPagePicture::writeAtomically(dir.filePath("missing/page.png"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/page.png")));
    EXPECT_TRUE(DSPagePicture::writeAtomically(dir.filePath("page.png"), "abc"));
    QFile f(dir.filePath("page.png"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("abc"));
}

TEST(DSPagePrinterTest, PrintingToAPdfFileGivesOnePage) {
    ensureDocShareApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath("page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const QImage page =
        DSPagePicture::combine(makePagePicture(800, 600, Qt::white), halfSizeStrokes({800, 600}));
    ASSERT_TRUE(DSPagePrinter::print(page, printer));
    QProcess info;
    info.start("pdfinfo", {path});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression("Pages:\\s+1\\n"))) << out.toStdString();
    EXPECT_FALSE(DSPagePrinter::print(QImage(), printer));
}

TEST(DSFileNameTest, NamesFromTheNetworkAreMadeSafe) {
    struct Case {
        QString in;
        std::optional<QString> out;
    } cases[] = {
        {"Alice", QString("Alice")},
        {"../../etc/passwd", QString(".._.._etc_passwd")},
        {QString("a") + QChar(u'\0') + "b", QString("a_b")},
        {".", std::nullopt},
        {"..", std::nullopt},
        {"", std::nullopt},
        {QString(300, QChar('x')), QString(255, QChar('x'))},
        // Cut inside a two-byte character: the whole character goes.
        {QString("x") + QString(200, QChar(0x00E9)), QString("x") + QString(127, QChar(0x00E9))},
    };
    for (const Case& c : cases) {
        const auto out = DSFileName::sanitise(c.in);
        EXPECT_EQ(out, c.out) << c.in.left(20).toStdString();
        if (out) EXPECT_LE(out->toUtf8().size(), 255);
    }
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    EXPECT_EQ(DSFileName::saveFileName("Doc", when), "Doc_2026-03-04-05-06-07");
    EXPECT_EQ(DSFileName::pdfFileName("Doc", when), "Doc_2026-03-04 05:06:07");
}

class DocShareSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureDocShareApplication();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(web.start());
    }
    DocShareParams params(bool saveAllowed = true) {
        DocShareParams p;
        p.rect = QRectF(100, 100, 800, 600);
        p.defaultUrl = "http://start.example/";
        p.dsData = &data;
        p.delegate = &manager;
        p.notificator = &notificator;
        p.isEnabledSave = saveAllowed;
        p.makeWebPageView = [] { return std::make_unique<FakeWebPageView>(); };
        return p;
    }
    void showPage(DocShareController& c, QSize size) {
        const QString path = dir.filePath("shown.png");
        ASSERT_TRUE(makePagePicture(size.width(), size.height(), QColor(0, 153, 0)).save(path));
        auto doc = std::make_shared<DSDocument>("http://pages.example/conv/share.xml", path,
                                                QVariantMap{{"pagecnt", "1"}, {"PDFPath", url("/doc.pdf")}});
        data.addDocument(doc);
        data.setCurrentFileNumber(std::int64_t(data.documents().size()) - 1);
        c.changeDispMode(1);
        c.fileImageView()->setDispMode(0);
        c.setImageItem(doc, 50);
    }
    QString url(const std::string& path) const {
        return QString::fromStdString(web.baseUrl()) + path.substr(1).c_str();
    }
    // The save panel answers this path and records what it was asked.
    void answer(DocShareController& c, const QString& path) {
        c.setSavePanel([this, path](const QString& name, const QString& ext) -> std::optional<QString> {
            asked.push_back({name, ext});
            return path;
        });
    }

    QTemporaryDir dir;
    WebServiceFixture web;
    DocShareData data;
    DSNotificator notificator;
    RecordingManager manager;
    std::vector<std::pair<QString, QString>> asked;
};

TEST_F(DocShareSaveTest, SavingWritesThePageWithStrokesOnlyWhileDrawing) {
    data.setIsDrawable(true);
    data.setIsDrawingOn(true);
    DocShareWindowController window(params());
    window.window()->resize(900, 700);
    window.showWindow();
    showPage(window, QSize(400, 200));
    window.changeDrawingMode(true);
    ASSERT_NE(window.drawingView(), nullptr);
    window.drawingView()->drawData(QVariantMap{
        {"Width", "9"}, {"Color", "255, 0, 0"}, {"Pos00000", "50, 100"}, {"Pos00001", "350, 100"}});

    const QString withStrokes = dir.filePath("with.png");
    answer(window, withStrokes);
    window.selectFormat(DSPagePicture::PNG);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].first.startsWith("Document sharing_")) << asked[0].first.toStdString();
    EXPECT_EQ(asked[0].second, "png");
    const QImage saved(withStrokes);
    ASSERT_EQ(saved.size(), QSize(400, 200));
    EXPECT_EQ(saved.pixelColor(200, 100), QColor(255, 0, 0));
    EXPECT_EQ(saved.pixelColor(200, 150), QColor(0, 153, 0));

    window.changeDrawingMode(false);
    const QString pageOnly = dir.filePath("page.tiff");
    answer(window, pageOnly);
    window.selectFormat(DSPagePicture::TIFF);
    EXPECT_EQ(asked.back().second, "tiff");
    EXPECT_EQ(window.saveExtension(), DSPagePicture::TIFF);
    const QImage plain(pageOnly);
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(plain.pixelColor(200, 100), QColor(0, 153, 0));
}

TEST_F(DocShareSaveTest, AFailedSaveIsShownAndNotCountedAsSaved) {
    DocShareWindowController window(params());
    window.showWindow();
    showPage(window, QSize(200, 100));
    answer(window, dir.filePath("no-such-folder/page.png"));
    EXPECT_FALSE(window.saveDocumentInFileFormat());
    ASSERT_TRUE(processEventsUntil([&] { return sheetOn(window.window()) != nullptr; }));
    const QMessageBox* sheet = sheetOn(window.window());
    EXPECT_TRUE((sheet->text() + sheet->informativeText()).contains("no-such-folder"))
        << sheet->text().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("no-such-folder/page.png")));
    sheetOn(window.window())->close();
    // The user cancelling is no failure and shows nothing.
    window.setSavePanel([](const QString&, const QString&) { return std::nullopt; });
    EXPECT_FALSE(window.saveDocumentInFileFormat());
}

TEST_F(DocShareSaveTest, TheFormatMenuOffersFiveFormatsUnderADisabledHeading) {
    DocShareWindowController window(params());
    QMenu* menu = window.createFormatMenu(window.window());
    QStringList titles;
    for (QAction* a : menu->actions()) titles << a->text();
    EXPECT_EQ(titles, QStringList({"Choose a format", "JPEG", "GIF", "TIFF", "PNG", "BMP"}));
    EXPECT_FALSE(menu->actions().at(0)->isEnabled());
    window.selectFormat(0);
    window.selectFormat(6);
    EXPECT_EQ(window.saveExtension(), 1);
    delete menu;
}

TEST_F(DocShareSaveTest, ThePdfButtonFollowsTheLoadedPath) {
    struct Case {
        bool saveAllowed;
        QString path;
        bool enabledBefore;
        bool enabledAfter;
    } cases[] = {
        {true, "/cache/doc/upload.png", true, false},         {true, "/cache/doc/upload.pdf", false, true},
        {true, "/cache/doc/upload.jpeg", true, false},        {true, "/cache/doc/upload.bmp", true, false},
        {true, "/cache/doc/page1.png", false, false},  // no "upload.": unchanged
        {true, "/cache/upload.png/upload.docx", false, true}, {false, "/cache/doc/upload.pdf", false, false},
    };
    for (const Case& c : cases) {
        DocShareWindowController window(params(c.saveAllowed));
        window.downloadButton()->setEnabled(c.enabledBefore);
        window.updatePDFDLBtn(c.path);
        processEventsUntil([] { return false; }, 50);
        EXPECT_EQ(window.downloadButton()->isEnabled(), c.enabledAfter) << c.path.toStdString();
    }
}

TEST_F(DocShareSaveTest, ThePdfDownloadsFromTheWebServiceAndItsFailuresAreShown) {
    const std::string pdf = "%PDF-1.4\n% a document\n%%EOF\n";
    web.setReply("/doc.pdf", WebReply::binary(pdf));
    web.setReply("/missing.pdf", WebReply::binary("gone", 404));
    web.setReply("/stall.pdf", WebReply::stall());
    DocShareWindowController window(params());
    window.showWindow();
    window.pdfDownloader().setTimeout(std::chrono::milliseconds(1500));

    // A title from the network goes into the proposed name only made safe.
    window.window()->setWindowTitle("Document sharing (a/b)");
    const QString target = dir.filePath("doc.pdf");
    answer(window, target);
    window.downloadPdfFile(url("/doc.pdf"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].first.startsWith("Document sharing (a_b)_")) << asked[0].first.toStdString();
    EXPECT_EQ(asked[0].second, "pdf");
    ASSERT_TRUE(processEventsUntil([&] { return !window.pdfDownloader().isRunning(); }, 20000));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), pdf);
    EXPECT_EQ(sheetOn(window.window()), nullptr);

    for (const char* failing : {"/missing.pdf", "/stall.pdf"}) {
        const QString path = dir.filePath(QString("failed-%1").arg(failing + 1));
        answer(window, path);
        window.downloadPdfFile(url(failing));
        ASSERT_TRUE(processEventsUntil([&] { return sheetOn(window.window()) != nullptr; }, 20000))
            << failing;
        EXPECT_FALSE(QFile::exists(path)) << failing;
        sheetOn(window.window())->close();
        processEventsUntil([&] { return sheetOn(window.window()) == nullptr; });
    }
}

}  // namespace
