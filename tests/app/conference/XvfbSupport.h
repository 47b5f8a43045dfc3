#pragma once

// A virtual X display for tests that run the desktop program as a user does:
// a private Xvfb on a display number it picks itself, the program started in a
// process group of its own on that display, and the screen read back through
// xcb.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace xvfb {

inline bool waitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || r < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Starts `argv` in a process group of its own with `env` added to the
// environment; stopping ends the whole group (SIGTERM, then SIGKILL).
class ProcessGroup {
public:
    ProcessGroup(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& logPath) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
            const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        if (pid_ > 0) ::setpgid(pid_, pid_);
    }
    ~ProcessGroup() { stop(); }
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const {
        if (pid_ <= 0) return false;
        int status = 0;
        return ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGTERM);
        if (!waitForExit(pid_, std::chrono::seconds(10))) {
            ::kill(-pid_, SIGKILL);
            waitForExit(pid_, std::chrono::seconds(5));
        }
        // Whatever of the group is left (the program's own children).
        ::kill(-pid_, SIGKILL);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// A private Xvfb; the display number is the first free one, told by Xvfb.
class Server {
public:
    explicit Server(const QString& screen = QStringLiteral("1280x800x24")) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const std::string geometry = screen.toStdString();
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry.c_str(), "-nolisten",
                     "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
        ::close(fds[0]);
        if (!number.empty()) display_ = QStringLiteral(":") + QString::fromStdString(number);
    }
    ~Server() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            if (!waitForExit(pid_, std::chrono::seconds(5)))
                ::kill(pid_, SIGKILL), waitForExit(pid_, std::chrono::seconds(5));
        }
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Empty when Xvfb did not start.
    QString display() const { return display_; }

private:
    pid_t pid_ = -1;
    QString display_;
};

// The whole screen, or a null picture.
inline QImage grabScreen(const QString& display) {
    const std::string name = display.toStdString();
    xcb_connection_t* c = xcb_connect(name.c_str(), nullptr);
    if (c == nullptr || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return {};
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    QImage shot;
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u),
                            nullptr);
    if (reply != nullptr && reply->depth == 24) {
        const int length = xcb_get_image_data_length(reply);
        const int w = screen->width_in_pixels, h = screen->height_in_pixels;
        if (length >= w * h * 4)
            shot = QImage(xcb_get_image_data(reply), w, h, w * 4, QImage::Format_RGB32).copy();
    }
    std::free(reply);
    xcb_disconnect(c);
    return shot;
}

// The largest viewable top-level window (there is no window manager: the
// program's windows are children of the root at their own place).
inline std::optional<QRect> largestWindow(const QString& display) {
    const std::string name = display.toStdString();
    xcb_connection_t* c = xcb_connect(name.c_str(), nullptr);
    if (c == nullptr || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return std::nullopt;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::optional<QRect> best;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr);
    if (tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            xcb_get_window_attributes_reply_t* attrs =
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
            const bool viewable = attrs != nullptr && attrs->map_state == XCB_MAP_STATE_VIEWABLE &&
                                  attrs->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
            std::free(attrs);
            if (!viewable) continue;
            xcb_get_geometry_reply_t* g =
                xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), nullptr);
            if (g != nullptr) {
                const QRect r(g->x, g->y, g->width, g->height);
                if (!best || r.width() * r.height() > best->width() * best->height()) best = r;
            }
            std::free(g);
        }
    }
    std::free(tree);
    xcb_disconnect(c);
    return best;
}

}  // namespace xvfb
