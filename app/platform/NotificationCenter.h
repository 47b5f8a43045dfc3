#pragma once

// Named notifications between the application's objects. `post` calls every
// matching observer synchronously on the posting thread, in the order they
// were added; observers that must touch windows move to the main queue
// themselves.
//
// After `removeObserver` returns, the removed blocks are not running on any
// other thread and will not be called again (a block may remove itself).

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct Notification {
    QString name;
    const void* object = nullptr;  // the sender, compared by address
    QVariantMap userInfo;
};

class NotificationCenter {
public:
    using Block = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    // `observer` only groups registrations for removal. An empty name matches
    // every notification; a null `object` matches every sender.
    Token addObserver(const void* observer, const QString& name, Block block, const void* object = nullptr);
    void removeObserver(Token token);
    void removeObserver(const void* observer);
    void removeObserver(const void* observer, const QString& name);

    void post(const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

private:
    struct Entry;
    void remove(const std::function<bool(const Entry&)>& match);

    std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
    Token nextToken_ = 1;
};
