#pragma once

// The general clipboard as the sharing's clipboard exchange sees it: a change
// count that grows with every change of the content (also our own), what the
// content can be read as, and writing a plain text. Used on the main thread
// only. The application's pasteboard is `QtPasteboard` (QClipboard); tests put
// a fake in its place.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <optional>

struct PasteboardContent {
    QStringList formats;          // the MIME types offered
    std::optional<QString> text;  // the content as a string, when it can be read as one
    QList<QUrl> urls;             // the content as addresses
};

class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    virtual std::int64_t changeCount() const = 0;
    virtual PasteboardContent content() const = 0;
    // Clears the clipboard and gives it the text as its only content.
    virtual void clearAndSetString(const QString& text) = 0;
};
