#pragma once

// What the two floor lists of the seminar list pane share: a two-column
// table of names ("icon" and "username") in a scroll area above a row of
// buttons, the selected row (-1 none, -99 the own row, else the row), the
// own participant and the room owner's id, and the list notifications that
// keep the shown list current. The shown list is the view's own copy.
//
// Geometry is bottom-up (origin at the lower left of the view).

#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <memory>

#include "model/ListNotificator.h"
#include "model/UserInfo.h"
#include "platform/View.h"

class FloorListView : public View, public ListNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    static constexpr qint64 kNoSelection = -1;
    static constexpr qint64 kOwnRowSelected = -99;

    FloorListView(const QRectF& frame, const QString& headerTitle, bool ownerIcon, QWidget* parent = nullptr);
    ~FloorListView() override;

    QTableWidget* tableView() const { return mTableview; }
    qint64 selectedRow() const { return miSelectedRow; }
    void deselectRow();
    // Selects a row as the user's click does.
    void selectRow(int row);
    int numberOfRows() const { return int(rowUsers().size()); }

    // Makes a button with the frame and title, added to this view.
    QPushButton* makeFuncBtn(const QRectF& frame, const QString& title, const QString& name);

protected:
    virtual std::vector<UserInfoRef> rowUsers() const = 0;
    bool isOwner() const;
    bool isOwnUser(const UserInfoRef& user) const;
    // The selected row's entry (none for no selection, the own row or a row
    // the shrunken list no longer has).
    int validSelectedRow() const;
    void reloadData();
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    virtual void rightMouseDown() = 0;

    QTableWidget* mTableview = nullptr;
    qint64 miSelectedRow = kNoSelection;
    UserInfoRef mMyUserInfo;
    QString mOwnerUserIdStr;
    std::unique_ptr<ListNotificatorDispatcher> mNotificator;

private:
    const bool ownerIcon_;
};
