#include "platform/NotificationCenter.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

struct NotificationCenter::Entry {
    Token token;
    const void* observer;
    QString name;
    const void* object;
    Block block;

    std::mutex mutex;
    std::condition_variable idle;
    bool removed = false;
    std::vector<std::thread::id> running;  // threads inside `block` right now
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const void* observer, const QString& name,
                                                          Block block, const void* object) {
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->name = name;
    entry->object = object;
    entry->block = std::move(block);
    std::lock_guard lock(mutex_);
    entry->token = nextToken_++;
    entries_.push_back(entry);
    return entry->token;
}

void NotificationCenter::removeObserver(Token token) {
    remove([token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::removeObserver(const void* observer) {
    remove([observer](const Entry& e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(const void* observer, const QString& name) {
    remove([observer, &name](const Entry& e) { return e.observer == observer && e.name == name; });
}

void NotificationCenter::remove(const std::function<bool(const Entry&)>& match) {
    std::vector<std::shared_ptr<Entry>> removed;
    {
        std::lock_guard lock(mutex_);
        auto keep = std::stable_partition(entries_.begin(), entries_.end(),
                                          [&](const std::shared_ptr<Entry>& e) { return !match(*e); });
        removed.assign(keep, entries_.end());
        entries_.erase(keep, entries_.end());
    }
    const auto self = std::this_thread::get_id();
    for (auto& entry : removed) {
        std::unique_lock lock(entry->mutex);
        entry->removed = true;
        entry->idle.wait(lock, [&] {
            return std::all_of(entry->running.begin(), entry->running.end(),
                               [&](std::thread::id id) { return id == self; });
        });
    }
}

void NotificationCenter::post(const QString& name, const void* object, const QVariantMap& userInfo) {
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Entry>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if ((entry->name.isEmpty() || entry->name == notification.name) &&
                (entry->object == nullptr || entry->object == notification.object)) {
                matching.push_back(entry);
            }
        }
    }
    const auto self = std::this_thread::get_id();
    for (const auto& entry : matching) {
        {
            std::lock_guard lock(entry->mutex);
            if (entry->removed) {
                continue;
            }
            entry->running.push_back(self);
        }
        entry->block(notification);
        {
            std::lock_guard lock(entry->mutex);
            entry->running.erase(std::find(entry->running.begin(), entry->running.end(), self));
        }
        entry->idle.notify_all();
    }
}
