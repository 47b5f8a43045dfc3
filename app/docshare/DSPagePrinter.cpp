#include "docshare/DSPagePrinter.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <cmath>

bool DSPagePrinter::print(const QImage& picture, QPrinter& printer) {
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0) return false;
    printer.setPageMargins(QMarginsF(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints),
                           QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area(0, 0, page.width(), page.height());
    // A picture pixel is a point; a picture wider than the page shrinks to its width.
    const double scale = std::min(area.width() / picture.width(), printer.resolution() / 72.0);
    const double width = picture.width() * scale;
    const double x = (area.width() - width) / 2;
    const double height = picture.height() * scale;
    // The picture's height in source rows that one printed page holds.
    const double rowsPerPage = area.height() / scale;
    const int pages = std::max(1, int(std::ceil(picture.height() / rowsPerPage - 1e-9)));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage()) return false;
        const double top = i * rowsPerPage;
        const double rows = std::min(rowsPerPage, picture.height() - top);
        const double h = rows * scale;
        // A picture shorter than the page is centred vertically too.
        const double y = pages == 1 ? (area.height() - height) / 2 : 0;
        painter.drawImage(QRectF(x, y, width, h), picture, QRectF(0, top, picture.width(), rows));
    }
    return painter.end();
}
