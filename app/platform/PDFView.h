// A view that shows a PDF document page under page, scaled to its width
// (Poppler renders the pages).
#pragma once

#include <QScrollArea>
#include <QString>

class PDFView : public QScrollArea {
    Q_OBJECT

public:
    explicit PDFView(QWidget* parent = nullptr);

    // Loads the document; false when it cannot be read.
    bool setDocument(const QString& path);
    int pageCount() const { return pageCount_; }

private:
    int pageCount_ = 0;
};
