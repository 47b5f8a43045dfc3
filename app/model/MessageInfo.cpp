#include "model/MessageInfo.h"

MessageInfo::MessageInfo(const UserInfo& user)
    : destUser_(std::make_shared<UserInfo>(user.userId(), user.userName(), user.userType())) {}

void MessageInfo::addMessage(MessageDataRef message) {
    if (message) messages_.append(std::move(message));
}

void MessageInfo::addMessageFromData(const QVariantMap& data) {
    addMessage(std::make_shared<MessageData>(destUser_, QDateTime::currentDateTime(),
                                             data.value(QStringLiteral("Message")).toString()));
}
