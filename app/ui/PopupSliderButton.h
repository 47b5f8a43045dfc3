#pragma once

// A button that, while the mouse rests on it, opens a vertical slider in a
// popover below it (the volume sliders of the device buttons). The popover
// opens 0.5 s after the mouse enters and closes at the first check, once a
// second after the mouse left, that finds the mouse over neither the button
// nor the slider. A press on the button or the slider keeps it open; a press
// anywhere else closes it. While the button has the keyboard focus, the arrow,
// page, Home and End keys move the slider.

#include <QPointer>
#include <QPushButton>
#include <functional>

class PopupSliderController;
class QSlider;
class QTimer;

class PopupSliderButton : public QPushButton {
    Q_OBJECT

public:
    static constexpr int kShowDelayMs = 500;
    static constexpr int kHideCheckMs = 1000;
    static constexpr int kSliderHeight = 120;

    explicit PopupSliderButton(QWidget* parent = nullptr);
    ~PopupSliderButton() override;

    void showButton(bool withPopup);
    void hideButton(bool withPopup);
    void setSliderValue(float value);
    float sliderValue() const { return sliderValue_; }
    // Moving the slider reports its value (0..1) to the action.
    void setSliderAction(QObject* target, std::function<void(float value)> action);

    bool showSlider() const { return showSlider_; }
    void setShowSlider(bool on) { showSlider_ = on; }
    bool showingSlider() const { return showingSlider_; }

    // The hover steps (also driven by the mouse events).
    void mouseEntered();
    void mouseExited();
    void showPopupSlider();
    void hidePopupSlider();
    void closePopupSlider();

    // For tests.
    QWidget* popover() const { return popover_; }
    PopupSliderController* popoverController() const { return popoverController_; }
    QSlider* slider() const { return slider_; }
    bool isShowTimerRunning() const;
    bool isHideTimerRunning() const;
    bool isMouseOver() const { return mIsMouseOver_; }
    // The popover's frame, top-down in screen coordinates: below the button,
    // as wide as it and 120 high.
    static QRect popoverGeometry(const QRect& buttonOnScreen);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startShowSliderTimer();
    void stopShowSliderTimer();
    void startHideSliderTimer();
    void stopHideSliderTimer();
    void openPopover();
    void popoverWillClose();

    QPointer<QWidget> popover_;
    PopupSliderController* popoverController_ = nullptr;
    QSlider* slider_;
    float sliderValue_ = 0.33f;
    std::function<void(float)> sliderAction_;
    QTimer* mShowSliderTimer_ = nullptr;
    QTimer* mHideSliderTimer_ = nullptr;
    bool mIsMouseOver_ = false;
    bool showSlider_ = false;
    bool showingSlider_ = false;
};
