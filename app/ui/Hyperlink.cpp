#include "ui/Hyperlink.h"

namespace Hyperlink {

QString hyperlinkFromString(const QString& text, const QUrl& url) {
    return QStringLiteral("<a href=\"%1\" style=\"color: blue;\">%2</a>")
        .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), text.toHtmlEscaped());
}

}  // namespace Hyperlink
