#include "platform/V4L2Device.h"

#include <libv4l2.h>

namespace {

class LibV4L2Device final : public V4L2Device {
public:
    int open(const char* path, int flags) override { return v4l2_open(path, flags); }
    int close(int fd) override { return v4l2_close(fd); }
    int ioctl(int fd, unsigned long request, void* arg) override { return v4l2_ioctl(fd, request, arg); }
    void* mmap(size_t length, int prot, int flags, int fd, int64_t offset) override {
        return v4l2_mmap(nullptr, length, prot, flags, fd, offset);
    }
    int munmap(void* start, size_t length) override { return v4l2_munmap(start, length); }
};

}  // namespace

std::unique_ptr<V4L2Device> V4L2Device::system() {
    return std::make_unique<LibV4L2Device>();
}
