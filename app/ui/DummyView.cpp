#include "ui/DummyView.h"

#include "platform/View.h"

DummyView::DummyView(const QRectF& frame, int roomCategory, QWidget* parent)
    : QLabel(parent), roomCategory_(roomCategory) {
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("background-color: lightgray;"));
    View::setFrameOf(this, frame);
}

void DummyView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        if (delegate_ != nullptr) {
            delegate_->rightClickActionFromDummyView(event);
        }
        QLabel::mousePressEvent(event);
        return;
    }
    if (roomCategory_ == kRoomCategoryManyMeeting) {
        event->accept();  // ignored altogether
        return;
    }
    QLabel::mousePressEvent(event);
}

void DummyView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click: a click count above 1.
    if (event->button() == Qt::RightButton) {
        mousePressEvent(event);
        return;
    }
    if (roomCategory_ == kRoomCategoryManyMeeting) {
        event->accept();
        return;
    }
    if (delegate_ != nullptr) {
        delegate_->doubleClickActionFromDummyView(event);
    }
    QLabel::mouseDoubleClickEvent(event);
}
