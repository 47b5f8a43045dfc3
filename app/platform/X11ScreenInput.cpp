#include "platform/X11ScreenInput.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>

#include "platform/X11Connection.h"

namespace {

// Bytes per row of a 32-bit picture `width` pixels wide as the server lays it out.
int rowBytes(const xcb_setup_t* setup, int width) {
    int bitsPerPixel = 32, pad = 32;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == 24 || it.data->depth == 32) {
            bitsPerPixel = it.data->bits_per_pixel;
            pad = it.data->scanline_pad;
            break;
        }
    }
    const int bits = width * bitsPerPixel;
    return ((bits + pad - 1) / pad) * pad / 8;
}

bool hasThirtyTwoBitPixels(const xcb_setup_t* setup, int depth) {
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel == 32;
    return false;
}

}  // namespace

X11ScreenInput::X11ScreenInput(const QByteArray& display) : display_(display) {}

X11ScreenInput::~X11ScreenInput() {
    releaseSegment();
}

void X11ScreenInput::releaseSegment() {
    if (shmAddress_) {
        if (x_ && x_->isConnected() && segment_) {
            xcb_shm_detach(x_->connection(), segment_);
            xcb_flush(x_->connection());
        }
        ::shmdt(shmAddress_);
    }
    shmAddress_ = nullptr;
    segment_ = 0;
    shm_ = false;
}

bool X11ScreenInput::open(QString* error) {
    auto fail = [&](const char* why) {
        if (error) *error = QString::fromLatin1(why);
        return false;
    };
    releaseSegment();
    x_ = std::make_unique<X11Connection>(display_);
    if (!x_->isConnected()) return fail("no X display to capture");
    xcb_connection_t* c = x_->connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    if ((x_->screen()->root_depth != 24 && x_->screen()->root_depth != 32) ||
        !hasThirtyTwoBitPixels(setup, x_->screen()->root_depth) ||
        setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return fail("the screen does not hold 32-bit pixels");
    output_ = x_->primaryRect();
    if (output_.isEmpty()) return fail("the screen has no output");

    const xcb_query_extension_reply_t* shmExt = xcb_get_extension_data(c, &xcb_shm_id);
    if (shmExt && shmExt->present) {
        shmSize_ = std::size_t(rowBytes(setup, output_.width())) * output_.height();
        shmId_ = ::shmget(IPC_PRIVATE, shmSize_, IPC_CREAT | 0600);
        if (shmId_ >= 0) {
            void* address = ::shmat(shmId_, nullptr, 0);
            if (address != reinterpret_cast<void*>(-1)) {
                shmAddress_ = static_cast<uint8_t*>(address);
                segment_ = xcb_generate_id(c);
                xcb_generic_error_t* err =
                    xcb_request_check(c, xcb_shm_attach_checked(c, segment_, shmId_, 0));
                if (err) {
                    std::free(err);
                    ::shmdt(shmAddress_);
                    shmAddress_ = nullptr;
                    segment_ = 0;
                } else {
                    shm_ = true;
                }
            }
            // Removed now: the segment goes away with the last attachment.
            ::shmctl(shmId_, IPC_RMID, nullptr);
            shmId_ = -1;
        }
    }
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (fixes && fixes->present) {
        std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
        // The cursor's picture is fetched again only when it changes.
        xcb_xfixes_select_cursor_input(c, x_->root(), XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
        xcb_flush(c);
        cursor_ = true;
        cursorStale_ = true;
    }
    return true;
}

bool X11ScreenInput::grab(ScreenImage* image) {
    *image = {};
    if (!x_ || !x_->isConnected() || xcb_connection_has_error(x_->connection())) return false;
    xcb_connection_t* c = x_->connection();
    const int w = output_.width(), h = output_.height();
    const int pitch = rowBytes(xcb_get_setup(c), w);
    if (cursor_) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const uint8_t base = xcb_get_extension_data(c, &xcb_xfixes_id)->first_event;
            if ((event->response_type & 0x7f) == base + XCB_XFIXES_CURSOR_NOTIFY) cursorStale_ = true;
            std::free(event);
        }
    }
    // The requests go out before any answer is awaited.
    xcb_xfixes_get_cursor_image_cookie_t cursorCookie{};
    xcb_query_pointer_cookie_t pointerCookie{};
    if (cursor_ && cursorStale_) cursorCookie = xcb_xfixes_get_cursor_image(c);
    if (cursor_) pointerCookie = xcb_query_pointer(c, x_->root());
    bool ok = false;
    if (shm_) {
        auto* r = xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, x_->root(), int16_t(output_.x()), int16_t(output_.y()), uint16_t(w),
                              uint16_t(h), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
            nullptr);
        if (r && std::size_t(pitch) * h <= shmSize_ && r->size >= uint32_t(pitch) * uint32_t(h)) {
            *image = {shmAddress_, w, h, pitch};
            ok = true;
        }
        std::free(r);
    } else {
        auto* r =
            xcb_get_image_reply(c,
                                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, x_->root(), int16_t(output_.x()),
                                              int16_t(output_.y()), uint16_t(w), uint16_t(h), ~0u),
                                nullptr);
        if (r && xcb_get_image_data_length(r) >= pitch * h) {
            plain_.assign(xcb_get_image_data(r), xcb_get_image_data(r) + std::size_t(pitch) * h);
            *image = {plain_.data(), w, h, pitch};
            ok = true;
        }
        std::free(r);
    }
    if (cursor_) {
        if (cursorStale_) {
            auto* cursor = xcb_xfixes_get_cursor_image_reply(c, cursorCookie, nullptr);
            if (cursor &&
                xcb_xfixes_get_cursor_image_cursor_image_length(cursor) >= cursor->width * cursor->height) {
                const uint32_t* argb = xcb_xfixes_get_cursor_image_cursor_image(cursor);
                cursorImage_.assign(argb, argb + cursor->width * cursor->height);
                cursorSize_ = QSize(cursor->width, cursor->height);
                cursorHot_ = QPoint(cursor->xhot, cursor->yhot);
                cursorStale_ = false;
            }
            std::free(cursor);
        }
        auto* pointer = xcb_query_pointer_reply(c, pointerCookie, nullptr);
        if (ok && pointer && pointer->same_screen)
            drawCursor(*image, QPoint(pointer->root_x, pointer->root_y));
        std::free(pointer);
    }
    return ok;
}

void X11ScreenInput::drawCursor(ScreenImage& image, QPoint position) {
    const int cw = cursorSize_.width(), ch = cursorSize_.height();
    if (cursorImage_.size() < std::size_t(cw) * ch) return;
    const uint32_t* argb = cursorImage_.data();
    const int left = position.x() - cursorHot_.x() - output_.x();
    const int top = position.y() - cursorHot_.y() - output_.y();
    for (int cy = 0; cy < ch; ++cy) {
        const int y = top + cy;
        if (y < 0 || y >= image.height) continue;
        uint8_t* row = image.pixels + std::size_t(y) * image.bytesPerRow;
        for (int cx = 0; cx < cw; ++cx) {
            const int x = left + cx;
            if (x < 0 || x >= image.width) continue;
            // Premultiplied alpha over the picture.
            const uint32_t p = argb[cy * cw + cx];
            const uint32_t a = p >> 24;
            if (a == 0) continue;
            uint8_t* d = row + x * 4;
            const uint32_t keep = 255 - a;
            d[0] = uint8_t((p & 0xff) + (d[0] * keep + 127) / 255);
            d[1] = uint8_t(((p >> 8) & 0xff) + (d[1] * keep + 127) / 255);
            d[2] = uint8_t(((p >> 16) & 0xff) + (d[2] * keep + 127) / 255);
        }
    }
}
