#pragma once

// A private X desktop for the X11 layers' tests: Xvfb on the first free
// display, openbox as window manager, helper programs on it, and plain
// windows the test makes itself (any process id, colour, place, or a dock
// that reserves a strip). Everything started is stopped at the end.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <QByteArray>
#include <QRect>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/app/XvfbSupport.h"

namespace x11test {

inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline bool reap(pid_t pid, std::chrono::milliseconds timeout) {
    return waitFor(
        [&] {
            int status = 0;
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            return r == pid || r < 0;
        },
        timeout);
}

// A program in a process group of its own; stopping ends the group.
class Program {
public:
    Program(const std::vector<std::string>& argv, const std::string& display) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::setenv("DISPLAY", display.c_str(), 1);
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) ::dup2(null, 1), ::dup2(null, 2);
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        if (pid_ > 0) ::setpgid(pid_, pid_);
    }
    ~Program() { stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGTERM);
        if (!reap(pid_, std::chrono::seconds(10)))
            ::kill(-pid_, SIGKILL), reap(pid_, std::chrono::seconds(5));
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

class Desktop {
public:
    // `geometry` as Xvfb takes it, e.g. "1366x768x24".
    explicit Desktop(const std::string& geometry, bool windowManager = true)
        : xvfb_(QString::fromStdString(geometry)) {
        display_ = xvfb_.display().toStdString();
        if (display_.empty()) return;
        c_ = xcb_connect(display_.c_str(), nullptr);
        if (xcb_connection_has_error(c_)) return;
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(c_, &ewmh_), nullptr);
        ewmhReady_ = true;
        if (windowManager) {
            wm_ = std::make_unique<Program>(std::vector<std::string>{"openbox", "--sm-disable"}, display_);
            // The window manager announces itself before it handles windows:
            // it is up once it manages a probe window.
            wmUp_ = waitFor([&] { return windowManagerRunning(); });
            for (int attempt = 0; wmUp_ && attempt < 40; ++attempt) {
                // A probe mapped before the manager watches the root stays unmanaged.
                const xcb_window_t probe = createWindow(1, QRect(0, 0, 10, 10), 0, "Probe");
                windows_.pop_back();
                map(probe);
                const bool handled = waitFor([&] { return managed(probe); }, std::chrono::milliseconds(500));
                xcb_destroy_window(c_, probe);
                xcb_flush(c_);
                if (handled) {
                    waitFor([&] { return !managed(probe); });
                    probed_ = true;
                    break;
                }
            }
            wmUp_ = wmUp_ && probed_;
        }
    }
    ~Desktop() {
        for (xcb_window_t w : windows_) xcb_destroy_window(c_, w);
        programs_.clear();
        wm_.reset();
        if (ewmhReady_) xcb_ewmh_connection_wipe(&ewmh_);
        if (c_) xcb_disconnect(c_);
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool ready() const { return screen_ != nullptr && (wm_ == nullptr || wmUp_); }
    const std::string& display() const { return display_; }
    QByteArray displayName() const { return QByteArray::fromStdString(display_); }
    xcb_connection_t* connection() const { return c_; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }

    Program& start(const std::vector<std::string>& argv) {
        programs_.push_back(std::make_unique<Program>(argv, display_));
        return *programs_.back();
    }

    // A window of the given colour (0xRRGGBB) at a place the user chose,
    // claiming to belong to `pid`.
    xcb_window_t createWindow(uint32_t pid, QRect r, uint32_t colour,
                              const std::string& name = "QuorixTest") {
        const xcb_window_t w = xcb_generate_id(c_);
        const uint32_t values[] = {colour};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, int16_t(r.x()), int16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen_->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_ewmh_set_wm_pid(&ewmh_, w, pid);
        const std::string cls = name + '\0' + name + '\0';
        xcb_icccm_set_wm_class(c_, w, uint32_t(cls.size()), cls.data());
        xcb_size_hints_t hints{};
        xcb_icccm_size_hints_set_position(&hints, 1, r.x(), r.y());
        xcb_icccm_size_hints_set_size(&hints, 1, r.width(), r.height());
        xcb_icccm_set_wm_normal_hints(c_, w, &hints);
        windows_.push_back(w);
        return w;
    }
    // A dock along the bottom edge that reserves `height` pixels.
    xcb_window_t createBottomDock(int height, uint32_t colour) {
        const int sw = screen_->width_in_pixels, sh = screen_->height_in_pixels;
        const xcb_window_t w = createWindow(1, QRect(0, sh - height, sw, height), colour, "Panel");
        xcb_atom_t dock = ewmh_._NET_WM_WINDOW_TYPE_DOCK;
        xcb_ewmh_set_wm_window_type(&ewmh_, w, 1, &dock);
        xcb_ewmh_wm_strut_partial_t strut{};
        strut.bottom = uint32_t(height);
        strut.bottom_start_x = 0;
        strut.bottom_end_x = uint32_t(sw - 1);
        xcb_ewmh_set_wm_strut_partial(&ewmh_, w, strut);
        return w;
    }
    void map(xcb_window_t w) {
        xcb_map_window(c_, w);
        xcb_flush(c_);
    }
    // The client windows, bottom first.
    std::vector<xcb_window_t> stacking() {
        std::vector<xcb_window_t> out;
        xcb_ewmh_get_windows_reply_t list;
        if (xcb_ewmh_get_client_list_stacking_reply(&ewmh_, xcb_ewmh_get_client_list_stacking(&ewmh_, 0),
                                                    &list, nullptr)) {
            out.assign(list.windows, list.windows + list.windows_len);
            xcb_ewmh_get_windows_reply_wipe(&list);
        }
        return out;
    }
    bool managed(xcb_window_t w) {
        const auto s = stacking();
        return std::find(s.begin(), s.end(), w) != s.end();
    }
    QRect workArea() {
        QRect r;
        xcb_ewmh_get_workarea_reply_t areas;
        if (xcb_ewmh_get_workarea_reply(&ewmh_, xcb_ewmh_get_workarea(&ewmh_, 0), &areas, nullptr)) {
            if (areas.workarea_len > 0)
                r = QRect(int(areas.workarea[0].x), int(areas.workarea[0].y), int(areas.workarea[0].width),
                          int(areas.workarea[0].height));
            xcb_ewmh_get_workarea_reply_wipe(&areas);
        }
        return r;
    }

private:
    bool windowManagerRunning() {
        xcb_window_t check = 0;
        return xcb_ewmh_get_supporting_wm_check_reply(
                   &ewmh_, xcb_ewmh_get_supporting_wm_check(&ewmh_, screen_->root), &check, nullptr) &&
               check != 0;
    }

    xvfb::Server xvfb_;  // declared first: started before and stopped after everything on it
    std::string display_;
    xcb_connection_t* c_ = nullptr;
    const xcb_screen_t* screen_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    std::unique_ptr<Program> wm_;
    bool wmUp_ = false;
    bool probed_ = false;
    std::vector<std::unique_ptr<Program>> programs_;
    std::vector<xcb_window_t> windows_;
};

}  // namespace x11test
