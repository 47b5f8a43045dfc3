#include "docshare/DocShareWindowController.h"

#include <QCursor>
#include <QLayout>

#include "platform/Localization.h"
#include "platform/View.h"
#include "ui/CommonAlert.h"

namespace {

struct ToolbarItem {
    const char* id;
    const char* label;
    const char* log;
};

const ToolbarItem kToolbarItems[] = {
    {"id_docshare_tool_back", "\u25C0", "[DocShare]Back button was clicked."},
    {"id_docshare_tool_next", "\u25B6", "[DocShare]Forward button was clicked."},
    {"id_docshare_tool_stop", "\u2715", "[DocShare]Stop button was clicked."},
    {"id_docshare_tool_reload", "\u21BB", "[DocShare]Reload button was clicked."},
    {"id_docshare_tool_share", "Share", "[DocShare]Upload button was clicked."},
    {"id_docshare_tool_save", "Save", "[DocShare]Save button was clicked."},
    {"id_docshare_tool_print", "Print", "[DocShare]Print button was clicked."},
};

}  // namespace

DocShareWindowController::DocShareWindowController(DocShareParams params)
    : DocShareController(std::move(params)) {
    window_ = new Window(mDefaultWindowRect, WindowStyleTitled | WindowStyleClosable |
                                                 WindowStyleMiniaturizable | WindowStyleResizable);
    window_->setObjectName(QStringLiteral("docShareWindow"));
    window_->setFrame(mDefaultWindowRect, false);
    window_->setMinSize(QSizeF(kMinWidth, kMinHeight));

    auto* root = new View();
    root->setObjectName(QStringLiteral("docShareContent"));
    window_->setContentView(root);
    root->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);

    toolbar_ = new QToolBar(root);
    toolbar_->setObjectName(QStringLiteral("docshare_toolbar_id"));
    toolbar_->setMovable(false);
    for (const ToolbarItem& item : kToolbarItems) {
        auto* button = new QToolButton(toolbar_);
        const QString id = QString::fromLatin1(item.id);
        button->setObjectName(id);
        button->setText(QString::fromUtf8(item.label));
        connect(button, &QToolButton::clicked, this, [this, id] { onClickToolbarItem(id); });
        toolbar_->addWidget(button);
    }
    searchField_ = new QLineEdit(toolbar_);
    searchField_->setObjectName(QStringLiteral("id_docshare_tool_search"));
    searchField_->setMinimumWidth(260);
    connect(searchField_, &QLineEdit::returnPressed, this, [this] { onActionSearchField(); });
    toolbar_->addWidget(searchField_);

    buildContent(root, toolbar_);
    window_->setDelegate(this);

    setTitleForOperator(mDocShareData->ownerInfo());
    const bool editable = mDocShareData->hasOperationRight() && !mDocShareData->isDrawingOn();
    setEnabledEditable(searchField_, editable);
    loadContent();
}

DocShareWindowController::~DocShareWindowController() {
    releaseWebView();
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

void DocShareWindowController::showWindow() {
    window_->show();
    window_->makeKeyAndOrderFront();
}

void DocShareWindowController::close() {
    if (window_) window_->closeWindow();
}

QToolButton* DocShareWindowController::toolbarItem(const QString& identifier) const {
    return toolbar_ ? toolbar_->findChild<QToolButton*>(identifier) : nullptr;
}

bool DocShareWindowController::hasNavigationRight() const {
    return mDocShareData->hasOperationRight() || mDocShareData->hasViewingRight();
}

bool DocShareWindowController::hasPageRight() const {
    return mDocShareData->hasOperationRight() || mDocShareData->hasViewingRight() ||
           mDocShareData->hasPageOperationRight();
}

QSizeF DocShareWindowController::currentSharedSize() const {
    return window_ ? window_->frame().size() : QSizeF();
}

bool DocShareWindowController::validateToolbarItem(const QString& id) const {
    const bool drawing = mDocShareData->isDrawingOn();
    const bool op = mDocShareData->hasOperationRight();
    const std::int64_t index = mDocShareData->currentFileNumber();
    const std::int64_t count = mDocShareData->documents().size();
    if (id == QLatin1String("id_docshare_tool_back")) return !drawing && hasNavigationRight() && index > 0;
    if (id == QLatin1String("id_docshare_tool_next"))
        return !drawing && hasNavigationRight() && index + 1 < count;
    if (id == QLatin1String("id_docshare_tool_stop") || id == QLatin1String("id_docshare_tool_reload"))
        return !drawing && hasNavigationRight();
    if (id == QLatin1String("id_docshare_tool_share")) return !drawing && op;
    if (id == QLatin1String("id_docshare_tool_save")) return mIsEnabledSave;
    if (id == QLatin1String("id_docshare_tool_print")) return mIsEnabledPrint;
    if (id == QLatin1String("id_docshare_tool_search")) return !drawing && op;
    return false;
}

void DocShareWindowController::updateToolBar() {
    if (!toolbar_) return;
    const bool editable = mDocShareData->hasOperationRight() && !mDocShareData->isDrawingOn();
    setEnabledEditable(searchField_, editable);
    for (const ToolbarItem& item : kToolbarItems) {
        const QString id = QString::fromLatin1(item.id);
        if (QToolButton* button = toolbarItem(id)) button->setEnabled(validateToolbarItem(id));
    }
    setEnabledEditable(searchField_, validateToolbarItem(QStringLiteral("id_docshare_tool_search")));
}

void DocShareWindowController::onClickToolbarItem(const QString& id) {
    // Back, next, stop and reload write their lines themselves.
    if (id == QLatin1String("id_docshare_tool_back")) {
        onClickBack();
        return;
    } else if (id == QLatin1String("id_docshare_tool_next")) {
        onClickNext();
        return;
    } else if (id == QLatin1String("id_docshare_tool_stop")) {
        onClickStop();
        return;
    } else if (id == QLatin1String("id_docshare_tool_reload")) {
        onClickReload();
        return;
    }
    for (const ToolbarItem& item : kToolbarItems)
        if (id == QLatin1String(item.id)) log(item.log);
    if (id == QLatin1String("id_docshare_tool_share")) {
        shareFilesOnDevice();
    } else if (id == QLatin1String("id_docshare_tool_save")) {
        delete formatMenu_.data();
        formatMenu_ = createFormatMenu(window_);
        formatMenu_->popup(QCursor::pos());
    } else if (id == QLatin1String("id_docshare_tool_print")) {
        printCurrentDocument();
    }
}

void DocShareWindowController::setWindowResizable(bool resizable) {
    if (!window_) return;
    const unsigned style = window_->styleMask();
    window_->setStyleMask(resizable ? style | WindowStyleResizable : style & ~unsigned(WindowStyleResizable));
}

QString DocShareWindowController::pdfNamePrefix() const {
    return window_ ? window_->windowTitle() : QString();
}

void DocShareWindowController::didChangeOperation(bool, bool, bool) {
    if (mDispMode == 1) setImageOperationTool();
    updateToolBar();
}

void DocShareWindowController::showErrorMessage(const QString& message, const QString& title) {
    CommonAlert::sharedInstance().showModalSheet(window_, std::nullopt,
                                                 title.isEmpty() ? std::nullopt : std::optional(title),
                                                 message, std::nullopt, nullptr, nullptr);
}

void DocShareWindowController::followDocSize(const QSizeF& size) {
    const QRectF frame = window_->frame();
    const double height = size.height() + kFollowExtraHeight;
    window_->setFrame(QRectF(frame.x(), frame.y() + frame.height() - height, size.width(), height), true);
}

void DocShareWindowController::setTitleForOperator(const UserInfoRef& operatorInfo) {
    if (!window_) return;
    const QString name = operatorInfo ? operatorInfo->userName() : QString();
    window_->setTitle(LocalizedFormat("dfDOCSHAREOWNER", name));
}

void DocShareWindowController::windowWillClose(Window*) {
    tearDown();
    if (viewAction_) viewAction_->onCloseDocShareWindow();
}
