// The context menu of one participant (a video tile, a row of a list window,
// a speaker or a waiting participant): what the own user may do to that
// participant or, on the own entry, to the own participation.
//
// Which items the menu holds, their titles, ticks and enabled states are the
// pure rules of `userMenuEntries`, worked out from the room's state at the
// moment the menu is built; `PopupUserMenu` lays them out as a real menu and
// hands the chosen item back to its delegate. Only the display-control items
// for document and application sharing (tags 21 and 22) ask the delegate
// again each time the menu shows.
#pragma once

#include <QImage>
#include <QString>
#include <QVariantMap>
#include <map>
#include <optional>
#include <vector>

#include "model/UserInfo.h"
#include "platform/Menu.h"

inline constexpr int USER_MENU_TYPE_CLIENT = 1;    // a row of a list window
inline constexpr int USER_MENU_TYPE_SPEAKER = 2;   // a video tile or a speaker row
inline constexpr int USER_MENU_TYPE_RESERVER = 3;  // a row of the waiting list

// The items' tags.
enum UserMenuTag : int {
    USER_MENU_CHANGE_OWNER = 0,
    USER_MENU_FORCE_LEAVE = 1,
    USER_MENU_FULL_SIZE = 2,
    USER_MENU_ORIGINAL_SIZE = 3,
    USER_MENU_SEND_MESSAGE = 4,
    USER_MENU_NOMINATE = 6,
    USER_MENU_RESERVE_CANCEL = 7,
    USER_MENU_STOP_NOMINATE = 8,
    USER_MENU_ALL_POPUP = 9,
    USER_MENU_ALL_POPUP_END = 10,
    USER_MENU_APSHARE_REQUEST = 11,
    USER_MENU_APSHARE_STOP = 12,
    USER_MENU_REMOTESTG_USER = 13,
    USER_MENU_REMOTESTG_ALL = 14,
    USER_MENU_QUESTIONNAIRE = 15,
    USER_MENU_DISPCONTROL_USER = 16,
    USER_MENU_DISPCONTROL_ALL = 17,
    USER_MENU_DISPCONTROL_VIDEO = 18,
    USER_MENU_DISPCONTROL_USER_VIDEO = 19,
    USER_MENU_DISPCONTROL_OWNER_VIDEO = 20,
    USER_MENU_DISPCONTROL_DOCSHARE = 21,
    USER_MENU_DISPCONTROL_APSHARE = 22,
    USER_MENU_CAMERA_ONOFF = 23,
    USER_MENU_USER_PERMISSION = 25,
    USER_MENU_RECORDING = 26,
    USER_MENU_BG_SETTING = 27,
    USER_MENU_BG_NONE = 28,
    USER_MENU_BG_BLUR = 29,
    USER_MENU_BG_CUSTOM = 30,
    USER_MENU_BG_SELECT_IMG = 31,
    USER_MENU_BG_DELETE_IMG = 32,
};

// The room's state as the menu's rules read it.
struct UserMenuContext {
    int menuType = USER_MENU_TYPE_CLIENT;
    bool isSelf = false;         // the target is the own user
    int roomCategory = 0;        // ROOM_CATEGORY_*
    bool chairman = false;       // the own user is the chair
    bool ownFloor = false;       // the own user has the floor (seminar) or speaks (many-meeting)
    bool targetFloor = false;    // the target has the floor (seminar) or speaks (many-meeting)
    bool isReserver = false;     // the target waits for the floor
    bool isOriginal = false;     // the target's video is popped out
    bool isAllPopup = false;     // some video (own or a speaker's) is not popped out
    bool isEndAllPopup = false;  // every video is popped out
    bool chairmanAlertOpen = false;
    bool apShareStarted = false;
    int apShareReqStatus = 0;  // AS_REQUEST_*
    bool isSharer = false;     // the target shares the screen
    bool questionnaireStarted = false;
    bool permitAPShare = false;    // the own permission for application sharing
    bool permitRemoteStg = false;  // the own permission for remote settings
    bool isEnableAP = true;
    bool isEnableCamera = false;
    bool isRecordingStarted = false;
    bool segmentationAvailable = false;  // camera backgrounds can be separated
    int bgMode = 0;                      // the saved camera background mode
    QImage customImage;                  // the saved custom background (null: none)
    QVariantMap config;                  // the room configuration
    QString targetUserType, targetUserName;
};

struct UserMenuEntry {
    int tag = -1;  // -1: a separator
    QString title;
    bool enabled = true;
    bool checked = false;
    bool askedAtShow = false;  // enabled state asked of the delegate each time the menu shows
    QImage image;
    std::vector<UserMenuEntry> submenu;

    bool isSeparator() const { return tag < 0; }
};

// The items of the menu, in order, with their states.
std::vector<UserMenuEntry> userMenuEntries(const UserMenuContext& context);

class PopupUserMenu;
class PopupUserMenuDelegate {
public:
    virtual ~PopupUserMenuDelegate() = default;
    virtual void onSelectMenuItem(MenuItem* item, int menuType, const UserInfoRef& target) = 0;
    virtual bool isDocShareRunning() = 0;
    virtual bool isAPShareRunning() = 0;
};

class PopupUserMenu : public Menu, public MenuDelegate {
    Q_OBJECT

public:
    PopupUserMenu(const UserMenuContext& context, UserInfoRef target, QWidget* parent = nullptr);

    int menuType() const { return menuType_; }
    UserInfoRef targetUser() const { return targetUser_; }
    bool isSelfMenu() const { return isSelfMenu_; }
    // Held weakly; without one a chosen item does nothing.
    void setPopupDelegate(PopupUserMenuDelegate* delegate) { popupDelegate_ = delegate; }
    PopupUserMenuDelegate* popupDelegate() const { return popupDelegate_; }

    // Every item of the menu and its submenus with that tag, first match.
    MenuItem* findItem(int tag) const;

    // MenuDelegate
    bool validateMenuItem(MenuItem* item) override;

private:
    void addEntries(Menu* menu, const std::vector<UserMenuEntry>& entries);
    void onItemClick(MenuItem* item);

    const int menuType_;
    const UserInfoRef targetUser_;
    const bool isSelfMenu_;
    std::map<MenuItem*, bool> enabled_;  // the states of the moment the menu was built
    PopupUserMenuDelegate* popupDelegate_ = nullptr;
};
