#include "platform/SplitView.h"

#include <QMouseEvent>
#include <cmath>

// A handle whose drag goes through the split view's constraint.
class SplitViewHandle : public QSplitterHandle {
public:
    SplitViewHandle(Qt::Orientation orientation, SplitView* parent) : QSplitterHandle(orientation, parent) {}

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton)) {
            return;
        }
        auto* split = static_cast<SplitView*>(splitter());
        const QPoint inSplit = mapTo(split, event->position().toPoint());
        const int proposed = orientation() == Qt::Horizontal ? inSplit.x() : inSplit.y();
        const int index = split->indexOf(this);  // the pane after the divider
        split->moveDivider(int(std::lround(split->constrain(proposed, index - 1))), index);
    }
};

SplitView::SplitView(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] {
        if (delegate_ != nullptr) {
            delegate_->splitViewDidResizeSubviews(this);
        }
    });
}

void SplitView::setVertical(bool vertical) { setOrientation(vertical ? Qt::Horizontal : Qt::Vertical); }

double SplitView::extent() const { return isVertical() ? width() : height(); }

double SplitView::constrain(double proposed, int index) {
    return delegate_ != nullptr ? delegate_->constrainSplitPosition(this, proposed, index) : proposed;
}

void SplitView::setPosition(double position, int index) {
    // QSplitter numbers a divider by the pane after it.
    moveSplitter(int(std::lround(constrain(position, index))), index + 1);
}

double SplitView::positionOfDivider(int index) const {
    const QList<int> panes = sizes();
    double position = 0;
    for (int i = 0; i <= index && i < panes.size(); ++i) {
        position += panes[i];
    }
    return position + index * handleWidth();
}

QSplitterHandle* SplitView::createHandle() { return new SplitViewHandle(orientation(), this); }
