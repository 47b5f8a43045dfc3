#include "platform/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QtPasteboard::QtPasteboard(QObject* parent) : QObject(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { ++changeCount_; });
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
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(text, QClipboard::Clipboard);
}
