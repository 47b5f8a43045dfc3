#include "ui/SheetWindowController.h"

#include <QLabel>
#include <QPushButton>

#include "platform/Localization.h"
#include "platform/View.h"
#include "platform/Window.h"

SheetWindowController::SheetWindowController(const QString& text)
    : text_(text), window_(new Window(QRectF(0, 0, 360, 120), WindowStyleTitled)) {
    View* content = window_->contentView();
    sheetText_ = new QLabel(text_, content);
    sheetText_->setObjectName(QStringLiteral("sheetText"));
    sheetText_->setWordWrap(true);
    sheetText_->setAlignment(Qt::AlignCenter);
    View::setFrameOf(sheetText_, QRectF(20, 50, 320, 56));

    okButton_ = new QPushButton(QStringLiteral("OK"), content);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    View::setFrameOf(okButton_, QRectF(250, 12, 90, 30));
    cancelButton_ = new QPushButton(LocalizedString("dfCANCEL"), content);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    View::setFrameOf(cancelButton_, QRectF(150, 12, 90, 30));
    connect(okButton_, &QPushButton::clicked, this, &SheetWindowController::onClickOk);
    connect(cancelButton_, &QPushButton::clicked, this, &SheetWindowController::onClickCancel);
}

SheetWindowController::~SheetWindowController() {
    if (window_ == nullptr) {
        return;
    }
    if (Window* parent = window_->sheetParent(); parent != nullptr && parent->attachedSheet() == window_) {
        parent->endSheet(window_, 0);
    }
    delete window_;
}

void SheetWindowController::onClickOk() { end(1); }

void SheetWindowController::onClickCancel() { end(0); }

void SheetWindowController::end(int returnCode) {
    if (window_ == nullptr) {
        return;
    }
    if (Window* parent = window_->sheetParent()) {
        parent->endSheet(window_, returnCode);
    }
}
