// The text box: the editor's cut, what Return sends, the save of the chat
// (a failed write is shown and not taken as saved), the webinar pane's
// accent and focus marker, the window's toolbar and the picture it draws.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>

#include "ChatWindowTestSupport.h"
#include "chat/TextBoxViewController.h"
#include "chat/TextBoxWindowController.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Alert.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "ui/CommonAlert.h"

namespace {

using namespace chat_test;

struct RecordingDelegate : TextBoxViewControllerDelegate {
    void sendTextBoxData(const QString& text) override { sent.push_back(text); }
    void forceDisplayTextBox() override { forced++; }
    std::vector<QString> sent;
    int forced = 0;
};

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");

class TextBoxTest : public ::testing::Test {
protected:
    TextBoxTest() { ensureQtApplication(); }
    ~TextBoxTest() override { CommonAlert::sharedInstance().hideAllAlert(); }

    std::unique_ptr<TextBoxViewController> make(bool webinar, bool saveDisable = false,
                                                std::vector<TextBoxDataRef> lines = {}) {
        auto view = std::make_unique<TextBoxViewController>(me, std::move(lines), saveDisable, webinar,
                                                            std::nullopt, true, false);
        view->setDelegate(&delegate);
        view->resize(465, 380);
        return view;
    }
    static void press(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(target, &event);
    }

    TemporaryHome home;
    UserInfoRef me = std::make_shared<UserInfo>("me", "Me", "S0");
    RecordingDelegate delegate;
};

TEST_F(TextBoxTest, TheEditorIsCutAtCodePointsAndReturnSendsTheUntrimmedText) {
    auto view = make(false);
    QPlainTextEdit* editor = view->editor();
    // 513 units whose last two are one emoji: the emoji goes whole.
    editor->setPlainText(QString(511, u'a') + kEmoji);
    EXPECT_EQ(editor->toPlainText(), QString(511, u'a'));
    // 510 + emoji = 512 is kept with the emoji.
    editor->setPlainText(QString(510, u'a') + kEmoji + "b");
    EXPECT_EQ(editor->toPlainText(), QString(510, u'a') + kEmoji);
    press(editor, Qt::Key_Return);
    ASSERT_EQ(delegate.sent.size(), 1u);
    EXPECT_EQ(delegate.sent[0].size(), 512);
    EXPECT_TRUE(editor->toPlainText().isEmpty());

    // A soft line break becomes CR LF; the spaces around stay.
    editor->setPlainText(" x ");
    editor->moveCursor(QTextCursor::End);
    press(editor, Qt::Key_Return, Qt::ShiftModifier);
    editor->insertPlainText("y ");
    press(editor, Qt::Key_Return);
    ASSERT_EQ(delegate.sent.size(), 2u);
    EXPECT_EQ(delegate.sent[1], " x \r\ny ");

    // Blank lines are not sent; the editor is emptied and the hint shown.
    editor->setPlainText(" \t ");
    press(editor, Qt::Key_Return);
    EXPECT_EQ(delegate.sent.size(), 2u);
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    EXPECT_FALSE(view->placeholder()->isHidden());
}

TEST_F(TextBoxTest, ATextWithoutUtf8FormStaysAndShowsTheSheet) {
    TextBoxWindowController window(QRectF(0, 0, 465, 380), make(false).release(), false);
    auto* view = window.content();
    window.showWindow();
    view->setDelegate(&delegate);
    const QString bad = QString("a") + QChar(0xD800);
    view->editor()->setPlainText(bad);
    view->editEnd();
    EXPECT_TRUE(delegate.sent.empty());
    EXPECT_EQ(view->editor()->document()->toRawText(), bad);
    ASSERT_NE(Alert::current(), nullptr);
    EXPECT_EQ(Alert::current()->box()->parentWidget(), window.window());
    EXPECT_EQ(Alert::current()->box()->text(), LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTMESSASE"));
    Alert::current()->box()->done(0);
}

TEST_F(TextBoxTest, SavingWritesTheChatAndAFailureIsShownNotCountedAsSaved) {
    const QDate day(2026, 12, 11);
    TextBoxWindowController window(
        QRectF(0, 0, 465, 380),
        make(false, false, {std::make_shared<TextBoxData>("Ann", QDateTime(day, QTime(9, 5)), "hi", false)})
            .release(),
        false);
    window.showWindow();
    TextBoxViewController* view = window.content();
    QTemporaryDir dir;
    QString proposed;
    view->setSavePanel([&](const QString& name) -> std::optional<QString> {
        proposed = name;
        return dir.filePath("missing/chat.txt");
    });
    view->onClickSaveBtn();
    EXPECT_TRUE(proposed.startsWith(LocalizedString("dfTEXTBOX_TITLE") + "_"));
    EXPECT_FALSE(view->lastSavedPath().has_value());
    ASSERT_NE(Alert::current(), nullptr);
    EXPECT_EQ(Alert::current()->box()->text(), LocalizedString("dfTEXTBOX_SAVE_ERR"));
    Alert::current()->box()->done(0);

    view->setSavePanel([&](const QString&) -> std::optional<QString> { return dir.filePath("chat.txt"); });
    window.saveItem()->click();
    ASSERT_EQ(view->lastSavedPath(), dir.filePath("chat.txt"));
    QFile file(dir.filePath("chat.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), *view->getSaveData());
    // Cancelled: nothing happens.
    view->setSavePanel([](const QString&) { return std::nullopt; });
    view->onClickSaveBtn();
    EXPECT_EQ(view->lastSavedPath(), dir.filePath("chat.txt"));
}

TEST_F(TextBoxTest, SaveDisabledRoomsHaveNoSaveItemNorButton) {
    TextBoxWindowController window(QRectF(0, 0, 465, 380), make(false, true).release(), true);
    EXPECT_EQ(window.saveItem(), nullptr);
    ASSERT_NE(window.forceDisplayItem(), nullptr);
    window.content()->setDelegate(&delegate);
    window.forceDisplayItem()->click();
    EXPECT_EQ(delegate.forced, 1);
    auto pane = make(true, true);
    pane->show();
    EXPECT_FALSE(pane->saveBtn()->isVisible());
    EXPECT_FALSE(pane->saveBtn()->isEnabled());
    auto withSave = make(true, false);
    withSave->show();
    withSave->reloadUI(true);
    pane->reloadUI(true);
    // The editor is 44 points wider without the save button.
    EXPECT_EQ(pane->editor()->width() - withSave->editor()->width(), 44);
}

TEST_F(TextBoxTest, TheWebinarAccentSequence) {
    ScopedManualDispatcher dispatcher;
    auto pane = make(true);
    bool key = true;
    pane->setKeyWindowQuery([&] { return key; });
    const auto line = [](const char* text) {
        return std::vector<TextBoxDataRef>{
            std::make_shared<TextBoxData>("Bo", QDateTime::currentDateTime(), text, false)};
    };
    // First line: the accent shows and its timer runs.
    pane->updateData(false, line("1"));
    EXPECT_TRUE(pane->isAccentShown());
    EXPECT_TRUE(pane->isAccentTimerRunning());
    // A second line within 0.5 s: the running timer takes the accent
    // away and starts again.
    pane->updateData(false, line("2"));
    EXPECT_FALSE(pane->isAccentShown());
    EXPECT_TRUE(pane->isAccentTimerRunning());
    ASSERT_TRUE(processEventsUntil([&] { return !pane->isAccentTimerRunning(); }, 3000));
    EXPECT_FALSE(pane->isAccentShown());
    // A line after the timer ended shows the accent again, for 0.5 s.
    pane->updateData(false, line("2b"));
    EXPECT_TRUE(pane->isAccentShown());
    ASSERT_TRUE(processEventsUntil([&] { return !pane->isAccentShown(); }, 3000));
    // Not the key window: the accent stays until a click.
    key = false;
    pane->updateData(false, line("3"));
    EXPECT_TRUE(pane->isAccentShown());
    EXPECT_FALSE(pane->isAccentTimerRunning());
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(10, 200), QPointF(10, 200), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane.get(), &click);
    EXPECT_FALSE(pane->isAccentShown());
    // The send button holding the marker: no accent, the editor takes the focus.
    pane->setFocusStatus(pane->sendBtn(), true);
    pane->updateData(false, line("4"));
    EXPECT_FALSE(pane->isAccentShown());
    EXPECT_FALSE(pane->hasFocusMarker(pane->sendBtn()));
    // Notices switched off: nothing.
    pane->didChangeChatNotify(false);
    pane->updateData(false, line("5"));
    EXPECT_FALSE(pane->isAccentShown());
    EXPECT_EQ(pane->frameAccentColor(), QColor::fromRgbF(0.9f, 0, 0, 1.0f));
}

TEST_F(TextBoxTest, TabMovesTheFocusMarkerInTheWebinarPane) {
    auto pane = make(true);
    pane->show();
    press(pane->editor(), Qt::Key_Tab);
    EXPECT_TRUE(pane->hasFocusMarker(pane->saveBtn()));
    press(pane->saveBtn(), Qt::Key_Tab);
    EXPECT_FALSE(pane->hasFocusMarker(pane->saveBtn()));
    EXPECT_TRUE(pane->hasFocusMarker(pane->sendBtn()));
    press(pane->sendBtn(), Qt::Key_Backtab);
    EXPECT_TRUE(pane->hasFocusMarker(pane->saveBtn()));
    EXPECT_FALSE(pane->hasFocusMarker(pane->sendBtn()));
    // Return in the pane's editor breaks the line, it does not send.
    pane->editor()->setPlainText("a");
    pane->editor()->moveCursor(QTextCursor::End);
    press(pane->editor(), Qt::Key_Return);
    EXPECT_TRUE(delegate.sent.empty());
    pane->sendBtn()->click();
    ASSERT_EQ(delegate.sent.size(), 1u);
    EXPECT_EQ(delegate.sent[0], "a\n");
    EXPECT_TRUE(pane->hasFocusMarker(pane->sendBtn()));
}

TEST_F(TextBoxTest, TheWindowShowsJapaneseAndEnglishLinesAsBubbles) {
    const QDateTime at(QDate(2026, 12, 11), QTime(9, 5));
    std::vector<TextBoxDataRef> lines = {
        std::make_shared<TextBoxData>(
            QString::fromUtf8("\xE5\xB1\xB1\xE7\x94\xB0"), at,
            QString::fromUtf8("\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"
                              "\xE3\x80\x81\xE8\xA6\x8B\xE3\x81\x88\xE3\x81\xBE\xE3\x81\x99"
                              "\xE3\x81\x8B\xEF\xBC\x9F"),
            false),
        std::make_shared<TextBoxData>("Me", at, "Hello, I can see you clearly.", true),
    };
    TextBoxWindowController window(QRectF(0, 0, 465, 380), make(false, false, lines).release(), false);
    window.showWindow();
    const QImage shot = shoot(window.window(), "textbox-window");
    ChatBubbleList* table = window.content()->chatArea();
    ASSERT_EQ(table->count(), 2);
    const auto bubbleRect = [&](int row, const char* name) {
        QWidget* cell = table->itemWidget(table->item(row));
        QLabel* bubble = cell->findChild<QLabel*>(name);
        EXPECT_NE(bubble, nullptr);
        return QRect(bubble->mapTo(window.window(), QPoint(0, 0)), bubble->size());
    };
    const QRect other = bubbleRect(0, "otherBubble"), own = bubbleRect(1, "ownBubble");
    // The own bubble lies whole inside the window.
    EXPECT_LE(own.right(), shot.width() - 1);
    EXPECT_LE(other.right(), shot.width() - 1);
    // The other's bubble on the left, the own one on the right.
    EXPECT_LT(other.left(), 20);
    EXPECT_GT(own.right(), window.window()->width() - 40);
    const QColor ownFill = overWhite(0, 0.8, 1.0, 0.3), otherFill = overWhite(0.1, 0.1, 0.1, 0.1);
    EXPECT_GT(pixelsNear(shot, own, ownFill), own.width() * own.height() / 3);
    EXPECT_GT(pixelsNear(shot, other, otherFill), other.width() * other.height() / 3);
    // Both carry text: the heading and the message leave ink.
    EXPECT_GT(inkIn(shot, other), 40);
    EXPECT_GT(inkIn(shot, own), 40);
    EXPECT_EQ(window.window()->title(), LocalizedString("dfTEXTBOX_TITLE"));
}

}  // namespace
