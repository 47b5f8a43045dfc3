#include "recording/RecordingSystemMenu.h"

#include <QIcon>

#include "platform/Localization.h"
#include "platform/Menu.h"
#include "platform/StatusItem.h"
#include "recording/RecordingRules.h"

RecordingSystemMenu::RecordingSystemMenu()
    : menu_(std::make_unique<Menu>()), statusItem_(StatusItem::create()) {
    menu_->setObjectName(QStringLiteral("recording_system_menu"));
    statusItem_->setImage(QIcon(QStringLiteral(":/images/recstop.png")));
    statusItem_->setToolTip(QStringLiteral("録画を停止する"));
    statusItem_->setMenu(menu_.get());
}

RecordingSystemMenu::~RecordingSystemMenu() {
    statusItem_->setMenu(nullptr);
}

void RecordingSystemMenu::reloadMenu(const std::vector<RecordingInfoRef>& recordings) {
    std::lock_guard lock(mutex_);
    menu_->clear();
    const auto choose = [this](MenuItem* item) {
        if (delegate_) delegate_->stopRecordingFromMenu(item->tag());
    };
    long index = 0;
    for (const auto& info : recordings)
        menu_->addItem(LocalizedFormat("dfRECORD_ONEUSER_STOP", info->userName()), index++, QString(),
                       choose);
    if (menu_->items().size() >= 2) {
        menu_->addSeparatorItem();
        menu_->addItem(LocalizedString("dfRECORD_ALL_STOP"), static_cast<long>(Rec::kStopAllTag), QString(),
                       choose);
    }
}

void RecordingSystemMenu::hidden() {
    statusItem_->setVisible(false);
    if (delegate_) delegate_->remove();
}
