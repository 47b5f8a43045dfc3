#include "platform/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QtPasteboard::QtPasteboard(QObject* parent) : QObject(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        // The window system may announce our own write once more after it
        // was made; that is no new change.
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (ownText_ && clipboard->ownsClipboard() && clipboard->text(QClipboard::Clipboard) == *ownText_)
            return;
        ownText_.reset();
        ++changeCount_;
    });
}

QtPasteboard& QtPasteboard::general() {
    static auto* pasteboard = new QtPasteboard(QGuiApplication::instance());
    return *pasteboard;
}

PasteboardContent QtPasteboard::content() const {
    PasteboardContent content;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data == nullptr) return content;
    content.formats = data->formats();
    if (data->hasText()) content.text = data->text();
    if (data->hasUrls()) content.urls = data->urls();
    return content;
}

void QtPasteboard::clearAndSetString(const QString& text) {
    // Setting replaces the whole content (a clear first would give the
    // clipboard away in between).
    ownText_ = text;
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    ++changeCount_;
}
