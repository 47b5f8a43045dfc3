// Shared pieces of the login tests: a scripted bridge, a recording delegate,
// recording feature managers, launch links, and the loopback web service set
// up as a room's web service.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/WebServiceFixture.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "services/LogFileManager.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"
#include "services/UpdateManager.h"

namespace login_test {

using quorix::test::WebReply;
using quorix::test::WebRequest;
using quorix::test::WebServiceFixture;
using namespace std::chrono_literals;

// A launch link as a web page gives it: Base64 of the space-separated fields,
// each percent-encoded and enclosed in double quotes.
inline QString LaunchLink(const QStringList& fields) {
    QStringList enclosed;
    for (const QString& f : fields) enclosed << "\"" + QString::fromLatin1(QUrl::toPercentEncoding(f)) + "\"";
    return "quorix://launch?p=" + QString::fromLatin1(enclosed.join(' ').toUtf8().toBase64());
}

// The eleven fields of a launch by link for a web-service address.
inline QStringList LinkFields(const QString& webAddress, const QString& userId = "user-1",
                              const QString& token = "key=tok123") {
    return {"Quorix", userId, "secret", "User One", "7", "8", webAddress, "", "", "", token};
}

// A bridge that answers logins from a script and records what it was given.
class FakeBridge : public QuorixBridge {
public:
    int Init() override {
        std::lock_guard lock(mu);
        ++inits;
        if (state != 0) return -1;
        state = 1;
        return 0;
    }
    void Term() override {
        std::lock_guard lock(mu);
        ++terms;
        state = 0;
    }
    int Login(const QuorixLoginParams& p) override {
        if (mainQueue().isCurrent()) loginOnMainThread = true;
        const int now = ++active;
        int seen = maxActive.load();
        while (now > seen && !maxActive.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(loginDelay);
        int result;
        {
            std::lock_guard lock(mu);
            logins.push_back(p);
            result = state == 0 ? -2 : state == 2 ? -4 : results.empty() ? defaultResult : results.front();
            if (!results.empty() && state == 1) results.pop_front();
            if (result == 0) state = 2;
        }
        --active;
        cv.notify_all();
        return result;
    }
    void Logout() override {
        std::lock_guard lock(mu);
        if (state == 2) state = 1;
    }
    int GetConnectionError() override { return connectionError; }
    int status() const override {
        std::lock_guard lock(mu);
        return state;
    }
    void setDelegate(QuorixDelegate*) override {}

    size_t loginCount() const {
        std::lock_guard lock(mu);
        return logins.size();
    }
    bool waitLogins(size_t n, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mu);
        return cv.wait_for(lock, timeout, [&] { return logins.size() >= n; });
    }

    mutable std::mutex mu;
    std::condition_variable cv;
    std::deque<int> results;
    int defaultResult = 0;
    int connectionError = 0;
    std::vector<QuorixLoginParams> logins;
    int inits = 0, terms = 0, state = 0;
    std::chrono::milliseconds loginDelay{0};
    std::atomic<int> active{0}, maxActive{0};
    std::atomic<bool> loginOnMainThread{false};
};

struct RecordingDelegate : LoginManagerDelegate {
    struct Error {
        int kind, code, subCode;
        bool operator==(const Error& o) const { return kind == o.kind && code == o.code && subCode == o.subCode; }
    };
    void onLoginError(int kind, int code, int subCode) override {
        std::lock_guard lock(mu);
        errors.push_back({kind, code, subCode});
        cv.notify_all();
    }
    void onLoginSuccess(bool relogin) override {
        std::lock_guard lock(mu);
        successes.push_back(relogin);
        cv.notify_all();
    }
    void onConnectionError(int errorNo) override {
        std::lock_guard lock(mu);
        connectionErrors.push_back(errorNo);
        cv.notify_all();
    }
    size_t outcomes() const {
        std::lock_guard lock(mu);
        return errors.size() + successes.size();
    }
    std::vector<Error> errorList() const {
        std::lock_guard lock(mu);
        return errors;
    }
    std::vector<bool> successList() const {
        std::lock_guard lock(mu);
        return successes;
    }

    mutable std::mutex mu;
    std::condition_variable cv;
    std::vector<Error> errors;
    std::vector<bool> successes;
    std::vector<int> connectionErrors;
};

// Feature managers that record the calls of the login.
struct FeatureCalls {
    std::mutex mu;
    std::vector<std::string> calls;
    void add(std::string c) {
        std::lock_guard lock(mu);
        calls.push_back(std::move(c));
    }
    std::vector<std::string> list() {
        std::lock_guard lock(mu);
        return calls;
    }
};

struct FakeAudio : LoginAudioManager {
    explicit FakeAudio(FeatureCalls& c) : calls(c) {}
    void setup(int sampling, const QVariantMap&) override { calls.add("audio.setup " + std::to_string(sampling)); }
    void start() override { calls.add("audio.start"); }
    void reset() override { calls.add("audio.reset"); }
    int roomSampleRate() const override { return 16000; }
    FeatureCalls& calls;
};

struct FakePermission : LoginPermissionManager {
    explicit FakePermission(FeatureCalls& c) : calls(c) {}
    void setParameters(const UserInfoRef& me, const QVariantMap&) override {
        calls.add("permission.set " + me->userId().toStdString());
    }
    void resetParameters(bool all) override { calls.add(std::string("permission.reset ") + (all ? "1" : "0")); }
    FeatureCalls& calls;
};

struct FakeQuestionnaire : LoginQuestionnaireInfo {
    explicit FakeQuestionnaire(FeatureCalls& c) : calls(c) {}
    void resetQuestionnaire() override { calls.add("question.reset"); }
    void stopQuestionnaire() override { calls.add("question.stop"); }
    int status() const override { return running; }
    QString issuedUserId() const override { return issuer; }
    FeatureCalls& calls;
    int running = 0;
    QString issuer;
};

inline LoginManagerFeatures RecordingFeatures(FeatureCalls& calls) {
    LoginManagerFeatures f;
    f.audioManager = [&calls](LoginManager&) { return std::make_unique<FakeAudio>(calls); };
    f.permissionManager = [&calls](LoginManager&) { return std::make_unique<FakePermission>(calls); };
    f.questionnaireInfo = [&calls](LoginManager&) { return std::make_unique<FakeQuestionnaire>(calls); };
    return f;
}

// The loopback web service as a room's web service: the room configuration,
// the notices (a reply per mode) and the version check.
class RoomWebService {
public:
    RoomWebService() {
        EXPECT_TRUE(server.start());
        setConfig({{"SERVERIP", "127.0.0.1:23000"}, {"CATEGORY", "0"}, {"OWNER", "owner-id"}});
        server.setHandler(WebServiceFixture::kNoticePath, [this](const WebRequest& r) {
            std::lock_guard lock(mu_);
            auto it = noticeReplies_.find(r.queryValue("mode"));
            return it != noticeReplies_.end() ? it->second : WebReply::text("RESULT=0");
        });
        const std::string version = MainBundle::version().toStdString();
        server.setReply(WebServiceFixture::kUpdatePath, WebReply::xml(WebServiceFixture::updateCheckXml(version, version)));
    }
    void setConfig(const std::vector<std::pair<std::string, std::string>>& entries) {
        server.setReply(WebServiceFixture::kCommonParamPath, WebReply::xml(WebServiceFixture::commonParamXml(entries)));
    }
    void setNoticeReply(const std::string& mode, WebReply reply) {
        std::lock_guard lock(mu_);
        noticeReplies_[mode] = std::move(reply);
    }
    // "http://127.0.0.1:<port>/index.html": a page of the service's top folder.
    QString address() const { return QString::fromStdString(server.baseUrl()) + "index.html"; }
    std::vector<std::string> noticeModes() const {
        std::vector<std::string> modes;
        for (const WebRequest& r : server.requestsFor(WebServiceFixture::kNoticePath)) modes.push_back(r.queryValue("mode"));
        return modes;
    }

    WebServiceFixture server;

private:
    std::mutex mu_;
    std::map<std::string, WebReply> noticeReplies_;
};

// Qt, a fresh home with a log file, and no update alert.
class LoginTestBase : public ::testing::Test {
protected:
    LoginTestBase() {
        ensureQtApplication();
        LogFileManager::resetForTesting();
        LogFileManager::createLogFile();
        UpdateManager::setAlertRunner([](const UpdateManager::AlertRequest&) { return 1; });
    }
    ~LoginTestBase() override {
        UpdateManager::setAlertRunner({});
        LogFileManager::resetForTesting();
    }
    TemporaryHome home;
};

}  // namespace login_test
