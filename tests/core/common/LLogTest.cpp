#include "common/LLog.h"

#include <gtest/gtest.h>
#include <json-c/json.h>

#include <string>
#include <thread>
#include <vector>

#include "tessel/TS_Mutex.h"

namespace {

struct CapturingCore : CLLogReceiver {
    CMutex mutex;
    std::vector<std::pair<int, std::string>> lines;
    void QuorixLog(int level, const char* line) override {
        CMutexLock lock(mutex);
        lines.emplace_back(level, line);
    }
    std::vector<std::pair<int, std::string>> Take() {
        CMutexLock lock(mutex);
        return std::move(lines);
    }
};

// 09:30:05.042 on 1 May 2024.
void FixedClock(std::tm* local, int* millisecond) {
    *local = std::tm{};
    local->tm_year = 124;
    local->tm_mon = 4;
    local->tm_mday = 1;
    local->tm_hour = 9;
    local->tm_min = 30;
    local->tm_sec = 5;
    *millisecond = 42;
}
const std::string kStamp = "[2024-05-01 09:30:05.042], ";

class LLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        CLLog::setTimeSource(FixedClock);
        CLLog::init(&core, "Mac");
        CLLog::setOutput(true);
        CLLog::setLogLevel(CLLog::INF);
        CLLog::setOutputTimeMeasurement(false);
    }
    void TearDown() override {
        CLLog::term();
        CLLog::setOutput(true);
        CLLog::setTimeSource(nullptr);
    }
    CapturingCore core;
};

TEST_F(LLogTest, LineLayout) {
    const struct {
        int level;
        const char* kind;
        const char* message;
        const char* platform;
        std::string expected;
    } cases[] = {
        {2, "o", "hello", "M", kStamp + "INF, Mo, hello"},
        {2, "c", "Logout.\n", "M", kStamp + "INF, Mc, Logout.\n"},
        {0, "c", "100% %s %n", "-", kStamp + "ERR, -c, 100% %s %n"},
        {1, "o", "", "A", kStamp + "WRN, Ao, "},
        {3, "c", "x", "I", kStamp + "DBG, Ic, x"},
        {2, nullptr, "x", "M", ""},
        {2, "o", nullptr, "M", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, CLLog::logFormat(c.level, c.kind, c.message, c.platform)) << c.message;
    }
}

TEST_F(LLogTest, RealClockGivesAWellFormedStamp) {
    CLLog::setTimeSource(nullptr);
    const std::string line = CLLog::logFormat(2, "o", "hello", "M");
    ASSERT_EQ(kStamp.size() + 14, line.size()) << line;
    EXPECT_EQ('[', line[0]);
    EXPECT_EQ("], INF, Mo, hello", line.substr(24));
}

TEST_F(LLogTest, PlatformLetterFollowsTheNameWithoutRegardToCase) {
    const struct {
        const char* platform;
        const char* letter;
    } cases[] = {{"mac", "M"}, {"MAC", "M"},     {"Android", "A"},
                 {"ios", "I"}, {"Windows", "-"}, {nullptr, "-"}};
    for (const auto& c : cases) {
        CLLog::init(&core, c.platform);
        CLLog::write(CLLog::INF, "x");
        const auto lines = core.Take();
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(kStamp + "INF, " + c.letter + "c, x", lines[0].second)
            << (c.platform ? c.platform : "null");
    }
}

TEST_F(LLogTest, LevelOutputAndCoreDecideWhatIsWritten) {
    CLLog::write(CLLog::DBG, "hidden");
    EXPECT_TRUE(core.Take().empty());
    EXPECT_FALSE(CLLog::setLogLevel(4));
    EXPECT_FALSE(CLLog::setLogLevel(-1));
    EXPECT_EQ(CLLog::INF, CLLog::getLogLevel());
    ASSERT_TRUE(CLLog::setLogLevel(CLLog::DBG));
    CLLog::write(CLLog::DBG, std::string("shown"));
    auto lines = core.Take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(CLLog::DBG, lines[0].first);
    EXPECT_EQ(kStamp + "DBG, Mc, shown", lines[0].second);

    CLLog::setOutput(false);
    CLLog::write(CLLog::ERR, "off");
    EXPECT_TRUE(core.Take().empty());

    CLLog::setOutput(true);
    CLLog::term();  // the core has gone: lines go nowhere
    EXPECT_FALSE(CLLog::getOutput());
    CLLog::setOutput(true);
    CLLog::write(CLLog::ERR, "lost");
    EXPECT_TRUE(core.Take().empty());
}

TEST_F(LLogTest, WriteFormatCutsAt2047CharactersAndNeverFormatsTheMessage) {
    const std::string longText(3000, 'y');
    CLLog::writeFormat(CLLog::INF, "%s", longText.c_str());
    CLLog::write(CLLog::INF, "%s%n%x");
    const auto lines = core.Take();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(kStamp + "INF, Mc, " + std::string(2047, 'y'), lines[0].second);
    EXPECT_EQ(kStamp + "INF, Mc, %s%n%x", lines[1].second);
}

TEST_F(LLogTest, FixedMessages) {
    CLLog::internalError(-107);
    CLLog::onLoginEnd(0);
    CLLog::onLoginEnd(-6);
    CLLog::setLogLevel(CLLog::WRN);
    CLLog::onLoginEnd(0);  // below INF: nothing
    const auto lines = core.Take();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(std::make_pair(0, kStamp + "ERR, Mc, Internal Error(-107)"), lines[0]);
    EXPECT_EQ(std::make_pair(2, kStamp + "INF, Mc, Login succeeded."), lines[1]);
    EXPECT_EQ(std::make_pair(2, kStamp + "INF, Mc, Failed to login(-6)."), lines[2]);
}

TEST_F(LLogTest, FunctionTiming) {
    static const char kName[] = "CreateStreamThread";
    CLLog::setLogLevel(CLLog::DBG);
    EXPECT_EQ(-1, CLLog::endTimeMeasurement(kName));  // timing off
    CLLog::onFuncStart(kName);                        // timing off: nothing stored
    CLLog::setOutputTimeMeasurement(true);
    CLLog::onFuncEnd(kName);
    EXPECT_TRUE(core.Take().empty());

    CLLog::onFuncStart(kName);
    const std::string sameText(kName);
    EXPECT_EQ(-1, CLLog::endTimeMeasurement(sameText.c_str()));  // compared by address
    CLLog::onFuncEnd(kName);
    const auto lines = core.Take();
    ASSERT_EQ(1u, lines.size());
    const std::string prefix = kStamp + "DBG, Mc, CreateStreamThread; Process Time: ";
    ASSERT_EQ(prefix, lines[0].second.substr(0, prefix.size()));
    EXPECT_EQ(" sec; ", lines[0].second.substr(lines[0].second.size() - 6));
    const double seconds = std::stod(lines[0].second.substr(prefix.size()));
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 1.0);
    EXPECT_GE(CLLog::endTimeMeasurement(kName), seconds);  // the entry stays
}

TEST_F(LLogTest, LoginStartTextDependsOnTheLevel) {
    auto call = [] {
        CLLog::onLoginStart("UA/1", "srv", 443, 1, "proxy", 8080, "u1", "Name", 7, 8, 3, "2.0", 5, true,
                            false, true, 48000, true, false, true, false, "{}");
    };
    CLLog::setLogLevel(CLLog::WRN);
    call();
    EXPECT_TRUE(core.Take().empty());
    CLLog::setLogLevel(CLLog::INF);
    call();
    auto lines = core.Take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(kStamp + "WRN, Mc, Trying to login using the old method.", lines[0].second);
    CLLog::setLogLevel(CLLog::DBG);
    call();
    lines = core.Take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(
        kStamp +
            "DBG, Mc, Trying to Login: \n\tServer:srv:443\n\tFirstConnect:1\n\tProxy Addr:proxy Port:8080\n"
            "\tUser: ID:u1 name:Name\n\tRoom: tid:7 rid:8 AudioSamplingRate:48000\n"
            "\tVersion:3 AppVer:2.0 AppNo:5\n\tDevice: Camera:1 Mic:0 WiFi:1\n"
            "\tFuncSupport: AudioSamplingRate:1 HDVideo:0 HWConference:1 Question:0\n"
            "\tUserAgent: {UA/1}\n\tUserOption: {}\n",
        lines[0].second);
}

TEST(LLogFormatTest, TextHelpers) {
    EXPECT_EQ("a1-20true", CLLog::paramtoStr("a", 1, -2, 0, true ? "true" : "", std::string()));
    EXPECT_EQ("10", CLLog::paramtoStr(true, false));
    EXPECT_EQ("KeyExchange:NULL", CLLog::stKeyExchangeToStr(nullptr));
    const _stKeyExchange info{"10.0.0.1", 443, 2, "proxy.local", 3128};
    EXPECT_EQ(
        "KeyExchange:\n\tstrAddr:10.0.0.1\n\tiPort:443\n\tiFirstConnectType:2\n\tstrProxyIp:proxy.local\n"
        "\tiProxyPort:3128\n",
        CLLog::stKeyExchangeToStr(&info));
}

TEST(LLogFormatTest, JsonGroupBlock) {
    json_object* json = json_tokener_parse(R"({"login":{"user":"u1","room":"r9"}})");
    ASSERT_NE(nullptr, json);
    const char* keys[] = {"user", "missing", "room"};
    EXPECT_EQ("\t\"login\":{\n\t\t\"user\":\"u1\",\n\t\t\"missing\":\"\",\n\t\t\"room\":\"r9\",\n\t}\n",
              CLLog::jsonLoginReqStrGroup(json, 1, "login", keys, 3));
    EXPECT_EQ(std::string(10, '\t') + "\"other\":{\n" + std::string(11, '\t') + "\"user\":\"\",\n" +
                  std::string(10, '\t') + "}\n",
              CLLog::jsonLoginReqStrGroup(json, 25, "other", keys, 1));
    EXPECT_EQ("", CLLog::jsonLoginReqStrGroup(nullptr, 1, "login", keys, 3));
    json_object_put(json);
}

TEST_F(LLogTest, WritersOnManyThreadsWhileTheLevelChanges) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([] {
            for (int i = 0; i < 200; ++i) CLLog::writeFormat(CLLog::INF, "line %d", i);
        });
    }
    for (int i = 0; i < 200; ++i) CLLog::setLogLevel(i % 2 == 0 ? CLLog::DBG : CLLog::INF);
    for (auto& w : writers) w.join();
    EXPECT_EQ(800u, core.Take().size());
}

}  // namespace
