// One private message: its writer (the user's own record for a sent message,
// the sender's list entry for a received one), the local time and the text.
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

#include "model/UserInfo.h"

class MessageData {
public:
    MessageData(UserInfoRef user, const QDateTime& date, const QString& message)
        : user_(std::move(user)), date_(date), message_(message) {}

    const UserInfoRef& user() const { return user_; }
    const QDateTime& date() const { return date_; }
    const QString& message() const { return message_; }

private:
    const UserInfoRef user_;
    const QDateTime date_;
    const QString message_;
};

using MessageDataRef = std::shared_ptr<MessageData>;
