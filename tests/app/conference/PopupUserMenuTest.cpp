// The user menu's rules as one table (room, role, floor, sharing and
// configuration in; the items with their enabled states out), and the real
// menu built from the same state showing exactly those items.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "../../fixtures/app/AppTestSupport.h"
#include "conference/PopupUserMenu.h"
#include "model/UserListInfo.h"
#include "platform/Localization.h"
#include "session/FreeMessageCodes.h"

namespace {

// Items as text: the tag, "-" when disabled, "?" when asked at each showing,
// "*" when ticked, a submenu in brackets, "|" for a separator.
std::string render(const std::vector<UserMenuEntry>& entries) {
    std::string out;
    for (const UserMenuEntry& e : entries) {
        if (!out.empty()) out += ' ';
        if (e.isSeparator()) {
            out += '|';
            continue;
        }
        out += std::to_string(e.tag);
        if (e.askedAtShow) {
            out += '?';
        } else if (!e.enabled) {
            out += '-';
        }
        if (e.checked) out += '*';
        if (!e.submenu.empty()) out += '[' + render(e.submenu) + ']';
    }
    return out;
}

// The same text read from a real menu as it is about to show.
std::string render(Menu* menu, const std::set<long>& asked) {
    menu->update();
    std::string out;
    for (QAction* a : menu->actions()) {
        if (!out.empty()) out += ' ';
        if (a->isSeparator()) {
            out += '|';
            continue;
        }
        auto* item = qobject_cast<MenuItem*>(a);
        if (item == nullptr) return "not a menu item";
        out += std::to_string(item->tag());
        if (asked.count(item->tag()) != 0) {
            out += '?';
        } else if (!item->isEnabled()) {
            out += '-';
        }
        if (item->state() == MenuItem::On) out += '*';
        if (item->submenu()) out += '[' + render(item->submenu(), asked) + ']';
    }
    return out;
}

QVariantMap yes(std::initializer_list<const char*> keys) {
    QVariantMap m;
    for (const char* k : keys) m.insert(QString::fromLatin1(k), QStringLiteral("Y"));
    return m;
}

struct Case {
    const char* name;
    UserMenuContext context;
    std::string items;
};

UserMenuContext member(int category, int type, bool chair, QVariantMap config) {
    UserMenuContext c;
    c.menuType = type;
    c.roomCategory = category;
    c.chairman = chair;
    c.config = std::move(config);
    c.targetUserType = "S0";
    c.targetUserName = "Two";
    return c;
}

std::vector<Case> cases() {
    const QVariantMap basic =
        yes({"SEND_MESSAGE", "MODE_SMARTPHONE_SEND_MESSAGE", "FORCE_LEAVE", "RECORDING"});
    const QVariantMap sharing = yes({"ASMODE", "MODE_SMARTPHONE_AP_SHARE", "MODE_AS_REQUIRE"});
    std::vector<Case> t;
    t.push_back({"normal room, the chair on a participant",
                 member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, true, basic), "4 26 0 | 3- 2 | 1"});
    t.push_back({"normal room, not the chair",
                 member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, false, basic), "4 26 0- | 3- 2 | 1-"});
    {
        Case c{"hardware terminal in a room without chair",
               member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, true, basic), "26 | 3- 2 | 1"};
        c.context.config.insert("CAPTAIN_FREE", "Y");
        c.context.targetUserType = "H0";
        t.push_back(c);
    }
    {
        Case c{"the chair's change item waits for an open question",
               member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, true, {}), "0- | 3- 2 |"};
        c.context.chairmanAlertOpen = true;
        t.push_back(c);
        c.name = "... and for a running questionnaire";
        c.context.chairmanAlertOpen = false;
        c.context.questionnaireStarted = true;
        t.push_back(c);
    }
    {
        Case c{"seminar, the chair on a waiting participant of the list",
               member(ROOM_CATEGORY_SEMINAR, USER_MENU_TYPE_CLIENT, true, basic), "4 6 7 | | 1"};
        c.context.isReserver = true;
        t.push_back(c);
        c.name = "seminar, the chair on a listener";
        c.context.isReserver = false;
        c.items = "4 6 | | 1";
        t.push_back(c);
        c.name = "seminar, the chair on a speaker's tile";
        c.context.menuType = USER_MENU_TYPE_SPEAKER;
        c.context.targetFloor = true;
        c.items = "4 26 8 | 3- 2 | 1";
        t.push_back(c);
        c.name = "seminar, a listener on a speaker's tile";
        c.context.chairman = false;
        c.items = "4 26 | 3- 2 |";
        t.push_back(c);
    }
    {
        Case c{"many-meeting room: no recording, sizes only for a popped-out video",
               member(ROOM_CATEGORY_MANYMTG, USER_MENU_TYPE_SPEAKER, true, basic), "4 0 | | 1"};
        t.push_back(c);
        c.context.isOriginal = true;
        c.items = "4 0 | 3 2 | 1";
        t.push_back(c);
    }
    {
        Case c{"share request while the own request waits",
               member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, true, sharing), "0 11- | 3- 2 |"};
        c.context.apShareReqStatus = AS_REQUEST_SENT;
        t.push_back(c);
        c.name = "share request";
        c.context.apShareReqStatus = AS_REQUEST_NONE;
        c.items = "0 11 | 3- 2 |";
        t.push_back(c);
        c.name = "share running, on the sharer";
        c.context.apShareStarted = true;
        c.context.isSharer = true;
        c.items = "0- 12 | 3- 2 |";
        t.push_back(c);
        c.name = "share running, on another";
        c.context.isSharer = false;
        c.items = "0- 12- | 3- 2 |";
        t.push_back(c);
        c.name = "share running, the sharer, no right";
        c.context.isSharer = true;
        c.context.chairman = false;
        c.items = "0- 12- | 3- 2 |";
        t.push_back(c);
        c.name = "... with the permission";
        c.context.permitAPShare = true;
        c.items = "0- 12 | 3- 2 |";
        t.push_back(c);
        c.name = "seminar: a listener is not asked to share";
        c.context = member(ROOM_CATEGORY_SEMINAR, USER_MENU_TYPE_SPEAKER, true, sharing);
        c.items = "6 | 3- 2 |";
        t.push_back(c);
    }
    {
        QVariantMap config = yes({"MODE_REMOTESTG", "MODE_DISPCONTROL", "DOCSHAREMODE", "ASMODE"});
        Case c{"remote settings and display control, many-meeting, not speaking",
               member(ROOM_CATEGORY_MANYMTG, USER_MENU_TYPE_SPEAKER, true, config),
               "0 13 16[18 20- 19- 21?] | |"};
        t.push_back(c);
        c.name = "... with many-meeting sharing";
        c.context.config.insert("MODE_MANY_MTG_AS", "Y");
        c.context.ownFloor = true;
        c.context.targetFloor = true;
        c.items = "0 13 16[18 20 19 21? 22?] | |";
        t.push_back(c);
        c.name = "... not the chair, with the remote-settings permission";
        c.context.chairman = false;
        c.context.permitRemoteStg = true;
        c.items = "0- 13 16-[18 20 19 21? 22?] | |";
        t.push_back(c);
        c.name = "webinar: no display control; remote settings only for a speaker";
        c.context = member(ROOM_CATEGORY_SEMINAR, USER_MENU_TYPE_SPEAKER, true, config);
        c.context.config.insert("MODE_WEBINAR", "Y");
        c.items = "6 | 3- 2 |";
        t.push_back(c);
    }
    {
        Case c{"waiting list, the chair", member(ROOM_CATEGORY_SEMINAR, USER_MENU_TYPE_RESERVER, true, basic),
               "4 1"};
        t.push_back(c);
        c.name = "waiting list, a listener";
        c.context.chairman = false;
        c.items = "4";
        t.push_back(c);
    }
    {
        const QVariantMap all = yes({"RECORDING", "QUESTION", "MODE_REMOTESTG", "MODE_DISPCONTROL",
                                     "MODE_USER_PERMISSION", "DOCSHAREMODE", "ASMODE", "MODE_BG_BLUR"});
        Case c{"own entry, the chair", member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, true, all),
               "26 15 14 17[18 20 21? 22?] 25 | 3- 2 9 10-"};
        c.context.isSelf = true;
        c.context.isAllPopup = true;
        t.push_back(c);
        c.name = "own entry, not the chair, in a room without chair";
        c.context.chairman = false;
        c.context.config.insert("CAPTAIN_FREE", "Y");
        c.items = "26 15- 14- 17-[18 20 21? 22?] 25- | 3- 2 9 10-";
        t.push_back(c);
        c.name = "own entry in a webinar's list";
        c.context.roomCategory = ROOM_CATEGORY_SEMINAR;
        c.context.menuType = USER_MENU_TYPE_CLIENT;
        c.context.config.insert("MODE_WEBINAR", "Y");
        c.items = "26 15- 14- |";
        t.push_back(c);
        c.name = "own entry, many-meeting with a camera and backgrounds";
        c.context = member(ROOM_CATEGORY_MANYMTG, USER_MENU_TYPE_SPEAKER, false, yes({"MODE_BG_BLUR"}));
        c.context.isSelf = true;
        c.context.isEnableCamera = true;
        c.context.segmentationAvailable = true;
        c.context.bgMode = 1;
        c.items = "| 23 | 27[28 29* 30[31 32-]]";
        t.push_back(c);
        c.name = "... with a saved custom picture";
        c.context.bgMode = 2;
        c.context.customImage = QImage(60, 20, QImage::Format_RGB32);
        c.context.customImage.fill(Qt::green);
        c.items = "| 23 | 27[28 29 30*[30 | 31 32]]";
        t.push_back(c);
        c.name = "... where backgrounds cannot be separated";
        c.context.segmentationAvailable = false;
        c.items = "| 23";
        t.push_back(c);
    }
    return t;
}

TEST(PopupUserMenuTest, TheRulesAndTheMenuShownFollowOneTable) {
    ensureQtApplication();
    struct AlwaysOff : PopupUserMenuDelegate {
        void onSelectMenuItem(MenuItem*, int, const UserInfoRef&) override {}
        bool isDocShareRunning() override { return false; }
        bool isAPShareRunning() override { return false; }
    } delegate;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(render(userMenuEntries(c.context)), c.items);
        PopupUserMenu menu(c.context, std::make_shared<UserInfo>("u2", "Two", "S0"));
        menu.setPopupDelegate(&delegate);
        EXPECT_EQ(render(&menu, {USER_MENU_DISPCONTROL_DOCSHARE, USER_MENU_DISPCONTROL_APSHARE}), c.items);
    }
}

TEST(PopupUserMenuTest, TitlesFollowTheTargetAndTheRoom) {
    ensureQtApplication();
    const auto title = [](const UserMenuContext& c, int tag) {
        PopupUserMenu menu(c, std::make_shared<UserInfo>("u2", "Two", "S0"));
        MenuItem* item = menu.findItem(tag);
        return item ? item->text() : QString("(none)");
    };
    UserMenuContext c =
        member(ROOM_CATEGORY_SEMINAR, USER_MENU_TYPE_SPEAKER, true, yes({"RECORDING", "MODE_DISPCONTROL"}));
    EXPECT_EQ(title(c, USER_MENU_NOMINATE), LocalizedString("dfNOMINATION"));
    EXPECT_EQ(title(c, USER_MENU_DISPCONTROL_OWNER_VIDEO),
              LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_MAIN_VIDEO"));
    EXPECT_EQ(title(c, USER_MENU_DISPCONTROL_USER_VIDEO),
              LocalizedFormat("dfREMOTE_SUPPORT_DISPCONTROL_USER_VIDEO", QString("Two")));
    c.isReserver = true;
    EXPECT_EQ(title(c, USER_MENU_NOMINATE), LocalizedString("dfALLOW"));
    c.targetFloor = true;
    EXPECT_EQ(title(c, USER_MENU_RECORDING), LocalizedString("dfRECORD_START"));
    c.isRecordingStarted = true;
    EXPECT_EQ(title(c, USER_MENU_RECORDING), LocalizedString("dfRECORD_STOP"));
    c.roomCategory = ROOM_CATEGORY_NORMAL;
    EXPECT_EQ(title(c, USER_MENU_DISPCONTROL_OWNER_VIDEO),
              LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_OWNER_VIDEO"));
}

TEST(PopupUserMenuTest, SharingItemsAskAtEachShowingAndAChoiceReachesTheDelegate) {
    ensureQtApplication();
    struct Delegate : PopupUserMenuDelegate {
        void onSelectMenuItem(MenuItem* item, int type, const UserInfoRef& target) override {
            chosen.push_back({int(item->tag()), type, target->userId()});
        }
        bool isDocShareRunning() override { return docShare; }
        bool isAPShareRunning() override { return apShare; }
        bool docShare = false, apShare = false;
        std::vector<std::tuple<int, int, QString>> chosen;
    } delegate;
    UserMenuContext c = member(ROOM_CATEGORY_NORMAL, USER_MENU_TYPE_SPEAKER, true,
                               yes({"MODE_DISPCONTROL", "DOCSHAREMODE", "ASMODE"}));
    PopupUserMenu menu(c, std::make_shared<UserInfo>("u2", "Two", "S0"));
    menu.setPopupDelegate(&delegate);
    Menu* sub = menu.findItem(USER_MENU_DISPCONTROL_USER)->submenu();
    ASSERT_NE(sub, nullptr);
    sub->update();
    EXPECT_FALSE(menu.findItem(USER_MENU_DISPCONTROL_DOCSHARE)->isEnabled());
    delegate.docShare = true;
    sub->update();
    EXPECT_TRUE(menu.findItem(USER_MENU_DISPCONTROL_DOCSHARE)->isEnabled());
    EXPECT_FALSE(menu.findItem(USER_MENU_DISPCONTROL_APSHARE)->isEnabled());
    menu.findItem(USER_MENU_DISPCONTROL_VIDEO)->trigger();
    EXPECT_EQ(delegate.chosen,
              (std::vector<std::tuple<int, int, QString>>{{18, USER_MENU_TYPE_SPEAKER, "u2"}}));
}

}  // namespace
