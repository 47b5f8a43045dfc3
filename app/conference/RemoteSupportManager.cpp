#include "conference/RemoteSupportManager.h"

#include <QStringList>

#include "control/FreeMessageCodes.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"

namespace {

constexpr int kRequestResultCode = 1;

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

class LoginDelegate final : public RemoteSupportManagerDelegate {
public:
    explicit LoginDelegate(LoginManager& login) : login_(login) {}
    void sendRemoteSupportMsg(uint32_t code, const QString& userId, int value, const QString& data) override {
        login_.sendRemoteSupportMsg(code, userId, value, data);
    }

private:
    LoginManager& login_;
};

}  // namespace

QString RemoteSupportManager::screenName(int64_t screenType) {
    switch (screenType) {
        case 0:
            return QString::fromLatin1(kRemoteSupportDspCtrMain);
        case 1:
            return QString::fromLatin1(kRemoteSupportDspCtrDS);
        case 2:
            return QString::fromLatin1(kRemoteSupportDspCtrAS);
        default:
            return QString();
    }
}

QString RemoteSupportManager::createDispControlReq(const std::optional<QString>& userId, int64_t screenType,
                                                   const std::optional<QString>& detail) {
    QString text =
        StringWithFormat(QStringLiteral("#%@=%d\n#%@=%@\n"), QString::fromLatin1(kRemoteSupportType),
                         userId ? 0 : 1, QString::fromLatin1(kRemoteSupportActive), screenName(screenType));
    if (detail)
        text +=
            StringWithFormat(QStringLiteral("#%@=%@\n"), QString::fromLatin1(kRemoteSupportDetail), *detail);
    return text;
}

std::map<QString, QString> RemoteSupportManager::analyzeDispControlData(const QString& text) {
    std::map<QString, QString> values;
    const QStringList parts = text.split(QString::fromLatin1(kRemoteSupportLineFeed));
    // What follows the last line feed is no complete line.
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString& line = parts[i];
        if (!line.startsWith(u'#')) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || equals + 1 >= line.size()) continue;
        values[line.mid(1, equals - 1)] = line.mid(equals + 1);
    }
    return values;
}

std::unique_ptr<LoginRemoteSupportManager> RemoteSupportManager::make(LoginManager& login) {
    auto manager = std::make_unique<RemoteSupportManager>();
    manager->ownedDelegate_ = std::make_unique<LoginDelegate>(login);
    manager->delegate_ = manager->ownedDelegate_.get();
    return manager;
}

void RemoteSupportManager::requestDispControl(const std::optional<QString>& userId, int64_t screenType,
                                              const std::optional<QString>& detail) {
    const QString text = createDispControlReq(userId, screenType, detail);
    if (delegate_ == nullptr) return;
    logInfo(StringWithFormat(QString::fromLatin1(kLogMsgRemoteSupportSendDispCtrlReq),
                             userId ? *userId : QStringLiteral("All"), screenName(screenType),
                             detail ? *detail : QString()));
    delegate_->sendRemoteSupportMsg(FREEMSG_DISPCONTROL_REQ, userId ? *userId : QString(), kRequestResultCode,
                                    text);
}

void RemoteSupportManager::recvDispControlReq(const QString& senderId, int code, const QString& data) {
    const std::map<QString, QString> values = analyzeDispControlData(data);
    const auto value = [&](const char* key) {
        const auto it = values.find(QString::fromLatin1(key));
        return it != values.end() ? it->second : QString();
    };
    logInfo(StringWithFormat(QString::fromLatin1(kLogMsgRcvFmDispControlReq), code, value(kRemoteSupportType),
                             value(kRemoteSupportActive), value(kRemoteSupportDetail), senderId));
}

void RemoteSupportManager::recvDispControlRes(const QString& senderId, int code, const QString&) {
    logInfo(StringWithFormat(QString::fromLatin1(kLogMsgRcvFmDispControlRes), senderId, code));
}

void RemoteSupportManager::recvDispControlRep(const QString& senderId, int code, const QString&) {
    logInfo(StringWithFormat(QString::fromLatin1(kLogMsgRcvFmDispControlRep), senderId, code));
}
