// The questionnaire editor: a question, two to five choices, the multiple
// choice and anonymous options, a history of earlier questionnaires (newest
// first, in the user's settings) and the issue button.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <array>

#include "platform/Window.h"

class QuesWindowController;

class QuesWindowControllerDelegate {
public:
    virtual ~QuesWindowControllerDelegate() = default;
    virtual void startQuestionnaire(const QString& question, const QStringList& choices, int options) = 0;
    virtual void onCloseQuestionnireWindow(QuesWindowController* controller) = 0;
};

class QuesWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr const char* kHistoryKey = "KeyQuestionnaireChoiceHistory";

    explicit QuesWindowController(int historySize, QObject* parent = nullptr);
    ~QuesWindowController() override;

    void setDelegate(QuesWindowControllerDelegate* delegate) { delegate_ = delegate; }
    Window* window() const { return window_; }
    void showWindow();

    // The stored history: entries of the question and then its choices
    // (entries without two choices are left out); empty when none is stored.
    static QList<QStringList> getIssuedHistory();
    void saveIssuedHistory(const QString& question, const QStringList& choices);

    void selectHistory(int index);
    void onClickIssue();
    // The length limits of the question and the choice fields.
    void controlTextDidChange(QLineEdit* field);

    QComboBox* historyBox() const { return historyBox_; }
    QLineEdit* questionField() const { return questionField_; }
    QLineEdit* choiceField(int i) const { return choiceFields_.at(size_t(i)); }  // 0-based
    QCheckBox* multiSelectBtn() const { return multiSelectBtn_; }
    QCheckBox* anonymousBtn() const { return anonymousBtn_; }
    QPushButton* issueBtn() const { return issueBtn_; }

    // WindowDelegate
    void windowWillClose(Window* window) override;

private:
    void showAlert(const QString& message);

    int historySize_;
    QList<QStringList> history_;  // as the combo box lists it
    QuesWindowControllerDelegate* delegate_ = nullptr;
    QPointer<Window> window_;
    QComboBox* historyBox_ = nullptr;
    QLineEdit* questionField_ = nullptr;
    std::array<QLineEdit*, 5> choiceFields_{};
    QCheckBox* multiSelectBtn_ = nullptr;
    QCheckBox* anonymousBtn_ = nullptr;
    QPushButton* issueBtn_ = nullptr;
};
