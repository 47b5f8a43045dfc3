// The model's resets and pending stroke, the documents' type, and the
// notices: on the main thread, in the order asked, to a delegate that may
// answer only some of them.
#include <gtest/gtest.h>

#include <thread>

#include "docshare/DSNotificator.h"
#include "docshare/DSNotificatorDispatcher.h"
#include "docshare/DocShareData.h"
#include "platform/Dispatch.h"

namespace {

TEST(DocShareModelTest, NewModelHasItsFirstValues) {
    DocShareData d;
    EXPECT_EQ(d.zoomRange(), 100);
    EXPECT_EQ(d.penColorR() + d.penColorG() + d.penColorB(), 0);
    EXPECT_EQ(d.penWidth(), 5);
    EXPECT_EQ(d.eraserWidth(), 10);
    EXPECT_TRUE(d.documents().isEmpty());
    EXPECT_EQ(d.getCurrentDocument(), nullptr);
    EXPECT_EQ(d.getLatestDocument(), nullptr);
}

// Fills every field with a value other than its first one.
void fill(DocShareData& d) {
    d.setIsDrawAll(true);
    d.setIsPageSwitchable(true);
    d.setIsStarted(true);
    d.setHasOperationRight(true);
    d.setHasViewingRight(true);
    d.setHasPageOperationRight(true);
    d.setIsDrawingOn(true);
    d.setIsDrawable(true);
    d.setIsPointerOn(true);
    d.addDrawPoint({1, 2});
    d.setOwnerInfo(std::make_shared<UserInfo>("op", "Op", "S0"));
    d.addDocument(std::make_shared<DSDocument>("http://h/a"));
    d.addDocument(std::make_shared<DSDocument>("http://h/b"));
    d.setCurrentFileNumber(1);
    d.setCurrentPageNumber(4);
    d.setZoomRange(150);
    d.appendDrawData({{"Type", "WEBWBRD_DATA"}});
    d.setPenColorR(1);
    d.setPenWidth(8);
    d.setEraserWidth(20);
    d.setScrollPoint({3, 4});
    d.setSharedSize({800, 600});
    d.setPointerOrigin({5, 6});
}

TEST(DocShareModelTest, FullAndPartialReset) {
    for (bool all : {true, false}) {
        SCOPED_TRACE(all ? "full" : "partial");
        DocShareData d;
        fill(d);
        d.resetDocData(all);
        // Cleared either way.
        EXPECT_FALSE(d.isStarted());
        EXPECT_FALSE(d.hasOperationRight());
        EXPECT_FALSE(d.hasViewingRight());
        EXPECT_FALSE(d.hasPageOperationRight());
        EXPECT_FALSE(d.isDrawingOn());
        EXPECT_FALSE(d.isPointerOn());
        EXPECT_EQ(d.sendDrawPointCount(), 0);
        EXPECT_FALSE(d.sendDrawPoint());
        EXPECT_EQ(d.ownerInfo(), nullptr);
        EXPECT_EQ(d.currentPageNumber(), 0);
        EXPECT_EQ(d.zoomRange(), 100);
        EXPECT_TRUE(d.drawDataArray().isEmpty());
        EXPECT_EQ(d.scrollPoint(), QPointF());
        EXPECT_EQ(d.sharedSize(), QSizeF(0, 0));
        EXPECT_EQ(d.pointerOrigin(), QPointF());
        // The room options stay in both.
        EXPECT_TRUE(d.isDrawAll());
        EXPECT_TRUE(d.isPageSwitchable());
        // Kept by the partial reset only.
        EXPECT_EQ(d.documents().size(), all ? 0 : 2);
        EXPECT_EQ(d.currentFileNumber(), all ? 0 : 1);
        EXPECT_EQ(d.isDrawable(), !all);
        EXPECT_EQ(d.penColorR(), all ? 0 : 1);
        EXPECT_EQ(d.penWidth(), all ? 5 : 8);
        EXPECT_EQ(d.eraserWidth(), all ? 10 : 20);
        if (!all) EXPECT_EQ(d.getCurrentDocument()->documentUrl(), "http://h/b");
    }
}

TEST(DocShareModelTest, AddDrawPointTruncatesAndIgnoresNegativePoints) {
    DocShareData d;
    d.addDrawPoint({12.9, 3.2});
    EXPECT_EQ(d.sendDrawPoint(), QString("Pos: 12, 3\r\n"));
    d.addDrawPoint({-0.5, 10});
    d.addDrawPoint({10, -1});
    EXPECT_EQ(d.sendDrawPointCount(), 1);
    d.addDrawPoint({0, 7});
    EXPECT_EQ(d.sendDrawPoint(), QString("Pos: 12, 3\r\nPos: 0, 7\r\n"));
    EXPECT_EQ(d.sendDrawPointCount(), 2);
    d.clearSendDrawPoint();
    EXPECT_FALSE(d.sendDrawPoint());
    EXPECT_EQ(d.sendDrawPointCount(), 0);
}

TEST(DocShareModelTest, DocumentTypeOnlyForLowerCaseXmlExtension) {
    const std::pair<const char*, int> cases[] = {
        {"http://h/docs/a/share.xml", 1},
        {"http://h/docs/a/share.XML", 0},
        {"http://h/docs/a/share.xml?x=1", 1},
        {"http://h/page.html", 0},
        {"http://h/xml", 0},
        {"http://h/a.xml/b", 0},
    };
    for (auto& [url, type] : cases) EXPECT_EQ(DSDocument(url).type(), type) << url;
}

TEST(DocShareModelTest, CurrentDocumentInfoNeedsBothValuesAndAValidIndex) {
    DocShareData d;
    d.addDocument(nullptr);
    EXPECT_TRUE(d.documents().isEmpty());
    auto doc = std::make_shared<DSDocument>("http://h/s.xml");
    d.addDocument(doc);
    d.setCurrentDocumentInfo(QString("/tmp/p1.png"), std::nullopt);
    EXPECT_FALSE(doc->filePath());
    d.setCurrentDocumentInfo(QString("/tmp/p1.png"), QVariantMap{{"pagecnt", "3"}});
    EXPECT_EQ(doc->filePath(), QString("/tmp/p1.png"));
    EXPECT_EQ(doc->documentInfo()->value("pagecnt"), "3");
    d.setCurrentFileNumber(5);
    EXPECT_EQ(d.getCurrentDocument(), nullptr);
    EXPECT_EQ(d.getLatestDocument(), doc);
}

// Records every call as a line with the thread it came on.
struct AllMethods : DSNotificatorDispatcherDelegate {
    std::vector<std::string> calls;
    bool offMain = false;
    void add(std::string s) {
        if (!mainQueue().isCurrent()) offMain = true;
        calls.push_back(std::move(s));
    }
    void didChangeOperator(DSNotificatorDispatcher*, const UserInfoRef& u) override {
        add("operator " + (u ? u->userId().toStdString() : std::string("none")));
    }
    void didChangeOperation(bool a, bool b, bool c) override {
        add("operation " + std::to_string(a) + std::to_string(b) + std::to_string(c));
    }
    void didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& d) override {
        add("document " + d->documentUrl().toStdString());
    }
    void didChangePageInfo(DSNotificatorDispatcher*, std::int64_t p) override {
        add("page " + std::to_string(p));
    }
    void didReloadPage(DSNotificatorDispatcher*) override { add("reload"); }
    void didStopLoading(DSNotificatorDispatcher*) override { add("stop"); }
    void didChangeDocSize(DSNotificatorDispatcher*, const QSizeF& s) override {
        add("size " + std::to_string(int(s.width())) + "x" + std::to_string(int(s.height())));
    }
    void didChangeScrollPoint(DSNotificatorDispatcher*, const QPointF& p) override {
        add("scroll " + std::to_string(int(p.x())) + "," + std::to_string(int(p.y())));
    }
    void didChangeZoomRange(DSNotificatorDispatcher*, std::int64_t z) override {
        add("zoom " + std::to_string(z));
    }
    void didChangePaintMode(DSNotificatorDispatcher*, bool on) override {
        add("paint " + std::to_string(on));
    }
    void didChangeDrawData(DSNotificatorDispatcher*, const QList<QVariantMap>& d, const QPointF& p) override {
        add("draw " + std::to_string(d.size()) + " " + std::to_string(int(p.y())));
    }
    void didClearDrawData(DSNotificatorDispatcher*) override { add("clear"); }
    void didChangePointerMode(DSNotificatorDispatcher*, bool on) override {
        add("pointer " + std::to_string(on));
    }
    void didChangePointerOrigin(DSNotificatorDispatcher*, const QPointF& o, const QPointF& s) override {
        add("origin " + std::to_string(int(o.x())) + " " + std::to_string(int(s.x())));
    }
    void didChangeDrawable(DSNotificatorDispatcher*, bool on) override {
        add("drawable " + std::to_string(on));
    }
};

// Asks for every notice once, in the order of the table of notices.
void requestAll(DSNotificator& n) {
    n.requestChangeOperatorNotification(std::make_shared<UserInfo>("op", "Op", "S0"));
    n.requestChangeOperationNotification(false, true, true);
    n.requestChangeDocumentNotification(std::make_shared<DSDocument>("http://h/d"));
    n.requestChangePageInfoNotification(3);
    n.requestReloadPageNotification();
    n.requestStopLoadingNotification();
    n.requestChangeDocSizeNotification({800, 600});
    n.requestChangeScrollPointNotification({0, 120});
    n.requestChangeZoomRangeNotification(200);
    n.requestChangePaintModeNotification(true);
    n.requestChangeDrawDataNotification({QVariantMap{}, QVariantMap{}}, {0, 9});
    n.requestClearDrawDataNotification();
    n.requestChangePointerModeNotification(false);
    n.requestChangePointerOriginNotification({7, 8}, {4, 5});
    n.requestChangeDrawableNotification(true);
    n.requestChangeOperatorNotification(nullptr);
}

TEST(DocShareModelTest, NoticesArriveOnTheMainThreadInOrder) {
    ScopedManualDispatcher main;
    DSNotificator notificator;
    DSNotificator other;
    DSNotificatorDispatcher dispatcher(&notificator);
    AllMethods delegate;
    dispatcher.setDelegate(&delegate);
    // Asked from another thread, as the relay's receive thread does; another
    // notificator's notices are not this dispatcher's.
    std::thread receiver([&] {
        requestAll(notificator);
        other.requestStopLoadingNotification();
    });
    receiver.join();
    EXPECT_TRUE(delegate.calls.empty());  // nothing before the main thread runs
    main->runPending();
    const std::vector<std::string> expected{
        "operator op",  "operation 011", "document http://h/d", "page 3",     "reload",
        "stop",         "size 800x600",  "scroll 0,120",        "zoom 200",   "paint 1",
        "draw 2 9",     "clear",         "pointer 0",           "origin 7 4", "drawable 1",
        "operator none"};
    EXPECT_EQ(delegate.calls, expected);
    EXPECT_FALSE(delegate.offMain);
}

TEST(DocShareModelTest, DelegateWithOnlySomeMethodsGetsOnlyThose) {
    struct OnlyDocument : DSNotificatorDispatcherDelegate {
        std::vector<std::string> urls;
        void didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& d) override {
            urls.push_back(d->documentUrl().toStdString());
        }
    };
    ScopedManualDispatcher main;
    DSNotificator notificator;
    DSNotificatorDispatcher dispatcher(&notificator);
    OnlyDocument delegate;
    dispatcher.setDelegate(&delegate);
    requestAll(notificator);
    main->runPending();
    EXPECT_EQ(delegate.urls, std::vector<std::string>{"http://h/d"});
    // Without a delegate, and after the dispatcher is gone, notices are dropped.
    dispatcher.setDelegate(nullptr);
    requestAll(notificator);
    EXPECT_GT(main->runPending(), 0);
}

}  // namespace
