#include "chat/QuesAnswerWindowController.h"

#include <QCheckBox>
#include <QPalette>
#include <QRadioButton>

#include "platform/Localization.h"
#include "platform/View.h"

namespace {
constexpr double kWidth = 380, kHeight = 330;
}

QuesAnswerWindowController::QuesAnswerWindowController(const QuestionnaireInfo& model, QObject* parent)
    : QObject(parent) {
    const QuestionnaireInfo::Snapshot q = model.snapshot();
    choiceCount_ = int(qMin<qsizetype>(q.choices.size(), 5));
    multiple_ = QuestionnaireIsMultiple(q.options);

    window_ = new Window(QRectF(0, 0, kWidth, kHeight), WindowStyleTitled | WindowStyleClosable);
    window_->setObjectName(QStringLiteral("quesAnswerWindow"));
    window_->setTitle(LocalizedString("dfQUESTIONNAIRE"));
    window_->setAutoFillBackground(true);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    window_->setPalette(palette);
    View* content = window_->contentView();

    questionLbl_ = new QLabel(q.question, content);
    questionLbl_->setObjectName(QStringLiteral("questionLbl"));
    questionLbl_->setWordWrap(true);
    questionLbl_->setTextFormat(Qt::PlainText);
    View::setFrameOf(questionLbl_, QRectF(20, kHeight - 66, kWidth - 40, 48));
    questionLbl_->setVisible(!q.question.isEmpty());

    multipleLbl_ = new QLabel(LocalizedString("dfQUESTIONNAIRE_MULTI_SELECT"), content);
    multipleLbl_->setObjectName(QStringLiteral("multipleLbl"));
    View::setFrameOf(multipleLbl_, QRectF(20, kHeight - 92, 160, 20));
    multipleLbl_->setVisible(multiple_);
    anonymousLbl_ = new QLabel(LocalizedString("dfQUESTIONNAIRE_ANONYMOUS"), content);
    anonymousLbl_->setObjectName(QStringLiteral("anonymousLbl"));
    View::setFrameOf(anonymousLbl_, QRectF(190, kHeight - 92, 160, 20));
    anonymousLbl_->setVisible(QuestionnaireIsAnonymous(q.options));

    const QRectF areaFrame(20, 64, kWidth - 40, 170);
    answerAreaSingle_ = new QWidget(content);
    answerAreaSingle_->setObjectName(QStringLiteral("answerAreaSingle"));
    View::setFrameOf(answerAreaSingle_, areaFrame);
    answerAreaMultiple_ = new QWidget(content);
    answerAreaMultiple_->setObjectName(QStringLiteral("answerAreaMultiple"));
    View::setFrameOf(answerAreaMultiple_, areaFrame);
    for (int i = 0; i < 5; ++i) {
        const QRectF frame(10, areaFrame.height() - 32 - i * 32, areaFrame.width() - 20, 26);
        auto* radio = new QRadioButton(answerAreaSingle_);
        radio->setObjectName(QStringLiteral("answer%1Radio").arg(i + 1));
        radio->setProperty("tag", i + 1);
        View::setFrameOf(radio, frame);
        auto* check = new QCheckBox(answerAreaMultiple_);
        check->setObjectName(QStringLiteral("answer%1Check").arg(i + 1));
        check->setProperty("tag", i + 1);
        View::setFrameOf(check, frame);
        QAbstractButton* button = multiple_ ? static_cast<QAbstractButton*>(check) : radio;
        used_[size_t(i)] = button;
        if (i < choiceCount_) {
            button->setText(q.choices.at(i));
        } else {
            button->hide();
            button->setEnabled(false);
        }
        connect(button, &QAbstractButton::clicked, this, [this, button] { onClickAnswer(button); });
    }
    answerAreaSingle_->setVisible(!multiple_);
    answerAreaMultiple_->setVisible(multiple_);

    submitAnswerBtn_ = new QPushButton(LocalizedString("dfQUESTIONNAIRE_SUBMIT"), content);
    submitAnswerBtn_->setObjectName(QStringLiteral("submitAnswerBtn"));
    View::setFrameOf(submitAnswerBtn_, QRectF(kWidth - 140, 16, 120, 30));
    submitAnswerBtn_->setEnabled(false);
    connect(submitAnswerBtn_, &QPushButton::clicked, this, [this] { onClickSubmit(); });
    window_->setDelegate(this);
}

QuesAnswerWindowController::~QuesAnswerWindowController() {
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

void QuesAnswerWindowController::showWindow() {
    window_->show();
    window_->makeKeyAndOrderFront();
}

void QuesAnswerWindowController::onClickAnswer(QAbstractButton* sender) {
    if (!multiple_ && sender->isChecked())
        for (int i = 0; i < choiceCount_; ++i)
            if (used_[size_t(i)] != sender) used_[size_t(i)]->setChecked(false);
    bool any = false;
    for (int i = 0; i < choiceCount_; ++i) any = any || used_[size_t(i)]->isChecked();
    submitAnswerBtn_->setEnabled(any);
}

void QuesAnswerWindowController::onClickSubmit() {
    int count = 0;
    QString text;
    for (QAbstractButton* button : used_) {
        if (!button->isChecked()) continue;
        text += QString::asprintf("%d", button->property("tag").toInt());
        ++count;
    }
    if (delegate_) delegate_->sendQuestionnaireAnswer(count, text);
    if (window_) window_->closeWindow();
}

void QuesAnswerWindowController::windowWillClose(Window*) {
    if (delegate_) delegate_->onCloseQuestionnaireAnswerWindow(this);
}
