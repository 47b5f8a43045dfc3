#include "platform/ClipboardManager.h"

#include <QStringDecoder>

#include "platform/Dispatch.h"
#include "platform/QtPasteboard.h"

namespace {

bool isOneOf(const QString& format, std::initializer_list<const char*> types) {
    for (const char* t : types)
        if (format == QLatin1String(t)) return true;
    return false;
}

}  // namespace

ClipboardManager::ClipboardManager(Pasteboard* pasteboard, QObject* parent)
    : QObject(parent), pasteboard_(pasteboard ? pasteboard : &QtPasteboard::general()) {
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &ClipboardManager::observePasteboard);
}

ClipboardManager::~ClipboardManager() = default;

void ClipboardManager::startPasteboardObservation() {
    if (mainQueue().isCurrent()) {
        startOnMainThread();
        return;
    }
    mainQueue().async(this, [this] { startOnMainThread(); });
}

void ClipboardManager::startOnMainThread() {
    miChangeCount_ = pasteboard_->changeCount();
    timer_.start();
}

void ClipboardManager::stopPasteboardObservation() {
    if (mainQueue().isCurrent()) {
        timer_.stop();
        return;
    }
    mainQueue().async(this, [this] { timer_.stop(); });
}

void ClipboardManager::setPasteboardtext(const QByteArray& utf8) {
    if (utf8.size() > kMaxBytes) return;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(utf8);
    if (decoder.hasError()) return;
    // The clipboard belongs to the main thread.
    if (mainQueue().isCurrent()) {
        writeOnMainThread(text);
        return;
    }
    mainQueue().async(this, [this, text] { writeOnMainThread(text); });
}

void ClipboardManager::writeOnMainThread(const QString& text) {
    timer_.stop();
    pasteboard_->clearAndSetString(text);
    startOnMainThread();
}

bool ClipboardManager::canSharedPasteboardData(const PasteboardContent& content) {
    for (const QString& f : content.formats) {
        if (f.startsWith(QLatin1String("font/")) || f.startsWith(QLatin1String("audio/")) ||
            isOneOf(f, {"application/x-font", "application/x-color", "text/tab-separated-values"}))
            return false;
    }
    for (const QUrl& url : content.urls)
        if (url.isLocalFile()) return false;
    for (const QString& f : content.formats)
        if (isOneOf(f, {"application/pdf", "image/tiff", "image/png", "text/rtf"}))
            return content.text.has_value();
    return content.text.has_value() || content.urls.isEmpty();
}

std::optional<QByteArray> ClipboardManager::cutText(const QString& text, int maxBytes) {
    QByteArray out;
    out.reserve(std::min<qsizetype>(text.size() * 3, maxBytes));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        char32_t code = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text.at(i + 1));
            units = 2;
        } else if (c.isSurrogate()) {
            return std::nullopt;  // not convertible to UTF-8
        }
        const int length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (out.size() + length > maxBytes) {
            // The rest is left out, but it must still be convertible.
            for (qsizetype j = i; j < text.size(); ++j) {
                const QChar d = text.at(j);
                if (d.isHighSurrogate() && j + 1 < text.size() && text.at(j + 1).isLowSurrogate())
                    ++j;
                else if (d.isSurrogate())
                    return std::nullopt;
            }
            break;
        }
        out += QString(text.constData() + i, units).toUtf8();
        i += units - 1;
    }
    return out;
}

std::optional<QByteArray> ClipboardManager::getPasteboard() const {
    const PasteboardContent content = pasteboard_->content();
    if (!canSharedPasteboardData(content) || !content.text) return std::nullopt;
    return cutText(*content.text);
}

void ClipboardManager::observePasteboard() {
    const std::int64_t count = pasteboard_->changeCount();
    if (count == miChangeCount_) return;
    pasteboardDidChange();
    miChangeCount_ = count;
}

void ClipboardManager::pasteboardDidChange() {
    const std::optional<QByteArray> text = getPasteboard();
    if (text && delegate_) delegate_->updatePasteboard(*text);
}
