// The questionnaire side of the conference window's feature windows: the
// editor, the answer window and the result window (one of each), their
// requests passed to the conference window and their close reports.
#pragma once

#include <QPointer>
#include <functional>

#include "chat/QuesAnswerWindowController.h"
#include "chat/QuesResultWindowController.h"
#include "chat/QuesWindowController.h"
#include "conference/StartViewController.h"

class QuestionnaireWindows : public QuesWindowControllerDelegate,
                             public QuesAnswerWindowControllerDelegate,
                             public QuesResultWindowControllerDelegate {
public:
    // How many earlier questionnaires the editor offers.
    static constexpr int kHistorySize = 12;

    // `controller` answers the conference window (set after it is made).
    explicit QuestionnaireWindows(std::function<StartViewController*()> controller);
    ~QuestionnaireWindows() override;

    // While a result window is visible only that one comes to the front.
    void launchQuestionnaireWindow();
    bool hasQuesAnswerWindow() const { return answerWindow_ != nullptr; }
    // An answer window that exists only comes to the front.
    void openQuesAnswerWindow();
    void closeQuesAnswerWindow();
    bool hasQuesResultWindow() const { return resultWindow_ != nullptr; }
    void openQuesResultWindow();
    void updateQuesResult();
    void closeQuesResultWindow();
    // The editor and the answer window close; the result window closes without asking.
    void closeAll();

    QuesWindowController* editor() const { return editor_; }
    QuesAnswerWindowController* answerWindow() const { return answerWindow_; }
    QuesResultWindowController* resultWindow() const { return resultWindow_; }

    // QuesWindowControllerDelegate
    void startQuestionnaire(const QString& question, const QStringList& choices, int options) override;
    void onCloseQuestionnireWindow(QuesWindowController* controller) override;
    // QuesAnswerWindowControllerDelegate
    void sendQuestionnaireAnswer(int count, const QString& choiceItem) override;
    void onCloseQuestionnaireAnswerWindow(QuesAnswerWindowController* controller) override;
    // QuesResultWindowControllerDelegate
    void stopQuestionnaire() override;
    void onCloseQuestionnaireResultWindow(QuesResultWindowController* controller) override;

private:
    StartViewController* controller() const { return controller_ ? controller_() : nullptr; }
    const QuestionnaireInfo* model() const;

    std::function<StartViewController*()> controller_;
    QPointer<QuesWindowController> editor_;
    QPointer<QuesAnswerWindowController> answerWindow_;
    QPointer<QuesResultWindowController> resultWindow_;
};
