// The speaker list of a seminar: the chair stands first among the speakers
// whatever order they were added in; other rooms keep the order of addition.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/SpeakerInfo.h"
#include "model/UserInfo.h"
#include "model/UserListInfo.h"
#include "platform/Dispatch.h"

namespace {

std::vector<std::string> idsOf(const UserListInfo& lists) {
    std::vector<std::string> ids;
    if (auto speakers = lists.speakerList())
        for (const SpeakerInfoRef& s : *speakers) ids.push_back(s->userId().toStdString());
    return ids;
}

TEST(UserListInfo, TheSeminarChairIsListedFirstAmongTheSpeakers) {
    struct Case {
        int category;
        std::vector<std::string> added, listed;
    };
    const Case cases[] = {
        {ROOM_CATEGORY_SEMINAR, {"boss", "ann", "bob"}, {"boss", "ann", "bob"}},
        {ROOM_CATEGORY_SEMINAR, {"ann", "boss", "bob"}, {"boss", "ann", "bob"}},
        {ROOM_CATEGORY_SEMINAR, {"ann", "bob", "boss"}, {"boss", "ann", "bob"}},
        {0, {"ann", "bob", "boss"}, {"me", "ann", "bob", "boss"}},  // the own entry first here
    };
    ScopedManualDispatcher mainThread;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.added) + " in category " + std::to_string(c.category));
        // In a seminar the own user is a listener: only the added speakers are listed.
        UserListInfo lists(c.category, std::make_shared<UserInfo>("me", "Me", USER_TYPE_S0), "boss",
                           std::nullopt);
        int clientNo = 1;
        for (const std::string& id : c.added) {
            const QString q = QString::fromStdString(id);
            lists.addSpeaker(std::make_shared<SpeakerInfo>(clientNo++, q, q, USER_TYPE_S0));
        }
        EXPECT_EQ(idsOf(lists), c.listed);
        mainThread->runPending();
    }
}

}  // namespace
