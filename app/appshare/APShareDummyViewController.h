#pragma once

// The placeholder a webinar layout shows in its sharing pane while no remote
// share is shown there: a light grey view with one centred status line.
// Main thread only.

#include <QObject>
#include <QPointer>

class QLabel;
class QWidget;

class APShareDummyViewController : public QObject {
public:
    explicit APShareDummyViewController(QObject* parent = nullptr);
    ~APShareDummyViewController() override;

    // The view (resizing with the pane that holds it).
    QWidget* view() const { return view_; }
    // The status line, in the sharing colour.
    void setAPStatusString(const QString& text);
    QLabel* label() const { return lbl_; }

private:
    QPointer<QWidget> view_;
    QLabel* lbl_ = nullptr;
};
