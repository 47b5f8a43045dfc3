#include "platform/KeyDownMonitor.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <cstdlib>
#include <cstring>

namespace {

template <typename T>
std::unique_ptr<T, decltype(&std::free)> owned(T* reply) {
    return {reply, &std::free};
}

}  // namespace

KeyDownMonitor::KeyDownMonitor(Handler handler) : handler_(std::move(handler)) {}

KeyDownMonitor::~KeyDownMonitor() {
    if (local_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    notifier_.reset();
    if (connection_) xcb_disconnect(connection_);
}

std::unique_ptr<KeyDownMonitor> KeyDownMonitor::addLocalMonitor(Handler handler) {
    std::unique_ptr<KeyDownMonitor> monitor(new KeyDownMonitor(std::move(handler)));
    monitor->local_ = true;
    if (auto* app = QCoreApplication::instance()) app->installEventFilter(monitor.get());
    return monitor;
}

std::unique_ptr<KeyDownMonitor> KeyDownMonitor::addGlobalMonitor(Handler handler, const QByteArray& display) {
    std::unique_ptr<KeyDownMonitor> monitor(new KeyDownMonitor(std::move(handler)));
    if (!monitor->openGlobal(display)) return nullptr;
    return monitor;
}

bool KeyDownMonitor::openGlobal(const QByteArray& display) {
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return false;
    }
    connection_ = c;
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    if (!ext || !ext->present) return false;
    xinputOpcode_ = ext->major_opcode;
    auto version = owned(xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2) return false;

    // The XTest devices: every event they deliver was posted by a program.
    auto devices = owned(
        xcb_input_xi_query_device_reply(c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr));
    if (!devices) return false;
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem;
         xcb_input_xi_device_info_next(&it)) {
        const char* name = xcb_input_xi_device_info_name(it.data);
        const int length = xcb_input_xi_device_info_name_length(it.data);
        const QByteArray text(name, length);
        if (text.contains("XTEST")) xtestDevices_.insert(it.data->deviceid);
    }

    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    minKeycode_ = setup->min_keycode;
    auto mapping = owned(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, setup->max_keycode - setup->min_keycode + 1),
        nullptr));
    if (mapping) {
        keysymsPerKeycode_ = mapping->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
    }

    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } select{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS};
    auto error = owned(xcb_request_check(c, xcb_input_xi_select_events_checked(c, root, 1, &select.head)));
    if (error) return false;
    xcb_flush(c);

    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    return true;
}

std::uint32_t KeyDownMonitor::keysymOf(std::uint32_t keycode) const {
    if (keysymsPerKeycode_ == 0 || keycode < minKeycode_) return 0;
    const std::size_t index = std::size_t(keycode - minKeycode_) * keysymsPerKeycode_;
    return index < keysyms_.size() ? keysyms_[index] : 0;
}

void KeyDownMonitor::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        auto hold = owned(event);
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC) continue;
        auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
        if (generic->extension != xinputOpcode_ || generic->event_type != XCB_INPUT_RAW_KEY_PRESS) continue;
        auto* raw = reinterpret_cast<xcb_input_raw_key_press_event_t*>(event);
        if (!isUserSource(xtestDevices_, raw->sourceid)) continue;
        if (handler_) handler_(keysymOf(raw->detail));
    }
    if (xcb_connection_has_error(connection_)) notifier_->setEnabled(false);
}

bool KeyDownMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && handler_) {
        auto* key = static_cast<QKeyEvent*>(event);
        // A key press that no widget takes travels up to the window; the
        // filter sees it at every step but reports it once.
        const bool seen = key == lastEvent_ && key->timestamp() == lastTimestamp_;
        lastEvent_ = key;
        lastTimestamp_ = key->timestamp();
        if (!seen && !key->isAutoRepeat()) {
            const std::uint32_t keysym = key->key() == Qt::Key_Escape ? 0xff1b : key->nativeVirtualKey();
            handler_(keysym);
        }
    }
    return QObject::eventFilter(watched, event);
}
