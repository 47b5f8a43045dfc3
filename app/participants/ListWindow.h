// The participant list beside the conference window in every room that is
// not a webinar: the speakers of a normal or many-meeting room (the own user
// first), or the own user and the audience of a seminar room. It keeps its
// own copy of the list, replaced as a whole from the snapshot that each list
// notice carries (always on the main thread), marks the chair and opens the
// user menu of a participant on a right click.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRectF>
#include <memory>
#include <optional>
#include <vector>

#include "model/ListNotificator.h"
#include "model/UserInfo.h"
#include "platform/Window.h"

class Menu;
class QTableWidget;

class ListWindowDelegate {
public:
    virtual ~ListWindowDelegate() = default;
    // The menu to show for a participant (none: no menu).
    virtual Menu* makePopupClientMenu(const UserInfoRef& user) = 0;
    // The window is closing; `frame` is where it stood.
    virtual void closeListWindow(const QRectF& frame) = 0;
};

// The marks of the list windows' icon columns.
enum class ListMark { None, Chair, Speaking, Waiting };

class ListWindow : public QObject, public WindowDelegate, public ListNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    explicit ListWindow(const QRectF& frame, QObject* parent = nullptr);
    ~ListWindow() override;

    // Builds the content and starts following the list notices.
    void makeListView(UserInfoRef myInfo, const QString& ownerId, int roomCategory, bool captainFree,
                      bool webinar);
    void setListArray(const std::vector<UserInfoRef>& list);
    void deselectRow();
    void setListDelegate(ListWindowDelegate* delegate) { listDelegate_ = delegate; }

    // The mark of a participant: the chair's unless the room has no chair.
    static ListMark markFor(const QString& userId, const QString& ownerId, bool captainFree);
    // The picture of a mark at its size (null for none): the chair and the
    // speaker 12 x 12 points, the raised hand 25 x 25.
    static QPixmap markImage(ListMark mark);

    // The participant of a row (row 0 of a seminar room is the own user);
    // none outside the rows.
    UserInfoRef userAt(int row) const;
    int numberOfRows() const;
    int selectedRow() const { return miSelectedRow; }
    QString ownerId() const { return mOwnerUserIdStr; }
    // A right click on the table: the selected row's menu at `globalPos`
    // (the menu shown, none when no menu opened).
    Menu* rightClick(const QPoint& globalPos);

    Window* window() const { return window_; }
    QTableWidget* table() const { return table_; }

    // Set while the window reports its closing.
    bool isClosing() const { return closing_; }

    // WindowDelegate
    void windowWillClose(Window* window) override;
    // ListNotificatorDispatcherDelegate
    void didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& speakerList) override;
    void didChangeClient(ListNotificatorDispatcher*, const UserInfoList& clientList) override;
    void didChangeOwner(ListNotificatorDispatcher*, const QString& ownerId) override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reloadData();
    bool seminar() const;

    QPointer<Window> window_;
    QTableWidget* table_ = nullptr;
    UserInfoRef mMyUserInfo;
    QString mOwnerUserIdStr;
    int miRoomCategory = 0;
    bool mbIsCaptainFree = false;
    bool mbIsWebinar = false;
    int miSelectedRow = -1;
    std::optional<QString> selectedUserId_;
    bool reloading_ = false;
    std::vector<UserInfoRef> mListArry;
    std::unique_ptr<ListNotificatorDispatcher> mNotificator;
    bool closing_ = false;
    ListWindowDelegate* listDelegate_ = nullptr;
};
