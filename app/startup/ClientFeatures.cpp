#include "startup/ClientFeatures.h"

#include <memory>

#include "chat/ChatWindows.h"
#include "model/QuestionnaireInfo.h"
#include "session/LoginAudio.h"

namespace ClientFeatures {

LoginManagerFeatures make() {
    LoginManagerFeatures f;
    // Audio devices: captured audio to the core, the room's mix to the speaker.
    f.audioManager = &LoginAudio::make;
    f.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
    return f;
}

std::unique_ptr<ConferenceFeatureWindows> makeWindows(std::function<StartViewController*()> controller) {
    // The text box and the private-message window.
    return std::make_unique<ChatWindows>(std::move(controller));
}

}  // namespace ClientFeatures
