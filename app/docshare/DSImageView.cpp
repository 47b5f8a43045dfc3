#include "docshare/DSImageView.h"

#include <QResizeEvent>

void DSImageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResize_) onResize_();
}
