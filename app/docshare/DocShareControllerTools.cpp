// The pointer and drawing tools of the document-sharing window and view: the
// two modes, pen and eraser with their widths and colour, the operator's
// mouse monitor, and the placing of received pointers and strokes.
#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QScrollBar>

#include "docshare/DSDrawGeometry.h"
#include "docshare/DocShareController.h"
#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "services/LogFileManager.h"

namespace {

const QString kPen = QStringLiteral("id_docshare_draw_tool_pen");
const QString kPenWidth = QStringLiteral("id_docshare_draw_tool_pen_width");
const QString kPenColor = QStringLiteral("id_docshare_draw_tool_pen_color");
const QString kEraser = QStringLiteral("id_docshare_draw_tool_eraser");
const QString kEraserWidth = QStringLiteral("id_docshare_draw_tool_eraser_width");
const QString kClear = QStringLiteral("id_docshare_draw_tool_clear");

const char* const kWidths[] = {"1", "2", "3", "5", "7", "10"};

void setImage(QToolButton* button, const char* name) {
    if (!button) return;
    button->setProperty("imageName", QString::fromLatin1(name));
    if (const auto path = MainBundle::pathForResource(QString::fromLatin1(name), QStringLiteral("png")))
        button->setIcon(QIcon(*path));
}

// Sees every mouse movement of the application and hands it on; never consumes one.
class MouseMoveMonitor : public QObject {
public:
    explicit MouseMoveMonitor(DocShareController* owner) : owner_(owner) { qApp->installEventFilter(this); }
    ~MouseMoveMonitor() override {
        if (qApp) qApp->removeEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) owner_->handleMouseMove(QCursor::pos());
        return false;
    }

private:
    DocShareController* owner_;
};

QPointer<QColorDialog>& sharedColorPanel() {
    static QPointer<QColorDialog> panel;
    return panel;
}

}  // namespace

void DocShareController::connectDrawTools() {
    for (const QString& id : {kPen, kPenWidth, kPenColor, kEraser, kEraserWidth, kClear})
        if (QToolButton* b = footerButton(id))
            connect(b, &QToolButton::clicked, this, [this, id] { onClickDrawToolItem(id); });
    connect(pointerButton_, &QToolButton::clicked, this, [this] { onClickPointerButton(); });
    connect(drawButton_, &QToolButton::clicked, this, [this] { onClickDrawButton(); });
    connect(forceDisplayButton_, &QToolButton::clicked, this, [this] { onClickForceDisplayButton(); });
}

bool DocShareController::isKeyWindow() const {
    return root_ && root_->window() && root_->window()->isActiveWindow();
}

QPointF DocShareController::pictureVisibleOrigin() const {
    return pictureOrigin();
}

QPointF DocShareController::webScaled(QPointF point) const {
    if (!isViewTwin()) return point;
    const QSizeF doc = webPageView_->documentSize();
    const QSizeF shared = mDocShareData->sharedSize();
    if (shared.width() <= 0 || shared.height() <= 0) return point;
    return QPointF(point.x() * doc.width() / shared.width(), point.y() * doc.height() / shared.height());
}

// ---- Buttons ----

void DocShareController::onClickPointerButton() {
    log("[DocShare]Pointer button was clicked.");
    const bool on = !mDocShareData->isPointerOn();
    mDocShareData->setIsPointerOn(on);
    mDocShareData->setSharedSize(currentSharedSize());
    if (mDispMode == 1) {
        mDocShareData->setZoomRange(scaleRange_);
        QPointF origin = pictureOrigin();
        if (isViewTwin()) origin.rx() += 30;
        mDocShareData->setScrollPoint(origin);
    } else {
        mDocShareData->setScrollPoint(webPageView_->visibleOrigin());
    }
    changePointerMode(on);
    if (delegate_) delegate_->changePointerMode(on);
}

void DocShareController::onClickDrawButton() {
    const bool wasOn = mDocShareData->isDrawingOn();
    LogFileManager::write(QStringLiteral("[DocShare]Draw button was clicked(%1).")
                              .arg(wasOn ? QStringLiteral("Stop") : QStringLiteral("Start")),
                          2, false);
    const bool on = !wasOn;
    mDocShareData->setIsDrawingOn(on);
    mDocShareData->setIsDrawable(on);
    mDocShareData->setSharedSize(currentSharedSize());
    if (mDispMode == 1) {
        mDocShareData->setZoomRange(scaleRange_);
        QPointF origin = pictureOrigin();
        if (isViewTwin()) origin.rx() += 30;
        mDocShareData->setScrollPoint(origin);
    } else {
        mDocShareData->setScrollPoint(webPageView_->visibleOrigin());
    }
    changeDrawingMode(on);
    if (delegate_) delegate_->changeDrawingMode(on);
}

void DocShareController::onClickForceDisplayButton() {
    log("[DocShare]Force display button was clicked.");
    if (delegate_) delegate_->forceDisplay();
}

void DocShareController::onClickDrawToolItem(const QString& id) {
    if (id == kPen) {
        log("[DocShare]Pen button was clicked.");
        changeDrawingTool(0);
    } else if (id == kEraser) {
        log("[DocShare]Eraser button was clicked.");
        changeDrawingTool(1);
    } else if (id == kPenWidth || id == kEraserWidth) {
        createSettingLineWidthMenu(footerButton(id));
    } else if (id == kPenColor) {
        switchDispColorPanel(true);
    } else if (id == kClear) {
        log("[DocShare]Clear button was clicked.");
        if (delegate_) delegate_->clearDrawing();
        mDocShareData->clearDrawDataArray();
        if (mDrawingView) mDrawingView->clear();
    }
}

// ---- Modes ----

void DocShareController::changePointerMode(bool on) {
    if (on) {
        setImage(pointerButton_, "pointer_select");
        setWindowResizable(false);
        if (mDocShareData->hasOperationRight())
            setMouseMoveMonitor();
        else
            createPointerView();
    } else {
        setImage(pointerButton_, "pointer");
        if (!mDocShareData->isDrawingOn()) setWindowResizable(true);
        removePointerView();
        removeMouseMoveMonitor();
    }
    if (pointerButton_) pointerButton_->setChecked(on);
    if (mDispMode == 1) setImageOperationTool();
}

void DocShareController::changeDrawingMode(bool on) {
    if (on) {
        setWindowResizable(false);
        createDrawView();
    } else {
        if (!mDocShareData->isPointerOn()) setWindowResizable(true);
        removeDrawView();
        switchDispColorPanel(false);
    }
    updateToolBar();
    setFooterTool();
    if (mDispMode == 1) setImageOperationTool();
}

void DocShareController::changeDrawingTool(long tool) {
    if (tool == mDrawMode) return;
    mDrawMode = tool;
    if (tool == 1) switchDispColorPanel(false);
    changeCursorImage();
    setFooterTool();
}

void DocShareController::changeCursorImage() {
    if (!mDrawingView) return;
    if (!(mDocShareData->isDrawingOn() && mDocShareData->isDrawable())) {
        mDrawingView->changeDrawingMode(DSDrawingView::NoDrawing);
        return;
    }
    mDrawingView->changeDrawingMode(mDrawMode == 0 ? DSDrawingView::Pen : DSDrawingView::Eraser);
}

// ---- Overlays ----

QRectF DocShareController::pageOverlayFrame() const {
    const QSizeF view(mImageView->size());
    const QSizeF shown = mImageView->displaySize();
    return QRectF((view.width() - shown.width()) / 2, (view.height() - shown.height()) / 2, shown.width(),
                  shown.height());
}

void DocShareController::createPointerView() {
    removePointerView();
    auto* overlay = new PointerView();
    const auto path = MainBundle::pathForResource(QStringLiteral("point_c"), QStringLiteral("png"));
    const QImage icon = path ? QImage(*path) : QImage();
    const QSizeF iconSize = icon.isNull() ? QSizeF(24, 24) : QSizeF(icon.size());
    if (mDispMode == 1) {
        overlay->setParent(mImageView);
        overlay->setGeometry(pageOverlayFrame().toRect());
    } else {
        // The web engine has no document view to add to: the overlay covers the
        // visible page and received points are placed relative to its visible origin.
        QWidget* web = webPageView_->widget();
        overlay->setParent(web);
        overlay->setGeometry(QRect(QPoint(0, 0), web->size()));
    }
    overlay->setDetail(icon, QRectF(QPointF(-1, -1), iconSize));
    overlay->show();
    overlay->raise();
    mPointerView = overlay;
}

void DocShareController::removePointerView() {
    delete mPointerView.data();
    mPointerView = nullptr;
}

void DocShareController::setMouseMoveMonitor() {
    removeMouseMoveMonitor();
    mMouseMoveMonitor = std::make_unique<MouseMoveMonitor>(this);
}

void DocShareController::removeMouseMoveMonitor() {
    mMouseMoveMonitor.reset();
}

void DocShareController::handleMouseMove(QPoint globalPos) {
    if (!root_ || !isKeyWindow()) return;
    if (mDispMode == 1) {
        if (!fileImageView_ || !fileImageView_->isVisible()) return;
        const QPoint inArea = fileImageView_->mapFromGlobal(globalPos);
        if (!fileImageView_->rect().contains(inArea)) return;
        const QPointF inImage = mImageView->mapFromGlobal(QPointF(globalPos));
        const auto origin = DSDrawGeometry::pagePointerOrigin(
            inImage, QSizeF(mImageView->size()), QSizeF(mContentImage.size()), mImageView->displaySize());
        if (!origin) return;
        mDocShareData->setPointerOrigin(*origin);
    } else {
        QWidget* web = webPageView_->widget();
        const QPoint inWeb = web->mapFromGlobal(globalPos);
        if (!web->rect().contains(inWeb)) return;
        mDocShareData->setPointerOrigin(QPointF(inWeb) + webPageView_->visibleOrigin());
    }
    if (delegate_) delegate_->movePointer(mDocShareData->pointerOrigin());
}

void DocShareController::createDrawView() {
    removeDrawView();
    const int mode = mDrawMode == 0 ? DSDrawingView::Pen : DSDrawingView::Eraser;
    if (mDispMode == 1) {
        auto* layer = new DSDrawingView(pageOverlayFrame(), mDocShareData, mode, mImageView);
        layer->setDelegate(this);
        layer->setZoomRate(mDocShareData->hasOperationRight() ? double(scaleRange_)
                                                              : double(mDocShareData->zoomRange()));
        layer->setContentSize(QSizeF(mContentImage.size()));
        layer->show();
        layer->raise();
        mDrawingView = layer;
    } else {
        QWidget* web = webPageView_->widget();
        const QSizeF doc = webPageView_->documentSize();
        auto* layer = new DSDrawingView(QRectF(QPointF(0, 0), doc), mDocShareData, mode);
        layer->setDelegate(this);
        auto* scroll = new ScrollForDrawView(QRectF(web->geometry()), layer, root_);
        scroll->setDelegate(this);
        scroll->show();
        scroll->raise();
        mDrawingView = layer;
        mScrollForDrawView = scroll;
        webPageView_->scrollToPoint(mDocShareData->scrollPoint());
        scroll->scrollToPoint(mDocShareData->scrollPoint());
    }
    changeCursorImage();
}

void DocShareController::removeDrawView() {
    if (mScrollForDrawView) {
        delete mScrollForDrawView.data();  // takes the drawing layer with it
    } else {
        delete mDrawingView.data();
    }
    mScrollForDrawView = nullptr;
    mDrawingView = nullptr;
}

// ---- Width menu and colour panel ----

QMenu* DocShareController::createSettingLineWidthMenu(QToolButton* sender) {
    const QString id = sender ? sender->objectName() : QString();
    const double current = id == kPenWidth      ? mDocShareData->penWidth()
                           : id == kEraserWidth ? mDocShareData->eraserWidth()
                                                : 3.0;
    delete widthMenu_.data();
    widthMenu_ = new QMenu(sender ? static_cast<QWidget*>(sender) : root_.data());
    widthMenu_->setObjectName(QStringLiteral("widthMenu"));
    int tag = 1;
    for (const char* width : kWidths) {
        QAction* item = widthMenu_->addAction(QString::fromLatin1(width));
        item->setObjectName(id);
        item->setData(tag);
        item->setCheckable(true);
        item->setChecked(QString::fromLatin1(width).toDouble() == current);
        connect(item, &QAction::triggered, this, [this, id, tag] { onSelectWidthItem(id, tag); });
        ++tag;
    }
    if (sender) widthMenu_->popup(sender->mapToGlobal(QPoint(0, 0)));
    return widthMenu_;
}

void DocShareController::onSelectWidthItem(const QString& id, int tag) {
    if (tag < 1 || tag > int(std::size(kWidths))) return;
    const double width = QString::fromLatin1(kWidths[tag - 1]).toDouble();
    if (id == kPenWidth)
        mDocShareData->setPenWidth(width);
    else if (id == kEraserWidth)
        mDocShareData->setEraserWidth(width);
}

QColorDialog* DocShareController::colorPanel() {
    QPointer<QColorDialog>& panel = sharedColorPanel();
    if (!panel) {
        panel = new QColorDialog();
        panel->setObjectName(QStringLiteral("colorPanel"));
        panel->setOption(QColorDialog::NoButtons);
        panel->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    return panel;
}

void DocShareController::switchDispColorPanel(bool show) {
    if (!show) {
        closeColorPanel();
        return;
    }
    QColorDialog* panel = colorPanel();
    if (!panel->isVisible()) {
        panel->disconnect(this);
        panel->setCurrentColor(QColor::fromRgbF(float(mDocShareData->penColorR()),
                                                float(mDocShareData->penColorG()),
                                                float(mDocShareData->penColorB()), 1.0f));
        connect(panel, &QColorDialog::currentColorChanged, this,
                [this](const QColor& c) { onSelectColor(c); });
    }
    panel->show();
    panel->raise();
}

void DocShareController::closeColorPanel() {
    QPointer<QColorDialog>& panel = sharedColorPanel();
    if (panel && panel->isVisible()) {
        panel->disconnect(this);
        panel->hide();
    }
}

void DocShareController::onSelectColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    mDocShareData->setPenColorR(rgb.redF());
    mDocShareData->setPenColorG(rgb.greenF());
    mDocShareData->setPenColorB(rgb.blueF());
}

// ---- Received pointer and strokes ----

void DocShareController::didChangePointerMode(DSNotificatorDispatcher*, bool on) {
    changePointerMode(on);
}

void DocShareController::didChangePaintMode(DSNotificatorDispatcher*, bool on) {
    changeDrawingMode(on);
}

void DocShareController::didChangePointerOrigin(DSNotificatorDispatcher*, const QPointF& origin,
                                                const QPointF& scroll) {
    QPointF place;
    if (mDispMode == 1) {
        if (mContentImage.isNull()) return;
        if (!(scroll.x() < 0 && scroll.y() < 0))
            scrollPictureTo(DSDrawGeometry::mergeScroll(scroll, pictureOrigin()));
        place =
            DSDrawGeometry::displayedPointer(origin, mImageView->displaySize(), QSizeF(mContentImage.size()));
        const QRectF visible(pictureOrigin(), QSizeF(scrollArea_->viewport()->size()));
        // The pointer's place in the page view, margin included.
        const QPointF inView = place + QPointF(DSDrawGeometry::kPageMargin, DSDrawGeometry::kPageMargin);
        if (const auto to = DSDrawGeometry::scrollToShow(inView, visible)) scrollPictureTo(*to);
    } else {
        const QPointF sp = webScaled(DSDrawGeometry::mergeScroll(scroll, webPageView_->visibleOrigin()));
        if (mScrollForDrawView) mScrollForDrawView->scrollToPoint(sp);
        webPageView_->scrollToPoint(sp);
        place = webScaled(origin);
    }
    const bool web = mDispMode != 1;
    mainQueue().async(this, [this, place, web] {
        if (!mPointerView) return;
        mPointerView->setLayerPosition(web ? place - webPageView_->visibleOrigin() : place);
    });
}

void DocShareController::didChangeDrawData(DSNotificatorDispatcher*, const QList<QVariantMap>& data,
                                           const QPointF& scroll) {
    if (mDispMode == 1) {
        if (!(scroll.x() < 0 && scroll.y() < 0))
            scrollPictureTo(DSDrawGeometry::mergeScroll(scroll, pictureOrigin()));
    } else {
        const QPointF sp = webScaled(DSDrawGeometry::mergeScroll(scroll, webPageView_->visibleOrigin()));
        if (mScrollForDrawView) mScrollForDrawView->scrollToPoint(sp);
    }
    // Each notice carries the list as it was when its stroke arrived: its last
    // entry is that stroke, so strokes that arrive between two redraws all show.
    if (mDrawingView && !data.isEmpty()) mDrawingView->drawData(data.last());
}

void DocShareController::didClearDrawData(DSNotificatorDispatcher*) {
    if (mDrawingView) mDrawingView->clear();
}

void DocShareController::didChangeDrawable(DSNotificatorDispatcher*, bool) {
    if (mDocShareData->isDrawingOn() && mDocShareData->isDrawAll()) {
        changeCursorImage();
        setFooterTool();
    }
}

void DocShareController::onDrawingData() {
    if (delegate_) delegate_->drawData(int(mDrawMode));
}

void DocShareController::scrollByUpdate(QPointF point) {
    if (!mDocShareData->isDrawingOn() || mDispMode != 1 || mContentImage.isNull() || !mDrawingView) return;
    // The layer's own coordinates times its zoom are the shown picture's.
    const QPointF shown = point * mDrawingView->zoomFactor() +
                          QPointF(DSDrawGeometry::kPageMargin, DSDrawGeometry::kPageMargin);
    const QRectF visible(pictureOrigin(), QSizeF(scrollArea_->viewport()->size()));
    if (const auto to = DSDrawGeometry::scrollToShow(shown, visible)) scrollPictureTo(*to);
}

void DocShareController::onScrollPoint(QPointF origin) {
    webPageView_->scrollToPoint(origin);
    if (mDocShareData->hasOperationRight() && mDocShareData->isDrawingOn()) {
        mDocShareData->setScrollPoint(origin);
        if (delegate_) delegate_->changeScrollPoint(origin);
    }
}
