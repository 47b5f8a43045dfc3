#pragma once

// Watching and writing the general clipboard for the clipboard exchange of
// application sharing. Only plain text goes between the two sides, as UTF-8
// of at most kMaxBytes bytes, cut between characters. While watching is on,
// the clipboard's change count is looked at every kIntervalMs; a change whose
// content is plain text reaches the delegate. A text from the other side is
// written on the main thread, and the change it makes is not reported back.
//
// The object lives on the main thread; `setPasteboardtext`,
// `startPasteboardObservation` and `stopPasteboardObservation` may be called
// from any thread (they run on the main queue).

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <optional>

#include "platform/Pasteboard.h"

class ClipboardManagerDelegate {
public:
    virtual ~ClipboardManagerDelegate() = default;
    // The local clipboard changed to this text (UTF-8); called on the main thread.
    virtual void updatePasteboard(const QByteArray& utf8) { (void)utf8; }
};

class ClipboardManager final : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 2000;
    static constexpr int kMaxBytes = 1023;

    // `pasteboard` nullptr: the desktop's clipboard (`QtPasteboard::general`).
    explicit ClipboardManager(Pasteboard* pasteboard = nullptr, QObject* parent = nullptr);
    ~ClipboardManager() override;

    void startPasteboardObservation();
    void stopPasteboardObservation();
    bool isObserving() const { return timer_.isActive(); }

    // A text from the other side. Ignored when it is not UTF-8 or longer than
    // kMaxBytes (the other side never sends more).
    void setPasteboardtext(const QByteArray& utf8);
    // The clipboard's text as UTF-8, cut to kMaxBytes, or none when the content
    // is not plain text.
    std::optional<QByteArray> getPasteboard() const;
    // Whether the content counts as plain text.
    static bool canSharedPasteboardData(const PasteboardContent& content);
    // The text as UTF-8 of at most `maxBytes`, cut before the first character
    // that does not fit whole; none when it holds a lone surrogate.
    static std::optional<QByteArray> cutText(const QString& text, int maxBytes = kMaxBytes);

    // The timer's work.
    void observePasteboard();
    void pasteboardDidChange();

    ClipboardManagerDelegate* delegate() const { return delegate_; }
    void setDelegate(ClipboardManagerDelegate* delegate) { delegate_ = delegate; }

private:
    void startOnMainThread();
    void writeOnMainThread(const QString& text);

    Pasteboard* pasteboard_;
    QTimer timer_;
    std::int64_t miChangeCount_ = 0;
    ClipboardManagerDelegate* delegate_ = nullptr;
};
