// The private-message window: the conversations on the left, the selected
// one's messages on the right, an editor below them and a toolbar button
// that starts a conversation with a participant of the room.
#pragma once

#include <QListWidget>
#include <QMenu>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRectF>
#include <QToolButton>
#include <memory>
#include <optional>
#include <vector>

#include "chat/ChatBubbleList.h"
#include "model/ListNotificator.h"
#include "model/MessageInfo.h"
#include "model/UserInfo.h"
#include "platform/Window.h"
#include "ui/PlaceholderView.h"

class MessageWindowControllerDelegate {
public:
    virtual ~MessageWindowControllerDelegate() = default;
    virtual void sendMessageData(const QString& userId, const QString& message) = 0;
    virtual void showMessageInfo(const QString& text) = 0;
    virtual void onCloseMessageWindow(const QRectF& frame) = 0;
};

class MessageWindowController : public QObject,
                                public WindowDelegate,
                                public ListNotificatorDispatcherDelegate {
    Q_OBJECT

public:
    static constexpr int kMaxUnits = 512;
    static constexpr double kTalkListWidth = 150;

    // `conversations`: the conference's list as it stands; later changes
    // arrive through updateData.
    MessageWindowController(const QRectF& frame, UserInfoRef myInfo, int roomCategory,
                            std::vector<MessageInfoRef> conversations,
                            const std::vector<UserInfoRef>& userList, bool enable, QObject* parent = nullptr);
    ~MessageWindowController() override;

    void setDelegate(MessageWindowControllerDelegate* delegate) { delegate_ = delegate; }
    Window* window() const { return window_; }

    void updateData(const MessageInfoRef& info, bool isNotify);
    void selectUser(const QString& userId);
    int selectTabNumber() const { return selected_; }
    void showWindow();

    // The pop-up of the toolbar button; none without destinations.
    QMenu* makeDestinationMenu();
    void onClickNewMessage();
    void onSelectMenuItem(int tag, const QString& identifier);
    // Ends editing with Return: sends the text to the selected partner.
    void sendEditorText();

    // State, for tests.
    const std::vector<UserInfoRef>& destinations() const { return destinations_; }
    const std::vector<MessageInfoRef>& conversations() const { return conversations_; }
    QListWidget* talkList() const { return talkList_; }
    ChatBubbleList* chatArea() const { return chatArea_; }
    QPlainTextEdit* editorArea() const { return editorArea_; }
    PlaceholderView* placeHolder() const { return placeHolder_; }
    QToolButton* createButton() const { return createButton_; }
    // Removes the first entry with the user's own id.
    static std::vector<UserInfoRef> removeMyInfoFromListArray(std::vector<UserInfoRef> list,
                                                              const QString& myId);

    // ListNotificatorDispatcherDelegate
    void didChangeSpeaker(ListNotificatorDispatcher*, const SpeakerInfoList& speakerList) override;
    void didChangeClient(ListNotificatorDispatcher*, const UserInfoList& clientList) override;
    // WindowDelegate
    void windowDidResize(Window* window) override;
    void windowWillClose(Window* window) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changeEditorState(bool enabled);
    void reloadTalkList();
    void reloadMessages();
    void layoutViews();
    void selectRow(int row);
    void tableViewSelectionDidChange();
    void editorTextChanged();

    MessageWindowControllerDelegate* delegate_ = nullptr;
    UserInfoRef myInfo_;
    int roomCategory_;
    bool enable_;
    int selected_ = -1;
    bool reloading_ = false, cutting_ = false;
    std::vector<MessageInfoRef> conversations_;
    std::vector<UserInfoRef> destinations_;
    std::unique_ptr<ListNotificatorDispatcher> listDispatcher_;
    QPointer<Window> window_;
    QPointer<QListWidget> talkList_;
    QPointer<ChatBubbleList> chatArea_;
    QPointer<QPlainTextEdit> editorArea_;
    QPointer<PlaceholderView> placeHolder_;
    QPointer<QToolButton> createButton_;
    QPointer<QMenu> menu_;
};
