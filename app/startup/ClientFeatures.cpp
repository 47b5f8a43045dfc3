#include "startup/ClientFeatures.h"

#include <memory>

#include "appshare/APShareServer.h"
#include "conference/RemoteSupportManager.h"
#include "conference/WebinarManager.h"
#include "docshare/DocShareManager.h"
#include "model/QuestionnaireInfo.h"
#include "permission/PermissionManager.h"
#include "recording/RecordingFeature.h"
#include "remotestg/RemoteStgManager.h"
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
    // Remote settings: reading and changing other participants' devices, answering for ours.
    f.remoteStgManager = &RemoteStgManager::make;
    // Local recording, made at each login whose room records.
    f.recordingManager = &RecordingFeature::make;
    // The webinar layout text and the owner's display-control requests.
    f.webinarManager = &WebinarManager::make;
    f.remoteSupportManager = &RemoteSupportManager::make;
    // The own application share: the sharing menu, capture, remote control.
    f.apShareServer = &APShareServer::make;
    return f;
}

}  // namespace ClientFeatures
