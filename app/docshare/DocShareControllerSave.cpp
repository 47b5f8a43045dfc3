// Keeping what the document-sharing window shows: the page with its strokes
// saved as a picture, printed, and an uploaded document's PDF downloaded.
#include <QDateTime>
#include <QFileDialog>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>

#include "docshare/DSFileName.h"
#include "docshare/DSPagePicture.h"
#include "docshare/DSPagePrinter.h"
#include "docshare/DocShareController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "services/LogFileManager.h"

namespace {

std::optional<QString> askForFile(QWidget* parent, const QString& name, const QString& extension) {
    const QString filter = QStringLiteral("%1 (*.%2)").arg(extension.toUpper(), extension);
    QFileDialog dialog(parent, LocalizedString("dfDOCSHARE_SAVE"), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(name + QLatin1Char('.') + extension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

}  // namespace

QMenu* DocShareController::createFormatMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("docShareFormatMenu"));
    QAction* heading = menu->addAction(LocalizedString("dfDOCSHARE_SELECT_FORMAT"));
    heading->setData(0);
    heading->setEnabled(false);
    const char* formats[] = {"JPEG", "GIF", "TIFF", "PNG", "BMP"};
    for (int tag = 1; tag <= 5; ++tag) {
        QAction* action = menu->addAction(QString::fromLatin1(formats[tag - 1]));
        action->setData(tag);
        connect(action, &QAction::triggered, this, [this, tag] { selectFormat(tag); });
    }
    return menu;
}

void DocShareController::selectFormat(int tag) {
    if (tag < 1 || tag > 5) return;
    mSaveExtension = tag;
    saveDocumentInFileFormat();
}

QString DocShareController::getSaveFileName() const {
    return DSFileName::saveFileName(LocalizedString("dfMAINVIEW_MENUBTN_DOCSHARE"),
                                    QDateTime::currentDateTime());
}

QImage DocShareController::getWithDrawingRep(const QImage& page) const {
    if (!mDrawingView) return page;
    return DSPagePicture::combine(page, mDrawingView->renderStrokes());
}

QImage DocShareController::pagePicture() const {
    QImage page;
    if (mDispMode == 1) {
        const DSDocumentRef document = mDocShareData->getCurrentDocument();
        const auto path = document ? document->filePath() : std::nullopt;
        if (path) page = QImage(*path);
        // A page that is no picture file (a text page) is saved as shown.
        if (page.isNull()) page = mContentImage;
    } else if (webPageView_) {
        page = webPageView_->widget()->grab().toImage();
    }
    if (page.isNull()) return page;
    return getWithDrawingRep(page);
}

bool DocShareController::saveDocumentInFileFormat() {
    const int format = int(mSaveExtension);
    const QString extension = DSPagePicture::extension(format);
    if (extension.isEmpty()) return false;
    const SavePanel panel = savePanel_ ? savePanel_ : [this](const QString& name, const QString& ext) {
        return askForFile(root_ ? root_->window() : nullptr, name, ext);
    };
    const auto chosen = panel(getSaveFileName(), extension);
    if (!chosen) return false;
    const QImage picture = pagePicture();
    QString error;
    std::optional<QByteArray> data;
    if (picture.isNull())
        error = QStringLiteral("no page picture");
    else if (!(data = DSPagePicture::encode(picture, format)))
        error = QStringLiteral("the picture could not be encoded");
    if (data && DSPagePicture::writeAtomically(*chosen, *data, &error)) {
        log("[DocShare]The page was saved.");
        return true;
    }
    LogFileManager::write(QStringLiteral("[DocShare]Failed to save the page."), 0, false);
    showErrorMessage(LocalizedFormat("dfDOCSHARE_SAVE_FAILED", *chosen, error));
    return false;
}

bool DocShareController::printCurrentDocument() {
    const QImage picture = pagePicture();
    if (picture.isNull()) return false;
    QPrinter printer(QPrinter::HighResolution);
    const PrintPanel panel = printPanel_ ? printPanel_ : [this](QPrinter& p) {
        QPrintDialog dialog(&p, root_ ? root_->window() : nullptr);
        return dialog.exec() == QDialog::Accepted;
    };
    if (!panel(printer)) return false;
    return DSPagePrinter::print(picture, printer);
}

void DocShareController::downloadPdfFile(const QString& url) {
    const auto name =
        DSFileName::sanitise(DSFileName::pdfFileName(pdfNamePrefix(), QDateTime::currentDateTime()));
    const SavePanel panel = savePanel_ ? savePanel_ : [this](const QString& n, const QString& ext) {
        return askForFile(root_ ? root_->window() : nullptr, n, ext);
    };
    const auto chosen = panel(name.value_or(QStringLiteral("document")), QStringLiteral("pdf"));
    if (!chosen) return;
    const QString path = *chosen;
    pdfDownloader_.download(url, path, [this, path](bool ok, const QString& error) {
        if (ok) {
            log("[DocShare]The PDF was downloaded.");
            return;
        }
        LogFileManager::write(QStringLiteral("[DocShare]Failed to download the PDF."), 0, false);
        showErrorMessage(LocalizedFormat("dfDOCSHARE_PDF_DOWNLOAD_FAILED", path, error));
    });
}

void DocShareController::updatePDFDLBtn(const QString& path) {
    mainQueue().async(this, [this, path] {
        const qsizetype at = path.lastIndexOf(QStringLiteral("upload."));
        if (at < 0 || !downloadButton_) return;
        const QString type = path.mid(at + 7);
        static const QStringList pictures = {QStringLiteral("png"), QStringLiteral("gif"),
                                             QStringLiteral("tiff"), QStringLiteral("jpeg"),
                                             QStringLiteral("bmp")};
        downloadButton_->setEnabled(mIsEnabledSave && !pictures.contains(type));
    });
}
