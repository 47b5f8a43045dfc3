#pragma once

// The conference window's grid of equal-aspect video tiles. It keeps an
// ordered list of tiles (the own tile first when asked), finds the rows and
// columns in which they are largest at the first tile's aspect ratio, places
// them and tells its delegate how small the view may become before the tiles
// fall below their minimum.
//
// The grid lays itself out when its size changes and when its list changes
// (add, delete, placeholder swap); a frame set to the size it already has
// lays nothing out again. The view does not follow its parent by itself: its
// owner sets its frame (or an autoresizing mask), and the grid sets the
// frame of every tile. Main thread only.

#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <vector>

#include "conference/AutoAlignmentLayout.h"
#include "platform/View.h"

class VideoInfo;

using AutoAlignmentLayout::TILE_ALIGN_CENTER;
using AutoAlignmentLayout::TILE_ALIGN_LEFT;
using AutoAlignmentLayout::TILE_ALIGN_RIGHT;
using AutoAlignmentLayout::TILE_VIEW_MODE_FILL;
using AutoAlignmentLayout::TILE_VIEW_MODE_FIT;

class AutoAlignmentDelegate {
public:
    virtual ~AutoAlignmentDelegate() = default;
    // After every layout pass, also of an empty grid: the view's size, the
    // smallest size that keeps its tiles at their minimum, its identifier.
    virtual void updateAligmentViewSize(QSizeF viewSize, QSizeF minViewSize, const QString& viewId) = 0;
};

class AutoAlignmentView : public View {
    Q_OBJECT

public:
    // A new grid lays its tiles out 20 from the edges, 10 apart.
    explicit AutoAlignmentView(const QRectF& frame = QRectF(), bool isMyVideoPostionFirst = false,
                               QWidget* myView = nullptr, QWidget* parent = nullptr);

    // Adds a tile (taken from wherever it was shown). The own tile goes to the
    // front when the grid puts it first; any other is appended. The first tile
    // of an empty grid fixes the aspect ratio.
    void addElement(QWidget* tile);
    // Removes the tile from the view and from the list; one not in the list is
    // only taken out of the view.
    void deleteElement(QWidget* tile);
    // isSet: the placeholder takes the tile's slot (the tile is left to the
    // caller); otherwise the tile takes the placeholder's slot back and the
    // placeholder leaves the view.
    void setDummy(QWidget* tile, QWidget* dummy, bool isSet);
    // The tile controllers of the popup windows showing tiles of this grid: a
    // popped-out tile's slot goes to its placeholder and is kept as the
    // controller's saveRect. Lays nothing out by itself.
    void setPopupViewList(const std::vector<VideoInfo*>& popups);

    // The layout pass.
    void alignmentView();

    // The tiles in grid order.
    const std::vector<QPointer<QWidget>>& elements() const { return mViewArry; }
    int itemCount() const { return itemCount_; }
    bool isMyVideoPostionFirst() const { return isMyVideoPostionFirst_; }
    void setIsMyVideoPostionFirst(bool on) { isMyVideoPostionFirst_ = on; }
    QWidget* myView() const { return mMyView; }
    void setMyView(QWidget* view) { mMyView = view; }

    int mergin() const { return mergin_; }
    void setMergin(int m) { mergin_ = m; }
    int interval() const { return interval_; }
    void setInterval(int g) { interval_ = g; }
    int64_t mode() const { return mode_; }
    virtual void setMode(int64_t mode) { mode_ = mode; }
    int64_t itemAlignMode() const { return itemAlignMode_; }
    void setItemAlignMode(int64_t mode) { itemAlignMode_ = mode; }
    AutoAlignmentDelegate* delegate() const { return delegate_; }
    // Held weakly; whoever sets it clears it before going away.
    void setDelegate(AutoAlignmentDelegate* delegate) { delegate_ = delegate; }
    // 80 x 60 until the first layout.
    virtual QSizeF minViewSize() const { return minViewSize_; }
    QSizeF minItemSizeForManyMtg() const { return minItemSizeForManyMtg_; }
    void setMinItemSizeForManyMtg(QSizeF size) { minItemSizeForManyMtg_ = size; }
    QRectF alignRect() const { return alignRect_; }
    void setAlignRect(const QRectF& rect) { alignRect_ = rect; }
    // The identifier the delegate is told ("aav_id_client", ...); also the
    // view's object name.
    QString identifier() const { return objectName(); }
    void setIdentifier(const QString& id) { setObjectName(id); }

    // The last layout.
    float contentAspect() const { return mfContentAspect; }
    QSizeF itemSize() const { return mItemSize; }
    int rows() const { return miRow; }
    int columns() const { return miColumn; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutOnce();
    int indexOf(const QWidget* view) const;

    std::vector<QPointer<QWidget>> mViewArry;
    float mfContentAspect = 0;
    QSizeF mItemSize{320, 240};
    int miRow = 0, miColumn = 0;
    std::vector<QPointer<VideoInfo>> mPopupArray;
    QPointer<QWidget> mMyView;
    bool isMyVideoPostionFirst_ = false;
    int itemCount_ = 0;
    int mergin_ = 20;
    int interval_ = 10;
    int64_t mode_ = TILE_VIEW_MODE_FILL;
    int64_t itemAlignMode_ = TILE_ALIGN_CENTER;
    AutoAlignmentDelegate* delegate_ = nullptr;
    QSizeF minViewSize_{80, 60};
    QSizeF minItemSizeForManyMtg_{0, 0};
    QRectF alignRect_;
    // A resize that arrives during a pass (the delegate grew the window, the
    // fit mode shrank the view) asks for one more pass, which stops as soon
    // as the frame no longer changes.
    bool inLayout_ = false;
    bool layoutAgain_ = false;
};
