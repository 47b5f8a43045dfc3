#include "chat/QuestionnaireWindows.h"

QuestionnaireWindows::QuestionnaireWindows(std::function<StartViewController*()> controller)
    : controller_(std::move(controller)) {}

QuestionnaireWindows::~QuestionnaireWindows() {
    for (QObject* window :
         {static_cast<QObject*>(editor_.data()), static_cast<QObject*>(answerWindow_.data()),
          static_cast<QObject*>(resultWindow_.data())})
        delete window;
}

const QuestionnaireInfo* QuestionnaireWindows::model() const {
    StartViewController* c = controller();
    LoginManager* login = c ? c->loginManager() : nullptr;
    return login ? dynamic_cast<const QuestionnaireInfo*>(login->questionnaireInfo()) : nullptr;
}

// ---- Editor ----

void QuestionnaireWindows::launchQuestionnaireWindow() {
    if (resultWindow_ && resultWindow_->window()->isVisible()) {
        resultWindow_->showWindow();
        return;
    }
    if (!editor_) {
        editor_ = new QuesWindowController(kHistorySize);
        editor_->setDelegate(this);
    }
    editor_->showWindow();
}

void QuestionnaireWindows::startQuestionnaire(const QString& question, const QStringList& choices,
                                              int options) {
    if (auto* c = controller()) c->startQuestionnaire(question, choices, options);
}

void QuestionnaireWindows::onCloseQuestionnireWindow(QuesWindowController* closing) {
    if (editor_ == closing) editor_ = nullptr;
    closing->setDelegate(nullptr);
    closing->deleteLater();
}

// ---- Answer window ----

void QuestionnaireWindows::openQuesAnswerWindow() {
    if (!answerWindow_) {
        const QuestionnaireInfo* info = model();
        if (!info) return;
        answerWindow_ = new QuesAnswerWindowController(*info);
        answerWindow_->setDelegate(this);
    }
    answerWindow_->showWindow();
}

void QuestionnaireWindows::closeQuesAnswerWindow() {
    if (answerWindow_) answerWindow_->window()->closeWindow();
}

void QuestionnaireWindows::sendQuestionnaireAnswer(int count, const QString& choiceItem) {
    if (auto* c = controller()) c->sendQuestionnaireAnswer(count, choiceItem);
}

void QuestionnaireWindows::onCloseQuestionnaireAnswerWindow(QuesAnswerWindowController* closing) {
    if (answerWindow_ == closing) answerWindow_ = nullptr;
    closing->setDelegate(nullptr);
    closing->deleteLater();
}

// ---- Result window ----

void QuestionnaireWindows::openQuesResultWindow() {
    if (resultWindow_) {
        resultWindow_->updateResult(model());
    } else {
        resultWindow_ = new QuesResultWindowController(model());
        resultWindow_->setDelegate(this);
    }
    resultWindow_->showWindow();
}

void QuestionnaireWindows::updateQuesResult() {
    if (resultWindow_) resultWindow_->updateResult(model());
}

void QuestionnaireWindows::closeQuesResultWindow() {
    if (resultWindow_) resultWindow_->closeWindowForce();
}

void QuestionnaireWindows::stopQuestionnaire() {
    if (auto* c = controller()) c->stopQuestionnaire();
}

void QuestionnaireWindows::onCloseQuestionnaireResultWindow(QuesResultWindowController* closing) {
    if (resultWindow_ == closing) resultWindow_ = nullptr;
    closing->setDelegate(nullptr);
    closing->deleteLater();
    // A running questionnaire stops; the model is reset.
    if (auto* c = controller()) c->onCloseQuestionnaireResultWindow();
}

void QuestionnaireWindows::closeAll() {
    if (editor_) editor_->window()->closeWindow();
    closeQuesAnswerWindow();
    closeQuesResultWindow();
}
