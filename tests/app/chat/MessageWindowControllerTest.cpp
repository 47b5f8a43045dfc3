// The private-message window: whom a conversation can be started with, what
// a changed conversation selects or announces, the editor's rules and the
// picture it draws.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

#include "ChatWindowTestSupport.h"
#include "chat/MessageWindowController.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Localization.h"
#include "ui/CommonAlert.h"

namespace {

using namespace chat_test;

struct RecordingDelegate : MessageWindowControllerDelegate {
    void sendMessageData(const QString& userId, const QString& message) override {
        sent.push_back({userId, message});
    }
    void showMessageInfo(const QString& text) override { notices.push_back(text); }
    void onCloseMessageWindow(const QRectF& frame) override { closed.push_back(frame); }
    std::vector<std::pair<QString, QString>> sent;
    std::vector<QString> notices;
    std::vector<QRectF> closed;
};

class MessageWindowTest : public ::testing::Test {
protected:
    MessageWindowTest() { ensureQtApplication(); }
    ~MessageWindowTest() override { CommonAlert::sharedInstance().hideAllAlert(); }

    std::unique_ptr<MessageWindowController> make(int category,
                                                  std::vector<MessageInfoRef> conversations = {},
                                                  bool enable = true) {
        auto w = std::make_unique<MessageWindowController>(QRectF(0, 0, 544, 380), me, category,
                                                           std::move(conversations), users, enable);
        w->setDelegate(&delegate);
        return w;
    }
    static std::vector<QString> ids(const std::vector<UserInfoRef>& list) {
        std::vector<QString> out;
        for (const auto& u : list) out.push_back(u->userId());
        return out;
    }
    static MessageInfoRef conversationWith(const UserInfoRef& user) {
        return std::make_shared<MessageInfo>(*user);
    }

    TemporaryHome home;
    UserInfoRef me = std::make_shared<UserInfo>("me", "Me", "S0");
    UserInfoRef ann = std::make_shared<UserInfo>("ann", "Ann", "S0");
    UserInfoRef host = std::make_shared<UserInfo>("host", "Host", "H0");
    UserInfoRef bo = std::make_shared<UserInfo>("bo", "Bo", "S0");
    std::vector<UserInfoRef> users{ann, me, host, bo};
    RecordingDelegate delegate;
};

TEST_F(MessageWindowTest, TheOwnEntryIsOfferedOnlyInSeminarRooms) {
    EXPECT_EQ(ids(make(0)->destinations()), (std::vector<QString>{"ann", "host", "bo"}));
    EXPECT_EQ(ids(make(1)->destinations()), (std::vector<QString>{"ann", "me", "host", "bo"}));
    // The participant list follows: speakers outside seminars, clients in them.
    auto normal = make(0);
    normal->didChangeSpeaker(nullptr, {std::make_shared<SpeakerInfo>(1, *me),
                                       std::make_shared<SpeakerInfo>(2, UserInfo("cy", "Cy", "S0"))});
    EXPECT_EQ(ids(normal->destinations()), (std::vector<QString>{"cy"}));
    normal->didChangeClient(nullptr, {me, ann});
    EXPECT_EQ(ids(normal->destinations()), (std::vector<QString>{"cy"}));
    auto seminar = make(1);
    seminar->didChangeClient(nullptr, {me, ann});
    EXPECT_EQ(ids(seminar->destinations()), (std::vector<QString>{"me", "ann"}));
}

TEST_F(MessageWindowTest, H0AndExistingPartnersCannotBeChosen) {
    auto w = make(0, {conversationWith(bo)});
    QMenu* menu = w->makeDestinationMenu();
    ASSERT_NE(menu, nullptr);
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "Ann");
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_EQ(actions[1]->text(), "Host");
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_FALSE(actions[2]->isEnabled());  // Bo: a conversation exists
    EXPECT_FALSE(w->editorArea()->isEnabled());
    actions[0]->trigger();
    EXPECT_EQ(w->selectTabNumber(), 1);
    EXPECT_TRUE(w->editorArea()->isEnabled());
    EXPECT_EQ(w->talkList()->count(), 2);
    // A stale tag finds the destination by its id; an unknown id nothing.
    w->onSelectMenuItem(0, "host");
    EXPECT_EQ(w->selectTabNumber(), 2);
    w->onSelectMenuItem(7, "nobody");
    EXPECT_EQ(w->talkList()->count(), 3);
    // Creation disabled: the toolbar button is off.
    EXPECT_FALSE(make(0, {}, false)->createButton()->isEnabled());
}

TEST_F(MessageWindowTest, AChangedConversationSelectsOrAnnounces) {
    auto w = make(0);
    EXPECT_EQ(w->selectTabNumber(), -1);
    auto withAnn = conversationWith(ann);
    withAnn->addMessage(std::make_shared<MessageData>(ann, QDateTime::currentDateTime(), "hi"));
    // The first message with nothing selected selects its conversation.
    w->updateData(withAnn, true);
    EXPECT_EQ(w->selectTabNumber(), 0);
    EXPECT_TRUE(delegate.notices.empty());
    EXPECT_EQ(w->chatArea()->count(), 1);
    // Another partner's message announces and keeps the selection.
    auto withBo = conversationWith(bo);
    withBo->addMessage(std::make_shared<MessageData>(bo, QDateTime::currentDateTime(), "yo"));
    w->updateData(withBo, true);
    EXPECT_EQ(w->selectTabNumber(), 0);
    ASSERT_EQ(delegate.notices.size(), 1u);
    EXPECT_EQ(delegate.notices[0], LocalizedFormat("dfMSG_INCOMING_RECEIVEMESSAGE", QStringLiteral("Bo")));
    // Without notify (an own message, a rename) no notice.
    w->updateData(withBo, false);
    EXPECT_EQ(delegate.notices.size(), 1u);
    // The same partner's conversation is replaced in place.
    w->updateData(conversationWith(bo), true);
    EXPECT_EQ(w->talkList()->count(), 2);
    // selectUser makes a conversation for a listed destination only.
    w->selectUser("nobody");
    EXPECT_EQ(w->selectTabNumber(), 0);
    w->selectUser("host");
    EXPECT_EQ(w->selectTabNumber(), 2);
}

TEST_F(MessageWindowTest, TheEditorCutsSendsAndForgetsTextOnSwitching) {
    auto w = make(0, {conversationWith(ann), conversationWith(bo)});
    w->selectUser("ann");
    w->editorArea()->setPlainText(QString(600, u'z'));
    EXPECT_EQ(w->editorArea()->toPlainText().size(), 512);
    QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w->editorArea(), &ret);
    ASSERT_EQ(delegate.sent.size(), 1u);
    EXPECT_EQ(delegate.sent[0].first, "ann");
    EXPECT_EQ(delegate.sent[0].second.size(), 512);
    EXPECT_TRUE(w->editorArea()->toPlainText().isEmpty());
    // Blank text is not sent.
    w->editorArea()->setPlainText("  \n ");
    w->sendEditorText();
    EXPECT_EQ(delegate.sent.size(), 1u);
    // Switching to another conversation discards the text.
    w->editorArea()->setPlainText("draft");
    w->talkList()->setCurrentRow(1);
    EXPECT_EQ(w->selectTabNumber(), 1);
    EXPECT_TRUE(w->editorArea()->toPlainText().isEmpty());
    // Closing hands back the frame.
    w->showWindow();
    w->window()->closeWindow();
    ASSERT_EQ(delegate.closed.size(), 1u);
}

TEST_F(MessageWindowTest, TheWindowShowsJapaneseAndEnglishMessages) {
    auto withAnn = conversationWith(ann);
    const QDateTime at(QDate(2026, 12, 11), QTime(10, 0));
    withAnn->addMessage(std::make_shared<MessageData>(
        ann, at,
        QString::fromUtf8("\xE8\xB3\x87\xE6\x96\x99\xE3\x82\x92\xE9\x80\x81\xE3\x82\x8A\xE3\x81\xBE\xE3\x81"
                          "\x99\xE3\x80\x82")));
    withAnn->addMessage(std::make_shared<MessageData>(me, at, "Thanks, got it."));
    auto w = make(0, {withAnn, conversationWith(bo)});
    w->selectUser("ann");
    w->showWindow();
    const QImage shot = shoot(w->window(), "message-window");
    ASSERT_EQ(w->chatArea()->count(), 2);
    const auto bubbleRect = [&](int row, const char* name) {
        QLabel* bubble = w->chatArea()->itemWidget(w->chatArea()->item(row))->findChild<QLabel*>(name);
        EXPECT_NE(bubble, nullptr);
        return QRect(bubble->mapTo(w->window(), QPoint(0, 0)), bubble->size());
    };
    const QRect other = bubbleRect(0, "otherBubble"), own = bubbleRect(1, "ownBubble");
    // The own bubble lies whole inside the window.
    EXPECT_LE(own.right(), shot.width() - 1);
    EXPECT_LE(other.right(), shot.width() - 1);
    EXPECT_GT(pixelsNear(shot, own, overWhite(0, 0.6, 1.0, 0.7)), own.width() * own.height() / 3);
    EXPECT_GT(pixelsNear(shot, other, overWhite(0.1, 0.1, 0.1, 0.1)), other.width() * other.height() / 3);
    EXPECT_GT(inkIn(shot, own), 40);
    EXPECT_GT(inkIn(shot, other), 40);
    EXPECT_GT(own.left(), other.left());
    // The talk list names both partners, the selected one highlighted.
    const QRect talk(w->talkList()->mapTo(w->window(), QPoint(0, 0)), w->talkList()->size());
    EXPECT_GT(inkIn(shot, talk), 20);
    EXPECT_EQ(w->talkList()->item(0)->text(), "Ann");
    EXPECT_EQ(w->window()->title(), LocalizedString("dfMESSEAGE"));
}

}  // namespace
