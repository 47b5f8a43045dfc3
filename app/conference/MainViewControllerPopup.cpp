// The video area's tile actions and popup windows: the forwards of the
// tiles' clicks and pictures to the delegate, and moving a tile into a window
// of its own (at its place, at its picture's pixel size or over the main
// screen) and back into its grid slot, where a grey placeholder kept it.

#include <QPointer>
#include <algorithm>

#include "conference/FullSizeView.h"
#include "conference/MainViewController.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "ui/DummyView.h"

namespace {

constexpr double kPopupOffset = 20;
constexpr double kManyMtgPopupScale = 1.5;

// A widget's rectangle on the screen, bottom-up.
QRectF screenRectOf(const QWidget* widget, const QRectF& topDownLocal) {
    const QPoint global = widget->mapToGlobal(topDownLocal.topLeft().toPoint());
    return QRectF(global.x(), Window::screenHeight() - global.y() - topDownLocal.height(),
                  topDownLocal.width(), topDownLocal.height());
}

// A bottom-up rectangle of `holder` as a top-down one of the same widget.
QRectF topDownIn(const QWidget* holder, const QRectF& rect) {
    return ViewGeometry::flipRect(rect, View::flipHeightOf(holder));
}

void addToHolder(QWidget* holder, QWidget* child, const QRectF& frame) {
    if (auto* view = qobject_cast<View*>(holder)) {
        view->addSubview(child);
    } else {
        child->setParent(holder);
    }
    View::setFrameOf(child, frame);
    child->show();
}

}  // namespace

// --- tile forwards ------------------------------------------------------------

void MainViewController::videoStatusClick(const SpeakerInfoRef& speaker) {
    if (delegate_ != nullptr) delegate_->onClickVideoStatus(speaker);
}

Menu* MainViewController::makePopupVideoMenu(const SpeakerInfoRef& speaker) {
    if (delegate_ == nullptr || speaker == nullptr) return nullptr;
    return delegate_->makePopupSpeakerMenu(speaker);
}

void MainViewController::onMyVideo(const QImage& picture) {
    if (delegate_ != nullptr) delegate_->onMyVideo(picture);
}

void MainViewController::onOtherVideo(const QImage& picture, const QString& userId) {
    if (delegate_ != nullptr) delegate_->onOtherVideo(picture, userId);
}

// --- which list a popup belongs to ----------------------------------------------

std::vector<FullSizeView*>* MainViewController::popupListFor(VideoInfo* tile) {
    if (!isSeminarNotWebinar() || !mPopupVideoSeminarSpeakerArry) return &mPopupVideoListArry;
    const SpeakerInfoRef speaker = tile != nullptr ? tile->speaker() : nullptr;
    const bool owner = speaker != nullptr && speaker->userId() == mOwnerUserIdStr;
    const bool ownListener = tile == mMyVideo && !mIsSpeaker;
    return owner || ownListener ? &mPopupVideoListArry : &*mPopupVideoSeminarSpeakerArry;
}

void MainViewController::givePopupList(const std::vector<FullSizeView*>* popups) {
    std::vector<VideoInfo*> tiles;
    for (FullSizeView* popup : *popups)
        if (popup->videoInfo() != nullptr) tiles.push_back(popup->videoInfo());
    if (popups == &mPopupVideoListArry) {
        if (miRoomCategory == ROOM_CATEGORY_MANYMTG || mClientView == nullptr || mClientView->isHidden())
            return;
        mClientView->setPopupViewList(tiles);
    } else if (mSeminarSpeakerView != nullptr) {
        mSeminarSpeakerView->setPopupViewList(tiles);
    }
}

FullSizeView* MainViewController::findPopup(const QString& userId, std::vector<FullSizeView*>** list) const {
    auto* self = const_cast<MainViewController*>(this);
    std::vector<std::vector<FullSizeView*>*> lists{&self->mPopupVideoListArry};
    if (self->mPopupVideoSeminarSpeakerArry) lists.push_back(&*self->mPopupVideoSeminarSpeakerArry);
    for (std::vector<FullSizeView*>* popups : lists) {
        for (FullSizeView* popup : *popups) {
            VideoInfo* info = popup->videoInfo();
            const SpeakerInfoRef speaker = info != nullptr ? info->speaker() : nullptr;
            if (speaker != nullptr && speaker->userId() == userId) {
                if (list != nullptr) *list = popups;
                return popup;
            }
        }
    }
    return nullptr;
}

bool MainViewController::checkPopupVideo(const QString& userId) const {
    return findPopup(userId) != nullptr;
}

bool MainViewController::checkPopupVideo(const SpeakerInfoRef& speaker) const {
    return speaker != nullptr && checkPopupVideo(speaker->userId());
}

// --- what the user asks for -------------------------------------------------------

void MainViewController::videoDoubleClick(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr) return;
    const QString userId = speaker->userId();
    if (checkPopupVideo(userId)) {
        for (FullSizeView* popup : mPopupVideoListArry) {
            const SpeakerInfoRef shown = popup->videoInfo() ? popup->videoInfo()->speaker() : nullptr;
            if (shown == nullptr || shown->userId() != userId) continue;
            if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
                popupVideo(popup->videoInfo(), POPUP_MODE_WINDOW);
            } else {
                endPopupVideo(popup);
            }
            break;
        }
        if (mPopupVideoSeminarSpeakerArry) {
            for (FullSizeView* popup : *mPopupVideoSeminarSpeakerArry) {
                const SpeakerInfoRef shown = popup->videoInfo() ? popup->videoInfo()->speaker() : nullptr;
                if (shown == nullptr || shown->userId() != userId) continue;
                endPopupVideo(popup);
                break;
            }
        }
        return;
    }
    if (miRoomCategory == ROOM_CATEGORY_MANYMTG) return;
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && isOwnParticipant(speaker)) {
        if (mMyVideo != nullptr) popupVideo(mMyVideo, POPUP_MODE_PIXEL_SIZE);
        return;
    }
    if (VideoInfo* tile = findTileByUserId(userId)) popupVideo(tile, POPUP_MODE_PIXEL_SIZE);
}

void MainViewController::popupAllVideo(bool popup) {
    if (!popup) {
        endPopupVideo(nullptr);
        return;
    }
    if (miRoomCategory == ROOM_CATEGORY_MANYMTG) return;
    // Popping out leaves every tile in the list.
    for (size_t i = 0; i < mVideoListArry.size(); ++i) {
        VideoInfo* tile = mVideoListArry[i];
        const SpeakerInfoRef speaker = tile->speaker();
        if (speaker == nullptr || checkPopupVideo(speaker)) continue;
        popupVideo(isOwnParticipant(speaker) && mMyVideo != nullptr ? mMyVideo.data() : tile,
                   POPUP_MODE_WINDOW);
    }
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && mMyVideo != nullptr &&
        !checkPopupVideo(mMyVideo->speaker()))
        popupVideo(mMyVideo, POPUP_MODE_WINDOW);
}

void MainViewController::resizeVideo(int mode, const QString& userId) {
    if (userId == myUserId() && mMyVideo != nullptr) {
        popupVideo(mMyVideo, mode);
        return;
    }
    if (VideoInfo* tile = findTileByUserId(userId)) popupVideo(tile, mode);
}

// --- popup windows ------------------------------------------------------------------

FullSizeView* MainViewController::makePopupVideo(VideoInfo* tile, int mode) {
    VideoView* view = tile->video();
    const QWidget* holder = view != nullptr ? view->parentWidget() : nullptr;
    const bool placed = holder != nullptr && view_ != nullptr && view_->window() != view_.data();
    const QRectF r = placed ? screenRectOf(holder, QRectF(view->geometry())) : QRectF();
    QRectF f;
    unsigned style = WindowStyleResizable;
    if (mode == POPUP_MODE_FULL_SCREEN) {
        f = Window::mainScreenFrame();
        style = WindowStyleBorderless;
    } else if (mode == POPUP_MODE_PIXEL_SIZE) {
        QSize pixels = view != nullptr ? view->getPixelSize() : QSize();
        // A tile without a picture yet opens at its own size.
        if (pixels.isEmpty()) pixels = r.size().toSize();
        f = QRectF(r.x(), r.y() + r.height() - pixels.height(), pixels.width(), pixels.height());
    } else if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
        f = QRectF(r.x(), r.y() - r.height() / 2, kManyMtgPopupScale * r.width(),
                   kManyMtgPopupScale * r.height());
    } else {
        f = QRectF(r.x() + kPopupOffset, r.y() - kPopupOffset, r.width(), r.height());
    }
    auto* window = new FullSizeView(f, style);
    window->setMinSize(QSizeF(80, 60));
    window->setContentAspectRatio(f.size());
    window->setLevel(FloatingWindowLevel);
    window->setMode(mode == POPUP_MODE_FULL_SCREEN ? FULLSIZE_MODE_SCREEN : FULLSIZE_MODE_WINDOW);
    window->setPopupRect(r);
    // A window over the whole screen is not held to the visible frame.
    if (mode != POPUP_MODE_FULL_SCREEN) window->setMaxSize(Window::mainScreenVisibleFrame().size());
    window->setFrame(f, false);
    return window;
}

void MainViewController::popupVideo(VideoInfo* tile, int mode) {
    if (tile == nullptr || tile->video() == nullptr || tile->speaker() == nullptr) return;
    const int target = mode == POPUP_MODE_FULL_SCREEN ? FULLSIZE_MODE_SCREEN : FULLSIZE_MODE_WINDOW;
    if (FullSizeView* existing = findPopup(tile->speaker()->userId())) {
        const auto resizeToPixels = [](FullSizeView* p) {
            VideoInfo* info = p->videoInfo();
            const QSize pixels = info->video()->getPixelSize();
            if (pixels.isEmpty()) return;
            const QRectF f = p->frame();
            p->setFrame(FullSizeView::pixelFrameAt(QPointF(f.x(), f.y() + f.height()), pixels), true);
            View::setFrameOf(info->video(), QRectF(QPointF(0, 0), QSizeF(pixels)));
        };
        const auto inList = [existing](const std::vector<FullSizeView*>& list) {
            return std::find(list.begin(), list.end(), existing) != list.end();
        };
        if (inList(mPopupVideoListArry)) {
            if (existing->mode() == target) {
                if (mode == POPUP_MODE_PIXEL_SIZE) {
                    resizeToPixels(existing);
                } else if (mode == POPUP_MODE_WINDOW && miRoomCategory == ROOM_CATEGORY_MANYMTG &&
                           view_ != nullptr) {
                    const QRectF s = existing->videoInfo()->saveRect();
                    const QRectF grown(s.x(), s.y() - s.height() / 2, kManyMtgPopupScale * s.width(),
                                       kManyMtgPopupScale * s.height());
                    existing->setFrame(screenRectOf(view_, topDownIn(view_, grown)), true);
                    View::setFrameOf(existing->videoInfo()->video(),
                                     QRectF(QPointF(0, 0), existing->frame().size()));
                }
            }
            existing->changeDispMode(target);
        }
        if (mPopupVideoSeminarSpeakerArry && inList(*mPopupVideoSeminarSpeakerArry)) {
            if (mode == POPUP_MODE_PIXEL_SIZE && existing->mode() == target) resizeToPixels(existing);
            existing->changeDispMode(target);
        }
        return;
    }

    FullSizeView* window = makePopupVideo(tile, mode);
    window->orderFrontRegardless();
    VideoView* view = tile->video();
    QWidget* holder = view->parentWidget();
    if (holder == nullptr) holder = view_;
    const QRectF slot = View::frameOf(view);
    view->setParent(nullptr);
    tile->setSaveRect(slot);
    auto* dummy = new DummyView(slot, miRoomCategory);
    dummy->setDelegate(view);
    if (holder != nullptr) addToHolder(holder, dummy, slot);
    tile->setDummy(dummy);
    View::setFrameOf(view, QRectF(QPointF(0, 0), window->frame().size()));
    if (isSeminarNotWebinar() && mHiddenVideoViewBtn != nullptr && tile == mMyVideo) {
        if (!mIsSpeaker) dummy->hide();
        mHiddenVideoViewBtn->hide();
        if (mIsSpeaker && delegate_ != nullptr) delegate_->changeHideCameraFlag(false);
    }
    View::setAutoresizingMaskOf(view, ViewWidthSizable | ViewHeightSizable);
    window->contentView()->addSubview(view);
    View::setFrameOf(view, QRectF(QPointF(0, 0), window->frame().size()));
    view->show();
    window->setVideoInfo(tile);
    window->setReturnView(holder);
    // Closed by the window manager: the tile goes back all the same.
    window->setOnUserClose([this, window] { endPopupVideo(window); });
    std::vector<FullSizeView*>* list = popupListFor(tile);
    list->push_back(window);
    givePopupList(list);
}

void MainViewController::returnTile(FullSizeView* popup) {
    VideoInfo* info = popup->videoInfo();
    QWidget* holder = popup->returnView();
    if (info != nullptr) {
        DummyView* dummy = info->dummy();
        if (dummy != nullptr) {
            if (dummy->parentWidget() != nullptr) holder = dummy->parentWidget();
            info->setDummy(nullptr);
            dummy->hide();
            dummy->setParent(nullptr);
            dummy->deleteLater();
        }
        VideoView* view = info->video();
        if (view != nullptr && view->window() == popup) {
            view->setParent(nullptr);
            if (holder != nullptr) addToHolder(holder, view, info->saveRect());
        }
    }
    popup->setOnUserClose(nullptr);
    popup->setVideoInfo(nullptr);
    popup->setReleasedWhenClosed(true);
    popup->closeWindow();
}

void MainViewController::endPopupVideo(FullSizeView* popup) {
    if (popup == nullptr) {
        deleteAllPopupVideo(mPopupVideoListArry);
        if (mPopupVideoSeminarSpeakerArry) deleteAllPopupVideo(*mPopupVideoSeminarSpeakerArry);
        if (isSeminarNotWebinar() && mHiddenVideoViewBtn != nullptr && !mIsSpeaker)
            endPopupMyVideoForSeminar();
        return;
    }
    VideoInfo* info = popup->videoInfo();
    const SpeakerInfoRef speaker = info != nullptr ? info->speaker() : nullptr;
    std::vector<FullSizeView*>* list = nullptr;
    if (speaker == nullptr || findPopup(speaker->userId(), &list) != popup) return;
    const bool ownTile = info == mMyVideo;
    returnTile(popup);
    if (isSeminarNotWebinar() && mHiddenVideoViewBtn != nullptr && ownTile) {
        if (mIsSpeaker) {
            if (delegate_ != nullptr) delegate_->changeHideCameraFlag(true);
        } else {
            endPopupMyVideoForSeminar();
        }
    }
    list->erase(std::find(list->begin(), list->end(), popup));
    givePopupList(list);
}

void MainViewController::deleteAllPopupVideo(std::vector<FullSizeView*>& popups) {
    const std::vector<FullSizeView*> closing = popups;
    popups.clear();
    for (FullSizeView* popup : closing) {
        VideoInfo* info = popup->videoInfo();
        returnTile(popup);
        if (info != nullptr) info->setSaveRect(QRectF());
    }
    if (&popups == &mPopupVideoListArry) {
        givePopupList(&popups);
    } else if (mSeminarSpeakerView != nullptr) {
        mSeminarSpeakerView->setPopupViewList({});
    }
}

void MainViewController::closePopupsOf(const QString& userId) {
    // A leaving participant's window closes before the tile goes, so that
    // nothing shows or paints a tile that is no more.
    while (FullSizeView* popup = findPopup(userId)) endPopupVideo(popup);
}
