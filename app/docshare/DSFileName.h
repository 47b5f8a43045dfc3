// File names proposed for saved pictures and downloaded PDFs. Parts that may
// come from the network (a title with a user's name) are made safe first.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class DSFileName {
public:
    static constexpr int kMaxBytes = 255;

    // A single file-name component: "/" and NUL become "_", the result is cut
    // to at most 255 bytes of UTF-8 (never inside a character); empty, "." and
    // ".." are refused.
    static std::optional<QString> sanitise(const QString& name);
    // The picture name: the prefix with the date "_yyyy-MM-dd-HH-mm-ss".
    static QString saveFileName(const QString& prefix, const QDateTime& now);
    // The PDF name: the prefix with the date "_yyyy-MM-dd HH:mm:ss".
    static QString pdfFileName(const QString& prefix, const QDateTime& now);
};
