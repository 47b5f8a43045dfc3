#include "conference/SpeakerBtnImageView.h"

#include <QMouseEvent>

SpeakerBtnImageView::SpeakerBtnImageView(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("speakerBtnImageView"));
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SpeakerBtnImageView::mousePressEvent(QMouseEvent* event) {
    mClickDown = true;
    // The press starts the window's move.
    pressGlobal_ = event->globalPosition().toPoint();
    windowOrigin_ = window()->pos();
    event->accept();
}

void SpeakerBtnImageView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    mClickDown = false;
    window()->move(windowOrigin_ + event->globalPosition().toPoint() - pressGlobal_);
    event->accept();
}

void SpeakerBtnImageView::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = mClickDown;
    mClickDown = false;
    event->accept();
    if (click && onClick_) onClick_();
}
