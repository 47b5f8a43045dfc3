#pragma once

// The speaker list of the seminar list pane: who has the floor (the owner's
// row marked), with one button. For the room owner it ends the selected
// speaker's floor; for anybody else it ends the own floor.

#include "conference/FloorListView.h"
#include "model/SpeakerInfo.h"

class Menu;

class SpeakerListViewDelegate {
public:
    virtual ~SpeakerListViewDelegate() = default;
    virtual Menu* makePopupSpeakerMenu(const SpeakerInfoRef& speaker) = 0;
    virtual void stopSpeech() = 0;
    virtual void endSpeech(const SpeakerInfoRef& speaker) = 0;
};

class SpeakerListView : public FloorListView {
    Q_OBJECT

public:
    explicit SpeakerListView(const QRectF& frame, QWidget* parent = nullptr);

    void setParams(const QString& ownerId, const UserInfoRef& myUserInfo);
    void setSpeakerList(const std::vector<SpeakerInfoRef>& speakers);
    const std::vector<SpeakerInfoRef>& speakerList() const { return mListArry; }
    // Any thread: the button changes on the main queue.
    void changeSpeechState(bool speaking);
    void setDoneBtn();
    void onClickDoneBtn();

    // Held weakly.
    void setDelegate(SpeakerListViewDelegate* delegate) { delegate_ = delegate; }
    QPushButton* doneButton() const { return mDoneBtn; }

    void didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& speakerList) override;

protected:
    std::vector<UserInfoRef> rowUsers() const override;
    void rightMouseDown() override;

private:
    QPushButton* mDoneBtn = nullptr;
    std::vector<SpeakerInfoRef> mListArry;
    SpeakerListViewDelegate* delegate_ = nullptr;
};
