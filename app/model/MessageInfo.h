// One private conversation: the partner (a copy of his record made at
// creation, renamed when he enters or speaks again) and the messages of both
// directions in order. Messages are appended on core threads while the
// message window reads them: the list is guarded and readers get snapshots.
#pragma once

#include <QVariantMap>
#include <memory>
#include <vector>

#include "model/MessageData.h"
#include "model/SharedArray.h"
#include "model/UserInfo.h"

class MessageInfo {
public:
    explicit MessageInfo(const UserInfo& user);

    const UserInfoRef& destUser() const { return destUser_; }
    std::vector<MessageDataRef> messages() const { return messages_.snapshot(); }
    void addMessage(MessageDataRef message);
    // A received message from its parsed text: the "Message" text, now, from
    // the partner.
    void addMessageFromData(const QVariantMap& data);

private:
    const UserInfoRef destUser_;
    SharedArray<MessageData> messages_;
};

using MessageInfoRef = std::shared_ptr<MessageInfo>;
