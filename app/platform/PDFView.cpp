#include "platform/PDFView.h"

#include <poppler-qt6.h>

#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <memory>

PDFView::PDFView(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("pdfView"));
    setWidgetResizable(true);
    setBackgroundRole(QPalette::Dark);
}

bool PDFView::setDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::loadFromData(file.readAll());
    if (!doc || doc->isLocked()) return false;
    doc->setRenderHint(Poppler::Document::Antialiasing);
    doc->setRenderHint(Poppler::Document::TextAntialiasing);

    auto* pages = new QWidget();
    pages->setObjectName(QStringLiteral("pdfPages"));
    auto* layout = new QVBoxLayout(pages);
    layout->setSpacing(8);
    // Pages fill the view's width less the scroll bar and the page margins.
    const int width = std::max(200, this->width() - verticalScrollBar()->sizeHint().width() - 24);
    pageCount_ = doc->numPages();
    for (int i = 0; i < pageCount_; ++i) {
        std::unique_ptr<Poppler::Page> page = doc->page(i);
        if (!page) continue;
        const double dpi = 72.0 * width / page->pageSizeF().width();
        auto* label = new QLabel(pages);
        label->setObjectName(QStringLiteral("pdfPage%1").arg(i));
        label->setPixmap(QPixmap::fromImage(page->renderToImage(dpi, dpi)));
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    layout->addStretch();
    setWidget(pages);
    return true;
}
