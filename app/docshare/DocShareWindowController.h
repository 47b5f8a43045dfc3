// The document-sharing window of every room that is not a webinar: the
// shared document in a window of its own, titled with the operator's name,
// with a toolbar for the document list, the address and the file tools.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QToolBar>

#include "docshare/DocShareController.h"
#include "platform/Window.h"

class DocShareWindowControllerViewAction {
public:
    virtual ~DocShareWindowControllerViewAction() = default;
    // The window was closed (it goes once this returns).
    virtual void onCloseDocShareWindow() = 0;
};

class DocShareWindowController : public DocShareController, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr double kMinWidth = 670, kMinHeight = 400;
    // The window's frame is the operator's size with this much more height.
    static constexpr double kFollowExtraHeight = 30;

    explicit DocShareWindowController(DocShareParams params);
    ~DocShareWindowController() override;

    void setViewAction(DocShareWindowControllerViewAction* action) { viewAction_ = action; }
    Window* window() const { return window_; }
    QToolBar* toolbar() const { return toolbar_; }
    QToolButton* toolbarItem(const QString& identifier) const;
    void showWindow();
    void close();

    // Whether a toolbar item is enabled now (any unknown identifier is not).
    bool validateToolbarItem(const QString& identifier) const;
    void onClickToolbarItem(const QString& identifier);
    void updateToolBar() override;
    // The format menu of the save item (made afresh each time).
    QMenu* formatMenu() const { return formatMenu_; }

    void didChangeOperation(bool hasOperationRight, bool hasViewingRight,
                            bool hasPageOperationRight) override;

    // WindowDelegate
    void windowWillClose(Window* window) override;

protected:
    bool isViewTwin() const override { return false; }
    bool hasNavigationRight() const override;
    bool hasPageRight() const override;
    QString totalPageFormat() const override { return QStringLiteral("/ %1    |"); }
    QSizeF currentSharedSize() const override;
    void showErrorMessage(const QString& message, const QString& title = QString()) override;
    void followDocSize(const QSizeF& size) override;
    void setTitleForOperator(const UserInfoRef& operatorInfo) override;
    QWidget* focusRoot() const override { return window_; }
    void setWindowResizable(bool resizable) override;
    bool isKeyWindow() const override { return window_ && window_->isActiveWindow(); }
    QString pdfNamePrefix() const override;

private:
    DocShareWindowControllerViewAction* viewAction_ = nullptr;
    QPointer<Window> window_;
    QPointer<QToolBar> toolbar_;
    QPointer<QMenu> formatMenu_;
};
