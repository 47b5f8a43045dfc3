#pragma once

// What the own camera view uses of the camera capture: the picture to show
// (latest wins, with a number that grows with every new picture), the pictures
// to record, the recording switch and the background mode. The capture object
// implements it; tests give the view a fake.

#include <QImage>
#include <cstdint>
#include <functional>

class CameraCaptureSource {
public:
    virtual ~CameraCaptureSource() = default;
    // Any thread.
    virtual QImage displayPicture(uint64_t* serial) const = 0;
    // The handler runs on the capture's thread with each processed picture
    // while the own video is being recorded; an empty handler stops it.
    virtual void setMyVideoHandler(std::function<void(const QImage&)> handler) = 0;
    virtual void recMyVideo(bool on) = 0;
    virtual void setBgMode(int mode, const QImage& customImg) = 0;
};
