#pragma once

// A split view: panes side by side (vertical dividers) or one above the other,
// whose divider positions pass through the delegate's constraint both when
// the user drags a divider and when the code sets one. Positions are measured
// from the left edge, or from the top edge for panes one above the other.

#include <QSplitter>

class SplitView;

class SplitViewDelegate {
public:
    virtual ~SplitViewDelegate() = default;
    // The position granted for a proposed one of the divider at `index`.
    virtual double constrainSplitPosition(SplitView* splitView, double proposed, int index) {
        (void)splitView;
        (void)index;
        return proposed;
    }
    virtual void splitViewDidResizeSubviews(SplitView* splitView) { (void)splitView; }
};

class SplitView : public QSplitter {
    Q_OBJECT

public:
    explicit SplitView(QWidget* parent = nullptr);

    // Vertical dividers: panes side by side.
    void setVertical(bool vertical);
    bool isVertical() const { return orientation() == Qt::Horizontal; }

    void setSplitDelegate(SplitViewDelegate* delegate) { delegate_ = delegate; }
    // The length along which dividers move (width with vertical dividers, else height).
    double extent() const;

    // Moves the divider at `index` to the constrained position.
    void setPosition(double position, int index);
    // The divider's present position.
    double positionOfDivider(int index) const;

    // The constrained position (the delegate's answer, or the proposal without one).
    double constrain(double proposed, int index);

protected:
    QSplitterHandle* createHandle() override;

private:
    friend class SplitViewHandle;
    void moveDivider(int position, int index) { moveSplitter(position, index); }

    SplitViewDelegate* delegate_ = nullptr;
};
