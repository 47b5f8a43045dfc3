#include "appshare/APShareDummyViewController.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

APShareDummyViewController::APShareDummyViewController(QObject* parent) : QObject(parent) {
    auto* view = new QWidget();
    view->setObjectName(QStringLiteral("APShareDummyView"));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, QColor(0xE6, 0xE6, 0xE6));
    view->setPalette(palette);
    lbl_ = new QLabel(view);
    lbl_->setObjectName(QStringLiteral("lbl"));
    lbl_->setAlignment(Qt::AlignCenter);
    lbl_->setTextInteractionFlags(Qt::NoTextInteraction);
    lbl_->setWordWrap(true);
    QFont font = lbl_->font();
    font.setPixelSize(40);
    lbl_->setFont(font);
    auto* layout = new QVBoxLayout(view);
    layout->addWidget(lbl_);
    view_ = view;
}

APShareDummyViewController::~APShareDummyViewController() {
    delete view_.data();
}

void APShareDummyViewController::setAPStatusString(const QString& text) {
    QPalette palette = lbl_->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.129f, 0.588f, 0.952f, 1.0f));
    lbl_->setPalette(palette);
    lbl_->setText(text);
}
