#pragma once

// The one picture of the floating speak button. A press followed by a
// release is a click; a drag between them moves the window instead and is
// never a click.

#include <QLabel>
#include <QPoint>
#include <functional>

class SpeakerBtnImageView : public QLabel {
    Q_OBJECT

public:
    explicit SpeakerBtnImageView(QWidget* parent = nullptr);

    bool isBtnStatus() const { return isBtnStatus_; }
    void setIsBtnStatus(bool on) { isBtnStatus_ = on; }
    bool clickDown() const { return mClickDown; }
    // Runs for a click (the controller's mouse-up).
    void setOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool mClickDown = false;
    bool isBtnStatus_ = false;
    QPoint pressGlobal_;
    QPoint windowOrigin_;
    std::function<void()> onClick_;
};
