// Sharing a local file from the document-sharing window or view: the file
// dialog, the size limit, the conversion of office documents to PDF, the
// upload address, the progress window and the result of the upload.
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "docshare/DocShareController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "services/Common.h"
#include "services/LogFileManager.h"

namespace {

struct ConversionEntry {
    const char* extension;
    const char* script;
};
const ConversionEntry kConversions[] = {
    {"pages", "changePDF_p"},  {"numbers", "changePDF_n"}, {"key", "changePDF_k"},
    {"xls", "changePDF_xls"},  {"xlsx", "changePDF_xls"},  {"doc", "changePDF_doc"},
    {"docx", "changePDF_doc"}, {"ppt", "changePDF_pptx"},  {"pptx", "changePDF_pptx"},
};

// The local path of a file address or path as the dialog and the steps pass it.
QString localPath(const QString& urlOrPath) {
    if (urlOrPath.startsWith(QStringLiteral("file://")))
        return QUrl::fromPercentEncoding(urlOrPath.mid(7).toUtf8());
    return urlOrPath;
}

}  // namespace

const QStringList& DocShareController::shareFileTypes() {
    static const QStringList kTypes{"xlsx", "xls",  "doc", "docx", "ppt", "pptx",  "pdf",     "gif",
                                    "jpg",  "jpeg", "png", "txt",  "rtf", "pages", "numbers", "key"};
    return kTypes;
}

std::optional<QString> DocShareController::conversionScriptFor(const QString& extension) {
    for (const ConversionEntry& c : kConversions)
        if (extension == QLatin1String(c.extension)) return QString::fromLatin1(c.script);
    return std::nullopt;
}

void DocShareController::shareFilesOnDevice() {
    QWidget* parent = focusRoot();
    auto* dialog = new QFileDialog(isViewTwin() ? nullptr : parent);
    dialog->setObjectName(QStringLiteral("docShareFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    QStringList patterns;
    for (const QString& type : shareFileTypes()) patterns << QStringLiteral("*.") + type;
    dialog->setNameFilter(patterns.join(u' '));
    // The window's dialog is a sheet on it; the view's a window of its own.
    dialog->setWindowModality(isViewTwin() ? Qt::ApplicationModal : Qt::WindowModal);
    QPointer<DocShareController> self(this);
    connect(dialog, &QDialog::accepted, this, [self, dialog] {
        const QList<QUrl> urls = dialog->selectedUrls();
        if (self && !urls.isEmpty()) self->shareFile(urls.first().toString(QUrl::FullyEncoded));
    });
    dialog->open();
}

void DocShareController::shareFile(const QString& fileUrl) {
    LogFileManager::write(QStringLiteral("[DocShare]Select file for upload(Path:%1).").arg(fileUrl), 3,
                          false);
    // A file that cannot be read counts as 0 bytes here and fails in the upload.
    const qint64 size = QFileInfo(localPath(fileUrl)).size();
    if (size > mMaxUploadSize) {
        const qint64 limit = mMaxUploadSize;
        mainQueue().async(
            this, [this, limit] { showErrorMessage(LocalizedFormat("dfERROR_FILEEIZEOVER", limit)); });
        return;
    }
    displayProgressIndicatorWindow();
    const qsizetype dot = fileUrl.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : fileUrl.mid(dot + 1);
    if (conversionScriptFor(extension)) {
        convertToPdf({fileUrl, extension});
    } else {
        displayProgressIndicatorWindow();
        uploadDocument(fileUrl);
    }
}

void DocShareController::convertToPdf(const QStringList& urlAndExtension) {
    if (urlAndExtension.size() < 2) return;
    const QString extension = urlAndExtension[1];
    LogFileManager::write(QStringLiteral("[DocShare]Convert to PDF(%1).").arg(extension), 2, false);
    const QString documentPath = localPath(urlAndExtension[0]);
    const auto scriptName = conversionScriptFor(extension);
    if (!scriptName) return;
    auto loaded = ConversionScript::load(*scriptName);
    if (!loaded) return;
    if (!loaded->script) {
        displayErrorMsgForConvertPDF(loaded->error.value_or(ScriptErrorInfo{-1, std::nullopt, QString()}),
                                     QStringLiteral("-1"));
        return;
    }
    const auto folder = Common::getCommonAppDirectory(Common::kDirectoryDocumentSharing);
    if (!folder) {
        displayErrorMsgForConvertPDF(ScriptErrorInfo{-120, std::nullopt, QString()}, QStringLiteral("-2"));
        return;
    }
    const QString pdfPath = *folder + QStringLiteral("/tmp_doc.pdf");
    // The PDF of an earlier document must never be taken for this one's.
    QFile::remove(pdfPath);
    if (QFileInfo::exists(pdfPath)) {
        displayErrorMsgForConvertPDF(ScriptErrorInfo{-2, std::nullopt, QString()}, QStringLiteral("-2"));
        return;
    }
    conversionScript_ = std::move(loaded->script);
    QPointer<DocShareController> self(this);
    conversionScript_->convertPdf(
        documentPath, pdfPath, [self, pdfPath](const std::optional<ScriptErrorInfo>& error) {
            if (!self) return;
            if (error) {
                self->displayErrorMsgForConvertPDF(*error, QStringLiteral("-2"));
                return;
            }
            const QFileInfo pdf(pdfPath);
            if (!pdf.isFile() || pdf.size() == 0) {
                // The script said nothing but wrote nothing either.
                self->displayErrorMsgForConvertPDF(ScriptErrorInfo{-2, std::nullopt, QString()},
                                                   QStringLiteral("-2"));
                return;
            }
            self->displayProgressIndicatorWindow();
            self->uploadDocument(pdfPath);
        });
}

void DocShareController::displayErrorMsgForConvertPDF(const ScriptErrorInfo& info, const QString& code) {
    QString title = QString::number(info.number);
    if (info.applicationName) title += QStringLiteral(",") + *info.applicationName;
    if (!info.message.isEmpty())
        LogFileManager::write(
            QStringLiteral("[DocShare]Convert to PDF failed(%1): %2").arg(title, info.message), 0, false);
    showErrorMessage(LocalizedFormat("dfDOCSHARE_UPLOAD_FAIL", code), title);
    deleteProgressIndicatorWindow();
}

QString DocShareController::uploadBaseUrl(const QString& loginUrl) {
    QString a = loginUrl;
    const qsizetype scheme = a.indexOf(QStringLiteral("://"));
    const QString rest = scheme < 0 ? QString() : a.mid(scheme + 3);
    if (rest.contains(u'/') && !a.endsWith(u'/')) {
        const QString last = a.mid(a.lastIndexOf(u'/') + 1);
        if (last.contains(u'.') && last != QLatin1String("100.php")) a.chop(last.size());
    }
    if (a.endsWith(QStringLiteral("100.php"))) a.chop(std::min<qsizetype>(8, a.size()));
    return a;
}

void DocShareController::uploadDocument(const QString& path) {
    LogFileManager::write(
        QStringLiteral("[DocShare]Upload file(%1).").arg(QFileInfo(localPath(path)).suffix()), 2, false);
    mLoginUrlStr = uploadBaseUrl(mLoginUrlStr);
    const QString address = mHostUrl.isEmpty() ? mLoginUrlStr + QStringLiteral("/uploader/") : mHostUrl;
    mFileDownloader->uploadFile(path, address);
}

void DocShareController::finishUpload(const std::optional<QString>& url, int status, int code,
                                      long httpStatus) {
    mainQueue().async(this, [this] { deleteProgressIndicatorWindow(); });
    if (status != 0 || !url) {
        LogFileManager::write(QStringLiteral("[DocShare]Failed to upload image(%1).")
                                  .arg(code == 2 ? qint64(httpStatus) : code),
                              0, false);
        showErrorMessage(LocalizedString("dfERROR_WEBACCESS_IMAGEGET1"));
        return;
    }
    log("[DocShare]Succeeded to upload image.");
    mDocShareData->setCurrentPageNumber(0);
    auto document = std::make_shared<DSDocument>(*url);
    mDocShareData->appendCurrentDocument(document);
    mDocShareData->setCurrentPageNumber(0);
    mDocShareData->setSharedSize(isViewTwin() ? webSharedSize() : currentSharedSize());
    mDocShareData->setZoomRange(scaleRange_);
    if (delegate_) delegate_->updateDocument(*url, 0);
    if (document->type() == 1)
        mFileDownloader->downloadImage(document, 0);
    else
        loadWebPage(true, *url, false);
}

void DocShareController::displayProgressIndicatorWindow() {
    deleteProgressIndicatorWindow();
    auto* w = new ProgressIndicatorWindow();
    mProgressIndicatorWindow = w;
    w->orderFrontRegardless();
    w->makeKeyAndOrderFront();
    QPointer<DocShareController> self(this);
    w->makeDetail([self] {
        if (self) self->cancelUploadFromProgressIndicatorWindow();
    });
    w->setLevel(ProgressIndicatorWindow::kLevel);
}

void DocShareController::cancelUploadFromProgressIndicatorWindow() {
    // Only the window goes: a conversion or upload under way runs to its end.
    deleteProgressIndicatorWindow();
}

void DocShareController::deleteProgressIndicatorWindow() {
    if (!mProgressIndicatorWindow) return;
    ProgressIndicatorWindow* w = mProgressIndicatorWindow;
    mProgressIndicatorWindow = nullptr;
    w->closeWindow();
    w->deleteLater();
}
