#include "conference/PopupWebinarMenu.h"

#include <QIcon>

#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "services/QuorixUtils.h"

namespace {

struct Row {
    int menu, tag;
    const char* title;
    const char* image;
    bool ds, ap, tb;  // the room keys the item needs
    int mode;
    int flag;  // -1: any flag
};

// The whiteboard layouts are not offered.
constexpr Row kRows[] = {
    {1, 0, "dfWEBINAR_MENU_VIDEO", "video_g", false, false, false, 1, -1},
    {1, 1, "dfWEBINAR_MENU_DS", "ds_g", true, false, false, 2, -1},
    {1, 3, "dfWEBINAR_MENU_AP", "ap_g", false, true, false, 4, -1},
    {2, 4, "dfWEBINAR_MENU_VIDEO_DS", "video_ds", true, false, false, 5, 0},
    {2, 5, "dfWEBINAR_MENU_DS_VIDEO", "ds_video", true, false, false, 5, 1},
    {2, 8, "dfWEBINAR_MENU_VIDEO_AP", "video_ap", false, true, false, 7, 0},
    {2, 9, "dfWEBINAR_MENU_AP_VIDEO", "ap_video", false, true, false, 7, 1},
    {2, 10, "dfWEBINAR_MENU_VIDEO_TB", "video_tb", false, false, true, 8, -1},
    {2, 11, "dfWEBINAR_MENU_DS_TB", "ds_tb", true, false, true, 9, -1},
    {2, 13, "dfWEBINAR_MENU_AP_TB", "ap_tb", false, true, true, 11, -1},
    {3, 14, "dfWEBINAR_MENU_VIDEO_DS_TB", "video_ds_tb", true, false, true, 12, 0},
    {3, 15, "dfWEBINAR_MENU_DS_VIDEO_TB", "ds_video_tb", true, false, true, 12, 1},
    {3, 18, "dfWEBINAR_MENU_VIDEO_AP_TB", "video_ap_tb", false, true, true, 14, 0},
    {3, 19, "dfWEBINAR_MENU_AP_VIDEO_TB", "ap_video_tb", false, true, true, 14, 1},
};

}  // namespace

std::vector<PopupWebinarMenu::Item> PopupWebinarMenu::items(int menu, const QVariantMap& conf,
                                                            bool isFuncMain, int mode) {
    const auto on = [&](const char* key) {
        return QuorixUtils::IsSystemEnableFunc(QString::fromLatin1(key), conf);
    };
    std::vector<Item> result;
    for (const Row& row : kRows) {
        if (row.menu != menu) continue;
        if ((row.ds && !on("DOCSHAREMODE")) || (row.ap && !on("ASMODE")) || (row.tb && !on("TEXTBOXMODE")))
            continue;
        const bool checked = row.mode == mode && (row.flag < 0 || bool(row.flag) == isFuncMain);
        result.push_back({row.tag, QString::fromLatin1(row.title), QString::fromLatin1(row.image), checked});
    }
    return result;
}

PopupWebinarMenu::PopupWebinarMenu(QWidget* parent) : Menu(QString(), parent) {
    setMenuDelegate(this);
}

void PopupWebinarMenu::createWebinarMenuLayout1(const QVariantMap& confDict, int mode) {
    build(1, confDict, false, mode);
}
void PopupWebinarMenu::createWebinarMenuLayout2(const QVariantMap& confDict, bool isFuncMain, int mode) {
    build(2, confDict, isFuncMain, mode);
}
void PopupWebinarMenu::createWebinarMenuLayout3(const QVariantMap& confDict, bool isFuncMain, int mode) {
    build(3, confDict, isFuncMain, mode);
}

void PopupWebinarMenu::build(int menu, const QVariantMap& confDict, bool isFuncMain, int mode) {
    for (const Item& item : items(menu, confDict, isFuncMain, mode)) {
        MenuItem* entry = addItem(LocalizedStringForKey(item.titleKey), item.tag, QString(),
                                  [this](MenuItem* chosen) { onItemClick(chosen); });
        if (const auto path = MainBundle::pathForResource(item.image, QStringLiteral("png")))
            entry->setIcon(QIcon(*path));
        entry->setState(item.checked ? MenuItem::On : MenuItem::Off);
    }
}

void PopupWebinarMenu::onItemClick(MenuItem* item) {
    if (delegate_ != nullptr && item != nullptr) delegate_->onSelectMenuItemFromWebinarMenu(int(item->tag()));
}
