// The video area's device section: the own microphone, the own output, each
// participant's playback and the camera, shown on the header's buttons and
// sliders and on the tiles' option buttons, sliders and meters. The window
// controller changes the devices and then tells this section what to show;
// volume changes made outside the application arrive from the device
// notifications. Main thread only.

#include "conference/MVHeaderView.h"
#include "conference/MainViewController.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {
constexpr int kLogInfo = 2;

// The first tile of `tiles` bound to the participant with that client number.
VideoInfo* tileOf(const std::vector<VideoInfo*>& tiles, int clientNo) {
    for (VideoInfo* tile : tiles) {
        if (tile == nullptr) continue;
        const SpeakerInfoRef speaker = tile->speaker();
        if (speaker != nullptr && speaker->clientNo() == clientNo) return tile;
    }
    return nullptr;
}
}  // namespace

MVHeaderView* MainViewController::headerView() const {
    return mHeaderView;
}

void MainViewController::setAudioInputState(bool on) {
    if (mHeaderView) mHeaderView->setAudioInputState(on);
}

void MainViewController::setAudioInputVolume(float volume) {
    if (mHeaderView) mHeaderView->setAudioInputVolume(volume);
}

void MainViewController::setAudioOutputState(bool on) {
    if (mHeaderView) mHeaderView->setAudioOutputState(on);
}

void MainViewController::setAudioOutputVolume(float volume) {
    if (mHeaderView) mHeaderView->setAudioOutputVolume(volume);
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr)
        mMyVideo->video()->changeOptionLevel(VIDEO_OPTION_SPEAKER, volume);
}

void MainViewController::changeCameraOnOff(bool on) {
    if (mHeaderView) mHeaderView->setCameraState(on);
}

void MainViewController::setHeaderBtnEnable(bool enable) {
    if (mHeaderView) mHeaderView->setHeaderBtnEnable(enable);
}

void MainViewController::changeMicOnOff(bool on) {
    setAudioInputState(on);
    VideoView* own = mMyVideo != nullptr ? mMyVideo->video() : nullptr;
    if (own != nullptr) own->changeOptionStatus(VIDEO_OPTION_MIC, on);
    LogFileManager::write(StringWithFormat(kLogMsgOPMicBtn, LogMessage::conversionSwitch(on)), kLogInfo,
                          false);
    if (own != nullptr) {
        // An attendee of a seminar shows no level until it has the floor.
        const bool silentAttendee = miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar && !mIsSpeaker &&
                                    myUserId() != mOwnerUserIdStr;
        own->changeAudioMeterStatus(!on || silentAttendee ? VIDEO_METER_HIDDEN : VIDEO_METER_DEFAULT);
    }
    mIsMicOn = on;
}

void MainViewController::setMicVolume(float volume) {
    setAudioInputVolume(volume);
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr)
        mMyVideo->video()->changeOptionLevel(VIDEO_OPTION_MIC, volume);
}

void MainViewController::changeSpeakerOnOff(int clientNo, bool on) {
    const std::vector<VideoInfo*>& tiles =
        miRoomCategory == ROOM_CATEGORY_MANYMTG && mManySpeakerVideoListArry ? *mManySpeakerVideoListArry
                                                                             : mVideoListArry;
    if (clientNo != CLIENT_NO_SELF) {
        VideoInfo* tile = tileOf(tiles, clientNo);
        if (tile == nullptr || tile->video() == nullptr) return;
        tile->video()->changeOptionStatus(VIDEO_OPTION_SPEAKER, on);
        tile->video()->changeAudioMeterStatus(on ? VIDEO_METER_DEFAULT : VIDEO_METER_SPEAKER_OFF);
        return;
    }
    setAudioOutputState(on);
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr)
        mMyVideo->video()->changeOptionStatus(VIDEO_OPTION_SPEAKER, on);
    LogFileManager::write(StringWithFormat(kLogMsgOPSpeakerBtn, LogMessage::conversionSwitch(on)), kLogInfo,
                          false);
    // Every other participant is heard only while both the own output and
    // that participant's playback are on.
    for (VideoInfo* tile : tiles) {
        if (tile == nullptr || tile->video() == nullptr) continue;
        const SpeakerInfoRef speaker = tile->speaker();
        if (speaker == nullptr || speaker->clientNo() == CLIENT_NO_SELF) continue;
        const bool audible = on && speaker->isSpeakerOn();
        tile->video()->changeOptionStatus(VIDEO_OPTION_SPEAKER, audible);
        tile->video()->changeAudioMeterStatus(audible ? VIDEO_METER_DEFAULT : VIDEO_METER_SPEAKER_OFF);
    }
    mIsSpeakerOn = on;
}

void MainViewController::setSpeakerVolume(int clientNo, float volume) {
    if (clientNo == CLIENT_NO_SELF) {
        setAudioOutputVolume(volume);
        return;
    }
    VideoInfo* tile = tileOf(mVideoListArry, clientNo);
    if (tile != nullptr && tile->video() != nullptr)
        tile->video()->changeOptionLevel(VIDEO_OPTION_SPEAKER, volume);
}

void MainViewController::didChangeInputVolume(AudioDeviceNotificatorDispatcher*, float volume) {
    setMicVolume(volume);
}

void MainViewController::didChangeOutputVolume(AudioDeviceNotificatorDispatcher*, float volume) {
    setSpeakerVolume(CLIENT_NO_SELF, volume);
}

void MainViewController::videoOptionClick(const SpeakerInfoRef& speaker, int option) {
    if (delegate_ == nullptr || speaker == nullptr) return;
    switch (option) {
        case VIDEO_OPTION_MIC:
            delegate_->changeMicOnOff(speaker->clientNo());
            break;
        case VIDEO_OPTION_SPEAKER:
            delegate_->changeSpeakerOnOff(speaker->clientNo());
            break;
        case VIDEO_OPTION_CAMERA:
            delegate_->changeCameraOnOff();
            break;
        case VIDEO_OPTION_RECORD:
            delegate_->dispRecordingMenu(speaker);
            break;
        default:
            break;
    }
}

void MainViewController::videoOptionSlide(const SpeakerInfoRef& speaker, int option, float value) {
    if (delegate_ == nullptr || speaker == nullptr) return;
    if (option == VIDEO_OPTION_MIC) delegate_->changeMicVolume(speaker->clientNo(), value);
    if (option == VIDEO_OPTION_SPEAKER) delegate_->changeSpeakerVolume(speaker->clientNo(), value);
}
