#include "docshare/DocShareViewController.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QMenu>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "ui/CommonAlert.h"

DocShareViewController::DocShareViewController(DocShareParams params)
    : DocShareController(std::move(params)) {
    auto* root = new QWidget();
    root->setObjectName(QStringLiteral("docShareView"));
    root->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    navigation_ = new QWidget(root);
    navigation_->setObjectName(QStringLiteral("docShareNavigation"));
    auto* row = new QHBoxLayout(navigation_);
    row->setContentsMargins(6, 2, 6, 2);
    auto make = [&](const char* name, const char* text) {
        auto* b = new QToolButton(navigation_);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(QString::fromUtf8(text));
        row->addWidget(b);
        return b;
    };
    backButton_ = make("backButton", "\u25C0");
    nextPageButton_ = make("nextPageButton", "\u25B6");
    stopButton_ = make("stopButton", "\u2715");
    reloadButton_ = make("reloadButton", "\u21BB");
    searchField_ = new QLineEdit(navigation_);
    searchField_->setObjectName(QStringLiteral("id_docshare_tool_search"));
    row->addWidget(searchField_, 1);
    shareButton_ = make("shareButton", "Share");
    saveButton_ = make("saveButton", "Save");
    printButton_ = make("printButton", "Print");
    connect(backButton_, &QToolButton::clicked, this, [this] { onClickBack(); });
    connect(nextPageButton_, &QToolButton::clicked, this, [this] { onClickNext(); });
    connect(stopButton_, &QToolButton::clicked, this, [this] { onClickStop(); });
    connect(reloadButton_, &QToolButton::clicked, this, [this] { onClickReload(); });
    connect(shareButton_, &QToolButton::clicked, this, [this] { shareFilesOnDevice(); });
    connect(saveButton_, &QToolButton::clicked, this, [this] {
        log("[DocShare]Save button was clicked.");
        QMenu* menu = createFormatMenu(rootView());
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(QCursor::pos());
    });
    connect(printButton_, &QToolButton::clicked, this, [this] {
        log("[DocShare]Print button was clicked.");
        printCurrentDocument();
    });
    connect(searchField_, &QLineEdit::returnPressed, this, [this] { onActionSearchField(); });
    if (!mIsWebinar) {
        for (QWidget* w : {static_cast<QWidget*>(backButton_), static_cast<QWidget*>(nextPageButton_),
                           static_cast<QWidget*>(stopButton_), static_cast<QWidget*>(reloadButton_),
                           static_cast<QWidget*>(saveButton_), static_cast<QWidget*>(printButton_),
                           static_cast<QWidget*>(shareButton_), static_cast<QWidget*>(searchField_)})
            w->hide();
    }
    buildContent(root, navigation_);
    loadContent();
}

DocShareViewController::~DocShareViewController() {
    releaseWebView();
    delete rootView();
}

QToolButton* DocShareViewController::button(const QString& name) const {
    return navigation_ ? navigation_->findChild<QToolButton*>(name) : nullptr;
}

void DocShareViewController::viewDidAppear() {
    if (!mDocShareData->hasOperationRight() &&
        (mDocShareData->isDrawingOn() || mDocShareData->isPointerOn()) && delegate_)
        delegate_->requestDocSize();
}

void DocShareViewController::closeAction() {
    tearDown();
}

void DocShareViewController::updateToolBar() {
    mainQueue().async(this, [this] { updateToolBarNow(); });
}

void DocShareViewController::updateToolBarNow() {
    const bool drawing = mDocShareData->isDrawingOn();
    const bool op = mDocShareData->hasOperationRight();
    const std::int64_t index = mDocShareData->currentFileNumber();
    const std::int64_t count = mDocShareData->documents().size();
    backButton_->setEnabled(!drawing && op && index > 0);
    nextPageButton_->setEnabled(!drawing && op && index + 1 < count);
    stopButton_->setEnabled(!drawing && op);
    reloadButton_->setEnabled(!drawing && op);
    saveButton_->setEnabled(mIsEnabledSave);
    printButton_->setEnabled(mIsEnabledPrint);
    shareButton_->setEnabled(!drawing && op);
    setEnabledEditable(searchField_, op && !drawing);
}

QSizeF DocShareViewController::currentSharedSize() const {
    if (mDispMode == 1 && !mContentImage.isNull()) return QSizeF(mContentImage.size());
    return webSharedSize();
}

void DocShareViewController::showErrorMessage(const QString& message, const QString& title) {
    if (mIsWebinar)
        CommonAlert::sharedInstance().showModalAlert(
            this, title.isEmpty() ? std::nullopt : std::optional(title), message, std::nullopt);
}

void DocShareViewController::followDocSize(const QSizeF& size) {
    if (mDispMode != 0) return;
    QWidget* web = webPageView_->widget();
    const double viewWidth = rootView()->width();
    if (viewWidth > size.width()) {
        web->setFixedWidth(int(size.width()));
        web->move(int((viewWidth - (size.width() - 30)) / 2), web->y());
    } else {
        webPageView_->setDocumentWidth(size.width() - 30);
        webPageView_->reloadFromOrigin();
    }
}

void DocShareViewController::setWindowResizable(bool resizable) {
    if (viewAction_) viewAction_->setWindowResizeBtnStatus(resizable);
}

QString DocShareViewController::pdfNamePrefix() const {
    return LocalizedString("dfMAINVIEW_MENUBTN_DOCSHARE");
}
