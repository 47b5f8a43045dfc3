#include "conference/FullSizeView.h"

#include <QMouseEvent>
#include <QPalette>

#include "platform/NotificationCenter.h"
#include "platform/View.h"
#include "tiles/VideoInfo.h"

FullSizeView::FullSizeView(const QRectF& contentRect, unsigned styleMask, QWidget* parent)
    : Window(contentRect, styleMask, parent) {
    setObjectName(QStringLiteral("fullSizeView"));
    setDelegate(this);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
}

FullSizeView::~FullSizeView() {
    if (videoInfo_ != nullptr && videoInfo_->video() != nullptr) videoInfo_->video()->removeEventFilter(this);
    setDelegate(nullptr);
}

QRectF FullSizeView::pixelFrameAt(QPointF topLeft, QSize pixels) {
    return QRectF(topLeft.x(), topLeft.y() - pixels.height(), pixels.width(), pixels.height());
}

void FullSizeView::setVideoInfo(VideoInfo* info) {
    if (videoInfo_ != nullptr && videoInfo_->video() != nullptr) videoInfo_->video()->removeEventFilter(this);
    videoInfo_ = info;
    if (info != nullptr && info->video() != nullptr) info->video()->installEventFilter(this);
}

void FullSizeView::changeDispMode(int n) {
    if (n == mode_ || (n != FULLSIZE_MODE_WINDOW && n != FULLSIZE_MODE_SCREEN)) return;
    VideoView* tile = videoInfo_ != nullptr ? videoInfo_->video() : nullptr;
    if (n == FULLSIZE_MODE_SCREEN) {
        setStyleMask(styleMask() & ~WindowStyleResizable);
        popupRect_ = frame();
        setMaxSize(QSizeF());
        setFrame(mainScreenFrame(), true);
        if (tile != nullptr) View::setFrameOf(tile, QRectF(QPointF(0, 0), frame().size()));
        mode_ = FULLSIZE_MODE_SCREEN;
        return;
    }
    setStyleMask(styleMask() | WindowStyleResizable);
    setMaxSize(mainScreenVisibleFrame().size());
    const QSize pixels = tile != nullptr ? tile->getPixelSize() : QSize();
    QPointF topLeft;
    if (!popupRect_.isEmpty()) {
        topLeft = QPointF(popupRect_.x(), popupRect_.y() + popupRect_.height());
    } else if (videoInfo_ != nullptr) {
        const QRectF slot = videoInfo_->saveRect();
        topLeft = QPointF(slot.x(), slot.y() + slot.height());
    }
    setFrame(pixelFrameAt(topLeft, pixels), true);
    setContentAspectRatio(QSizeF(pixels));
    if (tile != nullptr) View::setFrameOf(tile, QRectF(QPointF(0, 0), frame().size()));
    popupRect_ = QRectF();
    mode_ = FULLSIZE_MODE_WINDOW;
}

void FullSizeView::pressAt(QPointF windowPos, int clickCount) {
    if (clickCount > 1) {
        NotificationCenter::defaultCenter().post(QString::fromLatin1(kFullSizeViewDoubleClickNotification));
        return;
    }
    beforeP_ = QPointF(windowPos.x(), frame().height() - windowPos.y());
}

void FullSizeView::dragTo(QPointF globalPos) {
    // A window covering the whole screen stays where it is.
    if (frame().size() == mainScreenFrame().size()) return;
    const QPointF mouse(globalPos.x(), screenHeight() - globalPos.y());
    setFrameOrigin(mouse - beforeP_);
}

void FullSizeView::windowWillClose(Window*) {
    if (!onUserClose_) return;
    const std::function<void()> onClose = std::move(onUserClose_);
    onUserClose_ = nullptr;
    onClose();
}

bool FullSizeView::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) pressAt(widget->mapTo(this, mouse->position()), 1);
    } else if (event->type() == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton) dragTo(mouse->globalPosition());
    }
    // The tile keeps its own clicks.
    return false;
}

void FullSizeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressAt(event->position(), 1);
    Window::mousePressEvent(event);
}

void FullSizeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressAt(event->position(), 2);
    Window::mouseDoubleClickEvent(event);
}

void FullSizeView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) dragTo(event->globalPosition());
    Window::mouseMoveEvent(event);
}
