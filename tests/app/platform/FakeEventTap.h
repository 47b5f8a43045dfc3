#pragma once

// An EventTap that records what would be posted, in order, as short texts
// ("down L 100,100 x2", "up L 100,100 x2", "move 5,6", "drag 5,6", "wheel -1",
// "key ff52 down", "release all"), and answers a pointer location the test sets.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "platform/EventTap.h"

struct FakeEventTapLog {
    QStringList events;
    std::optional<QPoint> pointer;
    // Keysyms the fake has no key for (key() answers false).
    QList<std::uint32_t> unknownKeysyms;

    QStringList take() { return std::exchange(events, {}); }
};

class FakeEventTap final : public EventTap {
public:
    explicit FakeEventTap(std::shared_ptr<FakeEventTapLog> log) : log_(std::move(log)) {}

    void moveMouse(QPoint p, bool dragging) override {
        log_->events << QStringLiteral("%1 %2,%3").arg(dragging ? "drag" : "move").arg(p.x()).arg(p.y());
    }
    void mouseButton(MouseButton button, bool down, QPoint p, int clickState) override {
        const char* name = button == MouseButton::Left ? "L" : button == MouseButton::Right ? "R" : "M";
        log_->events << QStringLiteral("%1 %2 %3,%4 x%5")
                            .arg(down ? "down" : "up", name)
                            .arg(p.x())
                            .arg(p.y())
                            .arg(clickState);
    }
    void scrollWheel(int notches) override { log_->events << QStringLiteral("wheel %1").arg(notches); }
    bool key(std::uint32_t keysym, bool down) override {
        if (log_->unknownKeysyms.contains(keysym)) return false;
        log_->events << QStringLiteral("key %1 %2").arg(keysym, 0, 16).arg(down ? "down" : "up");
        return true;
    }
    std::optional<QPoint> pointerLocation() override { return log_->pointer; }
    void releaseAll() override { log_->events << QStringLiteral("release all"); }

private:
    std::shared_ptr<FakeEventTapLog> log_;
};
