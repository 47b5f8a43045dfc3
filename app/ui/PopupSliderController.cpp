#include "ui/PopupSliderController.h"

#include <QSlider>
#include <QVBoxLayout>

PopupSliderController::PopupSliderController(QSlider* slider, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(slider, 0, Qt::AlignHCenter);
    slider->show();
}

void PopupSliderController::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    isMouseOver_ = true;
}

void PopupSliderController::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    isMouseOver_ = false;
}
