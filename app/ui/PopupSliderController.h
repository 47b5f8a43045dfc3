#pragma once

// The content of the slider popover: holds the slider and knows whether the
// mouse is over it.

#include <QWidget>

class QSlider;

class PopupSliderController : public QWidget {
    Q_OBJECT

public:
    explicit PopupSliderController(QSlider* slider, QWidget* parent = nullptr);
    bool isMouseOver() const { return isMouseOver_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool isMouseOver_ = false;
};
