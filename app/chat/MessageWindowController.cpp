#include "chat/MessageWindowController.h"

#include <QCursor>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>

#include "chat/ChatText.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "platform/View.h"
#include "ui/CommonAlert.h"
#include "ui/PlaceholderView.h"

std::vector<UserInfoRef> MessageWindowController::removeMyInfoFromListArray(std::vector<UserInfoRef> list,
                                                                            const QString& myId) {
    for (auto it = list.begin(); it != list.end(); ++it)
        if (*it && (*it)->userId() == myId) {
            list.erase(it);
            break;
        }
    return list;
}

MessageWindowController::MessageWindowController(const QRectF& frame, UserInfoRef myInfo, int roomCategory,
                                                 std::vector<MessageInfoRef> conversations,
                                                 const std::vector<UserInfoRef>& userList, bool enable,
                                                 QObject* parent)
    : QObject(parent),
      myInfo_(std::move(myInfo)),
      roomCategory_(roomCategory),
      enable_(enable),
      conversations_(std::move(conversations)) {
    destinations_ = roomCategory_ != 1 ? removeMyInfoFromListArray(userList, myInfo_->userId()) : userList;

    window_ = new Window(
        frame, WindowStyleTitled | WindowStyleClosable | WindowStyleMiniaturizable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("messageWindow"));
    window_->setTitle(LocalizedString("dfMESSEAGE"));

    auto* toolbar = new QToolBar(window_);
    toolbar->setObjectName(QStringLiteral("message_toolbar_id"));
    toolbar->setMovable(false);
    createButton_ = new QToolButton(toolbar);
    createButton_->setObjectName(QStringLiteral("message_toolbar_id_create"));
    createButton_->setToolTip(LocalizedString("dfSELECTDESTINATION"));
    createButton_->setText(LocalizedString("dfSELECTDESTINATION"));
    if (const auto path =
            MainBundle::pathForResource(QStringLiteral("create_newmessage"), QStringLiteral("png")))
        createButton_->setIcon(QIcon(*path));
    if (createButton_->icon().isNull()) {
        createButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
        createButton_->setFixedHeight(28);
    } else {
        createButton_->setFixedSize(44, 28);
    }
    createButton_->setEnabled(enable_);
    connect(createButton_, &QToolButton::clicked, this, [this] { onClickNewMessage(); });
    toolbar->addWidget(createButton_);
    if (window_->layout()) window_->layout()->setMenuBar(toolbar);

    auto* root = new View();
    root->setObjectName(QStringLiteral("messageContent"));
    window_->setContentView(root);
    root->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);

    talkList_ = new QListWidget(root);
    talkList_->setObjectName(QStringLiteral("talkList"));
    talkList_->setProperty("columnIdentifier", QStringLiteral("column_id_talk_list"));
    talkList_->setTextElideMode(Qt::ElideRight);
    talkList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(talkList_, &QListWidget::itemSelectionChanged, this, [this] { tableViewSelectionDidChange(); });
    chatArea_ = new ChatBubbleList(QColor::fromRgbF(0, 0.6f, 1.0f, 0.7f),
                                   QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.1f), false, false, root);
    chatArea_->setObjectName(QStringLiteral("chatArea"));
    editorArea_ = new QPlainTextEdit(root);
    editorArea_->setObjectName(QStringLiteral("editorArea"));
    editorArea_->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: transparent; border: 1px solid #c8c8c8; }"));
    editorArea_->installEventFilter(this);
    connect(editorArea_, &QPlainTextEdit::textChanged, this, [this] { editorTextChanged(); });
    placeHolder_ = new PlaceholderView(editorArea_->viewport());
    placeHolder_->setObjectName(QStringLiteral("placeHolder"));

    window_->setFrame(frame, false);
    changeEditorState(false);
    reloadTalkList();
    layoutViews();
    listDispatcher_ = std::make_unique<ListNotificatorDispatcher>(ListNotificator::sharedNotificator());
    listDispatcher_->setDelegate(this);
    window_->setDelegate(this);
}

MessageWindowController::~MessageWindowController() {
    if (listDispatcher_) listDispatcher_->setDelegate(nullptr);
    if (editorArea_) editorArea_->removeEventFilter(this);
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

void MessageWindowController::showWindow() {
    window_->show();
    window_->makeKeyAndOrderFront();
}

// ---- Layout ----

void MessageWindowController::layoutViews() {
    View* root = window_->contentView();
    if (!root) return;
    const double w = root->width(), h = root->height();
    View::setFrameOf(talkList_, QRectF(0, 0, kTalkListWidth, h));
    View::setFrameOf(editorArea_, QRectF(kTalkListWidth + 5, 5, std::max(10.0, w - kTalkListWidth - 10), 57));
    View::setFrameOf(chatArea_,
                     QRectF(kTalkListWidth, 67, std::max(10.0, w - kTalkListWidth), std::max(0.0, h - 67)));
    placeHolder_->setGeometry(4, 2, std::max(0, editorArea_->width() - 12), 20);
    reloadMessages();
}

void MessageWindowController::windowDidResize(Window*) {
    layoutViews();
}

// ---- Editor ----

void MessageWindowController::changeEditorState(bool enabled) {
    editorArea_->setReadOnly(!enabled);
    editorArea_->setEnabled(enabled);
    placeHolder_->setText(enabled ? LocalizedString("dfTEXTBOX_PLACEHOLDERSTRING")
                                  : LocalizedString("dfMSG_STARTUP_PLACEHOLDERTSTRING"));
    placeHolder_->setVisible(editorArea_->document()->isEmpty());
}

void MessageWindowController::editorTextChanged() {
    if (cutting_) return;
    QString text = editorArea_->document()->toRawText();
    placeHolder_->setVisible(text.isEmpty() && !editorArea_->hasFocus());
    if (text.size() <= kMaxUnits) return;
    cutting_ = true;
    editorArea_->setPlainText(ChatText::cutToUnits(text, kMaxUnits));
    editorArea_->moveCursor(QTextCursor::End);
    cutting_ = false;
}

bool MessageWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editorArea_ && event->type() == QEvent::FocusIn) placeHolder_->hide();
    if (watched == editorArea_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & Qt::ShiftModifier)) {
            sendEditorText();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void MessageWindowController::sendEditorText() {
    QString text = editorArea_->document()->toRawText();
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    if (ChatText::isBlank(text)) {
        editorArea_->clear();
        placeHolder_->setText(LocalizedString("dfTEXTBOX_PLACEHOLDERSTRING"));
        return;
    }
    if (!ChatText::hasUtf8Form(text)) {
        CommonAlert::sharedInstance().showModalSheet(
            window_, std::nullopt, LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTMESSASE"),
            LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTINFORMATION"), QStringLiteral("OK"), nullptr, {});
        return;
    }
    if (selected_ >= 0 && selected_ < int(conversations_.size()) && delegate_) {
        const QString partner = conversations_[selected_]->destUser()->userId();
        editorArea_->clear();
        delegate_->sendMessageData(partner, text);
        return;
    }
    editorArea_->clear();
}

// ---- Conversations ----

void MessageWindowController::reloadTalkList() {
    reloading_ = true;
    talkList_->clear();
    for (const MessageInfoRef& c : conversations_) {
        auto* item = new QListWidgetItem(c->destUser()->userName(), talkList_);
        item->setSizeHint(QSize(int(kTalkListWidth), 20));
    }
    if (selected_ >= 0 && selected_ < talkList_->count()) talkList_->setCurrentRow(selected_);
    reloading_ = false;
}

void MessageWindowController::reloadMessages() {
    chatArea_->setMeasureWidth((window_->frame().width() - kTalkListWidth) * 3.0 / 4.0 - 16);
    std::vector<ChatBubbleItem> items;
    if (selected_ >= 0 && selected_ < int(conversations_.size())) {
        const QString me = myInfo_->userId();
        for (const MessageDataRef& m : conversations_[selected_]->messages())
            items.push_back({m->user()->userName(), m->date(), m->message(), m->user()->userId() == me});
    }
    chatArea_->setItems(items);
    chatArea_->scrollToLast();
}

void MessageWindowController::selectRow(int row) {
    reloading_ = true;
    talkList_->setCurrentRow(row);
    reloading_ = false;
}

void MessageWindowController::updateData(const MessageInfoRef& info, bool isNotify) {
    if (!info) return;
    const QString id = info->destUser()->userId();
    int index = -1;
    for (int i = 0; i < int(conversations_.size()); ++i)
        if (conversations_[i]->destUser()->userId() == id) {
            conversations_[i] = info;
            index = i;
            break;
        }
    if (index < 0) {
        conversations_.push_back(info);
        index = int(conversations_.size()) - 1;
    }
    reloadTalkList();
    if (selected_ < 0) {
        selected_ = index;
        changeEditorState(true);
    } else if (selected_ != index && isNotify && delegate_) {
        delegate_->showMessageInfo(
            LocalizedFormat("dfMSG_INCOMING_RECEIVEMESSAGE", info->destUser()->userName()));
    }
    selectRow(selected_);
    reloadMessages();
}

void MessageWindowController::selectUser(const QString& userId) {
    int index = -1;
    for (int i = 0; i < int(conversations_.size()); ++i)
        if (conversations_[i]->destUser()->userId() == userId) {
            index = i;
            break;
        }
    if (index < 0) {
        for (const UserInfoRef& d : destinations_)
            if (d->userId() == userId) {
                conversations_.push_back(std::make_shared<MessageInfo>(*d));
                index = int(conversations_.size()) - 1;
                reloadTalkList();
                break;
            }
    }
    if (index < 0 || index == selected_) return;
    if (selected_ < 0) changeEditorState(true);
    selected_ = index;
    selectRow(index);
    reloadMessages();
}

QMenu* MessageWindowController::makeDestinationMenu() {
    if (destinations_.empty()) return nullptr;
    if (menu_) menu_->deleteLater();
    menu_ = new QMenu(window_);
    menu_->setObjectName(QStringLiteral("destinationMenu"));
    for (int i = 0; i < int(destinations_.size()); ++i) {
        const UserInfoRef& d = destinations_[i];
        QAction* action = menu_->addAction(d->userName());
        action->setObjectName(d->userId());
        action->setData(i);
        bool exists = false;
        for (const MessageInfoRef& c : conversations_)
            if (c->destUser()->userId() == d->userId()) exists = true;
        action->setEnabled(d->userType() != u"H0" && !exists);
        const QString id = d->userId();
        connect(action, &QAction::triggered, this, [this, i, id] { onSelectMenuItem(i, id); });
    }
    return menu_;
}

void MessageWindowController::onClickNewMessage() {
    if (QMenu* menu = makeDestinationMenu()) menu->popup(QCursor::pos());
}

void MessageWindowController::onSelectMenuItem(int tag, const QString& identifier) {
    UserInfoRef dest;
    if (tag >= 0 && tag < int(destinations_.size()) && destinations_[tag]->userId() == identifier) {
        dest = destinations_[tag];
    } else {
        for (const UserInfoRef& d : destinations_)
            if (d->userId() == identifier) {
                dest = d;
                break;
            }
    }
    if (!dest) return;
    conversations_.push_back(std::make_shared<MessageInfo>(*dest));
    if (selected_ < 0) changeEditorState(true);
    selected_ = int(conversations_.size()) - 1;
    reloadTalkList();
    selectRow(selected_);
    reloadMessages();
}

void MessageWindowController::tableViewSelectionDidChange() {
    if (reloading_) return;
    const int row = talkList_->currentRow();
    const bool rowSelected = row >= 0 && !talkList_->selectedItems().isEmpty();
    if (!rowSelected) {
        selected_ = -1;
        reloadMessages();
        changeEditorState(false);
        return;
    }
    if (selected_ < 0) {
        changeEditorState(true);
    } else if (selected_ != row && !editorArea_->document()->isEmpty()) {
        // Text written to another partner is not carried over.
        editorArea_->clear();
        placeHolder_->setText(LocalizedString("dfTEXTBOX_PLACEHOLDERSTRING"));
    }
    selected_ = row;
    reloadMessages();
}

// ---- Participants and closing ----

void MessageWindowController::didChangeSpeaker(ListNotificatorDispatcher*,
                                               const SpeakerInfoList& speakerList) {
    if (roomCategory_ == 1) return;
    std::vector<UserInfoRef> list(speakerList.begin(), speakerList.end());
    destinations_ = removeMyInfoFromListArray(std::move(list), myInfo_->userId());
}

void MessageWindowController::didChangeClient(ListNotificatorDispatcher*, const UserInfoList& clientList) {
    if (roomCategory_ != 1) return;
    destinations_ = clientList;
}

void MessageWindowController::windowWillClose(Window*) {
    if (listDispatcher_) listDispatcher_->setDelegate(nullptr);
    listDispatcher_.reset();
    if (delegate_) delegate_->onCloseMessageWindow(window_->frame());
}
