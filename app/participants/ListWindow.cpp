#include "participants/ListWindow.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "model/UserListInfo.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/Menu.h"
#include "platform/View.h"

namespace {
constexpr double kInset = 5;
constexpr int kIconColumnWidth = 20;

QPixmap loadMark(const char* name, int side) {
    const std::optional<QString> path =
        MainBundle::pathForResource(QString::fromLatin1(name), QStringLiteral("png"));
    if (!path) return QPixmap();
    QPixmap pixmap(*path);
    if (pixmap.isNull()) return pixmap;
    return pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
}  // namespace

ListWindow::ListWindow(const QRectF& frame, QObject* parent) : QObject(parent) {
    window_ = new Window(frame, WindowStyleTitled | WindowStyleClosable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("listWindow"));
    window_->setTitle(LocalizedString("dfLISTWINDOW_TITLE"));
}

ListWindow::~ListWindow() {
    mNotificator.reset();
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

ListMark ListWindow::markFor(const QString& userId, const QString& ownerId, bool captainFree) {
    if (captainFree) return ListMark::None;
    return userId == ownerId ? ListMark::Chair : ListMark::None;
}

QPixmap ListWindow::markImage(ListMark mark) {
    switch (mark) {
        case ListMark::Chair:
            return loadMark("video_mark_special", 12);
        case ListMark::Speaking:
            return loadMark("statusbar_speaker_on", 12);
        case ListMark::Waiting:
            return loadMark("handup", 25);
        case ListMark::None:
            break;
    }
    return QPixmap();
}

void ListWindow::makeListView(UserInfoRef myInfo, const QString& ownerId, int roomCategory, bool captainFree,
                              bool webinar) {
    mMyUserInfo = std::move(myInfo);
    mOwnerUserIdStr = ownerId;
    miRoomCategory = roomCategory;
    mbIsCaptainFree = captainFree;
    mbIsWebinar = webinar;

    QPalette pal = window_->palette();
    pal.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    window_->setPalette(pal);
    window_->setAutoFillBackground(true);
    window_->setDelegate(this);

    auto* content = new View();
    content->setObjectName(QStringLiteral("listContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kInset, kInset, kInset, kInset);
    table_ = new QTableWidget(0, 2, content);
    table_->setObjectName(QStringLiteral("listTable"));
    table_->setHorizontalHeaderLabels({QString(), LocalizedString("dfNAME")});
    table_->horizontalHeader()->setSectionsMovable(false);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->setColumnWidth(0, kIconColumnWidth);
    table_->verticalHeader()->hide();
    table_->setShowGrid(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTextElideMode(Qt::ElideRight);
    table_->setIconSize(QSize(12, 12));
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setContextMenuPolicy(Qt::DefaultContextMenu);
    QPalette tablePal = table_->palette();
    tablePal.setColor(QPalette::Base, Qt::transparent);
    table_->setPalette(tablePal);
    table_->viewport()->installEventFilter(this);
    table_->setFocusPolicy(Qt::NoFocus);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (reloading_) return;
        const QList<QTableWidgetItem*> selected = table_->selectedItems();
        miSelectedRow = selected.isEmpty() ? -1 : selected.first()->row();
        const UserInfoRef user = userAt(miSelectedRow);
        selectedUserId_ = user ? std::optional<QString>(user->userId()) : std::nullopt;
    });
    layout->addWidget(table_);
    window_->setContentView(content);

    mNotificator = std::make_unique<ListNotificatorDispatcher>(ListNotificator::sharedNotificator());
    mNotificator->setDelegate(this);
}

void ListWindow::setListArray(const std::vector<UserInfoRef>& list) {
    mListArry = list;
    reloadData();
}

void ListWindow::deselectRow() {
    miSelectedRow = -1;
    selectedUserId_.reset();
    if (table_) table_->clearSelection();
}

bool ListWindow::seminar() const {
    return miRoomCategory == ROOM_CATEGORY_SEMINAR;
}

int ListWindow::numberOfRows() const {
    return static_cast<int>(mListArry.size()) + (seminar() ? 1 : 0);
}

UserInfoRef ListWindow::userAt(int row) const {
    if (row < 0 || row >= numberOfRows()) return nullptr;
    if (seminar()) return row == 0 ? mMyUserInfo : mListArry[size_t(row - 1)];
    return mListArry[size_t(row)];
}

void ListWindow::reloadData() {
    if (!table_) return;
    const int rows = numberOfRows();
    const QString me = mMyUserInfo ? mMyUserInfo->userId() : QString();
    reloading_ = true;
    table_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const UserInfoRef user = userAt(r);
        auto* icon = new QTableWidgetItem();
        const QPixmap mark = markImage(markFor(user->userId(), mOwnerUserIdStr, mbIsCaptainFree));
        if (!mark.isNull()) icon->setData(Qt::DecorationRole, mark);
        table_->setItem(r, 0, icon);
        auto* name = new QTableWidgetItem(user->userName());
        if (user->userId() == me) name->setForeground(QColor(Qt::blue));
        table_->setItem(r, 1, name);
    }
    reloading_ = false;
    // The selection stays with its participant, wherever the list put him.
    int selected = -1;
    for (int r = 0; selectedUserId_ && r < rows; ++r)
        if (userAt(r)->userId() == *selectedUserId_) selected = r;
    if (selected < 0) {
        deselectRow();
    } else {
        table_->selectRow(selected);
    }
}

Menu* ListWindow::rightClick(const QPoint& globalPos) {
    if (miSelectedRow < 0 || listDelegate_ == nullptr) return nullptr;
    // The own user of a seminar room has no menu here.
    if (seminar() && miSelectedRow == 0) return nullptr;
    const UserInfoRef user = userAt(miSelectedRow);
    if (!user) return nullptr;
    Menu* menu = listDelegate_->makePopupClientMenu(user);
    if (menu == nullptr) return nullptr;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
    return menu;
}

bool ListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (table_ && watched == table_->viewport()) {
        if (event->type() == QEvent::ContextMenu) {
            rightClick(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            auto* press = static_cast<QMouseEvent*>(event);
            // A click below the last row deselects.
            if (press->button() == Qt::LeftButton &&
                !table_->indexAt(press->position().toPoint()).isValid()) {
                deselectRow();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void ListWindow::windowWillClose(Window*) {
    closing_ = true;
    if (listDelegate_ != nullptr) listDelegate_->closeListWindow(window_ ? window_->frame() : QRectF());
}

void ListWindow::didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& speakerList) {
    if (seminar()) return;
    setListArray(std::vector<UserInfoRef>(speakerList.begin(), speakerList.end()));
}

void ListWindow::didChangeClient(ListNotificatorDispatcher*, const UserInfoList& clientList) {
    if (!seminar()) return;
    setListArray(clientList);
}

void ListWindow::didChangeOwner(ListNotificatorDispatcher*, const QString& ownerId) {
    mOwnerUserIdStr = ownerId;
    reloadData();
}
