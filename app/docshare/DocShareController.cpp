#include "docshare/DocShareController.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "docshare/DSImageScale.h"
#include "docshare/DSNotificator.h"
#include "docshare/DSTextPage.h"
#include "docshare/WebEnginePageView.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "services/LogFileManager.h"
#include "services/QuorixUtils.h"

namespace {

const QString kIdSearch = QStringLiteral("id_docshare_tool_search");
const QString kIdPage = QStringLiteral("id_docshare_image_tool_page");
const QString kIdZoom = QStringLiteral("id_docshare_image_tool_zoom_scale");
const QString kIdPrevious = QStringLiteral("id_docshare_image_tool_previous");
const QString kIdNext = QStringLiteral("id_docshare_image_tool_next");
const QString kIdZoomOut = QStringLiteral("id_docshare_image_tool_zoom_out");
const QString kIdZoomIn = QStringLiteral("id_docshare_image_tool_zoom_in");
const QString kIdAdjustWidth = QStringLiteral("id_docshare_image_tool_adjust_width");
const QString kIdFitWindow = QStringLiteral("id_docshare_image_tool_fit_window");
const QString kIdDownload = QStringLiteral("id_docshare_image_tool_download");

QString normaliseUrl(const QString& url) {
    QString out = url;
    if (!out.startsWith(QStringLiteral("http://")) && !out.startsWith(QStringLiteral("https://")))
        out.prepend(QStringLiteral("http://"));
    return out.trimmed();
}

void setButtonImage(QToolButton* button, const QString& image) {
    button->setProperty("imageName", image);
    if (const auto path = MainBundle::pathForResource(image, QStringLiteral("png")))
        button->setIcon(QIcon(*path));
}

// Forwards the focus-in of the page and zoom fields as the beginning of their editing.
class FieldFocusFilter : public QObject {
public:
    FieldFocusFilter(DocShareController* owner, QLineEdit* field)
        : QObject(field), owner_(owner), field_(field) {
        field->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == field_ && event->type() == QEvent::FocusIn) owner_->controlTextDidBeginEditing(field_);
        return false;
    }

private:
    DocShareController* owner_;
    QLineEdit* field_;
};

}  // namespace

DocShareController::DocShareController(DocShareParams params)
    : delegate_(params.delegate),
      mDefaultWindowRect(params.rect),
      mLoginUrlStr(params.loginUrl),
      mDefaultUrl(params.defaultUrl),
      mHostUrl(params.hostUrl),
      mRoomCategory(params.roomCategory),
      mDocShareData(params.dsData),
      mMaxUploadSize(std::int64_t(params.maxUploadSize) * 1048576),
      mIsEnabledSave(params.isEnabledSave),
      mIsEnabledPrint(params.isEnabledPrint),
      mIsWebinar(params.isWebinar),
      makeWebPageView_(std::move(params.makeWebPageView)),
      notificatorSource_(params.notificator ? params.notificator : &DSNotificator::sharedNotificator()),
      mFileDownloader(std::make_unique<DSFileDownloader>()),
      self_(std::make_shared<DocShareController*>(this)) {
    if (!makeWebPageView_) makeWebPageView_ = WebEnginePageView::factory();
    mFileDownloader->setDelegate(this);
}

DocShareController::~DocShareController() {
    *self_ = nullptr;
    tearDown();
    mFileDownloader->setDelegate(nullptr);
}

void DocShareController::log(const char* line) const {
    LogFileManager::write(QString::fromLatin1(line), 2, false);
}

// ---- Building ----

void DocShareController::buildContent(QWidget* root, QWidget* navigation) {
    root_ = root;
    auto* layout = new QVBoxLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (navigation) layout->addWidget(navigation);

    webPageView_ = makeWebPageView_();
    QWidget* web = webPageView_->widget();
    web->setObjectName(QStringLiteral("webPageView"));
    layout->addWidget(web, 1);

    // The image tool bar.
    imageToolBar_ = new QWidget(root);
    imageToolBar_->setObjectName(QStringLiteral("imageToolBar"));
    auto* bar = new QHBoxLayout(imageToolBar_);
    bar->setContentsMargins(6, 2, 6, 2);
    auto makeButton = [this](QWidget* parent, const QString& id, const QString& text) {
        auto* b = new QToolButton(parent);
        b->setObjectName(id);
        b->setText(text);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, id] { onClickImageToolItem(id); });
        return b;
    };
    previousButton_ = makeButton(imageToolBar_, kIdPrevious, QStringLiteral("\u25C0"));
    nextButton_ = makeButton(imageToolBar_, kIdNext, QStringLiteral("\u25B6"));
    currentPageText_ = new QLineEdit(imageToolBar_);
    currentPageText_->setObjectName(kIdPage);
    currentPageText_->setFixedWidth(48);
    currentPageText_->setAlignment(Qt::AlignRight);
    totalPageText_ = new QLabel(imageToolBar_);
    totalPageText_->setObjectName(QStringLiteral("totalPageText"));
    zoomOutButton_ = makeButton(imageToolBar_, kIdZoomOut, QStringLiteral("\u2212"));
    zoomInButton_ = makeButton(imageToolBar_, kIdZoomIn, QStringLiteral("+"));
    scaleText_ = new QLineEdit(imageToolBar_);
    scaleText_->setObjectName(kIdZoom);
    scaleText_->setFixedWidth(64);
    scaleText_->setAlignment(Qt::AlignRight);
    adjustWidthButton_ = makeButton(imageToolBar_, kIdAdjustWidth, QStringLiteral("\u2194"));
    fitWindowButton_ = makeButton(imageToolBar_, kIdFitWindow, QStringLiteral("\u2922"));
    downloadButton_ = makeButton(imageToolBar_, kIdDownload, QStringLiteral("PDF"));
    bar->addWidget(previousButton_);
    bar->addWidget(nextButton_);
    bar->addWidget(currentPageText_);
    bar->addWidget(totalPageText_);
    bar->addWidget(zoomOutButton_);
    bar->addWidget(zoomInButton_);
    bar->addWidget(scaleText_);
    bar->addWidget(adjustWidthButton_);
    bar->addWidget(fitWindowButton_);
    bar->addStretch(1);
    bar->addWidget(downloadButton_);
    layout->addWidget(imageToolBar_);
    for (QLineEdit* field : {currentPageText_.data(), scaleText_.data()}) {
        new FieldFocusFilter(this, field);
        connect(field, &QLineEdit::textEdited, this, [this, field] { controlTextDidChange(field); });
        // Return and the loss of focus both end an editing; only the first counts.
        connect(field, &QLineEdit::editingFinished, this, [this, field] {
            if (field == scaleText_ ? bool(srcScaleText) : bool(srcPageText)) controlTextDidEndEditing(field);
        });
    }

    // The page-image area and its scroll area.
    fileImageView_ = new DSImageView(root);
    fileImageView_->setObjectName(QStringLiteral("fileImageView"));
    auto* area = new QVBoxLayout(fileImageView_);
    area->setContentsMargins(0, 0, 0, 0);
    scrollArea_ = new QScrollArea(fileImageView_);
    scrollArea_->setObjectName(QStringLiteral("scrollArea"));
    scrollArea_->setWidgetResizable(false);
    scrollArea_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->addWidget(scrollArea_);
    layout->addWidget(fileImageView_, 1);
    mImageView = new FlipImageView();
    mImageView->setObjectName(QStringLiteral("imageView"));
    scrollArea_->setWidget(mImageView);
    connect(scrollArea_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { didChangeScrollViewBounds(); });
    connect(scrollArea_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { didChangeScrollViewBounds(); });
    fileImageView_->setResizeHandler([this] { didResizeImageArea(); });

    // The footer: the drawing tools.
    footer_ = new QWidget(root);
    footer_->setObjectName(QStringLiteral("footer"));
    auto* foot = new QHBoxLayout(footer_);
    foot->setContentsMargins(6, 2, 6, 2);
    auto makeFooter = [&](const char* id, const char* text) {
        auto* b = new QToolButton(footer_);
        b->setObjectName(QString::fromLatin1(id));
        b->setText(QString::fromUtf8(text));
        b->setAutoRaise(true);
        foot->addWidget(b);
        return b;
    };
    penButton_ = makeFooter("id_docshare_draw_tool_pen", "Pen");
    penWidthButton_ = makeFooter("id_docshare_draw_tool_pen_width", "\u2261");
    penColorButton_ = makeFooter("id_docshare_draw_tool_pen_color", "\u25A0");
    drawClearButton_ = makeFooter("id_docshare_draw_tool_clear", "Clear");
    eraserButton_ = makeFooter("id_docshare_draw_tool_eraser", "Eraser");
    eraserWidthButton_ = makeFooter("id_docshare_draw_tool_eraser_width", "\u2261");
    foot->addStretch(1);
    pointerButton_ = makeFooter("id_docshare_draw_tool_pointer", "Pointer");
    pointerButton_->setCheckable(true);
    drawButton_ = makeFooter("id_docshare_draw_tool_draw", "Draw");
    drawButton_->setCheckable(true);
    forceDisplayButton_ = makeFooter("id_docshare_draw_tool_force_display", "Force display");
    layout->addWidget(footer_);
    connectDrawTools();
}

void DocShareController::loadContent() {
    webPageView_->setDelegate(this);
    fileImageView_->setDispMode(!mDocShareData->isDrawingOn() && !mDocShareData->isPointerOn() ? 1 : 0);
    fileImageView_->hide();
    setImageviewToolbarBtnHidden(true);
    scaleRange_ = int(mDocShareData->zoomRange());

    searchField_->setText(mDefaultUrl);
    searchField_->clearFocus();
    setFooterTool();

    const DSDocumentRef current = mDocShareData->getCurrentDocument();
    if (!current) {
        loadWebPage(true, mDefaultUrl, mDocShareData->hasOperationRight());
    } else if (mDocShareData->hasOperationRight()) {
        loadWebPage(true, mDefaultUrl, true);
    } else {
        changeDispMode(current->type() == 1 ? 1 : 0);
        if (current->type() == 1) {
            mFileDownloader->downloadImage(current, int(mDocShareData->currentPageNumber()));
            setImageOperationTool();
        } else {
            webPageView_->load(current->documentUrl());
            if (!isViewTwin()) searchField_->setText(current->documentUrl());
        }
    }
    mNotificator = std::make_unique<DSNotificatorDispatcher>(notificatorSource_);
    mNotificator->setDelegate(this);
}

void DocShareController::releaseWebView() {
    tearDown();
    webPageView_.reset();
}

void DocShareController::tearDown() {
    if (webPageView_) {
        webPageView_->stopLoading();
        webPageView_->setDelegate(nullptr);
    }
    tracksMouse_ = false;
    removeMouseMoveMonitor();
    closeColorPanel();
    pdfDownloader_.cancel();
    if (mNotificator) {
        mNotificator->setDelegate(nullptr);
        mNotificator.reset();
    }
    mFileDownloader->cancel();
    deleteProgressIndicatorWindow();
}

void DocShareController::startDocShare() {
    loadWebPage(true, mDefaultUrl, mDocShareData->hasOperationRight());
}

// ---- Display: web pages and the document list ----

void DocShareController::changeDispMode(long mode) {
    if (mode == 0) {
        webPageView_->widget()->show();
        fileImageView_->hide();
        setImageviewToolbarBtnHidden(true);
    } else if (mode == 1) {
        webPageView_->widget()->hide();
        fileImageView_->show();
        setImageviewToolbarBtnHidden(false);
        searchField_->setText(QString());
        searchField_->clearFocus();
    }
    mDispMode = mode;
}

bool DocShareController::isUploadedDocumentUrl(const QString& url) const {
    if (mLoginUrlStr.isEmpty()) return false;
    return url.contains(mLoginUrlStr + QStringLiteral("uploader/files/")) ||
           url.contains(mLoginUrlStr + QStringLiteral("/uploader/files/"));
}

QSizeF DocShareController::webSharedSize() const {
    const QSizeF doc = webPageView_->documentSize();
    return QSizeF(doc.width() + 20, doc.height());
}

void DocShareController::loadWebPage(bool load, const QString& url, bool isSave) {
    const bool uploaded = isUploadedDocumentUrl(url);
    const QString address = normaliseUrl(url);
    if (isSave) {
        auto document = std::make_shared<DSDocument>(address);
        const DSDocumentRef latest = mDocShareData->getLatestDocument();
        const bool startPageAgain = latest && latest->documentUrl() == mDefaultUrl && address == mDefaultUrl;
        if (!startPageAgain) mDocShareData->addDocument(document);
        mDocShareData->setCurrentFileNumber(std::int64_t(mDocShareData->documents().size()) - 1);
        mDocShareData->setSharedSize(currentSharedSize());
        if (delegate_) delegate_->updateDocument(address, -1);
    }
    if (!address.endsWith(QStringLiteral("about:blank"))) {
        if (load) {
            webPageView_->load(address);
            if (mDispMode == 1) changeDispMode(0);
        }
        searchField_->setText(uploaded ? QString() : address);
    }
    if (mDispMode == 1) changeDispMode(0);
    updateToolBar();
}

void DocShareController::onActionSearchField() {
    log("[DocShare]Share the entered URL.");
    if (!searchField_ || !mDocShareData->hasOperationRight() || mDocShareData->isDrawingOn()) return;
    const QString typed = searchField_->text();
    QNetworkRequest request{QUrl(typed)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QuorixUtils::GetAppUserAgent());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/plain; charset=utf-8"));
    QNetworkReply* reply = network_.post(request, typed.toUtf8());
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        // Any answer of the server counts, whatever its status; only no answer is a failure.
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        const QString error = reply->errorString();
        mainQueue().async(this, [this, answered, error] {
            if (answered) {
                loadWebPage(true, searchField_->text(), true);
            } else {
                showErrorMessage(error);
            }
        });
    });
}

void DocShareController::loadDocument() {
    const DSDocumentRef document = mDocShareData->getCurrentDocument();
    if (!document) return;
    if (document->type() == 1) {
        if (mDispMode == 0) changeDispMode(1);
        fileImageView_->setDispMode(1);
        mFileDownloader->downloadImage(document, int(mDocShareData->currentPageNumber()));
        setImageOperationTool();
        if (delegate_) delegate_->updateDocument(document->documentUrl(), mDocShareData->currentPageNumber());
        if (!isViewTwin()) updateToolBar();
    } else if (document->type() == 0) {
        if (mDispMode == 1) changeDispMode(0);
        webPageView_->load(document->documentUrl());
        if (!isViewTwin()) searchField_->setText(document->documentUrl());
        if (delegate_) delegate_->updateDocument(document->documentUrl(), -1);
        updateToolBar();
    }
}

void DocShareController::onClickBack() {
    log("[DocShare]Back button was clicked.");
    const std::int64_t index = mDocShareData->currentFileNumber();
    if (index <= 0) return;
    mDocShareData->setCurrentFileNumber(index - 1);
    mDocShareData->setCurrentPageNumber(0);
    loadDocument();
}

void DocShareController::onClickNext() {
    log("[DocShare]Forward button was clicked.");
    const std::int64_t index = mDocShareData->currentFileNumber();
    if (index + 1 >= std::int64_t(mDocShareData->documents().size())) return;
    mDocShareData->setCurrentFileNumber(index + 1);
    mDocShareData->setCurrentPageNumber(0);
    loadDocument();
}

void DocShareController::onClickStop() {
    log("[DocShare]Stop button was clicked.");
    if (delegate_) delegate_->stopLoading();
    webPageView_->stopLoading();
}

void DocShareController::onClickReload() {
    log("[DocShare]Reload button was clicked.");
    if (delegate_) delegate_->reloadPage();
    webPageView_->reload();
}

bool DocShareController::decidePolicyForNavigation(const QUrl& url, bool isLinkClick, bool frameHasRequest) {
    if (!frameHasRequest) return true;
    if (!isLinkClick) return true;
    if (!mDocShareData->hasOperationRight()) return false;  // followers stay on the shared page
    loadWebPage(false, url.toString(), true);
    updateToolBar();
    return true;
}

void DocShareController::decidePolicyForNewWindow(const QUrl& url, bool isLinkClick) {
    if (isLinkClick) QDesktopServices::openUrl(url);
}

void DocShareController::didFinishLoad(bool) {
    if (mDocShareData->isDrawingOn()) return;  // the drawing overlay is made by the drawing tools
    if (mDocShareData->isPointerOn()) {
        webPageView_->scrollToPoint(mDocShareData->scrollPoint());
        if (isViewTwin() && mDocShareData->hasOperationRight()) {
            mDocShareData->setSharedSize(webSharedSize());
            if (delegate_) delegate_->changeDocSize(mDocShareData->sharedSize());
        }
    }
}

// ---- Page pictures and zoom ----

void DocShareController::setImageItem(const DSDocumentRef& document, std::int64_t scale) {
    if (!document) return;
    const auto path = document->filePath();
    if (!path) return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray data = file.readAll();
    QImage picture = QImage::fromData(data);
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0) {
        // A page that is no picture: its text, when it is Shift_JIS text.
        const auto text = DSTextPage::decodeShiftJis(data);
        if (!text) return;
        picture = DSTextPage::render(*text, fileImageView_->width());
        if (picture.isNull()) return;
    }
    mContentImage = picture;
    mImageView->setImage(mContentImage, mContentImage.size());
    mIsResizedImageView = true;
    QTimer::singleShot(0, this, [this] { mIsResizedImageView = false; });

    const auto info = document->documentInfo();
    mTotalPageCount = info ? info->value(QStringLiteral("pagecnt")).toString().toInt() : 0;
    setImageOperationTool();
    if (fileImageView_->dispMode() != 0) {
        changeImageDispMode(fileImageView_->dispMode());
    } else {
        setImageScale(scale);
    }
    scrollPictureTo(QPointF(0, 0));
    if (!isViewTwin() && !mDocShareData->hasOperationRight() &&
        (mDocShareData->isDrawingOn() || mDocShareData->isPointerOn()))
        scrollPictureTo(mDocShareData->scrollPoint());
}

void DocShareController::applyPictureSize(QSizeF size) {
    mIsResizedImageView = true;
    mImageView->setDisplaySize(size);
    // Scroll changes that follow from this resize are not the user's.
    QTimer::singleShot(0, this, [this] { mIsResizedImageView = false; });
}

void DocShareController::reportZoomIfOperator() {
    if (!mDocShareData->hasOperationRight()) return;
    if (!mDocShareData->isPointerOn() && !mDocShareData->isDrawingOn()) return;
    mDocShareData->setZoomRange(scaleRange_);
    if (delegate_) delegate_->changeZoomRange(mDocShareData->zoomRange());
}

void DocShareController::setImageScale(std::int64_t percent) {
    fileImageView_->setDispMode(0);
    scaleText_->setText(QStringLiteral("%1%").arg(percent));
    scaleRange_ = int(percent);
    if (!mContentImage.isNull())
        applyPictureSize(DSImageScale::scaledSizeForPercent(mContentImage.size(), percent));
    scrollPictureTo(pictureOrigin());
    reportZoomIfOperator();
}

void DocShareController::changeImageDispMode(long mode) {
    fileImageView_->setDispMode(mode);
    adjustImageSize();
    setImageOperationTool();
}

void DocShareController::adjustImageSize() {
    if (fileImageView_->dispMode() == 0 || mContentImage.isNull()) return;
    const QScrollBar* vertical = scrollArea_->verticalScrollBar();
    const QScrollBar* horizontal = scrollArea_->horizontalScrollBar();
    const double ratio = DSImageScale::fitRatio(QSizeF(fileImageView_->size()), vertical->sizeHint().width(),
                                                horizontal->sizeHint().height(), mContentImage.size(),
                                                fileImageView_->dispMode());
    applyPictureSize(DSImageScale::scaledSize(mContentImage.size(), ratio));
    scaleRange_ = int(std::floor(ratio * 100.0 + 1e-9));
    scaleText_->setText(QStringLiteral("%1%").arg(scaleRange_));
    scrollPictureTo(pictureOrigin());
    reportZoomIfOperator();
}

void DocShareController::setCurrentPageNumber(std::int64_t page) {
    if (mDispMode != 1) return;
    mDocShareData->setCurrentPageNumber(page);
    if (!isViewTwin() && delegate_) delegate_->changePageInfo(mDocShareData->currentPageNumber());
    setImageOperationTool();
    if (const DSDocumentRef document = mDocShareData->getCurrentDocument())
        mFileDownloader->downloadImage(document, int(page));
}

void DocShareController::onClickImageToolItem(const QString& id) {
    const std::int64_t page = mDocShareData->currentPageNumber();
    if (id == kIdPrevious) {
        log("[DocShare]Page operation: Previous page button was clicked.");
        if (page > 0) {
            setCurrentPageNumber(page - 1);
            if (isViewTwin()) {
                setImageOperationTool();
                if (delegate_) delegate_->changePageInfo(mDocShareData->currentPageNumber());
            }
        }
    } else if (id == kIdNext) {
        log("[DocShare]Page operation: Following page button was clicked.");
        if (page < mTotalPageCount - 1) {
            setCurrentPageNumber(page + 1);
            if (isViewTwin()) {
                setImageOperationTool();
                if (delegate_) delegate_->changePageInfo(mDocShareData->currentPageNumber());
            }
        }
    } else if (id == kIdZoomOut || id == kIdZoomIn) {
        if (id == kIdZoomOut && scaleRange_ == kScaleMin) return;
        if (id == kIdZoomIn && scaleRange_ == kScaleMax) return;
        const int scale = id == kIdZoomOut ? DSImageScale::zoomOut(scaleRange_, kScaleRate, kScaleMin)
                                           : DSImageScale::zoomIn(scaleRange_, kScaleRate, kScaleMax);
        scaleRange_ = scale;
        setImageScale(scale);
        changeImageDispMode(0);
    } else if (id == kIdAdjustWidth) {
        changeImageDispMode(1);
    } else if (id == kIdFitWindow) {
        changeImageDispMode(2);
    } else if (id == kIdDownload) {
        const DSDocumentRef document = mDocShareData->getCurrentDocument();
        const auto info = document ? document->documentInfo() : std::nullopt;
        if (info) downloadPdfFile(info->value(QStringLiteral("PDFPath")).toString());
    }
}

void DocShareController::setImageviewToolbarBtnHidden(bool hidden) {
    imageToolBar_->setHidden(hidden);
}

void DocShareController::setEnabledEditable(QLineEdit* field, bool on) {
    field->setEnabled(on);
    field->setReadOnly(!on);
}

void DocShareController::setImageOperationTool() {
    if (mDispMode != 1) return;
    const bool op = mDocShareData->hasOperationRight();
    const bool drawing = mDocShareData->isDrawingOn();
    const bool pageRight = hasPageRight();
    const std::int64_t page = mDocShareData->currentPageNumber();
    previousButton_->setEnabled(pageRight && !drawing && page > 0);
    nextButton_->setEnabled(pageRight && !drawing && page < mTotalPageCount - 1);
    totalPageText_->setText(totalPageFormat().arg(mTotalPageCount));
    if (!currentPageText_->hasFocus() || !srcPageText) currentPageText_->setText(QString::number(page + 1));
    setEnabledEditable(currentPageText_, pageRight && !drawing);
    const bool zoom = op || !drawing;
    zoomInButton_->setEnabled(zoom);
    zoomOutButton_->setEnabled(zoom);
    if (!scaleText_->hasFocus() || !srcScaleText) scaleText_->setText(QStringLiteral("%1%").arg(scaleRange_));
    setEnabledEditable(scaleText_, zoom);
    const long mode = fileImageView_->dispMode();
    setButtonImage(adjustWidthButton_,
                   mode == 1 ? QStringLiteral("setwidth_select") : QStringLiteral("setwidth"));
    adjustWidthButton_->setEnabled(zoom && mode != 1);
    setButtonImage(fitWindowButton_,
                   mode == 2 ? QStringLiteral("setsize_select") : QStringLiteral("setsize"));
    fitWindowButton_->setEnabled(zoom && mode != 2);
    downloadButton_->setEnabled(mIsEnabledSave);
}

void DocShareController::setFooterTool() {
    const bool drawable = mDocShareData->isDrawable();
    const bool drawing = mDocShareData->isDrawingOn();
    const bool op = mDocShareData->hasOperationRight();
    penButton_->setEnabled(drawable);
    setButtonImage(penButton_,
                   drawing && mDrawMode == 0 ? QStringLiteral("pen_select") : QStringLiteral("pen"));
    penWidthButton_->setEnabled(drawable && mDrawMode == 0);
    penColorButton_->setEnabled(drawable && mDrawMode == 0);
    drawClearButton_->setEnabled(drawable);
    eraserButton_->setEnabled(drawable);
    setButtonImage(eraserButton_,
                   drawing && mDrawMode == 1 ? QStringLiteral("eraser_select") : QStringLiteral("eraser"));
    eraserWidthButton_->setEnabled(drawable && mDrawMode == 1);
    pointerButton_->setEnabled(op);
    pointerButton_->setChecked(mDocShareData->isPointerOn());
    drawButton_->setEnabled(op);
    drawButton_->setChecked(drawing);
    forceDisplayButton_->setEnabled(op && !drawing);
    if (isViewTwin() && mIsWebinar) forceDisplayButton_->hide();
}

QToolButton* DocShareController::imageToolButton(const QString& identifier) const {
    return imageToolBar_ ? imageToolBar_->findChild<QToolButton*>(identifier) : nullptr;
}

QToolButton* DocShareController::footerButton(const QString& identifier) const {
    return footer_ ? footer_->findChild<QToolButton*>(identifier) : nullptr;
}

// ---- Editing the page and zoom fields ----

void DocShareController::controlTextDidBeginEditing(QLineEdit* field) {
    if (field == scaleText_)
        srcScaleText = field->text();
    else if (field == currentPageText_)
        srcPageText = field->text();
}

void DocShareController::controlTextDidChange(QLineEdit* field) {
    const bool zoom = field == scaleText_;
    if (!zoom && field != currentPageText_) return;
    std::optional<QString>& src = zoom ? srcScaleText : srcPageText;
    std::optional<QString>& tmp = zoom ? tmpScaleText : tmpPageText;
    if (!src)
        src = zoom ? QStringLiteral("%1%").arg(scaleRange_)
                   : QString::number(mDocShareData->currentPageNumber() + 1);
    const QString text = field->text();
    if (zoom ? DSImageScale::isZoomText(text) : DSImageScale::isPageText(text)) {
        tmp = text;
    } else if (tmp) {
        field->setText(*tmp);
        tmp.reset();
    } else {
        field->setText(*src);
    }
}

void DocShareController::controlTextDidEndEditing(QLineEdit* field) {
    const bool zoom = field == scaleText_;
    if (!zoom && field != currentPageText_) return;
    if (zoom) {
        const int n = DSImageScale::getNumberString(field->text());
        if (n >= kTypedScaleMin && n <= kTypedScaleMax) {
            setImageScale(n);
            fileImageView_->setDispMode(0);
            setImageOperationTool();
        } else {
            field->setText(QStringLiteral("%1%").arg(DSImageScale::getNumberString(
                srcScaleText.value_or(QStringLiteral("%1%").arg(scaleRange_)))));
        }
        srcScaleText.reset();
        tmpScaleText.reset();
    } else {
        const QString text = field->text();
        bool ok = false;
        const int v = text.toInt(&ok);
        if (!text.isEmpty() && ok && v >= 1 && v <= mTotalPageCount) {
            setCurrentPageNumber(v - 1);
            if (isViewTwin() && delegate_) delegate_->changePageInfo(mDocShareData->currentPageNumber());
        } else {
            const QString src = srcPageText.value_or(QString::number(mDocShareData->currentPageNumber() + 1));
            field->setText(QString::number(src.toLongLong()));
        }
        srcPageText.reset();
        tmpPageText.reset();
    }
    if (QWidget* focused = focusRoot() ? focusRoot()->focusWidget() : nullptr) focused->clearFocus();
}

// ---- Following the operator ----

QPointF DocShareController::pictureOrigin() const {
    return QPointF(scrollArea_->horizontalScrollBar()->value(), scrollArea_->verticalScrollBar()->value());
}

void DocShareController::scrollPictureTo(QPointF point) {
    scrollArea_->horizontalScrollBar()->setValue(int(point.x()));
    scrollArea_->verticalScrollBar()->setValue(int(point.y()));
}

void DocShareController::didResizeImageArea() {
    if (!mNotificator || mDispMode != 1) return;
    if (mDocShareData->isDrawingOn() || mDocShareData->isPointerOn()) return;
    const QSizeF size = fileImageView_->size();
    if (size == mImageViewDispSize) return;
    mImageViewDispSize = size;
    if (!mContentImage.isNull()) adjustImageSize();
}

void DocShareController::didChangeScrollViewBounds() {
    if (!mNotificator) return;
    if (mIsResizedImageView) return;  // the change came from our own resize
    if (mDispMode != 1) return;
    const bool drawing = mDocShareData->isDrawingOn(), pointer = mDocShareData->isPointerOn();
    if (!drawing && !pointer) return;  // a resize of the area is handled where it happens
    const QPointF origin = pictureOrigin();
    if (mDocShareData->hasOperationRight() && origin != mDocShareData->scrollPoint()) {
        mDocShareData->setScrollPoint(origin);
        if (delegate_) delegate_->changeScrollPoint(origin);
    }
}

void DocShareController::didChangeWebViewBounds() {
    const QPointF origin = webPageView_->visibleOrigin();
    if (origin.x() < 0 || origin.y() < 0) return;
    if (!mDocShareData->hasOperationRight() || !mDocShareData->isPointerOn() || mDocShareData->isDrawingOn())
        return;
    mDocShareData->setScrollPoint(origin);
    if (delegate_) delegate_->changeScrollPoint(origin);
}

void DocShareController::didChangeOperator(DSNotificatorDispatcher*, const UserInfoRef& operatorInfo) {
    setTitleForOperator(operatorInfo);
    updateToolBar();
    setFooterTool();
    if (mDispMode == 1) setImageOperationTool();
    if (mDocShareData->hasOperationRight()) {
        mDocShareData->setSharedSize(currentSharedSize());
        if (delegate_) delegate_->changeDocSize(mDocShareData->sharedSize());
        mDocShareData->setZoomRange(scaleRange_);
        if (delegate_) delegate_->changeZoomRange(mDocShareData->zoomRange());
        if (mDocShareData->isPointerOn()) tracksMouse_ = true;
    } else if (tracksMouse_) {
        tracksMouse_ = false;
    }
}

void DocShareController::didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& document) {
    if (!document) return;
    if (document->type() == 1) {
        fileImageView_->setDispMode(1);
        mFileDownloader->downloadImage(document, int(mDocShareData->currentPageNumber()));
        if (mDispMode == 0) changeDispMode(1);
    } else {
        loadWebPage(true, document->documentUrl(), false);
    }
}

void DocShareController::didChangePageInfo(DSNotificatorDispatcher*, std::int64_t pageNum) {
    const DSDocumentRef document = mDocShareData->getCurrentDocument();
    if (!document || document->type() != 1) return;
    mFileDownloader->downloadImage(document, int(pageNum));
    currentPageText_->setText(QString::number(pageNum + 1));
}

void DocShareController::didStopLoading(DSNotificatorDispatcher*) {
    mFileDownloader->cancel();
    if (mDispMode == 0) webPageView_->stopLoading();
}

void DocShareController::didChangeDocSize(DSNotificatorDispatcher*, const QSizeF& size) {
    followDocSize(size);
}

void DocShareController::didChangeScrollPoint(DSNotificatorDispatcher*, const QPointF& scroll) {
    if (!mDocShareData->isDrawingOn() && !mDocShareData->isPointerOn()) return;
    if (mDispMode == 1) {
        if (mContentImage.isNull()) return;
        const QPointF current = pictureOrigin();
        scrollPictureTo(
            QPointF(scroll.x() < 0 ? current.x() : scroll.x(), scroll.y() < 0 ? current.y() : scroll.y()));
    } else if (mDispMode == 0) {
        const QPointF current = webPageView_->visibleOrigin();
        QPointF point(scroll.x() < 0 ? current.x() : scroll.x(), scroll.y() < 0 ? current.y() : scroll.y());
        if (isViewTwin()) {
            const QSizeF doc = webPageView_->documentSize();
            const QSizeF shared = mDocShareData->sharedSize();
            if (shared.width() > 0 && shared.height() > 0)
                point = QPointF(point.x() * (doc.width() / shared.width()),
                                point.y() * (doc.height() / shared.height()));
        }
        webPageView_->scrollToPoint(point);
    }
}

void DocShareController::didChangeZoomRange(DSNotificatorDispatcher*, std::int64_t range) {
    if (mDispMode == 1) setImageScale(range);
}

// ---- Transfers ----

void DocShareController::finishDownload(const std::optional<QString>& path,
                                        const std::optional<QVariantMap>& info, int status, int, long) {
    if (status != 0) {
        LogFileManager::write(QStringLiteral("[DocShare]Failed to load URL."), 0, false);
        showErrorMessage(LocalizedString("dfERROR_WEBACCESS_IMAGEDL3"));
        return;
    }
    log("[DocShare]URL loaded.");
    mDocShareData->setCurrentDocumentInfo(path, info);
    const DSDocumentRef document = mDocShareData->getCurrentDocument();
    if (document && document->type() == 1) {
        if (mDispMode != 1) changeDispMode(1);
        setImageItem(document, scaleRange_);
    } else if (path) {
        webPageView_->load(QUrl::fromLocalFile(*path).toString());
    }
    // An uploaded picture has no PDF to download.
    if (path) updatePDFDLBtn(*path);
    updateToolBar();
}
