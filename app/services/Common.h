#pragma once

// Shared helpers: the per-user data folder with its subfolders, colours from
// hexadecimal texts, the height of wrapped text, and a few settings helpers.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>
#include <QTextDocumentFragment>
#include <QVariant>
#include <cstdint>
#include <optional>

class Common {
public:
    // Subfolders of the data folder, by index.
    enum Directory : std::int64_t {
        kDirectoryDocumentSharing = 0,
        kDirectoryTextBox = 1,
        kDirectoryMessage = 2,
        kDirectoryApplicationSharing = 3,
        kDirectoryLog = 4,
    };

    // "<XDG data folder>/<bundle identifier>/<subfolder>", created on first
    // use; none for an index outside 0 to 4 or when a folder cannot be made.
    static std::optional<QString> getCommonAppDirectory(std::int64_t index);
    // "RRGGBB" after an optional "#" or "＃" (and "0x"); none without hexadecimal digits.
    static std::optional<QColor> colorWithHexString(const QString& text, double alpha);
    // Height of the text laid out in the font at the given width, without margins.
    static double heightForMessageStr(const QString& text, const QFont& font, double width);
    static std::optional<QString> standardDefaultsLoad(const QString& key);
    // Name (small), optional " [date time]", a blank line, then the message.
    static QTextDocumentFragment appendString(const QString& name, const QString& message, bool needTimeStamp);

    Common() = default;

    void standardDefaultsSave(const QString& key, const QVariant& value);
    // A point stored as two texts "%f" under name + "X" and name + "Y".
    void standardDefaultsCGSave(const QString& name, QPointF value);
    QPointF standardDefaultsCGLoad(const QString& name);
    void setConnectMode(bool tunnelingAllowed);
    // The remembered connection method when the room allows tunnelling, else -1.
    int loadingConnectType();
    void saveConnectType(int type);
    // The system's proxy for a target address: host and port of the first
    // proxy that has both, else "" and 0.
    QString loadingProxyStr(const QString& url);
    int loadingProxyPort(const QString& url);
    void textBoxTimeStampStatus(bool notNeeded);
    QTextDocumentFragment appendingString(const QString& name, const QString& message);

    bool mbConfigTunnelingY() const { return mbConfigTunnelingY_; }
    bool mbTextBoxTimeStampNotNeed() const { return mbTextBoxTimeStampNotNeed_; }

private:
    bool mbConfigTunnelingY_ = false;
    bool mbTextBoxTimeStampNotNeed_ = false;
};
