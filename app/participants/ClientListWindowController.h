// The participant window of a webinar: three tabs with the audience (the own
// user first), the speakers and the waiting list, and the chair's buttons to
// end a speaker's floor and to allow or deny a reservation. Like the list
// window it keeps its own copies of the lists, each replaced as a whole from
// a notice's snapshot on the main thread, and only the copies are shown.
//
// A table that becomes the focus while it has a selected row opens the user
// menu of that row at the mouse and is deselected: a click into another
// table acts on the row chosen there before.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <memory>
#include <optional>
#include <vector>

#include "model/ListNotificator.h"
#include "model/SpeakerInfo.h"
#include "model/UserInfo.h"
#include "participants/ListWindow.h"
#include "platform/Window.h"

class Menu;
class QPushButton;
class QTabWidget;
class QTableWidget;

class ClientListWindowDelegate {
public:
    virtual ~ClientListWindowDelegate() = default;
    virtual Menu* makePopupClientMenu(const UserInfoRef& user) = 0;
    virtual Menu* makePopupSpeakerMenu(const UserInfoRef& user) = 0;
    virtual Menu* makePopupReserverMenu(const UserInfoRef& user) = 0;
    virtual void closeListWindow(const QRectF& frame) = 0;
    // The chair ends this speaker's floor.
    virtual void endSpeech(const SpeakerInfoRef& speaker) = 0;
    // The chair's answer to a reservation.
    virtual void changeReserveState(bool permit, const UserInfoRef& user) = 0;
};

class ClientListWindowController : public QObject,
                                   public WindowDelegate,
                                   public ListNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    // A selected speaker row that stands for the own user.
    static constexpr int kOwnSpeakerRow = -99;

    ClientListWindowController(const QRectF& frame, UserInfoRef myInfo, const QString& ownerId,
                               int roomCategory, bool captainFree, bool webinar, QObject* parent = nullptr);
    ~ClientListWindowController() override;

    void setListArray(const std::vector<UserInfoRef>& clientList);
    void setListArray(const std::vector<UserInfoRef>& clientList,
                      const std::vector<SpeakerInfoRef>& speakerList,
                      const std::vector<UserInfoRef>& reserveList);
    void setClientListDelegate(ClientListWindowDelegate* delegate) { clientListDelegate_ = delegate; }

    // The audience table's mark of a participant: the chair; while anyone
    // speaks, a speaker, else a waiting participant.
    static ListMark clientMarkFor(const QString& userId, const QString& ownerId,
                                  const std::vector<SpeakerInfoRef>& speakers,
                                  const std::vector<UserInfoRef>& reservers);

    // The table became the focus: the menu of its selected row (none: no menu).
    Menu* validateFirstResponder(QTableWidget* table);
    void onClickRemoveBtn();
    void onClickAllowBtn();
    void onClickDenyBtn();

    int selectedRow() const { return miSelectedRow; }
    UserInfoRef clientAt(int row) const;  // row 0: the own user
    Window* window() const { return window_; }
    QTabWidget* tabView() const { return tabs_; }
    QTableWidget* clientTable() const { return clientTable_; }
    QTableWidget* speakerTable() const { return speakerTable_; }
    QTableWidget* reserveTable() const { return reserveTable_; }
    QPushButton* removeBtn() const { return removeBtn_; }
    QPushButton* allowBtn() const { return allowBtn_; }
    QPushButton* denyBtn() const { return denyBtn_; }

    // Set while the window reports its closing.
    bool isClosing() const { return closing_; }

    // WindowDelegate
    void windowWillClose(Window* window) override;
    // ListNotificatorDispatcherDelegate
    void didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& speakerList) override;
    void didChangeClient(ListNotificatorDispatcher*, const UserInfoList& clientList) override;
    void didChangeReserver(ListNotificatorDispatcher*, const UserInfoList& reserverList) override;
    void didChangeOwner(ListNotificatorDispatcher*, const QString& ownerId) override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QTableWidget* makeTable(const char* name, bool withIcon);
    void reloadClientTable();
    void reloadSpeakerTable();
    void reloadReserveTable();
    void updateRemoveBtn();
    void updateReserveBtns();
    void deselectAll();
    UserInfoRef userOfRow(QTableWidget* table, int row) const;
    void keepSelection(QTableWidget* table);
    bool isChair() const;

    QPointer<Window> window_;
    QTabWidget* tabs_ = nullptr;
    QTableWidget *clientTable_ = nullptr, *speakerTable_ = nullptr, *reserveTable_ = nullptr;
    QPushButton *removeBtn_ = nullptr, *allowBtn_ = nullptr, *denyBtn_ = nullptr;
    UserInfoRef mMyUserInfo;
    QString mOwnerUserIdStr;
    int miRoomCategory = 0;
    bool mbIsCaptainFree = false;
    bool mbIsWebinar = true;
    int miSelectedRow = -1;
    bool reloading_ = false;
    QTableWidget* selectedTable_ = nullptr;
    std::optional<QString> selectedUserId_;
    std::vector<UserInfoRef> mListArry, mReserveListArray;
    std::vector<SpeakerInfoRef> mSpeakerListArray;
    std::unique_ptr<ListNotificatorDispatcher> mNotificator;
    bool closing_ = false;
    ClientListWindowDelegate* clientListDelegate_ = nullptr;
};
