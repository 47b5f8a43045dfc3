// The desktop's way of opening our URL scheme: the link arrives as the
// program's argument (the desktop entry runs "quorix %u"). One instance runs
// per user: a later start hands its link (or, started without one, a plain
// "reopen") to the running instance over a local socket and ends.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLocalServer;

class URLEventReceiver : public QObject {
    Q_OBJECT

public:
    struct Event {
        bool reopen = false;          // a start without a link
        std::optional<QString> link;  // the link text of a URL event
    };

    // "$XDG_RUNTIME_DIR/quorix-instance" (or the same name in the temporary folder).
    static QString socketPath();
    // The event of this start from its arguments (argument 1 is the link).
    static Event eventFromArguments(const QStringList& arguments);
    // Hands the event to a running instance; true when one took it.
    static bool sendToRunningInstance(const Event& event, int timeoutMs = 3000);

    explicit URLEventReceiver(QObject* parent = nullptr);
    ~URLEventReceiver() override;

    // Becomes the running instance; false when the socket cannot be taken.
    bool listen(std::function<void(const Event&)> handler);

private:
    void readConnection();

    QLocalServer* server_ = nullptr;
    std::function<void(const Event&)> handler_;
};
