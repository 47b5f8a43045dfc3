// The scroll area that carries the drawing layer over a web page: clear,
// with both scroll bars, the drawing layer as its document. Each scroll
// reports the visible origin of the document to its delegate.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QScrollArea>

class ScrollForDrawViewDelegate {
public:
    virtual ~ScrollForDrawViewDelegate() = default;
    virtual void onScrollPoint(QPointF /*origin*/) {}
};

class ScrollForDrawView : public QScrollArea {
    Q_OBJECT

public:
    ScrollForDrawView(const QRectF& frame, QWidget* documentView, QWidget* parent = nullptr);

    void setDelegate(ScrollForDrawViewDelegate* d) { delegate_ = d; }
    // The part of the document that is visible, in the document's coordinates.
    QRectF documentVisibleRect() const;
    void scrollToPoint(QPointF point);
    // What a scroll does: report the visible origin unless nothing is visible.
    void boundsDidChange();

private:
    ScrollForDrawViewDelegate* delegate_ = nullptr;
};
