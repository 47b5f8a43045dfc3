#pragma once

// A camera capture session: one device input and one output that hands every
// frame to a handler on the session's own capture thread, one frame at a time.
// Frames that arrive while the handler is busy are discarded (the newest one
// waiting is taken next). Frames are 32-bit pixels in the byte order blue,
// green, red, alpha (alpha 255), top row first, rows without padding; the pixel
// memory is only lent for the handler call.
//
// The application's session is `V4L2CaptureSession`; tests put a fake in its
// place. Calls other than the handlers come from one thread at a time (the
// camera's configuration queue or the main thread).

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

struct CaptureFrame {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// The capture size class: Low for conferences, Medium while a recording wants
// 25 frames per second or more.
enum class CapturePreset { Low, Medium };

class CaptureSession {
public:
    using FrameHandler = std::function<void(const CaptureFrame&)>;
    // The device failed while capturing (it was unplugged); the session has
    // stopped and holds no input any more. Called on the capture thread.
    using ErrorHandler = std::function<void(const QString& description)>;

    virtual ~CaptureSession() = default;

    // Opens the device (its unique id, the device node) as the session's input,
    // replacing none: false with the reason when it is missing, cannot be opened
    // or refuses to deliver frames we can read.
    virtual bool addInput(const QString& uniqueID, QString* error) = 0;
    virtual void removeInputs() = 0;
    virtual bool hasInput() const = 0;

    // Set before the session first runs.
    virtual void setFrameHandler(FrameHandler handler) = 0;
    virtual void setErrorHandler(ErrorHandler handler) = 0;

    // Changes between begin and commit take effect together at the commit.
    virtual void beginConfiguration() = 0;
    virtual void commitConfiguration() = 0;
    virtual void setPreset(CapturePreset preset) = 0;
    virtual CapturePreset preset() const = 0;

    // Starting without an input does nothing. Stopping returns once the last
    // handler call has returned; never call it from inside the handler.
    virtual void startRunning() = 0;
    virtual void stopRunning() = 0;
    virtual bool isRunning() const = 0;

    // A Video4Linux session.
    static std::unique_ptr<CaptureSession> create();
};
