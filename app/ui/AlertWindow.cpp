#include "ui/AlertWindow.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cmath>

#include "platform/MainBundle.h"
#include "platform/View.h"
#include "services/Common.h"

QRectF AlertWindow::contentRectFor(QSizeF screenSize, double textHeight) {
    const double height = 60 + textHeight;
    return QRectF(screenSize.width() / 2 - kContentWidth / 2, screenSize.height() / 2 - height / 2, kContentWidth,
                  height);
}

QRectF AlertWindow::messageFrameFor(double textHeight, bool hasButtonLabel) {
    return QRectF(20, hasButtonLabel ? 35 : 30, kMessageWidth, textHeight);
}

QRectF AlertWindow::buttonFrameFor(double contentWidth, int index) {
    const double width = contentWidth / 5 + 10;
    return QRectF(contentWidth - index * width, 3, width, 30);
}

double AlertWindow::heightForMessageStr(const QString& text, const QFont& font, double width) {
    return Common::heightForMessageStr(text, font, width);
}

AlertWindow::AlertWindow(QObject* target, const QString& msg, const std::optional<QString>& leftLabel,
                         Action leftSel, const std::optional<QString>& rightLabel, Action rightSel) {
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const double textHeight = heightForMessageStr(msg, font, kMessageWidth);
    const QRectF screen = Window::mainScreenFrame();
    window_ = new Window(contentRectFor(screen.size(), textHeight), WindowStyleTitled | WindowStyleClosable);
    window_->setDelegate(this);
    window_->setReleasedWhenClosed(true);
    window_->setTitle(MainBundle::name());

    messageView_ = new QLabel(msg);
    messageView_->setObjectName(QStringLiteral("alertMessage"));
    messageView_->setFont(font);
    messageView_->setWordWrap(true);
    messageView_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    messageView_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    messageView_->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    View::setFrameOf(messageView_, messageFrameFor(textHeight, leftLabel.has_value() || rightLabel.has_value()));
    window_->contentView()->addSubview(messageView_);

    window_->orderFrontRegardless();
    window_->makeKeyAndOrderFront();

    if (leftLabel) {
        makeAlertButton(target, 1, *leftLabel, std::move(leftSel));
    }
    if (rightLabel) {
        makeAlertButton(target, 2, *rightLabel, std::move(rightSel));
    }
}

AlertWindow::~AlertWindow() {
    if (window_ != nullptr) {
        window_->setDelegate(nullptr);
        delete window_;
    }
}

QPushButton* AlertWindow::makeAlertButton(QObject* target, int index, const QString& name, Action sel) {
    if (window_ == nullptr) {
        return nullptr;
    }
    auto* button = new QPushButton(name);
    button->setObjectName(QStringLiteral("alertButton%1").arg(index));
    View::setFrameOf(button, buttonFrameFor(window_->frame().width(), index));
    QPointer<QObject> guard(target);
    const bool hasTarget = target != nullptr;
    connect(button, &QPushButton::clicked, this, [guard, hasTarget, sel = std::move(sel)] {
        if (sel && (!hasTarget || guard)) {
            sel();
        }
    });
    window_->contentView()->addSubview(button);
    buttons_.append(button);
    return button;
}

void AlertWindow::setTimer(double seconds) {
    if (seconds <= 0) {
        return;
    }
    if (mTimer_ != nullptr) {
        mTimer_->stop();
        mTimer_->deleteLater();
    }
    mTimer_ = new QTimer(this);
    mTimer_->setSingleShot(true);
    connect(mTimer_, &QTimer::timeout, this, &AlertWindow::closeSelfWindow);
    mTimer_->start(int(std::lround(seconds * 1000)));
}

bool AlertWindow::isTimerRunning() const { return mTimer_ != nullptr && mTimer_->isActive(); }

void AlertWindow::closeSelfWindow() {
    if (window_ != nullptr) {
        window_->closeWindow();
    }
}

void AlertWindow::windowWillClose(Window* window) {
    (void)window;
    if (mTimer_ != nullptr) {
        mTimer_->stop();
    }
    // The window deletes itself once closed; the report may release this controller.
    Window* closing = window_;
    window_ = nullptr;
    messageView_ = nullptr;
    buttons_.clear();
    if (closing != nullptr) {
        closing->setDelegate(nullptr);
    }
    if (alertDelegate_ != nullptr) {
        alertDelegate_->onCloseAlertWindow(this);
    }
}
