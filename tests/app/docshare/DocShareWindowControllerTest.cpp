// The document-sharing window and view on a model of their own, with a
// stand-in web view: which controls each participant may use, the document
// list, page pictures, zoom and page fields, the following of the operator's
// notices, and teardown. Page files come from the loopback web service.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScrollBar>
#include <memory>

#include "DocShareWindowTestSupport.h"
#include "docshare/DSImageScale.h"
#include "docshare/DSNotificator.h"
#include "docshare/DocShareViewController.h"
#include "docshare/DocShareWindowController.h"
#include "fixtures/WebServiceFixture.h"
#include "services/Common.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

namespace {

const QString kStart = "http://start.example/";

// The error shown as a sheet on a window, or none.
QMessageBox* sheetOn(QWidget* window) {
    for (QMessageBox* box : window->findChildren<QMessageBox*>())
        if (box->isVisible()) return box;
    return nullptr;
}

struct CloseRecorder : DocShareWindowControllerViewAction {
    int closes = 0;
    void onCloseDocShareWindow() override { ++closes; }
};

// Receives the desktop's "open this address" requests.
class Opener : public QObject {
    Q_OBJECT
public:
    std::vector<QString> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url.toString()); }
};

class DocShareWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureDocShareApplication();
        ASSERT_TRUE(web.start());
    }

    DocShareParams params(bool webinar = true) {
        DocShareParams p;
        p.rect = QRectF(100, 100, 800, 600);
        p.loginUrl = QString::fromStdString(web.baseUrl());
        p.defaultUrl = kStart;
        p.dsData = &data;
        p.isWebinar = webinar;
        p.delegate = &manager;
        p.notificator = &notificator;
        p.makeWebPageView = [this] {
            auto fake = std::make_unique<FakeWebPageView>();
            fakeWeb = fake.get();
            return fake;
        };
        return p;
    }
    std::unique_ptr<DocShareWindowController> makeWindow() {
        auto w = std::make_unique<DocShareWindowController>(params());
        w->setViewAction(&closes);
        return w;
    }
    std::unique_ptr<DocShareViewController> makeView(bool webinar = true) {
        return std::make_unique<DocShareViewController>(params(webinar));
    }
    QString url(const std::string& path) const {
        return QString::fromStdString(web.baseUrl() + path.substr(1));
    }
    std::string png(const QImage& image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes.toStdString();
    }
    // A page-image document of `pages` pages served at /conv/<name>/ (page k is colour k).
    DSDocumentRef serveDocument(const std::string& name, int pages, QSize size = QSize(400, 300)) {
        std::vector<std::string> urls;
        for (int k = 0; k < pages; ++k) {
            const std::string path = "/conv/" + name + "/p" + std::to_string(k) + ".png";
            web.setReply(path,
                         WebReply::binary(png(makePagePicture(size.width(), size.height(), colour(k)))));
            urls.push_back(url(path).toStdString());
        }
        web.setReply("/conv/" + name + "/share.xml", WebReply::xml(WebServiceFixture::shareFileXml(urls)));
        return std::make_shared<DSDocument>(url("/conv/" + name + "/share.xml"));
    }
    static QColor colour(int k) {
        static const QColor colours[] = {QColor(200, 40, 40), QColor(40, 160, 40), QColor(40, 40, 200)};
        return colours[k % 3];
    }
    // Shows a document's page in a twin and waits until its picture is there.
    bool showPage(DocShareController& twin, const DSDocumentRef& doc, std::int64_t page) {
        data.addDocument(doc);
        data.setCurrentFileNumber(data.documents().size() - 1);
        data.setCurrentPageNumber(page);
        const QImage before = twin.contentImage();
        twin.loadDocument();
        return processEventsUntil(
            [&] { return !twin.contentImage().isNull() && twin.contentImage() != before; }, 30000);
    }
    QString savePicture(QWidget* w, const char* name) {
        const QString path = QStringLiteral(QUORIX_TEST_BINARY_DIR "/docshare-%1.png").arg(name);
        w->grab().save(path);
        return path;
    }

    TemporaryHome home;
    WebServiceFixture web;
    DocShareData data;
    DSNotificator notificator;
    RecordingManager manager;
    CloseRecorder closes;
    FakeWebPageView* fakeWeb = nullptr;
};

// ---- Controls ----

TEST_F(DocShareWindowTest, NavigationControlsFollowTheRightsInBothTwins) {
    struct Row {
        bool op, viewing, drawing;
        int docs, index;
        const char* window;  // back next stop reload share search
        const char* view;
    };
    const Row rows[] = {
        {true, false, false, 3, 1, "111111", "111111"},
        {true, false, false, 3, 0, "011111", "011111"},
        {true, false, false, 3, 2, "101111", "101111"},
        {true, false, false, 0, 0, "001111", "001111"},  // an empty list: next is off
        {true, false, true, 3, 1, "000000", "000000"},   // drawing: even the operator
        {false, true, false, 3, 1, "111100", "000000"},  // the viewing right counts in the window only
        {false, false, false, 3, 1, "000000", "000000"},
    };
    for (const Row& r : rows) {
        data.resetDocData(true);
        auto window = makeWindow();
        auto view = makeView();
        data.resetDocData(true);
        data.setHasOperationRight(r.op);
        data.setHasViewingRight(r.viewing);
        data.setIsDrawingOn(r.drawing);
        for (int i = 0; i < r.docs; ++i)
            data.addDocument(std::make_shared<DSDocument>(QString("http://d%1/").arg(i)));
        data.setCurrentFileNumber(r.index);
        window->updateToolBar();
        view->updateToolBar();
        processEventsFor(50);  // the view's update runs on the main queue
        std::string w, v;
        for (const char* id : {"id_docshare_tool_back", "id_docshare_tool_next", "id_docshare_tool_stop",
                               "id_docshare_tool_reload", "id_docshare_tool_share"})
            w += window->toolbarItem(id)->isEnabled() ? '1' : '0';
        w += window->searchField()->isEnabled() && !window->searchField()->isReadOnly() ? '1' : '0';
        for (const char* name : {"backButton", "nextPageButton", "stopButton", "reloadButton", "shareButton"})
            v += view->button(name)->isEnabled() ? '1' : '0';
        v += view->searchField()->isEnabled() && !view->searchField()->isReadOnly() ? '1' : '0';
        EXPECT_EQ(w, r.window) << "op " << r.op << " viewing " << r.viewing << " drawing " << r.drawing
                               << " docs " << r.docs << " index " << r.index;
        EXPECT_EQ(v, r.view) << "op " << r.op << " viewing " << r.viewing << " drawing " << r.drawing
                             << " docs " << r.docs << " index " << r.index;
        EXPECT_TRUE(window->validateToolbarItem("id_docshare_tool_save"));
        EXPECT_FALSE(window->validateToolbarItem("id_docshare_tool_unknown"));
    }
}

TEST_F(DocShareWindowTest, ImageToolsAndFooterFollowTheRightsInBothTwins) {
    struct Row {
        bool op, viewing, pageOp, drawing, drawable;
        int page;
        const char* window;  // previous next pageField zoomIn zoomField
        const char* view;
        const char* footer;  // pen penWidth clear eraser eraserWidth pointer draw forceDisplay
    };
    const Row rows[] = {
        {true, false, false, false, false, 1, "11111", "11111", "00000111"},
        {true, false, false, false, false, 0, "01111", "01111", "00000111"},
        {true, false, false, false, false, 2, "10111", "10111", "00000111"},
        {true, false, false, true, true, 1, "00011", "00011", "11110110"},  // drawing: zoom stays
        {false, true, false, false, false, 1, "11111", "00011", "00000000"},
        {false, false, true, false, false, 1, "11111", "00011", "00000000"},
        {false, false, false, false, false, 1, "00011", "00011", "00000000"},
        {false, false, false, true, true, 1, "00000", "00000", "11110000"},  // a follower drawing: no zoom
    };
    const DSDocumentRef doc = serveDocument("t", 3);
    auto window = makeWindow();
    auto view = makeView();
    ASSERT_TRUE(showPage(*window, doc, 0));
    ASSERT_TRUE(showPage(*view, doc, 0));
    for (const Row& r : rows) {
        data.setHasOperationRight(r.op);
        data.setHasViewingRight(r.viewing);
        data.setHasPageOperationRight(r.pageOp);
        data.setIsDrawingOn(r.drawing);
        data.setIsDrawable(r.drawable);
        data.setCurrentPageNumber(r.page);
        for (DocShareController* twin :
             {static_cast<DocShareController*>(window.get()), static_cast<DocShareController*>(view.get())}) {
            twin->setImageOperationTool();
            twin->setFooterTool();
            std::string s;
            for (const char* id : {"id_docshare_image_tool_previous", "id_docshare_image_tool_next"})
                s += twin->imageToolButton(id)->isEnabled() ? '1' : '0';
            s += twin->currentPageText()->isEnabled() && !twin->currentPageText()->isReadOnly() ? '1' : '0';
            s += twin->imageToolButton("id_docshare_image_tool_zoom_in")->isEnabled() ? '1' : '0';
            s += twin->scaleText()->isEnabled() ? '1' : '0';
            EXPECT_EQ(s, twin == window.get() ? r.window : r.view)
                << (twin == window.get() ? "window" : "view") << " op " << r.op << " viewing " << r.viewing
                << " pageOp " << r.pageOp << " drawing " << r.drawing << " page " << r.page;
            std::string f;
            for (const char* id : {"id_docshare_draw_tool_pen", "id_docshare_draw_tool_pen_width",
                                   "id_docshare_draw_tool_clear", "id_docshare_draw_tool_eraser",
                                   "id_docshare_draw_tool_eraser_width", "id_docshare_draw_tool_pointer",
                                   "id_docshare_draw_tool_draw", "id_docshare_draw_tool_force_display"})
                f += twin->footerButton(id)->isEnabled() ? '1' : '0';
            EXPECT_EQ(f, r.footer) << "op " << r.op << " drawing " << r.drawing;
            EXPECT_EQ(twin->currentPageText()->text(), QString::number(r.page + 1));
        }
    }
    EXPECT_EQ(window->totalPageText()->text(), "/ 3    |");
    EXPECT_EQ(view->totalPageText()->text(), "/ 3 ");
}

TEST_F(DocShareWindowTest, AViewOutsideAWebinarHidesItsNavigationAndFileButtons) {
    auto shown = makeView(true);
    auto hidden = makeView(false);
    for (const char* name : {"backButton", "nextPageButton", "stopButton", "reloadButton", "saveButton",
                             "printButton", "shareButton"}) {
        EXPECT_FALSE(hidden->button(name)->isVisibleTo(hidden->view())) << name;
        EXPECT_TRUE(shown->button(name)->isVisibleTo(shown->view())) << name;
    }
    EXPECT_FALSE(hidden->searchField()->isVisibleTo(hidden->view()));
}

TEST_F(DocShareWindowTest, TitleNamesTheOperatorAndFollowsItsChange) {
    data.setOwnerInfo(std::make_shared<UserInfo>("u1", "Alice", "S0"));
    auto window = makeWindow();
    EXPECT_TRUE(window->window()->title().contains("Alice")) << window->window()->title().toStdString();
    notificator.requestChangeOperatorNotification(std::make_shared<UserInfo>("u2", "Bob", "S0"));
    ASSERT_TRUE(processEventsUntil([&] { return window->window()->title().contains("Bob"); }));
    notificator.requestChangeOperatorNotification(nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return !window->window()->title().contains("Bob"); }));
}

// ---- Loading ----

TEST_F(DocShareWindowTest, AFollowerOpenedOnAPageImageDocumentShowsItsPageAndSendsNothing) {
    const DSDocumentRef doc = serveDocument("f", 3);
    data.addDocument(std::make_shared<DSDocument>("http://before.example/"));
    data.addDocument(doc);
    data.setCurrentFileNumber(1);
    data.setCurrentPageNumber(1);
    auto window = makeWindow();
    window->showWindow();
    ASSERT_TRUE(processEventsUntil([&] { return !window->contentImage().isNull(); }, 30000));
    EXPECT_EQ(window->dispMode(), 1);
    EXPECT_TRUE(manager.calls.empty()) << manager.calls.front();
    EXPECT_EQ(data.documents().size(), 2);
    EXPECT_TRUE(fakeWeb->loads.empty());
    EXPECT_EQ(window->currentPageText()->text(), "2");
    EXPECT_EQ(window->totalPageText()->text(), "/ 3    |");
    EXPECT_FALSE(window->webPageView()->widget()->isVisible());
    // The page is fitted to the width of the page area, and on screen it is page 2's colour.
    const int expectedWidth = int(std::floor(window->scaleRange() / 100.0 * 400));
    EXPECT_EQ(int(window->imageView()->displaySize().width()), expectedWidth);
    processEventsFor(100);
    const QImage shot = QImage(savePicture(window->window(), "follower-page"));
    const QPoint inPage =
        window->imageView()->mapTo(window->window(), QPoint(10 + expectedWidth / 2, 10 + 100));
    EXPECT_EQ(shot.pixelColor(inPage), colour(1)) << inPage.x() << "," << inPage.y();
    const QPoint corner = window->imageView()->mapTo(window->window(), QPoint(12, 12));
    EXPECT_EQ(shot.pixelColor(corner), QColor(Qt::black));
}

TEST_F(DocShareWindowTest, AnOperatorsWindowSharesTheStartPageOnceMore) {
    data.setHasOperationRight(true);
    data.addDocument(std::make_shared<DSDocument>("http://earlier.example/"));
    auto window = makeWindow();
    ASSERT_EQ(data.documents().size(), 2);
    EXPECT_EQ(data.getCurrentDocument()->documentUrl(), kStart);
    EXPECT_EQ(manager.calls, std::vector<std::string>{"updateDocument " + kStart.toStdString() + " -1"});
    EXPECT_EQ(fakeWeb->loads, std::vector<std::string>{kStart.toStdString()});
    EXPECT_EQ(data.sharedSize(), QSizeF(800, 600));  // the window's size
    // Already the last entry: a second window adds none.
    window.reset();
    auto again = makeWindow();
    EXPECT_EQ(data.documents().size(), 2);
}

TEST_F(DocShareWindowTest, SharedAddressesAreNormalisedListedAndShown) {
    data.setHasOperationRight(true);
    auto window = makeWindow();  // shares the start page
    manager.calls.clear();
    fakeWeb->loads.clear();
    struct Row {
        QString address;
        QString recorded;  // the new last entry ("" when none was added)
        bool loaded;
        QString field;
    };
    const QString uploaded = url("/uploader/files/abc/doc.html");
    const Row rows[] = {
        {"example.org/a", "http://example.org/a", true, "http://example.org/a"},
        {"https://example.org/b  \n", "https://example.org/b", true, "https://example.org/b"},
        {"  spaced.example/", "http://  spaced.example/", true, "http://  spaced.example/"},
        {kStart, kStart, true, kStart},
        {kStart, "", true, kStart},  // the start page is not listed twice in a row
        {"about:blank", "http://about:blank", false, "keep"},
        {uploaded, uploaded, true, ""},
    };
    for (const Row& r : rows) {
        const int before = data.documents().size();
        fakeWeb->loads.clear();
        manager.calls.clear();
        const QString fieldBefore = window->searchField()->text();
        window->loadWebPage(true, r.address, true);
        if (r.recorded.isEmpty()) {
            EXPECT_EQ(data.documents().size(), before) << r.address.toStdString();
        } else {
            ASSERT_EQ(data.documents().size(), before + 1) << r.address.toStdString();
            EXPECT_EQ(data.getLatestDocument()->documentUrl(), r.recorded);
        }
        EXPECT_EQ(data.currentFileNumber(), data.documents().size() - 1);
        ASSERT_EQ(manager.calls.size(), 1u) << r.address.toStdString();
        EXPECT_EQ(fakeWeb->loads.size(), r.loaded ? 1u : 0u) << r.address.toStdString();
        EXPECT_EQ(window->searchField()->text(), r.field == "keep" ? fieldBefore : r.field)
            << r.address.toStdString();
    }
}

TEST_F(DocShareWindowTest, BackAndNextWalkTheListAndReportEachDocument) {
    data.setHasOperationRight(true);
    auto window = makeWindow();
    window->loadWebPage(true, "http://second.example/", true);
    manager.calls.clear();
    fakeWeb->loads.clear();
    window->toolbarItem("id_docshare_tool_back")->click();
    EXPECT_EQ(data.currentFileNumber(), 0);
    EXPECT_EQ(manager.calls, std::vector<std::string>{"updateDocument " + kStart.toStdString() + " -1"});
    EXPECT_EQ(fakeWeb->loads, std::vector<std::string>{kStart.toStdString()});
    EXPECT_FALSE(window->toolbarItem("id_docshare_tool_back")->isEnabled());
    window->onClickBack();  // nothing before the first
    EXPECT_EQ(manager.calls.size(), 1u);
    window->toolbarItem("id_docshare_tool_next")->click();
    EXPECT_EQ(data.currentFileNumber(), 1);
    EXPECT_EQ(manager.calls.back(), "updateDocument http://second.example/ -1");
    window->toolbarItem("id_docshare_tool_stop")->click();
    window->toolbarItem("id_docshare_tool_reload")->click();
    EXPECT_EQ(manager.calls.at(2), "stopLoading");
    EXPECT_EQ(manager.calls.at(3), "reloadPage");
    EXPECT_EQ(fakeWeb->stops, 1);
    EXPECT_EQ(fakeWeb->reloads, 1);
}

TEST_F(DocShareWindowTest, LinksAreSharedByTheOperatorAndRefusedToFollowers) {
    data.setHasOperationRight(true);
    auto window = makeWindow();
    manager.calls.clear();
    EXPECT_TRUE(fakeWeb->clickLink("http://linked.example/page"));
    EXPECT_EQ(data.getLatestDocument()->documentUrl(), "http://linked.example/page");
    EXPECT_EQ(manager.calls, std::vector<std::string>{"updateDocument http://linked.example/page -1"});
    EXPECT_TRUE(fakeWeb->loads.size() == 1u);  // the engine follows the link itself
    // Nothing loaded yet in the frame, or no link: the navigation goes on without sharing.
    EXPECT_TRUE(fakeWeb->delegate->decidePolicyForNavigation(QUrl("http://x.example/"), true, false));
    EXPECT_TRUE(fakeWeb->delegate->decidePolicyForNavigation(QUrl("http://y.example/"), false, true));
    EXPECT_EQ(data.documents().size(), 2);

    data.setHasOperationRight(false);
    manager.calls.clear();
    EXPECT_FALSE(fakeWeb->clickLink("http://elsewhere.example/"));
    EXPECT_EQ(data.documents().size(), 2);
    EXPECT_TRUE(manager.calls.empty());

    // A link asking for a new window goes to the desktop's opener, for anyone.
    Opener opener;
    QDesktopServices::setUrlHandler("http", &opener, "open");
    fakeWeb->delegate->decidePolicyForNewWindow(QUrl("http://popup.example/"), true);
    fakeWeb->delegate->decidePolicyForNewWindow(QUrl("http://script.example/"), false);
    QDesktopServices::unsetUrlHandler("http");
    EXPECT_EQ(opener.opened, std::vector<QString>{"http://popup.example/"});
}

TEST_F(DocShareWindowTest, TheAddressIsProbedBeforeItIsShared) {
    web.setReply("/typed", WebReply::text("ok"));
    data.setHasOperationRight(true);
    auto window = makeWindow();
    window->showWindow();
    manager.calls.clear();
    window->searchField()->setText(url("/typed"));
    emit window->searchField()->returnPressed();
    ASSERT_TRUE(processEventsUntil([&] { return !manager.calls.empty(); }, 30000));
    EXPECT_EQ(manager.calls.front(), "updateDocument " + url("/typed").toStdString() + " -1");
    const auto requests = web.requestsFor("/typed");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, url("/typed").toStdString());
    EXPECT_FALSE(requests[0].header("user-agent").empty());

    // Nothing answers there: the error is shown on the window and nothing is shared.
    manager.calls.clear();
    const int before = data.documents().size();
    window->searchField()->setText("http://127.44.0.65:9/nothing");
    emit window->searchField()->returnPressed();
    ASSERT_TRUE(processEventsUntil([&] { return sheetOn(window->window()) != nullptr; }, 30000));
    EXPECT_EQ(data.documents().size(), before);
    EXPECT_TRUE(manager.calls.empty());
    sheetOn(window->window())->done(0);

    // A follower, or the operator while drawing, shares nothing.
    data.setIsDrawingOn(true);
    emit window->searchField()->returnPressed();
    data.setIsDrawingOn(false);
    data.setHasOperationRight(false);
    emit window->searchField()->returnPressed();
    processEventsFor(300);
    EXPECT_EQ(web.requestsFor("/nothing").size(), 0u);
    EXPECT_EQ(sheetOn(window->window()), nullptr);
}

// ---- Pictures, zoom and page fields ----

TEST_F(DocShareWindowTest, ZoomButtonsStepAndTheFieldTakesWhatTheButtonsCannot) {
    const DSDocumentRef doc = serveDocument("z", 2);
    auto window = makeWindow();
    ASSERT_TRUE(showPage(*window, doc, 0));
    struct Row {
        int from;
        const char* button;
        int to;
    };
    const Row rows[] = {{105, "in", 110}, {105, "out", 90},   {15, "out", 10},   {995, "in", 1000},
                        {10, "out", 10},  {1000, "in", 1000}, {5000, "in", 1000}};
    for (const Row& r : rows) {
        window->setImageScale(r.from);
        window->imageToolButton(QString("id_docshare_image_tool_zoom_") + r.button)->click();
        EXPECT_EQ(window->scaleRange(), r.to) << r.from << " " << r.button;
        EXPECT_EQ(window->fileImageView()->dispMode(), 0);
        EXPECT_EQ(window->scaleText()->text(), QString("%1%").arg(r.to));
        EXPECT_EQ(window->imageView()->displaySize(),
                  QSizeF(std::floor(4.0f * r.to), std::floor(3.0f * r.to)));
    }
    // Typed values: 10 to 9999 are taken, the rest leave the text of the beginning.
    QLineEdit* field = window->scaleText();
    struct Typed {
        const char* text;
        int scale;
    };
    window->setImageScale(100);
    for (const Typed& t : {Typed{"5000", 5000}, Typed{"１２０%", 120}, Typed{"9", 120}, Typed{"10000", 120},
                           Typed{"", 120}, Typed{"10", 10}}) {
        window->controlTextDidBeginEditing(field);
        field->setText(QString::fromUtf8(t.text));
        window->controlTextDidChange(field);
        window->controlTextDidEndEditing(field);
        EXPECT_EQ(window->scaleRange(), t.scale) << t.text;
        EXPECT_EQ(field->text(), QString("%1%").arg(t.scale)) << t.text;
    }
    // While typing, a text that cannot be a zoom goes back to the last one that could.
    window->controlTextDidBeginEditing(field);
    field->setText("12");
    window->controlTextDidChange(field);
    field->setText("12x");
    window->controlTextDidChange(field);
    EXPECT_EQ(field->text(), "12");
    field->setText("%1");
    window->controlTextDidChange(field);
    EXPECT_EQ(field->text(), "10%");  // no last valid text any more: the text of the beginning
}

TEST_F(DocShareWindowTest, FittingUsesTheAreaWidthAndTheFitModesCanBeChosen) {
    const DSDocumentRef wide = serveDocument("w", 1, QSize(1000, 200));
    auto window = makeWindow();
    window->window()->resize(900, 700);
    window->showWindow();
    processEventsFor(50);
    ASSERT_TRUE(showPage(*window, wide, 0));
    const QScrollArea* area = window->scrollArea();
    const double expected = DSImageScale::fitRatio(
        QSizeF(window->fileImageView()->size()), area->verticalScrollBar()->sizeHint().width(),
        area->horizontalScrollBar()->sizeHint().height(), QSizeF(1000, 200), 1);
    EXPECT_EQ(window->fileImageView()->dispMode(), 1);
    EXPECT_EQ(window->scaleRange(), int(std::lround(expected * 100)));
    EXPECT_EQ(window->scaleText()->text(), QString("%1%").arg(window->scaleRange()));
    EXPECT_FALSE(window->imageToolButton("id_docshare_image_tool_adjust_width")->isEnabled());
    // Free zoom, then fit to the window: a wide page stays fitted to the width.
    window->setImageScale(300);
    window->imageToolButton("id_docshare_image_tool_fit_window")->click();
    EXPECT_EQ(window->fileImageView()->dispMode(), 2);
    EXPECT_EQ(window->scaleRange(), int(std::lround(expected * 100)));
    EXPECT_FALSE(window->imageToolButton("id_docshare_image_tool_fit_window")->isEnabled());
    EXPECT_TRUE(window->imageToolButton("id_docshare_image_tool_adjust_width")->isEnabled());
    // Resizing the area re-fits the page and reports nothing.
    manager.calls.clear();
    window->window()->resize(700, 700);
    ASSERT_TRUE(processEventsUntil([&] { return window->scaleRange() < int(std::lround(expected * 100)); }));
    EXPECT_TRUE(manager.calls.empty());
}

TEST_F(DocShareWindowTest, PageFieldAndButtonsTurnPagesWithinTheDocument) {
    const DSDocumentRef doc = serveDocument("p", 3);
    data.setHasOperationRight(true);
    auto window = makeWindow();
    ASSERT_TRUE(showPage(*window, doc, 0));
    manager.calls.clear();
    QLineEdit* field = window->currentPageText();
    for (const char* refused : {"0", "4", "", "99999999999"}) {
        window->controlTextDidBeginEditing(field);
        field->setText(refused);
        window->controlTextDidChange(field);
        window->controlTextDidEndEditing(field);
        EXPECT_EQ(field->text(), "1") << refused;
        EXPECT_EQ(data.currentPageNumber(), 0) << refused;
    }
    EXPECT_TRUE(manager.calls.empty());
    window->controlTextDidBeginEditing(field);
    field->setText("3");
    window->controlTextDidChange(field);
    window->controlTextDidEndEditing(field);
    EXPECT_EQ(data.currentPageNumber(), 2);
    EXPECT_EQ(manager.calls, std::vector<std::string>{"changePageInfo 2"});
    ASSERT_TRUE(
        processEventsUntil([&] { return window->contentImage().pixelColor(200, 200) == colour(2); }, 30000));
    window->imageToolButton("id_docshare_image_tool_next")->click();  // the last page: nothing
    EXPECT_EQ(data.currentPageNumber(), 2);
    window->imageToolButton("id_docshare_image_tool_previous")->click();
    EXPECT_EQ(data.currentPageNumber(), 1);
    EXPECT_EQ(manager.calls.back(), "changePageInfo 1");
    ASSERT_TRUE(
        processEventsUntil([&] { return window->contentImage().pixelColor(200, 200) == colour(1); }, 30000));
}

TEST_F(DocShareWindowTest, AShiftJisTextPageIsShownAsWrappedText) {
    auto window = makeWindow();
    window->window()->resize(800, 600);
    window->showWindow();
    const DSDocumentRef pictures = serveDocument("s", 1);
    ASSERT_TRUE(showPage(*window, pictures, 0));
    const QImage picturePage = window->contentImage();
    // "テキストのページ" in Shift_JIS, many times, so that it wraps.
    std::string text;
    for (int i = 0; i < 40; ++i) text += "\x83\x65\x83\x4c\x83\x58\x83\x67\x82\xcc\x83\x79\x81\x5b\x83\x57 ";
    web.setReply("/conv/text/p0.txt", WebReply::binary(text));
    web.setReply("/conv/text/share.xml",
                 WebReply::xml(WebServiceFixture::shareFileXml({url("/conv/text/p0.txt").toStdString()})));
    ASSERT_TRUE(showPage(*window, std::make_shared<DSDocument>(url("/conv/text/share.xml")), 0));
    const QImage page = window->contentImage();
    EXPECT_EQ(page.width(), window->fileImageView()->width());
    EXPECT_GT(page.height(), QFontMetrics(QApplication::font()).height() * 2);  // wrapped onto several lines
    int dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 100;
    EXPECT_GT(dark, 200);
    savePicture(window->window(), "text-page");

    // Bytes that are neither a picture nor Shift_JIS text leave the page shown.
    web.setReply("/conv/junk/p0.bin", WebReply::binary(std::string("\x81\x20\xff\xfe\x85", 5)));
    web.setReply("/conv/junk/share.xml",
                 WebReply::xml(WebServiceFixture::shareFileXml({url("/conv/junk/p0.bin").toStdString()})));
    data.addDocument(std::make_shared<DSDocument>(url("/conv/junk/share.xml")));
    data.setCurrentFileNumber(data.documents().size() - 1);
    window->loadDocument();
    ASSERT_TRUE(processEventsUntil([&] { return !window->fileDownloader().isBusy(); }, 30000));
    processEventsFor(100);
    EXPECT_EQ(window->contentImage(), page);
}

TEST_F(DocShareWindowTest, AHugeZoomOfALargePageCostsNoScaledPicture) {
    const DSDocumentRef doc = serveDocument("big", 1, QSize(2000, 2000));
    auto window = makeWindow();
    window->showWindow();
    ASSERT_TRUE(showPage(*window, doc, 0));
    processEventsFor(100);
    window->window()->grab();
    const long before = residentBytes();
    ASSERT_GT(before, 0);
    QLineEdit* field = window->scaleText();
    window->controlTextDidBeginEditing(field);
    field->setText("9999");
    window->controlTextDidChange(field);
    window->controlTextDidEndEditing(field);
    EXPECT_EQ(window->scaleRange(), 9999);
    EXPECT_EQ(window->imageView()->displaySize(), QSizeF(199980, 199980));
    window->scrollArea()->verticalScrollBar()->setValue(100000);
    const QImage shot = window->window()->grab().toImage();
    processEventsFor(100);
    const long added = residentBytes() - before;
    EXPECT_LT(added, 100L * 1024 * 1024) << added;
    EXPECT_FALSE(shot.isNull());
    // The middle of the page, far from its black corner, shows the page's colour.
    const QPoint mid = window->scrollArea()->viewport()->mapTo(window->window(), QPoint(50, 50));
    EXPECT_EQ(shot.pixelColor(mid), colour(0));
}

TEST_F(DocShareWindowTest, APageTheShareFileDoesNotNameIsAFailureAndThePageStays) {
    const DSDocumentRef doc = serveDocument("m", 2);
    auto window = makeWindow();
    window->showWindow();
    ASSERT_TRUE(showPage(*window, doc, 0));
    const QImage shown = window->contentImage();
    notificator.requestChangePageInfoNotification(5);  // the operator names a page the file lacks
    ASSERT_TRUE(processEventsUntil([&] { return sheetOn(window->window()) != nullptr; }, 30000));
    EXPECT_EQ(window->contentImage(), shown);
    EXPECT_EQ(window->dispMode(), 1);
    sheetOn(window->window())->done(0);
}

// ---- Following the operator ----

TEST_F(DocShareWindowTest, AFollowerAppliesTheOperatorsNotices) {
    const DSDocumentRef doc = serveDocument("n", 3, QSize(1600, 1600));
    auto window = makeWindow();
    window->showWindow();
    ASSERT_TRUE(showPage(*window, doc, 0));
    manager.calls.clear();
    // Zoom: the follower leaves its fit mode.
    notificator.requestChangeZoomRangeNotification(150);
    ASSERT_TRUE(processEventsUntil([&] { return window->scaleRange() == 150; }));
    EXPECT_EQ(window->fileImageView()->dispMode(), 0);
    // Scroll notices count only with pointer or drawing on; -1 keeps a coordinate.
    window->scrollArea()->horizontalScrollBar()->setValue(30);
    notificator.requestChangeScrollPointNotification(QPointF(0, 400));
    processEventsFor(100);
    EXPECT_EQ(window->scrollArea()->verticalScrollBar()->value(), 0);
    data.setIsPointerOn(true);
    notificator.requestChangeScrollPointNotification(QPointF(-1, 250));
    ASSERT_TRUE(
        processEventsUntil([&] { return window->scrollArea()->verticalScrollBar()->value() == 250; }));
    EXPECT_EQ(window->scrollArea()->horizontalScrollBar()->value(), 30);
    // Size: the top left corner stays, the window takes the width and the height plus 30.
    const QRectF before = window->window()->frame();
    notificator.requestChangeDocSizeNotification(QSizeF(800, 600));
    ASSERT_TRUE(processEventsUntil([&] { return window->window()->frame().size() == QSizeF(800, 630); }));
    EXPECT_DOUBLE_EQ(window->window()->frame().x(), before.x());
    EXPECT_DOUBLE_EQ(window->window()->frame().y() + 630, before.y() + before.height());
    // Page: the page arrives and the field shows it (the manager has set the model's page).
    data.setCurrentPageNumber(2);
    notificator.requestChangePageInfoNotification(2);
    ASSERT_TRUE(
        processEventsUntil([&] { return window->contentImage().pixelColor(800, 800) == colour(2); }, 30000));
    EXPECT_EQ(window->currentPageText()->text(), "3");
    EXPECT_TRUE(manager.calls.empty()) << manager.calls.front();

    // A web-page document: page and zoom notices change nothing.
    notificator.requestChangeDocumentNotification(std::make_shared<DSDocument>("http://web.example/"));
    ASSERT_TRUE(processEventsUntil([&] { return window->dispMode() == 0; }));
    EXPECT_EQ(fakeWeb->loads.back(), "http://web.example/");
    data.addDocument(std::make_shared<DSDocument>("http://web.example/"));
    data.setCurrentFileNumber(data.documents().size() - 1);
    notificator.requestChangeZoomRangeNotification(300);
    notificator.requestChangePageInfoNotification(1);
    processEventsFor(200);
    EXPECT_EQ(window->scaleRange(), 150);
    EXPECT_FALSE(window->fileDownloader().isBusy());
    // Scrolling a web page follows the operator's point.
    notificator.requestChangeScrollPointNotification(QPointF(5, 700));
    ASSERT_TRUE(processEventsUntil([&] { return !fakeWeb->scrolls.empty(); }));
    EXPECT_EQ(fakeWeb->scrolls.back(), QPointF(5, 700));
    EXPECT_TRUE(manager.calls.empty()) << manager.calls.front();
}

TEST_F(DocShareWindowTest, TheOperatorReportsScrollAndZoomOnlyInPointerOrDrawingMode) {
    const DSDocumentRef doc = serveDocument("o", 1, QSize(1600, 1600));
    data.setHasOperationRight(true);
    auto window = makeWindow();
    window->showWindow();
    ASSERT_TRUE(showPage(*window, doc, 0));
    processEventsFor(50);
    manager.calls.clear();
    window->setImageScale(200);
    window->scrollArea()->verticalScrollBar()->setValue(120);
    processEventsFor(50);
    EXPECT_TRUE(manager.calls.empty()) << manager.calls.front();

    data.setIsPointerOn(true);
    window->setImageScale(150);
    EXPECT_EQ(manager.calls, std::vector<std::string>{"changeZoomRange 150"});
    EXPECT_EQ(data.zoomRange(), 150);
    processEventsFor(50);  // the resize's own scroll changes are not the user's
    manager.calls.clear();
    window->scrollArea()->verticalScrollBar()->setValue(300);
    EXPECT_EQ(manager.calls, std::vector<std::string>{"changeScrollPoint 0,300"});
    EXPECT_EQ(data.scrollPoint(), QPointF(0, 300));

    // A web page's scrolling is reported in pointer mode, never from a negative origin.
    manager.calls.clear();
    fakeWeb->origin = QPointF(0, 40);
    fakeWeb->delegate->didChangeWebViewBounds();
    fakeWeb->origin = QPointF(0, -12);
    fakeWeb->delegate->didChangeWebViewBounds();
    data.setIsDrawingOn(true);
    fakeWeb->origin = QPointF(0, 90);
    fakeWeb->delegate->didChangeWebViewBounds();
    EXPECT_EQ(manager.calls, std::vector<std::string>{"changeScrollPoint 0,40"});
}

TEST_F(DocShareWindowTest, TeardownStopsTheWebViewAndEndsTheNotices) {
    auto window = makeWindow();
    window->showWindow();
    FakeWebPageView* fake = fakeWeb;
    window->close();
    EXPECT_EQ(closes.closes, 1);
    EXPECT_TRUE(window->isTornDown());
    EXPECT_EQ(fake->delegate, nullptr);
    EXPECT_GE(fake->stops, 1);
    notificator.requestChangeZoomRangeNotification(300);
    notificator.requestChangeDocumentNotification(std::make_shared<DSDocument>("http://late.example/"));
    processEventsFor(100);
    EXPECT_TRUE(fake->loads.empty() || fake->loads.back() != "http://late.example/");
    EXPECT_TRUE(manager.calls.empty());

    auto view = makeView();
    view->closeAction();
    EXPECT_TRUE(view->isTornDown());
    EXPECT_EQ(fakeWeb->delegate, nullptr);
}

TEST_F(DocShareWindowTest, AViewAskingForTheSizeOnlyAsAFollowerInPointerMode) {
    auto view = makeView();
    view->viewDidAppear();
    data.setIsPointerOn(true);
    view->viewDidAppear();
    data.setHasOperationRight(true);
    view->viewDidAppear();
    EXPECT_EQ(manager.calls, std::vector<std::string>{"requestDocSize"});
}

}  // namespace

#include "DocShareWindowControllerTest.moc"
