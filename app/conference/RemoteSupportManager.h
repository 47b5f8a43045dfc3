// Display control: the owner asks one participant, or all, to show the main
// screen (optionally someone's video), the document or the shared screen.
// The request is a text of "#KEY=value" lines, each ended by a line feed,
// sent as free message 10061; received requests, answers (10062) and reports
// (10063) are only written to the log.
//
// Threads: requests on the main thread, the receive operations on the core
// thread of the free message; the manager keeps no state but its delegate.
#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "session/LoginManagerFeatures.h"

inline constexpr char kRemoteSupportType[] = "TYPE";
inline constexpr char kRemoteSupportActive[] = "ACTIVE";
inline constexpr char kRemoteSupportDetail[] = "DETAIL";
inline constexpr char kRemoteSupportLineFeed[] = "\n";
inline constexpr char kRemoteSupportDspCtrMain[] = "MAIN";
inline constexpr char kRemoteSupportDspCtrDS[] = "WEBESCORT";
inline constexpr char kRemoteSupportDspCtrAS[] = "APPSHARE";

class RemoteSupportManagerDelegate {
public:
    virtual ~RemoteSupportManagerDelegate() = default;
    virtual void sendRemoteSupportMsg(uint32_t code, const QString& userId, int value,
                                      const QString& data) = 0;
};

class RemoteSupportManager : public LoginRemoteSupportManager {
public:
    // The screen's name in the ACTIVE line: 0 MAIN, 1 WEBESCORT, 2 APPSHARE,
    // empty for any other type.
    static QString screenName(int64_t screenType);
    // The request text; TYPE is 1 exactly when there is no user id.
    static QString createDispControlReq(const std::optional<QString>& userId, int64_t screenType,
                                        const std::optional<QString>& detail);
    // The keys and values of a text's complete "#KEY=value" lines; a later
    // line with the same key wins.
    static std::map<QString, QString> analyzeDispControlData(const QString& text);

    // The login controller's manager: its delegate is the login controller.
    static std::unique_ptr<LoginRemoteSupportManager> make(LoginManager& login);

    RemoteSupportManager() = default;
    // Held weakly.
    void setDelegate(RemoteSupportManagerDelegate* delegate) { delegate_ = delegate; }
    RemoteSupportManagerDelegate* delegate() const { return delegate_; }

    void requestDispControl(const std::optional<QString>& userId, int64_t screenType,
                            const std::optional<QString>& detail) override;
    void recvDispControlReq(const QString& senderId, int code, const QString& data) override;
    void recvDispControlRes(const QString& senderId, int code, const QString& data) override;
    void recvDispControlRep(const QString& senderId, int code, const QString& data) override;

private:
    RemoteSupportManagerDelegate* delegate_ = nullptr;
    std::unique_ptr<RemoteSupportManagerDelegate> ownedDelegate_;
};
