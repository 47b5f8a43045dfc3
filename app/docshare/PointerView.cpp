#include "docshare/PointerView.h"

#include <QLabel>
#include <QPixmap>

PointerView::PointerView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pointerView"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PointerView::setDetail(const QImage& image, const QRectF& iconFrame) {
    delete pointerLayer();
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("pointerLayer"));
    icon->setAttribute(Qt::WA_TranslucentBackground);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    icon->setGeometry(iconFrame.toRect());
    if (!image.isNull())
        icon->setPixmap(
            QPixmap::fromImage(image.scaled(icon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    icon->show();
}

void PointerView::setLayerPosition(QPointF point) {
    if (QWidget* icon = pointerLayer()) icon->move(point.toPoint());
}

QWidget* PointerView::pointerLayer() const {
    return findChild<QWidget*>(QStringLiteral("pointerLayer"), Qt::FindDirectChildrenOnly);
}
