// The demo room as a user meets it: the program writes a launch link that the
// client's own launch parser reads, its web service hands out the room, a
// core client logs in with the link's fields and sees the scripted
// participants (one there already, one arriving after it), their moving
// pictures, their tones and their text-box lines; SIGTERM ends the room,
// its participants included, with status 0.
#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/ClientProcess.h"
#include "fixtures/app/AppTestSupport.h"
#include "session/LoginManager.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"
#include "services/XMLparse.h"

using namespace quorix::test;

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos <= line.size()) {
        const size_t end = line.find(' ', pos);
        words.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return words;
}

// "PARTICIPANT <name> <pid>" lines of the room.
std::map<std::string, pid_t> Participants(const ClientProcess& room) {
    std::map<std::string, pid_t> out;
    for (const std::string& line : room.lines()) {
        const std::vector<std::string> w = Words(line);
        if (w.size() == 3 && w[0] == "PARTICIPANT") out[w[1]] = pid_t(std::atoi(w[2].c_str()));
    }
    return out;
}

TEST(DemoRoom, AClientJoinsThroughTheLinkAndMeetsTheScriptedParticipants) {
    ensureQtApplication();
    ProxyEnvironment noProxies({});
    ClientProcess room(std::string(QUORIX_TEST_BINARY_DIR) + "/tools/demo-room/quorix_demo_room", {});
    ASSERT_TRUE(room.running());
    const std::string link = room.waitLine("quorix://", 30000);
    ASSERT_FALSE(link.empty()) << "no link; the room wrote:\n" << testing::PrintToString(room.lines());

    // The launch parser of the client reads all eleven fields.
    const QStringList fields = QuorixUtils::ParseOpenUrlParameter(QString::fromStdString(link));
    ASSERT_EQ(fields.size(), 11);
    for (int i : {1, 2, 3, 4, 5, 6, 10}) EXPECT_FALSE(fields[i].isEmpty()) << "field " << i;

    // The room configuration from its web service, as the client asks for it.
    const QString base = LoginManager::requestBaseUrl(LoginManager::normalizedServerUrl(fields[6]));
    const auto reply = WebAccess::sendSynchronizedHTTPRequest(
        base + "client/common_xml.php?" +
        WebAccess::queryString({{"uid", fields[1]}, {"trid", fields[4]}, {"rid", fields[5]}, {"urlencode", "yes"}}));
    ASSERT_TRUE(reply.has_value());
    QVariantMap config;
    std::optional<XMLparseError> error;
    XMLparse().parseXMLFile(reply, &error, config);
    ASSERT_FALSE(error.has_value());
    EXPECT_TRUE(QuorixUtils::IsSystemEnableFunc("MODE_OPUS", config));
    const auto [host, port] = LoginManager::parseServerAddress(config.value("SERVERIP").toString());
    ASSERT_EQ(host, "127.0.0.1");
    // The start notice with the link's token is accepted.
    const auto notice = WebAccess::sendSynchronizedHTTPRequest(base + "client/downloader4.php?mode=notifystarted&" +
                                                               fields[10]);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->toStdString(), "RESULT=0");

    ClientProcess client(FixtureProgram("quorix_test_client"),
                         {"host=" + host.toStdString(), "port=" + std::to_string(port),
                          "user=" + fields[1].toStdString(), "password=" + fields[2].toStdString(),
                          "name=" + fields[3].toStdString(), "top=" + fields[4].toStdString(),
                          "room=" + fields[5].toStdString(),
                          "option=" + config.value("OPTION_STR").toString().toStdString(),
                          R"(support={"mode_opus":true})"});
    ASSERT_EQ(client.waitLine("LOGIN", 60000), "LOGIN 0");
    // Aiko holds the floor already; Ben arrives after the guest and takes it.
    EXPECT_EQ(client.waitLine("EVENT StartSpeech aiko", 30000).rfind("EVENT StartSpeech aiko Aiko ", 0), 0u);
    EXPECT_EQ(client.waitLine("EVENT EnterMember ben", 60000), "EVENT EnterMember ben Ben S0");
    EXPECT_EQ(client.waitLine("EVENT StartSpeech ben", 30000).rfind("EVENT StartSpeech ben Ben ", 0), 0u);
    // A line from each (Ben's first one second after his login, Aiko's every four).
    for (const char* from : {"EVENT TextBox ben Ben Hello%20from%20Ben", "EVENT TextBox aiko Aiko Hello%20from%20Aiko"})
        EXPECT_FALSE(client.waitLine(from, 30000).empty()) << from;
    // Aiko welcomes the newcomer with a private message.
    EXPECT_NE(client.waitLine("EVENT Message aiko ", 30000).find("Welcome"), std::string::npos);
    // Ben's second line comes four seconds after his first: by then each has
    // sounded a whole tone.
    EXPECT_FALSE(client.waitLine("EVENT TextBox ben Ben Hello%20from%20Ben,%20line%202", 30000).empty());

    // Questionnaires: the guest announces itself as the client does on entering
    // and is asked Aiko's running questionnaire; both participants answer the
    // guest's own.
    client.send("cmd freemsg 10006 ~");
    EXPECT_FALSE(client.waitLine("EVENT QuestionStart aiko", 70000).empty()) << "Aiko's questionnaire reaches the guest";
    const size_t beforeOwn = client.lines().size();
    client.send("cmd question ~ Tea? 0 0 yes no");
    EXPECT_EQ(client.waitLine("RESULT question", 10000, beforeOwn), "RESULT question 1");
    for (const std::string who : {"aiko", "ben"}) {
        EXPECT_FALSE(client.waitLine("EVENT QuestionReceived " + who, 30000, beforeOwn).empty()) << who;
        EXPECT_EQ(client.waitLine("EVENT QuestionAnswer " + who, 30000, beforeOwn), "EVENT QuestionAnswer " + who + " 1 1");
    }

    // Pictures are decoded from a sender's next key frame on (one in every
    // five seconds): ask until both streams have shown a few pictures (a
    // sanitized build on a busy two-core machine decodes well below 15 fps).
    constexpr int kPictures = 8;
    std::vector<std::string> streams;
    const auto shown = [&streams] {
        if (streams.size() != 3) return false;
        for (size_t i = 1; i < streams.size(); ++i)
            if (std::atoi(streams[i].substr(streams[i].find(':') + 1).c_str()) < kPictures) return false;
        return true;
    };
    for (int ask = 0; ask < 80 && !shown(); ++ask) {
        if (ask > 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const size_t from = client.lines().size();
        client.send("videoslots");
        streams = Words(client.waitLine("VIDEOSLOTS", 30000, from));
    }
    ASSERT_EQ(streams.size(), 3u) << "a picture stream from each participant";
    for (size_t i = 1; i < streams.size(); ++i) {
        int slot = 0, frames = 0, width = 0, height = 0, changed = 0;
        ASSERT_EQ(std::sscanf(streams[i].c_str(), "%d:%d:%dx%d:%d", &slot, &frames, &width, &height, &changed), 5);
        EXPECT_EQ(width, 640);
        EXPECT_EQ(height, 480);
        EXPECT_GE(frames, kPictures) << streams[i];
        EXPECT_GE(changed, frames * 9 / 10) << "the pictures move: " << streams[i];
    }
    client.send("audiostats");
    const std::vector<std::string> audio = Words(client.waitLine("AUDIOSTATS", 30000));
    ASSERT_EQ(audio.size(), 4u);
    EXPECT_GE(std::atoi(audio[2].c_str()), 1000) << "loud milliseconds of " << audio[1] << " mixes";
    const int peak = std::atoi(audio[3].c_str());
    EXPECT_TRUE(std::abs(peak - 440) <= 10 || std::abs(peak - 660) <= 10) << peak;

    // SIGTERM while the client is still in the room: the room ends its
    // participants and itself.
    const std::map<std::string, pid_t> participants = Participants(room);
    ASSERT_EQ(participants.size(), 2u);
    ASSERT_EQ(::kill(room.pid(), SIGTERM), 0);
    EXPECT_FALSE(room.waitLine("STOPPED", 60000).empty());
    EXPECT_EQ(room.finish(), 0);
    for (const auto& [name, pid] : participants) {
        errno = 0;
        EXPECT_EQ(::kill(pid, 0), -1) << name << " still runs";
        EXPECT_EQ(errno, ESRCH) << name;
    }
    client.send("quit");
    EXPECT_EQ(client.finish(), 0);
}

}  // namespace
