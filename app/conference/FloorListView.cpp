#include "conference/FloorListView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

#include "platform/Localization.h"
#include "platform/MainBundle.h"

namespace {
constexpr double kIconColumnWidth = 20;
constexpr int kIconSize = 12;
}  // namespace

FloorListView::FloorListView(const QRectF& frame, const QString& headerTitle, bool ownerIcon, QWidget* parent)
    : View(frame, parent), ownerIcon_(ownerIcon) {
    const double x = 0, w = frame.width(), h = frame.height();
    mTableview = new QTableWidget(0, 2, this);
    mTableview->setObjectName(QStringLiteral("floorListTable"));
    View::setFrameOf(mTableview, QRectF(x + 5, 40, w - 10, h - 45));
    View::setAutoresizingMaskOf(mTableview, ViewHeightSizable);
    mTableview->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mTableview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mTableview->setHorizontalHeaderLabels({QString(), headerTitle});
    mTableview->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    mTableview->horizontalHeader()->setSectionsMovable(false);
    mTableview->setColumnWidth(0, int(kIconColumnWidth));
    mTableview->setColumnWidth(1, int(w - 10 - kIconColumnWidth));
    mTableview->verticalHeader()->hide();
    mTableview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mTableview->setSelectionMode(QAbstractItemView::SingleSelection);
    mTableview->setSelectionBehavior(QAbstractItemView::SelectRows);
    mTableview->setWordWrap(false);
    mTableview->setTextElideMode(Qt::ElideRight);
    mTableview->viewport()->installEventFilter(this);
    connect(mTableview, &QTableWidget::cellClicked, this, [this](int row, int) { selectRow(row); });
    mNotificator = std::make_unique<ListNotificatorDispatcher>(ListNotificator::sharedNotificator());
    mNotificator->setDelegate(this);
}

FloorListView::~FloorListView() {
    mNotificator->setDelegate(nullptr);
}

QPushButton* FloorListView::makeFuncBtn(const QRectF& frame, const QString& title, const QString& name) {
    auto* button = new QPushButton(title, this);
    button->setObjectName(name);
    View::setFrameOf(button, frame);
    return button;
}

bool FloorListView::isOwner() const {
    return mMyUserInfo != nullptr && mMyUserInfo->userId() == mOwnerUserIdStr;
}

bool FloorListView::isOwnUser(const UserInfoRef& user) const {
    return user != nullptr && mMyUserInfo != nullptr && user->userId() == mMyUserInfo->userId();
}

void FloorListView::deselectRow() {
    miSelectedRow = kNoSelection;
    mTableview->clearSelection();
}

void FloorListView::selectRow(int row) {
    const std::vector<UserInfoRef> users = rowUsers();
    if (row < 0 || row >= int(users.size())) return;
    mTableview->selectRow(row);
    miSelectedRow = isOwnUser(users[size_t(row)]) ? kOwnRowSelected : row;
}

int FloorListView::validSelectedRow() const {
    if (miSelectedRow < 0 || miSelectedRow >= qint64(rowUsers().size())) return -1;
    return int(miSelectedRow);
}

void FloorListView::reloadData() {
    const std::vector<UserInfoRef> users = rowUsers();
    mTableview->setRowCount(int(users.size()));
    const auto icon =
        MainBundle::pathForResource(QStringLiteral("video_mark_special"), QStringLiteral("png"));
    for (size_t r = 0; r < users.size(); ++r) {
        const UserInfoRef& user = users[r];
        auto* iconItem = new QTableWidgetItem();
        if (ownerIcon_ && user->userId() == mOwnerUserIdStr && icon)
            iconItem->setIcon(QIcon(QPixmap(*icon).scaled(kIconSize, kIconSize)));
        mTableview->setItem(int(r), 0, iconItem);
        auto* name = new QTableWidgetItem(user->userName());
        if (isOwnUser(user)) name->setForeground(Qt::blue);
        mTableview->setItem(int(r), 1, name);
    }
    // The selection stays on its row while the row exists.
    const int row = validSelectedRow();
    if (row >= 0) mTableview->selectRow(row);
}

void FloorListView::mousePressEvent(QMouseEvent* event) {
    View::mousePressEvent(event);
    deselectRow();
}

bool FloorListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mTableview->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int row = mTableview->rowAt(int(mouse->position().y()));
        if (mouse->button() == Qt::RightButton) {
            rightMouseDown();
            return true;
        }
        // A click on no row clears the selection.
        if (row < 0) deselectRow();
    }
    return View::eventFilter(watched, event);
}
