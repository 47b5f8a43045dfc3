// The seminar list pane of the video area: a 200-point column at the left
// edge with the reservation list above the speaker list, shown and hidden by
// the list button; and the forwards of the two lists' requests.

#include <QPalette>

#include "conference/MainViewController.h"
#include "platform/Localization.h"
#include "platform/View.h"
#include "platform/Window.h"

namespace {
const QString kListAreaId = QStringLiteral("dfID_listArea");
constexpr double kListAreaWidth = 200;
constexpr double kListGap = 20;
}  // namespace

void MainViewController::showSeminarList() {
    if (view_ == nullptr) return;
    auto* pane = view_->findChild<View*>(kListAreaId, Qt::FindDirectChildrenOnly);
    QPushButton* button = mSeminarListBtn;
    if (button != nullptr)
        button->setToolTip(pane != nullptr ? LocalizedString("dfFOOTER_BTN_LIST")
                                           : LocalizedString("dfFOOTER_BTN_LIST_HIDE"));
    auto* window = qobject_cast<Window*>(view_->window());
    if (pane != nullptr) {
        mWaitingListView = nullptr;
        mSpeakerListView = nullptr;
        pane->setParent(nullptr);
        delete pane;
        adjustBaseViewForSeminarMode(0);
        if (button != nullptr) {
            const QRectF frame = View::frameOf(button);
            View::setFrameOf(button, QRectF(QPointF(view_->frame().x(), frame.y()), frame.size()));
        }
        if (window != nullptr) {
            const QSizeF min = window->minSize();
            window->setMinSize(QSizeF(min.width() - kListAreaWidth, min.height()));
        }
        return;
    }

    const double height = view_->frame().height();
    pane = new View(QRectF(0, 0, kListAreaWidth, height), nullptr);
    pane->setObjectName(kListAreaId);
    pane->setAutoresizingMask(ViewHeightSizable | ViewMaxXMargin | ViewMinYMargin | ViewMaxYMargin);
    pane->setAutoFillBackground(true);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Window));
    pane->setPalette(palette);
    view_->addSubview(pane);
    pane->show();

    const double h = height * 0.5 - kListGap / 2;
    auto* waiting = new WaitingListView(QRectF(0, height - h, kListAreaWidth, h));
    pane->addSubview(waiting);
    waiting->setAutoresizingMask(ViewHeightSizable | ViewMaxXMargin | ViewMinYMargin);
    auto* speakers = new SpeakerListView(QRectF(0, 0, kListAreaWidth, h));
    pane->addSubview(speakers);
    speakers->setAutoresizingMask(ViewHeightSizable | ViewMaxXMargin | ViewMaxYMargin);
    const UserInfoRef own = mMyVideo != nullptr ? UserInfoRef(mMyVideo->speaker()) : nullptr;
    waiting->setDelegate(this);
    waiting->setParams(mOwnerUserIdStr, own);
    speakers->setDelegate(this);
    speakers->setParams(mOwnerUserIdStr, own);
    mWaitingListView = waiting;
    mSpeakerListView = speakers;

    adjustBaseViewForSeminarMode(kListAreaWidth);
    if (button != nullptr) {
        const QRectF frame = View::frameOf(button);
        View::setFrameOf(button, QRectF(QPointF(kListAreaWidth, frame.y()), frame.size()));
        button->raise();
    }
    if (window != nullptr) {
        const QSizeF min = window->minSize();
        window->setMinSize(QSizeF(min.width() + kListAreaWidth, min.height()));
        const QRectF frame = window->frame();
        if (frame.width() < window->minSize().width())
            window->setFrame(QRectF(frame.topLeft(), QSizeF(window->minSize().width(), frame.height())),
                             true);
    }
}

void MainViewController::setSpeakerList(const std::vector<SpeakerInfoRef>& speakers) {
    if (mSpeakerListView != nullptr) mSpeakerListView->setSpeakerList(speakers);
}

void MainViewController::setReserveList(const std::vector<UserInfoRef>& reservers) {
    if (mWaitingListView == nullptr) return;
    mWaitingListView->setReserverList(reservers);
    // The own floor stays shown while the list changes.
    if (mIsSpeaker && myUserId() != mOwnerUserIdStr) mWaitingListView->becameSpeaker();
}

void MainViewController::changeReserveState(bool reserved) {
    if (mWaitingListView == nullptr) return;
    if (reserved) {
        mWaitingListView->successReserve();
    } else {
        mWaitingListView->cancelReserve();
    }
}

void MainViewController::hideMyVideo(bool hidden) {
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr) mMyVideo->video()->setHidden(hidden);
}

// --- the lists' requests --------------------------------------------------------

Menu* MainViewController::makePopupReserverMenu(const UserInfoRef& user) {
    return delegate_ != nullptr ? delegate_->makePopupReserverMenu(user) : nullptr;
}

void MainViewController::permitSpeech(const UserInfoRef& user) {
    if (delegate_ != nullptr) delegate_->changeReserveState(true, user);
}

void MainViewController::rejectSpeechReserve(const UserInfoRef& user) {
    if (delegate_ != nullptr) delegate_->changeReserveState(false, user);
}

void MainViewController::reserveSpeech() {
    if (delegate_ != nullptr) delegate_->reserveSpeech(false);
}

void MainViewController::cancelReserveSpeech() {
    if (delegate_ != nullptr) delegate_->reserveSpeech(true);
}

Menu* MainViewController::makePopupSpeakerMenu(const SpeakerInfoRef& speaker) {
    return delegate_ != nullptr ? delegate_->makePopupSpeakerMenu(speaker) : nullptr;
}

void MainViewController::stopSpeech() {
    if (delegate_ != nullptr) delegate_->stopSpeech();
}

void MainViewController::endSpeech(const SpeakerInfoRef& speaker) {
    if (delegate_ != nullptr) delegate_->endSpeech(speaker);
}
