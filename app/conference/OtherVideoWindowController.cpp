#include "conference/OtherVideoWindowController.h"

#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "conference/AutoAlignmentView.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/UserDefaults.h"

namespace {
const QString kKeyDispFrame = QStringLiteral("KeyDispFrameForManyOtherWindow");
const QString kKeyDispMode = QStringLiteral("KeyDispModeForManyOtherWindow");
const QString kToolbarIdentifier = QStringLiteral("OTHERVIDEOWINDOW_TOOLBAR");
const QString kPinItemIdentifier = QStringLiteral("too_item_pushpin");
const QString kPinLabel = QStringLiteral("最前面表示 オン/オフ");
}  // namespace

OtherVideoWindowController::OtherVideoWindowController(const QRectF& baseRect, AutoAlignmentView* content,
                                                       QObject* parent)
    : QObject(parent), content_(content) {
    isDispFront_ = UserDefaults::standard().boolForKey(kKeyDispMode);
    initWindow(baseRect);
}

OtherVideoWindowController::~OtherVideoWindowController() {
    if (window_ != nullptr) {
        window_->setDelegate(nullptr);
        // The grid belongs to the conference window.
        if (content_ != nullptr && content_->window() == window_) {
            content_->hide();
            content_->setParent(nullptr);
        }
        delete window_;
    }
}

QSizeF OtherVideoWindowController::constrainResize(QSizeF proposed, QSizeF minViewSize, double titleHeight) {
    const double width = std::max(proposed.width(), minViewSize.width());
    double height = proposed.height();
    if (minViewSize.height() > height - titleHeight) {
        height = minViewSize.height() + titleHeight;
    }
    return QSizeF(width, height);
}

QRectF OtherVideoWindowController::loadWindowFrame() {
    const QVariant stored = UserDefaults::standard().objectForKey(kKeyDispFrame);
    if (stored.typeId() != QMetaType::QRectF && stored.typeId() != QMetaType::QRect) {
        return QRectF();
    }
    return stored.toRectF();
}

void OtherVideoWindowController::initWindow(const QRectF& baseRect) {
    QRectF rect = loadWindowFrame();
    if (rect.width() <= 0 || rect.height() <= 0) {
        rect = QRectF(baseRect.x() + baseRect.width() / 4, baseRect.y() + baseRect.height() / 4,
                      baseRect.width() / 2, baseRect.height() / 2);
    }
    // The toolbar strip sits above the grid, so the window is that much higher.
    const QRectF frame(rect.x(), rect.y(), rect.width(), rect.height() + kToolbarHeight);
    window_ = new Window(frame, WindowStyleTitled | WindowStyleMiniaturizable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("otherVideoWindow"));
    window_->setDelegate(this);
    window_->setTitle(LocalizedString("dfMANYMTG_SPEAKERWINDOW"));
    window_->contentView()->resize(int(frame.width()), int(frame.height()));
    makeToolbar(kToolbarIdentifier);
    setContentView();
    window_->setLevel(isDispFront_ ? AboveAllWindowLevel : NormalWindowLevel);
}

void OtherVideoWindowController::makeToolbar(const QString& identifier) {
    View* container = window_->contentView();
    toolbar_ = new View(container);
    toolbar_->setObjectName(identifier);
    View::setFrameOf(toolbar_,
                     QRectF(0, container->height() - kToolbarHeight, container->width(), kToolbarHeight));
    toolbar_->setAutoresizingMask(ViewWidthSizable | ViewMinYMargin);
    double x = 4;
    for (const QString& item : toolbarDefaultItemIdentifiers()) {
        QWidget* widget = toolbarItemForIdentifier(item);
        if (widget != nullptr) {
            widget->setParent(toolbar_);
            View::setFrameOf(widget, QRectF(x, (kToolbarHeight - widget->height()) / 2, widget->width(),
                                            widget->height()));
            View::setAutoresizingMaskOf(widget, ViewMaxXMargin | ViewMinYMargin);
            x += widget->width() + 4;
        }
    }
    toolbar_->show();
}

QStringList OtherVideoWindowController::getToolbarItemArray() {
    return {kPinItemIdentifier};
}

QWidget* OtherVideoWindowController::toolbarItemForIdentifier(const QString& identifier) {
    if (identifier != kPinItemIdentifier) {
        return nullptr;
    }
    auto* button = new QPushButton();
    button->setObjectName(QStringLiteral("pinButton"));
    button->setAccessibleName(kPinLabel);
    button->setToolTip(kPinLabel);
    button->setCheckable(true);
    button->setEnabled(true);
    button->resize(48, 36);
    button->setIconSize(QSize(16, 16));
    connect(button, &QPushButton::clicked, this, [this, button] { onClickDispButton(button); });
    applyPinImage(button);
    pinButton_ = button;
    return button;
}

void OtherVideoWindowController::applyPinImage(QPushButton* button) const {
    const QString name = isDispFront_ ? QStringLiteral("pin_on") : QStringLiteral("pin_off");
    const std::optional<QString> path = MainBundle::pathForResource(name, QStringLiteral("png"));
    button->setIcon(path ? QIcon(QPixmap(*path).scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation))
                         : QIcon());
    button->setProperty("imageName", name);
    button->setChecked(isDispFront_);
}

void OtherVideoWindowController::setContentView() {
    if (content_ == nullptr) {
        return;
    }
    View* container = window_->contentView();
    content_->setParent(container);
    View::setFrameOf(content_, QRectF(0, 0, container->width(), container->height() - kToolbarHeight));
    content_->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    content_->setMode(0);
    content_->show();
    window_->setMinSize(QSizeF(kMinContentWidth, kMinContentHeight + kToolbarHeight));
}

void OtherVideoWindowController::showWindow() {
    window_->makeKeyAndOrderFront();
}

void OtherVideoWindowController::close() {
    window_->closeWindow();
}

void OtherVideoWindowController::onClickDispButton(QPushButton* button) {
    isDispFront_ = !isDispFront_;
    bringWindowTheFront(button);
    saveDispMode();
}

void OtherVideoWindowController::bringWindowTheFront(QPushButton* button) {
    window_->setLevel(isDispFront_ ? AboveAllWindowLevel : NormalWindowLevel);
    if (button != nullptr) {
        applyPinImage(button);
    }
}

void OtherVideoWindowController::saveDispMode() {
    UserDefaults::standard().setBool(kKeyDispMode, isDispFront_);
}

void OtherVideoWindowController::loadDispMode(bool refreshItem) {
    isDispFront_ = UserDefaults::standard().boolForKey(kKeyDispMode);
    if (refreshItem && pinButton_ != nullptr) {
        applyPinImage(pinButton_);
    }
}

void OtherVideoWindowController::saveWindowFrame() {
    const QRectF frame = window_->frame();
    const QSizeF contentSize = content_ != nullptr ? QSizeF(content_->size())
                                                   : QSizeF(frame.width(), frame.height() - kToolbarHeight);
    UserDefaults::standard().setObject(
        kKeyDispFrame, QRectF(frame.x(), frame.y(), contentSize.width(), contentSize.height()));
}

QSizeF OtherVideoWindowController::windowWillResize(Window*, QSizeF proposed) {
    // The window is the grid plus the toolbar strip above it.
    const QSizeF minViewSize = content_ != nullptr ? content_->minViewSize() : QSizeF(0, 0);
    return constrainResize(proposed, minViewSize, kToolbarHeight);
}

void OtherVideoWindowController::windowWillClose(Window*) {
    saveWindowFrame();
    saveDispMode();
}
