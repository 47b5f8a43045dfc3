#pragma once

// Menus whose items carry tags and states and are validated every time the
// menu is about to show: the validator (the menu's owner) answers per item
// whether it is enabled, so an item follows the state of the moment.

#include <QAction>
#include <QMenu>
#include <functional>

class Menu;

class MenuItem : public QAction {
    Q_OBJECT

public:
    enum State { Off = 0, On = 1, Mixed = -1 };

    MenuItem(const QString& title, long tag, const QString& keyEquivalent, QObject* parent = nullptr);

    long tag() const { return tag_; }
    void setTag(long tag) { tag_ = tag; }
    State state() const { return state_; }
    void setState(State state);
    // The menu that opens from this item.
    void setSubmenu(Menu* submenu);
    Menu* submenu() const { return submenu_; }
    // What choosing the item does (the target's action).
    void setHandler(std::function<void(MenuItem*)> handler) { handler_ = std::move(handler); }

private:
    long tag_;
    State state_ = Off;
    Menu* submenu_ = nullptr;
    std::function<void(MenuItem*)> handler_;
};

class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    // Asked for every item each time the menu is about to show.
    virtual bool validateMenuItem(MenuItem* item) { (void)item; return true; }
    // Runs before the validation, so the delegate can rebuild the items.
    virtual void menuNeedsUpdate(Menu* menu) { (void)menu; }
};

class Menu : public QMenu {
    Q_OBJECT

public:
    explicit Menu(const QString& title = QString(), QWidget* parent = nullptr);

    MenuItem* addItem(const QString& title, long tag, const QString& keyEquivalent = QString(),
                      std::function<void(MenuItem*)> handler = nullptr);
    void addSeparatorItem() { addSeparator(); }
    MenuItem* itemWithTag(long tag) const;
    QList<MenuItem*> items() const;

    // Held weakly; without one every item is enabled.
    void setMenuDelegate(MenuDelegate* delegate) { delegate_ = delegate; }
    // Validates every item now (also done on every show).
    void update();

    // Opens at the mouse pointer.
    void popUpAtMouse();

private:
    MenuDelegate* delegate_ = nullptr;
};
