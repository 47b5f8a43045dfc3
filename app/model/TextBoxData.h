// One line of the room's text box: the writer's shown name, the local time it
// was sent or received, the text as written and whether the user wrote it.
// Immutable once made, so a snapshot can be read on any thread.
#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>
#include <memory>

class TextBoxData {
public:
    TextBoxData(const QString& name, const QDateTime& date, const QString& message, bool isSelf);
    // A received line from its parsed text: "SrceUserName" and "Message",
    // received now.
    explicit TextBoxData(const QVariantMap& data);

    const QString& name() const { return name_; }
    const QDateTime& date() const { return date_; }
    const QString& message() const { return message_; }
    bool isSelf() const { return isSelf_; }

private:
    const QString name_;
    const QDateTime date_;
    const QString message_;
    const bool isSelf_;
};

using TextBoxDataRef = std::shared_ptr<TextBoxData>;
