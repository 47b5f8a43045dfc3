#include "startup/ClientFeatures.h"

#include <memory>

#include "appshare/APShareServer.h"
#include "docshare/DocShareManager.h"
#include "model/QuestionnaireInfo.h"
#include "permission/PermissionManager.h"
#include "recording/RecordingFeature.h"
#include "session/LoginAudio.h"
#include "settings/SettingLoginNotificator.h"

namespace ClientFeatures {

LoginManagerFeatures make() {
    LoginManagerFeatures f;
    // Audio devices: captured audio to the core, the room's mix to the speaker.
    f.audioManager = &LoginAudio::make;
    f.questionnaireInfo = [](LoginManager&) { return std::make_unique<QuestionnaireInfo>(); };
    // A chair's remote camera changes reach an open settings window.
    f.settingNotificator = &SettingLoginNotificator::make;
    // Document sharing: rights, start and stop, and the texts of a share.
    f.docShareManager = &DocShareManager::make;
    // Permissions: the table, the announcements to the chair and the chair's changes.
    f.permissionManager = &PermissionManager::make;
    // Local recording, made at each login whose room records.
    f.recordingManager = &RecordingFeature::make;
    // The own application share: the sharing menu, capture, remote control.
    f.apShareServer = &APShareServer::make;
    return f;
}


}  // namespace ClientFeatures
