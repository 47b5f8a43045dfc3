#include "participants/ClientListWindowController.h"

#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Localization.h"
#include "platform/Menu.h"
#include "platform/View.h"

namespace {
constexpr int kRowHeight = 20;
constexpr int kIconColumnWidth = 28;
}  // namespace

ClientListWindowController::ClientListWindowController(const QRectF& frame, UserInfoRef myInfo,
                                                       const QString& ownerId, int roomCategory,
                                                       bool captainFree, bool webinar, QObject* parent)
    : QObject(parent),
      mMyUserInfo(std::move(myInfo)),
      mOwnerUserIdStr(ownerId),
      miRoomCategory(roomCategory),
      mbIsCaptainFree(captainFree),
      mbIsWebinar(webinar) {
    window_ = new Window(frame, WindowStyleTitled | WindowStyleClosable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("clientListWindow"));
    window_->setTitle(LocalizedString("dfLISTWINDOW_TITLE"));
    QPalette pal = window_->palette();
    pal.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    window_->setPalette(pal);
    window_->setAutoFillBackground(true);
    window_->setDelegate(this);

    auto* content = new View();
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(5, 5, 5, 5);
    tabs_ = new QTabWidget(content);
    tabs_->setObjectName(QStringLiteral("clientListTabs"));
    layout->addWidget(tabs_);

    clientTable_ = makeTable("clientTable", true);
    tabs_->addTab(clientTable_, LocalizedString("dfCLIENTLIST_TAB_CLIENT"));

    auto* speakerPage = new QWidget();
    auto* speakerLayout = new QVBoxLayout(speakerPage);
    speakerLayout->setContentsMargins(0, 0, 0, 0);
    speakerTable_ = makeTable("speakerTable", true);
    removeBtn_ = new QPushButton(LocalizedString("dfREMOVE"), speakerPage);
    removeBtn_->setObjectName(QStringLiteral("removeBtn"));
    removeBtn_->setEnabled(false);
    speakerLayout->addWidget(speakerTable_);
    speakerLayout->addWidget(removeBtn_, 0, Qt::AlignRight);
    tabs_->addTab(speakerPage, LocalizedString("dfCLIENTLIST_TAB_SPEAKER"));

    auto* reservePage = new QWidget();
    auto* reserveLayout = new QVBoxLayout(reservePage);
    reserveLayout->setContentsMargins(0, 0, 0, 0);
    reserveTable_ = makeTable("reserveTable", false);
    allowBtn_ = new QPushButton(LocalizedString("dfALLOW"), reservePage);
    allowBtn_->setObjectName(QStringLiteral("allowBtn"));
    allowBtn_->setEnabled(false);
    denyBtn_ = new QPushButton(LocalizedString("dfDENY"), reservePage);
    denyBtn_->setObjectName(QStringLiteral("denyBtn"));
    denyBtn_->setEnabled(false);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(allowBtn_);
    buttons->addWidget(denyBtn_);
    reserveLayout->addWidget(reserveTable_);
    reserveLayout->addLayout(buttons);
    tabs_->addTab(reservePage, LocalizedString("dfCLIENTLIST_TAB_RESERVE"));

    window_->setContentView(content);
    connect(removeBtn_, &QPushButton::clicked, this, [this] { onClickRemoveBtn(); });
    connect(allowBtn_, &QPushButton::clicked, this, [this] { onClickAllowBtn(); });
    connect(denyBtn_, &QPushButton::clicked, this, [this] { onClickDenyBtn(); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { deselectAll(); });

    mNotificator = std::make_unique<ListNotificatorDispatcher>(ListNotificator::sharedNotificator());
    mNotificator->setDelegate(this);
}

ClientListWindowController::~ClientListWindowController() {
    mNotificator.reset();
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

QTableWidget* ClientListWindowController::makeTable(const char* name, bool withIcon) {
    auto* table = new QTableWidget(0, withIcon ? 2 : 1);
    table->setObjectName(QString::fromLatin1(name));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->setShowGrid(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTextElideMode(Qt::ElideRight);
    table->setIconSize(QSize(25, 25));
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (withIcon) {
        table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
        table->setColumnWidth(0, kIconColumnWidth);
    }
    table->horizontalHeader()->setSectionResizeMode(withIcon ? 1 : 0, QHeaderView::Stretch);
    table->installEventFilter(this);
    connect(table, &QTableWidget::itemSelectionChanged, this, [this, table] {
        if (reloading_) return;
        const QList<QTableWidgetItem*> selected = table->selectedItems();
        if (selected.isEmpty()) {
            if (selectedTable_ == table) {
                miSelectedRow = -1;
                selectedTable_ = nullptr;
                selectedUserId_.reset();
            }
            return;
        }
        const int row = selected.first()->row();
        const UserInfoRef user = userOfRow(table, row);
        selectedTable_ = table;
        selectedUserId_ = user ? std::optional<QString>(user->userId()) : std::nullopt;
        // The own speaker row can be selected but stands for nobody here.
        const bool ownSpeaker =
            table == speakerTable_ && user && mMyUserInfo && user->userId() == mMyUserInfo->userId();
        miSelectedRow = ownSpeaker ? kOwnSpeakerRow : row;
    });
    return table;
}

ListMark ClientListWindowController::clientMarkFor(const QString& userId, const QString& ownerId,
                                                   const std::vector<SpeakerInfoRef>& speakers,
                                                   const std::vector<UserInfoRef>& reservers) {
    if (userId == ownerId) return ListMark::Chair;
    if (speakers.empty()) return ListMark::None;
    for (const SpeakerInfoRef& s : speakers)
        if (s->userId() == userId) return ListMark::Speaking;
    for (const UserInfoRef& u : reservers)
        if (u->userId() == userId) return ListMark::Waiting;
    return ListMark::None;
}

UserInfoRef ClientListWindowController::clientAt(int row) const {
    if (row == 0) return mMyUserInfo;
    if (row < 0 || size_t(row - 1) >= mListArry.size()) return nullptr;
    return mListArry[size_t(row - 1)];
}

UserInfoRef ClientListWindowController::userOfRow(QTableWidget* table, int row) const {
    if (table == clientTable_) return clientAt(row);
    if (row < 0) return nullptr;
    if (table == speakerTable_)
        return size_t(row) < mSpeakerListArray.size() ? mSpeakerListArray[size_t(row)] : nullptr;
    if (table == reserveTable_)
        return size_t(row) < mReserveListArray.size() ? mReserveListArray[size_t(row)] : nullptr;
    return nullptr;
}

// After a reload the selection stays with its participant, wherever the list
// put him, or goes when he left.
void ClientListWindowController::keepSelection(QTableWidget* table) {
    if (selectedTable_ != table || !selectedUserId_) return;
    for (int r = 0; r < table->rowCount(); ++r) {
        const UserInfoRef user = userOfRow(table, r);
        if (user && user->userId() == *selectedUserId_) {
            table->selectRow(r);
            return;
        }
    }
    table->clearSelection();
    miSelectedRow = -1;
    selectedTable_ = nullptr;
    selectedUserId_.reset();
}

bool ClientListWindowController::isChair() const {
    return mMyUserInfo && mMyUserInfo->userId() == mOwnerUserIdStr;
}

// ---- Tables ----

namespace {
void setRow(QTableWidget* table, int row, const UserInfoRef& user, const QString& me, const QPixmap* mark) {
    int column = 0;
    if (mark != nullptr) {
        auto* icon = new QTableWidgetItem();
        if (!mark->isNull()) icon->setData(Qt::DecorationRole, *mark);
        table->setItem(row, column++, icon);
    }
    auto* name = new QTableWidgetItem(user->userName());
    if (user->userId() == me) name->setForeground(QColor(Qt::blue));
    table->setItem(row, column, name);
}
}  // namespace

void ClientListWindowController::reloadClientTable() {
    reloading_ = true;
    const QString me = mMyUserInfo ? mMyUserInfo->userId() : QString();
    const int rows = static_cast<int>(mListArry.size()) + 1;
    clientTable_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const UserInfoRef user = clientAt(r);
        if (!user) continue;
        const QPixmap mark = ListWindow::markImage(
            clientMarkFor(user->userId(), mOwnerUserIdStr, mSpeakerListArray, mReserveListArray));
        setRow(clientTable_, r, user, me, &mark);
    }
    reloading_ = false;
    keepSelection(clientTable_);
}

void ClientListWindowController::reloadSpeakerTable() {
    reloading_ = true;
    const QString me = mMyUserInfo ? mMyUserInfo->userId() : QString();
    speakerTable_->setRowCount(static_cast<int>(mSpeakerListArray.size()));
    for (size_t r = 0; r < mSpeakerListArray.size(); ++r) {
        const SpeakerInfoRef& s = mSpeakerListArray[r];
        const QPixmap mark =
            ListWindow::markImage(s->userId() == mOwnerUserIdStr ? ListMark::Chair : ListMark::None);
        setRow(speakerTable_, int(r), s, me, &mark);
    }
    reloading_ = false;
    keepSelection(speakerTable_);
}

void ClientListWindowController::reloadReserveTable() {
    reloading_ = true;
    const QString me = mMyUserInfo ? mMyUserInfo->userId() : QString();
    reserveTable_->setRowCount(static_cast<int>(mReserveListArray.size()));
    for (size_t r = 0; r < mReserveListArray.size(); ++r)
        setRow(reserveTable_, int(r), mReserveListArray[r], me, nullptr);
    reloading_ = false;
    keepSelection(reserveTable_);
}

void ClientListWindowController::updateRemoveBtn() {
    if (!isChair()) return;
    bool other = false;
    for (const SpeakerInfoRef& s : mSpeakerListArray) other = other || s->userId() != mMyUserInfo->userId();
    removeBtn_->setEnabled(other);
}

void ClientListWindowController::updateReserveBtns() {
    if (!isChair()) return;
    allowBtn_->setEnabled(!mReserveListArray.empty());
    denyBtn_->setEnabled(!mReserveListArray.empty());
}

void ClientListWindowController::setListArray(const std::vector<UserInfoRef>& clientList) {
    mListArry = clientList;
    reloadClientTable();
}

void ClientListWindowController::setListArray(const std::vector<UserInfoRef>& clientList,
                                              const std::vector<SpeakerInfoRef>& speakerList,
                                              const std::vector<UserInfoRef>& reserveList) {
    mListArry = clientList;
    mSpeakerListArray = speakerList;
    mReserveListArray = reserveList;
    reloadClientTable();
    reloadSpeakerTable();
    reloadReserveTable();
    updateRemoveBtn();
    updateReserveBtns();
}

void ClientListWindowController::deselectAll() {
    for (QTableWidget* t : {clientTable_, speakerTable_, reserveTable_}) t->clearSelection();
    miSelectedRow = -1;
}

// ---- The user's actions ----

Menu* ClientListWindowController::validateFirstResponder(QTableWidget* table) {
    if (clientListDelegate_ == nullptr || table == nullptr || table->selectedItems().isEmpty())
        return nullptr;
    const int row = miSelectedRow;
    Menu* menu = nullptr;
    if (table == clientTable_) {
        // Row 0 is the own user: no menu.
        if (row > 0 && size_t(row - 1) < mListArry.size())
            menu = clientListDelegate_->makePopupClientMenu(mListArry[size_t(row - 1)]);
    } else if (table == speakerTable_) {
        if (row >= 0 && size_t(row) < mSpeakerListArray.size())
            menu = clientListDelegate_->makePopupSpeakerMenu(mSpeakerListArray[size_t(row)]);
    } else if (table == reserveTable_) {
        if (row >= 0 && size_t(row) < mReserveListArray.size())
            menu = clientListDelegate_->makePopupReserverMenu(mReserveListArray[size_t(row)]);
    }
    if (menu == nullptr) return nullptr;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(QCursor::pos());
    table->clearSelection();
    miSelectedRow = -1;
    return menu;
}

void ClientListWindowController::onClickRemoveBtn() {
    const int row = miSelectedRow;
    if (row < 0 || size_t(row) >= mSpeakerListArray.size()) return;
    if (clientListDelegate_ != nullptr) clientListDelegate_->endSpeech(mSpeakerListArray[size_t(row)]);
    speakerTable_->clearSelection();
    miSelectedRow = -1;
}

void ClientListWindowController::onClickAllowBtn() {
    const int row = miSelectedRow;
    if (row < 0 || size_t(row) >= mReserveListArray.size()) return;
    if (clientListDelegate_ != nullptr)
        clientListDelegate_->changeReserveState(true, mReserveListArray[size_t(row)]);
    reserveTable_->clearSelection();
    miSelectedRow = -1;
}

void ClientListWindowController::onClickDenyBtn() {
    const int row = miSelectedRow;
    if (row < 0 || size_t(row) >= mReserveListArray.size()) return;
    if (clientListDelegate_ != nullptr)
        clientListDelegate_->changeReserveState(false, mReserveListArray[size_t(row)]);
    reserveTable_->clearSelection();
    miSelectedRow = -1;
}

bool ClientListWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) validateFirstResponder(qobject_cast<QTableWidget*>(watched));
    return QObject::eventFilter(watched, event);
}

void ClientListWindowController::windowWillClose(Window*) {
    closing_ = true;
    if (clientListDelegate_ != nullptr) clientListDelegate_->closeListWindow(QRectF());
}

// ---- List notices ----

void ClientListWindowController::didChangeSpeaker(ListNotificatorDispatcher*,
                                                  const SpeakerInfoList& speakerList) {
    mSpeakerListArray = speakerList;
    reloadClientTable();
    reloadSpeakerTable();
    updateRemoveBtn();
}

void ClientListWindowController::didChangeClient(ListNotificatorDispatcher*, const UserInfoList& clientList) {
    mListArry = clientList;
    reloadClientTable();
    updateRemoveBtn();
    updateReserveBtns();
}

void ClientListWindowController::didChangeReserver(ListNotificatorDispatcher*,
                                                   const UserInfoList& reserverList) {
    mReserveListArray = reserverList;
    reloadClientTable();
    reloadReserveTable();
    updateReserveBtns();
}

void ClientListWindowController::didChangeOwner(ListNotificatorDispatcher*, const QString& ownerId) {
    mOwnerUserIdStr = ownerId;
    reloadClientTable();
}
