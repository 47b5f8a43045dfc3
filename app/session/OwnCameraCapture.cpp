#include "session/OwnCameraCapture.h"

bool OwnCameraCapture::init(VIDEO_INPUT_CALLBACK callback, void* userData, int devicePosition, int width,
                            int height, int frameRate) {
    return capture_.init(callback, userData, devicePosition, QString(), width, height, frameRate);
}

void OwnCameraCapture::Term() { capture_.Term(); }
bool OwnCameraCapture::Start() { return capture_.Start(); }
void OwnCameraCapture::Stop() { capture_.Stop(); }
bool OwnCameraCapture::IsPlaying() const { return capture_.IsPlaying(); }
void OwnCameraCapture::SetVideoSize(int width, int height) { capture_.SetVideoSize(width, height); }
void OwnCameraCapture::SetFrameRate(int frameRate) { capture_.SetFrameRate(frameRate); }
void OwnCameraCapture::SetDevice(const QString& uniqueID) { capture_.SetDevice(uniqueID); }
