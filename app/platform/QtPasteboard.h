#pragma once

// The desktop's clipboard (QClipboard, the CLIPBOARD selection on X11) as a
// `Pasteboard`: the change count counts QClipboard's change signals (other
// programs' copies and our own) and each write through `clearAndSetString`
// once, however often the window system announces it. Made and used
// on the main thread, after the QGuiApplication.

#include <QObject>
#include <QString>
#include <optional>

#include "platform/Pasteboard.h"

class QtPasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit QtPasteboard(QObject* parent = nullptr);

    // The one of the process (made on first use, on the main thread).
    static QtPasteboard& general();

    std::int64_t changeCount() const override { return changeCount_; }
    PasteboardContent content() const override;
    void clearAndSetString(const QString& text) override;

private:
    std::int64_t changeCount_ = 0;
    std::optional<QString> ownText_;  // the text of our last write while it lasts
};
