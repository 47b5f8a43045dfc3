// The document-sharing manager between several participants: each manager's
// texts travel as the relay records the core builds and are rebuilt at every
// addressee as the core rebuilds them, so the receivers read what a real
// receiver reads. Rights, start and stop, receipt and the answers to a
// newcomer, with the notices each participant's window gets.
#include <gtest/gtest.h>

#include <deque>

#include "control/DocShareRecords.h"
#include "control/VpexProtocol.h"
#include "docshare/DSNotificator.h"
#include "docshare/DSNotificatorDispatcher.h"
#include "docshare/DocShareDataparse.h"
#include "docshare/DocShareManager.h"
#include "platform/Dispatch.h"

namespace {

class Bus;

// One participant: a manager, its delegate on the bus and a window that records its notices.
struct Member : DocShareManagerDelegate, DSNotificatorDispatcherDelegate {
    Member(Bus& bus, QString id, uint32_t clientNo)
        : bus(bus),
          id(std::move(id)),
          clientNo(clientNo),
          info(std::make_shared<UserInfo>(this->id, this->id + "-name", "S0")),
          dispatcher(&notificator) {
        manager.setDelegate(this);
        manager.setNotificator(&notificator);
        manager.setMyInfo(info);
        dispatcher.setDelegate(this);
    }
    ~Member() override { manager.setDelegate(nullptr); }

    bool isConferenceOwner() const override { return chair; }
    bool isSpeakable() const override { return speakable; }
    UserInfoRef checkOwnerInfo(const QString& userId) const override;
    void sendDocShareData(const QString& text) override;
    void onDocShareActive() override { notices.push_back("active"); }

    void didChangeOperator(DSNotificatorDispatcher*, const UserInfoRef& u) override {
        notices.push_back("operator " + (u ? u->userId().toStdString() : std::string("none")));
    }
    void didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& d) override {
        notices.push_back("document " + d->documentUrl().toStdString());
    }
    void didChangePageInfo(DSNotificatorDispatcher*, std::int64_t p) override {
        notices.push_back("page " + std::to_string(p));
    }
    void didChangeDocSize(DSNotificatorDispatcher*, const QSizeF& s) override {
        notices.push_back("size " + std::to_string(int(s.width())) + "x" + std::to_string(int(s.height())));
    }
    void didChangeScrollPoint(DSNotificatorDispatcher*, const QPointF& p) override {
        notices.push_back("scroll " + std::to_string(int(p.x())) + "," + std::to_string(int(p.y())));
    }
    void didChangeZoomRange(DSNotificatorDispatcher*, std::int64_t z) override {
        notices.push_back("zoom " + std::to_string(z));
    }
    void didChangePaintMode(DSNotificatorDispatcher*, bool on) override {
        notices.push_back("paint " + std::to_string(on));
    }
    void didChangePointerMode(DSNotificatorDispatcher*, bool on) override {
        notices.push_back("pointer " + std::to_string(on));
    }
    void didChangeDrawData(DSNotificatorDispatcher*, const QList<QVariantMap>& d, const QPointF&) override {
        notices.push_back("draw " + std::to_string(d.size()));
    }
    void didClearDrawData(DSNotificatorDispatcher*) override { notices.push_back("clear"); }
    void didChangeDrawable(DSNotificatorDispatcher*, bool on) override {
        notices.push_back("drawable " + std::to_string(on));
    }

    // The types of the texts this member sent, with their addressee ("all" or the client number).
    std::vector<std::string> sentTypes() const {
        std::vector<std::string> out;
        for (const QString& t : sent) {
            const QVariantMap m = DocShareDataparse::getMessageElements(t);
            const QString key = m.value("Key").toString();
            out.push_back(m.value("Type").toString().toStdString() +
                          (key == "-1" ? "" : " >" + key.toStdString()));
        }
        return out;
    }

    Bus& bus;
    QString id;
    uint32_t clientNo;
    UserInfoRef info;
    bool chair = false, speakable = true;
    DSNotificator notificator;
    DocShareManager manager;
    DSNotificatorDispatcher dispatcher;
    std::vector<QString> sent;
    std::vector<std::string> notices;
};

// The relay between the members: texts are queued and delivered in order when the test pumps.
class Bus {
public:
    Member& add(const QString& id) {
        members_.push_back(std::make_unique<Member>(*this, id, uint32_t(members_.size() + 1)));
        return *members_.back();
    }
    void send(Member& from, const QString& text) {
        from.sent.push_back(text);
        queue_.push_back({&from, text});
    }
    // Delivers everything queued and what it causes; answers how many texts were carried.
    int pump() {
        int n = 0;
        while (!queue_.empty()) {
            auto [from, text] = queue_.front();
            queue_.pop_front();
            ++n;
            std::vector<uint8_t> record;
            uint32_t target = 0;
            const DSBuild built =
                BuildDocShareRecord(text.toStdString(), from->id.toStdString(), record, target);
            EXPECT_EQ(built, DSBuild::Ok) << text.toStdString();
            if (built != DSBuild::Ok) continue;
            std::string received;
            if (DocShareRecordToText(record.data(), record.size(), from->clientNo, received) != DSParse::Ok)
                continue;
            for (auto& m : members_)
                if (m.get() != from && (target == VPEX_TARGET_ALL || target == m->clientNo))
                    m->manager.OnDocShareData(from->id, QString::fromStdString(received));
        }
        main->runPending();
        return n;
    }
    UserInfoRef find(const QString& id) const {
        for (auto& m : members_)
            if (m->id == id) return m->info;
        return nullptr;
    }
    // Forgets what every member sent and was told.
    void clear() {
        main->runPending();
        for (auto& m : members_) m->sent.clear(), m->notices.clear();
    }

private:
    ScopedManualDispatcher main;
    std::deque<std::pair<Member*, QString>> queue_;
    std::vector<std::unique_ptr<Member>> members_;
};

UserInfoRef Member::checkOwnerInfo(const QString& userId) const {
    return bus.find(userId);
}
void Member::sendDocShareData(const QString& text) {
    bus.send(*this, text);
}

using Lines = std::vector<std::string>;

// A shares a page; B and C follow.
struct Share : ::testing::Test {
    Bus bus;
    Member& a = bus.add("alice");
    Member& b = bus.add("bob");
    Member& c = bus.add("carol");

    // The operator's window stores the page in the model, then the manager sends it.
    void show(const QString& url, std::int64_t page = -1) {
        a.manager.dsData().appendCurrentDocument(std::make_shared<DSDocument>(url));
        a.manager.dsData().setCurrentPageNumber(page < 0 ? 0 : page);
        a.manager.updateDocument(url, page);
    }

    void startAt(Member& op) {
        op.manager.startDocShare(op.info, true, false);
        for (Member* m : {&a, &b, &c})
            if (m != &op) m->manager.startDocShare(op.info, false, false);
        bus.pump();
        bus.clear();
    }
};

TEST_F(Share, FollowingStartsFromTheOperatorsPageWithOneDocumentAndNotices) {
    a.manager.startDocShare(a.info, true, false);
    ASSERT_TRUE(a.manager.hasOperationRight());
    show("http://web.example/page.html?a=1");
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT", "WEBESCORT_PMODE"}));
    bus.pump();
    for (Member* m : {&b, &c}) {
        DocShareData& d = m->manager.dsData();
        EXPECT_TRUE(d.isStarted());
        EXPECT_FALSE(d.hasViewingRight());
        EXPECT_FALSE(d.hasOperationRight());
        EXPECT_EQ(d.ownerInfo(), a.info);
        ASSERT_EQ(d.documents().size(), 1);
        EXPECT_EQ(d.getCurrentDocument()->documentUrl(), "http://web.example/page.html?a=1");
        EXPECT_EQ(d.getCurrentDocument()->type(), 0);
        EXPECT_EQ(m->notices,
                  (Lines{"active", "operator alice", "document http://web.example/page.html?a=1"}));
    }
    // The same page again adds nothing; an earlier page that is not the current one is added again.
    show("http://web.example/page.html?a=1");
    show("http://web.example/share/s.xml", 0);
    show("http://web.example/page.html?a=1");
    bus.pump();
    EXPECT_EQ(b.manager.dsData().documents().size(), 3);
    EXPECT_EQ(b.manager.dsData().currentFileNumber(), 2);
}

TEST_F(Share, IdleParticipantIgnoresStateMessages) {
    a.manager.dsData().setIsStarted(true);
    a.manager.dsData().setHasOperationRight(true);
    a.manager.dsData().setZoomRange(200);
    a.manager.changeZoomRange(200);
    a.manager.changeScrollPoint({});
    bus.pump();
    EXPECT_FALSE(b.manager.isStarted());
    EXPECT_EQ(b.manager.dsData().zoomRange(), 100);
    EXPECT_TRUE(b.notices.empty());
}

TEST_F(Share, NewcomerIsAnsweredAloneByTheOperator) {
    startAt(a);
    a.manager.dsData().appendCurrentDocument(std::make_shared<DSDocument>("http://web.example/s/share.xml"));
    a.manager.dsData().setCurrentPageNumber(2);
    // C has just joined: idle, it asks everybody.
    c.manager.stopDocShare(true);
    bus.clear();
    c.manager.sendDocShareMessage("WEBESCORT_REQUEST", 0, std::nullopt);
    bus.pump();
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT >3", "WEBESCORT_PAGE_INFO >3"}));
    EXPECT_TRUE(b.sentTypes().empty());
    EXPECT_TRUE(b.notices.empty());
    EXPECT_EQ(c.manager.dsData().getCurrentDocument()->documentUrl(), "http://web.example/s/share.xml");
    EXPECT_EQ(c.manager.dsData().currentPageNumber(), 2);
    EXPECT_EQ(c.notices,
              (Lines{"active", "operator alice", "document http://web.example/s/share.xml", "page 2"}));

    // With the pointer on the operator adds its modes, size and zoom.
    bus.clear();
    a.manager.dsData().setIsPointerOn(true);
    a.manager.dsData().setSharedSize({1024.5, 768});
    c.manager.sendDocShareMessage("WEBESCORT_REQUEST", 0, std::nullopt);
    bus.pump();
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT >3", "WEBESCORT_PAGE_INFO >3", "WEBESCORT_PMODE >3",
                                    "WEBESCORT_SIZING >3", "WEBESCORT_ZOOM >3"}));
    EXPECT_EQ(c.manager.dsData().sharedSize(), QSizeF(1024, 768));  // fractions do not travel
    EXPECT_TRUE(c.manager.dsData().isPointerOn());
}

TEST_F(Share, OperatorWithNothingToShowAnswersNothingAndBlankPageAnswersDefault) {
    startAt(a);
    c.manager.sendDocShareMessage("WEBESCORT_REQUEST", 0, std::nullopt);
    bus.pump();
    EXPECT_TRUE(a.sentTypes().empty());
    a.manager.dsData().appendCurrentDocument(std::make_shared<DSDocument>("about:blank"));
    c.manager.sendDocShareMessage("WEBESCORT_REQUEST", 0, std::nullopt);
    bus.pump();
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT_USEDEFAULT >3"}));
}

TEST_F(Share, IdleChairAnswersTheDefaultAndStaysIdle) {
    a.chair = true;
    // A request from client 12 as the relay rebuilds it.
    const QString request = "Type: WEBESCORT_REQUEST\r\nKey: 12\r\n";
    a.manager.OnDocShareData("zed", request);
    b.manager.OnDocShareData("zed", request);
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT_USEDEFAULT >12"}));
    EXPECT_TRUE(b.sentTypes().empty());
    EXPECT_FALSE(a.manager.isStarted());
    // A following chair answers the default too; a following non-chair does not.
    startAt(c);
    a.manager.OnDocShareData("zed", request);
    b.manager.OnDocShareData("zed", request);
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT_USEDEFAULT >12"}));
    EXPECT_TRUE(b.sentTypes().empty());
}

TEST_F(Share, ScrollSizingAndZoomAsReceived) {
    startAt(a);
    DocShareData& d = b.manager.dsData();
    d.setScrollPoint({30, 40});
    struct Case {
        const char* text;
        QPointF scroll;
        QSizeF size;
        std::int64_t zoom;
    };
    // Each row is applied on top of the rows before it.
    const Case cases[] = {
        {"Type: WEBESCORT_SCROLL\r\nScrollSize: -1,250\r\n", {30, 250}, {0, 0}, 100},
        {"Type: WEBESCORT_SCROLL\r\nScrollSize: 250\r\n", {30, 250}, {0, 0}, 100},
        {"Type: WEBESCORT_SCROLL\r\nScrollSize: 7,-1\r\n", {7, 250}, {0, 0}, 100},
        {"Type: WEBESCORT_SIZING\r\nSize: 0,600\r\n", {7, 250}, {0, 0}, 100},
        {"Type: WEBESCORT_SIZING\r\nSize: 800,600\r\n", {7, 250}, {800, 600}, 100},
        {"Type: WEBESCORT_SIZING\r\nSize: 2000000000,3\r\n",
         {7, 250},
         {DocShareManager::kMaxSharedSide, 3},
         100},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: 200\r\n", {7, 250}, {DocShareManager::kMaxSharedSide, 3}, 200},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: 0\r\n", {7, 250}, {DocShareManager::kMaxSharedSide, 3}, 200},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: -50\r\n", {7, 250}, {DocShareManager::kMaxSharedSide, 3}, 200},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: 10000\r\n", {7, 250}, {DocShareManager::kMaxSharedSide, 3}, 200},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: 9999\r\n", {7, 250}, {DocShareManager::kMaxSharedSide, 3}, 9999},
        {"Type: WEBESCORT_ZOOM\r\nZoomRate: 1\r\n", {7, 250}, {DocShareManager::kMaxSharedSide, 3}, 1},
    };
    for (const Case& c : cases) {
        b.manager.OnDocShareData("alice", c.text);
        EXPECT_EQ(d.scrollPoint(), c.scroll) << c.text;
        EXPECT_EQ(d.sharedSize(), c.size) << c.text;
        EXPECT_EQ(d.zoomRange(), c.zoom) << c.text;
    }
    bus.pump();
    EXPECT_EQ(b.notices, (Lines{"scroll 30,250", "scroll 7,250", "size 800x600", "size 20000x3", "zoom 200",
                                "zoom 9999", "zoom 1"}));
}

TEST_F(Share, PaintModeMakesFollowersDrawableOnlyInDrawAllRooms) {
    for (bool drawAll : {false, true}) {
        SCOPED_TRACE(drawAll ? "draw all" : "operator only");
        b.manager.setOptions({{"DOCSHARE_DRAW_ALL", drawAll ? "Y" : "N"}});
        startAt(a);
        b.manager.OnDocShareData("alice",
                                 "Type: WEBESCORT_PMODE\r\nPointerMode: FALSE\r\nPaintMode: true\r\n");
        EXPECT_FALSE(b.manager.dsData().isDrawingOn());  // lower case counts as off
        a.manager.dsData().setIsDrawingOn(true);
        a.manager.changeDrawingMode(true);
        bus.pump();
        EXPECT_TRUE(b.manager.dsData().isDrawingOn());
        EXPECT_EQ(b.manager.dsData().isDrawable(), drawAll);
        b.speakable = false;
        b.manager.changeSpeaker(false);
        EXPECT_FALSE(b.manager.dsData().isDrawable());
        b.speakable = true;
        b.manager.changeSpeaker(true);
        EXPECT_EQ(b.manager.dsData().isDrawable(), drawAll);
        a.manager.stopDocShare(false);
        b.manager.stopDocShare(false);
        c.manager.stopDocShare(false);
        bus.pump();
    }
}

TEST_F(Share, StrokeTravelsAndIsStoredWhilePaintModeIsOn) {
    startAt(a);
    a.manager.dsData().setIsDrawingOn(true);
    a.manager.dsData().setIsDrawable(true);
    a.manager.changeDrawingMode(true);
    bus.pump();
    bus.clear();
    DocShareData& ad = a.manager.dsData();
    ad.setPenColorR(1.0);
    ad.setPenWidth(7.9);
    ad.addDrawPoint({10, 20});
    ad.addDrawPoint({30.7, 40.2});
    a.manager.drawData(0);
    EXPECT_EQ(ad.sendDrawPointCount(), 0);
    ASSERT_EQ(a.sent.size(), 1u);
    EXPECT_EQ(a.sent[0],
              "Type: WEBWBRD_DATA\r\nKey: -1\r\nScroll: 0, 0\r\nStyle: 0\r\nWidth: 7\r\n"
              "Color: 255, 0, 0\r\nPos: 10, 20\r\nPos: 30, 40\r\n\r\n\r\n");
    bus.pump();
    const QList<QVariantMap> strokes = b.manager.dsData().drawDataArray();
    ASSERT_EQ(strokes.size(), 1);
    EXPECT_EQ(strokes[0].value("Color"), "255,0,0");
    EXPECT_EQ(strokes[0].value("Width"), "7");
    EXPECT_EQ(strokes[0].value("Pos00001"), "30,40");
    EXPECT_EQ(b.notices, (Lines{"draw 1"}));
    // The whiteboard clear empties the strokes; a page clear only tells the window.
    a.manager.clearDrawing();
    bus.pump();
    EXPECT_TRUE(b.manager.dsData().drawDataArray().isEmpty());
}

TEST_F(Share, PageInfoAtTheOperatorIsAppliedAndSentAgain) {
    startAt(a);
    a.manager.dsData().appendCurrentDocument(std::make_shared<DSDocument>("http://web.example/s/share.xml"));
    const QString page = "Type: WEBESCORT_PAGE_INFO\r\nUrl: http://web.example/s/share.xml\r\nPage: %1\r\n";
    a.manager.OnDocShareData("bob", page.arg(0));
    EXPECT_TRUE(a.sentTypes().empty());
    a.manager.OnDocShareData("bob", page.arg(3));
    EXPECT_EQ(a.manager.dsData().currentPageNumber(), 3);
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT_PAGE_INFO"}));
    EXPECT_TRUE(a.sent[0].contains("Page: 3\r\n"));
}

TEST_F(Share, PageTurningNeedsTheRight) {
    b.manager.setOptions({{"MODE_USER_PERMISSION_DS_PAGE_SWITCHABLE", "Y"}});
    startAt(a);
    b.manager.changePageInfo(1);
    EXPECT_TRUE(b.sent.empty());
    b.manager.changeDocSharePermission(true);
    EXPECT_TRUE(b.manager.dsData().hasPageOperationRight());
    b.manager.changePageInfo(1);
    EXPECT_EQ(b.sentTypes(), (Lines{"WEBESCORT_PAGE_INFO"}));
    // Without the room option nobody but the operator turns pages.
    c.manager.changeDocSharePermission(true);
    EXPECT_FALSE(c.manager.dsData().hasPageOperationRight());
}

TEST_F(Share, OperatorStopSendsModesOffThenClear) {
    startAt(a);
    a.manager.dsData().setIsPointerOn(true);
    a.manager.stopDocShare(false);
    ASSERT_EQ(a.sentTypes(), (Lines{"WEBESCORT_PMODE", "WEBESCORT_CLEAR"}));
    EXPECT_TRUE(a.sent[0].contains("PointerMode: FALSE\r\nPaintMode: FALSE\r\n"));
    EXPECT_FALSE(a.manager.isStarted());
    EXPECT_TRUE(a.manager.dsData().hasViewingRight());
    EXPECT_EQ(a.manager.ownerInfo(), nullptr);
    // A follower's stop sends nothing.
    b.manager.stopDocShare(false);
    EXPECT_TRUE(b.sent.empty());
}

TEST_F(Share, WindowOperationsSendTheModelsValues) {
    startAt(a);
    DocShareData& d = a.manager.dsData();
    d.appendCurrentDocument(std::make_shared<DSDocument>("http://web.example/p.html"));
    d.setSharedSize({800.25, 600});
    d.setScrollPoint({12.7, 99.9});
    d.setZoomRange(150);
    d.setPointerOrigin({5.5, 6.5});
    a.manager.changeDocSize({});
    a.manager.changeScrollPoint({});
    a.manager.changeZoomRange(0);
    a.manager.movePointer({});  // pointer mode is off at the followers: not applied there
    a.manager.forceDisplay();
    a.manager.requestDocSize();  // only a follower asks
    const std::vector<QString> expected{
        "Type: WEBESCORT_SIZING\r\nKey: -1\r\nSize: 800.250000, 600.000000\r\n\r\n",
        "Type: WEBESCORT_SCROLL\r\nKey: -1\r\nScroll: 12, 99\r\n\r\n",
        "Type: WEBESCORT_ZOOM\r\nKey: -1\r\nZoomRate: 150\r\n\r\n",
        "Type: WEBWBRD_MOUSE_POINT\r\nKey: -1\r\nMousePoint: 5, 6\r\nUserName: alice-name\r\nScrollPoint: "
        "12, 99\r\n"
        "\r\n\r\n",
        "Type: WEBESCORT_ACTIVE\r\nKey: -1\r\nUrl: http://web.example/p.html\r\nTarget: "
        ",http://web.example/p.html\r\n"
        "\r\n",
    };
    EXPECT_EQ(a.sent, expected);
    bus.pump();
    EXPECT_EQ(b.manager.dsData().sharedSize(), QSizeF(800, 600));
    EXPECT_EQ(b.manager.dsData().scrollPoint(), QPointF(12, 99));
    EXPECT_EQ(b.manager.dsData().zoomRange(), 150);
    EXPECT_EQ(b.notices, (Lines{"size 800x600", "scroll 12,99", "zoom 150",
                                "document http://web.example/p.html", "active"}));
    // A follower's request for the size is answered by the operator to all.
    bus.clear();
    b.manager.requestDocSize();
    bus.pump();
    EXPECT_EQ(a.sentTypes(), (Lines{"WEBESCORT_PMODE", "WEBESCORT_SCROLL"}));
}

}  // namespace
