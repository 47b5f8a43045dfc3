// Three conference windows as separate processes (quorix_list_client: the
// running program's window controller and list window, one core each) in one
// room of the loopback conference server: the chair A hands the chair to B
// through the user menu; B's list window and C's window follow within a second.
#include <QDir>
#include <QTemporaryDir>
#include <map>

#include "../session/LoginTestSupport.h"
#include "fixtures/ClientProcess.h"
#include "fixtures/ConfServerFixture.h"
#include "fixtures/RelayFixture.h"

namespace login_test {
namespace {

using namespace quorix::test;
using Clock = std::chrono::steady_clock;

// The rows of the last "LIST" line: id -> marked.
std::map<std::string, bool> lastList(const ClientProcess& p) {
    std::map<std::string, bool> rows;
    const std::vector<std::string> lines = p.lines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (it->rfind("LIST ", 0) != 0) continue;
        std::string rest = it->substr(5);
        size_t start = 0;
        while (start <= rest.size()) {
            const size_t end = std::min(rest.find(',', start), rest.size());
            std::string id = rest.substr(start, end - start);
            const bool marked = !id.empty() && id.back() == '*';
            if (marked) id.pop_back();
            if (!id.empty()) rows[id] = marked;
            start = end + 1;
        }
        break;
    }
    return rows;
}

std::string lastArea(const ClientProcess& p) {
    const std::vector<std::string> lines = p.lines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->rfind("AREA ", 0) == 0) return it->substr(5);
    return std::string();
}

// The time from `since` until `done` holds (none: not within `limit`).
template <typename Pred>
std::optional<std::chrono::milliseconds> timeUntil(Pred done, Clock::time_point since,
                                                   std::chrono::milliseconds limit) {
    while (!done()) {
        if (Clock::now() - since > limit) return std::nullopt;
        std::this_thread::sleep_for(2ms);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
}

class ChairHandOverEndToEnd : public LoginTestBase {};

TEST_F(ChairHandOverEndToEnd, TheChairGoesToBAndEveryWindowFollowsWithinASecond) {
    RelayFixture relay;
    ASSERT_TRUE(relay.listening());
    ConfServerScript script;
    for (int i = 0; i < 5; ++i) script.relays[i] = {relay.addr(), relay.port(i)};
    script.owner = "a";
    ConfServerFixture conf(script);
    RoomWebService web;
    web.setConfig({{"SERVERIP", "127.0.0.1:" + std::to_string(conf.port())},
                   {"CATEGORY", "0"},
                   {"OWNER", "a"},
                   {"USERLISTMODE", "Y"},
                   {"MAXPARTICIPANT", "8"},
                   {"OPTION_STR", R"({"roomlist_max":"8"})"}});
    QTemporaryDir homes;
    ASSERT_TRUE(homes.isValid());

    std::map<std::string, std::unique_ptr<ClientProcess>> clients;
    for (const char* id : {"a", "b", "c"}) {
        const QString name = QString("User ") + QString(id).toUpper();
        const QString link =
            LaunchLink({"Quorix", id, "secret", name, "7", "8", web.address(), "", "", "", "key=tok123"});
        const QString home = homes.path() + "/" + id;
        QDir().mkpath(home);
        clients[id] = std::make_unique<ClientProcess>(
            FixtureProgram("quorix_list_client"),
            std::vector<std::string>{"link=" + link.toStdString(), "home=" + home.toStdString()});
        ASSERT_TRUE(clients[id]->sawLine("LOGIN", 60000)) << id;
    }
    // Everyone lists the three participants with the chair's mark on A.
    const auto listsShow = [&](const ClientProcess& p, const char* chair) {
        const auto rows = lastList(p);
        if (rows.size() != 3) return false;
        for (const auto& [id, marked] : rows)
            if (marked != (id == chair)) return false;
        return true;
    };
    for (auto& [id, p] : clients)
        ASSERT_TRUE(timeUntil([&] { return listsShow(*p, "a"); }, Clock::now(), 30s)) << id;

    const Clock::time_point handOver = Clock::now();
    clients["a"]->send("chair b");
    ASSERT_EQ(clients["a"]->waitLine("CHAIR", 10000), "CHAIR 1");
    const auto bList = timeUntil([&] { return listsShow(*clients["b"], "b"); }, handOver, 10s);
    const auto cList = timeUntil([&] { return listsShow(*clients["c"], "b"); }, handOver, 10s);
    const auto cArea = timeUntil([&] { return lastArea(*clients["c"]) == "b"; }, handOver, 10s);
    const auto aList = timeUntil([&] { return listsShow(*clients["a"], "b"); }, handOver, 10s);
    ASSERT_TRUE(bList && cList && cArea && aList);
    EXPECT_LT(bList->count(), 1000);
    EXPECT_LT(cList->count(), 1000);
    EXPECT_LT(cArea->count(), 1000);
    EXPECT_LT(aList->count(), 1000);
    RecordProperty("bListMs", int(bList->count()));
    RecordProperty("cWindowMs", int(std::max(cList->count(), cArea->count())));

    for (auto& [id, p] : clients) p->send("quit");
    for (auto& [id, p] : clients) EXPECT_EQ(p->finish(20000), 0) << id;
}

}  // namespace
}  // namespace login_test
