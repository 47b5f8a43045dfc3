// The chat window outside webinar rooms: hosts the text-box view, with a
// toolbar that forces every participant's text box open and saves the chat
// (no save item when the room forbids saving).
#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QToolBar>
#include <QToolButton>

#include "platform/Window.h"

class TextBoxViewController;

class TextBoxWindowControllerDelegate {
public:
    virtual ~TextBoxWindowControllerDelegate() = default;
    virtual void onCloseTextBoxWindow(const QRectF& frame) = 0;
};

class TextBoxWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    TextBoxWindowController(const QRectF& frame, TextBoxViewController* content, bool saveDisable,
                            QObject* parent = nullptr);
    ~TextBoxWindowController() override;

    void setDelegate(TextBoxWindowControllerDelegate* delegate) { delegate_ = delegate; }
    Window* window() const { return window_; }
    TextBoxViewController* content() const { return content_; }
    QToolButton* forceDisplayItem() const { return forceDisplayItem_; }
    QToolButton* saveItem() const { return saveItem_; }

    void showWindow();
    void onClickForceDisplayBtn();
    void onClickSaveBtn();

    // WindowDelegate
    void windowDidResize(Window* window) override;
    void windowWillClose(Window* window) override;

private:
    QToolButton* makeToolbarItem(const QString& identifier, const QString& label, const QString& image);

    TextBoxWindowControllerDelegate* delegate_ = nullptr;
    QPointer<Window> window_;
    QPointer<TextBoxViewController> content_;
    QPointer<QToolBar> toolbar_;
    QPointer<QToolButton> forceDisplayItem_, saveItem_;
};
