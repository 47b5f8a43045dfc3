#include "ui/InfoAlertWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/MainBundle.h"
#include "platform/View.h"
#include "services/Common.h"

namespace {

// The picture card: reports a press.
class CardView : public QLabel {
public:
    explicit CardView(std::function<void()> onClick) : onClick_(std::move(onClick)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick_) {
            onClick_();
            return;
        }
        QLabel::mousePressEvent(event);
    }

private:
    std::function<void()> onClick_;
};

QString messageStyle(qint64 type) {
    return type == 1 ? QStringLiteral("color: red; background: transparent;")
                     : QStringLiteral("color: black; background: transparent;");
}

}  // namespace

QPointF InfoAlertWindow::informationOrigin(const QRectF& windowRect, QSizeF screenSize) {
    double x = std::max(0.0, windowRect.x() + windowRect.width() / 2 - kCardWidth / 2);
    if (x + kCardWidth > screenSize.width()) {
        x = screenSize.width() - kCardWidth;
    }
    double y = std::max(0.0, windowRect.y() + windowRect.height() / 2 - 78.5);
    if (y + 157 > screenSize.height()) {
        y = screenSize.height() - 157;
    }
    return QPointF(x, y);
}

QRectF InfoAlertWindow::cardFrameFor(QPointF origin, double textHeight) {
    return QRectF(origin, QSizeF(kCardWidth, 50 + textHeight));
}

QRectF InfoAlertWindow::messageFrameInCard(QSizeF cardSize, double textHeight) {
    return QRectF(cardSize.width() / 2 - kCardWidth / 2, cardSize.height() / 2 - textHeight / 2, kCardWidth,
                  textHeight);
}

QRectF InfoAlertWindow::closeButtonFrameInCard(QSizeF cardSize, QSizeF imageSize) {
    return QRectF(5, cardSize.height() - imageSize.height() - 5, imageSize.width(), imageSize.height());
}

std::optional<QImage> InfoAlertWindow::RoadImage(const QString& name, const QString& type) {
    const std::optional<QString> path = MainBundle::pathForResource(name, type);
    if (!path) {
        return std::nullopt;
    }
    QImage image(*path);
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

std::optional<QImage> InfoAlertWindow::imageResize(const std::optional<QImage>& image, QSizeF newSize) {
    if (!image || image->isNull()) {
        return std::nullopt;
    }
    const QSize pixels(int(std::lround(newSize.width())), int(std::lround(newSize.height())));
    return image->convertToFormat(QImage::Format_RGBA8888_Premultiplied)
        .scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage InfoAlertWindow::TrimImage(QAbstractButton* button, const QImage& image) {
    const QImage quarter = image.copy(0, 0, image.width() / 4, image.height());
    if (button != nullptr) {
        button->setIcon(QIcon(QPixmap::fromImage(quarter)));
        button->setIconSize(quarter.size());
    }
    return quarter;
}

InfoAlertWindow* InfoAlertWindow::initWithAlert(const QString& msg, qint64 type, const QRectF& windowRect) {
    auto* alert = new InfoAlertWindow();
    alert->closeSec_ = kInformationCloseSec;
    alert->type_ = type;
    const QRectF screen = Window::mainScreenFrame();
    const QPointF origin = informationOrigin(windowRect, screen.size());
    alert->window_ = new Window(QRectF(origin, QSizeF(kCardWidth, 157)), WindowStyleBorderless);
    alert->window_->setDelegate(alert);
    alert->window_->setAttribute(Qt::WA_TranslucentBackground);

    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const double textHeight = Common::heightForMessageStr(msg, font, kCardWidth);
    const QRectF cardFrame = cardFrameFor(origin, textHeight);
    alert->window_->setFrame(cardFrame, true);

    auto* card = new CardView([alert] { alert->onClickAlert(); });
    card->setObjectName(QStringLiteral("alertCard"));
    card->setScaledContents(true);
    if (const auto image = imageResize(RoadImage(QStringLiteral("user_list_notify"), QStringLiteral("gif")),
                                       cardFrame.size())) {
        card->setPixmap(QPixmap::fromImage(*image));
    }
    View::setFrameOf(card, QRectF(QPointF(0, 0), cardFrame.size()));
    alert->window_->contentView()->addSubview(card);
    alert->card_ = card;

    auto* message = new QLabel(msg, card);
    message->setObjectName(QStringLiteral("alertMessage"));
    message->setFont(font);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    message->setStyleSheet(messageStyle(type));
    message->setTextInteractionFlags(Qt::NoTextInteraction);
    message->setAttribute(Qt::WA_TransparentForMouseEvents);
    View::setFrameOf(message, messageFrameInCard(cardFrame.size(), textHeight));
    alert->alertMessage_ = message;

    auto* close = new QPushButton(card);
    close->setObjectName(QStringLiteral("alertCloseButton"));
    close->setFlat(true);
    close->setStyleSheet(QStringLiteral("border: none; background: transparent;"));
    QSizeF imageSize(0, 0);
    if (const auto strip = RoadImage(QStringLiteral("user_list_notify_exit"), QStringLiteral("gif"))) {
        imageSize = QSizeF(TrimImage(close, *strip).size());
    }
    View::setFrameOf(close, closeButtonFrameInCard(cardFrame.size(), imageSize));
    connect(close, &QPushButton::clicked, alert, &InfoAlertWindow::onClickClose);
    alert->closeButton_ = close;
    return alert;
}

InfoAlertWindow* InfoAlertWindow::initWithNewAlert(const QString& msg, qint64 type) {
    auto* alert = new InfoAlertWindow();
    alert->closeSec_ = kWarningCloseSec;
    alert->type_ = type;
    alert->window_ = new Window(QRectF(0, 0, 420, 140), WindowStyleTitled | WindowStyleClosable);
    alert->window_->setTitle(MainBundle::name());

    // The window body: icon at the left, the message, OK at the lower right.
    View* content = alert->window_->contentView();
    auto* icon = new QLabel(content);
    icon->setObjectName(QStringLiteral("alertIcon"));
    if (const auto image = RoadImage(QStringLiteral("alert_warning"), QStringLiteral("gif"))) {
        icon->setPixmap(QPixmap::fromImage(*image));
    }
    View::setFrameOf(icon, QRectF(20, 72, 48, 48));
    alert->alertIcon_ = icon;

    auto* message = new QLabel(msg, content);
    message->setObjectName(QStringLiteral("alertMessage"));
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    View::setFrameOf(message, QRectF(84, 52, 316, 76));
    alert->alertMessage_ = message;

    auto* ok = new QPushButton(QStringLiteral("OK"), content);
    ok->setObjectName(QStringLiteral("alertOkButton"));
    ok->setDefault(true);
    View::setFrameOf(ok, QRectF(420 - 20 - 90, 12, 90, 30));
    connect(ok, &QPushButton::clicked, alert, &InfoAlertWindow::onClickOk);

    alert->window_->center();
    alert->window_->setDelegate(alert);
    if (type != 1) {
        icon->setParent(nullptr);
        icon->deleteLater();
        alert->alertIcon_ = nullptr;
    }
    return alert;
}

InfoAlertWindow::~InfoAlertWindow() {
    if (window_ != nullptr) {
        window_->setDelegate(nullptr);
        delete window_;
    }
}

void InfoAlertWindow::showWindow() {
    if (window_ == nullptr) {
        return;
    }
    if (closeTimer_ != nullptr) {
        closeTimer_->stop();
        closeTimer_->deleteLater();
    }
    closeTimer_ = new QTimer(this);
    closeTimer_->setSingleShot(true);
    connect(closeTimer_, &QTimer::timeout, this, &InfoAlertWindow::hideInformationAlert);
    closeTimer_->start(int(std::lround(closeSec_ * 1000)));
    window_->setReleasedWhenClosed(true);
    window_->setLevel(AboveAllWindowLevel);
    window_->orderFrontRegardless();
}

bool InfoAlertWindow::isTimerRunning() const { return closeTimer_ != nullptr && closeTimer_->isActive(); }

void InfoAlertWindow::hideInformationAlert() {
    if (closeTimer_ != nullptr) {
        closeTimer_->stop();
        closeTimer_->deleteLater();
        closeTimer_ = nullptr;
    }
    if (window_ != nullptr) {
        window_->closeWindow();
    }
}

void InfoAlertWindow::onClickAlert() {
    if (alertDelegate_ != nullptr) {
        alertDelegate_->onClickInfoAlertWindow(this);
    }
}

void InfoAlertWindow::windowWillClose(Window* window) {
    (void)window;
    if (closeTimer_ != nullptr) {
        closeTimer_->stop();
    }
    Window* closing = window_;
    window_ = nullptr;
    alertMessage_ = nullptr;
    alertIcon_ = nullptr;
    card_ = nullptr;
    closeButton_ = nullptr;
    if (closing != nullptr) {
        closing->setDelegate(nullptr);
        closing->setReleasedWhenClosed(true);
    }
    if (alertDelegate_ != nullptr) {
        alertDelegate_->onCloseInfoAlertWindow(this);
    }
}
