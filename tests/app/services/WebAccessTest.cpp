#include <gtest/gtest.h>

#include <chrono>

#include "fixtures/WebServiceFixture.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"

using quorix::test::WebReply;
using quorix::test::WebServiceFixture;

namespace {

// The loopback web service is reached directly whatever proxies the machine
// running the tests has configured; tests of proxies set their own.
class NoProxyEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char* name :
             {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
    }
};
[[maybe_unused]] const auto* const kNoProxy = ::testing::AddGlobalTestEnvironment(new NoProxyEnvironment);

class WebAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start());
        base = QString::fromStdString(server.baseUrl());
    }
    void TearDown() override { WebAccess::setTimeOuts(saved); }

    WebServiceFixture server;
    QString base;
    WebAccess::TimeOuts saved = WebAccess::timeOuts();
};

TEST_F(WebAccessTest, GetCarriesUserAgentAndEncodedQuery) {
    server.setReply(WebServiceFixture::kCommonParamPath,
                    WebReply::xml(WebServiceFixture::commonParamXml({{"status", "0"}})));
    struct Case {
        const char* name;
        QString value;
    };
    const Case cases[] = {
        {"plain", "user1"},
        {"separators", "a&b=c#d"},
        {"plus and space", "a+b c"},
        {"percent and slash", "100%/x?y"},
        {"non-ASCII", QString::fromUtf8("\xE5\x90\x8D\xC3\xBC")},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.clearRequests();
        const QString url =
            base + "client/common_xml.php?" + WebAccess::queryString({{"uid", c.value}, {"lang", "en"}});
        auto reply = WebAccess::sendSynchronizedHTTPRequest(url);
        ASSERT_TRUE(reply);
        EXPECT_TRUE(reply->contains("<status>0</status>"));
        auto reqs = server.requests();
        ASSERT_EQ(reqs.size(), 1u);
        EXPECT_EQ(reqs[0].method, "GET");
        EXPECT_EQ(reqs[0].path, WebServiceFixture::kCommonParamPath);
        EXPECT_EQ(reqs[0].queryValue("uid"), c.value.toStdString());
        EXPECT_EQ(reqs[0].queryValue("lang"), "en");
        EXPECT_EQ(reqs[0].header("user-agent"), QuorixUtils::GetAppUserAgent().toStdString());
    }
}

TEST_F(WebAccessTest, ErrorStatusStillAnswersItsBody) {
    server.setReply("/fail", WebReply::status500("<html><body>boom</body></html>"));
    auto reply = WebAccess::sendSynchronizedHTTPRequest(base + "fail");
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, "<html><body>boom</body></html>");

    auto missing = WebAccess::sendSynchronizedHTTPRequest(base + "nowhere");
    ASSERT_TRUE(missing);
    EXPECT_EQ(*missing, "not found");

    server.setReply("/empty", WebReply::text(""));
    auto empty = WebAccess::sendSynchronizedHTTPRequest(base + "empty");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

TEST_F(WebAccessTest, StalledServerTimesOutWithinTheBound) {
    server.setReply("/stall", WebReply::stall());
    WebAccess::setTimeOuts({std::chrono::milliseconds(2000), std::chrono::milliseconds(300)});
    const auto start = std::chrono::steady_clock::now();
    auto reply = WebAccess::sendSynchronizedHTTPRequest(base + "stall");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(reply);
    EXPECT_GE(elapsed, std::chrono::milliseconds(250));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_EQ(server.requestsFor("/stall").size(), 1u);
}

TEST_F(WebAccessTest, TransportFailuresAnswerNothing) {
    server.setReply("/close", WebReply::closeWithoutReply());
    EXPECT_FALSE(WebAccess::sendSynchronizedHTTPRequest(base + "close"));

    // A port nobody listens on: take one from a server that has gone.
    QString goneBase;
    {
        WebServiceFixture gone;
        ASSERT_TRUE(gone.start());
        goneBase = QString::fromStdString(gone.baseUrl());
    }
    EXPECT_FALSE(WebAccess::sendSynchronizedHTTPRequest(goneBase + "x"));

    // Addresses that are no web address at all never reach curl.
    EXPECT_FALSE(WebAccess::sendSynchronizedHTTPRequest(base + "a b"));
    EXPECT_FALSE(WebAccess::sendSynchronizedHTTPRequest("file:///etc/hostname"));
    EXPECT_FALSE(WebAccess::sendSynchronizedHTTPRequest(""));
}

TEST_F(WebAccessTest, RequestWithBodyIsPost) {
    server.setReply("/post", WebReply::text("RESULT=0"));
    URLRequest request = WebAccess::CreateRequest(base + "post", QString("http://example.test/a?b=c"));
    EXPECT_EQ(request.HTTPMethod, "POST");
    EXPECT_EQ(request.valueForHTTPHeaderField("user-agent"), QuorixUtils::GetAppUserAgent().toUtf8());

    auto reply = WebAccess::sendSynchronizedHTTPRequest(base + "post", QString("http://example.test/a?b=c"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, "RESULT=0");
    auto reqs = server.requestsFor("/post");
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].method, "POST");
    EXPECT_EQ(reqs[0].body, "http://example.test/a?b=c");

    EXPECT_EQ(WebAccess::CreateRequest(base + "get").HTTPMethod, "GET");
}

TEST_F(WebAccessTest, CancelEndsATransfer) {
    server.setReply("/stall", WebReply::stall());
    std::atomic<bool> cancel{true};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WebAccess::perform(WebAccess::CreateRequest(base + "stall"), &cancel));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
