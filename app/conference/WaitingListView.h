#pragma once

// The reservation list of the seminar list pane: the participants who asked
// for the floor, with a request and a cancel button. For the room owner the
// buttons permit or reject the selected participant's request; for anybody
// else they reserve the floor or withdraw the own reservation.

#include "conference/FloorListView.h"

class Menu;

class WaitingListViewDelegate {
public:
    virtual ~WaitingListViewDelegate() = default;
    virtual Menu* makePopupReserverMenu(const UserInfoRef& user) = 0;
    virtual void permitSpeech(const UserInfoRef& user) = 0;
    virtual void rejectSpeechReserve(const UserInfoRef& user) = 0;
    virtual void reserveSpeech() = 0;
    virtual void cancelReserveSpeech() = 0;
};

class WaitingListView : public FloorListView {
    Q_OBJECT

public:
    explicit WaitingListView(const QRectF& frame, QWidget* parent = nullptr);

    void setParams(const QString& ownerId, const UserInfoRef& myUserInfo);
    void setReserverList(const std::vector<UserInfoRef>& reservers);
    const std::vector<UserInfoRef>& reserverList() const { return mListArry; }
    // The own reservation was accepted / ended; the own user got the floor.
    void successReserve();
    void cancelReserve();
    void becameSpeaker();
    void btnsSetForMainUser();

    void onClickRequestBtn();
    void onClickCancelBtn();

    // Held weakly.
    void setDelegate(WaitingListViewDelegate* delegate) { delegate_ = delegate; }
    QPushButton* requestButton() const { return mRequestBtn; }
    QPushButton* cancelButton() const { return mCancelBtn; }

    void didChangeReserver(ListNotificatorDispatcher*, const UserInfoList& reserverList) override;

protected:
    std::vector<UserInfoRef> rowUsers() const override { return mListArry; }
    void rightMouseDown() override;

private:
    QPushButton* mRequestBtn = nullptr;
    QPushButton* mCancelBtn = nullptr;
    std::vector<UserInfoRef> mListArry;
    WaitingListViewDelegate* delegate_ = nullptr;
};
