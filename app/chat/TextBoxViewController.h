// The text box's view: the lines as bubbles, an editor that sends a line on
// Return (in the window) or with the send button (in the webinar pane), the
// save of the conversation to a text file and, in the webinar pane, the
// frame accent when a line arrives and the focus marker of its buttons.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "chat/ChatBubbleList.h"
#include "model/TextBoxData.h"
#include "model/UserInfo.h"
#include "platform/View.h"
#include "ui/PlaceholderView.h"

class TextBoxViewControllerDelegate {
public:
    virtual ~TextBoxViewControllerDelegate() = default;
    virtual void sendTextBoxData(const QString& text) = 0;
    virtual void forceDisplayTextBox() = 0;
};

class TextBoxViewController : public View {
    Q_OBJECT

public:
    static constexpr int kMaxUnits = 512;

    TextBoxViewController(UserInfoRef user, std::vector<TextBoxDataRef> lines, bool saveDisable,
                          bool isWebinar, const std::optional<QColor>& noticeColor, bool isNotify,
                          bool isNotifySetting, QWidget* parent = nullptr);
    ~TextBoxViewController() override;

    void setDelegate(TextBoxViewControllerDelegate* delegate) { delegate_ = delegate; }

    void reloadUI(bool scrollToLast);
    void willResizeSuper();
    void updateData(bool forced, const std::optional<std::vector<TextBoxDataRef>>& lines);
    std::optional<QString> getSaveData() const;
    void onClickForceDisplayBtn();
    void onClickSaveBtn();
    void OnClickSendBtn();
    void didChangeChatNotify(bool isNotify) { isNotificationOn_ = isNotify; }

    // Sends the editor's text as the Return of the window does.
    void editEnd();

    // The save panel: answers the chosen path for a proposed name, or none
    // (cancelled). Tests put their own in place.
    void setSavePanel(std::function<std::optional<QString>(const QString& proposedName)> panel) {
        savePanel_ = std::move(panel);
    }
    // Whether the window that shows the view is the key window.
    void setKeyWindowQuery(std::function<bool()> query) { isKeyWindow_ = std::move(query); }
    // The path of the last save that was written, none before.
    std::optional<QString> lastSavedPath() const { return lastSavedPath_; }

    // State, for the windows and tests.
    bool isWebinar() const { return isWebinar_; }
    bool saveDisable() const { return saveDisable_; }
    QColor frameAccentColor() const { return frameAccentColor_; }
    bool isNotificationOn() const { return isNotificationOn_; }
    bool isAccentShown() const { return accentShown_; }
    bool isAccentTimerRunning() const { return accentTimer_.isActive(); }
    QPlainTextEdit* editor() const { return editor_; }
    ChatBubbleList* chatArea() const { return chatArea_; }
    QPushButton* saveBtn() const { return saveBtn_; }
    QPushButton* sendBtn() const { return sendBtn_; }
    PlaceholderView* placeholder() const { return placeholder_; }
    // The focus marker (webinar pane): a button holds it or not.
    void setFocusStatus(QPushButton* button, bool mark);
    bool hasFocusMarker(QPushButton* button) const;
    void removeFrameAccent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void editorTextChanged();
    QString editorText() const;
    void startFrameAccentTimer();
    void showFrameAccent();
    void refreshTable(bool scrollToLast);

    TextBoxViewControllerDelegate* delegate_ = nullptr;
    UserInfoRef user_;
    std::vector<TextBoxDataRef> lines_;
    bool saveDisable_, isWebinar_;
    QColor frameAccentColor_;
    bool isNotificationOn_ = false;
    double willResizeScrollY_ = 0;
    bool accentShown_ = false;
    bool cutting_ = false;
    QTimer accentTimer_;
    QPointer<ChatBubbleList> chatArea_;
    QPointer<QPlainTextEdit> editor_;
    QPointer<PlaceholderView> placeholder_;
    QPointer<QPushButton> saveBtn_, sendBtn_;
    std::function<std::optional<QString>(const QString&)> savePanel_;
    std::function<bool()> isKeyWindow_;
    std::optional<QString> lastSavedPath_;
};
