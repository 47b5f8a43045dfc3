// Participants leaving the demo room: one ends cleanly (SIGTERM), one is
// killed (its connections drop). A core client in the room sees each give up
// the floor and leave; the room tells of each departure and reaps the
// process at once (no zombie is left behind).
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "fixtures/ClientProcess.h"
#include "fixtures/app/AppTestSupport.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"
#include "services/XMLparse.h"
#include "session/LoginManager.h"

using namespace quorix::test;

namespace {

pid_t ParticipantPid(const ClientProcess& room, const std::string& name) {
    const std::string prefix = "PARTICIPANT " + name + " ";
    for (const std::string& line : room.lines())
        if (line.rfind(prefix, 0) == 0) return pid_t(std::atoi(line.c_str() + prefix.size()));
    return -1;
}

TEST(DemoRoomDeparture, AParticipantWhoEndsOrDropsLeavesTheFloorAndTheRoom) {
    ensureQtApplication();
    ProxyEnvironment noProxies({});
    ClientProcess room(std::string(QUORIX_TEST_BINARY_DIR) + "/tools/demo-room/quorix_demo_room", {});
    ASSERT_TRUE(room.running());
    const std::string link = room.waitLine("quorix://", 30000);
    ASSERT_FALSE(link.empty());
    const QStringList fields = QuorixUtils::ParseOpenUrlParameter(QString::fromStdString(link));
    ASSERT_EQ(fields.size(), 11);
    const QString base = LoginManager::requestBaseUrl(LoginManager::normalizedServerUrl(fields[6]));
    const auto reply = WebAccess::sendSynchronizedHTTPRequest(
        base + "client/common_xml.php?" +
        WebAccess::queryString(
            {{"uid", fields[1]}, {"trid", fields[4]}, {"rid", fields[5]}, {"urlencode", "yes"}}));
    ASSERT_TRUE(reply.has_value());
    QVariantMap config;
    std::optional<XMLparseError> error;
    XMLparse().parseXMLFile(reply, &error, config);
    ASSERT_FALSE(error.has_value());
    const auto [host, port] = LoginManager::parseServerAddress(config.value("SERVERIP").toString());

    ClientProcess client(
        FixtureProgram("quorix_test_client"),
        {"host=" + host.toStdString(), "port=" + std::to_string(port), "user=" + fields[1].toStdString(),
         "password=" + fields[2].toStdString(), "name=" + fields[3].toStdString(),
         "top=" + fields[4].toStdString(), "room=" + fields[5].toStdString(),
         "option=" + config.value("OPTION_STR").toString().toStdString(), R"(support={"mode_opus":true})"});
    ASSERT_EQ(client.waitLine("LOGIN", 60000), "LOGIN 0");
    ASSERT_FALSE(client.waitLine("EVENT StartSpeech aiko", 30000).empty());
    ASSERT_FALSE(client.waitLine("EVENT StartSpeech ben", 60000).empty());

    struct Case {
        const char* id;
        const char* name;
        int signal;
    };
    for (const Case& c : {Case{"aiko", "Aiko", SIGTERM}, Case{"ben", "Ben", SIGKILL}}) {
        SCOPED_TRACE(c.name);
        const pid_t pid = ParticipantPid(room, c.name);
        ASSERT_GT(pid, 0);
        const size_t from = client.lines().size();
        ASSERT_EQ(::kill(pid, c.signal), 0);
        const std::string stop = client.waitLine("EVENT StopSpeech ", 30000, from);
        const std::string leave = client.waitLine(std::string("EVENT LeaveMember ") + c.id, 30000, from);
        EXPECT_FALSE(stop.empty()) << "the floor was not given up";
        EXPECT_FALSE(leave.empty()) << "no leave notice";
        const std::vector<std::string> lines = client.lines();
        const auto at = [&](const std::string& line) {
            for (size_t i = from; i < lines.size(); ++i)
                if (lines[i] == line) return i;
            return lines.size();
        };
        if (!stop.empty() && !leave.empty()) {
            EXPECT_LT(at(stop), at(leave)) << "the floor ends before the leave";
        }
        EXPECT_FALSE(room.waitLine(std::string("demo-room: ") + c.name + " has left", 30000).empty());
        errno = 0;
        EXPECT_EQ(::kill(pid, 0), -1) << "not reaped";
        EXPECT_EQ(errno, ESRCH);
    }

    ASSERT_EQ(::kill(room.pid(), SIGTERM), 0);
    EXPECT_FALSE(room.waitLine("STOPPED", 60000).empty());
    EXPECT_EQ(room.finish(), 0);
    client.send("quit");
    EXPECT_EQ(client.finish(), 0);
}

}  // namespace
