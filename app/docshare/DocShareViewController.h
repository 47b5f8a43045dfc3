// The document-sharing view embedded in the conference window's webinar
// layout: the same display as the window, with navigation buttons of its own
// (shown only in a webinar) that only the operator may use.
#pragma once

#include <QPointer>

#include "docshare/DocShareController.h"

class DocShareViewControllerViewAction {
public:
    virtual ~DocShareViewControllerViewAction() = default;
    // The conference window may be resized (false while pointer or drawing is on).
    virtual void setWindowResizeBtnStatus(bool resizable) = 0;
};

class DocShareViewController : public DocShareController {
    Q_OBJECT

public:
    explicit DocShareViewController(DocShareParams params);
    ~DocShareViewController() override;

    void setViewAction(DocShareViewControllerViewAction* action) { viewAction_ = action; }
    QWidget* view() const { return rootView(); }
    QToolButton* button(const QString& name) const;

    void viewDidAppear();
    // Tears down before the view is removed.
    void closeAction();
    // The work runs on the main queue.
    void updateToolBar() override;
    void updateToolBarNow();

protected:
    bool isViewTwin() const override { return true; }
    bool hasNavigationRight() const override { return mDocShareData->hasOperationRight(); }
    bool hasPageRight() const override { return mDocShareData->hasOperationRight(); }
    QString totalPageFormat() const override { return QStringLiteral("/ %1 "); }
    QSizeF currentSharedSize() const override;
    void showErrorMessage(const QString& message, const QString& title = QString()) override;
    void followDocSize(const QSizeF& size) override;
    void setWindowResizable(bool resizable) override;
    QString pdfNamePrefix() const override;

private:
    DocShareViewControllerViewAction* viewAction_ = nullptr;
    QPointer<QWidget> navigation_;
    QPointer<QToolButton> backButton_, nextPageButton_, stopButton_, reloadButton_, saveButton_, printButton_,
        shareButton_;
};
