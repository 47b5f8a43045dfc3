// Two participants' windows on their real managers: the operator's texts
// travel as the relay records the core builds and are rebuilt for the
// follower, whose window reproduces the operator's document, page, zoom,
// scroll and size. Pages come from the loopback web service.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QScrollBar>
#include <deque>

#include "DocShareWindowTestSupport.h"
#include "control/DocShareRecords.h"
#include "docshare/DSNotificator.h"
#include "docshare/DocShareManager.h"
#include "docshare/DocShareWindowController.h"
#include "fixtures/WebServiceFixture.h"
#include "platform/Dispatch.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

namespace {

class Relay;

struct Side : DocShareManagerDelegate {
    Side(Relay& relay, QString id, uint32_t clientNo)
        : relay(relay), id(id), clientNo(clientNo), info(std::make_shared<UserInfo>(id, id + "-name", "S0")) {
        manager.setDelegate(this);
        manager.setNotificator(&notificator);
        manager.setMyInfo(info);
    }
    ~Side() override {
        window.reset();
        manager.setDelegate(nullptr);
    }
    bool isConferenceOwner() const override { return false; }
    bool isSpeakable() const override { return true; }
    UserInfoRef checkOwnerInfo(const QString& userId) const override;
    void sendDocShareData(const QString& text) override;

    DocShareParams params() {
        DocShareParams p;
        p.rect = QRectF(100, 100, 800, 600);
        p.defaultUrl = "http://start.example/";
        p.dsData = &manager.dsData();
        p.delegate = &manager;
        p.notificator = &notificator;
        p.makeWebPageView = [this] {
            auto fake = std::make_unique<FakeWebPageView>();
            web = fake.get();
            return fake;
        };
        return p;
    }

    Relay& relay;
    QString id;
    uint32_t clientNo;
    UserInfoRef info;
    DSNotificator notificator;
    DocShareManager manager;
    FakeWebPageView* web = nullptr;
    std::unique_ptr<DocShareWindowController> window;
    int received = 0;
};

// Carries each text as a relay record to the other side, on the main queue, in order.
class Relay {
public:
    Side& add(const QString& id) {
        sides_.push_back(std::make_unique<Side>(*this, id, uint32_t(sides_.size() + 1)));
        return *sides_.back();
    }
    void send(Side& from, const QString& text) {
        std::vector<uint8_t> record;
        uint32_t target = 0;
        EXPECT_EQ(BuildDocShareRecord(text.toStdString(), from.id.toStdString(), record, target),
                  DSBuild::Ok);
        std::string received;
        if (DocShareRecordToText(record.data(), record.size(), from.clientNo, received) != DSParse::Ok)
            return;
        const QString senderId = from.id;
        for (auto& side : sides_) {
            if (side.get() == &from) continue;
            Side* to = side.get();
            mainQueue().async([to, senderId, received] {
                to->manager.OnDocShareData(senderId, QString::fromStdString(received));
                ++to->received;
            });
        }
    }
    UserInfoRef find(const QString& id) const {
        for (auto& s : sides_)
            if (s->id == id) return s->info;
        return nullptr;
    }

private:
    std::vector<std::unique_ptr<Side>> sides_;
};

UserInfoRef Side::checkOwnerInfo(const QString& userId) const {
    return relay.find(userId);
}
void Side::sendDocShareData(const QString& text) {
    relay.send(*this, text);
}

std::string png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

const QColor kColours[] = {QColor(210, 50, 50), QColor(50, 170, 50), QColor(50, 50, 210)};

TEST(DocShareFollow, TheFollowersWindowReproducesTheOperatorsPageZoomScrollAndSize) {
    ensureDocShareApplication();
    TemporaryHome home;
    WebServiceFixture web;
    ASSERT_TRUE(web.start());
    std::vector<std::string> pages;
    for (int k = 0; k < 3; ++k) {
        const std::string path = "/conv/doc/p" + std::to_string(k) + ".png";
        web.setReply(path, WebReply::binary(png(makePagePicture(1200, 1600, kColours[k]))));
        pages.push_back(web.baseUrl() + path.substr(1));
    }
    web.setReply("/conv/doc/share.xml", WebReply::xml(WebServiceFixture::shareFileXml(pages)));
    const QString docUrl = QString::fromStdString(web.baseUrl() + "conv/doc/share.xml");

    Relay relay;
    Side& a = relay.add("alice");
    Side& b = relay.add("bob");
    a.manager.startDocShare(a.info, true, true);
    a.window = std::make_unique<DocShareWindowController>(a.params());
    a.window->showWindow();
    // The follower learns of the share from the start page's texts.
    ASSERT_TRUE(processEventsUntil(
        [&] { return b.manager.isStarted() && !b.manager.dsData().documents().isEmpty(); }));
    b.window = std::make_unique<DocShareWindowController>(b.params());
    b.window->showWindow();
    EXPECT_EQ(b.web->loads, std::vector<std::string>{"http://start.example/"});
    EXPECT_TRUE(b.window->window()->title().contains("alice-name"));

    // The operator shows an uploaded page-image document.
    DocShareData& ad = a.manager.dsData();
    ad.addDocument(std::make_shared<DSDocument>(docUrl));
    ad.setCurrentFileNumber(ad.documents().size() - 1);
    ad.setCurrentPageNumber(0);
    a.window->loadDocument();
    ASSERT_TRUE(processEventsUntil([&] { return !b.window->contentImage().isNull(); }, 30000));
    EXPECT_EQ(b.window->dispMode(), 1);
    EXPECT_EQ(b.window->contentImage().pixelColor(600, 800), kColours[0]);

    // Pointer mode on: from now on zoom and scroll are shared too, and the size.
    ad.setIsPointerOn(true);
    a.manager.changePointerMode(true);
    ASSERT_TRUE(processEventsUntil([&] { return b.manager.dsData().isPointerOn(); }));

    a.window->imageToolButton("id_docshare_image_tool_next")->click();
    ASSERT_TRUE(processEventsUntil(
        [&] { return b.window->contentImage().pixelColor(600, 800) == kColours[1]; }, 30000));
    EXPECT_EQ(b.window->currentPageText()->text(), "2");

    QLineEdit* zoom = a.window->scaleText();
    a.window->controlTextDidBeginEditing(zoom);
    zoom->setText("250");
    a.window->controlTextDidChange(zoom);
    a.window->controlTextDidEndEditing(zoom);
    ASSERT_TRUE(processEventsUntil([&] { return b.window->scaleRange() == 250; }));
    EXPECT_EQ(b.window->imageView()->displaySize(), QSizeF(3000, 4000));

    processEventsFor(100);
    a.window->scrollArea()->verticalScrollBar()->setValue(900);
    a.window->scrollArea()->horizontalScrollBar()->setValue(120);
    ASSERT_TRUE(processEventsUntil([&] {
        return b.window->scrollArea()->verticalScrollBar()->value() == 900 &&
               b.window->scrollArea()->horizontalScrollBar()->value() == 120;
    }));

    // The operator's window size: the follower's window takes it, 30 taller.
    a.window->window()->setFrame(QRectF(100, 100, 900, 650));
    processEventsFor(50);
    a.manager.dsData().setSharedSize(a.window->window()->frame().size());
    a.manager.changeDocSize(a.manager.dsData().sharedSize());
    ASSERT_TRUE(processEventsUntil([&] { return b.window->window()->frame().size() == QSizeF(900, 680); }));
    processEventsFor(100);
    const QString shot = QStringLiteral(QUORIX_TEST_BINARY_DIR "/docshare-follower.png");
    b.window->window()->grab().save(shot);
    // The follower sent nothing back but what a newcomer asks.
    EXPECT_EQ(a.received, 0);
}

}  // namespace
