// Document sharing through LoginManager: the real manager made by the client's
// factory, started by the core's start result, its texts leaving through the
// bridge and rebuilt by the core's record conversion for the other
// participant's LoginManager.
#include <QCoreApplication>

#include "../session/FeatureTestSupport.h"
#include "control/DocShareRecords.h"
#include "docshare/DSNotificator.h"
#include "docshare/DSNotificatorDispatcher.h"
#include "docshare/DocShareDataparse.h"
#include "docshare/DocShareManager.h"
#include "startup/ClientFeatures.h"

namespace login_test {
namespace {

// The texts a bridge handed to the core, rebuilt as a receiver reads them (sender client `from`).
std::vector<QString> relayed(CommandBridge& bridge, uint32_t from, uint32_t* target = nullptr) {
    std::vector<QString> out;
    for (const std::string& line : bridge.commands("docShareData ")) {
        std::vector<uint8_t> record;
        uint32_t to = 0;
        EXPECT_EQ(BuildDocShareRecord(line.substr(13), "x", record, to), DSBuild::Ok) << line;
        std::string text;
        if (DocShareRecordToText(record.data(), record.size(), from, text) != DSParse::Ok) continue;
        if (target) *target = to;
        out.push_back(QString::fromStdString(text));
    }
    bridge.clearCommands();
    return out;
}

std::vector<std::string> types(CommandBridge& bridge) {
    std::vector<std::string> out;
    for (const std::string& line : bridge.commands("docShareData ")) {
        const QVariantMap m = DocShareDataparse::getMessageElements(QString::fromStdString(line.substr(13)));
        out.push_back(m.value("Type").toString().toStdString() + " " +
                      m.value("Key").toString().toStdString());
    }
    return out;
}

struct Documents : DSNotificatorDispatcherDelegate {
    std::vector<std::string> urls;
    void didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& d) override {
        urls.push_back(d->documentUrl().toStdString());
    }
};

TEST(DocShareLogin, OperatorSharesAPageAndAFollowerAndANewcomerGetIt) {
    RoomWebService web;
    Participant a(ClientFeatures::make()), b(ClientFeatures::make());
    ASSERT_TRUE(EnterRoom(web, a, {}, "owner-id"));
    ASSERT_TRUE(EnterRoom(web, b, {}, "bob"));
    auto* aDoc = dynamic_cast<DocShareManager*>(a.manager.docShareManager());
    auto* bDoc = dynamic_cast<DocShareManager*>(b.manager.docShareManager());
    ASSERT_TRUE(aDoc && bDoc);
    ScopedManualDispatcher main;  // the notices wait until the test runs the main queue
    DSNotificatorDispatcher dispatcher(&DSNotificator::sharedNotificator());
    Documents documents;
    dispatcher.setDelegate(&documents);
    b.manager.OnStartSpeech(1, "owner-id", "Owner", "S0", true, true);  // A is in B's list

    // The core accepted A's start.
    a.manager.OnDocShareStartResult(0);
    EXPECT_TRUE(aDoc->hasOperationRight());
    EXPECT_EQ(a.window.list("doc"), std::vector<std::string>{"docStart owner-id 1"});
    aDoc->dsData().appendCurrentDocument(std::make_shared<DSDocument>("http://web.example/page.html"));
    aDoc->updateDocument("http://web.example/page.html", -1);
    EXPECT_EQ(types(a.bridge), (std::vector<std::string>{"WEBESCORT -1", "WEBESCORT_PMODE -1"}));

    // B, idle, follows from the first page message.
    for (const QString& text : relayed(a.bridge, 1)) b.manager.OnDocShareData("owner-id", text);
    EXPECT_TRUE(bDoc->isStarted());
    EXPECT_FALSE(bDoc->hasOperationRight());
    ASSERT_TRUE(bDoc->ownerInfo());
    EXPECT_EQ(bDoc->ownerInfo()->userId(), "owner-id");
    ASSERT_EQ(bDoc->dsData().documents().size(), 1);
    main->runPending();
    EXPECT_EQ(documents.urls, std::vector<std::string>{"http://web.example/page.html"});
    EXPECT_EQ(b.window.list("docActive").size(), 1u);

    // A newcomer (client 3) asks everybody; only the operator answers, to it alone.
    const QString request = "Type: WEBESCORT_REQUEST\r\nKey: 3\r\n";
    a.manager.OnDocShareData("carol", request);
    b.manager.OnDocShareData("carol", request);
    uint32_t to = 0;
    const auto answer = relayed(a.bridge, 1, &to);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(to, 3u);
    EXPECT_TRUE(answer[0].startsWith("Type: WEBESCORT\r\nUrl: http://web.example/page.html\r\n"));
    EXPECT_TRUE(b.bridge.commands("docShareData").empty());

    // A stops: modes off and clear go out; once idle the chair answers the default.
    a.manager.stopDocShare();
    EXPECT_EQ(types(a.bridge), (std::vector<std::string>{"WEBESCORT_PMODE -1", "WEBESCORT_CLEAR -1"}));
    EXPECT_EQ(a.bridge.commands("docShareStop").size(), 1u);
    a.bridge.clearCommands();
    a.manager.OnDocShareData("carol", "Type: WEBESCORT_REQUEST\r\nKey: 12\r\n");
    EXPECT_EQ(types(a.bridge), std::vector<std::string>{"WEBESCORT_USEDEFAULT 12"});
    EXPECT_FALSE(aDoc->isStarted());
    dispatcher.setDelegate(nullptr);
}

}  // namespace
}  // namespace login_test
