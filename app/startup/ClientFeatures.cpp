#include "startup/ClientFeatures.h"

#include <memory>

#include "model/QuestionnaireInfo.h"
#include "recording/RecordingFeature.h"
#include "session/LoginAudio.h"

namespace ClientFeatures {

LoginManagerFeatures make() {
    LoginManagerFeatures f;
    // Audio devices: captured audio to the core, the room's mix to the speaker.
    f.audioManager = &LoginAudio::make;
    f.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
    // Local recording, made at each login whose room records.
    f.recordingManager = &RecordingFeature::make;
    return f;
}

}  // namespace ClientFeatures
