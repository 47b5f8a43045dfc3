// The page-image area of the document-sharing window: a plain view that holds
// the image display mode (0 free zoom, 1 fit to width, 2 fit to window) and
// tells its owner when its size changes.
#pragma once

#include <QWidget>
#include <functional>

class DSImageView : public QWidget {
    Q_OBJECT

public:
    explicit DSImageView(QWidget* parent = nullptr) : QWidget(parent) {}

    long dispMode() const { return dispMode_; }
    void setDispMode(long mode) { dispMode_ = mode; }
    void setResizeHandler(std::function<void()> handler) { onResize_ = std::move(handler); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    long dispMode_ = 0;
    std::function<void()> onResize_;
};
