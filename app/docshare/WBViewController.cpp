#include "docshare/WBViewController.h"

#include <QFont>
#include <QVBoxLayout>

#include "platform/Localization.h"

WBViewController::WBViewController() : view_(new QWidget()) {
    view_->setObjectName(QStringLiteral("WBView"));
    view_->setAutoFillBackground(true);
    QPalette pane = view_->palette();
    pane.setColor(QPalette::Window, QColor(Qt::lightGray));
    view_->setPalette(pane);
    auto* layout = new QVBoxLayout(view_);
    label_ = new QLabel(LocalizedString("dfWEBINAR_WB"), view_);
    label_->setObjectName(QStringLiteral("wbLabel"));
    label_->setTextInteractionFlags(Qt::NoTextInteraction);
    label_->setAlignment(Qt::AlignCenter);
    QFont font = label_->font();
    font.setPointSizeF(40);
    label_->setFont(font);
    QPalette text = label_->palette();
    text.setColor(QPalette::WindowText, QColor::fromRgbF(0.129f, 0.588f, 0.952f, 1.0f));
    label_->setPalette(text);
    label_->setAutoFillBackground(false);
    layout->addWidget(label_);
}

WBViewController::~WBViewController() {
    delete view_.data();
}
