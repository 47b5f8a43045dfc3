// The fuzz targets read network bytes with a few application sources and no
// screen: `QuorixUtils` asks whether sharing could capture, and here it cannot.
#include "platform/ScreenRecorder.h"

bool ScreenRecorder::isCaptureAvailable() {
    return false;
}
