#include "chat/ChatWindows.h"

#include "platform/Dispatch.h"

ChatWindows::ChatWindows(std::function<StartViewController*()> controller)
    : controller_(std::move(controller)) {}

ChatWindows::~ChatWindows() {
    delete messageWindow_.data();
    delete textBoxWindow_.data();
    delete textBoxView_.data();
}

// ---- Text box ----

void ChatWindows::openTextBox(const TextBoxLaunch& launch) {
    if (!textBoxView_) {
        StartViewController* c = controller();
        std::vector<TextBoxDataRef> lines;
        if (c && c->loginManager()) lines = c->loginManager()->textBoxDataArry();
        textBoxView_ = new TextBoxViewController(launch.myInfo, lines, launch.saveDisable, launch.isWebinar,
                                                 launch.noticeColor, launch.isNotify, launch.isNotifySetting);
        textBoxView_->setDelegate(this);
    }
    // In webinar rooms the conference layout places the view.
    if (launch.isWebinar) return;
    if (!textBoxWindow_) {
        textBoxWindow_ = new TextBoxWindowController(launch.frame, textBoxView_, launch.saveDisable);
        textBoxWindow_->setDelegate(this);
    }
    textBoxWindow_->showWindow();
}

void ChatWindows::updateTextBox(bool forced, const std::vector<TextBoxDataRef>& lines) {
    if (textBoxView_) textBoxView_->updateData(forced, lines);
}

QRectF ChatWindows::deleteTextBoxView() {
    if (!textBoxView_) return QRectF();
    const QRectF frame = textBoxView_->frame();
    textBoxView_->setDelegate(nullptr);
    textBoxView_->setParent(nullptr);
    textBoxView_->deleteLater();
    textBoxView_ = nullptr;
    return frame;
}

std::optional<QString> ChatWindows::textBoxSaveData() const {
    return textBoxView_ ? textBoxView_->getSaveData() : std::nullopt;
}

QWidget* ChatWindows::textBoxWindow() const {
    return textBoxWindow_ ? textBoxWindow_->window() : nullptr;
}

void ChatWindows::sendTextBoxData(const QString& text) {
    if (auto* c = controller()) c->sendTextBoxData(text);
}

void ChatWindows::forceDisplayTextBox() {
    if (auto* c = controller()) c->forceDisplayTextBox();
}

void ChatWindows::onCloseTextBoxWindow(const QRectF& frame) {
    QPointer<TextBoxWindowController> closing = textBoxWindow_;
    textBoxWindow_ = nullptr;
    if (auto* c = controller()) {
        c->onCloseTextBoxWindow(frame);
    } else {
        deleteTextBoxView();
    }
    // The window is in its close report: let it go afterwards.
    if (closing) {
        closing->setDelegate(nullptr);
        closing->deleteLater();
    }
}

// ---- Messages ----

void ChatWindows::openMessageWindow(const MessageLaunch& launch, const std::optional<QString>& userId) {
    if (!messageWindow_) {
        StartViewController* c = controller();
        std::vector<MessageInfoRef> conversations;
        if (c && c->loginManager()) conversations = c->loginManager()->messageDataArry();
        messageWindow_ = new MessageWindowController(launch.frame, launch.myInfo, launch.roomCategory,
                                                     conversations, launch.userList, launch.enable);
        messageWindow_->setDelegate(this);
    }
    messageWindow_->showWindow();
    if (userId) messageWindow_->selectUser(*userId);
}

void ChatWindows::updateMessageWindow(const MessageInfoRef& info, bool notify) {
    if (messageWindow_) messageWindow_->updateData(info, notify);
}

QWidget* ChatWindows::messageWindow() const {
    return messageWindow_ ? messageWindow_->window() : nullptr;
}

void ChatWindows::sendMessageData(const QString& userId, const QString& message) {
    if (auto* c = controller()) c->sendMessageData(userId, message);
}

void ChatWindows::showMessageInfo(const QString& text) {
    if (auto* c = controller()) c->showMessageInfo(text);
}

void ChatWindows::onCloseMessageWindow(const QRectF& frame) {
    QPointer<MessageWindowController> closing = messageWindow_;
    messageWindow_ = nullptr;
    if (auto* c = controller()) c->onCloseMessageWindow(frame);
    if (closing) {
        closing->setDelegate(nullptr);
        closing->deleteLater();
    }
}

void ChatWindows::closeConferenceWindows(bool) {
    if (textBoxWindow_) textBoxWindow_->window()->closeWindow();
    if (messageWindow_) messageWindow_->window()->closeWindow();
    deleteTextBoxView();
}
