#pragma once

// The driver calls of a Video4Linux capture session: open, close, ioctl and
// the mapping of the driver's buffers. The application's device goes through
// libv4l2, which converts whatever the camera delivers into the asked format;
// tests put a scripted driver in its place. The calls follow the system
// calls' conventions (-1 and errno on failure, MAP_FAILED for a failed map).

#include <cstddef>
#include <cstdint>
#include <memory>

class V4L2Device {
public:
    virtual ~V4L2Device() = default;

    virtual int open(const char* path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void* mmap(size_t length, int prot, int flags, int fd, int64_t offset) = 0;
    virtual int munmap(void* start, size_t length) = 0;

    // The device through libv4l2.
    static std::unique_ptr<V4L2Device> system();
};
