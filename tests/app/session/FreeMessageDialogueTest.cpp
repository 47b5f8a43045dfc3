// The screen-sharing request dialogue between participants, each a
// LoginManager of its own, their free messages carried by a bus on one
// receive thread: request, permit, refuse, cancel, a request displaced by
// another, and start orders from participants the dialogue does not concern.
#include "FeatureTestSupport.h"
#include "session/FreeMessageCodes.h"

namespace login_test {
namespace {

class FreeMessageDialogue : public LoginTestBase {
protected:
    void enter(const Config& extra = {}) {
        for (auto [id, p] : {std::pair{"alice", &alice}, {"bob", &bob}, {"carol", &carol}}) {
            ASSERT_TRUE(EnterRoom(web, *p, extra, id));  // each dialogue starts from a fresh room
            bus.join(id, p->manager, p->bridge);
        }
    }
    Participant& who(char c) { return c == 'a' ? alice : c == 'b' ? bob : carol; }

    RoomWebService web;
    FreeMessageBus bus;
    Participant alice, bob, carol;
};

// One step of a dialogue: a participant's action, or a rogue free message.
struct Step {
    char by;  // 'a', 'b', 'c'
    enum Kind { Request, Permit, Reject, Cancel, Rogue } kind;
    char target = 0;    // the participant asked, or the rogue message's addressee
    uint32_t code = 0;  // the rogue message
    // Sent before any message the previous step caused is delivered, instead
    // of after they settled.
    bool racing = false;
};

TEST_F(FreeMessageDialogue, DialoguesEndWhereTheyShould) {
    struct Case {
        const char* what;
        Config config;
        std::vector<Step> steps;
        std::vector<std::string> aliceSees, bobSees, carolSees;
        int64_t aliceStatus, bobStatus;
    };
    const Case cases[] = {
        {"request and permit: bob is asked, then told to start by alice",
         {},
         {{'a', Step::Request, 'b'}, {'b', Step::Permit}},
         {},
         {"asRequest ask alice", "asRequest start alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"request and refusal",
         {},
         {{'a', Step::Request, 'b'}, {'b', Step::Reject}},
         {"asRequestRes 0"},
         {"asRequest ask alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_REJECTED},
        {"the question's close after bob's yes refuses nothing: alice's start order still starts him",
         {},
         {{'a', Step::Request, 'b'}, {'b', Step::Permit}, {'b', Step::Reject, 0, 0, true}},
         {},
         {"asRequest ask alice", "asRequest start alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"the requester cancels while bob is asked",
         {},
         {{'a', Step::Request, 'b'}, {'a', Step::Cancel}},
         {},
         {"asRequest ask alice", "asRequestCancel"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"a cancel after bob answered does not reach his window",
         {},
         {{'a', Step::Request, 'b'}, {'b', Step::Reject}, {'a', Step::Cancel}},
         {"asRequestRes 0"},
         {"asRequest ask alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_REJECTED},
        {"without confirmation bob permits at once and alice starts him",
         {{"MODE_AS_REQUIRE_NO_CONFIRM", "Y"}},
         {{'a', Step::Request, 'b'}},
         {},
         {"asRequest start alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"carol's request displaces alice's waiting one: alice is refused, not left waiting",
         {},
         {{'a', Step::Request, 'b'}, {'c', Step::Request, 'b'}, {'b', Step::Permit}},
         {"asRequestRes 0"},
         {"asRequest ask alice", "asRequestCancel", "asRequest ask carol", "asRequest start carol"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"a request to someone whose own request is pending cancels that one first",
         {},
         {{'b', Step::Request, 'c'}, {'a', Step::Request, 'b'}},
         {},
         {"asRequest ask alice"},
         {"asRequest ask bob", "asRequestCancel"},
         AS_REQUEST_SENT,
         AS_REQUEST_RECEIVED},
        {"a start order from someone whose request was never permitted asks bob; it starts nothing",
         {},
         {{'c', Step::Rogue, 'b', FREEMSG_AS_START_REQ}},
         {},
         {"asRequest ask carol"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_RECEIVED},
        {"bob's yes to an unasked start order starts his share",
         {},
         {{'c', Step::Rogue, 'b', FREEMSG_AS_START_REQ}, {'b', Step::Permit}},
         {},
         {"asRequest ask carol", "asRequest start carol"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"bob's no to an unasked start order starts nothing",
         {},
         {{'c', Step::Rogue, 'b', FREEMSG_AS_START_REQ}, {'b', Step::Reject}},
         {},
         {"asRequest ask carol"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_REJECTED},
        {"a start order from a third participant while alice's request waits is ignored",
         {},
         {{'a', Step::Request, 'b'}, {'c', Step::Rogue, 'b', FREEMSG_AS_START_REQ}},
         {},
         {"asRequest ask alice"},
         {},
         AS_REQUEST_SENT,
         AS_REQUEST_RECEIVED},
        {"after bob permitted alice, carol cannot start him; alice still can",
         {},
         {{'a', Step::Request, 'b'},
          {'c', Step::Rogue, 'b', FREEMSG_AP_SHARE_PERMIT},  // carol is not the one asked: alice ignores it
          {'c', Step::Rogue, 'b', FREEMSG_AS_START_REQ},
          {'b', Step::Permit},
          // carol's order reaches bob after his permit, before alice's start
          {'c', Step::Rogue, 'b', FREEMSG_AS_START_REQ, true}},
         {},
         {"asRequest ask alice", "asRequest start alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_NONE},
        {"a start order is obeyed once; a repeated one asks bob again",
         {},
         {{'a', Step::Request, 'b'}, {'b', Step::Permit}, {'a', Step::Rogue, 'b', FREEMSG_AS_START_REQ}},
         {},
         {"asRequest ask alice", "asRequest start alice", "asRequest ask alice"},
         {},
         AS_REQUEST_NONE,
         AS_REQUEST_RECEIVED},
        {"answers from a participant alice did not ask are ignored",
         {},
         {{'a', Step::Request, 'b'},
          {'c', Step::Rogue, 'a', FREEMSG_AP_SHARE_REJECT},
          {'c', Step::Rogue, 'a', FREEMSG_AP_SHARE_PERMIT}},
         {},
         {"asRequest ask alice"},
         {},
         AS_REQUEST_SENT,
         AS_REQUEST_RECEIVED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        enter(c.config);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            if (!s.racing) bus.settle();
            if (i + 1 < c.steps.size() && c.steps[i + 1].racing) bus.hold();
            LoginManager& m = who(s.by).manager;
            switch (s.kind) {
                case Step::Request:
                    m.requestAPShare(QString::fromLatin1(s.target == 'a'   ? "alice"
                                                         : s.target == 'b' ? "bob"
                                                                           : "carol"),
                                     true);
                    break;
                case Step::Permit:
                    m.permitRequestAPShare();
                    break;
                case Step::Reject:
                    m.rejectRequestAPShare();
                    break;
                case Step::Cancel:
                    m.cancelRequestAPShare();
                    break;
                case Step::Rogue:
                    bus.post(who(s.by).manager.myInfo()->userId(), s.code,
                             who(s.target).manager.myInfo()->userId());
                    break;
            }
            if (s.racing) bus.release();
        }
        bus.settle();
        EXPECT_EQ(alice.window.list("as"), c.aliceSees);
        EXPECT_EQ(bob.window.list("as"), c.bobSees);
        EXPECT_EQ(carol.window.list("as"), c.carolSees);
        EXPECT_EQ(alice.manager.apShareRequestStatus(), c.aliceStatus);
        EXPECT_EQ(bob.manager.apShareRequestStatus(), c.bobStatus);
    }
}

TEST_F(FreeMessageDialogue, AnUnaskedStartOrderWhileSharingIsIgnored) {
    enter();
    bob.manager.OnASStartPermit(0);  // bob's own share runs
    ASSERT_EQ(bob.manager.apShareStatus(), AS_STATUS_SHARING);
    bus.post("carol", FREEMSG_AS_START_REQ, "bob");
    bus.settle();
    EXPECT_EQ(bob.window.list("as"), std::vector<std::string>{});
    EXPECT_EQ(bob.manager.apShareRequestStatus(), AS_REQUEST_NONE);
}

TEST_F(FreeMessageDialogue, TheMessagesOnTheWireFollowTheDialogue) {
    enter();
    alice.manager.requestAPShare("bob", true);
    bus.settle();
    bob.manager.permitRequestAPShare();
    bus.settle();
    EXPECT_EQ(alice.bridge.commands("free"), (std::vector<std::string>{"free 10019 bob", "free 10004 bob"}));
    EXPECT_EQ(bob.bridge.commands("free"),
              (std::vector<std::string>{"free 10020 alice", "free 10021 alice"}));
}

TEST_F(FreeMessageDialogue, AWaitingRequestIsRefusedWhenTheUserAsksHimself) {
    enter();
    alice.manager.requestAPShare("bob", true);
    bus.settle();
    bob.manager.requestAPShare("carol", true);
    bus.settle();
    EXPECT_EQ(bob.bridge.commands("free"),
              (std::vector<std::string>{"free 10020 alice", "free 10022 alice", "free 10019 carol"}));
    EXPECT_EQ(alice.window.list("as"), (std::vector<std::string>{"asRequestRes 0"}));
    EXPECT_EQ(alice.manager.apShareRequestStatus(), AS_REQUEST_NONE);
}

TEST_F(FreeMessageDialogue, StopRequestsGoOnlyFromAViewerToTheSharer) {
    enter({{"MODE_SMARTPHONE_AP_SHARE", "Y"}});
    alice.manager.requestAPShare("bob", false);
    bus.settle();
    EXPECT_TRUE(alice.bridge.commands("free").empty()) << "not viewing: nothing is sent";
    alice.manager.OnAPShareStart(0, 0, 640, 480, 0, 0, 640, 480, "bob", "Bob", "bob", "Bob");
    EXPECT_EQ(alice.manager.apShareStatus(), AS_STATUS_VIEWING);
    alice.manager.requestAPShare("bob", false);
    bus.settle();
    EXPECT_EQ(alice.bridge.commands("free"), std::vector<std::string>{"free 10024 bob"});
    EXPECT_EQ(bob.window.list("as"), std::vector<std::string>{"asStopRequest"});
}

TEST_F(FreeMessageDialogue, ASharingStartWithoutTheRoomOptionOnlySetsTheStatus) {
    enter();
    alice.manager.OnAPShareStart(0, 0, 640, 480, 0, 0, 640, 480, "bob", "Bob", "bob", "Bob");
    EXPECT_EQ(alice.manager.apShareStatus(), AS_STATUS_VIEWING);
    EXPECT_TRUE(alice.manager.apSharerIdStr().isEmpty());
}

}  // namespace
}  // namespace login_test
