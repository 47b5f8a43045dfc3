// The text box, private messages and questionnaires: the text-box block the
// core sends over the relay, the lines and message threads that the windows
// show (appended on core threads, read as snapshots), the chat file, and the
// questionnaire protocol on the issuer's and the receivers' side.
#include <QDir>
#include <QSaveFile>

#include "model/MessageInfo.h"
#include "model/QuestionnaireInfo.h"
#include "model/TextBoxData.h"
#include "platform/Dispatch.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "services/Common.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"

namespace {

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

bool hasUtf8Form(const QString& text) {
    // Lone surrogates have no UTF-8 form; the conversion would replace them.
    return QString::fromUtf8(text.toUtf8()) == text;
}

}  // namespace

// ---- Text box ----

std::optional<QByteArray> LoginManager::textBoxBlock(const QString& userId, const QString& userName,
                                                     const QString& message) {
    if (!hasUtf8Form(userId) || !hasUtf8Form(userName) || !hasUtf8Form(message)) return std::nullopt;
    QString block;
    const auto line = [&block](const QString& text) { block += text + QStringLiteral("\r\n"); };
    line(QStringLiteral("Type: TEXTBOXMESSAGE"));
    line(QStringLiteral("SrceUserID: ") + userId);
    line(QStringLiteral("SrceUserName: ") + userName);
    for (const char* fixed :
         {"FontHeight: -10", "FontWidth: 0", "FontEscapement: 0", "FontOrientation: 0", "FontWeight: FALSE",
          "FontItalic: FALSE", "FontUnderline: FALSE", "FontStrikeOut: FALSE", "FontCharSet: 128",
          "FontOutPrecision: 3", "FontClipPrecision: 2", "FontQuality: 1", "FontPitchAndFamily: 18"})
        line(QString::fromLatin1(fixed));
    line(QStringLiteral("FontFaceName: MS P") +
         QString::fromUtf8("\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"));
    line(QStringLiteral("FontColor: 0,0,0"));
    line(QStringLiteral("FontSize: 9"));
    line(QStringLiteral("Message: ") + message);
    block += QStringLiteral("\r\n");
    return block.toUtf8();
}

bool LoginManager::sendTextBoxData(const QString& message) {
    const auto block = textBoxBlock(myInfo_->userId(), myInfo_->userName(), message);
    if (!block) return false;
    bridge()->SendTextBoxData(*block);
    logInfo(QString::fromLatin1(kLogMsgTBSendBtn));
    textBoxDataArry_->append(std::make_shared<TextBoxData>(myInfo_->userName(), QDateTime::currentDateTime(),
                                                           QString(message), true));
    if (auto* d = delegate()) d->updateTextBox(false);
    return true;
}

void LoginManager::sendTextBoxForceDisplay() {
    bridge()->SendTextBoxActive(myInfo_->userId(), myInfo_->userName());
    logInfo(QString::fromLatin1(kLogMsgTBForceDispBtn));
}

void LoginManager::OnTextBoxData(const QString& strUserId, const QString& strUserName,
                                 const QString& strMessage, const QString& /*strFontOptionJson*/) {
    const QString name = shownName(strUserId, strUserName);
    textBoxDataArry_->append(
        std::make_shared<TextBoxData>(name, QDateTime::currentDateTime(), strMessage, false));
    if (auto* d = delegate()) d->updateTextBox(false);
    logInfo(StringWithFormat(kLogMsgRcvTBRecive, name));
}

void LoginManager::OnTextBoxActive(const QString& /*strUserId*/, const QString& /*strUserName*/) {
    if (auto* d = delegate()) d->updateTextBox(true);
}

std::vector<std::shared_ptr<TextBoxData>> LoginManager::textBoxDataArry() const {
    return textBoxDataArry_->snapshot();
}

QString LoginManager::chatFilePath() {
    const auto folder = Common::getCommonAppDirectory(1);
    if (!folder) return {};
    return *folder + StringWithFormat("/%@_Chat.txt", MainBundle::name());
}

void LoginManager::saveTextBoxData(const std::optional<QString>& text) {
    if (isFlagOn(configDataDict(), "TEXTBOX_SAVE_DISABLE") || !text) return;
    const QString path = chatFilePath();
    if (path.isEmpty()) return;
    const QByteArray bytes = text->toUtf8();
    DispatchQueue::global().sync([&path, &bytes] {
        // Written beside and renamed over the old file: a reader never sees
        // half a file, and a failed write leaves the old one.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return;
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            return;
        }
        file.commit();
    });
}

// ---- Private messages ----

std::vector<std::shared_ptr<MessageInfo>> LoginManager::messageDataArry() const {
    return messageDataArry_->snapshot();
}

std::shared_ptr<MessageInfo> LoginManager::threadFor(const UserInfoRef& partner) {
    const QString id = partner->userId();
    return messageDataArry_->firstOrAppend(
        [&id](const MessageInfo& m) { return m.destUser()->userId() == id; },
        [&partner] { return std::make_shared<MessageInfo>(*partner); });
}

void LoginManager::renameMessageThread(const QString& userId, const QString& name, const QString& type) {
    auto thread =
        messageDataArry_->first([&userId](const MessageInfo& m) { return m.destUser()->userId() == userId; });
    if (!thread) return;
    thread->destUser()->setUserName(name);
    thread->destUser()->setUserType(type);
    if (auto* d = delegate()) d->updateMessage(thread, false);
}

bool LoginManager::sendMessgaeData(const QString& userId, const QString& message) {
    auto list = userListInfo();
    if (!list) return false;
    UserInfoRef addressee;
    for (const UserInfoRef& u : list->getAllUserList())
        if (u->userId() == userId) {
            addressee = u;
            break;
        }
    if (!addressee) return false;
    bridge()->SendMessage(userId, message);
    logInfo(StringWithFormat(kLogMsgMSGSendBtn, userId));
    auto thread = threadFor(addressee);
    thread->addMessage(std::make_shared<MessageData>(myInfo_, QDateTime::currentDateTime(), message));
    if (auto* d = delegate()) d->updateMessage(thread, false);
    return true;
}

void LoginManager::OnMessage(const QString& strUserId, const QString& /*strUserName*/,
                             const QString& strMessage) {
    auto list = userListInfo();
    UserInfoRef sender = list ? list->getUserInfo(strUserId) : nullptr;
    if (!sender) return;
    auto thread = threadFor(sender);
    thread->addMessage(std::make_shared<MessageData>(sender, QDateTime::currentDateTime(), strMessage));
    if (auto* d = delegate()) d->updateMessage(thread, true);
}

// ---- Questionnaires ----

bool LoginManager::startQuestionnaire(const QString& question, const QStringList& choices, int options) {
    if (!questionnaireInfo_) return false;
    const int status = questionnaireInfo_->status();
    if (status == QUESTIONNAIRE_STATUS_RUNNING || status == QUESTIONNAIRE_STATUS_ANSWERED) return false;
    questionnaireInfo_->startQuestionnaire(std::nullopt, question, choices, options);
    bridge()->StartQuestionnaire(QString(""), question, QuestionnaireIsAnonymous(options),
                                 QuestionnaireIsMultiple(options), choices);
    logInfo(StringWithFormat(kLogMsgQuestionSendStart, question));
    return true;
}

void LoginManager::OnQuestionStart(const QString& userId, const QString& question, bool anonymous,
                                   bool multiSelect, int /*count*/, const QStringList& selection) {
    logInfo(StringWithFormat(kLogMsgRcvQuestionStart, userId));
    if (userId == myInfo_->userId() || !questionnaireInfo_) return;
    bridge()->ReceivedQuestionnaire(userId, myInfo_->userId());
    const int options = QuestionnaireOptionsValue(multiSelect, anonymous);
    questionnaireInfo_->startQuestionnaire(userId, question, selection, options);
    if (auto* d = delegate()) d->onQuestionStart(userId, question, int(selection.size()), selection, options);
}

void LoginManager::OnQuestionReceived(const QString& userId) {
    logInfo(StringWithFormat(kLogMsgRcvQuestionRecive, userId));
    if (!questionnaireInfo_ || questionnaireInfo_->status() != QUESTIONNAIRE_STATUS_RUNNING) return;
    auto list = userListInfo();
    // A receipt from someone who is not listed is not recorded.
    if (UserInfoRef user = list ? list->getUserInfo(userId) : nullptr)
        questionnaireInfo_->setQuestionnaireReceiver(user->userId(), user->userName());
    if (auto* d = delegate()) d->onQuestionResult();
}

void LoginManager::sendQuestionnaireAnswer(int answer, const QString& choiceItem) {
    if (!questionnaireInfo_ || questionnaireInfo_->status() != QUESTIONNAIRE_STATUS_RUNNING) return;
    bridge()->AnswerQuestionnaire(questionnaireInfo_->issuedUserId(), answer, choiceItem);
}

void LoginManager::OnQuestionAnswer(const QString& userId, int answerCount, const QString& answer) {
    logInfo(StringWithFormat(kLogMsgRcvQuestionAnswer, userId));
    if (questionnaireInfo_) questionnaireInfo_->recvQuestionnaireAnswer(userId, answerCount, answer);
    if (auto* d = delegate()) d->onQuestionResult();
}

void LoginManager::stopQuestionnaire(bool reset) {
    if (!questionnaireInfo_) return;
    if (questionnaireInfo_->status() == QUESTIONNAIRE_STATUS_RUNNING) {
        for (const auto& [receiver, answers] : questionnaireInfo_->issuedUserAnswers())
            bridge()->StopQuestionnaire(receiver);
        questionnaireInfo_->stopQuestionnaire();
        logInfo(QString::fromLatin1(kLogMsgQuestionSendStop));
    }
    if (reset) questionnaireInfo_->resetQuestionnaire();
}

void LoginManager::OnQuestionStop(const QString& userId) {
    logInfo(StringWithFormat(kLogMsgRcvQuestionStop, userId));
    if (auto* d = delegate()) d->onQuestionStop();
    if (!questionnaireInfo_) return;
    questionnaireInfo_->stopQuestionnaire();
    questionnaireInfo_->resetQuestionnaire();
}

void LoginManager::questionnaireCatchUp(const QString& userId) {
    if (!questionnaireInfo_ || questionnaireInfo_->status() != QUESTIONNAIRE_STATUS_RUNNING ||
        !questionnaireInfo_->issuedUserId().isEmpty())
        return;
    const auto answers = questionnaireInfo_->issuedUserAnswers();
    const auto it = answers.find(userId);
    if (it != answers.end() && !it->second.isEmpty()) return;
    const int options = questionnaireInfo_->options();
    bridge()->StartQuestionnaire(userId, questionnaireInfo_->question(), QuestionnaireIsAnonymous(options),
                                 QuestionnaireIsMultiple(options), questionnaireInfo_->choices());
}
