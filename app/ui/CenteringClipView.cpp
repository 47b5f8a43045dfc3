#include "ui/CenteringClipView.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

CenteringClipView::CenteringClipView(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(false);
    viewport()->setStyleSheet(QStringLiteral("background-color: gray;"));
}

QRectF CenteringClipView::constrainBoundsRect(const QRectF& proposed, QSizeF documentSize) {
    const double mx = documentSize.width() - proposed.width();
    const double my = documentSize.height() - proposed.height();
    const double x = std::min(proposed.x(), mx);
    const double y = std::min(proposed.y(), my);
    const double originX = mx < 0 ? std::floor(mx / 2) : std::floor(std::max(x, 0.0));
    const double originY = my < 0 ? std::floor(my / 2) : std::floor(std::max(y, 0.0));
    return QRectF(originX, originY, proposed.width(), proposed.height());
}

void CenteringClipView::placeDocument() {
    QWidget* document = widget();
    if (document == nullptr) {
        return;
    }
    const QRectF proposed(horizontalScrollBar()->value(), verticalScrollBar()->value(), viewport()->width(),
                          viewport()->height());
    const QRectF visible = constrainBoundsRect(proposed, QSizeF(document->size()));
    document->move(int(-visible.x()), int(-visible.y()));
}

void CenteringClipView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    placeDocument();
}

void CenteringClipView::scrollContentsBy(int dx, int dy) {
    QScrollArea::scrollContentsBy(dx, dy);
    placeDocument();
}
