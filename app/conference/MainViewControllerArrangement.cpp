// The video area's arrangement: the webinar's panes and waiting picture, the
// seminar's base box with the own tile in its corner, grid membership, and
// the window's growth when a grid no longer fits. The geometry is
// VideoAreaArrangement's; this file applies it to the views.

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include "conference/MainViewController.h"
#include "conference/VideoAreaArrangement.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "ui/DummyView.h"

namespace {

constexpr unsigned kLeftPaneMask =
    ViewWidthSizable | ViewMinYMargin | ViewHeightSizable | ViewMaxYMargin;  // 58
constexpr unsigned kRightPaneMask =
    ViewMinXMargin | ViewMaxXMargin | ViewMinYMargin | ViewHeightSizable | ViewMaxYMargin;              // 61
constexpr unsigned kBottomPaneMask = ViewMinXMargin | ViewMaxXMargin | ViewHeightSizable;               // 21
constexpr unsigned kFixedSizeMask = ViewMinXMargin | ViewMaxXMargin | ViewMinYMargin | ViewMaxYMargin;  // 45
constexpr unsigned kAllFlexibleMask = 63;
constexpr double kSmallButton = 20;
constexpr int kSeminarListButtonTag = 1000;
constexpr double kWaitingFontSize = 40;

QPixmap resourceImage(const QString& name) {
    const auto path = MainBundle::pathForResource(name, QStringLiteral("png"));
    return path ? QPixmap(*path) : QPixmap();
}

QIcon smallIcon(const QString& name) {
    const QPixmap pixmap = resourceImage(name);
    if (pixmap.isNull()) return QIcon();
    return QIcon(
        pixmap.scaled(int(kSmallButton), int(kSmallButton), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QPushButton* makeSmallButton(const QString& objectName, const QString& image, const QString& tooltip) {
    auto* button = new QPushButton();
    button->setObjectName(objectName);
    button->setFlat(true);
    button->setCheckable(true);
    button->setChecked(false);
    button->setIcon(smallIcon(image));
    button->setIconSize(QSize(int(kSmallButton), int(kSmallButton)));
    button->setProperty("image", image);
    button->setToolTip(tooltip);
    button->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; background: transparent; }"));
    View::setFrameOf(button, QRectF(0, 0, kSmallButton, kSmallButton));
    return button;
}

View* makePane(const QString& objectName, unsigned mask) {
    auto* pane = new View(QRectF(), nullptr);
    pane->setObjectName(objectName);
    pane->setAutoresizingMask(mask);
    return pane;
}

void placeContent(View* pane, QWidget* content) {
    if (content == nullptr) return;
    pane->addSubview(content);
    View::setFrameOf(content, pane->bounds());
    content->update();
}

}  // namespace

// --- webinar panes ------------------------------------------------------------

void MainViewController::removeSubview(QWidget* view) {
    if (view == nullptr) return;
    for (QWidget* child : view->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        child->hide();
        child->setParent(nullptr);
    }
}

View* MainViewController::deleteWebinarView(View* pane) {
    if (pane == nullptr) return nullptr;
    removeSubview(pane);
    pane->setParent(nullptr);
    delete pane;
    return nullptr;
}

void MainViewController::makeLeftView(bool alone, QWidget* content) {
    if (view_ == nullptr) return;
    if (mLeftViewForWebinar == nullptr) {
        mLeftViewForWebinar = makePane(QStringLiteral("webinarLeftPane"), kLeftPaneMask);
        view_->addSubview(mLeftViewForWebinar);
    }
    removeSubview(mLeftViewForWebinar);
    const QSizeF area = view_->frame().size();
    const auto panes = VideoAreaArrangement::webinarPanes(
        area, mWebinarDefaultViewSize.width() / 2, Window::mainScreenVisibleFrame().height(), !alone, false);
    mLeftViewForWebinar->setFrame(panes.left);
    placeContent(mLeftViewForWebinar, content);
}

void MainViewController::makeRightView(bool alone, QWidget* content) {
    if (view_ == nullptr) return;
    if (mRightViewForWebinar == nullptr) {
        mRightViewForWebinar = makePane(QStringLiteral("webinarRightPane"), kRightPaneMask);
        view_->addSubview(mRightViewForWebinar);
    }
    mRightViewForWebinar->setAutoresizingMask(kRightPaneMask);
    removeSubview(mRightViewForWebinar);
    const auto panes =
        VideoAreaArrangement::webinarPanes(view_->frame().size(), mWebinarDefaultViewSize.width() / 2,
                                           Window::mainScreenVisibleFrame().height(), true, !alone);
    mRightViewForWebinar->setFrame(*panes.right);
    placeContent(mRightViewForWebinar, content);
}

void MainViewController::makeBottomView(bool alone, QWidget* textBox) {
    if (view_ == nullptr) return;
    const bool created = mBottomViewForWebinar == nullptr;
    if (created) {
        mBottomViewForWebinar = makePane(QStringLiteral("webinarBottomPane"), kBottomPaneMask);
        view_->addSubview(mBottomViewForWebinar);
    }
    const double rightHeight = mRightViewForWebinar != nullptr ? mRightViewForWebinar->frame().height() : 0;
    const QSizeF area = view_->frame().size();
    const double half = mWebinarDefaultViewSize.width() / 2;
    mBottomViewForWebinar->setFrame(alone
                                        ? QRectF(area.width() - half, 0, half, area.height())
                                        : QRectF(area.width() - half, 0, half, area.height() - rightHeight));
    if (mRightViewForWebinar != nullptr) mBottomViewForWebinar->setAutoresizingMask(kFixedSizeMask);
    // An existing pane keeps the text box it holds.
    if (created) placeContent(mBottomViewForWebinar, textBox);
}

void MainViewController::setMainViewLayout(QWidget* left, QWidget* right, QWidget* bottom) {
    if (right != nullptr && bottom != nullptr) {
        makeLeftView(false, left);
        makeRightView(false, right);
        makeBottomView(false, bottom);
    } else if (right != nullptr) {
        mBottomViewForWebinar = deleteWebinarView(mBottomViewForWebinar);
        makeLeftView(false, left);
        makeRightView(true, right);
    } else if (bottom != nullptr) {
        makeLeftView(false, left);
        mRightViewForWebinar = deleteWebinarView(mRightViewForWebinar);
        makeBottomView(true, bottom);
    } else {
        makeLeftView(true, left);
        mRightViewForWebinar = deleteWebinarView(mRightViewForWebinar);
        mBottomViewForWebinar = deleteWebinarView(mBottomViewForWebinar);
    }
    if (mClientView != nullptr) {
        const QWidget* grid = mClientView;
        if (grid == left || grid == right || grid == bottom) {
            mClientView->show();
        } else {
            // Popped-out tiles come back with the popup windows' part.
            mClientView->hide();
        }
    }
    if (mNotStartWebinarView != nullptr) makeNotStartWebinarView(false);
}

void MainViewController::makeNotStartWebinarView(bool show) {
    if (!show) {
        if (mNotStartWebinarView == nullptr) return;
        View* picture = mNotStartWebinarView;
        mNotStartWebinarView = nullptr;
        picture->setParent(nullptr);
        delete picture;
        return;
    }
    if (mNotStartWebinarView != nullptr || view_ == nullptr) return;
    // The area's own bounds: the picture covers the area exactly.
    const QSizeF area = view_->frame().size();
    auto* picture = new View(QRectF(QPointF(0, 0), area), nullptr);
    picture->setObjectName(QStringLiteral("notStartWebinarView"));
    picture->setAutoresizingMask(kAllFlexibleMask);
    picture->setAutoFillBackground(true);
    QPalette palette = picture->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.85f, 0.85f, 0.85f));
    picture->setPalette(palette);

    const QPixmap image = resourceImage(QStringLiteral("wait_man"));
    auto* imageView = new QLabel(picture);
    imageView->setObjectName(QStringLiteral("notStartWebinarImage"));
    imageView->setAlignment(Qt::AlignCenter);
    imageView->setPixmap(image);
    View::setFrameOf(imageView, QRectF(QPointF(0, 0), area));
    View::setAutoresizingMaskOf(imageView, kAllFlexibleMask);

    auto* text = new QLabel(LocalizedString("dfWEBINAR_NO_MAINUSER"), picture);
    text->setObjectName(QStringLiteral("notStartWebinarText"));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::NoTextInteraction);
    text->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = text->font();
    font.setPointSizeF(kWaitingFontSize);
    text->setFont(font);
    QPalette textPalette = text->palette();
    textPalette.setColor(QPalette::WindowText, QColor::fromRgbF(0.129f, 0.588f, 0.952f));
    text->setPalette(textPalette);
    View::setFrameOf(text, VideoAreaArrangement::waitingTextFrame(area, image.height()));
    View::setAutoresizingMaskOf(text, kAllFlexibleMask);

    mLeftViewForWebinar = deleteWebinarView(mLeftViewForWebinar);
    mRightViewForWebinar = deleteWebinarView(mRightViewForWebinar);
    mBottomViewForWebinar = deleteWebinarView(mBottomViewForWebinar);
    view_->addSubview(picture);
    picture->setFrame(QRectF(QPointF(0, 0), area));
    picture->raise();
    mNotStartWebinarView = picture;
}

// --- seminar ------------------------------------------------------------------

void MainViewController::adjustBaseViewForSeminarMode(double listWidth) {
    if (mSeminarBaseView == nullptr || view_ == nullptr) return;
    mSeminarBaseView->setFrame(
        VideoAreaArrangement::seminarBaseFrame(view_->frame().width(), view_->bounds(), listWidth));
    updateChildViewSize();
}

void MainViewController::updateChildViewSize() {
    if (mSeminarBaseView == nullptr || mClientView == nullptr) return;
    const QRectF base = mSeminarBaseView->frame();
    const auto frames = VideoAreaArrangement::seminarChildFrames(
        base.width(), base.height(), mClientView->bounds().topLeft(), mSeminarSpeakerView != nullptr);
    mClientView->setFrame(frames.client);
    if (mSeminarSpeakerView != nullptr) mSeminarSpeakerView->setFrame(*frames.speakers);
}

void MainViewController::addMyVideoViewForSeminar() {
    if (view_ == nullptr || mMyVideo == nullptr || mMyVideo->video() == nullptr) return;
    VideoView* own = mMyVideo->video();
    const QSizeF size = calcMyVideoViewSize(miRoomCategory, miMaxParticipants);
    view_->addSubview(own);
    View::setFrameOf(own, VideoAreaArrangement::seminarOwnTileFrame(view_->frame().width(), size));
    View::setAutoresizingMaskOf(own, kFixedSizeMask);
    own->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
    if (mHiddenVideoViewBtn == nullptr) {
        auto* button = makeSmallButton(QStringLiteral("seminarHideVideoButton"), QStringLiteral("camhide"),
                                       LocalizedString("dfMYVIDEO_HIDE"));
        connect(button, &QPushButton::clicked, this, [this] { onClickViewHideBtn(); });
        mHiddenVideoViewBtn = button;
    } else {
        mHiddenVideoViewBtn->setParent(nullptr);
    }
    // On top of the tile.
    view_->addSubview(mHiddenVideoViewBtn);
    View::setFrameOf(mHiddenVideoViewBtn, QRectF(0, 0, kSmallButton, kSmallButton));
    mHiddenVideoViewBtn->raise();
    setOriginHiddenBtn();
}

void MainViewController::onClickViewHideBtn() {
    if (mHiddenVideoViewBtn == nullptr) return;
    const bool hidden = mHiddenVideoViewBtn->isChecked();
    setImageHiddenVideoViewBtn();
    setOriginHiddenBtn();
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr) mMyVideo->video()->setHidden(hidden);
    if (delegate_ != nullptr) delegate_->hideMyVideoForSeminar(hidden);
}

void MainViewController::setImageHiddenVideoViewBtn() {
    if (mHiddenVideoViewBtn == nullptr) return;
    const bool on = mHiddenVideoViewBtn->isChecked();
    const QString image = on ? QStringLiteral("camdisp") : QStringLiteral("camhide");
    mHiddenVideoViewBtn->setIcon(smallIcon(image));
    mHiddenVideoViewBtn->setProperty("image", image);
    mHiddenVideoViewBtn->setToolTip(on ? LocalizedString("dfMYVIDEO_DISP")
                                       : LocalizedString("dfMYVIDEO_HIDE"));
}

void MainViewController::setOriginHiddenBtn() {
    if (mHiddenVideoViewBtn == nullptr || view_ == nullptr) return;
    const QRectF tile =
        mMyVideo != nullptr && mMyVideo->video() != nullptr ? View::frameOf(mMyVideo->video()) : QRectF();
    const QSizeF size = View::frameOf(mHiddenVideoViewBtn).size();
    const QPointF origin = VideoAreaArrangement::hideButtonOrigin(mHiddenVideoViewBtn->isChecked(),
                                                                  view_->frame().width(), size, tile);
    View::setFrameOf(mHiddenVideoViewBtn, QRectF(origin, size));
}

void MainViewController::endPopupMyVideoForSeminar() {
    if (mMyVideo == nullptr || mMyVideo->video() == nullptr) return;
    if (mHiddenVideoViewBtn != nullptr) mHiddenVideoViewBtn->show();
    mMyVideo->video()->setParent(nullptr);
    addMyVideoViewForSeminar();
    if (mHiddenVideoViewBtn != nullptr && mHiddenVideoViewBtn->isChecked()) mMyVideo->video()->hide();
}

void MainViewController::makeSeminarListBtn() {
    if (view_ == nullptr || mSeminarListBtn != nullptr) return;
    auto* button = makeSmallButton(QStringLiteral("seminarListButton"), QStringLiteral("seminarlist"),
                                   LocalizedString("dfFOOTER_BTN_LIST"));
    button->setProperty("tag", kSeminarListButtonTag);
    connect(button, &QPushButton::clicked, this, [this] { onClickSeminarListBtn(); });
    view_->addSubview(button);
    View::setFrameOf(button, QRectF(0, 0, kSmallButton, kSmallButton));
    button->raise();
    mSeminarListBtn = button;
}

void MainViewController::onClickSeminarListBtn() {
    if (delegate_ != nullptr) delegate_->onClickShowSeminarList();
}

// --- grid membership ------------------------------------------------------------

void MainViewController::changeElementAutoAlignment(VideoInfo* tile, bool isAdd, AutoAlignmentView* target) {
    if (tile == nullptr || target == nullptr || tile->video() == nullptr) return;
    VideoView* view = tile->video();
    const bool manySpeakers = target == mManyMtgSpeakerView;
    if (isAdd) {
        tile->setSaveRect(View::frameOf(view));
        if (target->isHidden()) target->show();
        target->addElement(view);
        if (manySpeakers && mClientView != nullptr) {
            // The tile shows among the speakers, its placeholder keeps its slot.
            auto* dummy = new DummyView(tile->saveRect(), miRoomCategory);
            tile->setDummy(dummy);
            mClientView->setDummy(view, dummy, true);
        }
        return;
    }
    target->deleteElement(view);
    if (manySpeakers) {
        if (mClientView != nullptr && tile->dummy() != nullptr) {
            DummyView* dummy = tile->dummy();
            mClientView->setDummy(view, dummy, false);
            tile->setDummy(nullptr);
            dummy->deleteLater();
        }
        view->forceHideOptionButton();
    }
    if (target->itemCount() == 0) target->setHidden(mIsWebinar);
}

// --- the window follows the grids -------------------------------------------------

void MainViewController::updateAligmentViewSize(QSizeF viewSize, QSizeF minViewSize, const QString&) {
    auto* window = view_ != nullptr ? qobject_cast<Window*>(view_->window()) : nullptr;
    if (window == nullptr) return;
    if (!baseMinWindowWidth_) baseMinWindowWidth_ = window->minSize().width();
    if (minViewSize.width() <= viewSize.width() && minViewSize.height() <= viewSize.height()) {
        // The window never becomes narrower or lower than the grid's minimum.
        if (miRoomCategory == ROOM_CATEGORY_NORMAL)
            window->setMinSize(VideoAreaArrangement::windowMinSizeForGrid(minViewSize, *baseMinWindowWidth_,
                                                                          mfAllBarHeight));
        return;
    }
    // The many-meeting divider takes the shortfall once the styles exist.
    const QRectF frame = window->frame();
    // A growth not yet laid out: the grid reports its old size again.
    if (lastGrowth_ && lastGrowth_->gridSize == viewSize && lastGrowth_->window == frame) return;
    const std::optional<QRectF> grown = VideoAreaArrangement::grownWindowFrame(
        viewSize, minViewSize, frame, window->minSize().width(), Window::mainScreenVisibleFrame());
    if (!grown) return;
    window->setFrame(*grown, true);
    lastGrowth_ = Growth{viewSize, window->frame()};
}

void MainViewController::changeStyleManyMtgView(int, int) {
    // Until the many-meeting styles are built, the participants' grid fills
    // the area.
    if (mClientView != nullptr && view_ != nullptr && mClientView->parentWidget() == view_)
        mClientView->setFrame(view_->bounds());
}
