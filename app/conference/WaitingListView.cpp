#include "conference/WaitingListView.h"

#include <algorithm>

#include "platform/Localization.h"
#include "platform/Menu.h"

WaitingListView::WaitingListView(const QRectF& frame, QWidget* parent)
    : FloorListView(frame, LocalizedString("dfMAINVIEW_SELECT_LIST3"), false, parent) {
    setObjectName(QStringLiteral("waitingListView"));
    const double x = 0, y = 0, w = frame.width();
    const double buttonWidth = (w - 10) / 2 - 10;
    mRequestBtn = makeFuncBtn(QRectF(x + 5, y + 10, buttonWidth, 20), LocalizedString("dfRESVATION"),
                              QStringLiteral("waitingRequestButton"));
    mCancelBtn = makeFuncBtn(QRectF(x + 5 + (w - 10) / 2 + 10, y + 10, buttonWidth, 20),
                             LocalizedString("dfRESAVTION_CANCEL"), QStringLiteral("waitingCancelButton"));
    connect(mRequestBtn, &QPushButton::clicked, this, [this] { onClickRequestBtn(); });
    connect(mCancelBtn, &QPushButton::clicked, this, [this] { onClickCancelBtn(); });
    mRequestBtn->setEnabled(true);
    mCancelBtn->setEnabled(false);
}

void WaitingListView::setParams(const QString& ownerId, const UserInfoRef& myUserInfo) {
    mOwnerUserIdStr = ownerId;
    mMyUserInfo = myUserInfo;
    if (isOwner()) mRequestBtn->setText(LocalizedString("dfALLOW"));
    btnsSetForMainUser();
}

void WaitingListView::setReserverList(const std::vector<UserInfoRef>& reservers) {
    mListArry = reservers;
    reloadData();
    btnsSetForMainUser();
}

void WaitingListView::didChangeReserver(ListNotificatorDispatcher*, const UserInfoList& reserverList) {
    setReserverList(reserverList);
}

void WaitingListView::successReserve() {
    mRequestBtn->setEnabled(false);
    mCancelBtn->setEnabled(true);
}

void WaitingListView::cancelReserve() {
    mRequestBtn->setEnabled(true);
    mCancelBtn->setEnabled(false);
}

void WaitingListView::becameSpeaker() {
    mRequestBtn->setEnabled(false);
    mCancelBtn->setEnabled(false);
}

void WaitingListView::btnsSetForMainUser() {
    if (isOwner()) {
        const bool any = !mListArry.empty();
        mRequestBtn->setEnabled(any);
        mCancelBtn->setEnabled(any);
        return;
    }
    const bool listed = std::any_of(mListArry.begin(), mListArry.end(),
                                    [this](const UserInfoRef& u) { return isOwnUser(u); });
    mRequestBtn->setEnabled(!listed);
    mCancelBtn->setEnabled(listed);
}

void WaitingListView::onClickRequestBtn() {
    if (isOwner()) {
        const int row = validSelectedRow();
        if (row < 0) return;
        if (delegate_ != nullptr) delegate_->permitSpeech(mListArry[size_t(row)]);
    } else if (delegate_ != nullptr) {
        delegate_->reserveSpeech();
    }
    deselectRow();
}

void WaitingListView::onClickCancelBtn() {
    if (isOwner()) {
        const int row = validSelectedRow();
        if (row < 0) return;
        if (delegate_ != nullptr) delegate_->rejectSpeechReserve(mListArry[size_t(row)]);
    } else if (delegate_ != nullptr) {
        delegate_->cancelReserveSpeech();
    }
    deselectRow();
}

void WaitingListView::rightMouseDown() {
    const int row = validSelectedRow();
    if (row < 0 || delegate_ == nullptr) return;
    if (Menu* menu = delegate_->makePopupReserverMenu(mListArry[size_t(row)])) menu->popUpAtMouse();
}
