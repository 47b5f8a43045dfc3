#include "conference/SpeakerListView.h"

#include <algorithm>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Menu.h"

SpeakerListView::SpeakerListView(const QRectF& frame, QWidget* parent)
    : FloorListView(frame, LocalizedString("dfMAINVIEW_SELECT_LIST2"), true, parent) {
    setObjectName(QStringLiteral("speakerListView"));
    const double w = frame.width();
    const double buttonWidth = (w - 10) / 2 - 10;
    mDoneBtn = makeFuncBtn(QRectF((w - buttonWidth) / 2, 10, buttonWidth, 20),
                           LocalizedString("dfSPEAKER_STOP"), QStringLiteral("speakerDoneButton"));
    connect(mDoneBtn, &QPushButton::clicked, this, [this] { onClickDoneBtn(); });
    mDoneBtn->setEnabled(false);
}

std::vector<UserInfoRef> SpeakerListView::rowUsers() const {
    return std::vector<UserInfoRef>(mListArry.begin(), mListArry.end());
}

void SpeakerListView::setParams(const QString& ownerId, const UserInfoRef& myUserInfo) {
    mOwnerUserIdStr = ownerId;
    mMyUserInfo = myUserInfo;
    if (isOwner()) mDoneBtn->setText(LocalizedString("dfREMOVE"));
    setDoneBtn();
}

void SpeakerListView::setSpeakerList(const std::vector<SpeakerInfoRef>& speakers) {
    mListArry = speakers;
    reloadData();
    setDoneBtn();
}

void SpeakerListView::didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& speakerList) {
    setSpeakerList(speakerList);
}

void SpeakerListView::changeSpeechState(bool speaking) {
    mainQueue().async(this, [this, speaking] { mDoneBtn->setEnabled(speaking); });
}

void SpeakerListView::setDoneBtn() {
    if (isOwner()) {
        mDoneBtn->setEnabled(!mListArry.empty());
        return;
    }
    mDoneBtn->setEnabled(std::any_of(mListArry.begin(), mListArry.end(),
                                     [this](const SpeakerInfoRef& s) { return isOwnUser(s); }));
}

void SpeakerListView::onClickDoneBtn() {
    if (isOwner()) {
        const int row = validSelectedRow();
        if (row < 0) return;
        if (delegate_ != nullptr) delegate_->endSpeech(mListArry[size_t(row)]);
    } else {
        if (delegate_ != nullptr) delegate_->stopSpeech();
        mDoneBtn->setEnabled(false);
    }
    deselectRow();
}

void SpeakerListView::rightMouseDown() {
    if (miSelectedRow < 0) return;
    const int row = validSelectedRow();
    if (row < 0) {
        deselectRow();
        return;
    }
    if (delegate_ == nullptr) return;
    if (Menu* menu = delegate_->makePopupSpeakerMenu(mListArry[size_t(row)])) menu->popUpAtMouse();
}
