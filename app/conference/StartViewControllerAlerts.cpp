// The questions and problem reports of a conference: failed audio devices,
// a request for the floor, handing over the chair, expelling, the offer to
// start document sharing and the click on a received-message notice.
#include "conference/StartViewController.h"
#include "platform/Localization.h"
#include "ui/CommonAlert.h"

namespace {
const QString kAudioAlert = QStringLiteral("alert_id_audio_dev_init_err");
const QString kReserveAlert = QStringLiteral("alert_id_speech_reserve");
const QString kChangeOwnerAlert = QStringLiteral("alert_id_change_owner");
const QString kForceLeaveAlert = QStringLiteral("alert_id_force_leave");
const QString kDocShareAlert = QStringLiteral("alert_id_docshare_start");

QString deviceLine(const QString& title, const QStringList& names) {
    return title + names.join(QChar(0x3001)) + u'\n';
}

std::optional<QString> deviceGroup(const QString& title, const QStringList& inputs,
                                   const QStringList& outputs) {
    if (inputs.isEmpty() && outputs.isEmpty()) return std::nullopt;
    QString text = title;
    if (!inputs.isEmpty()) text += u'\n' + deviceLine(LocalizedString("dfAUDIOINITERROR_MIC"), inputs);
    if (!outputs.isEmpty()) text += u'\n' + deviceLine(LocalizedString("dfAUDIOINITERROR_SPK"), outputs);
    return text;
}
}  // namespace

void StartViewController::checkAudioDeviceStatus() {
    if (!services_.audioInfo) return;
    if (const auto info = services_.audioInfo()) checkAudioDeviceStatus(*info);
}

void StartViewController::checkAudioDeviceStatus(const AudioInfo& info) {
    QStringList lists[4];
    auto sort = [&](const AudioDeviceInfoList& devices, int sampling, int init) {
        for (const AudioDeviceInfo& d : devices) {
            if (d.errorCode == 2) lists[sampling] << d.deviceName;
            if (d.errorCode == 1) lists[init] << d.deviceName;
        }
    };
    sort(info.inputDevices, 0, 2);
    sort(info.outputDevices, 1, 3);
    showAudioDeviceError(lists[0], lists[1], lists[2], lists[3]);
}

std::optional<QString> StartViewController::audioDeviceErrorMessage(const QStringList& inputErrorSampling,
                                                                    const QStringList& outputErrorSampling,
                                                                    const QStringList& inputErrorInit,
                                                                    const QStringList& outputErrorInit) {
    const auto sampling =
        deviceGroup(LocalizedString("dfAUDIOINITERROR"), inputErrorSampling, outputErrorSampling);
    const auto init = deviceGroup(LocalizedString("dfAUDIOINITERROR_2"), inputErrorInit, outputErrorInit);
    if (sampling && init) return *sampling + QStringLiteral("\n\n") + *init;
    if (sampling) return sampling;
    return init;
}

void StartViewController::showAudioDeviceError(const QStringList& inputErrorSampling,
                                               const QStringList& outputErrorSampling,
                                               const QStringList& inputErrorInit,
                                               const QStringList& outputErrorInit) {
    const auto message =
        audioDeviceErrorMessage(inputErrorSampling, outputErrorSampling, inputErrorInit, outputErrorInit);
    if (!message) return;
    CommonAlert::sharedInstance().showNormalAlert(this, kAudioAlert, *message, std::nullopt, {}, std::nullopt,
                                                  {}, 0, {});
}

// The close action of a replaced question releases only its own target: each
// question remembers the target it was shown for.
void StartViewController::showOnSpeechReserveAlert(const UserInfo& requester) {
    const QString who = requester.userName().isEmpty() ? requester.userId() : requester.userName();
    const auto kept =
        std::make_shared<UserInfo>(requester.userId(), requester.userName(), requester.userType());
    mSelectedUserForReserve = kept;
    CommonAlert::sharedInstance().showNormalAlert(
        this, kReserveAlert, LocalizedFormat("dfMAINVIEW_ALERT_REQ_SPK", who), LocalizedString("dfALLOW"),
        [this] { onClickAllowAtReserveAcceptAlert(); }, LocalizedString("dfDENY"),
        [this] { onClickDenyAtReserveAcceptAlert(); }, 10.0,
        [this, kept] {
            if (mSelectedUserForReserve == kept) mSelectedUserForReserve.reset();
        });
}

void StartViewController::onClickAllowAtReserveAcceptAlert() {
    if (!mSelectedUserForReserve) return;
    const UserInfoRef user = mSelectedUserForReserve;
    if (changeReserveState) changeReserveState(1, user);
    CommonAlert::sharedInstance().hideNormalAlert(kReserveAlert);
}

void StartViewController::onClickDenyAtReserveAcceptAlert() {
    if (!mSelectedUserForReserve) return;
    const UserInfoRef user = mSelectedUserForReserve;
    if (changeReserveState) changeReserveState(0, user);
    CommonAlert::sharedInstance().hideNormalAlert(kReserveAlert);
}

void StartViewController::showChangeOwnerAlert(const UserInfo& user) {
    const QString id = user.userId();
    mSelectedUserForChangeOwner = id;
    CommonAlert::sharedInstance().showNormalAlert(
        this, kChangeOwnerAlert, LocalizedFormat("dfLISTVIEW_CHANGE_OWNER", user.userName()),
        LocalizedString("dfYES"), [this] { onClickChangeOwnerButtonOk(); }, LocalizedString("dfNO"),
        [this] { onClickChangeOwnerButtonCancel(); }, 0,
        [this, id] {
            if (mSelectedUserForChangeOwner == id) mSelectedUserForChangeOwner.reset();
        });
}

void StartViewController::onClickChangeOwnerButtonOk() {
    if (mSelectedUserForChangeOwner && changeOwner) changeOwner(*mSelectedUserForChangeOwner);
    CommonAlert::sharedInstance().hideNormalAlert(kChangeOwnerAlert);
}

void StartViewController::onClickChangeOwnerButtonCancel() {
    CommonAlert::sharedInstance().hideNormalAlert(kChangeOwnerAlert);
}

void StartViewController::showForceLeaveAlert(const UserInfo& user) {
    const QString id = user.userId();
    mSelectedUserForForceLeave = id;
    CommonAlert::sharedInstance().showNormalAlert(
        this, kForceLeaveAlert, LocalizedFormat("dfLISTVIEW_FORCE_BEFORE", user.userName()),
        LocalizedString("dfYES"), [this] { onClickForceLeaveButtonOk(); }, LocalizedString("dfNO"),
        [this] { onClickForceLeaveButtonCancel(); }, 0,
        [this, id] {
            if (mSelectedUserForForceLeave == id) mSelectedUserForForceLeave.reset();
        });
}

void StartViewController::onClickForceLeaveButtonOk() {
    if (mSelectedUserForForceLeave && forceLeave) forceLeave(*mSelectedUserForForceLeave);
    CommonAlert::sharedInstance().hideNormalAlert(kForceLeaveAlert);
}

void StartViewController::onClickForceLeaveButtonCancel() {
    CommonAlert::sharedInstance().hideNormalAlert(kForceLeaveAlert);
}

void StartViewController::showDocShareStartAlert() {
    CommonAlert::sharedInstance().showNormalAlert(
        this, kDocShareAlert, LocalizedString("dfUSER_PERMISSION_ALERT_DOCSHARE_START"),
        LocalizedString("dfYES"), [this] { onClickDocShareStartAlertButtonOk(); }, LocalizedString("dfNO"),
        [this] { onClickDocShareStartAlertButtonCancel(); }, 0, {});
}

void StartViewController::onClickDocShareStartAlertButtonOk() {
    CommonAlert::sharedInstance().hideNormalAlert(kDocShareAlert);
    services_.windows->startDocShare();
}

void StartViewController::onClickDocShareStartAlertButtonCancel() {
    CommonAlert::sharedInstance().hideNormalAlert(kDocShareAlert);
    if (services_.windows->isDocShareWindowOpen())
        CommonAlert::sharedInstance().showModalSheet(
            services_.windows->docShareWindow(), std::nullopt, std::nullopt,
            LocalizedString("dfUSER_PERMISSION_ALERT_DOCSHARE_RESTART_INFO"), QStringLiteral("OK"), nullptr,
            {});
}

void StartViewController::onClickRecvMessageAlert() {
    launchMessageWindow(std::nullopt);
}
