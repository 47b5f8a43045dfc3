#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "fixtures/WebServiceFixture.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/SoftwareUpdater.h"
#include "platform/UserDefaults.h"
#include "services/QuorixUtils.h"
#include "services/UpdateManager.h"
#include "services/WebAccess.h"

using quorix::test::WebReply;
using quorix::test::WebRequest;
using quorix::test::WebServiceFixture;

namespace {

const QString kSkipKey = "KeyUpdateSkipVersion";

class UpdateManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        Localization::setLanguage("en");
        ASSERT_TRUE(server.start());
        setCheckReply(WebReply::xml(WebServiceFixture::updateCheckXml("3.1", "3.0")));
        server.setHandler(WebServiceFixture::kUpdatePath, [this](const WebRequest& r) {
            std::lock_guard lock(replyMutex);
            return r.queryValue("mode") == "update" ? feedReply : checkReply;
        });
        previousInfo = UpdateManager::setVersionInfo(info("3.0", "10.15.7"));
        previousRunner = UpdateManager::setAlertRunner([this](const UpdateManager::AlertRequest& request) {
            alerts.push_back(request);
            alertOnMainThread.push_back(mainQueue().isCurrent());
            return nextChoice;
        });
        previousOpener = SoftwareUpdater::setOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        manager().setParam(base(), "user 1&x=y", "secret", "Name", "top", "room/1");
    }
    void TearDown() override {
        UpdateManager::setVersionInfo(previousInfo);
        UpdateManager::setAlertRunner(previousRunner);
        SoftwareUpdater::setOpener(previousOpener);
        WebAccess::setTimeOuts(savedTimeOuts);
    }

    static UpdateManager& manager() { return UpdateManager::sharedManager(); }
    QString base() const { return QString::fromStdString(server.baseUrl()); }
    static UpdateManager::VersionInfo info(const QString& bundle, const QString& system,
                                           std::optional<QString> supportSystem = QString("2.0")) {
        return {bundle, bundle + " (short)", supportSystem, system, "ja-JP"};
    }
    void setCheckReply(WebReply reply) {
        std::lock_guard lock(replyMutex);
        checkReply = std::move(reply);
    }
    void setFeedReply(WebReply reply) {
        std::lock_guard lock(replyMutex);
        feedReply = std::move(reply);
    }
    size_t checkRequests() const {
        size_t n = 0;
        for (auto& r : server.requestsFor(WebServiceFixture::kUpdatePath))
            n += r.queryValue("mode") == "check";
        return n;
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    WebServiceFixture server;
    std::mutex replyMutex;
    WebReply checkReply, feedReply;
    std::vector<UpdateManager::AlertRequest> alerts;
    std::vector<bool> alertOnMainThread;
    std::vector<QUrl> opened;
    int nextChoice = UpdateManager::ChoiceLater;
    std::optional<UpdateManager::VersionInfo> previousInfo;
    UpdateManager::AlertRunner previousRunner;
    SoftwareUpdater::Opener previousOpener;
    WebAccess::TimeOuts savedTimeOuts = WebAccess::timeOuts();
};

TEST_F(UpdateManagerTest, OneEncodedRequestServesTheChecksOfALogin) {
    EXPECT_TRUE(manager().checkSupportSystemVersion());
    EXPECT_TRUE(manager().checkSupportAppVersion());
    EXPECT_FALSE(manager().isSkipNotify());
    manager().checkLatestAppVersion(false);

    auto reqs = server.requestsFor(WebServiceFixture::kUpdatePath);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].queryValue("mode"), "check");
    EXPECT_EQ(reqs[0].queryValue("uid"), "user 1&x=y");
    EXPECT_FALSE(reqs[0].hasQueryKey("x"));
    EXPECT_EQ(reqs[0].queryValue("trid"), "top");
    EXPECT_EQ(reqs[0].queryValue("rid"), "room/1");
    EXPECT_EQ(reqs[0].queryValue("lang"), "ja-JP");
    EXPECT_FALSE(reqs[0].hasQueryKey("pass"));
    EXPECT_EQ(reqs[0].header("user-agent"), QuorixUtils::GetAppUserAgent().toStdString());

    // 3.1 is newer than 3.0: the offer with its three choices.
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].kind, UpdateManager::AlertRequest::Update);
    EXPECT_EQ(alerts[0].message, LocalizedFormat("dfUPDATE_MESSAGE", "Quorix"));
    EXPECT_EQ(alerts[0].informativeText,
              LocalizedFormat("dfUPDATE_APP_INFO", "Quorix", "3.1", "3.0 (short)"));
    EXPECT_EQ(alerts[0].buttons.size(), 3);

    // New parameters ask again.
    manager().setParam(base(), "u", "p", "n", "t", "r");
    EXPECT_FALSE(manager().latestVersion());
    EXPECT_EQ(manager().checkUpdateToServer(), 0);
    EXPECT_EQ(checkRequests(), 2u);
}

TEST_F(UpdateManagerTest, UnsupportedBuildGetsTheForcedAlertAndStops) {
    setCheckReply(WebReply::xml(WebServiceFixture::updateCheckXml("3.1", "3.0.0")));
    UpdateManager::setVersionInfo(info("2.9.9", "10.15.7"));
    EXPECT_TRUE(manager().checkSupportSystemVersion());
    EXPECT_FALSE(manager().checkSupportAppVersion());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, LocalizedString("dfUPDATE_FORCE_MESSAGE"));
    EXPECT_EQ(alerts[0].buttons, QStringList{LocalizedString("dfUPDATE_APP")});

    // Exactly the supported version is fine.
    UpdateManager::setVersionInfo(info("3.0.0", "10.15.7"));
    EXPECT_TRUE(manager().checkSupportAppVersion());
    EXPECT_EQ(alerts.size(), 1u);
}

TEST_F(UpdateManagerTest, ForcedAlertFromTheLoginQueueRunsOnTheMainThread) {
    setCheckReply(WebReply::xml(WebServiceFixture::updateCheckXml("3.1", "3.0.0")));
    UpdateManager::setVersionInfo(info("2.9.9", "10.15.7"));
    std::atomic<int> answer{-1};
    std::thread login([&] { answer = manager().checkSupportAppVersion() ? 1 : 0; });
    // The login thread waits for the alert, which waits for the main queue.
    while (answer == -1) dispatcher->waitAndRunPending(std::chrono::milliseconds(50));
    login.join();
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(alertOnMainThread.size(), 1u);
    EXPECT_TRUE(alertOnMainThread[0]);
}

TEST_F(UpdateManagerTest, SkippedVersionIsForgottenWhenANewerOneArrives) {
    UserDefaults::standard().setString(kSkipKey, "3.1");
    EXPECT_EQ(manager().checkUpdateToServer(), 0);
    EXPECT_TRUE(manager().isSkipNotify());
    EXPECT_EQ(UserDefaults::standard().stringForKey(kSkipKey), QString("3.1"));

    setCheckReply(WebReply::xml(WebServiceFixture::updateCheckXml("3.2", "3.0")));
    manager().setParam(base(), "u", "p", "n", "t", "r");
    EXPECT_EQ(manager().checkUpdateToServer(), 0);
    EXPECT_FALSE(UserDefaults::standard().hasKey(kSkipKey));
    EXPECT_FALSE(manager().isSkipNotify());
    manager().checkLatestAppVersion(false);
    EXPECT_EQ(alerts.size(), 1u);

    // A skip version with more components than "latest" stays.
    UserDefaults::standard().setString(kSkipKey, "3.2.0");
    manager().setParam(base(), "u", "p", "n", "t", "r");
    EXPECT_EQ(manager().checkUpdateToServer(), 0);
    EXPECT_TRUE(UserDefaults::standard().hasKey(kSkipKey));
    EXPECT_FALSE(manager().isSkipNotify());
}

TEST_F(UpdateManagerTest, NewerVersionForANewerSystemIsNoUpdate) {
    setCheckReply(WebReply::xml(WebServiceFixture::updateCheckXml("3.1", "3.0", "11.0.0")));
    manager().checkLatestAppVersion(false);
    EXPECT_TRUE(alerts.empty());
    manager().checkLatestAppVersion(true);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].kind, UpdateManager::AlertRequest::NoUpdate);
    EXPECT_EQ(alerts[0].message, LocalizedString("dfALREADY_UPDATED"));

    // On the required system itself the update is offered.
    alerts.clear();
    UpdateManager::setVersionInfo(info("3.0", "11.0.0"));
    manager().checkLatestAppVersion(false);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].kind, UpdateManager::AlertRequest::Update);
}

TEST_F(UpdateManagerTest, NewestVersionOlderThanTheSystemNeedsIsUnsupported) {
    struct Case {
        const char* latest;
        std::optional<QString> supportSystem;
        bool supported;
    };
    const Case cases[] = {
        {"1.9.9", QString("2.0"), false},
        {"2.0", QString("2.0"), true},
        {"2.0.1", QString("2.0"), true},
        {"0.1", std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.latest);
        setCheckReply(WebReply::xml(WebServiceFixture::updateCheckXml(c.latest, "0.1")));
        UpdateManager::setVersionInfo(info("3.0", "10.15.7", c.supportSystem));
        manager().setParam(base(), "u", "p", "n", "t", "r");
        EXPECT_EQ(manager().checkSupportSystemVersion(), c.supported);
    }
}

TEST_F(UpdateManagerTest, NoUsableReply) {
    WebAccess::setTimeOuts({std::chrono::milliseconds(2000), std::chrono::milliseconds(300)});
    struct Case {
        const char* name;
        WebReply reply;
    };
    const Case cases[] = {
        {"status 500", WebReply::status500("<html><body>Internal error</body></html>")},
        {"stall", WebReply::stall()},
        {"no reply", WebReply::closeWithoutReply()},
        {"malformed", WebReply::xml("<update><latest>3.1</latest><support>3.0")},
        {"error page", WebReply::xml("<html><body><latest>3.1</latest><br></body></html>")},
        {"no support", WebReply::xml(WebServiceFixture::updateCheckXml("3.1", ""))},
        {"no latest", WebReply::xml(WebServiceFixture::updateCheckXml("", "3.0"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setCheckReply(c.reply);
        alerts.clear();
        manager().setParam(base(), "u", "p", "n", "t", "r");
        EXPECT_NE(manager().checkUpdateToServer(), 0);
        manager().setParam(base(), "u", "p", "n", "t", "r");
        EXPECT_FALSE(manager().checkSupportSystemVersion());
        EXPECT_TRUE(manager().checkSupportAppVersion());
        manager().checkLatestAppVersion(false);
        EXPECT_TRUE(alerts.empty());
        manager().setParam(base(), "u", "p", "n", "t", "r");
        manager().checkLatestAppVersion(true);
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].kind, UpdateManager::AlertRequest::Failure);
        EXPECT_EQ(alerts[0].message, LocalizedString("dfUPDATE_CHECK_FAILED"));
    }
}

TEST_F(UpdateManagerTest, ChoicesOfTheUpdateAlert) {
    UserDefaults::standard().setString(kSkipKey, "2.5");
    nextChoice = UpdateManager::ChoiceDoNotNotify;
    manager().checkLatestAppVersion(false);
    EXPECT_EQ(UserDefaults::standard().stringForKey(kSkipKey), QString("3.1"));

    nextChoice = UpdateManager::ChoiceLater;
    manager().checkLatestAppVersion(false);
    EXPECT_FALSE(UserDefaults::standard().hasKey(kSkipKey));
    EXPECT_TRUE(opened.empty());

    // The choices reach the settings file at once.
    UserDefaults::standard().setString(kSkipKey, "3.1");
    manager().updateAlertFinishedWithChoice(UpdateManager::ChoiceLater);
    UserDefaults::resetStandard();
    EXPECT_FALSE(UserDefaults::standard().hasKey(kSkipKey));
}

TEST_F(UpdateManagerTest, InstallHandsTheDownloadAddressToTheDesktop) {
    const std::string download = server.baseUrl() + "download/Quorix-3.1.tar.gz";
    setFeedReply(WebReply::xml(WebServiceFixture::updateFeedXml("3.1", download)));
    UserDefaults::standard().setString(kSkipKey, "2.5");
    nextChoice = UpdateManager::ChoiceInstall;
    manager().checkLatestAppVersion(false);
    EXPECT_FALSE(UserDefaults::standard().hasKey(kSkipKey));
    for (int i = 0; i < 100 && opened.empty(); ++i)
        dispatcher->waitAndRunPending(std::chrono::milliseconds(50));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString().toStdString(), download);

    auto feed = server.requestsFor(WebServiceFixture::kUpdatePath);
    ASSERT_EQ(feed.size(), 2u);
    EXPECT_EQ(feed[1].queryValue("mode"), "update");
    EXPECT_EQ(feed[1].queryValue("uid"), "user 1&x=y");
    EXPECT_EQ(SoftwareUpdater::sharedUpdater().delegate(), &manager());

    // Nothing of the login is kept for a relaunch.
    for (const char* key :
         {"reloginUrl", "reloginUid", "reloginPass", "reloginName", "reloginTid", "reloginRid"})
        EXPECT_FALSE(UserDefaults::standard().hasKey(key)) << key;
}

TEST_F(UpdateManagerTest, FeedAddressesThatAreNoWebAddressesAreNotOpened) {
    struct Case {
        const char* name;
        std::string feed;
    };
    const Case cases[] = {
        {"file", WebServiceFixture::updateFeedXml("3.1", "file:///etc/passwd")},
        {"other scheme", WebServiceFixture::updateFeedXml("3.1", "smb://host/share/pkg")},
        {"none", WebServiceFixture::updateCheckXml("3.1", "3.0")},
        {"not XML", "<html>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(SoftwareUpdater::itemFromFeed(QByteArray::fromStdString(c.feed), &error));
    }
    QString error;
    auto item = SoftwareUpdater::itemFromFeed(
        "<update><latest>3.1</latest><download>https://dl.example.test/a?b=1&amp;c=2</download></update>",
        &error);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->version, "3.1");
    EXPECT_EQ(item->downloadURL.toString(), "https://dl.example.test/a?b=1&c=2");
}

TEST_F(UpdateManagerTest, ReleaseNotesAddressKeepsEveryPiece) {
    setCheckReply(
        WebReply::xml(WebServiceFixture::updateCheckXml("3.1", "3.0", "", "https://n.test/?v=3.1&amp;l=en")));
    EXPECT_EQ(manager().checkUpdateToServer(), 0);
    EXPECT_EQ(manager().releaseNoteUrl(), QString("https://n.test/?v=3.1&l=en"));
}

TEST_F(UpdateManagerTest, RelaunchDataServeOneRelaunchOnly) {
    const char* keys[] = {"reloginUrl",  "reloginUid", "reloginPass",
                          "reloginName", "reloginTid", "reloginRid"};
    auto store = [&](int skip) {
        for (int i = 0; i < 6; ++i)
            if (i != skip) UserDefaults::standard().setString(keys[i], QString("v%1").arg(i));
    };
    store(2);  // no password
    EXPECT_FALSE(manager().checkSaveLoginData());
    for (const char* key : keys) EXPECT_FALSE(UserDefaults::standard().hasKey(key)) << key;

    store(-1);
    EXPECT_TRUE(manager().checkSaveLoginData());
    EXPECT_EQ(manager().url(), "v0");
    EXPECT_EQ(manager().pass(), "v2");
    EXPECT_EQ(manager().rid(), "v5");
    for (const char* key : keys) EXPECT_FALSE(UserDefaults::standard().hasKey(key)) << key;
    EXPECT_FALSE(manager().checkSaveLoginData());
}

}  // namespace
