// The text box, private messages and questionnaires of the conference: the
// windows' launches and reopen rules, the events of the login (moved to the
// main queue at once) and the windows' requests to the login.
#include <QApplication>

#include "conference/FeatureWindowPlacement.h"
#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "services/Common.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "ui/CommonAlert.h"

namespace {
const QString kRecvMessageAlert = QStringLiteral("alert_id_recv_message");
const QString kQuestionnaireClosedAlert = QStringLiteral("alert_id_questionnaire_closed");

bool isY(const QVariantMap& config, const char* key) {
    return config.value(QString::fromLatin1(key)).toString() == u"Y";
}
}  // namespace

// ---- Launching ----

// How far the conference window reaches down from the top of the screen: the
// chat windows open just below it. The placement rules take the window's
// height as that distance, which holds only while the window sits at the top
// of the screen; a window the user moved down would be covered.
double StartViewController::conferenceExtentFromTop() const {
    if (!window_) return 0;
    return Window::screenHeight() - window_->frame().y();
}

void StartViewController::launchTextBoxWindow() {
    const bool webinar = mLoginManager->isWebinar();
    // The webinar pane waits for the video area.
    if (webinar && !mMainViewController) return;
    const QVariantMap config = mLoginManager->configDataDict();
    ConferenceFeatureWindows::TextBoxLaunch launch;
    launch.frame = FeatureWindowPlacement::textBoxRect(mTextBoxRect, QRectF(), Window::screenHeight(),
                                                       conferenceExtentFromTop());
    launch.myInfo = mLoginManager->myInfo();
    launch.saveDisable = isY(config, "TEXTBOX_SAVE_DISABLE");
    launch.isWebinar = webinar;
    if (config.contains(QStringLiteral("MODE_WEBINAR_TEXTBOX_NOTIFY_COLOR")))
        launch.noticeColor = Common::colorWithHexString(
            config.value(QStringLiteral("MODE_WEBINAR_TEXTBOX_NOTIFY_COLOR")).toString(), 1.0);
    launch.isNotify = isY(config, "MODE_WEBINAR_TEXTBOX_NOTIFY");
    launch.isNotifySetting = isY(config, "MODE_WEBINAR_TEXTBOX_NOTIFY_SETTING");
    services_.windows->openTextBox(launch);
}

void StartViewController::launchMessageWindow(const std::optional<QString>& userId) {
    if (!services_.windows->hasMessageWindow()) {
        ConferenceFeatureWindows::MessageLaunch launch;
        launch.frame = FeatureWindowPlacement::messageRect(mMessageRect, Window::screenHeight(),
                                                           conferenceExtentFromTop());
        launch.myInfo = mLoginManager->myInfo();
        launch.roomCategory = mLoginManager->iRoomCategory();
        if (auto list = mLoginManager->userListInfo()) launch.userList = list->getAllUserList();
        launch.enable = isY(mLoginManager->configDataDict(), "SEND_MESSAGE");
        services_.windows->openMessageWindow(launch, userId);
    } else {
        services_.windows->openMessageWindow({}, userId);
    }
    CommonAlert::sharedInstance().hideInformationAlert(kRecvMessageAlert);
}

// ---- Events of the login ----

void StartViewController::updateMessage(const std::shared_ptr<MessageInfo>& thread, bool isNotify) {
    if (!thread) return;
    mainQueue().async(this, [this, thread, isNotify] {
        if (services_.windows->hasMessageWindow()) {
            services_.windows->updateMessageWindow(thread, isNotify);
            return;
        }
        const QString partnerId = thread->destUser()->userId();
        const QString partnerName = thread->destUser()->userName();
        // A user who closed the window where messages can be written only
        // hears of the message.
        if (mMessageRect.isEmpty() || !isY(mLoginManager->configDataDict(), "SEND_MESSAGE"))
            launchMessageWindow(partnerId);
        if (isNotify)
            CommonAlert::sharedInstance().showInformationAlert(
                kRecvMessageAlert, LocalizedFormat("dfMSG_INCOMING_RECEIVEMESSAGE", partnerName),
                [this] { onClickRecvMessageAlert(); }, this, window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::updateTextBox(bool forceDisplay) {
    mainQueue().async(this, [this, forceDisplay] {
        if (services_.windows->hasTextBoxView()) {
            services_.windows->updateTextBox(forceDisplay, mLoginManager->textBoxDataArry());
            return;
        }
        // A line for a text box the user closed waits in the list.
        if (!mTextBoxRect.isEmpty() && !forceDisplay) return;
        launchTextBoxWindow();
        if (services_.windows->hasTextBoxView())
            services_.windows->updateTextBox(forceDisplay, mLoginManager->textBoxDataArry());
    });
}

void StartViewController::onQuestionStart(const QString&, const QString&, int, const QStringList&, int) {
    mainQueue().async(this, [this] { services_.windows->openQuesAnswerWindow(); });
}

void StartViewController::onQuestionStop() {
    mainQueue().async(this, [this] {
        if (!services_.windows->hasQuesAnswerWindow()) return;
        services_.windows->closeQuesAnswerWindow();
        CommonAlert::sharedInstance().showInformationAlert(kQuestionnaireClosedAlert,
                                                           LocalizedString("dfQUESTIONNAIRE_NOW_CLOSED"), {},
                                                           nullptr, window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::onQuestionResult() {
    mainQueue().async(this, [this] {
        if (services_.windows->hasQuesResultWindow()) services_.windows->updateQuesResult();
    });
}

// ---- Requests of the windows ----

void StartViewController::sendTextBoxData(const QString& text) {
    if (mLoginManager->sendTextBoxData(text)) return;
    if (QWidget* w = services_.windows->textBoxWindow())
        CommonAlert::sharedInstance().showModalSheet(
            w, std::nullopt, LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTMESSASE"),
            LocalizedString("dfTEXTBOX_SENDMESSAGE_ERR_ALERTINFORMATION"), QStringLiteral("OK"), nullptr, {});
}

void StartViewController::forceDisplayTextBox() {
    mLoginManager->sendTextBoxForceDisplay();
}

void StartViewController::sendMessageData(const QString& userId, const QString& text) {
    if (mLoginManager->sendMessgaeData(userId, text)) return;
    LogFileManager::write(StringWithFormat(kLogMsgDestinationUserNoExist, userId), 0, false);
    if (QWidget* w = services_.windows->messageWindow())
        CommonAlert::sharedInstance().showModalSheet(
            w, std::nullopt, LocalizedString("dfSENDMEESAGE_ERR_ALERT"),
            LocalizedString("dfSENDMEESAGE_ERR_ALERTINFORMATION_ABSENCEOFDESTINATIONUSER"),
            QStringLiteral("OK"), nullptr, {});
}

void StartViewController::showMessageInfo(const QString& text) {
    CommonAlert::sharedInstance().showInformationAlert(
        kRecvMessageAlert, text, [this] { onClickRecvMessageAlert(); }, this,
        window_ ? window_->frame() : QRectF());
}

void StartViewController::startQuestionnaire(const QString& question, const QStringList& choices,
                                             int options) {
    if (mLoginManager->startQuestionnaire(question, choices, options))
        services_.windows->openQuesResultWindow();
}

void StartViewController::stopQuestionnaire() {
    mLoginManager->stopQuestionnaire(false);
}

void StartViewController::sendQuestionnaireAnswer(int answer, const QString& choiceItem) {
    mLoginManager->sendQuestionnaireAnswer(answer, choiceItem);
}

// ---- Close reports ----

void StartViewController::onCloseTextBoxWindow(const QRectF& frame) {
    deleteTextBoxView();
    mTextBoxRect = frame;
}

void StartViewController::deleteTextBoxView() {
    const QRectF viewFrame = services_.windows->deleteTextBoxView();
    if (!mLoginManager->isWebinar()) mTextBoxRect = viewFrame;
}

void StartViewController::onCloseMessageWindow(const QRectF& frame) {
    mMessageRect = frame;
}

void StartViewController::onCloseQuestionnaireResultWindow() {
    mLoginManager->stopQuestionnaire(true);
}
