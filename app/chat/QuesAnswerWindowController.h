// The window in which a receiver answers a questionnaire: the question, its
// choices as radio buttons (one choice) or check boxes (several) and the
// submit button. It keeps the texts of its opening.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "model/QuestionnaireInfo.h"
#include "platform/Window.h"

class QuesAnswerWindowController;

class QuesAnswerWindowControllerDelegate {
public:
    virtual ~QuesAnswerWindowControllerDelegate() = default;
    // `count` choices, their 1-based numbers as digits in `choiceItem`.
    virtual void sendQuestionnaireAnswer(int count, const QString& choiceItem) = 0;
    virtual void onCloseQuestionnaireAnswerWindow(QuesAnswerWindowController* controller) = 0;
};

class QuesAnswerWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    explicit QuesAnswerWindowController(const QuestionnaireInfo& model, QObject* parent = nullptr);
    ~QuesAnswerWindowController() override;

    void setDelegate(QuesAnswerWindowControllerDelegate* delegate) { delegate_ = delegate; }
    Window* window() const { return window_; }
    void showWindow();

    void onClickAnswer(QAbstractButton* sender);
    void onClickSubmit();

    QLabel* questionLbl() const { return questionLbl_; }
    QLabel* multipleLbl() const { return multipleLbl_; }
    QLabel* anonymousLbl() const { return anonymousLbl_; }
    QWidget* answerAreaSingle() const { return answerAreaSingle_; }
    QWidget* answerAreaMultiple() const { return answerAreaMultiple_; }
    // The buttons in use (radio buttons or check boxes), 0-based.
    QAbstractButton* answerButton(int i) const { return used_.at(size_t(i)); }
    QPushButton* submitAnswerBtn() const { return submitAnswerBtn_; }

    // WindowDelegate
    void windowWillClose(Window* window) override;

private:
    QuesAnswerWindowControllerDelegate* delegate_ = nullptr;
    int choiceCount_ = 0;
    bool multiple_ = false;
    QPointer<Window> window_;
    QLabel* questionLbl_ = nullptr;
    QLabel* multipleLbl_ = nullptr;
    QLabel* anonymousLbl_ = nullptr;
    QWidget* answerAreaSingle_ = nullptr;
    QWidget* answerAreaMultiple_ = nullptr;
    std::array<QAbstractButton*, 5> used_{};
    QPushButton* submitAnswerBtn_ = nullptr;
};
