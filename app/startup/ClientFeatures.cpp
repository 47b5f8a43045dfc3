#include "startup/ClientFeatures.h"

#include <memory>

#include "model/QuestionnaireInfo.h"
#include "permission/PermissionManager.h"
#include "session/LoginAudio.h"

namespace ClientFeatures {

LoginManagerFeatures make() {
    LoginManagerFeatures f;
    // Audio devices: captured audio to the core, the room's mix to the speaker.
    f.audioManager = &LoginAudio::make;
    f.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
    // Permissions: the table, the announcements to the chair and the chair's changes.
    f.permissionManager = &PermissionManager::make;
    return f;
}

}  // namespace ClientFeatures
