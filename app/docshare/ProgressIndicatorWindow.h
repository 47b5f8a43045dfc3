// The small window shown while a local file is converted and uploaded: a
// spinning indicator, the text "Upload files" and a Cancel button, centred on
// the main screen above the other windows.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "platform/Window.h"

class ProgressIndicatorWindow : public Window {
    Q_OBJECT

public:
    static constexpr double kWidth = 445.5, kHeight = 100;
    static constexpr int kLevel = 1000;

    // The window's frame (bottom-up) centred on a screen of that frame.
    static QRectF centredRect(const QRectF& screen);

    ProgressIndicatorWindow();
    // Fills the window; `cancel` is the Cancel button's action.
    void makeDetail(std::function<void()> cancel);

    QWidget* indicator() const { return indicator_; }
    QLabel* textView() const { return text_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QPointer<QWidget> indicator_;
    QPointer<QLabel> text_;
    QPointer<QPushButton> cancel_;
};
