#include "platform/StatusItem.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

#include "platform/Menu.h"

StatusItem::StatusItem() {
    if (QGuiApplication::platformName() != QLatin1String("offscreen") && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = new QSystemTrayIcon(this);  // shown once it has an image
    }
}

StatusItem::~StatusItem() = default;

std::unique_ptr<StatusItem> StatusItem::create() { return std::unique_ptr<StatusItem>(new StatusItem()); }

void StatusItem::setImage(const QIcon& image) {
    image_ = image;
    if (tray_ != nullptr) {
        tray_->setIcon(image);
        tray_->setVisible(visible_);
    }
}

void StatusItem::setToolTip(const QString& toolTip) {
    toolTip_ = toolTip;
    if (tray_ != nullptr) {
        tray_->setToolTip(toolTip);
    }
}

void StatusItem::setMenu(Menu* menu) {
    menu_ = menu;
    if (tray_ != nullptr) {
        tray_->setContextMenu(menu);
    }
}

void StatusItem::setVisible(bool visible) {
    visible_ = visible;
    if (tray_ != nullptr && !image_.isNull()) {
        tray_->setVisible(visible);
    }
}
