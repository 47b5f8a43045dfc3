#include "ui/AddLayoutWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Localization.h"

AddLayoutWindowController::AddLayoutWindowController(QWidget* sheetParent)
    : QDialog(sheetParent),
      explanationLbl_(new QLabel(LocalizedString("dfADDLAYOUT"), this)),
      textFiled_(new QLineEdit(this)),
      cancelBtn_(new QPushButton(LocalizedString("dfCANCEL"), this)),
      okBtn_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("addLayoutWindow"));
    // A sheet: modal to the window it belongs to only.
    setWindowModality(sheetParent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    explanationLbl_->setObjectName(QStringLiteral("explanationLbl"));
    explanationLbl_->setWordWrap(true);
    textFiled_->setObjectName(QStringLiteral("textFiled"));
    cancelBtn_->setObjectName(QStringLiteral("cancelBtn"));
    okBtn_->setObjectName(QStringLiteral("okBtn"));
    okBtn_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelBtn_);
    buttons->addWidget(okBtn_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanationLbl_);
    layout->addWidget(textFiled_);
    layout->addLayout(buttons);
    setFixedWidth(360);

    connect(okBtn_, &QPushButton::clicked, this, &AddLayoutWindowController::onClickOkBtn);
    connect(cancelBtn_, &QPushButton::clicked, this, &AddLayoutWindowController::onClickCancelBtn);
}

void AddLayoutWindowController::onClickOkBtn() {
    if (delegate_ != nullptr) delegate_->onCloseAddLayoutWindow(textFiled_->text());
    done(1);
}

void AddLayoutWindowController::onClickCancelBtn() {
    done(0);
}
