#include "conference/ConferenceVideoArea.h"

#include "platform/View.h"

QSizeF VideoAreaPlaceholder::calcMainViewSize(int, int) {
    return QSizeF(520, 510);
}

VideoAreaPlaceholder::VideoAreaPlaceholder() : view_(new View()) {
    view_->setObjectName(QStringLiteral("videoArea"));
    view_->setAutoFillBackground(true);
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Window, QColor(40, 40, 40));
    view_->setPalette(pal);
}

// The view belongs to the window once added; it is deleted with it or here.
VideoAreaPlaceholder::~VideoAreaPlaceholder() {
    delete view_.data();
}
