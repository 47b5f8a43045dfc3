#pragma once

// An item on the desktop's system tray with an icon, a tooltip and a menu.
// Where the desktop has no tray (or the platform is offscreen) the item is a
// stand-in that keeps what it was given, so the code above behaves the same.

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

class Menu;
class QSystemTrayIcon;

class StatusItem : public QObject {
    Q_OBJECT

public:
    // A new item; it is on the tray while it lives, visible and has an image.
    static std::unique_ptr<StatusItem> create();
    ~StatusItem() override;

    void setImage(const QIcon& image);
    QIcon image() const { return image_; }
    void setToolTip(const QString& toolTip);
    QString toolTip() const { return toolTip_; }
    // Held weakly: the menu's owner keeps it.
    void setMenu(Menu* menu);
    Menu* menu() const { return menu_; }
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }

    // True when a real tray shows the item.
    bool isOnTray() const { return tray_ != nullptr; }

private:
    StatusItem();

    QSystemTrayIcon* tray_ = nullptr;
    QIcon image_;
    QString toolTip_;
    Menu* menu_ = nullptr;
    bool visible_ = true;
};
