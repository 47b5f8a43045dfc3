#include "docshare/ProgressIndicatorWindow.h"

#include <QPainter>
#include <QTimer>

#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/View.h"

namespace {

// A ring of twelve strokes whose brightest one goes round.
class SpinningIndicator : public QWidget {
public:
    explicit SpinningIndicator(QWidget* parent) : QWidget(parent) {
        timer_.setInterval(80);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            step_ = (step_ + 1) % 12;
            update();
        });
        timer_.start();
    }
    bool isAnimating() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double side = std::min(width(), height());
        p.translate(width() / 2.0, height() / 2.0);
        QPen pen(palette().color(QPalette::WindowText));
        pen.setWidthF(side / 12);
        pen.setCapStyle(Qt::RoundCap);
        for (int i = 0; i < 12; ++i) {
            QColor c = pen.color();
            c.setAlphaF(0.15 + 0.85 * double((i - step_ + 12) % 12) / 11.0);
            pen.setColor(c);
            p.setPen(pen);
            p.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
            p.rotate(30);
        }
    }

private:
    QTimer timer_;
    int step_ = 0;
};

}  // namespace

QRectF ProgressIndicatorWindow::centredRect(const QRectF& screen) {
    return QRectF(screen.x() + screen.width() / 2 - kWidth / 2,
                  screen.y() + screen.height() / 2 - kHeight / 2, kWidth, kHeight);
}

ProgressIndicatorWindow::ProgressIndicatorWindow()
    : Window(centredRect(Window::mainScreenFrame()), WindowStyleTitled) {
    setObjectName(QStringLiteral("progressIndicatorWindow"));
    setFrame(centredRect(Window::mainScreenFrame()), false);
    auto* content = new View();
    content->setObjectName(QStringLiteral("progressIndicatorContent"));
    setContentView(content);
}

void ProgressIndicatorWindow::makeDetail(std::function<void()> cancel) {
    setTitle(MainBundle::name());
    QWidget* content = contentView();
    const double w = kWidth, h = kHeight;  // the content's size
    // Top-down positions of what the layout gives bottom-up.
    const auto topOf = [h](double y, double height) { return int(h - y - height); };

    auto* spinner = new SpinningIndicator(content);
    spinner->setObjectName(QStringLiteral("progressIndicator"));
    spinner->setGeometry(10, topOf(h / 2 - 25, 50), 50, 50);
    indicator_ = spinner;

    text_ = new QLabel(LocalizedString("dfUPLOADFILES"), content);
    text_->setObjectName(QStringLiteral("progressText"));
    text_->setAttribute(Qt::WA_TranslucentBackground);
    text_->setTextInteractionFlags(Qt::NoTextInteraction);
    const int textX = 10 + 50 + 10;
    text_->setGeometry(textX, topOf(h / 2 - 12.5, 25), int(w * 2 / 3 - 30), 25);
    text_->adjustSize();
    text_->move(textX, topOf(h / 2 - 12.5, text_->height()));

    cancel_ = new QPushButton(LocalizedString("dfCANCEL"), content);
    cancel_->setObjectName(QStringLiteral("progressCancelButton"));
    cancel_->setGeometry(text_->geometry().right() + 1 + 10, topOf(h / 2 - 12.5, 30), 90, 30);
    // The window is on screen already: what is added now is shown explicitly.
    spinner->show();
    text_->show();
    cancel_->show();
    QObject::connect(cancel_, &QPushButton::clicked, this, [cancel = std::move(cancel)] {
        if (cancel) cancel();
    });
}
