// The chair's permission window: one row per participant of the permission
// table and one check column per function enabled locally. Ticks change the
// table's entries at once (through the table, under its lock) and are sent
// only when the user applies them; closing without applying puts them back.
// A select-all row (types without a maximum), a search over ids and names,
// a sort by a function column, and a 3-second pause of the apply button after
// each apply. Pending changes name their participant's entry; a participant
// who left the table before the apply has its change dropped, never sent nor
// put back. Main thread only.
#pragma once

#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <memory>
#include <vector>

#include "permission/PermissionInfo.h"
#include "permission/PermissionNotificator.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class PermissionSetWindowController;

class PermissionSetWindowControllerDelegate {
public:
    virtual ~PermissionSetWindowControllerDelegate() = default;
    virtual void sendPermissionChangeReq(const PermissionDataList& list) = 0;
    virtual void onClosePermissionSetWindow(PermissionSetWindowController* window) = 0;
};

// One pending change: the entry and its permit word before the first change
// since the last apply.
struct PermissionSetWindowChangeUser {
    std::weak_ptr<PermissionData> user;
    int beforePermitFlgs = 0;
};

class PermissionSetWindowController : public QWidget, public PermissionNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    static constexpr int kUserColumnWidth = 260;
    static constexpr int kRowHeight = 30;
    static constexpr int kApplyPauseMs = 3000;
    // The content width for `enabledCount` functions: 176 each plus 302, from 500 to 964.
    static int contentWidthFor(int enabledCount);
    // The column identifier of a type, and the type of an identifier (-1 for the user column).
    static QString columnIdForType(int type);
    static int typeForColumnId(const QString& columnId);
    // The check cell's button type: 3 not enabled, 1 granted, 2 full, 0 free.
    static int cellType(const PermissionData::Values& entry, int type, bool typeFull);

    PermissionSetWindowController(PermissionInfo* permissionInfo, const QVariantMap& configDict,
                                  QWidget* parent = nullptr);
    ~PermissionSetWindowController() override;

    void setDelegate(PermissionSetWindowControllerDelegate* delegate) { delegate_ = delegate; }

    // Actions (as the cells, the button and the search field call them).
    void onClickUserCheckBtn(const QString& userId, int type);
    void onClickAllChekBtn(int type);
    void onClickApply();
    void onEnteredSearchBar();
    void tableViewDidClickTableColumn(const QString& columnId);

    // PermissionNotificatorDispatcherDelegate
    void didChangePermissionList(const PermissionDataList& list) override;
    void didChangePermissionData(const PermissionDataRef& data) override;

    const PermissionDataList& dispList() const { return dispList_; }
    const std::vector<PermissionSetWindowChangeUser>& changeList() const { return changeList_; }
    bool isSearching() const { return isSearching_; }
    bool isApplyPauseRunning() const { return applyPauseRunning_; }
    QTableWidget* settingTable() const { return settingTable_; }
    QPushButton* applyButton() const { return applyButton_; }
    QLineEdit* searchField() const { return searchField_; }
    QLabel* searchResultLabel() const { return searchResultLabel_; }
    std::vector<int> enabledTypes() const { return enabledTypes_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void buildColumns();
    void reloadData();
    void updateDispList();
    void updateChangeList(const PermissionDataRef& entry, int beforeFlgs);
    void dropDepartedChanges();
    void updateApplyButton();
    void windowWillClose();
    QWidget* makeSelectAllCell(int type);
    QWidget* makeCheckCell(const PermissionData::Values& entry, int type);

    PermissionInfo* permissionInfo_;
    PermissionDataList dispList_;
    std::vector<PermissionSetWindowChangeUser> changeList_;
    bool isSearching_ = false;
    QString sortColumnId_;
    bool applyPauseRunning_ = false;
    int applyPauseGeneration_ = 0;
    std::vector<int> enabledTypes_;
    bool closed_ = false;
    std::unique_ptr<PermissionNotificatorDispatcher> mNotificator;
    PermissionSetWindowControllerDelegate* delegate_ = nullptr;
    QTableWidget* settingTable_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QLabel* searchResultLabel_ = nullptr;
    QLabel* cautionLabel_ = nullptr;
    QPushButton* applyButton_ = nullptr;
};
