#include "docshare/DSImageScale.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

int DSImageScale::zoomIn(int scale, int rate, int max) {
    if (rate <= 0) return scale;
    return std::min(rate * (scale / rate + 1), max);
}

int DSImageScale::zoomOut(int scale, int rate, int min) {
    if (rate <= 0) return scale;
    return std::max(rate * (scale / rate - 1), min);
}

namespace {
double wholePercent(double ratio) {
    return std::floor(ratio * 100.0) / 100.0;
}
}  // namespace

double DSImageScale::fitRatio(QSizeF area, double verticalScroller, double horizontalScroller, QSizeF picture,
                              long mode) {
    if (picture.width() <= 0 || picture.height() <= 0) return 0;
    const double available = area.width() - (verticalScroller + 20);
    double ratio = wholePercent(available / picture.width());
    const QSizeF fitted = scaledSize(picture, ratio);
    const double height = area.height() - horizontalScroller;
    if (mode == 2 && fitted.height() > height) ratio = wholePercent(height / picture.height());
    return std::max(ratio, 0.0);
}

QSizeF DSImageScale::scaledSize(QSizeF picture, double ratio) {
    const float w = std::floor(float(picture.width() * ratio));
    const float h = std::floor(float(picture.height() * ratio));
    return QSizeF(std::max(w, 0.0f), std::max(h, 0.0f));
}

QSizeF DSImageScale::scaledSizeForPercent(QSizeF picture, std::int64_t percent) {
    const float factor = float(double(percent) / 100.0);
    const float w = std::floor(factor * float(picture.width()));
    const float h = std::floor(factor * float(picture.height()));
    return QSizeF(std::max(w, 0.0f), std::max(h, 0.0f));
}

int DSImageScale::getNumberString(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits += c;
        else if (c >= QChar(0xFF10) && c <= QChar(0xFF19))
            digits += QChar(u'0' + (c.unicode() - 0xFF10));
    }
    bool ok = false;
    const int value = digits.toInt(&ok);
    return ok ? value : 0;
}

bool DSImageScale::isZoomText(const QString& text) {
    static const QRegularExpression re(QStringLiteral("(?!%)^[0-9\uFF10-\uFF19]*?[%]?$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

bool DSImageScale::isPageText(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^[0-9\uFF10-\uFF19]*?$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}
