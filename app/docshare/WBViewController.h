// The pane shown in place of the whiteboard in the webinar layouts that have
// one: a light grey pane with one centred label.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

class WBViewController {
public:
    WBViewController();
    ~WBViewController();
    WBViewController(const WBViewController&) = delete;
    WBViewController& operator=(const WBViewController&) = delete;

    QWidget* view() const { return view_; }
    QLabel* label() const { return label_; }

private:
    QPointer<QWidget> view_;
    QPointer<QLabel> label_;
};
