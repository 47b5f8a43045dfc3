#include "docshare/DSTextPage.h"

#include <iconv.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>
#include <cerrno>
#include <cmath>
#include <vector>

std::optional<QString> DSTextPage::decodeShiftJis(const QByteArray& data) {
    iconv_t cd = iconv_open("UTF-8", "SHIFT_JIS");
    if (cd == iconv_t(-1)) return std::nullopt;
    std::vector<char> out(size_t(data.size()) * 3 + 4);
    char* in = const_cast<char*>(data.constData());
    size_t inLeft = size_t(data.size());
    char* dst = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1) || inLeft != 0) return std::nullopt;
    return QString::fromUtf8(out.data(), qsizetype(out.size() - outLeft));
}

namespace {
void prepare(QTextDocument& doc, const QString& text, double width) {
    doc.setDocumentMargin(0);
    doc.setDefaultFont(QApplication::font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc.setDefaultTextOption(option);
    doc.setPlainText(text);
    doc.setTextWidth(width);
}
}  // namespace

double DSTextPage::heightForStringDrawing(const QString& text, double width) {
    QTextDocument doc;
    prepare(doc, text, width);
    return doc.size().height();
}

QImage DSTextPage::render(const QString& text, double width) {
    QTextDocument doc;
    prepare(doc, text, width);
    const int w = int(std::floor(width));
    const int h = int(std::ceil(doc.size().height()));
    if (w <= 0 || h <= 0) return QImage();
    QImage picture(w, h, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return QImage();
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&painter, context);
    return picture;
}
