#pragma once

// The floating window of a many-meeting room that holds the other speakers'
// tiles (the conference window's speaker grid, which stays the conference
// window's: this window never deletes it). A toolbar button pins the window in
// front of all others; the frame and the pin state are kept in the user
// defaults from one run to the next. The grid is never made smaller than its
// minimum size (nor than 170 x 128). Main thread only.
//
// Frames are bottom-up screen coordinates. The window's frame covers the
// toolbar strip along its top and the grid below it; the saved rectangle is the
// window's origin with the grid's width and height.

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QStringList>

#include "platform/Window.h"

class AutoAlignmentView;
class OtherVideoWindowController;
class QPushButton;

class OtherVideoWindowControllerDelegate {
public:
    virtual ~OtherVideoWindowControllerDelegate() = default;
    virtual void saveWindowFrame(OtherVideoWindowController* controller) = 0;
};

class OtherVideoWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr double kToolbarHeight = 40;
    static constexpr double kMinContentWidth = 170;
    static constexpr double kMinContentHeight = 128;

    // The window is built, not shown: at the saved frame, or half the base
    // rectangle's size centred in it when none is saved.
    OtherVideoWindowController(const QRectF& baseRect, AutoAlignmentView* content, QObject* parent = nullptr);
    ~OtherVideoWindowController() override;

    // The window size a resize to `proposed` ends in: at least as wide as the
    // grid's minimum and as high as it plus the title height (pure).
    static QSizeF constrainResize(QSizeF proposed, QSizeF minViewSize, double titleHeight);

    Window* window() const { return window_; }
    AutoAlignmentView* content() const { return content_; }
    void setContent(AutoAlignmentView* content) { content_ = content; }
    bool isDispFront() const { return isDispFront_; }
    void setIsDispFront(bool on) { isDispFront_ = on; }
    OtherVideoWindowControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(OtherVideoWindowControllerDelegate* delegate) { delegate_ = delegate; }

    void showWindow();
    void close();

    // The pin button.
    void onClickDispButton(QPushButton* button);
    void bringWindowTheFront(QPushButton* button);

    // User defaults.
    void saveWindowFrame();
    static QRectF loadWindowFrame();
    void saveDispMode();
    void loadDispMode(bool refreshItem);

    // Toolbar.
    static QStringList getToolbarItemArray();
    static QStringList toolbarDefaultItemIdentifiers() { return getToolbarItemArray(); }
    static QStringList toolbarAllowedItemIdentifiers() { return getToolbarItemArray(); }
    // The item's widget for an identifier, or none.
    QWidget* toolbarItemForIdentifier(const QString& identifier);

    // Window delegate.
    QSizeF windowWillResize(Window* window, QSizeF proposed) override;
    void windowWillClose(Window* window) override;

private:
    void initWindow(const QRectF& baseRect);
    void makeToolbar(const QString& identifier);
    void setContentView();
    void applyPinImage(QPushButton* button) const;

    QPointer<AutoAlignmentView> content_;
    bool isDispFront_ = false;
    OtherVideoWindowControllerDelegate* delegate_ = nullptr;
    Window* window_ = nullptr;
    View* toolbar_ = nullptr;
    QPointer<QPushButton> pinButton_;
};
