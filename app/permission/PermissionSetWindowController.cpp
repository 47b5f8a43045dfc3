#include "permission/PermissionSetWindowController.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "ui/CustomCheckButton.h"

namespace {

constexpr int kMinContentWidth = 500;
constexpr int kMaxContentWidth = 964;
constexpr int kContentHeight = 420;
constexpr int kMargin = 20;
const QString kUserColumnId = QStringLiteral("id_user_name_column");

QString FunctionName(int type) {
    switch (type) {
        case PERMISSION_TYPE_DS:
            return LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_DOCSHARE");
        case PERMISSION_TYPE_AS:
            return LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_APPSHARE");
        default:
            return LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_REMOTESTG");
    }
}

QColor Grey(double white) {
    return QColor::fromRgbF(float(white), float(white), float(white));
}

QVariantMap CheckImages() {
    QVariantMap images;
    if (const auto check = MainBundle::pathForResource(QStringLiteral("check_mark"), QStringLiteral("png")))
        images.insert(QStringLiteral("CustomButtonKeyChecked"), *check);
    if (const auto hyphen = MainBundle::pathForResource(QStringLiteral("hyphen_mark"), QStringLiteral("png")))
        images.insert(QStringLiteral("CustomButtonKeyDisabled"), *hyphen);
    return images;
}

}  // namespace

int PermissionSetWindowController::contentWidthFor(int enabledCount) {
    return std::clamp(176 * enabledCount + 302, kMinContentWidth, kMaxContentWidth);
}

QString PermissionSetWindowController::columnIdForType(int type) {
    switch (type) {
        case PERMISSION_TYPE_DS:
            return QStringLiteral("id_ds_column");
        case PERMISSION_TYPE_AS:
            return QStringLiteral("id_as_column");
        case PERMISSION_TYPE_REMOTESTG:
            return QStringLiteral("id_remotestg_column");
        default:
            return kUserColumnId;
    }
}

int PermissionSetWindowController::typeForColumnId(const QString& columnId) {
    for (int type = 0; type < kPermissionTypeCount; ++type)
        if (columnIdForType(type) == columnId) return type;
    return -1;
}

int PermissionSetWindowController::cellType(const PermissionData::Values& entry, int type, bool typeFull) {
    if (!PermissionInfo::checkPermissionFlg(entry.enableFlgs, type)) return CustomCheckButton::Invalid;
    if (PermissionInfo::checkPermissionFlg(entry.permitFlgs, type)) return CustomCheckButton::Checked;
    return typeFull ? CustomCheckButton::Disabled : CustomCheckButton::Normal;
}

PermissionSetWindowController::PermissionSetWindowController(PermissionInfo* permissionInfo,
                                                             const QVariantMap&, QWidget* parent)
    : QWidget(parent, Qt::Window),
      permissionInfo_(permissionInfo),
      dispList_(permissionInfo->permissionList()),
      sortColumnId_(kUserColumnId) {
    setObjectName(QStringLiteral("PermissionSetWindow"));
    windowDidLoad();
}

PermissionSetWindowController::~PermissionSetWindowController() {
    if (mNotificator) mNotificator->setDelegate(nullptr);
}

void PermissionSetWindowController::windowDidLoad() {
    setWindowTitle(LocalizedString("dfUSER_PERMISSION_WINDOW_TITLE"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Grey(0.98));
    setPalette(pal);

    if (const PermissionDataRef me = permissionInfo_->myInfo())
        for (int type = 0; type < kPermissionTypeCount; ++type)
            if (me->getEnable(type)) enabledTypes_.push_back(type);
    const int width = contentWidthFor(int(enabledTypes_.size()));
    setFixedSize(width, kContentHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, 12, kMargin, 12);
    cautionLabel_ = new QLabel(LocalizedString("dfUSER_PERMISSION_WINDOW_CAUTION"), this);
    cautionLabel_->setObjectName(QStringLiteral("cautionLabel"));
    cautionLabel_->setStyleSheet(QStringLiteral("color: red;"));
    layout->addWidget(cautionLabel_);

    auto* searchRow = new QHBoxLayout();
    searchField_ = new QLineEdit(this);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceholderText(LocalizedString("dfUSER_PERMISSION_WINDOW_SEARCH_GUIDE"));
    searchRow->addWidget(searchField_);
    searchResultLabel_ = new QLabel(LocalizedString("dfUSER_PERMISSION_WINDOW_SEARCH_RESULT_NOUSER"), this);
    searchResultLabel_->setObjectName(QStringLiteral("searchResultLabel"));
    searchResultLabel_->hide();
    searchRow->addWidget(searchResultLabel_);
    layout->addLayout(searchRow);

    settingTable_ = new QTableWidget(this);
    settingTable_->setObjectName(QStringLiteral("settingTable"));
    settingTable_->setSelectionMode(QAbstractItemView::NoSelection);
    settingTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    settingTable_->setFocusPolicy(Qt::NoFocus);
    settingTable_->verticalHeader()->hide();
    settingTable_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    settingTable_->setShowGrid(false);
    settingTable_->setHorizontalScrollBarPolicy(width >= kMaxContentWidth ? Qt::ScrollBarAsNeeded
                                                                          : Qt::ScrollBarAlwaysOff);
    layout->addWidget(settingTable_, 1);

    auto* buttonRow = new QHBoxLayout();
    buttonRow->addStretch(1);
    applyButton_ = new QPushButton(LocalizedString("dfUSER_PERMISSION_WINDOW_APPLY_BUTTON"), this);
    applyButton_->setObjectName(QStringLiteral("applyButton"));
    applyButton_->setEnabled(false);
    applyButton_->setFocusPolicy(Qt::NoFocus);
    buttonRow->addWidget(applyButton_);
    layout->addLayout(buttonRow);

    connect(searchField_, &QLineEdit::textChanged, this, [this] { onEnteredSearchBar(); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { onClickApply(); });
    connect(settingTable_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        const QTableWidgetItem* header = settingTable_->horizontalHeaderItem(column);
        if (header) tableViewDidClickTableColumn(header->data(Qt::UserRole).toString());
    });

    buildColumns();
    mNotificator =
        std::make_unique<PermissionNotificatorDispatcher>(PermissionNotificator::sharedNotificator());
    mNotificator->setDelegate(this);
    reloadData();
}

void PermissionSetWindowController::buildColumns() {
    settingTable_->setColumnCount(0);
    settingTable_->setColumnCount(int(1 + enabledTypes_.size()));
    auto* user = new QTableWidgetItem(LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_USER"));
    user->setData(Qt::UserRole, kUserColumnId);
    user->setToolTip(LocalizedString("dfUSER_PERMISSION_WINDOW_COLUMN_USER_TOOLTIP"));
    settingTable_->setHorizontalHeaderItem(0, user);
    settingTable_->setColumnWidth(0, kUserColumnWidth);
    const int tableWidth = width() - 2 * kMargin;
    const int count = int(enabledTypes_.size());
    for (int i = 0; i < count; ++i) {
        const int type = enabledTypes_[size_t(i)];
        const QString name = FunctionName(type);
        auto* header = new QTableWidgetItem(name);
        header->setData(Qt::UserRole, columnIdForType(type));
        header->setToolTip(LocalizedFormat("dfUSER_PERMISSION_WINDOW_COLUMN_FUNC_TOOLTIP", name));
        QFont font = header->font();
        font.setBold(true);
        font.setPointSize(11);
        header->setFont(font);
        header->setForeground(Grey(0.25));
        header->setTextAlignment(Qt::AlignCenter);
        settingTable_->setHorizontalHeaderItem(i + 1, header);
        settingTable_->setColumnWidth(i + 1, std::min(704, (tableWidth - kUserColumnWidth) / count));
    }
}

QWidget* PermissionSetWindowController::makeSelectAllCell(int type) {
    const int max = permissionInfo_->getPermissionMax(type);
    const QString column = columnIdForType(type);
    if (max != -1) {
        auto* label = new QPushButton(LocalizedFormat("dfUSER_PERMISSION_WINDOW_CELL_MAX", max));
        label->setObjectName(QStringLiteral("max_") + column);
        label->setFlat(true);
        label->setToolTip(LocalizedFormat("dfUSER_PERMISSION_WINDOW_CELL_MAX_TOOPTIP", max));
        return label;
    }
    bool all = true;
    for (const PermissionDataRef& e : dispList_) {
        const PermissionData::Values v = e->snapshot();
        if (PermissionInfo::checkPermissionFlg(v.enableFlgs, type) &&
            !PermissionInfo::checkPermissionFlg(v.permitFlgs, type))
            all = false;
    }
    auto* button = new CustomCheckButton();
    button->setObjectName(QStringLiteral("select_all_") + column);
    button->setText(QStringLiteral("    ") + LocalizedString("dfUSER_PERMISSION_WINDOW_CELL_SELECT_ALL"));
    QFont font = button->font();
    font.setBold(true);
    font.setPointSize(12);
    button->setFont(font);
    button->setStyleSheet(QStringLiteral("color: rgb(77, 77, 77);"));
    button->setImageResources(CheckImages());
    button->setType(all ? CustomCheckButton::Checked : CustomCheckButton::Normal);
    button->setToolTip(all ? LocalizedString("dfUSER_PERMISSION_WINDOW_CELL_DESELECT_ALL_TOOPTIP")
                           : LocalizedString("dfUSER_PERMISSION_WINDOW_CELL_SELECT_ALL_TOOPTIP"));
    button->setProperty("tag", type);
    connect(button, &QPushButton::clicked, this, [this, type] { onClickAllChekBtn(type); });
    return button;
}

QWidget* PermissionSetWindowController::makeCheckCell(const PermissionData::Values& entry, int type) {
    auto* button = new CustomCheckButton();
    button->setObjectName(QStringLiteral("check_%1_%2").arg(columnIdForType(type), entry.userId));
    button->setImageResources(CheckImages());
    button->setType(cellType(entry, type, permissionInfo_->isPermissionMax(type)));
    button->setProperty("identifier", entry.userId);
    button->setProperty("tag", type);
    const QString userId = entry.userId;
    connect(button, &QPushButton::clicked, this, [this, userId, type] { onClickUserCheckBtn(userId, type); });
    return button;
}

void PermissionSetWindowController::reloadData() {
    const int offset = isSearching_ ? 0 : 1;
    // The table deletes replaced cells later (a cell may be the sender of the
    // click being handled); until then they must not be mistaken for the new ones.
    for (int row = 0; row < settingTable_->rowCount(); ++row)
        for (int column = 0; column < settingTable_->columnCount(); ++column)
            if (QWidget* old = settingTable_->cellWidget(row, column)) {
                old->setObjectName(QString());
                old->hide();
            }
    settingTable_->clearContents();
    settingTable_->setRowCount(int(dispList_.size()) + offset);
    const PermissionDataRef me = permissionInfo_->myInfo();
    const int columns = settingTable_->columnCount();
    for (int row = 0; row < settingTable_->rowCount(); ++row) {
        const bool selectRow = row < offset;
        const PermissionDataRef entry = selectRow ? nullptr : dispList_[size_t(row - offset)];
        const PermissionData::Values v = entry ? entry->snapshot() : PermissionData::Values{};
        QColor background = row % 2 == 1 ? Grey(0.98) : QColor::fromRgbF(0.87f, 0.95f, 0.99f);
        if (entry && !v.isSupportFunc) background = Grey(0.8);
        for (int column = 0; column < columns; ++column) {
            auto* item = new QTableWidgetItem();
            item->setBackground(background);
            item->setFlags(Qt::ItemIsEnabled);
            settingTable_->setItem(row, column, item);
        }
        if (selectRow) {
            for (size_t i = 0; i < enabledTypes_.size(); ++i)
                settingTable_->setCellWidget(row, int(i + 1), makeSelectAllCell(enabledTypes_[i]));
            continue;
        }
        auto* name = new QLabel(v.userName);
        name->setObjectName(QStringLiteral("name_") + v.userId);
        name->setContentsMargins(6, 0, 6, 0);
        name->setText(name->fontMetrics().elidedText(v.userName, Qt::ElideRight, kUserColumnWidth - 14));
        if (entry == me) name->setStyleSheet(QStringLiteral("color: blue;"));
        name->setToolTip(v.userId.startsWith(u'/') ? QStringLiteral("---") : v.userId);
        settingTable_->setCellWidget(row, 0, name);
        for (size_t i = 0; i < enabledTypes_.size(); ++i)
            settingTable_->setCellWidget(row, int(i + 1), makeCheckCell(v, enabledTypes_[i]));
    }
}

void PermissionSetWindowController::onClickUserCheckBtn(const QString& userId, int type) {
    const auto shown = std::find_if(dispList_.begin(), dispList_.end(),
                                    [&](const PermissionDataRef& e) { return e->userId() == userId; });
    if (shown == dispList_.end()) return;
    const int current = cellType((*shown)->snapshot(), type, permissionInfo_->isPermissionMax(type));
    if (current != CustomCheckButton::Normal && current != CustomCheckButton::Checked) return;
    int before = 0;
    // Through the table: the entry must still be there, and the write is
    // made under the table's lock against a simultaneous announcement.
    const PermissionDataRef entry =
        permissionInfo_->changePermission(userId, type, current == CustomCheckButton::Normal, &before);
    if (entry) updateChangeList(entry, before);
    reloadData();
    updateApplyButton();
}

void PermissionSetWindowController::onClickAllChekBtn(int type) {
    const int max = permissionInfo_->getPermissionMax(type);
    if (max >= 0 && max < int(permissionInfo_->permissionList().size())) return;
    bool all = true;
    for (const PermissionDataRef& e : dispList_)
        if (e->getEnable(type) && !e->getPermission(type)) all = false;
    for (const PermissionDataRef& e : dispList_) {
        if (!e->getEnable(type) || e->getPermission(type) == !all) continue;
        int before = 0;
        if (const PermissionDataRef entry =
                permissionInfo_->changePermission(e->userId(), type, !all, &before))
            updateChangeList(entry, before);
    }
    reloadData();
    updateApplyButton();
}

void PermissionSetWindowController::updateChangeList(const PermissionDataRef& entry, int beforeFlgs) {
    for (auto it = changeList_.begin(); it != changeList_.end(); ++it) {
        if (it->user.lock() != entry) continue;
        if (entry->permitFlgs() == it->beforePermitFlgs) changeList_.erase(it);
        return;
    }
    changeList_.push_back({entry, beforeFlgs});
}

void PermissionSetWindowController::dropDepartedChanges() {
    std::erase_if(changeList_, [this](const PermissionSetWindowChangeUser& change) {
        const PermissionDataRef entry = change.user.lock();
        return !entry || !permissionInfo_->contains(entry);
    });
}

void PermissionSetWindowController::updateApplyButton() {
    applyButton_->setEnabled(!applyPauseRunning_ && !changeList_.empty());
}

void PermissionSetWindowController::onClickApply() {
    LogFileManager::write(QString::fromLatin1(kLogMsgUserPermissionApplyBtn), 2, false);
    applyButton_->setEnabled(false);
    // A participant who left since the tick is not sent (nothing can be sent
    // for a participant the manager no longer knows).
    dropDepartedChanges();
    PermissionDataList send;
    for (const PermissionSetWindowChangeUser& change : changeList_)
        if (PermissionDataRef entry = change.user.lock()) send.push_back(entry);
    changeList_.clear();
    if (delegate_ && !send.empty()) delegate_->sendPermissionChangeReq(send);

    const int generation = ++applyPauseGeneration_;
    applyPauseRunning_ = true;
    mainQueue().after(std::chrono::milliseconds(kApplyPauseMs), this, [this, generation] {
        if (generation != applyPauseGeneration_) return;
        applyPauseRunning_ = false;
        updateApplyButton();
    });
}

void PermissionSetWindowController::onEnteredSearchBar() {
    updateDispList();
}

void PermissionSetWindowController::tableViewDidClickTableColumn(const QString& columnId) {
    sortColumnId_ = columnId;
    updateDispList();
}

void PermissionSetWindowController::updateDispList() {
    QString text = searchField_->text();
    text.replace(QChar(0x3000), QChar(u' '));
    text = text.trimmed();
    PermissionDataList list = permissionInfo_->permissionList();
    if (text.isEmpty()) {
        isSearching_ = false;
    } else {
        const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        const QLocale locale;
        PermissionDataList found;
        for (const PermissionDataRef& e : list) {
            const PermissionData::Values v = e->snapshot();
            const QString id = locale.toLower(v.userId);
            const QString name = locale.toLower(v.userName);
            const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
                const QString word = locale.toLower(w);
                return id.contains(word) || name.contains(word);
            });
            if (all) found.push_back(e);
        }
        list = std::move(found);
        isSearching_ = true;
    }
    const int sortType = typeForColumnId(sortColumnId_);
    if (sortType >= 0)
        std::stable_sort(list.begin(), list.end(),
                         [sortType](const PermissionDataRef& a, const PermissionDataRef& b) {
                             return a->getPermission(sortType) && !b->getPermission(sortType);
                         });
    dispList_ = std::move(list);
    searchResultLabel_->setVisible(dispList_.empty());
    dropDepartedChanges();
    reloadData();
    updateApplyButton();
    sortColumnId_ = kUserColumnId;
}

void PermissionSetWindowController::didChangePermissionList(const PermissionDataList&) {
    updateDispList();
}

void PermissionSetWindowController::didChangePermissionData(const PermissionDataRef& data) {
    if (data && permissionInfo_->getPermissionData(data->userId())) updateDispList();
}

void PermissionSetWindowController::windowWillClose() {
    if (closed_) return;
    closed_ = true;
    for (const PermissionSetWindowChangeUser& change : changeList_)
        if (const PermissionDataRef entry = change.user.lock())
            permissionInfo_->restorePermitFlgs(entry, change.beforePermitFlgs);
    changeList_.clear();
    if (mNotificator) mNotificator->setDelegate(nullptr);
    mNotificator.reset();
    if (delegate_) delegate_->onClosePermissionSetWindow(this);
}

void PermissionSetWindowController::closeEvent(QCloseEvent* event) {
    windowWillClose();
    QWidget::closeEvent(event);
}
