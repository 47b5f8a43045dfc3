// The chat side of the conference window's feature windows: creates, keeps
// (one of each) and lets go of the text-box view and window and the message
// window, and passes their requests and close reports to the conference
// window.
#pragma once

#include <QPointer>
#include <functional>

#include "chat/MessageWindowController.h"
#include "chat/TextBoxViewController.h"
#include "chat/TextBoxWindowController.h"
#include "conference/StartViewController.h"

class ChatWindows : public ConferenceFeatureWindows,
                    public TextBoxViewControllerDelegate,
                    public TextBoxWindowControllerDelegate,
                    public MessageWindowControllerDelegate {
public:
    // `controller` answers the conference window (set after it is made).
    explicit ChatWindows(std::function<StartViewController*()> controller);
    ~ChatWindows() override;

    // ConferenceFeatureWindows
    bool hasTextBoxView() const override { return textBoxView_ != nullptr; }
    void openTextBox(const TextBoxLaunch& launch) override;
    void updateTextBox(bool forced, const std::vector<TextBoxDataRef>& lines) override;
    QRectF deleteTextBoxView() override;
    std::optional<QString> textBoxSaveData() const override;
    QWidget* textBoxWindow() const override;
    bool hasMessageWindow() const override { return messageWindow_ != nullptr; }
    void openMessageWindow(const MessageLaunch& launch, const std::optional<QString>& userId) override;
    void updateMessageWindow(const MessageInfoRef& info, bool notify) override;
    QWidget* messageWindow() const override;
    void closeConferenceWindows(bool keepForReconnect) override;

    TextBoxViewController* textBoxView() const { return textBoxView_; }
    TextBoxWindowController* textBoxWindowController() const { return textBoxWindow_; }
    MessageWindowController* messageWindowController() const { return messageWindow_; }

    // TextBoxViewControllerDelegate
    void sendTextBoxData(const QString& text) override;
    void forceDisplayTextBox() override;
    // TextBoxWindowControllerDelegate
    void onCloseTextBoxWindow(const QRectF& frame) override;
    // MessageWindowControllerDelegate
    void sendMessageData(const QString& userId, const QString& message) override;
    void showMessageInfo(const QString& text) override;
    void onCloseMessageWindow(const QRectF& frame) override;

private:
    StartViewController* controller() const { return controller_ ? controller_() : nullptr; }

    std::function<StartViewController*()> controller_;
    QPointer<TextBoxViewController> textBoxView_;
    QPointer<TextBoxWindowController> textBoxWindow_;
    QPointer<MessageWindowController> messageWindow_;
};
