#include "conference/AutoAlignmentView.h"

#include <QResizeEvent>
#include <algorithm>

#include "tiles/VideoInfo.h"
#include "ui/DummyView.h"

namespace {
// Passes in a row when every pass resizes the view again (a delegate that
// keeps changing the frame); the grid never loops for ever.
constexpr int kMaxPasses = 4;
}  // namespace

AutoAlignmentView::AutoAlignmentView(const QRectF& frame, bool isMyVideoPostionFirst, QWidget* myView,
                                     QWidget* parent)
    : View(frame, parent), mMyView(myView), isMyVideoPostionFirst_(isMyVideoPostionFirst) {
    // The grid places its tiles itself.
    setAutoresizesSubviews(false);
}

int AutoAlignmentView::indexOf(const QWidget* view) const {
    for (size_t i = 0; i < mViewArry.size(); ++i)
        if (mViewArry[i] == view) return int(i);
    return -1;
}

void AutoAlignmentView::addElement(QWidget* tile) {
    if (tile == nullptr) return;
    if (itemCount_ == 0) {
        const QSizeF size = View::frameOf(tile).size();
        // A tile without height gives no ratio; the layout then takes 4:3.
        mfContentAspect = size.height() > 0 ? float(size.width() / size.height()) : 0.0f;
    }
    const QRectF frame = View::frameOf(tile);
    tile->setParent(this);
    View::setFrameOf(tile, frame);
    tile->show();
    if (isMyVideoPostionFirst_ && tile == mMyView) {
        mViewArry.insert(mViewArry.begin(), tile);
    } else {
        mViewArry.emplace_back(tile);
    }
    itemCount_ = int(mViewArry.size());
    if (mode_ == TILE_VIEW_MODE_FIT) setFrame(alignRect_);
    alignmentView();
}

void AutoAlignmentView::deleteElement(QWidget* tile) {
    if (tile == nullptr) return;
    if (tile->parentWidget() == this) tile->setParent(nullptr);
    const int i = indexOf(tile);
    if (i >= 0) mViewArry.erase(mViewArry.begin() + i);
    // Tiles deleted elsewhere leave the list too.
    mViewArry.erase(std::remove(mViewArry.begin(), mViewArry.end(), nullptr), mViewArry.end());
    itemCount_ = int(mViewArry.size());
    if (mViewArry.empty()) mfContentAspect = 0;
    if (mode_ == TILE_VIEW_MODE_FIT) setFrame(alignRect_);
    alignmentView();
}

void AutoAlignmentView::setDummy(QWidget* tile, QWidget* dummy, bool isSet) {
    if (tile == nullptr || dummy == nullptr) return;
    if (isSet) {
        const int i = indexOf(tile);
        if (i >= 0) mViewArry[size_t(i)] = dummy;
        addSubview(dummy);
    } else {
        const int i = indexOf(dummy);
        if (i >= 0) mViewArry[size_t(i)] = tile;
        addSubview(tile);
        if (dummy->parentWidget() == this) dummy->setParent(nullptr);
    }
    alignmentView();
}

void AutoAlignmentView::setPopupViewList(const std::vector<VideoInfo*>& popups) {
    mPopupArray.clear();
    for (VideoInfo* info : popups)
        if (info != nullptr) mPopupArray.emplace_back(info);
}

void AutoAlignmentView::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    // Qt reports only real size changes: a frame set to the size it has
    // leads to no pass.
    alignmentView();
}

void AutoAlignmentView::alignmentView() {
    if (inLayout_) {
        layoutAgain_ = true;
        return;
    }
    inLayout_ = true;
    int passes = 0;
    do {
        layoutAgain_ = false;
        layoutOnce();
    } while (layoutAgain_ && ++passes < kMaxPasses);
    inLayout_ = false;
}

void AutoAlignmentView::layoutOnce() {
    using namespace AutoAlignmentLayout;
    Params p;
    p.count = itemCount_;
    p.margin = mergin_;
    p.interval = interval_;
    p.aspect = mfContentAspect;
    p.viewSize = frame().size();
    p.minItemSize = minItemSizeForManyMtg_;
    const Grid grid = calcAlignmentSize(p);
    mItemSize = grid.itemSize;
    miRow = grid.rows;
    miColumn = grid.columns;
    minViewSize_ = grid.minViewSize;

    if (mode_ == TILE_VIEW_MODE_FIT) {
        setFrame(fitFrame(grid, mergin_, interval_, alignRect_));
        layoutAgain_ = false;  // our own shrinking needs no further pass
    }
    const QSizeF laidOutFor = frame().size();
    if (delegate_ != nullptr) delegate_->updateAligmentViewSize(laidOutFor, minViewSize_, identifier());
    // The delegate resized the view (shown or not): the next pass places.
    if (frame().size() != laidOutFor) layoutAgain_ = true;
    if (layoutAgain_ || itemCount_ < 1) return;

    const std::vector<QRectF> frames =
        placeTiles(grid, int(mViewArry.size()), interval_, int(itemAlignMode_), frame().size());
    for (size_t i = 0; i < frames.size() && i < mViewArry.size(); ++i) {
        QWidget* tile = mViewArry[i];
        if (tile == nullptr) continue;
        VideoInfo* popped = nullptr;
        for (const QPointer<VideoInfo>& info : mPopupArray)
            if (info != nullptr && info->video() == tile) popped = info;
        if (popped != nullptr) {
            popped->setSaveRect(frames[i]);
            if (DummyView* dummy = popped->dummy()) View::setFrameOf(dummy, frames[i]);
        } else if (tile->parentWidget() != this) {
            continue;  // shown elsewhere now: another view places it
        } else {
            View::setFrameOf(tile, frames[i]);
        }
        tile->update();
    }
}
