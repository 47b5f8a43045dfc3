#include "platform/Menu.h"

#include <QCursor>

MenuItem::MenuItem(const QString& title, long tag, const QString& keyEquivalent, QObject* parent)
    : QAction(title, parent), tag_(tag) {
    if (!keyEquivalent.isEmpty()) {
        // A character key goes with Ctrl; a function key (F1) stands alone.
        const Qt::Key key = QKeySequence(keyEquivalent)[0].key();
        setShortcut(key >= Qt::Key_F1 && key <= Qt::Key_F35 ? QKeySequence(key)
                                                            : QKeySequence(Qt::CTRL | key));
    }
    connect(this, &QAction::triggered, this, [this] {
        if (handler_) {
            handler_(this);
        }
    });
}

void MenuItem::setState(State state) {
    state_ = state;
    setCheckable(state != Off);
    setChecked(state == On);
}

void MenuItem::setSubmenu(Menu* submenu) {
    submenu_ = submenu;
    setMenu(submenu);
}

Menu::Menu(const QString& title, QWidget* parent) : QMenu(title, parent) {
    connect(this, &QMenu::aboutToShow, this, &Menu::update);
}

MenuItem* Menu::addItem(const QString& title, long tag, const QString& keyEquivalent,
                        std::function<void(MenuItem*)> handler) {
    auto* item = new MenuItem(title, tag, keyEquivalent, this);
    item->setHandler(std::move(handler));
    addAction(item);
    return item;
}

MenuItem* Menu::itemWithTag(long tag) const {
    for (MenuItem* item : items()) {
        if (item->tag() == tag) {
            return item;
        }
    }
    return nullptr;
}

QList<MenuItem*> Menu::items() const {
    QList<MenuItem*> result;
    for (QAction* action : actions()) {
        if (auto* item = qobject_cast<MenuItem*>(action)) {
            result.append(item);
        }
    }
    return result;
}

void Menu::update() {
    if (delegate_ == nullptr) {
        return;
    }
    delegate_->menuNeedsUpdate(this);
    for (MenuItem* item : items()) {
        item->setEnabled(delegate_->validateMenuItem(item));
    }
}

void Menu::popUpAtMouse() {
    popup(QCursor::pos());
}
