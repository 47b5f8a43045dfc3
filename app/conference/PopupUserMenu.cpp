#include "conference/PopupUserMenu.h"

#include "model/UserListInfo.h"
#include "platform/Localization.h"
#include "session/FreeMessageCodes.h"

namespace {

bool isY(const QVariantMap& config, const char* key) {
    return config.value(QString::fromLatin1(key)).toString() == u"Y";
}

UserMenuEntry item(int tag, const QString& title, bool enabled = true) {
    UserMenuEntry e;
    e.tag = tag;
    e.title = title;
    e.enabled = enabled;
    return e;
}

UserMenuEntry separator() {
    return UserMenuEntry{};
}

struct Room {
    const UserMenuContext& c;
    bool seminar() const { return c.roomCategory == ROOM_CATEGORY_SEMINAR; }
    bool many() const { return c.roomCategory == ROOM_CATEGORY_MANYMTG; }
    bool normal() const { return c.roomCategory == ROOM_CATEGORY_NORMAL; }
    bool webinar() const { return seminar() && isY(c.config, "MODE_WEBINAR"); }
    bool hw() const { return c.targetUserType == u"H0"; }
    bool captainFree() const { return isY(c.config, "CAPTAIN_FREE"); }

    // The two size items: always in a normal room, not on a list row of a
    // seminar room, only for a popped-out video in a many-meeting room.
    bool sizeItemsShown() const {
        if (seminar()) return c.menuType != USER_MENU_TYPE_CLIENT;
        if (many()) return c.isOriginal;
        return true;
    }
    void addSizeItems(std::vector<UserMenuEntry>& out) const {
        if (!sizeItemsShown()) return;
        out.push_back(item(USER_MENU_ORIGINAL_SIZE, LocalizedString("dfORIGINALSIZE"), c.isOriginal));
        out.push_back(item(USER_MENU_FULL_SIZE, LocalizedString("dfFULLSIZEWINDOW")));
    }
    void addRecording(std::vector<UserMenuEntry>& out, bool member) const {
        if (!isY(c.config, "RECORDING")) return;
        if (member && !(normal() || (seminar() && c.targetFloor))) return;
        out.push_back(item(USER_MENU_RECORDING, c.isRecordingStarted ? LocalizedString("dfRECORD_STOP")
                                                                     : LocalizedString("dfRECORD_START")));
    }
    bool dispControlShown() const { return isY(c.config, "MODE_DISPCONTROL") && !webinar(); }
    std::vector<UserMenuEntry> dispControlItems(bool member) const {
        std::vector<UserMenuEntry> sub;
        sub.push_back(
            item(USER_MENU_DISPCONTROL_VIDEO, LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_VIDEO")));
        sub.push_back(item(USER_MENU_DISPCONTROL_OWNER_VIDEO,
                           seminar() ? LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_MAIN_VIDEO")
                                     : LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_OWNER_VIDEO"),
                           !many() || c.ownFloor));
        if (member)
            sub.push_back(item(USER_MENU_DISPCONTROL_USER_VIDEO,
                               LocalizedFormat("dfREMOTE_SUPPORT_DISPCONTROL_USER_VIDEO", c.targetUserName),
                               c.targetFloor || normal()));
        if (isY(c.config, "DOCSHAREMODE")) {
            UserMenuEntry ds = item(USER_MENU_DISPCONTROL_DOCSHARE,
                                    LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_DOCSHARE"), false);
            ds.askedAtShow = true;
            sub.push_back(ds);
        }
        if (isY(c.config, "ASMODE") && (!many() || isY(c.config, "MODE_MANY_MTG_AS"))) {
            UserMenuEntry as = item(USER_MENU_DISPCONTROL_APSHARE,
                                    LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_APSHARE"), false);
            as.askedAtShow = true;
            sub.push_back(as);
        }
        return sub;
    }
};

std::vector<UserMenuEntry> selfMenu(const Room& r) {
    const UserMenuContext& c = r.c;
    std::vector<UserMenuEntry> out;
    r.addRecording(out, false);
    if (isY(c.config, "QUESTION"))
        out.push_back(item(USER_MENU_QUESTIONNAIRE, LocalizedString("dfQUESTIONNAIRE"), c.chairman));
    if (isY(c.config, "MODE_REMOTESTG"))
        out.push_back(item(USER_MENU_REMOTESTG_ALL, LocalizedString("dfREMOTESTG_MENU_ITEM_ALL"),
                           c.chairman || c.permitRemoteStg));
    if (r.dispControlShown()) {
        UserMenuEntry all =
            item(USER_MENU_DISPCONTROL_ALL, LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_ALL"), c.chairman);
        all.submenu = r.dispControlItems(false);
        out.push_back(all);
    }
    if (!r.webinar() && isY(c.config, "MODE_USER_PERMISSION"))
        out.push_back(item(USER_MENU_USER_PERMISSION, LocalizedString("dfUSER_PERMISSION_MENU_ITEM"),
                           c.chairman && !r.captainFree()));
    out.push_back(separator());
    if (r.many() && c.isEnableCamera)
        out.push_back(item(USER_MENU_CAMERA_ONOFF, LocalizedString("dfCAMERA_ONOFF")));
    r.addSizeItems(out);
    if (!r.many() && !(r.seminar() && c.menuType == USER_MENU_TYPE_CLIENT)) {
        out.push_back(item(USER_MENU_ALL_POPUP, LocalizedString("dfCASCADINGWINDOW"), c.isAllPopup));
        out.push_back(item(USER_MENU_ALL_POPUP_END, LocalizedString("dfCASCADINGEND"), c.isEndAllPopup));
    }
    if (c.segmentationAvailable && isY(c.config, "MODE_BG_BLUR")) {
        out.push_back(separator());
        UserMenuEntry bg = item(USER_MENU_BG_SETTING, LocalizedString("dfBG_SETTING"));
        UserMenuEntry none = item(USER_MENU_BG_NONE, LocalizedString("dfBG_NONE"));
        none.checked = c.bgMode == 0;
        UserMenuEntry blur = item(USER_MENU_BG_BLUR, LocalizedString("dfBG_BLUR"));
        blur.checked = c.bgMode == 1;
        UserMenuEntry custom = item(USER_MENU_BG_CUSTOM, LocalizedString("dfBG_CUSTOM"));
        custom.checked = c.bgMode == 2;
        const bool saved = !c.customImage.isNull();
        if (saved) {
            UserMenuEntry image = item(USER_MENU_BG_CUSTOM, LocalizedString("dfBG_BLUR_SELECT_IMG_SET"));
            image.image = c.customImage.scaled(30, 30, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            custom.submenu.push_back(image);
            custom.submenu.push_back(separator());
        }
        custom.submenu.push_back(item(USER_MENU_BG_SELECT_IMG, LocalizedString("dfBG_BLUR_SELECT_IMG")));
        custom.submenu.push_back(
            item(USER_MENU_BG_DELETE_IMG, LocalizedString("dfBG_BLUR_SELECT_IMG_DEL"), saved));
        bg.submenu = {none, blur, custom};
        out.push_back(bg);
    }
    return out;
}

void addForceLeave(const Room& r, std::vector<UserMenuEntry>& out, bool asSeminar) {
    const UserMenuContext& c = r.c;
    if (!isY(c.config, "FORCE_LEAVE")) return;
    if (asSeminar && !c.chairman) return;
    out.push_back(item(USER_MENU_FORCE_LEAVE, LocalizedString("dfFORCE"), asSeminar || c.chairman));
}

void addSendMessage(const Room& r, std::vector<UserMenuEntry>& out) {
    const UserMenuContext& c = r.c;
    if (isY(c.config, "SEND_MESSAGE") && isY(c.config, "MODE_SMARTPHONE_SEND_MESSAGE") && !r.hw())
        out.push_back(item(USER_MENU_SEND_MESSAGE, LocalizedString("dfSEND_MESSAGE")));
}

std::vector<UserMenuEntry> memberMenu(const Room& r) {
    const UserMenuContext& c = r.c;
    std::vector<UserMenuEntry> out;
    addSendMessage(r, out);
    r.addRecording(out, true);
    if (!r.seminar() && !r.captainFree() && !r.hw())
        out.push_back(
            item(USER_MENU_CHANGE_OWNER, LocalizedString("dfCHANGECHAIRPERSON"),
                 c.chairman && !c.apShareStarted && !c.chairmanAlertOpen && !c.questionnaireStarted));
    const bool floorItems = r.seminar() && c.chairman && !r.hw() &&
                            (c.menuType == USER_MENU_TYPE_CLIENT || c.menuType == USER_MENU_TYPE_SPEAKER);
    if (floorItems && c.targetFloor) {
        out.push_back(item(USER_MENU_STOP_NOMINATE, LocalizedString("dfREMOVE")));
    } else if (floorItems) {
        out.push_back(item(USER_MENU_NOMINATE,
                           c.isReserver ? LocalizedString("dfALLOW") : LocalizedString("dfNOMINATION")));
        if (c.isReserver)
            out.push_back(item(USER_MENU_RESERVE_CANCEL, LocalizedString("dfRESAVTION_CANCEL")));
    }
    const bool shareItems = isY(c.config, "ASMODE") && isY(c.config, "MODE_SMARTPHONE_AP_SHARE") &&
                            isY(c.config, "MODE_AS_REQUIRE") && !r.hw() &&
                            (!r.many() || isY(c.config, "MODE_MANY_MTG_AS")) &&
                            (!r.seminar() || c.targetFloor);
    const bool mayShare = c.chairman || c.ownFloor || c.permitAPShare;
    if (shareItems && !c.apShareStarted) {
        out.push_back(item(USER_MENU_APSHARE_REQUEST, LocalizedString("dfCONFIG_APSHARE_REQ"),
                           c.apShareReqStatus != AS_REQUEST_SENT && c.isEnableAP && mayShare));
    } else if (shareItems) {
        out.push_back(item(USER_MENU_APSHARE_STOP, LocalizedString("dfCONFIG_APSHARE_REQ_STOP"),
                           c.isSharer && mayShare));
    }
    if (isY(c.config, "MODE_REMOTESTG") && (!r.seminar() || c.targetFloor))
        out.push_back(item(USER_MENU_REMOTESTG_USER, LocalizedString("dfREMOTESTG_MENU_ITEM_USER"),
                           c.chairman || c.permitRemoteStg));
    if (r.dispControlShown()) {
        UserMenuEntry user =
            item(USER_MENU_DISPCONTROL_USER, LocalizedString("dfREMOTE_SUPPORT_DISPCONTROL_USER"),
                 c.chairman && !r.hw());
        user.submenu = r.dispControlItems(true);
        out.push_back(user);
    }
    out.push_back(separator());
    r.addSizeItems(out);
    out.push_back(separator());
    addForceLeave(r, out, r.seminar());
    return out;
}

std::vector<UserMenuEntry> reserverMenu(const Room& r) {
    std::vector<UserMenuEntry> out;
    addSendMessage(r, out);
    addForceLeave(r, out, true);
    return out;
}

}  // namespace

std::vector<UserMenuEntry> userMenuEntries(const UserMenuContext& context) {
    const Room room{context};
    if (context.menuType == USER_MENU_TYPE_RESERVER) return reserverMenu(room);
    if (context.isSelf) return selfMenu(room);
    return memberMenu(room);
}

// ---- The menu ----

PopupUserMenu::PopupUserMenu(const UserMenuContext& context, UserInfoRef target, QWidget* parent)
    : Menu(QString(), parent),
      menuType_(context.menuType),
      targetUser_(std::move(target)),
      isSelfMenu_(context.isSelf && context.menuType != USER_MENU_TYPE_RESERVER) {
    setObjectName(QStringLiteral("popupUserMenu"));
    addEntries(this, userMenuEntries(context));
}

void PopupUserMenu::addEntries(Menu* menu, const std::vector<UserMenuEntry>& entries) {
    menu->setMenuDelegate(this);
    for (const UserMenuEntry& e : entries) {
        if (e.isSeparator()) {
            menu->addSeparatorItem();
            continue;
        }
        MenuItem* mi =
            menu->addItem(e.title, e.tag, QString(), [this](MenuItem* chosen) { onItemClick(chosen); });
        if (e.checked) mi->setState(MenuItem::On);
        if (!e.image.isNull()) mi->setIcon(QIcon(QPixmap::fromImage(e.image)));
        if (!e.askedAtShow) enabled_[mi] = e.enabled;
        if (!e.submenu.empty()) {
            auto* sub = new Menu(e.title, menu);
            addEntries(sub, e.submenu);
            mi->setSubmenu(sub);
        }
    }
    menu->update();
}

MenuItem* PopupUserMenu::findItem(int tag) const {
    std::vector<const Menu*> menus{this};
    for (size_t i = 0; i < menus.size(); ++i) {
        for (MenuItem* mi : menus[i]->items()) {
            if (mi->tag() == tag) return mi;
            if (mi->submenu()) menus.push_back(mi->submenu());
        }
    }
    return nullptr;
}

bool PopupUserMenu::validateMenuItem(MenuItem* item) {
    if (item->tag() == USER_MENU_DISPCONTROL_DOCSHARE)
        return popupDelegate_ != nullptr && popupDelegate_->isDocShareRunning();
    if (item->tag() == USER_MENU_DISPCONTROL_APSHARE)
        return popupDelegate_ != nullptr && popupDelegate_->isAPShareRunning();
    const auto it = enabled_.find(item);
    return it == enabled_.end() ? true : it->second;
}

void PopupUserMenu::onItemClick(MenuItem* item) {
    if (popupDelegate_ != nullptr) popupDelegate_->onSelectMenuItem(item, menuType_, targetUser_);
}
