#include "appshare/APShareImageView.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "platform/Dispatch.h"

APShareImageView::APShareImageView(bool isWebinar, QWidget* parent)
    : QWidget(parent), canvas_(std::make_shared<APShareCanvas>()), isWebinar_(isWebinar) {
    setObjectName(QStringLiteral("apShareImageView"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

APShareImageView::~APShareImageView() {
    ++timerGeneration_;
    canvas_->stop();
}

bool APShareImageView::startDrawing(QSizeF screenSize, const QRectF& appRect, float expansion) {
    mScreenSize_ = screenSize;
    mAppRect_ = appRect;
    mfExpansionRate_ = expansion;
    if (!canvas_->start(screenSize.toSize())) {
        started_ = false;
        return false;
    }
    setImageSize();
    resetImage();
    startDrawTimer();
    started_ = true;
    return true;
}

void APShareImageView::restartDrawing() {
    canvas_->restart();
    startDrawTimer();
    started_ = true;
}

void APShareImageView::stopDrawing() {
    canvas_->stop();
    ++timerGeneration_;
    started_ = false;
}

void APShareImageView::startDrawTimer() {
    const unsigned generation = ++timerGeneration_;
    mainQueue().after(std::chrono::milliseconds(kDispIntervalMs), this,
                      [this, generation] { tick(generation); });
}

void APShareImageView::tick(unsigned generation) {
    if (generation != timerGeneration_) return;
    if (canvas_->takeNeedDisp()) update();
    mainQueue().after(std::chrono::milliseconds(kDispIntervalMs), this,
                      [this, generation] { tick(generation); });
}

void APShareImageView::setMode(int mode) {
    miDispMode_ = mode;
    setImageSize();
}

void APShareImageView::setImageExpansion(float expansion) {
    mfExpansionRate_ = expansion;
    applySize(QSizeF(mScreenSize_.width() * expansion, mScreenSize_.height() * expansion));
}

void APShareImageView::fitToWindow(QSizeF available) {
    applySize(calcImageSize(available));
}

QSizeF APShareImageView::calcImageSize(QSizeF available) const {
    return calcImageSize(miDispMode_, mScreenSize_, mfExpansionRate_, available);
}

QSizeF APShareImageView::calcImageSize(int mode, QSizeF screen, float expansion, QSizeF available) {
    if (mode != kModeFitted) return QSizeF(screen.width() * expansion, screen.height() * expansion);
    if (screen.isEmpty() || available.isEmpty()) return QSizeF(0, 0);
    const float rs = float(screen.width() / screen.height());
    const float ra = float(available.width() / available.height());
    if (rs > ra) return QSizeF(available.width(), available.width() / double(rs));
    return QSizeF(double(rs) * available.height(), available.height());
}

void APShareImageView::setImageSize() {
    QSizeF available = mScreenSize_;
    if (miDispMode_ == kModeFitted) {
        QWidget* reference = fitReference_ ? fitReference_.data() : parentWidget();
        available = reference ? QSizeF(reference->size()) : QSizeF(size());
    }
    applySize(calcImageSize(available));
}

void APShareImageView::applySize(QSizeF size) {
    resize(qMax(1, qRound(size.width())), qMax(1, qRound(size.height())));
    update();
}

void APShareImageView::resetImage() {
    canvas_->resetImage();
    update();
}

QRectF APShareImageView::imageDrawRect(QSizeF frame, QSizeF image) {
    if (image.isEmpty() || frame.isEmpty()) return QRectF();
    const double scale = std::min(frame.width() / image.width(), frame.height() / image.height());
    const QSizeF drawn(image.width() * scale, image.height() * scale);
    return QRectF(QPointF((frame.width() - drawn.width()) / 2, (frame.height() - drawn.height()) / 2), drawn);
}

void APShareImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    canvas_->withImage([&](const QImage& bitmap) {
        if (bitmap.isNull()) return;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(imageDrawRect(QSizeF(size()), QSizeF(bitmap.size())), bitmap);
    });
}

namespace {
APShareViewerMouseEvent mouseEvent(int type, const QMouseEvent* event) {
    return {type, event->position()};
}
}  // namespace

void APShareImageView::mousePressEvent(QMouseEvent* event) {
    if (delegate_) {
        if (event->button() == Qt::LeftButton) {
            delegate_->onLeftMouseDown(mouseEvent(APShareMouseLeftDown, event));
        } else if (event->button() == Qt::RightButton) {
            delegate_->onRightMouseDown(mouseEvent(APShareMouseRightDown, event));
        } else {
            delegate_->onOtherMouseDown(mouseEvent(APShareMouseOtherDown, event));
        }
    }
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void APShareImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (delegate_) {
        if (event->button() == Qt::LeftButton) {
            delegate_->onLeftMouseUp(mouseEvent(APShareMouseLeftUp, event));
        } else if (event->button() == Qt::RightButton) {
            delegate_->onRightMouseUp(mouseEvent(APShareMouseRightUp, event));
        } else {
            delegate_->onOtherMouseUp(mouseEvent(APShareMouseOtherUp, event));
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void APShareImageView::mouseMoveEvent(QMouseEvent* event) {
    // Moves, and drags with the left button; drags with other buttons are not reported.
    if (delegate_) {
        if (event->buttons() == Qt::NoButton) {
            delegate_->onMouseMoved(mouseEvent(APShareMouseMoved, event));
        } else if (event->buttons() & Qt::LeftButton) {
            delegate_->onMouseMoved(mouseEvent(APShareMouseLeftDragged, event));
        }
    }
    QWidget::mouseMoveEvent(event);
}

void APShareImageView::wheelEvent(QWheelEvent* event) {
    if (wheelEnabled_) {
        // The scroll area around the view scrolls.
        QWidget* viewport = parentWidget();
        auto* area = viewport ? qobject_cast<QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
        if (area) {
            QCoreApplication::sendEvent(area->viewport(), event);
        } else {
            event->ignore();
        }
        return;
    }
    if (delegate_) delegate_->onScroll(APShareViewerWheelEvent{event->angleDelta().y() / 120.0});
    event->accept();
}

void APShareImageView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (delegate_) delegate_->onMouseEntered();
}
