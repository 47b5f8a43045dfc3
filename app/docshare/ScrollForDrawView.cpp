#include "docshare/ScrollForDrawView.h"

#include <QScrollBar>

ScrollForDrawView::ScrollForDrawView(const QRectF& frame, QWidget* documentView, QWidget* parent)
    : QScrollArea(parent) {
    setObjectName(QStringLiteral("scrollForDrawView"));
    setGeometry(frame.toRect());
    setFrameShape(QFrame::StyledPanel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setStyleSheet(QStringLiteral("QScrollArea#scrollForDrawView { background: transparent; }"));
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_TranslucentBackground);
    setWidget(documentView);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { boundsDidChange(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { boundsDidChange(); });
}

QRectF ScrollForDrawView::documentVisibleRect() const {
    const QWidget* doc = widget();
    if (!doc) return QRectF();
    const QRectF view(QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()),
                      QSizeF(viewport()->size()));
    return view & QRectF(QPointF(0, 0), QSizeF(doc->size()));
}

void ScrollForDrawView::scrollToPoint(QPointF point) {
    horizontalScrollBar()->setValue(int(point.x()));
    verticalScrollBar()->setValue(int(point.y()));
}

void ScrollForDrawView::boundsDidChange() {
    const QRectF visible = documentVisibleRect();
    if (visible.isEmpty()) return;
    if (delegate_) delegate_->onScrollPoint(visible.topLeft());
}
