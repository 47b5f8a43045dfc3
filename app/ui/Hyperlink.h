#pragma once

// A link text: the whole text links to the address, in blue (rich text for
// labels and text views).

#include <QString>
#include <QUrl>

namespace Hyperlink {
QString hyperlinkFromString(const QString& text, const QUrl& url);
}
