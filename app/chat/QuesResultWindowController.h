// The issuer's result window of a questionnaire: the response rate, per
// choice a level bar with its count and percentage (and, unless anonymous,
// a tool tip naming who chose it), the deadline button and the save button
// of its toolbar. It asks before closing while the questionnaire runs or
// while answers have not been saved.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <array>
#include <functional>
#include <optional>

#include "chat/QuestionnaireText.h"
#include "model/QuestionnaireInfo.h"
#include "platform/Window.h"
#include "ui/SheetWindowController.h"

class QuesResultWindowController;

class QuesResultWindowControllerDelegate {
public:
    virtual ~QuesResultWindowControllerDelegate() = default;
    virtual void stopQuestionnaire() = 0;
    virtual void onCloseQuestionnaireResultWindow(QuesResultWindowController* controller) = 0;
};

class QuesResultWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    // `model` is read, not owned; it must outlive the window or be replaced.
    explicit QuesResultWindowController(const QuestionnaireInfo* model, QObject* parent = nullptr);
    ~QuesResultWindowController() override;

    void setDelegate(QuesResultWindowControllerDelegate* delegate) { delegate_ = delegate; }
    Window* window() const { return window_; }
    void showWindow();

    // After every receipt and answer.
    void updateResult(const QuestionnaireInfo* model);
    // Closes without asking (logout).
    void closeWindowForce();

    void onClickDeadline();
    void onClickSave();
    // Writes the result shown now to `path` (off the main thread); the
    // result counts as saved once the write has succeeded.
    void saveQuestionnaireResult(const QString& path);
    // The save panel: the chosen path for a proposed name, or none
    // (cancelled). Tests put their own in place.
    void setSavePanel(std::function<std::optional<QString>(const QString& proposedName)> panel) {
        savePanel_ = std::move(panel);
    }
    // The result file's text from what the window shows.
    QString makeSaveTextFormat() const;

    bool isSaved() const { return saved_; }
    bool isSaving() const { return pendingSaves_ > 0; }
    SheetWindowController* sheetWindowController() const { return sheet_; }
    QToolButton* saveBtn() const { return saveBtn_; }
    QPushButton* deadlineBtn() const { return deadlineBtn_; }
    QLabel* questionLbl() const { return questionLbl_; }
    QLabel* multipleLbl() const { return multipleLbl_; }
    QLabel* annonymousLbl() const { return annonymousLbl_; }
    QLabel* answerLbl(int i) const { return answerLbl_.at(size_t(i)); }  // 0-based
    QProgressBar* answerIndicator(int i) const { return answerIndicator_.at(size_t(i)); }
    QLabel* answerRateLbl(int i) const { return answerRateLbl_.at(size_t(i)); }
    QLabel* answerRateAllLbl() const { return answerRateAllLbl_; }

    // WindowDelegate
    bool windowShouldClose(Window* window) override;
    void windowWillClose(Window* window) override;
    void windowDidEndSheet(Window* window) override;

private:
    QuestionnaireInfo::Snapshot current() const;
    void loadTexts(const QuestionnaireInfo::Snapshot& q);
    void calcAnswerResult(const QuestionnaireInfo::Snapshot& q);
    void updateAnsweredUser(const QuestionnaireInfo::Snapshot& q);
    void showCloseAlert();

    const QuestionnaireInfo* model_;
    QuesResultWindowControllerDelegate* delegate_ = nullptr;
    bool saved_ = false;
    bool forceClose_ = false;
    int answers_ = 0;
    int pendingSaves_ = 0;
    std::function<std::optional<QString>(const QString&)> savePanel_;
    QPointer<Window> window_;
    QPointer<SheetWindowController> sheet_;
    QToolBar* toolbar_ = nullptr;
    QToolButton* saveBtn_ = nullptr;
    QPushButton* deadlineBtn_ = nullptr;
    QLabel* questionLbl_ = nullptr;
    QLabel* multipleLbl_ = nullptr;
    QLabel* annonymousLbl_ = nullptr;
    std::array<QLabel*, 5> answerLbl_{};
    std::array<QProgressBar*, 5> answerIndicator_{};
    std::array<QLabel*, 5> answerRateLbl_{};
    QLabel* answerRateAllLbl_ = nullptr;
    // What the window shows beyond its labels, for the result file.
    bool multiple_ = false, anonymous_ = false;
    int choiceCount_ = 0;
    std::vector<std::vector<std::pair<QString, QString>>> chosenBy_;
};
