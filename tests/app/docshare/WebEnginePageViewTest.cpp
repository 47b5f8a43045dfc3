// The document-sharing window on the real web engine, with pages from the
// loopback web service: links clicked by the operator and by a follower,
// links that ask for a new window, the start page and about:blank.
//
// The engine's renderer processes run without their sandbox: the tests may
// run as root, where the sandbox refuses to start.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QMouseEvent>
#include <QWebEngineView>

#include "DocShareWindowTestSupport.h"
#include "docshare/DSNotificator.h"
#include "docshare/DocShareWindowController.h"
#include "docshare/WebEnginePageView.h"
#include "fixtures/WebServiceFixture.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

// The engine's own code frees some of its objects with a size other than the
// one it allocated them with; AddressSanitizer would stop the program there.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

namespace {

class DesktopOpener : public QObject {
    Q_OBJECT
public:
    std::vector<QString> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url.toString()); }
};

WebReply html(const std::string& body) {
    WebReply r = WebReply::text(
        "<!DOCTYPE html><html><head><style>body{margin:0}a{position:absolute;left:0;"
        "width:300px;height:100px;display:block;background:#ccc}</style></head><body>" +
        body + "</body></html>");
    r.contentType = "text/html; charset=utf-8";
    return r;
}

class WebEnginePageViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureDocShareApplication();
        ASSERT_TRUE(web.start());
        web.setReply("/start",
                     html("<a id='same' href='/second' style='top:0'>same</a>"
                          "<a id='popup' href='/popup' target='_blank' style='top:200px'>popup</a>"));
        web.setReply("/second", html("<p>second</p>"));
        web.setReply("/popup", html("<p>popup</p>"));
    }
    QString url(const std::string& path) const {
        return QString::fromStdString(web.baseUrl() + path.substr(1));
    }

    std::unique_ptr<DocShareWindowController> makeWindow() {
        DocShareParams p;
        p.rect = QRectF(100, 100, 800, 600);
        p.loginUrl = QString::fromStdString(web.baseUrl());
        p.defaultUrl = url("/start");
        p.dsData = &data;
        p.delegate = &manager;
        p.notificator = &notificator;
        auto w = std::make_unique<DocShareWindowController>(p);
        w->showWindow();
        return w;
    }
    // Waits until the engine has shown `path` (the web service has answered it and the page finished).
    bool waitLoaded(DocShareWindowController& w, const std::string& path) {
        return processEventsUntil(
            [&] {
                auto* view = qobject_cast<QWebEngineView*>(w.webPageView()->widget());
                return view && view->url().path() == QString::fromStdString(path) &&
                       !web.requestsFor(path).empty() && view->page()->title().size() > 0;
            },
            60000);
    }
    // A click of the left button at a point of the page.
    void click(DocShareWindowController& w, QPoint at) {
        auto* view = qobject_cast<QWebEngineView*>(w.webPageView()->widget());
        QWidget* target = view->focusProxy() ? view->focusProxy() : view;
        QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }

    // The engine takes input only once the page has been drawn: clicks until `done`.
    bool clickUntil(DocShareWindowController& w, QPoint at, const std::function<bool()>& done) {
        for (int i = 0; i < 100; ++i) {
            click(w, at);
            if (processEventsUntil(done, 300)) return true;
        }
        return false;
    }

    TemporaryHome home;
    WebServiceFixture web;
    DocShareData data;
    DSNotificator notificator;
    RecordingManager manager;
};

TEST_F(WebEnginePageViewTest, TheOperatorsLinkIsSharedAndAFollowersIsIgnored) {
    data.setHasOperationRight(true);
    auto window = makeWindow();
    ASSERT_TRUE(waitLoaded(*window, "/start"));
    // The start page is shared once, and once only.
    ASSERT_EQ(data.documents().size(), 1);
    EXPECT_EQ(manager.calls,
              std::vector<std::string>{"updateDocument " + url("/start").toStdString() + " -1"});
    window->startDocShare();
    EXPECT_EQ(data.documents().size(), 1);
    manager.calls.clear();

    ASSERT_TRUE(clickUntil(*window, QPoint(50, 50), [&] { return !web.requestsFor("/second").empty(); }));
    ASSERT_TRUE(waitLoaded(*window, "/second"));
    ASSERT_EQ(data.documents().size(), 2);
    EXPECT_EQ(data.getLatestDocument()->documentUrl(), url("/second"));
    EXPECT_EQ(data.currentFileNumber(), 1);
    EXPECT_EQ(manager.calls,
              std::vector<std::string>{"updateDocument " + url("/second").toStdString() + " -1"});
    EXPECT_EQ(window->searchField()->text(), url("/second"));

    // The follower stays on the shared page.
    window->toolbarItem("id_docshare_tool_back")->click();
    ASSERT_TRUE(waitLoaded(*window, "/start"));
    data.setHasOperationRight(false);
    manager.calls.clear();
    web.clearRequests();
    // The page takes clicks again (its new-window link reaches the opener), but not its link.
    DesktopOpener opener;
    QDesktopServices::setUrlHandler("http", &opener, "open");
    const bool ready = clickUntil(*window, QPoint(50, 250), [&] { return !opener.opened.empty(); });
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_TRUE(ready);
    click(*window, QPoint(50, 50));
    processEventsFor(1500);
    EXPECT_TRUE(web.requestsFor("/second").empty());
    EXPECT_EQ(data.documents().size(), 2);
    EXPECT_TRUE(manager.calls.empty());
}

TEST_F(WebEnginePageViewTest, ANewWindowLinkGoesToTheDesktopsOpener) {
    DesktopOpener opener;
    QDesktopServices::setUrlHandler("http", &opener, "open");
    auto window = makeWindow();  // a follower: the link opens for anyone
    ASSERT_TRUE(waitLoaded(*window, "/start"));
    const bool opened = clickUntil(*window, QPoint(50, 250), [&] { return !opener.opened.empty(); });
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_TRUE(opened);
    for (const QString& opened : opener.opened) EXPECT_EQ(opened, url("/popup"));
    processEventsFor(500);
    EXPECT_TRUE(web.requestsFor("/popup").empty());  // no second web window loaded it
    EXPECT_EQ(qobject_cast<QWebEngineView*>(window->webPageView()->widget())->url(), QUrl(url("/start")));
}

TEST_F(WebEnginePageViewTest, AboutBlankIsListedButNeverLoaded) {
    data.setHasOperationRight(true);
    auto window = makeWindow();
    ASSERT_TRUE(waitLoaded(*window, "/start"));
    window->loadWebPage(true, "about:blank", true);
    processEventsFor(1000);
    EXPECT_EQ(data.getLatestDocument()->documentUrl(), "http://about:blank");
    EXPECT_EQ(qobject_cast<QWebEngineView*>(window->webPageView()->widget())->url(), QUrl(url("/start")));
    EXPECT_EQ(window->searchField()->text(), url("/start"));
}

}  // namespace

#include "WebEnginePageViewTest.moc"
