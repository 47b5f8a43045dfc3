#include "docshare/DSDrawingView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "docshare/DSDrawGeometry.h"
#include "docshare/DocShareData.h"
#include "platform/MainBundle.h"

DSDrawingView::DSDrawingView(const QRectF& frame, DocShareData* data, int drawingMode, QWidget* parent)
    : QWidget(parent), data_(data), mode_(drawingMode) {
    setObjectName(QStringLiteral("drawingView"));
    setGeometry(frame.toRect());
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    resetCursor();
}

void DSDrawingView::setZoomRate(double percent) {
    if (percent <= 0) return;
    zoom_ = percent / 100.0;
    update();
}

void DSDrawingView::changeDrawingMode(int mode) {
    mode_ = mode;
    resetCursor();
}

void DSDrawingView::resetCursor() {
    const char* name = mode_ == Pen ? "pen_c" : mode_ == Eraser ? "era_c" : nullptr;
    if (!data_ || !data_->isDrawable() || !name) {
        unsetCursor();
        return;
    }
    const auto path = MainBundle::pathForResource(QString::fromLatin1(name), QStringLiteral("png"));
    const QPixmap image = path ? QPixmap(*path) : QPixmap();
    if (image.isNull()) {
        unsetCursor();
        return;
    }
    // The hot spot sits at the pen's tip, 5 points in from the left at the top edge.
    setCursor(QCursor(image, 5, 0));
}

bool DSDrawingView::mayDraw() const {
    return data_ && (data_->hasOperationRight() || data_->isDrawable());
}

QPointF DSDrawingView::ownPoint(QPointF widgetPoint) const {
    return widgetPoint / zoom_;
}

QPointF DSDrawingView::normalised(QPointF p) const {
    return DSDrawGeometry::normalisePoint(p, contentSize_, zoom_, QSizeF(size()));
}

void DSDrawingView::mouseDownAt(QPointF widgetPoint) {
    if (!mayDraw()) return;
    const QPointF p = ownPoint(widgetPoint);
    if (p.x() < 0 || p.y() < 0) {
        drawingStroke_ = false;
        return;
    }
    const QPointF n = normalised(p);
    QColor color = Qt::white;
    double width = data_->eraserWidth();
    if (mode_ == Pen) {
        color = QColor::fromRgbF(float(data_->penColorR()), float(data_->penColorG()),
                                 float(data_->penColorB()), 1.0f);
        width = data_->penWidth();
    }
    const UserInfoRef owner = data_->ownerInfo();
    strokes_.append(DSSquiggle(p, color, width, owner ? owner->userName() : QString()));
    drawingStroke_ = true;
    data_->addDrawPoint(n);
    lastPoint_ = n;
    update();
}

void DSDrawingView::mouseDraggedTo(QPointF widgetPoint) {
    if (!mayDraw()) return;
    const QPointF p = ownPoint(widgetPoint);
    const QPointF n = normalised(p);
    // A drag after a refused press has no stroke of its own to extend.
    if (drawingStroke_ && !strokes_.isEmpty()) strokes_.last().addPoint(p);
    data_->addDrawPoint(n);
    lastPoint_ = n;
    if (data_->sendDrawPointCount() > DSDrawGeometry::kSendThreshold) send();
    update();
}

void DSDrawingView::mouseUpAt() {
    if (!mayDraw()) return;
    drawingStroke_ = false;
    send();
}

void DSDrawingView::send() {
    if (delegate_) delegate_->onDrawingData();
    lastPoint_ = QPointF(-1, -1);
}

void DSDrawingView::drawData() {
    if (!data_) return;
    const QList<QVariantMap> entries = data_->drawDataArray();
    if (!entries.isEmpty()) drawData(entries.last());
}

void DSDrawingView::drawData(const QVariantMap& entry) {
    const QList<QPointF> points = DSDrawGeometry::receivedPoints(entry);
    if (points.isEmpty()) return;  // nothing to draw and no mean to scroll to
    const double width = entry.value(QStringLiteral("Width")).toString().trimmed().toInt();
    const QStringList rgb = entry.value(QStringLiteral("Color")).toString().split(QLatin1Char(','));
    auto part = [&](int i) { return rgb.size() > i ? std::clamp(rgb[i].trimmed().toInt(), 0, 255) : 0; };
    const QColor color(part(0), part(1), part(2));
    const QString userName = entry.value(QStringLiteral("UserName")).toString();
    const QSizeF frame(size());
    QPointF sum;
    DSSquiggle stroke(DSDrawGeometry::viewPoint(points.first(), contentSize_, zoom_, frame), color, width,
                      userName);
    for (const QPointF& n : points) {
        const QPointF p = DSDrawGeometry::viewPoint(n, contentSize_, zoom_, frame);
        stroke.addPoint(p);
        sum += p;
    }
    if (delegate_) delegate_->scrollByUpdate(sum / double(points.size()));
    strokes_.append(stroke);
    update();
}

void DSDrawingView::clear() {
    strokes_.clear();
    lastPoint_ = QPointF(0, 0);
    drawingStroke_ = false;
    update();
}

void DSDrawingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.scale(zoom_, zoom_);
    for (const DSSquiggle& s : strokes_) s.draw(painter);
}

QImage DSDrawingView::renderStrokes() const {
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(zoom_, zoom_);
    for (const DSSquiggle& s : strokes_) s.draw(painter);
    return image;
}

void DSDrawingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) mouseDownAt(event->position());
}

void DSDrawingView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) mouseDraggedTo(event->position());
}

void DSDrawingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) mouseUpAt();
}
