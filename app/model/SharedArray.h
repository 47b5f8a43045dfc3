// A list that core threads append to while windows read it: every access
// takes the list's lock, and readers get a snapshot (a copy of the list of
// shared records), never the list itself.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

template <typename T>
class SharedArray {
public:
    using Ref = std::shared_ptr<T>;

    void append(Ref item) {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
    }
    std::vector<Ref> snapshot() const {
        std::lock_guard lock(mutex_);
        return items_;
    }
    size_t count() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }
    void clear() {
        std::lock_guard lock(mutex_);
        items_.clear();
    }
    // The first item that matches, or none.
    Ref first(const std::function<bool(const T&)>& match) const {
        std::lock_guard lock(mutex_);
        for (const Ref& item : items_)
            if (match(*item)) return item;
        return nullptr;
    }
    // The first item that matches; when there is none, `make`'s item is
    // appended and answered. One step under the lock, so two threads never
    // add two items for the same match.
    Ref firstOrAppend(const std::function<bool(const T&)>& match, const std::function<Ref()>& make) {
        std::lock_guard lock(mutex_);
        for (const Ref& item : items_)
            if (match(*item)) return item;
        Ref made = make();
        if (made) items_.push_back(made);
        return made;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Ref> items_;
};
