#include "chat/QuesWindowController.h"

#include <QLabel>
#include <QPalette>

#include "chat/ChatText.h"
#include "chat/QuestionnaireText.h"
#include "model/QuestionnaireInfo.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "platform/View.h"
#include "ui/CommonAlert.h"

namespace {
constexpr double kWidth = 440, kHeight = 360;
}

QuesWindowController::QuesWindowController(int historySize, QObject* parent)
    : QObject(parent), historySize_(historySize) {
    window_ = new Window(QRectF(0, 0, kWidth, kHeight), WindowStyleTitled | WindowStyleClosable);
    window_->setObjectName(QStringLiteral("quesWindow"));
    window_->setTitle(LocalizedString("dfQUESTIONNAIRE"));
    window_->setAutoFillBackground(true);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    window_->setPalette(palette);
    View* content = window_->contentView();

    historyBox_ = new QComboBox(content);
    historyBox_->setObjectName(QStringLiteral("historyBox"));
    View::setFrameOf(historyBox_, QRectF(20, kHeight - 46, kWidth - 40, 26));

    auto* questionLbl = new QLabel(LocalizedString("dfQUESTION"), content);
    questionLbl->setObjectName(QStringLiteral("questionTitleLbl"));
    View::setFrameOf(questionLbl, QRectF(20, kHeight - 84, 90, 24));
    questionField_ = new QLineEdit(content);
    questionField_->setObjectName(QStringLiteral("id_questionnaire_question"));
    View::setFrameOf(questionField_, QRectF(110, kHeight - 84, kWidth - 130, 24));

    for (int i = 0; i < 5; ++i) {
        const double y = kHeight - 124 - i * 32;
        auto* number = new QLabel(QString::number(i + 1), content);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        View::setFrameOf(number, QRectF(20, y, 80, 24));
        auto* field = new QLineEdit(content);
        field->setObjectName(QStringLiteral("id_questionnaire_choices%1").arg(i + 1));
        View::setFrameOf(field, QRectF(110, y, kWidth - 130, 24));
        choiceFields_[size_t(i)] = field;
    }

    multiSelectBtn_ = new QCheckBox(LocalizedString("dfQUESTIONNAIRE_MULTI_SELECT"), content);
    multiSelectBtn_->setObjectName(QStringLiteral("multiSelectBtn"));
    View::setFrameOf(multiSelectBtn_, QRectF(110, 62, 150, 24));
    anonymousBtn_ = new QCheckBox(LocalizedString("dfQUESTIONNAIRE_ANONYMOUS"), content);
    anonymousBtn_->setObjectName(QStringLiteral("anonymousBtn"));
    View::setFrameOf(anonymousBtn_, QRectF(270, 62, 150, 24));

    issueBtn_ = new QPushButton(LocalizedString("dfQUESTIONNAIRE_ISSUE"), content);
    issueBtn_->setObjectName(QStringLiteral("issueBtn"));
    View::setFrameOf(issueBtn_, QRectF(kWidth - 140, 16, 120, 30));

    // The history, newest first.
    history_ = getIssuedHistory();
    for (const QStringList& entry : history_) historyBox_->addItem(QuestionnaireText::historyTitle(entry));
    historyBox_->setCurrentIndex(-1);

    connect(historyBox_, &QComboBox::activated, this, [this](int index) { selectHistory(index); });
    connect(questionField_, &QLineEdit::textChanged, this, [this] { controlTextDidChange(questionField_); });
    for (QLineEdit* field : choiceFields_)
        connect(field, &QLineEdit::textChanged, this, [this, field] { controlTextDidChange(field); });
    connect(issueBtn_, &QPushButton::clicked, this, [this] { onClickIssue(); });
    window_->setDelegate(this);
}

QuesWindowController::~QuesWindowController() {
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

void QuesWindowController::showWindow() {
    window_->show();
    window_->makeKeyAndOrderFront();
    // No field starts with the focus.
    if (QWidget* focused = window_->focusWidget()) focused->clearFocus();
}

QList<QStringList> QuesWindowController::getIssuedHistory() {
    QList<QStringList> history;
    const QVariant stored = UserDefaults::standard().objectForKey(QString::fromLatin1(kHistoryKey));
    for (const QVariant& entry : stored.toList()) {
        const QStringList texts = entry.toStringList();
        if (texts.size() >= 3) history.append(texts);
    }
    return history;
}

void QuesWindowController::saveIssuedHistory(const QString& question, const QStringList& choices) {
    const QList<QStringList> history =
        QuestionnaireText::updatedHistory(getIssuedHistory(), question, choices, historySize_);
    QVariantList stored;
    for (const QStringList& entry : history) stored.append(QVariant(entry));
    UserDefaults::standard().setObject(QString::fromLatin1(kHistoryKey), stored);
    UserDefaults::standard().synchronize();
}

void QuesWindowController::selectHistory(int index) {
    if (index < 0 || index >= history_.size()) return;
    const QStringList& entry = history_.at(index);
    questionField_->setText(entry.value(0));
    for (int i = 0; i < 5; ++i) choiceFields_[size_t(i)]->setText(entry.value(i + 1));
}

void QuesWindowController::controlTextDidChange(QLineEdit* field) {
    const bool isQuestion = field == questionField_;
    const int limit = isQuestion ? QuestionnaireText::kQuestionMaxUnits : QuestionnaireText::kChoiceMaxUnits;
    if (field->text().size() <= limit) return;
    // Cut between characters, never inside a surrogate pair.
    field->setText(ChatText::cutToUnits(field->text(), limit));
    if (isQuestion)
        showAlert(LocalizedString("dfQUESTIONNAIRE_TITLE_OVER_BYTES"));
    else
        showAlert(LocalizedString("dfQUESTION_CHOICES_OVER_BYTES"));
}

void QuesWindowController::onClickIssue() {
    const QString question = QuestionnaireText::clean(questionField_->text());
    if (!ChatText::hasUtf8Form(question)) {
        showAlert(LocalizedString("dfQUESTION_TITLE_UNSUPPORTED_CHARACTERS"));
        return;
    }
    QStringList choices;
    bool duplicate = false;
    for (QLineEdit* field : choiceFields_) {
        if (field->text().isEmpty()) continue;
        const QString choice = QuestionnaireText::clean(field->text());
        if (choice.isEmpty()) continue;
        if (!ChatText::hasUtf8Form(choice)) {
            showAlert(LocalizedString("dfQUESTION_CHOICES_UNSUPPORTED_CHARACTERS"));
            return;
        }
        if (choices.contains(choice)) duplicate = true;
        choices.append(choice);
    }
    if (duplicate) {
        showAlert(LocalizedString("dfQUESTIONNAIRE_CHOICES_DUPLICATE"));
        return;
    }
    if (choices.size() < 2) {
        showAlert(LocalizedString("dfQUESTIONNAIRE_CHOICES_LESS"));
        return;
    }
    const int options = QuestionnaireOptionsValue(multiSelectBtn_->isChecked(), anonymousBtn_->isChecked());
    if (delegate_) delegate_->startQuestionnaire(question, choices, options);
    saveIssuedHistory(question, choices);
    if (window_) window_->closeWindow();
}

void QuesWindowController::showAlert(const QString& message) {
    CommonAlert::sharedInstance().showModalAlert(this, std::nullopt, message, std::nullopt);
}

void QuesWindowController::windowWillClose(Window*) {
    if (delegate_) delegate_->onCloseQuestionnireWindow(this);
}
