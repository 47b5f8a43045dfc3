// The webinar layout menus of the owner's header buttons: the one-pane, the
// two-pane and the three-pane layouts that the room configuration allows,
// the current one checked. A chosen item's tag goes to the delegate.
#pragma once

#include <QString>
#include <QVariantMap>
#include <vector>

#include "platform/Menu.h"

class PopupWebinarMenuDelegate {
public:
    virtual ~PopupWebinarMenuDelegate() = default;
    virtual void onSelectMenuItemFromWebinarMenu(int itemTag) = 0;
};

class PopupWebinarMenu : public Menu, public MenuDelegate {
    Q_OBJECT

public:
    struct Item {
        int tag;
        QString titleKey;
        QString image;
        bool checked;
    };
    // The items of menu 1, 2 or 3 for a room and the current layout, in order.
    static std::vector<Item> items(int menu, const QVariantMap& confDict, bool isFuncMain, int mode);

    explicit PopupWebinarMenu(QWidget* parent = nullptr);
    void createWebinarMenuLayout1(const QVariantMap& confDict, int mode);
    void createWebinarMenuLayout2(const QVariantMap& confDict, bool isFuncMain, int mode);
    void createWebinarMenuLayout3(const QVariantMap& confDict, bool isFuncMain, int mode);

    // Held weakly.
    void setPopupWebinarMenuDelegate(PopupWebinarMenuDelegate* delegate) { delegate_ = delegate; }
    bool validateMenuItem(MenuItem*) override { return true; }
    void onItemClick(MenuItem* item);

private:
    void build(int menu, const QVariantMap& confDict, bool isFuncMain, int mode);
    PopupWebinarMenuDelegate* delegate_ = nullptr;
};
