#pragma once

// Key-down monitors: a global one that sees the keys pressed anywhere on the
// X display, and a local one that sees the keys this application receives.
//
// The global monitor reads XInput2 raw key presses of the master keyboards on
// a connection of its own and leaves out those whose source is an XTest
// device: keys that a program (our own injector among them) posts are not
// keys the user typed. Keys are reported as the keysym of their first level.
// The local monitor is an event filter on the application; it hands every
// event on unchanged.
//
// Both live on the main thread and report there.

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

struct xcb_connection_t;

class KeyDownMonitor : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(std::uint32_t keysym)>;

    // Nullptr when no X display with XInput 2 can be reached.
    static std::unique_ptr<KeyDownMonitor> addGlobalMonitor(Handler handler, const QByteArray& display = {});
    static std::unique_ptr<KeyDownMonitor> addLocalMonitor(Handler handler);
    ~KeyDownMonitor() override;

    // Whether a raw key press from this device counts as typed by the user.
    static bool isUserSource(const std::set<std::uint16_t>& xtestDevices, std::uint16_t sourceId) {
        return xtestDevices.count(sourceId) == 0;
    }
    const std::set<std::uint16_t>& xtestDevices() const { return xtestDevices_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit KeyDownMonitor(Handler handler);
    bool openGlobal(const QByteArray& display);
    void readEvents();
    std::uint32_t keysymOf(std::uint32_t keycode) const;

    Handler handler_;
    bool local_ = false;
    xcb_connection_t* connection_ = nullptr;
    std::uint8_t xinputOpcode_ = 0;
    std::set<std::uint16_t> xtestDevices_;
    std::uint8_t minKeycode_ = 0;
    std::uint8_t keysymsPerKeycode_ = 0;
    std::vector<std::uint32_t> keysyms_;
    std::unique_ptr<QSocketNotifier> notifier_;
    const void* lastEvent_ = nullptr;
    std::uint64_t lastTimestamp_ = 0;
};
