// What the document-sharing window (DocShareWindowController) and the view
// embedded in the webinar layout (DocShareViewController) have in common: the
// web view and the page pictures with their tool bar, the drawing footer, the
// document list, zoom and page turning, and the following of the operator's
// document, page, zoom, scroll and size. The twins add their container and
// navigation controls and decide what differs between them.
//
// Main thread only. The controller reads the shared model DocShareData, hears
// of its changes through a DSNotificatorDispatcher and reports what the user
// does through its delegate (the manager); it never sends anything itself.
#pragma once

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QScrollArea>
#include <QSizeF>
#include <QString>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "docshare/DSDrawingView.h"
#include "docshare/DSFileDownloader.h"
#include "docshare/DSImageView.h"
#include "docshare/DSNotificatorDispatcher.h"
#include "docshare/DSPdfDownloader.h"
#include "docshare/DocShareControllerDelegate.h"
#include "docshare/DocShareData.h"
#include "docshare/FlipImageView.h"
#include "docshare/PointerView.h"
#include "docshare/ProgressIndicatorWindow.h"
#include "docshare/ScrollForDrawView.h"
#include "docshare/WebPageView.h"
#include "platform/ConversionScript.h"

class DSNotificator;
class QColorDialog;
class QPrinter;

struct DocShareParams {
    QRectF rect;  // the window's frame (bottom-up); the view keeps it unused
    QString loginUrl;
    QString defaultUrl;
    QString hostUrl;
    int roomCategory = 0;
    DocShareData* dsData = nullptr;
    int maxUploadSize = 5;  // MiB
    bool isEnabledSave = true;
    bool isEnabledPrint = true;
    bool isWebinar = true;  // the view only
    // The manager, there already when the window loads (it may share the start page).
    DocShareControllerDelegate* delegate = nullptr;
    // The web view (the system's web engine unless a test gives another).
    WebPageViewFactory makeWebPageView;
    // The notices observed (the shared notificator unless a test gives another).
    DSNotificator* notificator = nullptr;
};

class DocShareController : public QObject,
                           public DSNotificatorDispatcherDelegate,
                           public DSFileDownloaderDelegate,
                           public WebPageViewDelegate,
                           public DSDrawingViewDelegate,
                           public ScrollForDrawViewDelegate {
    Q_OBJECT

public:
    static constexpr int kScaleRate = 10, kScaleMax = 1000, kScaleMin = 10;
    // A typed zoom is taken within these bounds.
    static constexpr int kTypedScaleMin = 10, kTypedScaleMax = 9999;

    ~DocShareController() override;

    void setDelegate(DocShareControllerDelegate* delegate) { delegate_ = delegate; }
    DocShareControllerDelegate* delegate() const { return delegate_; }

    // This client has just started the sharing: share the start page.
    void startDocShare();

    // ---- Display (web pages and the document list) ----
    void changeDispMode(long mode);
    void loadWebPage(bool load, const QString& url, bool isSave);
    void onActionSearchField();
    void loadDocument();
    void onClickBack();
    void onClickNext();
    void onClickStop();
    void onClickReload();
    virtual void updateToolBar() = 0;
    // Whether an address names a document uploaded to the web service.
    bool isUploadedDocumentUrl(const QString& url) const;

    // ---- Page pictures and zoom ----
    void setImageItem(const DSDocumentRef& document, std::int64_t scale);
    void setImageScale(std::int64_t percent);
    void changeImageDispMode(long mode);
    void adjustImageSize();
    void setCurrentPageNumber(std::int64_t page);
    void onClickImageToolItem(const QString& identifier);
    void setImageOperationTool();
    void setImageviewToolbarBtnHidden(bool hidden);
    void setFooterTool();
    void controlTextDidBeginEditing(QLineEdit* field);
    void controlTextDidChange(QLineEdit* field);
    void controlTextDidEndEditing(QLineEdit* field);

    // ---- Following the operator ----
    void didChangeScrollViewBounds();
    // The page area changed its size: the fit modes fit the page again.
    void didResizeImageArea();

    // ---- Pointer and drawing tools (DocShareControllerTools.cpp) ----
    void onClickPointerButton();
    void onClickDrawButton();
    void onClickForceDisplayButton();
    void onClickDrawToolItem(const QString& identifier);
    void onSelectWidthItem(const QString& identifier, int tag);
    void onSelectColor(const QColor& color);
    void changePointerMode(bool on);
    void changeDrawingMode(bool on);
    void changeDrawingTool(long tool);
    void changeCursorImage();
    void createPointerView();
    void removePointerView();
    void setMouseMoveMonitor();
    void removeMouseMoveMonitor();
    void createDrawView();
    void removeDrawView();
    QMenu* createSettingLineWidthMenu(QToolButton* sender);
    void switchDispColorPanel(bool show);
    void closeColorPanel();
    // The application's one colour panel (made on first use).
    static QColorDialog* colorPanel();
    // What the mouse monitor does for a mouse position on the screen.
    void handleMouseMove(QPoint globalPos);
    PointerView* pointerView() const { return mPointerView; }
    DSDrawingView* drawingView() const { return mDrawingView; }
    ScrollForDrawView* scrollForDrawView() const { return mScrollForDrawView; }
    QMenu* widthMenu() const { return widthMenu_; }
    bool hasMouseMoveMonitor() const { return mMouseMoveMonitor != nullptr; }
    void didChangePointerMode(DSNotificatorDispatcher*, bool isPointerMode) override;
    void didChangePaintMode(DSNotificatorDispatcher*, bool isPaintMode) override;
    void didChangePointerOrigin(DSNotificatorDispatcher*, const QPointF& origin,
                                const QPointF& scroll) override;
    void didChangeDrawData(DSNotificatorDispatcher*, const QList<QVariantMap>& data,
                           const QPointF& scroll) override;
    void didClearDrawData(DSNotificatorDispatcher*) override;
    void didChangeDrawable(DSNotificatorDispatcher*, bool isDrawable) override;
    void onDrawingData() override;
    void scrollByUpdate(QPointF point) override;
    void onScrollPoint(QPointF origin) override;

    // ---- Saving, printing and the PDF (DocShareControllerSave.cpp) ----
    // Asks for the file to write: the proposed name and the one allowed extension
    // ("pdf" for the PDF); nothing when the user cancels.
    using SavePanel = std::function<std::optional<QString>(const QString& name, const QString& extension)>;
    // Prepares the printer (the print panel); false when the user cancels.
    using PrintPanel = std::function<bool(QPrinter& printer)>;
    void setSavePanel(SavePanel panel) { savePanel_ = std::move(panel); }
    void setPrintPanel(PrintPanel panel) { printPanel_ = std::move(panel); }
    QMenu* createFormatMenu(QWidget* parent);
    void selectFormat(int tag);
    // True when a picture was written; a failure is shown and logged.
    bool saveDocumentInFileFormat();
    QString getSaveFileName() const;
    // The shown page with the strokes over it while drawing is on; null when none can be made.
    QImage pagePicture() const;
    QImage getWithDrawingRep(const QImage& page) const;
    bool printCurrentDocument();
    void downloadPdfFile(const QString& url);
    void updatePDFDLBtn(const QString& path);
    DSPdfDownloader& pdfDownloader() { return pdfDownloader_; }
    QToolButton* downloadButton() const { return downloadButton_; }

    // ---- State ----
    long dispMode() const { return mDispMode; }
    long drawMode() const { return mDrawMode; }
    int totalPageCount() const { return mTotalPageCount; }
    int scaleRange() const { return scaleRange_; }
    const QImage& contentImage() const { return mContentImage; }
    DocShareData& data() const { return *mDocShareData; }
    bool isOperator() const { return mDocShareData->hasOperationRight(); }
    std::int64_t saveExtension() const { return mSaveExtension; }
    bool isTornDown() const { return mNotificator == nullptr; }
    DSFileDownloader& fileDownloader() { return *mFileDownloader; }

    // ---- Widgets (named by their identifiers) ----
    QWidget* rootView() const { return root_; }
    WebPageView* webPageView() const { return webPageView_.get(); }
    QLineEdit* searchField() const { return searchField_; }
    DSImageView* fileImageView() const { return fileImageView_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    FlipImageView* imageView() const { return mImageView; }
    QLineEdit* currentPageText() const { return currentPageText_; }
    QLineEdit* scaleText() const { return scaleText_; }
    QLabel* totalPageText() const { return totalPageText_; }
    QToolButton* imageToolButton(const QString& identifier) const;
    QToolButton* footerButton(const QString& identifier) const;

    // ---- DSNotificatorDispatcherDelegate ----
    void didChangeOperator(DSNotificatorDispatcher*, const UserInfoRef& operatorInfo) override;
    void didChangeDocument(DSNotificatorDispatcher*, const DSDocumentRef& document) override;
    void didChangePageInfo(DSNotificatorDispatcher*, std::int64_t pageNum) override;
    void didStopLoading(DSNotificatorDispatcher*) override;
    void didChangeDocSize(DSNotificatorDispatcher*, const QSizeF& size) override;
    void didChangeScrollPoint(DSNotificatorDispatcher*, const QPointF& scroll) override;
    void didChangeZoomRange(DSNotificatorDispatcher*, std::int64_t range) override;

    // ---- DSFileDownloaderDelegate ----
    void finishDownload(const std::optional<QString>& path, const std::optional<QVariantMap>& info,
                        int status, int errCode, long httpStatus) override;

    // ---- WebPageViewDelegate ----
    bool decidePolicyForNavigation(const QUrl& url, bool isLinkClick, bool frameHasRequest) override;
    void decidePolicyForNewWindow(const QUrl& url, bool isLinkClick) override;
    void didFinishLoad(bool ok) override;
    void didChangeWebViewBounds() override;

protected:
    explicit DocShareController(DocShareParams params);

    // The twins' differences.
    virtual bool isViewTwin() const = 0;
    // Back, next, stop and reload: the window lets the viewing right use them too.
    virtual bool hasNavigationRight() const = 0;
    // Page turning: the window lets the viewing and page-operation rights turn pages.
    virtual bool hasPageRight() const = 0;
    virtual QString totalPageFormat() const = 0;
    // The size shared with a new document or on becoming the operator.
    virtual QSizeF currentSharedSize() const = 0;
    // An error alert (an empty title: none).
    virtual void showErrorMessage(const QString& message, const QString& title = QString()) = 0;
    virtual void followDocSize(const QSizeF& size) = 0;
    virtual void setTitleForOperator(const UserInfoRef&) {}
    // The widget whose focus is dropped after a field is edited.
    virtual QWidget* focusRoot() const { return root_; }

    // Builds the common widgets into `root` (`navigation` on top when given),
    // then loads the display (called by the twins once their container exists).
    void buildContent(QWidget* root, QWidget* navigation);
    void loadContent();
    // Teardown shared by both twins; safe to call twice.
    void tearDown();
    // Teardown, then the web view goes (before the widgets that hold it).
    void releaseWebView();
    // The window may be resized by the user (false while pointer or drawing is on).
    virtual void setWindowResizable(bool resizable) = 0;
    // Whether the window holding the controller is the active one.
    virtual bool isKeyWindow() const;
    // The start of the proposed PDF name.
    virtual QString pdfNamePrefix() const = 0;
    void connectDrawTools();
    QRectF pageOverlayFrame() const;
    QPointF pictureVisibleOrigin() const;
    QPointF webScaled(QPointF point) const;

    // ---- Sharing local files (DocShareControllerFiles.cpp) ----
public:
    // Asks for a file (a file dialog), then shares it: size limit, conversion
    // of office documents to PDF, upload, and the new document announced.
    void shareFilesOnDevice();
    // The file chosen in the dialog.
    void shareFile(const QString& fileUrl);
    void convertToPdf(const QStringList& urlAndExtension);
    void uploadDocument(const QString& path);
    void displayProgressIndicatorWindow();
    void deleteProgressIndicatorWindow();
    void cancelUploadFromProgressIndicatorWindow();
    void displayErrorMsgForConvertPDF(const ScriptErrorInfo& info, const QString& code);
    void finishUpload(const std::optional<QString>& url, int status, int code, long httpStatus) override;
    // The web-service address without its page ("100.php" or another file).
    static QString uploadBaseUrl(const QString& loginUrl);
    // The file types offered, and those converted to PDF (extension -> script).
    static const QStringList& shareFileTypes();
    static std::optional<QString> conversionScriptFor(const QString& extension);
    ProgressIndicatorWindow* progressIndicatorWindow() const { return mProgressIndicatorWindow; }
    QString loginUrl() const { return mLoginUrlStr; }
    std::int64_t maxUploadSize() const { return mMaxUploadSize; }

protected:
    QPointer<ProgressIndicatorWindow> mProgressIndicatorWindow;
    std::unique_ptr<ConversionScript> conversionScript_;

    void setEnabledEditable(QLineEdit* field, bool on);
    void log(const char* line) const;
    QSizeF webSharedSize() const;
    void scrollPictureTo(QPointF point);
    QPointF pictureOrigin() const;
    void reportZoomIfOperator();
    void applyPictureSize(QSizeF size);

    DocShareControllerDelegate* delegate_ = nullptr;

    // Construction parameters.
    QRectF mDefaultWindowRect;
    QString mLoginUrlStr, mDefaultUrl, mHostUrl;
    int mRoomCategory;
    DocShareData* mDocShareData;
    std::int64_t mMaxUploadSize;
    bool mIsEnabledSave, mIsEnabledPrint;
    bool mIsWebinar;
    WebPageViewFactory makeWebPageView_;
    DSNotificator* notificatorSource_;

    // State.
    long mDispMode = 0;
    long mDrawMode = 0;
    int mTotalPageCount = 0;
    QImage mContentImage;
    bool mIsResizedImageView = false;
    QSizeF mImageViewDispSize;
    std::unique_ptr<DSFileDownloader> mFileDownloader;
    std::unique_ptr<DSNotificatorDispatcher> mNotificator;
    std::int64_t mSaveExtension = 1;
    int scaleRange_ = 100;
    std::optional<QString> srcScaleText, tmpScaleText, srcPageText, tmpPageText;
    bool tracksMouse_ = false;

    // Widgets.
    QPointer<QWidget> root_;
    std::unique_ptr<WebPageView> webPageView_;
    QPointer<QLineEdit> searchField_;
    QPointer<DSImageView> fileImageView_;
    QPointer<QScrollArea> scrollArea_;
    QPointer<FlipImageView> mImageView;
    QPointer<QWidget> imageToolBar_, footer_;
    QPointer<QLineEdit> currentPageText_, scaleText_;
    QPointer<QLabel> totalPageText_;
    QPointer<QToolButton> previousButton_, nextButton_, zoomOutButton_, zoomInButton_, adjustWidthButton_,
        fitWindowButton_, downloadButton_;
    QPointer<QToolButton> penButton_, penWidthButton_, penColorButton_, drawClearButton_, eraserButton_,
        eraserWidthButton_, pointerButton_, drawButton_, forceDisplayButton_;
    QNetworkAccessManager network_;
    QPointer<PointerView> mPointerView;
    QPointer<DSDrawingView> mDrawingView;
    QPointer<ScrollForDrawView> mScrollForDrawView;
    std::unique_ptr<QObject> mMouseMoveMonitor;
    QPointer<QMenu> widthMenu_;
    SavePanel savePanel_;
    PrintPanel printPanel_;
    DSPdfDownloader pdfDownloader_;
    std::shared_ptr<DocShareController*> self_;
};
